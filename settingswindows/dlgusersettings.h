#pragma once
// The user settings panel, embedded in the main window for the program's
// whole life: Z safe height, homing on start-up and Move Home, the automatic
// spindle switching around a job, the manual tool-change position and the
// tool-change mode, the per-axis user, jog and homing feeds with copies to the
// other axes of a group, jogging at the G01 feed, and the log's clear and
// save. Every change goes straight into the settings store; the main window's
// Save Settings writes the file.
#include "core/common.h"

#include <QDialog>

namespace Ui {
class CDlgUserSettings;
}
class CMainServices;
class QPushButton;

class CDlgUserSettings : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgUserSettings(QWidget* parent = nullptr);
    ~CDlgUserSettings() override;

    // Fills the panel from the settings in memory and selects X. Run at
    // start-up and again when the machine settings change the feeds.
    void ConfigSettings();
    // Move Home back to grey once the homing operation has finished.
    void ResetUI();
    // Home switches fitted or not: the homing options follow. Without home
    // switches, homing on start-up is switched off as well.
    void UpdateAutoHomingOptions(bool bEnable);

    // The axis whose feeds the three feed buttons show and edit.
    int m_iSelAxis = X_AXIS;

public slots:
    // Starts machine homing after its checks; also called by the main
    // window's poll when the pendant's "0" key is held for a second (no
    // question asked then).
    void on_Btn_AutoHomeSequence_clicked();

private slots:
    void on_Btn_ZSafetyPosition_clicked();
    void on_Btn_AutoHomeOnStartup_clicked();
    void on_Btn_AutoTurnOnSpindleCW_clicked();
    void on_Btn_AutoTurnOnSpindleCCW_clicked();
    void on_Btn_AutoTurnOffSpindle_clicked();
    void on_Btn_LogClear_clicked();
    void on_Btn_LogSave_clicked();
    void on_Btn_ToolChangePos_X_clicked();
    void on_Btn_ToolChangePos_Y_clicked();
    void on_Btn_ToolChangePos_Z_clicked();
    void on_Btn_EnlManualToolChange_clicked();
    void on_Btn_HomeRepeatOffset_clicked();
    void on_Btn_ToolChangePos_A_clicked();
    void on_Btn_ToolChangePos_B_clicked();
    void on_Btn_SameMotorSettings_clicked();
    void on_Btn_SameMotorSettings_AB_clicked();
    void on_Btn_EnlAutoToolChange_clicked();
    void on_Btn_AxisSel_X_clicked();
    void on_Btn_AxisSel_Y_clicked();
    void on_Btn_AxisSel_Z_clicked();
    void on_Btn_AxisSel_A_clicked();
    void on_Btn_AxisSel_B_clicked();
    void on_Btn_AxisUserFeed_clicked();
    void on_Btn_AxisJogFeed_clicked();
    void on_Btn_AxisAutoHmFeed_clicked();
    void on_Btn_MchUnits_XYZ_clicked();
    void on_Btn_UseG01Feed_clicked();

private:
    // Edits one number through the main window's keypad: blue while asked,
    // the entry (clamped to the range) stored, grey again.
    double EditValue(QPushButton* pBtn, const QString& strTitle, const QString& strUnit, double fValue,
                     stFloatPoint fRange, bool bSign);
    void EditToolChangePos(int iAxis);
    void SelectAxis(int iAxis);
    void CopyFeeds(QPushButton* pBtn, bool bXYZ);
    // Hands the axis its effective feed; a ramp the axis refuses is logged.
    void ApplyFeed(CMainServices& main, int iAxis);
    // Green when on, grey when off.
    static void ShowState(QPushButton* pBtn, bool bOn);
    // Refusal or end of a command: the green button turns grey 150 ms later.
    static void FlashBack(QPushButton* pBtn);
    void ShowFeeds();
    void ShowSpindleOptions();
    void ShowToolChangeOptions();
    QPushButton* ToolChangePosButton(int iAxis) const;
    QPushButton* AxisSelButton(int iAxis) const;
    // False (with an error in the log) while an operation runs or an axis
    // moves.
    bool MachineFree(CMainServices& main);

    Ui::CDlgUserSettings* ui;
    QString m_strUnitsStyle; // the units button's own look, given back after its flash
};
