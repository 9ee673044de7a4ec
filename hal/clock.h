#pragma once
#include <QtGlobal>

#include <time.h>

// The one nanosecond clock of the program.
//
// Step pulses are timed by busy-waiting on it, and every sleep and timeout of
// the controller goes through it. The real clock reads the monotonic clock.
// The virtual clock (tests) never runs by itself: a wait jumps it to the
// deadline being waited for and a sleep moves it on by the sleep's length, so
// a long move runs in milliseconds and gives the same edge times every run.
class CClock
{
public:
    // Nanoseconds since an arbitrary fixed start.
    static qint64 NowNs();
    // Returns once NowNs() >= deadlineNs: a busy-wait on the real clock
    // (never a sleep), a jump on the virtual one. The result is the reading
    // that ended the wait (at or after the deadline), so a loop that waits
    // and then needs the time has it without reading the clock again.
    static qint64 WaitUntilNs(qint64 deadlineNs);
    // The real clock's busy-wait, inline: for the pulse loops, which know the
    // clock is real and write an edge the moment the wait ends, so nothing
    // (a call, a look at which clock is in use) comes between the two.
    static qint64 WaitUntilRealNs(qint64 deadlineNs)
    {
        qint64 now;
        while ((now = RealNowNs()) < deadlineNs) {
        }
        return now;
    }
    // The monotonic clock, whichever clock the program uses.
    static qint64 RealNowNs()
    {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
    }
    // Sleeps (real clock) or advances time and yields the CPU (virtual clock).
    static void SleepUs(qint64 us);
    static void SleepMs(qint64 ms) { SleepUs(ms * 1000); }

    // Where a busy-wait for deadlineNs that looks at a stop flag at least
    // every lookNs pauses next: lookNs on, or the deadline itself once that
    // is less than two looks away, so that no look falls just before the
    // deadline and makes it late. Looks come at most 2 * lookNs apart.
    static qint64 NextLookNs(qint64 nowNs, qint64 deadlineNs, qint64 lookNs)
    {
        return deadlineNs - nowNs < 2 * lookNs ? deadlineNs : nowNs + lookNs;
    }

    // Switches the whole process to the virtual clock (true) or back to the
    // real one. The virtual clock keeps counting from where it stood.
    static void UseVirtual(bool on);
    static bool IsVirtual();
    // Virtual clock only: moves time on without waiting.
    static void AdvanceNs(qint64 ns);
    // Virtual clock only: how often it was read (NowNs and WaitUntilNs each
    // count once), so a test can see how many times a loop looks at it.
    static quint64 VirtualReads();
};

// An elapsed-time counter on CClock, the counterpart of QElapsedTimer.
class CStopWatch
{
public:
    void start() { m_iStartNs = CClock::NowNs(); }
    qint64 nsecsElapsed() const { return CClock::NowNs() - m_iStartNs; }
    qint64 elapsed() const { return nsecsElapsed() / 1000000; }
    // Busy-waits until nsecsElapsed() >= ns; returns the elapsed time that
    // ended the wait.
    qint64 waitUntilElapsedNs(qint64 ns) const { return CClock::WaitUntilNs(m_iStartNs + ns) - m_iStartNs; }
    qint64 startNs() const { return m_iStartNs; }

private:
    qint64 m_iStartNs = 0;
};
