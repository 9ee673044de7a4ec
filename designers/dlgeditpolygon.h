#pragma once
// The polygon panel of the shape designer: the vertex list (select, edit,
// insert, delete, reorder), moving, turning and scaling the whole shape,
// closing the outline and a reference picture under the work area. It edits
// the polygon in the designer's list in place and keeps the polygon as it was
// on opening, to which Cancel restores it.
#include "shapes/shaperecords.h"

#include <QDialog>

namespace Ui {
class CDlgEditPolygon;
}
class CDlgShapes;
class QModelIndex;
class QPushButton;

class CDlgEditPolygon : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgEditPolygon(QWidget* parent = nullptr);
    ~CDlgEditPolygon() override;

    // On opening: totals back to none, the polygon kept for Cancel, the
    // vertex list filled with row 0 current.
    void ConfigSettings();
    // Rebuilds the vertex list and makes the designer's selected vertex the
    // current row.
    void UpdatePolyVertices();
    // Selects the first vertex within 3 mm of a work-area point (mm).
    void LWSelectString(stFloatPoint point);

    // Turns the shape by fAngle radians about the centre it had on opening
    // (moved along with any offset since).
    void ChangeShapeOrientation(double fAngle);
    // Scales the shape by fFactor about the mean of its vertices.
    void SetShapeScale(double fFactor);

    stPolygon m_stPolygonBackup;
    stFloatPoint m_ShapeOffset;
    double m_fShapeAngle = 0.0;
    double m_fShapeScale = 1.0;
    unsigned short m_nShapeIndex = 0;

protected:
    // Escape: the same as Cancel.
    void reject() override;

private slots:
    void on_LW_PolygonVertices_clicked(const QModelIndex& index);
    void on_LW_PolygonVertices_doubleClicked(const QModelIndex& index);
    void on_Btn_InsertPt_clicked();
    void on_Btn_DeletePt_clicked();
    void on_Btn_MovePtUp_clicked();
    void on_Btn_MovePtDown_clicked();
    void on_Btn_ShapeOffsetX_clicked();
    void on_Btn_ShapeOffsetY_clicked();
    void on_Btn_ShapeOrientation_clicked();
    void on_Btn_ShapeScale_clicked();
    void on_Btn_ClosePoly_clicked();
    void on_Btn_BkGndImg_clicked();
    void on_Btn_Ok_clicked();
    void on_Btn_Save_clicked();
    void on_Btn_Cancel_clicked();

private:
    CDlgShapes* Designer() const;
    stPolygon* Polygon() const;
    void Redraw();
    void SelectVertex(int row);
    // Fills the list from the polygon and keeps the current row in range.
    void FillList();
    double AskTotal(QPushButton* pBtn, const QString& strTitle, const QString& strCaption, double fMin, double fMax,
                    bool bMinus);
    void SwapRows(int row, int other);
    // An offset button: the shape moves by the new total less the old.
    void OffsetTotal(bool bX);

    stFloatPoint m_TurnCentre;   // centre of the bounding box on opening

    Ui::CDlgEditPolygon* ui;
};
