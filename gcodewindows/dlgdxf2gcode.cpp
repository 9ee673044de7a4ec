#include "gcodewindows/dlgdxf2gcode.h"
#include "ui_dlgdxf2gcode.h"

#include "gcode/gcodeentryranges.h"
#include "widgets/mainservices.h"
#include "widgets/resources.h"

dlgDxfToGCode::dlgDxfToGCode(QWidget* parent) : QDialog(parent), ui(new Ui::dlgDxfToGCode)
{
    InitAppResources();
    ui->setupUi(this);
}

dlgDxfToGCode::~dlgDxfToGCode()
{
    delete ui;
}

void dlgDxfToGCode::ConfigSettings(CMainServices* pMainWnd)
{
    m_pMainWnd = pMainWnd;
}

double dlgDxfToGCode::Enter(QPushButton* pBtn, const QString& strTitle, const QString& strCaption, double fValue,
                            const stFloatPoint& fRange, bool bSign)
{
    if (!m_pMainWnd)
        return fValue;
    return m_pMainWnd->OpenKeypad(pBtn, strTitle, strCaption, QString::number(fValue, 'f', 4), fRange, bSign, 4);
}

void dlgDxfToGCode::on_Btn_Feed_clicked()
{
    m_stDXF2GCode.m_fFeed = Enter(ui->Btn_Feed, QStringLiteral("Feed in mm/min"), QStringLiteral("Feed"),
                                  m_stDXF2GCode.m_fFeed, CGCodeEntryRanges::DxfFeed(), false);
}

void dlgDxfToGCode::on_Btn_EndMillDia_clicked()
{
    m_stDXF2GCode.m_fToolDia = Enter(ui->Btn_EndMillDia, QStringLiteral("End-Mill Dia in mm"),
                                     QStringLiteral("End-Mill"), m_stDXF2GCode.m_fToolDia,
                                     CGCodeEntryRanges::DxfToolDia(), false);
}

void dlgDxfToGCode::on_Btn_AxisStep_Z_clicked()
{
    m_stDXF2GCode.m_fStepDown = Enter(ui->Btn_AxisStep_Z, QStringLiteral("Z Step in mm"), QStringLiteral("z Step"),
                                      m_stDXF2GCode.m_fStepDown, CGCodeEntryRanges::DxfZStep(), false);
}

void dlgDxfToGCode::on_Btn_ShapeDepth_clicked()
{
    // Entered as the (negative) Z the cut goes down to, kept as a depth.
    m_stDXF2GCode.m_fTotalDepth = -Enter(ui->Btn_ShapeDepth, QStringLiteral("Total Depth"), QStringLiteral("Depth"),
                                         -m_stDXF2GCode.m_fTotalDepth, CGCodeEntryRanges::DxfDepth(), true);
}

void dlgDxfToGCode::on_Btn_Ok_clicked()
{
    accept();
}

void dlgDxfToGCode::on_Btn_Cancel_clicked()
{
    reject();
}
