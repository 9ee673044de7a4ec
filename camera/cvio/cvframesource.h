#pragma once
// Camera device 0 through OpenCV's video capture (any back end).
#include "camera/iframesource.h"

#include <opencv2/videoio.hpp>

class CCvFrameSource : public IFrameSource
{
public:
    bool Open() override;
    bool Read(cv::Mat& frame) override;
    void Release() override;
    double Property(int iProp) override;

private:
    cv::VideoCapture m_Capture;
};
