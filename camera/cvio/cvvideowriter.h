#pragma once
#include "camera/ivideowriter.h"

#include <opencv2/videoio.hpp>

class CCvVideoWriter : public IVideoWriter
{
public:
    bool Open(const QString& strFile, int iFourcc, double fFps, QSize size, bool bColour) override;
    void Write(const QImage& frame) override;
    void Release() override;

private:
    cv::VideoWriter m_Writer;
    cv::Mat m_Bgr; // the frame in the writer's channel order
};
