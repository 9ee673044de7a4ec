#pragma once
// A small relief-carving job for the controller: a 30 x 20 pixel picture of
// a ridge along Y, deeper to one side, carved over 30 x 20 mm, 3 mm deep in
// 1.25 mm passes, a grid point every 2 mm.
#include "control/AppControl.h"

#include <QImage>

#include <algorithm>
#include <cstdlib>

inline QImage SmallReliefPicture()
{
    QImage img(30, 20, QImage::Format_Grayscale8);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            img.scanLine(y)[x] = uchar(std::min(255, 60 + 12 * std::abs(x - 15) + 4 * y));
    return img;
}

// iCarvingType: 0 3D, 1 2.5D.
inline void LoadSmallReliefJob(AppControl& ctrl, int iCarvingType)
{
    ctrl.m_ImgCarvingData.SetImage(SmallReliefPicture());
    stImgCarvingInfo& info = *ctrl.m_ImgCarvingData.m_pInfo;
    info.m_fLength = 30.0;
    info.m_fWidth = 20.0;
    info.m_fDepth = 3.0;
    info.m_fZStep = 1.25;
    info.m_fXStep = 2.0;
    info.m_fYStep = 2.0;
    info.m_iCarvingType = iCarvingType;
}
