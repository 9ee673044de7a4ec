#pragma once
// Cutting the shape list: every shape in list order, its points followed as
// they are, one depth step per pass down to the shape's depth. The walk emits
// its moves into a CMoveSink (machine or G-code file). A file may write a
// circle or circular arc as one arc word per pass instead of its points.
#include "control/movesink.h"
#include "shapes/shaperecords.h"

#include <QString>

class CShapeCutting
{
public:
    CShapeCutting() = delete;

    // Message for a job that cannot be cut (a shape with fewer than two
    // points, a missing record, no depth step), or an empty text.
    static QString CheckJob(const stShapeCuttingInfo& info);

    // Cuts every shape into the sink. With arcsForCircles, a circle (equal
    // diameters) is one arc move per pass. False when the job was refused
    // (err says why) or the sink ended it (err left empty).
    static bool Cut(const stShapeCuttingInfo& info, const stCutSettings& settings, CMoveSink& sink,
                    bool arcsForCircles, QString& err);

    // Cuts the shape at index (CheckJob passed); an entry of an unknown type
    // is skipped. False when the sink ended the job.
    static bool CutShape(const stShapeCuttingInfo& info, int index, const stCutSettings& settings,
                         CMoveSink& sink, bool arcsForCircles);

    // An ellipse whose two diameters are equal in 1/10000 mm.
    static bool IsCircle(const stEllipse& ellipse);
    // The name a message gives the shape at index.
    static QString ShapeLabel(const stShapeCuttingInfo& info, int index);
};
