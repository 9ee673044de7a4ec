#include "camera/cvio/cvframesource.h"

bool CCvFrameSource::Open()
{
    return m_Capture.open(0, cv::CAP_ANY) && m_Capture.isOpened();
}

bool CCvFrameSource::Read(cv::Mat& frame)
{
    return m_Capture.read(frame) && !frame.empty();
}

void CCvFrameSource::Release()
{
    m_Capture.release();
}

double CCvFrameSource::Property(int iProp)
{
    return m_Capture.get(iProp);
}
