#pragma once
// Circular arcs and helices of G2/G3 lines, turned into the chain of points
// that the machine cuts as short straight moves. Pure geometry: the caller
// hands in the current position and the settings, and drives the points.
#include "core/common.h"

#include <QList>
#include <QString>
#include <string>
#include <vector>

// One arc of a G-code line: work coordinates in mm (only X, Y and Z used).
struct stGCodeEllipseInfo
{
    stFloatPoint m_StartPt;
    stFloatPoint m_EndPt;
    stFloatPoint m_CenterPt;
    bool m_bFullCircle = false; // the end is the start: the whole circle is cut
    double m_fRadius = 0.0;
    eDirection m_eDir = DIR_CW; // DIR_CW for G2, DIR_CCW for G3
};

// One word of a G-code line: its letter (upper case) and its number.
struct stArcWord
{
    char cLetter = 0;
    double fValue = 0.0;
};

// What the arc cutter reads of the machine and the run settings.
struct stArcSettings
{
    int iPlane = 17;           // 17 XY, 18 XZ, anything else YZ
    bool bIncremental = false; // G91: end words are relative to the current position
    double fUnitScale = 1.0;   // 25.4 after G20
    double fArcStep = 0.1;     // spacing of the points along the plane's first axis, mm
    double fAxisStep[3] = {0.001, 0.001, 0.001}; // travel of one step pulse of X, Y, Z
};

class CArcGeometry
{
public:
    explicit CArcGeometry(const stArcSettings& settings);

    // The letters (upper case) and numbers of one program line's words, read
    // as the line interpreter reads them, up to a comment.
    static QList<stArcWord> ParseWords(const std::vector<std::string>& tokens);

    // Fills the arc record from the words of one line: start at curPos, end
    // and centre from the X/Y/Z, I/J/K and R words, full-circle flag and
    // radius. The direction (m_eDir) is the caller's. False with ErrorMsg()
    // set when the arc cannot be cut. The F and S words of the line are
    // collected in FeedSpeedWords() for the caller to apply.
    bool ParseArc(const QList<stArcWord>& words, const stFloatPoint& curPos, stGCodeEllipseInfo& arc);

    // Centre of an arc given by its start, end and signed radius (m_fRadius):
    // on the chord's perpendicular bisector, right of the chord for G2 with
    // R > 0 (the short arc), left for R < 0 (the long arc); mirrored for G3.
    // False with ErrorMsg() set when the radius is shorter than half the chord
    // or the chord is empty.
    bool FindArcCenter(stGCodeEllipseInfo& arc);

    // The points of the arc from its start (not included) to its end (the
    // last point, exactly). The axis normal to the plane is spread evenly over
    // the points for a helix; A and B stay at curPos. False with ErrorMsg() set
    // when the end lies outside the circle.
    bool GeneratePoints(const stGCodeEllipseInfo& arc, const stFloatPoint& curPos, QList<stFloatPoint>& points);

    QString ErrorMsg() const { return m_strError; }
    const QList<stArcWord>& FeedSpeedWords() const { return m_lstFeedSpeed; }

    static const QString& ArcTooSmallMsg();
    // An end, centre or point of the arc lies beyond the internal length
    // range: the arc is refused before anything moves.
    static const QString& ArcOutOfRangeMsg();

private:
    struct stPlane
    {
        int u; // stepping axis
        int v; // second axis of the plane
        int w; // axis normal to the plane
    };
    stPlane Plane() const;
    // G2 seen from the positive normal axis, in the plane's (u, v) frame.
    bool ClockwiseInFrame(const stGCodeEllipseInfo& arc) const;
    double Step(int axis) const;

    stArcSettings m_Settings;
    QString m_strError;
    QList<stArcWord> m_lstFeedSpeed;
};
