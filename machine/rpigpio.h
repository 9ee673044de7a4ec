#pragma once
#include "hal/pins.h"

// The Raspberry Pi's own GPIO pins, by BCM GPIO number.
//
// Step and direction pulses, the program-status output and every input that
// must be fast (home switches, Z probe, E-stop, program start) always go
// through here, whatever controller kind is selected. Pins come from the
// settings store as signed 8-bit values; a negative one (not fitted) arrives
// as a 16-bit number far outside the header and is never driven or read.
//
// WriteOutput and ReadInput sit inside the pulse loops: plain calls, no
// allocation, no lock, no logging.
class CRpiGpio
{
public:
    // Prepares the pins with BCM numbering. 0 on success.
    static int InitRpiGpio();
    static void SetPinModeOutput(unsigned short pin);
    // Input with the pull-down on: an open input reads 0.
    static void SetPinModeInput(unsigned short pin);
    static void WriteOutput(unsigned short pin, unsigned char level) { CPins::Write(pin, level); }
    static unsigned char ReadInput(unsigned short pin) { return static_cast<unsigned char>(CPins::Read(pin)); }
};
