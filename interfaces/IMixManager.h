// IMixManager: the engine's owner of the edited and the live mix, as the main program and the
// timeline reach it. Every operation runs under the engine's global mix lock, so a call from the
// UI thread waits while an engine thread works on the mix. Times are microseconds of mix time;
// a visible position counts the tracks left after the hidden, already performed ones. Tracks
// handed out carry one reference for the caller.
#pragma once

#include "interfaces/EngineIids.h"
#include "interfaces/IItemIdList.h"
#include "interfaces/IPathList.h"
#include "interfaces/ITrackEditItem.h"

#include <windows.h>
#include <unknwn.h>

struct IMixManager : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetVisibleTrackCount(int* count) = 0;
    // A new copy of the track at the visible position; E_FAIL past the end.
    virtual HRESULT STDMETHODCALLTYPE GetVisibleTrack(int index, ITrackEditItem** copy) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrackCopy(int index, ITrackEditItem** copy) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrackCount(int* count) = 0;
    // The mix's own track; E_FAIL when absent.
    virtual HRESULT STDMETHODCALLTYPE GetTrackById(DWORD id, ITrackEditItem** item) = 0;
    virtual HRESULT STDMETHODCALLTYPE InsertCatalogItems(IItemIdList* catalogItemIds, int visiblePosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveTracks(IItemIdList* trackIds, int visiblePosition) = 0;
    // S_FALSE when nothing was inserted.
    virtual HRESULT STDMETHODCALLTYPE InsertFiles(IPathList* paths, int visiblePosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE MixIntoNextTrackNow() = 0;
    virtual HRESULT STDMETHODCALLTYPE FadeOutCurrentTrack() = 0;
    virtual HRESULT STDMETHODCALLTYPE PauseAfterCurrentTrack() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanMixIntoNextTrack() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanFadeOutCurrentTrack() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanPauseAfterCurrentTrack() = 0;
    virtual HRESULT STDMETHODCALLTYPE PasteTracks(int visiblePosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanPasteTracks() = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTracks(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveTracks(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMixLength(LONGLONG* length) = 0;
    // S_FALSE when nothing plays.
    virtual HRESULT STDMETHODCALLTYPE GetPlayPosition(LONGLONG* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanEditTrackProperties(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE HasSavedTrackSettings(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanInsertPauseAfterTrack(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE InsertPauseAfterTrack(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanCueTrack(IItemIdList* trackIds) = 0;
    // With no list, the live mix starts again from its beginning.
    virtual HRESULT STDMETHODCALLTYPE CueTrack(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsBeatMixed(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsStandardMixed(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSetBeatMixing(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSetStandardMixing(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBeatMixing(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStandardMixing(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE HasPrimaryTrack(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE HasOverlayTrack(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE MakePrimaryTracks(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE MakeOverlayTracks(IItemIdList* trackIds) = 0;
    // Keeps its place in the table; answers E_FAIL.
    virtual HRESULT STDMETHODCALLTYPE NotImplemented39() = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreSavedTrackSettings(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE ApplyCatalogSettings(IItemIdList* trackIds) = 0;
    // With no list, the whole mix.
    virtual HRESULT STDMETHODCALLTYPE SortTracksByBpm(BOOL ascending, IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanSortTracks(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShuffleTracks(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanShuffleTracks(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE ContainsTrackId(DWORD trackId) = 0;
    virtual HRESULT STDMETHODCALLTYPE ContainsCatalogItem(DWORD catalogItemId) = 0;
    // S_FALSE past the end.
    virtual HRESULT STDMETHODCALLTYPE GetTrackIdAt(int index, DWORD* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsEditCopyUnchanged(DWORD editId, int index) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginTrackEdit(DWORD trackId, ITrackEditItem** copy) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndTrackEdit(ITrackEditItem* copy) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFirstVisibleTrackStart(LONGLONG* time) = 0;
    // Answers S_FALSE.
    virtual HRESULT STDMETHODCALLTYPE CommitTrackEdits(IItemIdList* editIds, BOOL edit) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetShowPerformedTracks(BOOL show) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetShowPerformedTracks() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddEffectClipToTracks(IItemIdList* trackIds, int effectId, LONGLONG start,
                                                            LONGLONG end) = 0;
    virtual HRESULT STDMETHODCALLTYPE SplitSegmentsAt(IItemIdList* trackIds, LONGLONG mixTime) = 0;
    // S_OK when at least two undo snapshots exist: one of them is the current state.
    virtual HRESULT STDMETHODCALLTYPE CanUndo() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanRedo() = 0;
    virtual HRESULT STDMETHODCALLTYPE Undo() = 0;
    virtual HRESULT STDMETHODCALLTYPE Redo() = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTrackObjects(IItemIdList* objectIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteTrackObjects(IItemIdList* objectIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE PasteTrackObjects(IItemIdList* trackIds, LONGLONG mixTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE CanPasteTrackObjects() = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTrackRange(IItemIdList* trackIds, LONGLONG start, LONGLONG end) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteTrackRange(IItemIdList* trackIds, LONGLONG start, LONGLONG end) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetTransitions(IItemIdList* editIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsLoopEnabled() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLoopEnabled(BOOL loop) = 0;
    // targetTrackId -1: the track under the mix time.
    virtual HRESULT STDMETHODCALLTYPE InsertCatalogItemsAtTime(IItemIdList* catalogItemIds, DWORD targetTrackId,
                                                               LONGLONG mixTime) = 0;
    // A plain truth value, not an HRESULT: a live performance mix is held beside the edited one.
    virtual BOOL STDMETHODCALLTYPE IsPerformanceRunning() = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetObjectMarkers(IItemIdList* trackIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE AlignOverlayTracks() = 0;
    virtual HRESULT STDMETHODCALLTYPE CanAlignOverlayTracks() = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateTracksFromCatalogItem(DWORD catalogItemId) = 0;
    // kind and mixingMode may be null.
    virtual HRESULT STDMETHODCALLTYPE GetTrackInfoAt(int index, DWORD* id, int* kind, int* mixingMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReverseTrackRange(IItemIdList* trackIds, LONGLONG start, LONGLONG end) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReverseTrackObjects(IItemIdList* objectIds) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrackCatalogFlags(DWORD trackId, int* flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveUndoSnapshot(BOOL markModified) = 0;
    // index may be null; E_FAIL when no track covers the time.
    virtual HRESULT STDMETHODCALLTYPE GetTrackAtTime(LONGLONG time, DWORD* id, int* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE LookUpTrackBeatMaps(IItemIdList* trackIds) = 0;
};

__CRT_UUID_DECL(IMixManager, 0x39F375E0, 0x19F8, 0x4B60, 0x9D, 0x94, 0xF1, 0x43, 0xBB, 0xB8, 0x9A, 0x69)
inline constexpr IID IID_IMixManager = EngineIid::MixManager;
