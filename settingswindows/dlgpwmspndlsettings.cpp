#include "settingswindows/dlgpwmspndlsettings.h"
#include "ui_dlgpwmspndlsettings.h"

#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "machine/kivgpio.h"
#include "settings/spindlesettingsmath.h"
#include "settingswindows/dlgspindlespeedsettings.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"

namespace {
QString ButtonText(unsigned value, const QString& strUnit)
{
    return QString::number(value) + QStringLiteral("\n") + strUnit;
}
} // namespace

CDlgPwmSpndlSettings::CDlgPwmSpndlSettings(QWidget* parent)
    : QDialog(parent), ui(new Ui::CDlgPwmSpndlSettings)
{
    ui->setupUi(this);
    const stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    CButtonText::Set(ui->Btn_PwmMinFreq, ButtonText(pwm.m_nMinFreq, QStringLiteral("Min Freq")));
    CButtonText::Set(ui->Btn_PwmMaxFreq, ButtonText(pwm.m_nMaxFreq, QStringLiteral("Max Freq")));
    CButtonText::Set(ui->Btn_SpndlTimeDelay, ButtonText(pwm.m_nSpindleDelay, QStringLiteral("milli Secs")));
    ShowPwmState();
}

void CDlgPwmSpndlSettings::ShowPwmState()
{
    ui->Btn_EnlSpndlPwm->setStyleSheet(AppConfig::m_bPWMCtrlUsed ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    ui->Btn_SpindleSpeedTable->setEnabled(!AppConfig::m_bPWMCtrlUsed);
}

CDlgPwmSpndlSettings::~CDlgPwmSpndlSettings()
{
    delete ui;
}

unsigned short CDlgPwmSpndlSettings::OpenKeypad(QPushButton* pBtn, QString strTitle, QString strUnit,
                                                QString strValue, stFloatPoint range)
{
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    QString strEntry = strValue;
    CPrompter::Instance().Keypad(this, strTitle, strEntry, false, false);
    bool bOk = false;
    qint64 iValue = strEntry.trimmed().toLongLong(&bOk, 10);
    if (!bOk)
        iValue = strValue.toLongLong(); // not a whole number: the value stays
    const unsigned short nValue = CSpindleSettingsMath::ClampToRange(iValue, range);
    CButtonText::Set(pBtn, ButtonText(nValue, strUnit));
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    return nValue;
}

void CDlgPwmSpndlSettings::on_Btn_PwmMinFreq_clicked()
{
    stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    pwm.m_nMinFreq = OpenKeypad(ui->Btn_PwmMinFreq, QStringLiteral("PWM Min Frequency"), QStringLiteral("Min Freq"),
                                QString::number(pwm.m_nMinFreq), CSpindleSettingsMath::MinFreqRange(pwm.m_nMaxFreq));
    // The slider's steps start from the new minimum: recomputed here too, or
    // the upper positions would run past the maximum.
    pwm.m_nFreqStep = CSpindleSettingsMath::FreqStep(pwm.m_nMinFreq, pwm.m_nMaxFreq);
}

void CDlgPwmSpndlSettings::on_Btn_PwmMaxFreq_clicked()
{
    stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    pwm.m_nMaxFreq = OpenKeypad(ui->Btn_PwmMaxFreq, QStringLiteral("PWM Max Frequency"), QStringLiteral("Max Freq"),
                                QString::number(pwm.m_nMaxFreq), CSpindleSettingsMath::MaxFreqRange(pwm.m_nMinFreq));
    pwm.m_nFreqStep = CSpindleSettingsMath::FreqStep(pwm.m_nMinFreq, pwm.m_nMaxFreq);
}

void CDlgPwmSpndlSettings::on_Btn_SpndlTimeDelay_clicked()
{
    stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    pwm.m_nSpindleDelay =
        OpenKeypad(ui->Btn_SpndlTimeDelay, QStringLiteral("Spindle Time Delay"), QStringLiteral("milli Secs"),
                   QString::number(pwm.m_nSpindleDelay), CSpindleSettingsMath::DelayRange());
}

void CDlgPwmSpndlSettings::on_Btn_EnlSpndlPwm_clicked()
{
    AppConfig::m_bPWMCtrlUsed = !AppConfig::m_bPWMCtrlUsed;
    if (!AppConfig::m_bPWMCtrlUsed) {
        ShowPwmState();
        CKIVGPIO::PwmStop();
        return;
    }
    // Switched on, the PWM starts at the lowest spindle speed (the minimum
    // frequency as it stands now, whatever the frequency was before); the
    // spindle slider takes over once the machine settings have it enabled.
    stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    pwm.m_nCurFreq = pwm.m_nMinFreq;
    if (!CKIVGPIO::PwmStart()) {
        // PWM control stays off rather than pretending the spindle follows.
        AppConfig::m_bPWMCtrlUsed = false;
        ShowPwmState();
        ReportPwmFailure(CKIVGPIO::GetErrorMsg());
        return;
    }
    ShowPwmState();
}

void CDlgPwmSpndlSettings::on_Btn_SpindleSpeedTable_clicked()
{
    QPushButton* pBtn = ui->Btn_SpindleSpeedTable;
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    CdlgSpindleSpeedSettings table(this);
    table.ConfigSettings();
    table.exec();
    // The table's wait time is this page's delay.
    CButtonText::Set(ui->Btn_SpndlTimeDelay,
                     ButtonText(AppConfig::m_stPwmSpndlSettings.m_nSpindleDelay, QStringLiteral("milli Secs")));
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
}

void CDlgPwmSpndlSettings::ReportPwmFailure(const QString& strWhy)
{
    const QString strMsg = strWhy.isEmpty() ? QStringLiteral("Error: Spindle PWM not started") : strWhy;
    if (CMainServices* pMain = CMainServices::Of(this))
        pMain->AddLogMsg(strMsg, MSG_ERROR);
    else
        CPrompter::Instance().Warning(this, QStringLiteral("PWM Settings"), strMsg);
}

void CDlgPwmSpndlSettings::on_Btn_Ok_clicked()
{
    accept();
}
