#include "control/arcgeometry.h"

#include "gcode/gcodewords.h"
#include "core/UnitConverter.h"

#include <cmath>

namespace {

double Coord(const stFloatPoint& pt, int axis)
{
    return axis == 0 ? pt.x : (axis == 1 ? pt.y : pt.z);
}

void SetCoord(stFloatPoint& pt, int axis, double value)
{
    (axis == 0 ? pt.x : (axis == 1 ? pt.y : pt.z)) = value;
}

// On 64 bits: the difference of two lengths near the ends of the internal
// range does not fit the unit's own 32 bits.
qint64 Units(double mm)
{
    return CUnitConverter::GetLong(mm);
}

bool InRange(const stFloatPoint& pt)
{
    return CUnitConverter::InRange(pt.x) && CUnitConverter::InRange(pt.y) && CUnitConverter::InRange(pt.z);
}

double Rnd(double mm)
{
    return CUnitConverter::GetRndDouble(mm);
}

// Bounds the number of points of one arc (a full circle of radius R at arc
// step h has about 4R/h of them).
constexpr double MAX_ARC_POINTS = 20e6;

} // namespace

const QString& CArcGeometry::ArcOutOfRangeMsg()
{
    static const QString msg = QStringLiteral("Error: Arc beyond the length range of +-") +
                               QString::number(CUnitConverter::MAX_LENGTH, 'f', 4) + QStringLiteral(" mm");
    return msg;
}

const QString& CArcGeometry::ArcTooSmallMsg()
{
    static const QString msg = QStringLiteral("Error: Arc too small to execute: Arc Radius");
    return msg;
}

CArcGeometry::CArcGeometry(const stArcSettings& settings)
    : m_Settings(settings)
{
}

QList<stArcWord> CArcGeometry::ParseWords(const std::vector<std::string>& tokens)
{
    QList<stArcWord> words;
    words.reserve(qsizetype(tokens.size()));
    for (const std::string& token : tokens) {
        // A comment holds no words.
        if (CGCodeWords::IsComment(token))
            break;
        stArcWord word;
        word.cLetter = CGCodeWords::Letter(token);
        word.fValue = CGCodeWords::DoubleValue(token);
        words.append(word);
    }
    return words;
}

CArcGeometry::stPlane CArcGeometry::Plane() const
{
    if (m_Settings.iPlane == 17)
        return {0, 1, 2};
    if (m_Settings.iPlane == 18)
        return {0, 2, 1};
    return {1, 2, 0};
}

bool CArcGeometry::ClockwiseInFrame(const stGCodeEllipseInfo& arc) const
{
    // The (X, Z) frame of G18 shows the plane as seen from negative Y; G2 is
    // clockwise seen from positive Y, so it turns the other way in the frame.
    const bool cw = arc.m_eDir == DIR_CW;
    return m_Settings.iPlane == 18 ? !cw : cw;
}

double CArcGeometry::Step(int axis) const
{
    return m_Settings.fAxisStep[axis];
}

bool CArcGeometry::ParseArc(const QList<stArcWord>& words, const stFloatPoint& curPos, stGCodeEllipseInfo& arc)
{
    m_strError.clear();
    m_lstFeedSpeed.clear();
    const stPlane p = Plane();

    arc.m_StartPt = curPos;
    // A coordinate without its word stays where it is, a centre offset
    // without its word is 0.
    arc.m_EndPt = curPos;
    arc.m_CenterPt = curPos;
    arc.m_bFullCircle = false;
    arc.m_fRadius = 0.0;

    bool bRadius = false;
    double fRadius = 0.0;
    for (const stArcWord& word : words) {
        switch (word.cLetter) {
        case 'X':
        case 'Y':
        case 'Z': {
            const int axis = word.cLetter - 'X';
            double value = word.fValue * m_Settings.fUnitScale;
            if (m_Settings.bIncremental)
                value += Coord(curPos, axis);
            SetCoord(arc.m_EndPt, axis, value);
            break;
        }
        case 'I':
        case 'J':
        case 'K': {
            const int axis = word.cLetter - 'I';
            const double offset = word.fValue * m_Settings.fUnitScale;
            SetCoord(arc.m_CenterPt, axis,
                     std::fabs(offset) < Step(axis) ? Coord(curPos, axis) : Coord(arc.m_StartPt, axis) + offset);
            break;
        }
        case 'R':
            fRadius = word.fValue * m_Settings.fUnitScale;
            if (std::fabs(fRadius) < Step(p.u) || std::fabs(fRadius) < Step(p.v)) {
                m_strError = ArcTooSmallMsg();
                return false;
            }
            bRadius = true;
            break;
        case 'F':
        case 'S':
            m_lstFeedSpeed.append(word);
            break;
        default:
            break;
        }
    }

    // The centre of a radius arc is solved once the whole end point is known,
    // whatever the order of the words.
    if (bRadius) {
        arc.m_fRadius = fRadius;
        if (!FindArcCenter(arc))
            return false;
        arc.m_fRadius = std::fabs(fRadius);
    }
    if (!InRange(arc.m_EndPt) || !InRange(arc.m_CenterPt)) {
        m_strError = ArcOutOfRangeMsg();
        return false;
    }

    const double su = Coord(arc.m_StartPt, p.u), sv = Coord(arc.m_StartPt, p.v);
    const double cu = Coord(arc.m_CenterPt, p.u), cv = Coord(arc.m_CenterPt, p.v);
    if (std::fabs(cu - su) < Step(p.u) && std::fabs(cv - sv) < Step(p.v)) {
        m_strError = ArcTooSmallMsg();
        return false;
    }

    if (std::fabs(Coord(arc.m_EndPt, p.u) - su) < Step(p.u) && std::fabs(Coord(arc.m_EndPt, p.v) - sv) < Step(p.v)) {
        SetCoord(arc.m_EndPt, p.u, su);
        SetCoord(arc.m_EndPt, p.v, sv);
        arc.m_bFullCircle = true;
    }

    if (!bRadius) {
        const double du = CUnitConverter::GetDouble(long(Units(cu) - Units(su)));
        const double dv = CUnitConverter::GetDouble(long(Units(cv) - Units(sv)));
        arc.m_fRadius = std::sqrt(du * du + dv * dv);
    }
    return true;
}

bool CArcGeometry::FindArcCenter(stGCodeEllipseInfo& arc)
{
    const stPlane p = Plane();
    const double su = Coord(arc.m_StartPt, p.u), sv = Coord(arc.m_StartPt, p.v);
    const double du = Coord(arc.m_EndPt, p.u) - su;
    const double dv = Coord(arc.m_EndPt, p.v) - sv;
    const double chord = std::hypot(du, dv);
    const double tolerance = std::max(Step(p.u), Step(p.v));
    if (chord < tolerance) {
        m_strError = QStringLiteral("Error: A full circle needs its centre (I, J, K), not a radius");
        return false;
    }
    const double radius = arc.m_fRadius;
    const double half = chord / 2.0;
    if (std::fabs(radius) < half - tolerance) {
        m_strError = ArcTooSmallMsg();
        return false;
    }
    // Distance of the centre from the middle of the chord, along the chord's
    // right-hand normal (dv, -du) / chord.
    const double rise = std::sqrt(std::max(0.0, radius * radius - half * half));
    const bool cw = ClockwiseInFrame(arc);
    const bool right = (cw && radius > 0.0) || (!cw && radius < 0.0);
    const double side = right ? 1.0 : -1.0;
    SetCoord(arc.m_CenterPt, p.u, su + du / 2.0 + side * rise * dv / chord);
    SetCoord(arc.m_CenterPt, p.v, sv + dv / 2.0 - side * rise * du / chord);
    return true;
}

bool CArcGeometry::GeneratePoints(const stGCodeEllipseInfo& arc, const stFloatPoint& curPos,
                                  QList<stFloatPoint>& points)
{
    m_strError.clear();
    points.clear();
    const stPlane p = Plane();
    const bool cw = ClockwiseInFrame(arc);
    const double cu = Coord(arc.m_CenterPt, p.u), cv = Coord(arc.m_CenterPt, p.v);
    const double su = Coord(arc.m_StartPt, p.u), sv = Coord(arc.m_StartPt, p.v);
    double eu = Coord(arc.m_EndPt, p.u);
    const double ev = Coord(arc.m_EndPt, p.v);
    const double radius = arc.m_fRadius;
    // A circle smaller than a few arc steps would be cut as a line across
    // it: its points come closer together. The step never goes below one
    // internal length unit.
    const double h = std::max(std::min(m_Settings.fArcStep, radius / 4.0), 0.0001);
    if (!std::isfinite(radius) || radius * 4.0 / h > MAX_ARC_POINTS) {
        m_strError = QStringLiteral("Error: Arc too large for the arc step");
        return false;
    }

    // Direction of travel along u where the arc passes a point: towards +u on
    // the upper half of a clockwise arc, towards -u on its lower half; at the
    // height of the centre the arc leaves (or reaches) an extreme of u.
    auto travel = [&](double pu, double pv, bool bLeaving) {
        if (Units(cv) > Units(pv))
            return cw ? -1 : 1;
        if (Units(cv) < Units(pv))
            return cw ? 1 : -1;
        if (bLeaving)
            return Units(cu) < Units(pu) ? -1 : 1;
        return Units(cu) > Units(pu) ? -1 : 1;
    };
    int ds = travel(su, sv, true);
    const int de = travel(eu, ev, false);
    auto side = [&](int dir) { return (dir == 1) == cw ? 1.0 : -1.0; };

    const double r2 = Rnd(radius * radius);
    const double uMax = Rnd(cu + radius);
    const double uMin = Rnd(cu - radius);

    double pu = su, pv = sv;
    QList<double> lstU, lstV;
    auto advance = [&]() {
        pu = Rnd(pu + ds * h);
        if (pu > uMin && pu < uMax) {
            pv = Rnd(side(ds) * std::sqrt(std::fabs(r2 - (pu - cu) * (pu - cu))) + cv);
        } else {
            // An extreme of the circle: the walk turns onto the other half.
            pu = pu >= uMax ? uMax : uMin;
            pv = Rnd(cv);
            ds = -ds;
        }
        lstU.append(pu);
        lstV.append(pv);
    };

    // A full circle first steps off its start, which is also its end.
    if (arc.m_bFullCircle) {
        advance();
        advance();
    }

    auto outside = [&](double limit) {
        const qint64 excess = qAbs(Units(eu) - Units(limit));
        if (excess > Units(h)) {
            m_strError = QStringLiteral("End Point X:") + QString::number(eu, 'f', 4) +
                         QStringLiteral(" is outside the circle by ") +
                         QString::number(std::fabs(eu - limit), 'f', 4) + QStringLiteral("mm");
            return true;
        }
        eu = limit;
        return false;
    };
    if (Units(eu) > Units(uMax) && outside(uMax))
        return false;
    if (Units(eu) < Units(uMin) && outside(uMin))
        return false;

    // Walk until the end lies ahead on its own half and the next step would
    // reach or pass it: less than a step ahead, or anywhere before the
    // extreme where the walk turns (an end on the extreme itself, or just
    // before it, is never stepped onto: the step there is cut short at the
    // extreme and the walk goes on round the other half). An end just behind
    // the start on the same half is reached after going round.
    const qint64 behind = std::max<qint64>(Units(Step(p.u)), 1);
    const qint64 maxSteps = qint64(radius * 8.0 / h) + 64;
    for (qint64 n = 0;; ++n) {
        if (ds == de) {
            const qint64 ahead = (Units(eu) - Units(pu)) * ds;
            const double next = Rnd(pu + ds * h);
            const bool bTurnsNext = ds > 0 ? next >= uMax : next <= uMin;
            if (ahead >= -behind && (ahead <= Units(h) || bTurnsNext))
                break;
        }
        if (n > maxSteps) {
            m_strError = QStringLiteral("Error: Arc too large for the arc step");
            return false;
        }
        advance();
    }
    lstU.append(eu);
    lstV.append(ev);
    // A circle running beyond the internal length range (its centre far
    // off) may still be cut where its points stay inside it.
    for (int k = 0; k < lstU.size(); ++k) {
        if (!CUnitConverter::InRange(lstU[k]) || !CUnitConverter::InRange(lstV[k])) {
            m_strError = ArcOutOfRangeMsg();
            return false;
        }
    }

    // Back to X, Y, Z; the normal axis rises or falls evenly over the points.
    const double sw = Coord(arc.m_StartPt, p.w), ew = Coord(arc.m_EndPt, p.w);
    const double w0 = Coord(curPos, p.w);
    const bool helix = std::fabs(sw - ew) > Step(p.w);
    const int count = lstU.size();
    points.reserve(count);
    for (int k = 0; k < count; ++k) {
        stFloatPoint pt = curPos;
        SetCoord(pt, p.u, lstU[k]);
        SetCoord(pt, p.v, lstV[k]);
        double w = w0;
        if (helix)
            w = k == count - 1 ? ew : w0 + (k + 1) * (ew - sw) / count;
        SetCoord(pt, p.w, w);
        points.append(pt);
    }
    return true;
}
