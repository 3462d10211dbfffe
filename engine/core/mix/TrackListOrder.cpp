#include "engine/core/mix/TrackListOrder.h"

#include <cstdlib>

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
    for (int a = 0; a + 1 < n; ++a) {
        for (int i = a + 1; i < n; ++i) {
            const float atA = AveragedTempo(tracks.GetAt(a));
            const float atI = AveragedTempo(tracks.GetAt(i));
            if (ascending ? atA > atI : atA < atI)
                tracks.Swap(a, i);
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
