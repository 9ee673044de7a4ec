// Step-pulse timing of the coordinated pulse loop on the real clock, with the
// simulated pin bank logging every edge.
//
// For one axis and for three axes moving together it prints the highest step
// rate (per axis) at which 99.9 % of the edges come less than a quarter of a
// step period late, and the lateness distribution (median, 99th percentile,
// maximum) at 10, 25 and 50 kHz per axis. Lateness is measured against the
// schedule the ramp table gives, anchored at the segment's least late edge
// (so a constant start-up delay of the segment does not count as lateness).
//
// It also measures the single-axis pulse thread half pulse by half pulse.
//
// Run: build/bench/bench_pulses   (well under a minute)
// The figures depend on what else the machine runs: CPU 3 is meant to be
// kept free for the pulse loop.
#include "core/AppConfig.h"
#include "hal/clock.h"
#include "hal/simpinbank.h"
#include "machine/AxisCtrl.h"
#include "machine/allaxisctrl.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr double MM_PER_PULSE = 0.001;
constexpr int STEP_PIN[3] = {2, 4, 27};

// Percentile of a sorted list.
qint64 At(const std::vector<qint64>& sorted, double q)
{
    return sorted[std::min(sorted.size() - 1, size_t(double(sorted.size()) * q))];
}

struct stStats
{
    size_t edges = 0;
    double fractionOnTime = 0.0; // less than a quarter period late
    qint64 median = 0;
    qint64 p99 = 0;
    qint64 max = 0;
    bool ok = true;              // the log held every edge
};

// The half-pulse lengths of the prepared move, in the order they are played.
std::vector<double> HalfPulses(const AxisCtrl& a)
{
    const int t = a.m_nActiveTable;
    const auto& hi = a.m_lstRampHighNs[t];
    const auto& lo = a.m_lstRampLowNs[t];
    std::vector<double> halves;
    for (quint32 k = 0; k < a.m_nAccPulses; ++k) {
        halves.push_back(hi[k]);
        halves.push_back(lo[k]);
    }
    halves.insert(halves.end(), size_t(a.m_nCruisePulses) * 2, 0.0);
    for (size_t k = size_t(a.m_nAccPulses) * 2; k < halves.size(); k += 2) {
        halves[k] = a.m_fCruiseHighNs[t];
        halves[k + 1] = a.m_fCruiseLowNs[t];
    }
    for (quint32 k = a.m_nDecPulses; k-- > 0;) {
        halves.push_back(hi[k]);
        halves.push_back(lo[k]);
    }
    return halves;
}

// Plays one segment of `pulses` per axis at `rate` pulses/s on `nAxes`
// axes and measures every edge.
stStats Measure(AxisCtrl* axes, int nAxes, double rate, quint32 pulses)
{
    CSimPinBank& bank = CSimPinBank::Instance();
    const double feed = rate * MM_PER_PULSE;
    CAllAxisCtrl::m_lstAxisToMov = stAxisToMove();
    std::vector<std::vector<qint64>> schedule(static_cast<size_t>(nAxes));
    for (int ax = 0; ax < nAxes; ++ax) {
        // A ramp of about 20 ms, then cruise.
        axes[ax].SetVelocityAcc(feed, feed / 0.02);
        axes[ax].SetAxisMovParams(axes[ax].GetCurPos() + pulses * MM_PER_PULSE);
        CAllAxisCtrl::m_lstAxisToMov.m_bAxis[ax] = true;
        quint64 next = 0;
        for (double half : HalfPulses(axes[ax])) {
            schedule[size_t(ax)].push_back(qint64(next));
            next = quint64(double(next) + half);
        }
    }
    bank.ClearLog();
    CAllAxisCtrl::StartMotion();
    while (CAllAxisCtrl::GetMotionState())
        CClock::SleepUs(1000);

    stStats st;
    st.ok = bank.LostLogEntries() == 0;
    std::vector<std::vector<stPinWrite>> logs;
    qint64 anchor = std::numeric_limits<qint64>::max();
    for (int ax = 0; ax < nAxes; ++ax) {
        logs.push_back(bank.WriteLog(STEP_PIN[ax]));
        const auto& log = logs.back();
        const auto& sched = schedule[size_t(ax)];
        if (log.size() != sched.size())
            st.ok = false;
        for (size_t k = 0; k < std::min(log.size(), sched.size()); ++k)
            anchor = std::min(anchor, log[k].tNs - sched[k]);
    }
    std::vector<qint64> late;
    const double quarter = 1e9 / rate / 4;
    size_t onTime = 0;
    for (int ax = 0; ax < nAxes; ++ax) {
        const auto& log = logs[size_t(ax)];
        const auto& sched = schedule[size_t(ax)];
        for (size_t k = 0; k < std::min(log.size(), sched.size()); ++k) {
            const qint64 l = log[k].tNs - anchor - sched[k];
            late.push_back(l);
            if (double(l) < quarter)
                ++onTime;
        }
    }
    if (late.empty())
        return st;
    std::sort(late.begin(), late.end());
    st.edges = late.size();
    st.fractionOnTime = double(onTime) / double(late.size());
    st.median = At(late, 0.5);
    st.p99 = At(late, 0.99);
    st.max = late.back();
    return st;
}

quint32 PulsesFor(double rate, double seconds, int nAxes)
{
    // The bank's log holds 2^18 writes: two per pulse and axis.
    const double cap = double(CSimPinBank::LOG_CAPACITY) / 2 / nAxes * 0.9;
    return quint32(std::min(cap, rate * seconds));
}

// A rate passes when two of three runs keep 99.9 % of their edges less than a
// quarter period late: one run hit by a burst of other work on the machine
// does not decide it.
bool Passes(AxisCtrl* axes, int nAxes, double rate)
{
    int passed = 0;
    for (int run = 0; run < 3 && passed < 2; ++run) {
        const stStats st = Measure(axes, nAxes, rate, PulsesFor(rate, 0.3, nAxes));
        if (st.ok && st.fractionOnTime >= 0.999)
            ++passed;
    }
    return passed >= 2;
}

void Report(AxisCtrl* axes, int nAxes)
{
    std::printf("%s:\n", nAxes == 1 ? "One axis" : "Three axes moving together");
    // Up in steps of 1.5x until a rate fails, then narrow it down.
    double good = 0, bad = 0;
    for (double rate = 10000; rate <= 2000000; rate *= 1.5) {
        if (!Passes(axes, nAxes, rate)) {
            bad = rate;
            break;
        }
        good = rate;
    }
    if (bad > 0 && good > 0) {
        for (int i = 0; i < 5; ++i) {
            const double mid = (good + bad) / 2;
            (Passes(axes, nAxes, mid) ? good : bad) = mid;
        }
    }
    if (good > 0)
        std::printf("  highest step rate with 99.9 %% of edges < 1/4 period late: %.1f kHz per axis%s\n",
                    good / 1000, bad > 0 ? "" : " (or more: the search stopped there)");
    else
        std::printf("  highest step rate with 99.9 %% of edges < 1/4 period late: below 10 kHz\n");
    for (double rate : {10000.0, 25000.0, 50000.0}) {
        const stStats st = Measure(axes, nAxes, rate, PulsesFor(rate, 0.8, nAxes));
        std::printf("  %2.0f kHz: edge lateness median %lld ns, 99th percentile %lld ns, max %lld ns "
                    "(%zu edges, %.3f %% under 1/4 period = %.0f ns)%s\n",
                    rate / 1000, (long long)st.median, (long long)st.p99, (long long)st.max, st.edges,
                    st.fractionOnTime * 100, 1e9 / rate / 4, st.ok ? "" : " [log incomplete]");
    }
}

// The axis's own thread (jogs, homing, probing) times each half pulse from
// the end of the one before, so it is measured half by half: how much longer
// than its table time each half pulse lasted, and how far the last edge has
// drifted from the table's sum by the end of the move.
void ReportAxisThread(AxisCtrl& axis)
{
    std::printf("Single-axis pulse thread (jog, homing, probing), half pulses against the table:\n");
    CSimPinBank& bank = CSimPinBank::Instance();
    for (double rate : {10000.0, 25000.0, 50000.0}) {
        const double feed = rate * MM_PER_PULSE;
        axis.SetVelocityAcc(feed, feed / 0.02);
        bank.ClearLog();
        axis.MoveRel(PulsesFor(rate, 0.5, 1) * MM_PER_PULSE);
        axis.wait();
        const auto log = bank.WriteLog(STEP_PIN[0]);
        const auto halves = HalfPulses(axis);
        std::vector<qint64> over;
        qint64 tableSum = 0;
        for (size_t k = 0; k + 1 < std::min(log.size(), halves.size() + 1); ++k) {
            const qint64 table = qint64(std::ceil(halves[k]));
            over.push_back(log[k + 1].tNs - log[k].tNs - table);
            tableSum += table;
        }
        if (over.empty())
            continue;
        const qint64 drift = log[over.size()].tNs - log[0].tNs - tableSum;
        std::sort(over.begin(), over.end());
        std::printf("  %2.0f kHz: half-pulse overrun median %lld ns, 99th percentile %lld ns, max %lld ns; "
                    "last edge %.3f ms after the table's time (%zu halves)\n",
                    rate / 1000, (long long)At(over, 0.5), (long long)At(over, 0.99), (long long)over.back(),
                    double(drift) / 1e6, over.size());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CClock::UseVirtual(false);
    AppConfig::m_iMchType = 3;
    AppConfig::m_bSimulationMode = false;
    AppConfig::m_bHomeSensorsUsed = false;
    AppConfig::m_eAxisFeedtype = FEED_LINEAR;
    AxisCtrl axes[AXIS_COUNT];
    for (int ax = 0; ax < AXIS_COUNT; ++ax) {
        AppConfig::m_fAxisMovPerPulse[ax] = MM_PER_PULSE;
        AppConfig::m_fAxisDutyCycle[ax] = 0.25;
        axes[ax].m_iAxisIndex = qint16(ax);
        axes[ax].ConfigAxis();
    }

    const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) < 1)
        load[0] = -1;
    std::printf("Step pulse timing: coordinated pulse loop, real clock, simulated pins; %ld CPUs online, "
                "loop pinned to CPU %d: %s; load average %.2f\n",
                cpus, CAllAxisCtrl::PULSE_CPU, cpus > CAllAxisCtrl::PULSE_CPU ? "yes" : "no (unpinned)", load[0]);
    CAllAxisCtrl::StartAutoMode(axes);
    Report(axes, 1);
    Report(axes, 3);
    CAllAxisCtrl::StopAutoMode();
    while (CAllAxisCtrl::m_bAutoModeRunning)
        CClock::SleepUs(1000);
    ReportAxisThread(axes[X_AXIS]);
    return 0;
}
