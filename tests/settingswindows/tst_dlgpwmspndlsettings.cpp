// The PWM spindle page: its form, the values it shows, its whole-number
// keypad with the limits that bound each other, the slider step after either
// limit changes, and switching the PWM on the simulated pins.
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"
#include "settingswindows/dlgpwmspndlsettings.h"
#include "settingswindows/dlgspindlespeedsettings.h"

#include "core/AppConfig.h"
#include "hal/simpinbank.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestDlgPwmSpndlSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { AppConfig::m_bPWMCtrlUsed = false; }
    void form();
    void shownValues();
    void entries_data();
    void entries();
    void stepFollowsBothLimits();
    void enableSwitchesPwm();
    void failedStartIsReported();
    void speedTableForADriveWithoutPwm();
};

void TestDlgPwmSpndlSettings::form()
{
    CSimControllerSetup setup;
    CDlgPwmSpndlSettings dlg;
    static const stFormRow kRows[] = {
        {"CDlgPwmSpndlSettings", "QDialog", 0, 0, 375, 300, "PWM Settings"},
        {"Btn_EnlSpndlPwm", "QPushButton", 92, 20, 191, 40, "Enable\nPWM"},
        {"label_85", "QLabel", 20, 90, 120, 40, "PWM Freq (Hz)"},
        {"Btn_PwmMinFreq", "QPushButton", 150, 90, 90, 40, "100\nMin Freq"},
        {"Btn_PwmMaxFreq", "QPushButton", 265, 90, 90, 40, "3000\nMax Freq"},
        {"label_87", "QLabel", 20, 150, 120, 60, "Spindle\nSpeed change\nTime Delay"},
        {"Btn_SpndlTimeDelay", "QPushButton", 150, 160, 90, 40, "100\nmilli Secs"},
        {"Btn_Ok", "QPushButton", 265, 240, 90, 40, "Ok"},
        {"Btn_SpindleSpeedTable", "QPushButton", 20, 240, 90, 40, "Speed\nTable"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QCOMPARE(dlg.minimumSize(), QSize(375, 300));
    QCOMPARE(dlg.maximumSize(), QSize(375, 400));
    QCOMPARE(dlg.styleSheet(), QStringLiteral("background-color: rgb(85, 85, 85);"));
}

void TestDlgPwmSpndlSettings::shownValues()
{
    CSimControllerSetup setup;
    AppConfig::m_stPwmSpndlSettings.m_nMinFreq = 250;
    AppConfig::m_stPwmSpndlSettings.m_nMaxFreq = 5000;
    AppConfig::m_stPwmSpndlSettings.m_nSpindleDelay = 40;
    AppConfig::m_bPWMCtrlUsed = true;
    CDlgPwmSpndlSettings dlg;
    QCOMPARE(FindButton(dlg, "Btn_PwmMinFreq")->text(), QStringLiteral("250\nMin Freq"));
    QCOMPARE(FindButton(dlg, "Btn_PwmMaxFreq")->text(), QStringLiteral("5000\nMax Freq"));
    QCOMPARE(FindButton(dlg, "Btn_SpndlTimeDelay")->text(), QStringLiteral("40\nmilli Secs"));
    QCOMPARE(FindButton(dlg, "Btn_EnlSpndlPwm")->styleSheet(), BTN_BKGND_GREEN);
}

// Entries are whole numbers, clamped silently (nothing logged).
void TestDlgPwmSpndlSettings::entries_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("text");

    const QString cancel = CFakePrompter::KeypadCancel;
    QTest::newRow("minimum below 100") << "Btn_PwmMinFreq" << "50" << "PWM Min Frequency" << 100 << 3000 << 100
                                       << "100\nMin Freq";
    QTest::newRow("minimum up to the maximum less 23") << "Btn_PwmMinFreq" << "2990" << "PWM Min Frequency" << 2977
                                                       << 3000 << 100 << "2977\nMin Freq";
    QTest::newRow("maximum down to the minimum plus 23") << "Btn_PwmMaxFreq" << "50" << "PWM Max Frequency" << 100
                                                         << 123 << 100 << "123\nMax Freq";
    QTest::newRow("maximum far above 10000") << "Btn_PwmMaxFreq" << "99999999999" << "PWM Max Frequency" << 100
                                             << 10000 << 100 << "10000\nMax Freq";
    QTest::newRow("maximum 10000") << "Btn_PwmMaxFreq" << "12000" << "PWM Max Frequency" << 100 << 10000 << 100
                                   << "10000\nMax Freq";
    QTest::newRow("delay below 10") << "Btn_SpndlTimeDelay" << "5" << "Spindle Time Delay" << 100 << 3000 << 10
                                    << "10\nmilli Secs";
    QTest::newRow("delay") << "Btn_SpndlTimeDelay" << "2500" << "Spindle Time Delay" << 100 << 3000 << 2500
                           << "2500\nmilli Secs";
    QTest::newRow("not a whole number keeps the value") << "Btn_SpndlTimeDelay" << "12.5" << "Spindle Time Delay"
                                                        << 100 << 3000 << 100 << "100\nmilli Secs";
    QTest::newRow("cancel keeps the value") << "Btn_PwmMinFreq" << cancel << "PWM Min Frequency" << 100 << 3000
                                            << 100 << "100\nMin Freq";
}

void TestDlgPwmSpndlSettings::entries()
{
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, delay);
    QFETCH(QString, text);

    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgPwmSpndlSettings dlg(&mw);
    prompter.m_lstKeypadEntries << typed;
    ClickButton(dlg, qPrintable(button));

    const stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, title);
    QVERIFY(!prompter.m_bLastKeypadDecimal);
    QVERIFY(!prompter.m_bLastKeypadSign);
    QCOMPARE(int(pwm.m_nMinFreq), min);
    QCOMPARE(int(pwm.m_nMaxFreq), max);
    QCOMPARE(int(pwm.m_nSpindleDelay), delay);
    QCOMPARE(FindButton(dlg, qPrintable(button))->text(), text);
    QCOMPARE(FindButton(dlg, qPrintable(button))->styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(mw.m_lstLog.isEmpty());
}

// The slider step is recomputed after either limit changes, so raising the
// minimum never gives frequencies above the maximum.
void TestDlgPwmSpndlSettings::stepFollowsBothLimits()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgPwmSpndlSettings dlg(&mw);
    const stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;

    prompter.m_lstKeypadEntries << "3000";
    ClickButton(dlg, "Btn_PwmMaxFreq");
    QCOMPARE(int(pwm.m_nFreqStep), 120);

    prompter.m_lstKeypadEntries << "2500";
    ClickButton(dlg, "Btn_PwmMinFreq");
    QCOMPARE(int(pwm.m_nFreqStep), 20);
    QVERIFY(pwm.m_nMinFreq + 23 * pwm.m_nFreqStep <= pwm.m_nMaxFreq);

    // Both limits far up: the maximum first, then the minimum.
    prompter.m_lstKeypadEntries << "9000" << "8000";
    ClickButton(dlg, "Btn_PwmMaxFreq");
    ClickButton(dlg, "Btn_PwmMinFreq");
    QCOMPARE(int(pwm.m_nMinFreq), 8000);
    QCOMPARE(int(pwm.m_nMaxFreq), 9000);
    QCOMPARE(int(pwm.m_nFreqStep), 41);

    prompter.m_lstKeypadEntries << "123";
    ClickButton(dlg, "Btn_PwmMaxFreq");
    QCOMPARE(int(pwm.m_nMaxFreq), 8023);
    QCOMPARE(int(pwm.m_nFreqStep), 0);
}

void TestDlgPwmSpndlSettings::enableSwitchesPwm()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CSimPinBank& bank = CSimPinBank::Instance();
    const int pin = AppConfig::m_iSpindlePwmOutput;
    stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    // The minimum was raised after the current frequency was derived from
    // the old one: switched on, the PWM starts at the minimum as it is now.
    pwm.m_nMinFreq = 5000;
    pwm.m_nMaxFreq = 9000;
    pwm.m_nCurFreq = 100;
    CDlgPwmSpndlSettings dlg(&mw);

    ClickButton(dlg, "Btn_EnlSpndlPwm");
    QVERIFY(AppConfig::m_bPWMCtrlUsed);
    QCOMPARE(FindButton(dlg, "Btn_EnlSpndlPwm")->styleSheet(), BTN_BKGND_GREEN);
    QCOMPARE(int(pwm.m_nCurFreq), 5000);
    QCOMPARE(bank.Mode(pin), EPinMode::PwmMarkSpace);
    // 19.2 MHz / 3 / 1280: 5000 Hz exactly, high half the period.
    QCOMPARE(bank.PwmClock(), 3);
    QCOMPARE(bank.PwmRange(), 1280u);
    QCOMPARE(bank.PwmValue(pin), 640);

    ClickButton(dlg, "Btn_EnlSpndlPwm");
    QVERIFY(!AppConfig::m_bPWMCtrlUsed);
    QCOMPARE(FindButton(dlg, "Btn_EnlSpndlPwm")->styleSheet(), BTN_BKGND_GRAY);
    QCOMPARE(bank.Mode(pin), EPinMode::PwmOff);
    QVERIFY(mw.m_lstLog.isEmpty());

    // A speed chosen meanwhile does not carry over: on again, at the minimum.
    pwm.m_nCurFreq = 8000;
    ClickButton(dlg, "Btn_EnlSpndlPwm");
    QCOMPARE(int(pwm.m_nCurFreq), 5000);
    QCOMPARE(bank.PwmClock(), 3);
    QCOMPARE(bank.Mode(pin), EPinMode::PwmMarkSpace);
    ClickButton(dlg, "Btn_EnlSpndlPwm");
    pwm = stPwmSpindleSettings();
}

// A PWM that cannot start is told, and PWM control stays off.
void TestDlgPwmSpndlSettings::failedStartIsReported()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_iSpindlePwmOutput = -1;
    CDlgPwmSpndlSettings dlg(&mw);
    ClickButton(dlg, "Btn_EnlSpndlPwm");
    AppConfig::m_iSpindlePwmOutput = 12;
    QVERIFY(!AppConfig::m_bPWMCtrlUsed);
    QCOMPARE(FindButton(dlg, "Btn_EnlSpndlPwm")->styleSheet(), BTN_BKGND_GRAY);
    QCOMPARE(mw.m_lstLog, QStringList{"error: Error: Spindle PWM not started: no PWM pin fitted"});

    // Opened on its own (no main window): a warning box instead.
    AppConfig::m_iSpindlePwmOutput = -1;
    CDlgPwmSpndlSettings alone;
    ClickButton(alone, "Btn_EnlSpndlPwm");
    AppConfig::m_iSpindlePwmOutput = 12;
    QCOMPARE(prompter.Texts("Warning"), QStringList{"Error: Spindle PWM not started: no PWM pin fitted"});
}

void TestDlgPwmSpndlSettings::speedTableForADriveWithoutPwm()
{
    // Without PWM the drive takes its speeds from its own table: the table
    // opens from here, and its wait time is this page's delay.
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgPwmSpndlSettings dlg(&mw);
    QPushButton* pTable = FindButton(dlg, "Btn_SpindleSpeedTable");
    QVERIFY(pTable->isEnabled());

    prompter.m_lstKeypadEntries << "1500" << "250";
    bool bShown = false;
    QTimer::singleShot(0, [&] {
        auto* pSpeeds = qobject_cast<CdlgSpindleSpeedSettings*>(QApplication::activeModalWidget());
        bShown = pSpeeds && pSpeeds->isVisible();
        if (!pSpeeds)
            return;
        QCOMPARE(pTable->styleSheet(), BTN_BKGND_BLUE);
        ClickButton(*pSpeeds, "Btn_Speed_3");
        ClickButton(*pSpeeds, "Btn_SpeedSetWaitTime");
        ClickButton(*pSpeeds, "Btn_Ok");
    });
    pTable->click();
    QVERIFY(bShown);
    QCOMPARE(AppConfig::m_iSpindleSpeeds[3], qint16(1500));
    QCOMPARE(AppConfig::m_stPwmSpndlSettings.m_nSpindleDelay, quint16(250));
    QCOMPARE(FindButton(dlg, "Btn_SpndlTimeDelay")->text(), QStringLiteral("250\nmilli Secs"));
    QCOMPARE(pTable->styleSheet(), BTN_BKGND_GRAY);

    // With PWM the table does not apply; it follows the switch.
    ClickButton(dlg, "Btn_EnlSpndlPwm");
    QVERIFY(AppConfig::m_bPWMCtrlUsed);
    QVERIFY(!pTable->isEnabled());
    ClickButton(dlg, "Btn_EnlSpndlPwm");
    QVERIFY(pTable->isEnabled());
    AppConfig::m_bPWMCtrlUsed = true;
    CDlgPwmSpndlSettings withPwm(&mw);
    QVERIFY(!FindButton(withPwm, "Btn_SpindleSpeedTable")->isEnabled());
}

QTEST_MAIN(TestDlgPwmSpndlSettings)
#include "tst_dlgpwmspndlsettings.moc"
