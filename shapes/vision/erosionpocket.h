#pragma once
// The pocket of a drawn outline: nested inward rings found by eroding a
// filled mask of the outline deeper and deeper. The rings are tool-centre
// paths, so the erosion is that of the round tool: a pixel stays while it
// lies farther than the depth from every pixel outside the shape (the
// mask's Euclidean distance transform). The first ring lies one tool radius
// inside the outline, so the cut ends at the drawn line; each further ring
// one tool radius farther in, as the rings of an ellipse's pocket.
//
// The mask is laid on the work-area picture's grid refined SUBPIXELS times
// (its margin and scale so refined, Y not turned over): (x, y) mm is pixel
// (trunc(margin + scale x), trunc(margin + scale y)). It covers only the
// shape's box, so a shape near an edge of the work area is pocketed as one
// in its middle.
#include "core/common.h"

#include <vector>

struct stPocketArea
{
    int m_iMargin = 25;      // of the work-area picture, pixels
    double m_dScale = 1.0;   // pixels per mm
    double m_fEndMillDia = 5.0;
};

class CErosionPocket
{
public:
    CErosionPocket() = delete;

    using Ring = std::vector<stFloatPoint>;

    // Mask pixels along each side of a pixel of the work-area picture.
    static constexpr int SUBPIXELS = 3;
    // The largest mask pocketed, in pixels: eleven times the refined
    // picture, which holds any shape drawn on the work area. A larger one
    // gets no ring rather than taking the memory.
    static constexpr double MAX_MASK_PIXELS = 16.0e6;

    // The rings inside the outline (closed first if it is open), outermost
    // first, each closed and inside the one before. No point of any ring's
    // path comes closer to the outline than one tool radius; the first lies
    // a tool radius in (to a mask pixel or so), the others one tool radius
    // (at least a mask pixel) farther in each. A ring keeps no more corners
    // than the one outside it, unless the lines between those corners would
    // cut closer to the outline; then it follows its own bends. Where an
    // erosion splits the shape, the pocket goes on in the largest piece.
    // Empty for fewer than three vertices or when no ring keeps a tool
    // radius off the outline (a shape narrower than the tool).
    static std::vector<Ring> Rings(const Ring& outline, const stPocketArea& area);

    // The least distance, mm, between the path of ring (its points and the
    // straight lines between them) and the path of outline; 0 where they
    // touch or cross.
    static double Clearance(const Ring& ring, const Ring& outline);

    // The corners of a new ring placed next to the corners of the ring
    // outside it: for each vertex of prev in order, the nearest vertex of
    // ring (the earlier one on a tie), taken once where neighbouring corners
    // meet the same one, no more than ring has; a repeat of the start is
    // dropped and the ring is closed (a lone point is given twice).
    static Ring MatchCorners(const Ring& prev, const Ring& ring);
};
