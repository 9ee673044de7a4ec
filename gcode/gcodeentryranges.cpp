#include "gcode/gcodeentryranges.h"

#include "core/AppConfig.h"

#include <algorithm>

namespace {
// A range whose maximum never lies below its minimum.
stFloatPoint Range(double fMin, double fMax)
{
    return KeypadRange(fMin, std::max(fMin, fMax));
}
} // namespace

double CGCodeEntryRanges::StepOf(int iAxis)
{
    return std::max(AppConfig::m_fAxisMovPerPulse[iAxis], LENGTH_RESOLUTION);
}

stFloatPoint CGCodeEntryRanges::DxfFeed()
{
    return Range(1.0, AppConfig::m_fMinMaxAxisFeed * 60.0);
}

stFloatPoint CGCodeEntryRanges::DxfToolDia()
{
    return Range(1.0, 100.0);
}

stFloatPoint CGCodeEntryRanges::DxfZStep()
{
    // A step of 0 would never reach the depth: the smallest step is one pulse.
    const double fMax = AppConfig::m_bHomeSensorsUsed ? -AppConfig::m_fAxisNegDirLimit[Z_AXIS] : 10000.0;
    return Range(StepOf(Z_AXIS), fMax);
}

stFloatPoint CGCodeEntryRanges::DxfDepth()
{
    const double fMin = AppConfig::m_bHomeSensorsUsed ? AppConfig::m_fAxisNegDirLimit[Z_AXIS] : -10000.0;
    const double fMax = -StepOf(Z_AXIS);
    return KeypadRange(std::min(fMin, fMax), fMax);
}

stFloatPoint CGCodeEntryRanges::AxisStep()
{
    return Range(std::min(StepOf(X_AXIS), StepOf(Y_AXIS)), 10.0);
}

double CGCodeEntryRanges::Clamp(double fValue, const stFloatPoint& range)
{
    if (range.x == 0.0 || range.y == 0.0)
        return fValue;
    return std::min(std::max(fValue, range.x), range.y);
}
