#include "machine/AxisCtrl.h"

#include "core/AppConfig.h"
#include "core/UnitConverter.h"
#include "hal/pins.h"
#include "machine/rpigpio.h"

#include <QMutexLocker>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// "Away from everything": the target of a homing move and the soft limits
// of a machine without home switches (plus and minus 10 m).
constexpr long NO_LIMIT = 100000000;

// Busy-wait of a low time between two looks at the stop flag, ns (looks
// come at most twice this apart).
constexpr qint64 STOP_CHECK_NS = 20000;

// Longest pulse a table may hold, ns (one day). Anything slower is no
// ramp, and times near the range of the clock's counters would wrap.
constexpr double MAX_PULSE_NS = 86400e9;

// Direction set-up time before the first step, ns.
constexpr qint64 DIR_SETUP_NS = 5001;

const char* const AXIS_LABELS[AXIS_COUNT] = {"X Axis", "Y Axis", "Z Axis", "A Axis", "B Axis"};

// The refusal of a target outside [fMin, fMax] (mm) on axis ax.
QString PositionRangeMsg(int ax, double fMin, double fMax)
{
    return QString::fromLatin1(AXIS_LABELS[ax]) + QStringLiteral(" Absolute Position value must be between ") +
           QString::number(fMin, 'f', 4) + QStringLiteral(" and ") + QString::number(fMax, 'f', 4);
}

const QString MSG_IN_MOTION = QStringLiteral("Axis is in Motion");
const QString MSG_HOMING_NOT_DONE = QStringLiteral("Homing not done! Use \"Move Home\" in user Settings");
const QString MSG_STEP_RESOLUTION = QStringLiteral("Step Resolution value must be greater than zero");
const QString MSG_DUTY_CYCLE = QStringLiteral("Duty cycle value must be between zero and 1");

// A half pulse of `ns` (a table time) has passed once the elapsed whole
// nanoseconds are no longer below it.
inline qint64 CeilNs(double ns)
{
    return qint64(std::ceil(ns));
}

// Everything a ramp table is built from, in the settings' units.
struct stRampInput
{
    double fFeed;        // mm/s
    double fAcc;         // mm/s^2
    double fMovPerPulse; // mm
    double fDuty;        // high fraction of a pulse
    double fJerk;        // mm/s^3, S-curve only
    double fSampleUs;    // sampling time, microseconds
    bool bSCurve;
};

struct stRampTable
{
    bool bStore = true; // false: the pulses are only counted
    size_t nPulses = 0;
    std::vector<double> high;
    std::vector<double> low;
    double fCruiseHighNs = 0.0;
    double fCruiseLowNs = 0.0;
    QVector<double> velProfile;
};

// Stores the pulses of one velocity sample: every pulse has the cruise high
// time; a sample whose period is shorter than the sampling time holds n
// pulses while the time moves on by n + 1 periods. False when the table
// would grow past its limit.
bool AddSample(stRampTable& tbl, double v, double h, double fSampleUs, double& t)
{
    const double p = 1000000.0 / v;
    const double low = p - h;
    if (!(p * 1000.0 <= MAX_PULSE_NS))
        return false;
    // Far more pulses in one sample than a table may hold: refused before
    // counting them one by one.
    if (fSampleUs / p > double(AxisCtrl::MAX_RAMP_PULSES))
        return false;
    size_t n = 0;
    if (p >= fSampleUs) {
        n = 1;
        t += p;
    } else {
        double q = p;
        while (q < fSampleUs) {
            q += p;
            ++n;
        }
        t += q;
    }
    if (tbl.nPulses + n > AxisCtrl::MAX_RAMP_PULSES)
        return false;
    tbl.nPulses += n;
    if (tbl.bStore) {
        tbl.high.insert(tbl.high.end(), n, h * 1000.0);
        tbl.low.insert(tbl.low.end(), n, low * 1000.0);
    }
    return true;
}

// Samples the velocity curve from standstill to the cruise rate. The input
// has been checked: every value is finite and positive, the duty at most 1.
bool BuildRamp(const stRampInput& in, bool bRecord, stRampTable& tbl)
{
    const double R = in.fFeed / in.fMovPerPulse; // cruise rate, pulses/s
    const double T = 1000000.0 / R;              // cruise period, us
    const double h = in.fDuty * T;               // high time of every pulse, us
    const double A = in.fAcc / in.fMovPerPulse;  // pulses/s^2
    const double S = in.fSampleUs;
    tbl.fCruiseHighNs = h * 1000.0;
    tbl.fCruiseLowNs = (T - h) * 1000.0;

    double t = S;
    double v = 0.0;
    if (!in.bSCurve) {
        while (R - v > 0.00009) {
            v = (t / 1000000.0) * A;
            if (v > R)
                v = R;
            if (bRecord)
                tbl.velProfile.append(v);
            if (!AddSample(tbl, v, h, S, t))
                return false;
        }
        return true;
    }

    // S-curve: the acceleration grows with the jerk up to A while the
    // velocity climbs to half the cruise rate; the second half replays the
    // first half's accelerations backwards, so the curve is symmetric about
    // R / 2.
    const double Jp = in.fJerk / in.fMovPerPulse;
    const double half = R / 2.0;
    std::vector<double> history;
    size_t k = 0;
    while (v < R) {
        double a = (t / 1000000.0) * Jp;
        if (a > A)
            a = A;
        if (v < half) {
            history.push_back(a);
            // A step that jumps past the cruise rate (a very low feed) is
            // cut at the cruise rate: no ramp pulse is faster than cruise.
            v = std::min(R, v + a * S / 1000000.0);
            ++k;
        } else {
            if (k == 0)
                k = 1;
            v += history[k - 1] * S / 1000000.0;
            if (v >= R)
                break;
            --k;
        }
        if (bRecord)
            tbl.velProfile.append(v);
        if (!AddSample(tbl, v, h, S, t))
            return false;
    }
    return true;
}

inline bool Positive(double x)
{
    return std::isfinite(x) && x > 0.0;
}

// Below one internal unit (0.0001 mm) a step would count as no travel.
inline bool UsableStepSize(double fMovPerPulse)
{
    return Positive(fMovPerPulse) && CUnitConverter::GetLong(fMovPerPulse) >= 1;
}

inline bool UsableDuty(double fDuty)
{
    return Positive(fDuty) && fDuty <= 1.0;
}

} // namespace

AxisCtrl::AxisCtrl() = default;

AxisCtrl::~AxisCtrl()
{
    m_bMoving = false;
    wait();
}

// ---------------------------------------------------------------- configuration

bool AxisCtrl::ConfigAxis()
{
    const int ax = Axis();
    m_lStepSize = CUnitConverter::GetLong(AppConfig::m_fAxisMovPerPulse[ax]);
    if (AppConfig::m_bHomeSensorsUsed) {
        const long wz = CUnitConverter::GetLong(AppConfig::m_fAxisWorkZero[ax]);
        m_lPosDirLimit = long(CUnitConverter::GetLong(AppConfig::m_fAxisPosDirLimit[ax])) - wz;
        m_lNegDirLimit = long(CUnitConverter::GetLong(AppConfig::m_fAxisNegDirLimit[ax])) - wz;
    } else {
        m_lPosDirLimit = NO_LIMIT;
        m_lNegDirLimit = -NO_LIMIT;
    }
    {
        QMutexLocker lock(&m_TableMutex);
        m_fTableFeed[0] = m_fTableFeed[1] = AppConfig::m_fAxisFeed[ax];
    }
    return SetVelocityAcc(AppConfig::m_fAxisFeed[ax], AppConfig::m_fAxisAcc[ax]) == 1;
}

QString AxisCtrl::RampSettingsError(int ax, double fFeed, double fAcc)
{
    const double m = AppConfig::m_fAxisMovPerPulse[ax];
    if (!UsableStepSize(m))
        return MSG_STEP_RESOLUTION;
    if (!UsableDuty(AppConfig::m_fAxisDutyCycle[ax]))
        return MSG_DUTY_CYCLE;
    if (!Positive(fFeed))
        return QStringLiteral("Feed value must be greater than zero");
    if (!(1e9 * m / fFeed <= MAX_PULSE_NS))
        return QStringLiteral("Feed value too low for this step resolution");
    if (!Positive(fAcc))
        return QStringLiteral("Acceleration value must be greater than zero");
    if (AppConfig::m_iVelAccSamplingTime == 0)
        return QStringLiteral("Velocity sampling time must be greater than zero");
    if (AppConfig::m_eAxisFeedtype == FEED_SCURVE && !Positive(AppConfig::m_fAxisRateOfAcc[ax]))
        return QStringLiteral("Rate of acceleration value must be greater than zero");
    return QString();
}

namespace {
const QString MSG_RAMP_TOO_LONG = QStringLiteral("Acceleration value too low for this feed");

stRampInput RampInput(int ax, double fFeed, double fAcc)
{
    return {fFeed,
            fAcc,
            AppConfig::m_fAxisMovPerPulse[ax],
            AppConfig::m_fAxisDutyCycle[ax],
            AppConfig::m_fAxisRateOfAcc[ax],
            double(AppConfig::m_iVelAccSamplingTime),
            AppConfig::m_eAxisFeedtype == FEED_SCURVE};
}
} // namespace

QString AxisCtrl::RampError(int iAxis, double fFeed, double fAcc)
{
    const int ax = qBound(0, iAxis, AXIS_COUNT - 1);
    const QString strError = RampSettingsError(ax, fFeed, fAcc);
    if (!strError.isEmpty())
        return strError;
    // The table is walked exactly as SetVelocityAcc builds it, counting the
    // pulses instead of storing them.
    stRampTable tbl;
    tbl.bStore = false;
    return BuildRamp(RampInput(ax, fFeed, fAcc), false, tbl) ? QString() : MSG_RAMP_TOO_LONG;
}

int AxisCtrl::SetVelocityAcc(double fFeed, double fAcc)
{
    const int ax = Axis();
    QString strError = RampSettingsError(ax, fFeed, fAcc);
    const bool bRecord = m_bRecordVelProfile;

    // Built aside first, so that a refused table leaves both buffers as
    // they were (a table waiting for the next move included).
    stRampTable tbl;
    if (strError.isEmpty() && !BuildRamp(RampInput(ax, fFeed, fAcc), bRecord, tbl))
        strError = MSG_RAMP_TOO_LONG;

    QMutexLocker lock(&m_TableMutex);
    m_strTableErrorMsg = strError;
    if (!strError.isEmpty()) {
        // The graph must not go on showing the ramp of earlier settings.
        if (bRecord)
            m_lstVelProfile.clear();
        lock.unlock();
        SetErrorMsg(strError);
        return 0;
    }
    const int b = 1 - m_nActiveTable;
    m_fTableFeed[b] = fFeed;
    m_lstRampHighNs[b].swap(tbl.high);
    m_lstRampLowNs[b].swap(tbl.low);
    m_fCruiseHighNs[b] = tbl.fCruiseHighNs;
    m_fCruiseLowNs[b] = tbl.fCruiseLowNs;
    if (bRecord)
        m_lstVelProfile.swap(tbl.velProfile);
    m_bTableValid[b] = true;
    m_bNewTable = true;
    return 1;
}

bool AxisCtrl::UpdateStepResolution()
{
    if (!UsableStepSize(AppConfig::m_fAxisMovPerPulse[Axis()])) {
        SetErrorMsg(MSG_STEP_RESOLUTION);
        return false;
    }
    return ConfigAxis();
}

bool AxisCtrl::UpdateDutyCycle()
{
    const int ax = Axis();
    if (!UsableDuty(AppConfig::m_fAxisDutyCycle[ax])) {
        SetErrorMsg(MSG_DUTY_CYCLE);
        return false;
    }
    return SetVelocityAcc(AppConfig::m_fAxisFeed[ax], AppConfig::m_fAxisAcc[ax]) == 1;
}

// ---------------------------------------------------------------- moves

bool AxisCtrl::AcceptTarget(long lTarget)
{
    if (!CheckValidMotion(lTarget) || !CheckMoveSetup())
        return false;
    m_lTargetPos = lTarget;
    return true;
}

bool AxisCtrl::MoveAbs(double fMm)
{
    SetErrorMsg(QString());
    if (!CheckTargetInRange(fMm) || !AcceptTarget(CUnitConverter::GetLong(fMm)))
        return false;
    MoveAxis();
    return true;
}

bool AxisCtrl::MoveRel(double fMm)
{
    SetErrorMsg(QString());
    if (!CheckTargetInRange(GetCurPos() + fMm)
        || !AcceptTarget(long(CUnitConverter::GetLong(fMm)) + GetCurPosLong()))
        return false;
    MoveAxis();
    return true;
}

bool AxisCtrl::RefuseWhileMoving()
{
    if (!m_bMoving)
        return false;
    SetErrorMsg(MSG_IN_MOTION);
    return true;
}

bool AxisCtrl::MoveWorkZero()
{
    SetErrorMsg(QString());
    if (RefuseWhileMoving())
        return false;
    if (AppConfig::m_bHomeSensorsUsed && !m_bHomeSet) {
        SetErrorMsg(MSG_HOMING_NOT_DONE);
        return false;
    }
    if (!CheckMoveSetup())
        return false;
    m_lTargetPos = 0;
    MoveAxis();
    return true;
}

bool AxisCtrl::MoveAxisHome()
{
    SetErrorMsg(QString());
    if (RefuseWhileMoving())
        return false;
    if (!AppConfig::m_bHomeSensorsUsed) {
        SetErrorMsg(QStringLiteral("Home Sensors Not enabled"));
        return false;
    }
    if (!CheckMoveSetup())
        return false;
    const int ax = Axis();
    m_bHomeSet = false;
    m_lTargetPos = AppConfig::m_eAxisHomeDir[ax] == AppConfig::m_eAxisPosDir[ax] ? NO_LIMIT : -NO_LIMIT;
    MoveAxis();
    return true;
}

bool AxisCtrl::Jog(eDirection eDir)
{
    SetErrorMsg(QString());
    if (RefuseWhileMoving() || !CheckMoveSetup())
        return false;
    const int ax = Axis();
    m_lTargetPos = eDir == AppConfig::m_eAxisPosDir[ax] ? m_lPosDirLimit : m_lNegDirLimit;
    MoveAxis();
    return true;
}

bool AxisCtrl::SetAxisMovParams(double fMm)
{
    SetErrorMsg(QString());
    if (!CheckTargetInRange(fMm) || !AcceptTarget(CUnitConverter::GetLong(fMm)))
        return false;
    CreateMotionCurve();
    return true;
}

bool AxisCtrl::CheckTargetInRange(double fMm)
{
    if (CUnitConverter::InRange(fMm))
        return true;
    SetErrorMsg(PositionRangeMsg(Axis(), -CUnitConverter::MAX_LENGTH, CUnitConverter::MAX_LENGTH));
    return false;
}

bool AxisCtrl::CheckValidMotion(long lTarget)
{
    if (RefuseWhileMoving())
        return false;
    if (m_bHoming)
        return true;
    if (!AppConfig::m_bHomeSensorsUsed) {
        m_bHomeSet = true;
        return true;
    }
    if (!m_bHomeSet) {
        SetErrorMsg(MSG_HOMING_NOT_DONE);
        return false;
    }
    if (m_lNegDirLimit <= lTarget && lTarget <= m_lPosDirLimit)
        return true;
    SetErrorMsg(
        PositionRangeMsg(Axis(), CUnitConverter::GetDouble(m_lNegDirLimit), CUnitConverter::GetDouble(m_lPosDirLimit)));
    return false;
}

bool AxisCtrl::CheckMoveSetup()
{
    if (m_lStepSize < 1) {
        SetErrorMsg(MSG_STEP_RESOLUTION);
        return false;
    }
    QMutexLocker lock(&m_TableMutex);
    const int tbl = m_bNewTable ? 1 - m_nActiveTable : m_nActiveTable;
    if (m_bTableValid[tbl])
        return true;
    QString strMsg = m_strTableErrorMsg.isEmpty() ? QStringLiteral("Axis velocity table not built") : m_strTableErrorMsg;
    lock.unlock();
    SetErrorMsg(strMsg);
    return false;
}

void AxisCtrl::SwitchToNewTable()
{
    QMutexLocker lock(&m_TableMutex);
    if (m_bNewTable) {
        m_nActiveTable = quint8(1 - m_nActiveTable);
        m_bNewTable = false;
    }
}

bool AxisCtrl::PreparePhases(bool bAlwaysWriteDir)
{
    const int ax = Axis();
    long d = GetCurPosLong() - m_lTargetPos;
    if (m_lStepSize < 1 || std::labs(d) < m_lStepSize)
        return false;
    const eDirection ePos = AppConfig::m_eAxisPosDir[ax];
    eDirection eDir = ePos;
    if (d > 0) {
        eDir = eDirection(1 - int(ePos));
    } else {
        d = -d;
    }
    if (bAlwaysWriteDir || eDir != m_eMoveDir)
        SetDirection(eDir);

    const quint32 n = quint32((d + m_lStepSize - 1) / m_lStepSize);
    SwitchToNewTable();
    const quint64 L = m_lstRampHighNs[m_nActiveTable].size();
    if (quint64(n) < 2 * L) {
        m_nAccPulses = n / 2 + 1;
        m_nCruisePulses = 0;
        m_nDecPulses = n - m_nAccPulses;
    } else {
        m_nAccPulses = m_nDecPulses = quint32(L);
        m_nCruisePulses = quint32(n - 2 * L);
    }
    return true;
}

void AxisCtrl::MoveAxis()
{
    if (!PreparePhases(true))
        return;
    if (AppConfig::m_bEmergencyStopON)
        return;
    // The thread of the previous move may still be on its way out: a
    // QThread that is still running would ignore start().
    if (isRunning())
        wait();
    m_bMotionDone = false;
    // A ramp-down request that came as the last move ended by itself
    // belongs to that move; left standing it would end this one before its
    // first pulse.
    m_bDecelerate = false;
    m_bMoving = true;
    start(QThread::InheritPriority);
}

int AxisCtrl::CreateMotionCurve()
{
    if (!PreparePhases(false)) {
        m_nAccPulses = m_nCruisePulses = m_nDecPulses = 0;
        m_lTargetPos = GetCurPosLong();
    }
    return 1;
}

// ---------------------------------------------------------------- stopping and state

void AxisCtrl::Stop()
{
    m_bMoving = false;
    while (!m_bMotionDone && isRunning())
        CClock::SleepUs(10000);
    SetErrorMsg(QString());
}

void AxisCtrl::DeccelerateAxis()
{
    if (m_bMoving)
        m_bDecelerate = true;
}

int AxisCtrl::SetDirection(eDirection eDir)
{
    CStopWatch setup;
    setup.start();
    m_eMoveDir = eDir;
    if (!AppConfig::m_bSimulationMode) {
        const int ax = Axis();
        CRpiGpio::WriteOutput(static_cast<unsigned short>(AppConfig::m_iAxisDirOutput[ax]),
                              static_cast<unsigned char>(eDir));
    }
    setup.waitUntilElapsedNs(DIR_SETUP_NS);
    return 1;
}

void AxisCtrl::SetMchHome()
{
    const int ax = Axis();
    m_lCurPos = CUnitConverter::GetLong(-AppConfig::m_fAxisWorkZero[ax]);
    m_bHomeSet = true;
}

void AxisCtrl::SetWorkZero()
{
    m_lCurPos = 0;
    ConfigAxis();
}

void AxisCtrl::SetCurPos(double fMm)
{
    m_lCurPos = CUnitConverter::GetLong(fMm);
}

QString AxisCtrl::GetErrorMsg() const
{
    QMutexLocker lock(&m_MsgMutex);
    return m_strErrorMsg;
}

void AxisCtrl::SetErrorMsg(const QString& strMsg)
{
    QMutexLocker lock(&m_MsgMutex);
    m_strErrorMsg = strMsg;
}

// ---------------------------------------------------------------- pulse loop

void AxisCtrl::run()
{
    try {
        m_bMotionDone = false;

        // Everything the loop needs is read once, so that a pulse is two pin
        // writes, two clock waits, the position update and the input reads.
        // The pins are reached through the port taken here, not through the
        // pin layer at every edge.
        const int ax = Axis();
        const bool bDrive = !AppConfig::m_bSimulationMode;
        const CPins::stPort port = CPins::Port();
        const quint32 iStepBit = bDrive ? CPins::PinMask(AppConfig::m_iAxisPulseOutput[ax]) : 0;
        const quint32 iHomeBit =
            AppConfig::m_bHomeSensorsUsed && m_bHoming ? CPins::PinMask(AppConfig::m_iAxisMchHomeSensorInput[ax]) : 0;
        const quint32 iProbeBit = ax == Z_AXIS && m_bStopOnZProbe ? CPins::PinMask(AppConfig::m_iZProbeInput) : 0;
        const long lDelta = m_eMoveDir == AppConfig::m_eAxisPosDir[ax] ? m_lStepSize : -m_lStepSize;
        const int tbl = m_nActiveTable;
        const double* pHigh = m_lstRampHighNs[tbl].data();
        const double* pLow = m_lstRampLowNs[tbl].data();
        const double fCruiseHigh = m_fCruiseHighNs[tbl];
        const double fCruiseLow = m_fCruiseLowNs[tbl];
        const quint32 nAcc = m_nAccPulses;
        const quint32 nCruise = m_nCruisePulses;
        const quint32 nDec = m_nDecPulses;

        // The clock is read once a half pulse: the reading that ended one
        // wait is where the next half starts.
        m_PulseTimer.start();
        qint64 now = 0;
        auto pulse = [&](double fHighNs, double fLowNs) {
            if (iStepBit)
                port.Write(iStepBit, 0);
            now = m_PulseTimer.waitUntilElapsedNs(now + CeilNs(fHighNs));
            if (iStepBit)
                port.Write(0, iStepBit);
            // The step is complete once the pin is low again: a stop ends the
            // low time early, so that a slow ramp start (a low time of
            // seconds with a very low acceleration) cannot hold up Stop().
            const qint64 lowEnd = now + CeilNs(fLowNs);
            while (now < lowEnd && m_bMoving)
                now = m_PulseTimer.waitUntilElapsedNs(CClock::NextLookNs(now, lowEnd, STOP_CHECK_NS));
            m_lCurPos.store(m_lCurPos.load(std::memory_order_relaxed) + lDelta, std::memory_order_relaxed);
            if (port.Read(iHomeBit) == 1 || port.Read(iProbeBit) == 1)
                m_bMoving = false;
        };

        if (port.Read(iHomeBit) == 1)
            m_bMoving = false;

        quint32 a = 0;
        for (; a < nAcc && m_bMoving && !m_bDecelerate; ++a)
            pulse(pHigh[a], pLow[a]);
        for (quint32 j = 0; j < nCruise && m_bMoving && !m_bDecelerate; ++j)
            pulse(fCruiseHigh, fCruiseLow);
        if (m_bMoving && nDec >= 1) {
            // Asked to ramp down early, the axis goes back down the table
            // from where it stands, never further than the move's own
            // deceleration (a short move would overshoot its target).
            qint64 idx = m_bDecelerate ? qint64(std::min(a, nDec)) - 1 : qint64(nDec) - 1;
            for (; idx >= 0 && m_bMoving; --idx)
                pulse(pHigh[idx], pLow[idx]);
        }
    } catch (...) {
        SetErrorMsg(QStringLiteral("Axis ctrl run function throw the error"));
    }
    m_bDecelerate = false;
    m_bMoving = false;
    m_bMotionDone = true;
}
