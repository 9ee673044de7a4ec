// The controller's operation frame: message queues, starters and their
// refusals, the automatic spindle, what each operation runs before its body,
// the common end of an operation (safe height, status output, shutdown), the
// motion wait, multipass carving, and the spindle and feed services.
#include <QtTest>

#include <memory>
#include <thread>

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "hal/clock.h"
#include "hal/simpinbank.h"
#include "machine/allaxisctrl.h"
#include "simcontroller.h"

namespace {
// Lets a test reach the common end of an operation directly.
class CTestControl : public AppControl
{
public:
    using AppControl::AfterOperationFinish;
};

constexpr int PIN_M3 = 8;
constexpr int PIN_M4 = 9;
constexpr int PIN_STATUS = 7;

int Level(int pin)
{
    return CSimPinBank::Instance().Level(pin);
}
}

class TestAppControl : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_pSetup = std::make_unique<CSimControllerSetup>(); }
    void cleanup() { m_pSetup.reset(); }

    void messageQueuesKeepOrder();
    void messageQueuesFromTwoThreads();

    void starterRefusedWhileAxisMoves_data();
    void starterRefusedWhileAxisMoves();
    void starterRefusedWhileOperationRuns();
    void homingStartersRefuse();
    void starterCallsWindowsOnGuiThread();
    void oneLineStartsFromWhereTheAxesAre();

    void autoSpindle_data();
    void autoSpindle();

    void workZeroBeforeJob_data();
    void workZeroBeforeJob();
    void safeHeightAtEnd_data();
    void safeHeightAtEnd();
    void statusOutput();
    void emergencyStopLeavesFinishAlone();
    void shutdownOnlyAfterCompletedJob_data();
    void shutdownOnlyAfterCompletedJob();

    void waitForMotionFinish();
    void waitForMotionTimeoutStopsAxis();

    void multipassZeroStepRefused_data();
    void multipassZeroStepRefused();

    void spindleOutputs();
    void axisFeed_data();
    void axisFeed();
    void spindleSpeed_data();
    void spindleSpeed();
    void resetAccVelThreeAxes();
    void windowsCallsFromOtherThreadAreQueued();

private:
    std::unique_ptr<CSimControllerSetup> m_pSetup;
};

void TestAppControl::messageQueuesKeepOrder()
{
    AppControl ctrl;
    QCOMPARE(ctrl.GetErrMsg(), QString());
    QCOMPARE(ctrl.GetInfoMsg(), QString());

    ctrl.AddInfoMsg("i1");
    ctrl.AddErrMsg("e1");
    ctrl.AddErrMsg("e2");
    ctrl.AddInfoMsg("i2");
    ctrl.AddErrMsg("e3");
    // Together, in the order they were queued.
    QCOMPARE(TakeMessages(ctrl), QStringList({"info: i1", "error: e1", "error: e2", "info: i2", "error: e3"}));

    // Each queue alone: oldest first.
    ctrl.AddErrMsg("a");
    ctrl.AddErrMsg("b");
    ctrl.AddInfoMsg("c");
    QCOMPARE(ctrl.GetErrMsg(), QString("a"));
    QCOMPARE(ctrl.GetErrMsg(), QString("b"));
    QCOMPARE(ctrl.GetErrMsg(), QString());
    QCOMPARE(ctrl.GetInfoMsg(), QString("c"));
    QCOMPARE(ctrl.GetInfoMsg(), QString());
}

void TestAppControl::messageQueuesFromTwoThreads()
{
    // The operation thread queues while the GUI thread takes: nothing lost,
    // each producer's texts in its own order.
    AppControl ctrl;
    constexpr int N = 2000;
    std::thread producerA([&] {
        for (int i = 0; i < N; ++i)
            ctrl.AddErrMsg(QString("A%1").arg(i));
    });
    std::thread producerB([&] {
        for (int i = 0; i < N; ++i)
            ctrl.AddInfoMsg(QString("B%1").arg(i));
    });
    QStringList taken;
    while (taken.size() < 2 * N) {
        QString strMsg;
        eAppMsgType eType;
        if (ctrl.GetNextMsg(strMsg, eType))
            taken << strMsg;
    }
    producerA.join();
    producerB.join();
    int nextA = 0, nextB = 0;
    for (const QString& s : taken) {
        if (s.startsWith('A'))
            QCOMPARE(s, QString("A%1").arg(nextA++));
        else
            QCOMPARE(s, QString("B%1").arg(nextB++));
    }
    QCOMPARE(nextA, N);
    QCOMPARE(nextB, N);
}

void TestAppControl::starterRefusedWhileAxisMoves_data()
{
    QTest::addColumn<int>("starter");
    QTest::newRow("shapes") << 3;
    QTest::newRow("carving") << 4;
    QTest::newRow("gcode") << 5;
    QTest::newRow("one line") << 51;
}

void TestAppControl::starterRefusedWhileAxisMoves()
{
    QFETCH(int, starter);
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    ctrl.InitMachine();
    GCodeCmdList program{{"G01", "X1"}};

    QVERIFY(ctrl.JogPos(X_AXIS));
    QVERIFY(ctrl.m_AxisCtrl[X_AXIS].GetAxisState());
    switch (starter) {
    case 3: ctrl.StartShapeCutting(nullptr); break;
    case 4: ctrl.StartImgCarving(); break;
    case 5: ctrl.StartGCode(&program); break;
    default: ctrl.StartExecGCodeLine(&program, 0); break;
    }
    ctrl.Stop(X_AXIS);

    QCOMPARE(ctrl.m_iRunMode.load(), 0);
    QVERIFY(!ctrl.isRunning());
    QCOMPARE(ctrl.m_pGCodeLines, nullptr);
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Axis in use"});
    QVERIFY(windows.Calls().isEmpty());
}

void TestAppControl::starterRefusedWhileOperationRuns()
{
    // A job in progress moves its axes through the coordinated loop, which
    // marks no axis as moving: the running operation alone must refuse a
    // second start, or the second job would overwrite the first.
    AppControl ctrl;
    ctrl.InitMachine();
    GCodeCmdList first(1);
    GCodeCmdList second(1);

    QVERIFY(ctrl.StartWorkHomingSequence());
    ctrl.StartShapeCutting(nullptr);
    ctrl.StartGCode(&second);
    ctrl.StartExecGCodeLine(&second, 0);
    ctrl.StartImgCarving();
    QVERIFY(!ctrl.StartWorkHomingSequence());
    QCOMPARE(ctrl.m_iRunMode.load(), int(AppControl::RUN_WORK_ZERO));
    QCOMPARE(ctrl.m_pGCodeLines, nullptr);
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(TakeMessages(ctrl), QStringList(5, "error: Axis in use"));

    // Finished but not yet acknowledged by the main window: still refused.
    ctrl.StartGCode(&first);
    QVERIFY(FinishOperation(ctrl));
    ctrl.m_bOperationFinished = true;
    ctrl.m_iRunMode = AppControl::RUN_GCODE;
    ctrl.StartGCode(&second);
    QCOMPARE(ctrl.m_pGCodeLines, &first);
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Axis in use"});
}

void TestAppControl::homingStartersRefuse()
{
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    ctrl.InitMachine();

    QVERIFY(!ctrl.StartMchHomingSequence());
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Homing Sensor not Enabled for all Axis"});

    AppConfig::m_bHomeSensorsUsed = true;
    ctrl.InitMachine();
    QVERIFY(!ctrl.StartWorkHomingSequence());
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Homing not done! Use \"Move Home\" in user Settings"});
    QCOMPARE(ctrl.m_iRunMode.load(), 0);
    QVERIFY(windows.Calls().isEmpty());
}

void TestAppControl::starterCallsWindowsOnGuiThread()
{
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    ctrl.InitMachine();
    GCodeCmdList program(1);
    ctrl.StartExecGCodeLine(&program, 0);
    QCOMPARE(ctrl.m_pGCodeLines, &program);
    QCOMPARE(ctrl.m_uiExecLineNo, 0u);
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(windows.Calls(), QStringList({"EnableDisableWindows", "ClearToolGraphics"}));
    QVERIFY(windows.AllOnGuiThread());
    QVERIFY(!ctrl.m_bExecOneLine); // cleared at the end of the operation

    windows.Clear();
    QVERIFY(ctrl.StartWorkHomingSequence());
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(windows.Calls(), QStringList{"EnableDisableWindows"});
}

void TestAppControl::oneLineStartsFromWhereTheAxesAre()
{
    // A line run on its own after the axes were moved by other means (a jog,
    // a job stopped short) must leave an axis it does not name where it is:
    // a rapid X move must never take Z down to the depth of an earlier line.
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.01;
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.01;
    AppControl ctrl;
    ctrl.InitMachine();
    GCodeCmdList program{{"G01", "Z-1"}, {"G00", "X3"}};

    ctrl.StartExecGCodeLine(&program, 0);
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), -1.0);

    ctrl.m_AxisCtrl[Z_AXIS].SetCurPos(2.0); // raised by hand
    CSimPinBank::Instance().ClearLog();
    CStepCounter steps;
    ctrl.StartExecGCodeLine(&program, 1);
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 3.0);
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), 2.0);
    QCOMPARE(steps.Pulses(Z_AXIS), 0u);
}

void TestAppControl::autoSpindle_data()
{
    QTest::addColumn<bool>("cw");
    QTest::addColumn<bool>("ccw");
    QTest::addColumn<bool>("sim");
    QTest::addColumn<bool>("oneLine");
    QTest::addColumn<int>("levelM3");
    QTest::addColumn<int>("levelM4");

    QTest::newRow("off") << false << false << false << false << 0 << 0;
    QTest::newRow("cw") << true << false << false << false << 1 << 0;
    QTest::newRow("ccw") << false << true << false << false << 0 << 1;
    QTest::newRow("both: cw wins") << true << true << false << false << 1 << 0;
    QTest::newRow("sim run: off") << true << false << true << false << 0 << 0;
    QTest::newRow("sim one line: on") << true << false << true << true << 1 << 0;
}

void TestAppControl::autoSpindle()
{
    QFETCH(bool, cw);
    QFETCH(bool, ccw);
    QFETCH(bool, sim);
    QFETCH(bool, oneLine);
    QFETCH(int, levelM3);
    QFETCH(int, levelM4);
    AppConfig::m_bAutoSpindleOnCW = cw;
    AppConfig::m_bAutoSpindleOnCCW = ccw;
    AppConfig::m_bSimulationMode = sim;

    AppControl ctrl;
    ctrl.InitMachine();
    GCodeCmdList program(1);
    if (oneLine)
        ctrl.StartExecGCodeLine(&program, 0);
    else
        ctrl.StartGCode(&program);
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(Level(PIN_M3), levelM3);
    QCOMPARE(Level(PIN_M4), levelM4);
    QCOMPARE(bool(AppConfig::m_bSpindleOn), levelM3 + levelM4 > 0);
}

void TestAppControl::workZeroBeforeJob_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("oneLine");
    QTest::addColumn<bool>("moveToWorkZero");

    QTest::newRow("gcode run") << 5 << false << true;
    QTest::newRow("gcode run after an interrupted line") << 50 << false << true;
    QTest::newRow("one line") << 5 << true << false;
    QTest::newRow("image carving") << 4 << false << true;
    QTest::newRow("shape cutting") << 3 << false << false;
    QTest::newRow("move to work zero") << 1 << false << true;
}

void TestAppControl::workZeroBeforeJob()
{
    QFETCH(int, mode);
    QFETCH(bool, oneLine);
    QFETCH(bool, moveToWorkZero);
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.01;
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.01;
    AppControl ctrl;
    ctrl.InitMachine();
    CStepCounter steps;
    ctrl.m_AxisCtrl[X_AXIS].SetCurPos(2.0);

    GCodeCmdList program(1); // one empty line: the run itself moves nothing
    switch (mode) {
    case 1: QVERIFY(ctrl.StartWorkHomingSequence()); break;
    case 3: ctrl.StartShapeCutting(nullptr); break;
    case 4: ctrl.StartImgCarving(); break;
    case 50:
        // A single line ended by the emergency stop leaves its flag set.
        ctrl.m_bExecOneLine = true;
        ctrl.StartGCode(&program);
        QVERIFY(!ctrl.m_bExecOneLine);
        break;
    default:
        if (oneLine)
            ctrl.StartExecGCodeLine(&program, 0);
        else
            ctrl.StartGCode(&program);
    }
    QVERIFY(FinishOperation(ctrl));
    QVERIFY(ctrl.isFinished());
    if (moveToWorkZero) {
        QCOMPARE(ctrl.GetCurPos(X_AXIS), 0.0);
        QCOMPARE(steps.Count(X_AXIS), -200); // 2 mm back to zero
    } else {
        QCOMPARE(ctrl.GetCurPos(X_AXIS), 2.0);
        QCOMPARE(steps.Pulses(X_AXIS), 0u);
    }
}

void TestAppControl::safeHeightAtEnd_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("raised");
    QTest::newRow("move to work zero") << 1 << false;
    QTest::newRow("shape cutting") << 3 << true;
    QTest::newRow("image carving") << 4 << true;
    QTest::newRow("gcode") << 5 << false;
    QTest::newRow("z probe") << 6 << false;
    QTest::newRow("z profile") << 7 << true;
}

void TestAppControl::safeHeightAtEnd()
{
    QFETCH(int, mode);
    QFETCH(bool, raised);
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.01;
    AppConfig::m_fZSafePos = -7.5; // without home switches: a height above the work zero
    CTestControl ctrl;
    ctrl.InitMachine();
    ctrl.m_iRunMode = mode;
    ctrl.AfterOperationFinish();
    QVERIFY(ctrl.m_bOperationFinished);
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), raised ? 7.5 : 0.0);

    // With home switches the safe height is a machine coordinate.
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_fZSafePos = -5.0;
    AppConfig::m_fAxisWorkZero[Z_AXIS] = -20.0;
    ctrl.InitMachine();
    ctrl.SetMchHome(); // Z at machine 0: work position 20
    ctrl.AfterOperationFinish();
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), raised ? 15.0 : 20.0);
}

void TestAppControl::statusOutput()
{
    AppControl ctrl;
    ctrl.InitMachine();
    CSimPinBank::Instance().ClearLog();
    QVERIFY(ctrl.StartWorkHomingSequence());
    QVERIFY(FinishOperation(ctrl));
    std::vector<stPinWrite> writes = CSimPinBank::Instance().WriteLog(PIN_STATUS);
    QCOMPARE(writes.size(), size_t(2));
    QCOMPARE(writes[0].level, 1);
    QCOMPARE(writes[1].level, 0);

    // Simulation drives no pin.
    AppConfig::m_bSimulationMode = true;
    CSimPinBank::Instance().ClearLog();
    QVERIFY(ctrl.StartWorkHomingSequence());
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(CSimPinBank::Instance().WriteCount(PIN_STATUS), 0u);
}

void TestAppControl::emergencyStopLeavesFinishAlone()
{
    AppConfig::m_bShutdownRPI = true;
    AppControl ctrl;
    ctrl.InitMachine();
    AppConfig::m_bEmergencyStopON = true;
    ctrl.m_iRunMode = AppControl::RUN_WORK_ZERO;
    ctrl.start();
    QVERIFY(WaitThreadEnd(ctrl));
    QVERIFY(!ctrl.m_bOperationFinished);
    QCOMPARE(Level(PIN_STATUS), 1); // the main window's emergency handling drives it low
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), 0.0);
    QVERIFY(m_pSetup->m_Launcher.Started().isEmpty());
}

void TestAppControl::shutdownOnlyAfterCompletedJob_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("jobDone");
    QTest::addColumn<bool>("sim");
    QTest::addColumn<bool>("shutdown");
    QTest::newRow("gcode completed") << 5 << true << false << true;
    QTest::newRow("carving completed") << 4 << true << false << true;
    QTest::newRow("gcode failed") << 5 << false << false << false;
    QTest::newRow("homing") << 2 << false << false << false;
    QTest::newRow("work zero") << 1 << false << false << false;
    QTest::newRow("probe") << 6 << false << false << false;
    QTest::newRow("simulation") << 5 << true << true << false;
}

void TestAppControl::shutdownOnlyAfterCompletedJob()
{
    QFETCH(int, mode);
    QFETCH(bool, jobDone);
    QFETCH(bool, sim);
    QFETCH(bool, shutdown);
    AppConfig::m_bShutdownRPI = true;
    AppConfig::m_bSimulationMode = sim;
    CTestControl ctrl;
    ctrl.InitMachine();
    ctrl.m_iRunMode = mode;
    ctrl.AfterOperationFinish(jobDone);
    QVERIFY(ctrl.m_bOperationFinished);
    QCOMPARE(m_pSetup->m_Launcher.Started(), shutdown ? QStringList{"sudo shutdown now"} : QStringList());

    // Through the operation thread: a move to work zero never shuts down.
    if (mode == 1) {
        ctrl.m_bOperationFinished = false;
        ctrl.m_iRunMode = 0;
        QVERIFY(ctrl.StartWorkHomingSequence());
        QVERIFY(FinishOperation(ctrl));
        QVERIFY(m_pSetup->m_Launcher.Started().isEmpty());
    }
}

void TestAppControl::waitForMotionFinish()
{
    AppControl ctrl;
    ctrl.InitMachine();
    const qint8 none[5] = {0, 0, 0, 0, 0};
    QVERIFY(ctrl.WaitForMotionFinish(none));

    // A and B are not in use on a three-axis machine.
    const qint8 rotary[5] = {0, 0, 0, 1, 1};
    ctrl.m_AxisCtrl[A_AXIS].m_bMoving = true;
    QVERIFY(ctrl.WaitForMotionFinish(rotary));
    QVERIFY(ctrl.IsMachineIdle());
    ctrl.m_AxisCtrl[A_AXIS].m_bMoving = false;

    // A finished move.
    QVERIFY(ctrl.MoveRel(X_AXIS, 1.0));
    const qint8 x[5] = {1, 0, 0, 0, 0};
    QVERIFY(ctrl.WaitForMotionFinish(x));
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 1.0);

    // Emergency stop: false at once.
    QVERIFY(ctrl.JogPos(Y_AXIS));
    const qint8 y[5] = {0, 1, 0, 0, 0};
    AppConfig::m_bEmergencyStopON = true;
    QVERIFY(!ctrl.WaitForMotionFinish(y));
    AppConfig::m_bEmergencyStopON = false;
    ctrl.StopAll();
    QVERIFY(ctrl.IsMachineIdle());
}

void TestAppControl::waitForMotionTimeoutStopsAxis()
{
    // A jog at 0.1 mm/s towards a limit 10 m away would take far longer
    // than the 300 s the wait allows.
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.1;
    CPacedPins paced;
    AppControl ctrl;
    ctrl.InitMachine();
    ctrl.m_AxisCtrl[Y_AXIS].SetVelocityAcc(0.1, 600);
    QVERIFY(ctrl.JogNeg(Y_AXIS));
    const qint8 y[5] = {0, 1, 0, 0, 0};
    const qint64 t0 = CClock::NowNs();
    QVERIFY(!ctrl.WaitForMotionFinish(y));
    QVERIFY(CClock::NowNs() - t0 >= 300LL * 1000000000LL);
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Error:Y-Axis Motion Timeout"});
    QVERIFY(!ctrl.m_AxisCtrl[Y_AXIS].GetAxisState()); // not left running
    QVERIFY(ctrl.GetCurPos(Y_AXIS) < -29.0);
}

void TestAppControl::multipassZeroStepRefused_data()
{
    QTest::addColumn<double>("step");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("below one unit") << 0.00004;
    QTest::newRow("negative") << -1.0;
}

void TestAppControl::multipassZeroStepRefused()
{
    // Passes that step down by nothing never reach the depth: the job is
    // refused (after the move to work zero), no pass is cut.
    QFETCH(double, step);
    AppControl ctrl;
    ctrl.InitMachine();
    ctrl.m_ImgCarvingData.m_pInfo->m_fZStep = step;
    ctrl.StartImgCarving();
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Carving Z Step must be greater than zero"});
    QCOMPARE(ctrl.m_ImgCarvingData.m_pInfo->m_fZStep, step);
    QCOMPARE(ctrl.m_ImgCarvingData.m_pInfo->m_fDepth, 10.0);
}

void TestAppControl::spindleOutputs()
{
    AppControl ctrl;
    ctrl.TurnOnOffSpindle(true, DIR_CW);
    QCOMPARE(Level(PIN_M3), 1);
    QCOMPARE(Level(PIN_M4), 0);
    QVERIFY(AppConfig::m_bSpindleOn);
    ctrl.TurnOnOffSpindle(true, DIR_CCW); // the other output is left as it is
    QCOMPARE(Level(PIN_M3), 1);
    QCOMPARE(Level(PIN_M4), 1);
    ctrl.TurnOnOffSpindle(false, DIR_CW);
    QCOMPARE(Level(PIN_M3), 0);
    QCOMPARE(Level(PIN_M4), 0);
    QVERIFY(!AppConfig::m_bSpindleOn);

    // A controller kind without spindle outputs drives no pin at all.
    AppConfig::InstallPinAssignment(CTRL_SPI_V3);
    CSimPinBank::Instance().ClearLog();
    ctrl.TurnOnOffSpindle(true, DIR_CW);
    QCOMPARE(CSimPinBank::Instance().TotalWrites(), 0u);
}

void TestAppControl::axisFeed_data()
{
    QTest::addColumn<int>("units");
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("feed");
    QTest::newRow("mm") << 0 << 600.0 << 10.00002;
    QTest::newRow("inch") << 1 << 600.0 << 254.000508;
}

void TestAppControl::axisFeed()
{
    QFETCH(int, units);
    QFETCH(double, f);
    QFETCH(double, feed);
    AppConfig::m_eSelUnits = eSelUnits(units);
    AppControl ctrl;
    ctrl.SetAxisFeed(f);
    QVERIFY(qAbs(AppConfig::m_GCodeRunSettings.m_fFeed - feed) < 1e-9);
}

void TestAppControl::spindleSpeed_data()
{
    QTest::addColumn<bool>("use");
    QTest::addColumn<int>("rpm");
    QTest::addColumn<int>("freq");
    QTest::addColumn<qint64>("sleptMs");
    QTest::newRow("S12000") << true << 12000 << 1486 << qint64(100);
    QTest::newRow("S500") << true << 500 << 36 << qint64(100);
    QTest::newRow("S0") << true << 0 << 0 << qint64(100);
    QTest::newRow("huge") << true << 1000000 << 65535 << qint64(100);
    QTest::newRow("not in use") << false << 12000 << 777 << qint64(0);
}

void TestAppControl::spindleSpeed()
{
    QFETCH(bool, use);
    QFETCH(int, rpm);
    QFETCH(int, freq);
    QFETCH(qint64, sleptMs);
    AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed = use;
    AppConfig::m_stPwmSpndlSettings.m_nCurFreq = 777;
    AppControl ctrl;
    const qint64 t0 = CClock::NowNs();
    ctrl.SetSpindleSpeed(rpm);
    QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nCurFreq), freq);
    QCOMPARE((CClock::NowNs() - t0) / 1000000, sleptMs);
}

void TestAppControl::resetAccVelThreeAxes()
{
    AppControl ctrl;
    ctrl.InitMachine();
    for (int i = 0; i < 5; ++i)
        ctrl.m_AxisCtrl[i].m_bNewTable = false;
    AppConfig::m_fAxisFeed[Y_AXIS] = 12.0;
    ctrl.ResetAccVel();
    for (int i = 0; i < 3; ++i)
        QVERIFY(ctrl.m_AxisCtrl[i].m_bNewTable);
    QCOMPARE(ctrl.m_AxisCtrl[Y_AXIS].m_fTableFeed[1 - ctrl.m_AxisCtrl[Y_AXIS].m_nActiveTable], 12.0);
    QVERIFY(!ctrl.m_AxisCtrl[A_AXIS].m_bNewTable);
    QVERIFY(!ctrl.m_AxisCtrl[B_AXIS].m_bNewTable);
}

void TestAppControl::windowsCallsFromOtherThreadAreQueued()
{
    // Setting a work zero from the operation thread (as probing does) reaches
    // the shape designer on the GUI thread only.
    AppConfig::m_bHomeSensorsUsed = true;
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    ctrl.InitMachine();
    ctrl.SetMchHome();
    std::thread other([&] { QVERIFY(ctrl.SetWorkZero(X_AXIS)); });
    other.join();
    QVERIFY(windows.Calls().isEmpty()); // not yet: queued
    QTRY_COMPARE(windows.Calls(), QStringList{"UpdateWorkArea"});
    QVERIFY(windows.AllOnGuiThread());
}

QTEST_MAIN(TestAppControl)
#include "tst_appcontrol.moc"
