#include "designers/dlgshapes.h"
#include "ui_dlgshapes.h"

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "designers/dlgeditpolygon.h"
#include "designers/dlgellipse.h"
#include "designers/dlgshapefromimg.h"
#include "designers/dlgshapefromtxt.h"
#include "designers/dlgshapefreedraw.h"
#include "shapes/ellipsepoints.h"
#include "shapes/shapeeditrules.h"
#include "shapes/workareafile.h"
#include "widgets/MyView.h"
#include "widgets/buttontext.h"
#include "widgets/filenamerule.h"
#include "shapes/outlineshapes.h"
#include "widgets/mainservices.h"
#include "widgets/resources.h"
#include "widgets/embeddedwindow.h"

#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>

namespace {
// The view and the picture it shows (the view less its scroll bars).
constexpr int VIEW_X = 10;
constexpr int VIEW_Y = 12;
constexpr int VIEW_WIDTH = 505;
constexpr int VIEW_HEIGHT = 363;
constexpr int IMG_WIDTH = VIEW_WIDTH - 25;
constexpr int IMG_HEIGHT = VIEW_HEIGHT - 25;
// Where the editor panels sit, over the window's controls.
const QPoint PANEL_POS(525, 0);
const QColor BKGND(50, 50, 50);

QString DepthText(double fDepth)
{
    return CShapeEditRules::ButtonText(fDepth, 4, QStringLiteral("Depth"));
}

void DrawMarker(QPainter& painter, QPoint p)
{
    painter.drawLine(p.x() - 2, p.y(), p.x() + 2, p.y());
    painter.drawLine(p.x(), p.y() - 2, p.x(), p.y() + 2);
    painter.drawEllipse(p, 4, 4);
}

QPen Pen(const QColor& color, int iWidth = 2)
{
    return QPen(color, iWidth, Qt::SolidLine);
}
} // namespace

CDlgShapes::CDlgShapes(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::CDlgShapes)
{
    InitAppResources();
    EmbedInMainWindow(this);
    ui->setupUi(this);
    m_pView = new CMyView(this);
    m_pView->setGeometry(VIEW_X, VIEW_Y, VIEW_WIDTH, VIEW_HEIGHT);
    m_pView->m_BkGndColor = BKGND;
    m_pView->EnableZoom(true);
    m_pView->lower();
    m_ViewRect = QRect(QPoint(VIEW_X, VIEW_Y), QPoint(VIEW_X + VIEW_WIDTH - 1, VIEW_Y + VIEW_HEIGHT - 1));
    m_pWorkAreaImg = new QImage(IMG_WIDTH, IMG_HEIGHT, QImage::Format_RGB888);
    m_pWorkAreaImg->fill(BKGND);
    m_stShapeCuttingInfo.m_WorkArea.x = 300.0;
    m_stShapeCuttingInfo.m_WorkArea.y = 200.0;
    m_stShapeCuttingInfo.m_fZStep = 1.0;
    m_Map.Update(IMG_WIDTH, IMG_HEIGHT, m_nMargin, 300.0, 200.0);
    m_fPathsEndMillDia = AppConfig::m_fEndMillDia;
    m_dScale = m_Map.Scale();
    m_WorkAreaRect = m_Map.Rect();
    connect(m_pView, SIGNAL(MouseMoved()), this, SLOT(OnMouseMove()));

    m_pDlgEllipse = new CDlgEllipse(this);
    m_pDlgEditPolygon = new CDlgEditPolygon(this);
    // The picture panel keeps its picture and parameters from one opening to
    // the next.
    m_pDlgShapeFromImg = new CDlgShapeFromImg(this);
    for (QDialog* pPanel : {static_cast<QDialog*>(m_pDlgEllipse), static_cast<QDialog*>(m_pDlgEditPolygon),
                            static_cast<QDialog*>(m_pDlgShapeFromImg)}) {
        pPanel->setWindowFlags(Qt::Widget);
        pPanel->move(PANEL_POS);
        pPanel->hide();
    }
}

CDlgShapes::~CDlgShapes()
{
    // The panels are children and go with the window; the list's records go
    // with m_stShapeCuttingInfo.
    m_pView->DisplayImage(nullptr);
    delete m_pWorkAreaImg;
    delete m_pRefGuideImg;
    delete ui;
}

CMainServices* CDlgShapes::Services() const
{
    return CMainServices::Of(this);
}

stEllipse* CDlgShapes::EllipseAt(int index) const
{
    const auto& shapes = m_stShapeCuttingInfo.m_lstShapes;
    if (index < 0 || size_t(index) >= shapes.size() || shapes[size_t(index)].m_iType != SHAPE_ELLIPSE)
        return nullptr;
    return shapes[size_t(index)].m_pEllipse;
}

stPolygon* CDlgShapes::PolygonAt(int index) const
{
    const auto& shapes = m_stShapeCuttingInfo.m_lstShapes;
    if (index < 0 || size_t(index) >= shapes.size() || shapes[size_t(index)].m_iType != SHAPE_POLYGON)
        return nullptr;
    return shapes[size_t(index)].m_pPolygon;
}

void CDlgShapes::TruncateShapes(size_t nCount)
{
    COutlineShapes::RemoveFrom(m_stShapeCuttingInfo, nCount);
}

// ---------------------------------------------------------------- main window calls

void CDlgShapes::ConfigSettings()
{
    if (AppConfig::m_bHomeSensorsUsed) {
        ui->Btn_WorkAreaLength->setEnabled(false);
        ui->Btn_WorkAreaWidth->setEnabled(false);
    } else {
        m_stShapeCuttingInfo.m_WorkArea.x = CShapeEditRules::ButtonValue(ui->Btn_WorkAreaLength->text());
        m_stShapeCuttingInfo.m_WorkArea.y = CShapeEditRules::ButtonValue(ui->Btn_WorkAreaWidth->text());
        ui->Btn_WorkAreaLength->setEnabled(true);
        ui->Btn_WorkAreaWidth->setEnabled(true);
    }
    ui->Btn_DispGraphics->setStyleSheet(BTN_BKGND_GRAY);
    UpdatePlungeFeed();
    UpdateWorkArea();
}

void CDlgShapes::UpdatePlungeFeed()
{
    CButtonText::Set(ui->Btn_EndMillDia,
                     CShapeEditRules::ButtonText(AppConfig::m_fEndMillDia, 1, QStringLiteral("End-Mill")));
    CButtonText::Set(ui->Btn_ZAxisPlungeFeed,
        CShapeEditRules::ButtonText(AppConfig::m_fPlungeFeed, 4, QStringLiteral("Plunge Feed")));
    // Another window may have changed the end mill; never while a cut reads
    // the paths.
    if (m_bEnabled && RefreshToolPaths())
        DrawWorkArea();
}

void CDlgShapes::ResetUI(bool bEnable)
{
    m_bEnabled = bEnable;
    EnableListCommands(bEnable && !m_bListLocked);
}

void CDlgShapes::EnableListCommands(bool bEnable)
{
    for (QPushButton* pBtn : {ui->Btn_LoadWorkArea, ui->Btn_SaveWorkArea, ui->Btn_AddEllipse, ui->Btn_DrawContour,
                              ui->Btn_ShapeFromTxt, ui->Btn_ShapeFromImg, ui->Btn_GenerateGCode, ui->Btn_ShapeDepth,
                              ui->Btn_EndMillDia, ui->Btn_MoveShapeUp, ui->Btn_MoveShapeDown, ui->Btn_DelShape,
                              ui->Btn_DelAllShapes, ui->Btn_AxisStep_Z})
        pBtn->setEnabled(bEnable);
    // The size comes from the travel limits when home switches are fitted.
    ui->Btn_WorkAreaLength->setEnabled(bEnable && !AppConfig::m_bHomeSensorsUsed);
    ui->Btn_WorkAreaWidth->setEnabled(bEnable && !AppConfig::m_bHomeSensorsUsed);
}

void CDlgShapes::BeginEditing()
{
    m_bShapeEditing = true;
    m_bListLocked = true;
    EnableListCommands(false);
    // An editor holds an index into the list: the list must not move under it.
    ui->Lw_Shapes->setEnabled(false);
}

void CDlgShapes::EndEditing()
{
    m_bShapeEditing = false;
    m_bListLocked = false;
    ui->Lw_Shapes->setEnabled(true);
    EnableListCommands(m_bEnabled);
}

bool CDlgShapes::StartShapeCutting()
{
    CMainServices* pSvc = Services();
    if (!pSvc)
        return false;
    if (pSvc->IsEmergencyStopOn())
        return false;
    AppControl& ctrl = pSvc->GetAppCtrl();
    if (ctrl.m_iRunMode == AppControl::RUN_SHAPES) {
        // Start during a shape cut pauses it; the next Start resumes it.
        ctrl.m_bHold = !ctrl.m_bHold;
        return true;
    }
    if (m_bShapeEditing) {
        pSvc->AddLogMsg(QStringLiteral("Finish editing shapes and click start"), MSG_ERROR);
        return false;
    }
    // The controller's thread may still be ending the last operation after
    // the main window has put the run mode back to idle.
    if (ctrl.m_iRunMode != AppControl::RUN_IDLE || ctrl.IsOperationRunning() || !ctrl.IsMachineIdle()) {
        pSvc->AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        return false;
    }
    if (m_stShapeCuttingInfo.m_lstShapes.empty()) {
        pSvc->AddLogMsg(QStringLiteral("No shapes are added"), MSG_ERROR);
        return false;
    }
    if (!ctrl.GetHomeDone()) {
        pSvc->AddLogMsg(QStringLiteral("Homing not done!\nUse \"Move Home\" in user Settings"), MSG_ERROR);
        return false;
    }
    RefreshToolPaths();
    ResetUI(false);
    pSvc->ClearToolGraphics();
    ctrl.StartShapeCutting(&m_stShapeCuttingInfo);
    if (ctrl.m_iRunMode != AppControl::RUN_SHAPES) {
        // Refused by the controller (its reason is queued for the log): the
        // list is the operator's again and Start is not shown as running.
        ResetUI(true);
        return false;
    }
    return true;
}

void CDlgShapes::on_Btn_GenerateGCode_clicked()
{
    CMainServices* pSvc = Services();
    if (m_stShapeCuttingInfo.m_lstShapes.empty()) {
        if (pSvc)
            pSvc->AddLogMsg(QStringLiteral("No Shapes Added"), MSG_ERROR);
        return;
    }
    ui->Btn_GenerateGCode->setStyleSheet(BTN_BKGND_BLUE);
    QString strFile = CPrompter::Instance().SaveFileName(this, QStringLiteral("Select a file to Save..."), HOME_FOLDER,
                                                         QStringLiteral("text files(*.txt);;G-Code files(*.ncc)"));
    const QString strTyped = strFile;
    strFile = CFileNameRule::WithGeneratedGCodeExtension(strFile);
    if (!strTyped.isEmpty() && pSvc && CFileNameRule::MayReplaceAddedName(this, strTyped, strFile)) {
        AppControl& ctrl = pSvc->GetAppCtrl();
        if (ctrl.m_iRunMode != AppControl::RUN_SHAPES)
            RefreshToolPaths();
        ctrl.m_pShapeCuttingInfo = &m_stShapeCuttingInfo;
        // The writer queues its own reason when it fails.
        if (ctrl.CreateGCodeFromShapes(strFile))
            pSvc->AddLogMsg(QStringLiteral("G-Code File Generated"), MSG_INFO);
    }
    ui->Btn_GenerateGCode->setStyleSheet(BTN_BKGND_GRAY);
}

// ---------------------------------------------------------------- work area

void CDlgShapes::UpdateWorkArea()
{
    // A work zero set on the controller's thread (Z by probe) lands here on
    // the GUI thread.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this] { UpdateWorkArea(); }, Qt::QueuedConnection);
        return;
    }
    stFloatPoint& wa = m_stShapeCuttingInfo.m_WorkArea;
    if (AppConfig::m_bHomeSensorsUsed) {
        wa.x = AppConfig::m_fAxisPosDirLimit[X_AXIS] - AppConfig::m_fAxisWorkZero[X_AXIS];
        wa.y = AppConfig::m_fAxisPosDirLimit[Y_AXIS] - AppConfig::m_fAxisWorkZero[Y_AXIS];
    }
    m_Map.Update(m_pWorkAreaImg->width(), m_pWorkAreaImg->height(), m_nMargin, wa.x, wa.y);
    m_dScale = m_Map.Scale();
    m_WorkAreaRect = m_Map.Rect();
    // The picture panel lays its contours out on the work area.
    if (!m_pDlgShapeFromImg->isHidden())
        m_pDlgShapeFromImg->ConfigSettings();
    DrawWorkArea();
}

void CDlgShapes::DrawWorkArea()
{
    // Nobody sees the picture of a hidden designer (at start-up, or after a
    // change made from another window): it is painted when it shows. The
    // view holds it all the same, so that its pixels keep mapping to mm.
    if (!isVisible()) {
        m_bWorkAreaStale = true;
        m_pView->DisplayImage(m_pWorkAreaImg);
        return;
    }
    m_bWorkAreaStale = false;
    QImage& img = *m_pWorkAreaImg;
    const int W = img.width();
    const int H = img.height();
    const int m = m_nMargin;
    const QRect rc = m_WorkAreaRect;
    QPainter painter(&img);

    // 1. Background: the reference picture while drawing or editing a
    // polygon, else plain grey.
    if ((m_bFreeDrawing || m_bPolygonEditing) && m_pRefGuideImg && !m_pRefGuideImg->isNull())
        painter.drawImage(QRect(0, 0, W, H), *m_pRefGuideImg);
    else
        painter.fillRect(QRect(0, 0, W, H), BKGND);

    // 2. The work area, its zero and its size.
    QFont font = painter.font();
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(Pen(Qt::white));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rc);
    painter.drawEllipse(QRect(m - 5, H - m - 5, 10, 10));
    painter.drawText(m - 15, H - m + 20, QStringLiteral("Work Zero(0,0)"));
    painter.drawText(m + rc.width() - 70, H - m + 20,
                     QStringLiteral("X--->") + QString::number(m_stShapeCuttingInfo.m_WorkArea.x, 'g', 6));
    painter.save();
    painter.rotate(90);
    painter.drawText(W - m - rc.height(), 20 - m,
                     QString::number(m_stShapeCuttingInfo.m_WorkArea.y, 'g', 6) + QStringLiteral("<---Y"));
    painter.restore();

    // 3. The 10 mm grid (left out when a step would be under one pixel).
    const int iStep = m_Map.GridStep();
    if (iStep > 0) {
        painter.setPen(Pen(QColor(70, 70, 70), 1));
        const int iBottom = rc.top() + rc.height();
        for (int k = 1; k * iStep <= rc.width(); ++k)
            painter.drawLine(m + k * iStep, rc.top(), m + k * iStep, iBottom);
        for (int k = 0; k * iStep <= rc.height(); ++k)
            painter.drawLine(m, iBottom - k * iStep, m + rc.width(), iBottom - k * iStep);
    }

    // 4. The shapes.
    DrawShapes(painter);

    // 5. The mouse position in mm.
    const QPoint mouse = m_pView->m_ImgPos;
    const int iFont = CWorkAreaMap::MouseFontSize(m_pView->GetCurZoomFactor());
    font.setPointSize(iFont);
    painter.setFont(font);
    painter.setPen(Pen(Qt::darkGreen));
    const stFloatPoint mm = m_Map.ToWork(mouse);
    const bool bLeftHalf = m_pView->m_MousePos.x() < m_pView->width() / 2;
    const QPoint at = CWorkAreaMap::MouseTextPos(mouse, bLeftHalf, iFont);
    painter.drawText(at, QStringLiteral("X:") + QString::number(mm.x, 'f', 4));
    painter.drawText(at + QPoint(0, iFont + 3), QStringLiteral("Y:") + QString::number(mm.y, 'f', 4));
    painter.end();

    // 6. Shown in the view.
    m_pView->DisplayImage(m_pWorkAreaImg);
}

void CDlgShapes::DrawShapes(QPainter& painter)
{
    const bool bPolyEditorShown = m_pDlgEditPolygon && !m_pDlgEditPolygon->isHidden();
    const auto& shapes = m_stShapeCuttingInfo.m_lstShapes;
    for (size_t i = 0; i < shapes.size(); ++i) {
        const stEngShape& shape = shapes[i];
        const bool bSelected = i == m_nSelShape;
        painter.setPen(Pen(bSelected ? Qt::yellow : Qt::white));
        if (shape.m_iType == SHAPE_POLYGON && shape.m_pPolygon) {
            const auto& v = shape.m_pPolygon->m_lstVertices;
            if (m_bDispGraphics) {
                if (bPolyEditorShown) {
                    if (bSelected) {
                        for (size_t k = 0; k < v.size(); ++k) {
                            if (k == m_uiSelVertex)
                                painter.setPen(Pen(Qt::red));
                            DrawMarker(painter, m_Map.ToPixel(v[k].x, v[k].y));
                            if (k == m_uiSelVertex)
                                painter.setPen(Pen(Qt::yellow));
                        }
                    }
                } else if (!shape.m_pPolygon->m_bHole) {
                    for (const stFloatPoint& p : v)
                        DrawMarker(painter, m_Map.ToPixel(p.x, p.y));
                }
            } else if (bPolyEditorShown && bSelected && m_uiSelVertex < v.size()) {
                painter.setPen(Pen(Qt::red));
                DrawMarker(painter, m_Map.ToPixel(v[m_uiSelVertex].x, v[m_uiSelVertex].y));
                painter.setPen(Pen(Qt::yellow));
            }
            if (v.size() == 1)
                painter.drawPoint(m_Map.ToPixel(v[0].x, v[0].y));
            for (size_t k = 1; k < v.size(); ++k)
                painter.drawLine(m_Map.ToPixel(v[k - 1].x, v[k - 1].y), m_Map.ToPixel(v[k].x, v[k].y));
        } else if (shape.m_iType == SHAPE_ELLIPSE && shape.m_pEllipse) {
            const stEllipse& e = *shape.m_pEllipse;
            if (m_bDispGraphics) {
                const QPoint c = m_Map.ToPixel(e.m_Center.x, e.m_Center.y);
                painter.drawLine(c.x() - 3, c.y(), c.x() + 3, c.y());
                painter.drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
            }
            const auto& p = e.m_lstPoints;
            for (size_t k = 1; k < p.size(); ++k)
                painter.drawLine(m_Map.ToPixel(p[k - 1].x, p[k - 1].y), m_Map.ToPixel(p[k].x, p[k].y));
        }
    }
}

void CDlgShapes::CreateEllipsePoints(unsigned short index)
{
    if (stEllipse* e = EllipseAt(index)) {
        e->m_lstPoints = CEllipsePoints::Create(*e, AppConfig::m_fEndMillDia);
    }
}

bool CDlgShapes::RefreshToolPaths()
{
    if (m_fPathsEndMillDia == AppConfig::m_fEndMillDia)
        return false;
    for (size_t i = 0; i < m_stShapeCuttingInfo.m_lstShapes.size(); ++i)
        CreateEllipsePoints((unsigned short)i);
    m_fPathsEndMillDia = AppConfig::m_fEndMillDia;
    return true;
}

void CDlgShapes::reject()
{
}

// ---------------------------------------------------------------- mouse

void CDlgShapes::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    if (m_bWorkAreaStale)
        DrawWorkArea();
}

void CDlgShapes::mousePressEvent(QMouseEvent* pEvent)
{
    if (!m_ViewRect.contains(pEvent->position().toPoint()))
        return;
    m_MousePosMM = m_Map.ToWork(m_pView->m_ImgPos);
    if (m_MousePosMM.x < 0.0 || m_MousePosMM.y < 0.0)
        return;
    if (!m_bFreeDrawing) {
        if (m_pDlgEditPolygon && !m_pDlgEditPolygon->isHidden())
            m_pDlgEditPolygon->LWSelectString(m_MousePosMM);
        return;
    }
    stPolygon* pPolygon = m_stShapeCuttingInfo.m_lstShapes.empty()
                              ? nullptr
                              : PolygonAt(int(m_stShapeCuttingInfo.m_lstShapes.size()) - 1);
    if (!pPolygon)
        return;
    if (pEvent->button() == Qt::LeftButton)
        pPolygon->m_lstVertices.push_back(m_MousePosMM);
    else if (pEvent->button() == Qt::RightButton && !pPolygon->m_lstVertices.empty())
        pPolygon->m_lstVertices.pop_back();
    DrawWorkArea();
}

void CDlgShapes::OnMouseMove()
{
    const bool bLeft = m_pView->m_bLBtnDown;
    const stFloatPoint mouse = m_Map.ToWork(m_pView->m_ImgPos);
    const int iPressX = int(m_MousePosMM.x);
    const int iPressY = int(m_MousePosMM.y);
    if (bLeft && m_pDlgEditPolygon && !m_pDlgEditPolygon->isHidden()) {
        stPolygon* p = PolygonAt(m_pDlgEditPolygon->m_nShapeIndex);
        if (p && m_uiSelVertex < p->m_lstVertices.size()) {
            stFloatPoint& v = p->m_lstVertices[m_uiSelVertex];
            const QRect box(iPressX - 3, iPressY - 3, 6, 6);
            if (box.contains(int(v.x), int(v.y))) {
                v.x = mouse.x;
                v.y = mouse.y;
                m_MousePosMM = mouse;
                m_pDlgEditPolygon->UpdatePolyVertices();
            }
        }
    }
    if (bLeft && !m_pDlgEllipse->isHidden()) {
        stEllipse* e = EllipseAt(m_pDlgEllipse->m_nShapeIndex);
        if (e) {
            const QRect box(int(e->m_Center.x - e->m_fMajorAxisDia / 2), int(e->m_Center.y - e->m_fMinorAxisDia / 2),
                            int(e->m_fMajorAxisDia), int(e->m_fMinorAxisDia));
            if (box.contains(iPressX, iPressY)) {
                e->m_Center.x = mouse.x;
                e->m_Center.y = mouse.y;
                m_MousePosMM = mouse;
                m_pDlgEllipse->UpdateEllipseParams();
            }
        }
    }
    DrawWorkArea();
}

// ---------------------------------------------------------------- editors

bool CDlgShapes::RoomForNewShape()
{
    // The list counts its entries in 16 bits: a full list opens no editor
    // that could add one more.
    QString strFull;
    if (COutlineShapes::RoomFor(m_stShapeCuttingInfo, 1, &strFull))
        return true;
    if (CMainServices* pSvc = Services())
        pSvc->AddLogMsg(strFull, MSG_ERROR);
    return false;
}

void CDlgShapes::RunEditor(QDialog* pPanel, const std::function<void()>& fnConfig)
{
    if (!RoomForNewShape())
        return;
    m_nShapesBeforeSubDlg = (unsigned short)m_stShapeCuttingInfo.m_lstShapes.size();
    if (fnConfig)
        fnConfig();
    BeginEditing();
    pPanel->exec();
    EndEditing();
    ListNewShapes();
    DrawWorkArea();
}

void CDlgShapes::RunKeyboardEditor(QDialog* pPanel, const std::function<void()>& fnConfig)
{
    CMainServices* pSvc = Services();
    if (pSvc) {
        if (AppConfig::m_bKeyboardCtrlUsed)
            pSvc->SetKeyboardGrab(false);
        pSvc->SetIgnoreKeyRelease(true);
    }
    RunEditor(pPanel, fnConfig);
    if (pSvc) {
        if (AppConfig::m_bKeyboardCtrlUsed)
            pSvc->SetKeyboardGrab(true);
        pSvc->SetIgnoreKeyRelease(false);
    }
}

void CDlgShapes::ListNewShapes()
{
    const auto& shapes = m_stShapeCuttingInfo.m_lstShapes;
    const int nBefore = ui->Lw_Shapes->count();
    for (int i = m_nShapesBeforeSubDlg; i < int(shapes.size()); ++i) {
        const stShapesCommonInfo* pCommon = shapes[size_t(i)].Common();
        ui->Lw_Shapes->insertItem(i, pCommon ? pCommon->m_strName : QString());
    }
    if (ui->Lw_Shapes->count() > nBefore) {
        const int iLast = ui->Lw_Shapes->count() - 1;
        ui->Lw_Shapes->setCurrentRow(iLast);
        m_nSelShape = (unsigned short)iLast;
        ShowDepth(iLast);
    }
}

void CDlgShapes::ShowDepth(int row)
{
    if (row < 0 || size_t(row) >= m_stShapeCuttingInfo.m_lstShapes.size())
        return;
    if (const stShapesCommonInfo* pCommon = m_stShapeCuttingInfo.m_lstShapes[size_t(row)].Common())
        CButtonText::Set(ui->Btn_ShapeDepth, DepthText(pCommon->m_fDepth));
}

void CDlgShapes::Flash(QPushButton* pBtn)
{
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
}

void CDlgShapes::on_Btn_AddEllipse_clicked()
{
    Flash(ui->Btn_AddEllipse);
    RunEditor(m_pDlgEllipse, [this] {
        // Appended behind the recorded length, the new entry belongs to the
        // editor: Cancel takes it away again.
        const size_t n = m_stShapeCuttingInfo.m_lstShapes.size();
        auto* e = new stEllipse;
        e->m_strName = QStringLiteral("Ellipse_") + QString::number(n + 1);
        m_stShapeCuttingInfo.AddEllipse(e);
        m_pDlgEllipse->m_nShapeIndex = (unsigned short)n;
        m_pDlgEllipse->m_bPocket = true;
        m_pDlgEllipse->ConfigSettings();
    });
}

void CDlgShapes::EditEllipse(int row)
{
    stEllipse* e = EllipseAt(row);
    if (!e)
        return;
    const stEllipse saved = *e;
    m_pDlgEllipse->m_nShapeIndex = (unsigned short)row;
    m_pDlgEllipse->m_bPocket = false;
    BeginEditing();
    m_pDlgEllipse->ConfigSettings();
    m_pDlgEllipse->exec();
    EndEditing();
    if (!m_pDlgEllipse->m_bOk) {
        // Everything the panel may have changed comes back, and the path
        // is made again from it.
        *e = saved;
        CreateEllipsePoints((unsigned short)row);
        DrawWorkArea();
    } else if (QListWidgetItem* pItem = ui->Lw_Shapes->item(row)) {
        pItem->setText(e->m_strName);
    }
    ShowDepth(row);
}

void CDlgShapes::on_Lw_Shapes_doubleClicked(const QModelIndex&)
{
    CMainServices* pSvc = Services();
    if (pSvc && pSvc->GetAppCtrl().m_iRunMode != AppControl::RUN_IDLE)
        return;
    const int row = ui->Lw_Shapes->currentRow();
    if (row < 0 || size_t(row) >= m_stShapeCuttingInfo.m_lstShapes.size())
        return;
    m_nShapesBeforeSubDlg = (unsigned short)m_stShapeCuttingInfo.m_lstShapes.size();
    const int iType = m_stShapeCuttingInfo.m_lstShapes[size_t(row)].m_iType;
    if (iType == SHAPE_ELLIPSE)
        EditEllipse(row);
    else if (iType == SHAPE_POLYGON)
        EditPolygon(row);
    DrawWorkArea();
}

void CDlgShapes::on_Lw_Shapes_clicked(const QModelIndex&)
{
    const int row = ui->Lw_Shapes->currentRow();
    if (row < 0)
        return;
    m_nSelShape = (unsigned short)row;
    ShowDepth(row);
    DrawWorkArea();
}

// ---------------------------------------------------------------- list commands

void CDlgShapes::on_Btn_MoveShapeUp_clicked()
{
    // Towards the end of the list (the south arrow).
    const int row = ui->Lw_Shapes->currentRow();
    if (row < 0 || row + 1 >= ui->Lw_Shapes->count() || !m_stShapeCuttingInfo.SwapShapes(row, row + 1))
        return;
    QListWidgetItem* a = ui->Lw_Shapes->item(row);
    QListWidgetItem* b = ui->Lw_Shapes->item(row + 1);
    const QString t = a->text();
    a->setText(b->text());
    b->setText(t);
    ui->Lw_Shapes->setCurrentRow(row + 1);
}

void CDlgShapes::on_Btn_MoveShapeDown_clicked()
{
    // Towards the start of the list (the north arrow).
    const int row = ui->Lw_Shapes->currentRow();
    if (row <= 0 || !m_stShapeCuttingInfo.SwapShapes(row, row - 1))
        return;
    QListWidgetItem* a = ui->Lw_Shapes->item(row);
    QListWidgetItem* b = ui->Lw_Shapes->item(row - 1);
    const QString t = a->text();
    a->setText(b->text());
    b->setText(t);
    ui->Lw_Shapes->setCurrentRow(row - 1);
}

void CDlgShapes::on_Btn_DelShape_clicked()
{
    const int row = ui->Lw_Shapes->currentRow();
    if (row < 0 || !m_stShapeCuttingInfo.RemoveShape(row))
        return;
    delete ui->Lw_Shapes->takeItem(row);
    DrawWorkArea();
}

void CDlgShapes::on_Btn_DelAllShapes_clicked()
{
    const auto answer =
        CPrompter::Instance().Question(this, QMessageBox::Question, QStringLiteral("Warning"),
                                       QStringLiteral("Do you want to delete all Shapes"),
                                       QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;
    ui->Lw_Shapes->clear();
    m_stShapeCuttingInfo.ClearShapes();
    DrawWorkArea();
}

// ---------------------------------------------------------------- value buttons

double CDlgShapes::AskValue(QPushButton* pBtn, const QString& strTitle, const QString& strUnit, double fCurrent,
                            stFloatPoint range, bool bMinus, unsigned short nDecimals)
{
    if (!Services())
        return fCurrent;
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    const double f = KeypadValue(this, pBtn, strTitle, strUnit, fCurrent, range, bMinus, nDecimals);
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    return f;
}

double CDlgShapes::KeypadValue(const QWidget* pFrom, QPushButton* pBtn, const QString& strTitle,
                               const QString& strUnit, double fCurrent, stFloatPoint range, bool bMinus,
                               unsigned short nDecimals)
{
    CMainServices* pSvc = CMainServices::Of(pFrom);
    if (!pSvc)
        return fCurrent;
    return pSvc->OpenKeypad(pBtn, strTitle, strUnit, QString::number(fCurrent, 'f', nDecimals), range, bMinus,
                            nDecimals);
}

void CDlgShapes::AskWorkAreaSize(bool bLength)
{
    stFloatPoint range;
    range.x = 1.0;
    range.y = 1000000.0;
    double& fSize = bLength ? m_stShapeCuttingInfo.m_WorkArea.x : m_stShapeCuttingInfo.m_WorkArea.y;
    fSize = bLength ? AskValue(ui->Btn_WorkAreaLength, QStringLiteral("Work Area Length(mm)"),
                               QStringLiteral("Length"), fSize, range, false, 4)
                    : AskValue(ui->Btn_WorkAreaWidth, QStringLiteral("Work Area Width(mm)"), QStringLiteral("Width"),
                               fSize, range, false, 4);
    UpdateWorkArea();
}

void CDlgShapes::on_Btn_WorkAreaLength_clicked()
{
    AskWorkAreaSize(true);
}

void CDlgShapes::on_Btn_WorkAreaWidth_clicked()
{
    AskWorkAreaSize(false);
}

bool CDlgShapes::DropRefGuideImg()
{
    if (!m_pRefGuideImg)
        return false;
    delete m_pRefGuideImg;
    m_pRefGuideImg = nullptr;
    return true;
}

bool CDlgShapes::LoadRefGuideImg()
{
    const QString strFile = CPrompter::Instance().OpenFileName(
        this, QStringLiteral("Select a file to Open..."), HOME_FOLDER,
        QStringLiteral("jpg files(*.jpg);;jpeg files(*.jpeg);;png files(*.png);;bitmap files(*.bmp)"));
    if (strFile.isEmpty())
        return false;
    delete m_pRefGuideImg;
    m_pRefGuideImg = new QImage(strFile);
    return true;
}

void CDlgShapes::on_Btn_ShapeDepth_clicked()
{
    const int row = ui->Lw_Shapes->currentRow();
    if (row < 0 || size_t(row) >= m_stShapeCuttingInfo.m_lstShapes.size())
        return;
    const stEngShape& shape = m_stShapeCuttingInfo.m_lstShapes[size_t(row)];
    stShapesCommonInfo* pCommon = shape.m_iType == SHAPE_ELLIPSE   ? static_cast<stShapesCommonInfo*>(shape.m_pEllipse)
                                  : shape.m_iType == SHAPE_POLYGON ? static_cast<stShapesCommonInfo*>(shape.m_pPolygon)
                                                                   : nullptr;
    if (!pCommon)
        return;
    pCommon->m_fDepth = AskValue(ui->Btn_ShapeDepth, QStringLiteral("Shape Depth(mm)"), QStringLiteral("Depth"),
                                 pCommon->m_fDepth, CShapeEditRules::DepthRange(), true, 4);
}

void CDlgShapes::on_Btn_AxisStep_Z_clicked()
{
    m_stShapeCuttingInfo.m_fZStep = AskValue(ui->Btn_AxisStep_Z, QStringLiteral("Z Step(mm)"), QStringLiteral("z Step"),
                                             m_stShapeCuttingInfo.m_fZStep, CShapeEditRules::ZStepRange(), false, 4);
}

void CDlgShapes::on_Btn_ZAxisPlungeFeed_clicked()
{
    stFloatPoint range;
    range.x = AppConfig::m_fAxisMovPerPulse[Z_AXIS];
    range.y = AppConfig::m_fUserAxisFeed[Z_AXIS];
    AppConfig::m_fPlungeFeed = AskValue(ui->Btn_ZAxisPlungeFeed, QStringLiteral("Plunge Feed(mm/sec)"),
                                        QStringLiteral("Plunge Feed"), AppConfig::m_fPlungeFeed, range, false, 4);
}

void CDlgShapes::on_Btn_EndMillDia_clicked()
{
    stFloatPoint range;
    range.x = 0.1;
    range.y = 100.0;
    AppConfig::m_fEndMillDia = AskValue(ui->Btn_EndMillDia, QStringLiteral("End-Mill"), QStringLiteral("End-Mill"),
                                        AppConfig::m_fEndMillDia, range, false, 1);
    // The ellipse tool paths lie one tool radius off their outlines.
    if (RefreshToolPaths())
        DrawWorkArea();
}

void CDlgShapes::on_Btn_DispGraphics_clicked()
{
    m_bDispGraphics = !m_bDispGraphics;
    DrawWorkArea();
    ui->Btn_DispGraphics->setStyleSheet(m_bDispGraphics ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
}

// ---------------------------------------------------------------- work-area file

void CDlgShapes::on_Btn_SaveWorkArea_clicked()
{
    Flash(ui->Btn_SaveWorkArea);
    CMainServices* pSvc = Services();
    if (m_stShapeCuttingInfo.m_lstShapes.empty()) {
        if (pSvc)
            pSvc->AddLogMsg(QStringLiteral("No shapes added"), MSG_ERROR);
        return;
    }
    QString strFile = CPrompter::Instance().SaveFileName(this, QStringLiteral("Select file tosave..."), HOME_FOLDER,
                                                         QStringLiteral("xml Files(*.xml)"));
    const QString strTyped = strFile;
    strFile = CFileNameRule::WithDefaultExtension(strFile, QStringLiteral(".xml"));
    if (strTyped.isEmpty() || !CFileNameRule::MayReplaceAddedName(this, strTyped, strFile))
        return;
    QString strWhy;
    const bool bSaved = CWorkAreaFile::Save(strFile, m_stShapeCuttingInfo, &strWhy);
    ui->Btn_SaveWorkArea->setStyleSheet(BTN_BKGND_GRAY);
    if (!bSaved && pSvc)
        pSvc->AddLogMsg(QStringLiteral("Unable to Create the file\n") + strFile + QStringLiteral(": ") + strWhy,
                        MSG_ERROR);
}

void CDlgShapes::on_Btn_LoadWorkArea_clicked()
{
    Flash(ui->Btn_LoadWorkArea);
    CMainServices* pSvc = Services();
    const QString strFile = CPrompter::Instance().OpenFileName(this, QStringLiteral("Select file to open..."),
                                                               AppConfig::m_strLastFolderPath,
                                                               QStringLiteral("xml Files(*.xml)"));
    if (strFile.isEmpty()) {
        ui->Btn_LoadWorkArea->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }
    AppConfig::m_strLastFolderPath = strFile.left(strFile.lastIndexOf(QLatin1Char('/')));
    QFile file(strFile);
    const size_t nBefore = m_stShapeCuttingInfo.m_lstShapes.size();
    QString strErr;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) ||
        !CWorkAreaFile::Load(file, m_stShapeCuttingInfo, strErr)) {
        ui->Btn_LoadWorkArea->setStyleSheet(BTN_BKGND_GRAY);
        if (pSvc) {
            pSvc->AddLogMsg(QStringLiteral("Unable to load the file"), MSG_ERROR);
            pSvc->AddLogMsg(strErr, MSG_ERROR); // why, when the file was read
        }
        return;
    }
    if (!strErr.isEmpty() && pSvc)
        pSvc->AddLogMsg(strErr, MSG_WARNING);
    for (size_t i = nBefore; i < m_stShapeCuttingInfo.m_lstShapes.size(); ++i) {
        CreateEllipsePoints((unsigned short)i);
        const stShapesCommonInfo* pCommon = m_stShapeCuttingInfo.m_lstShapes[i].Common();
        ui->Lw_Shapes->insertItem(int(i), pCommon ? pCommon->m_strName : QString());
    }
    const stFloatPoint& wa = m_stShapeCuttingInfo.m_WorkArea;
    if (wa.x > 0 && wa.y > 0) {
        CButtonText::Set(ui->Btn_WorkAreaLength, QString::number(wa.x, 'g', 6) + QStringLiteral("\nLength"));
        CButtonText::Set(ui->Btn_WorkAreaWidth, QString::number(wa.y, 'g', 6) + QStringLiteral("\nWidth"));
    }
    UpdateWorkArea();
    ui->Btn_LoadWorkArea->setStyleSheet(BTN_BKGND_GRAY);
}

// ---------------------------------------------------------------- polygons

void CDlgShapes::on_Btn_DrawContour_clicked()
{
    Flash(ui->Btn_DrawContour);
    if (!RoomForNewShape())
        return;
    const size_t n = m_stShapeCuttingInfo.m_lstShapes.size();
    auto* p = new stPolygon;
    p->m_strName = QStringLiteral("Shape_") + QString::number(n + 1);
    m_stShapeCuttingInfo.AddPolygon(p);
    // The new outline belongs to the drawing: Cancel takes it away again.
    m_nShapesBeforeSubDlg = (unsigned short)n;
    m_bFreeDrawing = true;
    CDlgShapeFreeDraw panel(this);
    panel.setWindowFlags(Qt::Widget);
    panel.move(PANEL_POS);
    panel.ConfigSettings();
    BeginEditing();
    panel.exec();
    EndEditing();
    m_bFreeDrawing = false;
    DropRefGuideImg();
    ListNewShapes();
    DrawWorkArea();
}

void CDlgShapes::EditPolygon(int row)
{
    m_bPolygonEditing = true;
    m_nSelShape = (unsigned short)row;
    m_pDlgEditPolygon->m_nShapeIndex = (unsigned short)row;
    BeginEditing();
    m_pDlgEditPolygon->ConfigSettings();
    // Shown before the first drawing, which marks the selected vertex.
    m_pDlgEditPolygon->show();
    DrawWorkArea();
    m_pDlgEditPolygon->exec();
    EndEditing();
    m_bPolygonEditing = false;
    DropRefGuideImg();
    const stPolygon* p = PolygonAt(row);
    if (p && !p->m_lstVertices.empty()) {
        if (QListWidgetItem* pItem = ui->Lw_Shapes->item(row))
            pItem->setText(p->m_strName);
        ShowDepth(row);
    } else if (p) {
        // An outline without vertices is no shape any more.
        m_stShapeCuttingInfo.RemoveShape(row);
        delete ui->Lw_Shapes->takeItem(row);
    }
}

// ---------------------------------------------------------------- shapes from pictures and text

void CDlgShapes::on_Btn_ShapeFromImg_clicked()
{
    RunEditor(m_pDlgShapeFromImg, [this] { m_pDlgShapeFromImg->ConfigSettings(); });
}

void CDlgShapes::on_Btn_ShapeFromTxt_clicked()
{
    // A new text panel each time; keys go to its text field while it runs.
    CDlgShapeFromTxt panel(this);
    panel.setWindowFlags(Qt::Widget);
    panel.move(PANEL_POS);
    RunKeyboardEditor(&panel, [&panel] { panel.ConfigSettings(); });
}
