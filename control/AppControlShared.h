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

// Where every axis stands now, in work coordinates.
inline stFloatPoint AxesPos(const AxisCtrl* pAxes)
{
    stFloatPoint pos;
    for (int i = 0; i < 5; ++i)
        SetPosOf(pos, i, pAxes[i].GetCurPos());
    return pos;
}

} // namespace appcontrol
