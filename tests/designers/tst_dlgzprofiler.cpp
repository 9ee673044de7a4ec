// The Z-profile window: its form, the parameters it shows and edits, the
// values it keeps above zero, and Ok / Cancel.
#include "designers/dlgzprofiler.h"
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"

#include "core/AppConfig.h"

#include <QPushButton>
#include <QtTest>

class TestDlgZProfiler : public QObject
{
    Q_OBJECT
private slots:
    void init() { AppConfig::m_ZProfileInfo = stZProfileInfo(); }
    void form();
    void shownValues();
    void edits_data();
    void edits();
    void okAndCancel();
};

void TestDlgZProfiler::form()
{
    dlgZProfiler dlg;
    static const stFormRow kRows[] = {
        {"dlgZProfiler", "QDialog", 0, 0, 325, 214, "Z Profile Settings"},
        {"Btn_Length", "QPushButton", 23, 20, 90, 40, "150\nLength"},
        {"Btn_Width", "QPushButton", 220, 20, 90, 40, "150\nWidth"},
        {"Btn_XYStep", "QPushButton", 20, 80, 90, 40, "10\nX/Y Step"},
        {"Btn_Z_Max_Range", "QPushButton", 120, 80, 90, 40, "3\nZ Range"},
        {"Btn_Z_Offset", "QPushButton", 220, 80, 90, 40, "0\nZ Offset"},
        {"Btn_Cancel", "QPushButton", 110, 150, 90, 40, "Cancel"},
        {"Btn_Ok", "QPushButton", 220, 150, 90, 40, "Ok"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QCOMPARE(CoveredButton(&dlg), QString());
}

void TestDlgZProfiler::shownValues()
{
    dlgZProfiler dlg;
    dlg.ConfigSettings();
    QCOMPARE(dlg.findChild<QPushButton*>("Btn_Length")->text(), QStringLiteral("150.0000\nLength"));
    QCOMPARE(dlg.findChild<QPushButton*>("Btn_Width")->text(), QStringLiteral("150.0000\nWidth"));
    QCOMPARE(dlg.findChild<QPushButton*>("Btn_XYStep")->text(), QStringLiteral("10.0000\nX-Y Step"));
    QCOMPARE(dlg.findChild<QPushButton*>("Btn_Z_Max_Range")->text(), QStringLiteral("3.0000\nZ Range"));
    QCOMPARE(dlg.findChild<QPushButton*>("Btn_Z_Offset")->text(), QStringLiteral("0.0000\nZ Offset"));
}

void TestDlgZProfiler::edits_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sign");
    QTest::addColumn<bool>("rangeMessage");

    QTest::newRow("offset may be negative") << "Btn_Z_Offset" << "-0.25" << "offset" << -0.25 << "-0.2500\nZ Offset"
                                            << true << false;
    QTest::newRow("step") << "Btn_XYStep" << "5" << "step" << 5.0 << "5.0000\nX-Y Step" << false << false;
    QTest::newRow("step of zero") << "Btn_XYStep" << "0" << "step" << 0.0001 << "0.0001\nX-Y Step" << false << true;
    QTest::newRow("range of zero") << "Btn_Z_Max_Range" << "0" << "range" << 0.0001 << "0.0001\nZ Range" << false
                                   << true;
    QTest::newRow("length") << "Btn_Length" << "80" << "length" << 80.0 << "80.0000\nLength" << false << false;
    QTest::newRow("width of zero") << "Btn_Width" << "0" << "width" << 0.0001 << "0.0001\nWidth" << false << true;
    QTest::newRow("cancel keeps the value") << "Btn_Width" << CFakePrompter::KeypadCancel << "width" << 150.0
                                            << "150.0000\nWidth" << false << false;
}

void TestDlgZProfiler::edits()
{
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(double, stored);
    QFETCH(QString, text);
    QFETCH(bool, sign);
    QFETCH(bool, rangeMessage);

    CFakePrompter prompter;
    CFakeMainWindow mw;
    dlgZProfiler dlg(&mw);
    dlg.ConfigSettings();
    prompter.m_lstKeypadEntries << typed;
    auto* pBtn = dlg.findChild<QPushButton*>(button);
    QTest::mouseClick(pBtn, Qt::LeftButton);

    const stZProfileInfo& info = AppConfig::m_ZProfileInfo;
    const QMap<QString, double> fields{{"offset", info.m_fZOffset}, {"step", info.m_fXYStep},
                                       {"range", info.m_fZRange}, {"length", info.m_fLength},
                                       {"width", info.m_fWidth}};
    QCOMPARE(fields.value(field), stored);
    QCOMPARE(pBtn->text(), text);
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GRAY);
    QCOMPARE(prompter.m_bLastKeypadSign, sign);
    QCOMPARE(mw.m_lstLog.size(), rangeMessage ? 1 : 0);
    if (rangeMessage)
        QCOMPARE(mw.m_lstLog.first(), QStringLiteral("error: Value must be between\n0.0001 and 100000.0000"));
}

void TestDlgZProfiler::okAndCancel()
{
    CFakePrompter prompter;
    {
        dlgZProfiler dlg;
        dlg.ConfigSettings();
        prompter.m_lstKeypadEntries << QStringLiteral("5");
        QTest::mouseClick(dlg.findChild<QPushButton*>("Btn_XYStep"), Qt::LeftButton);
        QTest::mouseClick(dlg.findChild<QPushButton*>("Btn_Cancel"), Qt::LeftButton);
        QVERIFY(!dlg.m_bOk);
    }
    QCOMPARE(AppConfig::m_ZProfileInfo.m_fXYStep, 5.0); // Cancel undoes nothing
    dlgZProfiler dlg;
    dlg.ConfigSettings();
    QCOMPARE(dlg.findChild<QPushButton*>("Btn_XYStep")->text(), QStringLiteral("5.0000\nX-Y Step"));
    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>("Btn_Ok"), Qt::LeftButton);
    QVERIFY(dlg.m_bOk);
    QVERIFY(!dlg.isVisible());
}

QTEST_MAIN(TestDlgZProfiler)
#include "tst_dlgzprofiler.moc"
