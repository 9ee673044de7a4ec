#pragma once
// The entry points of the OpenCV input/output module (libdiradi_cvio.so):
// the camera device, the video-file writer and picture files read through
// OpenCV. The program reaches them only through CCvIoModule, which loads
// the module the first time one is needed.
#include "camera/iframesource.h"
#include "camera/ivideowriter.h"

extern "C" {
// A new camera-device source (device 0); the caller owns it.
IFrameSource* diradi_cvio_new_frame_source();
// A new video-file writer; the caller owns it.
IVideoWriter* diradi_cvio_new_video_writer();
// Reads a picture file as 8-bit grey into *pOut (empty when it cannot be read).
void diradi_cvio_read_grey(const char* pPath, cv::Mat* pOut);
}
