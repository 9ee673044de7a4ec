#include "shapes/workareafile.h"

#include "core/AppConfig.h"
#include "core/FileSaver.h"
#include "shapes/outlineshapes.h"
#include "shapes/shapeeditrules.h"

#include <QBuffer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
QString Num(double f)
{
    return QString::number(f, 'f', 4);
}

// A little room for numbers that went through four decimals.
constexpr double TOL = 1e-9;

bool InRange(double f, double fMin, double fMax)
{
    return std::isfinite(f) && f >= fMin - TOL && f <= fMax + TOL;
}

QString CheckDepth(const QString& strName, double fDepth)
{
    // The range the depth keypads offer.
    const stFloatPoint range = CShapeEditRules::DepthRange();
    if (!InRange(fDepth, range.x, range.y))
        return strName + QStringLiteral(": depth out of range");
    return QString();
}

// Text of the next child element; false when the layout ends there.
bool NextText(QXmlStreamReader& xml, QString& strText)
{
    if (!xml.readNextStartElement())
        return false;
    strText = xml.readElementText();
    return !xml.hasError();
}

double ToNum(const QString& strText)
{
    return strText.toDouble(); // C locale; not a number gives 0
}

// Empty while one more shape read from the file fits in the list beside the
// shapes listed already; the whole file is refused otherwise, as soon as the
// count passes the limit, so that a huge file is not read to its end first.
QString CheckRoom(const stShapeCuttingInfo& info, const stShapeCuttingInfo& loaded)
{
    if (COutlineShapes::RoomFor(info, loaded.m_lstShapes.size() + 1))
        return QString();
    const size_t nListed = info.m_lstShapes.size();
    return QStringLiteral("Too many shapes: the file holds more than the %1 the shape list has room for "
                          "(%2 listed already, at most %3)")
        .arg(COutlineShapes::MAX_LIST_SHAPES - std::min(nListed, COutlineShapes::MAX_LIST_SHAPES))
        .arg(nListed)
        .arg(COutlineShapes::MAX_LIST_SHAPES);
}
} // namespace

QByteArray CWorkAreaFile::ToXml(const stShapeCuttingInfo& info)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(false);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Project"));
    xml.writeStartElement(QStringLiteral("WorkArea"));
    xml.writeTextElement(QStringLiteral("Length"), Num(info.m_WorkArea.x));
    xml.writeTextElement(QStringLiteral("Width"), Num(info.m_WorkArea.y));
    xml.writeEndElement();
    for (const stEngShape& shape : info.m_lstShapes) {
        if (shape.m_iType == SHAPE_ELLIPSE && shape.m_pEllipse) {
            const stEllipse& e = *shape.m_pEllipse;
            xml.writeStartElement(QStringLiteral("Ellipse"));
            xml.writeTextElement(QStringLiteral("ShapeName"), e.m_strName);
            xml.writeTextElement(QStringLiteral("Depth"), Num(e.m_fDepth));
            xml.writeTextElement(QStringLiteral("CenterX"), Num(e.m_Center.x));
            xml.writeTextElement(QStringLiteral("CenterY"), Num(e.m_Center.y));
            xml.writeTextElement(QStringLiteral("MajorAxis"), Num(e.m_fMajorAxisDia));
            xml.writeTextElement(QStringLiteral("MinorAxis"), Num(e.m_fMinorAxisDia));
            xml.writeTextElement(QStringLiteral("Orientation"), Num(e.m_fOrientation));
            xml.writeTextElement(QStringLiteral("XAxisStep"), Num(e.m_fXStep));
            xml.writeTextElement(QStringLiteral("XArcStartAngle"), Num(e.m_fArcStartAngle));
            xml.writeTextElement(QStringLiteral("XArcEndAngle"), Num(e.m_fArcEndAngle));
            // A pocket ring is cut inside its outline: without the flag it
            // would come back cut outside, a whole end mill too wide.
            if (e.m_bHole)
                xml.writeTextElement(QStringLiteral("Hole"), QStringLiteral("1"));
            xml.writeEndElement();
        } else if (shape.m_iType == SHAPE_POLYGON && shape.m_pPolygon) {
            const stPolygon& p = *shape.m_pPolygon;
            xml.writeStartElement(QStringLiteral("Shape"));
            xml.writeTextElement(QStringLiteral("ShapeName"), p.m_strName);
            xml.writeTextElement(QStringLiteral("Hole"), p.m_bHole ? QStringLiteral("1") : QStringLiteral("0"));
            xml.writeTextElement(QStringLiteral("Depth"), Num(p.m_fDepth));
            xml.writeTextElement(QStringLiteral("Count"), QString::number(p.m_lstVertices.size()));
            for (size_t i = 0; i < p.m_lstVertices.size(); ++i)
                xml.writeTextElement(QStringLiteral("Vertex_") + QString::number(i),
                                     Num(p.m_lstVertices[i].x) + QStringLiteral(",") + Num(p.m_lstVertices[i].y));
            xml.writeEndElement();
        }
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

bool CWorkAreaFile::Save(const QString& strPath, const stShapeCuttingInfo& info, QString* pErr)
{
    return CFileSaver::Save(strPath, ToXml(info), pErr);
}

QString CWorkAreaFile::CheckWorkArea(const stFloatPoint& workArea)
{
    // With home switches the size is the travel left from the work zero,
    // whatever it came to when the file was saved, and the loaded size gives
    // way to the travel limits again.
    if (AppConfig::m_bHomeSensorsUsed) {
        if (!std::isfinite(workArea.x) || !std::isfinite(workArea.y))
            return QStringLiteral("Work area size out of range");
        return QString();
    }
    if (!InRange(workArea.x, 1.0, 1000000.0) || !InRange(workArea.y, 1.0, 1000000.0))
        return QStringLiteral("Work area size out of range");
    return QString();
}

QString CWorkAreaFile::CheckEllipse(const stEllipse& e)
{
    const double fStepX = AppConfig::m_fAxisMovPerPulse[X_AXIS];
    // The editor raises the largest X step to whole motor steps.
    const double fMaxXStep = CShapeEditRules::WholeMotorSteps(1000.0, fStepX);
    QString strErr = CheckDepth(e.m_strName, e.m_fDepth);
    if (!strErr.isEmpty())
        return strErr;
    // The centre may have been dragged anywhere; it only needs to be a number.
    if (!InRange(e.m_Center.x, -100000000.0, 100000000.0) || !InRange(e.m_Center.y, -100000000.0, 100000000.0) ||
        !InRange(e.m_fMajorAxisDia, fStepX, 100000.0) || !InRange(e.m_fMinorAxisDia, fStepX, e.m_fMajorAxisDia) ||
        !InRange(e.m_fOrientation, 0.0, 360.0) || !InRange(e.m_fXStep, fStepX, fMaxXStep) ||
        !InRange(e.m_fArcStartAngle, 0.0, e.m_fArcEndAngle) || !InRange(e.m_fArcEndAngle, e.m_fArcStartAngle, 360.0))
        return e.m_strName + QStringLiteral(": value out of range");
    return QString();
}

QString CWorkAreaFile::CheckPolygon(const stPolygon& p)
{
    QString strErr = CheckDepth(p.m_strName, p.m_fDepth);
    if (!strErr.isEmpty())
        return strErr;
    for (const stFloatPoint& v : p.m_lstVertices)
        if (!InRange(v.x, -100000000.0, 100000000.0) || !InRange(v.y, -100000000.0, 100000000.0))
            return p.m_strName + QStringLiteral(": vertex out of range");
    return QString();
}

bool CWorkAreaFile::Load(QIODevice& device, stShapeCuttingInfo& info, QString& strErr)
{
    strErr.clear();
    QXmlStreamReader xml(&device);
    // Read into a job of its own first, so that a refused file changes nothing.
    stShapeCuttingInfo loaded;
    bool bWorkArea = false;
    stFloatPoint workArea;
    bool bCutShort = false;

    if (xml.readNextStartElement()) {
        for (;;) {
            if (!xml.readNextStartElement())
                break;
            const QStringView name = xml.name();
            QString t;
            if (name == QLatin1String("Ellipse")) {
                auto e = std::make_unique<stEllipse>();
                QString v[10];
                int n = 0;
                while (n < 10 && NextText(xml, v[n]))
                    ++n;
                if (n < 10) {
                    bCutShort = true;
                    break;
                }
                e->m_strName = v[0];
                e->m_fDepth = ToNum(v[1]);
                e->m_Center.x = ToNum(v[2]);
                e->m_Center.y = ToNum(v[3]);
                e->m_fMajorAxisDia = ToNum(v[4]);
                e->m_fMinorAxisDia = ToNum(v[5]);
                e->m_fOrientation = ToNum(v[6]);
                e->m_fXStep = ToNum(v[7]);
                e->m_fArcStartAngle = ToNum(v[8]);
                e->m_fArcEndAngle = ToNum(v[9]);
                // After the ten values, up to the ellipse's end: the pocket
                // ring flag (other elements are passed over).
                while (xml.readNextStartElement()) {
                    if (xml.name() == QLatin1String("Hole"))
                        e->m_bHole = xml.readElementText().trimmed() == QLatin1String("1");
                    else
                        xml.skipCurrentElement();
                }
                strErr = CheckEllipse(*e);
                if (strErr.isEmpty())
                    strErr = CheckRoom(info, loaded);
                if (!strErr.isEmpty())
                    return false;
                loaded.AddEllipse(e.release());
                continue; // the reader stands on the ellipse's end tag
            } else if (name == QLatin1String("WorkArea")) {
                QString l, w;
                if (!NextText(xml, l) || !NextText(xml, w)) {
                    bCutShort = true;
                    break;
                }
                workArea.x = ToNum(l);
                workArea.y = ToNum(w);
                strErr = CheckWorkArea(workArea);
                if (!strErr.isEmpty())
                    return false;
                bWorkArea = true;
            } else if (name == QLatin1String("Shape")) {
                auto p = std::make_unique<stPolygon>();
                QString strName, strHole, strDepth, strCount;
                if (!NextText(xml, strName) || !NextText(xml, strHole) || !NextText(xml, strDepth) ||
                    !NextText(xml, strCount)) {
                    bCutShort = true;
                    break;
                }
                p->m_strName = strName;
                p->m_bHole = strHole.toInt() == 1;
                p->m_fDepth = ToNum(strDepth);
                const uint nCount = strCount.toUInt();
                bool bWhole = true;
                for (uint i = 0; i < nCount; ++i) {
                    if (!NextText(xml, t)) {
                        bWhole = false;
                        break;
                    }
                    stFloatPoint pt;
                    pt.x = ToNum(t.section(QLatin1Char(','), 0, 0));
                    pt.y = ToNum(t.section(QLatin1Char(','), 1));
                    p->m_lstVertices.push_back(pt);
                }
                if (!bWhole) {
                    bCutShort = true;
                    break;
                }
                strErr = CheckPolygon(*p);
                if (strErr.isEmpty())
                    strErr = CheckRoom(info, loaded);
                if (!strErr.isEmpty())
                    return false;
                loaded.AddPolygon(p.release());
            } else {
                // An element this program does not write: passed over whole.
                xml.skipCurrentElement();
                continue;
            }
            xml.readNext(); // the end tag of the element just read
        }
    }
    if (xml.hasError() && xml.error() != QXmlStreamReader::CustomError)
        bCutShort = true;
    if (loaded.m_lstShapes.empty() && !bWorkArea && bCutShort) {
        strErr = QStringLiteral("Not a work-area file");
        return false;
    }

    if (bWorkArea)
        info.m_WorkArea = workArea;
    // The records change owner: the entries move, the loaded job forgets them.
    info.m_lstShapes.insert(info.m_lstShapes.end(), loaded.m_lstShapes.begin(), loaded.m_lstShapes.end());
    loaded.m_lstShapes.clear();
    if (bCutShort)
        strErr = QStringLiteral("The file ends early: the shapes read up to there were loaded");
    return true;
}
