#pragma once
// The two G-code files the controller generates: a relief carving of a
// picture and a shape-cutting job. Both walk the job through the same code
// as the machine does (CImgCarving, CShapeCutting), so the file cuts the same
// path. Files are written to a temporary file and renamed at the end; a file
// that could not be written is reported and leaves any old file untouched.
//
// Format: a comment header, "G21 G90", then one move per line with four
// decimals; no feed, spindle, line-number or program-end words.
#include "control/imgcarving.h"
#include "control/movesink.h"
#include "shapes/shaperecords.h"

#include <QString>
#include <QTextStream>
#include <functional>

class CGCodeWriter
{
public:
    CGCodeWriter() = delete;

    // How far a long write has come: grid rows written and grid rows in all
    // (every layer's rows counted; 0 until the first row is known). Called
    // at every row; false stops the write.
    using RowProgress = std::function<bool(int iRowsDone, int iRows)>;
    // The message of a write stopped by its progress callback.
    static const QString STOPPED;

    static QString ImageHeader(const stImgCarvingInfo& info, double endMillDia, const QString& imageFolder);
    // One carving of the picture at info's current depth, appended to out.
    // pCarvingRow, when given, follows the pixel row being written.
    static bool WriteImageBody(QTextStream& out, const QImage* img, stImgCarvingInfo& info,
                               const stCutSettings& settings, QString& err, quint16* pCarvingRow = nullptr);
    // The whole relief file: header, then one body, or one per layer. With
    // progress, the rows written are reported and the callback may stop the
    // write (err is then STOPPED); a stopped or failed write leaves no file
    // and an older file of that name as it was.
    static bool WriteImage(const QString& path, const QImage* img, stImgCarvingInfo& info,
                           const stCutSettings& settings, const QString& imageFolder, QString& err,
                           quint16* pCarvingRow = nullptr, const RowProgress& progress = RowProgress());
    // Appends one body to an existing file (rewritten whole, then renamed).
    static bool AppendImageBody(const QString& path, const QImage* img, stImgCarvingInfo& info,
                                const stCutSettings& settings, QString& err, quint16* pCarvingRow = nullptr);

    static QString ShapesHeader(const stShapeCuttingInfo& info, double endMillDia);
    // The comment lines opening one shape of the file.
    static QString ShapeComments(const stEngShape& shape);
    static bool WriteShapes(QTextStream& out, const stShapeCuttingInfo& info, const stCutSettings& settings,
                            QString& err);
    static bool WriteShapes(const QString& path, const stShapeCuttingInfo& info, const stCutSettings& settings,
                            QString& err);
};
