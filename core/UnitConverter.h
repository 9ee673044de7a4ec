#pragma once
#include <cstdint>

// Millimetres (or degrees) as doubles <-> the internal length unit of
// 1/10000 mm held in a signed 32-bit integer (about +-214748 mm).
class CUnitConverter
{
public:
    CUnitConverter() = delete;

    // Biased 0.00001 away from zero, scaled and truncated toward zero; a
    // result beyond 32 bits saturates at the nearest limit.
    static int32_t GetLong(double value);
    // Largest length the internal unit holds, mm (or degrees).
    static constexpr double MAX_LENGTH = 214748.3647;
    // True when `value` is finite and GetLong holds it without saturating
    // (within +-MAX_LENGTH).
    static bool InRange(double value);
    static int GetInt(double value);
    static double GetDouble(int value);
    static double GetDouble(long value);
    // The value with the same bias, rounded to four decimals.
    static double GetRndDouble(double value);
};
