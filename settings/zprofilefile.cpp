#include "settings/zprofilefile.h"

#include "core/FileSaver.h"

#include <QFile>
#include <QList>

#include <cmath>

namespace {
QByteArray Number(double f)
{
    // %g with six significant digits, in the C locale whatever the desktop's.
    return QByteArray::number(f, 'g', 6);
}

bool ToCoordinate(const QByteArray& word, double& f)
{
    bool bOk = false;
    f = word.toDouble(&bOk); // C locale, fixed or exponent form
    return bOk && std::isfinite(f);
}

bool ToCount(const QByteArray& word, qint64& n)
{
    bool bOk = false;
    n = word.toLongLong(&bOk);
    return bOk;
}
} // namespace

QByteArray CZProfileFile::ToText(const ZProfileGrid& grid)
{
    QByteArray text;
    text += QByteArray::number(grid.size()) + '\n';
    text += QByteArray::number(grid.isEmpty() ? 0 : grid.first().size()) + '\n';
    for (const auto& row : grid)
        for (const stFloatPoint& pt : row)
            text += Number(pt.x) + ',' + Number(pt.y) + ',' + Number(pt.z) + '\n';
    return text;
}

bool CZProfileFile::FromText(const QByteArray& text, ZProfileGrid& grid)
{
    const QList<QByteArray> words = text.simplified().split(' ');
    qint64 nRows = 0;
    qint64 nPoints = 0;
    if (words.size() < 2 || !ToCount(words[0], nRows) || !ToCount(words[1], nPoints))
        return false;
    if (nRows < 2 || nPoints < 2 || nRows > MAX_POINTS / nPoints)
        return false;
    if (words.size() - 2 < nRows * nPoints)
        return false;

    ZProfileGrid newGrid;
    newGrid.reserve(nRows);
    int iWord = 2;
    for (qint64 r = 0; r < nRows; ++r) {
        QList<stFloatPoint> row;
        row.reserve(nPoints);
        for (qint64 p = 0; p < nPoints; ++p) {
            const QList<QByteArray> parts = words[iWord++].split(',');
            stFloatPoint pt;
            if (parts.size() != 3 || !ToCoordinate(parts[0], pt.x) || !ToCoordinate(parts[1], pt.y) ||
                !ToCoordinate(parts[2], pt.z))
                return false;
            row.append(pt);
        }
        newGrid.append(row);
    }
    grid.swap(newGrid);
    return true;
}

bool CZProfileFile::Write(const QString& path, const ZProfileGrid& grid, QString& strError)
{
    return CFileSaver::Save(path, ToText(grid), &strError);
}

bool CZProfileFile::Read(const QString& path, ZProfileGrid& grid)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // A file of MAX_POINTS points is well under 200 MB; anything much larger
    // is not a Z profile.
    if (file.size() > MAX_POINTS * 48)
        return false;
    return FromText(file.readAll(), grid);
}

QString CZProfileFile::WithTxtExtension(const QString& path)
{
    return path.endsWith(QStringLiteral(".txt")) ? path : path + QStringLiteral(".txt");
}
