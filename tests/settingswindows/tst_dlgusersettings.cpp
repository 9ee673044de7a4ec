// The user settings panel: its form, what it shows of the settings, the
// number buttons with their ranges, the switches that exclude each other,
// the feed copies, Move Home's refusals and the homing options.
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"
#include "settingswindows/dlgusersettings.h"

#include "core/AppConfig.h"

#include <QPushButton>
#include <QtTest>

namespace {
bool IsGreen(QWidget* pDlg, const char* pName) { return FindButton(*pDlg, pName)->styleSheet() == BTN_BKGND_GREEN; }
bool IsGray(QWidget* pDlg, const char* pName) { return FindButton(*pDlg, pName)->styleSheet() == BTN_BKGND_GRAY; }
bool IsBlue(QWidget* pDlg, const char* pName) { return FindButton(*pDlg, pName)->styleSheet() == BTN_BKGND_BLUE; }

// Stops a homing started by the panel and leaves the controller idle. The
// simulated machine has no home switch that closes, so a homing left alone
// ends in a motion timeout once its thread has had about a second of CPU: on
// a loaded machine that can happen before the stop, so whatever the stopped
// run queued for the log is discarded; its outcome is not what is tested.
bool StopHoming(CFakeMainWindow& mw)
{
    mw.m_AppCtrl.StopAll();
    const bool bEnded = WaitThreadEnd(mw.m_AppCtrl);
    TakeMessages(mw.m_AppCtrl);
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    AppConfig::m_bEmergencyStopON = false;
    return bEnded;
}
} // namespace

class TestDlgUserSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void form();
    void shownSettings();
    void numberButtons_data();
    void numberButtons();
    void userFeedFollowers();
    void exclusiveSwitches();
    void bothStoredOn();
    void useG01FeedForJog();
    void axisSelection();
    void feedCopies_data();
    void feedCopies();
    void feedCopyToGroup();
    void moveHomeRefusals_data();
    void moveHomeRefusals();
    void moveHomeStarts();
    void homingOptions();
    void logAndUnits();
};

void TestDlgUserSettings::init()
{
    AppConfig::m_bUseG01FeedForJog = false;
    AppConfig::m_bEnlManualToolChange = false;
    AppConfig::m_bEnlAutoToolChange = false;
    const double toolPos[AXIS_COUNT] = {-50, -50, 10, -50, 10};
    for (int i = 0; i < AXIS_COUNT; ++i)
        AppConfig::m_fAxisManualToolChngPos[i] = toolPos[i];
}

void TestDlgUserSettings::form()
{
    CDlgUserSettings dlg;
    static const stFormRow kRows[] = {
        {"CDlgUserSettings", "QDialog", 0, 0, 900, 400, "Dialog"},
        {"Btn_MchUnits_XYZ", "QPushButton", 10, 10, 96, 40, "Units X, Y, Z\nmm"},
        {"Btn_MchUnits_AB", "QPushButton", 10, 60, 96, 40, "Units A, B\ndegree"},
        {"Btn_ZSafetyPosition", "QPushButton", 10, 110, 96, 40, "5.0000\nz Safe Pos"},
        {"Btn_AutoTurnOnSpindleCW", "QPushButton", 116, 10, 110, 40, "Spindle(CW)\nAuto Turn ON"},
        {"Btn_AutoTurnOnSpindleCCW", "QPushButton", 116, 60, 110, 40, "Spindle(CCW)\nAuto Turn ON"},
        {"Btn_AutoTurnOffSpindle", "QPushButton", 116, 110, 110, 40, "Spindle\nAuto Turn Off"},
        {"Btn_EnlManualToolChange", "QPushButton", 236, 10, 110, 40, "Manual(M06)\nTool Change"},
        {"Btn_EnlAutoToolChange", "QPushButton", 236, 60, 110, 40, "Auto(M06)\nTool Change"},
        {"Btn_LogClear", "QPushButton", 800, 10, 90, 40, "Clear Log"},
        {"Btn_LogSave", "QPushButton", 800, 60, 90, 40, "Save Log"},
        {"frame", "QFrame", 356, 5, 434, 100, nullptr},
        {"label", "QLabel", 5, 5, 424, 20, "Machine Home Control"},
        {"Btn_AutoHomeOnStartup", "QPushButton", 10, 35, 130, 50, "Home\nOn Startup"},
        {"Btn_HomeRepeatOffset", "QPushButton", 152, 35, 130, 50, "5.0000\nRepeat Offset"},
        {"Btn_AutoHomeSequence", "QPushButton", 294, 35, 130, 50, "Move\nHome"},
        {"frame_2", "QFrame", 356, 110, 534, 90, nullptr},
        {"label_10", "QLabel", 5, 5, 524, 20, "M06 Position (Manual)"},
        {"label_11", "QLabel", 10, 35, 20, 40, "X"},
        {"Btn_ToolChangePos_X", "QPushButton", 30, 35, 80, 40, "-25.0000"},
        {"label_12", "QLabel", 115, 35, 20, 40, "Y"},
        {"Btn_ToolChangePos_Y", "QPushButton", 135, 35, 80, 40, "-25.0000"},
        {"label_13", "QLabel", 220, 35, 20, 40, "Z"},
        {"Btn_ToolChangePos_Z", "QPushButton", 240, 35, 80, 40, "10.0000"},
        {"label_14", "QLabel", 325, 35, 20, 40, "A"},
        {"Btn_ToolChangePos_A", "QPushButton", 345, 35, 80, 40, "10.0000"},
        {"label_15", "QLabel", 430, 35, 20, 40, "B"},
        {"Btn_ToolChangePos_B", "QPushButton", 450, 35, 80, 40, "10.0000"},
        {"groupBox", "QGroupBox", 10, 215, 880, 150, ""},
        {"Btn_AxisSel_X", "QPushButton", 10, 25, 80, 40, "X"},
        {"Btn_AxisSel_Y", "QPushButton", 100, 25, 80, 40, "Y"},
        {"Btn_AxisSel_Z", "QPushButton", 190, 25, 80, 40, "Z"},
        {"Btn_AxisSel_A", "QPushButton", 280, 25, 80, 40, "A"},
        {"Btn_AxisSel_B", "QPushButton", 370, 25, 80, 40, "B"},
        {"Btn_SameMotorSettings", "QPushButton", 480, 25, 90, 40, "Same for\nX, Y, Z"},
        {"Btn_SameMotorSettings_AB", "QPushButton", 580, 25, 90, 40, "Same for\nA, B"},
        {"label_4", "QLabel", 10, 90, 80, 40, "(G01)Axis\nFeed"},
        {"Btn_AxisUserFeed", "QPushButton", 90, 90, 80, 40, "5.0000"},
        {"label_6", "QLabel", 190, 90, 70, 40, "Jog\nFeed"},
        {"Btn_AxisJogFeed", "QPushButton", 260, 90, 80, 40, "5.0000"},
        {"label_5", "QLabel", 360, 90, 70, 40, "Homing\nFeed"},
        {"Btn_AxisAutoHmFeed", "QPushButton", 430, 90, 80, 40, "5.0000"},
        {"Btn_UseG01Feed", "QPushButton", 580, 90, 90, 40, "Use G01\nFeed"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    // Created disabled: the homing options, A and B, their copy, the tool-change
    // positions and the home feed.
    for (const char* pName : {"Btn_AutoHomeOnStartup", "Btn_HomeRepeatOffset", "Btn_AutoHomeSequence", "Btn_AxisSel_A",
                              "Btn_AxisSel_B", "Btn_SameMotorSettings_AB", "Btn_AxisAutoHmFeed", "Btn_ToolChangePos_X",
                              "Btn_ToolChangePos_Y", "Btn_ToolChangePos_Z", "Btn_ToolChangePos_A", "Btn_ToolChangePos_B"})
        QVERIFY2(!FindButton(dlg, pName)->isEnabled(), pName);
    QVERIFY(IsBlue(&dlg, "Btn_AxisSel_X"));
    QCOMPARE(FindButton(dlg, "Btn_AutoHomeSequence")->iconSize(), QSize(34, 34));
    QVERIFY(!FindButton(dlg, "Btn_AutoHomeSequence")->icon().isNull());
    QCOMPARE(dlg.styleSheet(), QStringLiteral("background-color: rgb(85, 85, 85);"));
}

void TestDlgUserSettings::shownSettings()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_iMchType = 5;
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_bAutoHmOnStartup = true;
    AppConfig::m_fHomeRepeatOffset = 2.5;
    AppConfig::m_fZSafePos = -3.25;
    AppConfig::m_bEnlManualToolChange = true;
    AppConfig::m_bAutoSpindleOnCCW = true;
    AppConfig::m_bAutoSpindleOff = true;
    AppConfig::m_bUseG01FeedForJog = true;
    AppConfig::m_fUserAxisFeed[X_AXIS] = 12.5;
    AppConfig::m_fAxisJogFeed[X_AXIS] = 7;
    AppConfig::m_fAxisHomeFeed[X_AXIS] = 3;
    AppConfig::m_fAxisManualToolChngPos[B_AXIS] = 12.34567;

    CDlgUserSettings dlg(&mw);
    dlg.m_iSelAxis = Z_AXIS;
    dlg.ConfigSettings();
    QCOMPARE(dlg.m_iSelAxis, int(X_AXIS));
    QCOMPARE(FindButton(dlg, "Btn_AxisUserFeed")->text(), QStringLiteral("12.5000"));
    QCOMPARE(FindButton(dlg, "Btn_AxisJogFeed")->text(), QStringLiteral("12.5000")); // jogs at the G01 feed
    QVERIFY(!FindButton(dlg, "Btn_AxisJogFeed")->isEnabled());
    QCOMPARE(FindButton(dlg, "Btn_AxisAutoHmFeed")->text(), QStringLiteral("3.0000"));
    QCOMPARE(FindButton(dlg, "Btn_ToolChangePos_X")->text(), QStringLiteral("-50.0000"));
    QCOMPARE(FindButton(dlg, "Btn_ToolChangePos_B")->text(), QStringLiteral("12.3457"));
    QCOMPARE(FindButton(dlg, "Btn_HomeRepeatOffset")->text(), QStringLiteral("2.5000\nRepeat Offset"));
    QCOMPARE(FindButton(dlg, "Btn_ZSafetyPosition")->text(), QStringLiteral("-3.2500\nz Safe Pos"));
    for (const char* pName : {"Btn_UseG01Feed", "Btn_AutoHomeOnStartup", "Btn_EnlManualToolChange",
                              "Btn_AutoTurnOnSpindleCCW", "Btn_AutoTurnOffSpindle"})
        QVERIFY2(IsGreen(&dlg, pName), pName);
    for (const char* pName : {"Btn_AxisSel_A", "Btn_AxisSel_B", "Btn_SameMotorSettings_AB", "Btn_ToolChangePos_A",
                              "Btn_ToolChangePos_B", "Btn_AxisAutoHmFeed", "Btn_AutoHomeOnStartup",
                              "Btn_HomeRepeatOffset", "Btn_AutoHomeSequence"})
        QVERIFY2(FindButton(dlg, pName)->isEnabled(), pName);
    QVERIFY(!FindButton(dlg, "Btn_AutoTurnOnSpindleCW")->isEnabled());
    QVERIFY(!FindButton(dlg, "Btn_EnlAutoToolChange")->isEnabled());
    QVERIFY(IsBlue(&dlg, "Btn_AxisSel_X"));
    QVERIFY(IsGray(&dlg, "Btn_AxisSel_Z"));

    // A stored automatic tool change shows at start-up, with manual locked out.
    AppConfig::m_bEnlManualToolChange = false;
    AppConfig::m_bEnlAutoToolChange = true;
    AppConfig::m_iMchType = 3;
    CDlgUserSettings dlg3(&mw);
    dlg3.ConfigSettings();
    QVERIFY(IsGreen(&dlg3, "Btn_EnlAutoToolChange"));
    QVERIFY(!FindButton(dlg3, "Btn_EnlManualToolChange")->isEnabled());
    QVERIFY(!FindButton(dlg3, "Btn_ToolChangePos_X")->isEnabled());
    QVERIFY(!FindButton(dlg3, "Btn_AxisSel_A")->isEnabled());
    QCOMPARE(FindButton(dlg3, "Btn_ToolChangePos_A")->text(), QStringLiteral("10.0000")); // a three-axis machine keeps the form's
}

// Each number button: the keypad's title, its minus key, the range it
// clamps to (logged), the setting written and the button's text.
void TestDlgUserSettings::numberButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("axis"); // selected axis
    QTest::addColumn<bool>("homeSensors");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("sign");
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("log");

    const QString none;
    const QString cancel = CFakePrompter::KeypadCancel;
    QTest::newRow("safe Z, no home switches") << "Btn_ZSafetyPosition" << 0 << false << "12" << "z Safe Pos" << false
                                              << "ZSafe" << 12.0 << "12.0000\nz Safe Pos" << none;
    QTest::newRow("safe Z above 100") << "Btn_ZSafetyPosition" << 0 << false << "150" << "z Safe Pos" << false << "ZSafe"
                                      << 100.0 << "100.0000\nz Safe Pos"
                                      << "error: Value must be between\n0.0000 and 100.0000";
    QTest::newRow("safe Z between the Z limits") << "Btn_ZSafetyPosition" << 0 << true << "-15.5" << "z Safe Pos(mm)"
                                                 << true << "ZSafe" << -15.5 << "-15.5000\nz Safe Pos" << none;
    QTest::newRow("safe Z below the Z limit") << "Btn_ZSafetyPosition" << 0 << true << "-50" << "z Safe Pos(mm)" << true
                                              << "ZSafe" << -40.0 << "-40.0000\nz Safe Pos"
                                              << "error: Value must be between\n-40.0000 and 0.0000";
    QTest::newRow("repeat offset") << "Btn_HomeRepeatOffset" << 0 << true << "11" << "Home Repeat Offset(mm)" << false
                                   << "RepeatOffset" << 10.0 << "10.0000\nRepeat Offset"
                                   << "error: Value must be between\n0.0000 and 10.0000";
    QTest::newRow("tool change X from work zero 50") << "Btn_ToolChangePos_X" << 0 << true << "-60"
                                                     << "X Tool Change Position(mm)" << true << "ToolX" << -50.0
                                                     << "-50.0000" << "error: Value must be between\n-50.0000 and 130.0000";
    QTest::newRow("tool change Z, no home switches") << "Btn_ToolChangePos_Z" << 0 << false << "-9999"
                                                     << "Z Tool Change Position(mm)" << true << "ToolZ" << -9999.0
                                                     << "-9999.0000" << none;
    QTest::newRow("tool change B") << "Btn_ToolChangePos_B" << 0 << false << "20000" << "B Tool Change Position(mm)"
                                   << true << "ToolB" << 10000.0 << "10000.0000"
                                   << "error: Value must be between\n-10000.0000 and 10000.0000";
    QTest::newRow("user feed of Y") << "Btn_AxisUserFeed" << 1 << false << "18" << "Axis Feed(mm/sec)" << false
                                    << "UserY" << 18.0 << "18.0000" << none;
    QTest::newRow("user feed above two thirds of the maximum") << "Btn_AxisUserFeed" << 0 << false << "25"
                                                               << "Axis Feed(mm/sec)" << false << "UserX" << 20.0
                                                               << "20.0000"
                                                               << "error: Value must be between\n0.0010 and 20.0000";
    QTest::newRow("jog feed below one step") << "Btn_AxisJogFeed" << 2 << false << "0" << "Axis Jog Feed(mm/sec)"
                                             << false << "JogZ" << 0.001 << "0.0010"
                                             << "error: Value must be between\n0.0010 and 20.0000";
    QTest::newRow("home feed") << "Btn_AxisAutoHmFeed" << 0 << true << "4.25" << "Axis Home Feed(mm/sec)" << false
                               << "HomeX" << 4.25 << "4.2500" << none;
    // Cancel still stores: the value shown, clamped to the range.
    QTest::newRow("cancel stores the value shown") << "Btn_AxisJogFeed" << 0 << false << cancel
                                                   << "Axis Jog Feed(mm/sec)" << false << "JogX" << 10.0 << "10.0000"
                                                   << none;
    QTest::newRow("cancel clamps the value shown") << "Btn_ZSafetyPosition" << 0 << true << cancel << "z Safe Pos(mm)"
                                                   << true << "ZSafe" << 0.0 << "0.0000\nz Safe Pos"
                                                   << "error: Value must be between\n-40.0000 and 0.0000";
}

void TestDlgUserSettings::numberButtons()
{
    QFETCH(QString, button);
    QFETCH(int, axis);
    QFETCH(bool, homeSensors);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(bool, sign);
    QFETCH(QString, field);
    QFETCH(double, stored);
    QFETCH(QString, text);
    QFETCH(QString, log);

    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bHomeSensorsUsed = homeSensors;
    AppConfig::m_fAxisWorkZero[X_AXIS] = 50; // X limits 0 and 180
    AppConfig::m_bEnlManualToolChange = true;
    AppConfig::m_iMchType = 5;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    dlg.m_iSelAxis = axis;
    prompter.m_lstKeypadEntries << typed;
    ClickButton(dlg, qPrintable(button));

    const QMap<QString, double*> fields = {
        {"ZSafe", &AppConfig::m_fZSafePos},
        {"RepeatOffset", &AppConfig::m_fHomeRepeatOffset},
        {"ToolX", &AppConfig::m_fAxisManualToolChngPos[X_AXIS]},
        {"ToolZ", &AppConfig::m_fAxisManualToolChngPos[Z_AXIS]},
        {"ToolB", &AppConfig::m_fAxisManualToolChngPos[B_AXIS]},
        {"UserX", &AppConfig::m_fUserAxisFeed[X_AXIS]},
        {"UserY", &AppConfig::m_fUserAxisFeed[Y_AXIS]},
        {"JogX", &AppConfig::m_fAxisJogFeed[X_AXIS]},
        {"JogZ", &AppConfig::m_fAxisJogFeed[Z_AXIS]},
        {"HomeX", &AppConfig::m_fAxisHomeFeed[X_AXIS]},
    };
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, title);
    QCOMPARE(prompter.m_bLastKeypadSign, sign);
    QVERIFY(prompter.m_bLastKeypadDecimal);
    QVERIFY(qAbs(*fields.value(field) - stored) < 1e-9);
    QCOMPARE(FindButton(dlg, qPrintable(button))->text(), text);
    QVERIFY(IsGray(&dlg, qPrintable(button)));
    QCOMPARE(mw.m_lstLog, log.isNull() ? QStringList() : QStringList{log});
}

// A new user feed: the effective feed, the jog feed when jogging uses the G01
// feed, the axis's ramp at once, and the plunge feed never above the Z feed.
void TestDlgUserSettings::userFeedFollowers()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_fAxisFeedPercent[Z_AXIS] = 0.5;
    AppConfig::m_bUseG01FeedForJog = true;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    ClickButton(dlg, "Btn_AxisSel_Z");

    AxisCtrl& axis = mw.m_AppCtrl.m_AxisCtrl[Z_AXIS];
    axis.m_bRecordVelProfile = true;
    prompter.m_lstKeypadEntries << "8";
    ClickButton(dlg, "Btn_AxisUserFeed");
    axis.m_bRecordVelProfile = false;
    QCOMPARE(AppConfig::m_fUserAxisFeed[Z_AXIS], 8.0);
    QCOMPARE(AppConfig::m_fAxisFeed[Z_AXIS], 4.0);
    QCOMPARE(AppConfig::m_fAxisJogFeed[Z_AXIS], 8.0);
    QCOMPARE(FindButton(dlg, "Btn_AxisJogFeed")->text(), QStringLiteral("8.0000"));
    QCOMPARE(AppConfig::m_fPlungeFeed, 8.0); // lowered from 10
    // The ramp was rebuilt for the effective feed: 4 mm/s at 0.001 mm per step.
    QVERIFY(!axis.m_lstVelProfile.isEmpty());
    QVERIFY(qAbs(axis.m_lstVelProfile.last() - 4000.0) < 200.0);

    prompter.m_lstKeypadEntries << "12";
    ClickButton(dlg, "Btn_AxisUserFeed");
    QCOMPARE(AppConfig::m_fPlungeFeed, 8.0); // never raised here

    // Another axis's feed leaves the plunge feed alone; the jog feed follows
    // only while jogging uses the G01 feed.
    AppConfig::m_bUseG01FeedForJog = false;
    ClickButton(dlg, "Btn_AxisSel_X");
    prompter.m_lstKeypadEntries << "2";
    ClickButton(dlg, "Btn_AxisUserFeed");
    QCOMPARE(AppConfig::m_fPlungeFeed, 8.0);
    QCOMPARE(AppConfig::m_fAxisJogFeed[X_AXIS], 10.0);
    QCOMPARE(AppConfig::m_fAxisFeed[X_AXIS], 2.0);
    QVERIFY(mw.m_lstLog.isEmpty());

    // An axis that refuses the new ramp keeps its old one, and says so; a
    // copy to the group reports each axis that refuses.
    AppConfig::m_fAxisAcc[X_AXIS] = 0;
    prompter.m_lstKeypadEntries << "3";
    ClickButton(dlg, "Btn_AxisUserFeed");
    QCOMPARE(mw.m_lstLog, QStringList{"error: X-Axis: Acceleration value must be greater than zero"});
    mw.m_lstLog.clear();
    ClickButton(dlg, "Btn_AxisSel_Y");
    ClickButton(dlg, "Btn_SameMotorSettings");
    QCOMPARE(mw.m_lstLog, QStringList{"error: X-Axis: Acceleration value must be greater than zero"});
}

void TestDlgUserSettings::exclusiveSwitches()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();

    // Automatic spindle on: clockwise or counter-clockwise, never both; off
    // is independent.
    ClickButton(dlg, "Btn_AutoTurnOnSpindleCW");
    QVERIFY(AppConfig::m_bAutoSpindleOnCW);
    QVERIFY(IsGreen(&dlg, "Btn_AutoTurnOnSpindleCW"));
    QVERIFY(!FindButton(dlg, "Btn_AutoTurnOnSpindleCCW")->isEnabled());
    ClickButton(dlg, "Btn_AutoTurnOffSpindle");
    QVERIFY(AppConfig::m_bAutoSpindleOff);
    QVERIFY(!FindButton(dlg, "Btn_AutoTurnOnSpindleCCW")->isEnabled());
    ClickButton(dlg, "Btn_AutoTurnOnSpindleCW");
    QVERIFY(!AppConfig::m_bAutoSpindleOnCW);
    QVERIFY(IsGray(&dlg, "Btn_AutoTurnOnSpindleCW"));
    QVERIFY(FindButton(dlg, "Btn_AutoTurnOnSpindleCCW")->isEnabled());
    ClickButton(dlg, "Btn_AutoTurnOnSpindleCCW");
    QVERIFY(AppConfig::m_bAutoSpindleOnCCW);
    QVERIFY(!FindButton(dlg, "Btn_AutoTurnOnSpindleCW")->isEnabled());

    // Manual and automatic tool change exclude each other; on a three-axis
    // machine A and B positions stay off.
    ClickButton(dlg, "Btn_EnlManualToolChange");
    QVERIFY(AppConfig::m_bEnlManualToolChange);
    QVERIFY(!FindButton(dlg, "Btn_EnlAutoToolChange")->isEnabled());
    for (const char* pName : {"Btn_ToolChangePos_X", "Btn_ToolChangePos_Y", "Btn_ToolChangePos_Z"})
        QVERIFY2(FindButton(dlg, pName)->isEnabled(), pName);
    for (const char* pName : {"Btn_ToolChangePos_A", "Btn_ToolChangePos_B"})
        QVERIFY2(!FindButton(dlg, pName)->isEnabled(), pName);
    ClickButton(dlg, "Btn_EnlManualToolChange");
    QVERIFY(!AppConfig::m_bEnlManualToolChange);
    QVERIFY(FindButton(dlg, "Btn_EnlAutoToolChange")->isEnabled());
    for (const char* pName : {"Btn_ToolChangePos_X", "Btn_ToolChangePos_Y", "Btn_ToolChangePos_Z"})
        QVERIFY2(!FindButton(dlg, pName)->isEnabled(), pName);
    ClickButton(dlg, "Btn_EnlAutoToolChange");
    QVERIFY(AppConfig::m_bEnlAutoToolChange);
    QVERIFY(IsGreen(&dlg, "Btn_EnlAutoToolChange"));
    QVERIFY(!FindButton(dlg, "Btn_EnlManualToolChange")->isEnabled());
    ClickButton(dlg, "Btn_EnlAutoToolChange");
    QVERIFY(FindButton(dlg, "Btn_EnlManualToolChange")->isEnabled());

    // Five axes: manual tool change opens all five positions.
    AppConfig::m_iMchType = 5;
    ClickButton(dlg, "Btn_EnlManualToolChange");
    QVERIFY(FindButton(dlg, "Btn_ToolChangePos_B")->isEnabled());

    ClickButton(dlg, "Btn_AutoHomeOnStartup"); // disabled without home switches
    QVERIFY(!AppConfig::m_bAutoHmOnStartup);
    dlg.UpdateAutoHomingOptions(true);
    ClickButton(dlg, "Btn_AutoHomeOnStartup");
    QVERIFY(AppConfig::m_bAutoHmOnStartup);
    QVERIFY(IsGreen(&dlg, "Btn_AutoHomeOnStartup"));
    ClickButton(dlg, "Btn_AutoHomeOnStartup");
    QVERIFY(!AppConfig::m_bAutoHmOnStartup);
    QVERIFY(IsGray(&dlg, "Btn_AutoHomeOnStartup"));
}

// Switching jogging at the G01 feed, on or off, makes the jog feeds of the
// axes in use equal the user feeds: earlier jog feeds do not come back.
// A settings file that brought both spindle directions, or both tool-change
// modes, on: each switch can still be turned off, and then the exclusion
// holds again.
void TestDlgUserSettings::bothStoredOn()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bAutoSpindleOnCW = true;
    AppConfig::m_bAutoSpindleOnCCW = true;
    AppConfig::m_bEnlManualToolChange = true;
    AppConfig::m_bEnlAutoToolChange = true;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    for (const char* pName : {"Btn_AutoTurnOnSpindleCW", "Btn_AutoTurnOnSpindleCCW", "Btn_EnlManualToolChange",
                              "Btn_EnlAutoToolChange"})
        QVERIFY2(FindButton(dlg, pName)->isEnabled(), pName);

    ClickButton(dlg, "Btn_AutoTurnOnSpindleCW");
    QVERIFY(!AppConfig::m_bAutoSpindleOnCW);
    QVERIFY(AppConfig::m_bAutoSpindleOnCCW);
    QVERIFY(!FindButton(dlg, "Btn_AutoTurnOnSpindleCW")->isEnabled());
    ClickButton(dlg, "Btn_EnlAutoToolChange");
    QVERIFY(!AppConfig::m_bEnlAutoToolChange);
    QVERIFY(AppConfig::m_bEnlManualToolChange);
    QVERIFY(!FindButton(dlg, "Btn_EnlAutoToolChange")->isEnabled());
    QVERIFY(FindButton(dlg, "Btn_ToolChangePos_X")->isEnabled());
}

void TestDlgUserSettings::useG01FeedForJog()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    const double user[AXIS_COUNT] = {11, 12, 13, 14, 16};
    for (int i = 0; i < AXIS_COUNT; ++i)
        AppConfig::m_fUserAxisFeed[i] = user[i];
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    ClickButton(dlg, "Btn_AxisSel_Y");

    ClickButton(dlg, "Btn_UseG01Feed");
    QVERIFY(AppConfig::m_bUseG01FeedForJog);
    QVERIFY(IsGreen(&dlg, "Btn_UseG01Feed"));
    QVERIFY(!FindButton(dlg, "Btn_AxisJogFeed")->isEnabled());
    QCOMPARE(FindButton(dlg, "Btn_AxisJogFeed")->text(), QStringLiteral("12.0000"));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(AppConfig::m_fAxisJogFeed[i], user[i]);
    QCOMPARE(AppConfig::m_fAxisJogFeed[A_AXIS], 10.0); // not in use on three axes

    AppConfig::m_fUserAxisFeed[Y_AXIS] = 9;
    ClickButton(dlg, "Btn_UseG01Feed");
    QVERIFY(!AppConfig::m_bUseG01FeedForJog);
    QVERIFY(IsGray(&dlg, "Btn_UseG01Feed"));
    QVERIFY(FindButton(dlg, "Btn_AxisJogFeed")->isEnabled());
    QCOMPARE(AppConfig::m_fAxisJogFeed[Y_AXIS], 9.0);
    QCOMPARE(FindButton(dlg, "Btn_AxisJogFeed")->text(), QStringLiteral("12.0000")); // the text stays
}

void TestDlgUserSettings::axisSelection()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_iMchType = 5;
    AppConfig::m_fUserAxisFeed[A_AXIS] = 6;
    AppConfig::m_fAxisJogFeed[A_AXIS] = 5;
    AppConfig::m_fAxisHomeFeed[A_AXIS] = 4;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    ClickButton(dlg, "Btn_AxisSel_A");
    QCOMPARE(dlg.m_iSelAxis, int(A_AXIS));
    QCOMPARE(FindButton(dlg, "Btn_AxisUserFeed")->text(), QStringLiteral("6.0000"));
    QCOMPARE(FindButton(dlg, "Btn_AxisJogFeed")->text(), QStringLiteral("5.0000"));
    QCOMPARE(FindButton(dlg, "Btn_AxisAutoHmFeed")->text(), QStringLiteral("4.0000"));
    QVERIFY(IsBlue(&dlg, "Btn_AxisSel_A"));
    for (const char* pName : {"Btn_AxisSel_X", "Btn_AxisSel_Y", "Btn_AxisSel_Z", "Btn_AxisSel_B"})
        QVERIFY2(IsGray(&dlg, pName), pName);

    // Selecting again after the machine settings changed the feeds: X again.
    dlg.ConfigSettings();
    QCOMPARE(dlg.m_iSelAxis, int(X_AXIS));
    QVERIFY(IsBlue(&dlg, "Btn_AxisSel_X"));
    QVERIFY(IsGray(&dlg, "Btn_AxisSel_A"));
}

// Refused copies change nothing and say why.
void TestDlgUserSettings::feedCopies_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("axis");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("log");

    QTest::newRow("X, Y, Z copy with A selected") << "Btn_SameMotorSettings" << 3 << false
                                                  << "error: Please select X/Y/Z to Copy";
    QTest::newRow("A, B copy with Y selected") << "Btn_SameMotorSettings_AB" << 1 << false
                                               << "error: Please select A/B to Copy";
    QTest::newRow("machine in use") << "Btn_SameMotorSettings" << 0 << true << "error: Machine in use";
    QTest::newRow("group checked before the machine") << "Btn_SameMotorSettings_AB" << 0 << true
                                                      << "error: Please select A/B to Copy";
}

void TestDlgUserSettings::feedCopies()
{
    QFETCH(QString, button);
    QFETCH(int, axis);
    QFETCH(bool, busy);
    QFETCH(QString, log);

    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_iMchType = 5;
    AppConfig::m_fUserAxisFeed[axis] = 3;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    dlg.m_iSelAxis = axis;
    if (busy)
        mw.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    ClickButton(dlg, qPrintable(button));
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;

    QCOMPARE(mw.m_lstLog, QStringList{log});
    for (int i = 0; i < AXIS_COUNT; ++i)
        QCOMPARE(AppConfig::m_fUserAxisFeed[i], i == axis ? 3.0 : 15.0);
    QCOMPARE(AppConfig::m_fPlungeFeed, 10.0);
    QVERIFY(IsGreen(&dlg, qPrintable(button)));
    QTRY_VERIFY(IsGray(&dlg, qPrintable(button)));
}

void TestDlgUserSettings::feedCopyToGroup()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_iMchType = 5;
    AppConfig::m_fAxisFeedPercent[X_AXIS] = 0.5;
    AppConfig::m_fUserAxisFeed[Y_AXIS] = 6;
    AppConfig::m_fAxisJogFeed[Y_AXIS] = 5;
    AppConfig::m_fAxisHomeFeed[Y_AXIS] = 4;
    AppConfig::m_fUserAxisFeed[B_AXIS] = 20;
    AppConfig::m_fAxisJogFeed[B_AXIS] = 19;
    AppConfig::m_fAxisHomeFeed[B_AXIS] = 18;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();

    ClickButton(dlg, "Btn_AxisSel_Y");
    AxisCtrl& axisZ = mw.m_AppCtrl.m_AxisCtrl[Z_AXIS];
    axisZ.m_bRecordVelProfile = true;
    ClickButton(dlg, "Btn_SameMotorSettings");
    axisZ.m_bRecordVelProfile = false;
    QVERIFY(mw.m_lstLog.isEmpty());
    for (int i : {X_AXIS, Y_AXIS, Z_AXIS}) {
        QCOMPARE(AppConfig::m_fUserAxisFeed[i], 6.0);
        QCOMPARE(AppConfig::m_fAxisJogFeed[i], 5.0);
        QCOMPARE(AppConfig::m_fAxisHomeFeed[i], 4.0);
    }
    QCOMPARE(AppConfig::m_fAxisFeed[Z_AXIS], 3.0); // Y's user feed at X's override
    QVERIFY(qAbs(axisZ.m_lstVelProfile.last() - 3000.0) < 200.0);
    QCOMPARE(AppConfig::m_fPlungeFeed, 6.0); // the Z feed went below it
    QCOMPARE(AppConfig::m_fUserAxisFeed[A_AXIS], 15.0);
    QCOMPARE(FindButton(dlg, "Btn_AxisUserFeed")->text(), QStringLiteral("6.0000"));
    QCOMPARE(FindButton(dlg, "Btn_AxisJogFeed")->text(), QStringLiteral("5.0000"));
    QCOMPARE(FindButton(dlg, "Btn_AxisAutoHmFeed")->text(), QStringLiteral("4.0000"));
    QTRY_VERIFY(IsGray(&dlg, "Btn_SameMotorSettings"));

    // A, B: the plunge feed is an X, Y, Z matter.
    AppConfig::m_fPlungeFeed = 10;
    ClickButton(dlg, "Btn_AxisSel_B");
    ClickButton(dlg, "Btn_SameMotorSettings_AB");
    QCOMPARE(AppConfig::m_fUserAxisFeed[A_AXIS], 20.0);
    QCOMPARE(AppConfig::m_fAxisJogFeed[A_AXIS], 19.0);
    QCOMPARE(AppConfig::m_fAxisHomeFeed[A_AXIS], 18.0);
    QCOMPARE(AppConfig::m_fUserAxisFeed[Y_AXIS], 6.0);
    QCOMPARE(AppConfig::m_fPlungeFeed, 10.0);
}

// Move Home refuses in this order: home inputs, emergency stop, machine in
// use, then the operator's answer. Each refusal greys the button again.
void TestDlgUserSettings::moveHomeRefusals_data()
{
    QTest::addColumn<int>("missingInput"); // axis without a home input, or -1
    QTest::addColumn<bool>("eStop");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("questions");

    const int no = QMessageBox::No;
    QTest::newRow("B has no home input") << int(B_AXIS) << true << true << no
                                         << QStringList{"error: Homing Sensor not Enabled for all Axis"} << 0;
    QTest::newRow("emergency stop") << -1 << true << true << no << QStringList{"error: Release Emergency Switch"} << 0;
    QTest::newRow("machine in use") << -1 << false << true << no << QStringList{"error: Machine in use"} << 0;
    QTest::newRow("operator says no") << -1 << false << false << no << QStringList() << 1;
}

void TestDlgUserSettings::moveHomeRefusals()
{
    QFETCH(int, missingInput);
    QFETCH(bool, eStop);
    QFETCH(bool, busy);
    QFETCH(int, answer);
    QFETCH(QStringList, log);
    QFETCH(int, questions);

    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bHomeSensorsUsed = true;
    if (missingInput >= 0)
        AppConfig::m_iAxisMchHomeSensorInput[missingInput] = -1;
    AppConfig::m_bEmergencyStopON = eStop;
    if (busy)
        mw.m_AppCtrl.m_iRunMode = AppControl::RUN_SHAPES;
    prompter.m_lstAnswers << QMessageBox::StandardButton(answer);
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    ClickButton(dlg, "Btn_AutoHomeSequence");
    const int runMode = mw.m_AppCtrl.m_iRunMode;
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    AppConfig::m_bEmergencyStopON = false;

    QCOMPARE(mw.m_lstLog, log);
    QCOMPARE(prompter.Texts("Question").size(), questions);
    QCOMPARE(runMode, busy ? int(AppControl::RUN_SHAPES) : int(AppControl::RUN_IDLE));
    QVERIFY(!mw.m_AppCtrl.isRunning());
    QTRY_VERIFY(IsGray(&dlg, "Btn_AutoHomeSequence"));
}

void TestDlgUserSettings::moveHomeStarts()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bHomeSensorsUsed = true;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();

    // From the button: asked first; Yes starts homing, the button stays green
    // until the operation's end resets it.
    prompter.m_lstAnswers << QMessageBox::Yes;
    ClickButton(dlg, "Btn_AutoHomeSequence");
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QStringLiteral("Information"));
    QCOMPARE(prompter.m_lstPrompts[0].m_eIcon, QMessageBox::Information);
    QCOMPARE(prompter.m_lstPrompts[0].m_strText,
             QStringLiteral("Start Auto Homing?\nCurrent machine home position will be cleared"));
    QCOMPARE(int(mw.m_AppCtrl.m_iRunMode), int(AppControl::RUN_MCH_HOMING));
    QTest::qWait(200);
    QVERIFY(IsGreen(&dlg, "Btn_AutoHomeSequence"));
    QVERIFY(StopHoming(mw));
    dlg.ResetUI();
    QVERIFY(IsGray(&dlg, "Btn_AutoHomeSequence"));

    // The pendant's long press of "0" calls it directly: no question.
    mw.m_lstLog.clear();
    mw.m_iPendingKey = Qt::Key_0;
    dlg.on_Btn_AutoHomeSequence_clicked();
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(int(mw.m_AppCtrl.m_iRunMode), int(AppControl::RUN_MCH_HOMING));
    QVERIFY(StopHoming(mw));

    // The pendant can ask while the machine has no home switches (button
    // disabled): the controller refuses and the button does not stay green.
    AppConfig::m_bHomeSensorsUsed = false;
    dlg.on_Btn_AutoHomeSequence_clicked();
    mw.PollMessages();
    QCOMPARE(mw.m_lstLog, QStringList{"error: Homing Sensor not Enabled for all Axis"});
    QCOMPARE(int(mw.m_AppCtrl.m_iRunMode), int(AppControl::RUN_IDLE));
    QTRY_VERIFY(IsGray(&dlg, "Btn_AutoHomeSequence"));
}

// Home switches taken away: the homing options go off, and homing on
// start-up is switched off with them so the next start does not home.
void TestDlgUserSettings::homingOptions()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_bAutoHmOnStartup = true;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    QVERIFY(IsGreen(&dlg, "Btn_AutoHomeOnStartup"));

    dlg.UpdateAutoHomingOptions(false);
    QVERIFY(!AppConfig::m_bAutoHmOnStartup);
    QVERIFY(IsGray(&dlg, "Btn_AutoHomeOnStartup"));
    for (const char* pName : {"Btn_AxisAutoHmFeed", "Btn_AutoHomeOnStartup", "Btn_HomeRepeatOffset",
                              "Btn_AutoHomeSequence"})
        QVERIFY2(!FindButton(dlg, pName)->isEnabled(), pName);

    dlg.UpdateAutoHomingOptions(true);
    QVERIFY(!AppConfig::m_bAutoHmOnStartup);
    for (const char* pName : {"Btn_AxisAutoHmFeed", "Btn_AutoHomeOnStartup", "Btn_HomeRepeatOffset",
                              "Btn_AutoHomeSequence"})
        QVERIFY2(FindButton(dlg, pName)->isEnabled(), pName);
}

void TestDlgUserSettings::logAndUnits()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgUserSettings dlg(&mw);
    dlg.ConfigSettings();
    const QString strUnitsLook = FindButton(dlg, "Btn_MchUnits_XYZ")->styleSheet();

    ClickButton(dlg, "Btn_MchUnits_XYZ");
    ClickButton(dlg, "Btn_MchUnits_XYZ"); // again while green: its own look still comes back
    QCOMPARE(mw.m_lstLog.first(), QStringLiteral("info: Except in G-Code,\nall input units must be in mm & sec"));
    QVERIFY(IsGreen(&dlg, "Btn_MchUnits_XYZ"));
    QTRY_COMPARE(FindButton(dlg, "Btn_MchUnits_XYZ")->styleSheet(), strUnitsLook);
    QTest::qWait(300); // both restores have run
    QCOMPARE(FindButton(dlg, "Btn_MchUnits_XYZ")->styleSheet(), strUnitsLook);
    ClickButton(dlg, "Btn_MchUnits_AB");
    ClickButton(dlg, "Btn_LogClear");
    ClickButton(dlg, "Btn_LogSave");
    QCOMPARE(mw.m_lstCalls, (QStringList{"ClearLog", "SaveLog"}));
    QVERIFY(mw.m_lstLog.isEmpty());
    QVERIFY(IsGray(&dlg, "Btn_LogSave"));
    QTRY_VERIFY(IsGray(&dlg, "Btn_LogClear"));
}

QTEST_MAIN(TestDlgUserSettings)
#include "tst_dlgusersettings.moc"
