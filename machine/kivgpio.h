#pragma once
#include <QString>
#include <mutex>

// Start-up of every pin, the spindle's hardware PWM, and the M-code outputs
// and M66 inputs, which go to the Pi's own pins or to the SPI I/O board by
// the selected controller kind (AppConfig::m_eDiradiCtrl).
//
// Step, direction, home, status, spindle, E-stop, program-start and probe
// signals always stay on the Pi's pins (CRpiGpio), whatever the kind.
class CKIVGPIO
{
public:
    // Hardware PWM range set at start-up; PwmStart sets the range with the
    // clock divisor for each frequency (machine/pwmclock.h).
    static constexpr unsigned PWM_RANGE = 1024;

    // Sets up every pin from the settings store's pin assignment (run once
    // at start-up, after the settings are loaded). With an SPI controller
    // kind it then opens the board. false when the pins could not be set up
    // or the board could not be opened; GetErrorMsg has the text for the log.
    static bool InitGpio();
    // Why the last InitGpio or PwmStart failed (empty after success).
    static QString GetErrorMsg();

    // M-code outputs and M66 inputs. Pin numbers are the 16-bit form of the
    // store's pins; a pin that is not fitted is never driven or read.
    // WriteOutput gives 0 (or the SPI write's count) on success, negative
    // when refused or failed. ReadInput gives 0 or 1.
    static int WriteOutput(unsigned short pin, unsigned short state);
    static unsigned char ReadInput(unsigned short pin);
    // The six pins the two Pi pin-outs use differently (5, 6, 13, 14, 15,
    // 18): the A and B axes' step and direction outputs (low) and home
    // inputs for the five-axis kind, the M200..M210 outputs (low) for the
    // three-axis kind, as the settings store's pin assignment now has them.
    // Part of InitGpio; run again when the operator switches between the two
    // Pi kinds with the machine idle. Nothing for the SPI board kinds.
    static void SetupPinoutPins();
    // Pi kinds only; the SPI board's outputs and inputs need no set-up.
    static void SetPinModeOutput(unsigned short pin);
    static void SetPinModeInput(unsigned short pin);

    // The pin of an M-code output (AppConfig::m_lstMCodesPin) or of an M66
    // input number (AppConfig::m_lstIPs), or -1 when the map has none: an
    // absent entry never turns into pin 0.
    static int MCodePin(unsigned short mcode);
    static int InputPin(unsigned char input);

    // Starts the spindle PWM at AppConfig::m_stPwmSpndlSettings.m_nCurFreq:
    // clock divisor and range chosen together for that frequency (within 1 %
    // of it), the output high half the period, the spindle pin in mark-space
    // PWM output. A frequency the PWM cannot give (0 Hz), a spindle pin that
    // is not fitted or a PWM clock that cannot be changed leaves the PWM off
    // and returns false (GetErrorMsg says why).
    static bool PwmStart();
    // Switches the spindle pin's PWM off.
    static void PwmStop();

private:
    static bool UsesPiPins();
    static void SetupAxisPins(int axis);
    static void OutputLow(int pin);
    static void Input(int pin);
    static void SetErrorMsg(const QString& msg);
    static QString m_strErrorMsg;
    static std::mutex m_ErrorLock; // the log reads the text from another thread
};
