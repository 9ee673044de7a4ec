#include "app/mainwindow.h"

#include "ui_mainwindow.h"

#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/Prompter.h"
#include "gcode/gcodeprogram.h"
#include "hal/pinstartup.h"
#include "machine/allaxisctrl.h"
#include "machine/kivgpio.h"
#include "machine/rpigpio.h"
#include "settings/motionsettings.h"
#include "settingswindows/dlgabout.h"
#include "settings/spindlesettingsmath.h"
#include "app/firstinputwatch.h"
#include "app/pendantkeys.h"
#include "widgets/resources.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <cmath>

namespace {
// The selector buttons of the embedded windows.
const QString SELECTOR_STYLE = QStringLiteral(
    "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, stop:0 rgba(255, "
    "255, 255, 255), stop:1 rgba(100, 100, 100, 255));border-radius: 20px; border-style: solid; border-width: "
    "2px;border-color: black;");
const QString SELECTED_STYLE = QStringLiteral(
    "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, stop:0 rgba(255, "
    "255, 255, 255), stop:1 rgba(0, 0, 255, 255));border-radius: 20px; border-style: solid; border-width: "
    "2px;border-color: black;");

constexpr int POLL_INTERVAL_MS = 34;
// A window shown but never painted (minimised, no compositor) still gets its
// late windows.
constexpr int LATE_BUILD_LATEST_MS = 1000;
// How long Reset waits for the controller's thread to see the abort (a
// paused operation looks at it once a second).
constexpr unsigned long CONTROLLER_END_WAIT_MS = 5000;
// How long the emergency stop waits for it before the poll tick takes over:
// the axes have stopped already, and a thread in a dwell or a pause check
// must not hold the window up.
constexpr unsigned long ESTOP_END_WAIT_MS = 200;

} // namespace

// ===========================================================================
// Start-up and shutdown
// ===========================================================================

namespace {
// The main window's form, set up before the embedded windows are built: each
// of them is then built as a child of an already styled window, and its
// widgets are styled once, when they are shown (see EmbedInMainWindow).
Ui::MainWindow* SetUpForm(QMainWindow* pWnd)
{
    InitAppResources();
    auto* pUi = new Ui::MainWindow;
    pUi->setupUi(pWnd);
    return pUi;
}
} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui(SetUpForm(this)), m_G01FeedSlider(ui->Frame_FeedSettings),
      m_G00FeedSlider(ui->Frame_FeedSettings), m_SpindleSlider(ui->Frame_SpindleSpeedSetting), m_DlgManual(this),
      m_DlgGCode(this)
{
    m_pLog = std::make_unique<CMessageLog>(ui->LV_Log);

    // The settings, tool-change and status files live in the working folder;
    // a fresh installation does not have it yet.
    if (!CAppPaths::EnsureWorkingFolder())
        AddLogMsg(QStringLiteral("Unable to create the working folder ") + CAppPaths::WorkingFolder(), MSG_ERROR);
    if (AppConfig::LoadConfig(CAppPaths::ConfigFile()) == 0) {
        // Why the file was refused (cut short, a tag this program does not
        // know, a value out of range, ...): in the box and in the log.
        const QString strWhy = AppConfig::GetErrorMsg();
        AddLogMsg(strWhy, MSG_ERROR);
        CPrompter::Instance().Information(
            nullptr, QStringLiteral("Error"),
            strWhy + QStringLiteral("\nPlease take note of your settings and\ndelete DIR_ADI.dat file in ") +
                CAppPaths::WorkingFolder() + QStringLiteral(" folder."));
    }
    // A motor value the axis cannot build a speed ramp for would leave it
    // unable to move: the nearest value that builds is used, and said.
    for (const QString& strMsg : CMotionSettings::RepairRamps())
        AddLogMsg(strMsg, MSG_ERROR);

    if (!CKIVGPIO::InitGpio())
        AddLogMsg(CKIVGPIO::GetErrorMsg(), MSG_ERROR);
    if (AppConfig::m_bPWMCtrlUsed && !CKIVGPIO::PwmStart())
        AddLogMsg(CKIVGPIO::GetErrorMsg(), MSG_ERROR);

    if (AppConfig::m_iMchType == 5) {
        ui->Btn_MoveWorkHome_A->setEnabled(true);
        ui->Btn_MoveWorkHome_B->setEnabled(true);
    }

    m_iPendingKey = 0;
    m_bKeyJogging = false;
    m_bInOnTimer = false;
    m_bNumLockOn = true;
    m_fKeyJogStep = 0.05;

    // The tool-path picture (or the camera) under the embedded windows.
    m_ToolPathView.setParent(this);
    m_ToolPathView.m_BkGndColor = QColor(0, 0, 0);
    m_ToolPathView.setGeometry(10, 480, 520, 270);
    m_ToolPathView.EnableZoom(true);
    m_ToolPathView.show();

    m_nLastEStopInput = 0;
    m_nLastPgmStartInput = 0;

    // The controller: its messages go to the log, its window calls come here.
    m_AppCtrl.setParent(this);
    connect(&m_AppCtrl, SIGNAL(AddMsg(QString, eAppMsgType)), this, SLOT(AddLogMsg(QString, eAppMsgType)));
    m_AppCtrl.SetWindows(this);
    m_AppCtrl.InitMachine();

    // The embedded windows: the jog panel beside the work area, the six job
    // and settings windows in it, one shown at a time. The G-code window is
    // shown at start; the five others are built once this window is on
    // screen (BuildLateWindows).
    EmbedAt(&m_DlgGCode, 10, 45);
    EmbedAt(&m_DlgManual, 540, 450);
    m_DlgGCode.ConfigSettings();
    m_DlgManual.ConfigSettings();
    m_DlgGCode.show();
    m_DlgManual.show();
    m_pActiveWnd = &m_DlgGCode;
    m_pActiveWndBtn = ui->Btn_GCode;

    // The round operator buttons.
    struct stRndBtn
    {
        CMyRndBtn* m_pBtn;
        int m_iX, m_iY;
        QColor m_clrPressed, m_clrReleased;
        const char* m_pText; // null: keeps the button's own "Stop"
        int m_iTextX, m_iFontSize;
        const char* m_pSlot;
    };
    const stRndBtn rndBtns[] = {
        {&m_BtnStart, 920, 580, QColor(50, 205, 50), QColor(0, 100, 0), "Start", 20, 25, SLOT(Btn_Start_pressed())},
        {&m_BtnPause, 1030, 580, QColor(255, 191, 0), QColor(200, 120, 0), "Pause", 15, 25, SLOT(Btn_Pause_pressed())},
        {&m_BtnReset, 1140, 580, QColor(150, 150, 225), QColor(50, 125, 255), "Reset", 15, 25,
         SLOT(Btn_Reset_pressed())},
        {&m_BtnStop, 1030, 700, QColor(255, 0, 0), QColor(128, 10, 10), nullptr, 17, 30, SLOT(Btn_Stop_pressed())},
    };
    for (const stRndBtn& b : rndBtns) {
        b.m_pBtn->setParent(this);
        b.m_pBtn->setGeometry(b.m_iX, b.m_iY, 90, 90);
        b.m_pBtn->SetBtnColor(b.m_clrPressed, b.m_clrReleased);
        if (b.m_pText)
            b.m_pBtn->SetBtnText(QString::fromLatin1(b.m_pText));
        b.m_pBtn->m_nTextX = static_cast<qint16>(b.m_iTextX);
        b.m_pBtn->m_nFontSize = static_cast<qint16>(b.m_iFontSize);
        b.m_pBtn->show();
        connect(b.m_pBtn, SIGNAL(pressed()), this, b.m_pSlot);
    }
    connect(&m_BtnStop, SIGNAL(released()), this, SLOT(Btn_Stop_released()));

    m_nLastPwmFreq = 0;
    // The emergency-stop input is watched from the first pass of the event
    // loop, whether or not the late windows are there yet.
    m_pPollTimer = new QTimer(this);
    connect(m_pPollTimer, SIGNAL(timeout()), this, SLOT(OnTimer()));
    m_pPollTimer->start(POLL_INTERVAL_MS);
    m_pKeyReleaseTimer = new QTimer(this);
    m_pKeyReleaseTimer->setSingleShot(true);
    m_pKeyReleaseTimer->setInterval(CKeyHoldTracker::REPEAT_WAIT_MS);
    connect(m_pKeyReleaseTimer, &QTimer::timeout, this, &MainWindow::SettleKeyReleases);

    // Sliders (built in their frames). The rapid slider keeps the element its
    // handler maintains.
    m_G01FeedSlider.move(75, 15);
    m_G01FeedSlider.setValue(100.0 * AppConfig::m_fAxisFeedPercent[X_AXIS]);
    connect(&m_G01FeedSlider, SIGNAL(ValueChanged(short)), this, SLOT(OnG01FeedChange(short)));
    m_G01FeedSlider.show();

    m_G00FeedSlider.move(75, 40);
    m_G00FeedSlider.setValue(100.0 * AppConfig::m_fAxisFeedPercent[Z_AXIS]);
    connect(&m_G00FeedSlider, SIGNAL(ValueChanged(short)), this, SLOT(OnG00FeedChange(short)));
    m_G00FeedSlider.hide();

    m_SpindleSlider.move(75, 15);
    m_SpindleSlider.m_nStep = 1;
    stFloatPoint spindleRange;
    spindleRange.x = 1;
    spindleRange.y = 24;
    m_SpindleSlider.SetSliderRange(spindleRange);
    m_SpindleSlider.setValue(8);
    connect(&m_SpindleSlider, SIGNAL(ValueChanged(short)), this, SLOT(OnSpindleSpeedChange(short)));
    m_SpindleSlider.show();
    m_SpindleSlider.setEnabled(AppConfig::m_bPWMCtrlUsed);

    m_pBtnClickTimer = new QTimer(this);
    connect(m_pBtnClickTimer, SIGNAL(timeout()), this, SLOT(OnBtnClickTimerElapsed()));

    // The tool-path picture of the default work piece.
    ClearToolGraphics();

    ui->lineEdit->installEventFilter(this);
    ui->lineEdit->setCursor(Qt::PointingHandCursor);
    ui->lineEdit->setToolTip(QStringLiteral("About"));

    // The camera's frames come from its own thread.
    m_pCameraControls = std::make_unique<CCameraControls>(this, m_CncCamera, m_ToolPathView, ui->Btn_SelectCamera,
                                                          ui->Btn_SelectToolPaths, ui->Btn_CameraRecStop,
                                                          [this]() { DrawToolPaths(); });
    ui->Btn_CameraRecStop->setEnabled(false); // until the camera is on show
    connect(&m_CncCamera, SIGNAL(NewImage()), this, SLOT(OnNewCncCamImage()), Qt::QueuedConnection);

    // The keypad Enter pressed in a file dialog is still the emergency stop.
    m_pPendantGrab = std::make_unique<CPendantGrab>(
        this,
        [this](QEvent* pKey) {
            auto* pKeyEvent = static_cast<QKeyEvent*>(pKey);
            if (pKey->type() == QEvent::KeyPress)
                keyPressEvent(pKeyEvent);
            else
                keyReleaseEvent(pKeyEvent);
        },
        [this]() { DropHeldPendantKeys(); });
    m_pPendantGrab->SetWanted(AppConfig::m_bKeyboardCtrlUsed);
    m_bIgnoreKeyRelease = false;

    // Which pin backend drives the pins (the simulated bank on a PC).
    AddLogMsg(CPinStartup::Note(), MSG_INFO);

    // The late windows: built before the operator's first key or click
    // (CFirstInputWatch), after the first paint (paintEvent), or, for a window
    // that is not shown, at the first pass of the event loop; a window shown
    // but never painted gets them a second later.
    if (!m_bLateWindowsBuilt) {
        m_pFirstInputWatch = new CFirstInputWatch([this]() { BuildLateWindows(); }, this);
        QTimer::singleShot(0, this, [this]() {
            if (!isVisible())
                BuildLateWindows();
            else
                QTimer::singleShot(LATE_BUILD_LATEST_MS, this, [this]() { BuildLateWindows(); });
        });
    }
}

void MainWindow::EmbedAt(QDialog* pWnd, int iX, int iY)
{
    // Already a child of this window (it is built embedded in it).
    pWnd->move(iX, iY);
    // An embedded window is a dialog: Escape would close it out of the main
    // window.
    pWnd->installEventFilter(this);
}

void MainWindow::BuildLateWindows()
{
    if (m_bLateWindowsBuilt)
        return;
    m_bLateWindowsBuilt = true;
    // Deleted later: this may run inside its event filter.
    if (m_pFirstInputWatch) {
        m_pFirstInputWatch->deleteLater();
        m_pFirstInputWatch = nullptr;
    }

    // Built first, all of them: setting one up may reach another.
    m_DlgJobSettings.Build(this);
    m_DlgImageCarving.Build(this);
    m_DlgShapes.Build(this);
    m_DlgUserSettings.Build(this);
    m_DlgMachineSettings.Build(this);
    QDialog* const late[] = {m_DlgJobSettings.Peek(), m_DlgImageCarving.Peek(), m_DlgShapes.Peek(),
                             m_DlgUserSettings.Peek(), m_DlgMachineSettings.Peek()};
    for (QDialog* pWnd : late)
        EmbedAt(pWnd, 10, 45);

    // Their settings in force: the machine settings build the axes' speed
    // ramps, the user settings drop homing on start-up without home switches.
    m_DlgJobSettings->ConfigSettings();
    m_DlgImageCarving->ConfigSettings();
    m_DlgShapes->ConfigSettings();
    m_DlgUserSettings->ConfigSettings();
    m_DlgMachineSettings->ConfigSettings();
    for (QDialog* pWnd : late)
        pWnd->hide();
}

void MainWindow::paintEvent(QPaintEvent* pEvent)
{
    QMainWindow::paintEvent(pEvent);
    if (!m_bLateWindowsBuilt) {
        // Queued: this paint is flushed to the screen first.
        QTimer::singleShot(0, this, [this]() { BuildLateWindows(); });
    }
}

MainWindow::~MainWindow()
{
    // The watch goes first: it must not build windows while this one goes.
    delete m_pFirstInputWatch;
    m_pFirstInputWatch = nullptr;
    // The camera first: a recording is closed and its thread waited for.
    m_CncCamera.StopVideoCapture();
    CKIVGPIO::PwmStop();
    if (m_pPollTimer)
        m_pPollTimer->stop();
    m_AppCtrl.SetWindows(nullptr);
    m_AppCtrl.StopAll();
    m_AppCtrl.OutputsToSafeLevels();
    // Never leave the controller's thread running behind the window.
    m_AppCtrl.wait();
    // An output the thread still set on its way out (a spindle start after
    // its wait) goes back to its safe level.
    m_AppCtrl.OutputsToSafeLevels();
    // A carving file still being written stops first, at its next row (no
    // file left, an older one whole), instead of writing on through the wait
    // below.
    if (CDlgImageCarving* pCarving = m_DlgImageCarving.Peek())
        pCarving->AbandonGCodeJob();
    // Pool tasks (status saves, slide-bar signals) may still report to
    // members that are about to go.
    QThreadPool::globalInstance()->waitForDone(2000);
    m_pPendantGrab.reset(); // gives the keyboard back
    delete m_pPollTimer;
    m_pPollTimer = nullptr;
    delete m_pBtnClickTimer;
    m_pBtnClickTimer = nullptr;
    m_pLog.reset();
    delete ui;
    ui = nullptr;
}

void MainWindow::CloseDownBySignal()
{
    m_AppCtrl.StopAll();
    m_AppCtrl.OutputsToSafeLevels();
    QCoreApplication::exit(0);
}

CCncCamera* MainWindow::GetCamera()
{
    return &m_CncCamera;
}

void MainWindow::SetKeyboardGrab(bool bGrab)
{
    m_pPendantGrab->SetWanted(bGrab);
}

// ===========================================================================
// Poll tick
// ===========================================================================

QString MainWindow::PositionText(const double (&fPos)[AXIS_COUNT], bool bFiveAxes)
{
    QStringList lstLines;
    for (int i = 0; i < AXIS_COUNT; ++i) {
        if (!bFiveAxes && i >= A_AXIS) {
            lstLines << QStringLiteral("NA");
            continue;
        }
        const double f = std::fabs(fPos[i]) < 1e-5 ? 0.0 : fPos[i];
        lstLines << QString::number(f, 'f', 4);
    }
    return lstLines.join(QLatin1Char('\n'));
}

void MainWindow::OnTimer()
{
    if (m_bInOnTimer)
        return;
    auto& pwm = AppConfig::m_stPwmSpndlSettings;
    if (AppConfig::m_bPWMCtrlUsed) {
        if (m_bPwmHeldOff) {
            // Switched off by an emergency stop or a tool change: on again
            // with the spindle.
            if (AppConfig::m_bSpindleOn && !AppConfig::m_bEmergencyStopON) {
                m_bPwmHeldOff = false;
                m_nLastPwmFreq = pwm.m_nCurFreq;
                if (!CKIVGPIO::PwmStart())
                    AddLogMsg(CKIVGPIO::GetErrorMsg(), MSG_ERROR);
            }
        } else if (pwm.m_nCurFreq != m_nLastPwmFreq) {
            m_nLastPwmFreq = pwm.m_nCurFreq;
            if (!CKIVGPIO::PwmStart())
                AddLogMsg(CKIVGPIO::GetErrorMsg(), MSG_ERROR);
        }
    }
    m_bInOnTimer = true;
    try {
        AddLogMsg(m_AppCtrl.GetErrMsg(), MSG_ERROR);
        AddLogMsg(m_AppCtrl.GetInfoMsg(), MSG_INFO);

        double fPos[AXIS_COUNT];
        for (int i = 0; i < AXIS_COUNT; ++i)
            fPos[i] = m_AppCtrl.GetCurPos(static_cast<eAxis>(i));
        ui->LE_CurPos->setText(PositionText(fPos, AppConfig::m_iMchType != 3));

        if (m_AppCtrl.m_bProgramStopReq) {
            m_AppCtrl.m_bProgramStopReq = false;
            if (m_AppCtrl.m_iRunMode == AppControl::RUN_GCODE && !m_AppCtrl.m_bExecOneLine) {
                // M00 / M01 hold the program until Start, as a pause does:
                // Start is enabled and released, so that one press goes on
                // (shown pressed, and disabled since the job started, it
                // could not be pressed at all).
                m_AppCtrl.m_bHold = true;
                m_BtnStart.setEnabled(true);
                m_BtnStart.SetReleased();
                m_BtnPause.setEnabled(false);
                AddLogMsg(QStringLiteral("Program stopped. Click Start to continue"), MSG_WARNING);
            } else {
                m_BtnStart.SetPressed();
            }
        }
        if (m_AppCtrl.m_bToolChangeReq) {
            // The spindle really stops for the tool change, not only its
            // buttons.
            SpindleOffForSafety();
            SetSpindleLook(SPINDLE_TOOL_CHANGE);
            Btn_Pause_pressed();
            m_DlgManual.setEnabled(true);
        }
        if (m_bOperationEnding) {
            // Ended by Stop or Reset: the windows come back once the
            // controller's thread has gone, whatever it reported on its way.
            if (!m_AppCtrl.isRunning())
                StoppedOperationEnded();
        } else if (m_AppCtrl.m_bOperationFinished) {
            m_AppCtrl.m_bOperationFinished = false;
            OnOperationFinish();
        }
        if (m_AppCtrl.m_iRunMode == AppControl::RUN_IMG_CARVING
            && m_DlgImageCarving->m_nCurRow != m_AppCtrl.m_nCarvingRow) {
            m_DlgImageCarving->m_nCurRow = m_AppCtrl.m_nCarvingRow;
            m_DlgImageCarving->DisplayImage(m_AppCtrl.m_ImgCarvingData.m_pImg.get(), true);
        }
        const int iRunMode = m_AppCtrl.m_iRunMode;
        if (iRunMode == AppControl::RUN_SHAPES || iRunMode == AppControl::RUN_IMG_CARVING
            || iRunMode == AppControl::RUN_GCODE)
            DrawToolPaths();

        if (!AppConfig::m_bSimulationMode && AppConfig::m_iEStopInput >= 0) {
            const quint16 nLevel = CRpiGpio::ReadInput(quint16(AppConfig::m_iEStopInput));
            if (nLevel != m_nLastEStopInput) {
                m_nLastEStopInput = nLevel;
                if (nLevel && !AppConfig::m_bEmergencyStopON) {
                    EmergencyStop(QStringLiteral("Emergency Stop Triggered"));
                    m_BtnStop.SetPressed();
                } else if (!nLevel && AppConfig::m_bEmergencyStopON) {
                    AppConfig::m_bEmergencyStopON = false;
                    m_BtnStop.SetReleased();
                }
            }
        }

        if (!AppConfig::m_bSimulationMode && AppConfig::m_iPgmStartInput >= 0) {
            const quint16 nLevel = CRpiGpio::ReadInput(quint16(AppConfig::m_iPgmStartInput));
            if (nLevel != m_nLastPgmStartInput) {
                m_nLastPgmStartInput = nLevel;
                if (nLevel) {
                    // The input only brings up the program; the operator starts it,
                    // with every setting in force.
                    BuildLateWindows();
                    if (m_AppCtrl.m_iRunMode == AppControl::RUN_IDLE && m_AppCtrl.IsMachineIdle()) {
                        on_Btn_GCode_clicked();
                        m_BtnStart.SetPressed();
                    } else {
                        AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
                    }
                }
            }
        }

        // A key whose release waits to be told from a repeat may be up
        // already: its release decides.
        if (m_iPendingKey > 0 && !m_KeyHold.ReleaseWaiting(m_iPendingKey)
            && m_KeyPressTimer.elapsed() >= CPendantKeys::LONG_PRESS_MS)
            KeyLongPressed();

        if (!AppConfig::m_bAutoSpindleOnCW && !AppConfig::m_bAutoSpindleOnCCW
            && AppConfig::m_bSpindleOnOffStatusChangeInGCode) {
            if (AppConfig::m_bSpindleOn)
                SetSpindleLook(AppConfig::m_bSpindleDirInGcode ? SPINDLE_ON_CCW : SPINDLE_ON_CW);
            else
                SetSpindleLook(SPINDLE_OFF);
            AppConfig::m_bSpindleOnOffStatusChangeInGCode = false;
        }
    } catch (...) {
        AddLogMsg(QStringLiteral("Unknown error"), MSG_ERROR);
    }
    m_bInOnTimer = false;
}

// ===========================================================================
// Operation start and finish
// ===========================================================================

void MainWindow::EnableDisableWindows()
{
    QPushButton* const pJob = ui->Btn_JobSettings;
    QPushButton* const pGCode = ui->Btn_GCode;
    QPushButton* const pShapes = ui->Btn_ShapeCarving;
    QPushButton* const pImage = ui->Btn_ImageCarving;
    QPushButton* const pUser = ui->Btn_UserSettings;
    QPushButton* const pMachine = ui->Btn_MachineSettings;

    QList<QPushButton*> lstDisable;
    QString strMsg;
    const int iRunMode = m_AppCtrl.m_iRunMode;
    switch (iRunMode) {
    case AppControl::RUN_WORK_ZERO:
        strMsg = QStringLiteral("Moving to Work Home");
        break;
    case AppControl::RUN_MCH_HOMING:
        strMsg = QStringLiteral("Moving to Machine Home");
        break;
    case AppControl::RUN_Z_PROBE:
        strMsg = QStringLiteral("Setting Z0 using Z-Probe");
        break;
    case AppControl::RUN_Z_PROFILE:
        lstDisable = {pGCode, pShapes, pImage, pUser, pMachine};
        strMsg = QStringLiteral("Z profiling Started");
        break;
    case AppControl::RUN_SHAPES:
        lstDisable = {pJob, pGCode, pImage, pUser, pMachine};
        strMsg = QStringLiteral("Shapes cutting started");
        break;
    case AppControl::RUN_IMG_CARVING:
        lstDisable = {pJob, pGCode, pShapes, pUser, pMachine};
        strMsg = QStringLiteral("3D relief Carving started");
        break;
    case AppControl::RUN_GCODE:
        lstDisable = {pJob, pShapes, pImage, pUser, pMachine};
        if (AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed)
            m_SpindleSlider.setEnabled(false);
        strMsg = QStringLiteral("G-Code execution Started");
        break;
    default:
        break;
    }
    for (QPushButton* pBtn : lstDisable)
        pBtn->setEnabled(false);

    if (iRunMode == AppControl::RUN_SHAPES || iRunMode == AppControl::RUN_IMG_CARVING
        || iRunMode == AppControl::RUN_GCODE) {
        if (AppConfig::m_bAutoSpindleOnCW)
            SetSpindleLook(SPINDLE_ON_CW);
        else if (AppConfig::m_bAutoSpindleOnCCW)
            SetSpindleLook(SPINDLE_ON_CCW);
        EnableJobControls(false);
    }
    AddLogMsg(strMsg, MSG_INFO);
}

void MainWindow::EnableJobControls(bool bEnable)
{
    QPushButton* const buttons[] = {ui->Btn_MoveWorkZero,       ui->Btn_SetZ0WithZProbe,    ui->Btn_SetWorkZero,
                                    ui->Btn_SimulationMode,     ui->Btn_SetWorkPieceLength, ui->Btn_SetWorkPieceWidth,
                                    ui->Btn_SetWorkPieceHeight, ui->Btn_MoveZSafePos,       ui->Btn_MoveWorkHome_X,
                                    ui->Btn_MoveWorkHome_Y,     ui->Btn_MoveWorkHome_Z};
    for (QPushButton* pBtn : buttons)
        pBtn->setEnabled(bEnable);
    // The rotary axes' buttons only where the machine has them.
    const bool bRotary = bEnable && AppConfig::m_iMchType == 5;
    ui->Btn_MoveWorkHome_A->setEnabled(bRotary);
    ui->Btn_MoveWorkHome_B->setEnabled(bRotary);
    // Without a probe there is nothing to set Z0 with.
    if (bEnable)
        ui->Btn_SetZ0WithZProbe->setEnabled(AppConfig::m_iZProbeInput != -1);
    m_DlgManual.setEnabled(bEnable);
}

void MainWindow::OnOperationFinish()
{
    // The controller may ask from its own thread: the windows are touched on
    // the GUI thread only.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this]() { FinishOperation(false); }, Qt::QueuedConnection);
        return;
    }
    FinishOperation(false);
}

void MainWindow::FinishOperation(bool bAborted)
{
    const int iRunMode = m_AppCtrl.m_iRunMode;
    // A job that ended on a failure (its reason is in the log already) is
    // never reported as finished.
    if (iRunMode == AppControl::RUN_SHAPES || iRunMode == AppControl::RUN_IMG_CARVING ||
        iRunMode == AppControl::RUN_GCODE || iRunMode == AppControl::RUN_Z_PROFILE)
        bAborted = bAborted || !m_AppCtrl.m_bJobCompleted;
    QString strMsg;
    switch (iRunMode) {
    case AppControl::RUN_WORK_ZERO: {
        ui->Btn_MoveWorkZero->setStyleSheet(BTN_BKGND_GRAY);
        bool bAtZero = true;
        for (int i = 0; i < AppConfig::AxesInUse(); ++i)
            bAtZero = bAtZero && std::fabs(m_AppCtrl.GetCurPos(static_cast<eAxis>(i))) <= 9e-5;
        if (bAtZero)
            strMsg = QStringLiteral("Work home postion reached");
        else if (bAborted)
            strMsg = QStringLiteral("Move to work home aborted");
        break;
    }
    case AppControl::RUN_MCH_HOMING:
        m_DlgUserSettings->ResetUI();
        if (bAborted)
            strMsg = QStringLiteral("Machine homing aborted");
        else if (m_AppCtrl.GetHomeDone())
            strMsg = QStringLiteral("Machine Homing finished");
        break;
    case AppControl::RUN_SHAPES:
        strMsg = bAborted ? QStringLiteral("Shapes cutting aborted") : QStringLiteral("Shapes cutting completed");
        break;
    case AppControl::RUN_IMG_CARVING:
        strMsg = bAborted ? QStringLiteral("3D Relief carving aborted") : QStringLiteral("3D Relief carving completed");
        break;
    case AppControl::RUN_GCODE:
        m_SpindleSlider.setEnabled(AppConfig::m_bPWMCtrlUsed);
        strMsg = bAborted ? QStringLiteral("G-Code execution aborted") : QStringLiteral("G-Code execution finished");
        break;
    case AppControl::RUN_Z_PROBE:
        ui->Btn_SetZ0WithZProbe->setStyleSheet(BTN_BKGND_GRAY);
        if (bAborted)
            strMsg = QStringLiteral("Setting Z0 aborted");
        break;
    case AppControl::RUN_Z_PROFILE:
        m_DlgJobSettings->ResetUI();
        strMsg = bAborted ? QStringLiteral("Z profiling aborted") : QStringLiteral("Z profiling completed");
        break;
    default:
        break;
    }
    if (!strMsg.isEmpty() && !AppConfig::m_bEmergencyStopON)
        AddLogMsg(strMsg, bAborted ? MSG_ERROR : MSG_INFO);

    if (iRunMode == AppControl::RUN_SHAPES || iRunMode == AppControl::RUN_IMG_CARVING
        || iRunMode == AppControl::RUN_GCODE || iRunMode == AppControl::RUN_Z_PROFILE) {
        if (!AppConfig::m_bSimulationMode && AppConfig::m_bAutoSpindleOff) {
            m_AppCtrl.TurnOnOffSpindle(false, DIR_CW);
            SetSpindleLook(SPINDLE_OFF);
        }
        QPushButton* const selectors[] = {ui->Btn_JobSettings,  ui->Btn_GCode,           ui->Btn_ShapeCarving,
                                          ui->Btn_UserSettings, ui->Btn_MachineSettings, ui->Btn_ImageCarving};
        for (QPushButton* pBtn : selectors)
            pBtn->setEnabled(true);
        m_DlgImageCarving->ResetUI(true);
        m_DlgShapes->ResetUI(true);
        m_DlgGCode.ResetUI(true);
        m_AppCtrl.ResetAccVel();
        EnableJobControls(true);
    }

    m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    m_AppCtrl.m_bHold = false;
    m_BtnStart.setEnabled(true);
    m_BtnStart.SetReleased();
    m_BtnPause.setEnabled(true);
    m_BtnPause.SetReleased();
    OnG01FeedChange(m_G01FeedSlider.GetValue());
}

void MainWindow::EnlMchHomingOptions(bool bEnable)
{
    m_DlgUserSettings->UpdateAutoHomingOptions(bEnable);
    m_DlgShapes->ResetUI(true);
}

void MainWindow::EnableDisableSpindleSpeedCtrl(bool bEnable)
{
    m_SpindleSlider.setEnabled(bEnable);
    if (bEnable)
        OnSpindleSpeedChange(m_SpindleSlider.GetValue());
}

void MainWindow::UpdateWorkArea() { m_DlgShapes->UpdateWorkArea(); }

// ===========================================================================
// Spindle looks and safety
// ===========================================================================

void MainWindow::SetSpindleLook(eSpindleLook eLook)
{
    QPushButton* const pCW = ui->Btn_SpindleCWOnOff;
    QPushButton* const pCCW = ui->Btn_SpindleCCWOnOff;
    switch (eLook) {
    case SPINDLE_ON_CW:
        pCW->setEnabled(true);
        pCW->setStyleSheet(BTN_BKGND_GREEN);
        pCW->setText(QStringLiteral("Spindle\nCW ON"));
        pCCW->setEnabled(false);
        pCCW->setStyleSheet(BTN_BKGND_GRAY);
        break;
    case SPINDLE_ON_CCW:
        pCCW->setEnabled(true);
        pCCW->setStyleSheet(BTN_BKGND_GREEN);
        pCCW->setText(QStringLiteral("Spindle\nCCW ON"));
        pCW->setEnabled(false);
        pCW->setStyleSheet(BTN_BKGND_GRAY);
        break;
    case SPINDLE_OFF:
    case SPINDLE_TOOL_CHANGE: {
        const bool bOff = eLook == SPINDLE_OFF;
        for (QPushButton* pBtn : {pCW, pCCW}) {
            pBtn->setEnabled(true);
            pBtn->setStyleSheet(BTN_BKGND_GRAY);
        }
        pCW->setText(bOff ? QStringLiteral("Spindle\nCW OFF") : QStringLiteral("Spindle\nCW Off"));
        pCCW->setText(bOff ? QStringLiteral("Spindle\nCCW OFF") : QStringLiteral("Spindle\nCCW Off"));
        break;
    }
    }
}

void MainWindow::SpindleOffForSafety()
{
    m_AppCtrl.TurnOnOffSpindle(false, DIR_CW);
    if (AppConfig::m_bPWMCtrlUsed) {
        CKIVGPIO::PwmStop();
        m_bPwmHeldOff = true;
    }
}

bool MainWindow::EStopInputHigh() const
{
    return AppConfig::m_iEStopInput >= 0 && CRpiGpio::ReadInput(quint16(AppConfig::m_iEStopInput)) != 0;
}

void MainWindow::EmergencyStop(const QString& strMsg)
{
    AppConfig::m_bEmergencyStopON = true;
    m_AppCtrl.StopAll();
    SpindleOffForSafety();
    SetSpindleLook(SPINDLE_OFF);
    // The operation is over only once its thread has seen the stop and
    // ended: until then it may still read the program.
    EndStoppedOperation(ESTOP_END_WAIT_MS);
    AddLogMsg(strMsg, MSG_ERROR);
    if (!AppConfig::m_bSimulationMode && AppConfig::m_iPgmStatusOutput >= 0)
        CRpiGpio::WriteOutput(quint16(AppConfig::m_iPgmStatusOutput), 0);
    // Start and Pause look idle at once, also while the thread winds down.
    m_BtnStart.setEnabled(true);
    m_BtnStart.SetReleased();
    m_BtnPause.setEnabled(true);
    m_BtnPause.SetReleased();
}

// ===========================================================================
// Round buttons
// ===========================================================================

void MainWindow::RndBtnRefresh(CMyRndBtn* pBtn)
{
    // The wait and the repaint both happen on the button's (GUI) thread,
    // whichever thread asked; the GUI never blocks for them.
    RunLater(pBtn, 100, [pBtn]() { pBtn->SetReleased(); });
}

bool MainWindow::SettingsWindowShown() const
{
    // A window not built yet is not shown.
    return m_pActiveWnd
           && (m_pActiveWnd == m_DlgJobSettings.Peek() || m_pActiveWnd == m_DlgUserSettings.Peek()
               || m_pActiveWnd == m_DlgMachineSettings.Peek());
}

bool MainWindow::StartShownJob(bool bCheckShapeEditing)
{
    if (m_bOperationEnding) {
        // A stopped operation's thread is still winding down: it must not
        // be resumed, nor another started beside it.
        AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        return false;
    }
    if (m_AppCtrl.m_iRunMode != AppControl::RUN_IDLE) {
        // Paused: carry on.
        m_AppCtrl.m_bHold = false;
        m_DlgManual.setEnabled(false);
        return true;
    }
    if (m_pActiveWnd == &m_DlgGCode)
        return m_DlgGCode.StartGCode();
    if (m_pActiveWnd && m_pActiveWnd == m_DlgShapes.Peek()) {
        if (bCheckShapeEditing && m_DlgShapes->m_bShapeEditing) {
            AddLogMsg(QStringLiteral("Finish editing shapes and click start"), MSG_ERROR);
            return false;
        }
        return m_DlgShapes->StartShapeCutting();
    }
    if (m_pActiveWnd && m_pActiveWnd == m_DlgImageCarving.Peek())
        return m_DlgImageCarving->StartImgCarving();
    return false;
}

void MainWindow::Btn_Start_pressed()
{
    if (IsEmergencyStopOn()) {
        RndBtnRefresh(&m_BtnStart);
        return;
    }
    if (!m_AppCtrl.IsMachineIdle()) {
        RndBtnRefresh(&m_BtnStart);
        AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        return;
    }
    if (m_AppCtrl.m_bExecOneLine) {
        RndBtnRefresh(&m_BtnStart);
        return;
    }
    if (SettingsWindowShown()) {
        AddLogMsg(QStringLiteral("Please select G-Code/Shape-Cutting/Image-Carving Window"), MSG_ERROR);
        RndBtnRefresh(&m_BtnStart);
        return;
    }
    if (CGCodeProgram::m_bGCodeLoading) {
        AddLogMsg(QStringLiteral("G-Code Loading. Please wait!"), MSG_ERROR);
        RndBtnRefresh(&m_BtnStart);
        return;
    }
    if (CGCodeProgram::m_bGCodeCompiling) {
        AddLogMsg(QStringLiteral("G-Code Compiling. Please wait!"), MSG_ERROR);
        RndBtnRefresh(&m_BtnStart);
        return;
    }
    if (StartShownJob(true)) {
        m_BtnStart.setEnabled(false);
        m_BtnPause.setEnabled(true);
        m_BtnPause.SetReleased();
    } else {
        RndBtnRefresh(&m_BtnStart);
    }
}

void MainWindow::Btn_Pause_pressed()
{
    if (m_AppCtrl.m_iRunMode == AppControl::RUN_IDLE || m_bOperationEnding) {
        RndBtnRefresh(&m_BtnPause);
        return;
    }
    m_AppCtrl.m_bHold = true;
    if (m_AppCtrl.m_bToolChangeReq)
        m_AppCtrl.m_bToolChangeReq = false;
    else
        AddLogMsg(QStringLiteral("Execution Paused! All axis will be stopped after last command is completed"),
                  MSG_WARNING);
    m_BtnStart.setEnabled(true);
    m_BtnStart.SetReleased();
    m_BtnPause.setEnabled(false);
}

bool MainWindow::EndOperationByReset()
{
    // The controller's loops see the abort and its thread ends; only then is
    // the machine shown idle. Reset never leaves a job running behind an
    // idle window.
    m_AppCtrl.StopAll();
    if (!EndStoppedOperation(CONTROLLER_END_WAIT_MS)) {
        AddLogMsg(QStringLiteral("Wait for Machine to Stop to Reset"), MSG_ERROR);
        return false;
    }
    return true;
}

bool MainWindow::EndStoppedOperation(unsigned long iWaitMs)
{
    m_bOperationEnding = true;
    if (!m_AppCtrl.wait(iWaitMs))
        return false;
    StoppedOperationEnded();
    return true;
}

void MainWindow::StoppedOperationEnded()
{
    m_bOperationEnding = false;
    // The operation's own end would otherwise be reported again at the next
    // tick.
    m_AppCtrl.m_bOperationFinished = false;
    // A single line ended by the emergency stop leaves its flag behind, and
    // Start would ignore every press after it.
    m_AppCtrl.m_bExecOneLine = false;
    FinishOperation(true);
}

void MainWindow::Btn_Reset_pressed()
{
    if (m_AppCtrl.m_iRunMode == AppControl::RUN_IDLE || m_bOperationEnding) {
        RndBtnRefresh(&m_BtnReset);
        return;
    }
    if (!m_AppCtrl.m_bHold) {
        AddLogMsg(QStringLiteral("Pause execution to Reset"), MSG_ERROR);
        RndBtnRefresh(&m_BtnReset);
        return;
    }
    if (!m_AppCtrl.IsMachineIdle() || CAllAxisCtrl::GetMotionState()) {
        AddLogMsg(QStringLiteral("Wait for Machine to Stop to Reset"), MSG_ERROR);
        RndBtnRefresh(&m_BtnReset);
        return;
    }
    if (EndOperationByReset()) {
        AddLogMsg(QStringLiteral("Execution reset"), MSG_ERROR);
        m_BtnPause.setEnabled(true);
        m_BtnPause.SetReleased();
    }
    RndBtnRefresh(&m_BtnReset);
}

void MainWindow::Btn_Stop_pressed()
{
    try {
        EmergencyStop(QStringLiteral("Emergency switch pressed"));
    } catch (...) {
        AddLogMsg(QStringLiteral("Stop Function throw the error"), MSG_ERROR);
    }
}

void MainWindow::Btn_Stop_released()
{
    // The stop is cleared only while the emergency-stop input is low, in
    // simulation too: the switch on the machine has the last word.
    if (EStopInputHigh()) {
        AddLogMsg(QStringLiteral("Emergency Stop input is High"), MSG_ERROR);
        m_BtnStop.SetPressed();
        return;
    }
    AppConfig::m_bEmergencyStopON = false;
}

void MainWindow::on_Btn_StartPause_clicked()
{
    QPushButton* pBtn = ui->Btn_StartPause;
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    // Nothing to pause or resume while a stopped operation winds down.
    if (m_AppCtrl.m_bExecOneLine || SettingsWindowShown() || m_bOperationEnding) {
        ResetBtnBkGnd(pBtn, BTN_BKGND_START);
        return;
    }
    if (m_AppCtrl.m_iRunMode != AppControl::RUN_IDLE) {
        m_AppCtrl.m_bHold = !m_AppCtrl.m_bHold;
        if (m_AppCtrl.m_bHold) {
            AddLogMsg(QStringLiteral("Execution Paused! All axis will be stopped after last command is completed"),
                      MSG_WARNING);
            pBtn->setText(QStringLiteral("Resume"));
            pBtn->setStyleSheet(BTN_BKGND_BLUE);
            ui->Btn_Reset->setEnabled(true);
        } else {
            pBtn->setText(QStringLiteral("Pause"));
            pBtn->setStyleSheet(BTN_BKGND_PAUSE);
            ui->Btn_Reset->setEnabled(false);
        }
        return;
    }
    if (StartShownJob(false)) {
        pBtn->setText(QStringLiteral("Pause"));
        pBtn->setStyleSheet(BTN_BKGND_PAUSE);
    } else {
        ResetBtnBkGnd(pBtn, BTN_BKGND_START);
    }
}

void MainWindow::on_Btn_Reset_clicked()
{
    if (CAllAxisCtrl::GetMotionState()) {
        AddLogMsg(QStringLiteral("Wait for Machine to Stop to Reset"), MSG_ERROR);
        return;
    }
    if (!EndOperationByReset())
        return;
    AddLogMsg(QStringLiteral("Machine is reset"), MSG_ERROR);
    ui->Btn_StartPause->setText(QStringLiteral("Start"));
    ui->Btn_StartPause->setStyleSheet(BTN_BKGND_START);
    ui->Btn_Reset->setEnabled(false);
}

// ===========================================================================
// Embedded-window selectors
// ===========================================================================

void MainWindow::SelectWindow(QDialog* pWnd, QPushButton* pBtn)
{
    if (m_pActiveWnd)
        m_pActiveWnd->hide();
    m_pActiveWnd = pWnd;
    m_pActiveWnd->show();
    if (m_pActiveWndBtn)
        m_pActiveWndBtn->setStyleSheet(SELECTOR_STYLE);
    pBtn->setStyleSheet(SELECTED_STYLE);
    m_pActiveWndBtn = pBtn;
}

void MainWindow::on_Btn_GCode_clicked() { SelectWindow(&m_DlgGCode, ui->Btn_GCode); }

void MainWindow::on_Btn_ShapeCarving_clicked()
{
    m_DlgShapes->UpdatePlungeFeed();
    SelectWindow(m_DlgShapes.get(), ui->Btn_ShapeCarving);
}

void MainWindow::on_Btn_ImageCarving_clicked()
{
    m_DlgImageCarving->UpdatePlungeFeed();
    SelectWindow(m_DlgImageCarving.get(), ui->Btn_ImageCarving);
}

void MainWindow::on_Btn_UserSettings_clicked() { SelectWindow(m_DlgUserSettings.get(), ui->Btn_UserSettings); }

void MainWindow::on_Btn_JobSettings_clicked() { SelectWindow(m_DlgJobSettings.get(), ui->Btn_JobSettings); }

void MainWindow::on_Btn_MachineSettings_clicked()
{
    // The machine settings may be locked behind a pass key.
    while (AppConfig::m_bAppPassword) {
        QString strEntry;
        const bool bOk = CPrompter::Instance().Keypad(this, QStringLiteral("Passkey"), strEntry, false, true);
        if (bOk && strEntry == AppConfig::m_strAppPassword)
            break;
        const auto eAnswer = CPrompter::Instance().Question(this, QMessageBox::Information, QStringLiteral("Error"),
                                                            QStringLiteral("Wrong Pass Key"),
                                                            QMessageBox::Retry | QMessageBox::Abort,
                                                            QMessageBox::Retry);
        if (eAnswer != QMessageBox::Retry)
            return;
    }
    SelectWindow(m_DlgMachineSettings.get(), ui->Btn_MachineSettings);
}

// ===========================================================================
// Log and click feedback
// ===========================================================================

void MainWindow::AddLogMsg(QString strMsg, eAppMsgType eMsgType)
{
    if (strMsg.isEmpty())
        return;
    if (m_pLog)
        m_pLog->AddLogMsg(strMsg, eMsgType);
}

void MainWindow::ClearLog() { m_pLog->ClearLog(); }

void MainWindow::SaveLog() { m_pLog->SaveLog(this); }

void MainWindow::OnBtnClickTimerElapsed()
{
    if (m_pClickedBtn)
        m_pClickedBtn->setStyleSheet(QStringLiteral(
            "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, stop:0 "
            "rgba(255, 255, 255, 255), stop:1 rgba(100, 100, 100, 255));border-radius: 15px;border-style: "
            "solid;border-width: 2px;border-color: black;"));
    m_pClickedBtn = nullptr;
    if (m_pBtnClickTimer)
        m_pBtnClickTimer->stop();
}

// ===========================================================================
// Tool-path picture
// ===========================================================================

void MainWindow::ClearToolGraphics()
{
    m_ToolPath.Clear(m_AppCtrl.m_iRunMode, AppConfig::m_GCodeRunSettings.m_iHomeRef);
    if (!m_CncCamera.IsCamOpen())
        m_ToolPathView.DisplayImage(m_ToolPath.Image());
}

void MainWindow::DrawToolPaths()
{
    m_ToolPath.Draw(m_AppCtrl.m_iRunMode, AppConfig::m_GCodeRunSettings.m_iHomeRef, m_AppCtrl.GetCurPos(X_AXIS),
                    m_AppCtrl.GetCurPos(Y_AXIS), m_AppCtrl.GetCurPos(Z_AXIS));
    if (!m_CncCamera.IsCamOpen())
        m_ToolPathView.DisplayImage(m_ToolPath.Image());
}

void MainWindow::on_Btn_SetWorkPieceLength_clicked()
{
    m_ToolPath.EditSize(*this, ui->Btn_SetWorkPieceLength, CToolPathDrawing::WP_LENGTH);
    ClearToolGraphics();
}

void MainWindow::on_Btn_SetWorkPieceWidth_clicked()
{
    m_ToolPath.EditSize(*this, ui->Btn_SetWorkPieceWidth, CToolPathDrawing::WP_WIDTH);
    ClearToolGraphics();
}

void MainWindow::on_Btn_SetWorkPieceHeight_clicked()
{
    m_ToolPath.EditSize(*this, ui->Btn_SetWorkPieceHeight, CToolPathDrawing::WP_HEIGHT);
    ClearToolGraphics();
}

void MainWindow::OnNewCncCamImage()
{
    m_pCameraControls->OnNewImage();
}

void MainWindow::on_Btn_SelectCamera_clicked()
{
    m_pCameraControls->OnSelectCamera();
}

void MainWindow::on_Btn_SelectToolPaths_clicked()
{
    m_pCameraControls->OnSelectToolPaths();
}

void MainWindow::on_Btn_CameraRecStop_clicked()
{
    m_pCameraControls->OnRecStop();
}

// ===========================================================================
// Feed and spindle sliders
// ===========================================================================

void MainWindow::OnG01FeedChange(short nValue)
{
    QMutexLocker lock(&m_FeedMutex);
    const double fFactor = nValue / 100.0;
    for (int i = 0; i < AppConfig::m_iMchType && i < AXIS_COUNT; ++i) {
        AppConfig::m_fAxisFeedPercent[i] = fFactor;
        AppConfig::m_fAxisFeed[i] = fFactor * AppConfig::m_fUserAxisFeed[i];
        if (AppConfig::m_bUseG01FeedForJog)
            AppConfig::m_fAxisJogFeed[i] = AppConfig::m_fAxisFeed[i];
    }
    ApplyFeedsWhenIdle();
}

void MainWindow::OnG00FeedChange(short nValue)
{
    QMutexLocker lock(&m_FeedMutex);
    const double fFactor = nValue / 100.0;
    for (int i = X_AXIS; i <= Z_AXIS; ++i) {
        AppConfig::m_fAxisFeedPercent[i] = fFactor;
        AppConfig::m_fMaxAxisFeed[i] = fFactor * AppConfig::m_fUserAxisFeed[i];
    }
    ApplyFeedsWhenIdle();
}

void MainWindow::OnSpindleSpeedChange(short nPosition)
{
    if (!AppConfig::m_bPWMCtrlUsed || AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed) {
        AddLogMsg(QStringLiteral("Spindle Speed Control not available"), MSG_ERROR);
        return;
    }
    stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
    pwm.m_nCurFreq = CSpindleSettingsMath::FreqAtPosition(nPosition, pwm.m_nMinFreq, pwm.m_nMaxFreq, pwm.m_nFreqStep);
}

void MainWindow::ApplyFeedsWhenIdle()
{
    // During a job the new factor reaches the axes with the next move.
    if (m_AppCtrl.m_iRunMode == AppControl::RUN_IDLE && m_AppCtrl.IsMachineIdle()) {
        for (int i = 0; i < AppConfig::AxesInUse(); ++i)
            m_AppCtrl.m_AxisCtrl[i].SetVelocityAcc(AppConfig::m_fAxisFeed[i], AppConfig::m_fAxisAcc[i]);
    }
}

bool MainWindow::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // The program's name in the title bar opens the About box. (No form any
    // more while the window is being destroyed.)
    if (ui && pWatched == ui->lineEdit && pEvent->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(pEvent)->button() == Qt::LeftButton) {
        CDlgAbout about(this);
        about.exec();
        return true;
    }
    // Escape reaching an embedded window (from one of its controls) is
    // dropped: it would hide the window out of the main window for good.
    if (pEvent->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape &&
        pWatched != this && pWatched->parent() == this)
        return true;
    return QMainWindow::eventFilter(pWatched, pEvent);
}
