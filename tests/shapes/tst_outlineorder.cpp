// The travel order of traced outlines: reference points, the start outline
// and the nearest-next chain, as a table of small point sets.
#include "shapes/vision/outlineorder.h"

#include <opencv2/imgproc.hpp>

#include <QtTest>

namespace {
// "C x,y": 8 points on a circle of radius 10 (more than 4 points: the fitted
// ellipse's centre is its reference). "Q x,y": a 40 x 40 square from (x, y),
// 4 points (its leftmost point, the first of equal x, is its reference).
// "L x,y": 5 points on a line to the right (no ellipse fits).
Outline Make(const QString& strSpec)
{
    const QChar kind = strSpec.at(0);
    const QStringList xy = strSpec.mid(1).split(QLatin1Char(','));
    const int x = xy[0].toInt();
    const int y = xy[1].toInt();
    if (kind == QLatin1Char('C'))
        return {{x + 10, y}, {x + 7, y + 7}, {x, y + 10}, {x - 7, y + 7},
                {x - 10, y}, {x - 7, y - 7}, {x, y - 10}, {x + 7, y - 7}};
    if (kind == QLatin1Char('Q'))
        return {{x, y}, {x + 40, y}, {x + 40, y + 40}, {x, y + 40}};
    return {{x, y}, {x + 10, y}, {x + 20, y}, {x + 30, y}, {x + 40, y}};
}
} // namespace

class TestOutlineOrder : public QObject
{
    Q_OBJECT
private slots:
    void order_data();
    void order();
    void referencePoints();
};

void TestOutlineOrder::order_data()
{
    QTest::addColumn<QString>("outlines");
    QTest::addColumn<QString>("order");

    QTest::newRow("none") << "" << "";
    QTest::newRow("one") << "C100,50" << "0";
    QTest::newRow("two: the leftmost first") << "C100,50 C10,50" << "1 0";
    QTest::newRow("nearest next") << "C50,0 C0,0 C100,0 C20,0" << "1 3 0 2";
    QTest::newRow("equal distances: the earliest") << "C0,0 C20,10 C20,-10" << "0 1 2";
    QTest::newRow("equal reference x: the earliest starts") << "C30,0 C10,0 C10,40" << "1 0 2";
    QTest::newRow("a short first outline starts") << "Q100,50 C10,50 C50,50" << "0 2 1";
    QTest::newRow("unless a long one lies left of 0") << "Q10,10 C-20,0 C5,5" << "1 2 0";
    QTest::newRow("short outlines by their leftmost point") << "C0,0 C25,0 Q20,0" << "0 2 1";
    QTest::newRow("short outlines never start") << "C60,0 Q0,0 C40,0" << "2 0 1";
    QTest::newRow("an outline on a line") << "C0,0 L50,0 C30,0" << "0 2 1";
}

void TestOutlineOrder::order()
{
    QFETCH(QString, outlines);
    QFETCH(QString, order);
    std::vector<Outline> lst;
    for (const QString& strSpec : outlines.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        lst.push_back(Make(strSpec));
    QStringList lstGot;
    for (size_t i : COutlineOrder::Order(lst))
        lstGot << QString::number(i);
    QCOMPARE(lstGot.join(QLatin1Char(' ')), order);

    // Ordered gives the outlines themselves in that order.
    const std::vector<Outline> lstOrdered = COutlineOrder::Ordered(lst);
    QCOMPARE(lstOrdered.size(), lst.size());
    int k = 0;
    for (const QString& strIndex : order.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        QVERIFY(lstOrdered[k++] == lst[strIndex.toUInt()]);
}

void TestOutlineOrder::referencePoints()
{
    QCOMPARE(COutlineOrder::ReferencePoint(Make("C30,-20")), cv::Point(30, -20));
    QCOMPARE(COutlineOrder::ReferencePoint(Make("Q5,7")), cv::Point(5, 7));
    QCOMPARE(COutlineOrder::ReferencePoint(Outline{{3, 1}, {1, 9}, {1, 2}}), cv::Point(1, 9)); // first of equal x
    // A fitted centre halfway between pixels goes to the even one.
    const Outline box = {{0, 0}, {5, 0}, {5, 3}, {3, 3}, {0, 3}};
    const cv::RotatedRect fit = cv::fitEllipse(box);
    const cv::Point ref = COutlineOrder::ReferencePoint(box);
    QCOMPARE(ref.x, int(std::nearbyint(fit.center.x)));
    QCOMPARE(ref.y, int(std::nearbyint(fit.center.y)));
    // Points that admit no ellipse still give a point on the outline's row.
    QCOMPARE(COutlineOrder::ReferencePoint(Make("L50,0")).y, 0);
}

QTEST_APPLESS_MAIN(TestOutlineOrder)
#include "tst_outlineorder.moc"
