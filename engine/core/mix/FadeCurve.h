// The fade curve: 1024 gains of a raised cosine from 1.0 down to 0.0000023. A fade-out of n
// samples reads it forwards and a fade-in backwards, each sample of the fade taking the entry at
// its proportional place, so that where a fade-out and a fade-in of the same length overlap their
// two entries always add up to the last index and the gains sum to unity within 0.0016.
// The table is built once, before first use, and only read afterwards (render threads read it).
#pragma once

#include <windows.h>

inline constexpr int kFadeCurveLength = 1024;

const float* FadeCurve();

// Entry for sample j of a fade-out of n samples (0 <= j < n).
inline int FadeOutIndex(LONGLONG j, LONGLONG n)
{
    return static_cast<int>(((j * kFadeCurveLength) / n) % kFadeCurveLength);
}

// Entry for sample j of a fade-in of n samples: the mirror of the fade-out entry.
inline int FadeInIndex(LONGLONG j, LONGLONG n)
{
    return kFadeCurveLength - 1 - FadeOutIndex(j, n);
}
