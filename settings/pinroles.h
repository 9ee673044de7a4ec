#pragma once
// What each GPIO pin of the Raspberry Pi header does on this machine, read
// from the pin assignment in the settings store: the operator looks a pin up
// on the pin-out page before wiring it.
#include <QString>

class CPinRoles
{
public:
    CPinRoles() = delete;

    // The physical position (1 to 40) of a BCM GPIO pin on the 40-pin
    // header, or 0 for a number that is not on the header.
    static int HeaderPin(int iGpio);
    // The pin's roles for the axes in use, joined by ", " ("X step output",
    // "M210 output", "emergency-stop input", ...), or "not used".
    static QString Roles(int iGpio);
    // "GPIO 18 (header pin 12): M210 output".
    static QString Describe(int iGpio);
};
