#pragma once
// The entry point of the OpenCV input/output module (libdiradi_cvio.so): the
// camera device, the video-file writer and picture files read through
// OpenCV. The program reaches them only through CCvIoModule, which loads the
// module the first time one is needed.
#include "camera/iframesource.h"
#include "camera/ivideowriter.h"

#include <QImage>
#include <QString>

struct stCvIoApi
{
    // Changed whenever this table changes: a module left from another build
    // is refused.
    static constexpr int VERSION = 2;
    int m_iVersion;
    // A new camera-device source (device 0); the caller owns it.
    IFrameSource* (*m_pNewFrameSource)();
    // A new video-file writer; the caller owns it.
    IVideoWriter* (*m_pNewVideoWriter)();
    // A picture file as 8-bit grey (QImage::Format_Grayscale8); a null
    // picture when it cannot be read.
    QImage (*m_pReadGrey)(const QString& strPath);
};

extern "C" {
// The module's table.
const stCvIoApi* diradi_cvio_api();
}
