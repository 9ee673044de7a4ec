#include "shapes/shapeeditrules.h"

#include "core/AppConfig.h"
#include "core/UnitConverter.h"

double CShapeEditRules::ButtonValue(const QString& strText)
{
    return strText.section(QLatin1Char('\n'), 0, 0).toDouble();
}

QString CShapeEditRules::ButtonText(double fValue, int iDecimals, const QString& strCaption)
{
    return QString::number(fValue, 'f', iDecimals) + QStringLiteral("\n") + strCaption;
}

stFloatPoint CShapeEditRules::DepthRange()
{
    stFloatPoint range;
    range.x = AppConfig::m_bHomeSensorsUsed ? AppConfig::m_fAxisNegDirLimit[Z_AXIS] : -10000.0;
    range.y = -AppConfig::m_fAxisMovPerPulse[Z_AXIS];
    return range;
}

stFloatPoint CShapeEditRules::ZStepRange()
{
    stFloatPoint range;
    range.x = AppConfig::m_fAxisMovPerPulse[Z_AXIS];
    range.y = AppConfig::m_bHomeSensorsUsed ? -AppConfig::m_fAxisNegDirLimit[Z_AXIS] : 10000.0;
    return range;
}

double CShapeEditRules::WholeMotorSteps(double fValue, double fStep)
{
    const int n = CUnitConverter::GetInt(fValue);
    const int s = CUnitConverter::GetInt(fStep);
    if (s <= 0 || n % s == 0)
        return fValue;
    return CUnitConverter::GetDouble((n / s + 1) * s);
}
