// FADE_REGION: one run of output samples of a play item and the source material it takes, with a
// fade-in at its start and a fade-out at its end. Neighbouring regions overlap by their fades, so
// every cut of a track (segment edges, beat-synchronised cuts of a bent tempo, layer changes)
// plays as a short cross-fade. Plain data, 64 bytes, kept in the pool of a CSampleFadeMap.
#pragma once

#include <windows.h>

struct FADE_REGION {
    LONGLONG start;           // first output sample (mix sample position at the output rate)
    LONGLONG end;             // last output sample, inclusive
    LONGLONG origin;          // output sample at which the region's source material begins
    LONGLONG fadeIn;          // samples; only the low 32 bits count when applying
    LONGLONG fadeOut;         // samples; only the low 32 bits count when applying
    LONGLONG trackTime;       // microseconds, track position of the start; kUnsetTime while unset
    LONGLONG sourcePosition;  // microseconds, file position playing at the origin; -1 while unset
    DWORD reversed;           // the source is read backwards
    DWORD reserved;
};
static_assert(sizeof(FADE_REGION) == 64, "fade regions are 64-byte pool records");

inline constexpr LONGLONG kUnsetSourcePosition = -1;

// Rounded to the nearest value; 0 for a rate of 0.
LONGLONG SamplesToMicroseconds(LONGLONG samples, DWORD rate);
LONGLONG MicrosecondsToSamples(LONGLONG microseconds, DWORD rate);

// The full-level length between the two fades (negative when the fades overrun the region).
inline LONGLONG RegionMiddleLength(const FADE_REGION& region)
{
    return region.end - region.start + 1 - region.fadeIn - region.fadeOut;
}

// Joins a with the later region b by a cross-fade of up to `length` samples centred between the
// two origins: a's fade-out and b's fade-in cover the same samples, each fade limited to what its
// region's length leaves beside its other fade.
void JoinRegions(FADE_REGION& a, FADE_REGION& b, LONGLONG length);
