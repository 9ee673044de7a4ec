// The Z profile on the simulated machine: the grid probed over a tilted
// surface in serpentine order with Z lifted between points, the offset, a
// single row discarded, a point without contact, the starter, and moves
// corrected by the grid across several consecutive moves, and a dry run in
// simulation.
#include <QtTest>

#include <functional>

#include "control/AppControl.h"
#include "control/zprofile.h"
#include "core/AppConfig.h"
#include "gcode/gcodeprogram.h"
#include "hal/simpinbank.h"
#include "machine/allaxisctrl.h"
#include "motiontrace.h"
#include "pointsupport.h"
#include "simcontroller.h"

namespace {
constexpr int PIN_M3 = 8;

double Tilted(double x, double y)
{
    return 0.01 * x + 0.02 * y;
}

void SetProfile(double length, double width, double step, double offset = 0.0)
{
    stZProfileInfo& info = AppConfig::m_ZProfileInfo;
    info = stZProfileInfo();
    info.m_fLength = length;
    info.m_fWidth = width;
    info.m_fXYStep = step;
    info.m_fZOffset = offset;
}

// The grid of a 25 x 20 mm profile at a 10 mm step: three rows of four
// points in serpentine order; checkZ looks at each point's height.
void CheckGrid25x20(const std::function<void(int, int, const stFloatPoint&)>& checkZ)
{
    const auto& grid = AppConfig::m_ZProfileInfo.m_lstGrid;
    const QList<QList<double>> xs = {{0, 10, 20, 25}, {25, 15, 5, 0}, {0, 10, 20, 25}};
    QCOMPARE(grid.size(), 3);
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(grid[r].size(), 4);
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(grid[r][c].x, xs[r][c]);
            QCOMPARE(grid[r][c].y, r * 10.0);
            checkZ(r, c, grid[r][c]);
        }
    }
}

// A 40 x 40 mm profile at a 10 mm step, as if probed over `surface`, held
// as the machine's profile; returns the grid.
ZProfileGrid InstallSurfaceGrid(const std::function<double(double, double)>& surface)
{
    ZProfileGrid grid = CZProfile::ProbeTargets(40, 40, 10);
    for (auto& row : grid) {
        for (auto& p : row)
            p.z = surface(p.x, p.y);
    }
    SetProfile(40, 40, 10);
    AppConfig::m_ZProfileInfo.m_lstGrid = grid;
    return grid;
}
}

class TestZProfileRun : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_pSetup = new CSimControllerSetup;
        for (int i = 0; i < 3; ++i)
            AppConfig::m_fAxisMovPerPulse[i] = 0.01;
    }
    void cleanup()
    {
        AppConfig::m_ZProfileInfo = stZProfileInfo();
        delete m_pSetup;
        m_pSetup = nullptr;
    }

    void gridOverATiltedSurface_data()
    {
        QTest::addColumn<double>("offset");
        QTest::newRow("no offset") << 0.0;
        QTest::newRow("offset 0.5") << 0.5;
    }
    void gridOverATiltedSurface()
    {
        QFETCH(double, offset);
        SetProfile(25, 20, 10, offset);
        AppControl ctrl;
        CRecordingWindows windows;
        ctrl.SetWindows(&windows);
        ctrl.InitMachine();
        CSurfaceProbe surface(Tilted);
        ctrl.TurnOnOffSpindle(true, DIR_CW);
        CMotionTrace trace;
        trace.Start(stFloatPoint());

        QVERIFY(ctrl.RunZProfile());
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList());
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M3), 0); // spindle off
        QCOMPARE(windows.Calls(), QStringList({"EnableDisableWindows", "ClearToolGraphics"}));

        CheckGrid25x20([&](int r, int c, const stFloatPoint& p) {
            // The work zero itself is not probed; every other point is
            // where the probe touched, to within a step.
            const double surfaceZ = r == 0 && c == 0 ? 0.0 : Tilted(p.x, p.y);
            QVERIFY2(std::fabs(p.z - offset - surfaceZ) <= 0.01, qPrintable(QString::number(p.z)));
        });
        QCOMPARE(AppConfig::m_ZProfileInfo.m_lstGrid[0][0].z, offset);

        // X and Y move only with Z lifted half the probing range above zero,
        // and the tool never goes below the probing range.
        const QList<stFloatPoint> path = trace.Points();
        for (int i = 1; i < path.size(); ++i) {
            if (path[i].x != path[i - 1].x || path[i].y != path[i - 1].y)
                QVERIFY2(path[i].z >= 1.5 - 1e-9, qPrintable(QString::number(path[i].z)));
            QVERIFY(path[i].z >= -1.5 - 1e-9);
        }
        // The common end raises Z to the safe height.
        QCOMPARE(ctrl.GetCurPos(Z_AXIS), 5.0);
        QVERIFY(!ctrl.m_AxisCtrl[Z_AXIS].m_bStopOnZProbe);
    }

    void singleRowIsDiscarded()
    {
        SetProfile(30, 0, 10);
        AppConfig::m_ZProfileInfo.m_lstGrid = {{Pt(1, 1)}, {Pt(2, 2)}}; // an older profile
        AppControl ctrl;
        ctrl.InitMachine();
        CSurfaceProbe surface(Tilted);
        QVERIFY(ctrl.RunZProfile());
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList());
        QVERIFY(AppConfig::m_ZProfileInfo.m_lstGrid.isEmpty());
    }

    void noContactStopsTheProfile()
    {
        SetProfile(30, 20, 10);
        AppControl ctrl;
        ctrl.InitMachine();
        // A hole deeper than the probing range from X 15 on.
        CSurfaceProbe surface([](double x, double) { return x > 15 ? -5.0 : 0.0; });
        CMotionTrace trace;
        trace.Start(stFloatPoint());
        QVERIFY(ctrl.RunZProfile());
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl),
                 QStringList{"error: Z probe did not touch the work-piece at X:20.0000 Y:0.0000: Z profile stopped"});
        QVERIFY(AppConfig::m_ZProfileInfo.m_lstGrid.isEmpty());
        double lowest = 0.0;
        for (const stFloatPoint& p : trace.Points())
            lowest = std::min(lowest, p.z);
        QCOMPARE(lowest, -1.5); // the probing range, no further
        QCOMPARE(ctrl.GetCurPos(Z_AXIS), 5.0);
        QCOMPARE(ctrl.GetCurPos(X_AXIS), 20.0);
    }

    // In simulation nothing touches the probe: a dry run records every point
    // at the lowest Z reached, says so once, drives no step pin and still
    // ends with Z at the safe height.
    void dryRunInSimulationRecordsTheLowestZ()
    {
        SetProfile(25, 20, 10);
        AppConfig::m_bSimulationMode = true;
        AppControl ctrl;
        ctrl.InitMachine();
        CSimPinBank& bank = CSimPinBank::Instance();
        bank.ClearLog();
        QVERIFY(ctrl.RunZProfile());
        QVERIFY(FinishOperation(ctrl));
        AppConfig::m_bSimulationMode = false;
        QCOMPARE(TakeMessages(ctrl),
                 QStringList{"info: Simulation: Z probe did not touch at X:10.0000 Y:0.0000; points without contact "
                             "get the lowest Z reached"});
        CheckGrid25x20([](int r, int c, const stFloatPoint& p) {
            // From half the range above zero down by the whole range.
            QCOMPARE(p.z, r == 0 && c == 0 ? 0.0 : -1.5);
        });
        for (int axis = X_AXIS; axis <= Z_AXIS; ++axis)
            QCOMPARE(bank.WriteCount(AppConfig::m_iAxisPulseOutput[axis]), quint64(0));
        QCOMPARE(ctrl.GetCurPos(Z_AXIS), 5.0);
        QVERIFY(!ctrl.m_AxisCtrl[Z_AXIS].m_bStopOnZProbe);
    }

    void starterRefusals()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        ctrl.m_iRunMode = AppControl::RUN_GCODE;
        QVERIFY(!ctrl.RunZProfile());
        QCOMPARE(TakeMessages(ctrl), QStringList{"error: Axis in use"});
        ctrl.m_iRunMode = AppControl::RUN_IDLE;

        SetProfile(30, 20, 0);
        QVERIFY(ctrl.RunZProfile());
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList{"error: Z profile step must be greater than 0"});
    }

    // Settings that cannot give a profile, or no probe input: refused before
    // anything moves, and the profile probed before is kept.
    void refusedProfileKeepsTheOldOne_data()
    {
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("range");
        QTest::addColumn<bool>("probeFitted");
        QTest::addColumn<QString>("message");
        QTest::newRow("no step") << 0.0 << 3.0 << true << "Z profile step must be greater than 0";
        QTest::newRow("no range") << 10.0 << 0.0 << true << "Z profile range must be greater than 0";
        QTest::newRow("a hundredth of a mm") << 0.01 << 3.0 << true
                                             << "Z profile has too many points: increase the X-Y Step";
        QTest::newRow("no probe input") << 10.0 << 3.0 << false << "Z probe input is not configured";
    }
    void refusedProfileKeepsTheOldOne()
    {
        QFETCH(double, step);
        QFETCH(double, range);
        QFETCH(bool, probeFitted);
        QFETCH(QString, message);
        SetProfile(150, 150, step);
        AppConfig::m_ZProfileInfo.m_fZRange = range;
        const ZProfileGrid old = {{Pt(0, 0, 0.1), Pt(10, 0, 0.2)}, {Pt(10, 10, 0.3), Pt(0, 10, 0.4)}};
        AppConfig::m_ZProfileInfo.m_lstGrid = old;
        if (!probeFitted)
            AppConfig::m_iZProbeInput = -1;
        AppControl ctrl;
        ctrl.InitMachine();
        ctrl.m_AxisCtrl[Z_AXIS].SetCurPos(-1.0); // the common end lifts Z; nothing else moves
        CMotionTrace trace;
        trace.Start(Pt(0, 0, -1));
        QVERIFY(ctrl.RunZProfile());
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList{"error: " + message});
        QCOMPARE(AppConfig::m_ZProfileInfo.m_lstGrid.size(), old.size());
        QCOMPARE(AppConfig::m_ZProfileInfo.m_lstGrid[1][1].z, 0.4);
        // Only the common end's lift to the safe height: Z never comes down.
        double z = -1.0;
        for (const stFloatPoint& p : trace.Points()) {
            QCOMPARE(p.x, 0.0);
            QCOMPARE(p.y, 0.0);
            QVERIFY(p.z >= z);
            z = p.z;
        }
        QCOMPARE(z, 5.0);
    }

    void correctedMovesFollowTheSurface()
    {
        const ZProfileGrid grid = InstallSurfaceGrid(Tilted);
        AppControl ctrl;
        ctrl.InitMachine();
        CMotionTrace trace;
        trace.Start(stFloatPoint());
        // A square along the surface, then up and down onto it again: the
        // programmed points stay at Z 0 from move to move.
        const QList<stFloatPoint> path = {Pt(0, 0), Pt(20, 0), Pt(20, 20), Pt(0, 20), Pt(0, 20, 2), Pt(30, 10)};
        CAllAxisCtrl::StartAutoMode(&ctrl);
        for (int i = 1; i < path.size(); ++i)
            QVERIFY(ctrl.ZProfileMove(path[i - 1], path[i]));
        while (CAllAxisCtrl::GetMotionState())
            QThread::yieldCurrentThread();
        CAllAxisCtrl::StopAutoMode();
        while (CAllAxisCtrl::m_bAutoModeRunning)
            QThread::yieldCurrentThread();
        // Worked out by hand: pieces of 5 mm (half the grid step), each at
        // the sample of the nearest grid point (the first of two as near),
        // z = 0.01 x + 0.02 y there. Along X at Y 0: (5, 0) is as near
        // (0, 0) as (10, 0) and takes (0, 0): 0; (10, 0) 0.1; (15, 0) takes
        // (10, 0): 0.1; (20, 0) 0.2. Up X 20: (20, 5) takes (20, 0): 0.2;
        // (20, 10) 0.4; (20, 15) takes (20, 10): 0.4; (20, 20) 0.6. Back at
        // Y 20: (15, 20) takes (10, 20): 0.5; (10, 20) 0.5; (5, 20) takes
        // (0, 20): 0.4; (0, 20) 0.4. Straight up to Z 2: uncorrected. Down
        // onto the surface at (30, 10): 0.3 + 0.2 = 0.5.
        const QList<stFloatPoint> expected = {
            Pt(5, 0, 0),    Pt(10, 0, 0.1),  Pt(15, 0, 0.1),  Pt(20, 0, 0.2),  Pt(20, 5, 0.2),
            Pt(20, 10, 0.4), Pt(20, 15, 0.4), Pt(20, 20, 0.6), Pt(15, 20, 0.5), Pt(10, 20, 0.5),
            Pt(5, 20, 0.4), Pt(0, 20, 0.4),  Pt(0, 20, 2),    Pt(30, 10, 0.5)};
        QString missed;
        QVERIFY2(trace.PassesInOrder(expected, 0.011, &missed), qPrintable(missed));
        QCOMPARE(ctrl.GetCurPos(X_AXIS), 30.0);
        QCOMPARE(ctrl.GetCurPos(Y_AXIS), 10.0);
        QCOMPARE(ctrl.GetCurPos(Z_AXIS), 0.5); // the sample at (30, 10)
    }

    // A program on an uneven surface that lies above the work zero
    // everywhere: a straight move, an arc and a straight move again, all at
    // Z 0. Each one follows the grid, the arc and the move after it too.
    void programWithArcsFollowsTheSurface()
    {
        auto uneven = [](double x, double y) { return 0.3 + 0.0004 * x * x + 0.01 * y; };
        const ZProfileGrid grid = InstallSurfaceGrid(uneven);
        AppConfig::m_bUseZProfile = true;
        GCodeCmdList program;
        for (const char* line : {"G1 X10 Y10 Z0", "G2 X20 Y10 I5 J0", "G1 X40 Y30"})
            program.push_back(CGCodeProgram::Parse_GCode_Line(QString::fromLatin1(line)));
        AppControl ctrl;
        ctrl.InitMachine();
        CMotionTrace trace;
        trace.Start(stFloatPoint());
        ctrl.StartGCode(&program);
        QVERIFY(FinishOperation(ctrl));
        AppConfig::m_bUseZProfile = false;
        QCOMPARE(TakeMessages(ctrl).filter("error"), QStringList());

        // The programmed path, every piece at the sample of the nearest grid
        // point: (0, 0) to (10, 10) in two pieces of 5 mm along X; the arc,
        // radius 5 about (15, 10), over its upper half every 0.1 mm of X;
        // (20, 10) to (40, 30) in four pieces of 5 mm.
        QList<stFloatPoint> programmed = {Pt(5, 5), Pt(10, 10)};
        programmed += CirclePoints(15, 10, 5, 10.1, 19.9, 1);
        programmed += {Pt(20, 10), Pt(25, 15), Pt(30, 20), Pt(35, 25), Pt(40, 30)};
        QList<stFloatPoint> expected;
        for (stFloatPoint p : programmed) {
            p.z = NearestSampleHeight(uneven, 10, p.x, p.y);
            expected += p;
        }
        QString missed;
        QVERIFY2(trace.PassesInOrder(expected, 0.011, &missed), qPrintable(missed));
        QCOMPARE(ctrl.GetCurPos(Z_AXIS), uneven(40, 30));
    }

private:
    CSimControllerSetup* m_pSetup = nullptr;
};

QTEST_MAIN(TestZProfileRun)
#include "tst_zprofilerun.moc"
