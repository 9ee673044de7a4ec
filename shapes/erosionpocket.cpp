#include "shapes/erosionpocket.h"

#include "shapes/polygonedit.h"

#include <QString>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <limits>

namespace {
using Contours = std::vector<std::vector<cv::Point>>;

cv::Mat Kernel(int k)
{
    return cv::Mat::ones(k, k, CV_8U);
}

// Erodes in place; the image border does not eat into the shape.
void Erode(cv::Mat& img, int k)
{
    cv::erode(img, img, Kernel(k), cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
}

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
} // namespace

int CErosionPocket::KernelSize(const cv::Mat& mask, int iX0, int iY0, double dScale, double fEndMillDia)
{
    const int iMaxK = std::max(mask.cols, mask.rows) + 1;
    int k = 2;
    for (;;) {
        cv::Mat eroded = mask.clone();
        Erode(eroded, k);
        const Contours contours = Outlines(eroded, cv::CHAIN_APPROX_NONE);
        const std::vector<cv::Point>* pOutline = MainOutline(contours);
        if (!pOutline) {
            // Nothing left to measure: the last size that left an outline.
            --k;
            break;
        }
        double d = std::numeric_limits<double>::max();
        for (const cv::Point& p : *pOutline)
            d = std::min(d, std::hypot(double(p.x - iX0), double(p.y - iY0)));
        if (d / dScale > fEndMillDia / 2.0) {
            --k;
            break;
        }
        if (++k > iMaxK)
            break;
    }
    return k <= 2 ? 3 : k;
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
    if (outline.size() < 3 || !(area.m_dScale > 0.0) || area.m_iImgWidth <= 0 || area.m_iImgHeight <= 0)
        return rings;
    Ring closed(outline);
    CPolygonEdit::Close(closed);

    const double m = area.m_iMargin;
    const double s = area.m_dScale;
    std::vector<cv::Point> pixels;
    for (const stFloatPoint& p : closed)
        pixels.emplace_back(int(m + s * p.x), int(m + s * p.y));
    cv::Mat mask = cv::Mat::zeros(area.m_iImgHeight, area.m_iImgWidth, CV_8UC1);
    cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{pixels}, cv::Scalar(255), cv::LINE_8, 0);

    const int k = KernelSize(mask, pixels[0].x, pixels[0].y, s, area.m_fEndMillDia);
    Erode(mask, k);
    Contours contours = Outlines(mask, cv::CHAIN_APPROX_SIMPLE);
    bool bLast = false;
    for (const std::vector<cv::Point>* pOutline = MainOutline(contours); pOutline; pOutline = MainOutline(contours)) {
        Ring ring;
        for (const cv::Point& p : *pOutline) {
            stFloatPoint pt;
            pt.x = (p.x - m) / s;
            pt.y = (p.y - m) / s;
            ring.push_back(pt);
        }
        rings.push_back(MatchCorners(rings.empty() ? closed : rings.back(), ring));
        if (bLast)
            break;
        Erode(mask, k);
        contours = Outlines(mask, cv::CHAIN_APPROX_SIMPLE);
        if (const std::vector<cv::Point>* pNext = MainOutline(contours)) {
            const cv::Rect box = cv::boundingRect(*pNext);
            if (box.width / s < area.m_fEndMillDia || box.height / s < area.m_fEndMillDia)
                bLast = true;
        }
    }
    return rings;
}
