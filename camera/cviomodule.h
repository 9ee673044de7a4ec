#pragma once
// OpenCV's camera, video-file and picture-file code (its videoio and
// imgcodecs parts) pulls in some two hundred libraries (codecs, GStreamer,
// GDAL, ...). Linked into the program, loading them was most of its start-up
// time, for a camera that is switched on now and then. That code lives in a
// module of its own, libdiradi_cvio.so beside the program, loaded here the
// first time the camera, a recording or a picture read through OpenCV is
// needed.
#include "camera/iframesource.h"
#include "camera/ivideowriter.h"

#include <QImage>
#include <QString>
#include <memory>

class CCvIoModule
{
public:
    CCvIoModule() = delete;

    // The module's file name.
    static QString FileName();
    // The module is loaded by the first of these calls; a module that cannot
    // be found or loaded gives the same answer to every call.

    // The camera device and a video-file writer; null (strErr says why)
    // when the module cannot be loaded.
    static std::unique_ptr<IFrameSource> NewFrameSource(QString& strErr);
    static std::unique_ptr<IVideoWriter> NewVideoWriter(QString& strErr);
    // A picture file as 8-bit grey (QImage::Format_Grayscale8); a null
    // picture when it cannot be read or the module cannot be loaded (strErr
    // says why).
    static QImage ReadGreyPicture(const QString& strPath, QString& strErr);
};
