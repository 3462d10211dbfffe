// IVideoPreviewPlayer: the video montage library's preview of one file, created by
// IHostMedia::CreateVideoPreview for the catalog previewer. Positions in microseconds.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct IVideoPreviewPlayer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Seek(LONGLONG position) = 0;
    virtual HRESULT STDMETHODCALLTYPE Play() = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPosition(LONGLONG* position) = 0;
    // S_OK while playing.
    virtual HRESULT STDMETHODCALLTYPE IsPlaying() = 0;
};
