// The engine main object as the owner of what the mix manager owns (the player, the effects
// manager, the CD output), for tests that care only about what the object under test reports: it
// answers the mix manager's internal interface, the UI-update queue and, when a test sets one, the
// host-media interface; it counts its references and records UpdateMix, output configuration
// changes and posted updates. The play manager's questions about the mix answer as for an empty
// mix. Tests derive from it to do more on a call.
#pragma once

#include <utility>
#include <vector>

#include "engine/core/mix/MixManagerInternal.h"
#include "interfaces/IHostMedia.h"
#include "interfaces/IUiUpdateQueue.h"

class MixOwnerDouble : public IMixManagerInternal, public IUiUpdateQueue {
public:
    virtual ~MixOwnerDouble() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMixManagerInternal))
            *object = static_cast<IMixManagerInternal*>(this);
        else if (IsEqualIID(iid, IID_IUiUpdateQueue))
            *object = static_cast<IUiUpdateQueue*>(this);
        else if (IsEqualIID(iid, IID_IHostMedia) && hostMedia)
            *object = hostMedia;
        else
            return E_NOINTERFACE;
        static_cast<IUnknown*>(*object)->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&count)); }

    HRESULT STDMETHODCALLTYPE UpdateMix(BOOL modified) override
    {
        updates.push_back(modified);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnOutputConfigurationChanged(BOOL add) override
    {
        changes.push_back(add);
        return S_OK;
    }
    BOOL STDMETHODCALLTYPE PreparePlayItem(CPlayItem*) override { return FALSE; }
    BOOL STDMETHODCALLTYPE CancelPlayItemAnalysis(CPlayItem*) override { return FALSE; }
    BOOL STDMETHODCALLTYPE FindTrackAtPosition(LONGLONG, LONG*, int*) override { return FALSE; }
    BOOL STDMETHODCALLTYPE FindNextTrackStart(LONGLONG, LONGLONG*) override { return FALSE; }
    HRESULT STDMETHODCALLTYPE FindAdjacentTrackStart(LONGLONG, BOOL, LONGLONG*) override { return E_FAIL; }
    BOOL STDMETHODCALLTYPE AppendPauseAtMixEnd(LONGLONG) override { return FALSE; }
    HRESULT STDMETHODCALLTYPE GetTrackCatalogFlags(DWORD, int*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE BuildExportTrackList(int, CPlayerOutputExportInfo*) override { return E_FAIL; }

    HRESULT STDMETHODCALLTYPE PopUpdate(int*, int*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL) override
    {
        posts.push_back({code, value});
        return S_OK;
    }

    volatile LONG count = 1;
    IHostMedia* hostMedia = nullptr;
    std::vector<BOOL> updates;
    std::vector<BOOL> changes;
    std::vector<std::pair<int, int>> posts;
};
