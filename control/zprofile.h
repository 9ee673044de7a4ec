#pragma once
// The Z height profile of the work-piece: the serpentine grid of probe
// points, and moves along the surface corrected by the probed heights.
// Pure logic: the controller probes and drives the moves.
#include "core/common.h"

#include <QList>

// Probed heights, row by row (work coordinates, mm). Row 0 runs from X = 0 to
// the length at Y = 0; every following row is one step further in Y and runs
// the other way.
using ZProfileGrid = QList<QList<stFloatPoint>>;

class CZProfile
{
public:
    CZProfile() = delete;

    // 0, step, 2 step, ... on the internal length unit, the last one clamped
    // to the extent (a negative extent counts as 0). Empty when step is
    // shorter than one internal unit.
    static QList<double> AxisPositions(double extent, double step);

    // How many points a profile of this size and step has (the product of
    // the two AxisPositions counts), worked out without building them; 0
    // when the step is shorter than one internal unit.
    static qint64 PointCount(double length, double width, double step);

    // Where each point of the profile is probed, row by row in probing order:
    // rows at the Y positions, odd rows from high X to low X. The first point
    // (0, 0) is the work zero itself. Empty when the step is not positive.
    static ZProfileGrid ProbeTargets(double length, double width, double step);

    // A grid of one row or less, or whose first row holds one point or less,
    // is emptied; otherwise the offset is added to every height (when it is
    // not negligible).
    static void FinishGrid(ZProfileGrid& grid, double zOffset);

    // At least two rows, the first with at least two points.
    static bool IsUsable(const ZProfileGrid& grid);

    // Height of the surface at (x, y): the sample of the nearest corner of
    // the grid cell around the point. 0 for an unusable grid.
    static double HeightAt(const ZProfileGrid& grid, double x, double y);

    enum eMoveKind
    {
        MOVE_ALONG_SURFACE, // programmed at Z 0 both ends: split and follow the surface
        MOVE_ONTO_SURFACE,  // ends at Z 0: the end takes the surface height
        MOVE_UNCHANGED      // anything else: driven as programmed
    };

    // The straight moves that make up a programmed G1 move from `from` to
    // `to` on the grid: along the surface, pieces of half a grid step along
    // the longer of the X/Y travels, each ending at the surface height; the
    // last piece ends at `to` in X and Y. The programmed points are not
    // changed.
    static QList<stFloatPoint> CorrectedMove(const ZProfileGrid& grid, double xyStep, const stFloatPoint& from,
                                             const stFloatPoint& to, eMoveKind* pKind = nullptr);
};
