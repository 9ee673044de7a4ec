#pragma once
// Following the simulated machine's tool: the path of X, Y and Z rebuilt from
// the step pulses the pin bank logged, and a probe input that touches a
// surface given as a height function of X and Y.
#include "core/common.h"
#include "hal/pinbackend.h"

#include <QList>
#include <QString>
#include <functional>

// Records the tool path from Start() on: Points() gives the X, Y, Z position
// after every step pulse of any of the three axes, in the order they came.
class CMotionTrace
{
public:
    // Clears the pin bank's write log; `from` is where the axes stand now.
    void Start(const stFloatPoint& from);
    QList<stFloatPoint> Points() const;
    // Whether the path passes within `tolerance` (mm, in X, Y and Z) of pt.
    bool Passes(const stFloatPoint& pt, double tolerance) const;
    // Whether it passes near every point of pts in their order; the first
    // point missed is described in *pMissed.
    bool PassesInOrder(const QList<stFloatPoint>& pts, double tolerance, QString* pMissed = nullptr) const;

private:
    stFloatPoint m_From;
    int m_iDirLevel[3] = {0, 0, 0};
};

// A pin backend in front of the simulated pin bank: the Z probe input reads 1
// while the tool's Z (work coordinates from where the axes stood at
// construction) is at or below surface(x, y); every other call goes to the
// bank. Installs itself behind CPins for its lifetime.
class CSurfaceProbe : public CPinBackend
{
public:
    using Surface = std::function<double(double x, double y)>;
    explicit CSurfaceProbe(Surface surface);
    ~CSurfaceProbe() override;
    stFloatPoint Position() const;

    int Setup() override;
    void SetMode(int pin, EPinMode mode) override;
    void SetPull(int pin, EPull pull) override;
    void Write(int pin, int level) override;
    int Read(int pin) override;
    void PwmSetMode(EPwmMode mode) override;
    void PwmSetRange(unsigned range) override;
    int PwmSetClock(int divisor) override;
    void PwmWrite(int pin, int value) override;
    int SpiOpen(unsigned channel, unsigned baud, unsigned flags) override;
    int SpiTransfer(int handle, const char* tx, char* rx, unsigned count) override;
    int SpiWrite(int handle, const char* tx, unsigned count) override;
    int SpiClose(int handle) override;

private:
    Surface m_Surface;
    int m_iHandle[3] = {-1, -1, -1};
};
