#pragma once
#include "hal/pinbackend.h"

#include <atomic>

// The program's one door to the machine's pins, PWM and SPI bus.
//
// Every pin, PWM and SPI call of the program goes through here to the
// installed backend; by default that is the simulated pin bank
// (CSimPinBank), so the program and its tests run on any PC.
//
// Pins are BCM GPIO numbers of the 40-pin header. A pin number outside
// 0 .. PIN_COUNT - 1 (a signal that is not fitted is stored as a negative
// number, which reaches here as a large unsigned one) is never passed on:
// writes and modes are dropped, reads give 0, and each refusal is counted.
class CPins
{
public:
    static constexpr int PIN_COUNT = 28;

    static bool IsValidPin(int pin) { return unsigned(pin) < unsigned(PIN_COUNT); }

    // Prepares the backend with BCM numbering. 0 on success.
    static int Setup();
    static void SetMode(int pin, EPinMode mode);
    static void SetPull(int pin, EPull pull);
    static void SetPullDown(int pin) { SetPull(pin, EPull::Down); }

    // The pulse loops call these two at up to 50 kHz per axis: one range
    // check and one call into the backend.
    static void Write(int pin, int level)
    {
        if (!IsValidPin(pin)) {
            Refuse();
            return;
        }
        Backend()->Write(pin, level ? 1 : 0);
    }
    static int Read(int pin)
    {
        if (!IsValidPin(pin)) {
            Refuse();
            return 0;
        }
        return Backend()->Read(pin) ? 1 : 0;
    }

    static void PwmSetMode(EPwmMode mode);
    static void PwmSetRange(unsigned range);
    // A divisor of 0 (or less) would stop the PWM clock: it is refused.
    static void PwmSetClock(int divisor);
    static void PwmWrite(int pin, int value);

    static int SpiOpen(unsigned channel, unsigned baud, unsigned flags);
    static int SpiTransfer(int handle, const char* tx, char* rx, unsigned count);
    static int SpiWrite(int handle, const char* tx, unsigned count);
    static int SpiClose(int handle);

    // The backend in use; nullptr puts the simulated pin bank back. Only
    // swapped while no pin traffic is going on (start-up, tests).
    static void SetBackend(CPinBackend* backend)
    {
        s_pBackend.store(backend ? backend : DefaultBackend(), std::memory_order_release);
    }
    static CPinBackend* Backend()
    {
        CPinBackend* b = s_pBackend.load(std::memory_order_acquire);
        return b ? b : InstallDefaultBackend();
    }

    // Number of calls dropped for a bad pin number or PWM divisor.
    static quint64 RefusedCount() { return s_iRefused.load(std::memory_order_relaxed); }
    static void ResetRefusedCount() { s_iRefused.store(0, std::memory_order_relaxed); }

private:
    static CPinBackend* DefaultBackend();
    static CPinBackend* InstallDefaultBackend();
    static void Refuse() { s_iRefused.fetch_add(1, std::memory_order_relaxed); }

    inline static std::atomic<CPinBackend*> s_pBackend{nullptr};
    inline static std::atomic<quint64> s_iRefused{0};
};
