#include "engine/core/mix/MixExportList.h"

#include "engine/core/track/Marker.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "engine/core/track/TrackLayer.h"
#include "engine/playback/output/PlayerOutputExportInfo.h"

namespace {

// The mix times of every label marker of the track, on whichever layer it lies.
void AddLabelEntries(CTrackInfo& track, const CString& title, const CString& artist, const CString& album,
                     CPlayerOutputExportInfo& info)
{
    for (int l = 0; l < track.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        if (!track.Layers().GetLayer(l, &layer))
            continue;
        const CTrackObjContainer& objects = layer->Objects();
        for (int i = 0; i < objects.GetCount(); ++i) {
            const CTrackObj* object = objects.GetAt(i);
            LONGLONG mixTime = 0;
            if (object->Matches(kTrackObjMarker, kMarkerLabel) &&
                SUCCEEDED(layer->TrackToMixTime(object->GetStart(), &mixTime)))
                info.AddItem(mixTime, title, artist, album);
        }
    }
}

}  // namespace

namespace MixExportList {

BOOL Build(const CTrackInfoContainer& tracks, int mode, LONGLONG mixEnd, const TrackNames& names,
           CPlayerOutputExportInfo& info)
{
    if (mode != CPlayerOutputExportInfo::kOutroStarts && mode != CPlayerOutputExportInfo::kTrackEnds &&
        mode != CPlayerOutputExportInfo::kLabelMarkers)
        return FALSE;
    const int last = tracks.LastPrimaryIndex();
    for (int i = 0; i < tracks.GetCount(); ++i) {
        CTrackInfo& track = *tracks.GetAt(i);
        if (!track.IsPrimary())
            continue;
        CString title;
        CString artist;
        CString album;
        if (names)
            names(track, &title, &artist, &album);
        if (mode == CPlayerOutputExportInfo::kLabelMarkers)
            AddLabelEntries(track, title, artist, album, info);
        if (i == last) {
            info.AddItem(mixEnd, title, artist, album);
            continue;
        }
        if (mode == CPlayerOutputExportInfo::kLabelMarkers)
            continue;
        const CTrackObjContainer& objects = track.MainObjects();
        LONGLONG outro = 0;
        const BOOL found = mode == CPlayerOutputExportInfo::kOutroStarts ? objects.GetEarliestEndMarker(&outro)
                                                                         : objects.GetLatestEndMarker(&outro);
        LONGLONG mixTime = 0;
        if (found && SUCCEEDED(track.TrackTimeToMixTime(outro, &mixTime)))
            info.AddItem(mixTime, title, artist, album);
    }
    info.SortByPosition();
    return TRUE;
}

}  // namespace MixExportList
