#include "settings/motionsettings.h"

#include "core/AppConfig.h"
#include "machine/AxisCtrl.h"
#include "settings/usersettingsmath.h"

#include <algorithm>
#include <cmath>

namespace {
// Axis index kept inside the per-axis arrays.
int Ax(int iAxis) { return std::clamp(iAxis, 0, AXIS_COUNT - 1); }
} // namespace

stFloatPoint CMotionSettings::MovPerPulseRange()
{
    // One internal length unit (1/10000 mm) is the finest step an axis can
    // count.
    return KeypadRange(0.0001, 10.0);
}

stFloatPoint CMotionSettings::MaxFeedRange(int iAxis)
{
    const double fMovPerPulse = AppConfig::m_fAxisMovPerPulse[Ax(iAxis)];
    return KeypadRange(fMovPerPulse, fMovPerPulse * MAX_STEP_RATE);
}

stFloatPoint CMotionSettings::AccRange() { return KeypadRange(0.01, 5000.0); }
stFloatPoint CMotionSettings::DutyCycleRange() { return KeypadRange(0.25, 0.75); }
stFloatPoint CMotionSettings::RateOfAccRange() { return KeypadRange(0.01, 10000000.0); }
stFloatPoint CMotionSettings::SamplingTimeRange() { return KeypadRange(0.001, 1.0); }

quint32 CMotionSettings::SamplingTimeMicros(double fSeconds)
{
    const stFloatPoint range = SamplingTimeRange();
    return quint32(std::llround(std::clamp(fSeconds, range.x, range.y) * 1000000.0));
}

double CMotionSettings::SamplingTimeSeconds(quint32 iMicros) { return double(iMicros) / 1000000.0; }

bool CMotionSettings::LimitFeedsToStepRate(int iAxis)
{
    const int ax = Ax(iAxis);
    const double fLimit = AppConfig::m_fAxisMovPerPulse[ax] * MAX_STEP_RATE;
    const bool bMaxLowered = AppConfig::m_fMaxAxisFeed[ax] > fLimit;
    if (bMaxLowered)
        AppConfig::m_fMaxAxisFeed[ax] = fLimit;
    LimitUserAndJogFeed(ax);
    // The feed override may still take the working feed past the step rate.
    if (AppConfig::m_fAxisFeed[ax] / AppConfig::m_fAxisMovPerPulse[ax] > MAX_STEP_RATE)
        AppConfig::m_fAxisFeed[ax] = fLimit;
    AppConfig::DeriveRapidFeed();
    CUserSettingsMath::CapPlungeFeed();
    return bMaxLowered;
}

void CMotionSettings::LimitUserAndJogFeed(int iAxis)
{
    const int ax = Ax(iAxis);
    if (AppConfig::m_fUserAxisFeed[ax] * FEED_HEADROOM > AppConfig::m_fMaxAxisFeed[ax])
        AppConfig::m_fUserAxisFeed[ax] = AppConfig::m_fMaxAxisFeed[ax] / FEED_HEADROOM;
    if (AppConfig::m_fAxisJogFeed[ax] * FEED_HEADROOM > AppConfig::m_fMaxAxisFeed[ax])
        AppConfig::m_fAxisJogFeed[ax] = AppConfig::m_fMaxAxisFeed[ax] / FEED_HEADROOM;
    AppConfig::m_fAxisFeed[ax] = AppConfig::m_fUserAxisFeed[ax] * AppConfig::m_fAxisFeedPercent[ax];
}

void CMotionSettings::DeriveFeeds(int iAxis)
{
    LimitUserAndJogFeed(iAxis);
    AppConfig::DeriveRapidFeed();
    CUserSettingsMath::CapPlungeFeed();
}

void CMotionSettings::RaiseArcStep(double fMovPerPulse)
{
    if (AppConfig::m_GCodeRunSettings.m_fAxisStep < fMovPerPulse)
        AppConfig::m_GCodeRunSettings.m_fAxisStep = fMovPerPulse;
}

QVector<int> CMotionSettings::MotorGroup(int iAxis)
{
    if (iAxis == A_AXIS || iAxis == B_AXIS)
        return {A_AXIS, B_AXIS};
    return {X_AXIS, Y_AXIS, Z_AXIS};
}

void CMotionSettings::CopyMotorParams(int iFrom, int iTo)
{
    const int f = Ax(iFrom);
    const int t = Ax(iTo);
    AppConfig::m_fAxisMovPerPulse[t] = AppConfig::m_fAxisMovPerPulse[f];
    AppConfig::m_fMaxAxisFeed[t] = AppConfig::m_fMaxAxisFeed[f];
    AppConfig::m_fAxisAcc[t] = AppConfig::m_fAxisAcc[f];
    AppConfig::m_fAxisDutyCycle[t] = AppConfig::m_fAxisDutyCycle[f];
    AppConfig::m_fAxisRateOfAcc[t] = AppConfig::m_fAxisRateOfAcc[f];
}

QString CMotionSettings::CheckPosLimit(int iAxis, double fValue)
{
    if (fValue > AppConfig::m_fAxisNegDirLimit[Ax(iAxis)])
        return QString();
    return QStringLiteral("Positive Limit Can't be less than\nor equal to Negative Limit");
}

QString CMotionSettings::CheckNegLimit(int iAxis, double fValue)
{
    if (fValue < AppConfig::m_fAxisPosDirLimit[Ax(iAxis)])
        return QString();
    return QStringLiteral("Negative Limit Can't be greater than\nor equal to Positive Limit");
}

QString CMotionSettings::DirectionText(eDirection eDir)
{
    return eDir == DIR_CCW ? QStringLiteral("Counter\nClockwise") : QStringLiteral("Clockwise");
}

QString CMotionSettings::RampError(int iAxis)
{
    const int ax = Ax(iAxis);
    QString strError = AxisCtrl::RampError(ax, AppConfig::m_fMaxAxisFeed[ax], AppConfig::m_fAxisAcc[ax]);
    if (strError.isEmpty())
        strError = AxisCtrl::RampError(ax, AppConfig::m_fAxisFeed[ax], AppConfig::m_fAxisAcc[ax]);
    return strError;
}

QString CMotionSettings::RampError(const QVector<int>& axes)
{
    for (int i : axes) {
        const QString strError = RampError(i);
        if (!strError.isEmpty())
            return AppConfig::m_strAxisNames[Ax(i)] + QStringLiteral(": ") + strError;
    }
    return QString();
}

CMotionSettings::stMotorState CMotionSettings::SaveMotorState()
{
    stMotorState st;
    for (int i = 0; i < AXIS_COUNT; ++i) {
        st.fMovPerPulse[i] = AppConfig::m_fAxisMovPerPulse[i];
        st.fMaxFeed[i] = AppConfig::m_fMaxAxisFeed[i];
        st.fAcc[i] = AppConfig::m_fAxisAcc[i];
        st.fDuty[i] = AppConfig::m_fAxisDutyCycle[i];
        st.fRateOfAcc[i] = AppConfig::m_fAxisRateOfAcc[i];
        st.fUserFeed[i] = AppConfig::m_fUserAxisFeed[i];
        st.fJogFeed[i] = AppConfig::m_fAxisJogFeed[i];
        st.fFeed[i] = AppConfig::m_fAxisFeed[i];
    }
    st.iSamplingTime = AppConfig::m_iVelAccSamplingTime;
    st.eCurve = AppConfig::m_eAxisFeedtype;
    st.fMinMaxFeed = AppConfig::m_fMinMaxAxisFeed;
    st.fPlungeFeed = AppConfig::m_fPlungeFeed;
    st.fArcStep = AppConfig::m_GCodeRunSettings.m_fAxisStep;
    return st;
}

void CMotionSettings::RestoreMotorState(const stMotorState& st)
{
    for (int i = 0; i < AXIS_COUNT; ++i) {
        AppConfig::m_fAxisMovPerPulse[i] = st.fMovPerPulse[i];
        AppConfig::m_fMaxAxisFeed[i] = st.fMaxFeed[i];
        AppConfig::m_fAxisAcc[i] = st.fAcc[i];
        AppConfig::m_fAxisDutyCycle[i] = st.fDuty[i];
        AppConfig::m_fAxisRateOfAcc[i] = st.fRateOfAcc[i];
        AppConfig::m_fUserAxisFeed[i] = st.fUserFeed[i];
        AppConfig::m_fAxisJogFeed[i] = st.fJogFeed[i];
        AppConfig::m_fAxisFeed[i] = st.fFeed[i];
    }
    AppConfig::m_iVelAccSamplingTime = st.iSamplingTime;
    AppConfig::m_eAxisFeedtype = st.eCurve;
    AppConfig::m_fMinMaxAxisFeed = st.fMinMaxFeed;
    AppConfig::m_fPlungeFeed = st.fPlungeFeed;
    AppConfig::m_GCodeRunSettings.m_fAxisStep = st.fArcStep;
}

namespace {
// The panel shows and stores motor values to four decimals.
constexpr double kDecimals = 10000.0;

// The value nearest `bad` (which fails) on the way to `good` (which builds)
// at which builds(value) holds, on the four-decimal grid: bisection (the
// ramp's length falls steadily from bad to good), then onto the grid on the
// building side, and a step at a time to the grid value nearest `bad` that
// still builds.
template <class Builds>
double NearestBuilding(double bad, double good, Builds builds)
{
    for (int i = 0; i < 100 && std::fabs(good - bad) > 0.5 / kDecimals; ++i) {
        const double mid = 0.5 * (bad + good);
        (builds(mid) ? good : bad) = mid;
    }
    // Whole ten-thousandths, so the result is the number the panel shows.
    const qint64 step = good > bad ? 1 : -1;
    qint64 k = qint64(step > 0 ? std::ceil(good * kDecimals - 1e-6) : std::floor(good * kDecimals + 1e-6));
    for (int i = 0; i < 10 && !builds(double(k) / kDecimals); ++i)
        k += step;
    for (int i = 0; i < 10 && builds(double(k - step) / kDecimals); ++i)
        k -= step;
    return double(k) / kDecimals;
}

QString Number4(double f) { return QString::number(f, 'f', 4); }
} // namespace

QStringList CMotionSettings::RepairRamps()
{
    QStringList lstMsgs;
    for (int ax = 0; ax < AXIS_COUNT; ++ax) {
        const QString strError = RampError(ax);
        if (strError.isEmpty())
            continue;
        const QString strAxis = AppConfig::m_strAxisNames[ax];
        double& fAcc = AppConfig::m_fAxisAcc[ax];
        double& fMaxFeed = AppConfig::m_fMaxAxisFeed[ax];
        const double fOldAcc = fAcc, fOldMaxFeed = fMaxFeed;
        const stFloatPoint accRange = AccRange();
        const stFloatPoint feedRange = MaxFeedRange(ax);
        auto accBuilds = [&](double a) {
            fAcc = a;
            return RampError(ax).isEmpty();
        };
        // The working feed follows the maximum feed (user and jog feeds stay
        // below it).
        auto feedBuilds = [&](double f) {
            return AxisCtrl::RampError(ax, f, fAcc).isEmpty() &&
                   AxisCtrl::RampError(ax, std::min(f, AppConfig::m_fAxisFeed[ax]), fAcc).isEmpty();
        };
        if (fOldAcc < accRange.y && accBuilds(accRange.y)) {
            fAcc = NearestBuilding(std::max(fOldAcc, 0.0), accRange.y, accBuilds);
            fAcc = std::min(fAcc, accRange.y);
            lstMsgs << strAxis + QStringLiteral(": settings file Acc ") + Number4(fOldAcc) +
                           QStringLiteral(" gives no speed ramp, Acc ") + Number4(fAcc) + QStringLiteral(" used");
            continue;
        }
        fAcc = fOldAcc;
        if (fOldMaxFeed > feedRange.x && feedBuilds(feedRange.x)) {
            fMaxFeed = std::max(NearestBuilding(fOldMaxFeed, feedRange.x, feedBuilds), feedRange.x);
            DeriveFeeds(ax);
            lstMsgs << strAxis + QStringLiteral(": settings file Max Feed ") + Number4(fOldMaxFeed) +
                           QStringLiteral(" gives no speed ramp, Max Feed ") + Number4(fMaxFeed) +
                           QStringLiteral(" used");
            continue;
        }
        lstMsgs << strAxis + QStringLiteral(": ") + strError + QStringLiteral(": the axis cannot move");
    }
    return lstMsgs;
}
