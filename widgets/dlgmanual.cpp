#include "widgets/dlgmanual.h"

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "widgets/mainservices.h"
#include "widgets/resources.h"
#include "ui_dlgmanual.h"
#include "widgets/embeddedwindow.h"

#include <algorithm>

CDlgManual::CDlgManual(QWidget* parent)
    : QDialog(parent)
    , ui(nullptr)
{
    InitAppResources();
    EmbedInMainWindow(this);
    ui = new Ui::CDlgManual;
    ui->setupUi(this);
    // A held jog button must not be pressed or released by the keyboard.
    for (QPushButton* pBtn : findChildren<QPushButton*>()) {
        pBtn->setFocusPolicy(Qt::NoFocus);
        pBtn->setAutoDefault(false);
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
    }
}

CDlgManual::~CDlgManual()
{
    delete ui;
}

void CDlgManual::ConfigSettings()
{
    if (AppConfig::m_iMchType == 5) {
        ui->Btn_JogCW_A->setEnabled(true);
        ui->Btn_JogACW_A->setEnabled(true);
        ui->Btn_JogCW_B->setEnabled(true);
        ui->Btn_JogACW_B->setEnabled(true);
    }
}

QList<CDlgManual::stJog> CDlgManual::JogsOf(const QString& strButton)
{
    static const QHash<QString, QList<stJog>> s_Jogs = {
        {QStringLiteral("Btn_JogNorth"), {{Y_AXIS, true}}},
        {QStringLiteral("Btn_JogNorthEast"), {{Y_AXIS, true}, {X_AXIS, true}}},
        {QStringLiteral("Btn_JogEast"), {{X_AXIS, true}}},
        {QStringLiteral("Btn_JogSouthEast"), {{Y_AXIS, false}, {X_AXIS, true}}},
        {QStringLiteral("Btn_JogSouth"), {{Y_AXIS, false}}},
        {QStringLiteral("Btn_JogSouthWest"), {{Y_AXIS, false}, {X_AXIS, false}}},
        {QStringLiteral("Btn_JogWest"), {{X_AXIS, false}}},
        {QStringLiteral("Btn_JogNorthWest"), {{Y_AXIS, true}, {X_AXIS, false}}},
        {QStringLiteral("Btn_JogZUp"), {{Z_AXIS, true}}},
        {QStringLiteral("Btn_JogZDown"), {{Z_AXIS, false}}},
        {QStringLiteral("Btn_JogCW_A"), {{A_AXIS, true}}},
        {QStringLiteral("Btn_JogACW_A"), {{A_AXIS, false}}},
        {QStringLiteral("Btn_JogCW_B"), {{B_AXIS, true}}},
        {QStringLiteral("Btn_JogACW_B"), {{B_AXIS, false}}},
    };
    return s_Jogs.value(strButton);
}

bool CDlgManual::JogAllowed(const AppControl& ctrl)
{
    if (!ctrl.IsOperationRunning())
        return true;
    // The tool-change pause of a G-code run: the machine waits for the
    // operator, who may move it to change the tool.
    return ctrl.m_iRunMode == AppControl::RUN_GCODE && ctrl.m_bHold;
}

void CDlgManual::JogPressed(QPushButton* pBtn)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    CMainServices* pServices = CMainServices::Of(this);
    const QList<stJog> jogs = JogsOf(pBtn->objectName());
    // A and B only on a five-axis machine: their buttons may still be
    // enabled after the machine settings switched to three axes, whose pins
    // 5, 6, 13, 14, 15 and 18 are then M-code outputs.
    const int nAxesInUse = AppConfig::AxesInUse();
    const bool bAxisMissing =
        std::any_of(jogs.begin(), jogs.end(), [nAxesInUse](const stJog& j) { return j.m_eAxis >= nAxesInUse; });
    if (!pServices || jogs.isEmpty() || bAxisMissing || m_lstActiveJogs.contains(pBtn)) {
        CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
        return;
    }
    if (pServices->IsEmergencyStopOn()) {
        CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
        return;
    }
    AppControl& ctrl = pServices->GetAppCtrl();
    if (!JogAllowed(ctrl)) {
        CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
        pServices->AddLogMsg(QStringLiteral("Axis in use"), MSG_ERROR);
        return;
    }
    // A single-axis button is refused while its axis moves; a diagonal one
    // only while both move (the controller refuses the moving one itself).
    const bool bAllMoving = std::all_of(jogs.begin(), jogs.end(),
                                        [&ctrl](const stJog& j) { return ctrl.m_AxisCtrl[j.m_eAxis].GetAxisState(); });
    if (bAllMoving) {
        if (pBtn == ui->Btn_JogZDown) {
            pBtn->setStyleSheet(BTN_BKGND_GRAY);
        } else {
            CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
            pServices->AddLogMsg(QStringLiteral("Axis in use"), MSG_ERROR);
        }
        return;
    }
    // Ramps first, X before Y, then the jog requests in the button's order.
    QList<eAxis> axes;
    for (const stJog& j : jogs)
        axes << j.m_eAxis;
    std::sort(axes.begin(), axes.end());
    for (eAxis axis : axes)
        ctrl.m_AxisCtrl[axis].SetVelocityAcc(AppConfig::m_fAxisJogFeed[axis], AppConfig::m_fAxisAcc[axis]);
    QList<eAxis> started;
    for (const stJog& j : jogs) {
        const bool bOk = j.m_bPositive ? ctrl.JogPos(j.m_eAxis) : ctrl.JogNeg(j.m_eAxis);
        if (bOk)
            started << j.m_eAxis;
    }
    std::sort(started.begin(), started.end());
    // Held: the button stays green until released.
    m_lstActiveJogs.insert(pBtn, started);
    m_bJogActive = true;
}

void CDlgManual::JogReleased(QPushButton* pBtn)
{
    const auto it = m_lstActiveJogs.find(pBtn);
    if (it == m_lstActiveJogs.end())
        return; // a refused press
    const QList<eAxis> axes = it.value();
    m_lstActiveJogs.erase(it);
    m_bJogActive = !m_lstActiveJogs.isEmpty();
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    CMainServices* pServices = CMainServices::Of(this);
    if (!pServices)
        return;
    for (eAxis axis : axes) // X before Y
        pServices->GetAppCtrl().DeccelerateAxis(axis);
}

#define DIRADI_JOG_SLOTS(name)                                                                                         \
    void CDlgManual::on_##name##_pressed() { JogPressed(ui->name); }                                                   \
    void CDlgManual::on_##name##_released() { JogReleased(ui->name); }

DIRADI_JOG_SLOTS(Btn_JogNorth)
DIRADI_JOG_SLOTS(Btn_JogNorthEast)
DIRADI_JOG_SLOTS(Btn_JogEast)
DIRADI_JOG_SLOTS(Btn_JogSouthEast)
DIRADI_JOG_SLOTS(Btn_JogSouth)
DIRADI_JOG_SLOTS(Btn_JogSouthWest)
DIRADI_JOG_SLOTS(Btn_JogWest)
DIRADI_JOG_SLOTS(Btn_JogNorthWest)
DIRADI_JOG_SLOTS(Btn_JogZUp)
DIRADI_JOG_SLOTS(Btn_JogZDown)
DIRADI_JOG_SLOTS(Btn_JogCW_A)
DIRADI_JOG_SLOTS(Btn_JogACW_A)
DIRADI_JOG_SLOTS(Btn_JogCW_B)
DIRADI_JOG_SLOTS(Btn_JogACW_B)
