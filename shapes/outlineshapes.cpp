#include "shapes/outlineshapes.h"

#include "core/AppConfig.h"
#include "shapes/polygonedit.h"
#include "shapes/visionmodule.h"

#include <algorithm>
#include <cmath>

stFloatPoint COutlineShapes::ToMM(const cv::Point& p, const stPixelToMM& map)
{
    stFloatPoint v;
    v.x = map.m_Offset.x + double(p.x - map.m_iOriginX) * map.m_fScaleX;
    v.y = map.m_Offset.y + double(map.m_iHeight - p.y - map.m_iOriginY) * map.m_fScaleY;
    return v;
}

std::vector<stFloatPoint> COutlineShapes::ToVertices(const Outline& outline, const stPixelToMM& map)
{
    std::vector<stFloatPoint> lstVertices;
    if (outline.empty())
        return lstVertices;
    const double fStepX = AppConfig::m_fAxisMovPerPulse[X_AXIS];
    const double fStepY = AppConfig::m_fAxisMovPerPulse[Y_AXIS];
    lstVertices.reserve(outline.size() + 1);
    for (const cv::Point& p : outline) {
        const stFloatPoint v = ToMM(p, map);
        if (!lstVertices.empty()) {
            const stFloatPoint& last = lstVertices.back();
            // Closer than a motor step: the machine could not tell them apart.
            if (std::fabs(v.x - last.x) <= fStepX && std::fabs(v.y - last.y) <= fStepY)
                continue;
        }
        lstVertices.push_back(v);
    }
    lstVertices.push_back(lstVertices.front());
    return lstVertices;
}

stPolygon* COutlineShapes::MakePolygon(const Outline& outline, const stPixelToMM& map, const QString& strName,
                                       double fDepth)
{
    auto* pPolygon = new stPolygon;
    pPolygon->m_strName = strName;
    pPolygon->m_fDepth = fDepth;
    pPolygon->m_bHole = false;
    pPolygon->m_lstVertices = ToVertices(outline, map);
    return pPolygon;
}

bool COutlineShapes::TracePicture(const QImage& grey, int iThreshold, quint32 nMinVertices, quint32 nMaxVertices,
                                  std::vector<Outline>& lstOutlines, size_t* pnFound, QString* pstrError)
{
    lstOutlines.clear();
    std::vector<Outline> lstFound;
    QString strError;
    const bool bTraced = CVisionModule::Trace(grey, iThreshold, CContourTrace::DARK_AT_OR_BELOW, QPoint(), lstFound,
                                              pnFound, strError);
    if (!bTraced) {
        if (pstrError)
            *pstrError = strError.isEmpty() ? QStringLiteral("Too many outlines in the picture (%1): change the threshold")
                                                  .arg(pnFound ? *pnFound : 0)
                                            : strError;
        return false;
    }
    // The order is taken over every outline, the size filter after it.
    for (Outline& outline : lstFound)
        if (outline.size() > nMinVertices && outline.size() < nMaxVertices)
            lstOutlines.push_back(std::move(outline));
    return true;
}

bool COutlineShapes::RoomFor(const stShapeCuttingInfo& info, size_t nNew, QString* pstrError)
{
    const size_t nHeld = info.m_lstShapes.size();
    if (nHeld <= MAX_LIST_SHAPES && nNew <= MAX_LIST_SHAPES - nHeld)
        return true;
    if (pstrError)
        *pstrError = QStringLiteral("Too many shapes (%1 more): the shape list holds at most %2")
                         .arg(nNew)
                         .arg(MAX_LIST_SHAPES);
    return false;
}

size_t COutlineShapes::RemoveFrom(stShapeCuttingInfo& info, size_t nFirst)
{
    size_t n = 0;
    while (info.m_lstShapes.size() > nFirst) {
        info.RemoveShape(int(info.m_lstShapes.size()) - 1);
        ++n;
    }
    return n;
}

namespace {
template <typename F>
void ForEachPolygonFrom(stShapeCuttingInfo& info, size_t nFirst, F f)
{
    for (size_t i = nFirst; i < info.m_lstShapes.size(); ++i) {
        stEngShape& shape = info.m_lstShapes[i];
        if (shape.m_iType == SHAPE_POLYGON && shape.m_pPolygon)
            f(*shape.m_pPolygon);
    }
}
} // namespace

void COutlineShapes::SetDepthFrom(stShapeCuttingInfo& info, size_t nFirst, double fDepth)
{
    ForEachPolygonFrom(info, nFirst, [fDepth](stPolygon& polygon) { polygon.m_fDepth = fDepth; });
}

void COutlineShapes::MoveFrom(stShapeCuttingInfo& info, size_t nFirst, double fDx, double fDy)
{
    ForEachPolygonFrom(info, nFirst,
                       [fDx, fDy](stPolygon& polygon) { CPolygonEdit::Offset(polygon.m_lstVertices, fDx, fDy); });
}

void COutlineShapes::TurnFrom(stShapeCuttingInfo& info, size_t nFirst, const stFloatPoint& centre, double fAngle)
{
    ForEachPolygonFrom(info, nFirst,
                       [&](stPolygon& polygon) { CPolygonEdit::Turn(polygon.m_lstVertices, centre, fAngle); });
}

void COutlineShapes::FitFrom(stShapeCuttingInfo& info, size_t nFirst, const stAreaFit& fit)
{
    ForEachPolygonFrom(info, nFirst, [&fit](stPolygon& polygon) {
        for (stFloatPoint& v : polygon.m_lstVertices)
            v = fit.Fitted(v);
    });
}

bool COutlineShapes::BoxCentreFrom(const stShapeCuttingInfo& info, size_t nFirst, stFloatPoint& centre)
{
    stShapeBox box;
    if (!CWorkAreaFit::BoxFrom(info, nFirst, box))
        return false;
    centre.x = (box.m_fMinX + box.m_fMaxX) / 2.0;
    centre.y = (box.m_fMinY + box.m_fMaxY) / 2.0;
    return true;
}
