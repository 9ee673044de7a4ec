#include "settingswindows/dlgmachinesettings.h"
#include "ui_dlgmachinesettings.h"

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "machine/kivgpio.h"
#include "settingswindows/dlgpwmspndlsettings.h"
#include "settingswindows/dlgusersettings.h"
#include "settings/motionsettings.h"
#include "settings/usersettingsmath.h"
#include "settings/velaccgraph.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"
#include "widgets/resources.h"
#include "widgets/embeddedwindow.h"

#include <cmath>
#include <limits>

namespace {
QString Number(double fValue, int iDecimals = 4) { return QString::number(fValue, 'f', iDecimals); }

QString Caption(double fValue, int iDecimals, const QString& strCaption)
{
    return Number(fValue, iDecimals) + QStringLiteral("\n") + strCaption;
}

bool IsRotary(int iAxis) { return iAxis == A_AXIS || iAxis == B_AXIS; }

const QString CAPTION_MOV_PER_PULSE = QStringLiteral("Move/Pulse");
const QString CAPTION_MAX_FEED = QStringLiteral("Max Feed");
const QString CAPTION_ACC = QStringLiteral("Acc");
const QString CAPTION_DUTY = QStringLiteral("Duty Cycle");
const QString CAPTION_RATE_OF_ACC = QStringLiteral("Rate of Acc");
const QString CAPTION_SAMPLING = QStringLiteral("Sampling Time");
} // namespace

CDlgMachineSettings::CDlgMachineSettings(QWidget* parent)
    : QDialog(parent), ui(new Ui::CDlgMachineSettings)
{
    InitAppResources();
    EmbedInMainWindow(this);
    ui->setupUi(this);
    m_AxisSelBtns = {ui->Btn_AxisSel_X, ui->Btn_AxisSel_Y, ui->Btn_AxisSel_Z, ui->Btn_AxisSel_A, ui->Btn_AxisSel_B};
    m_PosLimitBtns = {ui->Btn_X_PosDirMovLimit, ui->Btn_Y_PosDirMovLimit, ui->Btn_Z_PosDirMovLimit,
                      ui->Btn_A_PosDirMovLimit, ui->Btn_B_PosDirMovLimit};
    m_NegLimitBtns = {ui->Btn_X_NegDirMovLimit, ui->Btn_Y_NegDirMovLimit, ui->Btn_Z_NegDirMovLimit,
                      ui->Btn_A_NegDirMovLimit, ui->Btn_B_NegDirMovLimit};
    m_PosDirBtns = {ui->Btn_X_PosDirMotRot, ui->Btn_Y_PosDirMotRot, ui->Btn_Z_PosDirMotRot, ui->Btn_A_PosDirMotRot,
                    ui->Btn_B_PosDirMotRot};
    m_HomeDirBtns = {ui->Btn_X_HomeDirMotRot, ui->Btn_Y_HomeDirMotRot, ui->Btn_Z_HomeDirMotRot,
                     ui->Btn_A_HomeDirMotRot, ui->Btn_B_HomeDirMotRot};

    // The graph lies exactly over the frame that marks its place.
    m_VelAccView.setParent(ui->tab);
    m_VelAccView.setGeometry(166, 50, 400, 240);
    m_VelAccView.EnableZoom(false);
    m_VelAccView.show();
}

CDlgMachineSettings::~CDlgMachineSettings()
{
    delete ui;
}

// ------------------------------------------------------------------ helpers

CMainServices* CDlgMachineSettings::Services() const { return CMainServices::Of(this); }

AxisCtrl* CDlgMachineSettings::Axis(int iAxis) const
{
    CMainServices* pServices = Services();
    if (!pServices || iAxis < 0 || iAxis >= AXIS_COUNT)
        return nullptr;
    return &pServices->GetAppCtrl().m_AxisCtrl[iAxis];
}

void CDlgMachineSettings::LogError(const QString& strMsg)
{
    if (CMainServices* pServices = Services())
        pServices->AddLogMsg(strMsg, MSG_ERROR);
}

void CDlgMachineSettings::LogAxisError(int iAxis)
{
    if (AxisCtrl* pAxis = Axis(iAxis))
        LogError(AppConfig::m_strAxisNames[iAxis] + QStringLiteral(": ") + pAxis->GetErrorMsg());
}

int CDlgMachineSettings::StoredKindItem() const
{
    // The combo offers the two Pi kinds; an SPI board kind shows no item.
    return AppConfig::m_eDiradiCtrl < ui->Cmb_KivCntrolSel->count() ? int(AppConfig::m_eDiradiCtrl) : -1;
}

bool CDlgMachineSettings::MachineWorking() const
{
    CMainServices* pServices = Services();
    if (!pServices)
        return true;
    AppControl& ctrl = pServices->GetAppCtrl();
    // Coordinated moves do not mark the axes as moving: the operation state
    // counts as well.
    return ctrl.IsOperationRunning() || !ctrl.IsMachineIdle();
}

bool CDlgMachineSettings::MachineBusy()
{
    if (MachineWorking()) {
        LogError(QStringLiteral("Machine in use"));
        return true;
    }
    RefreshPendingRamps();
    return false;
}

void CDlgMachineSettings::RefreshPendingRamps()
{
    if (!m_bRampsPending || MachineWorking())
        return;
    m_bRampsPending = false;
    RefreshAllRamps();
    CreateVelAccGraphics();
}

void CDlgMachineSettings::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    RefreshPendingRamps();
    if (m_bGraphStale)
        CreateVelAccGraphics();
}

void CDlgMachineSettings::RefreshRamp(int iAxis)
{
    AxisCtrl* pAxis = Axis(iAxis);
    if (!pAxis)
        return;
    pAxis->m_bRecordVelProfile = true;
    const int iRecorded = pAxis->SetVelocityAcc(AppConfig::m_fMaxAxisFeed[iAxis], AppConfig::m_fAxisAcc[iAxis]);
    pAxis->m_bRecordVelProfile = false;
    if (!iRecorded)
        LogAxisError(iAxis);
    if (!pAxis->SetVelocityAcc(AppConfig::m_fAxisFeed[iAxis], AppConfig::m_fAxisAcc[iAxis]) && iRecorded)
        LogAxisError(iAxis);
}

void CDlgMachineSettings::RefreshAllRamps()
{
    for (int i = 0; i < AXIS_COUNT; ++i)
        RefreshRamp(i);
}

void CDlgMachineSettings::RefreshUserSettings()
{
    // The user settings panel lives in the main window beside this one.
    auto* pMain = dynamic_cast<QObject*>(Services());
    if (!pMain)
        return;
    if (auto* pUserSettings = pMain->findChild<CDlgUserSettings*>())
        pUserSettings->ConfigSettings();
}

// ----------------------------------------------------------- configuration

void CDlgMachineSettings::ConfigSettings()
{
    ui->Btn_AxisSel_X->setStyleSheet(BTN_BKGND_BLUE);
    ui->Btn_PwmSettings->setStyleSheet(AppConfig::m_bPWMCtrlUsed ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    if (AppConfig::m_bAppPassword)
        ui->Btn_MachSettingsPasswd->setStyleSheet(BTN_BKGND_GREEN);
    ui->Btn_UseKeyboardCtrl->setStyleSheet(AppConfig::m_bKeyboardCtrlUsed ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    ShowCurveType();

    CButtonText::Set(ui->Btn_MovPerPulse, Caption(AppConfig::m_fAxisMovPerPulse[X_AXIS], 4, CAPTION_MOV_PER_PULSE));
    CButtonText::Set(ui->Btn_MaxFeed, Caption(AppConfig::m_fMaxAxisFeed[X_AXIS], 4, CAPTION_MAX_FEED));
    CButtonText::Set(ui->Btn_MaxAcc, Caption(AppConfig::m_fAxisAcc[X_AXIS], 4, CAPTION_ACC));
    CButtonText::Set(ui->Btn_Axis_Pulse_DutyCycle, Caption(AppConfig::m_fAxisDutyCycle[X_AXIS], 2, CAPTION_DUTY));
    ShowRateOfAcc(X_AXIS);

    ui->Btn_UseHomeIP->setStyleSheet(AppConfig::m_bHomeSensorsUsed ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    ShowLimitsAndDirections();

    if (AppConfig::m_iMchType == 5) {
        for (int i : {A_AXIS, B_AXIS}) {
            m_PosLimitBtns[i]->setEnabled(true);
            m_NegLimitBtns[i]->setEnabled(true);
            m_PosDirBtns[i]->setEnabled(true);
            m_HomeDirBtns[i]->setEnabled(true);
            m_AxisSelBtns[i]->setEnabled(true);
        }
        ui->Btn_SameMotorSettings_AB->setEnabled(true);
    }

    ShowSamplingTime();

    // Homing started at start-up sets the axes' feeds as it goes: a ramp
    // built now would replace its approach feed. The ramps wait until the
    // machine is idle.
    if (MachineWorking())
        m_bRampsPending = true;
    else
        RefreshAllRamps();
    EnlMotionLimits();

    for (QDialog* pPage : {static_cast<QDialog*>(&m_RpiPinoutPage), static_cast<QDialog*>(&m_SpiBoardPage)}) {
        pPage->setParent(ui->tab_6, Qt::Widget);
        pPage->setGeometry(200, 0, 540, 350);
    }
    m_SpiBoardPage.ConfigSettings();
    const bool bPiPins = AppConfig::m_eDiradiCtrl == CTRL_KIVQ10;
    m_SpiBoardPage.setVisible(!bPiPins);
    m_RpiPinoutPage.setVisible(bPiPins);

    // An SPI board kind shows no item and stays as stored.
    ui->Cmb_KivCntrolSel->setCurrentIndex(StoredKindItem());

    CreateVelAccGraphics();
    m_bFirstConfig = false;
}

QVector<int> CDlgMachineSettings::AxesInUse()
{
    QVector<int> axes;
    for (int i = 0; i < AppConfig::AxesInUse(); ++i)
        axes << i;
    return axes;
}

void CDlgMachineSettings::ShowCurveType()
{
    const bool bSCurve = AppConfig::m_eAxisFeedtype == FEED_SCURVE;
    ui->Btn_VelCurveType->setText(bSCurve ? QStringLiteral("S-Curve") : QStringLiteral("Trapezoidal"));
    ui->Btn_VelCurveType->setStyleSheet(bSCurve ? BTN_BKGND_BLUE : BTN_BKGND_GRAY);
    ui->Btn_RateOfAcc->setEnabled(bSCurve);
    // Enabled, the button must show the rate of the axis it edits.
    if (bSCurve)
        ShowRateOfAcc(m_eSelAxis);
}

bool CDlgMachineSettings::RefusedByAxes(const CMotionSettings::stMotorState& before, const QVector<int>& axes,
                                        const QString& strWhat, double fValue)
{
    const QString strWhy = CMotionSettings::RampError(axes);
    if (strWhy.isEmpty())
        return false;
    // Nothing has reached the axes yet: the store goes back to the values in
    // force, and the buttons show them again.
    CMotionSettings::RestoreMotorState(before);
    ShowCurveType();
    ShowSamplingTime();
    UpdateMotorCtrlBtns(m_eSelAxis);
    RefreshUserSettings();
    const QString strValue = std::isnan(fValue) ? QString() : QStringLiteral(" ") + Number(fValue);
    LogError(strWhat + strValue + QStringLiteral(" refused: ") + strWhy);
    return true;
}

void CDlgMachineSettings::ShowSamplingTime()
{
    CButtonText::Set(ui->Btn_VelAccUserTimePeriod,
                     Caption(CMotionSettings::SamplingTimeSeconds(AppConfig::m_iVelAccSamplingTime), 4,
                             CAPTION_SAMPLING));
}

void CDlgMachineSettings::ShowRateOfAcc(int iAxis)
{
    CButtonText::Set(ui->Btn_RateOfAcc, Caption(AppConfig::m_fAxisRateOfAcc[iAxis], 4, CAPTION_RATE_OF_ACC));
}

void CDlgMachineSettings::ShowLimitsAndDirections()
{
    for (int i = 0; i < AXIS_COUNT; ++i) {
        CButtonText::Set(m_PosLimitBtns[i], Number(AppConfig::m_fAxisPosDirLimit[i]));
        CButtonText::Set(m_NegLimitBtns[i], Number(AppConfig::m_fAxisNegDirLimit[i]));
        m_PosDirBtns[i]->setText(CMotionSettings::DirectionText(AppConfig::m_eAxisPosDir[i]));
        m_HomeDirBtns[i]->setText(CMotionSettings::DirectionText(AppConfig::m_eAxisHomeDir[i]));
    }
}

quint16 CDlgMachineSettings::GetIOPinNumber(quint16 index)
{
    static const quint16 pins[] = {34, 14, 22, 23, 24, 35, 36, 13, 12, 31, 30, 32, 16, 37,
                                   4,  5,  18, 26, 6,  38, 19, 20, 28, 8,  9,  11, 39, 27};
    return index < sizeof(pins) / sizeof(pins[0]) ? pins[index] : 0;
}

// --------------------------------------------------------------- Motor tab

void CDlgMachineSettings::UpdateMotorCtrlBtns(eAxis axis)
{
    CButtonText::Set(ui->Btn_MovPerPulse, Caption(AppConfig::m_fAxisMovPerPulse[axis], 4, CAPTION_MOV_PER_PULSE));
    CButtonText::Set(ui->Btn_MaxFeed, Caption(AppConfig::m_fMaxAxisFeed[axis], 4, CAPTION_MAX_FEED));
    CButtonText::Set(ui->Btn_MaxAcc, Caption(AppConfig::m_fAxisAcc[axis], 4, CAPTION_ACC));
    CButtonText::Set(ui->Btn_Axis_Pulse_DutyCycle, Caption(AppConfig::m_fAxisDutyCycle[axis], 2, CAPTION_DUTY));
    if (AppConfig::m_eAxisFeedtype == FEED_SCURVE)
        ShowRateOfAcc(axis);
    CreateVelAccGraphics();
}

void CDlgMachineSettings::SelectAxis(eAxis axis)
{
    for (int i = 0; i < AXIS_COUNT; ++i)
        m_AxisSelBtns[i]->setStyleSheet(i == axis ? BTN_BKGND_BLUE : BTN_BKGND_GRAY);
    m_eSelAxis = axis;
    UpdateMotorCtrlBtns(axis);
}

void CDlgMachineSettings::on_Btn_AxisSel_X_clicked()
{
    if (!MachineBusy())
        SelectAxis(X_AXIS);
}

void CDlgMachineSettings::on_Btn_AxisSel_Y_clicked()
{
    if (!MachineBusy())
        SelectAxis(Y_AXIS);
}

void CDlgMachineSettings::on_Btn_AxisSel_Z_clicked()
{
    if (!MachineBusy())
        SelectAxis(Z_AXIS);
}

void CDlgMachineSettings::on_Btn_AxisSel_A_clicked()
{
    if (!MachineBusy())
        SelectAxis(A_AXIS);
}

void CDlgMachineSettings::on_Btn_AxisSel_B_clicked()
{
    if (!MachineBusy())
        SelectAxis(B_AXIS);
}

double CDlgMachineSettings::EditMotorValue(QPushButton* pBtn, const QString& strTitle, const QString& strCaption,
                                           double fValue, stFloatPoint fRange, int iShownDecimals)
{
    return Services()->OpenKeypad(pBtn, strTitle, strCaption, Number(fValue, iShownDecimals), fRange, false, 4);
}

void CDlgMachineSettings::on_Btn_MovPerPulse_clicked()
{
    if (MachineBusy())
        return;
    const int s = m_eSelAxis;
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    AppConfig::m_fAxisMovPerPulse[s] =
        EditMotorValue(ui->Btn_MovPerPulse, QStringLiteral("Move per Pulse(mm)"), CAPTION_MOV_PER_PULSE,
                       AppConfig::m_fAxisMovPerPulse[s], CMotionSettings::MovPerPulseRange());
    // A coarser or finer step changes the fastest feed the pulse loops can
    // give: the maximum and working feeds follow, and the button shows the
    // maximum feed now in force.
    CMotionSettings::LimitFeedsToStepRate(s);
    if (RefusedByAxes(before, {s}, CAPTION_MOV_PER_PULSE, AppConfig::m_fAxisMovPerPulse[s]))
        return;
    CButtonText::Set(ui->Btn_MaxFeed, Caption(AppConfig::m_fMaxAxisFeed[s], 4, CAPTION_MAX_FEED));
    RefreshUserSettings();
    AxisCtrl* pAxis = Axis(s);
    if (!pAxis->UpdateStepResolution())
        LogAxisError(s);
    if (s == X_AXIS)
        CMotionSettings::RaiseArcStep(AppConfig::m_fAxisMovPerPulse[X_AXIS]);
    RefreshRamp(s);
    CreateVelAccGraphics();
}

void CDlgMachineSettings::on_Btn_MaxFeed_clicked()
{
    if (MachineBusy())
        return;
    const int s = m_eSelAxis;
    const QString strTitle =
        QStringLiteral("Axis Feed") + (IsRotary(s) ? QStringLiteral("(deg/sec)") : QStringLiteral("(mm/sec)"));
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    AppConfig::m_fMaxAxisFeed[s] = EditMotorValue(ui->Btn_MaxFeed, strTitle, CAPTION_MAX_FEED,
                                                  AppConfig::m_fMaxAxisFeed[s], CMotionSettings::MaxFeedRange(s));
    CMotionSettings::DeriveFeeds(s);
    if (RefusedByAxes(before, {s}, CAPTION_MAX_FEED, AppConfig::m_fMaxAxisFeed[s]))
        return;
    RefreshUserSettings();
    RefreshRamp(s);
    CreateVelAccGraphics();
}

void CDlgMachineSettings::on_Btn_MaxAcc_clicked()
{
    if (MachineBusy())
        return;
    const int s = m_eSelAxis;
    const QString strTitle = QStringLiteral("Axis Acceleration") +
                             (IsRotary(s) ? QStringLiteral("(deg/sec2)") : QStringLiteral("(mm/sec2)"));
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    AppConfig::m_fAxisAcc[s] = EditMotorValue(ui->Btn_MaxAcc, strTitle, CAPTION_ACC, AppConfig::m_fAxisAcc[s],
                                              CMotionSettings::AccRange());
    if (RefusedByAxes(before, {s}, CAPTION_ACC, AppConfig::m_fAxisAcc[s]))
        return;
    RefreshRamp(s);
    CreateVelAccGraphics();
}

void CDlgMachineSettings::on_Btn_Axis_Pulse_DutyCycle_clicked()
{
    if (MachineBusy())
        return;
    const int s = m_eSelAxis;
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    AppConfig::m_fAxisDutyCycle[s] =
        EditMotorValue(ui->Btn_Axis_Pulse_DutyCycle, QStringLiteral("Axis Pulse Duty Cycle"), CAPTION_DUTY,
                       AppConfig::m_fAxisDutyCycle[s], CMotionSettings::DutyCycleRange(), 2);
    if (RefusedByAxes(before, {s}, CAPTION_DUTY, AppConfig::m_fAxisDutyCycle[s]))
        return;
    CButtonText::Set(ui->Btn_Axis_Pulse_DutyCycle, Caption(AppConfig::m_fAxisDutyCycle[s], 2, CAPTION_DUTY));
    // The pulse shape changes, the speeds do not: the working ramp is rebuilt
    // with the new high time, the graph stays.
    AxisCtrl* pAxis = Axis(s);
    if (!pAxis->UpdateDutyCycle())
        LogAxisError(s);
}

void CDlgMachineSettings::on_Btn_RateOfAcc_clicked()
{
    if (MachineBusy())
        return;
    const int s = m_eSelAxis;
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    AppConfig::m_fAxisRateOfAcc[s] =
        EditMotorValue(ui->Btn_RateOfAcc, QStringLiteral("Axis Rate Of Acc(mm/sec3)"), CAPTION_RATE_OF_ACC,
                       AppConfig::m_fAxisRateOfAcc[s], CMotionSettings::RateOfAccRange());
    if (RefusedByAxes(before, {s}, CAPTION_RATE_OF_ACC, AppConfig::m_fAxisRateOfAcc[s]))
        return;
    Axis(s)->UpdateDutyCycle();
    RefreshRamp(s);
    CreateVelAccGraphics();
}

void CDlgMachineSettings::on_Btn_VelCurveType_clicked()
{
    if (MachineBusy())
        return;
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    const bool bSCurve = AppConfig::m_eAxisFeedtype != FEED_SCURVE;
    AppConfig::m_eAxisFeedtype = bSCurve ? FEED_SCURVE : FEED_LINEAR;
    if (RefusedByAxes(before, AxesInUse(), bSCurve ? QStringLiteral("S-Curve") : QStringLiteral("Trapezoidal")))
        return;
    ShowCurveType();
    RefreshAllRamps();
    CreateVelAccGraphics();
}

void CDlgMachineSettings::on_Btn_VelAccUserTimePeriod_clicked()
{
    if (MachineBusy())
        return;
    const double fSeconds = EditMotorValue(
        ui->Btn_VelAccUserTimePeriod, QStringLiteral("Sampling Time(sec)"), CAPTION_SAMPLING,
        CMotionSettings::SamplingTimeSeconds(AppConfig::m_iVelAccSamplingTime), CMotionSettings::SamplingTimeRange());
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    AppConfig::m_iVelAccSamplingTime = CMotionSettings::SamplingTimeMicros(fSeconds);
    if (RefusedByAxes(before, AxesInUse(), CAPTION_SAMPLING,
                      CMotionSettings::SamplingTimeSeconds(AppConfig::m_iVelAccSamplingTime)))
        return;
    RefreshAllRamps();
    CreateVelAccGraphics();
}

void CDlgMachineSettings::CopyMotorParamsToAllAxis()
{
    if (MachineBusy())
        return;
    const int s = m_eSelAxis;
    QVector<int> lstTargets = CMotionSettings::MotorGroup(s);
    lstTargets.removeAll(s);
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    for (int t : lstTargets) {
        CMotionSettings::CopyMotorParams(s, t);
        CMotionSettings::LimitUserAndJogFeed(t);
    }
    // The copy is refused whole when an axis of the group cannot run with it.
    if (RefusedByAxes(before, lstTargets, QStringLiteral("Same motor settings")))
        return;
    for (int t : lstTargets)
        Axis(t)->UpdateStepResolution();
    for (int t : lstTargets)
        RefreshRamp(t);
    RefreshUserSettings();
    CUserSettingsMath::CapPlungeFeed();
    // The copied maximum feeds change the rapid feed too.
    AppConfig::DeriveRapidFeed();
    CMotionSettings::RaiseArcStep(AppConfig::m_fAxisMovPerPulse[X_AXIS]);
    if (AppConfig::m_iMchType == 5)
        CMotionSettings::RaiseArcStep(AppConfig::m_fAxisMovPerPulse[A_AXIS]);
}

void CDlgMachineSettings::SameMotorSettings(QPushButton* pBtn, bool bGroupAB)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    if (!MachineBusy()) {
        // "Same for A, B" with X, Y or Z shown copies from A.
        if (bGroupAB && CMotionSettings::MotorGroup(m_eSelAxis).contains(X_AXIS))
            SelectAxis(A_AXIS);
        CopyMotorParamsToAllAxis();
        CreateVelAccGraphics();
    }
    CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
}

void CDlgMachineSettings::on_Btn_SameMotorSettings_clicked() { SameMotorSettings(ui->Btn_SameMotorSettings, false); }

void CDlgMachineSettings::on_Btn_SameMotorSettings_AB_clicked()
{
    SameMotorSettings(ui->Btn_SameMotorSettings_AB, true);
}

void CDlgMachineSettings::CreateVelAccGraphics()
{
    // Drawn for the eye only: a hidden window (at start-up) draws it when
    // it shows.
    if (!isVisible()) {
        m_bGraphStale = true;
        return;
    }
    m_bGraphStale = false;
    // The ramp the selected axis recorded at its last refresh.
    const int s = m_eSelAxis;
    AxisCtrl* pAxis = Axis(s);
    const QVector<double> profile = pAxis ? pAxis->m_lstVelProfile : QVector<double>();
    QImage img = CVelAccGraph::Draw(profile, AppConfig::m_fAxisMovPerPulse[s]);
    m_VelAccView.DisplayImage(&img, true);
}

// ---------------------------------------------------------------- Axis tab

void CDlgMachineSettings::EnlMotionLimits()
{
    const bool bEnable = AppConfig::m_bHomeSensorsUsed;
    const int nAxes = AppConfig::AxesInUse();
    for (int i = 0; i < nAxes; ++i) {
        m_PosLimitBtns[i]->setEnabled(bEnable);
        m_NegLimitBtns[i]->setEnabled(bEnable);
    }
}

void CDlgMachineSettings::EditLimit(int iAxis, bool bPositive)
{
    if (MachineBusy())
        return;
    QPushButton* pBtn = bPositive ? m_PosLimitBtns[iAxis] : m_NegLimitBtns[iAxis];
    double& fLimit = bPositive ? AppConfig::m_fAxisPosDirLimit[iAxis] : AppConfig::m_fAxisNegDirLimit[iAxis];
    const QString strTitle = QString(QChar("XYZAB"[iAxis])) +
                             (bPositive ? QStringLiteral(" Axis +Dir Limit(mm)") : QStringLiteral(" Axis -Dir Limit(mm)"));
    const double fValue = Services()->OpenKeypad(pBtn, strTitle, QString(), Number(fLimit), stFloatPoint(), true, 4);
    const QString strError =
        bPositive ? CMotionSettings::CheckPosLimit(iAxis, fValue) : CMotionSettings::CheckNegLimit(iAxis, fValue);
    if (strError.isEmpty()) {
        fLimit = fValue;
        Axis(iAxis)->ConfigAxis();
    } else {
        LogError(strError);
        CButtonText::Set(pBtn, Number(fLimit));
    }
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
}

void CDlgMachineSettings::on_Btn_X_PosDirMovLimit_clicked() { EditLimit(X_AXIS, true); }
void CDlgMachineSettings::on_Btn_Y_PosDirMovLimit_clicked() { EditLimit(Y_AXIS, true); }
void CDlgMachineSettings::on_Btn_Z_PosDirMovLimit_clicked() { EditLimit(Z_AXIS, true); }
void CDlgMachineSettings::on_Btn_A_PosDirMovLimit_clicked() { EditLimit(A_AXIS, true); }
void CDlgMachineSettings::on_Btn_B_PosDirMovLimit_clicked() { EditLimit(B_AXIS, true); }
void CDlgMachineSettings::on_Btn_X_NegDirMovLimit_clicked() { EditLimit(X_AXIS, false); }
void CDlgMachineSettings::on_Btn_Y_NegDirMovLimit_clicked() { EditLimit(Y_AXIS, false); }
void CDlgMachineSettings::on_Btn_Z_NegDirMovLimit_clicked() { EditLimit(Z_AXIS, false); }
void CDlgMachineSettings::on_Btn_A_NegDirMovLimit_clicked() { EditLimit(A_AXIS, false); }
void CDlgMachineSettings::on_Btn_B_NegDirMovLimit_clicked() { EditLimit(B_AXIS, false); }

void CDlgMachineSettings::ToggleDirection(int iAxis, bool bHomeDir)
{
    if (MachineBusy())
        return;
    // The axes read the directions from the settings store at each move.
    eDirection& eDir = bHomeDir ? AppConfig::m_eAxisHomeDir[iAxis] : AppConfig::m_eAxisPosDir[iAxis];
    eDir = eDir == DIR_CCW ? DIR_CW : DIR_CCW;
    (bHomeDir ? m_HomeDirBtns : m_PosDirBtns)[iAxis]->setText(CMotionSettings::DirectionText(eDir));
}

void CDlgMachineSettings::on_Btn_X_PosDirMotRot_clicked() { ToggleDirection(X_AXIS, false); }
void CDlgMachineSettings::on_Btn_Y_PosDirMotRot_clicked() { ToggleDirection(Y_AXIS, false); }
void CDlgMachineSettings::on_Btn_Z_PosDirMotRot_clicked() { ToggleDirection(Z_AXIS, false); }
void CDlgMachineSettings::on_Btn_A_PosDirMotRot_clicked() { ToggleDirection(A_AXIS, false); }
void CDlgMachineSettings::on_Btn_B_PosDirMotRot_clicked() { ToggleDirection(B_AXIS, false); }
void CDlgMachineSettings::on_Btn_X_HomeDirMotRot_clicked() { ToggleDirection(X_AXIS, true); }
void CDlgMachineSettings::on_Btn_Y_HomeDirMotRot_clicked() { ToggleDirection(Y_AXIS, true); }
void CDlgMachineSettings::on_Btn_Z_HomeDirMotRot_clicked() { ToggleDirection(Z_AXIS, true); }
void CDlgMachineSettings::on_Btn_A_HomeDirMotRot_clicked() { ToggleDirection(A_AXIS, true); }
void CDlgMachineSettings::on_Btn_B_HomeDirMotRot_clicked() { ToggleDirection(B_AXIS, true); }

// ----------------------------------------------------------------- I/O tab

void CDlgMachineSettings::on_Btn_UseHomeIP_clicked()
{
    // Switching the home switches off drops the soft limits of the axes:
    // never under a moving machine.
    if (MachineBusy())
        return;
    AppConfig::m_bHomeSensorsUsed = !AppConfig::m_bHomeSensorsUsed;
    ui->Btn_UseHomeIP->setStyleSheet(AppConfig::m_bHomeSensorsUsed ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    Services()->EnlMchHomingOptions(AppConfig::m_bHomeSensorsUsed);
    for (int i = 0; i < AppConfig::m_iMchType && i < AXIS_COUNT; ++i)
        Axis(i)->ConfigAxis();
    EnlMotionLimits();
}

void CDlgMachineSettings::on_Cmb_KivCntrolSel_currentIndexChanged(int index)
{
    if (index < CTRL_KIVQ10 || index > CTRL_SPI_V3)
        return;
    if (!m_bFirstConfig && MachineBusy()) {
        // Refused: the combo goes back to the kind in force.
        QSignalBlocker block(ui->Cmb_KivCntrolSel);
        ui->Cmb_KivCntrolSel->setCurrentIndex(StoredKindItem());
        return;
    }
    const eKivController ePrevious = AppConfig::m_eDiradiCtrl;
    AppConfig::m_eDiradiCtrl = eKivController(index);
    if (index == CTRL_KIVQ10 || index == CTRL_KIVQ20) {
        m_SpiBoardPage.hide();
        m_RpiPinoutPage.ConfigSettings();
        m_RpiPinoutPage.show();
        if (m_bFirstConfig)
            AppConfig::m_iMchType = index == CTRL_KIVQ10 ? 3 : 5;
        else if (ePrevious == CTRL_KIVQ10 || ePrevious == CTRL_KIVQ20)
            SwitchPiPinout();
        // From an SPI board kind the Pi's pins and its number of axes wait
        // for the restart: the open board still holds the SPI lines that
        // the Pi pin-out would drive as outputs.
    } else {
        m_SpiBoardPage.ConfigSettings();
        m_SpiBoardPage.show();
        m_RpiPinoutPage.hide();
    }
    if (!m_bFirstConfig)
        LogError(QStringLiteral("Please Save and Restart application for the changes to take affect"));
}

void CDlgMachineSettings::SwitchPiPinout()
{
    // The two Pi pin-outs differ only in pins 5, 6, 13, 14, 15 and 18: the
    // A and B axes or the M200..M210 outputs. They take their new roles at
    // once (the machine is idle), so that five axes in use never step on
    // pins nobody assigned and three never lose their M-code outputs.
    const int nAxesBefore = AppConfig::AxesInUse();
    AppConfig::InstallPinAssignment(AppConfig::m_eDiradiCtrl);
    CKIVGPIO::SetupPinoutPins();
    const int nAxes = AppConfig::AxesInUse();
    // A and B join with their step size, soft limits and working ramp.
    for (int i = nAxesBefore; i < nAxes; ++i)
        if (AxisCtrl* pAxis = Axis(i))
            pAxis->ConfigAxis();
    AppConfig::DeriveRapidFeed();
}

void CDlgMachineSettings::on_Btn_PwmSettings_clicked()
{
    ui->Btn_PwmSettings->setStyleSheet(BTN_BKGND_BLUE);
    {
        // Opened over the panel, so that a PWM start that fails is reported
        // in the main window's log.
        CDlgPwmSpndlSettings dlg(this);
        dlg.exec();
    }
    ui->Btn_PwmSettings->setStyleSheet(AppConfig::m_bPWMCtrlUsed ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    if (CMainServices* pServices = Services())
        pServices->EnableDisableSpindleSpeedCtrl(AppConfig::m_bPWMCtrlUsed);
}

// ------------------------------------------------------ Control tab, lock

void CDlgMachineSettings::on_Btn_UseKeyboardCtrl_clicked()
{
    AppConfig::m_bKeyboardCtrlUsed = !AppConfig::m_bKeyboardCtrlUsed;
    ui->Btn_UseKeyboardCtrl->setStyleSheet(AppConfig::m_bKeyboardCtrlUsed ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    if (CMainServices* pServices = Services())
        pServices->SetKeyboardGrab(AppConfig::m_bKeyboardCtrlUsed);
}

void CDlgMachineSettings::on_Btn_MachSettingsPasswd_clicked()
{
    AppConfig::m_bAppPassword = !AppConfig::m_bAppPassword;
    if (!AppConfig::m_bAppPassword) {
        ui->Btn_MachSettingsPasswd->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }
    ui->Btn_MachSettingsPasswd->setStyleSheet(BTN_BKGND_BLUE);
    // The keypad opens on the present pass key; OK on an emptied entry keeps
    // it.
    QString strKey = AppConfig::m_strAppPassword;
    if (CPrompter::Instance().Keypad(this, QStringLiteral("M/C Settings lock"), strKey, false, true)) {
        AppConfig::m_strAppPassword = strKey;
        ui->Btn_MachSettingsPasswd->setStyleSheet(BTN_BKGND_GREEN);
    } else {
        ui->Btn_MachSettingsPasswd->setStyleSheet(BTN_BKGND_GRAY);
        AppConfig::m_bAppPassword = false;
    }
}
