#pragma once
// The pocket of a drawn outline: nested inward rings found by eroding a
// filled mask of the outline again and again with a square kernel sized from
// the end mill. The mask is the work-area picture's size and uses its margin
// and scale (without turning Y over): (x, y) mm is pixel
// (trunc(margin + scale x), trunc(margin + scale y)).
#include "core/common.h"

#include <vector>

namespace cv {
class Mat;
}

struct stPocketArea
{
    int m_iImgWidth = 480;   // pixels
    int m_iImgHeight = 338;
    int m_iMargin = 25;
    double m_dScale = 1.0;   // pixels per mm
    double m_fEndMillDia = 5.0;
};

class CErosionPocket
{
public:
    CErosionPocket() = delete;

    using Ring = std::vector<stFloatPoint>;

    // The rings inside the outline (closed first if it is open), outermost
    // first, each closed, inside the one before and with no more corners
    // than it. Where an erosion splits the shape, the pocket goes on in the
    // largest piece. Empty for fewer than three vertices or when the first
    // erosion leaves nothing.
    static std::vector<Ring> Rings(const Ring& outline, const stPocketArea& area);

    // The kernel size (pixels, at least 3) whose erosion of the mask passes
    // within one tool radius of pixel (iX0, iY0): one less than the first
    // size that lands farther away, or than the first that leaves nothing.
    static int KernelSize(const cv::Mat& mask, int iX0, int iY0, double dScale, double fEndMillDia);

    // The corners of a new ring placed next to the corners of the ring
    // outside it: for each vertex of prev in order, the nearest vertex of
    // ring (the earlier one on a tie), taken once where neighbouring corners
    // meet the same one, no more than ring has; a repeat of the start is
    // dropped and the ring is closed (a lone point is given twice).
    static Ring MatchCorners(const Ring& prev, const Ring& ring);
};
