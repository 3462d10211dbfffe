// Time to rebuild a mix of 200 analysed tracks (tempos cycling through 100 to 130 BPM, 8-measure
// intros and outros, a pause after every 50th track), as the mix manager does after each edit:
// placement, the master beat map, overlays and the default transitions.
// Target: 20 ms or less. Prints the median and the slowest of the timed rebuilds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixProfileSource.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

namespace {

constexpr int kTracks = 200;
constexpr int kRuns = 25;
constexpr double kTargetMs = 20.0;
constexpr DWORD kRate = 44100;

class CResults : public IMixProfileSource {
public:
    std::vector<CProfileResults> list;
    BOOL GetProfileResults(const CMusicFileId& id, CProfileResults* results) override
    {
        for (const CProfileResults& r : list)
            if (r.GetMusicFileId() == id) {
                *results = r;
                return TRUE;
            }
        return FALSE;
    }
};

void AddTrack(CTrackInfoContainer& tracks, CResults& source, int index)
{
    const float bpm = 100.0f + static_cast<float>((index * 7) % 31);
    const LONGLONG measure = static_cast<LONGLONG>(240.0 * kRate / bpm + 0.5);
    const int measures = 96;
    CProfileResults results;
    results.SetTempo(bpm);
    results.SetSampleRate(kRate);
    results.SetSampleCount(measure * measures);
    CMusicFileId id;
    id.SetId(index + 1, 0x5A5A);
    results.SetMusicFileId(id);
    for (int m = 0; m <= 8; ++m) {
        results.AddMixInPoint(measure * (4 + m));
        results.AddMixOutPoint(measure * (84 + m));
    }
    for (int s = 0; s <= 10; ++s)
        results.AddFadeStep(static_cast<LONGLONG>(kRate) * s);
    results.SetLoudPositions(measure * 4, measure * 92);
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(index + 1);
    track->SetSampleInfo(kRate, results.GetSampleCount());
    track->SetFlags(kTrackPrimary);
    track->MainObjects().AddFullSegment(track->GetTrackLength());
    track->ApplyProfile(results, index % 4 == 3);
    tracks.AppendReference(track);
    track->ReleaseFromOwner();
    source.list.push_back(results);
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main()
{
    CTrackInfoContainer tracks;
    CResults source;
    for (int i = 0; i < kTracks; ++i) {
        AddTrack(tracks, source, i);
        if (i % 50 == 49 && i + 1 < kTracks) {
            CTrackInfo* pause = new CTrackInfo();
            pause->MakePauseTrack();
            pause->MainObjects().AddFullSegment(2000000);
            tracks.AppendReference(pause);
            pause->ReleaseFromOwner();
        }
    }
    CMasterBeatMap* beatMap = new CMasterBeatMap(nullptr);
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int run = 0; run < kRuns + 1; ++run) {
        LARGE_INTEGER from{};
        LARGE_INTEGER to{};
        QueryPerformanceCounter(&from);
        CMixBuilder::BuildMix(tracks);
        beatMap->Rebuild(tracks);
        CMixBuilder::LinkOverlayTracks(&source, *beatMap, tracks);
        QueryPerformanceCounter(&to);
        if (run > 0)  // the first run lays every marker for the first time
            times.push_back(Milliseconds(from, to, frequency));
    }
    beatMap->Release();
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    LONGLONG end = 0;
    tracks.GetLast()->GetEndTime(&end);
    std::printf("mix builder: rebuild of %d tracks (%d in the list, %.1f min of mix): median %.3f ms, slowest %.3f ms "
                "(target <= %.0f ms) %s\n",
                kTracks, tracks.GetCount(), static_cast<double>(end) / 60e6, median, times.back(), kTargetMs,
                median <= kTargetMs ? "ok" : "SLOW");
    return median <= kTargetMs ? 0 : 1;
}
