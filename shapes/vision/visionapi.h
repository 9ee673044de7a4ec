#pragma once
// The entry point of the picture-tracing module (libdiradi_vision.so): the
// code of this folder, which uses OpenCV's image processing. The program
// reaches it only through CVisionModule, which loads the module the first
// time a picture, a text or a drawn pocket is traced.
#include "shapes/vision/contourtrace.h"
#include "shapes/vision/erosionpocket.h"

struct stVisionApi
{
    // Changed whenever this table changes: a module left from another build
    // is refused.
    static constexpr int VERSION = 1;
    int m_iVersion;
    // CContourTrace::Trace.
    bool (*m_pTrace)(const QImage& grey, int iLevel, CContourTrace::eDrawing eWhich, QPoint offset,
                     std::vector<Outline>& lstOutlines, size_t* pnFound);
    // CErosionPocket::Rings.
    std::vector<CErosionPocket::Ring> (*m_pPocketRings)(const CErosionPocket::Ring& outline, const stPocketArea& area);
};

extern "C" {
// The module's table.
const stVisionApi* diradi_vision_api();
}
