// ICatPreviewer: listening to one catalog item outside the mix. Audio items play from their file's
// start on the preview device; video items play in the video montage library's preview player.
// The engine creates the previewer at the first request for this interface (EngineIid::CatPreviewer)
// and ticks it from its service thread. Every change of the item or of its play state is posted to
// the UI-update queue as code 7 with the item id (-1: no item).
#pragma once

#include "interfaces/EngineIids.h"

#include <windows.h>
#include <unknwn.h>

struct ICatPreviewer : public IUnknown {
    // S_FALSE when the item is already the one previewed; E_FAIL when the catalog has no such item.
    virtual HRESULT STDMETHODCALLTYPE SetItem(DWORD catalogItemId) = 0;
    // Stops and removes the preview and lets go of the item.
    virtual HRESULT STDMETHODCALLTYPE Clear() = 0;
    // The item id and S_OK, or -1 and S_FALSE without an item.
    virtual HRESULT STDMETHODCALLTYPE GetItem(DWORD* catalogItemId) = 0;
    // How far the preview has played, 0 to 1; 0 and S_FALSE when that cannot be told.
    virtual HRESULT STDMETHODCALLTYPE GetPosition(float* fraction) = 0;
    // S_OK when an item is set and the mix is not being performed.
    virtual HRESULT STDMETHODCALLTYPE CanPreview() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsPlaying() = 0;
    // Plays the item from its start; E_FAIL while it cannot be previewed.
    virtual HRESULT STDMETHODCALLTYPE Play() = 0;
    // E_NOTIMPL.
    virtual HRESULT STDMETHODCALLTYPE NotImplemented10(DWORD first, DWORD second) = 0;
    // Stops and goes back to the start.
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    // Jumps 30 seconds ahead; a stopped preview starts from the beginning instead.
    virtual HRESULT STDMETHODCALLTYPE SeekAhead() = 0;
    // Takes the preview off the player (it is made again at the next Play).
    virtual HRESULT STDMETHODCALLTYPE Detach() = 0;
};

__CRT_UUID_DECL(ICatPreviewer, 0xC1854ADF, 0xC9C4, 0x44CC, 0xBA, 0xA5, 0x64, 0x48, 0xE4, 0x56, 0x70, 0x02)
inline constexpr IID IID_ICatPreviewer = EngineIid::CatPreviewer;
