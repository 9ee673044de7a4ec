#include "shapes/carvingpitch.h"

#include "core/UnitConverter.h"
#include "shapes/shapeeditrules.h"

#include <QString>

#include <algorithm>

double CCarvingPitch::Round4(double x)
{
    return QString::number(x, 'f', 4).toDouble();
}

double CCarvingPitch::RaiseToMultiple(double value, double quantum, bool& adjusted)
{
    // Raised values are at least one internal unit above value.
    const double raised = CShapeEditRules::WholeMotorSteps(value, quantum);
    adjusted = raised != value;
    return raised;
}

double CCarvingPitch::LowerToMultiple(double value, double quantum, bool& adjusted)
{
    const int n = CUnitConverter::GetInt(value);
    const int m = CUnitConverter::GetInt(quantum);
    adjusted = m > 0 && n % m != 0;
    // Never below one quantum: a step of less than one pixel is one pixel.
    return adjusted ? CUnitConverter::GetDouble(std::max(n / m, 1) * m) : value;
}

CCarvingPitch::stLayout CCarvingPitch::FromLength(double fLength, QSize picture, double fMotorStepX)
{
    stLayout layout;
    layout.m_fLength = fLength;
    if (picture.width() <= 0 || picture.height() <= 0)
        return layout;
    layout.m_fPitch = RaiseToMultiple(Round4(fLength / picture.width()), fMotorStepX, layout.m_bAdjusted);
    if (layout.m_bAdjusted)
        layout.m_fLength = picture.width() * layout.m_fPitch;
    layout.m_fWidth = picture.height() * layout.m_fPitch;
    return layout;
}

CCarvingPitch::stLayout CCarvingPitch::FromWidth(double fWidth, QSize picture, double fMotorStepY)
{
    stLayout layout = FromLength(fWidth, picture.transposed(), fMotorStepY);
    std::swap(layout.m_fLength, layout.m_fWidth);
    return layout;
}
