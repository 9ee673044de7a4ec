#pragma once
// The tool path of an ellipse or elliptic arc, and the rings that clear the
// inside of an ellipse cut as a pocket.
//
// The path is the tool centre's: one tool radius outside the outline for an
// ordinary ellipse, one radius inside it for a hole. It is sampled evenly
// along the ellipse's own X axis, quadrant by quadrant, counter-clockwise from
// (a, 0), trimmed to the arc, then turned (a positive orientation turns
// clockwise on the Y-up work area) and placed at the centre.
#include "core/common.h"
#include "shapes/shaperecords.h"

#include <vector>

class CEllipsePoints
{
public:
    CEllipsePoints() = delete;

    // Degrees to radians with pi taken as 3.1416, and one full turn, as the
    // machine's shape tools have always used them.
    static constexpr double DEG_TO_RAD = 3.1416 / 180.0;
    static constexpr double FULL_TURN = 6.2832;

    // The tool-centre points of the ellipse for an end mill of fEndMillDia mm
    // (x and y set, the rest 0). A path whose semi-axis comes to zero or
    // less (a hole no wider than the tool) is the centre alone, given twice
    // so that it is still a path the cutter can follow.
    static std::vector<stFloatPoint> Create(const stEllipse& ellipse, double fEndMillDia);

    // The local points before trimming: the whole ellipse of semi-axes a, b
    // sampled every fXStep along X; 4n - 3 points from (a, 0) round to (a, 0).
    // The step is made coarser where a quadrant would need more than 500000
    // samples.
    static std::vector<stFloatPoint> Sample(double a, double b, double fXStep);
    // Keeps the part of a sampled ellipse from fStartDeg to fEndDeg.
    static std::vector<stFloatPoint> Trim(const std::vector<stFloatPoint>& points, double fStartDeg, double fEndDeg);

    // Outline diameters (x major, y minor) of the pocket rings inside an
    // ellipse of the given outline diameters, outermost first, one tool
    // radius apart; empty when the minor diameter is below the end mill.
    static std::vector<stFloatPoint> PocketRings(double fMajorDia, double fMinorDia, double fEndMillDia);
};
