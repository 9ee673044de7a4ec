#pragma once
// Helpers for the step-pulse tests: the pulse train a pin carried, read from
// the simulated pin bank's write log, and a pin bank that calls a test hook
// on every write (from the thread that writes).
#include "hal/simpinbank.h"

#include <functional>
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
    std::function<void(int pin, int level)> m_fnOnWrite;
};

// Puts the axis settings the step tests rely on back to the store's
// defaults (three-axis pin-out, no home switches, linear ramp), and the A
// and B axes on the five-axis pins.
void ResetAxisSettings();
