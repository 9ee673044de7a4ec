// Polygon geometry without windows: move, turn, scale, close and pick, and
// the erosion pocket of a drawn outline.
#include "shapes/vision/erosionpocket.h"
#include "shapes/polygonedit.h"
#include "pointsupport.h"

#include <QtTest>
#include <algorithm>
#include <cmath>

class TestPolygonGeometry : public QObject
{
    Q_OBJECT
private slots:
    void offsetTotals();
    void turnAboutBoxCentre();
    void scaleAboutMean();
    void closeAndPick();
    void pocketOfSquare();
    void pocketNearEitherEdge();
    void pocketOfThinShapes();
    void pocketRingsNestInsideTheOutline_data();
    void pocketRingsNestInsideTheOutline();
    void matchCorners();
};

namespace {
using V = std::vector<stFloatPoint>;
V Square(double x0, double y0, double side)
{
    return {Pt(x0, y0), Pt(x0 + side, y0), Pt(x0 + side, y0 + side), Pt(x0, y0 + side)};
}
bool Near(const stFloatPoint& a, double x, double y, double tol = 1e-4)
{
    return std::fabs(a.x - x) <= tol && std::fabs(a.y - y) <= tol;
}
constexpr double DEG = 3.1416 / 180.0;
} // namespace
Q_DECLARE_METATYPE(V)

void TestPolygonGeometry::offsetTotals()
{
    V v = Square(0, 0, 10);
    CPolygonEdit::Offset(v, 5, 0);
    QVERIFY(Near(v[0], 5, 0));
    CPolygonEdit::Offset(v, 2 - 5, 0); // a total of 2 after 5
    QVERIFY(Near(v[0], 2, 0));
    QVERIFY(Near(v[2], 12, 10));
}

void TestPolygonGeometry::turnAboutBoxCentre()
{
    V v = Square(0, 0, 10);
    const stFloatPoint c = CPolygonEdit::BoxCentre(v);
    QVERIFY(Near(c, 5, 5));
    CPolygonEdit::Turn(v, c, 90 * DEG);
    QVERIFY(Near(v[0], 0, 10, 1e-3)); // clockwise on the Y-up work area
    QVERIFY(Near(v[1], 0, 0, 1e-3));
    CPolygonEdit::Turn(v, c, -90 * DEG);
    QVERIFY(Near(v[0], 0, 0, 1e-9));

    // An asymmetric shape comes back to where it was when the turn is
    // undone about the same centre, even though its box moved.
    V tri = {Pt(0, 0), Pt(30, 0), Pt(0, 5)};
    const stFloatPoint c0 = CPolygonEdit::BoxCentre(tri);
    CPolygonEdit::Turn(tri, c0, 30 * DEG);
    CPolygonEdit::Turn(tri, c0, -30 * DEG);
    QVERIFY(Near(tri[1], 30, 0, 1e-9));
    QVERIFY(Near(CPolygonEdit::BoxCentre({}), 0, 0));
}

void TestPolygonGeometry::scaleAboutMean()
{
    V v = Square(0, 0, 10);
    CPolygonEdit::Scale(v, 2);
    QVERIFY(Near(v[0], -5, -5));
    QVERIFY(Near(v[1], 15, -5));
    QVERIFY(Near(v[2], 15, 15));
    QVERIFY(Near(v[3], -5, 15));
    CPolygonEdit::Scale(v, 0.5);
    QVERIFY(Near(v[0], 0, 0));
    QVERIFY(Near(v[2], 10, 10));
    // The closing vertex counts twice in the mean.
    V closed = Square(0, 0, 10);
    closed.push_back(closed[0]);
    CPolygonEdit::Scale(closed, 2);
    QVERIFY(Near(closed[0], -4, -4));
}

void TestPolygonGeometry::closeAndPick()
{
    V v = Square(10, 40, 10);
    QVERIFY(CPolygonEdit::Close(v));
    QCOMPARE(int(v.size()), 5);
    QVERIFY(!CPolygonEdit::Close(v));
    QCOMPARE(int(v.size()), 5);
    V none;
    QVERIFY(!CPolygonEdit::Close(none));

    // Within 3 mm of two vertices: the earlier one; the box reaching below
    // zero picks nothing.
    V near = {Pt(20, 50), Pt(21, 51), Pt(22, 50)};
    QCOMPARE(CPolygonEdit::Pick(near, Pt(21, 50)), 0);
    QCOMPARE(CPolygonEdit::Pick(near, Pt(24, 51)), 1);
    QCOMPARE(CPolygonEdit::Pick(near, Pt(30, 50)), -1);
    QCOMPARE(CPolygonEdit::Pick({Pt(1, 50)}, Pt(2, 50)), -1);
    QCOMPARE(CPolygonEdit::Text(Pt(12.5, 3)), QStringLiteral("12.5000,3.0000"));
}

namespace {
stPocketArea Area()
{
    stPocketArea area;
    area.m_dScale = 430.0 / 300.0; // the designer's 300 x 200 mm work area
    area.m_fEndMillDia = 5.0;
    return area;
}

// Every ring closed, inside the one before and with no more corners.
void CheckNested(const V& outline, const std::vector<V>& rings)
{
    QVERIFY(!rings.empty());
    double prevW = 1e9;
    size_t prevN = outline.size() + 1;
    for (const V& r : rings) {
        QVERIFY(r.size() >= 2);
        QCOMPARE(r.front().x, r.back().x);
        QCOMPARE(r.front().y, r.back().y);
        double minX = 1e9, maxX = -1e9;
        for (const stFloatPoint& p : r) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
        }
        QVERIFY(maxX - minX < prevW);
        prevW = maxX - minX;
        QVERIFY(r.size() <= prevN);
        prevN = r.size();
    }
}
} // namespace

void TestPolygonGeometry::pocketOfSquare()
{
    const V square = Square(50, 50, 50);
    const std::vector<V> rings = CErosionPocket::Rings(square, Area());
    CheckNested(square, rings);
    // A 50 mm square with a 5 mm tool: the tool centre runs a tool radius
    // inside the drawn line (to the pixel), so the cut ends at the line; the
    // rings after it step in by about a tool radius (never more than the
    // tool's width, which would leave ridges).
    const double r = 2.5, onePixel = 1.0 / Area().m_dScale;
    QVERIFY2(rings.size() >= 8 && rings.size() <= 12, qPrintable(QString::number(rings.size())));
    // The first ring keeps the square's corners: five points, closed.
    QCOMPARE(int(rings[0].size()), 5);
    for (const stFloatPoint& p : rings[0]) {
        const double fGap = std::min({p.x - 50, 100 - p.x, p.y - 50, 100 - p.y});
        QVERIFY2(fGap >= r && fGap <= r + onePixel, qPrintable(QString::number(fGap)));
    }
    for (size_t i = 1; i < rings.size(); ++i) {
        const double fStep = rings[i][0].x - rings[i - 1][0].x;
        QVERIFY2(fStep > 0 && fStep <= 2 * r, qPrintable(QString::number(fStep)));
    }
}

void TestPolygonGeometry::pocketNearEitherEdge()
{
    // Both squares start on a whole pixel (the scale is 43 / 30 pixels per
    // mm), so that their masks are the same.
    const double fPixel = 30.0 / 43.0;
    const std::vector<V> left = CErosionPocket::Rings(Square(3 * fPixel + 1e-6, 60, 40), Area());
    const std::vector<V> right = CErosionPocket::Rings(Square(369 * fPixel + 1e-6, 60, 40), Area());
    QVERIFY(!left.empty());
    QCOMPARE(right.size(), left.size());
    for (size_t i = 0; i < left.size(); ++i) {
        QCOMPARE(right[i].size(), left[i].size());
        QVERIFY(std::fabs((right[i][0].x - 366 * fPixel) - left[i][0].x) < 1e-6);
    }
}

void TestPolygonGeometry::pocketOfThinShapes()
{
    // Fewer than three vertices: no pocket.
    QVERIFY(CErosionPocket::Rings({Pt(10, 10), Pt(50, 10)}, Area()).empty());
    // A sliver thinner than any kernel: the search ends instead of
    // measuring an empty outline, and no ring is made.
    const V sliver = {Pt(10, 10), Pt(200, 10), Pt(200, 10.5), Pt(10, 10.5)};
    QVERIFY(CErosionPocket::Rings(sliver, Area()).empty());
    // A strip a little wider than the tool: at least one ring, all closed.
    const V strip = {Pt(10, 10), Pt(200, 10), Pt(200, 18), Pt(10, 18)};
    CheckNested(strip, CErosionPocket::Rings(strip, Area()));
    // Narrower than the tool: no path keeps a tool radius off both sides,
    // so there is no ring (the cut would widen the drawn strip).
    const V narrow = {Pt(10, 10), Pt(200, 10), Pt(200, 14.5), Pt(10, 14.5)};
    QVERIFY(CErosionPocket::Rings(narrow, Area()).empty());
}

namespace {
bool Inside(const V& poly, double x, double y)
{
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
        if ((poly[i].y > y) != (poly[j].y > y) &&
            x < (poly[j].x - poly[i].x) * (y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
            in = !in;
    return in;
}

double SegmentDistance(const stFloatPoint& a, const stFloatPoint& b, double x, double y)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(a.x + t * dx - x, a.y + t * dy - y);
}

// How far the path of ring (its corners and the lines between them) strays
// outside the closed outline poly, mm.
double Outside(const V& ring, const V& poly)
{
    double worst = 0;
    for (size_t i = 0; i + 1 < ring.size(); ++i)
        for (int s = 0; s <= 20; ++s) {
            const double x = ring[i].x + (ring[i + 1].x - ring[i].x) * s / 20.0;
            const double y = ring[i].y + (ring[i + 1].y - ring[i].y) * s / 20.0;
            if (Inside(poly, x, y))
                continue;
            double d = 1e9;
            for (size_t k = 0; k < poly.size(); ++k)
                d = std::min(d, SegmentDistance(poly[k], poly[(k + 1) % poly.size()], x, y));
            worst = std::max(worst, d);
        }
    return worst;
}

// The least distance, mm, from the path of ring to the outline's edges, and
// 0 for a ring point outside it: the path is sampled every twentieth of a
// segment.
double Clearance(const V& ring, const V& poly)
{
    double best = 1e9;
    for (size_t i = 0; i + 1 < ring.size(); ++i)
        for (int s = 0; s <= 20; ++s) {
            const double x = ring[i].x + (ring[i + 1].x - ring[i].x) * s / 20.0;
            const double y = ring[i].y + (ring[i + 1].y - ring[i].y) * s / 20.0;
            if (!Inside(poly, x, y))
                return 0.0;
            for (size_t k = 0; k < poly.size(); ++k)
                best = std::min(best, SegmentDistance(poly[k], poly[(k + 1) % poly.size()], x, y));
        }
    return best;
}

V Polar(double cx, double cy, int n, double (*radius)(int))
{
    V v;
    for (int i = 0; i < n; ++i) {
        const double a = i * 2 * M_PI / n;
        v.push_back(Pt(cx + radius(i) * std::cos(a), cy + radius(i) * std::sin(a)));
    }
    return v;
}
} // namespace

void TestPolygonGeometry::pocketRingsNestInsideTheOutline_data()
{
    QTest::addColumn<V>("outline");
    QTest::addColumn<double>("endMill");
    QTest::addColumn<QPointF>("centre"); // a point the pocket must reach, or (-1, -1)
    // The tool centre follows the rings: a ring closer to the line than the
    // tool radius cuts past the drawing.
    QTest::newRow("square 100") << Square(100, 50, 100) << 5.0 << QPointF(150, 100);
    QTest::newRow("square turned") << Polar(150, 100, 4, [](int) { return 60.0; }) << 5.0 << QPointF(150, 100);
    QTest::newRow("L") << V{Pt(50, 50), Pt(150, 50), Pt(150, 80), Pt(80, 80), Pt(80, 150), Pt(50, 150)} << 5.0
                       << QPointF(-1, -1);
    QTest::newRow("L small tool") << V{Pt(50, 50), Pt(150, 50), Pt(150, 80), Pt(80, 80), Pt(80, 150), Pt(50, 150)}
                                  << 2.0 << QPointF(-1, -1);
    QTest::newRow("C") << V{Pt(50, 20), Pt(200, 20), Pt(200, 50), Pt(90, 50), Pt(90, 130), Pt(200, 130), Pt(200, 160), Pt(50, 160)}
                       << 5.0 << QPointF(-1, -1);
    // The tips of a star break off as the rings close in; the pocket goes
    // on in the body and clears its middle.
    QTest::newRow("star") << Polar(150, 100, 10, [](int i) { return i % 2 ? 20.0 : 60.0; }) << 5.0
                          << QPointF(150, 100);
    // A drawn circle: many corners, fewer on each ring.
    QTest::newRow("circle") << Polar(150, 100, 60, [](int) { return 50.0; }) << 5.0 << QPointF(150, 100);
    QTest::newRow("circle large tool") << Polar(150, 100, 60, [](int) { return 50.0; }) << 12.0
                                       << QPointF(150, 100);
    // Small enough that the innermost ring shrinks to a point.
    QTest::newRow("small circle") << Polar(100, 100, 30, [](int) { return 4.0; }) << 5.0 << QPointF(100, 100);
}

void TestPolygonGeometry::pocketRingsNestInsideTheOutline()
{
    QFETCH(V, outline);
    QFETCH(double, endMill);
    QFETCH(QPointF, centre);
    stPocketArea area = Area();
    area.m_fEndMillDia = endMill;
    const double r = endMill / 2.0;
    const double onePixel = 1.0 / area.m_dScale;
    const std::vector<V> rings = CErosionPocket::Rings(outline, area);
    QVERIFY(!rings.empty());
    V prev = outline;
    for (size_t i = 0; i < rings.size(); ++i) {
        const V& ring = rings[i];
        // Every ring can be cut: two points at least, closed.
        QVERIFY2(ring.size() >= 2, qPrintable(QStringLiteral("ring %1").arg(i)));
        QCOMPARE(ring.back().x, ring.front().x);
        QCOMPARE(ring.back().y, ring.front().y);
        // No point of its path comes closer to the outline than the radius.
        const double fGap = Clearance(ring, outline);
        QVERIFY2(fGap >= r - 1e-9, qPrintable(QStringLiteral("ring %1 comes %2 mm from the outline").arg(i).arg(fGap)));
        QVERIFY2(Outside(ring, prev) <= onePixel,
                 qPrintable(QStringLiteral("ring %1 leaves the one outside it by %2 mm").arg(i).arg(Outside(ring, prev))));
        prev = ring;
    }
    // The first ring runs along the line, so the cut reaches it: no more
    // than a pixel farther in than the radius somewhere (a corner of a
    // turned square lies farther in, its sides do not).
    QVERIFY2(Clearance(rings[0], outline) <= r + 1.5 * onePixel, qPrintable(QString::number(Clearance(rings[0], outline))));
    if (centre.x() >= 0) {
        double d = 1e9;
        for (const stFloatPoint& p : rings.back())
            d = std::min(d, std::hypot(p.x - centre.x(), p.y - centre.y()));
        QVERIFY2(d <= endMill, qPrintable(QString::number(d)));
    }
}

void TestPolygonGeometry::matchCorners()
{
    // Each corner of the outer ring takes the nearest of the new ring; no
    // more points than the new ring has; a repeat of the start is dropped.
    const V prev = {Pt(0, 0), Pt(10, 0), Pt(10, 10), Pt(0, 10), Pt(0, 0)};
    const V ring = {Pt(1, 9), Pt(1, 1), Pt(9, 1), Pt(9, 9), Pt(5, 5), Pt(5, 6)};
    const V out = CErosionPocket::MatchCorners(prev, ring);
    QCOMPARE(int(out.size()), 5);
    QVERIFY(Near(out[0], 1, 1));
    QVERIFY(Near(out[1], 9, 1));
    QVERIFY(Near(out[3], 1, 9));
    QVERIFY(Near(out[4], 1, 1)); // the last corner matched the start again
    const V fewer = CErosionPocket::MatchCorners(prev, {Pt(1, 1), Pt(9, 1)});
    QCOMPARE(int(fewer.size()), 3); // (1,1) (9,1) then closed
    QVERIFY(Near(fewer[2], 1, 1));
    // Neighbouring corners that meet the same new corner take it once, so
    // the ring is not cut short before its last corner.
    const V crowded = {Pt(0, 0), Pt(0.5, 0), Pt(1, 0), Pt(10, 0), Pt(10, 10), Pt(0, 10)};
    const V three = CErosionPocket::MatchCorners(crowded, {Pt(1, 1), Pt(9, 1), Pt(9, 9)});
    QCOMPARE(int(three.size()), 4);
    QVERIFY(Near(three[2], 9, 9));
    // A ring shrunk to a point is that point twice: a path the cut can take.
    const V lone = CErosionPocket::MatchCorners(prev, {Pt(5, 5)});
    QCOMPARE(int(lone.size()), 2);
    QVERIFY(Near(lone[1], 5, 5));
}

QTEST_MAIN(TestPolygonGeometry)
#include "tst_polygongeometry.moc"
