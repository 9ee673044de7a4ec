#pragma once
#include <QString>

class CPiSystem;

// Chooses, once at start-up, what drives the pins: the Raspberry Pi's own
// GPIO, PWM and SPI (CPiPinBackend) on a Pi 1 to 4 that lets the program map
// its registers, else the simulated pin bank. The note says which, and on a
// Pi why the real pins could not be used; it goes to the log.
class CPinStartup
{
public:
    CPinStartup() = delete;

    // Looks at `system` (the real one by default), installs the chosen
    // backend behind CPins and returns the note. Called once, before the
    // pins are set up; a later call changes nothing and returns the note.
    static QString Select();
    static QString Select(CPiSystem& system);
    // The note of the choice made ("Pins: ..."), empty before Select.
    static QString Note();
    // Whether the Pi's pins are in use.
    static bool UsesRealPins();
};
