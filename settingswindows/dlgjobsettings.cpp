#include "settingswindows/dlgjobsettings.h"
#include "ui_dlgjobsettings.h"

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "designers/dlgzprofiler.h"
#include "settings/jobcentering.h"
#include "settings/zprofilefile.h"
#include "widgets/buttontext.h"
#include "widgets/filenamerule.h"
#include "widgets/mainservices.h"
#include "widgets/embeddedwindow.h"

namespace {
const QString HOMING_NOT_DONE = QStringLiteral("Homing not done!\nUse \"Move Home\" in user Settings");
const QString MACHINE_IN_USE = QStringLiteral("Machine in use");
const QString PROFILE_FILTER = QStringLiteral("text files(*.txt)");
const QString PROFILE_CAPTION = QStringLiteral("Select a file to Open...");

QString EdgeText(double fValue, const char* pCaption)
{
    return QString::number(fValue, 'f', 4) + QStringLiteral("\n") + QLatin1String(pCaption);
}
} // namespace

CdlgJobSettings::CdlgJobSettings(QWidget* parent)
    : QDialog(parent), ui(new Ui::CdlgJobSettings)
{
    EmbedInMainWindow(this);
    ui->setupUi(this);
}

CdlgJobSettings::~CdlgJobSettings()
{
    delete ui;
}

CMainServices* CdlgJobSettings::Services() const
{
    return CMainServices::Of(this);
}

AppControl* CdlgJobSettings::Controller() const
{
    CMainServices* pServices = Services();
    return pServices ? &pServices->GetAppCtrl() : nullptr;
}

void CdlgJobSettings::LogError(const QString& strMsg) const
{
    if (CMainServices* pServices = Services())
        pServices->AddLogMsg(strMsg, MSG_ERROR);
}

bool CdlgJobSettings::IsBusy(eAxis axis) const
{
    AppControl* pCtrl = Controller();
    return !pCtrl || pCtrl->m_iRunMode != AppControl::RUN_IDLE || pCtrl->m_AxisCtrl[axis].GetAxisState();
}

void CdlgJobSettings::FlashDone(QPushButton* pBtn)
{
    CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
}

void CdlgJobSettings::ConfigSettings()
{
    m_fFineMovStep = 0.01;
    ModifyStepSel(ui->Btn_FineMovAxis_1);
    if (AppConfig::m_iMchType == 5) {
        for (QPushButton* pBtn : {ui->Btn_AxisMov_A_ClockWise, ui->Btn_AxisMov_A_AntiClockWise,
                                  ui->Btn_AxisMov_B_Clockwise, ui->Btn_AxisMov_B_AntiClockWise,
                                  ui->Btn_SetWorkZero_A, ui->Btn_SetWorkZero_B})
            pBtn->setEnabled(true);
    }
}

void CdlgJobSettings::ModifyStepSel(QPushButton* pBtn)
{
    for (QPushButton* pStep : {ui->Btn_FineMovAxis_1, ui->Btn_FineMovAxis_2, ui->Btn_FineMovAxis_3,
                               ui->Btn_FineMovAxis_4, ui->Btn_FineMovAxis_5, ui->Btn_FineMovAxis_6,
                               ui->Btn_FineMovAxis_7, ui->Btn_FineMovAxis_8, ui->Btn_FineMovAxis_9})
        pStep->setStyleSheet(BTN_BKGND_GRAY);
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
}

void CdlgJobSettings::ResetUI()
{
    ui->Btn_CreateZProfile->setStyleSheet(BTN_BKGND_GRAY);
    ui->Btn_SaveZProfile->setEnabled(true);
    ui->Btn_LoadZProfile->setEnabled(true);
    ui->frame->setEnabled(true);
    ui->frame_3->setEnabled(true);
}

// ---- Step selection --------------------------------------------------------

void CdlgJobSettings::SelectStep(QPushButton* pBtn, double fStep)
{
    m_fFineMovStep = fStep;
    ModifyStepSel(pBtn);
}

void CdlgJobSettings::on_Btn_FineMovAxis_1_clicked() { SelectStep(ui->Btn_FineMovAxis_1, 0.01); }
void CdlgJobSettings::on_Btn_FineMovAxis_2_clicked() { SelectStep(ui->Btn_FineMovAxis_2, 0.02); }
void CdlgJobSettings::on_Btn_FineMovAxis_3_clicked() { SelectStep(ui->Btn_FineMovAxis_3, 0.05); }
void CdlgJobSettings::on_Btn_FineMovAxis_4_clicked() { SelectStep(ui->Btn_FineMovAxis_4, 0.1); }
void CdlgJobSettings::on_Btn_FineMovAxis_5_clicked() { SelectStep(ui->Btn_FineMovAxis_5, 0.2); }
void CdlgJobSettings::on_Btn_FineMovAxis_6_clicked() { SelectStep(ui->Btn_FineMovAxis_6, 0.5); }
void CdlgJobSettings::on_Btn_FineMovAxis_7_clicked() { SelectStep(ui->Btn_FineMovAxis_7, 1.0); }
void CdlgJobSettings::on_Btn_FineMovAxis_8_clicked() { SelectStep(ui->Btn_FineMovAxis_8, 5.0); }

void CdlgJobSettings::on_Btn_FineMovAxis_9_clicked()
{
    QPushButton* pBtn = ui->Btn_FineMovAxis_9;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    if (CMainServices* pServices = Services())
        pServices->OpenKeypad(pBtn, QStringLiteral("Position(mm)"), QString(), pBtn->text(), stFloatPoint(), false, 4);
    SelectStep(pBtn, pBtn->text().toDouble());
}

// ---- Jogging and work zero ---------------------------------------------

void CdlgJobSettings::Jog(QPushButton* pBtn, eAxis axis, double fSign)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    CMainServices* pServices = Services();
    if (pServices && !pServices->IsEmergencyStopOn()) {
        if (IsBusy(axis)) {
            LogError(QStringLiteral("Axis in use"));
        } else {
            AppControl& ctrl = pServices->GetAppCtrl();
            ctrl.m_AxisCtrl[axis].SetVelocityAcc(AppConfig::m_fAxisFeed[axis], AppConfig::m_fAxisAcc[axis]);
            ctrl.MoveRel(axis, fSign * m_fFineMovStep);
        }
    }
    FlashDone(pBtn);
}

void CdlgJobSettings::on_Btn_AxisMov_X_Pos_clicked() { Jog(ui->Btn_AxisMov_X_Pos, X_AXIS, 1.0); }
void CdlgJobSettings::on_Btn_AxisMov_X_Neg_clicked() { Jog(ui->Btn_AxisMov_X_Neg, X_AXIS, -1.0); }
void CdlgJobSettings::on_Btn_AxisMov_Y_Pos_clicked() { Jog(ui->Btn_AxisMov_Y_Pos, Y_AXIS, 1.0); }
void CdlgJobSettings::on_Btn_AxisMov_Y_Neg_clicked() { Jog(ui->Btn_AxisMov_Y_Neg, Y_AXIS, -1.0); }
void CdlgJobSettings::on_Btn_AxisMov_Z_Pos_clicked() { Jog(ui->Btn_AxisMov_Z_Pos, Z_AXIS, 1.0); }
void CdlgJobSettings::on_Btn_AxisMov_Z_Neg_clicked() { Jog(ui->Btn_AxisMov_Z_Neg, Z_AXIS, -1.0); }
void CdlgJobSettings::on_Btn_AxisMov_A_ClockWise_clicked() { Jog(ui->Btn_AxisMov_A_ClockWise, A_AXIS, 1.0); }
void CdlgJobSettings::on_Btn_AxisMov_A_AntiClockWise_clicked() { Jog(ui->Btn_AxisMov_A_AntiClockWise, A_AXIS, -1.0); }
void CdlgJobSettings::on_Btn_AxisMov_B_Clockwise_clicked() { Jog(ui->Btn_AxisMov_B_Clockwise, B_AXIS, 1.0); }
void CdlgJobSettings::on_Btn_AxisMov_B_AntiClockWise_clicked() { Jog(ui->Btn_AxisMov_B_AntiClockWise, B_AXIS, -1.0); }

void CdlgJobSettings::SetZero(QPushButton* pBtn, eAxis axis)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    if (IsBusy(axis))
        LogError(QStringLiteral("Axis in use"));
    else
        Controller()->SetWorkZero(axis);
    FlashDone(pBtn);
}

void CdlgJobSettings::on_Btn_SetWorkZero_X_clicked() { SetZero(ui->Btn_SetWorkZero_X, X_AXIS); }
void CdlgJobSettings::on_Btn_SetWorkZero_Y_clicked() { SetZero(ui->Btn_SetWorkZero_Y, Y_AXIS); }
void CdlgJobSettings::on_Btn_SetWorkZero_Z_clicked() { SetZero(ui->Btn_SetWorkZero_Z, Z_AXIS); }
void CdlgJobSettings::on_Btn_SetWorkZero_A_clicked() { SetZero(ui->Btn_SetWorkZero_A, A_AXIS); }
void CdlgJobSettings::on_Btn_SetWorkZero_B_clicked() { SetZero(ui->Btn_SetWorkZero_B, B_AXIS); }

// ---- Plane and centring ----------------------------------------------------

void CdlgJobSettings::SelectPlane(quint8 nPlane)
{
    m_nPlaneSel = nPlane;
    ui->Btn_PlaneSel_G17->setStyleSheet(nPlane == 17 ? BTN_BKGND_BLUE : BTN_BKGND_GRAY);
    ui->Btn_PlaneSel_G18->setStyleSheet(nPlane == 18 ? BTN_BKGND_BLUE : BTN_BKGND_GRAY);
    ui->Btn_PlaneSel_G19->setStyleSheet(nPlane == 19 ? BTN_BKGND_BLUE : BTN_BKGND_GRAY);
    static const char* const kAxisNames[] = {"X", "Y", "Z", "A", "B"};
    ui->Lbl_AxisSelForCentering1->setText(QLatin1String(kAxisNames[CJobCentering::FirstAxis(nPlane)]));
    ui->Lbl_AxisSelForCentering2->setText(QLatin1String(kAxisNames[CJobCentering::SecondAxis(nPlane)]));
    // The Z profile is probed on the X-Y plane only.
    const bool bXY = nPlane == 17;
    ui->Btn_CreateZProfile->setEnabled(bXY);
    ui->Btn_SaveZProfile->setEnabled(bXY);
    ui->Btn_LoadZProfile->setEnabled(bXY);
}

void CdlgJobSettings::on_Btn_PlaneSel_G17_clicked() { SelectPlane(17); }
void CdlgJobSettings::on_Btn_PlaneSel_G18_clicked() { SelectPlane(18); }
void CdlgJobSettings::on_Btn_PlaneSel_G19_clicked() { SelectPlane(19); }

void CdlgJobSettings::RecordEdge(QPushButton* pBtn, bool bFirstPair, bool bMin)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    FlashDone(pBtn);
    AppControl* pCtrl = Controller();
    if (!pCtrl)
        return;
    const eAxis axis = bFirstPair ? CJobCentering::FirstAxis(m_nPlaneSel) : CJobCentering::SecondAxis(m_nPlaneSel);
    stFloatPoint& pair = bFirstPair ? m_Axis1MinMax : m_Axis2MinMax;
    const double fPos = pCtrl->m_AxisCtrl[axis].GetCurPos();
    if (bMin)
        CJobCentering::SetMin(pair, fPos);
    else
        CJobCentering::SetMax(pair, fPos);
    QPushButton* pMinBtn = bFirstPair ? ui->Btn_SetJobLeft : ui->Btn_SetJobBottom;
    QPushButton* pMaxBtn = bFirstPair ? ui->Btn_SetJobRight : ui->Btn_SetJobTop;
    CButtonText::Set(pMinBtn, EdgeText(pair.x, "Min"));
    CButtonText::Set(pMaxBtn, EdgeText(pair.y, "Max"));
}

void CdlgJobSettings::on_Btn_SetJobLeft_clicked() { RecordEdge(ui->Btn_SetJobLeft, true, true); }
void CdlgJobSettings::on_Btn_SetJobRight_clicked() { RecordEdge(ui->Btn_SetJobRight, true, false); }
void CdlgJobSettings::on_Btn_SetJobBottom_clicked() { RecordEdge(ui->Btn_SetJobBottom, false, true); }
void CdlgJobSettings::on_Btn_SetJobTop_clicked() { RecordEdge(ui->Btn_SetJobTop, false, false); }

void CdlgJobSettings::ShowCentre(QPushButton* pBtn, bool bFirstPair)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    const double fCentre = CJobCentering::Centre(bFirstPair ? m_Axis1MinMax : m_Axis2MinMax);
    CMainServices* pServices = Services();
    if (pServices && !pServices->IsEmergencyStopOn()) {
        const eAxis axis =
            bFirstPair ? CJobCentering::FirstAxis(m_nPlaneSel) : CJobCentering::SecondAxis(m_nPlaneSel);
        if (IsBusy(axis))
            LogError(MACHINE_IN_USE);
        else
            CButtonText::Set(pBtn, EdgeText(fCentre, "Center"));
    }
    FlashDone(pBtn);
}

void CdlgJobSettings::on_Btn_CalculateJobCenterAxis1_clicked() { ShowCentre(ui->Btn_CalculateJobCenterAxis1, true); }
void CdlgJobSettings::on_Btn_CalculateJobCenterAxis2_clicked() { ShowCentre(ui->Btn_CalculateJobCenterAxis2, false); }

void CdlgJobSettings::on_Btn_MovJobCenter_clicked()
{
    QPushButton* pBtn = ui->Btn_MovJobCenter;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    CMainServices* pServices = Services();
    if (pServices && !pServices->IsEmergencyStopOn()) {
        const eAxis axis1 = CJobCentering::FirstAxis(m_nPlaneSel);
        const eAxis axis2 = CJobCentering::SecondAxis(m_nPlaneSel);
        if (IsBusy(axis1) || IsBusy(axis2)) {
            LogError(MACHINE_IN_USE);
        } else {
            // Each axis on its own thread at its own feed: not one straight line.
            AppControl& ctrl = pServices->GetAppCtrl();
            for (const auto& [axis, fCentre] : {std::pair<eAxis, double>{axis1, CJobCentering::Centre(m_Axis1MinMax)},
                                                std::pair<eAxis, double>{axis2, CJobCentering::Centre(m_Axis2MinMax)}}) {
                ctrl.m_AxisCtrl[axis].SetVelocityAcc(AppConfig::m_fAxisFeed[axis], AppConfig::m_fAxisAcc[axis]);
                ctrl.MoveAbs(axis, fCentre);
            }
        }
    }
    FlashDone(pBtn);
}

// ---- Z profile ---------------------------------------------------------------

bool CdlgJobSettings::MayReplaceZProfile(const QString& strQuestion)
{
    return AppConfig::m_ZProfileInfo.m_lstGrid.isEmpty() ||
           CPrompter::Instance().Question(this, QMessageBox::Information, QStringLiteral("Information"), strQuestion,
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void CdlgJobSettings::on_Btn_CreateZProfile_clicked()
{
    QPushButton* pBtn = ui->Btn_CreateZProfile;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    AppControl* pCtrl = Controller();
    if (!pCtrl || !pCtrl->GetHomeDone()) {
        LogError(HOMING_NOT_DONE);
        FlashDone(pBtn);
        return;
    }
    if (!MayReplaceZProfile(QStringLiteral("Z-Profile already created. Create new?"))) {
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }

    dlgZProfiler dlg(this);
    dlg.ConfigSettings();
    dlg.exec();
    if (!dlg.m_bOk) {
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }
    ui->frame->setEnabled(false);
    ui->frame_3->setEnabled(false);
    ui->Btn_SaveZProfile->setEnabled(false);
    ui->Btn_LoadZProfile->setEnabled(false);
    // A probing that does not start (the machine is busy, the settings cannot
    // be probed) has said why in the log; the panel is usable again at once.
    if (!pCtrl->RunZProfile())
        ResetUI();
}

void CdlgJobSettings::on_Btn_SaveZProfile_clicked()
{
    QPushButton* pBtn = ui->Btn_SaveZProfile;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    AppControl* pCtrl = Controller();
    if (!pCtrl || pCtrl->IsBusy()) {
        LogError(MACHINE_IN_USE);
        FlashDone(pBtn);
        return;
    }
    const ZProfileGrid& grid = AppConfig::m_ZProfileInfo.m_lstGrid;
    if (!CZProfile::IsUsable(grid)) {
        LogError(QStringLiteral("Z-Profile not created!\nPlease create z-profile with atleast 2X2 Points"));
        FlashDone(pBtn);
        return;
    }
    QString strPath = CPrompter::Instance().SaveFileName(this, PROFILE_CAPTION, HOME_FOLDER, PROFILE_FILTER);
    if (strPath.isEmpty()) {
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }
    const QString strTyped = strPath;
    strPath = CZProfileFile::WithTxtExtension(strPath);
    if (!CFileNameRule::MayReplaceAddedName(this, strTyped, strPath)) {
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }
    QString strError;
    if (!CZProfileFile::Write(strPath, grid, strError))
        LogError(QStringLiteral("File write error\n") + strPath + QStringLiteral("\n") + strError);
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
}

void CdlgJobSettings::on_Btn_LoadZProfile_clicked()
{
    QPushButton* pBtn = ui->Btn_LoadZProfile;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    CMainServices* pServices = Services();
    AppControl* pCtrl = Controller();
    if (!pCtrl || pCtrl->IsBusy()) {
        LogError(MACHINE_IN_USE);
        FlashDone(pBtn);
        return;
    }
    if (!MayReplaceZProfile(QStringLiteral("Z-Profile already created. Load new?"))) {
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }
    const QString strPath = CPrompter::Instance().OpenFileName(this, PROFILE_CAPTION, HOME_FOLDER, PROFILE_FILTER);
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    if (strPath.isEmpty())
        return;
    // Read into a new grid: the profile held so far stays unless the file
    // holds a whole one.
    if (CZProfileFile::Read(strPath, AppConfig::m_ZProfileInfo.m_lstGrid))
        pServices->AddLogMsg(QStringLiteral("Z-Profile loaded from\n") + strPath, MSG_INFO);
    else
        LogError(QStringLiteral("File read error\n") + strPath);
}
