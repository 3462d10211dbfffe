// A base for test owners that stand in for the mix manager but care only about what the object
// under test reports (UpdateMix, OnOutputConfigurationChanged): the play manager's questions about
// the mix answer as for an empty mix.
#pragma once

#include "engine/core/mix/MixManagerInternal.h"

class MixManagerInternalStub : public IMixManagerInternal {
public:
    BOOL STDMETHODCALLTYPE PreparePlayItem(CPlayItem*) override { return FALSE; }
    BOOL STDMETHODCALLTYPE CancelPlayItemAnalysis(CPlayItem*) override { return FALSE; }
    BOOL STDMETHODCALLTYPE FindTrackAtPosition(LONGLONG, LONG*, int*) override { return FALSE; }
    BOOL STDMETHODCALLTYPE FindNextTrackStart(LONGLONG, LONGLONG*) override { return FALSE; }
    HRESULT STDMETHODCALLTYPE FindAdjacentTrackStart(LONGLONG, BOOL, LONGLONG*) override { return E_FAIL; }
    BOOL STDMETHODCALLTYPE AppendPauseAtMixEnd(LONGLONG) override { return FALSE; }
    HRESULT STDMETHODCALLTYPE GetTrackCatalogFlags(DWORD, int*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE BuildExportTrackList(int, CPlayerOutputExportInfo*) override { return E_FAIL; }

protected:
    virtual ~MixManagerInternalStub() = default;
};
