#include "shapes/visionmodule.h"

#include "core/ModuleLibrary.h"
#include "shapes/vision/visionapi.h"

namespace {
const stVisionApi* Api(QString& strErr)
{
    return CModuleLibrary::Table<stVisionApi>(CVisionModule::FileName(), "diradi_vision_api", strErr);
}
} // namespace

QString CVisionModule::FileName()
{
    return QStringLiteral("libdiradi_vision.so");
}

bool CVisionModule::Trace(const QImage& grey, int iLevel, CContourTrace::eDrawing eWhich, QPoint offset,
                          std::vector<Outline>& lstOutlines, size_t* pnFound, QString& strErr)
{
    lstOutlines.clear();
    if (pnFound)
        *pnFound = 0;
    const stVisionApi* pApi = Api(strErr);
    return pApi && pApi->m_pTrace(grey, iLevel, eWhich, offset, lstOutlines, pnFound);
}

bool CVisionModule::PocketRings(const CErosionPocket::Ring& outline, const stPocketArea& area,
                                std::vector<CErosionPocket::Ring>& lstRings, QString& strErr)
{
    lstRings.clear();
    const stVisionApi* pApi = Api(strErr);
    if (!pApi)
        return false;
    lstRings = pApi->m_pPocketRings(outline, area);
    return true;
}
