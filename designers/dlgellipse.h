#pragma once
// The ellipse panel of the shape designer: centre, diameters, orientation,
// depth, X step, arc angles and the pocket of one ellipse. It edits the
// ellipse record in the designer's list in place, so every change shows at
// once; OK and Cancel hide the panel, which ends the designer's exec().
// Shapes from the designer's m_nShapesBeforeSubDlg on (a new ellipse and its
// pocket rings) belong to the open panel.
#include <QDialog>

namespace Ui {
class CDlgEllipse;
}
class CDlgShapes;
class CMainServices;
class QPushButton;
struct stEllipse;

class CDlgEllipse : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgEllipse(QWidget* parent = nullptr);
    ~CDlgEllipse() override;

    // On opening: the Pocket button is offered when m_bPocket was set;
    // then the pocket is off and the values are shown.
    void ConfigSettings();
    // The record's values on the buttons, then its points and a redraw.
    void UpdateEllipseParams();
    // Recomputes the points of the entry at index and redraws.
    void UpdateEllipse(unsigned short index);

    unsigned short m_nShapeIndex = 0;
    bool m_bOk = false;
    bool m_bPocket = false;

public slots:
    // Turns the pocket on (rings inside the ellipse) or off.
    void on_Btn_EllipseHole_clicked();

protected:
    // Escape: the same as Cancel.
    void reject() override;

private slots:
    void on_Btn_EllipseCenterX_clicked();
    void on_Btn_EllipseCenterY_clicked();
    void on_Btn_EllipseMajorAxisDia_clicked();
    void on_Btn_EllipseMinorAxisDia_clicked();
    void on_Btn_EllipseOrientation_clicked();
    void on_Btn_EllipseDepth_clicked();
    void on_Btn_EllipseXStep_clicked();
    void on_Btn_ArcStartAngle_clicked();
    void on_Btn_ArcEndAngle_clicked();
    void on_Btn_EllipseOk_clicked();
    void on_Btn_EllipseCancel_clicked();

private:
    CDlgShapes* Designer() const;
    CMainServices* Services() const;
    stEllipse* Ellipse() const;
    // Keypad on a parameter button; the value entered, clamped to the range.
    double AskValue(QPushButton* pBtn, const QString& strTitle, const QString& strCaption, double fCurrent,
                    double fMin, double fMax, bool bMinus);
    // A changed diameter: stored (the other one following when they cross),
    // then the rings rebuilt or the points recomputed.
    void SetDiameter(bool bMajor, double fValue);
    void MakeRings();
    // The rings made anew for the ellipse as it is now; when the end mill
    // no longer fits, none, and the ellipse is no hole.
    void RebuildPocket();
    // After a change of the ellipse: the rings rebuilt while the pocket is
    // cut (so they stay inside the outline), else the points recomputed.
    void Recompute();
    bool PocketCut(const stEllipse& e) const;
    // No ring fits: the tool is wider than the hole.
    void LogEndMillTooBig();
    void RemoveRings();

    Ui::CDlgEllipse* ui;
};
