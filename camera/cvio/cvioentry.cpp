#include "camera/cvio/cvioentry.h"

#include "camera/cvio/cvframesource.h"
#include "camera/cvio/cvvideowriter.h"

#include <QFile>

#include <algorithm>

#include <opencv2/imgcodecs.hpp>

namespace {
IFrameSource* NewFrameSource()
{
    return new CCvFrameSource;
}

IVideoWriter* NewVideoWriter()
{
    return new CCvVideoWriter;
}

QImage ReadGrey(const QString& strPath)
{
    cv::Mat img;
    try {
        img = cv::imread(QFile::encodeName(strPath).toStdString(), cv::IMREAD_GRAYSCALE);
    } catch (const cv::Exception&) {
        return QImage();
    }
    if (img.empty() || img.type() != CV_8UC1)
        return QImage();
    QImage grey(img.cols, img.rows, QImage::Format_Grayscale8);
    if (grey.isNull()) // no memory for it
        return QImage();
    for (int y = 0; y < img.rows; ++y)
        std::copy_n(img.ptr<uchar>(y), img.cols, grey.scanLine(y));
    return grey;
}

const stCvIoApi g_Api = {stCvIoApi::VERSION, NewFrameSource, NewVideoWriter, ReadGrey};
} // namespace

const stCvIoApi* diradi_cvio_api()
{
    return &g_Api;
}
