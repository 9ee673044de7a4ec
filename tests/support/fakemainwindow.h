#pragma once
// Stands in for the main window in window tests: a plain widget that
// provides the main-window services on the simulated machine. Build the
// dialog under test with it as parent; CMainServices::Of(dialog) finds it.
//
//   CFakePrompter prompter;             // answers keypads and questions
//   CFakeMainWindow mw;                 // simulated machine, controller ready
//   CDlgSomething dlg(&mw);
//   prompter.m_lstKeypadEntries << "12.5";
//   QTest::mouseClick(dlg.findChild<QPushButton*>("Btn_X"), Qt::LeftButton);
//   QCOMPARE(mw.m_lstLog.last(), "error: Value must be between\n...");
#include "control/AppControl.h"
#include "simcontroller.h"
#include "widgets/mainservices.h"

#include <QStringList>
#include <QWidget>

class CFakeMainWindow : public QWidget, public CMainServices
{
public:
    // Sets up the simulated three-axis machine (CSimControllerSetup: temporary
    // working folder, virtual clock, simulated pins, default settings) and
    // initialises the controller on it.
    CFakeMainWindow();
    ~CFakeMainWindow() override;

    void AddLogMsg(QString strMsg, eAppMsgType eMsgType) override;
    void ClearLog() override;
    void SaveLog() override;
    AppControl& GetAppCtrl() override { return m_AppCtrl; }
    CCncCamera* GetCamera() override { return m_pCamera; }
    void ClearToolGraphics() override;
    void EnlMchHomingOptions(bool bEnable) override;
    void EnableDisableSpindleSpeedCtrl(bool bEnable) override;
    void OnSpindleSpeedChange(short nPosition) override;
    void EnableJogPanel(bool bEnable) override;
    int GetPendingKey() const override { return m_iPendingKey; }
    void SetIgnoreKeyRelease(bool bIgnore) override;
    void SetKeyboardGrab(bool bGrab) override;

    // Moves the controller's queued texts into the log, as the main window's
    // poll does.
    void PollMessages();

    CSimControllerSetup m_Setup;
    CRecordingWindows m_Windows;
    AppControl m_AppCtrl;
    CCncCamera* m_pCamera = nullptr;

    // Every log line, oldest first, as "info: text", "warning: text" or
    // "error: text" (no time stamp).
    QStringList m_lstLog;
    // The other services called, oldest first, e.g. "ClearToolGraphics",
    // "EnlMchHomingOptions(true)", "OnSpindleSpeedChange(5)".
    QStringList m_lstCalls;
    int m_iPendingKey = -1;
    bool m_bIgnoreKeyRelease = false;
    bool m_bKeyboardGrabbed = false;
};
