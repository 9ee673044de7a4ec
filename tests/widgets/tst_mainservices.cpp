// The main-window services every dialog uses: the keypad with its range
// check and button looks, the emergency-stop check, and finding the services
// among a widget's parents.
#include "fakemainwindow.h"
#include "fakeprompter.h"

#include "core/AppConfig.h"

#include <QPushButton>
#include <QtTest>

class TestMainServices : public QObject
{
    Q_OBJECT
private slots:
    void keypadRange_data();
    void keypadRange();
    void keypadButtonLooks();
    void keypadShortForms();
    void emergencyStopCheck();
    void foundAmongParents();
};

void TestMainServices::keypadRange_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("result");
    QTest::addColumn<QString>("log");

    const QString noLog;
    const QString cancel = CFakePrompter::KeypadCancel;
    QTest::newRow("inside") << "5" << "7.5" << 1.0 << 10000.0 << 7.5 << noLog;
    QTest::newRow("below the minimum") << "5" << "0" << 1.0 << 10000.0 << 1.0
                                       << "error: Value must be between\n1.0000 and 10000.0000";
    QTest::newRow("above the maximum") << "5" << "20000" << 1.0 << 10000.0 << 10000.0
                                       << "error: Value must be between\n1.0000 and 10000.0000";
    QTest::newRow("equal to a bound") << "5" << "1" << 1.0 << 10000.0 << 1.0 << noLog;
    QTest::newRow("no range") << "5" << "-123456" << 0.0 << 0.0 << -123456.0 << noLog;
    QTest::newRow("range from zero is a range") << "5" << "-5" << 0.0 << 100.0 << 0.0
                                                << "error: Value must be between\n0.0000 and 100.0000";
    QTest::newRow("cancel keeps the start") << "5" << cancel << 1.0 << 10.0 << 5.0 << noLog;
    QTest::newRow("cancel still checks the start") << "50" << cancel << 1.0 << 10.0 << 10.0
                                                   << "error: Value must be between\n1.0000 and 10.0000";
    QTest::newRow("OK on an empty entry") << "5" << "" << 1.0 << 10.0 << 5.0 << noLog;
    QTest::newRow("not a number is refused") << "5" << "1.2.3" << 0.0 << 0.0 << 5.0 << "error: Not a number: 1.2.3";
}

void TestMainServices::keypadRange()
{
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, result);
    QFETCH(QString, log);

    CFakePrompter prompter;
    CFakeMainWindow mw;
    prompter.m_lstKeypadEntries << typed;
    QCOMPARE(mw.OpenKeypad(nullptr, QStringLiteral("Feed"), QString(), start, KeypadRange(min, max)), result);
    QCOMPARE(mw.m_lstLog, log.isNull() ? QStringList() : QStringList{log});
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QStringLiteral("Feed"));
    QCOMPARE(prompter.m_lstPrompts[0].m_strText, start);
}

void TestMainServices::keypadButtonLooks()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    QPushButton btn(&mw);
    prompter.m_lstKeypadEntries << QStringLiteral("12.345");
    QCOMPARE(mw.OpenKeypad(&btn, QStringLiteral("Length"), QStringLiteral("Length"), QStringLiteral("1"),
                           stFloatPoint(), true, 2),
             12.345);
    QCOMPARE(btn.text(), QStringLiteral("12.35\nLength"));
    QCOMPARE(btn.styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(prompter.m_bLastKeypadSign);
    QVERIFY(prompter.m_bLastKeypadDecimal);

    prompter.m_lstKeypadEntries << QStringLiteral("7");
    mw.OpenKeypad(&btn, QStringLiteral("Count"), QString(), QStringLiteral("1"), stFloatPoint(), false, 0);
    QCOMPARE(btn.text(), QStringLiteral("7"));
    QVERIFY(!prompter.m_bLastKeypadSign);
    QVERIFY(!prompter.m_bLastKeypadDecimal);
}

void TestMainServices::keypadShortForms()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    QPushButton btn(&mw);
    btn.setText(QStringLiteral("3"));
    btn.setStyleSheet(BTN_BKGND_BLUE);
    prompter.m_lstKeypadEntries << QStringLiteral("2.5");
    mw.OpenKeypad(&btn, QStringLiteral("Step"));
    QCOMPARE(prompter.m_lstPrompts.last().m_strText, QStringLiteral("3")); // opened on the button's text
    QCOMPARE(btn.text(), QStringLiteral("2.5000"));
    QCOMPARE(btn.styleSheet(), BTN_BKGND_BLUE); // the look is left alone

    prompter.m_lstKeypadEntries << QStringLiteral("7");
    mw.OpenKeypad(&btn, QStringLiteral("Step"), QStringLiteral("mm"), QStringLiteral("1"));
    QCOMPARE(btn.text(), QStringLiteral("7.0000\nmm"));

    // Cancelled, or not a number: the button keeps what it showed.
    prompter.m_lstKeypadEntries << CFakePrompter::KeypadCancel << QStringLiteral("1..2");
    mw.OpenKeypad(&btn, QStringLiteral("Step"), QStringLiteral("mm"), QStringLiteral("1"));
    mw.OpenKeypad(&btn, QStringLiteral("Step"), QStringLiteral("mm"), QStringLiteral("1"));
    QCOMPARE(btn.text(), QStringLiteral("7.0000\nmm"));
    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("error: Not a number: 1..2")});

    // The full form re-writes the start on the button after a cancel.
    prompter.m_lstKeypadEntries << CFakePrompter::KeypadCancel;
    QCOMPARE(mw.OpenKeypad(&btn, QStringLiteral("Feed"), QStringLiteral("Feed"), QStringLiteral("40"),
                           KeypadRange(1, 100), false, 1),
             40.0);
    QCOMPARE(btn.text(), QStringLiteral("40.0\nFeed"));
}

void TestMainServices::emergencyStopCheck()
{
    CFakeMainWindow mw;
    QVERIFY(!mw.IsEmergencyStopOn());
    QVERIFY(mw.m_lstLog.isEmpty());
    AppConfig::m_bEmergencyStopON = true;
    QVERIFY(mw.IsEmergencyStopOn());
    AppConfig::m_bEmergencyStopON = false;
    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("error: Release Emergency Switch")});
}

void TestMainServices::foundAmongParents()
{
    CFakeMainWindow mw;
    QWidget child(&mw);
    QPushButton grandChild(&child);
    QCOMPARE(CMainServices::Of(&grandChild), static_cast<CMainServices*>(&mw));
    QWidget alone;
    QCOMPARE(CMainServices::Of(&alone), nullptr);

    // The click feedback reaches the button later, on its own thread.
    grandChild.setStyleSheet(BTN_BKGND_GREEN);
    CMainServices::ResetBtnBkGnd(&grandChild, BTN_BKGND_GRAY);
    QCOMPARE(grandChild.styleSheet(), BTN_BKGND_GREEN);
    QTRY_COMPARE(grandChild.styleSheet(), BTN_BKGND_GRAY);
}

QTEST_MAIN(TestMainServices)
#include "tst_mainservices.moc"
