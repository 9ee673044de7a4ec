// Ellipse tool paths (sampling, trimming to an arc, turning and placing) and
// the sizes of pocket rings.
#include "shapes/ellipsepoints.h"

#include <QtTest>
#include <cmath>

class TestEllipsePoints : public QObject
{
    Q_OBJECT
private slots:
    void paths_data();
    void paths();
    void turnedAndPlaced();
    void zeroSizePathIsTheCentre();
    void pocketRings_data();
    void pocketRings();
};

namespace {
bool Near(double a, double b, double tol = 1e-4)
{
    return std::fabs(a - b) <= tol;
}
} // namespace

void TestEllipsePoints::paths_data()
{
    QTest::addColumn<double>("major");
    QTest::addColumn<double>("minor");
    QTest::addColumn<double>("xStep");
    QTest::addColumn<bool>("hole");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<int>("count");
    QTest::addColumn<QPointF>("first");
    QTest::addColumn<QPointF>("last");

    // A 25 mm circle, 5 mm end mill: the tool runs on a 15 mm radius outside
    // and on 10 mm inside.
    QTest::newRow("full circle") << 25.0 << 25.0 << 0.2 << false << 0.0 << 360.0 << 301 << QPointF(15, 0)
                                 << QPointF(15, 0);
    QTest::newRow("hole") << 25.0 << 25.0 << 0.2 << true << 0.0 << 360.0 << 201 << QPointF(10, 0)
                          << QPointF(10, 0);
    QTest::newRow("ellipse 30x20") << 30.0 << 20.0 << 0.2 << false << 0.0 << 360.0 << 4 * 89 - 3
                                   << QPointF(17.5, 0) << QPointF(17.5, 0);
    // The quarter directions count as before the angle (90 degrees becomes
    // 1.5708, a little more than a right angle).
    QTest::newRow("first quarter") << 25.0 << 25.0 << 0.2 << false << 0.0 << 90.0 << 76 << QPointF(15, 0)
                                   << QPointF(0, 15);
    QTest::newRow("second quarter") << 25.0 << 25.0 << 0.2 << false << 90.0 << 180.0 << 75
                                    << QPointF(-0.2, 14.9987) << QPointF(-15, 0);
    QTest::newRow("90 to 360") << 25.0 << 25.0 << 0.2 << false << 90.0 << 360.0 << 223
                               << QPointF(-0.2, 14.9987) << QPointF(14.6, -3.4409);
    QTest::newRow("0 to 0 keeps all but two") << 25.0 << 25.0 << 0.2 << false << 0.0 << 0.0 << 299
                                              << QPointF(15, 0) << QPointF(14.6, -3.4409);
    // A step larger than the semi-axis: (a, 0) and (0, b) only.
    QTest::newRow("coarse step") << 25.0 << 25.0 << 20.0 << false << 0.0 << 360.0 << 5 << QPointF(15, 0)
                                 << QPointF(15, 0);
}

void TestEllipsePoints::paths()
{
    QFETCH(double, major);
    QFETCH(double, minor);
    QFETCH(double, xStep);
    QFETCH(bool, hole);
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(int, count);
    QFETCH(QPointF, first);
    QFETCH(QPointF, last);

    stEllipse e;
    e.m_Center = stFloatPoint();
    e.m_fMajorAxisDia = major;
    e.m_fMinorAxisDia = minor;
    e.m_fXStep = xStep;
    e.m_bHole = hole;
    e.m_fArcStartAngle = start;
    e.m_fArcEndAngle = end;
    const std::vector<stFloatPoint> pts = CEllipsePoints::Create(e, 5.0);
    QCOMPARE(int(pts.size()), count);
    if (count == 0)
        return;
    QVERIFY2(Near(pts.front().x, first.x()) && Near(pts.front().y, first.y()),
             qPrintable(QStringLiteral("%1,%2").arg(pts.front().x).arg(pts.front().y)));
    QVERIFY2(Near(pts.back().x, last.x()) && Near(pts.back().y, last.y()),
             qPrintable(QStringLiteral("%1,%2").arg(pts.back().x).arg(pts.back().y)));
    for (const stFloatPoint& p : pts)
        QVERIFY(std::isfinite(p.x) && std::isfinite(p.y));
}

void TestEllipsePoints::turnedAndPlaced()
{
    stEllipse e;
    e.m_Center.x = 50;
    e.m_Center.y = 40;
    e.m_fOrientation = 90;
    const std::vector<stFloatPoint> pts = CEllipsePoints::Create(e, 5.0);
    // The local (a, 0) turns clockwise to below the centre.
    QVERIFY(Near(pts.front().x, 50.0, 1e-3));
    QVERIFY(Near(pts.front().y, 40.0 - 15.0, 1e-3));
    // The quadrant sampling: x = 15, 14.8, ..., 0.2, then 0.
    const std::vector<stFloatPoint> local = CEllipsePoints::Sample(15, 15, 0.2);
    QCOMPARE(local[75].x, 0.0);
    QVERIFY(Near(local[74].x, 0.2));
    QVERIFY(Near(local[75].y, 15.0));
}

void TestEllipsePoints::zeroSizePathIsTheCentre()
{
    // The innermost ring of a 25 mm pocket with a 5 mm end mill is 5 mm
    // across: as a hole its tool path has no size.
    stEllipse e;
    e.m_Center.x = 30;
    e.m_Center.y = 20;
    e.m_fMajorAxisDia = 5;
    e.m_fMinorAxisDia = 5;
    e.m_bHole = true;
    const std::vector<stFloatPoint> pts = CEllipsePoints::Create(e, 5.0);
    QCOMPARE(int(pts.size()), 2);
    for (const stFloatPoint& p : pts) {
        QCOMPARE(p.x, 30.0);
        QCOMPARE(p.y, 20.0);
    }
    // A zero X step does not hang the sampling.
    e.m_bHole = false;
    e.m_fXStep = 0.0;
    QCOMPARE(int(CEllipsePoints::Create(e, 5.0).size()), 4 * 50001 - 3);
    // The largest ellipse the editor takes at the finest step stays within
    // memory: no more than 500000 samples a quadrant.
    e.m_fMajorAxisDia = e.m_fMinorAxisDia = 100000;
    e.m_fXStep = 0.001;
    const std::vector<stFloatPoint> huge = CEllipsePoints::Create(e, 5.0);
    QVERIFY(huge.size() <= size_t(4 * 500002));
    QVERIFY(std::fabs(huge.front().x - (30 + 50002.5)) < 1e-6);
}

void TestEllipsePoints::pocketRings_data()
{
    QTest::addColumn<double>("major");
    QTest::addColumn<double>("minor");
    QTest::addColumn<double>("endMill");
    QTest::addColumn<QList<QPointF>>("rings");
    QTest::newRow("25 circle, 5 mill") << 25.0 << 25.0 << 5.0
                                       << QList<QPointF>{{20, 20}, {15, 15}, {10, 10}, {5, 5}};
    QTest::newRow("30x20, 5 mill") << 30.0 << 20.0 << 5.0 << QList<QPointF>{{25, 15}, {20, 10}, {15, 5}};
    QTest::newRow("20 circle, 6 mill") << 20.0 << 20.0 << 6.0 << QList<QPointF>{{14, 14}, {8, 8}};
    QTest::newRow("mill too big") << 10.0 << 4.0 << 5.0 << QList<QPointF>{};
    QTest::newRow("mill as wide as the hole") << 5.0 << 5.0 << 5.0 << QList<QPointF>{};
}

void TestEllipsePoints::pocketRings()
{
    QFETCH(double, major);
    QFETCH(double, minor);
    QFETCH(double, endMill);
    QFETCH(QList<QPointF>, rings);
    const std::vector<stFloatPoint> got = CEllipsePoints::PocketRings(major, minor, endMill);
    QCOMPARE(int(got.size()), rings.size());
    for (int i = 0; i < rings.size(); ++i) {
        QVERIFY(Near(got[size_t(i)].x, rings[i].x()));
        QVERIFY(Near(got[size_t(i)].y, rings[i].y()));
    }
}

QTEST_MAIN(TestEllipsePoints)
#include "tst_ellipsepoints.moc"
