#include "shapes/polygonedit.h"

#include <algorithm>
#include <cmath>

void CPolygonEdit::Offset(Vertices& v, double fDx, double fDy)
{
    for (stFloatPoint& p : v) {
        p.x += fDx;
        p.y += fDy;
    }
}

stFloatPoint CPolygonEdit::BoxCentre(const Vertices& v)
{
    stFloatPoint c;
    if (v.empty())
        return c;
    double minX = v[0].x, maxX = v[0].x, minY = v[0].y, maxY = v[0].y;
    for (const stFloatPoint& p : v) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    c.x = minX + (maxX - minX) / 2.0;
    c.y = minY + (maxY - minY) / 2.0;
    return c;
}

void CPolygonEdit::Turn(Vertices& v, const stFloatPoint& centre, double fAngle)
{
    const double c = std::cos(fAngle);
    const double s = std::sin(fAngle);
    for (stFloatPoint& p : v) {
        const double dx = p.x - centre.x;
        const double dy = p.y - centre.y;
        p.x = centre.x + dx * c + dy * s;
        p.y = centre.y - dx * s + dy * c;
    }
}

void CPolygonEdit::Scale(Vertices& v, double fFactor)
{
    if (v.empty())
        return;
    auto mean = [&v]() {
        stFloatPoint m;
        for (const stFloatPoint& p : v) {
            m.x += p.x;
            m.y += p.y;
        }
        m.x /= double(v.size());
        m.y /= double(v.size());
        return m;
    };
    const stFloatPoint m0 = mean();
    for (stFloatPoint& p : v) {
        p.x *= fFactor;
        p.y *= fFactor;
    }
    const stFloatPoint m1 = mean();
    Offset(v, m0.x - m1.x, m0.y - m1.y);
}

bool CPolygonEdit::Close(Vertices& v)
{
    if (v.empty())
        return false;
    if (v.back().x == v.front().x && v.back().y == v.front().y)
        return false;
    const stFloatPoint first = v.front();
    v.push_back(first);
    return true;
}

int CPolygonEdit::Pick(const Vertices& v, const stFloatPoint& pt)
{
    const double x0 = pt.x - 3.0;
    const double y0 = pt.y - 3.0;
    if (x0 < 0.0 || y0 < 0.0)
        return -1;
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i].x >= x0 && v[i].x <= x0 + 6.0 && v[i].y >= y0 && v[i].y <= y0 + 6.0)
            return int(i);
    return -1;
}

QString CPolygonEdit::Text(const stFloatPoint& pt)
{
    return QString::number(pt.x, 'f', 4) + QStringLiteral(",") + QString::number(pt.y, 'f', 4);
}
