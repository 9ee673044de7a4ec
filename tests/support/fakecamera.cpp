#include "fakecamera.h"

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <QMutexLocker>

bool CFakeFrameSource::Open()
{
    ++m_iOpens;
    if (m_bOpenFails)
        return false;
    m_bOpen = true;
    return true;
}

bool CFakeFrameSource::Read(cv::Mat& frame)
{
    const int n = m_iReads;
    if (m_iLoseAfter >= 0 && n >= m_iLoseAfter) {
        if (m_bLossThrows)
            throw cv::Exception(cv::Error::StsError, "device gone", "Read", __FILE__, __LINE__);
        return false;
    }
    frame = cv::Mat(HEIGHT, WIDTH, CV_8UC3, cv::Scalar(n % 256, 0, 200));
    ++m_iReads;
    return true;
}

void CFakeFrameSource::Release()
{
    m_bOpen = false;
    ++m_iReleases;
}

double CFakeFrameSource::Property(int iProp)
{
    switch (iProp) {
    case cv::CAP_PROP_FRAME_WIDTH: return WIDTH;
    case cv::CAP_PROP_FRAME_HEIGHT: return HEIGHT;
    case cv::CAP_PROP_FOURCC: return FOURCC;
    default: return 0.0;
    }
}

bool CFakeVideoWriter::Open(const QString& strFile, int iFourcc, double fFps, cv::Size size, bool bColour)
{
    QMutexLocker lock(&m_Mutex);
    m_strFile = strFile;
    m_iFourcc = iFourcc;
    m_fFps = fFps;
    m_Size = size;
    m_bColour = bColour;
    m_lstFrames.clear();
    m_bOpen = !m_bOpenFails;
    return m_bOpen;
}

void CFakeVideoWriter::Write(const cv::Mat& frame)
{
    QMutexLocker lock(&m_Mutex);
    if (m_bOpen)
        m_lstFrames << frame.at<cv::Vec3b>(0, 0)[0];
}

void CFakeVideoWriter::Release()
{
    m_bOpen = false;
    ++m_iReleases;
}

QList<int> CFakeVideoWriter::Frames() const
{
    QMutexLocker lock(&m_Mutex);
    return m_lstFrames;
}
