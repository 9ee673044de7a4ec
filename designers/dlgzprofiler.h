#pragma once
// The small modal window in which the operator sets up a Z height-profile
// probing: the area (length in X, width in Y), the grid step, the probe's Z
// range and an offset added to every probed height. Edits go straight into
// the settings store and stay, whichever way the window is closed; the caller
// starts the probing only when it was closed with Ok (m_bOk).
#include "core/common.h"

#include <QDialog>

namespace Ui {
class dlgZProfiler;
}
class QPushButton;

class dlgZProfiler : public QDialog
{
    Q_OBJECT

public:
    explicit dlgZProfiler(QWidget* parent = nullptr);
    ~dlgZProfiler() override;

    // Shows the present parameters on the buttons.
    void ConfigSettings();

    // The window's own keypad: the button turns blue while it is open; the
    // entry (the value unchanged when cancelled) is clamped to the range when
    // a range is given (x minimum, y maximum, both non-zero), with the
    // keypad's range message in the log; the button then shows it with four
    // decimals and the unit.
    double OpenKeypad(QPushButton* pBtn, QString strTitle, QString strUnit, QString strValue, stFloatPoint fRange,
                      bool bSign);

    bool m_bOk = false;

private slots:
    void on_Btn_Length_clicked();
    void on_Btn_Width_clicked();
    void on_Btn_XYStep_clicked();
    void on_Btn_Z_Max_Range_clicked();
    void on_Btn_Z_Offset_clicked();
    void on_Btn_Ok_clicked();
    void on_Btn_Cancel_clicked();

private:
    // Edits one parameter through the keypad.
    void EditValue(QPushButton* pBtn, const QString& strName, double& fValue, bool bPositive, bool bSign);

    Ui::dlgZProfiler* ui;
};
