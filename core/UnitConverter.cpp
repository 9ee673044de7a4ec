#include "core/UnitConverter.h"

#include <QString>
#include <cmath>
#include <limits>

namespace {
double Biased(double value)
{
    return value > 0.0 ? value + 0.00001 : value - 0.00001;
}

// The value in internal units, before any check of the 32-bit range.
double Scaled(double value)
{
    return std::trunc(Biased(value) * 10000.0);
}
}

int32_t CUnitConverter::GetLong(double value)
{
    const double scaled = Scaled(value);
    if (std::isnan(scaled))
        return 0;
    if (scaled >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (scaled <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return int32_t(scaled);
}

bool CUnitConverter::InRange(double value)
{
    const double scaled = Scaled(value);
    return std::isfinite(scaled) && std::fabs(scaled) <= double(std::numeric_limits<int32_t>::max());
}

int CUnitConverter::GetInt(double value)
{
    return GetLong(value);
}

double CUnitConverter::GetDouble(int value)
{
    return GetDouble(long(value));
}

double CUnitConverter::GetDouble(long value)
{
    return double(value) / 10000.0;
}

double CUnitConverter::GetRndDouble(double value)
{
    return QString::number(Biased(value), 'f', 4).toDouble();
}
