#pragma once
// The machine settings panel, embedded in the main window: motor parameters
// with the speed ramp they give, travel limits and motor directions,
// controller kind with its pin-out or SPI board page, home switches, PWM
// spindle, keyboard pendant and the settings lock. Every change goes straight
// into the settings store and, where it alters motion, into the axis step
// generators; the main window's Save Settings button writes the file.
//
// Nothing that touches the axes is done while an operation runs or an axis
// moves: the operator gets "Machine in use" instead.
#include "core/common.h"
#include "settings/motionsettings.h"
#include "settingswindows/dlgkivctrl.h"
#include "settingswindows/dlgrpicontroller.h"
#include "widgets/MyView.h"

#include <QDialog>
#include <QImage>

#include <array>
#include <limits>

namespace Ui {
class CDlgMachineSettings;
}
class AxisCtrl;
class CMainServices;
class QPushButton;

class CDlgMachineSettings : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgMachineSettings(QWidget* parent = nullptr);
    ~CDlgMachineSettings() override;

    // Fills every control from the settings store and builds every axis's
    // ramps (once, at start-up).
    void ConfigSettings();
    // Shows one axis's motor parameters on the Motor tab and its ramp.
    void UpdateMotorCtrlBtns(eAxis axis);
    // Copies the selected axis's motor parameters to the other axes of its
    // group (X, Y, Z or A, B).
    void CopyMotorParamsToAllAxis();
    // Draws the selected axis's speed ramp as its last ramp refresh recorded
    // it.
    void CreateVelAccGraphics();
    // The travel limit buttons are usable only with home switches fitted.
    void EnlMotionLimits();

    // Pin number of a pin-list index (0 to 27), 0 for any other index.
    static quint16 GetIOPinNumber(quint16 index);

    // Axis whose motor parameters the Motor tab shows.
    eAxis m_eSelAxis = X_AXIS;

private slots:
    void on_Btn_AxisSel_X_clicked();
    void on_Btn_AxisSel_Y_clicked();
    void on_Btn_AxisSel_Z_clicked();
    void on_Btn_AxisSel_A_clicked();
    void on_Btn_AxisSel_B_clicked();
    void on_Btn_SameMotorSettings_clicked();
    void on_Btn_SameMotorSettings_AB_clicked();
    void on_Btn_MovPerPulse_clicked();
    void on_Btn_MaxFeed_clicked();
    void on_Btn_MaxAcc_clicked();
    void on_Btn_Axis_Pulse_DutyCycle_clicked();
    void on_Btn_RateOfAcc_clicked();
    void on_Btn_VelCurveType_clicked();
    void on_Btn_VelAccUserTimePeriod_clicked();

    void on_Btn_X_PosDirMovLimit_clicked();
    void on_Btn_Y_PosDirMovLimit_clicked();
    void on_Btn_Z_PosDirMovLimit_clicked();
    void on_Btn_A_PosDirMovLimit_clicked();
    void on_Btn_B_PosDirMovLimit_clicked();
    void on_Btn_X_NegDirMovLimit_clicked();
    void on_Btn_Y_NegDirMovLimit_clicked();
    void on_Btn_Z_NegDirMovLimit_clicked();
    void on_Btn_A_NegDirMovLimit_clicked();
    void on_Btn_B_NegDirMovLimit_clicked();
    void on_Btn_X_PosDirMotRot_clicked();
    void on_Btn_Y_PosDirMotRot_clicked();
    void on_Btn_Z_PosDirMotRot_clicked();
    void on_Btn_A_PosDirMotRot_clicked();
    void on_Btn_B_PosDirMotRot_clicked();
    void on_Btn_X_HomeDirMotRot_clicked();
    void on_Btn_Y_HomeDirMotRot_clicked();
    void on_Btn_Z_HomeDirMotRot_clicked();
    void on_Btn_A_HomeDirMotRot_clicked();
    void on_Btn_B_HomeDirMotRot_clicked();

    void on_Btn_UseHomeIP_clicked();
    void on_Cmb_KivCntrolSel_currentIndexChanged(int index);
    void on_Btn_PwmSettings_clicked();
    void on_Btn_UseKeyboardCtrl_clicked();
    void on_Btn_MachSettingsPasswd_clicked();

protected:
    // Builds the ramps ConfigSettings had to leave to the axes' own job.
    void showEvent(QShowEvent* pEvent) override;

private:
    CMainServices* Services() const;
    AxisCtrl* Axis(int iAxis) const;
    void LogError(const QString& strMsg);
    // The axis's own reason why it refused a ramp or step size, under its
    // name.
    void LogAxisError(int iAxis);
    // The combo item of the stored controller kind, -1 for a board kind.
    int StoredKindItem() const;
    // True while an operation runs or an axis moves (or when there is no
    // machine to ask).
    bool MachineWorking() const;
    // The same, logging "Machine in use"; once the machine is found idle,
    // the ramps left from start-up are built first.
    bool MachineBusy();

    // Rebuilds an axis's ramp up to its maximum feed, recording the speed
    // profile the graph shows, then its working ramp.
    void RefreshRamp(int iAxis);
    void RefreshAllRamps();
    // The ramps of every axis and the graph, when ConfigSettings found the
    // machine working (homing at start-up) and left them.
    void RefreshPendingRamps();
    // The user settings panel shows the feeds this panel may have changed.
    void RefreshUserSettings();

    // After a switch between the two Pi pin-outs: the store's pin
    // assignment, the shared pins' modes, the axes that join and the rapid
    // feed follow the new kind.
    void SwitchPiPinout();
    void SelectAxis(eAxis axis);
    void SameMotorSettings(QPushButton* pBtn, bool bGroupAB);
    // A motor parameter through the main window's keypad; the value shown
    // as iShownDecimals, the clamped entry returned.
    double EditMotorValue(QPushButton* pBtn, const QString& strTitle, const QString& strCaption, double fValue,
                          stFloatPoint fRange, int iShownDecimals = 4);
    void EditLimit(int iAxis, bool bPositive);
    void ToggleDirection(int iAxis, bool bHomeDir);
    void ShowLimitsAndDirections();
    // The sampling time on its button.
    void ShowSamplingTime();
    void ShowRateOfAcc(int iAxis);
    // The curve type button, and the Rate of Acc button that goes with it.
    void ShowCurveType();
    static QVector<int> AxesInUse();
    // After a motor value was stored: when an axis of `axes` can no longer
    // build its speed ramps with it, the settings go back to `before` (the
    // axes were not touched yet), the buttons show the values in force and
    // the log says what was refused and why ("Acc 0.0100 refused: X-Axis:
    // Acceleration value too low for this feed"). True when refused.
    bool RefusedByAxes(const CMotionSettings::stMotorState& before, const QVector<int>& axes, const QString& strWhat,
                       double fValue = std::numeric_limits<double>::quiet_NaN());

    dlgRpiController m_RpiPinoutPage;
    dlgKivCtrl m_SpiBoardPage;
    CMyView m_VelAccView;
    bool m_bFirstConfig = true;
    bool m_bRampsPending = false;
    bool m_bGraphStale = false; // the ramp graph is drawn when the window shows
    Ui::CDlgMachineSettings* ui;

    std::array<QPushButton*, AXIS_COUNT> m_AxisSelBtns{};
    std::array<QPushButton*, AXIS_COUNT> m_PosLimitBtns{};
    std::array<QPushButton*, AXIS_COUNT> m_NegLimitBtns{};
    std::array<QPushButton*, AXIS_COUNT> m_PosDirBtns{};
    std::array<QPushButton*, AXIS_COUNT> m_HomeDirBtns{};
};
