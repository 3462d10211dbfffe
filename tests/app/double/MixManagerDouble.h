// A recording stand-in for the engine's mix manager, shared by the engine test double library and
// the in-process tests: the operations the program calls record their name and argument and answer
// with the values set in the object; the others answer E_NOTIMPL. Its visible tracks are
// TrackDouble objects. Reference counts are kept, not acted on: the owner deletes it.
#pragma once

#include "interfaces/IMixManager.h"

#include "tests/app/double/NotCalled.h"

#include <windows.h>

#include <string>
#include <vector>

class TrackDouble : public ITrackEditItem {
public:
    TrackDouble(LONG trackId, LONG catalogItemId) : m_trackId(trackId), m_catalogItemId(catalogItemId) {}
    virtual ~TrackDouble() = default;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    HRESULT STDMETHODCALLTYPE GetCatalogItemId(LONG* id) override
    {
        *id = m_catalogItemId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTrackId(LONG* id) override
    {
        *id = m_trackId;
        return S_OK;
    }
    DOUBLE_NOT_CALLED(GetAudibleStart, (LONGLONG*))
    DOUBLE_NOT_CALLED(GetAudibleEnd, (LONGLONG*))
    DOUBLE_NOT_CALLED(GetStartTime, (LONGLONG*))
    DOUBLE_NOT_CALLED(GetEndTime, (LONGLONG*))
    DOUBLE_NOT_CALLED(GetInfo, (TRACKITEM_INFO*))
    DOUBLE_NOT_CALLED(GetType1MarkerSpan, (LONGLONG*, LONGLONG*))
    DOUBLE_NOT_CALLED(GetType2MarkerSpan, (LONGLONG*, LONGLONG*))
    DOUBLE_NOT_CALLED(GetVolumeOffset, (LONG*))
    DOUBLE_NOT_CALLED(GetTrackType, (DWORD*))
    DOUBLE_NOT_CALLED(TrackTimeToMixTime, (LONGLONG, LONGLONG*))
    DOUBLE_NOT_CALLED(MixTimeToTrackTime, (LONGLONG, LONGLONG*))
    DOUBLE_NOT_CALLED(GetMeasureCount, (LONGLONG, LONGLONG, WORD*))
    DOUBLE_NOT_CALLED(GetMeasureSpan, (LONGLONG, LONGLONG, float*))
    DOUBLE_NOT_CALLED(MixTimeToFilePosition, (LONGLONG, LONGLONG*))
    DOUBLE_NOT_CALLED(GetMeasureDuration, (LONGLONG*))
    DOUBLE_NOT_CALLED(GetRuntimeId3, (LONG*))
    DOUBLE_NOT_CALLED(IsPrimaryTrack, ())
    DOUBLE_NOT_CALLED(GetLeadSpan, (LONGLONG*, LONGLONG*))
    DOUBLE_NOT_CALLED(SetLeadSpan, (LONGLONG, LONGLONG))
    DOUBLE_NOT_CALLED(IsPauseTrack, ())
    DOUBLE_NOT_CALLED(IsBeatMixed, ())
    DOUBLE_NOT_CALLED(GetMarker, (int, DWORD, ITrackMarker**))
    DOUBLE_NOT_CALLED(GetRange, (int, DWORD, ITrackRange**))
    DOUBLE_NOT_CALLED(GetLayer, (int, ITrackLayer**))
    DOUBLE_NOT_CALLED(GetEditCopyId, (LONG*))
    DOUBLE_NOT_CALLED(GetObjectById, (LONG, IUnknown**))
    DOUBLE_NOT_CALLED(SetVolumeOffset, (LONG))
    DOUBLE_NOT_CALLED(AddMarker, (LONGLONG, DWORD))
    DOUBLE_NOT_CALLED(SetTempo, (float, BOOL))

private:
    LONG m_trackId;
    LONG m_catalogItemId;
};

class MixManagerDouble : public IMixManager {
public:
    virtual ~MixManagerDouble() = default;
    // Every recorded call, as "Name" or "Name argument".
    std::vector<std::string> calls;
    HRESULT canUndo = S_FALSE;
    HRESULT canRedo = S_FALSE;
    std::vector<TrackDouble*> tracks;  // not owned
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }

    HRESULT STDMETHODCALLTYPE GetTrackCount(int* count) override
    {
        *count = static_cast<int>(tracks.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVisibleTrack(int index, ITrackEditItem** copy) override
    {
        *copy = nullptr;
        if (index < 0 || static_cast<size_t>(index) >= tracks.size())
            return E_FAIL;
        tracks[static_cast<size_t>(index)]->AddRef();
        *copy = tracks[static_cast<size_t>(index)];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CanUndo() override
    {
        Record("CanUndo");
        return canUndo;
    }
    HRESULT STDMETHODCALLTYPE CanRedo() override
    {
        Record("CanRedo");
        return canRedo;
    }
    HRESULT STDMETHODCALLTYPE Undo() override
    {
        Record("Undo");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Redo() override
    {
        Record("Redo");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateTracksFromCatalogItem(DWORD id) override
    {
        Record("UpdateTracksFromCatalogItem " + std::to_string(id));
        return S_OK;
    }

    DOUBLE_NOT_CALLED(GetVisibleTrackCount, (int*))
    DOUBLE_NOT_CALLED(GetTrackCopy, (int, ITrackEditItem**))
    DOUBLE_NOT_CALLED(GetTrackById, (DWORD, ITrackEditItem**))
    DOUBLE_NOT_CALLED(InsertCatalogItems, (IItemIdList*, int))
    DOUBLE_NOT_CALLED(MoveTracks, (IItemIdList*, int))
    DOUBLE_NOT_CALLED(InsertFiles, (IPathList*, int))
    DOUBLE_NOT_CALLED(MixIntoNextTrackNow, ())
    DOUBLE_NOT_CALLED(FadeOutCurrentTrack, ())
    DOUBLE_NOT_CALLED(PauseAfterCurrentTrack, ())
    DOUBLE_NOT_CALLED(CanMixIntoNextTrack, ())
    DOUBLE_NOT_CALLED(CanFadeOutCurrentTrack, ())
    DOUBLE_NOT_CALLED(CanPauseAfterCurrentTrack, ())
    DOUBLE_NOT_CALLED(PasteTracks, (int))
    DOUBLE_NOT_CALLED(CanPasteTracks, ())
    DOUBLE_NOT_CALLED(CopyTracks, (IItemIdList*))
    DOUBLE_NOT_CALLED(RemoveTracks, (IItemIdList*))
    DOUBLE_NOT_CALLED(GetMixLength, (LONGLONG*))
    DOUBLE_NOT_CALLED(GetPlayPosition, (LONGLONG*))
    DOUBLE_NOT_CALLED(CanEditTrackProperties, (IItemIdList*))
    DOUBLE_NOT_CALLED(HasSavedTrackSettings, (IItemIdList*))
    DOUBLE_NOT_CALLED(CanInsertPauseAfterTrack, (IItemIdList*))
    DOUBLE_NOT_CALLED(InsertPauseAfterTrack, (IItemIdList*))
    DOUBLE_NOT_CALLED(CanCueTrack, (IItemIdList*))
    DOUBLE_NOT_CALLED(CueTrack, (IItemIdList*))
    DOUBLE_NOT_CALLED(IsBeatMixed, (IItemIdList*))
    DOUBLE_NOT_CALLED(IsStandardMixed, (IItemIdList*))
    DOUBLE_NOT_CALLED(CanSetBeatMixing, (IItemIdList*))
    DOUBLE_NOT_CALLED(CanSetStandardMixing, (IItemIdList*))
    DOUBLE_NOT_CALLED(SetBeatMixing, (IItemIdList*))
    DOUBLE_NOT_CALLED(SetStandardMixing, (IItemIdList*))
    DOUBLE_NOT_CALLED(HasPrimaryTrack, (IItemIdList*))
    DOUBLE_NOT_CALLED(HasOverlayTrack, (IItemIdList*))
    DOUBLE_NOT_CALLED(MakePrimaryTracks, (IItemIdList*))
    DOUBLE_NOT_CALLED(MakeOverlayTracks, (IItemIdList*))
    DOUBLE_NOT_CALLED(NotImplemented39, ())
    DOUBLE_NOT_CALLED(RestoreSavedTrackSettings, (IItemIdList*))
    DOUBLE_NOT_CALLED(ApplyCatalogSettings, (IItemIdList*))
    DOUBLE_NOT_CALLED(SortTracksByBpm, (BOOL, IItemIdList*))
    DOUBLE_NOT_CALLED(CanSortTracks, (IItemIdList*))
    DOUBLE_NOT_CALLED(ShuffleTracks, (IItemIdList*))
    DOUBLE_NOT_CALLED(CanShuffleTracks, (IItemIdList*))
    DOUBLE_NOT_CALLED(ContainsTrackId, (DWORD))
    DOUBLE_NOT_CALLED(ContainsCatalogItem, (DWORD))
    DOUBLE_NOT_CALLED(GetTrackIdAt, (int, DWORD*))
    DOUBLE_NOT_CALLED(IsEditCopyUnchanged, (DWORD, int))
    DOUBLE_NOT_CALLED(BeginTrackEdit, (DWORD, ITrackEditItem**))
    DOUBLE_NOT_CALLED(EndTrackEdit, (ITrackEditItem*))
    DOUBLE_NOT_CALLED(GetFirstVisibleTrackStart, (LONGLONG*))
    DOUBLE_NOT_CALLED(CommitTrackEdits, (IItemIdList*, BOOL))
    DOUBLE_NOT_CALLED(SetShowPerformedTracks, (BOOL))
    DOUBLE_NOT_CALLED(GetShowPerformedTracks, ())
    DOUBLE_NOT_CALLED(AddEffectClipToTracks, (IItemIdList*, int, LONGLONG, LONGLONG))
    DOUBLE_NOT_CALLED(SplitSegmentsAt, (IItemIdList*, LONGLONG))
    DOUBLE_NOT_CALLED(CopyTrackObjects, (IItemIdList*))
    DOUBLE_NOT_CALLED(DeleteTrackObjects, (IItemIdList*))
    DOUBLE_NOT_CALLED(PasteTrackObjects, (IItemIdList*, LONGLONG))
    DOUBLE_NOT_CALLED(CanPasteTrackObjects, ())
    DOUBLE_NOT_CALLED(CopyTrackRange, (IItemIdList*, LONGLONG, LONGLONG))
    DOUBLE_NOT_CALLED(DeleteTrackRange, (IItemIdList*, LONGLONG, LONGLONG))
    DOUBLE_NOT_CALLED(ResetTransitions, (IItemIdList*))
    DOUBLE_NOT_CALLED(IsLoopEnabled, ())
    DOUBLE_NOT_CALLED(SetLoopEnabled, (BOOL))
    DOUBLE_NOT_CALLED(InsertCatalogItemsAtTime, (IItemIdList*, DWORD, LONGLONG))
    BOOL STDMETHODCALLTYPE IsPerformanceRunning() override { return FALSE; }
    DOUBLE_NOT_CALLED(ResetObjectMarkers, (IItemIdList*))
    DOUBLE_NOT_CALLED(AlignOverlayTracks, ())
    DOUBLE_NOT_CALLED(CanAlignOverlayTracks, ())
    DOUBLE_NOT_CALLED(GetTrackInfoAt, (int, DWORD*, int*, int*))
    DOUBLE_NOT_CALLED(ReverseTrackRange, (IItemIdList*, LONGLONG, LONGLONG))
    DOUBLE_NOT_CALLED(ReverseTrackObjects, (IItemIdList*))
    DOUBLE_NOT_CALLED(GetTrackCatalogFlags, (DWORD, int*))
    DOUBLE_NOT_CALLED(SaveUndoSnapshot, (BOOL))
    DOUBLE_NOT_CALLED(GetTrackAtTime, (LONGLONG, DWORD*, int*))
    DOUBLE_NOT_CALLED(LookUpTrackBeatMaps, (IItemIdList*))

protected:
    virtual void Record(const std::string& call) { calls.push_back(call); }
};
