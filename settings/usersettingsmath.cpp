#include "settings/usersettingsmath.h"

#include "core/AppConfig.h"
#include "settings/motionsettings.h"

stFloatPoint CUserSettingsMath::ZSafeRange()
{
    if (AppConfig::m_bHomeSensorsUsed)
        return KeypadRange(AppConfig::m_fAxisNegDirLimit[Z_AXIS], AppConfig::m_fAxisPosDirLimit[Z_AXIS]);
    return KeypadRange(0.0, 100.0);
}

stFloatPoint CUserSettingsMath::ToolChangeRange(int iAxis)
{
    if (AppConfig::m_bHomeSensorsUsed)
        return KeypadRange(AppConfig::m_fAxisNegDirLimit[iAxis] - AppConfig::m_fAxisWorkZero[iAxis],
                           AppConfig::m_fAxisPosDirLimit[iAxis] - AppConfig::m_fAxisWorkZero[iAxis]);
    return KeypadRange(-10000.0, 10000.0);
}

stFloatPoint CUserSettingsMath::FeedRange(int iAxis)
{
    return KeypadRange(AppConfig::m_fAxisMovPerPulse[iAxis],
                       AppConfig::m_fMaxAxisFeed[iAxis] / CMotionSettings::FEED_HEADROOM);
}

stFloatPoint CUserSettingsMath::HomeRepeatOffsetRange()
{
    return KeypadRange(0.0, 10.0);
}

bool CUserSettingsMath::AllHomeInputsFitted()
{
    for (int i = 0; i < AXIS_COUNT; ++i)
        if (AppConfig::m_iAxisMchHomeSensorInput[i] == -1)
            return false;
    return true;
}

void CUserSettingsMath::StoreUserFeed(int iAxis, double fFeed)
{
    AppConfig::m_fUserAxisFeed[iAxis] = fFeed;
    if (AppConfig::m_bUseG01FeedForJog)
        AppConfig::m_fAxisJogFeed[iAxis] = fFeed;
    AppConfig::m_fAxisFeed[iAxis] = fFeed * AppConfig::m_fAxisFeedPercent[iAxis];
    CapPlungeFeed();
}

QVector<int> CUserSettingsMath::CopyFeedsToGroup(int iSelAxis)
{
    QVector<int> lstChanged;
    const QVector<int> lstGroup = CMotionSettings::MotorGroup(iSelAxis);
    for (int i : lstGroup) {
        if (i == iSelAxis)
            continue;
        AppConfig::m_fUserAxisFeed[i] = AppConfig::m_fUserAxisFeed[iSelAxis];
        AppConfig::m_fAxisJogFeed[i] = AppConfig::m_fAxisJogFeed[iSelAxis];
        AppConfig::m_fAxisHomeFeed[i] = AppConfig::m_fAxisHomeFeed[iSelAxis];
        // The feed slider gives every axis in use the same override, so X's
        // stands for all.
        AppConfig::m_fAxisFeed[i] = AppConfig::m_fUserAxisFeed[iSelAxis] * AppConfig::m_fAxisFeedPercent[X_AXIS];
        lstChanged << i;
    }
    if (lstGroup.contains(Z_AXIS))
        CapPlungeFeed();
    return lstChanged;
}

void CUserSettingsMath::CopyUserFeedsToJogFeeds()
{
    const int nAxes = AppConfig::AxesInUse();
    for (int i = 0; i < nAxes; ++i)
        AppConfig::m_fAxisJogFeed[i] = AppConfig::m_fUserAxisFeed[i];
}

void CUserSettingsMath::CapPlungeFeed()
{
    if (AppConfig::m_fUserAxisFeed[Z_AXIS] < AppConfig::m_fPlungeFeed)
        AppConfig::m_fPlungeFeed = AppConfig::m_fUserAxisFeed[Z_AXIS];
}
