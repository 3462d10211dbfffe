// IAttachedObject: the video montage library's object ("Saltcombe.DLL", outside this system) as
// the engine holds it. The main program hands it to IBrennock::Initialize; the engine forwards
// every IID that it does not serve itself to QueryService.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct IAttachedObject : public IUnknown {
    // Answers the video montage interfaces (IVideoMontage, IHostMedia, ...).
    virtual HRESULT STDMETHODCALLTYPE QueryService(REFIID iid, void** object) = 0;
    // Called once at the end of the engine's Initialize, with the engine main object.
    virtual HRESULT STDMETHODCALLTYPE Attach(IUnknown* engine) = 0;
    // Called from the engine's Shutdown.
    virtual HRESULT STDMETHODCALLTYPE Detach() = 0;
};

__CRT_UUID_DECL(IAttachedObject, 0x0F60934C, 0x157C, 0x4055, 0x9D, 0x01, 0x0C, 0x64, 0x03, 0x53, 0xDD, 0xF1)
inline constexpr IID IID_IAttachedObject = {
    0x0F60934C, 0x157C, 0x4055, {0x9D, 0x01, 0x0C, 0x64, 0x03, 0x53, 0xDD, 0xF1}};
