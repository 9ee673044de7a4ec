#include "app/cameracontrols.h"

#include "control/AppControl.h"
#include "core/common.h"
#include "settingswindows/dlgvideorecsettings.h"
#include "widgets/MyView.h"
#include "camera/cnccamera.h"
#include "widgets/mainservices.h"
#include "widgets/resources.h"

#include <QIcon>
#include <QPushButton>

namespace {
bool RunRecordSettings(CCncCamera& camera)
{
    CDlgVideoRecSettings dlg(nullptr);
    dlg.m_pCncCamera = &camera;
    dlg.ConfigSettings();
    dlg.exec();
    return dlg.m_bRecordOk;
}
} // namespace

CCameraControls::CCameraControls(QWidget* pMainWindow, CCncCamera& camera, CMyView& view, QPushButton* pBtnCamera,
                                 QPushButton* pBtnToolPaths, QPushButton* pBtnRecStop,
                                 std::function<void()> fnDrawToolPaths)
    : m_fnAskRecordSettings(RunRecordSettings)
    , m_pMainWindow(pMainWindow)
    , m_Camera(camera)
    , m_View(view)
    , m_pBtnCamera(pBtnCamera)
    , m_pBtnToolPaths(pBtnToolPaths)
    , m_pBtnRecStop(pBtnRecStop)
    , m_fnDrawToolPaths(std::move(fnDrawToolPaths))
{
    InitAppResources();
}

CMainServices* CCameraControls::Services() const
{
    return CMainServices::Of(m_pMainWindow);
}

bool CCameraControls::MachineIdle() const
{
    CMainServices* pServices = Services();
    return !pServices || pServices->GetAppCtrl().m_iRunMode == AppControl::RUN_IDLE;
}

void CCameraControls::ShowRecording(bool bRecording)
{
    m_bVideoRecording = bRecording;
    m_pBtnRecStop->setIcon(QIcon(bRecording ? QStringLiteral(":/res/StopVideoRec.png")
                                            : QStringLiteral(":/res/StartVideoRec.png")));
    // The tool path cannot replace the camera while it is being recorded.
    m_pBtnToolPaths->setEnabled(!bRecording);
}

void CCameraControls::ToolPathButtons()
{
    m_pBtnToolPaths->setStyleSheet(BTN_BKGND_GREEN);
    m_pBtnCamera->setStyleSheet(BTN_BKGND_GRAY);
    m_pBtnRecStop->setEnabled(false);
}

void CCameraControls::OnSelectCamera()
{
    if (m_Camera.IsCamOpen())
        return;
    m_pBtnCamera->setStyleSheet(BTN_BKGND_GREEN);
    if (!m_Camera.StartVideoCapture()) {
        if (CMainServices* pServices = Services())
            pServices->AddLogMsg(m_Camera.GetErrorMsg(), MSG_ERROR);
        m_bVideoRecording = false;
        CMainServices::ResetBtnBkGnd(m_pBtnCamera, BTN_BKGND_GRAY);
        return;
    }
    m_bCameraShown = true;
    m_pBtnToolPaths->setStyleSheet(BTN_BKGND_GRAY);
    m_pBtnRecStop->setEnabled(true);
}

void CCameraControls::OnSelectToolPaths()
{
    m_bCameraShown = false;
    if (m_Camera.IsCamOpen() || m_Camera.isRunning())
        m_Camera.StopVideoCapture();
    if (m_bVideoRecording)
        ShowRecording(false);
    ToolPathButtons();
    if (MachineIdle() && m_fnDrawToolPaths)
        m_fnDrawToolPaths();
}

void CCameraControls::OnRecStop()
{
    if (!m_bVideoRecording) {
        m_bVideoRecording = true;
        if (!m_fnAskRecordSettings || !m_fnAskRecordSettings(m_Camera)) {
            m_bVideoRecording = false; // cancelled: ready for the next press
            return;
        }
        if (!m_Camera.StartVideoRecord(m_Camera.m_strVideoFile)) {
            if (CMainServices* pServices = Services())
                pServices->AddLogMsg(m_Camera.GetErrorMsg(), MSG_ERROR);
            ShowRecording(false);
            return;
        }
        ShowRecording(true);
    } else {
        m_Camera.StopVideoRecord();
        ShowRecording(false);
    }
}

void CCameraControls::OnNewImage()
{
    if (!m_bCameraShown)
        return; // stale: the camera's end was handled already
    if (m_Camera.IsCamOpen()) {
        // The view shows a picture the capture thread never writes; taking
        // it lets the thread grab the next frame.
        if (m_Camera.TakeFrame(m_ShownFrame))
            m_View.DisplayImage(&m_ShownFrame);
        return;
    }
    // The camera is gone (lost, or stopped behind the buttons' back).
    m_bCameraShown = false;
    const QString strErr = m_Camera.GetErrorMsg();
    CMainServices* pServices = Services();
    if (!strErr.isEmpty() && pServices)
        pServices->AddLogMsg(strErr, MSG_ERROR);
    if (m_bVideoRecording) {
        // The camera closed the file when it lost the device.
        ShowRecording(false);
        if (pServices && !strErr.isEmpty())
            pServices->AddLogMsg(QStringLiteral("Video recording stopped: ") + m_Camera.m_strVideoFile, MSG_ERROR);
    }
    ToolPathButtons();
    if (MachineIdle() && pServices)
        pServices->ClearToolGraphics();
}
