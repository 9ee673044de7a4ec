#pragma once
// The operator's main window: fixed 1250 x 840, titled "DIR-ADI Software".
//
// It owns, for the program's whole life, the machine controller, the seven
// embedded windows (job settings, image carving, jog panel, shape cutting,
// G-code, user settings, machine settings), the four round operator buttons,
// the feed and spindle sliders and the tool-path view. Its constructor is the
// program's start-up (settings file, pins, spindle PWM, machine, windows,
// poll timer) and its destructor the shutdown (timer, every axis stopped, the
// controller's thread waited for).
//
// The controller reaches the screen only by polling: every 34 ms OnTimer
// drains its messages into the log, shows the positions and acts on its flags
// (program stop, tool change, operation finished), and watches the
// emergency-stop and program-start inputs.
#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QMutex>
#include <QPoint>

#include "control/AppControl.h"
#include "control/IControlWindows.h"
#include "core/AppConfig.h"
#include "core/common.h"
#include "designers/dlgimagecarving.h"
#include "designers/dlgshapes.h"
#include "gcodewindows/dlggcode.h"
#include "settingswindows/dlgjobsettings.h"
#include "settingswindows/dlgmachinesettings.h"
#include "settingswindows/dlgusersettings.h"
#include "widgets/dlgmanual.h"
#include "widgets/dlgmyhorizslidebar.h"
#include "widgets/mainservices.h"
#include "widgets/myrndbtn.h"
#include "widgets/MyView.h"
#include "app/cameracontrols.h"
#include "app/keyholdtracker.h"
#include "app/latewindow.h"
#include "app/pendantgrab.h"
#include "camera/cnccamera.h"
#include "widgets/messagelog.h"
#include "widgets/toolpathdrawing.h"
#include "hal/clock.h"

#include <memory>

class CFirstInputWatch;
class QDialog;
class QKeyEvent;
class QPaintEvent;
class QPushButton;
class QTimer;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow, public CMainServices, public IControlWindows
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- Services for the dialogs (CMainServices) -----------------------
    AppControl& GetAppCtrl() override { return m_AppCtrl; }
    CCncCamera* GetCamera() override;
    void ClearLog() override;
    void SaveLog() override;
    void EnlMchHomingOptions(bool bEnable) override;
    void EnableDisableSpindleSpeedCtrl(bool bEnable) override;
    int GetPendingKey() const override { return m_iPendingKey; }
    void SetIgnoreKeyRelease(bool bIgnore) override { m_bIgnoreKeyRelease = bIgnore; }
    void SetKeyboardGrab(bool bGrab) override;
    // The dialog or panel on top while one is open (the pendant then takes
    // no key but Enter), else null.
    QWidget* DialogOnTop() const { return m_pPendantGrab ? m_pPendantGrab->TopDialog() : nullptr; }
    void EnableJogPanel(bool bEnable) override { m_DlgManual.setEnabled(bEnable); }

    // The program is ended by a signal (a service stop, Ctrl-C): the machine
    // stops and its outputs go to their safe levels at once, then every
    // event loop ends, so that the window closes down as when the operator
    // closes it.
    void CloseDownBySignal();

    // ---- The controller's window seam (IControlWindows) -----------------
    // An operation has just been given its run mode: panels that must not be
    // used while it runs are disabled and its start is logged.
    void EnableDisableWindows() override;
    // Puts the windows back after an operation. From another thread the call
    // is handed over to the GUI thread.
    void OnOperationFinish() override;
    void ClearToolGraphics() override;
    void UpdateWorkArea() override;

    // Builds the windows hidden at start (job settings, image carving, shape
    // cutting, user settings, machine settings) and puts their settings in
    // force (the machine settings build the axes' speed ramps). Runs once:
    // right after the first paint, at the operator's first key or click or
    // the program-start input if that comes sooner, at the first use of one
    // of them, or at the first pass of the event loop when the window is
    // not shown; a window shown but never painted gets them a second later.
    void BuildLateWindows();

    // Plots the tool's current position on the tool-path picture.
    void DrawToolPaths();

    // The text of the position display for the five positions (X, Y, Z, A,
    // B): four decimals, a value within 1e-5 of 0 shown as 0, A and B "NA"
    // on a three-axis machine; one line per axis.
    static QString PositionText(const double (&fPos)[AXIS_COUNT], bool bFiveAxes);

    // The pendant's "+" key: the first program on the USB drive replaces the
    // one in the G-code window.
    void LoadGCodeFromUSBOnKeyPress();

    // Waits 100 ms on a pool thread, then shows the round button released
    // (on the GUI thread).
    static void RndBtnRefresh(CMyRndBtn* pBtn);

public slots:
    void OnTimer();
    void OnBtnClickTimerElapsed();
    void OnG01FeedChange(short nValue);
    void OnG00FeedChange(short nValue);
    void OnSpindleSpeedChange(short nPosition) override;
    void OnNewCncCamImage();
    void AddLogMsg(QString strMsg, eAppMsgType eMsgType) override;

    // ---- Round buttons and the emergency stop ---------------------------
    void Btn_Start_pressed();
    void Btn_Pause_pressed();
    void Btn_Reset_pressed();
    void Btn_Stop_pressed();
    void Btn_Stop_released();

    // ---- Form buttons (connected by name) -------------------------------
    void on_Btn_StartPause_clicked();
    void on_Btn_Reset_clicked();

    void on_Btn_GCode_clicked();
    void on_Btn_ShapeCarving_clicked();
    void on_Btn_ImageCarving_clicked();
    void on_Btn_UserSettings_clicked();
    void on_Btn_MachineSettings_clicked();
    void on_Btn_JobSettings_clicked();

    void on_Btn_SetWorkPieceLength_clicked();
    void on_Btn_SetWorkPieceWidth_clicked();
    void on_Btn_SetWorkPieceHeight_clicked();

    // Camera or tool path in the view, and recording the camera.
    void on_Btn_SelectCamera_clicked();
    void on_Btn_SelectToolPaths_clicked();
    void on_Btn_CameraRecStop_clicked();

    // ---- Machine commands -----------------------------------------------
    void on_Btn_SetWorkZero_clicked();
    void on_Btn_MoveWorkZero_clicked();
    void on_Btn_MoveWorkHome_X_clicked();
    void on_Btn_MoveWorkHome_Y_clicked();
    void on_Btn_MoveWorkHome_Z_clicked();
    void on_Btn_MoveWorkHome_A_clicked();
    void on_Btn_MoveWorkHome_B_clicked();
    void on_Btn_MoveZSafePos_clicked();
    void on_Btn_SetZ0WithZProbe_clicked();
    void on_Btn_SaveSettings_clicked();
    void on_Btn_SimulationMode_clicked();
    void on_Btn_SpindleCWOnOff_clicked();
    void on_Btn_SpindleCCWOnOff_clicked();

public:
    // ---- Members, in the order they are built ---------------------------
    Ui::MainWindow* ui = nullptr;
    CdlgMyHorizSlideBar m_G01FeedSlider; // feed override, percent
    CdlgMyHorizSlideBar m_G00FeedSlider; // rapid feed percent; kept hidden
    CdlgMyHorizSlideBar m_SpindleSlider; // spindle speed step 1..24
    stFloatPoint m_PosBeforeSimulation;  // positions saved while simulating
    bool m_bInOnTimer = false;           // re-entry guard of the poll tick
    // The windows hidden at start are built right after the first paint
    // (BuildLateWindows); each is built on its first use if that comes
    // sooner.
    CLateWindow<CdlgJobSettings> m_DlgJobSettings{[this]() { BuildLateWindows(); }};
    CLateWindow<CDlgImageCarving> m_DlgImageCarving{[this]() { BuildLateWindows(); }};
    CDlgManual m_DlgManual; // jog panel, always shown
    CLateWindow<CDlgShapes> m_DlgShapes{[this]() { BuildLateWindows(); }};
    CdlgGCode m_DlgGCode; // shown at start
    CLateWindow<CDlgUserSettings> m_DlgUserSettings{[this]() { BuildLateWindows(); }};
    CLateWindow<CDlgMachineSettings> m_DlgMachineSettings{[this]() { BuildLateWindows(); }};
    QDialog* m_pActiveWnd = nullptr;      // the window shown in the work area
    QPushButton* m_pActiveWndBtn = nullptr; // its selector button
    CMyRndBtn m_BtnStop;
    CMyRndBtn m_BtnStart;
    CMyRndBtn m_BtnPause;
    CMyRndBtn m_BtnReset;
    QMutex m_FeedMutex; // held by the feed override handlers
    QTimer* m_pPollTimer = nullptr;
    QTimer* m_pBtnClickTimer = nullptr; // connected, never started
    quint16 m_nLastEStopInput = 0;      // input levels at the last tick
    quint16 m_nLastPgmStartInput = 0;
    AppControl m_AppCtrl;
    CMyView m_ToolPathView; // the tool-path picture or the camera
    CCncCamera m_CncCamera;
    // The tool-path picture: work-piece size, picture, tool marker.
    CToolPathDrawing m_ToolPath;
    QPushButton* m_pClickedBtn = nullptr; // never set
    // The camera, tool-path and record buttons (whether a recording runs:
    // IsVideoRecording()).
    std::unique_ptr<CCameraControls> m_pCameraControls;
    bool m_bKeyJogging = false;   // a keyboard jog is running
    int m_iPendingKey = 0;        // key waiting for its long press; -1 handled
    CStopWatch m_KeyPressTimer;   // started at the key press
    bool m_bNumLockOn = true;     // pendant mode
    double m_fKeyJogStep = 0.05;  // pendant step, mm
    bool m_bIgnoreKeyRelease = false;
    bool m_bNumLockOffNoted = false; // the log said Num Lock is off
    quint16 m_nLastPwmFreq = 0;   // spindle PWM frequency last applied
    // The pendant keys' real presses and releases, repeats told apart; a
    // release waits on m_pKeyReleaseTimer for a repeat's press.
    CKeyHoldTracker m_KeyHold;
    QTimer* m_pKeyReleaseTimer = nullptr;

protected:
    // The keyboard pendant (only while keyboard control is on).
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    // The first paint asks for the late windows to be built after it.
    void paintEvent(QPaintEvent* pEvent) override;

private:
    // An operation runs or an axis moves.
    bool MachineBusy();
    // Home switches fitted and X not homed: logs why and returns true.
    bool HomingMissing();
    // The emergency stop off, the machine idle and homed where it must be;
    // otherwise logs why and returns false.
    bool MayStartOperation();
    // A Home button of the position panel.
    void MoveAxisToWorkZero(QPushButton* pBtn, eAxis axis);
    // The spindle buttons: on or off in direction eDir.
    void SwitchSpindle(eDirection eDir);
    // A click (short press) of the pendant's 0, 1, 5 or 7.
    void KeyClicked(int iKey);
    // A long press of the pendant's 0, 1, 5 or 7 (the pending key).
    void KeyLongPressed();
    // A pendant key really went down or came up (repeats left out); the
    // release at iReleaseMs on the clock's millisecond count.
    void KeyChanged(const CKeyHoldTracker::stChange& change);
    void PendantKeyDown(int iKey);
    void PendantKeyUp(int iKey, qint64 iReleaseMs);
    // Releases held back long enough without a repeat's press: the keys are up.
    void SettleKeyReleases();
    // A keypad key that shows Num Lock off is said in the log.
    void NoteNumLock(int iKey, Qt::KeyboardModifiers eModifiers);

    // Puts the windows back; bAborted: the operation was ended by Reset, so
    // the log says it was aborted instead of finished.
    void FinishOperation(bool bAborted);
    // The round button Start / the form's Start: starts the job of the window
    // shown (or resumes a paused one). Returns true when started.
    bool StartShownJob(bool bCheckShapeEditing);
    // The job settings, user settings or machine settings window is shown.
    bool SettingsWindowShown() const;
    // Shows wnd in the work area and marks btn as its selector.
    void SelectWindow(QDialog* pWnd, QPushButton* pBtn);
    // The emergency stop is set: every axis stops, the operation ends, the
    // spindle and its PWM go off and the status output goes low.
    void EmergencyStop(const QString& strMsg);
    // The spindle outputs and its PWM off (emergency stop, tool change).
    void SpindleOffForSafety();
    // Looks of the spindle buttons.
    enum eSpindleLook { SPINDLE_ON_CW, SPINDLE_ON_CCW, SPINDLE_OFF, SPINDLE_TOOL_CHANGE };
    void SetSpindleLook(eSpindleLook eLook);
    // The emergency-stop input is fitted and reads high.
    bool EStopInputHigh() const;
    // Reset: ends the paused operation and waits for the controller's
    // thread; false when it did not end in time.
    bool EndOperationByReset();
    // After Stop or Reset has ended the operation: waits up to iWaitMs for
    // the controller's thread, then puts the windows back. A thread still
    // busy then (a dwell, a pause check) is left to end by itself: the window
    // keeps showing the operation, and the poll tick puts the windows back
    // once the thread is gone. False while it is still running.
    bool EndStoppedOperation(unsigned long iWaitMs);
    // The thread of a stopped operation has ended: the windows go back to
    // idle (the operation reported as aborted, unless the stop is on).
    void StoppedOperationEnded();
    // Idle machine: every axis in use takes its working feed at once.
    void ApplyFeedsWhenIdle();
    // Places an embedded window (already this window's child) at iX, iY.
    void EmbedAt(QDialog* pWnd, int iX, int iY);
    // Buttons that are enabled only while no job runs.
    void EnableJobControls(bool bEnable);

    // The windows hidden at start are built.
    bool m_bLateWindowsBuilt = false;
    // Builds them at the operator's first key or click, until they are.
    CFirstInputWatch* m_pFirstInputWatch = nullptr;

    // The PWM was switched off by an emergency stop or a tool change; it
    // starts again when the spindle is switched on.
    bool m_bPwmHeldOff = false;
    // Stop or Reset has ended the operation, but the controller's thread has
    // not finished yet: nothing may start or resume until it has.
    bool m_bOperationEnding = false;
    // The key that started the keyboard jog.
    int m_iJogKey = 0;
    // The message log on LV_Log.
    std::unique_ptr<CMessageLog> m_pLog;
    // The pendant's keyboard grab, let go while a file dialog is open.
    std::unique_ptr<CPendantGrab> m_pPendantGrab;
    // A file dialog took the keys: the releases of keys held now go there,
    // so a keyboard jog ends and a pending long press is dropped.
    void DropHeldPendantKeys();
};
