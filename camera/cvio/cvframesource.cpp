#include "camera/cvio/cvframesource.h"

#include <opencv2/imgproc.hpp>

bool CCvFrameSource::Open()
{
    return m_Capture.open(0, cv::CAP_ANY) && m_Capture.isOpened();
}

bool CCvFrameSource::Read(QImage& frame)
{
    if (!m_Capture.read(m_Grabbed) || m_Grabbed.empty() || m_Grabbed.type() != CV_8UC3)
        return false;
    // Converted straight into a picture of its own: the GUI may still show
    // the last one while this one is made.
    frame = QImage(m_Grabbed.cols, m_Grabbed.rows, QImage::Format_RGB888);
    if (frame.isNull()) // no memory for it
        return false;
    cv::Mat rgb(frame.height(), frame.width(), CV_8UC3, frame.bits(), size_t(frame.bytesPerLine()));
    cv::cvtColor(m_Grabbed, rgb, cv::COLOR_BGR2RGB);
    return true;
}

void CCvFrameSource::Release()
{
    m_Capture.release();
}

double CCvFrameSource::Property(eProperty eProp)
{
    switch (eProp) {
    case PROP_FRAME_WIDTH:
        return m_Capture.get(cv::CAP_PROP_FRAME_WIDTH);
    case PROP_FRAME_HEIGHT:
        return m_Capture.get(cv::CAP_PROP_FRAME_HEIGHT);
    case PROP_FOURCC:
        return m_Capture.get(cv::CAP_PROP_FOURCC);
    }
    return 0.0;
}
