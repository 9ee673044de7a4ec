#pragma once
// Where a recording goes: OpenCV's video writer on the machine, a recorder
// in tests.
#include <opencv2/core/mat.hpp>

#include <QString>

class IVideoWriter
{
public:
    virtual ~IVideoWriter() = default;
    // Opens strFile for writing; false when it cannot be written.
    virtual bool Open(const QString& strFile, int iFourcc, double fFps, cv::Size size, bool bColour) = 0;
    // Writes one BGR frame. May throw cv::Exception.
    virtual void Write(const cv::Mat& frame) = 0;
    // Closes the file (nothing when none is open).
    virtual void Release() = 0;
};
