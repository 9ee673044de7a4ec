#include "machine/pwmclock.h"

#include <algorithm>
#include <cmath>

bool CPwmClock::ForFrequency(unsigned frequency, stPwmWords* pWords)
{
    if (frequency < LOWEST_HZ || frequency > HIGHEST_HZ)
        return false;
    // Clock counts in one period of the frequency asked for.
    const double counts = double(BASE_CLOCK_HZ) / frequency;
    const int divisor = std::clamp(int(counts / MIN_RANGE), MIN_DIVISOR, MAX_DIVISOR);
    // An even range keeps the output high for exactly half the period.
    const unsigned half = std::max(1u, unsigned(std::lround(counts / (2.0 * divisor))));
    stPwmWords words;
    words.divisor = divisor;
    words.range = 2 * half;
    words.value = int(half);
    // With at least 146 counts per period (65535 Hz at divisor 2) the
    // rounding stays far inside the tolerance; checked all the same.
    if (std::fabs(Frequency(words) - frequency) > TOLERANCE * frequency)
        return false;
    *pWords = words;
    return true;
}

double CPwmClock::Frequency(const stPwmWords& words, double clockHz)
{
    if (words.divisor <= 0 || words.range == 0)
        return 0.0;
    return clockHz / words.divisor / words.range;
}
