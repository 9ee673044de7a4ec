#include "shapes/vision/erosionpocket.h"

#include "shapes/polygonedit.h"

#include <QString>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
using Contours = std::vector<std::vector<cv::Point>>;

Contours Outlines(const cv::Mat& img, int iMethod)
{
    Contours contours;
    cv::Mat copy = img.clone(); // older OpenCV versions change their input
    cv::findContours(copy, contours, cv::RETR_EXTERNAL, iMethod);
    return contours;
}

bool Same4(const stFloatPoint& a, const stFloatPoint& b)
{
    return QString::number(a.x, 'f', 4) == QString::number(b.x, 'f', 4) &&
           QString::number(a.y, 'f', 4) == QString::number(b.y, 'f', 4);
}

double Dist2(const stFloatPoint& a, const stFloatPoint& b)
{
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

// The outline the pocket goes on with when the erosion has split the shape:
// the island of the largest area (the earlier one on a tie), so that a thin
// point broken off a star's tip does not end the pocket while the body of
// the shape is still uncut. Null when there is none.
const std::vector<cv::Point>* MainOutline(const Contours& contours)
{
    const std::vector<cv::Point>* pBest = nullptr;
    double fBest = -1.0;
    for (const std::vector<cv::Point>& c : contours) {
        if (c.empty())
            continue;
        const double f = std::fabs(cv::contourArea(c));
        if (f > fBest) {
            fBest = f;
            pBest = &c;
        }
    }
    return pBest;
}
// The pixels farther than fDepth from every pixel outside the shape: the
// mask eroded by a round tool of that radius.
cv::Mat Region(const cv::Mat& distance, double fDepth)
{
    cv::Mat region;
    cv::compare(distance, fDepth, region, cv::CMP_GT);
    return region;
}

// The pocket's mask: the shape's box on a grid SUBPIXELS times finer than
// the work-area picture, with a pixel of background round it. A point
// (x, y) mm lies on the picture's refined grid at (trunc(margin + scale x),
// trunc(margin + scale y)), and on the mask that less the box's corner.
struct stMask
{
    double m_fScale = 1.0; // mask pixels per mm
    int m_iMargin = 0;     // of the refined picture, pixels
    cv::Point m_Corner;    // the mask's (0, 0) on the refined picture

    cv::Point ToPixel(const stFloatPoint& p) const
    {
        return cv::Point(int(m_iMargin + m_fScale * p.x), int(m_iMargin + m_fScale * p.y)) - m_Corner;
    }
    stFloatPoint ToMM(const cv::Point& p) const
    {
        stFloatPoint pt;
        pt.x = (p.x + m_Corner.x - m_iMargin) / m_fScale;
        pt.y = (p.y + m_Corner.y - m_iMargin) / m_fScale;
        return pt;
    }
    // An outline as a closed ring in mm, its staircase of pixels drawn
    // straight (no point strays more than SMOOTHING pixels from it), so the
    // tool runs along lines rather than stepping pixel by pixel. A lone
    // pixel is given twice.
    CErosionPocket::Ring Traced(const std::vector<cv::Point>& outline) const
    {
        std::vector<cv::Point> straight;
        cv::approxPolyDP(outline, straight, SMOOTHING, true);
        CErosionPocket::Ring ring;
        ring.reserve(straight.size() + 1);
        for (const cv::Point& p : straight)
            ring.push_back(ToMM(p));
        if (!ring.empty())
            ring.push_back(ring.front());
        return ring;
    }
    // The outline's corners in mm, as found.
    CErosionPocket::Ring Corners(const std::vector<cv::Point>& outline) const
    {
        CErosionPocket::Ring ring;
        ring.reserve(outline.size());
        for (const cv::Point& p : outline)
            ring.push_back(ToMM(p));
        return ring;
    }
    static constexpr double SMOOTHING = 0.7;
};

double PointGap(const stFloatPoint& p, const stFloatPoint& a, const stFloatPoint& b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double l2 = dx * dx + dy * dy;
    const double t = l2 > 0.0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

double Turn(const stFloatPoint& a, const stFloatPoint& b, const stFloatPoint& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// The least distance between the segments ab and cd: 0 where they cross.
double SegmentGap(const stFloatPoint& a, const stFloatPoint& b, const stFloatPoint& c, const stFloatPoint& d)
{
    const double t1 = Turn(a, b, c), t2 = Turn(a, b, d), t3 = Turn(c, d, a), t4 = Turn(c, d, b);
    if (((t1 < 0 && t2 > 0) || (t1 > 0 && t2 < 0)) && ((t3 < 0 && t4 > 0) || (t3 > 0 && t4 < 0)))
        return 0.0;
    return std::min(std::min(PointGap(a, c, d), PointGap(b, c, d)), std::min(PointGap(c, a, b), PointGap(d, a, b)));
}
// The first ring's depth in mask pixels: the least (in quarter pixels) whose
// outline keeps one tool radius (mm) off the drawn outline everywhere; below
// 0 when none that leaves an outline does.
double FirstDepth(const cv::Mat& distance, const stMask& mask, const CErosionPocket::Ring& outline, double r)
{
    double fDeepest = 0.0;
    cv::minMaxLoc(distance, nullptr, &fDeepest);
    // The mask's edge, and the ring drawn straight along a level, lie within
    // a couple of pixels of the drawn line and the level: only depths near a
    // tool radius need be tried. (A drawing that crosses itself may have no
    // depth that keeps clear of every one of its lines.)
    const double fLast = std::min(double(fDeepest), r * mask.m_fScale + 4.0);
    for (double d = std::max(0.0, r * mask.m_fScale - 2.0); d < fLast; d += 0.25) {
        const Contours contours = Outlines(Region(distance, d), cv::CHAIN_APPROX_SIMPLE);
        const std::vector<cv::Point>* pOutline = MainOutline(contours);
        if (!pOutline)
            break;
        if (CErosionPocket::Clearance(mask.Traced(*pOutline), outline) >= r)
            return d;
    }
    return -1.0;
}
} // namespace

double CErosionPocket::Clearance(const Ring& ring, const Ring& outline)
{
    double d = std::numeric_limits<double>::max();
    const size_t nRing = ring.size() < 2 ? ring.size() : ring.size() - 1;
    const size_t nOutline = outline.size() < 2 ? outline.size() : outline.size() - 1;
    for (size_t i = 0; i < nRing; ++i) {
        const stFloatPoint& a = ring[i];
        const stFloatPoint& b = ring[std::min(i + 1, ring.size() - 1)];
        for (size_t k = 0; k < nOutline; ++k) {
            d = std::min(d, SegmentGap(a, b, outline[k], outline[std::min(k + 1, outline.size() - 1)]));
            if (d <= 0.0)
                return 0.0;
        }
    }
    return d;
}

CErosionPocket::Ring CErosionPocket::MatchCorners(const Ring& prev, const Ring& ring)
{
    Ring out;
    if (ring.empty())
        return out;
    for (const stFloatPoint& q : prev) {
        if (out.size() >= ring.size())
            break;
        size_t iBest = 0;
        double fBest = Dist2(q, ring[0]);
        for (size_t i = 1; i < ring.size(); ++i) {
            const double f = Dist2(q, ring[i]);
            if (f < fBest) {
                fBest = f;
                iBest = i;
            }
        }
        // Neighbouring corners of the outer ring that meet the same corner
        // of the new one give it once: repeats would use up the ring's count
        // and cut the ring short with a chord across the pocket.
        if (!out.empty() && out.back().x == ring[iBest].x && out.back().y == ring[iBest].y)
            continue;
        out.push_back(ring[iBest]);
    }
    if (out.empty())
        return out;
    for (size_t i = 1; i < out.size(); ++i)
        if (Same4(out[i], out[0]))
            out.erase(out.begin() + long(i)); // the point moved into its place is not compared
    // A ring shrunk to a single point is that point twice: a plunge there,
    // which the cut makes, where a one-point shape would refuse the whole job.
    if (out.size() == 1 || out.back().x != out.front().x || out.back().y != out.front().y) {
        const stFloatPoint first = out.front();
        out.push_back(first);
    }
    return out;
}

std::vector<CErosionPocket::Ring> CErosionPocket::Rings(const Ring& outline, const stPocketArea& area)
{
    std::vector<Ring> rings;
    if (outline.size() < 3 || !(area.m_dScale > 0.0) || !(area.m_fEndMillDia > 0.0))
        return rings;
    Ring closed(outline);
    CPolygonEdit::Close(closed);
    const double r = area.m_fEndMillDia / 2.0;

    // The picture's pixels are near a millimetre: on a mask that coarse the
    // first ring could lie a whole pixel deeper than the tool radius on one
    // side to keep it on the other.
    stMask mask;
    mask.m_fScale = area.m_dScale * SUBPIXELS;
    mask.m_iMargin = area.m_iMargin * SUBPIXELS;
    std::vector<cv::Point> pixels;
    for (const stFloatPoint& p : closed)
        pixels.push_back(mask.ToPixel(p));
    const cv::Rect box = cv::boundingRect(pixels);
    if (double(box.width) * box.height > MAX_MASK_PIXELS)
        return rings;
    mask.m_Corner = box.tl() - cv::Point(1, 1);
    for (cv::Point& p : pixels)
        p -= mask.m_Corner;
    cv::Mat fill = cv::Mat::zeros(box.height + 2, box.width + 2, CV_8UC1);
    cv::fillPoly(fill, std::vector<std::vector<cv::Point>>{pixels}, cv::Scalar(255), cv::LINE_8, 0);
    // Each pixel's distance to the nearest pixel outside the shape.
    cv::Mat distance;
    cv::distanceTransform(fill, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE, CV_32F);

    double fDepth = FirstDepth(distance, mask, closed, r);
    if (fDepth < 0.0)
        return rings; // nothing lies a tool radius inside
    // Ring to ring: one tool radius, at least one mask pixel.
    const double fStep = std::max(1.0, r * mask.m_fScale);
    Contours contours = Outlines(Region(distance, fDepth), cv::CHAIN_APPROX_SIMPLE);
    bool bLast = false;
    for (const std::vector<cv::Point>* pOutline = MainOutline(contours); pOutline; pOutline = MainOutline(contours)) {
        // The corners placed next to those of the ring outside; where their
        // straight lines would cut across a bend of the eroded shape closer
        // to the outline than the tool radius, the ring follows the bend.
        Ring matched = MatchCorners(rings.empty() ? closed : rings.back(), mask.Corners(*pOutline));
        if (Clearance(matched, closed) < r) {
            matched = mask.Traced(*pOutline);
            if (Clearance(matched, closed) < r)
                break;
        }
        rings.push_back(matched);
        if (bLast)
            break;
        fDepth += fStep;
        contours = Outlines(Region(distance, fDepth), cv::CHAIN_APPROX_SIMPLE);
        if (const std::vector<cv::Point>* pNext = MainOutline(contours)) {
            const cv::Rect next = cv::boundingRect(*pNext);
            if (next.width / mask.m_fScale < area.m_fEndMillDia || next.height / mask.m_fScale < area.m_fEndMillDia)
                bLast = true;
        }
    }
    return rings;
}
