#include "hal/pins.h"

#include "hal/simpinbank.h"

#include <cerrno>

CPinBackend* CPins::DefaultBackend()
{
    return &CSimPinBank::Instance();
}

CPinBackend* CPins::InstallDefaultBackend()
{
    CPinBackend* expected = nullptr;
    CPinBackend* bank = DefaultBackend();
    return s_pBackend.compare_exchange_strong(expected, bank) ? bank : expected;
}

int CPins::Setup()
{
    return Backend()->Setup();
}

void CPins::SetMode(int pin, EPinMode mode)
{
    if (!IsValidPin(pin)) {
        Refuse();
        return;
    }
    Backend()->SetMode(pin, mode);
}

void CPins::SetPull(int pin, EPull pull)
{
    if (!IsValidPin(pin)) {
        Refuse();
        return;
    }
    Backend()->SetPull(pin, pull);
}

void CPins::PwmSetMode(EPwmMode mode)
{
    Backend()->PwmSetMode(mode);
}

void CPins::PwmSetRange(unsigned range)
{
    Backend()->PwmSetRange(range);
}

int CPins::PwmSetClock(int divisor)
{
    if (divisor <= 0) {
        Refuse();
        return -EINVAL;
    }
    return Backend()->PwmSetClock(divisor);
}

void CPins::PwmWrite(int pin, int value)
{
    if (!IsValidPin(pin)) {
        Refuse();
        return;
    }
    Backend()->PwmWrite(pin, value);
}

int CPins::SpiOpen(unsigned channel, unsigned baud, unsigned flags)
{
    return Backend()->SpiOpen(channel, baud, flags);
}

int CPins::SpiTransfer(int handle, const char* tx, char* rx, unsigned count)
{
    return Backend()->SpiTransfer(handle, tx, rx, count);
}

int CPins::SpiWrite(int handle, const char* tx, unsigned count)
{
    return Backend()->SpiWrite(handle, tx, count);
}

int CPins::SpiClose(int handle)
{
    return Backend()->SpiClose(handle);
}
