#include "settings/jobcentering.h"

#include "core/UnitConverter.h"

eAxis CJobCentering::FirstAxis(int iPlane)
{
    return iPlane == 19 ? Y_AXIS : X_AXIS;
}

eAxis CJobCentering::SecondAxis(int iPlane)
{
    return (iPlane == 18 || iPlane == 19) ? Z_AXIS : Y_AXIS;
}

void CJobCentering::SetMin(stFloatPoint& pair, double fPos)
{
    pair.x = fPos;
    if (pair.x > pair.y)
        pair.y = fPos;
}

void CJobCentering::SetMax(stFloatPoint& pair, double fPos)
{
    pair.y = fPos;
    if (pair.y < pair.x)
        pair.x = fPos;
}

double CJobCentering::Centre(const stFloatPoint& pair)
{
    const double fSpan = CUnitConverter::GetDouble(CUnitConverter::GetInt(pair.y) - CUnitConverter::GetInt(pair.x));
    return CUnitConverter::GetDouble(CUnitConverter::GetInt(pair.x) + CUnitConverter::GetInt(fSpan / 2.0));
}
