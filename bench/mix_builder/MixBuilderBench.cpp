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
#include "BenchTracks.h"

namespace {

constexpr int kTracks = 200;
constexpr int kRuns = 25;
constexpr double kTargetMs = 20.0;

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
            times.push_back(BenchMilliseconds(from, to, frequency));
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
