// The controller's moves on the simulated machine: the feed split between
// the axes of a straight move, coordinated G00/G01 moves counted in step
// pulses, the limit check, pause and emergency stop, the target of a G-code
// line, machine homing with simulated home switches, the move to work zero,
// setting and storing work zeros, jogs and stops.
#include <QtTest>

#include <QFile>
#include <QRegularExpression>
#include <cmath>
#include <memory>
#include <thread>

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/UnitConverter.h"
#include "hal/clock.h"
#include "hal/simpinbank.h"
#include "machine/allaxisctrl.h"
#include "pointsupport.h"
#include "simcontroller.h"

namespace {
// What an axis was last given by SetVelocityAcc, read back from its pending
// ramp table: the feed, the period of a cruise pulse and of the first ramp
// pulse (ns).
struct stPending
{
    bool m_bNew = false;
    double m_fFeed = 0;
    double m_fCruiseNs = 0;
    double m_fFirstRampNs = 0;
};

stPending Pending(AxisCtrl& axis)
{
    const int b = 1 - axis.m_nActiveTable;
    const bool bRamp = !axis.m_lstRampHighNs[b].empty();
    return {axis.m_bNewTable, axis.m_fTableFeed[b], axis.m_fCruiseHighNs[b] + axis.m_fCruiseLowNs[b],
            bRamp ? axis.m_lstRampHighNs[b][0] + axis.m_lstRampLowNs[b][0] : 0.0};
}

// The table of feed F (mm/s) and acceleration A (mm/s^2) for a step of
// 0.001 mm and the 10 ms velocity sampling: a cruise pulse every
// 0.001 / F s; the ramp's first sample, 10 ms in, runs at A x 0.01 mm/s,
// one pulse every 0.001 / (A x 0.01) s. So 15 mm/s gives 66667 ns and 600
// mm/s^2 166667 ns; 7.5 mm/s and 300 mm/s^2 twice those.
void CheckTable(const stPending& got, double fFeed, double fAcc)
{
    QCOMPARE(got.m_fFeed, fFeed);
    QVERIFY2(std::fabs(got.m_fCruiseNs - 1e6 / fFeed) < 1e-3, qPrintable(QString::number(got.m_fCruiseNs)));
    QVERIFY2(std::fabs(got.m_fFirstRampNs - 1e6 / (fAcc * 0.01)) < 1e-3,
             qPrintable(QString::number(got.m_fFirstRampNs)));
}

// Index in the pin bank's write log of the first and last step (rising
// edge) on `pin` (-1 when none). Only steps count: a pin driven low where
// nothing steps (at the end of an operation) says nothing of the order.
std::pair<int, int> FirstLastStep(const std::vector<stPinWrite>& log, int pin)
{
    int first = -1, last = -1;
    for (int i = 0; i < int(log.size()); ++i) {
        if (log[i].pin == pin && log[i].level == 1) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return {first, last};
}

// Rising edges on `pin` in log[from, to).
int Rising(const std::vector<stPinWrite>& log, int pin, int from, int to)
{
    int n = 0;
    for (int i = std::max(0, from); i < std::min(to, int(log.size())); ++i)
        n += log[i].pin == pin && log[i].level == 1;
    return n;
}

// Polls `cond` every 0.2 ms of real time, for at most 10 s.
template <typename F>
bool WaitUntil(F cond)
{
    QElapsedTimer timer;
    timer.start();
    while (!cond()) {
        if (timer.elapsed() > 10000)
            return false;
        QThread::usleep(200);
    }
    return true;
}

// A machine with home switches, configured and at its machine home.
void HomedMachine(AppControl& ctrl)
{
    AppConfig::m_bHomeSensorsUsed = true;
    ctrl.InitMachine();
    ctrl.SetMchHome();
}

constexpr int PIN_X_STEP = 2;
constexpr int PIN_Y_STEP = 4;
constexpr int PIN_Z_STEP = 27;
constexpr int PIN_X_HOME = 23;
constexpr int PIN_Y_HOME = 24;
constexpr int PIN_Z_HOME = 25;
}

class TestAppControlMoves : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_pSetup = std::make_unique<CSimControllerSetup>(); }
    void cleanup() { m_pSetup.reset(); }

    void feedSplit_data();
    void feedSplit();
    void straightMoves();
    void positionOfAxesInUse();
    void moveUnderOneStep();
    void segmentsOverBeforeTheirReleaseReturns();
    void limitRefusal();
    void pauseAndEmergencyStop();
    void stopAllEndsSegment();
    void targetOfLine();

    void homing_data();
    void homing();
    void homingTimeoutStopsAxes();
    void homeDoneNeedsEveryAxis();
    void moveWorkZeroOrder();
    void moveWorkZeroRefusedBeforeHoming();
    void moveWorkZeroRefusalStopsStartedAxes();
    void autoHomingAtStart();
    void stopAllEndsOperation();
    void setWorkZero();
    void setWorkZeroOutOfRange();
    void setWorkZeroWithoutHomeSwitches();
    void setWorkZeroAll();
    void setWorkZeroSaveFails();
    void jogs();
    void manualMovesRefusedDuringOperation();
    void handMovesOfAPausedRun();

private:
    std::unique_ptr<CSimControllerSetup> m_pSetup;
};

void TestAppControlMoves::feedSplit_data()
{
    QTest::addColumn<stFloatPoint>("to");
    QTest::addColumn<int>("cmd");
    QTest::addColumn<int>("runMode");
    QTest::addColumn<QString>("tweak");
    // Per axis X, Y, Z: "feed/acc", or "-" when the axis keeps its setting.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("X10 Y5") << Pt(10, 5, 0) << 1 << 0 << "" << QStringList{"15/600", "7.5/300", "-"};
    QTest::newRow("Y alone") << Pt(0, 8, 0) << 1 << 0 << "" << QStringList{"-", "15/600", "-"};
    QTest::newRow("Z dominant") << Pt(1, 2, -20) << 1 << 0 << "" << QStringList{"0.75/30", "1.5/60", "15/600"};
    QTest::newRow("tie keeps X") << Pt(5, 5, 0) << 1 << 0 << "" << QStringList{"15/600", "15/600", "-"};
    QTest::newRow("G00 rapid, slider ignored")
        << Pt(10, 5, 0) << 0 << 0 << "override50" << QStringList{"25/600", "12.5/300", "-"};
    QTest::newRow("G01 slider") << Pt(10, 0, 0) << 1 << 0 << "override50" << QStringList{"7.5/600", "-", "-"};
    QTest::newRow("program feed") << Pt(10, 0, 0) << 1 << 5 << "prog20" << QStringList{"20/600", "-", "-"};
    QTest::newRow("program feed above rapid")
        << Pt(10, 0, 0) << 1 << 5 << "prog100" << QStringList{"25/600", "-", "-"};
    QTest::newRow("program feed outside a run")
        << Pt(10, 0, 0) << 1 << 0 << "prog20" << QStringList{"15/600", "-", "-"};
    // The feed slider scales a program's feeds too.
    QTest::newRow("program feed with the slider")
        << Pt(10, 5, 0) << 1 << 5 << "prog20 override50" << QStringList{"10/600", "5/300", "-"};
    QTest::newRow("under one step: last axis tried")
        << Pt(0.0005, 0.0005, 0) << 1 << 0 << "" << QStringList{"-", "-", "15/600"};
    // No axis is asked for more than its own limits, the leading one
    // included (15 x 150 % = 22.5 above X's 20): the whole segment slows
    // down instead, keeping the axes together.
    QTest::newRow("leading axis at its maximum")
        << Pt(10, 5, 0) << 1 << 0 << "override150 xmax20" << QStringList{"20/600", "10/300", "-"};
    QTest::newRow("slow minor acceleration")
        << Pt(10, 5, 0) << 1 << 0 << "yacc100" << QStringList{"15/200", "7.5/100", "-"};
    QTest::newRow("slow minor feed") << Pt(10, 5, 0) << 1 << 0 << "ymax5" << QStringList{"10/600", "5/300", "-"};
}

void TestAppControlMoves::feedSplit()
{
    QFETCH(stFloatPoint, to);
    QFETCH(int, cmd);
    QFETCH(int, runMode);
    QFETCH(QString, tweak);
    QFETCH(QStringList, expected);
    for (const QString& t : tweak.split(' ', Qt::SkipEmptyParts)) {
        const double value = QString(t).remove(QRegularExpression("^[a-z]+")).toDouble();
        if (t.startsWith("override"))
            for (double& f : AppConfig::m_fAxisFeedPercent)
                f = value / 100.0;
        if (t.startsWith("prog")) {
            AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed = true;
            AppConfig::m_GCodeRunSettings.m_fFeed = value;
        }
        if (t.startsWith("yacc"))
            AppConfig::m_fAxisAcc[Y_AXIS] = value;
        if (t.startsWith("xmax"))
            AppConfig::m_fMaxAxisFeed[X_AXIS] = value;
        if (t.startsWith("ymax"))
            AppConfig::m_fMaxAxisFeed[Y_AXIS] = value;
    }

    AppControl ctrl;
    ctrl.InitMachine();
    ctrl.m_iRunMode = runMode;
    for (int i = 0; i < 3; ++i)
        ctrl.m_AxisCtrl[i].m_bNewTable = false;
    QVERIFY(ctrl.SetAccAndVel(stFloatPoint(), to, eGMoveCmnd(cmd)));
    ctrl.m_iRunMode = 0;

    for (int i = 0; i < 3; ++i) {
        const stPending got = Pending(ctrl.m_AxisCtrl[i]);
        if (expected[i] == "-") {
            QVERIFY2(!got.m_bNew, qPrintable(QString("axis %1 was given a feed").arg(i)));
            continue;
        }
        const QStringList fa = expected[i].split('/');
        QVERIFY(got.m_bNew);
        CheckTable(got, fa[0].toDouble(), fa[1].toDouble());
    }
}

void TestAppControlMoves::straightMoves()
{
    for (int i = 0; i < 3; ++i)
        AppConfig::m_fAxisMovPerPulse[i] = 0.01;
    AppControl ctrl;
    ctrl.InitMachine();
    CStepCounter steps;
    CAllAxisCtrl::StartAutoMode(&ctrl);

    QVERIFY(ctrl.G01_Move(Pt(10, 5, -2), true, true));
    stFloatPoint pos;
    ctrl.GetAllAxisCurPos(pos);
    QCOMPARE(pos.x, 10.0);
    QCOMPARE(pos.y, 5.0);
    QCOMPARE(pos.z, -2.0);
    QCOMPARE(steps.Count(X_AXIS), 1000);
    QCOMPARE(steps.Count(Y_AXIS), 500);
    QCOMPARE(steps.Count(Z_AXIS), -200);

    // Without waiting: the next move waits for the segment itself.
    QVERIFY(ctrl.G00_Move(Pt(-3.5, 5, 1.25), true, false));
    QVERIFY(ctrl.G01_Move(Pt(-3.5, 0, 1.25), true, true));
    ctrl.GetAllAxisCurPos(pos);
    QCOMPARE(pos.x, -3.5);
    QCOMPARE(pos.y, 0.0);
    QCOMPARE(pos.z, 1.25);
    QCOMPARE(steps.Count(X_AXIS), -350);
    QCOMPARE(steps.Count(Y_AXIS), 0);
    QCOMPARE(steps.Count(Z_AXIS), 125);
    QCOMPARE(steps.Pulses(X_AXIS), 1000u + 1350u);
    QCOMPARE(steps.Pulses(Y_AXIS), 1000u);
    QCOMPARE(steps.Pulses(Z_AXIS), 200u + 325u);
    ctrl.StopAll();
    QVERIFY(!CAllAxisCtrl::m_bAutoModeRunning);
    QVERIFY(TakeMessages(ctrl).isEmpty());
}

void TestAppControlMoves::positionOfAxesInUse()
{
    // The controller's position reads the axes in use: on a three-axis
    // machine A and B keep what the point held (a program's last A and B
    // words), on five axes they are read as well.
    AppControl ctrl;
    for (int i = 0; i < AXIS_COUNT; ++i)
        ctrl.m_AxisCtrl[i].m_lCurPos = CUnitConverter::GetLong(i + 1.5);
    for (int iMchType : {3, 5}) {
        AppConfig::m_iMchType = iMchType;
        stFloatPoint pos;
        pos.a = 7.0;
        pos.b = 8.0;
        ctrl.GetAllAxisCurPos(pos);
        QCOMPARE(pos.x, 1.5);
        QCOMPARE(pos.y, 2.5);
        QCOMPARE(pos.z, 3.5);
        QCOMPARE(pos.a, iMchType == 5 ? 4.5 : 7.0);
        QCOMPARE(pos.b, iMchType == 5 ? 5.5 : 8.0);
    }
}

void TestAppControlMoves::moveUnderOneStep()
{
    AppControl ctrl;
    ctrl.InitMachine();
    CStepCounter steps;
    CAllAxisCtrl::StartAutoMode(&ctrl);
    QVERIFY(ctrl.G01_Move(Pt(0.0005, -0.0009, 0.0001), true, true));
    QVERIFY(!CAllAxisCtrl::GetMotionState());
    ctrl.StopAll();
    QCOMPARE(CSimPinBank::Instance().RisingEdges(PIN_X_STEP) + CSimPinBank::Instance().RisingEdges(PIN_Y_STEP)
                 + CSimPinBank::Instance().RisingEdges(PIN_Z_STEP),
             0u);
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 0.0);
}

void TestAppControlMoves::segmentsOverBeforeTheirReleaseReturns()
{
    // A busy machine may let the pulse loop play a short segment to its end
    // before the release has returned: the move still counts as started and
    // the run goes on; only a loop that has ended refuses, with a message.
    AppControl ctrl;
    ctrl.InitMachine();
    CStepCounter steps;
    CAllAxisCtrl::StartAutoMode(&ctrl);
    CAllAxisCtrl::m_fnSegmentReleased = [] {
        while (CAllAxisCtrl::GetMotionState())
            std::this_thread::yield();
    };
    bool bAll = true;
    for (int i = 1; i <= 20; ++i)
        bAll = ctrl.G01_Move(Pt(0.001 * i, 0, 0), true, false) && bAll;
    CAllAxisCtrl::m_fnSegmentReleased = nullptr;
    QVERIFY(bAll);
    QCOMPARE(steps.Count(X_AXIS), 20);
    QVERIFY(TakeMessages(ctrl).isEmpty());

    ctrl.StopAll();
    QVERIFY(!ctrl.G01_Move(Pt(1, 0, 0), true, true));
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Motion not started: the pulse loop is not running"});
    QCOMPARE(steps.Count(X_AXIS), 20);
}

void TestAppControlMoves::limitRefusal()
{
    AppConfig::m_bHomeSensorsUsed = true;
    AppControl ctrl;
    ctrl.InitMachine();
    CStepCounter steps;
    CAllAxisCtrl::StartAutoMode(&ctrl);

    // Not homed yet.
    QVERIFY(!ctrl.G01_Move(Pt(10, 0, 0), true, true));
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Position to move must be within the motion limits"});
    QCOMPARE(ctrl.GetAxisErrMsg(X_AXIS), QString("Homing not done! Use \"Move Home\" in user Settings"));

    // Homed: X within 0..180 but Y beyond its upper limit 0 refuses the whole move.
    ctrl.SetMchHome();
    QVERIFY(!ctrl.G01_Move(Pt(10, 1, 0), true, true));
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Position to move must be within the motion limits"});
    QVERIFY(ctrl.GetAxisErrMsg(Y_AXIS).startsWith("Y Axis Absolute Position value must be between "));
    QVERIFY(!ctrl.G00_Move(Pt(180.5, 0, 0), true, true));
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Position to move must be within the motion limits"});
    QCOMPARE(steps.Pulses(X_AXIS) + steps.Pulses(Y_AXIS) + steps.Pulses(Z_AXIS), 0u);

    QVERIFY(ctrl.G01_Move(Pt(1, -1, -1), true, true));
    QCOMPARE(ctrl.GetCurPos(Y_AXIS), -1.0);
    ctrl.StopAll();
}

void TestAppControlMoves::pauseAndEmergencyStop()
{
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.01;
    AppControl ctrl;
    ctrl.InitMachine();
    CAllAxisCtrl::StartAutoMode(&ctrl);

    // Paused, then released: the move runs.
    ctrl.m_bHold = true;
    const qint64 t0 = CClock::NowNs();
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ctrl.m_bHold = false;
    });
    QVERIFY(ctrl.G01_Move(Pt(1, 0, 0), true, true));
    release.join();
    QVERIFY(CClock::NowNs() - t0 >= 1000000000LL); // at least one one-second pause check
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 1.0);

    // Emergency stop during the pause: false, nothing moves.
    ctrl.m_bHold = true;
    std::thread estop([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        AppConfig::m_bEmergencyStopON = true;
    });
    QVERIFY(!ctrl.G01_Move(Pt(2, 0, 0), true, true));
    estop.join();
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 1.0);
    ctrl.m_bHold = false;
    QVERIFY(!ctrl.G01_Move(Pt(2, 0, 0), true, true)); // still on
    AppConfig::m_bEmergencyStopON = false;
    ctrl.StopAll();
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 1.0);
}

void TestAppControlMoves::stopAllEndsSegment()
{
    AppControl ctrl;
    ctrl.InitMachine();
    CAllAxisCtrl::StartAutoMode(&ctrl);
    ctrl.m_AxisCtrl[X_AXIS].SetVelocityAcc(1.0, 600);
    QVERIFY(ctrl.G01_Move(Pt(100, 0, 0), false, false));
    ctrl.m_bHold = true;
    ctrl.StopAll();
    QVERIFY(!ctrl.m_bHold);
    QVERIFY(!CAllAxisCtrl::m_bAutoModeRunning);
    QVERIFY(!CAllAxisCtrl::GetMotionState());
    QVERIFY(ctrl.GetCurPos(X_AXIS) < 100.0);
}

void TestAppControlMoves::targetOfLine()
{
    AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed = true;
    AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed = true;
    AppControl ctrl;
    GCodeCmdList program{{"G01", "X10", "F600", "S12000"}, {"G01", "y-2.5", "z1"}, {"M03", "F60"}};
    ctrl.m_pGCodeLines = &program;
    ctrl.m_LastPos = Pt(100, 7, 3);

    stFloatPoint pos;
    QVERIFY(ctrl.GetPosToMov(0, pos));
    QCOMPARE(pos.x, 10.0);
    QCOMPARE(pos.y, 7.0);
    QCOMPARE(pos.z, 3.0);
    QVERIFY(qAbs(AppConfig::m_GCodeRunSettings.m_fFeed - 10.00002) < 1e-9);
    QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nCurFreq), 1486);

    // Incremental, in inches: X10 from 100 mm ends at 354 mm.
    AppConfig::m_GCodeRunSettings.m_iDistMode = 1;
    ctrl.m_fUnitScale = 25.4;
    QVERIFY(ctrl.GetPosToMov(0, pos));
    QCOMPARE(pos.x, 354.0);
    QVERIFY(ctrl.GetPosToMov(1, pos));
    QCOMPARE(pos.x, 100.0);
    QCOMPARE(pos.y, 7 - 2.5 * 25.4);
    QCOMPARE(pos.z, 3 + 25.4);

    // No axis word: false, the last position, the feed still applied.
    QVERIFY(!ctrl.GetPosToMov(2, pos));
    QCOMPARE(pos.x, 100.0);
    QVERIFY(qAbs(AppConfig::m_GCodeRunSettings.m_fFeed - 1.000002) < 1e-9);
    // Program feeds not in use: F is ignored.
    AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed = false;
    ctrl.GetPosToMov(0, pos);
    QVERIFY(qAbs(AppConfig::m_GCodeRunSettings.m_fFeed - 1.000002) < 1e-9);
}

void TestAppControlMoves::homing_data()
{
    QTest::addColumn<double>("offset");
    QTest::newRow("back-off and second approach") << 5.0;
    QTest::newRow("single approach") << 0.0;
}

void TestAppControlMoves::homing()
{
    QFETCH(double, offset);
    for (int i = 0; i < 3; ++i)
        AppConfig::m_fAxisMovPerPulse[i] = 0.01;
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_fHomeRepeatOffset = offset;
    AppConfig::m_fAxisWorkZero[X_AXIS] = 20.0;
    for (int i = 0; i < 3; ++i)
        AppConfig::m_fAxisHomeFeed[i] = 2.0; // the jog feed stays 10
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    ctrl.InitMachine();
    CStepCounter steps;
    // Home switches: X homes towards negative (home direction differs from
    // its positive direction) and trips 10 mm away; Y and Z home towards
    // positive and trip after 8 mm and 3 mm.
    CSimPinBank& bank = CSimPinBank::Instance();
    QVERIFY(bank.AddInputRule(PIN_X_HOME, 1, steps.Handle(X_AXIS), ECompare::AtMost, -1000));
    QVERIFY(bank.AddInputRule(PIN_Y_HOME, 1, steps.Handle(Y_AXIS), ECompare::AtLeast, 800));
    QVERIFY(bank.AddInputRule(PIN_Z_HOME, 1, steps.Handle(Z_AXIS), ECompare::AtLeast, 300));

    QVERIFY(ctrl.StartMchHomingSequence());
    QCOMPARE(ctrl.m_iRunMode.load(), int(AppControl::RUN_MCH_HOMING));
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(windows.Calls(), QStringList{"EnableDisableWindows"});
    QVERIFY(TakeMessages(ctrl).isEmpty());

    // At machine home: the switch positions, and machine 0 in work terms.
    QCOMPARE(steps.Count(X_AXIS), -1000);
    QCOMPARE(steps.Count(Y_AXIS), 800);
    QCOMPARE(steps.Count(Z_AXIS), 300);
    QCOMPARE(ctrl.GetCurPos(X_AXIS), -20.0);
    QCOMPARE(ctrl.GetCurPos(Y_AXIS), 0.0);
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), 0.0);
    QVERIFY(ctrl.GetHomeDone());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!ctrl.m_AxisCtrl[i].m_bHoming);
        QCOMPARE(Pending(ctrl.m_AxisCtrl[i]).m_fFeed, AppConfig::m_fAxisFeed[i]); // working feed back
    }

    // Each back-off leaves the switch by 5 mm (X upwards, Y and Z downwards)
    // and the second approach comes back: the net travel stays at the
    // switch while each axis runs 10 mm further.
    const quint64 extra = offset > 0 ? 1000 : 0;
    QCOMPARE(steps.Pulses(X_AXIS), 1000 + extra);
    QCOMPARE(steps.Pulses(Y_AXIS), 800 + extra);
    QCOMPARE(steps.Pulses(Z_AXIS), 300 + extra);

    // Z reaches its switch before X or Y take a step.
    const std::vector<stPinWrite> log = bank.WriteLog();
    QCOMPARE(bank.LostLogEntries(), 0u);
    const int firstXY = std::min(FirstLastStep(log, PIN_X_STEP).first, FirstLastStep(log, PIN_Y_STEP).first);
    QVERIFY(firstXY > 0);
    QCOMPARE(Rising(log, PIN_Z_STEP, 0, firstXY), 300);

    // The table the last approach of every axis ran on (the working feed's
    // waits for the next move): after a back-off at the slow home feed,
    // 0.01 mm / 2 mm/s = 5 ms a step; without one at the jog feed,
    // 0.01 mm / 10 mm/s = 1 ms a step. (The step times in the pin log do
    // not show it: axes that run together share the virtual clock.)
    const double expectedNs = offset > 0 ? 5e6 : 1e6;
    for (int i = 0; i < 3; ++i) {
        const AxisCtrl& axis = ctrl.m_AxisCtrl[i];
        const int t = axis.m_nActiveTable;
        QCOMPARE(axis.m_fCruiseHighNs[t] + axis.m_fCruiseLowNs[t], expectedNs);
    }
}

void TestAppControlMoves::homeDoneNeedsEveryAxis()
{
    // Homed but for one axis, whichever it is (Z as well): not homed, and
    // the move to work zero is refused.
    AppControl ctrl;
    HomedMachine(ctrl);
    QVERIFY(ctrl.GetHomeDone());
    for (int i = 0; i < 3; ++i) {
        ctrl.SetMchHome();
        ctrl.m_AxisCtrl[i].ClearHome();
        QVERIFY2(!ctrl.GetHomeDone(), qPrintable(QString("axis %1 not homed").arg(i)));
        QVERIFY(!ctrl.StartWorkHomingSequence());
        QCOMPARE(TakeMessages(ctrl), QStringList{"error: Homing not done! Use \"Move Home\" in user Settings"});
    }
}

void TestAppControlMoves::homingTimeoutStopsAxes()
{
    // A home switch that never trips: the wait gives up after 300 s with
    // the axis named, and the axis is not left running.
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.1;
    AppConfig::m_fAxisJogFeed[Z_AXIS] = 1.0;
    AppConfig::m_bHomeSensorsUsed = true;
    CPacedPins paced;
    AppControl ctrl;
    ctrl.InitMachine();
    QVERIFY(ctrl.StartMchHomingSequence());
    QVERIFY(FinishOperation(ctrl, 120000));
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Error:Z-Axis Motion Timeout"});
    QVERIFY(ctrl.IsMachineIdle());
    QVERIFY(!ctrl.GetHomeDone());
    QVERIFY(!ctrl.m_AxisCtrl[Z_AXIS].m_bHoming);
    QCOMPARE(paced.RisingEdges(PIN_X_STEP), 0u); // X never started
    QVERIFY(paced.RisingEdges(PIN_Z_STEP) > 0);
}

void TestAppControlMoves::moveWorkZeroOrder()
{
    for (int i = 0; i < 3; ++i)
        AppConfig::m_fAxisMovPerPulse[i] = 0.01;
    AppControl ctrl;
    ctrl.InitMachine();
    ctrl.m_AxisCtrl[X_AXIS].SetCurPos(10.0);
    ctrl.m_AxisCtrl[Y_AXIS].SetCurPos(-5.0);
    ctrl.m_AxisCtrl[Z_AXIS].SetCurPos(-2.0);
    CStepCounter steps;

    QVERIFY(ctrl.MoveWorkZeroAll());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(ctrl.GetCurPos(eAxis(i)), 0.0);

    // Z rises 7 mm to the safe height before X and Y move, and comes down
    // the last 5 mm after them.
    const std::vector<stPinWrite> log = CSimPinBank::Instance().WriteLog();
    const auto x = FirstLastStep(log, PIN_X_STEP);
    const auto y = FirstLastStep(log, PIN_Y_STEP);
    const int firstXY = std::min(x.first, y.first);
    const int lastXY = std::max(x.second, y.second);
    QCOMPARE(Rising(log, PIN_Z_STEP, 0, firstXY), 700);
    QCOMPARE(Rising(log, PIN_Z_STEP, firstXY, lastXY), 0);
    QCOMPARE(Rising(log, PIN_Z_STEP, lastXY, int(log.size())), 500);
    QCOMPARE(steps.Count(Z_AXIS), 200);
}

void TestAppControlMoves::moveWorkZeroRefusedBeforeHoming()
{
    AppConfig::m_bHomeSensorsUsed = true;
    AppControl ctrl;
    ctrl.InitMachine();
    QVERIFY(!ctrl.MoveWorkZeroAll());
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Homing not done! Use \"Move Home\" in user Settings"});
    QCOMPARE(CSimPinBank::Instance().TotalWrites(), 0u);
}

void TestAppControlMoves::moveWorkZeroRefusalStopsStartedAxes()
{
    // X sets off for its work zero, then Y refuses (it is jogging): X is
    // not left running on its own.
    AppControl ctrl;
    ctrl.InitMachine();
    ctrl.m_AxisCtrl[X_AXIS].SetCurPos(100.0);
    QVERIFY(ctrl.JogPos(Y_AXIS));
    QVERIFY(!ctrl.MoveWorkZeroAll());
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Axis is in Motion"});
    QVERIFY(!ctrl.m_AxisCtrl[X_AXIS].GetAxisState());
    QVERIFY(ctrl.GetCurPos(X_AXIS) > 0.0);
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), 5.0); // Z went up first
    ctrl.StopAll();
}

void TestAppControlMoves::autoHomingAtStart()
{
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_bAutoHmOnStartup = true;
    AppConfig::m_fHomeRepeatOffset = 0.0;
    for (int i = 0; i < 3; ++i)
        AppConfig::m_fAxisMovPerPulse[i] = 0.01;
    CStepCounter steps;
    CSimPinBank& bank = CSimPinBank::Instance();
    QVERIFY(bank.AddInputRule(PIN_X_HOME, 1, steps.Handle(X_AXIS), ECompare::AtMost, -10));
    QVERIFY(bank.AddInputRule(PIN_Y_HOME, 1, steps.Handle(Y_AXIS), ECompare::AtLeast, 10));
    QVERIFY(bank.AddInputRule(PIN_Z_HOME, 1, steps.Handle(Z_AXIS), ECompare::AtLeast, 10));
    AppControl ctrl;
    QVERIFY(ctrl.InitMachine());
    QCOMPARE(ctrl.m_iRunMode.load(), int(AppControl::RUN_MCH_HOMING));
    QVERIFY(FinishOperation(ctrl));
    QVERIFY(ctrl.GetHomeDone());
}

void TestAppControlMoves::stopAllEndsOperation()
{
    // Stop while Z creeps towards its switch: the homing ends there; X and
    // Y do not set off afterwards. The machine was homed before: a homing
    // that did not finish leaves it not homed.
    AppConfig::m_bHomeSensorsUsed = true;
    AppControl ctrl;
    ctrl.InitMachine();
    ctrl.SetMchHome();
    {
        CPacedPins paced;
        QVERIFY(ctrl.StartMchHomingSequence());
        QTRY_VERIFY(paced.RisingEdges(PIN_Z_STEP) > 10);
        ctrl.StopAll();
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(paced.RisingEdges(PIN_X_STEP) + paced.RisingEdges(PIN_Y_STEP), 0u);
    }
    QVERIFY(ctrl.IsMachineIdle());
    QVERIFY(!ctrl.GetHomeDone());
    for (int i = 0; i < 3; ++i) // X and Y too, which never set off
        QVERIFY(!ctrl.m_AxisCtrl[i].IsAxisHomeSet());
    QVERIFY(TakeMessages(ctrl).isEmpty());

    // The next operation runs normally.
    AppConfig::m_bHomeSensorsUsed = false;
    ctrl.InitMachine();
    ctrl.m_AxisCtrl[X_AXIS].SetCurPos(0.5);
    QVERIFY(ctrl.StartWorkHomingSequence());
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 0.0);
}

void TestAppControlMoves::setWorkZero()
{
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    HomedMachine(ctrl);
    ctrl.m_AxisCtrl[X_AXIS].SetCurPos(50.0);
    QVERIFY(!QFile::exists(CAppPaths::ConfigFile()));

    QVERIFY(ctrl.SetWorkZero(X_AXIS));
    QCOMPARE(TakeMessages(ctrl), QStringList{"info: X-Axis Work Zero is set"});
    QCOMPARE(AppConfig::m_fAxisWorkZero[X_AXIS], 50.0);
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 0.0);
    QCOMPARE(ctrl.m_AxisCtrl[X_AXIS].m_lPosDirLimit, 1300000L); // 180 - 50 mm
    QCOMPARE(ctrl.m_AxisCtrl[X_AXIS].m_lNegDirLimit, -500000L);
    QCOMPARE(windows.Calls(), QStringList{"UpdateWorkArea"});

    // The settings file holds the new zero.
    QVERIFY(QFile::exists(CAppPaths::ConfigFile()));
    AppConfig::m_fAxisWorkZero[X_AXIS] = 0.0;
    QCOMPARE(AppConfig::LoadConfig(CAppPaths::ConfigFile()), 1);
    QCOMPARE(AppConfig::m_fAxisWorkZero[X_AXIS], 50.0);
}

void TestAppControlMoves::setWorkZeroOutOfRange()
{
    AppConfig::m_fAxisWorkZero[X_AXIS] = 20.0;
    for (int i = 0; i < 3; ++i)
        AppConfig::m_fAxisHomeFeed[i] = 2.0; // the jog feed stays 10
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    HomedMachine(ctrl);
    ctrl.m_AxisCtrl[X_AXIS].SetCurPos(170.0); // machine 190, beyond 180

    QVERIFY(!ctrl.SetWorkZero(X_AXIS));
    QCOMPARE(TakeMessages(ctrl),
             QStringList{"error: Work Zero for X-Axis must be in between -20.0000 and 160.0000"});
    QCOMPARE(AppConfig::m_fAxisWorkZero[X_AXIS], 20.0);
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 170.0);
    QVERIFY(!QFile::exists(CAppPaths::ConfigFile()));
    QVERIFY(windows.Calls().isEmpty());
}

void TestAppControlMoves::setWorkZeroWithoutHomeSwitches()
{
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    ctrl.InitMachine();
    ctrl.m_AxisCtrl[Y_AXIS].SetCurPos(7.0);
    QVERIFY(ctrl.SetWorkZero(Y_AXIS));
    QCOMPARE(TakeMessages(ctrl), QStringList{"info: Y-Axis Work Zero is set"});
    QCOMPARE(ctrl.GetCurPos(Y_AXIS), 0.0);
    QCOMPARE(AppConfig::m_fAxisWorkZero[Y_AXIS], 0.0);
    QVERIFY(!QFile::exists(CAppPaths::ConfigFile()));
    QVERIFY(windows.Calls().isEmpty());
}

void TestAppControlMoves::setWorkZeroAll()
{
    AppControl ctrl;
    HomedMachine(ctrl);
    ctrl.m_AxisCtrl[X_AXIS].SetCurPos(30.0);
    ctrl.m_AxisCtrl[Y_AXIS].SetCurPos(-40.0);
    ctrl.m_AxisCtrl[Z_AXIS].SetCurPos(-50.0); // below Z's -40 limit

    // One axis out of range: nothing changes on any axis.
    QVERIFY(!ctrl.SetWorkZero());
    QCOMPARE(TakeMessages(ctrl),
             QStringList{"error: Work Zero for Z-Axis must be in between -40.0000 and 0.0000"});
    QCOMPARE(AppConfig::m_fAxisWorkZero[X_AXIS], 0.0);
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 30.0);
    QVERIFY(!QFile::exists(CAppPaths::ConfigFile()));

    ctrl.m_AxisCtrl[Z_AXIS].SetCurPos(-12.5);
    QVERIFY(ctrl.SetWorkZero());
    QCOMPARE(TakeMessages(ctrl), QStringList{"info: Work Zero is set"});
    QCOMPARE(AppConfig::m_fAxisWorkZero[X_AXIS], 30.0);
    QCOMPARE(AppConfig::m_fAxisWorkZero[Y_AXIS], -40.0);
    QCOMPARE(AppConfig::m_fAxisWorkZero[Z_AXIS], -12.5);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(ctrl.GetCurPos(eAxis(i)), 0.0);
    QVERIFY(QFile::exists(CAppPaths::ConfigFile()));
}

void TestAppControlMoves::setWorkZeroSaveFails()
{
    // A settings file that cannot be written is reported, not passed over.
    AppControl ctrl;
    HomedMachine(ctrl);
    ctrl.m_AxisCtrl[X_AXIS].SetCurPos(5.0);
    CAppPaths::SetRoot(m_pSetup->m_Folder.Root() + "/missing/folder");
    const bool bOk = ctrl.SetWorkZero(X_AXIS);
    CAppPaths::SetRoot(m_pSetup->m_Folder.Root());
    QVERIFY(bOk);
    const QStringList msgs = TakeMessages(ctrl);
    QCOMPARE(msgs.size(), 2);
    QVERIFY(msgs[0].startsWith("error: Work Zero not saved in the settings file"));
    QCOMPARE(msgs[1], QString("info: X-Axis Work Zero is set"));
}

void TestAppControlMoves::jogs()
{
    AppConfig::m_eAxisPosDir[X_AXIS] = DIR_CCW; // the positive direction is pin level 1
    AppControl ctrl;
    ctrl.InitMachine();
    QVERIFY(ctrl.JogPos(X_AXIS));
    QVERIFY(!ctrl.JogPos(X_AXIS)); // already moving: the axis's own text
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Axis is in Motion"});
    QTRY_VERIFY(ctrl.GetCurPos(X_AXIS) > 0.01);
    ctrl.DeccelerateAxis(X_AXIS);
    const qint8 x[5] = {1, 0, 0, 0, 0};
    QVERIFY(ctrl.WaitForMotionFinish(x));
    QCOMPARE(CSimPinBank::Instance().Level(3), 1);
    const double fAfterPos = ctrl.GetCurPos(X_AXIS);
    QVERIFY(fAfterPos > 0.0);

    QVERIFY(ctrl.JogNeg(X_AXIS));
    QTRY_VERIFY(ctrl.GetCurPos(X_AXIS) < fAfterPos);
    ctrl.Stop(X_AXIS);
    QVERIFY(!ctrl.m_AxisCtrl[X_AXIS].GetAxisState());
    QCOMPARE(CSimPinBank::Instance().Level(3), 0);
    QVERIFY(ctrl.GetCurPos(X_AXIS) < fAfterPos);

    QVERIFY(ctrl.MoveAbs(Y_AXIS, -2.5));
    QVERIFY(ctrl.EngMoveAxisRel(Y_AXIS, 1.0, false) == false); // Y still moving: refused
    QCOMPARE(TakeMessages(ctrl), QStringList{"error: Axis is in Motion"});
    const qint8 y[5] = {0, 1, 0, 0, 0};
    QVERIFY(ctrl.WaitForMotionFinish(y));
    QVERIFY(ctrl.EngMoveAxisRel(Y_AXIS, 1.0, true));
    QCOMPARE(ctrl.GetCurPos(Y_AXIS), -1.5);
    QVERIFY(ctrl.MoveZSafePos());
    QVERIFY(ctrl.WaitForMotionFinish(std::array<qint8, 5>{0, 0, 1, 0, 0}.data()));
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), 5.0);

    AppConfig::m_bEmergencyStopON = true;
    QVERIFY(!ctrl.EngMoveAxisAbs(Z_AXIS, 0.0, true));
    QVERIFY(!ctrl.EngMoveAxisRel(Z_AXIS, 1.0, true));
    AppConfig::m_bEmergencyStopON = false;
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), 5.0);
}

void TestAppControlMoves::manualMovesRefusedDuringOperation()
{
    // While homing runs (Z creeping towards a far switch), single-axis
    // moves asked for from the GUI are refused.
    AppConfig::m_bHomeSensorsUsed = true;
    CPacedPins paced; // minutes of machine time, not milliseconds
    AppControl ctrl;
    ctrl.InitMachine();
    QVERIFY(ctrl.StartMchHomingSequence());
    QVERIFY(ctrl.isRunning());
    QVERIFY(!ctrl.MoveRel(Y_AXIS, 1.0));
    QVERIFY(!ctrl.JogPos(X_AXIS));
    QVERIFY(!ctrl.MoveAbs(X_AXIS, 1.0));
    QVERIFY(!ctrl.SetWorkZero(Y_AXIS));
    ctrl.StartGCode(nullptr);
    QCOMPARE(TakeMessages(ctrl), QStringList(5, "error: Axis in use"));

    // The emergency stop ends the operation; no finished flag is set.
    AppConfig::m_bEmergencyStopON = true;
    ctrl.StopAll();
    QVERIFY(WaitThreadEnd(ctrl));
    QVERIFY(!ctrl.m_bOperationFinished);
    QVERIFY(!ctrl.m_AxisCtrl[Z_AXIS].m_bHoming);
    AppConfig::m_bEmergencyStopON = false;
}

void TestAppControlMoves::handMovesOfAPausedRun()
{
    // Paused in the middle of a segment, the run's axes still move: a hand
    // jog is refused until the segment has ended. Released while the
    // operator's jog still runs, the run waits for the jog to end before
    // its next segment: no step of the run among the jog's steps.
    for (int i = 0; i < 3; ++i)
        AppConfig::m_fAxisMovPerPulse[i] = 0.01;
    CPacedPins paced; // the run's segment lasts long enough to look at it
    AppControl ctrl;
    CRecordingWindows windows;
    ctrl.SetWindows(&windows);
    ctrl.InitMachine();
    GCodeCmdList program{{"G1", "X10"}, {"G1", "X12"}};
    ctrl.StartGCode(&program);
    QVERIFY(WaitUntil([&] { return ctrl.GetCurPos(X_AXIS) > 0.5; }));
    ctrl.m_bHold = true;
    QVERIFY(!ctrl.JogPos(Y_AXIS));
    QVERIFY(TakeMessages(ctrl).contains("error: Axis in use"));
    QTRY_VERIFY(!CAllAxisCtrl::GetMotionState());
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 10.0);

    QVERIFY(ctrl.JogPos(Y_AXIS));
    ctrl.m_bHold = false;
    QVERIFY(WaitUntil([&] { return ctrl.GetCurPos(Y_AXIS) > 1.0; }));
    ctrl.Stop(Y_AXIS);
    QVERIFY(FinishOperation(ctrl));
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 12.0);
    const std::vector<stPinWrite> log = paced.WriteLog();
    QCOMPARE(paced.LostLogEntries(), 0u);
    const auto jog = FirstLastStep(log, PIN_Y_STEP);
    QVERIFY(jog.first >= 0);
    QCOMPARE(Rising(log, PIN_X_STEP, jog.first, jog.second), 0);
    QCOMPARE(Rising(log, PIN_X_STEP, jog.second, int(log.size())), 200); // X10 to X12 after it
}

QTEST_MAIN(TestAppControlMoves)
#include "tst_appcontrolmoves.moc"
