#pragma once
// What every window and dialog asks of the main window: the message log, the
// numeric keypad with its range check, the click feedback of buttons, the
// emergency-stop check, the machine controller and a few pieces of main-window
// state. The main window implements it; window tests use a stand-in
// (tests/support/fakemainwindow.h) on the simulated machine.
//
// A dialog finds it among its Qt parents: CMainServices::Of(this).
#include "core/common.h"

#include <QString>

#include <functional>

class AppControl;
class CCncCamera;
class QObject;
class QPushButton;
class QWidget;

class CMainServices
{
public:
    virtual ~CMainServices() = default;

    // The nearest object among pObj and its parents that provides the
    // services, or null (a dialog shown on its own).
    static CMainServices* Of(const QObject* pObj);

    // ---- Message log ----------------------------------------------------
    // Adds one line at the top of the log, "[hh:mm:ss]" + text, coloured by
    // kind; an empty text is ignored.
    virtual void AddLogMsg(QString strMsg, eAppMsgType eMsgType) = 0;
    virtual void ClearLog() = 0;
    virtual void SaveLog() = 0;

    // ---- Numeric entry --------------------------------------------------
    // Opens the keypad (through the prompter) titled strWndTitle with the
    // text strValue. pQBtn, when given, is green while the keypad is open,
    // then shows the value with iPrecision decimals (and "\n" + strCtrlTxt
    // when that is not empty) and turns grey again. A range (fRange.x
    // minimum, fRange.y maximum; both 0 = none) is checked after OK and after
    // Cancel alike: a value outside it is logged as an error and clamped.
    // iPrecision 0 disables the decimal point. Returns the value.
    double OpenKeypad(QPushButton* pQBtn, QString strWndTitle, QString strCtrlTxt, QString strValue,
                      stFloatPoint fRange, bool bShowSignBtn = false, unsigned short iPrecision = 4);
    // Short forms without range or result: the keypad opens on the button's
    // text (or strValue) and an accepted number is written on the button
    // with 4 decimals (and "\n" + strCtrlTxt). The button's look is left
    // alone; a cancelled keypad or a text that is not a number changes
    // nothing.
    void OpenKeypad(QPushButton* pQBtn, QString strWndTitle);
    void OpenKeypad(QPushButton* pQBtn, QString strWndTitle, QString strCtrlTxt, QString strValue);

    // ---- Click feedback -------------------------------------------------
    // Gives the button the style sheet about 150 ms later, on the GUI thread,
    // without blocking the caller; safe from any thread; a button destroyed
    // meanwhile is left alone.
    static void ResetBtnBkGnd(QPushButton* pBtn, QString strStyle);
    // Runs fn iDelayMs later on pTarget's own (GUI) thread, without
    // blocking the caller; safe from any thread. Nothing runs when pTarget
    // is null or is destroyed meanwhile.
    static void RunLater(QObject* pTarget, int iDelayMs, std::function<void()> fn);

    // ---- Machine state --------------------------------------------------
    // The emergency-stop flag; when it is on, logs "Release Emergency Switch"
    // as an error first.
    bool IsEmergencyStopOn();
    // The machine controller (owned by the main window).
    virtual AppControl& GetAppCtrl() = 0;
    // The camera, or null where there is none.
    virtual CCncCamera* GetCamera() = 0;

    // ---- Main-window actions the dialogs trigger -----------------------
    // Redraws the empty tool-path drawing.
    virtual void ClearToolGraphics() = 0;
    // Home switches fitted or not: the user settings' homing options and the
    // shape designer's buttons follow.
    virtual void EnlMchHomingOptions(bool bEnable) = 0;
    // Enables or disables the spindle-speed slider (enabling re-sends its
    // value as a speed change).
    virtual void EnableDisableSpindleSpeedCtrl(bool bEnable) = 0;
    // Spindle slider position 1..24 to a PWM frequency.
    virtual void OnSpindleSpeedChange(short nPosition) = 0;
    // Enables or disables the jog panel (a resumed G-code run with manual
    // tool change keeps the operator's hands off it).
    virtual void EnableJogPanel(bool bEnable) { (void)bEnable; }

    // ---- Keyboard pendant -------------------------------------------------
    // The pendant key held for a long press (a key code), or -1.
    virtual int GetPendingKey() const = 0;
    // While set, the main window ignores key releases (a dialog with a text
    // entry of its own is open).
    virtual void SetIgnoreKeyRelease(bool bIgnore) = 0;
    // Takes (true) or gives back (false) the keyboard grab of the pendant.
    virtual void SetKeyboardGrab(bool bGrab) = 0;
};
