#pragma once
// Where the camera's frames come from: the camera device through OpenCV on
// the machine (in the module camera/cvio), a scripted source in tests. Used
// only by the capture thread (after Open on the GUI thread, before the
// thread starts).
#include <QImage>

class IFrameSource
{
public:
    // The capture properties the camera asks for.
    enum eProperty { PROP_FRAME_WIDTH, PROP_FRAME_HEIGHT, PROP_FOURCC };

    virtual ~IFrameSource() = default;
    // Opens the device; false when there is none.
    virtual bool Open() = 0;
    // The next frame, a picture of its own in RGB, 8 bits per channel
    // (QImage::Format_RGB888); false when the device is lost. May throw.
    virtual bool Read(QImage& frame) = 0;
    virtual void Release() = 0;
    // A capture property; 0 when unknown.
    virtual double Property(eProperty eProp) = 0;
};
