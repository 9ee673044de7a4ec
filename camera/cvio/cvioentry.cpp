#include "camera/cvio/cvioentry.h"

#include "camera/cvio/cvframesource.h"
#include "camera/cvio/cvvideowriter.h"

#include <opencv2/imgcodecs.hpp>

IFrameSource* diradi_cvio_new_frame_source()
{
    return new CCvFrameSource;
}

IVideoWriter* diradi_cvio_new_video_writer()
{
    return new CCvVideoWriter;
}

void diradi_cvio_read_grey(const char* pPath, cv::Mat* pOut)
{
    try {
        *pOut = cv::imread(pPath, cv::IMREAD_GRAYSCALE);
    } catch (const cv::Exception&) {
        pOut->release();
    }
}
