#pragma once
// Typed text rendered in a font and traced into outlines, without widgets.
//
// The text is laid out on the work-area drawing: the last line's baseline
// starts at (margin, height - margin) and each earlier line sits one line
// pitch plus the spacing higher. Points come back in those drawing pixel
// coordinates. Text running past the drawing's edges is rendered on a larger
// canvas, so its outlines stay whole (points may then lie outside the
// drawing, even negative).
#include "shapes/vision/outlineorder.h"

#include <QFont>
#include <QString>

struct stTextLayout
{
    int m_iWidth = 0;          // drawing width in pixels
    int m_iHeight = 0;         // drawing height in pixels
    int m_iMargin = 0;         // margin of the drawing in pixels
    float m_fLinePitch = 60.0f; // baseline to baseline, pixels
    float m_fLineSpacing = 0.0f; // extra space between lines, pixels
};

class CTextOutlines
{
public:
    // Pixels per metre of the canvas: 72 dots per inch, so a font of N
    // points is N pixels high whatever the screen.
    static constexpr int DOTS_PER_METRE = 2835;
    // The largest canvas traced, in pixels.
    static constexpr qint64 MAX_CANVAS_PIXELS = 64LL * 1024 * 1024;

    // The baseline of line k counted from the last line (k = 0).
    static int Baseline(const stTextLayout& layout, int k);

    // Renders the lines (split at line feeds) in the font and traces every
    // outline, holes included, in travel order. False with a reason when the
    // text needs a canvas too large to trace, gives too many outlines, or
    // the tracing module cannot be loaded.
    static bool Trace(const QString& strText, const QFont& font, const stTextLayout& layout,
                      std::vector<Outline>& lstOutlines, QString* pstrError = nullptr);
};
