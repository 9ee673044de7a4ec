// DXF drawing to G-code program: reading, chaining, offset, passes, the
// written program and every failure.
#include "gcode/dxf2gcode.h"
#include "gcode/dxfreader.h"
#include "gcode/gcodechecker.h"
#include "gcode/gcodeprogram.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <clocale>
#include <deque>
#include <locale>
#include <sstream>

using namespace dxf;
Q_DECLARE_METATYPE(std::vector<dxf::RawSeg>)

namespace {

// Decimal comma and thousands grouping, as a German desktop writes numbers.
class CGermanNumbers : public std::numpunct<char>
{
protected:
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Builds the text of an ASCII DXF drawing, one pair at a time.
class CDxfText
{
public:
    CDxfText& Pair(int code, const QString& value)
    {
        m_Text += QByteArray::number(code) + "\n" + value.toUtf8() + "\n";
        return *this;
    }
    CDxfText& Num(int code, double v) { return Pair(code, QString::number(v, 'g', 17)); }
    CDxfText& Line(double x1, double y1, double x2, double y2)
    {
        return Pair(0, "LINE").Pair(8, "0").Num(10, x1).Num(20, y1).Num(30, 0).Num(11, x2).Num(21, y2).Num(31, 0);
    }
    CDxfText& Arc(double cx, double cy, double r, double a0, double a1)
    {
        return Pair(0, "ARC").Num(10, cx).Num(20, cy).Num(30, 0).Num(40, r).Num(50, a0).Num(51, a1);
    }
    CDxfText& Poly(const QList<QPointF>& pts, bool closed)
    {
        Pair(0, "LWPOLYLINE").Num(90, pts.size()).Num(70, closed ? 1 : 0);
        for (const QPointF& p : pts)
            Num(10, p.x()).Num(20, p.y());
        return *this;
    }
    CDxfText& Circle(double cx, double cy, double r) { return Pair(0, "CIRCLE").Num(10, cx).Num(20, cy).Num(40, r); }
    // The entities wrapped in a header section, an ENTITIES section and EOF.
    QByteArray Drawing() const
    {
        return "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + m_Text
               + "0\nENDSEC\n0\nEOF\n";
    }
    QByteArray Raw() const { return m_Text; }

private:
    QByteArray m_Text;
};

stDXF2GCode Params(const QString& file, double stepDown = 1.0, double totalDepth = 1.0)
{
    stDXF2GCode p;
    p.m_strDxfFile = file;
    p.m_fToolDia = 3.0;
    p.m_fStepDown = stepDown;
    p.m_fTotalDepth = totalDepth;
    p.m_fFeed = 600.0;
    p.m_fSafeZ = 5.0;
    return p;
}

std::vector<RawSeg> Parse(const QByteArray& text)
{
    std::istringstream in(text.toStdString());
    DXFReader reader(in);
    return parse_entities(reader);
}

RawSeg L(double x1, double y1, double x2, double y2)
{
    RawSeg s;
    s.start = {x1, y1};
    s.end = {x2, y2};
    return s;
}

RawSeg A(double x1, double y1, double x2, double y2)
{
    RawSeg s = L(x1, y1, x2, y2);
    s.type = SEG_ARC;
    s.ccw = true;
    s.center = {(x1 + x2) / 2, (y1 + y2) / 2};
    s.radius = 1.0;
    return s;
}

// A path as text: "L(x,y)>(x,y)" per segment, arcs as "A+" (ccw) or "A-".
QString Describe(const Path& path)
{
    QStringList parts;
    for (const Segment& s : path) {
        const QString kind = s.type == SEG_ARC ? (s.ccw ? "A+" : "A-") : "L";
        parts << QString("%1(%2,%3)>(%4,%5)").arg(kind).arg(s.start.x).arg(s.start.y).arg(s.end.x).arg(s.end.y);
    }
    return parts.join(' ');
}

QStringList Describe(const std::vector<Path>& paths)
{
    QStringList out;
    for (const Path& p : paths)
        out << Describe(p);
    return out;
}

// The chaining rule spelt out as a plain scan of every piece for every
// extension, to hold the indexed chaining to exactly the same choices.
std::vector<Path> ReferenceChaining(const std::vector<RawSeg>& pieces, double tol)
{
    std::vector<Path> paths;
    std::vector<bool> used(pieces.size(), false);
    std::deque<Segment> chain;
    auto take = [&](size_t j, bool reversed, bool atTail) {
        const RawSeg& r = pieces[j];
        Segment s{r.type, r.start, r.end, r.center, r.ccw};
        if (reversed) {
            std::swap(s.start, s.end);
            if (s.type == SEG_ARC)
                s.ccw = !s.ccw;
        }
        used[j] = true;
        atTail ? chain.push_back(s) : chain.push_front(s);
    };
    // One sweep at one end: at the tail a piece's start is tested first, at
    // the head its end.
    auto grow = [&](bool atTail) {
        const Point p = atTail ? chain.back().end : chain.front().start;
        for (size_t j = 0; j < pieces.size(); ++j) {
            if (used[j])
                continue;
            const Point& first = atTail ? pieces[j].start : pieces[j].end;
            const Point& second = atTail ? pieces[j].end : pieces[j].start;
            if (near(first, p, tol) || near(second, p, tol)) {
                take(j, !near(first, p, tol), atTail);
                return true;
            }
        }
        return false;
    };
    for (size_t f = 0; f < pieces.size(); ++f) {
        if (used[f])
            continue;
        chain.clear();
        take(f, false, true);
        while (grow(true) || grow(false)) {
        }
        paths.emplace_back(chain.begin(), chain.end());
    }
    return paths;
}

} // namespace

class TestDxf2GCode : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Dir;
    std::locale m_OldLocale;

    QString InDir(const QString& name) const { return m_Dir.filePath(name); }

    // Writes the drawing as part.dxf, converts it and returns the program
    // (empty when nothing was written); the messages go to `messages`.
    QByteArray Convert(const QByteArray& drawing, stDXF2GCode p, int* rc = nullptr, QString* messages = nullptr)
    {
        const QString file = InDir("part.dxf");
        QFile::remove(InDir("part..ncc"));
        WriteRaw(file, drawing);
        p.m_strDxfFile = file;
        std::ostringstream err;
        const int result = CreateGcodeFromDxf(p, err);
        if (rc)
            *rc = result;
        if (messages)
            *messages = QString::fromStdString(err.str());
        return ReadAll(InDir("part..ncc"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_Dir.isValid());
        // Numbers in the drawing and in the program are C-locale whatever
        // the desktop's language: run everything under a German one.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // where it is installed
        m_OldLocale = std::locale::global(std::locale(std::locale::classic(), new CGermanNumbers));
    }
    void cleanupTestCase() { std::locale::global(m_OldLocale); }

    // The whole program for a small drawing: a square of four scrambled lines
    // in mixed directions, then a line and an arc that chaining reverses.
    void programForSmallDrawing()
    {
        CDxfText d;
        d.Line(10, 10, 10, 0).Line(0, 0, 10, 0).Line(0, 10, 0, 0).Line(0, 10, 10, 10);
        d.Line(20, 10, 30, 10).Arc(30, 5, 5, 270, 90);
        int rc = -1;
        QString messages;
        const QByteArray program = Convert(d.Drawing(), Params("", 1.0, 2.0), &rc, &messages);
        QCOMPARE(rc, 0);
        QCOMPARE(messages, "Converted 2 path(s). Output: " + InDir("part..ncc") + "\n");
        const QString pass1 = "G0 Z5.0000\n"
                              "G0 X10.0000 Y10.0000\n"
                              "G1 Z-1.0000\n"
                              "G1 X10.0000 Y0.0000\n"
                              "G1 X0.0000 Y0.0000\n"
                              "G1 X0.0000 Y10.0000\n"
                              "G1 X10.0000 Y10.0000\n"
                              "G0 Z5.0000\n"
                              "G0 Z5.0000\n"
                              "G0 X20.0000 Y10.0000\n"
                              "G1 Z-1.0000\n"
                              "G1 X30.0000 Y10.0000\n"
                              "G2 X30.0000 Y0.0000 I0.0000 J-5.0000\n"
                              "G0 Z5.0000\n";
        QString pass2 = pass1;
        pass2.replace("Z-1.0000", "Z-2.0000");
        const QString expected = "; dxf2gcode\n"
                                 "; tool_dia=3.0000, stepdown=1.0000, totalDepth=2.0000, feed=600.0000, zSafe=5.0000\n"
                                 "G90 G94 G17 G21\n"
                                 "G0 Z5.0000\n"
                                 "\n"
                                 " F600.0000\n"
                                 + pass1 + pass2 + "M30\n";
        QCOMPARE(QString::fromUtf8(program), expected);
    }

    void passes_data()
    {
        QTest::addColumn<double>("stepDown");
        QTest::addColumn<double>("totalDepth");
        QTest::addColumn<QStringList>("depths");
        QTest::newRow("last pass shorter") << 1.0 << 2.5 << QStringList{"-1.0000", "-2.0000", "-2.5000"};
        QTest::newRow("whole passes") << 1.0 << 2.0 << QStringList{"-1.0000", "-2.0000"};
        QTest::newRow("2.1 / 0.7 is not 3 in floating point")
            << 0.7 << 2.1 << QStringList{"-0.7000", "-1.4000", "-2.1000"};
        QTest::newRow("0.3 / 0.1") << 0.1 << 0.3 << QStringList{"-0.1000", "-0.2000", "-0.3000"};
        QTest::newRow("step deeper than total") << 2.0 << 1.0 << QStringList{"-1.0000"};
        QTest::newRow("remainder too small to print")
            << 0.7 << 2.10004 << QStringList{"-0.7000", "-1.4000", "-2.1000"};
        QTest::newRow("remainder that prints")
            << 0.7 << 2.1001 << QStringList{"-0.7000", "-1.4000", "-2.1000", "-2.1001"};
    }
    void passes()
    {
        QFETCH(double, stepDown);
        QFETCH(double, totalDepth);
        QFETCH(QStringList, depths);
        QCOMPARE(pass_count(stepDown, totalDepth), int(depths.size()));
        const QByteArray program = Convert(CDxfText().Line(0, 0, 1, 0).Drawing(), Params("", stepDown, totalDepth));
        QStringList plunges;
        for (const QString& line : QString::fromUtf8(program).split('\n'))
            if (line.startsWith("G1 Z"))
                plunges << line.mid(4);
        QCOMPARE(plunges, depths);
    }

    // Every path is cut at one depth before the next depth starts.
    void pathsCutPerDepth()
    {
        CDxfText d;
        d.Line(0, 0, 1, 0).Line(5, 5, 6, 5);
        const QStringList lines = QString::fromUtf8(Convert(d.Drawing(), Params("", 1.0, 2.0))).split('\n');
        QStringList order;
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i].startsWith("G1 Z"))
                order << lines[i - 1].mid(3) + lines[i].mid(3);
        QCOMPARE(order, QStringList({"X0.0000 Y0.0000Z-1.0000", "X5.0000 Y5.0000Z-1.0000",
                                     "X0.0000 Y0.0000Z-2.0000", "X5.0000 Y5.0000Z-2.0000"}));
    }

    void shapes_data()
    {
        QTest::addColumn<QByteArray>("drawing");
        QTest::addColumn<QStringList>("moves");
        const QList<QPointF> quad{{0, 0}, {4, 0}, {4, 3}, {0, 3}};
        QTest::newRow("closed polyline") << CDxfText().Poly(quad, true).Drawing()
                                         << QStringList{"G0 X0.0000 Y0.0000", "G1 X4.0000 Y0.0000",
                                                        "G1 X4.0000 Y3.0000", "G1 X0.0000 Y3.0000",
                                                        "G1 X0.0000 Y0.0000"};
        QTest::newRow("open polyline") << CDxfText().Poly(quad, false).Drawing()
                                       << QStringList{"G0 X0.0000 Y0.0000", "G1 X4.0000 Y0.0000",
                                                      "G1 X4.0000 Y3.0000", "G1 X0.0000 Y3.0000"};
        // A bulge (42) is not read: the bulged edge is cut as its chord.
        QTest::newRow("bulge ignored")
            << CDxfText().Pair(0, "LWPOLYLINE").Num(90, 2).Num(70, 0).Num(10, 0).Num(20, 0).Num(42, 1).Num(10, 2)
                   .Num(20, 0).Drawing()
            << QStringList{"G0 X0.0000 Y0.0000", "G1 X2.0000 Y0.0000"};
        // Y before X, and a second X before its Y replaces the first.
        QTest::newRow("vertex order")
            << CDxfText().Pair(0, "LWPOLYLINE").Num(70, 0).Num(20, 1).Num(10, 0).Num(10, 9).Num(10, 2).Num(20, 1)
                   .Drawing()
            << QStringList{"G0 X0.0000 Y0.0000", "G1 X2.0000 Y0.0000"};
        // Across 0 degrees: a 20 degree counter-clockwise arc, centre (0,0).
        QTest::newRow("arc across 0 degrees")
            << CDxfText().Arc(0, 0, 10, 350, 10).Drawing()
            << QStringList{"G0 X19.8481 Y8.2635", "G3 X19.8481 Y11.7365 I-9.8481 J1.7365"};
        // The arc comes second and meets the line's tail with its end: it is
        // reversed and cut clockwise from (0,10) to (10,0) (shifted by the
        // circle's corner, -10 -10).
        QTest::newRow("arc reversed by chaining")
            << CDxfText().Line(-5, 10, 0, 10).Arc(0, 0, 10, 0, 90).Drawing()
            << QStringList{"G0 X5.0000 Y20.0000", "G1 X10.0000 Y20.0000", "G2 X20.0000 Y10.0000 I0.0000 J-10.0000"};
        // Lines without length, arcs without radius and repeated polyline
        // vertices are left out; the rest still chains.
        QTest::newRow("pieces without length left out")
            << CDxfText().Line(0, 0, 0, 0).Line(0, 0, 1, 0).Arc(1, 0, 0, 0, 90).Poly({{1, 0}, {1, 0}, {1, 1}}, false)
                   .Drawing()
            << QStringList{"G0 X0.0000 Y0.0000", "G1 X1.0000 Y0.0000", "G1 X1.0000 Y1.0000"};
    }
    void shapes()
    {
        QFETCH(QByteArray, drawing);
        QFETCH(QStringList, moves);
        QStringList got;
        for (const QString& line : QString::fromUtf8(Convert(drawing, Params(""))).split('\n'))
            if (line.contains(" X"))
                got << line;
        QCOMPARE(got, moves);
    }

    void offset_data()
    {
        QTest::addColumn<QByteArray>("drawing");
        QTest::addColumn<QString>("approach");
        QTest::newRow("shifted to the corner")
            << CDxfText().Line(-20, 7, 0, 5).Drawing() << "G0 X0.0000 Y2.0000";
        // A lone quarter arc: the shift takes the whole circle (8, 8).
        QTest::newRow("arc uses its whole circle")
            << CDxfText().Arc(10, 10, 2, 0, 90).Drawing() << "G0 X4.0000 Y2.0000";
        QTest::newRow("already positive moves down too")
            << CDxfText().Line(3, 4, 5, 6).Drawing() << "G0 X0.0000 Y0.0000";
    }
    void offset()
    {
        QFETCH(QByteArray, drawing);
        QFETCH(QString, approach);
        const QStringList lines = QString::fromUtf8(Convert(drawing, Params(""))).split('\n');
        QCOMPARE(lines.value(7), approach);
    }

    void chainingTolerance_data()
    {
        QTest::addColumn<double>("gap");
        QTest::addColumn<int>("paths");
        QTest::newRow("2e-5 apart") << 2e-5 << 2;
        QTest::newRow("0.5e-5 apart") << 0.5e-5 << 1;
        QTest::newRow("touching") << 0.0 << 1;
    }
    void chainingTolerance()
    {
        QFETCH(double, gap);
        QFETCH(int, paths);
        QCOMPARE(int(group_paths({L(0, 0, 1, 0), L(1 + gap, 0, 2, 0)}, CHAIN_TOLERANCE).size()), paths);
        QString messages;
        Convert(CDxfText().Line(0, 0, 1, 0).Line(1, gap, 1, 1).Drawing(), Params(""), nullptr, &messages);
        QVERIFY2(messages.startsWith(QString("Converted %1 path(s).").arg(paths)), qPrintable(messages));
    }

    void chainingOrder_data()
    {
        QTest::addColumn<std::vector<RawSeg>>("pieces");
        QTest::addColumn<QStringList>("expected");
        // The second piece touches the head, the third the tail: the tail
        // grows first and takes both.
        QTest::newRow("tail before head") << std::vector<RawSeg>{L(0, 0, 1, 0), L(5, 5, 0, 0), L(1, 0, 5, 5)}
                                          << QStringList{"L(0,0)>(1,0) L(1,0)>(5,5) L(5,5)>(0,0)"};
        QTest::newRow("first in the file wins") << std::vector<RawSeg>{L(0, 0, 1, 0), L(1, 0, 1, 5), L(1, 0, 5, 0)}
                                                << QStringList{"L(0,0)>(1,0) L(1,0)>(1,5)", "L(1,0)>(5,0)"};
        // Both ends touch the tail: the piece joins the way its start touches.
        QTest::newRow("start tested before end") << std::vector<RawSeg>{L(0, 0, 1, 0), A(1, 0, 1, 0)}
                                                 << QStringList{"L(0,0)>(1,0) A+(1,0)>(1,0)"};
        // At the head, an end touching keeps the piece as it is; a start
        // touching reverses it, and a reversed arc turns clockwise.
        QTest::newRow("growing at the head") << std::vector<RawSeg>{L(0, 0, 1, 0), L(-1, 0, 0, 0), A(-1, 0, -2, 0)}
                                             << QStringList{"A-(-2,0)>(-1,0) L(-1,0)>(0,0) L(0,0)>(1,0)"};
        QTest::newRow("no branches at a junction") << std::vector<RawSeg>{L(0, 0, 1, 0), L(1, 0, 2, 0), L(1, 0, 1, 1)}
                                                   << QStringList{"L(0,0)>(1,0) L(1,0)>(2,0)", "L(1,0)>(1,1)"};
    }
    void chainingOrder()
    {
        QFETCH(std::vector<RawSeg>, pieces);
        QFETCH(QStringList, expected);
        const std::vector<dxf::Path> paths = group_paths(pieces, CHAIN_TOLERANCE);
        QCOMPARE(Describe(paths), expected);
        QCOMPARE(Describe(paths), Describe(ReferenceChaining(pieces, CHAIN_TOLERANCE)));
    }

    // The end-point index makes the same choices as a scan of every piece, on
    // drawings full of junctions, reversed pieces and near misses around the
    // tolerance and the index's cell borders.
    void chainingMatchesPlainScan()
    {
        QRandomGenerator rng(20240611);
        const double jitters[] = {0.0, 0.3e-5, -0.45e-5, 0.9e-5, 1.2e-5, -2e-5, 1e-5 + 1e-12};
        for (int round = 0; round < 200; ++round) {
            std::vector<RawSeg> pieces;
            const int n = 2 + rng.bounded(40);
            auto coord = [&] { return rng.bounded(4) * 2e-5 * (rng.bounded(2) ? 1 : 50000) + jitters[rng.bounded(7)]; };
            for (int i = 0; i < n; ++i) {
                RawSeg s = rng.bounded(3) == 0 ? A(coord(), coord(), coord(), coord())
                                               : L(coord(), coord(), coord(), coord());
                pieces.push_back(s);
            }
            const QStringList got = Describe(group_paths(pieces, CHAIN_TOLERANCE));
            const QStringList want = Describe(ReferenceChaining(pieces, CHAIN_TOLERANCE));
            QVERIFY2(got == want, qPrintable(QString("round %1").arg(round)));
        }
    }

    // A larger drawing on a small lattice: thousands of end points sharing
    // cells and crowding the index, so cells sit side by side in it.
    void chainingMatchesPlainScanOnACrowdedDrawing()
    {
        QRandomGenerator rng(7);
        const double jitters[] = {0.0, 0.3e-5, -0.45e-5, 0.9e-5, 1.2e-5, -2e-5};
        auto coord = [&] { return rng.bounded(30) * 2e-5 + jitters[rng.bounded(6)]; };
        std::vector<RawSeg> pieces;
        for (int i = 0; i < 1500; ++i)
            pieces.push_back(rng.bounded(4) == 0 ? A(coord(), coord(), coord(), coord())
                                                 : L(coord(), coord(), coord(), coord()));
        QCOMPARE(Describe(group_paths(pieces, CHAIN_TOLERANCE)), Describe(ReferenceChaining(pieces, CHAIN_TOLERANCE)));
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("pieces");
        const QByteArray line = "0\nLINE\n10\n1\n20\n2\n11\n3\n21\n4\n";
        const QByteArray sec = "0\nSECTION\n2\nENTITIES\n";
        const QByteArray end = "0\nENDSEC\n0\nEOF\n";
        QTest::newRow("plain") << sec + line + end << 1;
        QByteArray crlf = sec + line + end;
        crlf.replace("\n", "\r\n");
        QTest::newRow("CR LF line ends") << crlf << 1;
        QTest::newRow("blanks around codes and numbers")
            << sec + "  0\nLINE\n 10\n 1.0 \n20\n+2\n11\n3\n21\n4e0\n" + end << 1;
        QTest::newRow("UTF-8 mark at the start") << "\xEF\xBB\xBF" + sec + line + end << 1;
        QTest::newRow("line missing a group dropped") << sec + "0\nLINE\n10\n1\n20\n2\n11\n3\n" + line + end << 1;
        QTest::newRow("other entities skipped")
            << sec + "0\nCIRCLE\n10\n1\n20\n2\n40\nnot read\n0\nTEXT\n1\n10\n" + line + end << 1;
        QTest::newRow("blocks not read") << "0\nSECTION\n2\nBLOCKS\n" + line + "0\nENDSEC\n" + sec + line + end << 1;
        QTest::newRow("after ENDSEC not read") << sec + line + "0\nENDSEC\n" + line + "0\nEOF\n" << 1;
        QTest::newRow("after EOF not read") << sec + line + end + "garbage\x1a\n" << 1;
        QTest::newRow("blank lines at the end") << sec + line + "0\nENDSEC\n\n\n" << 1;
        QTest::newRow("polyline of one vertex") << sec + "0\nLWPOLYLINE\n70\n1\n10\n0\n20\n0\n" + end << 0;
        QTest::newRow("closed polyline of two vertices")
            << sec + "0\nLWPOLYLINE\n70\n1\n10\n0\n20\n0\n10\n1\n20\n0\n" + end << 2;
    }
    void reading()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, pieces);
        QCOMPARE(int(Parse(text).size()), pieces);
    }

    void repeatedCodeKeepsLastValue()
    {
        const std::vector<RawSeg> s = Parse(CDxfText().Pair(0, "LINE").Num(10, 7).Num(20, 2).Num(10, 1).Num(11, 3)
                                                .Num(21, 4).Drawing());
        QCOMPARE(int(s.size()), 1);
        QCOMPARE(s[0].start.x, 1.0);
        QCOMPARE(s[0].end.y, 4.0);
    }

    void pushBackGivesThePairAgain()
    {
        std::istringstream in("  0\r\nLINE\r\n10\n1.5\n");
        DXFReader r(in);
        int code = -1;
        std::string value;
        QVERIFY(r.readPair(code, value));
        QCOMPARE(code, 0);
        QCOMPARE(value, std::string("LINE"));
        QCOMPARE(r.valueLine(), 2LL);
        r.pushBack(code, value);
        QVERIFY(r.readPair(code, value));
        QCOMPARE(value, std::string("LINE"));
        QVERIFY(r.readPair(code, value));
        QCOMPARE(code, 10);
        QCOMPARE(r.number(code, value), 1.5);
        QCOMPARE(r.valueLine(), 4LL);
        QVERIFY(!r.readPair(code, value));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("drawing");
        QTest::addColumn<double>("stepDown");
        QTest::addColumn<QString>("message");
        const QByteArray sec = "0\nSECTION\n2\nENTITIES\n";
        const QByteArray end = "0\nENDSEC\n0\nEOF\n";
        const QByteArray line = "0\nLINE\n10\n1\n20\n2\n11\n3\n21\n4\n";
        QTest::newRow("only unsupported entities")
            << CDxfText().Circle(0, 0, 5).Pair(0, "SPLINE").Pair(0, "POLYLINE").Pair(0, "INSERT").Drawing() << 1.0
            << "No supported entities (LINE/LWPOLYLINE/ARC) found.\n"
               "Left out, not cut: 1 CIRCLE, 1 INSERT, 1 POLYLINE, 1 SPLINE.\n";
        QTest::newRow("no entities section") << QByteArray("0\nSECTION\n2\nHEADER\n0\nENDSEC\n0\nEOF\n") << 1.0
                                             << "No supported entities (LINE/LWPOLYLINE/ARC) found.\n";
        QTest::newRow("only pieces without length")
            << CDxfText().Line(1, 1, 1, 1).Arc(0, 0, 0, 0, 90).Drawing() << 1.0
            << "No supported entities (LINE/LWPOLYLINE/ARC) found.\n";
        QTest::newRow("decimal comma") << sec + "0\nLINE\n10\n0,1\n20\n2\n11\n3\n21\n4\n" + end << 1.0
                                       << "Invalid DXF at line 8: value \"0,1\" of group code 10 is not a number.\n";
        QTest::newRow("number with a unit") << sec + line + "0\nARC\n10\n0\n20\n0\n40\n5mm\n" + end << 1.0
                                            << "Invalid DXF at line 22: value \"5mm\" of group code 40 is not a number.\n";
        QTest::newRow("infinite number") << sec + "0\nLINE\n10\ninf\n" + end << 1.0
                                         << "Invalid DXF at line 8: value \"inf\" of group code 10 is not a number.\n";
        QTest::newRow("flags not whole") << sec + "0\nLWPOLYLINE\n70\n1.5\n" + end << 1.0
                                         << "Invalid DXF at line 8: value \"1.5\" of group code 70 is not a number.\n";
        QTest::newRow("code not a number") << sec + "0\nLINE\nten\n1\n" + end << 1.0
                                           << "Invalid DXF at line 7: group code \"ten\" is not a number.\n";
        // A file with lone CR line ends reads as one line; the message quotes
        // its start only, and says what is wrong with it.
        QTest::newRow("CR-only line ends")
            << QByteArray(sec + line + end).replace('\n', '\r') << 1.0
            << "Invalid DXF at line 1: group code \"0...\" is not a number; the lines end in a carriage return "
               "alone (CR), save the drawing with LF or CR LF line ends.\n";
        QTest::newRow("long value quoted short")
            << sec + "0\nLINE\n10\n" + QByteArray(5000, '7') + "x\n" + end << 1.0
            << "Invalid DXF at line 8: value \"" + QString(60, '7') + "...\" of group code 10 is not a number.\n";
        QTest::newRow("blank line between pairs") << sec + "\n" + line + end << 1.0
                                                  << "Invalid DXF at line 5: empty line where a group code was expected.\n";
        QTest::newRow("cut in the middle of a pair") << sec + "0\nLINE\n10\n1\n20" << 1.0
                                                     << "Invalid DXF at line 9: the file ends after group code 20 "
                                                        "without its value (the file is cut short).\n";
        QTest::newRow("cut between pairs") << sec + line + "0\nLINE\n10\n1\n" << 1.0
                                           << "Invalid DXF: the file ends inside the ENTITIES section without "
                                              "ENDSEC (the file is cut short).\n";
        QTest::newRow("binary DXF")
            << QByteArray("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION\0\x02\0ENTITIES\0", 40) << 1.0
            << "Binary DXF files are not supported; save the drawing as ASCII DXF.\n";
        QTest::newRow("picture instead of drawing") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << 1.0
                                                    << "Invalid DXF at line 1: group code \"\x89PNG\" is not a number.\n";
        QTest::newRow("invalid parameters") << CDxfText().Line(0, 0, 1, 0).Drawing() << 0.0
                                            << "Invalid numeric parameters.\n";
        // Lengths the machine's internal unit cannot hold are never written
        // (a G1 Xinf, or a clamped move).
        const QString beyond = "Invalid DXF: a coordinate or radius lies beyond +-214748.3647 mm, the machine's "
                               "length range.\n";
        QTest::newRow("coordinate of 1e308") << CDxfText().Line(0, 0, 1e308, 0).Line(-1e308, 0, 0, 5).Drawing()
                                             << 1.0 << beyond;
        QTest::newRow("coordinate of 1e20") << CDxfText().Line(1e20, 1e20, 1e20, 0).Drawing() << 1.0 << beyond;
        QTest::newRow("radius beyond the range") << CDxfText().Arc(0, 0, 3e5, 0, 10).Drawing() << 1.0 << beyond;
        QTest::newRow("drawing wider than the range")
            << CDxfText().Line(-200000, 0, 200000, 0).Drawing() << 1.0
            << "Invalid DXF: the drawing, moved to X0 Y0, reaches beyond 214748.3647 mm, the machine's length "
               "range.\n";
        QTest::newRow("arc's circle beyond the range once moved")
            << CDxfText().Arc(-100000, 0, 100000, 350, 10).Line(0, 0, 100000, 0).Drawing() << 1.0
            << "Invalid DXF: the drawing, moved to X0 Y0, reaches beyond 214748.3647 mm, the machine's length "
               "range.\n";
    }
    void failures()
    {
        QFETCH(QByteArray, drawing);
        QFETCH(double, stepDown);
        QFETCH(QString, message);
        // An older program of the same name stays as it was.
        WriteRaw(InDir("part..ncc"), "old program\n");
        const QString file = InDir("part.dxf");
        WriteRaw(file, drawing);
        std::ostringstream err;
        QCOMPARE(CreateGcodeFromDxf(Params(file, stepDown, 1.0), err), 1);
        QCOMPARE(QString::fromStdString(err.str()), message);
        QCOMPARE(ReadAll(InDir("part..ncc")), QByteArray("old program\n"));
        QCOMPARE(QDir(m_Dir.path()).entryList({"*.ncc*"}, QDir::Files), QStringList{"part..ncc"});
    }

    void invalidParameters_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<double>("value");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("tool zero") << 0 << 0.0;
        QTest::newRow("step negative") << 1 << -1.0;
        QTest::newRow("depth zero") << 2 << 0.0;
        QTest::newRow("feed negative") << 3 << -600.0;
        QTest::newRow("depth not a number") << 2 << nan;
        QTest::newRow("depth infinite") << 2 << inf;
        QTest::newRow("safe Z infinite") << 4 << inf;
        // Rapid moves run at the safe Z: never at or below the work surface.
        QTest::newRow("safe Z negative") << 4 << -10.0;
        QTest::newRow("safe Z zero") << 4 << 0.0;
        QTest::newRow("safe Z beyond the length range") << 4 << 1e9;
        QTest::newRow("depth beyond the length range") << 2 << 3e5;
        QTest::newRow("a million passes and more") << 1 << 1e-7;
    }
    void invalidParameters()
    {
        QFETCH(int, field);
        QFETCH(double, value);
        stDXF2GCode p = Params(InDir("missing.dxf"));
        double* fields[] = {&p.m_fToolDia, &p.m_fStepDown, &p.m_fTotalDepth, &p.m_fFeed, &p.m_fSafeZ};
        *fields[field] = value;
        std::ostringstream err;
        QCOMPARE(CreateGcodeFromDxf(p, err), 1);
        QCOMPARE(err.str(), std::string("Invalid numeric parameters.\n"));
    }

    void unreadableInput_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing.dxf" << "Cannot open input DXF: %1\n";
        QTest::newRow("a folder") << "folder.dxf" << "Cannot open input DXF: %1\n";
        QTest::newRow("empty file") << "empty.dxf" << "Input DXF is empty: %1\n";
    }
    void unreadableInput()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QDir(m_Dir.path()).mkpath("folder.dxf");
        WriteRaw(InDir("empty.dxf"), QByteArray());
        std::ostringstream err;
        QCOMPARE(CreateGcodeFromDxf(Params(InDir(name)), err), 1);
        QCOMPARE(QString::fromStdString(err.str()), message.arg(InDir(name)));
    }

    // The program's name cannot be written (a folder of that name is there):
    // the drawing is read, then the output fails and nothing is left behind.
    void unwritableOutput()
    {
        const QString dir = InDir("out");
        QVERIFY(QDir().mkpath(dir + "/part..ncc"));
        WriteRaw(dir + "/part.dxf", CDxfText().Line(0, 0, 1, 0).Drawing());
        std::ostringstream err;
        QCOMPARE(CreateGcodeFromDxf(Params(dir + "/part.dxf"), err), int(DXF_NOT_WRITTEN));
        const QString msg = QString::fromStdString(err.str());
        QCOMPARE(msg, "Cannot open output file: " + dir + "/part..ncc: Filename refers to a directory\n");
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{"part.dxf"});
    }

    void outputName_data()
    {
        QTest::addColumn<QString>("drawing");
        QTest::addColumn<QString>("program");
        QTest::newRow("extension") << "/w/part.dxf" << "/w/part..ncc";
        QTest::newRow("upper case") << "/w/PART.DXF" << "/w/PART..ncc";
        QTest::newRow("two dots") << "/w/part.v2.dxf" << "/w/part.v2..ncc";
        QTest::newRow("no dot") << "/w/part" << "/w/part.ncc";
        QTest::newRow("dot in folder, none in name") << "/w/v1.5/part" << "/w/v1.5/part.ncc";
        QTest::newRow("dot in folder and name") << "/w/v1.5/part.dxf" << "/w/v1.5/part..ncc";
        QTest::newRow("relative") << "part.dxf" << "part..ncc";
    }
    void outputName()
    {
        QFETCH(QString, drawing);
        QFETCH(QString, program);
        QCOMPARE(DxfOutputPath(drawing), program);
    }

    // The program lands next to the drawing, also in a folder with a dot.
    void writtenNextToDrawing()
    {
        const QString dir = InDir("job.2024");
        QVERIFY(QDir().mkpath(dir));
        for (const QString& name : {QString("part.dxf"), QString("part")}) {
            WriteRaw(dir + "/" + name, CDxfText().Line(0, 0, 1, 0).Drawing());
            std::ostringstream err;
            QCOMPARE(CreateGcodeFromDxf(Params(dir + "/" + name), err), 0);
        }
        QCOMPARE(QDir(dir).entryList({"*.ncc"}, QDir::Files), QStringList({"part..ncc", "part.ncc"}));
        QVERIFY(!QFile::exists(InDir("job.2024.ncc")) && !QFile::exists(InDir("job..ncc")));
    }

    // A converted drawing with every kind of piece reads back as a program
    // that the G-code checker passes without a single entry.
    void programPassesChecker()
    {
        CDxfText d;
        d.Line(-5, 10, 0, 10).Arc(0, 0, 10, 0, 90).Arc(30, 30, 4, 350, 10).Line(0, 0, 1, 0);
        d.Poly({{40, 0}, {50, 0}, {50, 8}}, true).Poly({{60, 0}, {61, 5}}, false).Circle(5, 5, 1);
        int rc = -1;
        const QByteArray program = Convert(d.Drawing(), Params("", 0.7, 2.1), &rc);
        QCOMPARE(rc, 0);
        QVERIFY(program.contains("\nG2 ") && program.contains("\nG3 "));
        std::vector<QString> lines;
        GCodeCmdList cmds;
        QString why;
        QVERIFY2(CGCodeProgram::ReadProgramFile(InDir("part..ncc"), lines, cmds, &why), qPrintable(why));
        QCOMPARE(lines.size(), size_t(program.count('\n')));
        GCodeErrorMap errors;
        CGCodeChecker::Check(cmds, errors, stGCodeCheckMachine{});
        QVERIFY2(errors.empty(), errors.empty() ? "" : errors.begin()->second.c_str());
    }

    // What the drawing holds that is not cut as drawn is named after the
    // conversion, which still writes what it can cut.
    void leftOutIsReported()
    {
        CDxfText d;
        d.Line(0, 0, 10, 0).Circle(5, 5, 1).Circle(7, 7, 1).Pair(0, "SPLINE").Pair(10, "1").Pair(20, "1");
        d.Pair(0, "INSERT").Pair(2, "BOLT").Pair(0, "ATTRIB").Pair(0, "POLYLINE").Pair(0, "VERTEX").Pair(0, "VERTEX");
        d.Pair(0, "SEQEND");
        // A closed polyline: the second vertex and the last (closing) one
        // carry bulges, the first a bulge of 0.
        d.Pair(0, "LWPOLYLINE").Num(90, 3).Num(70, 1).Num(10, 20).Num(20, 0).Num(42, 0);
        d.Num(10, 30).Num(20, 0).Num(42, 0.5).Num(10, 30).Num(20, 10).Num(42, -1);
        int rc = -1;
        QString messages;
        const QByteArray program = Convert(d.Drawing(), Params("", 1.0, 1.0), &rc, &messages);
        QCOMPARE(rc, 0);
        QCOMPARE(messages, "Converted 2 path(s). Output: " + InDir("part..ncc") + "\n" +
                               "Left out, not cut: 2 CIRCLE, 1 INSERT, 1 POLYLINE, 1 SPLINE.\n"
                               "Cut as straight lines: 2 bulged polyline segment(s).\n");
        QCOMPARE(program.count("\nG1 X"), 4);
    }

    // An entity missing a group it needs is left out, counted and named
    // with its kind and what it lacks, beside a whole line that is cut; a
    // drawing with nothing but such entities converts nothing and says why.
    void incompleteEntitiesAreNamed_data()
    {
        QTest::addColumn<QByteArray>("entities");
        QTest::addColumn<QString>("named");
        QTest::newRow("line without end point")
            << CDxfText().Pair(0, "LINE").Num(10, 1).Num(20, 1).Raw() << "1 LINE without its end point";
        QTest::newRow("line without start Y")
            << CDxfText().Pair(0, "LINE").Num(10, 1).Num(11, 2).Num(21, 2).Raw() << "1 LINE without its start point";
        QTest::newRow("line without any point") << CDxfText().Pair(0, "LINE").Pair(8, "0").Raw()
                                                << "1 LINE without its start point, end point";
        QTest::newRow("arc without radius")
            << CDxfText().Pair(0, "ARC").Num(10, 0).Num(20, 0).Num(50, 0).Num(51, 90).Raw()
            << "1 ARC without its radius";
        QTest::newRow("arc without end angle")
            << CDxfText().Pair(0, "ARC").Num(10, 0).Num(20, 0).Num(40, 2).Num(50, 0).Raw()
            << "1 ARC without its end angle";
        QTest::newRow("polyline of one vertex")
            << CDxfText().Pair(0, "LWPOLYLINE").Num(90, 2).Num(10, 0).Num(20, 0).Num(10, 5).Raw()
            << "1 LWPOLYLINE without its second vertex";
        QTest::newRow("two kinds, counted")
            << CDxfText().Pair(0, "LINE").Num(10, 1).Num(20, 1).Pair(0, "ARC").Num(10, 0).Num(20, 0).Num(50, 0)
                   .Num(51, 90).Pair(0, "LINE").Num(10, 3).Num(20, 3).Raw()
            << "1 ARC without its radius, 2 LINE without its end point";
    }
    void incompleteEntitiesAreNamed()
    {
        QFETCH(QByteArray, entities);
        QFETCH(QString, named);
        const QString line = "Left out, incomplete: " + named + ".\n";
        int rc = -1;
        QString messages;
        const QByteArray whole = CDxfText().Line(0, 0, 10, 0).Raw();
        const QByteArray program = Convert(CDxfText().Pair(0, "SECTION").Pair(2, "ENTITIES").Raw() + whole +
                                               entities + "0\nENDSEC\n0\nEOF\n",
                                           Params(""), &rc, &messages);
        QCOMPARE(rc, 0);
        QCOMPARE(messages, "Converted 1 path(s). Output: " + InDir("part..ncc") + "\n" + line);
        QCOMPARE(program.count("\nG1 X"), 1);

        const QByteArray nothing = Convert(CDxfText().Pair(0, "SECTION").Pair(2, "ENTITIES").Raw() + entities +
                                               "0\nENDSEC\n0\nEOF\n",
                                           Params(""), &rc, &messages);
        QCOMPARE(rc, 1);
        QCOMPARE(messages, "No supported entities (LINE/LWPOLYLINE/ARC) found.\n" + line);
        QVERIFY(nothing.isEmpty());
    }

    void numberFormat()
    {
        QCOMPARE(fmt4(5), std::string("5.0000"));
        QCOMPARE(fmt4(-1.25), std::string("-1.2500"));
        QCOMPARE(fmt4(0.00005), std::string("0.0001"));
        QCOMPARE(fmt4(123456.78901), std::string("123456.7890"));
    }
};

QTEST_MAIN(TestDxf2GCode)
#include "tst_dxf2gcode.moc"
