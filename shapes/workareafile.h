#pragma once
// The work-area file of the shape designer: one XML document holding the
// work-area size and every shape of the list, in list order. Ellipse tool
// paths are not stored; the loader's caller recomputes them.
//
//   <Project><WorkArea><Length/><Width/></WorkArea>
//     <Ellipse><ShapeName/><Depth/><CenterX/><CenterY/><MajorAxis/><MinorAxis/>
//              <Orientation/><XAxisStep/><XArcStartAngle/><XArcEndAngle/></Ellipse>
//     <Shape><ShapeName/><Hole/><Depth/><Count/><Vertex_0/>...</Shape>
//   </Project>
//
// Written on one line without indentation; numbers with four decimals in the
// C locale; a vertex is "x,y".
#include "shapes/shaperecords.h"

#include <QByteArray>
#include <QString>

class QIODevice;

class CWorkAreaFile
{
public:
    CWorkAreaFile() = delete;

    // The document for the job.
    static QByteArray ToXml(const stShapeCuttingInfo& info);
    // Writes the document through a temporary file renamed over the old
    // one; false when it could not be written (the old file is then kept),
    // with the reason in *pErr.
    static bool Save(const QString& strPath, const stShapeCuttingInfo& info, QString* pErr = nullptr);

    // Reads a document and appends its shapes to info (ellipse points are
    // left empty) and sets info's work area when the file gives one.
    // Reading follows the writer's layout and stops where the file differs
    // from it, keeping the shapes read whole up to there. A value outside
    // what the designer's editors accept (a size of 0, an X step of 0, a
    // depth above the work zero, ...) refuses the whole file: false with
    // strErr set, and info is left as it was. So does a file whose shapes
    // would take the list past COutlineShapes::MAX_LIST_SHAPES entries. strErr may also carry a
    // warning when true is returned (a file cut short).
    static bool Load(QIODevice& device, stShapeCuttingInfo& info, QString& strErr);

    // Why a loaded value cannot be used, or an empty text: the ranges the
    // designer's editors keep, for the machine as set up now.
    static QString CheckWorkArea(const stFloatPoint& workArea);
    static QString CheckEllipse(const stEllipse& ellipse);
    static QString CheckPolygon(const stPolygon& polygon);
};
