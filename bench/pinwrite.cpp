// Prints what one pin write and one pin read cost through CPins: on the
// simulated pin bank (real and virtual clock) and on the Raspberry Pi
// backend storing into an ordinary memory block in place of the mapped GPIO
// registers (the software's share of a write; on a Pi the store then goes
// out over the peripheral bus).
#include "hal/clock.h"
#include "hal/pins.h"
#include "hal/pipinbackend.h"
#include "hal/simpinbank.h"

#include <cstdio>
#include <vector>

namespace {
constexpr int kCount = 2000000;

double NsPerCall(qint64 a, qint64 b)
{
    return double(b - a) / kCount;
}

void Measure(const char* label, int readPin)
{
    qint64 a = CClock::RealNowNs();
    for (int i = 0; i < kCount; ++i)
        CPins::Write(2, i & 1);
    qint64 b = CClock::RealNowNs();
    const double writeNs = NsPerCall(a, b);

    int sum = 0;
    a = CClock::RealNowNs();
    for (int i = 0; i < kCount; ++i)
        sum += CPins::Read(readPin);
    b = CClock::RealNowNs();
    std::printf("%-30s write %5.1f ns, read %5.1f ns  [%d]\n", label, writeNs, NsPerCall(a, b), sum);
}

void MeasureSimulated(const char* label)
{
    CSimPinBank::Instance().Reset();
    const int axis = CSimPinBank::Instance().WatchAxis(2, 3, 0);
    CSimPinBank::Instance().AddInputRule(23, 1, axis, ECompare::AtLeast, kCount);
    CPins::SetMode(2, EPinMode::Output);
    CPins::SetMode(23, EPinMode::Input);
    Measure(label, 23);
}
}

int main()
{
    std::printf("per call through CPins (reads: an input with one script rule on the simulated bank)\n");
    CClock::UseVirtual(false);
    MeasureSimulated("simulated bank, real clock");
    CClock::UseVirtual(true);
    MeasureSimulated("simulated bank, virtual clock");
    CClock::UseVirtual(false);

    std::vector<quint32> gpio(CPiPinBackend::BLOCK_SIZE / 4), pwm(gpio.size()), clock(gpio.size());
    CPiPinBackend pi(CPiPinBackend::ESoc::Bcm2711, {gpio.data(), pwm.data(), clock.data()}, CPiSystem::Real());
    CPins::SetBackend(&pi);
    CPins::SetMode(2, EPinMode::Output);
    Measure("Pi backend, memory block", 23);
    CPins::SetBackend(nullptr);
    return 0;
}
