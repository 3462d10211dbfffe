#include "engine/core/mix/TrackListOrder.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "engine/core/track/TrackInfoContainer.h"

namespace {

float AveragedTempo(CTrackInfo* track)
{
    TRACKITEM_INFO info{};
    track->GetInfo(&info);
    return info.playbackTempo;
}

}  // namespace

int SortTrackListByTempo(CTrackInfoContainer& tracks, BOOL ascending)
{
    const int n = tracks.GetCount();
    // Each track's tempo is averaged once: the exchanges move it with its track.
    std::vector<float> tempos;
    tempos.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        tempos.push_back(AveragedTempo(tracks.GetAt(i)));
    for (int a = 0; a + 1 < n; ++a) {
        for (int i = a + 1; i < n; ++i) {
            float& atA = tempos[static_cast<size_t>(a)];
            float& atI = tempos[static_cast<size_t>(i)];
            if (ascending ? atA > atI : atA < atI) {
                tracks.Swap(a, i);
                std::swap(atA, atI);
            }
        }
    }
    return 1;
}

int ShuffleTrackList(CTrackInfoContainer& tracks)
{
    const int n = tracks.GetCount();
    for (int i = 0; i < n; ++i) {
        const int j = std::rand() % n;
        if (j != i)
            tracks.Swap(i, j);
    }
    return 1;
}
