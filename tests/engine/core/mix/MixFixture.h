// Synthetic analysed tracks for the mix builder tests: a click-free stand-in for what the
// profiler leaves (tempo, measure starts, mix points, fade steps), applied to a track the way the
// engine applies real results. Measures are whole sample counts at 44100 Hz for 100, 120 and
// 126 BPM.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/core/track/Marker.h"
#include "engine/core/mix/MixProfileSource.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

namespace mixtest {

inline constexpr DWORD kRate = 44100;

struct SyntheticTrack {
    float bpm;
    int measures;       // track length in measures
    int introStart;     // first intro measure
    int introMeasures;  // intro markers at every measure boundary of the intro
    int outroStart;     // first outro measure
    int outroMeasures;
    DWORD mixing;  // kMixingBeat or kMixingStandard
};

// Samples per measure of a tempo.
LONGLONG MeasureSamples(float bpm);
LONGLONG SamplesToMicroseconds(LONGLONG samples);

CProfileResults MakeResults(const SyntheticTrack& spec, int seed);
// A primary track with one full segment, the results applied; the caller owns one reference.
CTrackInfo* MakeTrack(const SyntheticTrack& spec, const CProfileResults& results, LONG trackId);
CTrackInfo* MakePause(LONGLONG length, LONG trackId);

// The analysis results of every track in a test, answered by file identity.
class CResultsTable : public IMixProfileSource {
public:
    void Add(const CProfileResults& results) { m_results.push_back(results); }
    BOOL GetProfileResults(const CMusicFileId& id, CProfileResults* results) override;
    int lookups = 0;

private:
    std::vector<CProfileResults> m_results;
};

// A mix of synthetic tracks (pauses where spec.bpm is 0), owned by its track list.
struct Mix {
    CTrackInfoContainer tracks;
    CResultsTable results;
    std::vector<CProfileResults> analyses;  // per track index (empty for pauses)
};
void AddTrack(Mix& mix, const SyntheticTrack& spec);
void AddPause(Mix& mix, LONGLONG length);
// A primary track laid out by hand: one segment [0, length], intro and outro markers as given.
CTrackInfo* AddManualTrack(Mix& mix, float bpm, LONGLONG length, const std::vector<LONGLONG>& intro,
                           const std::vector<LONGLONG>& outro, DWORD mixing);
// The first first-layer marker of the type, or null.
CMarker* FindMarker(CTrackInfo& track, DWORD type);

// What the mix manager's rebuild runs of the builder, without overlays.
void Rebuild(Mix& mix);

// Track time of a measure start of the results (sample position through the full segment).
LONGLONG MeasureStartTime(const CProfileResults& results, int measure);
LONGLONG MixTimeOf(CTrackInfo& track, LONGLONG trackTime);

// A case name as a test name: every character but letters and digits becomes '_'.
std::string TestName(const char* text);

}  // namespace mixtest
