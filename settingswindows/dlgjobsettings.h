#pragma once
// The job set-up panel of the main window: jogs each axis by a fixed step,
// sets work zeros, picks the working plane, measures a work-piece by touching
// its edges and moves to its centre, and creates, saves and loads the Z
// height profile. Every move and zero goes through the machine controller.
#include "core/common.h"

#include <QDialog>

namespace Ui {
class CdlgJobSettings;
}
class AppControl;
class CMainServices;
class QPushButton;

class CdlgJobSettings : public QDialog
{
    Q_OBJECT

public:
    explicit CdlgJobSettings(QWidget* parent = nullptr);
    ~CdlgJobSettings() override;

    // Selects the finest jog step; on a five-axis machine enables the A and B
    // jog and zero buttons.
    void ConfigSettings();
    // Gives all step buttons the grey look and the given one the blue look.
    void ModifyStepSel(QPushButton* pBtn);
    // After a Z profiling: the panel usable again.
    void ResetUI();

    quint8 m_nPlaneSel = 17;     // the panel's own plane: 17 X-Y, 18 X-Z, 19 Y-Z
    stFloatPoint m_Axis1MinMax;  // edges on the first centring axis (x min, y max)
    stFloatPoint m_Axis2MinMax;  // edges on the second centring axis
    double m_fFineMovStep = 0.01; // jog step, mm or degrees

public slots:
    void on_Btn_CreateZProfile_clicked();
    void on_Btn_SaveZProfile_clicked();
    void on_Btn_LoadZProfile_clicked();

private slots:
    void on_Btn_FineMovAxis_1_clicked();
    void on_Btn_FineMovAxis_2_clicked();
    void on_Btn_FineMovAxis_3_clicked();
    void on_Btn_FineMovAxis_4_clicked();
    void on_Btn_FineMovAxis_5_clicked();
    void on_Btn_FineMovAxis_6_clicked();
    void on_Btn_FineMovAxis_7_clicked();
    void on_Btn_FineMovAxis_8_clicked();
    void on_Btn_FineMovAxis_9_clicked();
    void on_Btn_AxisMov_X_Pos_clicked();
    void on_Btn_AxisMov_X_Neg_clicked();
    void on_Btn_AxisMov_Y_Pos_clicked();
    void on_Btn_AxisMov_Y_Neg_clicked();
    void on_Btn_AxisMov_Z_Pos_clicked();
    void on_Btn_AxisMov_Z_Neg_clicked();
    void on_Btn_AxisMov_A_ClockWise_clicked();
    void on_Btn_AxisMov_A_AntiClockWise_clicked();
    void on_Btn_AxisMov_B_Clockwise_clicked();
    void on_Btn_AxisMov_B_AntiClockWise_clicked();
    void on_Btn_SetWorkZero_X_clicked();
    void on_Btn_SetWorkZero_Y_clicked();
    void on_Btn_SetWorkZero_Z_clicked();
    void on_Btn_SetWorkZero_A_clicked();
    void on_Btn_SetWorkZero_B_clicked();
    void on_Btn_PlaneSel_G17_clicked();
    void on_Btn_PlaneSel_G18_clicked();
    void on_Btn_PlaneSel_G19_clicked();
    void on_Btn_SetJobLeft_clicked();
    void on_Btn_SetJobRight_clicked();
    void on_Btn_SetJobBottom_clicked();
    void on_Btn_SetJobTop_clicked();
    void on_Btn_CalculateJobCenterAxis1_clicked();
    void on_Btn_CalculateJobCenterAxis2_clicked();
    void on_Btn_MovJobCenter_clicked();

private:
    CMainServices* Services() const;
    AppControl* Controller() const;
    // An operation runs or the axis moves.
    bool IsBusy(eAxis axis) const;
    void FlashDone(QPushButton* pBtn);
    void SelectStep(QPushButton* pBtn, double fStep);
    void Jog(QPushButton* pBtn, eAxis axis, double fSign);
    void SetZero(QPushButton* pBtn, eAxis axis);
    void SelectPlane(quint8 nPlane);
    void RecordEdge(QPushButton* pBtn, bool bFirstPair, bool bMin);
    void ShowCentre(QPushButton* pBtn, bool bFirstPair);
    void LogError(const QString& strMsg) const;
    // True when no Z profile is held, or the operator agrees to replace it.
    bool MayReplaceZProfile(const QString& strQuestion);

    Ui::CdlgJobSettings* ui;
};
