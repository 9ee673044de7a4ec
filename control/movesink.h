#pragma once
// The seam between the job walks (picture carving, shape cutting) and what
// carries their moves out: the machine (the controller's G00/G01 moves) or a
// G-code file. Both see the same calls in the same order, so a written file
// cuts exactly the path the machine would cut.
#include "core/common.h"

#include <QString>

// Axes a move names (the words a file line carries).
enum : unsigned
{
    SINK_AXIS_X = 1u,
    SINK_AXIS_Y = 2u,
    SINK_AXIS_Z = 4u
};

enum class eSinkMove
{
    Rapid,   // G00, feeds split over the axes, waits for the end
    Descent, // first descent to the work surface: a rapid on the machine, a G01 line in a file
    Feed,    // G01, feeds split over the axes, waits for the end
    Plunge,  // Z alone at the plunge feed, waits for the end
    Walk,    // G01 cutting move from m_From at the job feed; does not wait
    ArcCCW,  // G03 from m_From around m_Center (file writer only)
    ArcCW    // G02 from m_From around m_Center (file writer only)
};

struct stSinkMove
{
    eSinkMove m_eKind = eSinkMove::Rapid;
    stFloatPoint m_From;      // where the move starts (walk moves and arcs)
    stFloatPoint m_Target;    // work position to reach (all axes)
    unsigned m_nAxes = 0;     // SINK_AXIS_* the move names
    bool m_bWord = false;     // a file line starts with the G word
    stFloatPoint m_Center;    // arcs: the centre

    static stSinkMove Make(eSinkMove kind, const stFloatPoint& from, const stFloatPoint& target, unsigned axes,
                           bool word = false)
    {
        stSinkMove move;
        move.m_eKind = kind;
        move.m_From = from;
        move.m_Target = target;
        move.m_nAxes = axes;
        move.m_bWord = word;
        return move;
    }
    // A work position with A and B at 0.
    static stFloatPoint At(double x, double y, double z)
    {
        stFloatPoint p;
        p.x = x;
        p.y = y;
        p.z = z;
        return p;
    }
};

// What the walks read of the machine settings, taken once before a job.
struct stCutSettings
{
    double m_fEndMillDia = 3.175;
    double m_fSafeHeight = 5.0;     // work Z the tool is raised to between jobs
    double m_fXMotorStep = 0.0025;  // one motor step of each axis, mm
    double m_fYMotorStep = 0.0025;
    double m_fZMotorStep = 0.0025;
    bool m_bMultipass = true;       // carve a picture in layers of growing depth

    // The safe height in work coordinates: with home switches the stored
    // safe position is a machine Z, so it is taken relative to the work zero;
    // without, its absolute value.
    static double SafeHeight(double zSafePos, double workZeroZ, bool homeSensorsUsed)
    {
        if (homeSensorsUsed)
            return zSafePos - workZeroZ;
        return zSafePos > 0.0 ? zSafePos : -zSafePos;
    }
    // The settings in memory (AppConfig) as the walks read them.
    static stCutSettings FromConfig();
};

class CMoveSink
{
public:
    virtual ~CMoveSink() = default;

    // Carries out one move; false ends the job (a failed move, an emergency stop).
    virtual bool Move(const stSinkMove& move) = 0;
    // The position the next move starts from, in work coordinates.
    virtual stFloatPoint Position() const = 0;
    // A point where the operator's pause is honoured; false ends the job.
    virtual bool HoldPoint() { return true; }
    // Returns once the machine has stopped; false ends the job.
    virtual bool WaitMotionStopped() { return true; }
    // Every axis back to its configured feed and acceleration.
    virtual void ResetAccVel() {}
    // The picture pixel row now being carved (moves the window's row marker).
    virtual void SetCarvingRow(quint16 row) { Q_UNUSED(row); }
};
