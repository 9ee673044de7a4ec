#include "settingswindows/dlgspindlespeedsettings.h"
#include "ui_dlgspindlespeedsettings.h"

#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "settings/spindlesettingsmath.h"
#include "widgets/buttontext.h"

#include <cmath>

namespace {
QString WithUnit(const QString& strValue, const QString& strUnit)
{
    return strUnit.isEmpty() ? strValue : strValue + QStringLiteral("\n") + strUnit;
}
QString SpeedName(int n) { return QStringLiteral("S%1").arg(n); }
} // namespace

CdlgSpindleSpeedSettings::CdlgSpindleSpeedSettings(QWidget* parent)
    : QDialog(parent), ui(new Ui::CdlgSpindleSpeedSettings)
{
    ui->setupUi(this);
}

CdlgSpindleSpeedSettings::~CdlgSpindleSpeedSettings()
{
    delete ui;
}

QPushButton* CdlgSpindleSpeedSettings::SpeedButton(int n) const
{
    return findChild<QPushButton*>(QStringLiteral("Btn_Speed_%1").arg(n));
}

void CdlgSpindleSpeedSettings::ConfigSettings()
{
    for (int n = 0; n < 16; ++n)
        CButtonText::Set(SpeedButton(n), WithUnit(QString::number(AppConfig::m_iSpindleSpeeds[n]), SpeedName(n)));
    CButtonText::Set(ui->Btn_SpeedSetWaitTime,
        WithUnit(QString::number(AppConfig::m_stPwmSpndlSettings.m_nSpindleDelay, 'f', 4), QStringLiteral("Wait Time")));
}

double CdlgSpindleSpeedSettings::OpenKeypad(QPushButton* pBtn, QString strTitle, QString strUnit, QString strValue,
                                            bool bDecimals)
{
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    QString strEntry = strValue;
    CPrompter::Instance().Keypad(this, strTitle, strEntry, false, bDecimals);
    bool bOk = false;
    double fValue = strEntry.trimmed().toDouble(&bOk);
    if (!bOk || !std::isfinite(fValue))
        fValue = strValue.toDouble(); // not a number: the value stays
    CButtonText::Set(pBtn, WithUnit(QString::number(fValue, 'g', 6), strUnit));
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    return fValue;
}

void CdlgSpindleSpeedSettings::EditSpeed(int n)
{
    QPushButton* pBtn = SpeedButton(n);
    const double fEntry = OpenKeypad(pBtn, SpeedName(n) + QStringLiteral(" Setting"), SpeedName(n),
                                     QString::number(AppConfig::m_iSpindleSpeeds[n]), false);
    bool bClamped = false;
    AppConfig::m_iSpindleSpeeds[n] = CSpindleSettingsMath::SpeedEntry(fEntry, &bClamped);
    // An entry that does not fit shows what was stored instead.
    if (bClamped)
        CButtonText::Set(pBtn, WithUnit(QString::number(AppConfig::m_iSpindleSpeeds[n]), SpeedName(n)));
}

void CdlgSpindleSpeedSettings::on_Btn_Speed_0_clicked() { EditSpeed(0); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_1_clicked() { EditSpeed(1); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_2_clicked() { EditSpeed(2); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_3_clicked() { EditSpeed(3); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_4_clicked() { EditSpeed(4); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_5_clicked() { EditSpeed(5); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_6_clicked() { EditSpeed(6); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_7_clicked() { EditSpeed(7); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_8_clicked() { EditSpeed(8); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_9_clicked() { EditSpeed(9); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_10_clicked() { EditSpeed(10); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_11_clicked() { EditSpeed(11); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_12_clicked() { EditSpeed(12); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_13_clicked() { EditSpeed(13); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_14_clicked() { EditSpeed(14); }
void CdlgSpindleSpeedSettings::on_Btn_Speed_15_clicked() { EditSpeed(15); }

void CdlgSpindleSpeedSettings::on_Btn_SpeedSetWaitTime_clicked()
{
    stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    const double fEntry = OpenKeypad(ui->Btn_SpeedSetWaitTime, QStringLiteral("Wait Time"), QStringLiteral("Wait Time"),
                                     QString::number(pwm.m_nSpindleDelay), true);
    bool bClamped = false;
    pwm.m_nSpindleDelay = CSpindleSettingsMath::DelayEntry(fEntry, &bClamped);
    if (bClamped)
        CButtonText::Set(ui->Btn_SpeedSetWaitTime,
            WithUnit(QString::number(pwm.m_nSpindleDelay), QStringLiteral("Wait Time")));
}

void CdlgSpindleSpeedSettings::on_Btn_Ok_clicked()
{
    accept();
}
