#pragma once
// The ranges of the numbers entered on the keypad in the DXF dialog and the
// G-code run settings, from the machine's settings. A range is a
// stFloatPoint with x the minimum and y the maximum.
#include "core/common.h"

class CGCodeEntryRanges
{
public:
    // The smallest length the machine can express (1/10000 mm).
    static constexpr double LENGTH_RESOLUTION = 0.0001;

    // DXF feed, mm/min: 1 to the smallest maximum axis feed (mm/s) per minute.
    static stFloatPoint DxfFeed();
    // DXF end-mill diameter, mm: 1 to 100.
    static stFloatPoint DxfToolDia();
    // DXF depth per pass, mm: above 0 (at least one Z step pulse) up to the
    // Z travel below the work zero with home switches, else up to 10000.
    static stFloatPoint DxfZStep();
    // DXF total depth as the negative Z it cuts to: the Z travel limit with
    // home switches (else -10000) up to one Z step pulse below the surface.
    static stFloatPoint DxfDepth();
    // Arc interpolation step, mm: the finer of the X and Y step pulses to 10.
    static stFloatPoint AxisStep();

    // fValue brought into the range when both of its ends are non-zero;
    // unchanged otherwise.
    static double Clamp(double fValue, const stFloatPoint& range);

private:
    // One step pulse of an axis, never below the length resolution.
    static double StepOf(int iAxis);
};
