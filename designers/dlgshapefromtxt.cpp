#include "designers/dlgshapefromtxt.h"
#include "ui_dlgshapefromtxt.h"

#include "core/AppConfig.h"
#include "core/UnitConverter.h"
#include "designers/dlgshapes.h"
#include "shapes/outlineshapes.h"
#include "shapes/shapeeditrules.h"
#include "shapes/textoutlines.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"

#include <QImage>

namespace {
bool SameInUnits(double a, double b) { return CUnitConverter::GetLong(a) == CUnitConverter::GetLong(b); }
constexpr double POS_STEP = 10.0;                                 // mm
constexpr double TURN_STEP = 10.0 * CDlgShapeFromTxt::DEG_TO_RAD; // 10 degrees
} // namespace

CDlgShapeFromTxt::CDlgShapeFromTxt(QWidget* parent)
    : QDialog(parent), ui(new Ui::CDlgShapeFromTxt)
{
    ui->setupUi(this);
}

CDlgShapeFromTxt::~CDlgShapeFromTxt()
{
    delete ui;
}

CDlgShapes* CDlgShapeFromTxt::Designer() const
{
    return qobject_cast<CDlgShapes*>(parentWidget());
}

void CDlgShapeFromTxt::ConfigSettings() {}

// ---------------------------------------------------------------------------
// Tracing, moving, turning
// ---------------------------------------------------------------------------

void CDlgShapeFromTxt::FindContours()
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner || !pDesigner->WorkAreaImage())
        return;
    stShapeCuttingInfo& info = pDesigner->m_stShapeCuttingInfo;
    const size_t nFirst = pDesigner->m_nShapesBeforeSubDlg;
    const size_t nRemoved = COutlineShapes::RemoveFrom(info, nFirst);
    const QString strText = ui->TextToCut->toPlainText();
    if (strText.isEmpty() && nRemoved == 0)
        return;

    const QImage& drawing = *pDesigner->WorkAreaImage();
    QFont font = ui->Cmb_FontSelection->currentFont();
    font.setPointSize(std::max(1, int(m_fTextSize)));
    font.setBold(m_bBold);
    font.setItalic(m_bItalic);
    stTextLayout layout;
    layout.m_iWidth = drawing.width();
    layout.m_iHeight = drawing.height();
    layout.m_iMargin = pDesigner->m_nMargin;
    layout.m_fLinePitch = m_fTextSize;
    layout.m_fLineSpacing = m_fLineSpacing;

    std::vector<Outline> lstOutlines;
    QString strError;
    const bool bTraced = strText.isEmpty() || CTextOutlines::Trace(strText, font, layout, lstOutlines, &strError);
    // The list's indices are 16-bit: none is added rather than some.
    if (!bTraced || !COutlineShapes::RoomFor(info, lstOutlines.size(), &strError)) {
        if (CMainServices* pMain = CMainServices::Of(this))
            pMain->AddLogMsg(strError, MSG_ERROR);
        lstOutlines.clear();
    }

    stPixelToMM map;
    map.m_fScaleX = map.m_fScaleY = 1.0 / pDesigner->m_dScale;
    map.m_iHeight = layout.m_iHeight;
    map.m_iOriginX = map.m_iOriginY = layout.m_iMargin;
    map.m_Offset = m_TextPos;
    for (const Outline& outline : lstOutlines) {
        const QString strName = QStringLiteral("Text_") + QString::number(info.m_lstShapes.size());
        info.AddPolygon(COutlineShapes::MakePolygon(outline, map, strName, m_fTextDepth));
    }
    if (!lstOutlines.empty()) {
        COutlineShapes::BoxCentreFrom(info, nFirst, m_TextCentre);
        ChangeShapeOrientation(m_TextPos.z);
    }
    m_Fit.Note(this, info, nFirst);
    pDesigner->DrawWorkArea();
}

void CDlgShapeFromTxt::ChangeShapeOrientation(double fAngle)
{
    if (CDlgShapes* pDesigner = Designer())
        COutlineShapes::TurnFrom(pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg, m_TextCentre,
                                 fAngle);
}

void CDlgShapeFromTxt::UpdateTextPos(stFloatPoint pos)
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner || pDesigner->m_stShapeCuttingInfo.m_lstShapes.size() <= pDesigner->m_nShapesBeforeSubDlg) {
        m_TextPos = pos;
        return;
    }
    const double fDx = pos.x - m_TextPos.x;
    const double fDy = pos.y - m_TextPos.y;
    COutlineShapes::MoveFrom(pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg, fDx, fDy);
    if (!SameInUnits(pos.z, m_TextPos.z))
        ChangeShapeOrientation(pos.z - m_TextPos.z);
    m_TextCentre.x += fDx;
    m_TextCentre.y += fDy;
    m_Fit.Note(this, pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg);
    pDesigner->DrawWorkArea();
    m_TextPos = pos;
}

// ---------------------------------------------------------------------------
// Text, font and keypad buttons
// ---------------------------------------------------------------------------

void CDlgShapeFromTxt::on_TextToCut_textChanged() { FindContours(); }
void CDlgShapeFromTxt::on_Cmb_FontSelection_currentFontChanged(const QFont&) { FindContours(); }

double CDlgShapeFromTxt::MaxPosX() const
{
    const CDlgShapes* pDesigner = Designer();
    if (!pDesigner || !pDesigner->WorkAreaImage())
        return 0.0;
    return (pDesigner->WorkAreaImage()->width() - pDesigner->m_nMargin) / pDesigner->m_dScale;
}

double CDlgShapeFromTxt::MaxPosY() const
{
    const CDlgShapes* pDesigner = Designer();
    if (!pDesigner || !pDesigner->WorkAreaImage())
        return 0.0;
    return (pDesigner->WorkAreaImage()->height() - pDesigner->m_nMargin) / pDesigner->m_dScale;
}

void CDlgShapeFromTxt::on_Btn_TextSize_clicked()
{
    m_fTextSize = float(CDlgShapes::KeypadValue(this, ui->Btn_TextSize, QStringLiteral("Text Size(mm)"),
                                                QStringLiteral("Text Size"), m_fTextSize, KeypadRange(1, 1000), false));
    FindContours();
}

void CDlgShapeFromTxt::on_Btn_LineSpacing_clicked()
{
    const CDlgShapes* pDesigner = Designer();
    const double fScale = pDesigner ? pDesigner->m_dScale : 1.0;
    const double fSpacing =
        CDlgShapes::KeypadValue(this, ui->Btn_LineSpacing, QStringLiteral("Line Spacing(mm)"),
                                QStringLiteral("Spacing"), m_fLineSpacing / fScale, KeypadRange(0, 100), false);
    m_fLineSpacing = float(fSpacing * fScale);
    FindContours();
}

void CDlgShapeFromTxt::on_Btn_TextDepth_clicked()
{
    const double fDeepest = AppConfig::m_bHomeSensorsUsed ? AppConfig::m_fAxisNegDirLimit[Z_AXIS] : -1000.0;
    m_fTextDepth = float(CDlgShapes::KeypadValue(this, ui->Btn_TextDepth, QStringLiteral("Text Depth(mm)"),
                                                 QStringLiteral("Depth"), m_fTextDepth,
                                                 KeypadRange(fDeepest, -AppConfig::m_fAxisMovPerPulse[Z_AXIS]), true));
    if (CDlgShapes* pDesigner = Designer())
        COutlineShapes::SetDepthFrom(pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg, m_fTextDepth);
}

void CDlgShapeFromTxt::on_Btn_TextBoldSel_clicked()
{
    m_bBold = !m_bBold;
    ui->Btn_TextBoldSel->setStyleSheet(m_bBold ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    FindContours();
}

void CDlgShapeFromTxt::on_Btn_TextItalicSel_clicked()
{
    m_bItalic = !m_bItalic;
    ui->Btn_TextItalicSel->setStyleSheet(m_bItalic ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    FindContours();
}

void CDlgShapeFromTxt::EditPos(bool bX)
{
    const double fOld = bX ? m_TextPos.x : m_TextPos.y;
    const double fNew =
        bX ? CDlgShapes::KeypadValue(this, ui->Btn_TextPos_X, QStringLiteral("Position X(mm)"),
                                     QStringLiteral("Position X"), fOld, KeypadRange(0, MaxPosX()), false)
           : CDlgShapes::KeypadValue(this, ui->Btn_TextPos_Y, QStringLiteral("Position Y(mm)"),
                                     QStringLiteral("Position Y"), fOld, KeypadRange(0, MaxPosY()), false);
    if (SameInUnits(fNew, fOld))
        return;
    stFloatPoint pos = m_TextPos;
    (bX ? pos.x : pos.y) = fNew;
    UpdateTextPos(pos);
}

void CDlgShapeFromTxt::on_Btn_TextPos_X_clicked() { EditPos(true); }
void CDlgShapeFromTxt::on_Btn_TextPos_Y_clicked() { EditPos(false); }

void CDlgShapeFromTxt::on_Btn_Orientation_clicked()
{
    const double fDeg =
        CDlgShapes::KeypadValue(this, ui->Btn_Orientation, QStringLiteral("Degree"), QStringLiteral("Degree"),
                                m_TextPos.z * RAD_TO_DEG, KeypadRange(-360, 360), true);
    const double fRad = fDeg * DEG_TO_RAD;
    if (!SameInUnits(fRad, m_TextPos.z)) {
        stFloatPoint pos = m_TextPos;
        pos.z = fRad;
        UpdateTextPos(pos);
    }
}

// ---------------------------------------------------------------------------
// Step buttons
// ---------------------------------------------------------------------------

void CDlgShapeFromTxt::StepPos(QPushButton* pBtn, bool bX, double fStep)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
    stFloatPoint pos = m_TextPos;
    double& fValue = bX ? pos.x : pos.y;
    fValue += fStep;
    if (fValue < 0.0 || fValue > (bX ? MaxPosX() : MaxPosY()))
        return;
    UpdateTextPos(pos);
    if (bX)
        CButtonText::Set(ui->Btn_TextPos_X, CShapeEditRules::ButtonText(m_TextPos.x, 4, QStringLiteral("Postion X")));
    else
        CButtonText::Set(ui->Btn_TextPos_Y, CShapeEditRules::ButtonText(m_TextPos.y, 4, QStringLiteral("Postion Y")));
}

void CDlgShapeFromTxt::StepTurn(QPushButton* pBtn, double fStep)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
    stFloatPoint pos = m_TextPos;
    pos.z += fStep;
    // A full turn starts again from 0.
    if (pos.z > FULL_TURN || pos.z < -FULL_TURN)
        pos.z = 0.0;
    UpdateTextPos(pos);
    CButtonText::Set(ui->Btn_Orientation,
                     CShapeEditRules::ButtonText(m_TextPos.z * RAD_TO_DEG, 4, QStringLiteral("Degree")));
}

void CDlgShapeFromTxt::on_Btn_PosX_Inc_clicked() { StepPos(ui->Btn_PosX_Inc, true, POS_STEP); }
void CDlgShapeFromTxt::on_Btn_PosX_Dec_clicked() { StepPos(ui->Btn_PosX_Dec, true, -POS_STEP); }
void CDlgShapeFromTxt::on_Btn_PosY_Inc_clicked() { StepPos(ui->Btn_PosY_Inc, false, POS_STEP); }
void CDlgShapeFromTxt::on_Btn_PosY_Dec_clicked() { StepPos(ui->Btn_PosY_Dec, false, -POS_STEP); }
void CDlgShapeFromTxt::on_Btn_Orientation_CW_clicked() { StepTurn(ui->Btn_Orientation_CW, TURN_STEP); }
void CDlgShapeFromTxt::on_Btn_Orientation_CCW_clicked() { StepTurn(ui->Btn_Orientation_CCW, -TURN_STEP); }

void CDlgShapeFromTxt::on_Btn_Ok_clicked()
{
    // Text past the work area's edges is fitted or refused; refused, the
    // panel stays open for a smaller size or another position.
    if (CDlgShapes* pDesigner = Designer()) {
        stAreaFit fit;
        if (!m_Fit.Keep(this, pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg, &fit))
            return;
        if (fit.m_bCanFit)
            pDesigner->DrawWorkArea();
    }
    accept();
}

void CDlgShapeFromTxt::reject()
{
    on_Btn_Ok_clicked();
}

void CDlgShapeFromTxt::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    // Opened inside the designer, the panel gets no focus of its own: the
    // text field takes it, so that what is typed (and Escape) reaches it
    // and not a control behind the panel.
    ui->TextToCut->setFocus(Qt::OtherFocusReason);
}

void CDlgShapeFromTxt::on_Btn_Cancel_clicked()
{
    if (CDlgShapes* pDesigner = Designer()) {
        COutlineShapes::RemoveFrom(pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg);
        pDesigner->DrawWorkArea();
    }
    QDialog::reject();
}
