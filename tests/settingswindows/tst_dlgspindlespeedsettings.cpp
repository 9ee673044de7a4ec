// The spindle speed table: its form, the values it shows, and the entries it
// stores (whole numbers, kept inside their 16-bit fields).
#include "fakeprompter.h"
#include "formcheck.h"
#include "settingswindows/dlgspindlespeedsettings.h"
#include "simcontroller.h"

#include "core/AppConfig.h"

#include <QPushButton>
#include <QtTest>

class TestDlgSpindleSpeedSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void form();
    void shownValues();
    void entries_data();
    void entries();
};

void TestDlgSpindleSpeedSettings::init()
{
    for (int n = 0; n < 16; ++n)
        AppConfig::m_iSpindleSpeeds[n] = qint16((n + 1) * 1000);
}

void TestDlgSpindleSpeedSettings::form()
{
    CdlgSpindleSpeedSettings dlg;
    {
        const stFormRow row = {"CdlgSpindleSpeedSettings", "QDialog", 0, 0, 400, 300,
                               "Spindle Speed (VFD) Settings (RPM)"};
        QVERIFY2(FormMismatch(&dlg, row).isEmpty(), qPrintable(FormMismatch(&dlg, row)));
    }
    // Four rows of four, S0 to S3 in the first.
    for (int n = 0; n < 16; ++n) {
        const QByteArray name = QStringLiteral("Btn_Speed_%1").arg(n).toLatin1();
        const QByteArray text = QStringLiteral("1000\nS%1").arg(n).toUtf8();
        const stFormRow row = {name.constData(), "QPushButton", 10 + 97 * (n % 4), 10 + 50 * (n / 4), 90, 40,
                               text.constData()};
        QVERIFY2(FormMismatch(&dlg, row).isEmpty(), qPrintable(FormMismatch(&dlg, row)));
    }
    static const stFormRow kRows[] = {
        {"Btn_SpeedSetWaitTime", "QPushButton", 10, 240, 90, 40, "0.1\nWait Time"},
        {"Btn_Ok", "QPushButton", 301, 240, 90, 40, "Ok"},
    };
    for (const stFormRow& row : kRows)
        QVERIFY2(FormMismatch(&dlg, row).isEmpty(), qPrintable(FormMismatch(&dlg, row)));
}

void TestDlgSpindleSpeedSettings::shownValues()
{
    CSimControllerSetup setup;
    AppConfig::m_stPwmSpndlSettings.m_nSpindleDelay = 150;
    CdlgSpindleSpeedSettings dlg;
    dlg.ConfigSettings();
    QCOMPARE(FindButton(dlg, "Btn_Speed_0")->text(), QStringLiteral("1000\nS0"));
    QCOMPARE(FindButton(dlg, "Btn_Speed_15")->text(), QStringLiteral("16000\nS15"));
    QCOMPARE(FindButton(dlg, "Btn_SpeedSetWaitTime")->text(), QStringLiteral("150.0000\nWait Time"));
}

void TestDlgSpindleSpeedSettings::entries_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QString>("opened"); // value the keypad was opened with
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("text");

    const QString cancel = CFakePrompter::KeypadCancel;
    QTest::newRow("S3") << "Btn_Speed_3" << "1500" << "S3 Setting" << false << "4000" << 1500 << "1500\nS3";
    QTest::newRow("S15 cancelled") << "Btn_Speed_15" << cancel << "S15 Setting" << false << "16000" << 16000
                                   << "16000\nS15";
    QTest::newRow("speed beyond 32767") << "Btn_Speed_0" << "40000" << "S0 Setting" << false << "1000" << 32767
                                        << "32767\nS0";
    QTest::newRow("speed not a number") << "Btn_Speed_1" << "1e" << "S1 Setting" << false << "2000" << 2000
                                        << "2000\nS1";
    QTest::newRow("wait time truncated") << "Btn_SpeedSetWaitTime" << "150.7" << "Wait Time" << true << "100" << 150
                                         << "150.7\nWait Time";
    QTest::newRow("wait time beyond 65535") << "Btn_SpeedSetWaitTime" << "100000" << "Wait Time" << true << "100"
                                            << 65535 << "65535\nWait Time";
}

void TestDlgSpindleSpeedSettings::entries()
{
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(bool, decimal);
    QFETCH(QString, opened);
    QFETCH(int, stored);
    QFETCH(QString, text);

    CSimControllerSetup setup;
    CFakePrompter prompter;
    CdlgSpindleSpeedSettings dlg;
    dlg.ConfigSettings();
    prompter.m_lstKeypadEntries << typed;
    ClickButton(dlg, qPrintable(button));

    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, title);
    QCOMPARE(prompter.m_lstPrompts[0].m_strText, opened);
    QCOMPARE(prompter.m_bLastKeypadDecimal, decimal);
    QVERIFY(!prompter.m_bLastKeypadSign);
    if (button == QLatin1String("Btn_SpeedSetWaitTime"))
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nSpindleDelay), stored);
    else
        QCOMPARE(int(AppConfig::m_iSpindleSpeeds[button.mid(10).toInt()]), stored);
    QCOMPARE(FindButton(dlg, qPrintable(button))->text(), text);
    QCOMPARE(FindButton(dlg, qPrintable(button))->styleSheet(), BTN_BKGND_GRAY);
}

QTEST_MAIN(TestDlgSpindleSpeedSettings)
#include "tst_dlgspindlespeedsettings.moc"
