#pragma once
// The words that set the spindle's hardware PWM to a frequency, without any
// hardware: the PWM counts a 19.2 MHz clock divided by a whole divisor, and
// one period lasts `range` of those counts, the output high for `value` of
// them (mark-space). The frequency is 19200000 / divisor / range.
//
// A fixed range of 1024 leaves only the divisor to choose, and whole
// divisors of 19.2 MHz / 1024 reach few frequencies above a few kHz (9375
// and 18750 Hz, nothing between). Divisor and range are chosen together
// instead: the largest divisor that keeps the range at 1024 or more (so the
// duty has at least as fine a step as before), the range then the even
// count nearest to the period. Every frequency up to 10 kHz comes out within
// 0.15 % and every one up to 65535 Hz within 1 % (on the 54 MHz clock too),
// with the output high half the period.
//
// The BCM2711 (Pi 4) runs its PWM from 54 MHz; the pin backend scales the
// range and value to it, so callers always count with 19.2 MHz.
#include <QtGlobal>

struct stPwmWords
{
    int divisor = 0;    // clock divisor, MIN_DIVISOR .. MAX_DIVISOR
    unsigned range = 0; // counts per period, even
    int value = 0;      // counts high per period: half the range
};

class CPwmClock
{
public:
    CPwmClock() = delete;

    static constexpr quint32 BASE_CLOCK_HZ = 19200000;
    // The clock manager divides by 2 to 4095 in whole-divisor mode.
    static constexpr int MIN_DIVISOR = 2;
    static constexpr int MAX_DIVISOR = 4095;
    // The range is not made smaller than this while a larger divisor is
    // free to take up the rest.
    static constexpr unsigned MIN_RANGE = 1024;
    // The frequencies the words reach within TOLERANCE of the one asked
    // for (relative).
    static constexpr unsigned LOWEST_HZ = 1;
    static constexpr unsigned HIGHEST_HZ = 65535;
    static constexpr double TOLERANCE = 0.01;

    // The words for `frequency` Hz; false (and *pWords untouched) for a
    // frequency outside LOWEST_HZ .. HIGHEST_HZ.
    static bool ForFrequency(unsigned frequency, stPwmWords* pWords);
    // What a set of words drives on a clock of clockHz.
    static double Frequency(const stPwmWords& words, double clockHz = BASE_CLOCK_HZ);
};
