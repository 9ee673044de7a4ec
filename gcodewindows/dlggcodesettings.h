#pragma once
// The G-code run settings, edited in place: whether the program's F and S
// words are used, whether the execution status is saved while a program
// runs, the work-zero corner of the tool-path drawing and the arc
// interpolation step. Every click changes the settings at once; they reach
// the settings file when the settings are next saved.
#include "core/common.h"

#include <QDialog>

namespace Ui {
class dlgGCodeSettings;
}
class QPushButton;

class dlgGCodeSettings : public QDialog
{
    Q_OBJECT

public:
    // The looks of the reference-corner buttons.
    static const QString HOME_REF_GREY;
    static const QString HOME_REF_BLUE;

    explicit dlgGCodeSettings(QWidget* parent = nullptr);
    ~dlgGCodeSettings() override;

    // Shows the present settings.
    void ConfigSettings();

    // The dialog's own keypad on pBtn (blue while open), titled strTitle and
    // opened on strValue; the entry is kept silently within fRange (x
    // minimum, y maximum) when both ends are non-zero, written with four
    // decimals (and "\n" + strCaption) on the button and returned. A
    // cancelled keypad or an entry that is not a number keeps strValue.
    double OpenKeypad(QPushButton* pBtn, QString strTitle, QString strCaption, QString strValue,
                      stFloatPoint fRange, bool bSign);
    // Moves the highlight to pBtn, the new reference corner.
    void UpdateHomeRefBtnGr(QPushButton* pBtn);

public slots:
    // Click feedback: gives pBtn the style sheet strStyle 150 ms later, on the
    // GUI thread, without holding up the dialog; a button gone by then is
    // left alone.
    void ResetBtnBkGnd(QPushButton* pBtn, QString strStyle);

private slots:
    void on_Btn_UsePrgmFeed_clicked();
    void on_Btn_GCode_SaveExecStatus_clicked();
    void on_Btn_GCode_UsePrgmSpindleSpeed_clicked();
    void on_Btn_GCodeHmPosTLU_clicked();
    void on_Btn_GCodeHmPosTRU_clicked();
    void on_Btn_GCodeHmPosBRU_clicked();
    void on_Btn_GCodeHmPosBLU_clicked();
    void on_Btn_GCodeHmPosCenter_clicked();
    void on_Btn_GCode_AxisStep_clicked();

private:
    // Inverts a switch setting and paints its button.
    static void Toggle(QPushButton* pBtn, bool& bSetting);
    void SetHomeRef(int iHomeRef, QPushButton* pBtn);

    Ui::dlgGCodeSettings* ui;
    QPushButton* m_pCurHomeRefBtn = nullptr;
};
