// CMixManager: the engine's owner of the mix: the ordered track list the user arranges, the play
// managers that render it (stream 0 live, always there after Initialize; stream 1 pending, while
// a performance runs beside the edited mix), the master beat map, the master effects manager and
// the undo history. Every change of the track list ends in one rebuild: the mix builder lays the
// tracks out, the master beat map and the play managers follow without moving playback, the user
// interface is told (UI updates 8 and 9) and, for an edit, an undo snapshot and the last-mix file
// "defaultplaylist.cfp" are written.
//
// The owner (the engine main object) is asked per use, and released at once, for the UI-update
// queue, IBrennock (the version record of saved documents), the file mapper and the video
// montage; each may be absent and its step is then skipped. Analysis results and the files behind
// tracks come through the two catalog seams handed to SetCatalogSources.
//
// Threads: every operation takes the global mix lock (re-entrant) for its whole duration; the
// UI thread calls IMixManager, the service thread Tick, the play managers' threads the
// IMixManagerInternal operations. UI updates are posted, never sent.
#pragma once

#include <windows.h>

#include <functional>
#include <list>
#include <memory>
#include <vector>

#include "classlib/core/String.h"
#include "engine/core/mix/MixManagerInternal.h"
#include "engine/core/mix/UndoStore.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/Unknown.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "engine/playback/effects/MixGlobals.h"
#include "engine/playback/graph/PlayItem.h"
#include "interfaces/IMixManager.h"

class CCatalog;
class CEfxManager;
class CMasterBeatMap;
class CPlayManager;
class CSegment;
struct IMixProfileSource;
struct IMixTrackSource;
struct IVideoClipList;
struct IVideoMontage;

// The UI updates the mix manager posts.
namespace MixManagerUi {
inline constexpr int MixChanged = 8;       // value 0
inline constexpr int ModifiedChanged = 9;  // value: the modified flag
inline constexpr int OutputConfigurationChanged = 15;
inline constexpr int PendingStreamChanged = 17;
// value: the number of tracks a loaded document lost because their files could not be found
inline constexpr int TracksLeftOut = 24;
}  // namespace MixManagerUi

class CMixManager : public IMixManager, public IMixManagerInternal, public CUnknown {
public:
    static constexpr WORD kLiveStream = 0;
    static constexpr WORD kPendingStream = 1;

    // outer: the engine main object.
    explicit CMixManager(IUnknown* outer);
    ~CMixManager() override;

    DECLARE_DELEGATING_UNKNOWN
    // The main program's IMixManager IID answers IMixManager; the engine's own IID answers
    // IMixManagerInternal, the engine-side view other engine objects use. IPlayManager is the
    // pending play manager when there is one, else the live one; the live IID always the live one.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    void FinalRelease() override;

    // Where analysis results and the tracks' files come from (the catalog in the engine); either
    // may be null (the steps that need it are skipped). Not owned: they outlive the manager.
    void SetCatalogSources(IMixProfileSource* profiles, IMixTrackSource* files);

    // Keeps the last-mix file name (undo snapshots go to its folder), creates the live play
    // manager and runs the first rebuild, which leaves the mix unmodified.
    void Initialize(const wchar_t* mixFileName);
    // Registers the effects processor of every play manager but the pending one with the effects
    // manager.
    void RegisterEffectChains();
    // The service thread's 50 ms step: every play manager's tick.
    void Tick();
    // Closes every play manager, empties the track list and clears the master beat map from it.
    void ShutDown();

    void AddPendingPlayManager();
    void RemovePendingPlayManager();
    CPlayManager* GetLivePlayManager() const;
    CPlayManager* GetCurrentPlayManager() const;

    // edit: a user's change (an undo snapshot follows). setModified 0 with edit 1 marks a loaded
    // document that replaced the mix (the modified flag is cleared); with edit 0 the flag is kept.
    // video: the video montage's restored state, or null.
    void RebuildMix(BOOL edit, BOOL setModified, IVideoClipList* video);
    // The mix becomes the given tracks (copies, prepared as for a commit) and globals (an empty
    // record without them), then a rebuild as an edit with setModified. Tracks whose files the
    // file mapper cannot find are left out (it may ask the user, with the global mix lock not
    // held): the answer is then S_FALSE, the mix is marked modified and UI update TracksLeftOut
    // carries their number.
    HRESULT ReplaceMix(const CTrackInfoContainer* tracks, const CMixGlobals* globals, IVideoClipList* video,
                       BOOL setModified);
    // Inserts the tracks (references taken, prepared as for a commit) at the absolute index;
    // tracks whose ids are already in the mix leave their old place. Rebuilds as an edit. The
    // number of tracks inserted (those whose files were found, looked for before the global mix
    // lock is taken); 0 changes nothing.
    int InsertTracksAt(const CTrackInfoContainer& tracks, int index);
    // Tracks for music files, as dropping files on the mix makes them: each path that is missing
    // is looked for through the file mapper, found in the catalog or added to it, and its item
    // made a track. Paths that lead to no catalog item are left out. FALSE without a catalog.
    BOOL MakeFileTracks(std::vector<CString>& paths, CTrackInfoContainer& tracks);
    // The conversions a document of an older form needs before it joins the mix.
    void ConvertLoadedTracks(CTrackInfoContainer& tracks, DWORD version);
    void SetMixGlobals(const CMixGlobals& globals, BOOL edit);
    LONGLONG GetMixEndTime() const;
    // Writes the mix as a mix document (only to a "cfp" path); FALSE when it was not written.
    BOOL WriteMix(const wchar_t* path);

    BOOL IsModified() const { return m_modified; }
    const CTrackInfoContainer& Tracks() const { return m_tracks; }
    const CMixGlobals& Globals() const { return m_globals; }
    CUndoStore* GetUndoStore() const { return m_undo.get(); }

    // IMixManagerInternal
    HRESULT STDMETHODCALLTYPE UpdateMix(BOOL modified) override;
    HRESULT STDMETHODCALLTYPE OnOutputConfigurationChanged(BOOL add) override;
    BOOL STDMETHODCALLTYPE PreparePlayItem(CPlayItem* item) override;
    BOOL STDMETHODCALLTYPE CancelPlayItemAnalysis(CPlayItem* item) override;
    BOOL STDMETHODCALLTYPE FindTrackAtPosition(LONGLONG position, LONG* trackId, int* index) override;
    BOOL STDMETHODCALLTYPE FindNextTrackStart(LONGLONG position, LONGLONG* start) override;
    HRESULT STDMETHODCALLTYPE FindAdjacentTrackStart(LONGLONG position, BOOL next, LONGLONG* start) override;
    BOOL STDMETHODCALLTYPE AppendPauseAtMixEnd(LONGLONG position) override;
    HRESULT STDMETHODCALLTYPE GetTrackCatalogFlags(DWORD trackId, int* flags) override;
    HRESULT STDMETHODCALLTYPE BuildExportTrackList(int mode, CPlayerOutputExportInfo* info) override;

    // IMixManager: the queries and the undo snapshot (MixManagerQueries.cpp,
    // MixManagerDocument.cpp), the track list operations (MixManagerTrackList.cpp), insertion of
    // catalog items and files (MixManagerInsert.cpp), track kinds, mixing modes and saved
    // settings (MixManagerModes.cpp), undo and redo (MixManagerUndo.cpp), edit copies
    // (MixManagerEditCopies.cpp), track objects and ranges (MixManagerTrackObjects.cpp,
    // MixManagerReverse.cpp, MixManagerOverlayAlign.cpp) and the performance commands
    // (MixManagerPerformance.cpp).
    HRESULT STDMETHODCALLTYPE GetVisibleTrackCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetVisibleTrack(int index, ITrackEditItem** copy) override;
    HRESULT STDMETHODCALLTYPE GetTrackCopy(int index, ITrackEditItem** copy) override;
    HRESULT STDMETHODCALLTYPE GetTrackCount(int* count) override;
    HRESULT STDMETHODCALLTYPE GetTrackById(DWORD id, ITrackEditItem** item) override;
    HRESULT STDMETHODCALLTYPE GetMixLength(LONGLONG* length) override;
    HRESULT STDMETHODCALLTYPE ContainsTrackId(DWORD trackId) override;
    HRESULT STDMETHODCALLTYPE ContainsCatalogItem(DWORD catalogItemId) override;
    HRESULT STDMETHODCALLTYPE GetTrackIdAt(int index, DWORD* id) override;
    HRESULT STDMETHODCALLTYPE GetTrackInfoAt(int index, DWORD* id, int* kind, int* mixingMode) override;
    HRESULT STDMETHODCALLTYPE SaveUndoSnapshot(BOOL markModified) override;

    HRESULT STDMETHODCALLTYPE InsertCatalogItems(IItemIdList*, int) override;
    HRESULT STDMETHODCALLTYPE MoveTracks(IItemIdList*, int) override;
    HRESULT STDMETHODCALLTYPE InsertFiles(IPathList*, int) override;
    HRESULT STDMETHODCALLTYPE MixIntoNextTrackNow() override;
    HRESULT STDMETHODCALLTYPE FadeOutCurrentTrack() override;
    HRESULT STDMETHODCALLTYPE PauseAfterCurrentTrack() override;
    HRESULT STDMETHODCALLTYPE CanMixIntoNextTrack() override;
    HRESULT STDMETHODCALLTYPE CanFadeOutCurrentTrack() override;
    HRESULT STDMETHODCALLTYPE CanPauseAfterCurrentTrack() override;
    HRESULT STDMETHODCALLTYPE PasteTracks(int) override;
    HRESULT STDMETHODCALLTYPE CanPasteTracks() override;
    HRESULT STDMETHODCALLTYPE CopyTracks(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE RemoveTracks(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE GetPlayPosition(LONGLONG*) override;
    HRESULT STDMETHODCALLTYPE CanEditTrackProperties(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE HasSavedTrackSettings(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE CanInsertPauseAfterTrack(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE InsertPauseAfterTrack(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE CanCueTrack(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE CueTrack(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE IsBeatMixed(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE IsStandardMixed(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE CanSetBeatMixing(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE CanSetStandardMixing(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE SetBeatMixing(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE SetStandardMixing(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE HasPrimaryTrack(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE HasOverlayTrack(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE MakePrimaryTracks(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE MakeOverlayTracks(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE NotImplemented39() override;
    HRESULT STDMETHODCALLTYPE RestoreSavedTrackSettings(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE ApplyCatalogSettings(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE SortTracksByBpm(BOOL, IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE CanSortTracks(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE ShuffleTracks(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE CanShuffleTracks(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE IsEditCopyUnchanged(DWORD, int) override;
    HRESULT STDMETHODCALLTYPE BeginTrackEdit(DWORD, ITrackEditItem**) override;
    HRESULT STDMETHODCALLTYPE EndTrackEdit(ITrackEditItem*) override;
    HRESULT STDMETHODCALLTYPE GetFirstVisibleTrackStart(LONGLONG*) override;
    HRESULT STDMETHODCALLTYPE CommitTrackEdits(IItemIdList*, BOOL) override;
    HRESULT STDMETHODCALLTYPE SetShowPerformedTracks(BOOL) override;
    HRESULT STDMETHODCALLTYPE GetShowPerformedTracks() override;
    HRESULT STDMETHODCALLTYPE AddEffectClipToTracks(IItemIdList*, int, LONGLONG, LONGLONG) override;
    HRESULT STDMETHODCALLTYPE SplitSegmentsAt(IItemIdList*, LONGLONG) override;
    HRESULT STDMETHODCALLTYPE CanUndo() override;
    HRESULT STDMETHODCALLTYPE CanRedo() override;
    HRESULT STDMETHODCALLTYPE Undo() override;
    HRESULT STDMETHODCALLTYPE Redo() override;
    HRESULT STDMETHODCALLTYPE CopyTrackObjects(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE DeleteTrackObjects(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE PasteTrackObjects(IItemIdList*, LONGLONG) override;
    HRESULT STDMETHODCALLTYPE CanPasteTrackObjects() override;
    HRESULT STDMETHODCALLTYPE CopyTrackRange(IItemIdList*, LONGLONG, LONGLONG) override;
    HRESULT STDMETHODCALLTYPE DeleteTrackRange(IItemIdList*, LONGLONG, LONGLONG) override;
    HRESULT STDMETHODCALLTYPE ResetTransitions(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE IsLoopEnabled() override;
    HRESULT STDMETHODCALLTYPE SetLoopEnabled(BOOL) override;
    HRESULT STDMETHODCALLTYPE InsertCatalogItemsAtTime(IItemIdList*, DWORD, LONGLONG) override;
    BOOL STDMETHODCALLTYPE IsPerformanceRunning() override;
    HRESULT STDMETHODCALLTYPE ResetObjectMarkers(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE AlignOverlayTracks() override;
    HRESULT STDMETHODCALLTYPE CanAlignOverlayTracks() override;
    HRESULT STDMETHODCALLTYPE UpdateTracksFromCatalogItem(DWORD) override;
    HRESULT STDMETHODCALLTYPE ReverseTrackRange(IItemIdList*, LONGLONG, LONGLONG) override;
    HRESULT STDMETHODCALLTYPE ReverseTrackObjects(IItemIdList*) override;
    HRESULT STDMETHODCALLTYPE GetTrackAtTime(LONGLONG, DWORD*, int*) override;
    HRESULT STDMETHODCALLTYPE LookUpTrackBeatMaps(IItemIdList*) override;

private:
    // Rebuild steps.
    void ApplyPendingAnalysis();
    void AssignTrackIds();
    void UpdatePlayList(CPlayManager& manager);
    // The play manager's item of the track that holds its play position, or null.
    CPlayItem* FindCurrentItem(CPlayManager& manager, LONGLONG position);
    // The item's new state with everything it renders (CPlayItem::TakeTrackState swaps it in), made
    // without touching the item; asks the catalog for the item's analysis when it has none yet.
    void MakeItemState(const CPlayItem& item, CTrackInfo& track, CPlayItem::TrackState& state);
    // Before a track joins the mix or an edit copy is written back: an overlay track mixes by
    // standard mixing and its markers take the form the builder and the editor keep them in.
    // committed: the track of the mix an edit copy replaces, or null.
    void PrepareAsForCommit(CTrackInfo& track, CTrackInfo* committed = nullptr);
    // The timeline draws tracks that join the mix from their plots: they count as recently used.
    void TouchTrackPlots(const CTrackInfoContainer& tracks);
    BOOL IsStandardMixingDefault();
    // The absolute index before which an insertion at the visible position goes: the end for a
    // position outside the visible list.
    int InsertIndex(int visiblePosition) const;
    // References to the listed tracks of the mix, in list order, each once.
    void CollectTracks(IItemIdList* trackIds, CTrackInfoContainer& found) const;
    // Sorting and shuffling: the whole mix without a list, else the listed tracks at the place of
    // the first listed one.
    HRESULT ReorderTracks(IItemIdList* trackIds, int (*reorder)(CTrackInfoContainer&, BOOL), BOOL ascending);
    // Tracks made from catalog items, the saved settings of each item's file applied; FALSE
    // without a catalog.
    BOOL MakeCatalogTracks(const std::vector<DWORD>& itemIds, CTrackInfoContainer& tracks);
    // One switch of the mixing mode; TRUE when the track changed.
    BOOL SwitchMixingMode(CTrackInfo& track, BOOL toStandard);
    HRESULT SetMixingModes(IItemIdList* trackIds, BOOL toStandard);
    // An overlay's beat segment placed over the mix span: the parent's track times (the mix
    // times without a parent) and the length; the builder takes its musical times from them.
    // FALSE when the parent's map cannot place the span.
    static BOOL PlaceOverlaySegment(CSegment& segment, CTrackInfo* parent, LONGLONG mixStart, LONGLONG mixEnd);
    // S_OK when any listed track of the mix passes the test.
    HRESULT AnyListedTrack(IItemIdList* trackIds, bool (*test)(const CTrackInfo&)) const;
    // The listed tracks filled again by their catalog items, or first from the saved settings of
    // their files; each keeps its id. A rebuild as an edit when any was listed.
    HRESULT RefillTracks(IItemIdList* trackIds, BOOL savedSettings);
    // A primary track becomes an overlay of the parent (none: of no track), mixed by standard
    // mixing; placeSegment gives each beat segment its place.
    static void BecomeOverlay(CTrackInfo& track, CTrackInfo* parent,
                              const std::function<void(CSegment&)>& placeSegment);
    // The track's catalog item fills it again (path, identity, length, analysis, tempo); FALSE
    // without the item.
    BOOL FillFromCatalogItem(CCatalog* catalog, CTrackInfo& track);
    // Undo or redo through the store; S_FALSE and nothing changed when there is no step or its
    // snapshot cannot be read.
    HRESULT RestoreSnapshot(BOOL redo);
    CTrackInfo* FindTrack(LONG trackId, int* index) const;
    // The hidden count: the performed tracks the playlist leaves out.
    int HiddenTrackCount() const;
    BOOL IsPerformed(int index) const;
    void Post(int code, int value);
    // The video montage of the owner, when one answers.
    HRESULT AcquireVideo(IVideoMontage** video);
    CPlayManager* CreatePlayManager(WORD stream);
    void RegisterEffectChain(CPlayManager& manager);
    // Performance commands. The current track: the one whose play item holds the live play
    // position; FALSE while the mix does not play.
    BOOL FindCurrentTrack(LONG* trackId, LONGLONG* position);
    // A pause track directly after the track; FALSE (nothing changes) for a pause track or when a
    // pause already stands before the next primary track.
    BOOL InsertPauseAfter(LONG trackId);
    // The track's outro starts at the play position (moved on by the part of the next track that
    // already sounds before it) and its fade-out is laid again; FALSE when it did not move.
    BOOL MoveTransition(CTrackInfo& track, LONGLONG position, BOOL pauseRemoved);
    BOOL MoveOutroTo(CTrackInfo& track, LONGLONG mixTime, BOOL pauseAfter);
    // The track's material after its audible end is cut off.
    void TrimAfterAudibleEnd(CTrackInfo& track);
    // Mix into the next track now (fadeOut false) or fade out into a pause (true).
    HRESULT SteerCurrentTrack(bool fadeOut);
    // Track objects. The track holding the object, or null.
    CTrackInfo* FindObjectTrack(LONG objectId) const;
    // Every object of the mix gets an id unique within the mix (objects keep the ids they have).
    // New ids count on from the highest id in the mix as it stands, so the markers a rebuild lays
    // again take the same ids each time and a rebuilt mix equals the mix it was rebuilt from.
    void NumberTrackObjects();
    // A track whose material was cut: without a segment left it leaves the mix, else it is
    // prepared as for a commit.
    void SettleEditedTrack(int index);
    // The clipboard's container of the clip's format, read whole; FALSE (the clip possibly
    // partly filled) when it is not there or does not read as a whole container.
    static BOOL ReadWholeClipboard(CTrackInfoContainer& clip);
    // Pasted tracks join the mix after the track at the time, or at its end.
    HRESULT PasteAsTracks(CTrackInfoContainer& clip, LONGLONG mixTime);
    // The segments of the layer heard at the time are split there.
    void SplitTrackAt(CTrackInfo& track, LONGLONG mixTime);
    // An overlay's musical times, relative to its old parent's grid, become relative to the new
    // parent's (-1: the master grid).
    void RemapOverlayMusicTimes(CTrackInfo& track, LONG oldParent, LONG newParent);
    // Whether the track's catalog item plays through the host (it cannot be reversed).
    BOOL IsHostMedia(CTrackInfo& track);
    // Edit copies: a copy's beat segments take the values of their mix times; the copies the
    // user interface has not ended yet are let go of when the manager shuts down.
    void RefreshEditMusicTimes(CTrackInfo& copy);
    void ReleaseEditCopies();

    // A track copy handed out for a long edit, kept until the user interface ends it.
    struct EditCopy {
        CTrackInfo* copy;  // one reference owned here
        bool committed;
    };

    CTrackInfoContainer m_tracks;
    std::unique_ptr<CUndoStore> m_undo;
    CMixGlobals m_globals;
    // A list: its entries are never moved (an inner pointer cannot be copied).
    std::list<InnerPtr<CPlayManager>> m_playManagers;
    InnerPtr<CMasterBeatMap> m_beatMap;
    InnerPtr<CEfxManager> m_efxManager;
    CString m_mixFileName;
    IMixProfileSource* m_profiles = nullptr;
    IMixTrackSource* m_files = nullptr;
    LONG m_nextTrackId = 0;
    std::vector<EditCopy> m_editCopies;
    LONG m_nextEditCopyId = 0;
    BOOL m_showPerformed = TRUE;
    BOOL m_enabled = FALSE;
    BOOL m_modified = FALSE;
    BOOL m_ready = TRUE;
    BOOL m_closing = FALSE;
};
