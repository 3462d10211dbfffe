// Edit copies: the timeline drags segments, markers and envelope points on a copy of a track,
// which reaches the mix in one commit (one rebuild, one undo step). Several copies of one track
// may be open at once; each has an id of its own.
#include <new>
#include <utility>

#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/time/MusicTime.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/track/Segment.h"

namespace {

// Time and musical-time kinds of a beat segment's record.
constexpr int kBeatStart = 6;
constexpr int kBeatEnd = 7;
constexpr int kBeatLength = 8;
constexpr int kMixStart = 9;
constexpr int kMixEnd = 10;
constexpr int kMusicStart = 1;
constexpr int kMusicEnd = 2;

LONG EditCopyIdOf(ITrackEditItem& copy)
{
    LONG id = -1;
    copy.GetEditCopyId(&id);
    return id;
}

}  // namespace

void CMixManager::ReleaseEditCopies()
{
    for (const EditCopy& entry : m_editCopies)
        entry.copy->ReleaseFromOwner();
    m_editCopies.clear();
}

HRESULT CMixManager::IsEditCopyUnchanged(DWORD editId, int index)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    const CTrackInfo* track = index >= 0 ? m_tracks.GetAt(index) : nullptr;
    if (!track)
        return S_FALSE;
    for (const EditCopy& entry : m_editCopies) {
        if (entry.committed || EditCopyIdOf(*entry.copy) != static_cast<LONG>(editId))
            continue;
        // The copy differs from its track by its edit-copy id alone while nothing was edited.
        CTrackInfo probe;
        probe.CopyFrom(*track);
        probe.SetEditCopyId(static_cast<LONG>(editId));
        return probe.IsEqual(*entry.copy) ? S_OK : S_FALSE;
    }
    return S_FALSE;
}

HRESULT CMixManager::BeginTrackEdit(DWORD trackId, ITrackEditItem** copy)
{
    if (!copy)
        return E_POINTER;
    *copy = nullptr;
    CLiveAndPendingMixSingleThreadAccess lock;
    const CTrackInfo* track = FindTrack(static_cast<LONG>(trackId), nullptr);
    if (!track)
        return E_FAIL;
    auto* made = new (std::nothrow) CTrackInfo();
    if (!made)
        return E_OUTOFMEMORY;
    made->CopyFrom(*track);
    made->SetEditCopyId(m_nextEditCopyId++);
    made->SetDelegate(GetOuter());
    try {
        m_editCopies.push_back({made, false});
    } catch (const std::bad_alloc&) {
        made->ReleaseFromOwner();
        return E_OUTOFMEMORY;
    }
    made->AddRef();
    *copy = made;
    return S_OK;
}

HRESULT CMixManager::EndTrackEdit(ITrackEditItem* copy)
{
    if (!copy)
        return S_FALSE;
    CLiveAndPendingMixSingleThreadAccess lock;
    const LONG id = EditCopyIdOf(*copy);
    for (auto it = m_editCopies.begin(); it != m_editCopies.end(); ++it)
        if (EditCopyIdOf(*it->copy) == id) {
            CTrackInfo* ended = it->copy;
            m_editCopies.erase(it);
            ended->ReleaseFromOwner();
            return S_OK;
        }
    return S_FALSE;
}

void CMixManager::RefreshEditMusicTimes(CTrackInfo& copy)
{
    // An overlay's beat values are its parent's track times, and its musical times count from the
    // parent's grid; a primary track is its own reference.
    const CTrackInfo* reference = FindTrack(copy.IsPrimary() ? copy.GetTrackIdValue() : copy.GetLinkId(), nullptr);
    for (int l = 0; l < copy.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        if (!copy.Layers().GetLayer(l, &layer))
            continue;
        for (int o = 0; o < layer->Objects().GetCount(); ++o) {
            CTrackObj* object = layer->Objects().GetAt(o);
            if (!object->Matches(kTrackObjSegment, kSegmentBeat))
                continue;
            auto* segment = static_cast<CSegment*>(object);
            LONGLONG mixStart = 0;
            LONGLONG mixEnd = 0;
            if (FAILED(segment->GetTime(kMixStart, &mixStart)) || FAILED(segment->GetTime(kMixEnd, &mixEnd)))
                continue;
            LONGLONG start = mixStart;
            LONGLONG end = mixEnd;
            if (reference) {
                auto* owner = const_cast<CTrackInfo*>(reference);
                owner->MixTimeToTrackTime(mixStart, &start);
                owner->MixTimeToTrackTime(mixEnd, &end);
            }
            segment->SetTime(kBeatStart, start);
            segment->SetTime(kBeatEnd, end);
            segment->SetTime(kBeatLength, mixEnd - mixStart);
            if (!m_beatMap)
                continue;
            // As the builder keeps them: master musical times less the reference's offset.
            CMusicTime offset;
            if (reference)
                m_beatMap->GetTrackMusicTimeOffset(reference->GetTrackIdValue(), &offset);
            for (const auto& [kind, time] : {std::pair{kMusicStart, mixStart}, std::pair{kMusicEnd, mixEnd}}) {
                CMusicTime music;
                if (FAILED(m_beatMap->TimeToMusicTime(time, &music)))
                    continue;
                music.SetTicks(music.GetTicks() - offset.GetTicks());
                segment->SetMusicTime(kind, &music);
            }
        }
    }
}

HRESULT CMixManager::CommitTrackEdits(IItemIdList* editIds, BOOL edit)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    DWORD editId = 0;
    for (int i = 0; editIds && editIds->GetAt(i, &editId) == S_OK; ++i)
        for (EditCopy& entry : m_editCopies) {
            if (EditCopyIdOf(*entry.copy) != static_cast<LONG>(editId))
                continue;
            RefreshEditMusicTimes(*entry.copy);
            CTrackInfo* track = FindTrack(entry.copy->GetTrackIdValue(), nullptr);
            if (!track)
                continue;
            PrepareAsForCommit(*entry.copy, track);
            track->CopyFrom(*entry.copy);
            track->SetEditCopyId(-1);
            entry.committed = true;
        }
    RebuildMix(edit, TRUE, nullptr);
    return S_FALSE;
}

HRESULT CMixManager::ResetTransitions(IItemIdList* editIds)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    // The edit copies between their neighbours in the mix: the default transitions are laid
    // again within this list, so the copies carry them to the mix when they are committed.
    CTrackInfoContainer span;
    CTrackInfoContainer copies;
    DWORD editId = 0;
    for (int i = 0; editIds && editIds->GetAt(i, &editId) == S_OK; ++i)
        for (const EditCopy& entry : m_editCopies)
            if (EditCopyIdOf(*entry.copy) == static_cast<LONG>(editId))
                copies.AppendReference(entry.copy);
    if (copies.GetCount() == 0)
        return S_OK;
    int first = 0;
    if (FindTrack(copies.GetAt(0)->GetTrackIdValue(), &first))
        span.AppendReference(m_tracks.PreviousPrimaryBefore(first));
    for (int i = 0; i < copies.GetCount(); ++i)
        span.AppendReference(copies.GetAt(i));
    int last = 0;
    if (FindTrack(copies.GetLast()->GetTrackIdValue(), &last))
        for (int i = last + 1; i < m_tracks.GetCount(); ++i)
            if (CTrackInfo* next = m_tracks.GetAt(i); next->IsPrimary() || next->IsPause()) {
                span.AppendReference(next);
                break;
            }
    CMixBuilder::ApplyDefaultTransitions(m_profiles, span, FALSE);
    return S_OK;
}
