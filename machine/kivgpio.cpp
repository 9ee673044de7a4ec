#include "machine/kivgpio.h"

#include "core/AppConfig.h"
#include "hal/pins.h"
#include "machine/diradictrl.h"
#include "machine/pwmclock.h"
#include "machine/rpigpio.h"

QString CKIVGPIO::m_strErrorMsg;
std::mutex CKIVGPIO::m_ErrorLock;

bool CKIVGPIO::UsesPiPins()
{
    return AppConfig::m_eDiradiCtrl < CTRL_SPI_V2;
}

QString CKIVGPIO::GetErrorMsg()
{
    std::lock_guard<std::mutex> lock(m_ErrorLock);
    return m_strErrorMsg;
}

void CKIVGPIO::SetErrorMsg(const QString& msg)
{
    std::lock_guard<std::mutex> lock(m_ErrorLock);
    m_strErrorMsg = msg;
}

int CKIVGPIO::MCodePin(unsigned short mcode)
{
    return AppConfig::m_lstMCodesPin.value(mcode, qint8(-1));
}

int CKIVGPIO::InputPin(unsigned char input)
{
    const auto it = AppConfig::m_lstIPs.constFind(input);
    return it == AppConfig::m_lstIPs.constEnd() ? -1 : int(it.value());
}

void CKIVGPIO::OutputLow(int pin)
{
    if (!CPins::IsValidPin(pin))
        return; // not fitted
    CRpiGpio::SetPinModeOutput(static_cast<unsigned short>(pin));
    CRpiGpio::WriteOutput(static_cast<unsigned short>(pin), 0);
}

void CKIVGPIO::Input(int pin)
{
    if (CPins::IsValidPin(pin))
        CRpiGpio::SetPinModeInput(static_cast<unsigned short>(pin));
}

void CKIVGPIO::SetupAxisPins(int axis)
{
    OutputLow(AppConfig::m_iAxisPulseOutput[axis]);
    OutputLow(AppConfig::m_iAxisDirOutput[axis]);
    Input(AppConfig::m_iAxisMchHomeSensorInput[axis]);
}

bool CKIVGPIO::InitGpio()
{
    SetErrorMsg(QString());
    bool ok = true;
    if (CRpiGpio::InitRpiGpio() != 0) {
        SetErrorMsg(QStringLiteral("Error: Unable to set up the GPIO pins"));
        ok = false;
    }
    CPins::PwmSetMode(EPwmMode::Balanced);
    CPins::PwmSetRange(PWM_RANGE);

    // Step, direction and home pins of X, Y and Z, the status output and the
    // spindle pin are the Pi's for every controller kind.
    for (int axis : {X_AXIS, Y_AXIS, Z_AXIS})
        SetupAxisPins(axis);
    OutputLow(AppConfig::m_iPgmStatusOutput);
    OutputLow(AppConfig::m_iSpindlePwmOutput);

    const eKivController kind = AppConfig::m_eDiradiCtrl;
    SetupPinoutPins();
    if (UsesPiPins()) {
        // Spindle, coolant and M80/M81 outputs.
        for (unsigned short m : {3, 4, 7, 8, 80})
            OutputLow(MCodePin(m));
    }

    // The E-stop, program-start and probe inputs are read from the Pi's pins
    // whatever the controller kind, so they are set up for every kind.
    Input(AppConfig::m_iPgmStartInput);
    Input(AppConfig::m_iZProbeInput);
    Input(AppConfig::m_iEStopInput);
    if (UsesPiPins()) {
        Input(InputPin(1));
        Input(InputPin(2));
    }

    // The board is opened last: opening the bus gives its lines back to SPI.
    if (!UsesPiPins() && !cdiradictrl::InitDiradiCtrl(kind)) {
        SetErrorMsg(cdiradictrl::GetErrorMsg());
        ok = false;
    }
    return ok;
}

void CKIVGPIO::SetupPinoutPins()
{
    const eKivController kind = AppConfig::m_eDiradiCtrl;
    if (kind == CTRL_KIVQ10) {
        for (unsigned short m : {200, 202, 204, 206, 208, 210})
            OutputLow(MCodePin(m));
    } else if (kind == CTRL_KIVQ20) {
        SetupAxisPins(A_AXIS);
        SetupAxisPins(B_AXIS);
    }
}

int CKIVGPIO::WriteOutput(unsigned short pin, unsigned short state)
{
    if (UsesPiPins()) {
        if (!CPins::IsValidPin(pin))
            return cdiradictrl::ERR_BAD_NUMBER;
        CRpiGpio::WriteOutput(pin, state ? 1 : 0);
        return 0;
    }
    if (pin > 0xFF)
        return cdiradictrl::ERR_BAD_NUMBER;
    return cdiradictrl::WriteOutput(static_cast<unsigned char>(pin), state ? 1 : 0);
}

unsigned char CKIVGPIO::ReadInput(unsigned short pin)
{
    return UsesPiPins() ? CRpiGpio::ReadInput(pin) : cdiradictrl::ReadInput(pin);
}

void CKIVGPIO::SetPinModeOutput(unsigned short pin)
{
    if (UsesPiPins())
        CRpiGpio::SetPinModeOutput(pin);
}

void CKIVGPIO::SetPinModeInput(unsigned short pin)
{
    if (UsesPiPins())
        CRpiGpio::SetPinModeInput(pin);
}

bool CKIVGPIO::PwmStart()
{
    SetErrorMsg(QString());
    const int pin = AppConfig::m_iSpindlePwmOutput;
    const unsigned freq = AppConfig::m_stPwmSpndlSettings.m_nCurFreq;
    if (!CPins::IsValidPin(pin)) {
        SetErrorMsg(QStringLiteral("Error: Spindle PWM not started: no PWM pin fitted"));
        return false;
    }
    stPwmWords words;
    if (!CPwmClock::ForFrequency(freq, &words)) {
        PwmStop();
        SetErrorMsg(QStringLiteral("Error: Spindle PWM off: %1 Hz is outside %2 to %3 Hz")
                        .arg(freq)
                        .arg(CPwmClock::LOWEST_HZ)
                        .arg(CPwmClock::HIGHEST_HZ));
        return false;
    }
    if (CPins::PwmSetClock(words.divisor) != 0) {
        // The spindle must not run on at the old frequency as if the new
        // one had been set.
        PwmStop();
        SetErrorMsg(QStringLiteral("Error: Spindle PWM off: the PWM clock did not stop, so %1 Hz could not be set")
                        .arg(freq));
        return false;
    }
    // The value always half the range: while the two change, the spindle
    // sees a period or two of the new clock on the old words at most.
    CPins::PwmSetRange(words.range);
    CPins::PwmWrite(pin, words.value);
    CPins::SetMode(pin, EPinMode::PwmMarkSpace);
    return true;
}

void CKIVGPIO::PwmStop()
{
    CPins::SetMode(AppConfig::m_iSpindlePwmOutput, EPinMode::PwmOff);
}
