#include "control/arcgeometry.h"

#include "pointsupport.h"

#include <QtTest>
#include <cmath>

namespace {

// The outcome of one arc line.
struct stCut
{
    bool ok = false;
    stGCodeEllipseInfo arc;
    QList<stFloatPoint> points;
    QString error;
};

stArcSettings Settings(int plane = 17)
{
    stArcSettings s;
    s.iPlane = plane;
    s.fAxisStep[0] = s.fAxisStep[1] = s.fAxisStep[2] = 0.00125;
    return s;
}

// Parses and walks one line such as "G2 X10 Y0 I5 J0" from `from`; the G word
// gives the direction.
stCut Cut(const QString& line, const stFloatPoint& from, const stArcSettings& settings = Settings())
{
    stCut cut;
    std::vector<std::string> tokens;
    for (const QString& t : line.split(' ', Qt::SkipEmptyParts))
        tokens.push_back(t.toStdString());
    const QList<stArcWord> words = CArcGeometry::ParseWords(tokens);
    cut.arc.m_eDir = DIR_CW;
    for (const stArcWord& w : words) {
        if (w.cLetter == 'G' && (w.fValue == 2.0 || w.fValue == 3.0))
            cut.arc.m_eDir = w.fValue == 2.0 ? DIR_CW : DIR_CCW;
    }
    CArcGeometry geo(settings);
    cut.ok = geo.ParseArc(words, from, cut.arc) && geo.GeneratePoints(cut.arc, from, cut.points);
    cut.error = geo.ErrorMsg();
    return cut;
}

double Coord(const stFloatPoint& p, int axis)
{
    return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
}

// Signed angle (degrees) swept around the centre from the start through all
// points, in the (u, v) coordinates given; positive is counter-clockwise.
double Sweep(const stCut& cut, int u, int v)
{
    const double cu = Coord(cut.arc.m_CenterPt, u), cv = Coord(cut.arc.m_CenterPt, v);
    double prev = std::atan2(Coord(cut.arc.m_StartPt, v) - cv, Coord(cut.arc.m_StartPt, u) - cu);
    double total = 0.0;
    for (const stFloatPoint& p : cut.points) {
        const double a = std::atan2(Coord(p, v) - cv, Coord(p, u) - cu);
        double d = a - prev;
        while (d > M_PI)
            d -= 2 * M_PI;
        while (d < -M_PI)
            d += 2 * M_PI;
        total += d;
        prev = a;
    }
    return total * 180.0 / M_PI;
}

// Largest distance of a point (but the last, which is the programmed end)
// from the circle, in the plane (u, v).
double WorstRadialError(const stCut& cut, int u, int v)
{
    double worst = 0.0;
    for (int i = 0; i + 1 < cut.points.size(); ++i) {
        const stFloatPoint& p = cut.points[i];
        const double r = std::hypot(Coord(p, u) - Coord(cut.arc.m_CenterPt, u),
                                    Coord(p, v) - Coord(cut.arc.m_CenterPt, v));
        worst = std::max(worst, std::fabs(r - cut.arc.m_fRadius));
    }
    return worst;
}

// Largest chord between consecutive points (start included).
double LongestChord(const stCut& cut)
{
    double worst = 0.0;
    stFloatPoint prev = cut.arc.m_StartPt;
    for (const stFloatPoint& p : cut.points) {
        worst = std::max(worst, std::sqrt(std::pow(p.x - prev.x, 2) + std::pow(p.y - prev.y, 2) +
                                          std::pow(p.z - prev.z, 2)));
        prev = p;
    }
    return worst;
}

void SetC(stFloatPoint& p, int axis, double value)
{
    (axis == 0 ? p.x : (axis == 1 ? p.y : p.z)) = value;
}

bool NearPoint(const stFloatPoint& a, const stFloatPoint& b, double tolerance)
{
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
}

bool SamePoint(const stFloatPoint& a, const stFloatPoint& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z && a.a == b.a && a.b == b.b;
}

} // namespace

class TestArcGeometry : public QObject
{
    Q_OBJECT
private slots:
    // G2 over the top of a half circle, point by point.
    void halfCircleWalksTheUpperHalfInArcSteps()
    {
        const stCut cut = Cut("G2 X10 Y0 I5 J0", Pt(0, 0));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QCOMPARE(cut.arc.m_fRadius, 5.0);
        QVERIFY(!cut.arc.m_bFullCircle);
        QCOMPARE(cut.points.size(), 100);
        for (int k = 0; k < 99; ++k) {
            const double u = (k + 1) / 10.0;
            QCOMPARE(cut.points[k].x, u);
            const double v = QString::number(std::sqrt(25.0 - (u - 5) * (u - 5)) + 0.00001, 'f', 4).toDouble();
            QCOMPARE(cut.points[k].y, v);
        }
        QVERIFY(SamePoint(cut.points.last(), Pt(10, 0)));
    }

    // Every arc: points on the circle, the last one the end exactly, chords
    // no longer than the step allows, and the right turn.
    void arcsLieOnTheirCircle_data()
    {
        QTest::addColumn<int>("plane");
        QTest::addColumn<QString>("line");
        QTest::addColumn<stFloatPoint>("from");
        QTest::addColumn<stFloatPoint>("end");
        QTest::addColumn<double>("sweep"); // seen from the positive normal axis

        QTest::newRow("G17 G2 upper half") << 17 << "G2 X10 Y0 I5 J0" << Pt(0, 0) << Pt(10, 0) << -180.0;
        QTest::newRow("G17 G3 lower half") << 17 << "G3 X10 Y0 I5 J0" << Pt(0, 0) << Pt(10, 0) << 180.0;
        QTest::newRow("G17 G2 quarter") << 17 << "G2 X10 Y0 I0 J-10" << Pt(0, 10) << Pt(10, 0) << -90.0;
        QTest::newRow("G17 G3 three quarters") << 17 << "G3 X10 Y0 I0 J-10" << Pt(0, 10) << Pt(10, 0) << 270.0;
        QTest::newRow("G17 G2 R short arc") << 17 << "G2 X6 Y3 R5" << Pt(0, 0) << Pt(6, 3) << -84.2608;
        QTest::newRow("G17 G2 R- long arc") << 17 << "G2 X6 Y3 R-5" << Pt(0, 0) << Pt(6, 3) << -275.7392;
        QTest::newRow("G17 G3 R short arc") << 17 << "G3 X6 Y3 R5" << Pt(0, 0) << Pt(6, 3) << 84.2608;
        QTest::newRow("G17 G3 R- long arc") << 17 << "G3 X6 Y3 R-5" << Pt(0, 0) << Pt(6, 3) << 275.7392;
        QTest::newRow("G17 off origin") << 17 << "G3 X-30 Y40 I-10 J5" << Pt(-10, 30) << Pt(-30, 40) << 180.0;
        // X-Z plane seen from +Y: u = X, v = Z gives the view from -Y, so the
        // turn measured in (X, Z) is the opposite.
        QTest::newRow("G18 G2") << 18 << "G2 X10 Z0 I5 K0" << Pt(0, 0) << Pt(10, 0) << -180.0;
        QTest::newRow("G18 G3 quarter") << 18 << "G3 X10 Z0 I0 K-10" << Pt(0, 0, 10) << Pt(10, 0, 0) << 90.0;
        QTest::newRow("G18 G2 R") << 18 << "G2 X6 Z3 R5" << Pt(0, 0) << Pt(6, 0, 3) << -84.2608;
        QTest::newRow("G19 G2") << 19 << "G2 Y10 Z0 J5 K0" << Pt(0, 0) << Pt(0, 10) << -180.0;
        QTest::newRow("G19 G3 R-") << 19 << "G3 Y6 Z3 R-5" << Pt(0, 0) << Pt(0, 6, 3) << 275.7392;
    }
    void arcsLieOnTheirCircle()
    {
        QFETCH(int, plane);
        QFETCH(QString, line);
        QFETCH(stFloatPoint, from);
        QFETCH(stFloatPoint, end);
        QFETCH(double, sweep);
        const stCut cut = Cut(line, from, Settings(plane));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(SamePoint(cut.points.last(), end));
        int u = 0, v = 1;
        double sense = 1.0;
        if (plane == 18) {
            v = 2;
            sense = -1.0; // (X, Z) is the plane seen from -Y
        } else if (plane == 19) {
            u = 1;
            v = 2;
        }
        QVERIFY2(WorstRadialError(cut, u, v) < 2e-4, qPrintable(QString::number(WorstRadialError(cut, u, v))));
        QVERIFY(std::fabs(sense * Sweep(cut, u, v) - sweep) < 0.01);
        // Points are spaced along u by the arc step: a chord is at most as long
        // as the arc over one step where the arc is steepest.
        QVERIFY(LongestChord(cut) < std::sqrt(2 * cut.arc.m_fRadius * 0.1) + 0.01);
    }

    void radiusGivesTheCentre_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<double>("cx");
        QTest::addColumn<double>("cy");
        QTest::newRow("G2 R5 right of the chord") << "G2 X6 Y3 R5" << 4.6583 << -1.8166;
        QTest::newRow("G2 R-5 left of the chord") << "G2 X6 Y3 R-5" << 1.3417 << 4.8166;
        QTest::newRow("G3 R5 left of the chord") << "G3 X6 Y3 R5" << 1.3417 << 4.8166;
        QTest::newRow("G3 R-5 right of the chord") << "G3 X6 Y3 R-5" << 4.6583 << -1.8166;
        // The end shares the start's Y: the centre is still found.
        QTest::newRow("chord along X, half circle") << "G2 X10 Y0 R5" << 5.0 << 0.0;
        QTest::newRow("chord along X, G2 R6.5") << "G2 X10 Y0 R6.5" << 5.0 << -4.1533;
        QTest::newRow("chord along Y") << "G2 X0 Y10 R13" << 12.0 << 5.0;
        // R may stand before the end words.
        QTest::newRow("R before the end words") << "G2 R5 X6 Y3" << 4.6583 << -1.8166;
    }
    void radiusGivesTheCentre()
    {
        QFETCH(QString, line);
        QFETCH(double, cx);
        QFETCH(double, cy);
        const stCut cut = Cut(line, Pt(0, 0));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QCOMPARE(QString::number(cut.arc.m_CenterPt.x, 'f', 4), QString::number(cx, 'f', 4));
        QCOMPARE(QString::number(cut.arc.m_CenterPt.y, 'f', 4), QString::number(cy, 'f', 4));
        QVERIFY(cut.arc.m_fRadius > 0);
    }

    void radiusHalfCircleIsCut()
    {
        const stCut cut = Cut("G2 X10 Y0 R5", Pt(0, 0));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QCOMPARE(cut.points.size(), 100);
        QCOMPARE(cut.points[49].x, 5.0);
        QCOMPARE(cut.points[49].y, 5.0);
        QVERIFY(std::fabs(Sweep(cut, 0, 1) + 180.0) < 0.01);
    }

    void fullCircleFromTheOrigin()
    {
        // No end words: the end is the start, the whole circle is cut.
        const stCut cut = Cut("G2 I5 J0", Pt(0, 0));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(cut.arc.m_bFullCircle);
        QCOMPARE(cut.points.size(), 200);
        QCOMPARE(cut.points[0].x, 0.1); // two lead-in points
        QCOMPARE(cut.points[1].x, 0.2);
        QVERIFY(cut.points[0].y > 0);
        QCOMPARE(cut.points[99].x, 10.0); // the walk turns at the extreme
        QCOMPARE(cut.points[99].y, 0.0);
        QVERIFY(cut.points[100].y < 0);
        QVERIFY(SamePoint(cut.points.last(), Pt(0, 0)));
        QVERIFY(std::fabs(Sweep(cut, 0, 1) + 360.0) < 0.01);
    }

    // A full circle is an arc whose end is its start, wherever it starts.
    void fullCircleAtAnyStartAngle_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<int>("dir");
        QTest::addColumn<int>("plane");
        const double angles[] = {0, 30, 89.99, 90, 135, 180, 181, 270, 300, 359.99};
        for (double a : angles) {
            for (int plane : {17, 18, 19}) {
                QTest::addRow("G2 %g deg G%d", a, plane) << a << int(DIR_CW) << plane;
                QTest::addRow("G3 %g deg G%d", a, plane) << a << int(DIR_CCW) << plane;
            }
        }
    }
    void fullCircleAtAnyStartAngle()
    {
        QFETCH(double, angle);
        QFETCH(int, dir);
        QFETCH(int, plane);
        const int u = plane == 19 ? 1 : 0;
        const int v = plane == 17 ? 1 : 2;
        const char letters[] = "XYZ";
        const char centres[] = "IJK";
        const double su = QString::number(10 * std::cos(angle * M_PI / 180), 'f', 4).toDouble();
        const double sv = QString::number(10 * std::sin(angle * M_PI / 180), 'f', 4).toDouble();
        stFloatPoint from;
        (u == 0 ? from.x : from.y) = su + 3;
        (v == 1 ? from.y : from.z) = sv - 2;
        // Written with its end equal to its start.
        auto num = [](double x) { return QString::number(x, 'f', 4); };
        const QString line = QString("G%1 %2%3 %4%5 %6%7 %8%9")
                                 .arg(dir == DIR_CW ? 2 : 3)
                                 .arg(letters[u]).arg(num(su + 3)).arg(letters[v]).arg(num(sv - 2))
                                 .arg(centres[u]).arg(num(-su)).arg(centres[v]).arg(num(-sv));
        const stCut cut = Cut(line, from, Settings(plane));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(cut.arc.m_bFullCircle);
        QVERIFY(SamePoint(cut.points.last(), from));
        QVERIFY(WorstRadialError(cut, u, v) < 2e-4);
        const double sense = plane == 18 ? -1.0 : 1.0;
        const double expected = dir == DIR_CW ? -360.0 : 360.0;
        QVERIFY2(std::fabs(sense * Sweep(cut, u, v) - expected) < 0.01,
                 qPrintable(QString::number(Sweep(cut, u, v))));
        QVERIFY(LongestChord(cut) < std::sqrt(2 * 10 * 0.1) + 0.01);
    }

    // An end just behind the start on the same half is reached by going
    // round, not by a short straight move.
    void endJustBehindTheStartGoesRound()
    {
        const stCut ccw = Cut("G3 X0.05 Y9.9999 I0 J-10", Pt(0, 10));
        QVERIFY2(ccw.ok, qPrintable(ccw.error));
        QVERIFY(!ccw.arc.m_bFullCircle);
        QVERIFY(std::fabs(Sweep(ccw, 0, 1) - 359.71) < 0.02);
        const stCut cw = Cut("G2 X0.05 Y9.9999 I0 J-10", Pt(0, 10));
        QVERIFY(cw.ok);
        QCOMPARE(cw.points.size(), 1);
        QVERIFY(std::fabs(Sweep(cw, 0, 1) + 0.29) < 0.02);
    }

    // Circles of a few arc steps or less keep their shape.
    void smallCircles_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<double>("sweep");
        QTest::newRow("radius half a step, full") << "G2 I0.05" << -360.0;
        QTest::newRow("radius half a step, half") << "G3 X0.1 I0.05" << 180.0;
        QTest::newRow("radius three steps, full") << "G3 I0.3" << 360.0;
        QTest::newRow("radius 1 mm at step 1") << "G2 X2 Y0 I1" << -180.0;
    }
    void smallCircles()
    {
        QFETCH(QString, line);
        QFETCH(double, sweep);
        stArcSettings s = Settings();
        if (line.contains("X2"))
            s.fArcStep = 1.0;
        const stCut cut = Cut(line, Pt(0, 0), s);
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(cut.points.size() >= 8);
        QVERIFY(WorstRadialError(cut, 0, 1) < 2e-4);
        QVERIFY(std::fabs(Sweep(cut, 0, 1) - sweep) < 0.01);
    }

    void absentWordsStayWhereTheyAre()
    {
        // No Y word: the end keeps Y 3; no J word: the centre is at Y 3.
        const stCut cut = Cut("G2 X10 I5", Pt(0, 3));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QCOMPARE(cut.arc.m_CenterPt.x, 5.0);
        QCOMPARE(cut.arc.m_CenterPt.y, 3.0);
        QVERIFY(SamePoint(cut.points.last(), Pt(10, 3)));
        QVERIFY(std::fabs(Sweep(cut, 0, 1) + 180.0) < 0.01);
    }

    void endAtThePlaneOriginIsAnArc()
    {
        const stCut cut = Cut("G2 X0 Y0 I-5 J0", Pt(10, 0));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(!cut.arc.m_bFullCircle);
        QVERIFY(SamePoint(cut.points.last(), Pt(0, 0)));
        QVERIFY(std::fabs(Sweep(cut, 0, 1) + 180.0) < 0.01);
        for (const stFloatPoint& p : cut.points)
            QVERIFY(p.y <= 0.0); // clockwise from the right: under the centre
    }

    void incrementalAndInchWords()
    {
        stArcSettings s = Settings();
        s.bIncremental = true;
        const stCut inc = Cut("G2 X10 I5", Pt(3, 4), s);
        QVERIFY(inc.ok);
        QVERIFY(SamePoint(inc.points.last(), Pt(13, 4)));
        QCOMPARE(inc.arc.m_CenterPt.x, 8.0); // centre offsets stay relative to the start

        s.bIncremental = false;
        s.fUnitScale = 25.4;
        const stCut inch = Cut("G3 X1 Y0 I0.5", Pt(0, 0), s);
        QVERIFY(inch.ok);
        QVERIFY(SamePoint(inch.points.last(), Pt(25.4, 0)));
        QCOMPARE(inch.arc.m_fRadius, 12.7);
    }

    void helixSpreadsTheNormalAxis_data()
    {
        QTest::addColumn<int>("plane");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("w");
        QTest::addColumn<double>("endW");
        QTest::newRow("G17 half circle down to Z-2") << 17 << "G2 X10 Y0 I5 J0 Z-2" << 2 << -2.0;
        QTest::newRow("G17 full circle down to Z-3") << 17 << "G3 I5 Z-3" << 2 << -3.0;
        QTest::newRow("G18 along Y") << 18 << "G2 X10 I5 Y4" << 1 << 4.0;
        QTest::newRow("G19 along X") << 19 << "G3 Y10 J5 X-1.5" << 0 << -1.5;
    }
    void helixSpreadsTheNormalAxis()
    {
        QFETCH(int, plane);
        QFETCH(QString, line);
        QFETCH(int, w);
        QFETCH(double, endW);
        stFloatPoint from;
        from.a = 7; // the rotary axes stay where they are
        from.b = -3;
        const stCut cut = Cut(line, from, Settings(plane));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        const int n = cut.points.size();
        QVERIFY(n > 50);
        for (int k = 0; k < n; ++k) {
            const double expected = k == n - 1 ? endW : (k + 1) * endW / n;
            QCOMPARE(Coord(cut.points[k], w), expected);
            QCOMPARE(cut.points[k].a, 7.0);
            QCOMPARE(cut.points[k].b, -3.0);
        }
    }

    void flatArcKeepsTheNormalAxis()
    {
        const stCut cut = Cut("G2 X10 Y0 I5 J0 Z0.001", Pt(0, 0, 0.0005)); // below one step apart
        QVERIFY(cut.ok);
        for (const stFloatPoint& p : cut.points)
            QCOMPARE(p.z, 0.0005);
    }

    void endOutsideTheCircle_data()
    {
        QTest::addColumn<int>("plane");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("error");
        QTest::newRow("0.5 beyond") << 17 << "G2 X10.5 Y0 I5 J0"
                                    << "End Point X:10.5000 is outside the circle by 0.5000mm";
        QTest::newRow("below uMin") << 17 << "G3 X-0.25 Y0 I5 J0"
                                    << "End Point X:-0.2500 is outside the circle by 0.2500mm";
        QTest::newRow("G19 still says X") << 19 << "G2 Y10.5 Z0 J5 K0"
                                          << "End Point X:10.5000 is outside the circle by 0.5000mm";
    }
    void endOutsideTheCircle()
    {
        QFETCH(int, plane);
        QFETCH(QString, line);
        QFETCH(QString, error);
        const stCut cut = Cut(line, Pt(0, 0), Settings(plane));
        QVERIFY(!cut.ok);
        QCOMPARE(cut.error, error);
    }

    void endSlightlyOutsideIsPulledOntoTheCircle()
    {
        const stCut cut = Cut("G2 X10.05 Y0 I5 J0", Pt(0, 0));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(SamePoint(cut.points.last(), Pt(10, 0)));
    }

    void arcTooSmall_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("error");
        const QString tooSmall = "Error: Arc too small to execute: Arc Radius";
        QTest::newRow("centre within a step") << "G2 X1 Y1 I0.0005 J0.0005" << tooSmall;
        QTest::newRow("no centre at all") << "G2 X1 Y1" << tooSmall;
        QTest::newRow("R below a step") << "G2 X1 Y1 R0.001" << tooSmall;
        QTest::newRow("R shorter than half the chord") << "G2 X10 Y0 R4" << tooSmall;
        QTest::newRow("R- shorter than half the chord") << "G3 X6 Y8 R-4.99" << tooSmall;
        QTest::newRow("full circle by radius") << "G2 R5"
                                               << "Error: A full circle needs its centre (I, J, K), not a radius";
    }
    void arcTooSmall()
    {
        QFETCH(QString, line);
        QFETCH(QString, error);
        const stCut cut = Cut(line, Pt(0, 0));
        QVERIFY(!cut.ok);
        QCOMPARE(cut.error, error);
    }

    // A radius below one step of either axis of the plane is refused, also
    // when the two axes step differently (here X 0.001 and Y 0.01, or the
    // other way round): R 0.005 is five steps of one axis and half a step
    // of the other.
    void radiusBelowEitherAxisStep_data()
    {
        QTest::addColumn<double>("stepX");
        QTest::addColumn<double>("stepY");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ok");
        QTest::newRow("below Y's step") << 0.001 << 0.01 << "G2 X0.01 Y0 R0.005" << false;
        QTest::newRow("below X's step") << 0.01 << 0.001 << "G2 X0 Y0.01 R0.005" << false;
        QTest::newRow("one step of the coarser axis") << 0.001 << 0.01 << "G2 X0.02 Y0 R0.01" << true;
    }
    void radiusBelowEitherAxisStep()
    {
        QFETCH(double, stepX);
        QFETCH(double, stepY);
        QFETCH(QString, line);
        QFETCH(bool, ok);
        stArcSettings s = Settings();
        s.fAxisStep[0] = stepX;
        s.fAxisStep[1] = stepY;
        const stCut cut = Cut(line, Pt(0, 0), s);
        QCOMPARE(cut.ok, ok);
        QCOMPARE(cut.error, ok ? QString() : CArcGeometry::ArcTooSmallMsg());
    }

    // Circles of radius 0.5 about (0.5, 0) at the 0.1 arc step: every u is a
    // whole number of steps and the walk meets the extremes u = 0 and u = 1
    // exactly. Worked out by hand: v = +-sqrt(0.25 - (u - 0.5)^2), so
    // u 0.1 / 0.9 -> sqrt(0.09) = 0.3, u 0.2 / 0.8 -> sqrt(0.16) = 0.4,
    // u 0.3 / 0.7 -> sqrt(0.21) = 0.4583, u 0.4 / 0.6 -> sqrt(0.24) = 0.4899,
    // u 0.5 -> 0.5. No point twice, none missing at an extreme.
    void pointsOnTheStepGrid_data()
    {
        QTest::addColumn<stFloatPoint>("from");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("points"); // "u v" pairs, then the end
        const QString upper = "0.1 0.3; 0.2 0.4; 0.3 0.4583; 0.4 0.4899; 0.5 0.5; 0.6 0.4899; 0.7 0.4583; 0.8 0.4; "
                              "0.9 0.3";
        const QString lowerBack = "0.9 -0.3; 0.8 -0.4; 0.7 -0.4583; 0.6 -0.4899; 0.5 -0.5; 0.4 -0.4899; "
                                  "0.3 -0.4583; 0.2 -0.4; 0.1 -0.3";
        QTest::newRow("G2 half circle onto the far extreme") << Pt(0, 0) << "G2 X1 Y0 I0.5 J0" << upper + "; 1 0";
        QTest::newRow("G3 half circle onto the far extreme")
            << Pt(0, 0) << "G3 X1 Y0 I0.5 J0"
            << "0.1 -0.3; 0.2 -0.4; 0.3 -0.4583; 0.4 -0.4899; 0.5 -0.5; 0.6 -0.4899; 0.7 -0.4583; 0.8 -0.4; "
               "0.9 -0.3; 1 0";
        QTest::newRow("G2 full circle turns once at u 1")
            << Pt(0, 0) << "G2 I0.5" << upper + "; 1 0; " + lowerBack + "; 0 0";
        QTest::newRow("G2 from the extreme u 1") << Pt(1, 0) << "G2 X0 Y0 I-0.5 J0" << lowerBack + "; 0 0";
        QTest::newRow("G2 quarter onto the top")
            << Pt(0, 0) << "G2 X0.5 Y0.5 I0.5 J0" << "0.1 0.3; 0.2 0.4; 0.3 0.4583; 0.4 0.4899; 0.5 0.5";
    }
    void pointsOnTheStepGrid()
    {
        QFETCH(stFloatPoint, from);
        QFETCH(QString, line);
        QFETCH(QString, points);
        const stCut cut = Cut(line, from);
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QStringList got;
        for (const stFloatPoint& p : cut.points)
            got << QString::number(p.x, 'g', 6) + ' ' + QString::number(p.y, 'g', 6);
        QCOMPARE(got.join("; "), points);
    }

    // A comment holds no words: its X20 is not the arc's end, whichever
    // splitter made the words (the program's tokenizer, the tool-change
    // file's one, or blanks alone).
    void commentHoldsNoArcWords_data()
    {
        QTest::addColumn<QStringList>("tokens");
        QTest::newRow("blanks") << QStringList{"G2", "X10", "Y0", "I5", "J0", "(to", "X20)"};
        QTest::newRow("tool-file splitter") << QStringList{"G2", "X10", "Y0", "I5", "J0", "(", "t", "o", "X20", ")"};
        QTest::newRow("semicolon") << QStringList{"G2", "X10", "Y0", "I5", "J0", ";", "X20"};
    }
    void commentHoldsNoArcWords()
    {
        QFETCH(QStringList, tokens);
        std::vector<std::string> words;
        for (const QString& t : tokens)
            words.push_back(t.toStdString());
        CArcGeometry geo(Settings());
        stGCodeEllipseInfo arc;
        QVERIFY(geo.ParseArc(CArcGeometry::ParseWords(words), Pt(0, 0), arc));
        QCOMPARE(arc.m_EndPt.x, 10.0);
        QCOMPARE(arc.m_EndPt.y, 0.0);
        QCOMPARE(arc.m_CenterPt.x, 5.0);
    }

    void radiusOfHalfTheChordWithinAStep()
    {
        // CAM output rounds R: half the chord exceeding R by less than a step
        // is the half circle.
        const stCut cut = Cut("G2 X10.001 Y0 R5", Pt(0, 0));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QCOMPARE(QString::number(cut.arc.m_CenterPt.x, 'f', 4), QString("5.0005"));
        QCOMPARE(QString::number(cut.arc.m_CenterPt.y, 'f', 4), QString("0.0000"));
    }

    void feedAndSpeedWordsAreCollected()
    {
        const std::vector<std::string> tokens = {"G2", "X10", "F600", "I5", "s1200", "N20"};
        CArcGeometry geo(Settings());
        stGCodeEllipseInfo arc;
        QVERIFY(geo.ParseArc(CArcGeometry::ParseWords(tokens), Pt(0, 0), arc));
        QCOMPARE(geo.FeedSpeedWords().size(), 2);
        QCOMPARE(geo.FeedSpeedWords()[0].cLetter, 'F');
        QCOMPARE(geo.FeedSpeedWords()[0].fValue, 600.0);
        QCOMPARE(geo.FeedSpeedWords()[1].cLetter, 'S');
        QCOMPARE(geo.FeedSpeedWords()[1].fValue, 1200.0);
    }

    void arcsNearTheEndsOfTheLengthRange_data()
    {
        QTest::addColumn<stFloatPoint>("from");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ok");
        // Its centre near the far end of the range, the arc itself close to
        // the origin: cut, along its true circle.
        QTest::newRow("centre near the end of the range") << Pt(0, 1) << "G2 X2 Y1 I1 J-214749" << true;
        QTest::newRow("centre beyond the range") << Pt(0, 1) << "G2 X2 Y1 I1 J-214750" << false;
        QTest::newRow("end beyond the range") << Pt(0, 0) << "G2 X300000 Y0 I150000 J0" << false;
        QTest::newRow("circle running beyond the range") << Pt(214000, 0) << "G2 X214000 Y0 I700 J0" << false;
        QTest::newRow("radius centre beyond the range") << Pt(0, 0) << "G2 X2 Y0 R300000" << false;
        QTest::newRow("helix end beyond the range") << Pt(0, 0) << "G2 X10 Y0 Z-300000 I5 J0" << false;
    }
    void arcsNearTheEndsOfTheLengthRange()
    {
        QFETCH(stFloatPoint, from);
        QFETCH(QString, line);
        QFETCH(bool, ok);
        const stCut cut = Cut(line, from);
        QCOMPARE(cut.ok, ok);
        if (!ok) {
            QCOMPARE(cut.error, QString("Error: Arc beyond the length range of +-214748.3647 mm"));
            return;
        }
        QCOMPARE(cut.points.size(), 20);
        for (const stFloatPoint& p : cut.points)
            QVERIFY2(std::fabs(p.y - 1.0) < 0.0002, qPrintable(QString::number(p.y, 'f', 6)));
        QVERIFY(SamePoint(cut.points.last(), Pt(2, 1)));
    }

    // Half circles of CAM pockets, from the right extreme of the circle to
    // the left one and back: whatever the radius against the arc step, the
    // walk ends on the end point, on its own half.
    void halfCirclesEndOnTheFarExtreme_data()
    {
        QTest::addColumn<double>("arcStep");
        for (double step : {0.1, 0.03, 1.0})
            QTest::addRow("arc step %g", step) << step;
    }
    void halfCirclesEndOnTheFarExtreme()
    {
        QFETCH(double, arcStep);
        // Every 0.025 mm from 0.05 to 3 mm, and radii of real programs that
        // stopped on this.
        QList<double> radii{0.089, 0.141, 0.239, 0.243, 0.337, 0.339, 5.0, 10.0};
        for (int k = 0; k <= 118; ++k)
            radii << 0.05 + 0.025 * k;
        const char* letters = "XYZ";
        const char* centres = "IJK";
        QStringList failures;
        for (double radius : radii) {
            const QString r = QString::number(radius, 'f', 4);
            for (int plane : {17, 18, 19}) {
                stArcSettings s = Settings(plane);
                s.fArcStep = arcStep;
                const int u = plane == 19 ? 1 : 0;
                const int v = plane == 17 ? 1 : 2;
                const double sense = plane == 18 ? -1.0 : 1.0; // G2 seen from the positive normal axis
                // "G0 Xr Y0" then "G2 X-r I-r", and back from the left.
                for (int g : {2, 3}) {
                    for (int side : {1, -1}) {
                        const QString toEnd = side > 0 ? "-" + r : r;
                        const QString line = QString("G%1 %2%3 %4%5").arg(g).arg(letters[u]).arg(toEnd)
                                                 .arg(centres[u]).arg(toEnd);
                        stFloatPoint from, end;
                        SetC(from, u, side * r.toDouble());
                        SetC(end, u, -side * r.toDouble());
                        const stCut cut = Cut(line, from, s);
                        const double sweep = cut.ok ? sense * Sweep(cut, u, v) : 0.0;
                        if (!cut.ok || !SamePoint(cut.points.last(), end) ||
                            std::fabs(sweep - (g == 2 ? -180.0 : 180.0)) > 0.01 || WorstRadialError(cut, u, v) > 2e-4)
                            failures << QString("G%1 from %2 plane G%3 %4: %5 sweep %6")
                                            .arg(g).arg(side * radius).arg(plane).arg(line).arg(cut.error).arg(sweep);
                    }
                }
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(QString::number(failures.size()) + " failed, first: " +
                                                failures.mid(0, 5).join("; ")));
    }

    // The half circle of a real adaptive pocket: its start a hair above the
    // centre's height, its end on the far extreme.
    void pocketHalfCircleIsCut()
    {
        const stCut cut = Cut("G3 X-0.339 I-0.339", Pt(0.339, 0.001), Settings());
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(SamePoint(cut.points.last(), Pt(-0.339, 0.001)));
        QVERIFY(std::fabs(Sweep(cut, 0, 1) - 180.0) < 0.01);
        for (const stFloatPoint& p : cut.points)
            QVERIFY(p.y >= 0.001); // counter-clockwise from the right: over the centre
    }

    // Arcs from every quadrant to every other, ends on the axes of the
    // circle (its extremes) and a hair beside them, in all three planes:
    // each is cut and ends on its end point, turning the right way round.
    void arcsBetweenAnyAnglesEndOnTheirEnd_data()
    {
        QTest::addColumn<int>("plane");
        QTest::addColumn<double>("arcStep");
        for (int plane : {17, 18, 19}) {
            for (double step : {0.1, 0.03, 1.0})
                QTest::addRow("G%d arc step %g", plane, step) << plane << step;
        }
    }
    void arcsBetweenAnyAnglesEndOnTheirEnd()
    {
        QFETCH(int, plane);
        QFETCH(double, arcStep);
        const int u = plane == 19 ? 1 : 0;
        const int v = plane == 17 ? 1 : 2;
        const char* letters = "XYZ";
        const char* centres = "IJK";
        stArcSettings s = Settings(plane);
        s.fArcStep = arcStep;
        // Finer than the smallest centre offset written here (0.0009): an
        // offset below one motor step would count as none.
        s.fAxisStep[0] = s.fAxisStep[1] = s.fAxisStep[2] = 0.0005;
        auto num = [](double x) { return QString::number(x, 'f', 4); };
        const double angles[] = {0, 0.01, 30, 89.99, 90, 135, 179.99, 180, 180.01, 200, 270, 315, 359.99};
        QStringList failures;
        int cases = 0;
        for (double radius : {0.089, 0.141, 0.239, 0.243, 0.337, 0.5, 5.0}) {
            for (double a0 : angles) {
                for (double a1 : angles) {
                    const double su = num(2 + radius * std::cos(a0 * M_PI / 180)).toDouble();
                    const double sv = num(-1 + radius * std::sin(a0 * M_PI / 180)).toDouble();
                    const double eu = num(2 + radius * std::cos(a1 * M_PI / 180)).toDouble();
                    const double ev = num(-1 + radius * std::sin(a1 * M_PI / 180)).toDouble();
                    // Ends within a step of the start make a full circle.
                    if (std::fabs(eu - su) < 0.002 && std::fabs(ev - sv) < 0.002)
                        continue;
                    for (int g : {2, 3}) {
                        stFloatPoint from;
                        SetC(from, u, su);
                        SetC(from, v, sv);
                        stFloatPoint end = from;
                        SetC(end, u, eu);
                        SetC(end, v, ev);
                        const QString line = QString("G%1 %2%3 %4%5 %6%7 %8%9")
                                                 .arg(g).arg(letters[u]).arg(num(eu)).arg(letters[v]).arg(num(ev))
                                                 .arg(centres[u]).arg(num(2 - su)).arg(centres[v]).arg(num(-1 - sv));
                        const stCut cut = Cut(line, from, s);
                        ++cases;
                        // The turn from the start's angle to the end's in
                        // the (u, v) frame: G18's frame shows the plane from
                        // -Y, so G2 turns counter-clockwise there.
                        double turn = std::fmod(std::atan2(ev + 1, eu - 2) - std::atan2(sv + 1, su - 2) + 4 * M_PI,
                                                2 * M_PI) * 180 / M_PI;
                        if ((g == 2) != (plane == 18))
                            turn -= 360.0;
                        const double sweep = cut.ok ? Sweep(cut, u, v) : 0.0;
                        // An end off its circle by the rounding of I and J
                        // (a length unit) is pulled onto the circle.
                        if (!cut.ok || !NearPoint(cut.points.last(), end, 1.5e-4) || std::fabs(sweep - turn) > 0.05 ||
                            WorstRadialError(cut, u, v) > 2e-4)
                            failures << QString("r %1 %2 -> %3 %4: %5 sweep %6 expected %7 radial error %8 "
                                                "last point %9 %10")
                                            .arg(radius).arg(a0).arg(a1).arg(line).arg(cut.error).arg(sweep).arg(turn)
                                            .arg(WorstRadialError(cut, u, v))
                                            .arg(cut.ok ? Coord(cut.points.last(), u) : 0.0, 0, 'f', 5)
                                            .arg(cut.ok ? Coord(cut.points.last(), v) : 0.0, 0, 'f', 5);
                    }
                }
            }
        }
        QVERIFY2(cases > 1500, qPrintable(QString::number(cases)));
        QVERIFY2(failures.isEmpty(), qPrintable(QString::number(failures.size()) + " of " + QString::number(cases) +
                                                " failed, first: " + failures.mid(0, 5).join("; ")));
    }

    void hugeArcIsRefusedNotWalkedForever()
    {
        stArcSettings s = Settings();
        s.fArcStep = 0.0;
        const stCut cut = Cut("G2 X0 Y0 I-100000 J0", Pt(100000, 0), s);
        QVERIFY(!cut.ok);
        QCOMPARE(cut.error, QString("Error: Arc too large for the arc step"));
    }
};

QTEST_MAIN(TestArcGeometry)
#include "tst_arcgeometry.moc"
