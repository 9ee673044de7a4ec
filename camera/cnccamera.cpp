#include "camera/cnccamera.h"

#include "camera/cviomodule.h"

#include <QMutexLocker>

// The device and the writer come from the OpenCV module when first needed
// (unless a test has installed its own): start-up does not load it.
CCncCamera::CCncCamera() = default;

CCncCamera::~CCncCamera()
{
    StopVideoCapture();
}

void CCncCamera::SetFrameSource(std::unique_ptr<IFrameSource> pSource)
{
    if (!isRunning() && pSource)
        m_pSource = std::move(pSource);
}

void CCncCamera::SetVideoWriter(std::unique_ptr<IVideoWriter> pWriter)
{
    QMutexLocker lock(&m_WriterMutex);
    if (!m_bRecording && pWriter)
        m_pWriter = std::move(pWriter);
}

QString CCncCamera::GetErrorMsg() const
{
    QMutexLocker lock(&m_MsgMutex);
    return m_strErrMsg;
}

void CCncCamera::SetErrorMsg(const QString& strMsg)
{
    QMutexLocker lock(&m_MsgMutex);
    m_strErrMsg = strMsg;
}

bool CCncCamera::StartVideoCapture()
{
    if (m_bCamOpen && isRunning())
        return true;
    // A thread that ended after a loss is collected before a new start.
    wait();
    if (!m_pSource) {
        QString strWhy;
        m_pSource = CCvIoModule::NewFrameSource(strWhy);
        if (!m_pSource) {
            SetErrorMsg(QStringLiteral("unable to open Camera\n") + strWhy);
            return false;
        }
    }
    bool bOpen = false;
    try {
        bOpen = m_pSource->Open();
    } catch (...) {
        bOpen = false;
    }
    if (!bOpen) {
        m_bCamOpen = false;
        SetErrorMsg(QStringLiteral("unable to open Camera"));
        return false;
    }
    // The frame size and stream format, read before the thread owns the
    // device (the capture is not read from two threads at once).
    try {
        m_FrameSize = QSize(int(m_pSource->Property(IFrameSource::PROP_FRAME_WIDTH)),
                            int(m_pSource->Property(IFrameSource::PROP_FRAME_HEIGHT)));
        m_iFourcc = int(m_pSource->Property(IFrameSource::PROP_FOURCC));
    } catch (...) {
        m_FrameSize = QSize();
        m_iFourcc = 0;
    }
    SetErrorMsg(QString());
    m_bRun = true;
    m_bFrameConsumed = true;
    m_bCamOpen = true;
    start(QThread::InheritPriority);
    return true;
}

void CCncCamera::StopVideoCapture()
{
    StopVideoRecord();
    m_bRun = false;
    m_bFrameConsumed = true; // a loop waiting for the GUI is let go
    wait();
    SetErrorMsg(QString());
    if (m_pSource)
        m_pSource->Release();
    m_bCamOpen = false;
}

bool CCncCamera::StartVideoRecord(QString strFile)
{
    if (!m_bCamOpen) {
        SetErrorMsg(QStringLiteral("Camera not opened"));
        return false;
    }
    QMutexLocker lock(&m_WriterMutex);
    if (m_bRecording) {
        m_pWriter->Release();
        m_bRecording = false;
    }
    if (!m_pWriter) {
        QString strWhy;
        m_pWriter = CCvIoModule::NewVideoWriter(strWhy);
        if (!m_pWriter) {
            SetErrorMsg(QStringLiteral("Could not open the output video file for write\n") + strWhy);
            return false;
        }
    }
    // The camera's own frame size and stream format; the frames are always
    // written in colour.
    bool bOpen = false;
    try {
        bOpen = !strFile.isEmpty() && m_pWriter->Open(strFile, m_iFourcc, m_fRecordFps, m_FrameSize, true);
    } catch (...) {
        bOpen = false;
    }
    if (!bOpen) {
        m_pWriter->Release();
        SetErrorMsg(QStringLiteral("Could not open the output video file for write\n"));
        return false;
    }
    m_bRecording = true;
    return true;
}

void CCncCamera::StopVideoRecord()
{
    CloseWriter();
}

void CCncCamera::CloseWriter()
{
    QMutexLocker lock(&m_WriterMutex);
    if (!m_bRecording)
        return;
    m_bRecording = false;
    m_pWriter->Release();
}

bool CCncCamera::TakeFrame(QImage& dest)
{
    if (m_bFrameConsumed)
        return false;
    {
        QMutexLocker lock(&m_FrameMutex);
        dest = m_CamImage;
    }
    m_bFrameConsumed = true;
    return true;
}

void CCncCamera::OnCameraLost()
{
    m_bCamOpen = false;
    CloseWriter();
    try {
        m_pSource->Release();
    } catch (...) {
    }
    SetErrorMsg(QStringLiteral("Camera Connection Lost"));
    emit NewImage();
}

void CCncCamera::run()
{
    while (m_bRun) {
        // One frame in flight: wait until the GUI has taken the last one.
        while (!m_bFrameConsumed && m_bRun)
            QThread::msleep(1);
        if (!m_bRun)
            break;
        try {
            // A picture of its own: the GUI may still show the last one.
            QImage frame;
            if (!m_pSource->Read(frame) || frame.isNull() || frame.format() != QImage::Format_RGB888) {
                OnCameraLost();
                break;
            }
            {
                QMutexLocker lock(&m_WriterMutex);
                if (m_bRecording)
                    m_pWriter->Write(frame);
            }
            {
                QMutexLocker lock(&m_FrameMutex);
                m_CamImage = frame;
            }
            m_bFrameConsumed = false;
            emit NewImage();
        } catch (...) {
            OnCameraLost();
            break;
        }
    }
    m_bFrameConsumed = true;
}
