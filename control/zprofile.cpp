#include "control/zprofile.h"

#include "core/UnitConverter.h"

#include <cmath>

namespace {

constexpr double EPS = 1e-5;

double Travel(double from, double to)
{
    return CUnitConverter::GetDouble(CUnitConverter::GetInt(to) - CUnitConverter::GetInt(from));
}

// The pair of neighbouring grid positions around value: the first position
// from index 1 on that is at least value, with the one before it; beyond the
// last position, the last two.
int UpperIndex(const QList<double>& positions, double value)
{
    for (int i = 1; i < positions.size(); ++i) {
        if (positions[i] >= value)
            return i;
    }
    return positions.size() - 1;
}

// The sample of a row at a column counted in ascending X, whichever way the
// row was probed.
double Sample(const QList<stFloatPoint>& row, int column)
{
    if (row.isEmpty())
        return 0.0;
    const bool descending = row.size() > 1 && row.first().x > row.last().x;
    const int index = qBound(0, descending ? int(row.size()) - 1 - column : column, int(row.size()) - 1);
    return row[index].z;
}

} // namespace

QList<double> CZProfile::AxisPositions(double extent, double step)
{
    QList<double> positions;
    const qint64 end = std::max(0, CUnitConverter::GetInt(extent));
    const qint64 inc = CUnitConverter::GetInt(step);
    if (inc <= 0)
        return positions;
    for (qint64 at = 0; at < end; at += inc)
        positions.append(CUnitConverter::GetDouble(long(at)));
    positions.append(CUnitConverter::GetDouble(long(end)));
    return positions;
}

qint64 CZProfile::PointCount(double length, double width, double step)
{
    const qint64 inc = CUnitConverter::GetInt(step);
    if (inc <= 0)
        return 0;
    // 0, inc, 2 inc, ... below the extent, then the extent itself.
    auto count = [inc](double extent) {
        const qint64 end = std::max(0, CUnitConverter::GetInt(extent));
        return (end + inc - 1) / inc + 1;
    };
    return count(length) * count(width);
}

ZProfileGrid CZProfile::ProbeTargets(double length, double width, double step)
{
    ZProfileGrid targets;
    const QList<double> columns = AxisPositions(length, step);
    const QList<double> rows = AxisPositions(width, step);
    const double end = columns.isEmpty() ? 0.0 : columns.last();
    for (int r = 0; r < rows.size(); ++r) {
        QList<stFloatPoint> row;
        for (int c = 0; c < columns.size(); ++c) {
            stFloatPoint pt;
            // Odd rows step back from the far end: the same spacing, the short
            // step (for an inexact length) at the end of the row instead.
            pt.x = r % 2 == 0 ? columns[c]
                              : CUnitConverter::GetDouble(
                                    long(std::max(0, CUnitConverter::GetInt(end) - CUnitConverter::GetInt(columns[c]))));
            pt.y = rows[r];
            row.append(pt);
        }
        targets.append(row);
    }
    return targets;
}

void CZProfile::FinishGrid(ZProfileGrid& grid, double zOffset)
{
    if (!IsUsable(grid)) {
        grid.clear();
        return;
    }
    if (std::fabs(zOffset) > EPS) {
        for (QList<stFloatPoint>& row : grid) {
            for (stFloatPoint& pt : row)
                pt.z += zOffset;
        }
    }
}

bool CZProfile::IsUsable(const ZProfileGrid& grid)
{
    return grid.size() > 1 && grid.first().size() > 1;
}

double CZProfile::HeightAt(const ZProfileGrid& grid, double x, double y)
{
    if (!IsUsable(grid))
        return 0.0;
    QList<double> columns, rows;
    for (const stFloatPoint& pt : grid.first())
        columns.append(pt.x);
    for (const QList<stFloatPoint>& row : grid)
        rows.append(row.isEmpty() ? 0.0 : row.first().y);
    const int c1 = UpperIndex(columns, x), r1 = UpperIndex(rows, y);
    const int c0 = c1 - 1, r0 = r1 - 1;

    const int cornerCol[4] = {c0, c1, c0, c1};
    const int cornerRow[4] = {r0, r0, r1, r1};
    int best = 0;
    double bestDist = 0.0;
    for (int k = 0; k < 4; ++k) {
        const double dist = std::hypot(columns[cornerCol[k]] - x, rows[cornerRow[k]] - y);
        if (k == 0 || dist < bestDist - EPS) {
            best = k;
            bestDist = dist;
        }
    }
    return Sample(grid[cornerRow[best]], cornerCol[best]);
}

QList<stFloatPoint> CZProfile::CorrectedMove(const ZProfileGrid& grid, double xyStep, const stFloatPoint& from,
                                             const stFloatPoint& to, eMoveKind* pKind)
{
    QList<stFloatPoint> moves;
    const double dx = Travel(from.x, to.x), dy = Travel(from.y, to.y);
    const bool planar = std::fabs(dx) > EPS || std::fabs(dy) > EPS;
    const bool toSurface = std::fabs(to.z) < EPS;
    eMoveKind kind = MOVE_UNCHANGED;
    if (IsUsable(grid) && toSurface) {
        if (std::fabs(from.z) < EPS && planar)
            kind = MOVE_ALONG_SURFACE;
        else if (from.z > EPS || !planar)
            kind = MOVE_ONTO_SURFACE; // also a move that stays on the surface in X/Y
    }
    if (pKind)
        *pKind = kind;

    if (kind == MOVE_UNCHANGED) {
        moves.append(to);
        return moves;
    }
    if (kind == MOVE_ONTO_SURFACE) {
        stFloatPoint end = to;
        end.z = HeightAt(grid, to.x, to.y);
        moves.append(end);
        return moves;
    }

    // Along the surface: pieces of half a grid step on the longer travel.
    const bool alongX = std::fabs(dx) >= std::fabs(dy);
    const double span = alongX ? to.x - from.x : to.y - from.y;
    const double dir = span >= 0.0 ? 1.0 : -1.0;
    const double piece = std::max(xyStep / 2.0, 0.0001);
    for (qint64 k = 1;; ++k) {
        const double reach = k * piece;
        const bool last = reach >= std::fabs(span) - EPS;
        stFloatPoint end = to;
        if (!last) {
            const double t = reach / std::fabs(span);
            end.x = alongX ? from.x + dir * reach : from.x + t * (to.x - from.x);
            end.y = alongX ? from.y + t * (to.y - from.y) : from.y + dir * reach;
            end.a = from.a + t * (to.a - from.a);
            end.b = from.b + t * (to.b - from.b);
        }
        end.z = HeightAt(grid, end.x, end.y);
        moves.append(end);
        if (last)
            break;
    }
    return moves;
}
