#include "shapes/ellipsepoints.h"

#include "core/UnitConverter.h"

#include <cmath>

namespace {
stFloatPoint Pt(double x, double y)
{
    stFloatPoint p;
    p.x = x;
    p.y = y;
    return p;
}

// The finest X step the sampling takes: one internal unit. A zero or
// negative step would never reach the end of the quadrant.
constexpr double MIN_X_STEP = 0.0001;
// At most this many samples a quadrant (a path of 2 million points): a
// huge ellipse at a fine step would otherwise exhaust the memory.
constexpr double MAX_QUADRANT_SAMPLES = 500000.0;
} // namespace

std::vector<stFloatPoint> CEllipsePoints::Sample(double a, double b, double fXStep)
{
    if (!(fXStep >= MIN_X_STEP))
        fXStep = MIN_X_STEP;
    if (a / fXStep > MAX_QUADRANT_SAMPLES)
        fXStep = a / MAX_QUADRANT_SAMPLES;
    std::vector<stFloatPoint> quad;
    double x = a;
    bool bLast = false;
    for (;;) {
        const double y = b * std::sqrt(std::fabs(1.0 - (x * x) / (a * a)));
        quad.push_back(Pt(x, y));
        if (bLast)
            break;
        x -= fXStep;
        if (!(x > 0.00001)) {
            x = 0.0;
            bLast = true;
        }
    }
    const int n = int(quad.size());
    std::vector<stFloatPoint> pts(quad);
    pts.reserve(size_t(4 * n - 3));
    for (int i = n - 2; i >= 0; --i)
        pts.push_back(Pt(-quad[size_t(i)].x, quad[size_t(i)].y));
    for (int j = 2 * n - 3; j >= n - 1; --j)
        pts.push_back(Pt(pts[size_t(j)].x, -pts[size_t(j)].y));
    for (int i = n - 2; i >= 0; --i)
        pts.push_back(Pt(quad[size_t(i)].x, -quad[size_t(i)].y));
    return pts;
}

std::vector<stFloatPoint> CEllipsePoints::Trim(const std::vector<stFloatPoint>& points, double fStartDeg,
                                               double fEndDeg)
{
    if (!(fStartDeg > 0.0 || fEndDeg < 360.0) || points.size() < 2)
        return points;
    const double s = fStartDeg * DEG_TO_RAD;
    const double e = fEndDeg * DEG_TO_RAD;
    auto angle = [](const stFloatPoint& p) {
        double a = std::atan2(p.y, p.x);
        if (a < 0.0)
            a += FULL_TURN;
        return a;
    };
    const size_t n = points.size();
    size_t iStart = 0;
    while (iStart < n && angle(points[iStart]) < s)
        ++iStart;
    if (iStart == n)
        iStart = 0;
    size_t iEnd = iStart;
    while (iEnd < n && angle(points[iEnd]) < e)
        ++iEnd;
    if (iEnd == n || iEnd == 0)
        iEnd = n - 2;
    if (iEnd <= iStart)
        return {};
    return std::vector<stFloatPoint>(points.begin() + long(iStart), points.begin() + long(iEnd));
}

std::vector<stFloatPoint> CEllipsePoints::Create(const stEllipse& ellipse, double fEndMillDia)
{
    const int A = CUnitConverter::GetInt(ellipse.m_fMajorAxisDia) / 2;
    const int B = CUnitConverter::GetInt(ellipse.m_fMinorAxisDia) / 2;
    const int R = CUnitConverter::GetInt(fEndMillDia) / 2;
    const int iA = ellipse.m_bHole ? A - R : A + R;
    const int iB = ellipse.m_bHole ? B - R : B + R;
    if (iA <= 0 || iB <= 0) {
        // No room for the tool to go round: it only plunges at the centre.
        const stFloatPoint c = Pt(ellipse.m_Center.x, ellipse.m_Center.y);
        return {c, c};
    }
    const double a = CUnitConverter::GetDouble(iA);
    const double b = CUnitConverter::GetDouble(iB);
    const std::vector<stFloatPoint> local =
        Trim(Sample(a, b, ellipse.m_fXStep), ellipse.m_fArcStartAngle, ellipse.m_fArcEndAngle);

    const double t = ellipse.m_fOrientation * DEG_TO_RAD;
    const double c = std::cos(t);
    const double s = std::sin(t);
    std::vector<stFloatPoint> out;
    out.reserve(local.size());
    for (const stFloatPoint& p : local)
        out.push_back(Pt(ellipse.m_Center.x + p.x * c + p.y * s, ellipse.m_Center.y - p.x * s + p.y * c));
    return out;
}

std::vector<stFloatPoint> CEllipsePoints::PocketRings(double fMajorDia, double fMinorDia, double fEndMillDia)
{
    std::vector<stFloatPoint> rings;
    const double r = fEndMillDia / 2.0;
    if (!(r > 0.0) || fMinorDia < fEndMillDia)
        return rings;
    double A = fMajorDia / 2.0;
    double B = fMinorDia / 2.0;
    const double fSteps = std::trunc(B / r);
    const int nSteps = fSteps > 32767.0 ? 32767 : int(fSteps);
    for (int k = 0; k < nSteps; ++k) {
        A -= r;
        B -= r;
        if (A < r || B < r)
            break;
        rings.push_back(Pt(2.0 * A, 2.0 * B));
    }
    return rings;
}
