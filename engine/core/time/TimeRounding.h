// Doubles to microsecond times: the nearest whole value, held inside the 64-bit range so that an
// extreme extrapolation saturates instead of converting out of range (undefined behaviour).
#pragma once

#include <windows.h>

#include <cmath>

inline LONGLONG RoundTime(double value)
{
    if (!std::isfinite(value) || value >= 9.2233720368547748e18)
        return 0x7FFFFFFFFFFFFFFFLL;
    if (value < -9.2233720368547748e18)
        return static_cast<LONGLONG>(0x8000000000000000ULL);
    return std::llround(value);
}
