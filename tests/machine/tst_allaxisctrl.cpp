// The coordinated pulse loop on the virtual clock and the simulated pins:
// exact pulse counts per axis and segment, every edge on its absolute
// schedule (also after a late edge), segments one after the other, stop.
#include "steptrain.h"

#include "core/AppConfig.h"
#include "hal/clock.h"
#include "machine/AxisCtrl.h"
#include "machine/allaxisctrl.h"

#include <QtTest>

#include <sched.h>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

constexpr int STEP_PIN[AXIS_COUNT] = {2, 4, 27, 5, 14};
constexpr int DIR_PIN[AXIS_COUNT] = {3, 17, 22, 6, 15};

// The edge times one axis must follow in a segment that started at 0: the
// loop's own sum (each half added as a double and cut to whole ns).
std::vector<qint64> Schedule(const AxisCtrl& axis)
{
    const int t = axis.m_nActiveTable;
    const quint64 nAcc = axis.m_nAccPulses;
    const quint64 nAccCruise = nAcc + axis.m_nCruisePulses;
    const quint64 total = nAccCruise + axis.m_nDecPulses;
    std::vector<qint64> edges;
    quint64 next = 0;
    qint64 dec = qint64(axis.m_nDecPulses) - 1;
    for (quint64 i = 0; i < total; ++i) {
        for (int high = 1; high >= 0; --high) {
            edges.push_back(qint64(next));
            double half;
            if (i < nAcc)
                half = high ? axis.m_lstRampHighNs[t][i] : axis.m_lstRampLowNs[t][i];
            else if (i < nAccCruise)
                half = high ? axis.m_fCruiseHighNs[t] : axis.m_fCruiseLowNs[t];
            else
                half = high ? axis.m_lstRampHighNs[t][size_t(dec)] : axis.m_lstRampLowNs[t][size_t(dec)];
            next = quint64(double(next) + half);
        }
        if (i >= nAccCruise)
            --dec;
    }
    edges.push_back(qint64(next)); // end of the last low time
    return edges;
}

// Edge times of `pin` in the log, rising and falling alternately.
std::vector<qint64> Edges(const CSimPinBank& bank, int pin)
{
    std::vector<qint64> edges;
    for (const stStepPulse& p : StepPulses(bank, pin)) {
        edges.push_back(p.rise);
        edges.push_back(p.fall);
    }
    return edges;
}

} // namespace

class TestAllAxisCtrl : public QObject
{
    Q_OBJECT

    std::unique_ptr<CHookedPinBank> m_pBank;
    AxisCtrl m_Axes[AXIS_COUNT];

    void Configure()
    {
        for (int ax = 0; ax < AXIS_COUNT; ++ax) {
            m_Axes[ax].m_iAxisIndex = qint16(ax);
            QVERIFY(m_Axes[ax].ConfigAxis());
            m_Axes[ax].SetCurPos(0);
            m_Axes[ax].SetDirection(DIR_CW);
        }
    }
    // Loads one segment: targets in mm for the flagged axes (NaN: not moving).
    void Load(std::initializer_list<std::pair<int, double>> targets)
    {
        CAllAxisCtrl::m_lstAxisToMov = stAxisToMove();
        for (const auto& t : targets) {
            QVERIFY(m_Axes[t.first].SetAxisMovParams(t.second));
            CAllAxisCtrl::m_lstAxisToMov.m_bAxis[t.first] = true;
        }
    }
    // Releases the loaded segment and waits (in real time) for its end.
    bool Run()
    {
        if (!CAllAxisCtrl::StartMotion())
            return false;
        QDeadlineTimer guard(20000);
        while (CAllAxisCtrl::GetMotionState() && !guard.hasExpired())
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        return !CAllAxisCtrl::GetMotionState();
    }
    static void StopLoop()
    {
        CAllAxisCtrl::StopAutoMode();
        WaitLoopEnd();
    }
    static void WaitLoopEnd()
    {
        QDeadlineTimer guard(20000);
        while (CAllAxisCtrl::m_bAutoModeRunning && !guard.hasExpired())
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        QVERIFY(!CAllAxisCtrl::m_bAutoModeRunning);
    }

private slots:
    void initTestCase()
    {
        CClock::UseVirtual(true);
        m_pBank = std::make_unique<CHookedPinBank>();
    }
    void cleanupTestCase()
    {
        StopLoop();
        m_pBank.reset();
    }
    void init()
    {
        ResetAxisSettings();
        Configure();
        m_pBank->m_fnOnWrite = nullptr;
        m_pBank->Reset();
        CAllAxisCtrl::StartAutoMode(m_Axes);
    }
    void cleanup()
    {
        CAllAxisCtrl::m_fnSegmentReleased = nullptr;
        StopLoop();
    }

    void onlyZOnAThreeAxisMachine()
    {
        Load({{Z_AXIS, -2.0}});
        const auto expected = Schedule(m_Axes[Z_AXIS]);
        QVERIFY(Run());
        QCOMPARE(m_Axes[Z_AXIS].GetCurPosLong(), -20000L);
        QCOMPARE(m_Axes[X_AXIS].GetCurPosLong(), 0L);
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[Z_AXIS]), quint64(2000));
        QCOMPARE(m_pBank->WriteCount(STEP_PIN[X_AXIS]), quint64(0));
        QCOMPARE(m_pBank->WriteCount(STEP_PIN[Y_AXIS]), quint64(0));
        // Every edge on its schedule, and the segment ends when Z's last low
        // time is over.
        const auto edges = Edges(*m_pBank, STEP_PIN[Z_AXIS]);
        QCOMPARE(edges.size() + 1, expected.size());
        const qint64 t0 = edges[0];
        for (size_t k = 0; k < edges.size(); ++k)
            QCOMPARE(edges[k] - t0, expected[k]);
        QVERIFY(CClock::NowNs() - t0 >= expected.back());
    }

    void pulsesFollowTheTables_data()
    {
        QTest::addColumn<bool>("sCurve");
        QTest::addColumn<double>("mm");
        QTest::newRow("linear, with cruise") << false << 3.0;
        QTest::newRow("linear, short") << false << 0.2;
        QTest::newRow("S-curve, with cruise") << true << -5.0;
        QTest::newRow("S-curve, short") << true << 0.051;
        QTest::newRow("one pulse") << false << 0.001;
    }
    void pulsesFollowTheTables()
    {
        QFETCH(bool, sCurve);
        QFETCH(double, mm);
        AppConfig::m_eAxisFeedtype = sCurve ? FEED_SCURVE : FEED_LINEAR;
        Configure();
        Load({{X_AXIS, mm}});
        const AxisCtrl& x = m_Axes[X_AXIS];
        const quint32 L = quint32(x.m_lstRampHighNs[x.m_nActiveTable].size());
        const quint32 n = quint32(std::lround(std::fabs(mm) * 1000));
        if (n >= 2 * L) {
            QCOMPARE(x.m_nAccPulses, L);
            QCOMPARE(x.m_nDecPulses, L);
            QCOMPARE(x.m_nCruisePulses, n - 2 * L);
        }
        const auto expected = Schedule(x);
        QVERIFY(Run());
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[X_AXIS]), quint64(n));
        QCOMPARE(x.GetCurPosLong(), long(std::lround(mm * 10000)));
        QCOMPARE(m_pBank->Level(DIR_PIN[X_AXIS]), mm > 0 ? 0 : 1);
        const auto edges = Edges(*m_pBank, STEP_PIN[X_AXIS]);
        QCOMPARE(edges.size() + 1, expected.size());
        for (size_t k = 0; k < edges.size(); ++k)
            QCOMPARE(edges[k] - edges[0], expected[k]);
    }

    void threeAxesTogether()
    {
        // Feeds chosen so that the three moves take about as long.
        QCOMPARE(m_Axes[Y_AXIS].SetVelocityAcc(7.5, 300), 1);
        QCOMPARE(m_Axes[Z_AXIS].SetVelocityAcc(3.0, 120), 1);
        Load({{X_AXIS, 10.0}, {Y_AXIS, -5.0}, {Z_AXIS, -2.0}});
        std::vector<qint64> expected[3];
        for (int ax = 0; ax < 3; ++ax)
            expected[ax] = Schedule(m_Axes[ax]);
        const qint64 before = CClock::NowNs();
        QVERIFY(Run());
        QCOMPARE(m_Axes[X_AXIS].GetCurPosLong(), 100000L);
        QCOMPARE(m_Axes[Y_AXIS].GetCurPosLong(), -50000L);
        QCOMPARE(m_Axes[Z_AXIS].GetCurPosLong(), -20000L);
        // One clock for all: every axis's first edge at the segment start.
        const qint64 t0 = Edges(*m_pBank, STEP_PIN[X_AXIS])[0];
        QVERIFY(t0 >= before);
        qint64 longest = 0;
        for (int ax = 0; ax < 3; ++ax) {
            const auto edges = Edges(*m_pBank, STEP_PIN[ax]);
            QCOMPARE(edges.size() + 1, expected[ax].size());
            for (size_t k = 0; k < edges.size(); ++k)
                QCOMPARE(edges[k] - t0, expected[ax][k]);
            longest = std::max(longest, expected[ax].back());
        }
        // The segment lasted as long as its longest axis.
        QVERIFY(CClock::NowNs() - t0 >= longest);
        QVERIFY(CClock::NowNs() - t0 < longest + 100000);
    }

    void coincidentEdgesAreOneWrite()
    {
        // X and Y make the same move: each of their edges comes at the same
        // moment. Z runs at a third of the rate; all three start together.
        QCOMPARE(m_Axes[Z_AXIS].SetVelocityAcc(5.0, 200), 1);
        Load({{X_AXIS, 1.0}, {Y_AXIS, 1.0}, {Z_AXIS, -0.3}});
        m_pBank->ClearLog(); // Z's direction change
        m_pBank->m_iWriteCalls = 0;
        QVERIFY(Run());
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[Y_AXIS]), quint64(1000));
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[Z_AXIS]), quint64(300));
        QCOMPARE(Edges(*m_pBank, STEP_PIN[X_AXIS]), Edges(*m_pBank, STEP_PIN[Y_AXIS]));

        // One write for each moment at which edges are due, never two.
        const std::vector<stPinWrite> log = m_pBank->WriteLog();
        QCOMPARE(log.size(), size_t(2 * (1000 + 1000 + 300)));
        std::set<qint64> moments;
        for (const stPinWrite& w : log)
            moments.insert(w.tNs);
        QCOMPARE(m_pBank->m_iWriteCalls.load(), quint64(moments.size()));
        QCOMPARE(log[0].tNs, log[2].tNs);
        QCOMPARE(log[0].pin + log[1].pin + log[2].pin, STEP_PIN[X_AXIS] + STEP_PIN[Y_AXIS] + STEP_PIN[Z_AXIS]);
    }

    void oneClockReadPerPass()
    {
        // Halves far below the loop's stop-check interval: every pass is an
        // edge, and the pass after the last low time ends the segment.
        AppConfig::m_fAxisDutyCycle[X_AXIS] = 0.5;
        AppConfig::m_fAxisFeed[X_AXIS] = 60;
        AppConfig::m_fAxisAcc[X_AXIS] = 1e6;
        Configure();
        m_pBank->ClearLog();
        CPiRegistersInMemory pi; // writes that read no clock
        for (const quint64 n : {1, 100, 250}) {
            Load({{X_AXIS, m_Axes[X_AXIS].GetCurPos() + 0.001 * double(n)}});
            const AxisCtrl& x = m_Axes[X_AXIS];
            QVERIFY(x.m_fCruiseHighNs[x.m_nActiveTable] < 10000 && x.m_fCruiseLowNs[x.m_nActiveTable] < 10000);
            const quint64 before = CClock::VirtualReads();
            QVERIFY(Run());
            // The segment's start, then one reading per pass: each edge's
            // wait and the last low time's.
            QCOMPARE(CClock::VirtualReads() - before, 2 * n + 1);
        }
        QCOMPARE(pi.Gpio(CPiPinBackend::GPCLR0), 1u << STEP_PIN[X_AXIS]); // the last edge, low
        QCOMPARE(m_Axes[X_AXIS].GetCurPosLong(), 3510L);
        QCOMPARE(m_pBank->TotalWrites(), quint64(0));
    }

    void fiveAxisMachine()
    {
        AppConfig::m_iMchType = 5;
        Load({{X_AXIS, 1.0}, {A_AXIS, 2.0}, {B_AXIS, -0.5}});
        QVERIFY(Run());
        QCOMPARE(m_Axes[A_AXIS].GetCurPosLong(), 20000L);
        QCOMPARE(m_Axes[B_AXIS].GetCurPosLong(), -5000L);
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[A_AXIS]), quint64(2000));
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[B_AXIS]), quint64(500));
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[X_AXIS]), quint64(1000));
    }

    void segmentAfterSegment()
    {
        // A square with Z dips; directions change only where they must.
        const double path[][3] = {{2, 0, -1}, {2, 2, -1}, {0, 2, -0.5}, {0, 0, -0.5}, {0, 0, 0}};
        double last[3] = {0, 0, 0};
        quint64 pulses[3] = {0, 0, 0};
        for (const auto& p : path) {
            CAllAxisCtrl::m_lstAxisToMov = stAxisToMove();
            for (int ax = 0; ax < 3; ++ax) {
                if (std::fabs(p[ax] - last[ax]) < 0.001)
                    continue;
                QVERIFY(m_Axes[ax].SetAxisMovParams(p[ax]));
                CAllAxisCtrl::m_lstAxisToMov.m_bAxis[ax] = true;
                pulses[ax] += quint64(std::lround(std::fabs(p[ax] - last[ax]) * 1000));
                last[ax] = p[ax];
            }
            QVERIFY(Run());
            for (int ax = 0; ax < 3; ++ax)
                QCOMPARE(m_Axes[ax].GetCurPosLong(), long(std::lround(last[ax] * 10000)));
        }
        for (int ax = 0; ax < 3; ++ax)
            QCOMPARE(m_pBank->RisingEdges(STEP_PIN[ax]), pulses[ax]);
        // The direction pin (low, the positive level, since start-up) is
        // written only where an axis turns: X and Y once, Z twice.
        QCOMPARE(m_pBank->WriteCount(DIR_PIN[X_AXIS]), quint64(1));
        QCOMPARE(m_pBank->WriteCount(DIR_PIN[Y_AXIS]), quint64(1));
        QCOMPARE(m_pBank->WriteCount(DIR_PIN[Z_AXIS]), quint64(2));
    }

    void axisWithoutPulsesIsDoneAtOnce()
    {
        // Flagged but less than a step away: no pulse, the segment ends.
        Load({{X_AXIS, 0.0004}, {Y_AXIS, 0.0}});
        QCOMPARE(m_Axes[X_AXIS].m_nAccPulses + m_Axes[X_AXIS].m_nDecPulses, 0u);
        const qint64 before = CClock::NowNs();
        QVERIFY(Run());
        QCOMPARE(m_pBank->TotalWrites(), quint64(0));
        QVERIFY(CClock::NowNs() - before < 100000);
        // Nothing flagged at all ends as quickly.
        CAllAxisCtrl::m_lstAxisToMov = stAxisToMove();
        QVERIFY(Run());
    }

    void lateEdgeKeepsTheSchedule()
    {
        Load({{X_AXIS, 2.0}});
        const auto expected = Schedule(m_Axes[X_AXIS]);
        // The loop is held up for 300 us at the 100th rising edge, longer
        // than several pulses: the missed edges follow at once, then the
        // train is back on its schedule, not 300 us behind it.
        int rising = 0;
        m_pBank->m_fnOnWrite = [&](int pin, int level) {
            if (pin == STEP_PIN[X_AXIS] && level == 1 && ++rising == 100)
                CClock::AdvanceNs(300000);
        };
        QVERIFY(Run());
        const auto edges = Edges(*m_pBank, STEP_PIN[X_AXIS]);
        QCOMPARE(edges.size() + 1, expected.size());
        const qint64 t0 = edges[0];
        QCOMPARE(edges[198] - t0, expected[198]);
        size_t caughtUp = 0;
        for (size_t k = 199; k < edges.size(); ++k) {
            if (edges[k] - t0 == expected[k]) {
                caughtUp = k;
                break;
            }
            QCOMPARE(edges[k] - t0, expected[198] + 300000); // the missed edges, all at once
        }
        QVERIFY(caughtUp > 199);
        for (size_t k = caughtUp; k < edges.size(); ++k)
            QCOMPARE(edges[k] - t0, expected[k]);
        QCOMPARE(m_Axes[X_AXIS].GetCurPosLong(), 20000L);
    }

    void lateEdgeOnSeveralAxes()
    {
        // X and Y at different rates, held up for 300 us at X's 100th
        // rising edge: each edge is written once, every edge missed on
        // either axis follows at once, and both trains are back on schedule
        // after.
        QCOMPARE(m_Axes[Y_AXIS].SetVelocityAcc(7.5, 300), 1);
        Load({{X_AXIS, 2.0}, {Y_AXIS, 1.0}});
        const std::vector<qint64> expected[2] = {Schedule(m_Axes[X_AXIS]), Schedule(m_Axes[Y_AXIS])};
        int rising = 0;
        qint64 heldAt = 0;
        m_pBank->m_fnOnWrite = [&](int pin, int level) {
            if (pin == STEP_PIN[X_AXIS] && level == 1 && ++rising == 100) {
                heldAt = CClock::NowNs();
                CClock::AdvanceNs(300000);
            }
        };
        QVERIFY(Run());
        const qint64 t0 = Edges(*m_pBank, STEP_PIN[X_AXIS])[0];
        for (int ax = 0; ax < 2; ++ax) {
            QCOMPARE(m_pBank->WriteCount(STEP_PIN[ax]), quint64(expected[ax].size() - 1));
            const auto edges = Edges(*m_pBank, STEP_PIN[ax]);
            QCOMPARE(edges.size() + 1, expected[ax].size());
            for (size_t k = 0; k < edges.size(); ++k) {
                const qint64 due = t0 + expected[ax][k];
                if (due <= heldAt || due >= heldAt + 300000)
                    QCOMPARE(edges[k], due);
                else
                    QCOMPARE(edges[k], heldAt + 300000); // missed while held: written at once
            }
        }
    }

    void stopAbandonsTheSegment()
    {
        Load({{X_AXIS, 100.0}, {Y_AXIS, 100.0}});
        int rising = 0;
        m_pBank->m_fnOnWrite = [&](int pin, int level) {
            if (pin == STEP_PIN[X_AXIS] && level == 1 && ++rising == 500)
                CAllAxisCtrl::StopAutoMode();
        };
        QVERIFY(CAllAxisCtrl::StartMotion());
        WaitLoopEnd();
        QVERIFY(!CAllAxisCtrl::GetMotionState());
        // Stopped within the pass: X's 500th pulse is its last, nothing is
        // ramped down and every step pin is low.
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[X_AXIS]), quint64(500));
        QVERIFY(m_pBank->RisingEdges(STEP_PIN[Y_AXIS]) <= 501);
        for (int ax = 0; ax < 3; ++ax)
            QCOMPARE(m_pBank->Level(STEP_PIN[ax]), 0);
        QCOMPARE(m_Axes[X_AXIS].GetCurPosLong(), 5000L);

        // Released while the loop is not running: refused, nothing waits.
        QVERIFY(!CAllAxisCtrl::StartMotion());
        QVERIFY(!CAllAxisCtrl::GetMotionState());
        // A new operation starts a new loop.
        CAllAxisCtrl::StartAutoMode(m_Axes);
        Load({{X_AXIS, 0.0}});
        QVERIFY(Run());
        QCOMPARE(m_Axes[X_AXIS].GetCurPosLong(), 0L);
    }

    void shortSegmentOverBeforeTheReleaseReturns()
    {
        // The loop plays a two-step segment to its end before StartMotion
        // has returned (a busy machine may run the loop first): the segment
        // was released all the same, and the caller must hear so.
        Load({{X_AXIS, 0.002}});
        CAllAxisCtrl::m_fnSegmentReleased = [] {
            QDeadlineTimer guard(20000);
            while (CAllAxisCtrl::GetMotionState() && !guard.hasExpired())
                std::this_thread::yield();
        };
        QVERIFY(CAllAxisCtrl::StartMotion());
        QVERIFY(!CAllAxisCtrl::GetMotionState());
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[X_AXIS]), quint64(2));
        QCOMPARE(m_Axes[X_AXIS].GetCurPosLong(), 20L);
    }

    void restartRightAfterStop()
    {
        // Start, stop, start at once, many times: never two loops.
        for (int i = 0; i < 50; ++i) {
            CAllAxisCtrl::StopAutoMode();
            CAllAxisCtrl::StartAutoMode(m_Axes);
        }
        Load({{Y_AXIS, 0.3}});
        QVERIFY(Run());
        QCOMPARE(m_pBank->RisingEdges(STEP_PIN[Y_AXIS]), quint64(300));
    }

    void simulationDrivesNoPin()
    {
        AppConfig::m_bSimulationMode = true;
        Load({{X_AXIS, 1.0}, {Z_AXIS, -1.0}});
        const auto expected = Schedule(m_Axes[X_AXIS]);
        const qint64 before = CClock::NowNs();
        QVERIFY(Run());
        QCOMPARE(m_pBank->TotalWrites(), quint64(0));
        QCOMPARE(m_Axes[X_AXIS].GetCurPosLong(), 10000L);
        QCOMPARE(m_Axes[Z_AXIS].GetCurPosLong(), -10000L);
        QVERIFY(CClock::NowNs() - before >= expected.back());
        StopLoop();
        QCOMPARE(m_pBank->TotalWrites(), quint64(0));
    }

    void pinsToThePulseCpu()
    {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        QCOMPARE(sched_getaffinity(0, sizeof(allowed), &allowed), 0);
        const bool hasCpu = sysconf(_SC_NPROCESSORS_CONF) > CAllAxisCtrl::PULSE_CPU &&
                            CPU_ISSET(CAllAxisCtrl::PULSE_CPU, &allowed);
        bool pinned = !hasCpu;
        cpu_set_t after;
        CPU_ZERO(&after);
        std::thread t([&] {
            pinned = CAllAxisCtrl::PinToPulseCpu();
            sched_getaffinity(0, sizeof(after), &after);
        });
        t.join();
        QCOMPARE(pinned, hasCpu);
        if (hasCpu) {
            QCOMPARE(CPU_COUNT(&after), 1);
            QVERIFY(CPU_ISSET(CAllAxisCtrl::PULSE_CPU, &after));
        }
    }
};

QTEST_MAIN(TestAllAxisCtrl)
#include "tst_allaxisctrl.moc"
