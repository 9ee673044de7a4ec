#pragma once
// The tool-path picture of the main window: a square RGB picture of the work
// piece seen obliquely from above, on which the tool's position is plotted
// while a job runs (cuts in grey, darker with depth; travel above the surface
// in yellow; a small red cone marks the tool). One picture pixel is one
// millimetre, except for work pieces so large that the picture's side would
// pass MAX_SIDE pixels: the drawing is then scaled down to fit.
//
// The main window owns one, shows Image() in its view by pointer (the QImage
// object stays at the same address for the drawing's life, also when the
// work-piece size changes) and calls Clear and Draw from ClearToolGraphics
// and DrawToolPaths.
#include "core/common.h"

#include <QImage>
#include <QPoint>

class CMainServices;
class QPushButton;

class CToolPathDrawing
{
public:
    // Which work-piece size a button sets.
    enum eSize : int { WP_LENGTH = 0, WP_WIDTH = 1, WP_HEIGHT = 2 };

    // Start values: length 200, width 250, height 10 mm; side from the
    // start-up margin (380 pixels).
    CToolPathDrawing();

    // Work-piece length (X), width (Y) and height (Z) in mm. Each setter
    // makes a new black picture with the side from the later margin (+60);
    // call Clear afterwards. Sizes of 0 or less are ignored.
    void SetLength(double fLength);
    void SetWidth(double fWidth);
    void SetHeight(double fHeight);
    // The work-piece size buttons: the keypad (through the main window's
    // OpenKeypad, range 1 to 10000 mm, 1 decimal) titled "Workpiece Length",
    // "Workpiece Width" or "Workpiece Height", the button then showing the
    // value and "Length(X)", "Width(Y)" or "Height(Z)"; the size is set and a
    // new picture made. The caller then clears the drawing
    // (ClearToolGraphics) and shows the picture.
    void EditSize(CMainServices& services, QPushButton* pBtn, eSize eWhich);
    const stFloatPoint& WorkPieceSize() const { return m_WorkPieceSize; }
    double ZDrawScale() const { return m_dZDrawScale; }
    int Side() const { return m_nSide; }
    // Picture pixels per millimetre: 1, or less for a capped picture.
    double PixelsPerMm() const { return m_dPixPerMm; }
    QImage* Image() { return &m_Img; }
    QPoint LastToolPt() const { return m_LastToolPt; }
    QPoint Origin() const { return m_Origin; }

    // Clears the picture, draws the axis marks at the bottom-left corner and
    // puts the path's start at the reference corner (iHomeRef 0 top-left,
    // 2 top-right, 4 bottom-right, 6 bottom-left, 8 centre; honoured only in
    // a G-code run, iRunMode 5; otherwise bottom-left).
    void Clear(int iRunMode, int iHomeRef);
    // Plots the tool at the work position (x, y, z) in mm: a line from the
    // last point and the tool marker.
    void Draw(int iRunMode, int iHomeRef, double x, double y, double z);

    // ---- Pure rules ------------------------------------------------------
    static constexpr int MAX_SIDE = 2000;
    static constexpr float VIEW_ANGLE = 0.765f; // radians
    static constexpr int START_MARGIN = 50;
    static constexpr int CHANGE_MARGIN = 60;
    // sqrt(L*L + W*W) + H + margin, truncated (uncapped).
    static double RawSide(const stFloatPoint& size, int iMargin);
    // The picture's side, at most MAX_SIDE.
    static int PictureSide(const stFloatPoint& size, int iMargin);
    // Picture point of the work-piece point (x, y) (pixels, relative to the
    // work piece's centre, Y up).
    static QPoint CornerPoint(QPoint centre, int x, int y);
    // Signs of the reference corner used by Draw: (1, 1) by default.
    static QPoint RefSigns(int iRunMode, int iHomeRef);
    // Grey level of a cut at depth z (255 at or above the surface, 10 at the
    // least).
    static int GreyLevel(double z, double fZDrawScale);
    // The tool point of the work position (x, y, z) for a work piece of
    // length fL and width fW (mm), at fScale pixels per mm.
    static QPoint ToolPoint(QPoint centre, double x, double y, double z, double fL, double fW, QPoint signs,
                            double fScale);

private:
    void NewPicture(int iMargin);

    stFloatPoint m_WorkPieceSize;
    double m_dZDrawScale = 22.5;
    int m_nSide = 0;
    double m_dPixPerMm = 1.0;
    QImage m_Img;
    QPoint m_Origin;
    QPoint m_LastToolPt;
    QImage m_ToolMarkPatch;
};
