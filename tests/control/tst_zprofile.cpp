#include "control/zprofile.h"

#include "pointsupport.h"

#include <QtTest>
#include <cmath>

namespace {

QList<double> Xs(const QList<stFloatPoint>& row)
{
    QList<double> xs;
    for (const stFloatPoint& p : row)
        xs.append(p.x);
    return xs;
}

// A probed grid of a tilted plane z = ax + by + c, laid out as probing
// leaves it (odd rows from high X to low X).
ZProfileGrid TiltedGrid(double length, double width, double step, double ax, double by, double c = 0.0)
{
    ZProfileGrid grid = CZProfile::ProbeTargets(length, width, step);
    for (QList<stFloatPoint>& row : grid) {
        for (stFloatPoint& p : row)
            p.z = ax * p.x + by * p.y + c;
    }
    return grid;
}

} // namespace

class TestZProfile : public QObject
{
    Q_OBJECT
private slots:
    void probeTargetsExactLength()
    {
        const ZProfileGrid t = CZProfile::ProbeTargets(150, 150, 10);
        QCOMPARE(t.size(), 16);
        QList<double> up, down;
        for (int i = 0; i <= 15; ++i) {
            up.append(i * 10.0);
            down.append(150.0 - i * 10.0);
        }
        for (int r = 0; r < t.size(); ++r) {
            QCOMPARE(Xs(t[r]), r % 2 == 0 ? up : down);
            for (const stFloatPoint& p : t[r])
                QCOMPARE(p.y, r * 10.0);
        }
        QCOMPARE(t[0][0].x, 0.0); // the work zero itself
        QCOMPARE(t[0][0].y, 0.0);
    }

    void probeTargetsInexactLength()
    {
        const ZProfileGrid t = CZProfile::ProbeTargets(25, 12, 10);
        QCOMPARE(t.size(), 3);
        QCOMPARE(Xs(t[0]), QList<double>({0, 10, 20, 25}));
        QCOMPARE(Xs(t[1]), QList<double>({25, 15, 5, 0}));
        QCOMPARE(Xs(t[2]), QList<double>({0, 10, 20, 25}));
        QCOMPARE(t[1][0].y, 10.0);
        QCOMPARE(t[2][0].y, 12.0); // the last row clamped to the width
    }

    void axisPositions_data()
    {
        QTest::addColumn<double>("extent");
        QTest::addColumn<double>("step");
        QTest::addColumn<QList<double>>("positions");
        QTest::newRow("exact") << 30.0 << 10.0 << QList<double>({0, 10, 20, 30});
        QTest::newRow("inexact") << 25.0 << 10.0 << QList<double>({0, 10, 20, 25});
        // Steps that are not exact in binary still land on the extent once.
        QTest::newRow("0.3 steps") << 0.9 << 0.3 << QList<double>({0, 0.3, 0.6, 0.9});
        QTest::newRow("step longer than extent") << 5.0 << 10.0 << QList<double>({0, 5});
        QTest::newRow("no extent") << 0.0 << 10.0 << QList<double>({0});
        QTest::newRow("negative extent") << -5.0 << 10.0 << QList<double>({0});
        QTest::newRow("no step") << 10.0 << 0.0 << QList<double>();
        QTest::newRow("negative step") << 10.0 << -1.0 << QList<double>();
    }
    void axisPositions()
    {
        QFETCH(double, extent);
        QFETCH(double, step);
        QFETCH(QList<double>, positions);
        QCOMPARE(CZProfile::AxisPositions(extent, step), positions);
        // Counted without building them: a row of them, and a square.
        QCOMPARE(CZProfile::PointCount(extent, 0.0, step), qint64(positions.size()));
        QCOMPARE(CZProfile::PointCount(extent, extent, step), qint64(positions.size()) * positions.size());
    }

    void finishGrid()
    {
        // A single row (width 0) is discarded.
        ZProfileGrid oneRow = TiltedGrid(50, 0, 10, 0.01, 0);
        QCOMPARE(oneRow.size(), 1);
        CZProfile::FinishGrid(oneRow, 0.0);
        QVERIFY(oneRow.isEmpty());
        // Rows of a single point (length 0) too.
        ZProfileGrid onePoint = TiltedGrid(0, 50, 10, 0, 0.01);
        QCOMPARE(onePoint.size(), 6);
        CZProfile::FinishGrid(onePoint, 0.0);
        QVERIFY(onePoint.isEmpty());
        // The offset raises every height.
        ZProfileGrid grid = TiltedGrid(20, 20, 10, 0.01, -0.02, 0.1);
        const ZProfileGrid before = grid;
        CZProfile::FinishGrid(grid, 0.5);
        for (int r = 0; r < grid.size(); ++r) {
            for (int c = 0; c < grid[r].size(); ++c) {
                QCOMPARE(grid[r][c].z, before[r][c].z + 0.5);
                QCOMPARE(grid[r][c].x, before[r][c].x);
            }
        }
        // A negligible offset changes nothing.
        ZProfileGrid same = before;
        CZProfile::FinishGrid(same, 0.000001);
        QCOMPARE(same[1][1].z, before[1][1].z);
    }

    void heightTakesTheNearestSample_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("sampleX");
        QTest::addColumn<double>("sampleY");
        QTest::newRow("on a sample") << 20.0 << 10.0 << 20.0 << 10.0;
        QTest::newRow("near the low corner") << 21.0 << 11.0 << 20.0 << 10.0;
        QTest::newRow("near x1 y0") << 28.0 << 12.0 << 30.0 << 10.0;
        QTest::newRow("near x0 y1") << 22.0 << 19.0 << 20.0 << 20.0;
        QTest::newRow("near x1 y1") << 27.0 << 18.0 << 30.0 << 20.0;
        QTest::newRow("in the middle: the first corner") << 25.0 << 15.0 << 20.0 << 10.0;
        QTest::newRow("beyond the grid") << 200.0 << 200.0 << 150.0 << 150.0;
        QTest::newRow("before the grid") << -5.0 << -5.0 << 0.0 << 0.0;
        // On an odd row (probed from X 150 down) the corner at X 10 is that
        // row's fifteenth point.
        QTest::newRow("odd row at X 10") << 10.0 << 30.0 << 10.0 << 30.0;
    }
    void heightTakesTheNearestSample()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, sampleX);
        QFETCH(double, sampleY);
        // Heights that tell every sample apart: z = x / 1000 + y.
        const ZProfileGrid grid = TiltedGrid(150, 150, 10, 0.001, 1.0);
        QCOMPARE(CZProfile::HeightAt(grid, x, y), sampleX / 1000 + sampleY);
    }

    void oddRowIsReadBackwards()
    {
        ZProfileGrid grid = TiltedGrid(150, 150, 10, 0, 0);
        grid[3][14].z = -0.7; // row 3 runs from 150: its fifteenth point is X 10
        QCOMPARE(grid[3][14].x, 10.0);
        QCOMPARE(CZProfile::HeightAt(grid, 10.0, 30.0), -0.7);
        QCOMPARE(CZProfile::HeightAt(grid, 140.0, 30.0), 0.0);
    }

    void inexactGridUsesRowZeroColumns()
    {
        // Row 1 was probed at 25, 15, 5, 0; its samples stand for the columns
        // 0, 10, 20, 25 of row 0 counted from the low end.
        ZProfileGrid grid = CZProfile::ProbeTargets(25, 10, 10);
        for (int c = 0; c < 4; ++c)
            grid[1][c].z = c + 1; // 25 -> 1, 15 -> 2, 5 -> 3, 0 -> 4
        QCOMPARE(CZProfile::HeightAt(grid, 0, 10), 4.0);
        QCOMPARE(CZProfile::HeightAt(grid, 10, 10), 3.0);
        QCOMPARE(CZProfile::HeightAt(grid, 25, 10), 1.0);
    }

    void surfaceMoveIsCutInHalfSteps()
    {
        const ZProfileGrid grid = TiltedGrid(150, 150, 10, 0.01, 0.0);
        CZProfile::eMoveKind kind = CZProfile::MOVE_UNCHANGED;
        const QList<stFloatPoint> moves = CZProfile::CorrectedMove(grid, 10, Pt(0, 0), Pt(20, 0), &kind);
        QCOMPARE(kind, CZProfile::MOVE_ALONG_SURFACE);
        QCOMPARE(moves.size(), 4);
        const double xs[] = {5, 10, 15, 20};
        // Each piece ends at the height of its nearest sample (5 is as near
        // to 0 as to 10: the first corner wins).
        const double zs[] = {0.0, 0.1, 0.1, 0.2};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(moves[i].x, xs[i]);
            QCOMPARE(moves[i].y, 0.0);
            QCOMPARE(moves[i].z, zs[i]);
        }
    }

    void surfaceMoveFollowsTheLine_data()
    {
        QTest::addColumn<stFloatPoint>("from");
        QTest::addColumn<stFloatPoint>("to");
        QTest::addColumn<int>("pieces");
        QTest::newRow("diagonal, X longer") << Pt(3, 4) << Pt(40, 20) << 8;
        QTest::newRow("Y longer, backwards") << Pt(50, 60) << Pt(45, 12.5) << 10;
        QTest::newRow("along Y only") << Pt(7, 0) << Pt(7, 33) << 7;
        QTest::newRow("short") << Pt(1, 1) << Pt(2, 1) << 1;
        QTest::newRow("exact multiple") << Pt(0, 0) << Pt(-15, 0) << 3;
    }
    void surfaceMoveFollowsTheLine()
    {
        QFETCH(stFloatPoint, from);
        QFETCH(stFloatPoint, to);
        QFETCH(int, pieces);
        const ZProfileGrid grid = TiltedGrid(150, 150, 10, 0.01, -0.005, 0.2);
        const QList<stFloatPoint> moves = CZProfile::CorrectedMove(grid, 10, from, to);
        QCOMPARE(moves.size(), pieces);
        const bool alongX = std::fabs(to.x - from.x) >= std::fabs(to.y - from.y);
        stFloatPoint prev = from;
        for (int i = 0; i < moves.size(); ++i) {
            const stFloatPoint& m = moves[i];
            // On the programmed line, half a step apart on the longer travel.
            const double cross = (m.x - from.x) * (to.y - from.y) - (m.y - from.y) * (to.x - from.x);
            QVERIFY(std::fabs(cross) < 1e-9);
            const double advance = alongX ? std::fabs(m.x - prev.x) : std::fabs(m.y - prev.y);
            if (i + 1 < moves.size())
                QCOMPARE(advance, 5.0);
            else
                QVERIFY(advance <= 5.0 + 1e-9 && advance > 0.0);
            QCOMPARE(m.z, CZProfile::HeightAt(grid, m.x, m.y));
            prev = m;
        }
        QCOMPARE(moves.last().x, to.x);
        QCOMPARE(moves.last().y, to.y);
    }

    void rotaryAxesFollowThePieces()
    {
        const ZProfileGrid grid = TiltedGrid(50, 50, 10, 0, 0);
        stFloatPoint from = Pt(0, 0), to = Pt(20, 0);
        to.a = 40;
        const QList<stFloatPoint> moves = CZProfile::CorrectedMove(grid, 10, from, to);
        QCOMPARE(moves.size(), 4);
        QCOMPARE(moves[0].a, 10.0);
        QCOMPARE(moves[3].a, 40.0);
    }

    void otherMoves_data()
    {
        QTest::addColumn<stFloatPoint>("from");
        QTest::addColumn<stFloatPoint>("to");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("z");
        // Height at (30, 20) on z = 0.01 x + 0.02 y: 0.7.
        QTest::newRow("descent onto the surface") << Pt(10, 10, 5) << Pt(30, 20, 0) << int(CZProfile::MOVE_ONTO_SURFACE) << 0.7;
        QTest::newRow("plunge in place onto the surface") << Pt(30, 20, 2) << Pt(30, 20, 0) << int(CZProfile::MOVE_ONTO_SURFACE) << 0.7;
        QTest::newRow("staying on the surface") << Pt(30, 20, 0) << Pt(30, 20, 0) << int(CZProfile::MOVE_ONTO_SURFACE) << 0.7;
        QTest::newRow("lift") << Pt(30, 20, 0) << Pt(30, 20, 5) << int(CZProfile::MOVE_UNCHANGED) << 5.0;
        QTest::newRow("cut below the surface") << Pt(0, 0, -1) << Pt(30, 20, -1) << int(CZProfile::MOVE_UNCHANGED) << -1.0;
        QTest::newRow("up out of a cut across") << Pt(0, 0, -1) << Pt(30, 20, 0) << int(CZProfile::MOVE_UNCHANGED) << 0.0;
        QTest::newRow("plunge from the surface") << Pt(30, 20, 0) << Pt(30, 20, -2) << int(CZProfile::MOVE_UNCHANGED) << -2.0;
    }
    void otherMoves()
    {
        QFETCH(stFloatPoint, from);
        QFETCH(stFloatPoint, to);
        QFETCH(int, kind);
        QFETCH(double, z);
        const ZProfileGrid grid = TiltedGrid(150, 150, 10, 0.01, 0.02);
        CZProfile::eMoveKind got = CZProfile::MOVE_ALONG_SURFACE;
        const QList<stFloatPoint> moves = CZProfile::CorrectedMove(grid, 10, from, to, &got);
        QCOMPARE(int(got), kind);
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves[0].x, to.x);
        QCOMPARE(moves[0].y, to.y);
        QCOMPARE(moves[0].z, z);
    }

    void unusableGridLeavesMovesAlone()
    {
        ZProfileGrid grid;
        CZProfile::eMoveKind kind = CZProfile::MOVE_ALONG_SURFACE;
        QList<stFloatPoint> moves = CZProfile::CorrectedMove(grid, 10, Pt(0, 0), Pt(20, 0), &kind);
        QCOMPARE(kind, CZProfile::MOVE_UNCHANGED);
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves[0].z, 0.0);
        QCOMPARE(CZProfile::HeightAt(grid, 1, 1), 0.0);
        grid = TiltedGrid(50, 0, 10, 1, 1);
        QVERIFY(!CZProfile::IsUsable(grid));
        QCOMPARE(CZProfile::CorrectedMove(grid, 10, Pt(0, 0), Pt(20, 0)).size(), 1);
    }

    void consecutiveMovesKeepTheirCorrection()
    {
        // The programmed points stay at the surface, so every move of a chain
        // along the surface is corrected, not only the first.
        const ZProfileGrid grid = TiltedGrid(100, 100, 10, 0.01, 0.01);
        const QList<stFloatPoint> path = {Pt(0, 0), Pt(40, 0), Pt(40, 40), Pt(0, 40), Pt(0, 0)};
        for (int i = 1; i < path.size(); ++i) {
            CZProfile::eMoveKind kind = CZProfile::MOVE_UNCHANGED;
            const QList<stFloatPoint> moves = CZProfile::CorrectedMove(grid, 10, path[i - 1], path[i], &kind);
            QCOMPARE(kind, CZProfile::MOVE_ALONG_SURFACE);
            QCOMPARE(moves.size(), 8);
            QCOMPARE(moves.last().z, 0.01 * path[i].x + 0.01 * path[i].y);
        }
    }
};

QTEST_MAIN(TestZProfile)
#include "tst_zprofile.moc"
