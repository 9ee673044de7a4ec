// Z zero by probe on the simulated machine: the zero is set where the probe
// touches, a probe that touches nothing travels a bounded distance and sets
// no zero, and the operation is refused while the machine is busy.
#include <QtTest>

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "hal/simpinbank.h"
#include "motiontrace.h"
#include "simcontroller.h"

namespace {
constexpr int PIN_PROBE = 21;

double Lowest(const CMotionTrace& trace)
{
    double lowest = 1e9;
    for (const stFloatPoint& p : trace.Points())
        lowest = std::min(lowest, p.z);
    return lowest;
}
}

class TestZProbe : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_pSetup = new CSimControllerSetup;
        AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.01;
    }
    void cleanup()
    {
        delete m_pSetup;
        m_pSetup = nullptr;
    }

    void zeroSetAtContact_data()
    {
        QTest::addColumn<bool>("homeSwitches");
        QTest::newRow("no home switches") << false;
        QTest::newRow("home switches") << true;
    }
    void zeroSetAtContact()
    {
        QFETCH(bool, homeSwitches);
        AppConfig::m_bHomeSensorsUsed = homeSwitches;
        AppControl ctrl;
        ctrl.InitMachine();
        if (homeSwitches)
            ctrl.SetMchHome();
        CStepCounter steps;
        // The work-piece surface 15 mm below the tool.
        QVERIFY(CSimPinBank::Instance().AddInputRule(PIN_PROBE, 1, steps.Handle(Z_AXIS), ECompare::AtMost, -1500));
        CMotionTrace trace;
        trace.Start(stFloatPoint());
        QVERIFY(ctrl.StartZ0usingZProbeSeq());
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList{"info: Z-Axis Work Zero is set"});
        QCOMPARE(Lowest(trace), -15.0);
        // Zero at the contact, then up to 3 mm above it.
        QCOMPARE(ctrl.GetCurPos(Z_AXIS), 3.0);
        QCOMPARE(steps.Count(Z_AXIS), -1200);
        QCOMPARE(AppConfig::m_fAxisWorkZero[Z_AXIS], homeSwitches ? -15.0 : 0.0);
        QVERIFY(!ctrl.m_AxisCtrl[Z_AXIS].m_bStopOnZProbe);
    }

    void noContactIsBoundedAndReported_data()
    {
        QTest::addColumn<bool>("homeSwitches");
        QTest::addColumn<double>("lowest");
        QTest::newRow("no home switches: 100 mm") << false << -100.0;
        QTest::newRow("home switches: the lower limit") << true << -30.0;
    }
    void noContactIsBoundedAndReported()
    {
        QFETCH(bool, homeSwitches);
        QFETCH(double, lowest);
        AppConfig::m_bHomeSensorsUsed = homeSwitches;
        // With home switches: Z travels from machine 0 to -40, the work zero
        // is 10 mm below the top.
        AppConfig::m_fAxisWorkZero[Z_AXIS] = homeSwitches ? -10.0 : 0.0;
        AppControl ctrl;
        ctrl.InitMachine();
        if (homeSwitches)
            ctrl.SetMchHome();
        CMotionTrace trace;
        stFloatPoint start;
        start.z = ctrl.GetCurPos(Z_AXIS);
        trace.Start(start);
        QVERIFY(ctrl.StartZ0usingZProbeSeq());
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl),
                 QStringList{"error: Z probe did not touch the work-piece: Z Work Zero is not set"});
        QCOMPARE(Lowest(trace), lowest);
        // No zero was set: Z rises to 3 mm of the old zero.
        QCOMPARE(ctrl.GetCurPos(Z_AXIS), 3.0);
        QCOMPARE(trace.Points().last().z, 3.0);
        QCOMPARE(AppConfig::m_fAxisWorkZero[Z_AXIS], homeSwitches ? -10.0 : 0.0);
    }

    void probeInputNotFitted()
    {
        AppConfig::m_iZProbeInput = -1;
        AppControl ctrl;
        ctrl.InitMachine();
        CStepCounter steps;
        QVERIFY(ctrl.StartZ0usingZProbeSeq());
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList{"error: Z probe input is not configured"});
        QCOMPARE(steps.Pulses(Z_AXIS), 0u);
        AppConfig::m_iZProbeInput = PIN_PROBE;
    }

    void refusedWhileBusy()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        ctrl.m_iRunMode = AppControl::RUN_GCODE;
        QVERIFY(!ctrl.StartZ0usingZProbeSeq());
        QCOMPARE(TakeMessages(ctrl), QStringList{"error: Axis in use"});
        QVERIFY(!ctrl.isRunning());
        ctrl.m_iRunMode = AppControl::RUN_IDLE;
    }

private:
    CSimControllerSetup* m_pSetup = nullptr;
};

QTEST_MAIN(TestZProbe)
#include "tst_zprobe.moc"
