// Tracks joining the mix as a whole (a loaded document, a new mix, an insertion) and the mix
// leaving as a snapshot or a document.
#include <set>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/files/FileMapper.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/Segment.h"
#include "engine/playback/effects/EfxManager.h"
#include "interfaces/IBrennock.h"
#include "interfaces/IFileMapper.h"
#include "interfaces/IVideoMontage.h"

namespace {

constexpr int kBeatStartKind = 6;
constexpr int kBeatEndKind = 7;

// Every track's file becomes a catalog item's, through the engine's file mapper (which may ask
// the user about a missing file); a track whose file cannot be found leaves the list. Pause
// tracks have no file and keep their place. Called without the global mix lock: the play
// managers' threads must not wait while the user is asked. The number of tracks left out.
int ResolveTrackFiles(IUnknown* owner, CTrackInfoContainer& tracks)
{
    ComPtr<IFileMapper> answer;
    if (FAILED(owner->QueryInterface(EngineIid::FileMapperInternal, answer.put_void())) || !answer)
        return 0;
    CTrackInfoContainer music;
    music.SetPath(tracks.GetPath());
    for (int i = 0; i < tracks.GetCount(); ++i)
        if (!tracks.GetAt(i)->IsPause())
            music.AppendReference(tracks.GetAt(i));
    static_cast<CFileMapper*>(answer.get())->ResolveTracks(&music, FALSE);
    std::set<const CTrackInfo*> found;
    for (int i = 0; i < music.GetCount(); ++i)
        found.insert(music.GetAt(i));
    int leftOut = 0;
    for (int i = tracks.GetCount() - 1; i >= 0; --i)
        if (!tracks.GetAt(i)->IsPause() && !found.count(tracks.GetAt(i))) {
            tracks.RemoveAt(i);
            ++leftOut;
        }
    return leftOut;
}

}  // namespace

HRESULT CMixManager::ReplaceMix(const CTrackInfoContainer* tracks, const CMixGlobals* globals, IVideoClipList* video,
                                BOOL setModified)
{
    CTrackInfoContainer incoming;
    int leftOut = 0;
    if (tracks) {
        incoming.SetPath(tracks->GetPath());
        for (int i = 0; i < tracks->GetCount(); ++i)
            if (!incoming.AppendCopy(*tracks->GetAt(i)))
                return E_OUTOFMEMORY;
        leftOut = ResolveTrackFiles(GetOuter(), incoming);
    }
    CLiveAndPendingMixSingleThreadAccess lock;
    for (int i = 0; i < incoming.GetCount(); ++i)
        PrepareAsForCommit(*incoming.GetAt(i));
    m_tracks.TakeAllFrom(incoming);
    if (globals)
        m_globals.CopyFrom(*globals);
    else
        m_globals.CopyFrom(CMixGlobals());
    if (m_efxManager)
        m_efxManager->SetEffectList(m_globals.Effects());
    // A mix that lost tracks on the way is not the document any more: it is marked modified and
    // the user is told, so that nobody saves over the document without knowing.
    if (leftOut > 0)
        Post(MixManagerUi::TracksLeftOut, leftOut);
    RebuildMix(TRUE, setModified || leftOut > 0, video);
    // The mix is now exactly the given tracks.
    TouchTrackPlots(m_tracks);
    return leftOut > 0 ? S_FALSE : S_OK;
}

int CMixManager::InsertTracksAt(const CTrackInfoContainer& tracks, int index)
{
    CTrackInfoContainer given;
    given.SetPath(tracks.GetPath());
    for (int i = 0; i < tracks.GetCount(); ++i)
        given.AppendReference(tracks.GetAt(i));
    const int leftOut = ResolveTrackFiles(GetOuter(), given);
    CLiveAndPendingMixSingleThreadAccess lock;
    if (leftOut > 0)
        Post(MixManagerUi::TracksLeftOut, leftOut);
    // Nothing left to insert (every file missing): no rebuild, so no empty undo step.
    if (given.GetCount() == 0)
        return 0;
    for (int i = 0; i < given.GetCount(); ++i)
        PrepareAsForCommit(*given.GetAt(i));
    CTrackInfoContainer tail;
    while (m_tracks.GetCount() > index && index >= 0) {
        tail.AppendReference(m_tracks.GetAt(index));
        m_tracks.RemoveAt(index);
    }
    for (int i = 0; i < given.GetCount(); ++i) {
        CTrackInfo* track = given.GetAt(i);
        const LONG id = track->GetTrackIdValue();
        if (id != -1) {
            m_tracks.RemoveById(id);
            tail.RemoveById(id);
        }
        m_tracks.AppendReference(track);
    }
    for (int i = 0; i < tail.GetCount(); ++i)
        m_tracks.AppendReference(tail.GetAt(i));
    RebuildMix(TRUE, TRUE, nullptr);
    TouchTrackPlots(given);
    return given.GetCount();
}

void CMixManager::TouchTrackPlots(const CTrackInfoContainer& tracks)
{
    if (!m_files)
        return;
    for (int i = 0; i < tracks.GetCount(); ++i)
        if (!tracks.GetAt(i)->IsPause())
            m_files->TouchTrackPlot(*tracks.GetAt(i));
}

void CMixManager::ConvertLoadedTracks(CTrackInfoContainer& tracks, DWORD version)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (version == kMixVersionRecordFile || version == kMixVersionTrackArchives) {
        // These forms keep an overlay's beat segments relative to its parent's start: once the
        // primary tracks are aligned, they become the parent's track times.
        CMixBuilder::AlignPrimaryTracks(tracks);
        CTrackInfo* parent = nullptr;
        for (int i = 0; i < tracks.GetCount(); ++i) {
            CTrackInfo* track = tracks.GetAt(i);
            if (track->IsPrimary()) {
                parent = track;
                continue;
            }
            LONGLONG parentStart = 0;
            if (!parent || FAILED(parent->GetStartTime(&parentStart)))
                continue;
            for (int l = 0; l < track->Layers().GetCount(); ++l) {
                CTrackLayer* layer = nullptr;
                if (!track->Layers().GetLayer(l, &layer))
                    continue;
                for (int o = 0; o < layer->Objects().GetCount(); ++o) {
                    CTrackObj* object = layer->Objects().GetAt(o);
                    if (!object->Matches(kTrackObjSegment, kSegmentBeat))
                        continue;
                    auto* segment = static_cast<CSegment*>(object);
                    for (int kind : {kBeatStartKind, kBeatEndKind}) {
                        LONGLONG value = 0;
                        LONGLONG trackTime = 0;
                        if (SUCCEEDED(segment->GetTime(kind, &value)) &&
                            SUCCEEDED(parent->MixTimeToTrackTime(parentStart + value, &trackTime)))
                            segment->SetTime(kind, trackTime);
                    }
                }
            }
        }
    }
    if (version >= kMixVersionRecordFile && version <= kMixVersionFlat)
        for (int i = 0; i < tracks.GetCount(); ++i)
            tracks.GetAt(i)->SetOverlayMusicTimesSet(FALSE);
}

HRESULT CMixManager::SaveUndoSnapshot(BOOL markModified)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!m_ready)
        return S_FALSE;
    if (markModified) {
        m_modified = TRUE;
        Post(MixManagerUi::ModifiedChanged, 1);
    }
    ComPtr<IVideoMontage> montage;
    ComPtr<IVideoClipList> video;
    if (SUCCEEDED(AcquireVideo(montage.put())) && SUCCEEDED(montage->GetVideoState(video.put())) && video)
        montage->PrepareVideoState(video.get());
    if (m_undo)
        m_undo->SaveSnapshot(m_tracks, m_globals, video.get());
    if (!m_mixFileName.IsEmpty())
        WriteMix(m_mixFileName);
    return S_OK;
}

BOOL CMixManager::WriteMix(const wchar_t* path)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CFVR_RECORD record{sizeof(CFVR_RECORD), 0, 0, 0};
    ComPtr<IBrennock> engine;
    if (SUCCEEDED(GetOuter()->QueryInterface(IID_IBrennock, engine.put_void())) && engine)
        engine->GetInitValues(&record.version1, &record.version2);
    // Word 1 also names the form the file is read as: never claim an older form than the one
    // written.
    if (record.version1 < kMixVersionCurrent)
        record.version1 = kMixVersionCurrent;
    ComPtr<IVideoMontage> montage;
    ComPtr<IVideoClipList> video;
    if (SUCCEEDED(AcquireVideo(montage.put())))
        montage->GetVideoState(video.put());
    return WriteMixFile(video.get(), &record, path, m_tracks, m_globals, FALSE);
}
