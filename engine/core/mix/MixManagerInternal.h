// IMixManagerInternal: the mix manager's operations that other engine objects call, reached by
// asking the engine main object (an object's outer) for EngineIid::MixManagerOperations. The mix
// manager implements it; objects that change the mix behind its back (the effects manager, the
// play manager, the player) report here. Tests give the caller an owner double that answers it.
// Called under the global mix lock.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "interfaces/EngineIids.h"

class CPlayItem;
class CPlayerOutputExportInfo;

struct IMixManagerInternal : public IUnknown {
    // Something of the mix changed outside the track list (the effects chain, ...): the mix is
    // rebuilt; modified tells whether the mix now counts as modified.
    virtual HRESULT STDMETHODCALLTYPE UpdateMix(BOOL modified) = 0;
    // The output configuration changed: add nonzero adds the pending play manager, zero removes
    // it; then the user interface is told (code 15). The player calls it with 0 after applying a
    // new configuration, once it has let go of its own lock.
    virtual HRESULT STDMETHODCALLTYPE OnOutputConfigurationChanged(BOOL add) = 0;

    // What a play manager asks of the mix while it plays. Times are microseconds of mix time.
    // Loads the item from its track (queueing the track's catalog item for analysis when it has
    // none yet); FALSE without the track.
    virtual BOOL STDMETHODCALLTYPE PreparePlayItem(CPlayItem* item) = 0;
    // The item's catalog item leaves the analysis queue.
    virtual BOOL STDMETHODCALLTYPE CancelPlayItemAnalysis(CPlayItem* item) = 0;
    // The track that plays at the position (the last whose lead span holds it, else the primary
    // track whose span does); FALSE when none.
    virtual BOOL STDMETHODCALLTYPE FindTrackAtPosition(LONGLONG position, LONG* trackId, int* index) = 0;
    // The start of the first pause track that starts more than 100 ms after the position.
    virtual BOOL STDMETHODCALLTYPE FindNextTrackStart(LONGLONG position, LONGLONG* start) = 0;
    // The audible start of the next (or previous) primary track from the position; E_FAIL when
    // none.
    virtual HRESULT STDMETHODCALLTYPE FindAdjacentTrackStart(LONGLONG position, BOOL next, LONGLONG* start) = 0;
    // A mix that played to its end at the position waits in a pause appended there.
    virtual BOOL STDMETHODCALLTYPE AppendPauseAtMixEnd(LONGLONG position) = 0;
    // The flags word of the track's catalog item (bit 0: its audio can be played); E_FAIL without
    // the track or the item.
    virtual HRESULT STDMETHODCALLTYPE GetTrackCatalogFlags(DWORD trackId, int* flags) = 0;
    // Fills the list with where the mix's tracks end, in one of CPlayerOutputExportInfo's modes,
    // sorted by position, each entry with its track's catalog title, artist and album (an export's
    // per-track markers, the CD writer's track layout).
    virtual HRESULT STDMETHODCALLTYPE BuildExportTrackList(int mode, CPlayerOutputExportInfo* info) = 0;
};

inline constexpr IID IID_IMixManagerInternal = EngineIid::MixManagerOperations;
