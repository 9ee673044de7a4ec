// The speed-ramp picture drawn from a recorded profile: probes of the
// background, axes, grid, the rising curve, the cruise stretch and the
// mirrored deceleration.
#include "settings/velaccgraph.h"

#include <QtTest>

namespace {
const QRgb BACKGROUND = qRgb(50, 50, 50);
const QRgb AXIS = qRgb(150, 150, 150);
const QRgb GRID = qRgb(70, 70, 70);
const QRgb CURVE = qRgb(255, 255, 0);

// A linear ramp of n segments up to fTop mm/s at fMovPerPulse mm per step.
QVector<double> Ramp(int n, double fTop, double fMovPerPulse)
{
    QVector<double> profile;
    for (int i = 1; i <= n; ++i)
        profile << fTop * i / n / fMovPerPulse;
    return profile;
}

bool AnyCurveInColumn(const QImage& img, int x)
{
    for (int y = 0; y < img.height(); ++y)
        if (img.pixel(x, y) == CURVE)
            return true;
    return false;
}
} // namespace

class TestVelAccGraph : public QObject
{
    Q_OBJECT
private slots:
    void emptyProfile();
    void rampCruiseAndMirror();
    void tooFastLeavesThePicture();
};

void TestVelAccGraph::emptyProfile()
{
    const QImage img = CVelAccGraph::Draw({}, 0.001);
    QCOMPARE(img.size(), QSize(800, 480));
    QCOMPARE(img.format(), QImage::Format_RGB888);
    QCOMPARE(img.pixel(5, 300), BACKGROUND);
    QCOMPARE(img.pixel(785, 465), BACKGROUND);
    QCOMPARE(img.pixel(30, 205), AXIS);   // velocity axis between grid lines
    QCOMPARE(img.pixel(40, 205), GRID);   // first vertical grid line
    QCOMPARE(img.pixel(45, 30), GRID);    // top grid line
    QCOMPARE(img.pixel(770, 205), GRID);  // last vertical grid line
    QCOMPARE(img.pixel(775, 205), BACKGROUND);
    // Nothing recorded: only a flat line along the time axis.
    QCOMPARE(img.pixel(400, 450), CURVE);
    QCOMPARE(img.pixel(770, 450), CURVE);
    QVERIFY(img.pixel(400, 440) != CURVE);
    QVERIFY(img.pixel(780, 450) != CURVE);
}

void TestVelAccGraph::rampCruiseAndMirror()
{
    // 100 segments up to 200 mm/s: segment i sits at x 30 + i, 2 (i + 1)
    // pixels above the time axis.
    const QImage img = CVelAccGraph::Draw(Ramp(100, 200.0, 0.001), 0.001);
    QCOMPARE(img.pixel(30 + 49, 450 - 100), CURVE);
    QVERIFY(img.pixel(30 + 49, 450 - 140) != CURVE);
    // Cruise at 200 mm/s from the last segment to its mirror image.
    QCOMPARE(img.pixel(129, 250), CURVE);
    QCOMPARE(img.pixel(400, 250), CURVE);
    QCOMPARE(img.pixel(671, 250), CURVE);
    QVERIFY(img.pixel(400, 240) != CURVE);
    QVERIFY(img.pixel(400, 260) != CURVE);
    // Deceleration: the rising curve mirrored about x = 400.
    QCOMPARE(img.pixel(800 - (30 + 49), 450 - 100), CURVE);
    QVERIFY(img.pixel(800 - (30 + 49), 450 - 140) != CURVE);
    // The step size scales the speed: the same pulses at half the travel
    // cruise at 100 mm/s.
    const QImage half = CVelAccGraph::Draw(Ramp(100, 200.0, 0.001), 0.0005);
    QCOMPARE(half.pixel(400, 350), CURVE);
    QVERIFY(half.pixel(400, 250) != CURVE);
}

void TestVelAccGraph::tooFastLeavesThePicture()
{
    // 500 mm/s lies above the picture: the cruise is clipped away, the
    // rising part still shows where it is inside.
    const QImage img = CVelAccGraph::Draw(Ramp(50, 500.0, 0.001), 0.001);
    QVERIFY(!AnyCurveInColumn(img, 400));
    QVERIFY(AnyCurveInColumn(img, 30 + 10));
}

QTEST_MAIN(TestVelAccGraph)
#include "tst_velaccgraph.moc"
