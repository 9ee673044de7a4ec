#pragma once
#include <QtAlgorithms>
#include <QtGlobal>

// What a pin can be switched to. The spindle pin alternates between the
// hardware PWM output (mark-space) and PWM off.
enum class EPinMode : quint8 { Unset, Input, Output, PwmMarkSpace, PwmOff };

// The pin's pull resistor. Every input of the machine uses the pull-down, so
// an open input reads 0.
enum class EPull : quint8 { Off, Down, Up };

// How the PWM channel spreads its duty over the range: mark-space gives one
// high and one low stretch per period, balanced spreads the high time out.
enum class EPwmMode : quint8 { MarkSpace = 0, Balanced = 1 };

// Memory-mapped registers through which pins are driven and read, bit p for
// pin p: a store to `set` drives the pins of its one bits high, a store to
// `clear` drives them low, `level` reads every pin at once.
struct stPinRegisters
{
    volatile quint32* set = nullptr;
    volatile quint32* clear = nullptr;
    const volatile quint32* level = nullptr;
};

// Calls fn(pin, level) for each pin of a write of several (bit p for pin p),
// in pin order: level 1 for the pins of setMask, 0 for those of clearMask (a
// pin in both ends low).
template <class Fn>
inline void ForEachMaskPin(quint32 setMask, quint32 clearMask, Fn fn)
{
    for (quint32 pins = setMask | clearMask; pins != 0; pins &= pins - 1) {
        const int pin = int(qCountTrailingZeroBits(pins));
        fn(pin, (clearMask >> pin) & 1u ? 0 : 1);
    }
}

// The hardware behind CPins. CPins checks every pin number before it reaches
// a backend, so a backend only ever sees pins 0 .. CPins::PIN_COUNT - 1 and
// levels 0 or 1.
//
// Write and Read sit inside the step pulse loops: an implementation must not
// allocate, lock or log in them, and must cope with several threads calling
// at once (each pin is driven by one thread at a time).
class CPinBackend
{
public:
    virtual ~CPinBackend() = default;

    // Prepares the pins, numbered by BCM GPIO number. 0 on success.
    virtual int Setup() = 0;
    virtual void SetMode(int pin, EPinMode mode) = 0;
    virtual void SetPull(int pin, EPull pull) = 0;
    virtual void Write(int pin, int level) = 0;
    virtual int Read(int pin) = 0;
    // Drives the pins of setMask high and those of clearMask low (bit p for
    // pin p) as one write: edges due at the same moment on several pins. A
    // pin in both masks ends low. By default one Write per pin, in pin order.
    virtual void WriteMask(quint32 setMask, quint32 clearMask);
    // The backend's registers when its pins are memory-mapped (the pulse
    // loops then store into them directly); all null otherwise.
    virtual stPinRegisters Registers() const { return {}; }

    virtual void PwmSetMode(EPwmMode mode) = 0;
    virtual void PwmSetRange(unsigned range) = 0;
    // Sets the PWM clock divisor: 0 when set, a negative error code when the
    // clock could not be changed (the PWM then keeps its old clock).
    virtual int PwmSetClock(int divisor) = 0;
    virtual void PwmWrite(int pin, int value) = 0;

    // SPI: Open gives a handle (>= 0) or a negative error code; Transfer
    // sends count bytes and stores as many received ones, Write only sends.
    // Both return the number of bytes moved or a negative error code.
    virtual int SpiOpen(unsigned channel, unsigned baud, unsigned flags) = 0;
    virtual int SpiTransfer(int handle, const char* tx, char* rx, unsigned count) = 0;
    virtual int SpiWrite(int handle, const char* tx, unsigned count) = 0;
    // Frees the handle: 0, or a negative error code.
    virtual int SpiClose(int handle) = 0;
};
