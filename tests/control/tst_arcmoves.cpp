// Arcs cut by the controller on the simulated machine: every point reached
// as a straight move in each plane, helices, the pause between segments, the
// arc errors, a refused segment, and arcs that follow the Z profile.
#include <QtTest>

#include <atomic>
#include <thread>

#include "control/AppControl.h"
#include "control/arcgeometry.h"
#include "control/zprofile.h"
#include "core/AppConfig.h"
#include "gcode/gcodeprogram.h"
#include "machine/allaxisctrl.h"
#include "motiontrace.h"
#include "pointsupport.h"
#include "simcontroller.h"

namespace {

// The words of a line as the G-code window splits them for a run.
std::vector<std::string> Tokens(const QString& line)
{
    return CGCodeProgram::Parse_GCode_Line(line);
}

eDirection DirOf(const QString& line)
{
    return line.startsWith("G3") ? DIR_CCW : DIR_CW;
}

stFloatPoint Here(AppControl& ctrl)
{
    stFloatPoint p;
    ctrl.GetAllAxisCurPos(p);
    return p;
}

// The points the controller is expected to drive for an arc of radius 5
// about (5, 0) in the plane's (u, v) that starts at u 0: every 0.1 mm of u
// up to 9.9 on the half given first ('+' above the centre, '-' below), then
// (10, 0); a full circle comes back on the other half to (0, 0).
QList<stFloatPoint> ExpectedPoints(int plane, const QString& halves)
{
    QList<stFloatPoint> uv = CirclePoints(5, 0, 5, 0.1, 9.9, halves[0] == '+' ? 1 : -1);
    uv += Pt(10, 0);
    if (halves.size() > 1) {
        uv += CirclePoints(5, 0, 5, 9.9, 0.1, halves[1] == '+' ? 1 : -1);
        uv += Pt(0, 0);
    }
    QList<stFloatPoint> points;
    for (const stFloatPoint& p : uv)
        points += plane == 17 ? Pt(p.x, p.y) : (plane == 18 ? Pt(p.x, 0, p.y) : Pt(0, p.x, p.y));
    return points;
}

// Runs CutArc for one program line with the coordinated pulse loop running,
// as the G-code operation does.
class CArcRun
{
public:
    explicit CArcRun(AppControl& ctrl)
        : m_Ctrl(ctrl)
    {
        m_Program.push_back({});
        m_Ctrl.m_pGCodeLines = &m_Program;
        CAllAxisCtrl::StartAutoMode(&m_Ctrl);
    }
    ~CArcRun()
    {
        CAllAxisCtrl::StopAutoMode();
        while (CAllAxisCtrl::m_bAutoModeRunning)
            QThread::yieldCurrentThread();
        m_Ctrl.m_pGCodeLines = nullptr;
    }
    bool Cut(const QString& line)
    {
        m_Program[0] = Tokens(line);
        stGCodeEllipseInfo arc;
        arc.m_eDir = DirOf(line);
        return m_Ctrl.CutArc(0, arc);
    }

private:
    AppControl& m_Ctrl;
    GCodeCmdList m_Program;
};

} // namespace

class TestArcMoves : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_pSetup = new CSimControllerSetup;
        for (int i = 0; i < 3; ++i)
            AppConfig::m_fAxisMovPerPulse[i] = 0.01;
        AppConfig::m_PlaneSel = 17;
    }
    void cleanup()
    {
        AppConfig::m_PlaneSel = 17;
        AppConfig::m_ZProfileInfo = stZProfileInfo();
        delete m_pSetup;
        m_pSetup = nullptr;
    }

    void arcReachesEveryPoint_data()
    {
        QTest::addColumn<int>("plane");
        QTest::addColumn<QString>("line");
        QTest::addColumn<stFloatPoint>("end");
        QTest::addColumn<stFloatPoint>("via");
        QTest::addColumn<QString>("halves");
        QTest::newRow("G17 G2") << 17 << "G2 X10 Y0 I5 J0" << Pt(10, 0) << Pt(5, 5) << "+";
        QTest::newRow("G17 G3") << 17 << "G3 X10 Y0 I5 J0" << Pt(10, 0) << Pt(5, -5) << "-";
        QTest::newRow("G17 G2 R") << 17 << "G2 X10 Y0 R5" << Pt(10, 0) << Pt(5, 5) << "+";
        QTest::newRow("G17 full circle") << 17 << "G3 I5" << Pt(0, 0) << Pt(10, 0) << "-+";
        // G2 is clockwise seen from +Y: from X0 towards X10 it passes below.
        QTest::newRow("G18 G2") << 18 << "G2 X10 Z0 I5 K0" << Pt(10, 0) << Pt(5, 0, -5) << "-";
        QTest::newRow("G18 G3") << 18 << "G3 X10 Z0 I5 K0" << Pt(10, 0) << Pt(5, 0, 5) << "+";
        QTest::newRow("G19 G2") << 19 << "G2 Y10 Z0 J5 K0" << Pt(0, 10) << Pt(0, 5, 5) << "+";
        // The words of a comment are none of the arc's.
        QTest::newRow("G17 G2, X20 in a comment")
            << 17 << "G2 X10 Y0 I5 J0 (to X20)" << Pt(10, 0) << Pt(5, 5) << "+";
    }
    void arcReachesEveryPoint()
    {
        QFETCH(int, plane);
        QFETCH(QString, line);
        QFETCH(stFloatPoint, end);
        QFETCH(stFloatPoint, via);
        QFETCH(QString, halves);
        AppConfig::m_PlaneSel = quint8(plane);
        AppControl ctrl;
        ctrl.InitMachine();
        const QList<stFloatPoint> expected = ExpectedPoints(plane, halves);
        CMotionTrace trace;
        trace.Start(Here(ctrl));
        {
            CArcRun run(ctrl);
            QVERIFY(run.Cut(line));
        }
        QVERIFY2(TakeMessages(ctrl).isEmpty(), qPrintable(TakeMessages(ctrl).join('\n')));
        const stFloatPoint at = Here(ctrl);
        QCOMPARE(at.x, end.x);
        QCOMPARE(at.y, end.y);
        QCOMPARE(at.z, end.z);
        QVERIFY(trace.Passes(via, 0.011));
        // Every point is the end of a straight segment.
        QString missed;
        QVERIFY2(trace.PassesInOrder(expected, 0.011, &missed), qPrintable(missed));
    }

    void helixLowersZEvenly()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        CMotionTrace trace;
        trace.Start(Here(ctrl));
        {
            CArcRun run(ctrl);
            QVERIFY(run.Cut("G2 X10 Y0 I5 J0 Z-2"));
        }
        const stFloatPoint at = Here(ctrl);
        QCOMPARE(at.x, 10.0);
        QCOMPARE(at.y, 0.0);
        QCOMPARE(at.z, -2.0);
        double lowest = 0.0;
        for (const stFloatPoint& p : trace.Points()) {
            QVERIFY(p.z <= lowest + 1e-9); // never rises
            lowest = p.z;
        }
        QVERIFY(trace.Passes(Pt(5, 5, -1), 0.03)); // half way round, half way down
    }

    void feedWordOfTheArcLine()
    {
        AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed = true;
        AppControl ctrl;
        ctrl.InitMachine();
        CArcRun run(ctrl);
        QVERIFY(run.Cut("G2 X10 Y0 I5 J0 F600"));
        QVERIFY(std::fabs(AppConfig::m_GCodeRunSettings.m_fFeed - 10.0) < 1e-3); // 600 mm/min
    }

    void pauseHoldsBetweenSegments()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        CStepCounter steps;
        CArcRun run(ctrl);
        ctrl.m_bHold = true;
        std::atomic<bool> done{false};
        bool result = false;
        std::thread cutter([&]() {
            result = run.Cut("G2 X10 Y0 I5 J0");
            done = true;
        });
        QTest::qWait(50);
        QVERIFY(!done);
        QCOMPARE(steps.Pulses(X_AXIS), 0u);
        ctrl.m_bHold = false;
        cutter.join();
        QVERIFY(result);
        QCOMPARE(ctrl.GetCurPos(X_AXIS), 10.0);
    }

    void emergencyStopWhilePaused()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        CStepCounter steps;
        CArcRun run(ctrl);
        ctrl.m_bHold = true;
        bool result = true;
        std::thread cutter([&]() { result = run.Cut("G2 X10 Y0 I5 J0"); });
        QTest::qWait(20);
        AppConfig::m_bEmergencyStopON = true;
        cutter.join();
        QVERIFY(!result);
        QCOMPARE(steps.Pulses(X_AXIS), 0u);
    }

    void arcErrors_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("error");
        QTest::newRow("end outside") << "G2 X10.5 Y0 I5 J0" << "End Point X:10.5000 is outside the circle by 0.5000mm";
        QTest::newRow("centre on the start") << "G2 X1 Y1 I0.0005 J0.0005" << "Error: Arc too small to execute: Arc Radius";
        QTest::newRow("radius below half the chord") << "G2 X10 Y0 R4" << "Error: Arc too small to execute: Arc Radius";
    }
    void arcErrors()
    {
        QFETCH(QString, line);
        QFETCH(QString, error);
        AppControl ctrl;
        ctrl.InitMachine();
        CStepCounter steps;
        {
            CArcRun run(ctrl);
            QVERIFY(!run.Cut(line));
        }
        // The refusal names the program line (here the first, 0).
        QCOMPARE(TakeMessages(ctrl), QStringList{"error: " + error + ", line 0"});
        QCOMPARE(steps.Pulses(X_AXIS), 0u);
        QCOMPARE(steps.Pulses(Y_AXIS), 0u);
    }

    void refusedSegmentEndsTheArc()
    {
        // X may not go below 0: the arc stops at its last point inside.
        AppConfig::m_bHomeSensorsUsed = true;
        AppControl ctrl;
        ctrl.InitMachine();
        ctrl.SetMchHome();
        ctrl.m_AxisCtrl[X_AXIS].SetCurPos(9.0);
        ctrl.m_AxisCtrl[Y_AXIS].SetCurPos(-5.0);
        {
            CArcRun run(ctrl);
            QVERIFY(!run.Cut("G3 X-1 Y-5 I-5 J0"));
        }
        QCOMPARE(TakeMessages(ctrl), QStringList{"error: Position to move must be within the motion limits"});
        QCOMPARE(ctrl.GetCurPos(X_AXIS), 0.0);
        QCOMPARE(ctrl.GetCurPos(Y_AXIS), -2.0);
    }

    void arcFollowsTheZProfile()
    {
        // Surface z = 0.01 x + 0.02 y, probed every 10 mm.
        ZProfileGrid grid = CZProfile::ProbeTargets(20, 20, 10);
        for (auto& row : grid) {
            for (auto& p : row)
                p.z = 0.01 * p.x + 0.02 * p.y;
        }
        AppConfig::m_ZProfileInfo.m_lstGrid = grid;
        AppConfig::m_ZProfileInfo.m_fXYStep = 10;
        AppConfig::m_bUseZProfile = true;
        AppControl ctrl;
        ctrl.InitMachine();
        const QList<stFloatPoint> expected = ExpectedPoints(17, "+");
        CMotionTrace trace;
        trace.Start(Here(ctrl));
        {
            CArcRun run(ctrl);
            QVERIFY(run.Cut("G2 X10 Y0 I5 J0"));
        }
        for (int k = 0; k < expected.size(); k += 7) {
            stFloatPoint pt = expected[k];
            pt.z = NearestSampleHeight([](double x, double y) { return 0.01 * x + 0.02 * y; }, 10, pt.x, pt.y);
            QVERIFY2(trace.Passes(pt, 0.011), qPrintable(QString("%1 %2 %3").arg(pt.x).arg(pt.y).arg(pt.z)));
        }
        QCOMPARE(ctrl.GetCurPos(Z_AXIS), 0.1); // the sample at (10, 0)
        AppConfig::m_bUseZProfile = false;
    }

private:
    CSimControllerSetup* m_pSetup = nullptr;
};

QTEST_MAIN(TestArcMoves)
#include "tst_arcmoves.moc"
