// The single-axis step generator on the virtual clock and the simulated pins:
// ramp tables, phase split, every edge time of a move, the limit texts,
// homing and probing stops, deceleration, stop and refused settings.
#include "steptrain.h"

#include "core/AppConfig.h"
#include "hal/clock.h"
#include "machine/AxisCtrl.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>
#include <thread>

namespace {

constexpr int X_STEP = 2;
constexpr int X_DIR = 3;
constexpr int X_HOME = 23;
constexpr int Z_STEP = 27;
constexpr int Z_DIR = 22;
constexpr int PROBE = 21;

const QString MSG_STEP = QStringLiteral("Step Resolution value must be greater than zero");
const QString MSG_DUTY = QStringLiteral("Duty cycle value must be between zero and 1");
const QString MSG_HOMING = QStringLiteral("Homing not done! Use \"Move Home\" in user Settings");

bool Near(double a, double b)
{
    return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b));
}

qint64 Ceil(double ns)
{
    return qint64(std::ceil(ns));
}

// Which table entry pulse k of a move uses: -1 for a cruise pulse.
int TableIndex(const AxisCtrl& axis, quint32 k, quint32 nDecStart)
{
    if (k < axis.m_nAccPulses)
        return int(k);
    if (k < axis.m_nAccPulses + axis.m_nCruisePulses)
        return -1;
    return int(nDecStart) - int(k - axis.m_nAccPulses - axis.m_nCruisePulses);
}

} // namespace

class TestAxisCtrl : public QObject
{
    Q_OBJECT

    std::unique_ptr<CHookedPinBank> m_pBank;

    void Configure(AxisCtrl& axis, int ax)
    {
        axis.m_iAxisIndex = qint16(ax);
        QVERIFY(axis.ConfigAxis());
    }
    static void WaitDone(AxisCtrl& axis)
    {
        QVERIFY(axis.wait(QDeadlineTimer(20000)));
        QVERIFY(axis.m_bMotionDone);
        QVERIFY(!axis.GetAxisState());
    }
    static quint32 RampLength(const AxisCtrl& axis)
    {
        return quint32(axis.m_lstRampHighNs[axis.m_nActiveTable].size());
    }
    // Every pulse of the move just played against the active table: high
    // time, low time, in acceleration, cruise and reversed deceleration
    // order. nDecStart is the table index the deceleration started at.
    void CheckPulseTimes(const AxisCtrl& axis, int stepPin, quint32 nPulses, quint32 nDecStart)
    {
        const auto pulses = StepPulses(*m_pBank, stepPin);
        QCOMPARE(quint32(pulses.size()), nPulses);
        const int t = axis.m_nActiveTable;
        for (quint32 k = 0; k < nPulses; ++k) {
            const int idx = TableIndex(axis, k, nDecStart);
            const double high = idx < 0 ? axis.m_fCruiseHighNs[t] : axis.m_lstRampHighNs[t][size_t(idx)];
            const double low = idx < 0 ? axis.m_fCruiseLowNs[t] : axis.m_lstRampLowNs[t][size_t(idx)];
            QCOMPARE(pulses[k].fall - pulses[k].rise, Ceil(high));
            if (k + 1 < nPulses)
                QCOMPARE(pulses[k + 1].rise - pulses[k].fall, Ceil(low));
        }
    }

private slots:
    void initTestCase()
    {
        CClock::UseVirtual(true);
        m_pBank = std::make_unique<CHookedPinBank>();
    }
    void cleanupTestCase() { m_pBank.reset(); }
    void init()
    {
        ResetAxisSettings();
        m_pBank->m_fnOnWrite = nullptr;
        m_pBank->Reset();
    }

    void linearRampTable()
    {
        AxisCtrl axis;
        axis.m_bRecordVelProfile = true;
        Configure(axis, X_AXIS);
        QVERIFY(axis.m_bNewTable);
        const int b = 1; // built into the buffer not in use
        // 15 mm/s at 0.001 mm per pulse: 15000 pulses/s, 66.67 us period,
        // a quarter of it high.
        QVERIFY(Near(axis.m_fCruiseHighNs[b], 1000000000.0 / 15000 / 4));
        QVERIFY(Near(axis.m_fCruiseLowNs[b], 1000000000.0 / 15000 * 3 / 4));
        QCOMPARE(axis.m_fTableFeed[b], 15.0);
        const auto& high = axis.m_lstRampHighNs[b];
        const auto& low = axis.m_lstRampLowNs[b];
        QCOMPARE(high.size(), low.size());
        for (double h : high)
            QCOMPARE(h, axis.m_fCruiseHighNs[b]);
        // First sample at 0.01 s: 6000 pulses/s, 166.7 us period, 59 pulses
        // stored while the time moves on by 60 periods (to 12000 pulses/s).
        QVERIFY(Near(axis.m_lstVelProfile.first(), 6000.0));
        QVERIFY(Near(axis.m_lstVelProfile.at(1), 12000.0));
        QVERIFY(Near(axis.m_lstVelProfile.last(), 15000.0));
        for (int k = 0; k < 59; ++k)
            QVERIFY(Near(low[size_t(k)], (1000000.0 / 6000 - 1000000.0 / 15000 / 4) * 1000));
        QVERIFY(Near(low[59], (1000000.0 / 12000 - 1000000.0 / 15000 / 4) * 1000));
        for (size_t k = 1; k < low.size(); ++k)
            QVERIFY(low[k] <= low[k - 1]);
        QVERIFY(Near(low.back(), axis.m_fCruiseLowNs[b]));
    }

    void velocityProfileRecordedOnlyWhenAsked()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        QVERIFY(axis.m_lstVelProfile.isEmpty());
        axis.m_bRecordVelProfile = true;
        QCOMPARE(axis.SetVelocityAcc(15.0, 600.0), 1);
        const int n = axis.m_lstVelProfile.size();
        QVERIFY(n > 1);
        // A second recording replaces the first rather than adding to it.
        QCOMPARE(axis.SetVelocityAcc(15.0, 600.0), 1);
        QCOMPARE(axis.m_lstVelProfile.size(), n);
        // With the flag clear the last profile stays as it was.
        axis.m_bRecordVelProfile = false;
        QCOMPARE(axis.SetVelocityAcc(5.0, 600.0), 1);
        QCOMPARE(axis.m_lstVelProfile.size(), n);
        // A refused table leaves no stale profile behind.
        axis.m_bRecordVelProfile = true;
        QCOMPARE(axis.SetVelocityAcc(15.0, 0.0), 0);
        QVERIFY(axis.m_lstVelProfile.isEmpty());
    }

    void sCurveIsSymmetric()
    {
        AppConfig::m_eAxisFeedtype = FEED_SCURVE;
        AxisCtrl axis;
        axis.m_bRecordVelProfile = true;
        Configure(axis, X_AXIS);
        const QVector<double>& v = axis.m_lstVelProfile;
        const double R = 15000.0;
        QVERIFY(v.size() > 4);
        QVERIFY(v.last() < R);
        // The velocity steps of the second half are those of the first half
        // backwards.
        int firstUpper = 0;
        while (firstUpper < v.size() && (firstUpper == 0 || v[firstUpper - 1] < R / 2))
            ++firstUpper;
        auto step = [&](int i) { return v[i] - (i ? v[i - 1] : 0.0); };
        const int nUpper = v.size() - firstUpper;
        QVERIFY(nUpper > 1);
        for (int j = 0; j < nUpper && firstUpper - 1 - j >= 0; ++j)
            QVERIFY2(Near(step(firstUpper + j), step(firstUpper - 1 - j)), qPrintable(QString::number(j)));
        for (int i = 1; i < v.size(); ++i)
            QVERIFY(v[i] > v[i - 1]);
        // Every ramp pulse keeps the cruise high time.
        for (double h : axis.m_lstRampHighNs[1])
            QCOMPARE(h, axis.m_fCruiseHighNs[1]);
    }

    // Small ramps worked out by hand (0.001 mm per pulse, duty 0.5, 10 ms
    // samples), played as a move: every pulse's high / low time in us, the
    // last pulse's high time only. R = feed / 0.001 pulses/s, cruise period
    // T = 1e6 / R us, high h = T / 2 for every pulse; a sample at v pulses/s
    // has period p = 1e6 / v, low p - h.
    void handWorkedPulseTrain_data()
    {
        QTest::addColumn<double>("feed");
        QTest::addColumn<double>("acc");
        QTest::addColumn<double>("jerk");
        QTest::addColumn<bool>("sCurve");
        QTest::addColumn<double>("move");
        QTest::addColumn<QString>("train");
        // Linear, R = 200, T = 5000, h = 2500, A = 10 / 0.001 = 10000 p/s2.
        // t = 0.01 s: v = 100, p = 10000 us, exactly one sample: 1 pulse,
        // low 7500. t = 0.02 s: v = 200 = R, p = 5000: 1 pulse while t moves
        // on by 2 p, low 2500. L = 2.
        // 5 pulses: 2 up, 1 cruise (2500 / 2500), 2 down.
        QTest::newRow("linear, a sample exactly one period long")
            << 0.2 << 10.0 << 6000.0 << false << 0.005 << "2500/7500 2500/2500 2500/2500 2500/2500 2500";
        // 1.5 steps (15 units of 10): ceil gives 2 pulses, 0.002 mm.
        QTest::newRow("linear, 1.5 steps: 2 pulses") << 0.2 << 10.0 << 6000.0 << false << 0.0015 << "2500/7500 2500";
        QTest::newRow("linear, 1.1 steps back: 2 pulses")
            << 0.2 << 10.0 << 6000.0 << false << -0.0011 << "2500/7500 2500";
        // S-curve, R = 100, T = 10000, h = 5000, Jp = 100 / 0.001 = 1e5
        // p/s3, A = 4 / 0.001 = 4000 p/s2, half R = 50.
        // t = 0.01: a = 1000, v = 0 + 1000 * 0.01 = 10, p = 100000: low 95000;
        //   t = 0.11.
        // t = 0.11: a = 11000, held at 4000, v = 10 + 40 = 50, p = 20000:
        //   low 15000; t = 0.13.
        // v = 50 is half R: the accelerations come back reversed:
        //   v = 50 + 4000 * 0.01 = 90, p = 11111.11: low 6111.11 (6111112 ns
        //   whole, rounded up); then v = 90 + 1000 * 0.01 = 100 = R: not stored.
        // L = 3; 7 pulses: 3 up, 1 cruise (5000 / 5000), 3 down.
        QTest::newRow("S-curve") << 0.1 << 4.0 << 100.0 << true << 0.007
                                 << "5000/95000 5000/15000 5000/6111.112 5000/5000 5000/6111.112 5000/15000 5000";
        // S-curve at a low feed: R = 200 (T = 5000), A = 40 / 0.001 = 40000,
        // Jp = 6e6: t = 0.01 gives a = 60000, held at 40000, so the first
        // step would reach v = 400 > R: it is held at R, one pulse of 5000
        // us. L = 1; 4 pulses, none faster than cruise.
        QTest::newRow("S-curve, low feed: first step held at cruise")
            << 0.2 << 40.0 << 6000.0 << true << 0.004 << "2500/2500 2500/2500 2500/2500 2500";
    }
    void handWorkedPulseTrain()
    {
        QFETCH(double, feed);
        QFETCH(double, acc);
        QFETCH(double, jerk);
        QFETCH(bool, sCurve);
        QFETCH(double, move);
        QFETCH(QString, train);
        AppConfig::m_fAxisDutyCycle[X_AXIS] = 0.5;
        AppConfig::m_fAxisFeed[X_AXIS] = feed;
        AppConfig::m_fAxisAcc[X_AXIS] = acc;
        AppConfig::m_fAxisRateOfAcc[X_AXIS] = jerk;
        AppConfig::m_eAxisFeedtype = sCurve ? FEED_SCURVE : FEED_LINEAR;
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        QVERIFY(axis.MoveRel(move));
        WaitDone(axis);
        const auto pulses = StepPulses(*m_pBank, X_STEP);
        QStringList seen;
        for (size_t k = 0; k < pulses.size(); ++k) {
            QString s = QString::number((pulses[k].fall - pulses[k].rise) / 1000.0, 'g', 12);
            if (k + 1 < pulses.size())
                s += '/' + QString::number((pulses[k + 1].rise - pulses[k].fall) / 1000.0, 'g', 12);
            seen << s;
        }
        QCOMPARE(seen.join(' '), train);
        // Whole pulses: the position is 10 units (0.001 mm) a pulse.
        QCOMPARE(axis.GetCurPosLong(), (move < 0 ? -10L : 10L) * long(pulses.size()));
    }

    void refusedTable_data()
    {
        QTest::addColumn<double>("feed");
        QTest::addColumn<double>("acc");
        QTest::addColumn<double>("jerk");
        QTest::addColumn<uint>("sampleUs");
        QTest::addColumn<double>("movPerPulse");
        QTest::addColumn<double>("duty");
        QTest::addColumn<bool>("sCurve");
        QTest::addColumn<QString>("msg");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const QString feed = QStringLiteral("Feed value must be greater than zero");
        const QString acc = QStringLiteral("Acceleration value must be greater than zero");
        QTest::newRow("feed 0") << 0.0 << 600.0 << 6000.0 << 10000u << 0.001 << 0.25 << false << feed;
        QTest::newRow("feed negative") << -5.0 << 600.0 << 6000.0 << 10000u << 0.001 << 0.25 << false << feed;
        QTest::newRow("feed NaN") << nan << 600.0 << 6000.0 << 10000u << 0.001 << 0.25 << false << feed;
        QTest::newRow("feed infinite") << inf << 600.0 << 6000.0 << 10000u << 0.001 << 0.25 << false << feed;
        QTest::newRow("acc 0") << 15.0 << 0.0 << 6000.0 << 10000u << 0.001 << 0.25 << false << acc;
        QTest::newRow("acc negative") << 15.0 << -1.0 << 6000.0 << 10000u << 0.001 << 0.25 << true << acc;
        QTest::newRow("jerk 0, S-curve") << 15.0 << 600.0 << 0.0 << 10000u << 0.001 << 0.25 << true
                                         << QStringLiteral("Rate of acceleration value must be greater than zero");
        QTest::newRow("sampling 0") << 15.0 << 600.0 << 6000.0 << 0u << 0.001 << 0.25 << false
                                    << QStringLiteral("Velocity sampling time must be greater than zero");
        QTest::newRow("step below one unit") << 15.0 << 600.0 << 6000.0 << 10000u << 0.00004 << 0.25 << false << MSG_STEP;
        QTest::newRow("duty 0") << 15.0 << 600.0 << 6000.0 << 10000u << 0.001 << 0.0 << false << MSG_DUTY;
        QTest::newRow("duty 1.5") << 15.0 << 600.0 << 6000.0 << 10000u << 0.001 << 1.5 << false << MSG_DUTY;
        QTest::newRow("acc far too low") << 15.0 << 0.000001 << 6000.0 << 10000u << 0.001 << 0.25 << false
                                         << QStringLiteral("Acceleration value too low for this feed");
        // Pulses of years, past what the clock's counters hold.
        QTest::newRow("acc far too low, slow feed") << 0.0001 << 1e-12 << 6000.0 << 10000u << 0.001 << 0.25 << false
                                                   << QStringLiteral("Acceleration value too low for this feed");
        QTest::newRow("jerk far too low") << 15.0 << 600.0 << 0.01 << 1u << 0.001 << 0.25 << true
                                          << QStringLiteral("Acceleration value too low for this feed");
        QTest::newRow("feed far too low") << 1e-12 << 600.0 << 6000.0 << 10000u << 0.01 << 0.25 << false
                                          << QStringLiteral("Feed value too low for this step resolution");
        // 30 mm/s at 1 um steps: the ramp holds 2,000,000 pulses at most,
        // which an acceleration of 0.2236 mm/s2 just gives.
        QTest::newRow("acc just too low") << 30.0 << 0.2235 << 6000.0 << 10000u << 0.001 << 0.25 << false
                                          << QStringLiteral("Acceleration value too low for this feed");
        QTest::newRow("acc just enough") << 30.0 << 0.2236 << 6000.0 << 10000u << 0.001 << 0.25 << false << QString();
        QTest::newRow("jerk 0, linear is fine") << 15.0 << 600.0 << 0.0 << 10000u << 0.001 << 0.25 << false << QString();
    }
    void refusedTable()
    {
        QFETCH(double, feed);
        QFETCH(double, acc);
        QFETCH(double, jerk);
        QFETCH(uint, sampleUs);
        QFETCH(double, movPerPulse);
        QFETCH(double, duty);
        QFETCH(bool, sCurve);
        QFETCH(QString, msg);

        auto applySettings = [&] {
            AppConfig::m_fAxisRateOfAcc[X_AXIS] = jerk;
            AppConfig::m_iVelAccSamplingTime = sampleUs;
            AppConfig::m_fAxisMovPerPulse[X_AXIS] = movPerPulse;
            AppConfig::m_fAxisDutyCycle[X_AXIS] = duty;
            AppConfig::m_eAxisFeedtype = sCurve ? FEED_SCURVE : FEED_LINEAR;
        };
        // A fresh axis whose first table is refused cannot move at all.
        AxisCtrl fresh;
        applySettings();
        const int built = fresh.SetVelocityAcc(feed, acc);
        QCOMPARE(built, msg.isEmpty() ? 1 : 0);
        // The check without a table says the same, and builds nothing.
        QCOMPARE(AxisCtrl::RampError(X_AXIS, feed, acc), msg);
        if (msg.isEmpty())
            return;
        QCOMPARE(fresh.GetErrorMsg(), msg);
        QVERIFY(!fresh.m_bNewTable);
        QVERIFY(fresh.m_lstRampHighNs[0].empty() && fresh.m_lstRampHighNs[1].empty());
        fresh.m_lStepSize = 10;
        QVERIFY(!fresh.MoveRel(1.0));
        QCOMPARE(fresh.GetErrorMsg(), msg);
        QCOMPARE(m_pBank->TotalWrites(), quint64(0));

        // An axis with a table keeps it, waiting for its next move.
        ResetAxisSettings();
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        const auto before = axis.m_lstRampLowNs[1];
        applySettings();
        QCOMPARE(axis.SetVelocityAcc(feed, acc), 0);
        QVERIFY(axis.m_bNewTable);
        QVERIFY(axis.m_lstRampLowNs[1] == before);
        QCOMPARE(axis.m_fTableFeed[1], 15.0);
    }

    void updateDutyCycle_data()
    {
        QTest::addColumn<double>("duty");
        QTest::addColumn<bool>("ok");
        QTest::newRow("0") << 0.0 << false;
        QTest::newRow("1.5") << 1.5 << false;
        QTest::newRow("-0.1") << -0.1 << false;
        QTest::newRow("1.0") << 1.0 << true;
        QTest::newRow("0.5") << 0.5 << true;
    }
    void updateDutyCycle()
    {
        QFETCH(double, duty);
        QFETCH(bool, ok);
        AxisCtrl axis;
        Configure(axis, Y_AXIS);
        AppConfig::m_fAxisDutyCycle[Y_AXIS] = duty;
        QCOMPARE(axis.UpdateDutyCycle(), ok);
        QCOMPARE(axis.GetErrorMsg(), ok ? QString() : MSG_DUTY);
        if (ok)
            QVERIFY(Near(axis.m_fCruiseHighNs[1 - axis.m_nActiveTable], duty * 1000000000.0 / 15000));
    }

    void updateStepResolution_data()
    {
        QTest::addColumn<double>("movPerPulse");
        QTest::addColumn<long>("stepSize");
        QTest::newRow("0") << 0.0 << 0L;
        QTest::newRow("negative") << -0.001 << 0L;
        QTest::newRow("below one unit") << 0.00004 << 0L;
        QTest::newRow("one unit") << 0.0001 << 1L;
        QTest::newRow("0.005 mm") << 0.005 << 50L;
    }
    void updateStepResolution()
    {
        QFETCH(double, movPerPulse);
        QFETCH(long, stepSize);
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        AppConfig::m_fAxisMovPerPulse[X_AXIS] = movPerPulse;
        QCOMPARE(axis.UpdateStepResolution(), stepSize > 0);
        QCOMPARE(axis.GetErrorMsg(), stepSize > 0 ? QString() : MSG_STEP);
        if (stepSize > 0)
            QCOMPARE(axis.m_lStepSize, stepSize);

        // A step size below one unit that reached the axis anyway (settings
        // changed and the axis configured again) refuses every move instead
        // of dividing by it.
        axis.ConfigAxis();
        if (stepSize == 0) {
            QVERIFY(!axis.MoveRel(1.0));
            QCOMPARE(axis.GetErrorMsg(), MSG_STEP);
            QVERIFY(!axis.SetAxisMovParams(1.0));
            QVERIFY(!axis.Jog(DIR_CW));
            QCOMPARE(m_pBank->TotalWrites(), quint64(0));
        }
    }

    // The phase split against the ramp length L, and every edge of the move.
    void moveEdges_data()
    {
        QTest::addColumn<int>("kN");     // pulses = kN * L + offN
        QTest::addColumn<int>("offN");
        QTest::addColumn<int>("kAcc");   // acceleration pulses = kAcc * L + offAcc
        QTest::addColumn<int>("offAcc");
        QTest::addColumn<int>("cruise");
        QTest::addColumn<int>("sign");
        QTest::newRow("1 pulse") << 0 << 1 << 0 << 1 << 0 << 1;
        QTest::newRow("4 pulses") << 0 << 4 << 0 << 3 << 0 << 1;
        QTest::newRow("5 pulses back") << 0 << 5 << 0 << 3 << 0 << -1;
        QTest::newRow("2L - 1") << 2 << -1 << 1 << 0 << 0 << 1;
        QTest::newRow("2L") << 2 << 0 << 1 << 0 << 0 << -1;
        QTest::newRow("2L + 50") << 2 << 50 << 1 << 0 << 50 << 1;
        QTest::newRow("2L + 50 back") << 2 << 50 << 1 << 0 << 50 << -1;
    }
    void moveEdges()
    {
        QFETCH(int, kN);
        QFETCH(int, offN);
        QFETCH(int, kAcc);
        QFETCH(int, offAcc);
        QFETCH(int, cruise);
        QFETCH(int, sign);
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        axis.SetCurPos(100.0);
        const quint32 L = quint32(axis.m_lstRampHighNs[1].size());
        QVERIFY(L > 100);
        const quint32 n = quint32(kN) * L + quint32(offN);
        const quint32 nAcc = quint32(kAcc) * L + quint32(offAcc);

        QVERIFY(axis.MoveRel(sign * 0.001 * n));
        WaitDone(axis);
        QCOMPARE(RampLength(axis), L);
        QCOMPARE(axis.m_nAccPulses, nAcc);
        QCOMPARE(axis.m_nCruisePulses, quint32(cruise));
        QCOMPARE(axis.m_nDecPulses, n - nAcc - quint32(cruise));
        QCOMPARE(axis.GetCurPosLong(), 1000000L + sign * 10L * long(n));
        QCOMPARE(axis.GetErrorMsg(), QString());

        // Direction first (level 0 means positive here), held 5001 ns
        // before the first step.
        const auto dir = m_pBank->WriteLog(X_DIR);
        QCOMPARE(dir.size(), size_t(1));
        QCOMPARE(dir[0].level, sign > 0 ? 0 : 1);
        const auto pulses = StepPulses(*m_pBank, X_STEP);
        QVERIFY(!pulses.empty());
        QCOMPARE(pulses[0].rise - dir[0].tNs, qint64(5001));
        CheckPulseTimes(axis, X_STEP, n, axis.m_nDecPulses - 1);
        QCOMPARE(m_pBank->Level(X_STEP), 0);
    }

    void shortMoveStartsNothing()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        // Half a step away: accepted, nothing moves, no pin changes.
        QVERIFY(axis.MoveRel(0.0005));
        QVERIFY(axis.SetAxisMovParams(-0.0009));
        QCOMPARE(axis.m_nAccPulses + axis.m_nCruisePulses + axis.m_nDecPulses, 0u);
        QCOMPARE(axis.m_lTargetPos, 0L);
        QVERIFY(!axis.GetAxisState());
        QVERIFY(axis.wait(QDeadlineTimer(1000)));
        QCOMPARE(m_pBank->TotalWrites(), quint64(0));
        QCOMPARE(axis.GetCurPosLong(), 0L);
    }

    void limitCheck_data()
    {
        QTest::addColumn<bool>("sensors");
        QTest::addColumn<bool>("homeSet");
        QTest::addColumn<bool>("homing");
        QTest::addColumn<int>("axis");
        QTest::addColumn<double>("workZero");
        QTest::addColumn<double>("target");
        QTest::addColumn<QString>("msg");
        QTest::newRow("no sensors: anything") << false << false << false << 0 << 0.0 << 5000.0 << QString();
        QTest::newRow("home not done") << true << false << false << 0 << 0.0 << 10.0 << MSG_HOMING;
        QTest::newRow("homing skips the check") << true << false << true << 2 << 0.0 << 500.0 << QString();
        QTest::newRow("Z below") << true << true << false << 2 << 0.0 << -40.0001
                                 << QStringLiteral("Z Axis Absolute Position value must be between -40.0000 and 0.0000");
        QTest::newRow("Z above") << true << true << false << 2 << 0.0 << 0.0001
                                 << QStringLiteral("Z Axis Absolute Position value must be between -40.0000 and 0.0000");
        QTest::newRow("Z at lower limit") << true << true << false << 2 << 0.0 << -40.0 << QString();
        QTest::newRow("Z at upper limit") << true << true << false << 2 << 0.0 << 0.0 << QString();
        QTest::newRow("X with work zero") << true << true << false << 0 << 10.0 << 170.5
                                          << QStringLiteral("X Axis Absolute Position value must be between -10.0000 and 170.0000");
        QTest::newRow("Y inside") << true << true << false << 1 << 0.0 << -179.0 << QString();
        QTest::newRow("B outside") << true << true << false << 4 << 0.0 << -1.0
                                   << QStringLiteral("B Axis Absolute Position value must be between 0.0000 and 360.0000");
        // Beyond what the internal unit holds: refused, not clamped to its end.
        const QString range = QStringLiteral(" Absolute Position value must be between -214748.3647 and 214748.3647");
        QTest::newRow("no sensors: beyond the length range") << false << false << false << 0 << 0.0 << 214748.3648
                                                             << "X Axis" + range;
        QTest::newRow("no sensors: far beyond, negative") << false << false << false << 1 << 0.0 << -1e20
                                                          << "Y Axis" + range;
        QTest::newRow("not a number") << false << false << false << 2 << 0.0 << std::nan("") << "Z Axis" + range;
        QTest::newRow("homing: beyond the length range") << true << false << true << 2 << 0.0 << 1e9
                                                         << "Z Axis" + range;
        QTest::newRow("no sensors: at the end of the range") << false << false << false << 0 << 0.0 << -214748.3647
                                                             << QString();
    }
    void limitCheck()
    {
        QFETCH(bool, sensors);
        QFETCH(bool, homeSet);
        QFETCH(bool, homing);
        QFETCH(int, axis);
        QFETCH(double, workZero);
        QFETCH(double, target);
        QFETCH(QString, msg);
        AppConfig::m_bHomeSensorsUsed = sensors;
        AppConfig::m_fAxisWorkZero[axis] = workZero;
        AxisCtrl a;
        Configure(a, axis);
        a.m_bHomeSet = homeSet;
        a.m_bHoming = homing;
        QCOMPARE(a.SetAxisMovParams(target), msg.isEmpty());
        QCOMPARE(a.GetErrorMsg(), msg);
        QCOMPARE(a.MoveAbs(target), msg.isEmpty());
        QCOMPARE(a.GetErrorMsg(), msg);
        if (!sensors && msg.isEmpty())
            QVERIFY(a.IsAxisHomeSet());
        a.Stop();
    }

    void refusedWhileMoving()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        AppConfig::m_bHomeSensorsUsed = false;
        const QString moving = QStringLiteral("Axis is in Motion");
        QStringList seen;
        bool results = false;
        int rising = 0;
        // At the fifth pulse of a jog every other move is refused.
        m_pBank->m_fnOnWrite = [&](int pin, int level) {
            if (pin != X_STEP || level != 1 || ++rising != 5)
                return;
            results = axis.MoveAbs(1) || axis.MoveRel(1) || axis.MoveWorkZero() || axis.MoveAxisHome() ||
                      axis.Jog(DIR_CCW) || axis.SetAxisMovParams(1) || axis.CheckValidMotion(0);
            seen << axis.GetErrorMsg();
            axis.DeccelerateAxis();
        };
        QVERIFY(axis.Jog(DIR_CW));
        WaitDone(axis);
        QVERIFY(!results);
        QCOMPARE(seen, QStringList{moving});
        // The jog ramped down from its fifth pulse: 5 up, 5 down.
        QCOMPARE(StepPulses(*m_pBank, X_STEP).size(), size_t(10));
        QCOMPARE(axis.GetCurPosLong(), 100L);
    }

    void homing_data()
    {
        QTest::addColumn<bool>("homing");
        QTest::addColumn<qint64>("switchAt"); // the switch closes after this many pulses
        QTest::addColumn<int>("pulses");
        QTest::newRow("starts on the switch") << true << qint64(0) << 0;
        QTest::newRow("switch after 300") << true << qint64(300) << 300;
        QTest::newRow("switch after 1") << true << qint64(1) << 1;
    }
    void homing()
    {
        QFETCH(bool, homing);
        QFETCH(qint64, switchAt);
        QFETCH(int, pulses);
        AppConfig::m_bHomeSensorsUsed = true;
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        axis.m_bHomeSet = true;
        axis.m_bHoming = homing;
        // X homes towards its negative side (home direction 1, positive 0).
        const int watched = m_pBank->WatchAxis(X_STEP, X_DIR, 0);
        QVERIFY(m_pBank->AddInputRule(X_HOME, 1, watched, ECompare::AtMost, -switchAt));
        QVERIFY(axis.MoveAxisHome());
        QVERIFY(!axis.IsAxisHomeSet());
        QCOMPARE(axis.m_lTargetPos, -100000000L);
        WaitDone(axis);
        QCOMPARE(int(StepPulses(*m_pBank, X_STEP).size()), pulses);
        QCOMPARE(axis.GetCurPosLong(), -10L * pulses);
        // Stopped on the switch without ramping down.
        CheckPulseTimes(axis, X_STEP, quint32(pulses), axis.m_nDecPulses - 1);
    }

    void homeSwitchIgnoredOutsideHoming()
    {
        AppConfig::m_bHomeSensorsUsed = true;
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        axis.m_bHomeSet = true;
        axis.SetCurPos(50);
        m_pBank->SetInput(X_HOME, 1);
        QVERIFY(axis.MoveRel(-1.0));
        WaitDone(axis);
        QCOMPARE(StepPulses(*m_pBank, X_STEP).size(), size_t(1000));

        AppConfig::m_bHomeSensorsUsed = false;
        QVERIFY(!axis.MoveAxisHome());
        QCOMPARE(axis.GetErrorMsg(), QStringLiteral("Home Sensors Not enabled"));
    }

    void probeStopsZOnly_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<int>("pulses");
        QTest::newRow("Z stops at the probe") << int(Z_AXIS) << 200;
        QTest::newRow("X ignores it") << int(X_AXIS) << 1000;
    }
    void probeStopsZOnly()
    {
        QFETCH(int, axis);
        QFETCH(int, pulses);
        AxisCtrl a;
        Configure(a, axis);
        a.m_bStopOnZProbe = true;
        const int stepPin = axis == Z_AXIS ? Z_STEP : X_STEP;
        const int watched = m_pBank->WatchAxis(stepPin, axis == Z_AXIS ? Z_DIR : X_DIR, 0);
        QVERIFY(m_pBank->AddInputRule(PROBE, 1, watched, ECompare::AtMost, -200));
        QVERIFY(a.MoveRel(-1.0));
        WaitDone(a);
        QCOMPARE(int(StepPulses(*m_pBank, stepPin).size()), pulses);
        QCOMPARE(a.GetCurPosLong(), -10L * pulses);
    }

    void decelerate_data()
    {
        QTest::addColumn<int>("kN");      // move of kN * L + offN pulses
        QTest::addColumn<int>("offN");
        QTest::addColumn<int>("kAt");     // DeccelerateAxis at the rising edge of pulse kAt * L + offAt
        QTest::addColumn<int>("offAt");
        QTest::addColumn<int>("kTotal");  // pulses emitted
        QTest::addColumn<int>("offTotal");
        QTest::newRow("in acceleration after 10") << 2 << 100 << 0 << 10 << 0 << 20;
        QTest::newRow("in cruise") << 2 << 100 << 1 << 20 << 2 << 20;
        QTest::newRow("in deceleration: no change") << 2 << 100 << 1 << 110 << 2 << 100;
        QTest::newRow("one-pulse move") << 0 << 1 << 0 << 1 << 0 << 1;
        QTest::newRow("short move, end of its ramp-up") << 0 << 5 << 0 << 3 << 0 << 5;
    }
    void decelerate()
    {
        QFETCH(int, kN);
        QFETCH(int, offN);
        QFETCH(int, kAt);
        QFETCH(int, offAt);
        QFETCH(int, kTotal);
        QFETCH(int, offTotal);
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        const int L = int(axis.m_lstRampHighNs[1].size());
        const int at = kAt * L + offAt;
        int rising = 0;
        m_pBank->m_fnOnWrite = [&](int pin, int level) {
            if (pin == X_STEP && level == 1 && ++rising == at)
                axis.DeccelerateAxis();
        };
        QVERIFY(axis.MoveRel(0.001 * (kN * L + offN)));
        WaitDone(axis);
        const int total = kTotal * L + offTotal;
        QVERIFY(!axis.m_bDecelerate);
        QCOMPARE(int(StepPulses(*m_pBank, X_STEP).size()), total);
        QCOMPARE(axis.GetCurPosLong(), 10L * total);
        // The ramp-down runs back down the table from where the axis stood.
        const auto pulses = StepPulses(*m_pBank, X_STEP);
        const int t = axis.m_nActiveTable;
        const int nDown = std::min<int>(int(axis.m_nDecPulses), std::min(at, int(axis.m_nAccPulses)));
        if (at <= int(axis.m_nAccPulses + axis.m_nCruisePulses)) {
            for (int j = 0; j < nDown; ++j) {
                const auto& p = pulses[size_t(total - 1 - j)];
                QCOMPARE(p.fall - p.rise, Ceil(axis.m_lstRampHighNs[t][size_t(j)]));
            }
        }
    }

    void decelerateWhenIdleDoesNothing()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        axis.DeccelerateAxis();
        QVERIFY(!axis.m_bDecelerate);
        QVERIFY(axis.MoveRel(0.1));
        WaitDone(axis);
        QCOMPARE(StepPulses(*m_pBank, X_STEP).size(), size_t(100));
    }

    void lateDecelerateRequestDoesNotSkipTheNextMove()
    {
        // A ramp-down asked for at the very moment a jog reaches its end
        // (the button released as the axis stops by itself) finds the move
        // over; the next move must still run whole.
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        axis.m_bDecelerate = true; // left behind by the request that came too late
        QVERIFY(axis.MoveRel(0.1));
        WaitDone(axis);
        QCOMPARE(StepPulses(*m_pBank, X_STEP).size(), size_t(100));
        QCOMPARE(axis.GetCurPosLong(), 1000L);
    }

    void stopEndsAfterCurrentPulse()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        int rising = 0;
        // What Stop() does, at the rising edge of pulse 50 (well into the
        // ramp): the pulse completes, no ramp-down follows.
        m_pBank->m_fnOnWrite = [&](int pin, int level) {
            if (pin == X_STEP && level == 1 && ++rising == 50)
                axis.m_bMoving = false;
        };
        QVERIFY(axis.MoveRel(10.0));
        WaitDone(axis);
        QCOMPARE(StepPulses(*m_pBank, X_STEP).size(), size_t(50));
        QCOMPARE(axis.GetCurPosLong(), 500L);
        CheckPulseTimes(axis, X_STEP, 50, 0);
    }

    void stopCutsALongLowTime()
    {
        // 0.01 mm/s^2 up to 0.1 mm/s: the first ramp pulse has a low time
        // of about 10 s.
        AppConfig::m_fAxisAcc[X_AXIS] = 0.01;
        AppConfig::m_fAxisFeed[X_AXIS] = 0.1;
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        QVERIFY(axis.m_lstRampLowNs[1][0] > 9e9);
        qint64 rise = 0;
        m_pBank->m_fnOnWrite = [&](int pin, int level) {
            if (pin == X_STEP && level == 1) {
                rise = CClock::NowNs();
                axis.m_bMoving = false; // as Stop() does
            }
        };
        QVERIFY(axis.MoveRel(1.0));
        WaitDone(axis);
        // The pulse was completed, the rest of its low time was not waited.
        QCOMPARE(StepPulses(*m_pBank, X_STEP).size(), size_t(1));
        QCOMPARE(CClock::NowNs() - rise, Ceil(axis.m_fCruiseHighNs[axis.m_nActiveTable]));
        QCOMPARE(axis.GetCurPosLong(), 10L);
    }

    void oneClockReadPerHalfPulse()
    {
        // Halves far below the stop-check interval, on writes that read no
        // clock: each half pulse is one wait, whose reading starts the next.
        AppConfig::m_fAxisDutyCycle[X_AXIS] = 0.5;
        AppConfig::m_fAxisFeed[X_AXIS] = 60;
        AppConfig::m_fAxisAcc[X_AXIS] = 1e6;
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        CPiRegistersInMemory pi;
        auto reads = [&](double mm) {
            const quint64 before = CClock::VirtualReads();
            [&] {
                QVERIFY(axis.MoveRel(mm));
                WaitDone(axis);
            }();
            return CClock::VirtualReads() - before;
        };
        const quint64 hundred = reads(0.1);
        const quint64 threeHundred = reads(0.3);
        QCOMPARE(threeHundred - hundred, quint64(2 * 200));
        QCOMPARE(axis.GetCurPosLong(), 4000L);
        QCOMPARE(pi.Gpio(CPiPinBackend::GPCLR0), 1u << X_STEP);
    }

    void stopFromAnotherThread()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        QVERIFY(axis.MoveRel(5000.0));
        axis.Stop();
        QVERIFY(axis.m_bMotionDone);
        QVERIFY(!axis.GetAxisState());
        QCOMPARE(axis.GetErrorMsg(), QString());
        QVERIFY(axis.wait(QDeadlineTimer(5000)));
        const auto n = long(m_pBank->RisingEdges(X_STEP));
        QCOMPARE(long(m_pBank->FallingEdges(X_STEP)), n);
        QVERIFY(n < 5000000);
        QCOMPARE(axis.GetCurPosLong(), 10L * n);
        // Stop on an idle axis returns at once.
        axis.Stop();
    }

    void nextMoveWaitsForTheThread()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        // Each move is started the moment the previous one reports its end,
        // while its thread may still be on its way out.
        for (int i = 0; i < 30; ++i) {
            QVERIFY(axis.MoveRel(0.01));
            QDeadlineTimer guard(10000);
            while (axis.GetAxisState() && !guard.hasExpired())
                std::this_thread::yield();
        }
        WaitDone(axis);
        QCOMPARE(StepPulses(*m_pBank, X_STEP).size(), size_t(300));
        QCOMPARE(axis.GetCurPosLong(), 3000L);
    }

    void emergencyStopAcceptsButDoesNotMove()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        AppConfig::m_bEmergencyStopON = true;
        QVERIFY(axis.MoveAbs(1.0));
        QVERIFY(!axis.GetAxisState());
        QVERIFY(axis.wait(QDeadlineTimer(1000)));
        QCOMPARE(m_pBank->WriteCount(X_DIR), quint64(1));
        QCOMPARE(m_pBank->WriteCount(X_STEP), quint64(0));
        QCOMPARE(axis.GetCurPosLong(), 0L);
    }

    void simulationDrivesNoPin()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        AppConfig::m_bSimulationMode = true;
        const qint64 t0 = CClock::NowNs();
        QVERIFY(axis.MoveRel(1.0));
        WaitDone(axis);
        QCOMPARE(m_pBank->TotalWrites(), quint64(0));
        QCOMPARE(axis.GetCurPosLong(), 10000L);
        // The move took as long as it would on the pins.
        const int t = axis.m_nActiveTable;
        qint64 expected = 5001;
        for (quint32 k = 0; k < 1000; ++k) {
            const int idx = TableIndex(axis, k, axis.m_nDecPulses - 1);
            expected += idx < 0 ? Ceil(axis.m_fCruiseHighNs[t]) + Ceil(axis.m_fCruiseLowNs[t])
                                : Ceil(axis.m_lstRampHighNs[t][size_t(idx)]) + Ceil(axis.m_lstRampLowNs[t][size_t(idx)]);
        }
        QCOMPARE(CClock::NowNs() - t0, expected);
    }

    void tableSwitchesAtTheNextMove()
    {
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        QVERIFY(axis.MoveRel(0.01));
        WaitDone(axis);
        QCOMPARE(int(axis.m_nActiveTable), 1);
        QVERIFY(!axis.m_bNewTable);
        // A slower table goes into buffer 0 and is used from the next move on.
        QCOMPARE(axis.SetVelocityAcc(5.0, 600.0), 1);
        QCOMPARE(int(axis.m_nActiveTable), 1);
        QCOMPARE(axis.m_fTableFeed[0], 5.0);
        QVERIFY(axis.m_bNewTable);
        m_pBank->ClearLog();
        QVERIFY(axis.MoveRel(1.0));
        WaitDone(axis);
        QCOMPARE(int(axis.m_nActiveTable), 0);
        const auto pulses = StepPulses(*m_pBank, X_STEP);
        const auto& cruise = pulses[pulses.size() / 2];
        QCOMPARE(cruise.fall - cruise.rise, Ceil(1000000000.0 / 5000 / 4));
    }

    void homeAndWorkZero()
    {
        AppConfig::m_bHomeSensorsUsed = true;
        AppConfig::m_fAxisWorkZero[X_AXIS] = 12.5;
        AxisCtrl axis;
        Configure(axis, X_AXIS);
        QCOMPARE(axis.m_lPosDirLimit, 1675000L);
        QCOMPARE(axis.m_lNegDirLimit, -125000L);
        QVERIFY(!axis.MoveWorkZero());
        QCOMPARE(axis.GetErrorMsg(), MSG_HOMING);
        axis.SetMchHome();
        QVERIFY(axis.IsAxisHomeSet());
        QCOMPARE(axis.GetCurPosLong(), -125000L);
        QVERIFY(axis.MoveWorkZero());
        WaitDone(axis);
        QCOMPARE(axis.GetCurPosLong(), 0L);
        QCOMPARE(StepPulses(*m_pBank, X_STEP).size(), size_t(12500));

        AppConfig::m_fAxisWorkZero[X_AXIS] = 20.0;
        axis.SetCurPos(3.21);
        QCOMPARE(axis.GetCurPos(), 3.21);
        axis.SetWorkZero();
        QCOMPARE(axis.GetCurPosLong(), 0L);
        QCOMPARE(axis.m_lPosDirLimit, 1600000L);
        QCOMPARE(axis.m_lNegDirLimit, -200000L);
        axis.ClearHome();
        QVERIFY(!axis.IsAxisHomeSet());

        AppConfig::m_bHomeSensorsUsed = false;
        axis.ConfigAxis();
        QCOMPARE(axis.m_lPosDirLimit, 100000000L);
        QCOMPARE(axis.m_lNegDirLimit, -100000000L);
    }

    void destroyedWhileMoving()
    {
        auto axis = std::make_unique<AxisCtrl>();
        Configure(*axis, Y_AXIS);
        QVERIFY(axis->MoveRel(10000.0));
        axis.reset();
        QVERIFY(m_pBank->RisingEdges(4) < 10000000);
    }
};

QTEST_MAIN(TestAxisCtrl)
#include "tst_axisctrl.moc"
