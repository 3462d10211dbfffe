// IEfxManager: an effects chain as the main program edits it: the mix's master chain, or an
// effect clip's own chain. Called on the user interface thread; each call takes the effects
// host's lock inside, so a chain never changes in the middle of a processing pass.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>

#include "interfaces/EngineIids.h"

struct IEfxManager : public IUnknown {
    // The index-th installed effect plug-in (index back in *plugInIndex) and a new BSTR name that
    // the caller frees; E_FAIL past the end or without the effects host.
    virtual HRESULT STDMETHODCALLTYPE GetAvailablePlugIn(int index, DWORD* plugInIndex, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryAvailablePlugIn(int index, DWORD* plugInIndex, BSTR* name) = 0;
    // The plug-in at a chain position (name, and its id when id is given); E_FAIL past the end.
    virtual HRESULT STDMETHODCALLTYPE GetChainPlugIn(int position, BSTR* name, LONG* id) = 0;
    // Appends the installed plug-in at that index; E_FAIL when it cannot be inserted.
    virtual HRESULT STDMETHODCALLTYPE AddChainPlugIn(int availableIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveChainPlugIn(LONG id) = 0;
    // TRUE when moved before the plug-in beforeId (or appended), FALSE otherwise.
    virtual BOOL STDMETHODCALLTYPE MoveChainPlugIn(LONG id, LONG beforeId) = 0;
    // The plug-in object itself (one reference), for its property pages.
    virtual HRESULT STDMETHODCALLTYPE GetChainPlugInObject(LONG id, IUnknown** object) = 0;
    // Restores the settings committed last.
    virtual HRESULT STDMETHODCALLTYPE RevertChainSettings() = 0;
    // Keeps the current settings as the committed ones.
    virtual HRESULT STDMETHODCALLTYPE CommitChainSettings() = 0;
};

__CRT_UUID_DECL(IEfxManager, 0x92B7D400, 0x9067, 0x4C93, 0x9E, 0xF3, 0x53, 0x33, 0xAE, 0xE5, 0x64, 0xDB)
inline constexpr IID IID_IEfxManager = EngineIid::EfxManager;
