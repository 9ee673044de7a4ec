#include "machine/pwm.h"

#include "core/AppConfig.h"
#include "hal/clock.h"
#include "machine/rpigpio.h"

namespace {
// How long the thread rests between checks while the frequency is 0.
constexpr qint64 kIdlePollUs = 1000;

// Lets other threads run while polling. Virtual time moves only when the
// test moves it, so the thread must not push it on by itself.
void Rest(qint64 us)
{
    if (CClock::IsVirtual())
        QThread::yieldCurrentThread();
    else if (us > 0)
        CClock::SleepUs(us);
}

unsigned CurrentFrequency()
{
    return AppConfig::m_stPwmSpndlSettings.m_nCurFreq;
}

void WritePin(unsigned char level)
{
    CRpiGpio::WriteOutput(static_cast<unsigned short>(AppConfig::m_iSpindlePwmOutput), level);
}
}

CPWM::CPWM(QObject* parent)
    : QThread(parent)
{
}

CPWM::~CPWM()
{
    PwmStop();
    wait();
}

qint64 CPWM::HalfPeriodNs(unsigned frequency)
{
    return frequency ? qint64(500000000) / frequency : 0;
}

void CPWM::PwmStart()
{
    if (isRunning()) {
        if (m_bRun.load())
            return;
        wait(); // a stop is still winding down
    }
    m_bRun.store(true);
    start(QThread::HighestPriority);
}

void CPWM::PwmStop()
{
    m_bRun.store(false);
}

void CPWM::run()
{
    // The timer restarts just before each edge is written, so the edge and
    // the start of the next half period are one moment.
    qint64 half = HalfPeriodNs(CurrentFrequency());
    unsigned char level = half ? 1 : 0;
    CStopWatch timer;
    timer.start();
    WritePin(level);
    while (m_bRun.load(std::memory_order_relaxed)) {
        if (half == 0) {
            // No wave at 0 Hz: rest low until a frequency is set.
            Rest(kIdlePollUs);
            half = HalfPeriodNs(CurrentFrequency());
            if (half) {
                level = 1;
                timer.start();
                WritePin(level);
            }
            continue;
        }
        if (timer.nsecsElapsed() < half) {
            Rest(0); // busy-poll on the real clock
            continue;
        }
        half = HalfPeriodNs(CurrentFrequency());
        level = half ? level ^ 1 : 0;
        timer.start();
        WritePin(level);
    }
    WritePin(0);
}
