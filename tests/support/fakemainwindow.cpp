#include "fakemainwindow.h"

namespace {
QString Kind(eAppMsgType eType)
{
    switch (eType) {
    case MSG_INFO: return QStringLiteral("info: ");
    case MSG_WARNING: return QStringLiteral("warning: ");
    default: return QStringLiteral("error: ");
    }
}
QString Flag(bool b) { return b ? QStringLiteral("(true)") : QStringLiteral("(false)"); }
} // namespace

CFakeMainWindow::CFakeMainWindow()
{
    m_AppCtrl.SetWindows(&m_Windows);
    m_AppCtrl.InitMachine();
}

CFakeMainWindow::~CFakeMainWindow()
{
    m_AppCtrl.StopAll();
    m_AppCtrl.wait();
}

void CFakeMainWindow::AddLogMsg(QString strMsg, eAppMsgType eMsgType)
{
    if (!strMsg.isEmpty())
        m_lstLog << Kind(eMsgType) + strMsg;
}

void CFakeMainWindow::ClearLog()
{
    m_lstLog.clear();
    m_lstCalls << QStringLiteral("ClearLog");
}

void CFakeMainWindow::SaveLog() { m_lstCalls << QStringLiteral("SaveLog"); }
void CFakeMainWindow::ClearToolGraphics() { m_lstCalls << QStringLiteral("ClearToolGraphics"); }
void CFakeMainWindow::EnlMchHomingOptions(bool bEnable) { m_lstCalls << QStringLiteral("EnlMchHomingOptions") + Flag(bEnable); }

void CFakeMainWindow::EnableDisableSpindleSpeedCtrl(bool bEnable)
{
    m_lstCalls << QStringLiteral("EnableDisableSpindleSpeedCtrl") + Flag(bEnable);
}

void CFakeMainWindow::OnSpindleSpeedChange(short nPosition)
{
    m_lstCalls << QStringLiteral("OnSpindleSpeedChange(%1)").arg(nPosition);
}

void CFakeMainWindow::EnableJogPanel(bool bEnable) { m_lstCalls << QStringLiteral("EnableJogPanel") + Flag(bEnable); }

void CFakeMainWindow::SetIgnoreKeyRelease(bool bIgnore)
{
    m_bIgnoreKeyRelease = bIgnore;
    m_lstCalls << QStringLiteral("SetIgnoreKeyRelease") + Flag(bIgnore);
}

void CFakeMainWindow::SetKeyboardGrab(bool bGrab)
{
    m_bKeyboardGrabbed = bGrab;
    m_lstCalls << QStringLiteral("SetKeyboardGrab") + Flag(bGrab);
}

void CFakeMainWindow::PollMessages()
{
    QString strMsg;
    eAppMsgType eType = MSG_INFO;
    while (m_AppCtrl.GetNextMsg(strMsg, eType))
        AddLogMsg(strMsg, eType);
}
