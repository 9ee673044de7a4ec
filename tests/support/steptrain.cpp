#include "steptrain.h"

#include "core/AppConfig.h"
#include "hal/pins.h"

std::vector<stStepPulse> StepPulses(const CSimPinBank& bank, int pin)
{
    std::vector<stStepPulse> pulses;
    stStepPulse cur;
    bool bHigh = false;
    for (const stPinWrite& w : bank.WriteLog(pin)) {
        if (w.level == 1 && !bHigh) {
            cur.rise = w.tNs;
            bHigh = true;
        } else if (w.level == 0 && bHigh) {
            cur.fall = w.tNs;
            pulses.push_back(cur);
            bHigh = false;
        }
    }
    return pulses;
}

CHookedPinBank::CHookedPinBank()
{
    CPins::SetBackend(this);
}

CHookedPinBank::~CHookedPinBank()
{
    CPins::SetBackend(nullptr);
}

void CHookedPinBank::Write(int pin, int level)
{
    ++m_iWriteCalls;
    CSimPinBank::Write(pin, level);
    if (m_fnOnWrite)
        m_fnOnWrite(pin, level);
}

void CHookedPinBank::WriteMask(quint32 setMask, quint32 clearMask)
{
    ++m_iWriteCalls;
    CSimPinBank::WriteMask(setMask, clearMask);
    if (!m_fnOnWrite)
        return;
    ForEachMaskPin(setMask, clearMask, [this](int pin, int level) { m_fnOnWrite(pin, level); });
}

CPiRegistersInMemory::CPiRegistersInMemory()
    : m_Gpio(CPiPinBackend::BLOCK_SIZE / 4)
    , m_Pwm(m_Gpio.size())
    , m_Clock(m_Gpio.size())
    , m_pBackend(new CPiPinBackend(CPiPinBackend::ESoc::Bcm2711, {m_Gpio.data(), m_Pwm.data(), m_Clock.data()},
                                   CPiSystem::Real()))
    , m_pBefore(CPins::Backend())
{
    CPins::SetBackend(m_pBackend.get());
}

CPiRegistersInMemory::~CPiRegistersInMemory()
{
    CPins::SetBackend(m_pBefore);
}

void ResetAxisSettings()
{
    const double posLimit[AXIS_COUNT] = {180, 0, 0, 360, 360};
    const double negLimit[AXIS_COUNT] = {0, -180, -40, 0, 0};
    const eDirection homeDir[AXIS_COUNT] = {DIR_CCW, DIR_CW, DIR_CW, DIR_CCW, DIR_CCW};
    const qint8 stepPin[AXIS_COUNT] = {2, 4, 27, 5, 14};
    const qint8 dirPin[AXIS_COUNT] = {3, 17, 22, 6, 15};
    const qint8 homePin[AXIS_COUNT] = {23, 24, 25, 13, 18};
    for (int ax = 0; ax < AXIS_COUNT; ++ax) {
        AppConfig::m_fAxisMovPerPulse[ax] = 0.001;
        AppConfig::m_fAxisDutyCycle[ax] = 0.25;
        AppConfig::m_fAxisAcc[ax] = 600;
        AppConfig::m_fAxisRateOfAcc[ax] = 6000;
        AppConfig::m_fAxisFeed[ax] = 15;
        AppConfig::m_fAxisWorkZero[ax] = 0;
        AppConfig::m_fAxisPosDirLimit[ax] = posLimit[ax];
        AppConfig::m_fAxisNegDirLimit[ax] = negLimit[ax];
        AppConfig::m_eAxisPosDir[ax] = DIR_CW;
        AppConfig::m_eAxisHomeDir[ax] = homeDir[ax];
        AppConfig::m_iAxisPulseOutput[ax] = stepPin[ax];
        AppConfig::m_iAxisDirOutput[ax] = dirPin[ax];
        AppConfig::m_iAxisMchHomeSensorInput[ax] = homePin[ax];
    }
    AppConfig::m_iZProbeInput = 21;
    AppConfig::m_iVelAccSamplingTime = 10000;
    AppConfig::m_eAxisFeedtype = FEED_LINEAR;
    AppConfig::m_bHomeSensorsUsed = false;
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bSimulationMode = false;
    AppConfig::m_iMchType = 3;
}
