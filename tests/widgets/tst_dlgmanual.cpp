// The jog panel on the simulated machine: its form, a held button jogs its
// axes (steps on the pins) and the release stops them, two buttons held at
// once each stop their own axis, and the refusals (emergency stop, an axis
// still moving, an operation running; the tool-change pause allowed).
#include "fakemainwindow.h"
#include "formcheck.h"

#include "core/AppConfig.h"
#include "widgets/dlgmanual.h"

#include <QPushButton>
#include <QtTest>

class TestDlgManual : public QObject
{
    Q_OBJECT
private slots:
    void formMatchesTable();
    void rotaryButtonsFollowTheMachineType();
    void rotaryButtonsMoveNothingOnThreeAxes();
    void holdJogsAndReleaseStops_data();
    void holdJogsAndReleaseStops();
    void rotaryAxesOnFiveAxes();
    void twoButtonsAtOnce();
    void diagonalWithOneAxisMoving();
    void refusals();
    void toolChangePauseAllowsJogging();
};

namespace {
QPushButton* Btn(CDlgManual& dlg, const char* pName)
{
    return RequireButton(dlg, pName);
}

bool Moving(CFakeMainWindow& mw, eAxis axis)
{
    return mw.m_AppCtrl.m_AxisCtrl[axis].GetAxisState();
}

// Waits until the axis has stopped by itself (a deceleration ends).
bool StopsSoon(CFakeMainWindow& mw, eAxis axis)
{
    for (int i = 0; i < 500 && Moving(mw, axis); ++i)
        QTest::qWait(10);
    return !Moving(mw, axis);
}

void StopAll(CFakeMainWindow& mw)
{
    for (int a = 0; a < 3; ++a)
        mw.m_AppCtrl.Stop(static_cast<eAxis>(a));
}

// The simulated machine for held jogs. Without homing a jog runs to the end
// of a 10 m travel; on the virtual clock the axis thread gets there within
// about a second of real time, so on a loaded machine a jog could end by
// itself before the test lets go of the button. On paced pins it would take
// minutes. Count steps with CStepCounter(rig.m_Pins).
struct stJogRig
{
    CFakeMainWindow mw;
    CPacedPins m_Pins;
    // No axis pulses on the paced bank once it is gone, whatever a failed
    // check left running.
    ~stJogRig()
    {
        for (AxisCtrl& axis : mw.m_AppCtrl.m_AxisCtrl)
            axis.Stop();
    }
};
} // namespace

void TestDlgManual::formMatchesTable()
{
    static const stFormRow kRows[] = {
        {"CDlgManual", "QDialog", 0, 0, 370, 300, "Dialog"},
        {"LBL_XY", "QLabel", 10, 4, 180, 22, "X-Y"},
        {"LBL_Z", "QLabel", 230, 4, 60, 22, "Z"},
        {"LBL_A", "QLabel", 10, 212, 120, 20, "A"},
        {"LBL_B", "QLabel", 190, 212, 120, 20, "B"},
        {"Btn_JogNorthWest", "QPushButton", 10, 28, 60, 60, ""},
        {"Btn_JogNorth", "QPushButton", 70, 28, 60, 60, ""},
        {"Btn_JogNorthEast", "QPushButton", 130, 28, 60, 60, ""},
        {"Btn_JogWest", "QPushButton", 10, 88, 60, 60, ""},
        {"Btn_JogEast", "QPushButton", 130, 88, 60, 60, ""},
        {"Btn_JogSouthWest", "QPushButton", 10, 148, 60, 60, ""},
        {"Btn_JogSouth", "QPushButton", 70, 148, 60, 60, ""},
        {"Btn_JogSouthEast", "QPushButton", 130, 148, 60, 60, ""},
        {"Btn_JogZUp", "QPushButton", 230, 28, 60, 60, ""},
        {"Btn_JogZDown", "QPushButton", 230, 148, 60, 60, ""},
        {"Btn_JogCW_A", "QPushButton", 10, 232, 60, 60, "+"},
        {"Btn_JogACW_A", "QPushButton", 70, 232, 60, 60, "-"},
        {"Btn_JogCW_B", "QPushButton", 190, 232, 60, 60, "+"},
        {"Btn_JogACW_B", "QPushButton", 250, 232, 60, 60, "-"},
    };
    CDlgManual dlg;
    for (const stFormRow& row : kRows)
        QVERIFY2(FormMismatch(&dlg, row).isEmpty(), qPrintable(FormMismatch(&dlg, row)));
    QCOMPARE(dlg.styleSheet(), QStringLiteral("background-color: rgb(85, 85, 85);"));
    // Every compass and Z button shows its arrow.
    for (const char* pName : {"Btn_JogNorthWest", "Btn_JogNorth", "Btn_JogNorthEast", "Btn_JogWest", "Btn_JogEast",
                              "Btn_JogSouthWest", "Btn_JogSouth", "Btn_JogSouthEast", "Btn_JogZUp", "Btn_JogZDown"})
        QVERIFY2(!Btn(dlg, pName)->icon().pixmap(40, 40).isNull(), pName);
    for (const char* pName : {"Btn_JogCW_A", "Btn_JogACW_A", "Btn_JogCW_B", "Btn_JogACW_B"})
        QVERIFY2(!Btn(dlg, pName)->isEnabled(), pName);
}

void TestDlgManual::rotaryButtonsFollowTheMachineType()
{
    CSimControllerSetup setup;
    {
        AppConfig::m_iMchType = 3;
        CDlgManual dlg;
        dlg.ConfigSettings();
        QVERIFY(!Btn(dlg, "Btn_JogCW_A")->isEnabled());
        QVERIFY(!Btn(dlg, "Btn_JogACW_B")->isEnabled());
    }
    {
        AppConfig::m_iMchType = 5;
        CDlgManual dlg;
        dlg.ConfigSettings();
        for (const char* pName : {"Btn_JogCW_A", "Btn_JogACW_A", "Btn_JogCW_B", "Btn_JogACW_B"})
            QVERIFY2(Btn(dlg, pName)->isEnabled(), pName);
    }
}

void TestDlgManual::rotaryButtonsMoveNothingOnThreeAxes()
{
    // Switched back to three axes with the buttons still enabled: the A and
    // B buttons move nothing (their pins are M-code outputs now).
    stJogRig rig;
    AppConfig::m_iMchType = 5;
    QVERIFY(rig.mw.m_AppCtrl.InitMachine());
    CDlgManual dlg(&rig.mw);
    dlg.ConfigSettings();
    AppConfig::m_iMchType = 3;
    for (const char* pName : {"Btn_JogCW_A", "Btn_JogACW_B"}) {
        QTest::mousePress(Btn(dlg, pName), Qt::LeftButton);
        QVERIFY2(!dlg.m_bJogActive, pName);
        QVERIFY(!Moving(rig.mw, A_AXIS) && !Moving(rig.mw, B_AXIS));
        QTest::mouseRelease(Btn(dlg, pName), Qt::LeftButton);
    }
    QCOMPARE(rig.mw.m_lstLog, QStringList());
}

void TestDlgManual::holdJogsAndReleaseStops_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("dirX"); // expected sign of the steps, 0 = no motion
    QTest::addColumn<int>("dirY");
    QTest::addColumn<int>("dirZ");
    QTest::newRow("north") << "Btn_JogNorth" << 0 << 1 << 0;
    QTest::newRow("north-east") << "Btn_JogNorthEast" << 1 << 1 << 0;
    QTest::newRow("east") << "Btn_JogEast" << 1 << 0 << 0;
    QTest::newRow("south-east") << "Btn_JogSouthEast" << 1 << -1 << 0;
    QTest::newRow("south") << "Btn_JogSouth" << 0 << -1 << 0;
    QTest::newRow("south-west") << "Btn_JogSouthWest" << -1 << -1 << 0;
    QTest::newRow("west") << "Btn_JogWest" << -1 << 0 << 0;
    QTest::newRow("north-west") << "Btn_JogNorthWest" << -1 << 1 << 0;
    QTest::newRow("Z up") << "Btn_JogZUp" << 0 << 0 << 1;
    QTest::newRow("Z down") << "Btn_JogZDown" << 0 << 0 << -1;
}

void TestDlgManual::holdJogsAndReleaseStops()
{
    QFETCH(QString, button);
    QFETCH(int, dirX);
    QFETCH(int, dirY);
    QFETCH(int, dirZ);
    const int dirs[3] = {dirX, dirY, dirZ};

    stJogRig rig;
    CFakeMainWindow& mw = rig.mw;
    CStepCounter steps(rig.m_Pins);
    CDlgManual dlg(&mw);
    QPushButton* pBtn = dlg.findChild<QPushButton*>(button);

    QTest::mousePress(pBtn, Qt::LeftButton);
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GREEN); // green while held
    QVERIFY(dlg.m_bJogActive);
    for (int a = 0; a < 3; ++a)
        QCOMPARE(Moving(mw, static_cast<eAxis>(a)), dirs[a] != 0);
    // Every axis of the button has stepped before the release.
    for (int a = 0; a < 3; ++a)
        if (dirs[a] != 0)
            QTRY_VERIFY(std::abs(steps.Count(a)) > 20);

    QTest::mouseRelease(pBtn, Qt::LeftButton);
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(!dlg.m_bJogActive);
    for (int a = 0; a < 3; ++a) {
        const eAxis axis = static_cast<eAxis>(a);
        QVERIFY(StopsSoon(mw, axis));
        const qint64 n = steps.Count(axis);
        QVERIFY2(dirs[a] == 0 ? n == 0 : (n > 0) == (dirs[a] > 0), qPrintable(QString::number(n)));
    }
    mw.PollMessages();
    QCOMPARE(mw.m_lstLog, QStringList());
}

void TestDlgManual::rotaryAxesOnFiveAxes()
{
    stJogRig rig;
    CFakeMainWindow& mw = rig.mw;
    AppConfig::m_iMchType = 5;
    QVERIFY(mw.m_AppCtrl.InitMachine());
    CDlgManual dlg(&mw);
    dlg.ConfigSettings();
    const struct
    {
        const char* m_pName;
        eAxis m_eAxis;
        int m_iDir;
    } kRows[] = {{"Btn_JogCW_A", A_AXIS, 1}, {"Btn_JogACW_A", A_AXIS, -1}, {"Btn_JogCW_B", B_AXIS, 1},
                 {"Btn_JogACW_B", B_AXIS, -1}};
    for (const auto& row : kRows) {
        const double before = mw.m_AppCtrl.GetCurPos(row.m_eAxis);
        QTest::mousePress(Btn(dlg, row.m_pName), Qt::LeftButton);
        QVERIFY2(Moving(mw, row.m_eAxis), row.m_pName);
        QTRY_VERIFY(std::abs(mw.m_AppCtrl.GetCurPos(row.m_eAxis) - before) > 0.5);
        QTest::mouseRelease(Btn(dlg, row.m_pName), Qt::LeftButton);
        QVERIFY(StopsSoon(mw, row.m_eAxis));
        QVERIFY2((mw.m_AppCtrl.GetCurPos(row.m_eAxis) > before) == (row.m_iDir > 0), row.m_pName);
    }
    mw.PollMessages();
    QCOMPARE(mw.m_lstLog, QStringList());
}

void TestDlgManual::twoButtonsAtOnce()
{
    stJogRig rig;
    CFakeMainWindow& mw = rig.mw;
    CDlgManual dlg(&mw);
    QTest::mousePress(Btn(dlg, "Btn_JogEast"), Qt::LeftButton);
    QTest::mousePress(Btn(dlg, "Btn_JogZUp"), Qt::LeftButton);
    QVERIFY(Moving(mw, X_AXIS) && Moving(mw, Z_AXIS));

    // Releasing Z stops Z only; X goes on until its own button lets go.
    QTest::mouseRelease(Btn(dlg, "Btn_JogZUp"), Qt::LeftButton);
    QVERIFY(StopsSoon(mw, Z_AXIS));
    QVERIFY(Moving(mw, X_AXIS));
    QVERIFY(dlg.m_bJogActive);
    QCOMPARE(Btn(dlg, "Btn_JogEast")->styleSheet(), BTN_BKGND_GREEN);
    QTest::mouseRelease(Btn(dlg, "Btn_JogEast"), Qt::LeftButton);
    QVERIFY(StopsSoon(mw, X_AXIS));
    QVERIFY(!dlg.m_bJogActive);
}

void TestDlgManual::diagonalWithOneAxisMoving()
{
    stJogRig rig;
    CFakeMainWindow& mw = rig.mw;
    CDlgManual dlg(&mw);
    QTest::mousePress(Btn(dlg, "Btn_JogEast"), Qt::LeftButton);
    // North-east while X moves: Y starts, the controller refuses X itself.
    QTest::mousePress(Btn(dlg, "Btn_JogNorthEast"), Qt::LeftButton);
    QVERIFY(Moving(mw, Y_AXIS));
    mw.PollMessages();
    QCOMPARE(mw.m_lstLog, QStringList{"error: Axis is in Motion"});
    // Its release stops the Y jog it started, not the X jog of East.
    QTest::mouseRelease(Btn(dlg, "Btn_JogNorthEast"), Qt::LeftButton);
    QVERIFY(StopsSoon(mw, Y_AXIS));
    QVERIFY(Moving(mw, X_AXIS));
    QTest::mouseRelease(Btn(dlg, "Btn_JogEast"), Qt::LeftButton);
    QVERIFY(StopsSoon(mw, X_AXIS));
}

void TestDlgManual::refusals()
{
    stJogRig rig;
    CFakeMainWindow& mw = rig.mw;
    CDlgManual dlg(&mw);
    QPushButton* pNorth = Btn(dlg, "Btn_JogNorth");

    // Emergency stop: nothing moves; the button flashes back to grey.
    AppConfig::m_bEmergencyStopON = true;
    QTest::mousePress(pNorth, Qt::LeftButton);
    AppConfig::m_bEmergencyStopON = false;
    QVERIFY(!Moving(mw, Y_AXIS));
    QCOMPARE(mw.m_lstLog, QStringList{"error: Release Emergency Switch"});
    QTest::mouseRelease(pNorth, Qt::LeftButton);
    QTRY_COMPARE(pNorth->styleSheet(), BTN_BKGND_GRAY);
    mw.m_lstLog.clear();

    // An operation in progress (homing, probing, a job): refused.
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_MCH_HOMING;
    QTest::mousePress(pNorth, Qt::LeftButton);
    QTest::mouseRelease(pNorth, Qt::LeftButton);
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    QVERIFY(!Moving(mw, Y_AXIS));
    QCOMPARE(mw.m_lstLog, QStringList{"error: Axis in use"});
    mw.m_lstLog.clear();

    // The axis still moving (decelerating or moved by someone else):
    // refused, and the release leaves it alone.
    QVERIFY(mw.m_AppCtrl.JogPos(Y_AXIS));
    QTest::mousePress(pNorth, Qt::LeftButton);
    QTest::mouseRelease(pNorth, Qt::LeftButton);
    QVERIFY(Moving(mw, Y_AXIS));
    QCOMPARE(mw.m_lstLog, QStringList{"error: Axis in use"});
    mw.m_lstLog.clear();

    // Z down while Z moves: refused without a message, grey at once.
    QVERIFY(mw.m_AppCtrl.JogPos(Z_AXIS));
    QTest::mousePress(Btn(dlg, "Btn_JogZDown"), Qt::LeftButton);
    QCOMPARE(Btn(dlg, "Btn_JogZDown")->styleSheet(), BTN_BKGND_GRAY);
    QTest::mouseRelease(Btn(dlg, "Btn_JogZDown"), Qt::LeftButton);
    QVERIFY(Moving(mw, Z_AXIS));
    QCOMPARE(mw.m_lstLog, QStringList());
    StopAll(mw);

    // No main window around the panel: no machine to move.
    CDlgManual alone;
    QTest::mousePress(Btn(alone, "Btn_JogNorth"), Qt::LeftButton);
    QVERIFY(!alone.m_bJogActive);
}

void TestDlgManual::toolChangePauseAllowsJogging()
{
    // A G-code run paused for a manual tool change: the operator moves the
    // machine to change the tool.
    stJogRig rig;
    CFakeMainWindow& mw = rig.mw;
    CDlgManual dlg(&mw);
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    mw.m_AppCtrl.m_bHold = true;
    QVERIFY(CDlgManual::JogAllowed(mw.m_AppCtrl));
    QTest::mousePress(Btn(dlg, "Btn_JogZUp"), Qt::LeftButton);
    QVERIFY(Moving(mw, Z_AXIS));
    QTest::mouseRelease(Btn(dlg, "Btn_JogZUp"), Qt::LeftButton);
    QVERIFY(StopsSoon(mw, Z_AXIS));
    // Running, not paused: refused.
    mw.m_AppCtrl.m_bHold = false;
    QVERIFY(!CDlgManual::JogAllowed(mw.m_AppCtrl));
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
}

QTEST_MAIN(TestDlgManual)
#include "tst_dlgmanual.moc"
