#include "control/movesink.h"

#include "core/AppConfig.h"

stCutSettings stCutSettings::FromConfig()
{
    stCutSettings settings;
    settings.m_fEndMillDia = AppConfig::m_fEndMillDia;
    settings.m_fSafeHeight = SafeHeight(AppConfig::m_fZSafePos, AppConfig::m_fAxisWorkZero[Z_AXIS],
                                        AppConfig::m_bHomeSensorsUsed);
    settings.m_fXMotorStep = AppConfig::m_fAxisMovPerPulse[X_AXIS];
    settings.m_fYMotorStep = AppConfig::m_fAxisMovPerPulse[Y_AXIS];
    settings.m_fZMotorStep = AppConfig::m_fAxisMovPerPulse[Z_AXIS];
    settings.m_bMultipass = AppConfig::m_bMultipassImgCarving;
    return settings;
}
