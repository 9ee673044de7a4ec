#pragma once
// The Z-profile text file: the probed surface grid kept between program runs.
//
//   R                 number of rows
//   P                 number of points in a row
//   x,y,z             R x P lines, rows in probing order
//
// Numbers are written with at most six significant digits ("%g"), "." as the
// decimal point, lines ended by "\n". Reading accepts any white space between
// words (so CR LF files load too). Pure logic: the job settings panel asks for
// the file names and reports the results.
#include "control/zprofile.h"

#include <QByteArray>
#include <QString>

class CZProfileFile
{
public:
    CZProfileFile() = delete;

    // Largest grid a file may hold (rows x points); a profile probed at the
    // finest step over the largest table stays far below it.
    static constexpr qint64 MAX_POINTS = 4000000;

    // The file's text for a grid.
    static QByteArray ToText(const ZProfileGrid& grid);

    // Reads a file's text into grid. The header must give at least 2 rows of
    // at least 2 points, and every point must be there as three finite
    // numbers x,y,z; otherwise false, and grid is left as it was. Lines after
    // the last point are ignored.
    static bool FromText(const QByteArray& text, ZProfileGrid& grid);

    // Writes the grid to path through a temporary file renamed over the old
    // one. False with the reason in strError when it cannot be written.
    static bool Write(const QString& path, const ZProfileGrid& grid, QString& strError);

    // Reads path into grid; false (grid untouched) when the file cannot be
    // read or holds no usable grid.
    static bool Read(const QString& path, ZProfileGrid& grid);

    // The file name with ".txt" added unless it already ends in ".txt"
    // (compared case-sensitively, so "board.TXT" becomes "board.TXT.txt").
    static QString WithTxtExtension(const QString& path);
};
