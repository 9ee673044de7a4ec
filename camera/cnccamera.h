#pragma once
// The camera: grabs frames on its own thread, converts them for display and,
// while recording, writes them to a video file. One frame is in flight at a
// time: the thread reads the next frame only after the GUI has taken the
// last one (TakeFrame), so the picture rate follows the screen and the
// recording holds exactly the frames shown.
//
// NewImage() is emitted from the capture thread (connect it queued): a frame
// is ready, or the camera was lost (IsCamOpen() false, GetErrorMsg() says
// why; a recording running then has been ended and its file closed).
//
// The device and the file writer sit behind IFrameSource / IVideoWriter;
// tests install fakes with SetFrameSource / SetVideoWriter.
#include "camera/iframesource.h"
#include "camera/ivideowriter.h"

#include <QImage>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

class CCncCamera : public QThread
{
    Q_OBJECT

public:
    CCncCamera();
    // Stops the capture (and a recording) and waits for the thread.
    ~CCncCamera() override;

    // Replace the device or the writer (only while the camera is closed).
    void SetFrameSource(std::unique_ptr<IFrameSource> pSource);
    void SetVideoWriter(std::unique_ptr<IVideoWriter> pWriter);

    // Opens the camera and starts the capture thread; false with
    // "unable to open Camera" when there is none. True at once when the
    // camera is already open.
    bool StartVideoCapture();
    // Ends a recording, stops the thread, waits for it and closes the
    // camera.
    void StopVideoCapture();
    // Starts writing the frames to strFile at m_fRecordFps; false with the
    // reason in GetErrorMsg() ("Camera not opened", or "Could not open the
    // output video file for write\n").
    bool StartVideoRecord(QString strFile);
    // Ends a recording and closes its file (nothing when none runs).
    void StopVideoRecord();

    QString GetErrorMsg() const;
    bool IsCamOpen() const { return m_bCamOpen; }
    bool IsRecording() const { return m_bRecording; }

    // GUI thread: takes the frame announced by NewImage() into dest (the
    // caller's own picture, which the capture thread never writes) and lets
    // the thread grab the next one. False when no frame is waiting.
    bool TakeFrame(QImage& dest);

    // Frames per second written into a recording (16 at start) and the
    // recording file: set by the video-recording settings.
    double m_fRecordFps = 16.0;
    QString m_strVideoFile;

signals:
    void NewImage();

protected:
    void run() override;

private:
    void SetErrorMsg(const QString& strMsg);
    void CloseWriter();
    // The camera was lost on the capture thread: the recording ends, the
    // device is released, the GUI is told.
    void OnCameraLost();

    mutable QMutex m_MsgMutex;
    QString m_strErrMsg;
    std::atomic<bool> m_bRun{false};
    std::atomic<bool> m_bCamOpen{false};
    QMutex m_FrameMutex;
    QImage m_CamImage; // the last frame (RGB888), a picture of its own
    std::atomic<bool> m_bFrameConsumed{true};
    QMutex m_WriterMutex; // a frame is never written while the file closes
    std::atomic<bool> m_bRecording{false};
    QSize m_FrameSize;    // of the open camera
    int m_iFourcc = 0;    // its stream format
    std::unique_ptr<IFrameSource> m_pSource;
    std::unique_ptr<IVideoWriter> m_pWriter;
};
