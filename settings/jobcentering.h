#pragma once
// Finding the middle of a work-piece by touching its edges: the edges
// recorded on two axes of the working plane, and the centre between them.
// Pure logic for the job settings panel.
#include "core/common.h"

class CJobCentering
{
public:
    CJobCentering() = delete;

    // The two machine axes of a plane (17 X-Y, 18 X-Z, 19 Y-Z): first the
    // Left/Right axis, then the Bottom/Top axis. Any other plane counts as X-Y.
    static eAxis FirstAxis(int iPlane);
    static eAxis SecondAxis(int iPlane);

    // Records an edge in a {minimum (x), maximum (y)} pair. A minimum beyond
    // the maximum (or a maximum below the minimum) moves both to that edge.
    static void SetMin(stFloatPoint& pair, double fPos);
    static void SetMax(stFloatPoint& pair, double fPos);

    // The middle of the pair on the internal length unit: the half span is
    // cut to a whole 1/10000 mm (-3 .. 4.0003 gives 0.5001).
    static double Centre(const stFloatPoint& pair);
};
