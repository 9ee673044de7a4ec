#include "settingswindows/dlgusersettings.h"
#include "ui_dlgusersettings.h"

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "settings/usersettingsmath.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"
#include "widgets/embeddedwindow.h"

namespace {
QString Number(double fValue) { return QString::number(fValue, 'f', 4); }
const int KEY_ZERO = 48; // the pendant's "0" key
const char* const AXIS_LETTERS[AXIS_COUNT] = {"X", "Y", "Z", "A", "B"};
} // namespace

CDlgUserSettings::CDlgUserSettings(QWidget* parent)
    : QDialog(parent), ui(new Ui::CDlgUserSettings)
{
    EmbedInMainWindow(this);
    ui->setupUi(this);
    m_strUnitsStyle = ui->Btn_MchUnits_XYZ->styleSheet();
}

CDlgUserSettings::~CDlgUserSettings()
{
    delete ui;
}

// ---------------------------------------------------------------------------
// Filling the panel
// ---------------------------------------------------------------------------

void CDlgUserSettings::ConfigSettings()
{
    const bool bFiveAxes = AppConfig::m_iMchType == 5;
    SelectAxis(X_AXIS);
    ShowState(ui->Btn_UseG01Feed, AppConfig::m_bUseG01FeedForJog);

    for (int i = 0; i < AXIS_COUNT; ++i)
        if (i <= Z_AXIS || bFiveAxes)
            ToolChangePosButton(i)->setText(Number(AppConfig::m_fAxisManualToolChngPos[i]));
    ui->Btn_AxisSel_A->setEnabled(bFiveAxes);
    ui->Btn_AxisSel_B->setEnabled(bFiveAxes);
    ui->Btn_SameMotorSettings_AB->setEnabled(bFiveAxes);

    ShowToolChangeOptions();
    ShowSpindleOptions();

    UpdateAutoHomingOptions(AppConfig::m_bHomeSensorsUsed);
    ShowState(ui->Btn_AutoHomeOnStartup, AppConfig::m_bAutoHmOnStartup);
    CButtonText::Set(ui->Btn_HomeRepeatOffset,
                     Number(AppConfig::m_fHomeRepeatOffset) + QStringLiteral("\nRepeat Offset"));
    CButtonText::Set(ui->Btn_ZSafetyPosition, Number(AppConfig::m_fZSafePos) + QStringLiteral("\nz Safe Pos"));
}

void CDlgUserSettings::ResetUI()
{
    ui->Btn_AutoHomeSequence->setStyleSheet(BTN_BKGND_GRAY);
}

void CDlgUserSettings::UpdateAutoHomingOptions(bool bEnable)
{
    if (!bEnable) {
        // Without home switches the machine cannot home: homing on start-up
        // is switched off too, so that it does not come back by itself when
        // switches are fitted later.
        AppConfig::m_bAutoHmOnStartup = false;
        ui->Btn_AutoHomeOnStartup->setStyleSheet(BTN_BKGND_GRAY);
        ui->Btn_AutoHomeSequence->setStyleSheet(BTN_BKGND_GRAY);
    }
    ui->Btn_AxisAutoHmFeed->setEnabled(bEnable);
    ui->Btn_AutoHomeOnStartup->setEnabled(bEnable);
    ui->Btn_HomeRepeatOffset->setEnabled(bEnable);
    ui->Btn_AutoHomeSequence->setEnabled(bEnable);
}

void CDlgUserSettings::ShowState(QPushButton* pBtn, bool bOn)
{
    pBtn->setStyleSheet(bOn ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
}

void CDlgUserSettings::FlashBack(QPushButton* pBtn)
{
    CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
}

void CDlgUserSettings::ShowFeeds()
{
    const int s = m_iSelAxis;
    CButtonText::Set(ui->Btn_AxisUserFeed, Number(AppConfig::m_fUserAxisFeed[s]));
    CButtonText::Set(ui->Btn_AxisJogFeed,
        Number(AppConfig::m_bUseG01FeedForJog ? AppConfig::m_fUserAxisFeed[s] : AppConfig::m_fAxisJogFeed[s]));
    ui->Btn_AxisJogFeed->setEnabled(!AppConfig::m_bUseG01FeedForJog);
    CButtonText::Set(ui->Btn_AxisAutoHmFeed, Number(AppConfig::m_fAxisHomeFeed[s]));
}

void CDlgUserSettings::ShowSpindleOptions()
{
    ShowState(ui->Btn_AutoTurnOnSpindleCW, AppConfig::m_bAutoSpindleOnCW);
    ShowState(ui->Btn_AutoTurnOnSpindleCCW, AppConfig::m_bAutoSpindleOnCCW);
    ShowState(ui->Btn_AutoTurnOffSpindle, AppConfig::m_bAutoSpindleOff);
    // Automatic switch-on is clockwise or counter-clockwise, never both. A
    // switch that is on can always be switched off, also when a settings
    // file brought both on.
    ui->Btn_AutoTurnOnSpindleCCW->setEnabled(!AppConfig::m_bAutoSpindleOnCW || AppConfig::m_bAutoSpindleOnCCW);
    ui->Btn_AutoTurnOnSpindleCW->setEnabled(!AppConfig::m_bAutoSpindleOnCCW || AppConfig::m_bAutoSpindleOnCW);
}

void CDlgUserSettings::ShowToolChangeOptions()
{
    const bool bManual = AppConfig::m_bEnlManualToolChange;
    const bool bAuto = AppConfig::m_bEnlAutoToolChange;
    ShowState(ui->Btn_EnlManualToolChange, bManual);
    ShowState(ui->Btn_EnlAutoToolChange, bAuto);
    // Manual and automatic tool change exclude each other; one that is on
    // can always be switched off.
    ui->Btn_EnlAutoToolChange->setEnabled(!bManual || bAuto);
    ui->Btn_EnlManualToolChange->setEnabled(!bAuto || bManual);
    const int nAxes = AppConfig::AxesInUse();
    for (int i = 0; i < AXIS_COUNT; ++i)
        ToolChangePosButton(i)->setEnabled(bManual && !bAuto && i < nAxes);
}

QPushButton* CDlgUserSettings::ToolChangePosButton(int iAxis) const
{
    QPushButton* const apBtn[AXIS_COUNT] = {ui->Btn_ToolChangePos_X, ui->Btn_ToolChangePos_Y, ui->Btn_ToolChangePos_Z,
                                            ui->Btn_ToolChangePos_A, ui->Btn_ToolChangePos_B};
    return apBtn[iAxis];
}

QPushButton* CDlgUserSettings::AxisSelButton(int iAxis) const
{
    QPushButton* const apBtn[AXIS_COUNT] = {ui->Btn_AxisSel_X, ui->Btn_AxisSel_Y, ui->Btn_AxisSel_Z,
                                            ui->Btn_AxisSel_A, ui->Btn_AxisSel_B};
    return apBtn[iAxis];
}

// ---------------------------------------------------------------------------
// Number buttons
// ---------------------------------------------------------------------------

double CDlgUserSettings::EditValue(QPushButton* pBtn, const QString& strTitle, const QString& strUnit, double fValue,
                                   stFloatPoint fRange, bool bSign)
{
    CMainServices* pMain = CMainServices::Of(this);
    if (!pMain)
        return fValue;
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    const double fNew = pMain->OpenKeypad(pBtn, strTitle, strUnit, Number(fValue), fRange, bSign, 4);
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    return fNew;
}

void CDlgUserSettings::on_Btn_ZSafetyPosition_clicked()
{
    const bool bHomeSensors = AppConfig::m_bHomeSensorsUsed;
    AppConfig::m_fZSafePos =
        EditValue(ui->Btn_ZSafetyPosition, bHomeSensors ? QStringLiteral("z Safe Pos(mm)") : QStringLiteral("z Safe Pos"),
                  QStringLiteral("z Safe Pos"), AppConfig::m_fZSafePos, CUserSettingsMath::ZSafeRange(), bHomeSensors);
}

void CDlgUserSettings::on_Btn_HomeRepeatOffset_clicked()
{
    AppConfig::m_fHomeRepeatOffset =
        EditValue(ui->Btn_HomeRepeatOffset, QStringLiteral("Home Repeat Offset(mm)"), QStringLiteral("Repeat Offset"),
                  AppConfig::m_fHomeRepeatOffset, CUserSettingsMath::HomeRepeatOffsetRange(), false);
}

void CDlgUserSettings::EditToolChangePos(int iAxis)
{
    AppConfig::m_fAxisManualToolChngPos[iAxis] =
        EditValue(ToolChangePosButton(iAxis), QLatin1String(AXIS_LETTERS[iAxis]) + QStringLiteral(" Tool Change Position(mm)"),
                  QString(), AppConfig::m_fAxisManualToolChngPos[iAxis], CUserSettingsMath::ToolChangeRange(iAxis), true);
}

void CDlgUserSettings::on_Btn_ToolChangePos_X_clicked() { EditToolChangePos(X_AXIS); }
void CDlgUserSettings::on_Btn_ToolChangePos_Y_clicked() { EditToolChangePos(Y_AXIS); }
void CDlgUserSettings::on_Btn_ToolChangePos_Z_clicked() { EditToolChangePos(Z_AXIS); }
void CDlgUserSettings::on_Btn_ToolChangePos_A_clicked() { EditToolChangePos(A_AXIS); }
void CDlgUserSettings::on_Btn_ToolChangePos_B_clicked() { EditToolChangePos(B_AXIS); }

void CDlgUserSettings::on_Btn_AxisUserFeed_clicked()
{
    const int s = m_iSelAxis;
    CMainServices* pMain = CMainServices::Of(this);
    if (!pMain)
        return;
    const double fFeed = EditValue(ui->Btn_AxisUserFeed, QStringLiteral("Axis Feed(mm/sec)"), QString(),
                                   AppConfig::m_fUserAxisFeed[s], CUserSettingsMath::FeedRange(s), false);
    CUserSettingsMath::StoreUserFeed(s, fFeed);
    if (AppConfig::m_bUseG01FeedForJog)
        CButtonText::Set(ui->Btn_AxisJogFeed, Number(AppConfig::m_fAxisJogFeed[s]));
    // The axis rebuilds its ramp under its own lock, also while it moves.
    ApplyFeed(*pMain, s);
}

void CDlgUserSettings::ApplyFeed(CMainServices& main, int iAxis)
{
    AxisCtrl& axis = main.GetAppCtrl().m_AxisCtrl[iAxis];
    // An axis that refuses the ramp keeps its old one: the operator is told.
    if (!axis.SetVelocityAcc(AppConfig::m_fAxisFeed[iAxis], AppConfig::m_fAxisAcc[iAxis]))
        main.AddLogMsg(AppConfig::m_strAxisNames[iAxis] + QStringLiteral(": ") + axis.GetErrorMsg(), MSG_ERROR);
}

void CDlgUserSettings::on_Btn_AxisJogFeed_clicked()
{
    const int s = m_iSelAxis;
    AppConfig::m_fAxisJogFeed[s] = EditValue(ui->Btn_AxisJogFeed, QStringLiteral("Axis Jog Feed(mm/sec)"), QString(),
                                             AppConfig::m_fAxisJogFeed[s], CUserSettingsMath::FeedRange(s), false);
}

void CDlgUserSettings::on_Btn_AxisAutoHmFeed_clicked()
{
    const int s = m_iSelAxis;
    AppConfig::m_fAxisHomeFeed[s] = EditValue(ui->Btn_AxisAutoHmFeed, QStringLiteral("Axis Home Feed(mm/sec)"), QString(),
                                              AppConfig::m_fAxisHomeFeed[s], CUserSettingsMath::FeedRange(s), false);
}

// ---------------------------------------------------------------------------
// Switches
// ---------------------------------------------------------------------------

void CDlgUserSettings::on_Btn_AutoHomeOnStartup_clicked()
{
    AppConfig::m_bAutoHmOnStartup = !AppConfig::m_bAutoHmOnStartup;
    ShowState(ui->Btn_AutoHomeOnStartup, AppConfig::m_bAutoHmOnStartup);
}

void CDlgUserSettings::on_Btn_AutoTurnOnSpindleCW_clicked()
{
    AppConfig::m_bAutoSpindleOnCW = !AppConfig::m_bAutoSpindleOnCW;
    ShowSpindleOptions();
}

void CDlgUserSettings::on_Btn_AutoTurnOnSpindleCCW_clicked()
{
    AppConfig::m_bAutoSpindleOnCCW = !AppConfig::m_bAutoSpindleOnCCW;
    ShowSpindleOptions();
}

void CDlgUserSettings::on_Btn_AutoTurnOffSpindle_clicked()
{
    AppConfig::m_bAutoSpindleOff = !AppConfig::m_bAutoSpindleOff;
    ShowSpindleOptions();
}

void CDlgUserSettings::on_Btn_EnlManualToolChange_clicked()
{
    AppConfig::m_bEnlManualToolChange = !AppConfig::m_bEnlManualToolChange;
    ShowToolChangeOptions();
}

void CDlgUserSettings::on_Btn_EnlAutoToolChange_clicked()
{
    AppConfig::m_bEnlAutoToolChange = !AppConfig::m_bEnlAutoToolChange;
    ShowToolChangeOptions();
}

void CDlgUserSettings::on_Btn_UseG01Feed_clicked()
{
    AppConfig::m_bUseG01FeedForJog = !AppConfig::m_bUseG01FeedForJog;
    // Either way the jog feeds of the axes in use start from the user feeds:
    // switching off does not bring back earlier jog feeds.
    CUserSettingsMath::CopyUserFeedsToJogFeeds();
    ShowState(ui->Btn_UseG01Feed, AppConfig::m_bUseG01FeedForJog);
    ui->Btn_AxisJogFeed->setEnabled(!AppConfig::m_bUseG01FeedForJog);
    if (AppConfig::m_bUseG01FeedForJog)
        CButtonText::Set(ui->Btn_AxisJogFeed, Number(AppConfig::m_fUserAxisFeed[m_iSelAxis]));
}

// ---------------------------------------------------------------------------
// Axis selection and copies
// ---------------------------------------------------------------------------

void CDlgUserSettings::SelectAxis(int iAxis)
{
    m_iSelAxis = iAxis;
    ShowFeeds();
    for (int i = 0; i < AXIS_COUNT; ++i)
        AxisSelButton(i)->setStyleSheet(i == iAxis ? BTN_BKGND_BLUE : BTN_BKGND_GRAY);
}

void CDlgUserSettings::on_Btn_AxisSel_X_clicked() { SelectAxis(X_AXIS); }
void CDlgUserSettings::on_Btn_AxisSel_Y_clicked() { SelectAxis(Y_AXIS); }
void CDlgUserSettings::on_Btn_AxisSel_Z_clicked() { SelectAxis(Z_AXIS); }
void CDlgUserSettings::on_Btn_AxisSel_A_clicked() { SelectAxis(A_AXIS); }
void CDlgUserSettings::on_Btn_AxisSel_B_clicked() { SelectAxis(B_AXIS); }

bool CDlgUserSettings::MachineFree(CMainServices& main)
{
    AppControl& ctrl = main.GetAppCtrl();
    if (ctrl.IsOperationRunning() || !ctrl.IsMachineIdle()) {
        main.AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        return false;
    }
    return true;
}

void CDlgUserSettings::CopyFeeds(QPushButton* pBtn, bool bXYZ)
{
    CMainServices* pMain = CMainServices::Of(this);
    if (!pMain)
        return;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    const bool bSelInGroup = bXYZ ? m_iSelAxis <= Z_AXIS : m_iSelAxis >= A_AXIS;
    if (!bSelInGroup) {
        pMain->AddLogMsg(bXYZ ? QStringLiteral("Please select X/Y/Z to Copy") : QStringLiteral("Please select A/B to Copy"),
                         MSG_ERROR);
        FlashBack(pBtn);
        return;
    }
    if (!MachineFree(*pMain)) {
        FlashBack(pBtn);
        return;
    }
    for (int i : CUserSettingsMath::CopyFeedsToGroup(m_iSelAxis))
        ApplyFeed(*pMain, i);
    ShowFeeds();
    FlashBack(pBtn);
}

void CDlgUserSettings::on_Btn_SameMotorSettings_clicked() { CopyFeeds(ui->Btn_SameMotorSettings, true); }
void CDlgUserSettings::on_Btn_SameMotorSettings_AB_clicked() { CopyFeeds(ui->Btn_SameMotorSettings_AB, false); }

// ---------------------------------------------------------------------------
// Move Home
// ---------------------------------------------------------------------------

void CDlgUserSettings::on_Btn_AutoHomeSequence_clicked()
{
    QPushButton* pBtn = ui->Btn_AutoHomeSequence;
    CMainServices* pMain = CMainServices::Of(this);
    if (!pMain)
        return;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    if (!CUserSettingsMath::AllHomeInputsFitted()) {
        pMain->AddLogMsg(QStringLiteral("Homing Sensor not Enabled for all Axis"), MSG_ERROR);
        FlashBack(pBtn);
        return;
    }
    if (pMain->IsEmergencyStopOn() || !MachineFree(*pMain)) {
        FlashBack(pBtn);
        return;
    }
    // A long press of the pendant's "0" key is the operator's answer already.
    if (pMain->GetPendingKey() != KEY_ZERO &&
        CPrompter::Instance().Question(this, QMessageBox::Information, QStringLiteral("Information"),
                                       QStringLiteral("Start Auto Homing?\nCurrent machine home position will be cleared"),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes) {
        FlashBack(pBtn);
        return;
    }
    // Stays green while homing runs; the operation's end calls ResetUI. A
    // refused start (no home switches) says why in the log and greys it now.
    if (!pMain->GetAppCtrl().StartMchHomingSequence())
        FlashBack(pBtn);
}

// ---------------------------------------------------------------------------
// Log and units
// ---------------------------------------------------------------------------

void CDlgUserSettings::on_Btn_LogClear_clicked()
{
    ui->Btn_LogClear->setStyleSheet(BTN_BKGND_GREEN);
    if (CMainServices* pMain = CMainServices::Of(this))
        pMain->ClearLog();
    FlashBack(ui->Btn_LogClear);
}

void CDlgUserSettings::on_Btn_LogSave_clicked()
{
    ui->Btn_LogSave->setStyleSheet(BTN_BKGND_GREEN);
    if (CMainServices* pMain = CMainServices::Of(this))
        pMain->SaveLog();
    ui->Btn_LogSave->setStyleSheet(BTN_BKGND_GRAY);
}

void CDlgUserSettings::on_Btn_MchUnits_XYZ_clicked()
{
    // Units are fixed; the button only says so, and keeps its own look.
    ui->Btn_MchUnits_XYZ->setStyleSheet(BTN_BKGND_GREEN);
    if (CMainServices* pMain = CMainServices::Of(this))
        pMain->AddLogMsg(QStringLiteral("Except in G-Code,\nall input units must be in mm & sec"), MSG_INFO);
    CMainServices::ResetBtnBkGnd(ui->Btn_MchUnits_XYZ, m_strUnitsStyle);
}
