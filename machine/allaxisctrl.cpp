#include "machine/allaxisctrl.h"

#include "core/AppConfig.h"
#include "hal/clock.h"
#include "hal/pins.h"
#include "machine/AxisCtrl.h"
#include "machine/rpigpio.h"

#include <QFuture>
#include <QMutex>
#include <QMutexLocker>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <QtDebug>

#include <algorithm>
#include <limits>
#include <sched.h>
#include <thread>
#include <unistd.h>

AxisCtrl* CAllAxisCtrl::m_pAxisCtrl = nullptr;
std::atomic<bool> CAllAxisCtrl::m_bAutoMode{false};
std::atomic<bool> CAllAxisCtrl::m_bStartMotion{false};
std::atomic<bool> CAllAxisCtrl::m_bAutoModeRunning{false};
stAxisToMove CAllAxisCtrl::m_lstAxisToMov;
std::function<void()> CAllAxisCtrl::m_fnSegmentReleased;

stAxisToMove::stAxisToMove()
{
    std::fill(std::begin(m_bAxis), std::end(m_bAxis), false);
}

namespace {

// Busy-wait between two looks at the stop flag, ns: StopAutoMode takes
// effect within twice this plus one pass even in a slow part of a ramp.
constexpr qint64 STOP_CHECK_NS = 20000;

// Edges due this close together on several axes are written as one, ns: on
// the real clock the time one pin write takes, so an edge goes out at most
// that much early rather than a whole pass late. The virtual clock does not
// move during a write: there only edges due at the same nanosecond meet.
constexpr qint64 COINCIDENT_NS = 50;

constexpr qint64 NEVER = std::numeric_limits<qint64>::max();

// One axis during one segment; everything the inner loop touches.
struct stAxisRun
{
    qint64 nNextNs = NEVER;        // next edge, ns after the segment start; NEVER once done
    int iLevel = 0;                // current step-pin level
    quint32 iStepBit = 0;          // the step pin's mask bit; 0 when not driven
    quint64 i = 0;                 // pulses completed
    quint64 nAcc = 0;
    quint64 nAccCruise = 0;
    quint64 nTotal = 0;
    qint64 iDecIdx = 0;            // table index of the next deceleration pulse
    const double* pHigh = nullptr; // the axis's active ramp table
    const double* pLow = nullptr;
    double fCruiseHigh = 0.0;
    double fCruiseLow = 0.0;
    std::atomic<long>* pPos = nullptr;
    long lDelta = 0;               // position change at each rising edge
};

// The loop has a pool of its own: it holds its thread for a whole operation
// and pins it to the pulse CPU, so it neither waits behind other pool work nor
// leaves that pinning on threads other tasks use. Never destroyed: a loop
// still running at exit must not block it.
QThreadPool* LoopPool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        return p;
    }();
    return pool;
}

QMutex g_StartMutex;      // StartAutoMode from several threads
QFuture<void> g_LoopFuture;
std::atomic<bool> g_bToldUnpinned{false};

int AxesInUse()
{
    // Three-axis machines end a segment on X, Y and Z; anything else is
    // treated as the five-axis machine.
    return AppConfig::m_iMchType == 3 ? 3 : AXIS_COUNT;
}

void SetUpAxis(stAxisRun& r, AxisCtrl& axis, int ax, bool bDrive)
{
    r = stAxisRun();
    if (!CAllAxisCtrl::m_lstAxisToMov.m_bAxis[ax])
        return;
    const int tbl = axis.m_nActiveTable;
    const quint64 L = axis.m_lstRampHighNs[tbl].size();
    // Phase counts that do not fit the table would read past it: such an
    // axis stays put.
    if (axis.m_nAccPulses > L || axis.m_nDecPulses > L || axis.m_lstRampLowNs[tbl].size() != L)
        return;
    r.nNextNs = 0;
    r.nAcc = axis.m_nAccPulses;
    r.nAccCruise = r.nAcc + axis.m_nCruisePulses;
    r.nTotal = r.nAccCruise + axis.m_nDecPulses;
    r.iDecIdx = qint64(axis.m_nDecPulses) - 1;
    r.pHigh = axis.m_lstRampHighNs[tbl].data();
    r.pLow = axis.m_lstRampLowNs[tbl].data();
    r.fCruiseHigh = axis.m_fCruiseHighNs[tbl];
    r.fCruiseLow = axis.m_fCruiseLowNs[tbl];
    r.iStepBit = bDrive ? CPins::PinMask(AppConfig::m_iAxisPulseOutput[ax]) : 0;
    r.pPos = &axis.m_lCurPos;
    r.lDelta = axis.m_eMoveDir == AppConfig::m_eAxisPosDir[ax] ? axis.m_lStepSize : -axis.m_lStepSize;
}

// Handles one axis at time `now`: an edge due by `due` flips its step pin
// into the pass's set or clear mask. Returns the time of its next edge, or
// NEVER when it is done.
inline qint64 StepAxis(stAxisRun& r, qint64 now, qint64 due, quint32& setMask, quint32& clearMask)
{
    if (r.nNextNs > due) // not yet, or done
        return r.nNextNs;
    if (r.i == r.nTotal) {
        // The last low time is over (an axis is never done early).
        if (r.nNextNs > now)
            return r.nNextNs;
        r.nNextNs = NEVER;
        return NEVER;
    }
    r.iLevel ^= 1;
    const bool bHigh = r.iLevel == 1;
    double fHalf;
    if (r.i < r.nAcc) {
        fHalf = bHigh ? r.pHigh[r.i] : r.pLow[r.i];
    } else if (r.i < r.nAccCruise) {
        fHalf = bHigh ? r.fCruiseHigh : r.fCruiseLow;
    } else {
        fHalf = bHigh ? r.pHigh[r.iDecIdx] : r.pLow[r.iDecIdx];
        if (!bHigh)
            --r.iDecIdx;
    }
    const qint64 next = qint64(double(r.nNextNs) + fHalf);
    r.nNextNs = next;
    if (bHigh) {
        setMask |= r.iStepBit;
        r.pPos->store(r.pPos->load(std::memory_order_relaxed) + r.lDelta, std::memory_order_relaxed);
    } else {
        clearMask |= r.iStepBit;
        ++r.i;
    }
    return next;
}

// Adds an axis's next edge to the armed masks when it is due by `byNs` (the
// end of an axis's last low time is no edge).
inline void Arm(const stAxisRun& r, qint64 byNs, quint32& setMask, quint32& clearMask)
{
    if (r.nNextNs <= byNs && r.i < r.nTotal)
        (r.iLevel ? clearMask : setMask) |= r.iStepBit;
}

// Plays the released segment; returns when every moving axis is done or
// the loop is stopped.
void RunSegment(AxisCtrl* pAxes)
{
    const int nAxes = AxesInUse();
    const bool bDrive = !AppConfig::m_bSimulationMode;
    stAxisRun run[AXIS_COUNT];
    for (int ax = 0; ax < nAxes; ++ax)
        SetUpAxis(run[ax], pAxes[ax], ax, bDrive);
    // The pins are reached through the port taken here, not through the
    // pin layer at every edge.
    const CPins::stPort port = CPins::Port();

    // The clock is read once a pass: the reading that ended the wait is the
    // next pass's time. The edges due at the end of a wait are put together
    // before it and written the moment it ends; only then are the axes moved
    // on, so that nothing comes between the wait and the write.
    const bool bVirtual = CClock::IsVirtual();
    const qint64 window = bVirtual ? 0 : COINCIDENT_NS;
    const qint64 startNs = CClock::NowNs();
    qint64 now = 0;
    if (!CAllAxisCtrl::m_bAutoMode.load(std::memory_order_relaxed))
        return;
    quint32 written = 0; // the edges written as the last wait ended
    for (;;) {
        quint32 setMask = 0;
        quint32 clearMask = 0;
        qint64 nextNs = NEVER;
        for (int ax = 0; ax < nAxes; ++ax)
            nextNs = std::min(nextNs, StepAxis(run[ax], now, now + window, setMask, clearMask));
        // Edges due without having been armed: the first pass, a wait that
        // overran, or a loop behind its schedule.
        setMask &= ~written;
        clearMask &= ~written;
        if (setMask | clearMask)
            port.Write(setMask, clearMask);
        if (nextNs == NEVER)
            return;
        // Arming costs nothing while there is time to wait; a loop already
        // behind goes straight on.
        // The edges due when the wait ends: pins going high, and low.
        quint32 armedSet = 0;
        quint32 armedClear = 0;
        if (nextNs > now + window) {
            for (int ax = 0; ax < nAxes; ++ax)
                Arm(run[ax], nextNs + window, armedSet, armedClear);
        }
        if (!CAllAxisCtrl::m_bAutoMode.load(std::memory_order_relaxed))
            return;
        // Busy-wait for the earliest edge, looking at the stop flag now and
        // then during a long half pulse. A wait that runs to the edge ends
        // with its write, before anything else is done.
        const qint64 untilNs = CClock::NextLookNs(now, nextNs, STOP_CHECK_NS);
        written = untilNs == nextNs ? armedSet | armedClear : 0;
        const qint64 endNs =
            bVirtual ? CClock::WaitUntilNs(startNs + untilNs) : CClock::WaitUntilRealNs(startNs + untilNs);
        if (written)
            port.Write(armedSet, armedClear);
        now = endNs - startNs;
    }
}

} // namespace

bool CAllAxisCtrl::PinToPulseCpu()
{
    bool bPinned = false;
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (PULSE_CPU < CPU_SETSIZE && sysconf(_SC_NPROCESSORS_CONF) > PULSE_CPU &&
        sched_getaffinity(0, sizeof(allowed), &allowed) == 0 && CPU_ISSET(PULSE_CPU, &allowed)) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(PULSE_CPU, &set);
        bPinned = sched_setaffinity(0, sizeof(set), &set) == 0;
    }
    if (!bPinned && !g_bToldUnpinned.exchange(true))
        qWarning("Pulse loop: CPU %d is not available to this program, the loop runs unpinned", PULSE_CPU);
    return bPinned;
}

void CAllAxisCtrl::StartAutoMode(AxisCtrl* pAxes)
{
    if (!pAxes)
        return;
    QMutexLocker lock(&g_StartMutex);
    if (!g_LoopFuture.isFinished()) {
        // Still running for the current operation: keep it.
        if (m_bAutoMode)
            return;
        // Still on its way out from the last operation: two loops must never
        // drive the pins at once.
        g_LoopFuture.waitForFinished();
    }
    m_pAxisCtrl = pAxes;
    m_bStartMotion = false;
    m_bAutoModeRunning = true;
    m_bAutoMode = true;
    g_LoopFuture = QtConcurrent::run(LoopPool(), &CAllAxisCtrl::RunAutoMode);
}

void CAllAxisCtrl::StopAutoMode()
{
    m_bAutoMode = false;
}

bool CAllAxisCtrl::StartMotion()
{
    // The loop clears m_bStartMotion at the end of the segment, which for a
    // short segment may come before this returns: the answer is what was
    // stored, never a second look at the flag.
    const bool bReleased = m_bAutoMode.load();
    m_bStartMotion = bReleased;
    if (m_fnSegmentReleased)
        m_fnSegmentReleased();
    return bReleased;
}

bool CAllAxisCtrl::GetMotionState()
{
    return m_bStartMotion;
}

void CAllAxisCtrl::RunAutoMode()
{
    m_bAutoModeRunning = true;
    // On the virtual clock (tests) timing does not depend on the CPU, and
    // several test programs would crowd onto the one CPU.
    if (!CClock::IsVirtual())
        PinToPulseCpu();

    AxisCtrl* pAxes = m_pAxisCtrl;
    while (m_bAutoMode && pAxes) {
        while (!m_bStartMotion && m_bAutoMode) {
            if (CClock::IsVirtual())
                std::this_thread::yield();
        }
        if (!m_bAutoMode)
            break;
        RunSegment(pAxes);
        m_bStartMotion = false;
    }

    CClock::SleepUs(100);
    if (!AppConfig::m_bSimulationMode) {
        const int nAxes = AxesInUse();
        for (int ax = 0; ax < nAxes; ++ax)
            CRpiGpio::WriteOutput(static_cast<unsigned short>(AppConfig::m_iAxisPulseOutput[ax]), 0);
    }
    m_bStartMotion = false;
    m_bAutoModeRunning = false;
}
