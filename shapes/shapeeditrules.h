#pragma once
// The number rules the shape designer and its editors share: the value on a
// value button, the ranges that depend on the machine's set-up, and snapping
// a step to whole motor steps.
#include "core/common.h"

#include <QString>

class CShapeEditRules
{
public:
    CShapeEditRules() = delete;

    // The number before the line break of a value button's text.
    static double ButtonValue(const QString& strText);
    // A value button's text: the value with iDecimals decimals, a line break
    // and the caption.
    static QString ButtonText(double fValue, int iDecimals, const QString& strCaption);

    // Depth of a shape (x minimum, y maximum): down to the Z travel limit
    // with home switches (else -10000 mm), up to one Z motor step below the
    // work zero.
    static stFloatPoint DepthRange();
    // Depth cut per pass: one Z motor step up to the Z travel below the work
    // zero with home switches (else 10000 mm).
    static stFloatPoint ZStepRange();

    // fValue raised to the next whole multiple of fStep (both mm, counted in
    // internal units); unchanged when it is one already or the step is below
    // one internal unit.
    static double WholeMotorSteps(double fValue, double fStep);
};
