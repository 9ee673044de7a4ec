#pragma once
// The outlines of the drawing in an 8-bit grey picture (OpenCV's contour
// tracing), for the shapes traced from a picture and from typed text.
#include "shapes/vision/outlineorder.h"

#include <QImage>
#include <QPoint>

class CContourTrace
{
public:
    CContourTrace() = delete;

    // Which pixels are the drawing: those at or below the level (a dark
    // drawing on a light picture), or those above it.
    enum eDrawing { DARK_AT_OR_BELOW, BRIGHT_ABOVE };

    // Every outline of the drawing in grey (QImage::Format_Grayscale8; a
    // picture of another format is made grey first), holes as outlines of
    // their own, straight runs reduced to their ends,
    // each point moved by offset, in travel order (COutlineOrder). False,
    // with nothing returned, when there are more than
    // COutlineOrder::MAX_OUTLINES; *pnFound says how many there are. A
    // null picture has none.
    static bool Trace(const QImage& grey, int iLevel, eDrawing eWhich, QPoint offset,
                      std::vector<Outline>& lstOutlines, size_t* pnFound = nullptr);
};
