#pragma once
#include <QThread>
#include <atomic>

// A software square wave on the spindle pin at 50 % duty and the current
// spindle frequency (AppConfig::m_stPwmSpndlSettings.m_nCurFreq), for a
// machine without hardware PWM. The thread busy-polls CClock; a new
// frequency takes effect from the next edge. At 0 Hz the pin stays low until
// a frequency is set again.
class CPWM : public QThread
{
    Q_OBJECT
public:
    explicit CPWM(QObject* parent = nullptr);
    // Stops the wave and waits for the thread.
    ~CPWM() override;

    // Starts the thread at the highest priority below time-critical; a call
    // while it runs changes nothing.
    void PwmStart();
    // Ends the wave: the thread drives the pin low and ends.
    void PwmStop();

    // Half a period in ns for a frequency; 0 for 0 Hz (no wave).
    static qint64 HalfPeriodNs(unsigned frequency);

protected:
    void run() override;

private:
    std::atomic<bool> m_bRun{false};
};
