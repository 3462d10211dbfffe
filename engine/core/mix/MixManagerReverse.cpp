// Reversing material and laying object markers again. Reversing toggles a segment's reverse flag,
// so reversing twice gives the material back as it was. Host media (a catalog item that plays
// through the host, not from a file of ours) cannot be read backwards and is left alone.
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/track/Segment.h"
#include "interfaces/IItemIdList.h"

namespace {

constexpr int kCatalogHostMedia = 0x2;
// A segment counts as inside a range when it reaches this far into it from both sides.
constexpr LONGLONG kReverseOverlap = 2;
constexpr DWORD kObjectMarkerAnchors = kMarkerStartEndMask | 0x4;

void ToggleReversed(CSegment& segment)
{
    segment.SetFlags(segment.GetFlagsValue() ^ kSegmentReversed);
}

}  // namespace

BOOL CMixManager::IsHostMedia(CTrackInfo& track)
{
    int flags = 0;
    return m_files && m_files->GetTrackItemFlags(track, &flags) && (flags & kCatalogHostMedia) ? TRUE : FALSE;
}

HRESULT CMixManager::ReverseTrackRange(IItemIdList* trackIds, LONGLONG start, LONGLONG end)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    ComPtr<IUnknown> hold;
    if (!ReachCatalog(GetOuter(), hold))
        return E_FAIL;
    std::vector<LONG> listed;
    DWORD id = 0;
    for (int i = 0; trackIds && trackIds->GetAt(i, &id) == S_OK; ++i)
        if (CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr)) {
            SplitTrackAt(*track, start);
            SplitTrackAt(*track, end);
            listed.push_back(static_cast<LONG>(id));
        }
    // The pieces get their ids and mix times before they are picked by their place in the mix.
    AssignTrackIds();
    NumberTrackObjects();
    CMixBuilder::BuildMix(m_tracks);
    if (m_beatMap) {
        m_beatMap->Rebuild(m_tracks);
        CMixBuilder::LinkOverlayTracks(m_profiles, *m_beatMap.get(), m_tracks);
    }
    for (LONG trackId : listed) {
        CTrackInfo* track = FindTrack(trackId, nullptr);
        if (!track || IsHostMedia(*track))
            continue;
        for (int l = 0; l < track->Layers().GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            if (!track->Layers().GetLayer(l, &layer))
                continue;
            for (int o = 0; o < layer->Objects().GetCount(); ++o) {
                CTrackObj* object = layer->Objects().GetAt(o);
                LONGLONG mixStart = 0;
                LONGLONG mixEnd = 0;
                if (object->GetClass() != kTrackObjSegment ||
                    FAILED(layer->TrackToMixTime(object->GetStart(), &mixStart)) ||
                    FAILED(layer->TrackToMixTime(object->GetEnd(), &mixEnd)))
                    continue;
                if (mixStart < end - kReverseOverlap && mixEnd > start + kReverseOverlap)
                    ToggleReversed(*static_cast<CSegment*>(object));
            }
        }
    }
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::ReverseTrackObjects(IItemIdList* objectIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    ComPtr<IUnknown> hold;
    if (!ReachCatalog(GetOuter(), hold))
        return E_FAIL;
    DWORD id = 0;
    for (int i = 0; objectIds && objectIds->GetAt(i, &id) == S_OK; ++i) {
        CTrackInfo* track = FindObjectTrack(static_cast<LONG>(id));
        if (!track || IsHostMedia(*track))
            continue;
        for (int l = 0; l < track->Layers().GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            CTrackObj* object = nullptr;
            if (track->Layers().GetLayer(l, &layer) && layer->Objects().FindById(static_cast<LONG>(id), &object) &&
                object->GetClass() == kTrackObjSegment)
                ToggleReversed(*static_cast<CSegment*>(object));
        }
    }
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}

HRESULT CMixManager::ResetObjectMarkers(IItemIdList* trackIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    DWORD id = 0;
    for (int i = 0; trackIds && trackIds->GetAt(i, &id) == S_OK; ++i) {
        CTrackInfo* track = FindTrack(static_cast<LONG>(id), nullptr);
        if (!track)
            continue;
        CTrackObjContainer& objects = track->MainObjects();
        objects.RemoveObjects(kTrackObjMarker, kMarkerObject);
        std::vector<LONGLONG> anchors;
        for (int o = 0; o < objects.GetCount(); ++o)
            if (objects.GetAt(o)->Matches(kTrackObjMarker, kObjectMarkerAnchors))
                anchors.push_back(objects.GetAt(o)->GetStart());
        for (LONGLONG position : anchors) {
            ITrackMarker* marker = nullptr;
            if (!objects.AddMarker(kMarkerObject, nullptr, &marker))
                return E_OUTOFMEMORY;
            auto* added = static_cast<CMarker*>(marker);
            added->SetPosition(position);
            added->SetUserAdjusted(TRUE);
        }
    }
    RebuildMix(TRUE, TRUE, nullptr);
    return S_OK;
}
