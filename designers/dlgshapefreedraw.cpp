#include "designers/dlgshapefreedraw.h"
#include "ui_dlgshapefreedraw.h"

#include "core/AppConfig.h"
#include "designers/dlgshapes.h"
#include "shapes/visionmodule.h"
#include "shapes/outlineshapes.h"
#include "shapes/polygonedit.h"
#include "shapes/shapeeditrules.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"

#include <QImage>

CDlgShapeFreeDraw::CDlgShapeFreeDraw(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::CDlgShapeFreeDraw)
{
    ui->setupUi(this);
}

CDlgShapeFreeDraw::~CDlgShapeFreeDraw()
{
    FreeSavedShape();
    delete ui;
}

CDlgShapes* CDlgShapeFreeDraw::Designer() const
{
    return qobject_cast<CDlgShapes*>(parentWidget());
}

stPolygon* CDlgShapeFreeDraw::LastPolygon() const
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner || pDesigner->m_stShapeCuttingInfo.m_lstShapes.empty())
        return nullptr;
    return pDesigner->PolygonAt(int(pDesigner->m_stShapeCuttingInfo.m_lstShapes.size()) - 1);
}

void CDlgShapeFreeDraw::Redraw()
{
    if (CDlgShapes* pDesigner = Designer())
        pDesigner->DrawWorkArea();
}

void CDlgShapeFreeDraw::FreeSavedShape()
{
    stShapeCuttingInfo::DestroyRecord(m_SavedShape);
    m_SavedShape = stEngShape();
}

void CDlgShapeFreeDraw::ConfigSettings()
{
    CDlgShapes* pDesigner = Designer();
    if (pDesigner && pDesigner->m_pRefGuideImg)
        ui->Btn_LoadRefGuideImg->setStyleSheet(BTN_BKGND_GREEN);
}

void CDlgShapeFreeDraw::on_Btn_ClosePoly_clicked()
{
    ui->Btn_ClosePoly->setStyleSheet(BTN_BKGND_BLUE);
    CMainServices::ResetBtnBkGnd(ui->Btn_ClosePoly, BTN_BKGND_GRAY);
    stPolygon* p = LastPolygon();
    if (p && CPolygonEdit::Close(p->m_lstVertices))
        Redraw();
}

void CDlgShapeFreeDraw::on_Btn_PolyDepth_clicked()
{
    CDlgShapes* pDesigner = Designer();
    stPolygon* p = pDesigner ? pDesigner->PolygonAt(pDesigner->m_nShapesBeforeSubDlg) : nullptr;
    if (!p)
        return;
    p->m_fDepth = pDesigner->AskValue(ui->Btn_PolyDepth, QStringLiteral("Shape Depth(mm)"), QStringLiteral("Depth"),
                                      p->m_fDepth, CShapeEditRules::DepthRange(), true, 4);
}

void CDlgShapeFreeDraw::ShowDepth()
{
    CDlgShapes* pDesigner = Designer();
    const stPolygon* p = pDesigner ? pDesigner->PolygonAt(pDesigner->m_nShapesBeforeSubDlg) : nullptr;
    if (p)
        CButtonText::Set(ui->Btn_PolyDepth, CShapeEditRules::ButtonText(p->m_fDepth, 4, QStringLiteral("Depth")));
}

void CDlgShapeFreeDraw::on_Btn_LoadRefGuideImg_clicked()
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner)
        return;
    if (!pDesigner->DropRefGuideImg()) {
        ui->Btn_LoadRefGuideImg->setStyleSheet(BTN_BKGND_GREEN);
        pDesigner->LoadRefGuideImg();
    }
    ui->Btn_LoadRefGuideImg->setStyleSheet(BTN_BKGND_GRAY);
    Redraw();
}

void CDlgShapeFreeDraw::on_Btn_CutHole_clicked()
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner)
        return;
    stShapeCuttingInfo& job = pDesigner->m_stShapeCuttingInfo;
    const size_t nBefore = pDesigner->m_nShapesBeforeSubDlg;
    m_bPocket = !m_bPocket;

    if (!m_bPocket) {
        // The rings go and the drawn outline comes back, whenever it was
        // kept aside (also when only one ring had been made).
        if (HasSavedShape()) {
            pDesigner->TruncateShapes(nBefore);
            job.m_lstShapes.push_back(m_SavedShape);
            m_SavedShape = stEngShape();
        }
        ShowDepth();
        ui->Btn_CutHole->setStyleSheet(BTN_BKGND_GRAY);
        Redraw();
        return;
    }

    stPolygon* p = LastPolygon();
    if (!p || p->m_lstVertices.empty())
        return;
    if (p->m_lstVertices.size() < 3) {
        Redraw();
        return;
    }
    ui->Btn_CutHole->setStyleSheet(BTN_BKGND_GREEN);
    CPolygonEdit::Close(p->m_lstVertices);

    stPocketArea area;
    area.m_iMargin = pDesigner->m_nMargin;
    area.m_dScale = pDesigner->m_dScale;
    area.m_fEndMillDia = AppConfig::m_fEndMillDia;
    // The rings take the outline's place: a list that cannot count them all
    // gets none, and a shape with no room for the tool inside it gets none
    // either; the pocket stays off. So too when the tracing module cannot be
    // loaded (strRefused says why).
    std::vector<CErosionPocket::Ring> rings;
    QString strRefused;
    if (CVisionModule::PocketRings(p->m_lstVertices, area, rings, strRefused)) {
        if (rings.empty())
            strRefused = QStringLiteral("End-mill size too big. Please change the End-Mill");
        else
            COutlineShapes::RoomFor(job, rings.size() - 1, &strRefused);
    }
    if (!strRefused.isEmpty()) {
        if (CMainServices* pSvc = CMainServices::Of(this))
            pSvc->AddLogMsg(strRefused, MSG_ERROR);
        m_bPocket = false;
        ui->Btn_CutHole->setStyleSheet(BTN_BKGND_GRAY);
        Redraw();
        return;
    }
    for (const CErosionPocket::Ring& ring : rings) {
        auto* pRing = new stPolygon;
        pRing->m_strName = QStringLiteral("Shape");
        pRing->m_bHole = true;
        pRing->m_lstVertices = ring;
        job.AddPolygon(pRing);
    }
    if (!rings.empty() && nBefore < job.m_lstShapes.size()) {
        m_SavedShape = job.m_lstShapes[nBefore];
        job.m_lstShapes.erase(job.m_lstShapes.begin() + long(nBefore));
    }
    // The rings start at a new shape's depth, not the outline's: the button
    // shows what will be cut.
    ShowDepth();
    Redraw();
}

void CDlgShapeFreeDraw::on_Btn_Save_clicked()
{
    CDlgShapes* pDesigner = Designer();
    if (pDesigner) {
        stShapeCuttingInfo& job = pDesigner->m_stShapeCuttingInfo;
        const size_t nBefore = pDesigner->m_nShapesBeforeSubDlg;
        const size_t n = job.m_lstShapes.size() > nBefore ? job.m_lstShapes.size() - nBefore : 0;
        if (n == 1) {
            const stPolygon* p = pDesigner->PolygonAt(int(nBefore));
            if (p && p->m_lstVertices.empty())
                job.RemoveShape(int(nBefore));
        } else if (n > 1) {
            const stShapesCommonInfo* pFirst = job.m_lstShapes[nBefore].Common();
            const QString strName = pFirst ? pFirst->m_strName : QString();
            const double fDepth = pFirst ? pFirst->m_fDepth : -10.0;
            for (size_t k = 0; k < n; ++k) {
                if (stPolygon* p = pDesigner->PolygonAt(int(nBefore + k))) {
                    p->m_strName = strName + QStringLiteral("_") + QString::number(k + 1);
                    p->m_fDepth = fDepth;
                }
            }
        }
    }
    // The outline the rings replaced is not wanted any more.
    FreeSavedShape();
    hide();
}

void CDlgShapeFreeDraw::on_Btn_Cancel_clicked()
{
    if (CDlgShapes* pDesigner = Designer())
        pDesigner->TruncateShapes(pDesigner->m_nShapesBeforeSubDlg);
    FreeSavedShape();
    hide();
}

void CDlgShapeFreeDraw::reject()
{
    on_Btn_Cancel_clicked();
}
