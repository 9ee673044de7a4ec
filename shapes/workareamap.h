#pragma once
// Geometry of the shape designer's work-area picture: how many pixels a
// millimetre takes, where the work-area rectangle lies in the picture, and
// the mapping between work coordinates (mm, Y up, origin at the work zero,
// the rectangle's bottom-left corner) and picture pixels (Y down).
#include "core/common.h"

#include <QPoint>
#include <QRect>

class CWorkAreaMap
{
public:
    // Fits a work area of fLength x fWidth mm into an image of iImgWidth x
    // iImgHeight pixels with iMargin pixels around it. The scale is the
    // smaller of the two fits, so the whole area is always in the picture.
    // A size of 0 or less (work zero at a travel limit) is drawn as 1 mm.
    void Update(int iImgWidth, int iImgHeight, int iMargin, double fLength, double fWidth);

    double Scale() const { return m_dScale; }
    // The work-area rectangle in image pixels.
    QRect Rect() const { return m_Rect; }
    // Pixels between two 10 mm grid lines; 0 when below one pixel (no grid).
    int GridStep() const;

    // A work point as the pixel it is drawn at.
    QPoint ToPixel(double fX, double fY) const;
    // A picture pixel as a work point (only x and y set).
    stFloatPoint ToWork(QPoint pixel) const;

    // Size of the mouse-position text for a view zoom factor.
    static int MouseFontSize(double fZoom);
    // Where the "X:" text goes for the mouse at pixel `mouse`: right of it in
    // the left half of the view (bLeftHalf), left of it otherwise; above it,
    // or below it near the top edge.
    static QPoint MouseTextPos(QPoint mouse, bool bLeftHalf, int iFontSize);

private:
    int m_iMargin = 25;
    double m_fWidth = 1.0;   // work-area width used for the Y flip, mm
    double m_dScale = 1.0;
    QRect m_Rect;
};
