#include "engine/core/mix/FadeRegion.h"

#include <algorithm>

namespace {

// Rounds down, so that adding half the divisor first gives the nearest value for negative
// positions too (offsets before a region's origin are negative); plain division would round them
// toward zero.
LONGLONG FloorDivide(LONGLONG value, LONGLONG divisor)
{
    const LONGLONG quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

LONGLONG SamplesToMicroseconds(LONGLONG samples, DWORD rate)
{
    if (rate == 0)
        return 0;
    return FloorDivide(samples * 1000000 + static_cast<LONGLONG>(rate / 2), static_cast<LONGLONG>(rate));
}

LONGLONG MicrosecondsToSamples(LONGLONG microseconds, DWORD rate)
{
    return FloorDivide(microseconds * static_cast<LONGLONG>(rate) + 500000, 1000000);
}

void JoinRegions(FADE_REGION& a, FADE_REGION& b, LONGLONG length)
{
    const LONGLONG distance = b.origin - a.origin;
    // The fade must fit between the two origins, so that each region keeps its own origin sample.
    const LONGLONG n = std::max<LONGLONG>(0, std::min(length, distance - 2));

    a.end = a.origin + n / 2 + distance / 2;
    a.fadeOut = std::max<LONGLONG>(0, std::min(n, a.end - a.start + 1 - a.fadeIn));

    // b starts on the first sample of a's fade-out (which is a.end - n + 1, the end being
    // inclusive): starting one sample earlier would pair each fade-out gain with the neighbouring
    // fade-in gain and lift the cross-fade above unity.
    b.start = a.end - n + 1;
    b.fadeIn = std::max<LONGLONG>(0, std::min(n, b.end - b.start + 1 - b.fadeOut));
}
