#pragma once
// Where the camera's frames come from: the camera device through OpenCV on
// the machine, a scripted source in tests. Used only by the capture thread
// (after Open on the GUI thread, before the thread starts).
#include <opencv2/core/mat.hpp>

class IFrameSource
{
public:
    virtual ~IFrameSource() = default;
    // Opens the device; false when there is none.
    virtual bool Open() = 0;
    // The next frame (BGR, 8 bits per channel); false when the device is
    // lost. May throw cv::Exception.
    virtual bool Read(cv::Mat& frame) = 0;
    virtual void Release() = 0;
    // A capture property (cv::CAP_PROP_...); 0 when unknown.
    virtual double Property(int iProp) = 0;
};
