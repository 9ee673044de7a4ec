#include "designers/dlgeditpolygon.h"
#include "ui_dlgeditpolygon.h"

#include "designers/dlgeditpolygonvertex.h"
#include "designers/dlgshapes.h"
#include "shapes/ellipsepoints.h"
#include "shapes/polygonedit.h"
#include "shapes/shapeeditrules.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"
#include "widgets/resources.h"

#include <QImage>

CDlgEditPolygon::CDlgEditPolygon(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::CDlgEditPolygon)
{
    InitAppResources();
    ui->setupUi(this);
    ui->LW_PolygonVertices->setSortingEnabled(false);
    ui->Btn_Save->hide();
}

CDlgEditPolygon::~CDlgEditPolygon()
{
    delete ui;
}

CDlgShapes* CDlgEditPolygon::Designer() const
{
    return qobject_cast<CDlgShapes*>(parentWidget());
}

stPolygon* CDlgEditPolygon::Polygon() const
{
    CDlgShapes* pDesigner = Designer();
    return pDesigner ? pDesigner->PolygonAt(m_nShapeIndex) : nullptr;
}

void CDlgEditPolygon::Redraw()
{
    if (CDlgShapes* pDesigner = Designer())
        pDesigner->DrawWorkArea();
}

void CDlgEditPolygon::ConfigSettings()
{
    ui->Btn_BkGndImg->setStyleSheet(BTN_BKGND_GRAY);
    CButtonText::Set(ui->Btn_ShapeOffsetX, QStringLiteral("0.000\nOffset X"));
    CButtonText::Set(ui->Btn_ShapeOffsetY, QStringLiteral("0.000\nOffset Y"));
    CButtonText::Set(ui->Btn_ShapeOrientation, QStringLiteral("0.000\nAngle(deg)"));
    CButtonText::Set(ui->Btn_ShapeScale, QStringLiteral("1.000\nScale"));
    m_fShapeScale = 1.0;
    m_ShapeOffset = stFloatPoint();
    m_fShapeAngle = 0.0;
    const stPolygon* p = Polygon();
    if (p) {
        m_stPolygonBackup.m_bHole = p->m_bHole;
        m_stPolygonBackup.m_fDepth = p->m_fDepth;
        m_stPolygonBackup.m_strName = p->m_strName;
        m_stPolygonBackup.m_lstVertices = p->m_lstVertices;
        m_TurnCentre = CPolygonEdit::BoxCentre(p->m_lstVertices);
    }
    // A vertex index left from an earlier opening means nothing here.
    if (CDlgShapes* pDesigner = Designer())
        pDesigner->m_uiSelVertex = 0;
    FillList();
    if (ui->LW_PolygonVertices->count() > 0)
        ui->LW_PolygonVertices->setCurrentRow(0);
}

void CDlgEditPolygon::FillList()
{
    ui->LW_PolygonVertices->clear();
    const stPolygon* p = Polygon();
    if (!p)
        return;
    for (const stFloatPoint& v : p->m_lstVertices)
        ui->LW_PolygonVertices->addItem(CPolygonEdit::Text(v));
    // The selected vertex always names a vertex (or 0 without any).
    if (CDlgShapes* pDesigner = Designer())
        if (pDesigner->m_uiSelVertex >= p->m_lstVertices.size())
            pDesigner->m_uiSelVertex = p->m_lstVertices.empty() ? 0 : unsigned(p->m_lstVertices.size() - 1);
}

void CDlgEditPolygon::UpdatePolyVertices()
{
    FillList();
    if (CDlgShapes* pDesigner = Designer())
        if (int(pDesigner->m_uiSelVertex) < ui->LW_PolygonVertices->count())
            ui->LW_PolygonVertices->setCurrentRow(int(pDesigner->m_uiSelVertex));
}

void CDlgEditPolygon::SelectVertex(int row)
{
    if (CDlgShapes* pDesigner = Designer())
        pDesigner->m_uiSelVertex = unsigned(row);
}

void CDlgEditPolygon::LWSelectString(stFloatPoint point)
{
    const stPolygon* p = Polygon();
    if (!p)
        return;
    const int row = CPolygonEdit::Pick(p->m_lstVertices, point);
    if (row < 0)
        return;
    ui->LW_PolygonVertices->setCurrentRow(row);
    SelectVertex(row);
    Redraw();
}

void CDlgEditPolygon::ChangeShapeOrientation(double fAngle)
{
    stPolygon* p = Polygon();
    if (!p || p->m_lstVertices.empty())
        return;
    stFloatPoint c = m_TurnCentre;
    c.x += m_ShapeOffset.x;
    c.y += m_ShapeOffset.y;
    CPolygonEdit::Turn(p->m_lstVertices, c, fAngle);
    UpdatePolyVertices();
    Redraw();
}

void CDlgEditPolygon::SetShapeScale(double fFactor)
{
    stPolygon* p = Polygon();
    if (!p)
        return;
    CPolygonEdit::Scale(p->m_lstVertices, fFactor);
    UpdatePolyVertices();
}

double CDlgEditPolygon::AskTotal(QPushButton* pBtn, const QString& strTitle, const QString& strCaption, double fMin,
                                 double fMax, bool bMinus)
{
    const double fShown = CShapeEditRules::ButtonValue(pBtn->text());
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner)
        return fShown;
    return pDesigner->AskValue(pBtn, strTitle, strCaption, fShown, KeypadRange(fMin, fMax), bMinus, 4);
}

void CDlgEditPolygon::OffsetTotal(bool bX)
{
    stPolygon* p = Polygon();
    if (!p)
        return;
    QPushButton* pBtn = bX ? ui->Btn_ShapeOffsetX : ui->Btn_ShapeOffsetY;
    const QString strName = bX ? QStringLiteral("Offset X") : QStringLiteral("Offset Y");
    const double f = AskTotal(pBtn, strName, strName, -10000.0, 10000.0, true);
    double& fTotal = bX ? m_ShapeOffset.x : m_ShapeOffset.y;
    CPolygonEdit::Offset(p->m_lstVertices, bX ? f - fTotal : 0.0, bX ? 0.0 : f - fTotal);
    fTotal = f;
    UpdatePolyVertices();
    Redraw();
}

void CDlgEditPolygon::on_Btn_ShapeOffsetX_clicked()
{
    OffsetTotal(true);
}

void CDlgEditPolygon::on_Btn_ShapeOffsetY_clicked()
{
    OffsetTotal(false);
}

void CDlgEditPolygon::on_Btn_ShapeOrientation_clicked()
{
    if (!Polygon())
        return;
    const double f = AskTotal(ui->Btn_ShapeOrientation, QStringLiteral("Orientation"), QStringLiteral("Angle(deg)"),
                              0.0, 360.0, false);
    const double a = f * CEllipsePoints::DEG_TO_RAD;
    ChangeShapeOrientation(a - m_fShapeAngle);
    m_fShapeAngle = a;
}

void CDlgEditPolygon::on_Btn_ShapeScale_clicked()
{
    if (!Polygon())
        return;
    const double f = AskTotal(ui->Btn_ShapeScale, QStringLiteral("Shape Scale"), QStringLiteral("Shape Scale"), 0.01,
                              1000.0, false);
    SetShapeScale(f / m_fShapeScale);
    m_fShapeScale = f;
    Redraw();
}

void CDlgEditPolygon::on_Btn_ClosePoly_clicked()
{
    ui->Btn_ClosePoly->setStyleSheet(BTN_BKGND_BLUE);
    CMainServices::ResetBtnBkGnd(ui->Btn_ClosePoly, BTN_BKGND_GRAY);
    stPolygon* p = Polygon();
    if (!p || !CPolygonEdit::Close(p->m_lstVertices))
        return;
    ui->LW_PolygonVertices->addItem(CPolygonEdit::Text(p->m_lstVertices.back()));
    Redraw();
}

void CDlgEditPolygon::on_Btn_BkGndImg_clicked()
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner)
        return;
    if (pDesigner->DropRefGuideImg()) {
        ui->Btn_BkGndImg->setStyleSheet(BTN_BKGND_GRAY);
    } else {
        ui->Btn_BkGndImg->setStyleSheet(BTN_BKGND_BLUE);
        ui->Btn_BkGndImg->setStyleSheet(pDesigner->LoadRefGuideImg() ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    }
    Redraw();
}

void CDlgEditPolygon::on_LW_PolygonVertices_clicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    SelectVertex(index.row());
    Redraw();
}

void CDlgEditPolygon::on_LW_PolygonVertices_doubleClicked(const QModelIndex&)
{
    stPolygon* p = Polygon();
    const int row = ui->LW_PolygonVertices->currentRow();
    if (!p || row < 0 || size_t(row) >= p->m_lstVertices.size())
        return;
    CDlgEditPolygonVertex dlg;
    dlg.m_Vertex.x = p->m_lstVertices[size_t(row)].x;
    dlg.m_Vertex.y = p->m_lstVertices[size_t(row)].y;
    dlg.ConfigSettings();
    dlg.exec();
    if (!dlg.m_bOk)
        return;
    stFloatPoint v;
    v.x = dlg.m_Vertex.x;
    v.y = dlg.m_Vertex.y;
    p->m_lstVertices[size_t(row)] = v;
    ui->LW_PolygonVertices->item(row)->setText(CPolygonEdit::Text(v));
    Redraw();
}

void CDlgEditPolygon::on_Btn_InsertPt_clicked()
{
    ui->Btn_InsertPt->setStyleSheet(BTN_BKGND_BLUE);
    stPolygon* p = Polygon();
    if (p) {
        CDlgEditPolygonVertex dlg;
        dlg.exec();
        if (dlg.m_bOk) {
            const int row = ui->LW_PolygonVertices->currentRow();
            const int at = row < 0 ? 0 : std::min(row + 1, int(p->m_lstVertices.size()));
            stFloatPoint v;
            v.x = dlg.m_Vertex.x;
            v.y = dlg.m_Vertex.y;
            p->m_lstVertices.insert(p->m_lstVertices.begin() + at, v);
            ui->LW_PolygonVertices->insertItem(at, CPolygonEdit::Text(v));
            Redraw();
        }
    }
    ui->Btn_InsertPt->setStyleSheet(BTN_BKGND_GRAY);
}

void CDlgEditPolygon::on_Btn_DeletePt_clicked()
{
    stPolygon* p = Polygon();
    const int row = ui->LW_PolygonVertices->currentRow();
    if (!p || row < 0 || size_t(row) >= p->m_lstVertices.size())
        return;
    p->m_lstVertices.erase(p->m_lstVertices.begin() + row);
    delete ui->LW_PolygonVertices->takeItem(row);
    // The marked vertex follows the list: the same vertex where it is still
    // there, the last one where it was past the end.
    if (CDlgShapes* pDesigner = Designer()) {
        if (pDesigner->m_uiSelVertex > unsigned(row))
            --pDesigner->m_uiSelVertex;
        if (pDesigner->m_uiSelVertex >= p->m_lstVertices.size())
            pDesigner->m_uiSelVertex = p->m_lstVertices.empty() ? 0 : unsigned(p->m_lstVertices.size() - 1);
    }
    Redraw();
}

void CDlgEditPolygon::SwapRows(int row, int other)
{
    stPolygon* p = Polygon();
    std::swap(p->m_lstVertices[size_t(row)], p->m_lstVertices[size_t(other)]);
    QListWidgetItem* a = ui->LW_PolygonVertices->item(row);
    QListWidgetItem* b = ui->LW_PolygonVertices->item(other);
    const QString t = a->text();
    a->setText(b->text());
    b->setText(t);
    ui->LW_PolygonVertices->setCurrentRow(other);
    Redraw();
}

void CDlgEditPolygon::on_Btn_MovePtUp_clicked()
{
    stPolygon* p = Polygon();
    const int row = ui->LW_PolygonVertices->currentRow();
    if (!p || row < 1 || size_t(row) >= p->m_lstVertices.size())
        return;
    SwapRows(row, row - 1);
}

void CDlgEditPolygon::on_Btn_MovePtDown_clicked()
{
    stPolygon* p = Polygon();
    const int row = ui->LW_PolygonVertices->currentRow();
    if (!p || row < 0 || size_t(row) + 1 >= p->m_lstVertices.size())
        return;
    SwapRows(row, row + 1);
}

void CDlgEditPolygon::on_Btn_Cancel_clicked()
{
    if (stPolygon* p = Polygon()) {
        p->m_lstVertices = m_stPolygonBackup.m_lstVertices;
        p->m_bHole = m_stPolygonBackup.m_bHole;
        p->m_fDepth = m_stPolygonBackup.m_fDepth;
        p->m_strName = m_stPolygonBackup.m_strName;
        FillList();
    }
    Redraw();
    hide();
}

void CDlgEditPolygon::reject()
{
    on_Btn_Cancel_clicked();
}

void CDlgEditPolygon::on_Btn_Ok_clicked()
{
    hide();
}

void CDlgEditPolygon::on_Btn_Save_clicked()
{
    hide();
}
