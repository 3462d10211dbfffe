// A mix with everything a mix document and an undo snapshot hold: analysed tracks laid out by
// the mix builder (segments, its markers, a pause), an overlay track of two layers with beat
// segments, labels and effect clips, and mix globals with a master effect. And a comparison of
// two mixes by what those files store.
#pragma once

#include "engine/playback/effects/MixGlobals.h"
#include "tests/engine/core/mix/MixFixture.h"

namespace mixtest {

void BuildSampleMix(Mix& mix, CMixGlobals& globals);
// Expects equal paths, file ids, tempos, volume offsets, track types, mixing kinds and layer
// objects, track by track.
void ExpectSameTracks(const CTrackInfoContainer& expected, const CTrackInfoContainer& actual);
void ExpectSameGlobals(const CMixGlobals& expected, const CMixGlobals& actual);

}  // namespace mixtest
