#include "gcodewindows/dlggcodesettings.h"
#include "ui_dlggcodesettings.h"

#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "gcode/gcodeentryranges.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"
#include "widgets/resources.h"

#include <cmath>

const QString dlgGCodeSettings::HOME_REF_GREY = QStringLiteral(
    "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, stop:0 rgba(255, "
    "255, 255, 255), stop:1 rgba(100, 100,100, 100));border-radius:25px;border-style: solid;border-width:2px;"
    "border-color: black");
const QString dlgGCodeSettings::HOME_REF_BLUE = QStringLiteral(
    "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, stop:0 rgba(255, "
    "255, 255, 255), stop:1 rgba(0, 0,255, 255));border-radius:25px;border-style: solid;border-width:2px;"
    "border-color: black");

dlgGCodeSettings::dlgGCodeSettings(QWidget* parent) : QDialog(parent), ui(new Ui::dlgGCodeSettings)
{
    InitAppResources();
    ui->setupUi(this);
    m_pCurHomeRefBtn = ui->Btn_GCodeHmPosBLU;
}

dlgGCodeSettings::~dlgGCodeSettings()
{
    delete ui;
}

void dlgGCodeSettings::ConfigSettings()
{
    const stGCodeRunSettings& run = AppConfig::m_GCodeRunSettings;
    if (run.m_bUsePrgmFeed)
        ui->Btn_UsePrgmFeed->setStyleSheet(BTN_BKGND_GREEN);
    if (run.m_bSaveExecStatus)
        ui->Btn_GCode_SaveExecStatus->setStyleSheet(BTN_BKGND_GREEN);
    if (run.m_bUsePrgmSpindleSpeed)
        ui->Btn_GCode_UsePrgmSpindleSpeed->setStyleSheet(BTN_BKGND_GREEN);
    CButtonText::Set(ui->Btn_GCode_AxisStep, QString::number(run.m_fAxisStep, 'f', 4) + QStringLiteral("\nAxis Step"));

    QPushButton* pBtn = nullptr;
    switch (run.m_iHomeRef) {
    case 0: pBtn = ui->Btn_GCodeHmPosTLU; break;
    case 2: pBtn = ui->Btn_GCodeHmPosTRU; break;
    case 4: pBtn = ui->Btn_GCodeHmPosBRU; break;
    case 6: pBtn = ui->Btn_GCodeHmPosBLU; break;
    case 8: pBtn = ui->Btn_GCodeHmPosCenter; break;
    default: break;
    }
    if (pBtn) {
        pBtn->setStyleSheet(HOME_REF_BLUE + QStringLiteral(";"));
        m_pCurHomeRefBtn = pBtn;
    }
}

void dlgGCodeSettings::Toggle(QPushButton* pBtn, bool& bSetting)
{
    bSetting = !bSetting;
    pBtn->setStyleSheet(bSetting ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
}

void dlgGCodeSettings::on_Btn_UsePrgmFeed_clicked()
{
    Toggle(ui->Btn_UsePrgmFeed, AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed);
}

void dlgGCodeSettings::on_Btn_GCode_SaveExecStatus_clicked()
{
    Toggle(ui->Btn_GCode_SaveExecStatus, AppConfig::m_GCodeRunSettings.m_bSaveExecStatus);
}

void dlgGCodeSettings::on_Btn_GCode_UsePrgmSpindleSpeed_clicked()
{
    Toggle(ui->Btn_GCode_UsePrgmSpindleSpeed, AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed);
}

void dlgGCodeSettings::SetHomeRef(int iHomeRef, QPushButton* pBtn)
{
    AppConfig::m_GCodeRunSettings.m_iHomeRef = iHomeRef;
    UpdateHomeRefBtnGr(pBtn);
}

void dlgGCodeSettings::UpdateHomeRefBtnGr(QPushButton* pBtn)
{
    if (m_pCurHomeRefBtn)
        m_pCurHomeRefBtn->setStyleSheet(HOME_REF_GREY);
    pBtn->setStyleSheet(HOME_REF_BLUE);
    m_pCurHomeRefBtn = pBtn;
}

void dlgGCodeSettings::on_Btn_GCodeHmPosTLU_clicked() { SetHomeRef(0, ui->Btn_GCodeHmPosTLU); }
void dlgGCodeSettings::on_Btn_GCodeHmPosTRU_clicked() { SetHomeRef(2, ui->Btn_GCodeHmPosTRU); }
void dlgGCodeSettings::on_Btn_GCodeHmPosBRU_clicked() { SetHomeRef(4, ui->Btn_GCodeHmPosBRU); }
void dlgGCodeSettings::on_Btn_GCodeHmPosBLU_clicked() { SetHomeRef(6, ui->Btn_GCodeHmPosBLU); }
void dlgGCodeSettings::on_Btn_GCodeHmPosCenter_clicked() { SetHomeRef(8, ui->Btn_GCodeHmPosCenter); }

void dlgGCodeSettings::on_Btn_GCode_AxisStep_clicked()
{
    AppConfig::m_GCodeRunSettings.m_fAxisStep =
        OpenKeypad(ui->Btn_GCode_AxisStep, QStringLiteral("Axis Step"), QStringLiteral("Axis Step"),
                   QString::number(AppConfig::m_GCodeRunSettings.m_fAxisStep, 'f', 4), CGCodeEntryRanges::AxisStep(),
                   false);
}

double dlgGCodeSettings::OpenKeypad(QPushButton* pBtn, QString strTitle, QString strCaption, QString strValue,
                                    stFloatPoint fRange, bool bSign)
{
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    bool bOk = false;
    double fValue = strValue.toDouble(&bOk);
    if (!bOk || !std::isfinite(fValue))
        fValue = 0.0;
    QString strEntry = strValue;
    if (CPrompter::Instance().Keypad(this, strTitle, strEntry, bSign, true)) {
        const double fEntry = strEntry.trimmed().toDouble(&bOk);
        if (bOk && std::isfinite(fEntry))
            fValue = fEntry;
    }
    fValue = CGCodeEntryRanges::Clamp(fValue, fRange);
    QString strText = QString::number(fValue, 'f', 4);
    if (!strCaption.isEmpty())
        strText += QStringLiteral("\n") + strCaption;
    CButtonText::Set(pBtn, strText);
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    return fValue;
}

void dlgGCodeSettings::ResetBtnBkGnd(QPushButton* pBtn, QString strStyle)
{
    CMainServices::ResetBtnBkGnd(pBtn, strStyle);
}
