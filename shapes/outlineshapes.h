#pragma once
// Traced outlines in pixels turned into polygon records in millimetres, and
// the moves and turns of a group of polygons; without widgets.
#include "shapes/vision/outlineorder.h"
#include "shapes/shaperecords.h"
#include "shapes/workareafit.h"

#include <QImage>
#include <QString>

// How pixels map to millimetres: x = offset.x + (px - origin.x) * scaleX,
// y = offset.y + (height - py - origin.y) * scaleY, so that Y grows upwards.
struct stPixelToMM
{
    double m_fScaleX = 1.0; // mm per pixel along X
    double m_fScaleY = 1.0; // mm per pixel along Y
    int m_iHeight = 0;      // picture height in pixels
    int m_iOriginX = 0;     // pixel column that lands on the X offset
    int m_iOriginY = 0;     // pixel rows above the bottom edge that land on the Y offset
    stFloatPoint m_Offset;  // x, y in mm
};

class COutlineShapes
{
public:
    // The designer's shape list is indexed with 16-bit numbers.
    static constexpr size_t MAX_LIST_SHAPES = 65535;
    // True when nNew more entries fit in the list; else false with the
    // reason for the log.
    static bool RoomFor(const stShapeCuttingInfo& info, size_t nNew, QString* pstrError = nullptr);

    // One pixel point in mm.
    static stFloatPoint ToMM(const cv::Point& p, const stPixelToMM& map);

    // The outline in mm as a closed polygon: a point lying within one motor
    // step (the X and Y move per pulse) of the last vertex kept, in both X
    // and Y, is left out; a copy of the first vertex closes it.
    static std::vector<stFloatPoint> ToVertices(const Outline& outline, const stPixelToMM& map);

    // A new polygon record (not hole) for the outline.
    static stPolygon* MakePolygon(const Outline& outline, const stPixelToMM& map, const QString& strName,
                                  double fDepth);

    // Outlines of a grey picture (QImage::Format_Grayscale8): pixels at or
    // below the threshold are the drawing. Every outline, holes as outlines
    // of their own, straight runs reduced to their ends, in travel order;
    // then those with more than nMinVertices and fewer than nMaxVertices
    // points. False (nothing returned) when the picture gives more outlines
    // than one trace orders (*pnFound says how many), or when the tracing
    // module cannot be loaded; *pstrError then says which, as the log shows
    // it.
    static bool TracePicture(const QImage& grey, int iThreshold, quint32 nMinVertices, quint32 nMaxVertices,
                             std::vector<Outline>& lstOutlines, size_t* pnFound = nullptr,
                             QString* pstrError = nullptr);

    // Removes every entry from index nFirst on, last first; returns how many.
    static size_t RemoveFrom(stShapeCuttingInfo& info, size_t nFirst);
    // Sets the depth of every polygon from index nFirst on.
    static void SetDepthFrom(stShapeCuttingInfo& info, size_t nFirst, double fDepth);
    // Shifts every vertex of the polygons from index nFirst on.
    static void MoveFrom(stShapeCuttingInfo& info, size_t nFirst, double fDx, double fDy);
    // Turns every vertex of the polygons from index nFirst on about the
    // centre by an angle in radians; a positive angle turns clockwise with Y
    // upwards.
    static void TurnFrom(stShapeCuttingInfo& info, size_t nFirst, const stFloatPoint& centre, double fAngle);
    // Shrinks and moves every vertex of the polygons from index nFirst on by
    // a fit into the work area.
    static void FitFrom(stShapeCuttingInfo& info, size_t nFirst, const stAreaFit& fit);
    // The centre of the box around every vertex of the polygons from index
    // nFirst on; false when they have no vertex.
    static bool BoxCentreFrom(const stShapeCuttingInfo& info, size_t nFirst, stFloatPoint& centre);
};
