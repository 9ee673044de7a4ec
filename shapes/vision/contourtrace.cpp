#include "shapes/vision/contourtrace.h"

#include <opencv2/imgproc.hpp>

bool CContourTrace::Trace(const QImage& grey, int iLevel, eDrawing eWhich, QPoint offset,
                          std::vector<Outline>& lstOutlines, size_t* pnFound)
{
    lstOutlines.clear();
    if (pnFound)
        *pnFound = 0;
    if (grey.isNull())
        return true;
    const QImage picture =
        grey.format() == QImage::Format_Grayscale8 ? grey : grey.convertToFormat(QImage::Format_Grayscale8);
    // The picture's rows are padded to 32 bits: the row stride goes along.
    const cv::Mat img(picture.height(), picture.width(), CV_8UC1, const_cast<uchar*>(picture.constBits()),
                      size_t(picture.bytesPerLine()));
    cv::Mat bw;
    cv::threshold(img, bw, iLevel, 255, eWhich == DARK_AT_OR_BELOW ? cv::THRESH_BINARY_INV : cv::THRESH_BINARY);
    std::vector<Outline> lstFound;
    cv::findContours(bw, lstFound, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE, cv::Point(offset.x(), offset.y()));
    if (pnFound)
        *pnFound = lstFound.size();
    if (lstFound.size() > COutlineOrder::MAX_OUTLINES)
        return false;
    lstOutlines = COutlineOrder::Ordered(lstFound);
    return true;
}
