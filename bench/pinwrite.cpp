// Prints what one pin write and one pin read cost through CPins on the
// simulated pin bank, on the real and on the virtual clock.
#include "hal/clock.h"
#include "hal/pins.h"
#include "hal/simpinbank.h"

#include <cstdio>

static void Measure(const char* label)
{
    const int n = 2000000;
    CSimPinBank::Instance().Reset();
    const int axis = CSimPinBank::Instance().WatchAxis(2, 3, 0);
    CSimPinBank::Instance().AddInputRule(23, 1, axis, ECompare::AtLeast, n);
    CPins::SetMode(2, EPinMode::Output);
    CPins::SetMode(23, EPinMode::Input);

    timespec a, b;
    clock_gettime(CLOCK_MONOTONIC, &a);
    for (int i = 0; i < n; ++i)
        CPins::Write(2, i & 1);
    clock_gettime(CLOCK_MONOTONIC, &b);
    const double writeNs = ((b.tv_sec - a.tv_sec) * 1e9 + (b.tv_nsec - a.tv_nsec)) / n;

    int sum = 0;
    clock_gettime(CLOCK_MONOTONIC, &a);
    for (int i = 0; i < n; ++i)
        sum += CPins::Read(23);
    clock_gettime(CLOCK_MONOTONIC, &b);
    const double readNs = ((b.tv_sec - a.tv_sec) * 1e9 + (b.tv_nsec - a.tv_nsec)) / n;
    std::printf("%-14s write %.1f ns, read (one rule) %.1f ns  [%d]\n", label, writeNs, readNs, sum);
}

int main()
{
    CClock::UseVirtual(false);
    Measure("real clock");
    CClock::UseVirtual(true);
    Measure("virtual clock");
    return 0;
}
