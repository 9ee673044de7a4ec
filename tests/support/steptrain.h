#pragma once
// Helpers for the step-pulse tests: the pulse train a pin carried, read from
// the simulated pin bank's write log, and a pin bank that calls a test hook
// on every write (from the thread that writes).
#include "hal/pipinbackend.h"
#include "hal/simpinbank.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// One step pulse: rising and falling edge times (CClock::NowNs()).
struct stStepPulse
{
    qint64 rise = 0;
    qint64 fall = 0;
};

// The pulses logged on `pin` since the log was cleared (a rising edge
// without its falling one yet is left out).
std::vector<stStepPulse> StepPulses(const CSimPinBank& bank, int pin);

// The simulated bank with a hook after every write; the hook runs on the
// writing thread (the pulse loop), so it sees the machine exactly at that
// edge. Installed behind CPins for the life of the object.
class CHookedPinBank : public CSimPinBank
{
public:
    CHookedPinBank();
    ~CHookedPinBank() override;
    void Write(int pin, int level) override;
    // The hook runs for each pin of a write of several, in pin order, once
    // all of them are written.
    void WriteMask(quint32 setMask, quint32 clearMask) override;
    std::function<void(int pin, int level)> m_fnOnWrite;
    // Writes made, a write of several pins counting once.
    std::atomic<quint64> m_iWriteCalls{0};
};

// The Raspberry Pi backend on memory blocks in place of its registers,
// installed behind CPins for the life of the object (the backend before it
// comes back after): pin writes are plain stores, with no time stamp and no
// clock read of their own.
class CPiRegistersInMemory
{
public:
    CPiRegistersInMemory();
    ~CPiRegistersInMemory();
    quint32 Gpio(unsigned offset) const { return m_Gpio[offset / 4]; }

private:
    std::vector<quint32> m_Gpio, m_Pwm, m_Clock;
    std::unique_ptr<CPiPinBackend> m_pBackend;
    CPinBackend* m_pBefore;
};

// Puts the axis settings the step tests rely on back to the store's
// defaults (three-axis pin-out, no home switches, linear ramp), and the A
// and B axes on the five-axis pins.
void ResetAxisSettings();
