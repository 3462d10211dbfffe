// IVideoMontage: the video interface of the video montage library, reached through the engine's
// own QueryInterface (which forwards it to the attached object's QueryService). The engine calls
// only the operations named here; the Reserved slots belong to the library's other clients and
// keep the table's layout.
#pragma once

#include "interfaces/IVideoClipList.h"

#include <windows.h>
#include <unknwn.h>

struct IVideoMontage : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    // After every mix rebuild.
    virtual HRESULT STDMETHODCALLTYPE OnMixChanged() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    // The video clip list object (a new reference for the caller).
    virtual HRESULT STDMETHODCALLTYPE GetVideoState(IVideoClipList** state) = 0;
    // Before an undo snapshot stores the state; the result is ignored.
    virtual HRESULT STDMETHODCALLTYPE PrepareVideoState(IVideoClipList* state) = 0;
    // Before a rebuild that restores a state.
    virtual HRESULT STDMETHODCALLTYPE RestoreVideoState(IVideoClipList* state) = 0;
};

__CRT_UUID_DECL(IVideoMontage, 0x782952F9, 0x434C, 0x4923, 0x98, 0x24, 0xB3, 0x87, 0xB6, 0x50, 0x7A, 0x3C)
inline constexpr IID IID_IVideoMontage = {0x782952F9, 0x434C, 0x4923, {0x98, 0x24, 0xB3, 0x87, 0xB6, 0x50, 0x7A, 0x3C}};
