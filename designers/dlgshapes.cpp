#include "designers/dlgshapes.h"
#include "ui_dlgshapes.h"

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "designers/dlgshapefromimg.h"
#include "designers/dlgshapefromtxt.h"
#include "ui/mainservices.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace {
// Image size of the work-area picture: the view less its scroll bars.
constexpr int VIEW_X = 10;
constexpr int VIEW_Y = 12;
constexpr int VIEW_WIDTH = 505;
constexpr int VIEW_HEIGHT = 363;
constexpr int IMG_WIDTH = VIEW_WIDTH - 25;
constexpr int IMG_HEIGHT = VIEW_HEIGHT - 25;
// Editor panels open over the right-hand side of the window.
constexpr int EDITOR_X = 525;

// The number before the line break of a value button.
double ButtonValue(const QPushButton* pBtn)
{
    return pBtn->text().section(QLatin1Char('\n'), 0, 0).toDouble();
}
} // namespace

CDlgShapes::CDlgShapes(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::CDlgShapes)
{
    ui->setupUi(this);
    m_ViewRect = QRect(QPoint(VIEW_X, VIEW_Y), QPoint(VIEW_X + VIEW_WIDTH - 1, VIEW_Y + VIEW_HEIGHT - 1));
    m_pWorkAreaImg = new QImage(IMG_WIDTH, IMG_HEIGHT, QImage::Format_RGB888);
    m_stShapeCuttingInfo.m_WorkArea.x = 300.0;
    m_stShapeCuttingInfo.m_WorkArea.y = 200.0;
    m_stShapeCuttingInfo.m_fZStep = 1.0;
    m_Map.Update(IMG_WIDTH, IMG_HEIGHT, m_nMargin, 300.0, 200.0);

    // The picture panel lives as long as the designer, hidden beside the
    // work area until it is opened.
    m_pDlgShapeFromImg = new CDlgShapeFromImg;
    m_pDlgShapeFromImg->setParent(this);
    m_pDlgShapeFromImg->move(EDITOR_X, 0);
    m_pDlgShapeFromImg->hide();
}

CDlgShapes::~CDlgShapes()
{
    delete m_pWorkAreaImg;
    delete m_pRefGuideImg;
    delete ui;
}

CMainServices* CDlgShapes::Services() const
{
    return CMainServices::Of(this);
}

void CDlgShapes::ConfigSettings()
{
    if (AppConfig::m_bHomeSensorsUsed) {
        ui->Btn_WorkAreaLength->setEnabled(false);
        ui->Btn_WorkAreaWidth->setEnabled(false);
    } else {
        m_stShapeCuttingInfo.m_WorkArea.x = ButtonValue(ui->Btn_WorkAreaLength);
        m_stShapeCuttingInfo.m_WorkArea.y = ButtonValue(ui->Btn_WorkAreaWidth);
        ui->Btn_WorkAreaLength->setEnabled(true);
        ui->Btn_WorkAreaWidth->setEnabled(true);
    }
    ui->Btn_DispGraphics->setStyleSheet(BTN_BKGND_GRAY);
    UpdatePlungeFeed();
    UpdateWorkArea();
}

void CDlgShapes::UpdatePlungeFeed()
{
    ui->Btn_EndMillDia->setText(QString::number(AppConfig::m_fEndMillDia, 'f', 1) + QStringLiteral("\nEnd-Mill"));
    ui->Btn_ZAxisPlungeFeed->setText(QString::number(AppConfig::m_fPlungeFeed, 'f', 4) +
                                     QStringLiteral("\nPlunge Feed"));
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
    if (ctrl.m_iRunMode != AppControl::RUN_IDLE || !ctrl.IsMachineIdle()) {
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
    ResetUI(false);
    pSvc->ClearToolGraphics();
    ctrl.StartShapeCutting(&m_stShapeCuttingInfo);
    return true;
}

void CDlgShapes::UpdateWorkArea()
{
    stFloatPoint& wa = m_stShapeCuttingInfo.m_WorkArea;
    if (AppConfig::m_bHomeSensorsUsed) {
        wa.x = AppConfig::m_fAxisPosDirLimit[X_AXIS] - AppConfig::m_fAxisWorkZero[X_AXIS];
        wa.y = AppConfig::m_fAxisPosDirLimit[Y_AXIS] - AppConfig::m_fAxisWorkZero[Y_AXIS];
    }
    m_Map.Update(m_pWorkAreaImg->width(), m_pWorkAreaImg->height(), m_nMargin, wa.x, wa.y);
    m_dScale = m_Map.Scale();
    m_WorkAreaRect = m_Map.Rect();
    DrawWorkArea();
}

void CDlgShapes::DrawWorkArea()
{
    m_pWorkAreaImg->fill(QColor(50, 50, 50));
}

void CDlgShapes::CreateEllipsePoints(unsigned short) {}
void CDlgShapes::RunEditor(QDialog*) {}
void CDlgShapes::ListNewShapes() {}
void CDlgShapes::OnMouseMove() {}
void CDlgShapes::mousePressEvent(QMouseEvent* pEvent)
{
    QDialog::mousePressEvent(pEvent);
}
void CDlgShapes::on_Btn_AddEllipse_clicked() {}
void CDlgShapes::on_Btn_DrawContour_clicked() {}
void CDlgShapes::on_Btn_ShapeFromImg_clicked()
{
    m_pDlgShapeFromImg->ConfigSettings();
    RunEditor(m_pDlgShapeFromImg);
}

void CDlgShapes::on_Btn_ShapeFromTxt_clicked()
{
    // Keys go to the text field while the panel runs, not to the pendant.
    CMainServices* pSvc = Services();
    const bool bPendant = AppConfig::m_bKeyboardCtrlUsed;
    if (pSvc) {
        if (bPendant)
            pSvc->SetKeyboardGrab(false);
        pSvc->SetIgnoreKeyRelease(true);
    }
    {
        CDlgShapeFromTxt panel;
        panel.setParent(this);
        panel.move(EDITOR_X, 0);
        panel.ConfigSettings();
        RunEditor(&panel);
    }
    if (pSvc) {
        if (bPendant)
            pSvc->SetKeyboardGrab(true);
        pSvc->SetIgnoreKeyRelease(false);
    }
}
void CDlgShapes::on_Btn_DispGraphics_clicked() {}
void CDlgShapes::on_Lw_Shapes_clicked(const QModelIndex&) {}
void CDlgShapes::on_Lw_Shapes_doubleClicked(const QModelIndex&) {}
void CDlgShapes::on_Btn_MoveShapeUp_clicked() {}
void CDlgShapes::on_Btn_MoveShapeDown_clicked() {}
void CDlgShapes::on_Btn_DelShape_clicked() {}
void CDlgShapes::on_Btn_DelAllShapes_clicked() {}
void CDlgShapes::on_Btn_ShapeDepth_clicked() {}
void CDlgShapes::on_Btn_AxisStep_Z_clicked() {}
void CDlgShapes::on_Btn_ZAxisPlungeFeed_clicked() {}
void CDlgShapes::on_Btn_EndMillDia_clicked() {}
void CDlgShapes::on_Btn_WorkAreaLength_clicked() {}
void CDlgShapes::on_Btn_WorkAreaWidth_clicked() {}
void CDlgShapes::on_Btn_SaveWorkArea_clicked() {}
void CDlgShapes::on_Btn_LoadWorkArea_clicked() {}
void CDlgShapes::ShowDepth(int) {}
void CDlgShapes::Flash(QPushButton*) {}
void CDlgShapes::RecomputeEllipses() {}

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
    if (!strFile.isEmpty() && pSvc) {
        if (!strFile.endsWith(QLatin1String(".txt")) && !strFile.endsWith(QLatin1String(".ncc")))
            strFile += QStringLiteral(".txt");
        AppControl& ctrl = pSvc->GetAppCtrl();
        ctrl.m_pShapeCuttingInfo = &m_stShapeCuttingInfo;
        // The writer queues its own reason when it fails.
        if (ctrl.CreateGCodeFromShapes(strFile))
            pSvc->AddLogMsg(QStringLiteral("G-Code File Generated"), MSG_INFO);
    }
    ui->Btn_GenerateGCode->setStyleSheet(BTN_BKGND_GRAY);
}
