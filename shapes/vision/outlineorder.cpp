#include "shapes/vision/outlineorder.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {
cv::Point Leftmost(const Outline& outline)
{
    cv::Point best = outline.front();
    for (const cv::Point& p : outline)
        if (p.x < best.x)
            best = p;
    return best;
}

bool IsLong(const Outline& outline) { return outline.size() > 4; }
} // namespace

cv::Point COutlineOrder::ReferencePoint(const Outline& outline)
{
    if (outline.empty())
        return cv::Point();
    if (!IsLong(outline))
        return Leftmost(outline);
    try {
        const cv::RotatedRect fit = cv::fitEllipse(outline);
        if (std::isfinite(fit.center.x) && std::isfinite(fit.center.y) && std::fabs(fit.center.x) < 1e9 &&
            std::fabs(fit.center.y) < 1e9)
            return cv::Point(int(std::lrint(fit.center.x)), int(std::lrint(fit.center.y)));
    } catch (const cv::Exception&) {
        // No ellipse through these points: fall back to the leftmost point.
    }
    return Leftmost(outline);
}

size_t COutlineOrder::StartIndex(const std::vector<Outline>& outlines, const std::vector<cv::Point>& refs)
{
    size_t iStart = 0;
    int iMinX = 0;
    for (size_t i = 0; i < outlines.size(); ++i) {
        if (!IsLong(outlines[i]))
            continue;
        if (i == 0)
            iMinX = refs[0].x;
        else if (refs[i].x < iMinX) {
            iStart = i;
            iMinX = refs[i].x;
        }
    }
    return iStart;
}

std::vector<size_t> COutlineOrder::Order(const std::vector<Outline>& outlines)
{
    std::vector<size_t> lstOrder;
    const size_t n = outlines.size();
    if (n < 2) {
        for (size_t i = 0; i < n; ++i)
            lstOrder.push_back(i);
        return lstOrder;
    }
    std::vector<cv::Point> refs;
    refs.reserve(n);
    for (const Outline& outline : outlines)
        refs.push_back(ReferencePoint(outline));

    // The remaining outlines keep their list order; ties go to the earliest.
    std::vector<size_t> lstRemaining;
    lstRemaining.reserve(n);
    const size_t iStart = StartIndex(outlines, refs);
    for (size_t i = 0; i < n; ++i)
        if (i != iStart)
            lstRemaining.push_back(i);
    lstOrder.push_back(iStart);
    cv::Point cur = refs[iStart];
    while (!lstRemaining.empty()) {
        size_t iBest = 0;
        float fBest = 0.0f;
        for (size_t j = 0; j < lstRemaining.size(); ++j) {
            const cv::Point& p = refs[lstRemaining[j]];
            const double dx = double(p.x) - cur.x;
            const double dy = double(p.y) - cur.y;
            const float fDist = float(std::sqrt(dx * dx + dy * dy));
            if (j == 0 || fDist < fBest) {
                fBest = fDist;
                iBest = j;
            }
        }
        const size_t iNext = lstRemaining[iBest];
        lstRemaining.erase(lstRemaining.begin() + long(iBest));
        lstOrder.push_back(iNext);
        cur = refs[iNext];
    }
    return lstOrder;
}

std::vector<Outline> COutlineOrder::Ordered(const std::vector<Outline>& outlines)
{
    std::vector<Outline> lstOrdered;
    lstOrdered.reserve(outlines.size());
    for (size_t i : Order(outlines))
        lstOrdered.push_back(outlines[i]);
    return lstOrdered;
}
