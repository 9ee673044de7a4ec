// Laying a picture on the machine for relief carving: pitch, sizes and steps.
#include "shapes/carvingpitch.h"

#include <QtTest>

class TestCarvingPitch : public QObject
{
    Q_OBJECT
private slots:
    void snapping_data();
    void snapping();
    void layout_data();
    void layout();
};

void TestCarvingPitch::snapping_data()
{
    QTest::addColumn<bool>("raise");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("quantum");
    QTest::addColumn<double>("result");
    QTest::addColumn<bool>("adjusted");
    QTest::newRow("pitch to motor steps") << true << 0.3003 << 0.001 << 0.301 << true;
    QTest::newRow("already whole steps") << true << 0.3 << 0.001 << 0.3 << false;
    QTest::newRow("Z step 0.25 on 0.1") << true << 0.25 << 0.1 << 0.3 << true;
    QTest::newRow("X step 0.5 on pitch 0.2") << false << 0.5 << 0.2 << 0.4 << true;
    QTest::newRow("X step 0.6 on pitch 0.2") << false << 0.6 << 0.2 << 0.6 << false;
    QTest::newRow("X step below one pixel") << false << 0.3 << 0.5 << 0.5 << true;
    QTest::newRow("no quantum") << true << 0.12345 << 0.0 << 0.12345 << false;
}

void TestCarvingPitch::snapping()
{
    QFETCH(bool, raise);
    QFETCH(double, value);
    QFETCH(double, quantum);
    QFETCH(double, result);
    QFETCH(bool, adjusted);
    bool bAdjusted = !adjusted;
    const double f = raise ? CCarvingPitch::RaiseToMultiple(value, quantum, bAdjusted)
                           : CCarvingPitch::LowerToMultiple(value, quantum, bAdjusted);
    QCOMPARE(f, result);
    QCOMPARE(bAdjusted, adjusted);
}

void TestCarvingPitch::layout_data()
{
    QTest::addColumn<bool>("fromLength");
    QTest::addColumn<double>("typed");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("pitch");
    QTest::addColumn<double>("length");
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("adjusted");
    QTest::newRow("length raised") << true << 100.0 << QSize(333, 100) << 0.301 << 333 * 0.301 << 100 * 0.301 << true;
    QTest::newRow("length kept") << true << 200.0 << QSize(1000, 500) << 0.2 << 200.0 << 100.0 << false;
    QTest::newRow("width kept") << false << 50.0 << QSize(1000, 500) << 0.1 << 100.0 << 50.0 << false;
    QTest::newRow("width raised") << false << 100.0 << QSize(100, 333) << 0.301 << 100 * 0.301 << 333 * 0.301 << true;
    QTest::newRow("no picture") << true << 100.0 << QSize(0, 0) << 0.0 << 100.0 << 0.0 << false;
}

void TestCarvingPitch::layout()
{
    QFETCH(bool, fromLength);
    QFETCH(double, typed);
    QFETCH(QSize, picture);
    QFETCH(double, pitch);
    QFETCH(double, length);
    QFETCH(double, width);
    QFETCH(bool, adjusted);
    const CCarvingPitch::stLayout l = fromLength ? CCarvingPitch::FromLength(typed, picture, 0.001)
                                                 : CCarvingPitch::FromWidth(typed, picture, 0.001);
    QCOMPARE(l.m_fPitch, pitch);
    QCOMPARE(l.m_fLength, length);
    QCOMPARE(l.m_fWidth, width);
    QCOMPARE(l.m_bAdjusted, adjusted);
}

QTEST_MAIN(TestCarvingPitch)
#include "tst_carvingpitch.moc"
