#include "shapes/shaperecords.h"

#include <utility>

stEllipse::stEllipse()
{
    m_Center.x = 50.0;
    m_Center.y = 50.0;
}

const stShapesCommonInfo* stEngShape::Common() const
{
    if (m_iType == SHAPE_ELLIPSE)
        return m_pEllipse;
    if (m_iType == SHAPE_POLYGON)
        return m_pPolygon;
    return nullptr;
}

const std::vector<stFloatPoint>* stEngShape::Points() const
{
    if (m_iType == SHAPE_ELLIPSE && m_pEllipse)
        return &m_pEllipse->m_lstPoints;
    if (m_iType == SHAPE_POLYGON && m_pPolygon)
        return &m_pPolygon->m_lstVertices;
    return nullptr;
}

stShapeCuttingInfo::stShapeCuttingInfo()
{
    m_WorkArea.x = 100.0;
    m_WorkArea.y = 100.0;
}

stShapeCuttingInfo::~stShapeCuttingInfo()
{
    ClearShapes();
}

void stShapeCuttingInfo::AddEllipse(stEllipse* pEllipse)
{
    stEngShape shape;
    shape.m_iType = SHAPE_ELLIPSE;
    shape.m_pEllipse = pEllipse;
    m_lstShapes.push_back(shape);
}

void stShapeCuttingInfo::AddPolygon(stPolygon* pPolygon)
{
    stEngShape shape;
    shape.m_iType = SHAPE_POLYGON;
    shape.m_pPolygon = pPolygon;
    m_lstShapes.push_back(shape);
}

bool stShapeCuttingInfo::RemoveShape(int index)
{
    if (index < 0 || index >= int(m_lstShapes.size()))
        return false;
    DestroyRecord(m_lstShapes[size_t(index)]);
    m_lstShapes.erase(m_lstShapes.begin() + index);
    return true;
}

void stShapeCuttingInfo::ClearShapes()
{
    for (stEngShape& shape : m_lstShapes)
        DestroyRecord(shape);
    m_lstShapes.clear();
}

bool stShapeCuttingInfo::SwapShapes(int first, int second)
{
    const int count = int(m_lstShapes.size());
    if (first < 0 || second < 0 || first >= count || second >= count)
        return false;
    std::swap(m_lstShapes[size_t(first)], m_lstShapes[size_t(second)]);
    return true;
}

void stShapeCuttingInfo::DestroyRecord(stEngShape& shape)
{
    if (shape.m_iType == SHAPE_ELLIPSE) {
        delete shape.m_pEllipse;
        shape.m_pEllipse = nullptr;
    } else if (shape.m_iType == SHAPE_POLYGON) {
        delete shape.m_pPolygon;
        shape.m_pPolygon = nullptr;
    }
}
