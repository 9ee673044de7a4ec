#include "designers/dlgellipse.h"
#include "ui_dlgellipse.h"

#include "core/AppConfig.h"
#include "core/UnitConverter.h"
#include "designers/dlgshapes.h"
#include "shapes/ellipsepoints.h"
#include "shapes/outlineshapes.h"
#include "shapes/shapeeditrules.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"

#include <cmath>

namespace {
QString ValueText(double f, const char* pCaption)
{
    return CShapeEditRules::ButtonText(f, 4, QLatin1String(pCaption));
}
} // namespace

CDlgEllipse::CDlgEllipse(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::CDlgEllipse)
{
    ui->setupUi(this);
}

CDlgEllipse::~CDlgEllipse()
{
    delete ui;
}

CDlgShapes* CDlgEllipse::Designer() const
{
    return qobject_cast<CDlgShapes*>(parentWidget());
}

CMainServices* CDlgEllipse::Services() const
{
    return CMainServices::Of(this);
}

stEllipse* CDlgEllipse::Ellipse() const
{
    CDlgShapes* pDesigner = Designer();
    return pDesigner ? pDesigner->EllipseAt(m_nShapeIndex) : nullptr;
}

void CDlgEllipse::ConfigSettings()
{
    ui->Btn_EllipseHole->setEnabled(m_bPocket);
    m_bPocket = false;
    m_bOk = false;
    UpdateEllipseParams();
}

void CDlgEllipse::UpdateEllipseParams()
{
    const stEllipse* e = Ellipse();
    if (!e)
        return;
    CButtonText::Set(ui->Btn_EllipseCenterX, ValueText(e->m_Center.x, "Center X"));
    CButtonText::Set(ui->Btn_EllipseCenterY, ValueText(e->m_Center.y, "Center Y"));
    CButtonText::Set(ui->Btn_EllipseMajorAxisDia, ValueText(e->m_fMajorAxisDia, "Major Axis Dia"));
    CButtonText::Set(ui->Btn_EllipseMinorAxisDia, ValueText(e->m_fMinorAxisDia, "Minor Axis Dia"));
    CButtonText::Set(ui->Btn_EllipseOrientation, ValueText(e->m_fOrientation, "Orientation(deg)"));
    CButtonText::Set(ui->Btn_EllipseDepth, ValueText(e->m_fDepth, "Depth"));
    CButtonText::Set(ui->Btn_EllipseXStep, ValueText(e->m_fXStep, "X Step"));
    CButtonText::Set(ui->Btn_ArcStartAngle, ValueText(e->m_fArcStartAngle, "Arc Start Angle"));
    CButtonText::Set(ui->Btn_ArcEndAngle, ValueText(e->m_fArcEndAngle, "Arc End Angle"));
    // Green while the pocket is cut (a drag while it is on keeps it green);
    // a pocket refused for a too large end mill stays grey.
    ui->Btn_EllipseHole->setStyleSheet(PocketCut(*e) ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    Recompute();
}

bool CDlgEllipse::PocketCut(const stEllipse& e) const
{
    return m_bPocket && e.m_bHole;
}

void CDlgEllipse::Recompute()
{
    const stEllipse* e = Ellipse();
    if (e && PocketCut(*e))
        RebuildPocket();
    else
        UpdateEllipse(m_nShapeIndex);
}

void CDlgEllipse::RebuildPocket()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    RemoveRings();
    if (e->m_fMinorAxisDia < AppConfig::m_fEndMillDia) {
        // No ring fits any more: the ellipse is cut round its outline again
        // until the pocket fits.
        LogEndMillTooBig();
        ui->Btn_EllipseHole->setStyleSheet(BTN_BKGND_GRAY);
        e->m_bHole = false;
        UpdateEllipse(m_nShapeIndex);
        return;
    }
    MakeRings();
}

void CDlgEllipse::UpdateEllipse(unsigned short index)
{
    if (CDlgShapes* pDesigner = Designer()) {
        pDesigner->CreateEllipsePoints(index);
        pDesigner->DrawWorkArea();
    }
}

double CDlgEllipse::AskValue(QPushButton* pBtn, const QString& strTitle, const QString& strCaption,
                             double fCurrent, double fMin, double fMax, bool bMinus)
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner)
        return fCurrent;
    return pDesigner->AskValue(pBtn, strTitle, strCaption, fCurrent, KeypadRange(fMin, fMax), bMinus, 4);
}

void CDlgEllipse::on_Btn_EllipseCenterX_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    e->m_Center.x = AskValue(ui->Btn_EllipseCenterX, QStringLiteral("Center X(mm)"), QStringLiteral("Center X"),
                             CShapeEditRules::ButtonValue(ui->Btn_EllipseCenterX->text()), 0.01, 100000000.0, false);
    Recompute();
}

void CDlgEllipse::on_Btn_EllipseCenterY_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    e->m_Center.y = AskValue(ui->Btn_EllipseCenterY, QStringLiteral("Center Y(mm)"), QStringLiteral("Center Y"),
                             CShapeEditRules::ButtonValue(ui->Btn_EllipseCenterY->text()), 0.01, 100000000.0, false);
    Recompute();
}

void CDlgEllipse::on_Btn_EllipseMajorAxisDia_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    const double f = AskValue(ui->Btn_EllipseMajorAxisDia, QStringLiteral("Major Axis Dia(mm)"),
                              QStringLiteral("Major Axis Dia"), e->m_fMajorAxisDia, e->m_fMinorAxisDia, 100000.0, false);
    SetDiameter(true, f);
}

void CDlgEllipse::on_Btn_EllipseMinorAxisDia_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    const double f = AskValue(ui->Btn_EllipseMinorAxisDia, QStringLiteral("Minor Axis Dia(mm)"),
                              QStringLiteral("Minor Axis Dia"), e->m_fMinorAxisDia,
                              AppConfig::m_fAxisMovPerPulse[X_AXIS], e->m_fMajorAxisDia, false);
    SetDiameter(false, f);
}

void CDlgEllipse::SetDiameter(bool bMajor, double fValue)
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    double& fDia = bMajor ? e->m_fMajorAxisDia : e->m_fMinorAxisDia;
    if (std::fabs(fValue - fDia) < 1e-5)
        return;
    fDia = fValue;
    if (bMajor && e->m_fMajorAxisDia < e->m_fMinorAxisDia) {
        e->m_fMinorAxisDia = e->m_fMajorAxisDia;
        CButtonText::Set(ui->Btn_EllipseMinorAxisDia, ValueText(e->m_fMinorAxisDia, "Minor Axis Dia"));
    } else if (!bMajor && e->m_fMinorAxisDia > e->m_fMajorAxisDia) {
        e->m_fMajorAxisDia = e->m_fMinorAxisDia;
        CButtonText::Set(ui->Btn_EllipseMajorAxisDia, ValueText(e->m_fMajorAxisDia, "Major Axis Dia"));
    }
    if (m_bPocket)
        RebuildPocket();
    else
        UpdateEllipse(m_nShapeIndex);
}

void CDlgEllipse::on_Btn_EllipseOrientation_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    e->m_fOrientation =
        AskValue(ui->Btn_EllipseOrientation, QStringLiteral("Orientation(deg)"), QStringLiteral("Orientation(deg)"),
                 CShapeEditRules::ButtonValue(ui->Btn_EllipseOrientation->text()), 0.0, 360.0, false);
    Recompute();
}

void CDlgEllipse::on_Btn_EllipseDepth_clicked()
{
    stEllipse* e = Ellipse();
    CDlgShapes* pDesigner = Designer();
    if (!e || !pDesigner)
        return;
    const stFloatPoint range = CShapeEditRules::DepthRange();
    const double f = AskValue(ui->Btn_EllipseDepth, QStringLiteral("Depth(mm)"), QStringLiteral("Depth"),
                              CShapeEditRules::ButtonValue(ui->Btn_EllipseDepth->text()), range.x, range.y, true);
    e->m_fDepth = f;
    if (m_bPocket) {
        auto& shapes = pDesigner->m_stShapeCuttingInfo.m_lstShapes;
        for (size_t i = pDesigner->m_nShapesBeforeSubDlg; i < shapes.size(); ++i)
            if (shapes[i].m_iType == SHAPE_ELLIPSE && shapes[i].m_pEllipse)
                shapes[i].m_pEllipse->m_fDepth = f;
    }
}

void CDlgEllipse::on_Btn_EllipseXStep_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    const double f =
        AskValue(ui->Btn_EllipseXStep, QStringLiteral("X Step(mm)"), QStringLiteral("X Step"),
                 CShapeEditRules::ButtonValue(ui->Btn_EllipseXStep->text()), AppConfig::m_fAxisMovPerPulse[X_AXIS],
                 1000.0, false);
    e->m_fXStep = CShapeEditRules::WholeMotorSteps(f, AppConfig::m_fAxisMovPerPulse[X_AXIS]);
    CButtonText::Set(ui->Btn_EllipseXStep, ValueText(e->m_fXStep, "X Step"));
    Recompute();
}

void CDlgEllipse::on_Btn_ArcStartAngle_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    e->m_fArcStartAngle =
        AskValue(ui->Btn_ArcStartAngle, QStringLiteral("Arc Start Angle(deg)"), QStringLiteral("Arc Start Angle"),
                 CShapeEditRules::ButtonValue(ui->Btn_ArcStartAngle->text()), 0.0, e->m_fArcEndAngle, false);
    Recompute();
}

void CDlgEllipse::on_Btn_ArcEndAngle_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    e->m_fArcEndAngle =
        AskValue(ui->Btn_ArcEndAngle, QStringLiteral("Arc End Angle(deg)"), QStringLiteral("Arc End Angle"),
                 CShapeEditRules::ButtonValue(ui->Btn_ArcEndAngle->text()), e->m_fArcStartAngle, 360.0, false);
    Recompute();
}

void CDlgEllipse::on_Btn_EllipseHole_clicked()
{
    stEllipse* e = Ellipse();
    if (!e)
        return;
    m_bPocket = !m_bPocket;
    if (m_bPocket) {
        if (e->m_fMinorAxisDia < AppConfig::m_fEndMillDia) {
            LogEndMillTooBig();
            return;
        }
        MakeRings();
    } else {
        ui->Btn_EllipseHole->setStyleSheet(BTN_BKGND_GRAY);
        e->m_bHole = false;
        RemoveRings();
        UpdateEllipse(m_nShapeIndex);
    }
}

void CDlgEllipse::LogEndMillTooBig()
{
    if (CMainServices* pSvc = Services())
        pSvc->AddLogMsg(QStringLiteral("End-mill size too big. Please change the End-Mill"), MSG_ERROR);
}

void CDlgEllipse::MakeRings()
{
    stEllipse* e = Ellipse();
    CDlgShapes* pDesigner = Designer();
    if (!e || !pDesigner)
        return;
    stShapeCuttingInfo& job = pDesigner->m_stShapeCuttingInfo;
    const std::vector<stFloatPoint> rings =
        CEllipsePoints::PocketRings(e->m_fMajorAxisDia, e->m_fMinorAxisDia, AppConfig::m_fEndMillDia);
    // A list that cannot index every ring gets none: the ellipse is cut round
    // its outline until the pocket fits (a smaller ellipse, a larger end mill).
    QString strFull;
    if (!COutlineShapes::RoomFor(job, rings.size(), &strFull)) {
        if (CMainServices* pSvc = Services())
            pSvc->AddLogMsg(strFull, MSG_ERROR);
        ui->Btn_EllipseHole->setStyleSheet(BTN_BKGND_GRAY);
        e->m_bHole = false;
        UpdateEllipse(m_nShapeIndex);
        return;
    }
    ui->Btn_EllipseHole->setStyleSheet(BTN_BKGND_GREEN);
    e->m_bHole = true;
    for (const stFloatPoint& dia : rings) {
        auto* ring = new stEllipse;
        ring->m_Center = e->m_Center;
        ring->m_fMajorAxisDia = dia.x;
        ring->m_fMinorAxisDia = dia.y;
        ring->m_fOrientation = e->m_fOrientation;
        ring->m_fArcStartAngle = e->m_fArcStartAngle;
        ring->m_fArcEndAngle = e->m_fArcEndAngle;
        ring->m_fXStep = e->m_fXStep;
        ring->m_bHole = true;
        job.AddEllipse(ring);
        pDesigner->CreateEllipsePoints((unsigned short)(job.m_lstShapes.size() - 1));
    }
    UpdateEllipse(m_nShapeIndex);
}

void CDlgEllipse::RemoveRings()
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner)
        return;
    // The edited ellipse is the first shape after the recorded count.
    pDesigner->TruncateShapes(std::max<size_t>(size_t(pDesigner->m_nShapesBeforeSubDlg) + 1, size_t(m_nShapeIndex) + 1));
}

void CDlgEllipse::on_Btn_EllipseOk_clicked()
{
    stEllipse* e = Ellipse();
    CDlgShapes* pDesigner = Designer();
    if (e && pDesigner) {
        const QString strName = e->m_strName;
        const double fDepth = CShapeEditRules::ButtonValue(ui->Btn_EllipseDepth->text());
        if (m_bPocket) {
            auto& shapes = pDesigner->m_stShapeCuttingInfo.m_lstShapes;
            int k = 0;
            for (size_t i = pDesigner->m_nShapesBeforeSubDlg; i < shapes.size(); ++i, ++k) {
                if (shapes[i].m_iType != SHAPE_ELLIPSE || !shapes[i].m_pEllipse)
                    continue;
                shapes[i].m_pEllipse->m_strName = strName + QStringLiteral("_") + QString::number(k + 1);
                shapes[i].m_pEllipse->m_fDepth = fDepth;
            }
        } else {
            e->m_fDepth = fDepth;
        }
    }
    m_bOk = true;
    hide();
}

void CDlgEllipse::on_Btn_EllipseCancel_clicked()
{
    if (CDlgShapes* pDesigner = Designer())
        pDesigner->TruncateShapes(pDesigner->m_nShapesBeforeSubDlg);
    m_bOk = false;
    hide();
}

void CDlgEllipse::reject()
{
    on_Btn_EllipseCancel_clicked();
}
