#pragma once
// Helpers shared by the files that hold AppControl's definitions (by topic:
// AppControl.cpp, AppControlMoves.cpp, AppControlArcs.cpp,
// AppControlGCode.cpp, AppControlJobs.cpp). Not for other code.
#include "core/AppConfig.h"
#include "core/common.h"
#include "machine/AxisCtrl.h"

namespace appcontrol {

inline double PosOf(const stFloatPoint& p, int iAxis)
{
    switch (iAxis) {
    case X_AXIS: return p.x;
    case Y_AXIS: return p.y;
    case Z_AXIS: return p.z;
    case A_AXIS: return p.a;
    default: return p.b;
    }
}

inline void SetPosOf(stFloatPoint& p, int iAxis, double fValue)
{
    switch (iAxis) {
    case X_AXIS: p.x = fValue; break;
    case Y_AXIS: p.y = fValue; break;
    case Z_AXIS: p.z = fValue; break;
    case A_AXIS: p.a = fValue; break;
    default: p.b = fValue; break;
    }
}

inline bool EmergencyStop()
{
    return AppConfig::m_bEmergencyStopON;
}

// Where the first nAxes axes stand now, in work coordinates, written into
// pos; its other coordinates keep their values.
inline void ReadAxesPos(const AxisCtrl* pAxes, int nAxes, stFloatPoint& pos)
{
    for (int i = 0; i < nAxes; ++i)
        SetPosOf(pos, i, pAxes[i].GetCurPos());
}

// Where every axis stands now, in work coordinates: A and B too on a
// three-axis machine, where the controller's own position
// (AppControl::GetAllAxisCurPos) leaves them as they were.
inline stFloatPoint AxesPos(const AxisCtrl* pAxes)
{
    stFloatPoint pos;
    ReadAxesPos(pAxes, AXIS_COUNT, pos);
    return pos;
}

} // namespace appcontrol
