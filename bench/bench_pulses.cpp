// Step-pulse timing of the coordinated pulse loop on the real clock, side by
// side with a bare busy-wait loop (a deadline table, a wait on the clock, one
// write of the due pins) run the same way, pinned to the pulse CPU. Both
// loops write through the pin layer's port, so they differ only in what the
// pulse loop does around the write.
//
// For one, three and five axes it prints:
//   - the saturated cost per edge: every deadline already past, so each
//     loop runs flat out, both writing to the Raspberry Pi backend's
//     registers kept in memory (a store each), and the ratio of the two;
//   - the lateness of the edges at 10, 25 and 50 kHz per axis (median, 99th
//     percentile, maximum) against the schedule the ramp tables give, both
//     loops writing to a backend that notes the time of every write, and
//     the ratio of the 99th percentiles. Each round plays the move with the
//     bare loop, the pulse loop, then the bare loop again: how far the bare
//     loop's second series lies from its first is the machine's own
//     run-to-run spread, against which the pulse loop's ratio is read.
//     Lateness is anchored at each run's least late edge, so a constant
//     start-up delay does not count.
// Each figure is taken over a few rounds (--rounds N, default 5). It also
// measures the single-axis pulse thread half pulse by half pulse, and with
// --search the highest rate at which 99.9 % of edges are under a quarter
// period late (that takes about 20 s more). --cost prints only the cost per
// edge.
//
// Run: build/bench/bench_pulses   (about 45 s)
// The figures depend on what else the machine runs: CPU 3 is meant to be
// kept free for the pulse loop. On a virtual machine the host's own work
// shows in the tails: compare the p99 ratio with the bare loop's spread.
#include "core/AppConfig.h"
#include "hal/clock.h"
#include "hal/pins.h"
#include "hal/pipinbackend.h"
#include "hal/simpinbank.h"
#include "machine/AxisCtrl.h"
#include "machine/allaxisctrl.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <chrono>
#include <map>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr double MM_PER_PULSE = 0.001;
constexpr int STEP_PIN[AXIS_COUNT] = {2, 4, 27, 5, 14};
constexpr int AXIS_COUNTS[] = {1, 3, 5};
constexpr double RATES[] = {10000.0, 25000.0, 50000.0};
// Pulses per axis of a saturated run.
constexpr quint32 SATURATED_PULSES = 200000;

int g_iRounds = 5;

// Percentile of a sorted list.
template <class T>
T At(const std::vector<T>& sorted, double q)
{
    return sorted[std::min(sorted.size() - 1, size_t(double(sorted.size()) * q))];
}

template <class T>
T Median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return At(v, 0.5);
}

struct stStats
{
    size_t edges = 0;
    double fractionOnTime = 0.0; // less than a quarter period late
    qint64 median = 0;
    qint64 p99 = 0;
    qint64 max = 0;
    bool ok = true;              // every edge was seen
};

// Lateness of every edge, anchored at the least late one.
stStats Lateness(std::vector<qint64> late, double rate)
{
    stStats st;
    if (late.empty())
        return st;
    const qint64 anchor = *std::min_element(late.begin(), late.end());
    const double quarter = 1e9 / rate / 4;
    size_t onTime = 0;
    for (qint64& l : late) {
        l -= anchor;
        if (double(l) < quarter)
            ++onTime;
    }
    std::sort(late.begin(), late.end());
    st.edges = late.size();
    st.fractionOnTime = double(onTime) / double(late.size());
    st.median = At(late, 0.5);
    st.p99 = At(late, 0.99);
    st.max = late.back();
    return st;
}

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

// Edge times of an axis's prepared move, as the pulse loop sums them.
std::vector<qint64> Schedule(const AxisCtrl& a)
{
    std::vector<qint64> edges;
    qint64 next = 0;
    for (double half : HalfPulses(a)) {
        edges.push_back(next);
        next = qint64(double(next) + half);
    }
    return edges;
}

// ---------------------------------------------------------------- bare loop

// One entry of the bare loop's table: when, and which pins go high or low.
struct stDeadline
{
    qint64 t;
    quint32 set;
    quint32 clear;
};

// The axes' schedules merged into one table, edges at the same time in one
// entry (rising edges are the even ones of each schedule).
std::vector<stDeadline> DeadlineTable(const std::vector<std::vector<qint64>>& schedules)
{
    std::map<qint64, stDeadline> byTime;
    for (size_t ax = 0; ax < schedules.size(); ++ax) {
        for (size_t k = 0; k < schedules[ax].size(); ++k) {
            stDeadline& d = byTime.try_emplace(schedules[ax][k], stDeadline{schedules[ax][k], 0, 0}).first->second;
            (k % 2 == 0 ? d.set : d.clear) |= 1u << STEP_PIN[ax];
        }
    }
    std::vector<stDeadline> table;
    table.reserve(byTime.size());
    for (const auto& e : byTime)
        table.push_back(e.second);
    return table;
}

// Plays the table: wait for each deadline, write the entry's masks through
// the pin layer's port, as the pulse loop writes its edges. Returns the
// run's length in ns.
qint64 PlayTable(const std::vector<stDeadline>& table, const CPins::stPort& port)
{
    const qint64 start = CClock::RealNowNs();
    for (const stDeadline& d : table) {
        const qint64 due = start + d.t;
        while (CClock::RealNowNs() < due) {
        }
        port.Write(d.set, d.clear);
    }
    return CClock::RealNowNs() - start;
}

// Waits until finished() says so, from any CPU but the pulse CPU: first one
// sleep of quietNs (the run's expected length, during which nothing wakes
// next to the loop), then a look every 20 us. Both loops' callers wait this
// way, so the machine around the two loops is the same.
void PollUntil(const std::function<bool()>& finished, qint64 quietNs)
{
    cpu_set_t before, others;
    CPU_ZERO(&before);
    sched_getaffinity(0, sizeof(before), &before);
    others = before;
    CPU_CLR(CAllAxisCtrl::PULSE_CPU, &others);
    if (CPU_COUNT(&others) > 0)
        sched_setaffinity(0, sizeof(others), &others);
    if (quietNs > 0)
        std::this_thread::sleep_for(std::chrono::nanoseconds(quietNs));
    while (!finished())
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    sched_setaffinity(0, sizeof(before), &before);
}

// Plays the table on its own thread pinned like the pulse loop, writing to
// the pins of the backend in use; quietNs as for PollUntil. Returns the
// run's length in ns.
qint64 RunBare(const std::vector<stDeadline>& table, qint64 quietNs)
{
    const CPins::stPort port = CPins::Port();
    qint64 length = 0;
    std::atomic<bool> done{false};
    std::thread t([&] {
        CAllAxisCtrl::PinToPulseCpu();
        length = PlayTable(table, port);
        done = true;
    });
    PollUntil([&] { return done.load(); }, quietNs);
    t.join();
    return length;
}

// ---------------------------------------------------------------- pulse loop

void UseAxes(int nAxes)
{
    AppConfig::m_iMchType = nAxes > 3 ? 5 : 3;
    CAllAxisCtrl::m_lstAxisToMov = stAxisToMove();
    for (int ax = 0; ax < nAxes; ++ax)
        CAllAxisCtrl::m_lstAxisToMov.m_bAxis[ax] = true;
}

// The pulse loop's thread spins on the pulse CPU even between segments: it
// is stopped while the bare loop has that CPU.
void PulseLoop(AxisCtrl* axes, bool on)
{
    if (on) {
        CAllAxisCtrl::StartAutoMode(axes);
        return;
    }
    CAllAxisCtrl::StopAutoMode();
    while (CAllAxisCtrl::m_bAutoModeRunning)
        CClock::SleepUs(1000);
}

// Releases the prepared segment and waits for its end (quietNs as for
// PollUntil); its length in ns.
qint64 RunSegment(qint64 quietNs)
{
    const qint64 t0 = CClock::RealNowNs();
    CAllAxisCtrl::StartMotion();
    PollUntil([] { return !CAllAxisCtrl::GetMotionState(); }, quietNs);
    return CClock::RealNowNs() - t0;
}

// Cost per edge with every deadline already past: the loop on the Pi
// backend's registers in memory, and the bare loop.
struct stCost
{
    double loopNs;
    double bareNs;
};

stCost SaturatedCost(AxisCtrl* axes, int nAxes)
{
    std::vector<quint32> gpio(CPiPinBackend::BLOCK_SIZE / 4), pwm(gpio.size()), clock(gpio.size());
    CPiPinBackend pi(CPiPinBackend::ESoc::Bcm2711, {gpio.data(), pwm.data(), clock.data()}, CPiSystem::Real());
    CPins::SetBackend(&pi);
    UseAxes(nAxes);
    std::vector<std::vector<qint64>> schedules;
    for (int ax = 0; ax < nAxes; ++ax) {
        AxisCtrl& a = axes[ax];
        a.SetAxisMovParams(a.GetCurPos() + SATURATED_PULSES * MM_PER_PULSE);
        // Cruise only, one nanosecond a half: the schedule is always behind.
        a.m_nAccPulses = a.m_nDecPulses = 0;
        a.m_nCruisePulses = SATURATED_PULSES;
        a.m_fCruiseHighNs[a.m_nActiveTable] = a.m_fCruiseLowNs[a.m_nActiveTable] = 1.0;
        schedules.push_back(Schedule(a));
    }
    const double edges = 2.0 * SATURATED_PULSES * nAxes;
    PulseLoop(axes, true);
    const double loop = double(RunSegment(0)) / edges;
    PulseLoop(axes, false);
    const double bare = double(RunBare(DeadlineTable(schedules), 0)) / edges;
    CPins::SetBackend(nullptr);
    return {loop, bare};
}

quint32 PulsesFor(double rate, double seconds, int nAxes)
{
    // The simulated bank's log (the axis thread's figures) holds 2^18
    // writes: two per pulse and axis.
    const double cap = double(CSimPinBank::LOG_CAPACITY) / 2 / nAxes * 0.9;
    return quint32(std::min(cap, rate * seconds));
}

// Prepares a move of `pulses` per axis at `rate` pulses/s on `nAxes` axes
// (a ramp of about 20 ms, then cruise) and returns each axis's schedule.
std::vector<std::vector<qint64>> Prepare(AxisCtrl* axes, int nAxes, double rate, quint32 pulses)
{
    UseAxes(nAxes);
    const double feed = rate * MM_PER_PULSE;
    std::vector<std::vector<qint64>> schedules;
    for (int ax = 0; ax < nAxes; ++ax) {
        axes[ax].SetVelocityAcc(feed, feed / 0.02);
        axes[ax].SetAxisMovParams(axes[ax].GetCurPos() + pulses * MM_PER_PULSE);
        schedules.push_back(Schedule(axes[ax]));
    }
    return schedules;
}

// A pin backend that only notes when each write came and what it drove,
// in a table allocated and touched beforehand: both loops' edges are timed
// the same way, with no logging work of the simulated bank's in the way.
class CEdgeRecorder : public CPinBackend
{
public:
    struct stWrite
    {
        qint64 t;
        quint32 set;
        quint32 clear;
    };
    explicit CEdgeRecorder(size_t capacity)
        : m_Writes(capacity, stWrite{0, 0, 0})
    {
    }
    void WriteMask(quint32 setMask, quint32 clearMask) override
    {
        // The time first: it is the moment of the write.
        const qint64 t = CClock::RealNowNs();
        if (m_iCount < m_Writes.size())
            m_Writes[m_iCount++] = {t, setMask, clearMask};
    }
    void Write(int pin, int level) override { WriteMask(level ? 1u << pin : 0, level ? 0 : 1u << pin); }
    // The times of the edges of one pin.
    std::vector<qint64> Edges(int pin) const
    {
        std::vector<qint64> t;
        for (size_t k = 0; k < m_iCount; ++k) {
            if ((m_Writes[k].set | m_Writes[k].clear) >> pin & 1u)
                t.push_back(m_Writes[k].t);
        }
        return t;
    }
    bool Full() const { return m_iCount == m_Writes.size(); }

    int Setup() override { return 0; }
    void SetMode(int, EPinMode) override {}
    void SetPull(int, EPull) override {}
    int Read(int) override { return 0; }
    void PwmSetMode(EPwmMode) override {}
    void PwmSetRange(unsigned) override {}
    int PwmSetClock(int) override { return 0; }
    void PwmWrite(int, int) override {}
    int SpiOpen(unsigned, unsigned, unsigned) override { return -1; }
    int SpiTransfer(int, const char*, char*, unsigned) override { return -1; }
    int SpiWrite(int, const char*, unsigned) override { return -1; }
    int SpiClose(int) override { return -1; }

private:
    std::vector<stWrite> m_Writes;
    size_t m_iCount = 0;
};

// When the last edge of the schedules is due, ns after the start.
qint64 LastEdgeNs(const std::vector<std::vector<qint64>>& schedules)
{
    qint64 last = 0;
    for (const auto& sched : schedules)
        last = sched.empty() ? last : std::max(last, sched.back());
    return last;
}

// The recorded edges of each axis against its schedule, from startNs.
stStats RecordedLateness(const CEdgeRecorder& rec, const std::vector<std::vector<qint64>>& schedules,
                         qint64 startNs, double rate)
{
    bool ok = !rec.Full();
    std::vector<qint64> late;
    for (size_t ax = 0; ax < schedules.size(); ++ax) {
        const std::vector<qint64> edges = rec.Edges(STEP_PIN[ax]);
        const auto& sched = schedules[ax];
        ok = ok && edges.size() >= sched.size();
        for (size_t k = 0; k < std::min(edges.size(), sched.size()); ++k)
            late.push_back(edges[k] - startNs - sched[k]);
    }
    stStats st = Lateness(late, rate);
    st.ok = ok;
    return st;
}

// The pulse loop's edges against the schedules.
stStats LoopLateness(AxisCtrl* axes, int nAxes, double rate, quint32 pulses,
                     std::vector<std::vector<qint64>>* pSchedules = nullptr)
{
    const auto schedules = Prepare(axes, nAxes, rate, pulses);
    if (pSchedules)
        *pSchedules = schedules;
    CEdgeRecorder rec(2 * size_t(pulses) * size_t(nAxes) + 16);
    CPins::SetBackend(&rec);
    PulseLoop(axes, true);
    const qint64 startNs = CClock::RealNowNs();
    RunSegment(LastEdgeNs(schedules));
    // Stopping the loop drives the step pins low: the table has room.
    PulseLoop(axes, false);
    CPins::SetBackend(nullptr);
    return RecordedLateness(rec, schedules, startNs, rate);
}

// The same schedules played by the bare loop, onto the same recorder.
stStats BareLateness(const std::vector<std::vector<qint64>>& schedules, double rate)
{
    size_t edges = 0;
    for (const auto& sched : schedules)
        edges += sched.size();
    CEdgeRecorder rec(edges + 16);
    CPins::SetBackend(&rec);
    const qint64 startNs = CClock::RealNowNs();
    RunBare(DeadlineTable(schedules), LastEdgeNs(schedules));
    CPins::SetBackend(nullptr);
    return RecordedLateness(rec, schedules, startNs, rate);
}

void ReportCost(AxisCtrl* axes)
{
    std::printf("Saturated cost per edge (every deadline past; pulse loop on the Pi backend's registers in "
                "memory, bare loop writing to the same), median of %d rounds:\n",
                g_iRounds);
    for (int n : AXIS_COUNTS) {
        std::vector<double> loop, bare;
        for (int r = 0; r < g_iRounds; ++r) {
            const stCost c = SaturatedCost(axes, n);
            loop.push_back(c.loopNs);
            bare.push_back(c.bareNs);
        }
        const double l = Median(loop), b = Median(bare);
        std::printf("  %d ax%s: pulse loop %5.1f ns, bare loop %5.1f ns, ratio %.2f\n", n, n == 1 ? "is" : "es", l, b,
                    l / b);
    }
}

// The figures of one loop over the rounds.
struct stSeries
{
    std::vector<qint64> median, p99, max;
    void Add(const stStats& st)
    {
        median.push_back(st.median);
        p99.push_back(st.p99);
        max.push_back(st.max);
    }
    // The 99th percentile of the least disturbed round.
    qint64 BestP99() const { return std::max<qint64>(1, *std::min_element(p99.begin(), p99.end())); }
};

// One round of one case, in this process: the same move played by the
// bare loop, the pulse loop, then the bare loop again. Prints a line per run:
// median, p99, max, and 1 when every edge was seen.
void LatenessRound(AxisCtrl* axes, int nAxes, double rate)
{
    const quint32 pulses = PulsesFor(rate, 0.25, nAxes);
    std::vector<std::vector<qint64>> schedules;
    stStats runs[3];
    runs[0] = BareLateness(Prepare(axes, nAxes, rate, pulses), rate);
    runs[1] = LoopLateness(axes, nAxes, rate, pulses, &schedules);
    runs[2] = BareLateness(schedules, rate);
    for (const stStats& st : runs)
        std::printf("%lld %lld %lld %d\n", (long long)st.median, (long long)st.p99, (long long)st.max, st.ok ? 1 : 0);
}

// Runs LatenessRound in a fresh process of this program (exe), so that
// where a process's threads and tables happen to lie in memory, which moves
// the tails by tens of percent from one process to the next, does not
// favour either loop for a whole run. False if the round did not complete.
bool RoundInNewProcess(const std::string& exe, int nAxes, double rate, stStats runs[3])
{
    const std::string cmd = "'" + exe + "' --lateness-round " + std::to_string(nAxes) + " " +
                            std::to_string(qint64(rate));
    FILE* f = popen(cmd.c_str(), "r");
    if (!f)
        return false;
    int read = 0;
    for (; read < 3; ++read) {
        long long median = 0, p99 = 0, max = 0;
        int ok = 0;
        if (std::fscanf(f, "%lld %lld %lld %d", &median, &p99, &max, &ok) != 4)
            break;
        runs[read].median = median;
        runs[read].p99 = p99;
        runs[read].max = max;
        runs[read].ok = ok == 1;
    }
    return pclose(f) == 0 && read == 3;
}

// Each round is one LatenessRound in a new process. The bare loop's two
// series show how far the machine alone moves the tail from one run to the
// next.
void ReportLateness(const std::string& exe)
{
    std::printf("Edge lateness in ns, %d rounds (each in a new process) of bare loop, pulse loop, bare loop "
                "again: median, 99th percentile (least disturbed round / median round), max.\n"
                "p99 ratio: the pulse loop's least disturbed p99 over the bare loop's (first series); "
                "bare spread: the bare loop's second series over its first\n",
                g_iRounds);
    std::printf("  axes  rate    pulse loop                      bare loop                       p99 ratio  "
                "bare spread\n");
    std::vector<double> ratios, spreads;
    int later = 0;
    for (int n : AXIS_COUNTS) {
        for (double rate : RATES) {
            stSeries loop, bare, again;
            bool ok = true;
            for (int r = 0; r < g_iRounds; ++r) {
                stStats runs[3];
                if (!RoundInNewProcess(exe, n, rate, runs)) {
                    ok = false;
                    continue;
                }
                bare.Add(runs[0]);
                loop.Add(runs[1]);
                again.Add(runs[2]);
                ok = ok && runs[1].ok;
            }
            if (loop.p99.empty()) {
                std::printf("  %d     %2.0f kHz  [no round completed]\n", n, rate / 1000);
                continue;
            }
            const double ratio = double(loop.BestP99()) / double(bare.BestP99());
            const double spread = double(again.BestP99()) / double(bare.BestP99());
            const bool bLater = loop.BestP99() > std::max(bare.BestP99(), again.BestP99());
            later += bLater ? 1 : 0;
            ratios.push_back(ratio);
            spreads.push_back(spread);
            std::printf("  %d     %2.0f kHz  %3lld, %6lld / %6lld, %7lld  %3lld, %6lld / %6lld, %7lld  %5.2f%s     "
                        "%5.2f%s\n",
                        n, rate / 1000, (long long)Median(loop.median), (long long)loop.BestP99(),
                        (long long)Median(loop.p99), (long long)Median(loop.max), (long long)Median(bare.median),
                        (long long)bare.BestP99(), (long long)Median(bare.p99), (long long)Median(bare.max), ratio,
                        bLater ? "*" : " ", spread, ok ? "" : "  [log incomplete]");
        }
    }
    if (!ratios.empty())
        std::printf("  median over the %zu cases: p99 ratio %.2f, bare spread %.2f; * pulse loop's p99 later than "
                    "both bare series: %d of %zu\n",
                    ratios.size(), Median(ratios), Median(spreads), later, ratios.size());
}

// A rate passes when two of three runs keep 99.9 % of their edges less than a
// quarter period late: one run hit by a burst of other work on the machine
// does not decide it.
bool Passes(AxisCtrl* axes, int nAxes, double rate)
{
    int passed = 0;
    for (int run = 0; run < 3 && passed < 2; ++run) {
        const stStats st = LoopLateness(axes, nAxes, rate, PulsesFor(rate, 0.3, nAxes));
        if (st.ok && st.fractionOnTime >= 0.999)
            ++passed;
    }
    return passed >= 2;
}

void ReportHighestRate(AxisCtrl* axes, int nAxes)
{
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
        std::printf("  %d axes: highest step rate with 99.9 %% of edges < 1/4 period late: %.1f kHz per axis%s\n",
                    nAxes, good / 1000, bad > 0 ? "" : " (or more: the search stopped there)");
    else
        std::printf("  %d axes: highest step rate with 99.9 %% of edges < 1/4 period late: below 10 kHz\n", nAxes);
}

// The axis's own thread (jogs, homing, probing) times each half pulse from
// the end of the one before, so it is measured half by half: how much longer
// than its table time each half pulse lasted, and how far the last edge has
// drifted from the table's sum by the end of the move.
void ReportAxisThread(AxisCtrl& axis)
{
    std::printf("Single-axis pulse thread (jog, homing, probing), half pulses against the table:\n");
    CSimPinBank& bank = CSimPinBank::Instance();
    for (double rate : RATES) {
        const double feed = rate * MM_PER_PULSE;
        axis.SetVelocityAcc(feed, feed / 0.02);
        bank.ClearLog();
        axis.MoveRel(PulsesFor(rate, 0.25, 1) * MM_PER_PULSE);
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

std::string CpuModel()
{
    std::ifstream f("/proc/cpuinfo");
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    }
    return "unknown CPU";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool search = false;
    bool costOnly = false;
    int roundAxes = 0; // --lateness-round AXES RATE: one round, for ReportLateness
    double roundRate = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lateness-round") == 0 && i + 2 < argc) {
            roundAxes = std::atoi(argv[++i]);
            roundRate = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--search") == 0)
            search = true;
        else if (std::strcmp(argv[i], "--cost") == 0)
            costOnly = true;
        else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            g_iRounds = std::max(1, std::atoi(argv[++i]));
    }
    CClock::UseVirtual(false);
    AppConfig::m_bSimulationMode = false;
    AppConfig::m_bHomeSensorsUsed = false;
    AppConfig::m_eAxisFeedtype = FEED_LINEAR;
    AxisCtrl axes[AXIS_COUNT];
    for (int ax = 0; ax < AXIS_COUNT; ++ax) {
        AppConfig::m_fAxisMovPerPulse[ax] = MM_PER_PULSE;
        AppConfig::m_fAxisDutyCycle[ax] = 0.25;
        AppConfig::m_iAxisPulseOutput[ax] = qint8(STEP_PIN[ax]);
        axes[ax].m_iAxisIndex = qint16(ax);
        axes[ax].ConfigAxis();
    }
    if (roundAxes > 0) {
        LatenessRound(axes, std::min(roundAxes, int(AXIS_COUNT)), roundRate);
        return 0;
    }

    const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) < 1)
        load[0] = -1;
    std::printf("Step pulse timing on %s, %ld CPUs online, loops pinned to CPU %d: %s; load average %.2f\n",
                CpuModel().c_str(), cpus, CAllAxisCtrl::PULSE_CPU,
                cpus > CAllAxisCtrl::PULSE_CPU ? "yes" : "no (unpinned)", load[0]);
    ReportCost(axes);
    if (costOnly)
        return 0;
    ReportLateness(QCoreApplication::applicationFilePath().toStdString());
    if (search) {
        std::printf("Pulse loop, simulated pins:\n");
        ReportHighestRate(axes, 1);
        ReportHighestRate(axes, 3);
    }
    ReportAxisThread(axes[X_AXIS]);
    return 0;
}
