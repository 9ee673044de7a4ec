#pragma once
// A recording file written by OpenCV's video writer.
#include "camera/ivideowriter.h"

#include <opencv2/videoio.hpp>

class CCvVideoWriter : public IVideoWriter
{
public:
    bool Open(const QString& strFile, int iFourcc, double fFps, cv::Size size, bool bColour) override;
    void Write(const cv::Mat& frame) override;
    void Release() override;

private:
    cv::VideoWriter m_Writer;
};
