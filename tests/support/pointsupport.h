#pragma once
// Points for the motion tests: a short way to write one, and the meta type
// that lets QTest _data tables carry it.
#include "core/common.h"

#include <QMetaType>

inline stFloatPoint Pt(double x, double y, double z = 0.0)
{
    stFloatPoint p;
    p.x = x;
    p.y = y;
    p.z = z;
    return p;
}

Q_DECLARE_METATYPE(stFloatPoint)


#include <QList>
#include <cmath>

// Points of a circle of radius r about (cu, cv) in a plane's (u, v), worked
// out plainly: one every `step` of u from u0 to u1 (either way, both
// included), v = cv + side * sqrt(r^2 - (u - cu)^2) to 4 decimals (side +1
// the half above the centre, -1 the half below). x, y carry u, v.
inline QList<stFloatPoint> CirclePoints(double cu, double cv, double r, double u0, double u1, int side,
                                        double step = 0.1)
{
    QList<stFloatPoint> pts;
    const int n = int(std::lround(std::fabs(u1 - u0) / step));
    const double dir = u1 >= u0 ? 1.0 : -1.0;
    for (int k = 0; k <= n; ++k) {
        const double u = std::round((u0 + dir * k * step) * 10000.0) / 10000.0;
        const double v = cv + side * std::sqrt(std::fabs(r * r - (u - cu) * (u - cu)));
        pts.append(Pt(u, std::round(v * 10000.0) / 10000.0));
    }
    return pts;
}

// The height a probed Z grid (points `step` apart from 0, sampled from
// surface(x, y)) gives at (x, y): the sample of the nearest grid point, the
// lower one in X or Y where two are as near.
template <typename Surface>
double NearestSampleHeight(Surface surface, double step, double x, double y)
{
    auto snap = [step](double c) { return step * std::ceil(c / step - 0.5 - 1e-9); };
    return surface(snap(x), snap(y));
}
