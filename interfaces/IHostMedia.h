// IHostMedia: the video montage library's media services (further media types, video export
// formats, the live stream's play notifications, video previews), reached through the engine's
// QueryInterface forwarding. Times in microseconds. The engine calls only the operations named
// here; the Reserved slots belong to the library's other clients and keep the table's layout.
#pragma once

#include "interfaces/IVideoPreviewPlayer.h"

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>

struct IPlayManager;
struct IPcmReader;

struct IHostMedia : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnPlayStarting(LONGLONG start, IPlayManager* playManager) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnPlayStarted(LONGLONG start, IPlayManager* playManager) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnPlayStopped() = 0;
    // A list of "ext;" entries.
    virtual HRESULT STDMETHODCALLTYPE GetExtensions(BSTR* list) = 0;
    // Succeeds when the library plays the file.
    virtual HRESULT STDMETHODCALLTYPE GetMediaInfo(BSTR path, LONGLONG* samples, int* rate) = 0;
    // A 40-byte bitmap header and the pixels; a NULL buffer gives the size only.
    virtual HRESULT STDMETHODCALLTYPE GetThumbnail(BSTR path, LONGLONG time, BYTE* buffer, DWORD* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    // The reader then delivers the file's audio.
    virtual HRESULT STDMETHODCALLTYPE PrepareReader(BSTR path, IPcmReader* reader) = 0;
    // S_OK while an entry exists.
    virtual HRESULT STDMETHODCALLTYPE GetExportType(int index, int* id, BSTR* name, BSTR* extension) = 0;
    // The formats of the last type asked for.
    virtual HRESULT STDMETHODCALLTYPE GetExportFormat(int index, int* id, BSTR* name, int* bitRate) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    // S_OK when it set the position.
    virtual HRESULT STDMETHODCALLTYPE OnReposition(LONGLONG offset, LONGLONG newPosition, LONGLONG* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved17() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved18() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateVideoPreview(BSTR path, BSTR deviceName, IVideoPreviewPlayer** player) = 0;
};

__CRT_UUID_DECL(IHostMedia, 0x87B3AB89, 0x1A2D, 0x425B, 0xB1, 0xE4, 0xDC, 0x65, 0xBF, 0xF9, 0xF1, 0x5C)
inline constexpr IID IID_IHostMedia = {0x87B3AB89, 0x1A2D, 0x425B, {0xB1, 0xE4, 0xDC, 0x65, 0xBF, 0xF9, 0xF1, 0x5C}};
