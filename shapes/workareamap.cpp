#include "shapes/workareamap.h"

#include <algorithm>
#include <cmath>

void CWorkAreaMap::Update(int iImgWidth, int iImgHeight, int iMargin, double fLength, double fWidth)
{
    if (!(fLength > 0.0) || !std::isfinite(fLength))
        fLength = 1.0;
    if (!(fWidth > 0.0) || !std::isfinite(fWidth))
        fWidth = 1.0;
    m_iMargin = iMargin;
    m_fWidth = fWidth;
    const double fByLength = double(iImgWidth - 2 * iMargin) / fLength;
    const double fByWidth = double(iImgHeight - 2 * iMargin) / fWidth;
    m_dScale = std::max(std::min(fByLength, fByWidth), 1e-9);
    const int iTop = int(double(iImgHeight - iMargin) - m_dScale * fWidth);
    m_Rect = QRect(iMargin, iTop, int(m_dScale * fLength), int(m_dScale * fWidth));
}

int CWorkAreaMap::GridStep() const
{
    return int(m_dScale * 10.0);
}

QPoint CWorkAreaMap::ToPixel(double fX, double fY) const
{
    return QPoint(int(m_iMargin + m_dScale * fX), int(m_Rect.top() + m_dScale * (m_fWidth - fY)));
}

stFloatPoint CWorkAreaMap::ToWork(QPoint pixel) const
{
    stFloatPoint pt;
    pt.x = (pixel.x() - m_iMargin) / m_dScale;
    pt.y = m_fWidth - (pixel.y() - m_Rect.top()) / m_dScale;
    return pt;
}

int CWorkAreaMap::MouseFontSize(double fZoom)
{
    int iSize = fZoom > 0.0 ? int(std::min(50.0 / fZoom, 1000.0)) : 25;
    iSize = std::min(iSize, 25);
    if (iSize <= 4)
        iSize = 5;
    return iSize;
}

QPoint CWorkAreaMap::MouseTextPos(QPoint mouse, bool bLeftHalf, int iFontSize)
{
    const int x = bLeftHalf ? mouse.x() : mouse.x() - 5 * iFontSize;
    const int y = mouse.y() <= 29 ? mouse.y() + 30 : mouse.y() - iFontSize;
    return QPoint(x, y);
}
