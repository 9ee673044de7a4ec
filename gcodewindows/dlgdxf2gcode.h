#pragma once
// The small modal window that asks for the cutting parameters of a DXF
// conversion: feed, end-mill diameter, depth per pass and total depth, each
// entered on the main window's keypad within the machine's ranges. Ok
// accepts the parameters, Cancel (or closing the window) drops the
// conversion.
#include "core/common.h"
#include "gcode/dxf2gcode.h"

#include <QDialog>

namespace Ui {
class dlgDxfToGCode;
}
class CMainServices;
class QPushButton;

class dlgDxfToGCode : public QDialog
{
    Q_OBJECT

public:
    explicit dlgDxfToGCode(QWidget* parent = nullptr);
    ~dlgDxfToGCode() override;

    // The main window whose keypad the buttons open (the dialog has no
    // parent of its own). Without one the values cannot be changed.
    void ConfigSettings(CMainServices* pMainWnd);

    // The parameters; the caller sets m_strDxfFile.
    stDXF2GCode m_stDXF2GCode;

private slots:
    void on_Btn_Feed_clicked();
    void on_Btn_EndMillDia_clicked();
    void on_Btn_AxisStep_Z_clicked();
    void on_Btn_ShapeDepth_clicked();
    void on_Btn_Ok_clicked();
    void on_Btn_Cancel_clicked();

private:
    // The keypad on pBtn showing fValue with four decimals; the entry is
    // brought into fRange (logged when it was outside) and returned.
    double Enter(QPushButton* pBtn, const QString& strTitle, const QString& strCaption, double fValue,
                 const stFloatPoint& fRange, bool bSign);

    Ui::dlgDxfToGCode* ui;
    CMainServices* m_pMainWnd = nullptr;
};
