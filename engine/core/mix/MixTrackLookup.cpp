#include "engine/core/mix/MixTrackLookup.h"

#include <algorithm>
#include <vector>

#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

namespace {

constexpr LONGLONG kPauseLookAhead = 100000;
constexpr LONGLONG kPreviousTrackWindow = 4000000;

}  // namespace

namespace MixTrackLookup {

bool FindTrackAtPosition(const CTrackInfoContainer& tracks, LONGLONG position, LONG* trackId, int* index)
{
    for (int i = tracks.GetCount() - 1; i >= 0; --i) {
        LONGLONG from = 0;
        LONGLONG to = 0;
        if (tracks.GetAt(i)->GetLeadSpan(&from, &to) == S_OK && from <= position && position <= to) {
            *trackId = tracks.GetAt(i)->GetTrackIdValue();
            *index = i;
            return true;
        }
    }
    for (int i = tracks.GetCount() - 1; i >= 0; --i) {
        CTrackInfo* track = tracks.GetAt(i);
        LONGLONG start = 0;
        LONGLONG end = 0;
        if (track->IsPrimary() && SUCCEEDED(track->GetStartTime(&start)) && SUCCEEDED(track->GetEndTime(&end)) &&
            start <= position && position <= end) {
            *trackId = track->GetTrackIdValue();
            *index = i;
            return true;
        }
    }
    return false;
}

bool FindNextPauseStart(const CTrackInfoContainer& tracks, LONGLONG position, LONGLONG* start)
{
    for (int i = 0; i < tracks.GetCount(); ++i) {
        LONGLONG at = 0;
        if (tracks.GetAt(i)->IsPause() && SUCCEEDED(tracks.GetAt(i)->GetStartTime(&at)) &&
            at > position + kPauseLookAhead) {
            *start = at;
            return true;
        }
    }
    return false;
}

HRESULT FindAdjacentTrackStart(const CTrackInfoContainer& tracks, LONGLONG position, BOOL next, LONGLONG* start)
{
    std::vector<LONGLONG> starts;
    for (int i = 0; i < tracks.GetCount(); ++i) {
        LONGLONG at = 0;
        if (tracks.GetAt(i)->IsPrimary() && SUCCEEDED(tracks.GetAt(i)->GetAudibleStart(&at)))
            starts.push_back(at);
    }
    const LONGLONG after = next ? position : position - kPreviousTrackWindow;
    const auto found = std::find_if(starts.begin(), starts.end(), [after](LONGLONG at) { return at > after; });
    if (found == starts.end())
        return E_FAIL;
    *start = next ? *found : (found == starts.begin() ? 0 : *(found - 1));
    return S_OK;
}

}  // namespace MixTrackLookup
