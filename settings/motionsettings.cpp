#include "settings/motionsettings.h"

#include "core/AppConfig.h"
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
