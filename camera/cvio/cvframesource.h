#pragma once
#include "camera/iframesource.h"

#include <opencv2/videoio.hpp>

class CCvFrameSource : public IFrameSource
{
public:
    bool Open() override;
    bool Read(QImage& frame) override;
    void Release() override;
    double Property(eProperty eProp) override;

private:
    cv::VideoCapture m_Capture;
    cv::Mat m_Grabbed; // the last frame grabbed, BGR
};
