#pragma once
// The free-drawing panel of the shape designer. While it is open, left
// clicks on the work area add vertices to the last shape and right clicks
// remove its last vertex (the designer's mouse handling). The panel closes the
// outline, sets its depth, shows a background picture to trace over, and
// turns the outline into a pocket: nested rings found by eroding a mask of it.
// Shapes from the designer's m_nShapesBeforeSubDlg on belong to the drawing.
#include "shapes/shaperecords.h"

#include <QDialog>

namespace Ui {
class CDlgShapeFreeDraw;
}
class CDlgShapes;

class CDlgShapeFreeDraw : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgShapeFreeDraw(QWidget* parent = nullptr);
    // Frees the drawn outline if it is still kept aside.
    ~CDlgShapeFreeDraw() override;

    // Before the panel is shown: the background button is green when the
    // designer already holds a picture.
    void ConfigSettings();

    bool m_bPocket = false;
    // The drawn outline while pocket rings stand in its place (owned then).
    stEngShape m_SavedShape;

protected:
    // Escape: the same as Cancel.
    void reject() override;

private slots:
    void on_Btn_ClosePoly_clicked();
    void on_Btn_PolyDepth_clicked();
    void on_Btn_LoadRefGuideImg_clicked();
    void on_Btn_CutHole_clicked();
    void on_Btn_Save_clicked();
    void on_Btn_Cancel_clicked();

private:
    CDlgShapes* Designer() const;
    stPolygon* LastPolygon() const;
    void Redraw();
    bool HasSavedShape() const { return m_SavedShape.m_pPolygon || m_SavedShape.m_pEllipse; }
    void FreeSavedShape();
    // The depth button shows the depth of the drawing's first shape (the
    // outline, or the outermost ring while the pocket is on).
    void ShowDepth();

    Ui::CDlgShapeFreeDraw* ui;
};
