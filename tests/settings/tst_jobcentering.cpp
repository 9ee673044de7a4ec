// Touching the edges of a work-piece and finding its centre.
#include "settings/jobcentering.h"

#include <QtTest>

class TestJobCentering : public QObject
{
    Q_OBJECT
private slots:
    void centre_data();
    void centre();
    void edges();
    void planeAxes();
};

void TestJobCentering::centre_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("centre");
    QTest::newRow("nothing recorded") << 0.0 << 0.0 << 0.0;
    QTest::newRow("odd span is cut") << -3.0 << 4.0003 << 0.5001;
    QTest::newRow("bias below a unit") << 10.0 << 20.00015 << 15.0;
    QTest::newRow("both negative") << -40.0 << -10.0 << -25.0;
    QTest::newRow("one point") << 30.0 << 30.0 << 30.0;
}

void TestJobCentering::centre()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, centre);
    stFloatPoint pair;
    pair.x = min;
    pair.y = max;
    QCOMPARE(CJobCentering::Centre(pair), centre);
}

void TestJobCentering::edges()
{
    stFloatPoint pair;
    CJobCentering::SetMax(pair, 25.0);
    QCOMPARE(pair.x, 0.0);
    QCOMPARE(pair.y, 25.0);
    CJobCentering::SetMin(pair, 30.0); // beyond the maximum: both there
    QCOMPARE(pair.x, 30.0);
    QCOMPARE(pair.y, 30.0);
    CJobCentering::SetMax(pair, 10.0); // below the minimum: both there
    QCOMPARE(pair.x, 10.0);
    QCOMPARE(pair.y, 10.0);
}

void TestJobCentering::planeAxes()
{
    QCOMPARE(CJobCentering::FirstAxis(17), X_AXIS);
    QCOMPARE(CJobCentering::SecondAxis(17), Y_AXIS);
    QCOMPARE(CJobCentering::FirstAxis(18), X_AXIS);
    QCOMPARE(CJobCentering::SecondAxis(18), Z_AXIS);
    QCOMPARE(CJobCentering::FirstAxis(19), Y_AXIS);
    QCOMPARE(CJobCentering::SecondAxis(19), Z_AXIS);
}

QTEST_MAIN(TestJobCentering)
#include "tst_jobcentering.moc"
