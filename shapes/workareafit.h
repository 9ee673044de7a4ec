#pragma once
// Whether a group of shapes lies on the work area, by how much it reaches
// past each edge, and how to bring it in: shrunk about its box's lower-left
// corner (never enlarged) and moved the least distance that puts the whole
// box inside. The work area runs from the work zero (0, 0) to (length,
// width) in mm, Y up. The shapes are the polygons of a group (text or
// picture outlines), the box that of their vertices.
#include "core/common.h"
#include "shapes/shaperecords.h"

#include <QString>

// The box round a group of points, mm.
struct stShapeBox
{
    double m_fMinX = 0.0;
    double m_fMinY = 0.0;
    double m_fMaxX = 0.0;
    double m_fMaxY = 0.0;
};

struct stAreaFit
{
    double m_fLength = 0.0; // work area along X, mm
    double m_fWidth = 0.0;  // along Y
    // How far the shapes reach past each edge, mm; 0 where they stay inside.
    double m_fLeft = 0.0;
    double m_fRight = 0.0;
    double m_fBottom = 0.0;
    double m_fTop = 0.0;
    // Fitting: a point p goes to m_To + (p - m_From) * m_fScale.
    bool m_bCanFit = false; // false when the work area has no size
    double m_fScale = 1.0;  // in (0, 1]; 1 when moving alone brings them in
    stFloatPoint m_From;    // the box's lower-left corner
    stFloatPoint m_To;      // where it goes

    // No edge passed by a measurable amount (half the 1/10000 mm the
    // machine counts in).
    bool Inside() const;
    // The point moved by the fit.
    stFloatPoint Fitted(const stFloatPoint& p) const;
};

class CWorkAreaFit
{
public:
    CWorkAreaFit() = delete;

    // Less than this past an edge is on the edge, mm.
    static constexpr double TOLERANCE = 0.00005;

    // The box round every vertex of the polygons from index nFirst on; false
    // when they have none.
    static bool BoxFrom(const stShapeCuttingInfo& info, size_t nFirst, stShapeBox& box);

    // The box against a work area of fLength x fWidth mm.
    static stAreaFit Check(const stShapeBox& box, double fLength, double fWidth);

    // "The shapes exceed the 300.0000 x 200.0000 mm work area by 37.0000 mm
    // on the left and 1855.0000 mm on the right": every edge passed, in mm.
    static QString Excess(const stAreaFit& fit);
    // The offer to fit them: "Shrink them to 13.6861 % of their size and
    // move them into the work area?", or "Move them into the work area?"
    // when their size fits.
    static QString Offer(const stAreaFit& fit);
};
