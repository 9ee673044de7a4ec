#pragma once
// The main window's camera buttons and the frame hand-off, kept out of the
// main window: Btn_SelectCamera shows the camera in the view,
// Btn_SelectToolPaths the tool-path picture again, Btn_CameraRecStop starts
// (after the video-recording settings) and stops a recording. The main
// window builds one with its buttons, view and camera, forwards the three
// clicked slots and the camera's NewImage() (queued) to it:
//
//   m_CameraControls.OnSelectCamera();      // on_Btn_SelectCamera_clicked
//   m_CameraControls.OnSelectToolPaths();   // on_Btn_SelectToolPaths_clicked
//   m_CameraControls.OnRecStop();           // on_Btn_CameraRecStop_clicked
//   m_CameraControls.OnNewImage();          // OnNewCncCamImage
//
// Losing the camera (also while recording) ends the recording, logs the
// reason and puts the buttons and, when the machine is idle, the tool-path
// picture back.
#include <QImage>

#include <functional>

class CCncCamera;
class CMainServices;
class CMyView;
class QPushButton;
class QWidget;

class CCameraControls
{
public:
    // pMainWindow provides the services (log, controller, ClearToolGraphics)
    // and parents the settings dialog's prompts. fnDrawToolPaths redraws
    // and shows the tool-path picture (the main window's DrawToolPaths).
    CCameraControls(QWidget* pMainWindow, CCncCamera& camera, CMyView& view, QPushButton* pBtnCamera,
                    QPushButton* pBtnToolPaths, QPushButton* pBtnRecStop, std::function<void()> fnDrawToolPaths);

    void OnSelectCamera();
    void OnSelectToolPaths();
    void OnRecStop();
    void OnNewImage();

    // The record button is in its recording state.
    bool IsVideoRecording() const { return m_bVideoRecording; }
    // The camera frame the view shows (owned here, never written by the
    // capture thread).
    const QImage& ShownFrame() const { return m_ShownFrame; }

    // Asks for the recording file and rate (the video-recording settings,
    // modal); true to record. Tests replace it.
    std::function<bool(CCncCamera&)> m_fnAskRecordSettings;

private:
    CMainServices* Services() const;
    bool MachineIdle() const;
    void ShowRecording(bool bRecording);
    // The tool path on show: its button green, the camera's grey, no
    // recording possible.
    void ToolPathButtons();

    QWidget* m_pMainWindow;
    CCncCamera& m_Camera;
    CMyView& m_View;
    QPushButton* m_pBtnCamera;
    QPushButton* m_pBtnToolPaths;
    QPushButton* m_pBtnRecStop;
    std::function<void()> m_fnDrawToolPaths;
    bool m_bVideoRecording = false;
    // The camera was selected and its end not yet handled: signals that
    // arrive after that (a frame queued before a stop or a loss) are stale.
    bool m_bCameraShown = false;
    QImage m_ShownFrame;
};
