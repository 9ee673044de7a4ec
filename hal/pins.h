#pragma once
#include "hal/pinbackend.h"

#include <QtAlgorithms>
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

    // Every pin of the header, as a mask (bit p for pin p).
    static constexpr quint32 ALL_PINS = (quint32(1) << PIN_COUNT) - 1;
    // The mask bit of a pin; 0 for a pin outside the header, which is
    // refused (and counted) here, once, rather than at every write.
    static quint32 PinMask(int pin)
    {
        if (!IsValidPin(pin)) {
            Refuse();
            return 0;
        }
        return quint32(1) << pin;
    }
    // Drives the pins of setMask high and those of clearMask low in one
    // write (a pin in both ends low); bits outside the header are dropped,
    // and a call that had any is counted as refused once.
    static void WriteMask(quint32 setMask, quint32 clearMask)
    {
        if ((setMask | clearMask) & ~ALL_PINS)
            Refuse();
        if ((setMask | clearMask) & ALL_PINS)
            Backend()->WriteMask(setMask & ALL_PINS, clearMask & ALL_PINS);
    }

    // What a pulse loop needs to drive and read pins, taken from the backend
    // once (per move or segment) instead of at every edge: a memory-mapped
    // backend's registers, stored into directly, else the backend itself.
    // Valid while the backend stays installed (it is only swapped while no
    // pin traffic goes on).
    struct stPort
    {
        CPinBackend* backend = nullptr;
        stPinRegisters regs;

        // setMask and clearMask hold pins of the header only (PinMask).
        void Write(quint32 setMask, quint32 clearMask) const
        {
            if (regs.set) {
                if (setMask)
                    *regs.set = setMask;
                if (clearMask)
                    *regs.clear = clearMask;
            } else {
                backend->WriteMask(setMask, clearMask);
            }
        }
        // pinMask: one pin's bit from PinMask; 0 (not fitted) reads 0.
        int Read(quint32 pinMask) const
        {
            if (!pinMask)
                return 0;
            if (regs.level)
                return (*regs.level & pinMask) ? 1 : 0;
            return backend->Read(int(qCountTrailingZeroBits(pinMask))) ? 1 : 0;
        }
    };
    static stPort Port()
    {
        stPort port;
        port.backend = Backend();
        port.regs = port.backend->Registers();
        if (!port.regs.set || !port.regs.clear || !port.regs.level)
            port.regs = stPinRegisters();
        return port;
    }

    static void PwmSetMode(EPwmMode mode);
    static void PwmSetRange(unsigned range);
    // A divisor of 0 (or less) would stop the PWM clock: it is refused
    // (-EINVAL). 0 when set, else the backend's negative error code.
    static int PwmSetClock(int divisor);
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
