#include "camera/cvio/cvvideowriter.h"

#include <opencv2/imgproc.hpp>

bool CCvVideoWriter::Open(const QString& strFile, int iFourcc, double fFps, QSize size, bool bColour)
{
    try {
        m_Writer.open(strFile.toLocal8Bit().toStdString(), iFourcc, fFps, cv::Size(size.width(), size.height()),
                      bColour);
    } catch (const cv::Exception&) {
        return false;
    }
    return m_Writer.isOpened();
}

void CCvVideoWriter::Write(const QImage& frame)
{
    if (frame.format() != QImage::Format_RGB888)
        return;
    // OpenCV writes BGR, as the camera grabbed it.
    const cv::Mat rgb(frame.height(), frame.width(), CV_8UC3, const_cast<uchar*>(frame.constBits()),
                      size_t(frame.bytesPerLine()));
    cv::cvtColor(rgb, m_Bgr, cv::COLOR_RGB2BGR);
    m_Writer.write(m_Bgr);
}

void CCvVideoWriter::Release()
{
    m_Writer.release();
}
