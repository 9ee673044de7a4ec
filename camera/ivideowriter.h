#pragma once
// Where a recording goes: OpenCV's video writer on the machine (in the
// module camera/cvio), a recorder in tests.
#include <QImage>
#include <QSize>
#include <QString>

class IVideoWriter
{
public:
    virtual ~IVideoWriter() = default;
    // Opens strFile for writing; false when it cannot be written.
    virtual bool Open(const QString& strFile, int iFourcc, double fFps, QSize size, bool bColour) = 0;
    // Writes one frame as the camera gave it (RGB, 8 bits per channel).
    // May throw.
    virtual void Write(const QImage& frame) = 0;
    // Closes the file (nothing when none is open).
    virtual void Release() = 0;
};
