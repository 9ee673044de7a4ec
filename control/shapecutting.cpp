#include "control/shapecutting.h"

#include "core/UnitConverter.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

int32_t L(double mm)
{
    return CUnitConverter::GetLong(mm);
}

double Rounded(double mm)
{
    return QString::number(mm, 'f', 4).toDouble();
}

// How one shape is cut: its points, whether it is open, and where the passes go.
class CShapeWalk
{
public:
    CShapeWalk(const std::vector<stFloatPoint>& points, double depth, double zStep, const stCutSettings& settings,
               CMoveSink& sink)
        : m_Points(points), m_fDepth(depth), m_iZStep(L(zStep)), m_Settings(settings), m_Sink(sink),
          m_iXStep(L(settings.m_fXMotorStep)), m_iYStep(L(settings.m_fYMotorStep))
    {
        const stFloatPoint& first = m_Points.front();
        const stFloatPoint& last = m_Points.back();
        m_bOpen = std::abs(L(last.x) - L(first.x)) > m_iXStep || std::abs(L(last.y) - L(first.y)) > m_iYStep;
    }

    // Safe height, the first point, down to the surface.
    bool Approach()
    {
        const stFloatPoint& first = m_Points.front();
        return To(eSinkMove::Rapid, At(Here().x, Here().y, m_Settings.m_fSafeHeight), SINK_AXIS_Z, true)
               && To(eSinkMove::Rapid, At(first.x, first.y, Here().z), SINK_AXIS_X | SINK_AXIS_Y)
               && To(eSinkMove::Feed, At(Here().x, Here().y, 0.0), SINK_AXIS_Z, true);
    }

    bool Retract()
    {
        return To(eSinkMove::Rapid, At(Here().x, Here().y, m_Settings.m_fSafeHeight), SINK_AXIS_Z, true);
    }

    // The next pass's depth; false once the last pass has been cut.
    bool NextPass()
    {
        if (m_bLastPass)
            return false;
        m_fPassZ = CUnitConverter::GetDouble(long(L(m_fPassZ) - m_iZStep));
        if (m_fPassZ <= m_fDepth) {
            m_fPassZ = m_fDepth;
            m_bLastPass = true;
        }
        return true;
    }

    bool Plunge()
    {
        return To(eSinkMove::Plunge, At(Here().x, Here().y, m_fPassZ), SINK_AXIS_Z);
    }

    // Follows the points at the pass depth; an open shape is walked back and
    // forth, a closed one always forward from its second point.
    bool WalkPoints()
    {
        const int count = int(m_Points.size());
        const int dir = m_bForward ? 1 : -1;
        stFloatPoint prev = Here();
        for (int i = m_iStart; i >= 0 && i < count; i += dir) {
            if (!m_Sink.HoldPoint())
                return false;
            const stFloatPoint& p = m_Points[size_t(i)];
            const stFloatPoint& before = m_Points[size_t(i - dir)];
            if (std::abs(L(p.x) - L(before.x)) <= m_iXStep && std::abs(L(p.y) - L(before.y)) <= m_iYStep)
                continue;
            const stFloatPoint target = At(Rounded(p.x), Rounded(p.y), m_fPassZ);
            if (!m_Sink.Move(Make(eSinkMove::Walk, prev, target, SINK_AXIS_X | SINK_AXIS_Y)))
                return false;
            prev = target;
        }
        if (!m_Sink.WaitMotionStopped())
            return false;
        if (m_bOpen) {
            m_bForward = !m_bForward;
            m_iStart = m_bForward ? 1 : count - 2;
        }
        return true;
    }

    // One arc around centre per pass: a full circle always counter-clockwise,
    // an open arc alternating counter-clockwise and clockwise.
    bool Arc(const stFloatPoint& center, bool& ccw)
    {
        const stFloatPoint& first = m_Points.front();
        const stFloatPoint& last = m_Points.back();
        const bool closed = std::abs(L(last.x) - L(first.x)) < m_iXStep && std::abs(L(last.y) - L(first.y)) < m_iYStep;
        const stFloatPoint& from = ccw ? first : last;
        const stFloatPoint& to = ccw ? last : first;
        stSinkMove move = Make(ccw ? eSinkMove::ArcCCW : eSinkMove::ArcCW, At(from.x, from.y, m_fPassZ),
                               At(to.x, to.y, m_fPassZ), SINK_AXIS_X | SINK_AXIS_Y);
        move.m_Center = center;
        if (!closed)
            ccw = !ccw;
        return m_Sink.Move(move);
    }

private:
    static stFloatPoint At(double x, double y, double z)
    {
        return stSinkMove::At(x, y, z);
    }

    static stSinkMove Make(eSinkMove kind, const stFloatPoint& from, const stFloatPoint& to, unsigned axes,
                           bool word = false)
    {
        return stSinkMove::Make(kind, from, to, axes, word);
    }

    stFloatPoint Here() const
    {
        const stFloatPoint p = m_Sink.Position();
        return At(p.x, p.y, p.z);
    }

    bool To(eSinkMove kind, const stFloatPoint& target, unsigned axes, bool word = false)
    {
        return m_Sink.Move(Make(kind, Here(), target, axes, word));
    }

    const std::vector<stFloatPoint>& m_Points;
    double m_fDepth;
    int32_t m_iZStep;
    const stCutSettings& m_Settings;
    CMoveSink& m_Sink;
    int32_t m_iXStep;
    int32_t m_iYStep;
    bool m_bOpen = false;
    bool m_bForward = true;
    int m_iStart = 1;
    double m_fPassZ = 0.0;
    bool m_bLastPass = false;
};

} // namespace

QString CShapeCutting::ShapeLabel(const stShapeCuttingInfo& info, int index)
{
    const stShapesCommonInfo* common = info.m_lstShapes[size_t(index)].Common();
    if (common && !common->m_strName.isEmpty())
        return QStringLiteral("Shape %1 (%2)").arg(index + 1).arg(common->m_strName);
    return QStringLiteral("Shape %1").arg(index + 1);
}

QString CShapeCutting::CheckJob(const stShapeCuttingInfo& info)
{
    if (L(info.m_fZStep) <= 0)
        return QStringLiteral("Z Step must be greater than zero");
    for (int i = 0; i < int(info.m_lstShapes.size()); ++i) {
        const stEngShape& shape = info.m_lstShapes[size_t(i)];
        if (shape.m_iType != SHAPE_ELLIPSE && shape.m_iType != SHAPE_POLYGON)
            continue;
        const std::vector<stFloatPoint>* points = shape.Points();
        if (!points)
            return ShapeLabel(info, i) + QStringLiteral(" has no shape record");
        if (points->size() < 2)
            return ShapeLabel(info, i) + QStringLiteral(" has fewer than two points and cannot be cut");
    }
    return QString();
}

bool CShapeCutting::IsCircle(const stEllipse& ellipse)
{
    return CUnitConverter::GetInt(ellipse.m_fMajorAxisDia) == CUnitConverter::GetInt(ellipse.m_fMinorAxisDia);
}

bool CShapeCutting::Cut(const stShapeCuttingInfo& info, const stCutSettings& settings, CMoveSink& sink,
                        bool arcsForCircles, QString& err)
{
    err = CheckJob(info);
    if (!err.isEmpty())
        return false;
    for (int i = 0; i < int(info.m_lstShapes.size()); ++i)
        if (!CutShape(info, i, settings, sink, arcsForCircles))
            return false;
    return true;
}

bool CShapeCutting::CutShape(const stShapeCuttingInfo& info, int index, const stCutSettings& settings,
                             CMoveSink& sink, bool arcsForCircles)
{
    const stEngShape& shape = info.m_lstShapes[size_t(index)];
    const std::vector<stFloatPoint>* points = shape.Points();
    if (!points || points->size() < 2)
        return true; // a type no cutting knows; short shapes are refused by CheckJob
    sink.ResetAccVel();
    CShapeWalk walk(*points, shape.Common()->m_fDepth, info.m_fZStep, settings, sink);
    if (!walk.Approach())
        return false;
    // A circle is written as arcs around its centre, unless its tool path
    // has shrunk to the centre itself (a pocket ring as wide as the end
    // mill): an arc of radius 0 is no move a machine can make.
    const bool arcs = arcsForCircles && shape.m_iType == SHAPE_ELLIPSE && IsCircle(*shape.m_pEllipse) &&
                      CUnitConverter::GetInt(std::hypot(points->front().x - shape.m_pEllipse->m_Center.x,
                                                        points->front().y - shape.m_pEllipse->m_Center.y)) > 0;
    bool ccw = true;
    while (walk.NextPass()) {
        if (!walk.Plunge())
            return false;
        if (!(arcs ? walk.Arc(shape.m_pEllipse->m_Center, ccw) : walk.WalkPoints()))
            return false;
    }
    return walk.Retract();
}
