#include "camera/cvio/cvvideowriter.h"

bool CCvVideoWriter::Open(const QString& strFile, int iFourcc, double fFps, cv::Size size, bool bColour)
{
    try {
        m_Writer.open(strFile.toLocal8Bit().toStdString(), iFourcc, fFps, size, bColour);
    } catch (const cv::Exception&) {
        return false;
    }
    return m_Writer.isOpened();
}

void CCvVideoWriter::Write(const cv::Mat& frame)
{
    m_Writer.write(frame);
}

void CCvVideoWriter::Release()
{
    m_Writer.release();
}
