#include "motiontrace.h"

#include "core/AppConfig.h"
#include "hal/pins.h"
#include "hal/simpinbank.h"

#include <cmath>

namespace {
double& Axis(stFloatPoint& p, int axis)
{
    return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
}
}

void CMotionTrace::Start(const stFloatPoint& from)
{
    m_From = from;
    for (int i = 0; i < 3; ++i)
        m_iDirLevel[i] = CSimPinBank::Instance().Level(AppConfig::m_iAxisDirOutput[i]);
    CSimPinBank::Instance().ClearLog();
}

QList<stFloatPoint> CMotionTrace::Points() const
{
    QList<stFloatPoint> points;
    stFloatPoint pos = m_From;
    int dir[3] = {m_iDirLevel[0], m_iDirLevel[1], m_iDirLevel[2]};
    for (const stPinWrite& w : CSimPinBank::Instance().WriteLog()) {
        for (int i = 0; i < 3; ++i) {
            if (w.pin == AppConfig::m_iAxisDirOutput[i]) {
                dir[i] = w.level;
            } else if (w.pin == AppConfig::m_iAxisPulseOutput[i] && w.level == 1) {
                const double step = AppConfig::m_fAxisMovPerPulse[i];
                Axis(pos, i) += dir[i] == int(AppConfig::m_eAxisPosDir[i]) ? step : -step;
                points.append(pos);
            }
        }
    }
    return points;
}

bool CMotionTrace::Passes(const stFloatPoint& pt, double tolerance) const
{
    return PassesInOrder({pt}, tolerance);
}

bool CMotionTrace::PassesInOrder(const QList<stFloatPoint>& pts, double tolerance, QString* pMissed) const
{
    const QList<stFloatPoint> path = Points();
    auto near = [tolerance](const stFloatPoint& a, const stFloatPoint& b) {
        return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
               std::fabs(a.z - b.z) <= tolerance;
    };
    int i = 0;
    for (const stFloatPoint& pt : pts) {
        while (i < path.size() && !near(path[i], pt))
            ++i;
        if (i == path.size()) {
            if (pMissed)
                *pMissed = QStringLiteral("X%1 Y%2 Z%3 not reached in order").arg(pt.x).arg(pt.y).arg(pt.z);
            return false;
        }
    }
    return true;
}

CSurfaceProbe::CSurfaceProbe(Surface surface)
    : m_Surface(std::move(surface))
{
    for (int i = 0; i < 3; ++i)
        m_iHandle[i] = CSimPinBank::Instance().WatchAxis(AppConfig::m_iAxisPulseOutput[i],
                                                        AppConfig::m_iAxisDirOutput[i], AppConfig::m_eAxisPosDir[i]);
    CPins::SetBackend(this);
}

CSurfaceProbe::~CSurfaceProbe()
{
    CPins::SetBackend(nullptr);
}

stFloatPoint CSurfaceProbe::Position() const
{
    stFloatPoint p;
    for (int i = 0; i < 3; ++i)
        Axis(p, i) = double(CSimPinBank::Instance().AxisCount(m_iHandle[i])) * AppConfig::m_fAxisMovPerPulse[i];
    return p;
}

int CSurfaceProbe::Read(int pin)
{
    if (pin != AppConfig::m_iZProbeInput)
        return CSimPinBank::Instance().Read(pin);
    const stFloatPoint p = Position();
    // Half a step of slack: the probe touches on the step that reaches the surface.
    return p.z <= m_Surface(p.x, p.y) + AppConfig::m_fAxisMovPerPulse[Z_AXIS] / 2 ? 1 : 0;
}

int CSurfaceProbe::Setup() { return CSimPinBank::Instance().Setup(); }
void CSurfaceProbe::SetMode(int pin, EPinMode mode) { CSimPinBank::Instance().SetMode(pin, mode); }
void CSurfaceProbe::SetPull(int pin, EPull pull) { CSimPinBank::Instance().SetPull(pin, pull); }
void CSurfaceProbe::Write(int pin, int level) { CSimPinBank::Instance().Write(pin, level); }
void CSurfaceProbe::PwmSetMode(EPwmMode mode) { CSimPinBank::Instance().PwmSetMode(mode); }
void CSurfaceProbe::PwmSetRange(unsigned range) { CSimPinBank::Instance().PwmSetRange(range); }
int CSurfaceProbe::PwmSetClock(int divisor) { return CSimPinBank::Instance().PwmSetClock(divisor); }
void CSurfaceProbe::PwmWrite(int pin, int value) { CSimPinBank::Instance().PwmWrite(pin, value); }
int CSurfaceProbe::SpiOpen(unsigned channel, unsigned baud, unsigned flags)
{
    return CSimPinBank::Instance().SpiOpen(channel, baud, flags);
}
int CSurfaceProbe::SpiTransfer(int handle, const char* tx, char* rx, unsigned count)
{
    return CSimPinBank::Instance().SpiTransfer(handle, tx, rx, count);
}
int CSurfaceProbe::SpiWrite(int handle, const char* tx, unsigned count)
{
    return CSimPinBank::Instance().SpiWrite(handle, tx, count);
}
int CSurfaceProbe::SpiClose(int handle)
{
    return CSimPinBank::Instance().SpiClose(handle);
}
