#include "designers/dlgzprofiler.h"
#include "ui_dlgzprofiler.h"

#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"

#include <cmath>

namespace {
// The length, width, grid step and probe range must stay above zero: a grid
// step of zero would never finish a probing row. One internal length unit is
// the smallest; the largest is far beyond any table.
stFloatPoint PositiveRange()
{
    return KeypadRange(0.0001, 100000.0);
}

QString ButtonText(double fValue, const QString& strUnit)
{
    QString strText = QString::number(fValue, 'f', 4);
    if (!strUnit.isEmpty())
        strText += QStringLiteral("\n") + strUnit;
    return strText;
}
} // namespace

dlgZProfiler::dlgZProfiler(QWidget* parent)
    : QDialog(parent), ui(new Ui::dlgZProfiler)
{
    ui->setupUi(this);
}

dlgZProfiler::~dlgZProfiler()
{
    delete ui;
}

void dlgZProfiler::ConfigSettings()
{
    const stZProfileInfo& info = AppConfig::m_ZProfileInfo;
    CButtonText::Set(ui->Btn_XYStep, ButtonText(info.m_fXYStep, QStringLiteral("X-Y Step")));
    CButtonText::Set(ui->Btn_Z_Max_Range, ButtonText(info.m_fZRange, QStringLiteral("Z Range")));
    CButtonText::Set(ui->Btn_Length, ButtonText(info.m_fLength, QStringLiteral("Length")));
    CButtonText::Set(ui->Btn_Width, ButtonText(info.m_fWidth, QStringLiteral("Width")));
    CButtonText::Set(ui->Btn_Z_Offset, ButtonText(info.m_fZOffset, QStringLiteral("Z Offset")));
}

double dlgZProfiler::OpenKeypad(QPushButton* pBtn, QString strTitle, QString strUnit, QString strValue,
                                stFloatPoint fRange, bool bSign)
{
    pBtn->setStyleSheet(BTN_BKGND_BLUE);

    QString strEntry = strValue;
    CPrompter::Instance().Keypad(this, strTitle, strEntry, bSign, true);
    bool bOk = false;
    double fValue = strEntry.trimmed().toDouble(&bOk);
    if (!bOk || !std::isfinite(fValue))
        fValue = strValue.toDouble(); // not a number: the value stays

    if (fRange.x != 0.0 && fRange.y != 0.0 && (fValue < fRange.x || fValue > fRange.y)) {
        if (CMainServices* pServices = CMainServices::Of(this))
            pServices->AddLogMsg(QStringLiteral("Value must be between\n") + QString::number(fRange.x, 'f', 4) +
                                     QStringLiteral(" and ") + QString::number(fRange.y, 'f', 4),
                                 MSG_ERROR);
        fValue = fValue < fRange.x ? fRange.x : fRange.y;
    }

    CButtonText::Set(pBtn, ButtonText(fValue, strUnit));
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    return fValue;
}

void dlgZProfiler::EditValue(QPushButton* pBtn, const QString& strName, double& fValue, bool bPositive, bool bSign)
{
    fValue = OpenKeypad(pBtn, strName, strName, QString::number(fValue, 'f', 4),
                        bPositive ? PositiveRange() : stFloatPoint(), bSign);
}

void dlgZProfiler::on_Btn_Length_clicked()
{
    EditValue(ui->Btn_Length, QStringLiteral("Length"), AppConfig::m_ZProfileInfo.m_fLength, true, false);
}

void dlgZProfiler::on_Btn_Width_clicked()
{
    EditValue(ui->Btn_Width, QStringLiteral("Width"), AppConfig::m_ZProfileInfo.m_fWidth, true, false);
}

void dlgZProfiler::on_Btn_XYStep_clicked()
{
    EditValue(ui->Btn_XYStep, QStringLiteral("X-Y Step"), AppConfig::m_ZProfileInfo.m_fXYStep, true, false);
}

void dlgZProfiler::on_Btn_Z_Max_Range_clicked()
{
    EditValue(ui->Btn_Z_Max_Range, QStringLiteral("Z Range"), AppConfig::m_ZProfileInfo.m_fZRange, true, false);
}

void dlgZProfiler::on_Btn_Z_Offset_clicked()
{
    EditValue(ui->Btn_Z_Offset, QStringLiteral("Z Offset"), AppConfig::m_ZProfileInfo.m_fZOffset, false, true);
}

void dlgZProfiler::on_Btn_Ok_clicked()
{
    m_bOk = true;
    close();
}

void dlgZProfiler::on_Btn_Cancel_clicked()
{
    close();
}
