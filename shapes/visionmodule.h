#pragma once
// OpenCV's image processing (contour tracing, distance transforms), with
// the linear algebra and threading libraries it pulls in, took a tenth of
// the program's start-up to load. The code that uses it (shapes/vision)
// lives in a module of its own, libdiradi_vision.so beside the program,
// loaded here the first time a picture, a text or a drawn pocket is traced.
// A module that cannot be loaded gives the same answer to every call, and
// each call says why it did nothing.
#include "shapes/vision/contourtrace.h"
#include "shapes/vision/erosionpocket.h"

#include <QString>

class CVisionModule
{
public:
    CVisionModule() = delete;

    // The module's file name.
    static QString FileName();

    // CContourTrace::Trace. False with the reason in strErr when the module
    // cannot be loaded (strErr empty: too many outlines).
    static bool Trace(const QImage& grey, int iLevel, CContourTrace::eDrawing eWhich, QPoint offset,
                      std::vector<Outline>& lstOutlines, size_t* pnFound, QString& strErr);
    // CErosionPocket::Rings. False with the reason in strErr (and no ring)
    // when the module cannot be loaded.
    static bool PocketRings(const CErosionPocket::Ring& outline, const stPocketArea& area,
                            std::vector<CErosionPocket::Ring>& lstRings, QString& strErr);
};
