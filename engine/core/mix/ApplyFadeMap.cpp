#include "engine/core/mix/ApplyFadeMap.h"

#include <algorithm>
#include <cstring>

#include "engine/core/mix/FadeCurve.h"
#include "engine/core/mix/SampleFadeMap.h"

namespace {

struct FadeBlock {
    float* destination;
    LONGLONG first;  // output sample of destination frame 0
    LONGLONG last;
    const float* source;
    LONGLONG sourceStart;
    LONGLONG sourceFrames;
};

enum class FadePart { In, Middle, Out };

// One part of a region: output samples partStart .. partStart + length - 1, clipped to the block.
void ApplyPart(const FadeBlock& block, const FADE_REGION& region, LONGLONG sourceOrigin, FadePart part,
               LONGLONG partStart, LONGLONG length)
{
    if (length <= 0)
        return;
    const LONGLONG from = std::max(partStart, block.first);
    const LONGLONG to = std::min(partStart + length - 1, block.last);
    const float* curve = FadeCurve();
    const LONGLONG direction = region.reversed ? -1 : 1;
    for (LONGLONG sample = from; sample <= to; ++sample) {
        const LONGLONG index = sourceOrigin + direction * (sample - region.origin) - block.sourceStart;
        if (index < 0 || index >= block.sourceFrames)
            continue;
        const float* in = block.source + 2 * index;
        float* out = block.destination + 2 * (sample - block.first);
        const LONGLONG j = sample - partStart;
        switch (part) {
        case FadePart::In: {
            const float gain = curve[FadeInIndex(j, length)];
            out[0] += in[0] * gain;
            out[1] += in[1] * gain;
            break;
        }
        case FadePart::Middle:
            out[0] = in[0];
            out[1] = in[1];
            break;
        case FadePart::Out: {
            const float gain = curve[FadeOutIndex(j, length)];
            out[0] = in[0] * gain;
            out[1] = in[1] * gain;
            break;
        }
        }
    }
}

void ApplyRegion(const FadeBlock& block, const FADE_REGION& region, DWORD rate)
{
    const LONGLONG length = region.end - region.start + 1;
    if (length <= 0 || region.sourcePosition == kUnsetSourcePosition)
        return;
    // Only the low 32 bits of the fade lengths count; fades that overrun the region are cut to it.
    const LONGLONG fadeIn = std::clamp<LONGLONG>(static_cast<LONG>(region.fadeIn), 0, length);
    const LONGLONG fadeOut = std::clamp<LONGLONG>(static_cast<LONG>(region.fadeOut), 0, length - fadeIn);
    const LONGLONG middle = length - fadeIn - fadeOut;
    const LONGLONG sourceOrigin = MicrosecondsToSamples(region.sourcePosition, rate);
    ApplyPart(block, region, sourceOrigin, FadePart::In, region.start, fadeIn);
    ApplyPart(block, region, sourceOrigin, FadePart::Middle, region.start + fadeIn, middle);
    ApplyPart(block, region, sourceOrigin, FadePart::Out, region.start + fadeIn + middle, fadeOut);
}

}  // namespace

void ClearFrames(LONGLONG last, LONGLONG first, float* buffer, LONGLONG count)
{
    if (!buffer || first < 0 || last >= count || last < first)
        return;
    std::memset(buffer + 2 * first, 0, static_cast<size_t>(last - first + 1) * 2 * sizeof(float));
}

BOOL ApplyFadeMap(float* destination, int frames, LONGLONG blockStart, const float* source, LONGLONG sourceStart,
                  int sourceFrames, DWORD rate, const CSampleFadeMap& map, BOOL firstCall)
{
    if (!destination || frames < 0 || sourceFrames < 0 || (!source && sourceFrames > 0) || rate == 0)
        return FALSE;
    if (frames == 0)
        return TRUE;
    // Zeroed on every first call, not only when a gap is seen: a fade-in is added to what lies
    // below it, and a block that starts inside a fade-in with nothing fading out beneath it would
    // otherwise add to whatever the buffer held before.
    if (firstCall)
        ClearFrames(frames - 1, 0, destination, frames);
    const FadeBlock block = {destination, blockStart, blockStart + frames - 1, source, sourceStart, sourceFrames};
    int index = 0;
    if (!map.FindFirstEndingAtOrAfter(blockStart, &index))
        return TRUE;
    FADE_REGION* region = nullptr;
    // The whole rest of the order is walked: regions merged from several layers are ordered by
    // origin, and a later one may still start inside this block.
    for (; map.GetRegion(index, &region); ++index) {
        if (region->start <= block.last && region->end >= block.first)
            ApplyRegion(block, *region, rate);
    }
    return TRUE;
}
