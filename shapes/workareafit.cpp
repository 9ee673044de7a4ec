#include "shapes/workareafit.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {
QString MM(double f)
{
    return QString::number(f, 'f', 4);
}

// The least move of a span [fMin, fMin + fSize] into [0, fLimit]: 0 when it
// is already inside.
double PlaceIn(double fMin, double fSize, double fLimit)
{
    return std::max(0.0, std::min(fMin, fLimit - fSize));
}
} // namespace

bool stAreaFit::Inside() const
{
    const double t = CWorkAreaFit::TOLERANCE;
    return m_fLeft < t && m_fRight < t && m_fBottom < t && m_fTop < t;
}

stFloatPoint stAreaFit::Fitted(const stFloatPoint& p) const
{
    stFloatPoint q = p;
    q.x = m_To.x + (p.x - m_From.x) * m_fScale;
    q.y = m_To.y + (p.y - m_From.y) * m_fScale;
    return q;
}

bool CWorkAreaFit::BoxFrom(const stShapeCuttingInfo& info, size_t nFirst, stShapeBox& box)
{
    bool bAny = false;
    for (size_t i = nFirst; i < info.m_lstShapes.size(); ++i) {
        const stEngShape& shape = info.m_lstShapes[i];
        if (shape.m_iType != SHAPE_POLYGON || !shape.m_pPolygon)
            continue;
        for (const stFloatPoint& v : shape.m_pPolygon->m_lstVertices) {
            if (!bAny) {
                box.m_fMinX = box.m_fMaxX = v.x;
                box.m_fMinY = box.m_fMaxY = v.y;
                bAny = true;
            }
            box.m_fMinX = std::min(box.m_fMinX, v.x);
            box.m_fMaxX = std::max(box.m_fMaxX, v.x);
            box.m_fMinY = std::min(box.m_fMinY, v.y);
            box.m_fMaxY = std::max(box.m_fMaxY, v.y);
        }
    }
    return bAny;
}

stAreaFit CWorkAreaFit::Check(const stShapeBox& box, double fLength, double fWidth)
{
    stAreaFit fit;
    fit.m_fLength = fLength;
    fit.m_fWidth = fWidth;
    fit.m_fLeft = std::max(0.0, -box.m_fMinX);
    fit.m_fRight = std::max(0.0, box.m_fMaxX - fLength);
    fit.m_fBottom = std::max(0.0, -box.m_fMinY);
    fit.m_fTop = std::max(0.0, box.m_fMaxY - fWidth);

    const double fW = box.m_fMaxX - box.m_fMinX;
    const double fH = box.m_fMaxY - box.m_fMinY;
    // A work area without size (work zero at a travel limit) holds nothing;
    // a box that is not finite cannot be placed.
    fit.m_bCanFit = fLength > 0.0 && fWidth > 0.0 && std::isfinite(fW) && std::isfinite(fH) &&
                    std::isfinite(fLength) && std::isfinite(fWidth);
    if (!fit.m_bCanFit)
        return fit;
    double fScale = 1.0;
    if (fW > fLength)
        fScale = std::min(fScale, fLength / fW);
    if (fH > fWidth)
        fScale = std::min(fScale, fWidth / fH);
    fit.m_fScale = fScale;
    fit.m_From.x = box.m_fMinX;
    fit.m_From.y = box.m_fMinY;
    fit.m_To.x = PlaceIn(box.m_fMinX, fW * fScale, fLength);
    fit.m_To.y = PlaceIn(box.m_fMinY, fH * fScale, fWidth);
    return fit;
}

QString CWorkAreaFit::Excess(const stAreaFit& fit)
{
    QStringList lstSides;
    const struct {
        double f;
        const char* pSide;
    } sides[] = {{fit.m_fLeft, "on the left"},
                 {fit.m_fRight, "on the right"},
                 {fit.m_fBottom, "at the bottom"},
                 {fit.m_fTop, "at the top"}};
    for (const auto& s : sides)
        if (s.f >= TOLERANCE)
            lstSides << MM(s.f) + QStringLiteral(" mm ") + QLatin1String(s.pSide);
    QString strBy = lstSides.value(0);
    for (int i = 1; i < lstSides.size(); ++i)
        strBy += (i + 1 == lstSides.size() ? QStringLiteral(" and ") : QStringLiteral(", ")) + lstSides[i];
    return QStringLiteral("The shapes exceed the %1 x %2 mm work area by %3")
        .arg(MM(fit.m_fLength), MM(fit.m_fWidth), strBy);
}

QString CWorkAreaFit::Offer(const stAreaFit& fit)
{
    if (fit.m_fScale < 1.0)
        return QStringLiteral("Shrink them to %1 % of their size and move them into the work area?")
            .arg(MM(fit.m_fScale * 100.0));
    return QStringLiteral("Move them into the work area?");
}
