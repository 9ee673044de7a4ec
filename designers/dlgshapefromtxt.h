#pragma once
// The shape designer's panel that turns typed text into closed polygons for
// engraving: the text is rendered in the chosen font on the work-area
// drawing, its letters traced (holes as outlines of their own), put in
// travel order and appended to the designer's shape list at the drawing's
// scale. The operator then moves it, turns it about its centre and sets its
// depth; every change shows at once on the work area.
//
// The designer builds a new panel for every opening and is its Qt parent.
#include "core/common.h"
#include "designers/newshapesfit.h"
#include "shapes/ellipsepoints.h"

#include <QDialog>

namespace Ui {
class CDlgShapeFromTxt;
}
class CDlgShapes;
class QFont;
class QPushButton;

class CDlgShapeFromTxt : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgShapeFromTxt(QWidget* parent = nullptr);
    ~CDlgShapeFromTxt() override;

    // Angles: the panel converts with pi taken as 3.1416, as the ellipse
    // tools do.
    static constexpr double RAD_TO_DEG = 180.0 / 3.1416;
    static constexpr double DEG_TO_RAD = CEllipsePoints::DEG_TO_RAD;
    static constexpr double FULL_TURN = CEllipsePoints::FULL_TURN;

    // Nothing to prepare: every opening starts from the defaults.
    void ConfigSettings();
    // Renders and traces the text and replaces the polygons of this opening,
    // placed at the current position and turned by the current orientation.
    void FindContours();
    // Moves (x, y) and turns (z, radians) the polygons of this opening to a
    // new position; callers change one of them at a time.
    void UpdateTextPos(stFloatPoint pos);
    // Turns the polygons of this opening by an angle (radians) about the
    // text centre; a positive angle turns clockwise.
    void ChangeShapeOrientation(double fAngle);

    float m_fTextSize = 60.0f;     // font points (whole ones) and line pitch in drawing pixels
    float m_fLineSpacing = 0.0f;   // extra line space in drawing pixels
    bool m_bBold = false;
    bool m_bItalic = false;
    stFloatPoint m_TextPos;        // x, y in mm; z the orientation in radians
    float m_fTextDepth = -10.0f;
    stFloatPoint m_TextCentre;     // centre of the text's box in mm: the turning centre

private slots:
    void on_TextToCut_textChanged();
    void on_Cmb_FontSelection_currentFontChanged(const QFont& font);
    void on_Btn_TextSize_clicked();
    void on_Btn_LineSpacing_clicked();
    void on_Btn_TextDepth_clicked();
    void on_Btn_TextBoldSel_clicked();
    void on_Btn_TextItalicSel_clicked();
    void on_Btn_TextPos_X_clicked();
    void on_Btn_TextPos_Y_clicked();
    void on_Btn_PosX_Inc_clicked();
    void on_Btn_PosX_Dec_clicked();
    void on_Btn_PosY_Inc_clicked();
    void on_Btn_PosY_Dec_clicked();
    void on_Btn_Orientation_clicked();
    void on_Btn_Orientation_CW_clicked();
    void on_Btn_Orientation_CCW_clicked();
    void on_Btn_Ok_clicked();
    void on_Btn_Cancel_clicked();

protected:
    // Escape keeps the shapes, as Ok does, under the same work-area rule.
    void reject() override;
    void showEvent(QShowEvent* pEvent) override;

private:
    CDlgShapes* Designer() const;
    // Largest X and Y positions: the drawing less its margin, in mm.
    double MaxPosX() const;
    double MaxPosY() const;
    // A position through the keypad; moves the text when it changed at
    // 1/10000 mm.
    void EditPos(bool bX);
    // A step button: flashes, then moves by the step unless that leaves the
    // range [0, fMax].
    void StepPos(QPushButton* pBtn, bool bX, double fStep);
    void StepTurn(QPushButton* pBtn, double fStep);

    CNewShapesFit m_Fit; // the text against the work area
    Ui::CDlgShapeFromTxt* ui;
};
