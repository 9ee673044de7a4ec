// Shapes against the work area: how far they reach past each edge, the
// shrink and move that bring them in, the texts that say so, and fitting the
// polygons of one opening.
#include "shapes/outlineshapes.h"
#include "shapes/workareafit.h"
#include "pointsupport.h"

#include <QtTest>

namespace {
stShapeBox Box(double x0, double y0, double x1, double y1)
{
    stShapeBox box;
    box.m_fMinX = x0;
    box.m_fMinY = y0;
    box.m_fMaxX = x1;
    box.m_fMaxY = y1;
    return box;
}
stPolygon* Polygon(std::vector<stFloatPoint> vertices)
{
    auto* p = new stPolygon;
    p->m_lstVertices = std::move(vertices);
    return p;
}
} // namespace
Q_DECLARE_METATYPE(stShapeBox)

class TestWorkAreaFit : public QObject
{
    Q_OBJECT
private slots:
    void check_data();
    void check();
    void texts();
    void fitPolygonsOfOneOpening();
};

void TestWorkAreaFit::check_data()
{
    QTest::addColumn<stShapeBox>("box");
    QTest::addColumn<QPointF>("area");     // length, width
    QTest::addColumn<QRectF>("excess");    // left, right, bottom, top
    QTest::addColumn<double>("scale");     // the shrink, or -1 when it cannot fit
    QTest::newRow("inside") << Box(10, 10, 290, 190) << QPointF(300, 200) << QRectF() << 1.0;
    QTest::newRow("on the edges") << Box(0, 0, 300, 200) << QPointF(300, 200) << QRectF() << 1.0;
    QTest::newRow("a hair over") << Box(-0.00004, 0, 300.00004, 200) << QPointF(300, 200)
                                 << QRectF(0.00004, 0.00004, 0, 0) << 300 / 300.00008;
    QTest::newRow("a unit over") << Box(0, 0, 300.0001, 200) << QPointF(300, 200) << QRectF(0, 0.0001, 0, 0)
                                 << 300 / 300.0001;
    // Text of size 1000: from X -37 to 2155 mm.
    QTest::newRow("large text") << Box(-37, 5, 2155, 150) << QPointF(300, 200) << QRectF(37, 1855, 0, 0)
                                << 300.0 / 2192;
    QTest::newRow("too tall") << Box(20, -10, 120, 390) << QPointF(300, 200) << QRectF(0, 0, 10, 190) << 0.5;
    QTest::newRow("past the left and bottom") << Box(-20, -5, -10, 20) << QPointF(300, 200) << QRectF(20, 0, 5, 0)
                                              << 1.0;
    QTest::newRow("past the right") << Box(250, 50, 350, 100) << QPointF(300, 200) << QRectF(0, 50, 0, 0) << 1.0;
    QTest::newRow("no work area") << Box(10, 10, 20, 20) << QPointF(0, 200) << QRectF(0, 20, 0, 0) << -1.0;
}

void TestWorkAreaFit::check()
{
    QFETCH(stShapeBox, box);
    QFETCH(QPointF, area);
    QFETCH(QRectF, excess);
    QFETCH(double, scale);
    const stAreaFit fit = CWorkAreaFit::Check(box, area.x(), area.y());
    QVERIFY(qAbs(fit.m_fLeft - excess.x()) < 1e-9);
    QVERIFY(qAbs(fit.m_fRight - excess.y()) < 1e-9);
    // Less than half the machine's 1/10000 mm over counts as on the edge.
    const bool bInside = std::max({excess.x(), excess.y(), excess.width(), excess.height()}) < 0.00005;
    QCOMPARE(fit.m_fBottom, excess.width());
    QCOMPARE(fit.m_fTop, excess.height());
    QCOMPARE(fit.Inside(), bInside);
    QCOMPARE(fit.m_bCanFit, scale > 0);
    if (!fit.m_bCanFit)
        return;
    QVERIFY(qAbs(fit.m_fScale - scale) < 1e-12);
    // Fitted, the box lies on the work area, as large as the scale makes
    // it; a box already inside stays where it is.
    stAreaFit after = CWorkAreaFit::Check(
        Box(fit.Fitted(Pt(box.m_fMinX, box.m_fMinY)).x, fit.Fitted(Pt(box.m_fMinX, box.m_fMinY)).y,
            fit.Fitted(Pt(box.m_fMaxX, box.m_fMaxY)).x, fit.Fitted(Pt(box.m_fMaxX, box.m_fMaxY)).y),
        area.x(), area.y());
    QVERIFY(after.Inside());
    QVERIFY(qAbs((fit.Fitted(Pt(box.m_fMaxX, 0)).x - fit.Fitted(Pt(box.m_fMinX, 0)).x) -
                 (box.m_fMaxX - box.m_fMinX) * scale) < 1e-9);
    if (excess.isEmpty() && excess.x() == 0 && excess.y() == 0)
        QCOMPARE(fit.Fitted(Pt(box.m_fMinX, box.m_fMinY)).x, box.m_fMinX);
}

void TestWorkAreaFit::texts()
{
    const stAreaFit text = CWorkAreaFit::Check(Box(-37, 5, 2155, 150), 300, 200);
    QCOMPARE(CWorkAreaFit::Excess(text), QStringLiteral("The shapes exceed the 300.0000 x 200.0000 mm work area "
                                                        "by 37.0000 mm on the left and 1855.0000 mm on the right"));
    QCOMPARE(CWorkAreaFit::Offer(text),
             QStringLiteral("Shrink them to 13.6861 % of their size and move them into the work area?"));
    const stAreaFit all = CWorkAreaFit::Check(Box(-1, -2, 303, 204), 300, 200);
    QCOMPARE(CWorkAreaFit::Excess(all), QStringLiteral("The shapes exceed the 300.0000 x 200.0000 mm work area by "
                                                       "1.0000 mm on the left, 3.0000 mm on the right, 2.0000 mm "
                                                       "at the bottom and 4.0000 mm at the top"));
    const stAreaFit moved = CWorkAreaFit::Check(Box(250, 50, 350, 100), 300, 200);
    QCOMPARE(CWorkAreaFit::Excess(moved),
             QStringLiteral("The shapes exceed the 300.0000 x 200.0000 mm work area by 50.0000 mm on the right"));
    QCOMPARE(CWorkAreaFit::Offer(moved), QStringLiteral("Move them into the work area?"));
}

void TestWorkAreaFit::fitPolygonsOfOneOpening()
{
    // The box and the fit take the polygons from the opening's first index
    // on; the shapes before it stay as they were.
    stShapeCuttingInfo info;
    info.AddPolygon(Polygon({Pt(-50, -50), Pt(500, 500)})); // from before the opening
    auto* e = new stEllipse;
    e->m_lstPoints = {Pt(-900, 0)};
    info.AddEllipse(e);
    stShapeBox box;
    QVERIFY(!CWorkAreaFit::BoxFrom(info, 1, box)); // no polygon of the opening yet
    info.AddPolygon(Polygon({Pt(100, 10), Pt(400, 10), Pt(400, 60)}));
    info.AddPolygon(Polygon({Pt(250, 40), Pt(700, 110)}));
    QVERIFY(CWorkAreaFit::BoxFrom(info, 1, box));
    QCOMPARE(box.m_fMinX, 100.0);
    QCOMPARE(box.m_fMaxX, 700.0);
    QCOMPARE(box.m_fMinY, 10.0);
    QCOMPARE(box.m_fMaxY, 110.0);

    const stAreaFit fit = CWorkAreaFit::Check(box, 300, 200);
    QCOMPARE(fit.m_fScale, 0.5);
    COutlineShapes::FitFrom(info, 1, fit);
    QVERIFY(CWorkAreaFit::BoxFrom(info, 2, box));
    QCOMPARE(box.m_fMinX, 0.0); // 300 mm wide now, so moved to the left edge
    QCOMPARE(box.m_fMaxX, 300.0);
    QCOMPARE(box.m_fMinY, 10.0); // the height fitted, so it stays put
    QCOMPARE(box.m_fMaxY, 60.0);
    QCOMPARE(info.m_lstShapes[2].m_pPolygon->m_lstVertices[1].x, 150.0);
    QCOMPARE(info.m_lstShapes[0].m_pPolygon->m_lstVertices[1].x, 500.0);
    QCOMPARE(info.m_lstShapes[1].m_pEllipse->m_lstPoints[0].x, -900.0);
}

QTEST_MAIN(TestWorkAreaFit)
#include "tst_workareafit.moc"
