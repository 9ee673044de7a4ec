#include "hal/clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <time.h>

namespace {
std::atomic<bool> g_bVirtual{false};
std::atomic<qint64> g_iVirtualNs{0};
std::atomic<quint64> g_iVirtualReads{0};

void MoveVirtualTo(qint64 t)
{
    qint64 cur = g_iVirtualNs.load(std::memory_order_relaxed);
    while (cur < t && !g_iVirtualNs.compare_exchange_weak(cur, t, std::memory_order_relaxed)) {
    }
}
}

qint64 CClock::NowNs()
{
    if (g_bVirtual.load(std::memory_order_relaxed)) {
        g_iVirtualReads.fetch_add(1, std::memory_order_relaxed);
        return g_iVirtualNs.load(std::memory_order_relaxed);
    }
    return RealNowNs();
}

qint64 CClock::WaitUntilNs(qint64 deadlineNs)
{
    if (g_bVirtual.load(std::memory_order_relaxed)) {
        g_iVirtualReads.fetch_add(1, std::memory_order_relaxed);
        MoveVirtualTo(deadlineNs);
        // Another thread may have moved time on past the deadline.
        return g_iVirtualNs.load(std::memory_order_relaxed);
    }
    return WaitUntilRealNs(deadlineNs);
}

void CClock::SleepUs(qint64 us)
{
    if (us < 0)
        us = 0;
    if (g_bVirtual.load(std::memory_order_relaxed)) {
        g_iVirtualNs.fetch_add(us * 1000, std::memory_order_relaxed);
        // Let the other threads of the simulated machine run: a short poll
        // only gives up its turn, a long sleep (a pause check, a settle
        // time) also pauses a little in real time so a polling thread never
        // starves them.
        if (us < 1000)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void CClock::UseVirtual(bool on)
{
    g_bVirtual.store(on);
}

bool CClock::IsVirtual()
{
    return g_bVirtual.load(std::memory_order_relaxed);
}

quint64 CClock::VirtualReads()
{
    return g_iVirtualReads.load(std::memory_order_relaxed);
}

void CClock::AdvanceNs(qint64 ns)
{
    if (ns > 0)
        g_iVirtualNs.fetch_add(ns, std::memory_order_relaxed);
}
