#pragma once
// Points for the motion tests: a short way to write one, and the meta type
// that lets QTest _data tables carry it.
#include "core/common.h"

#include <QMetaType>

inline stFloatPoint Pt(double x, double y, double z = 0.0)
{
    stFloatPoint p;
    p.x = x;
    p.y = y;
    p.z = z;
    return p;
}

Q_DECLARE_METATYPE(stFloatPoint)
