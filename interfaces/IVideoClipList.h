// IVideoClipList: the video montage library's list of video clips, stored inside mix documents
// (LIST "VIDL") and undo snapshots. A negative result fails the caller's read or write. Its
// format is the library's own.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct IRiffStream;
struct IArchive;

struct IVideoClipList : public IUnknown {
    // After each "TRKI" list of a mix document was read; trackId is the track's run-time id.
    virtual HRESULT STDMETHODCALLTYPE OnTrackRead(IRiffStream* stream, int trackId) = 0;
    // Inside LIST "VIDL" of a mix document being read.
    virtual HRESULT STDMETHODCALLTYPE ReadVideoList(IRiffStream* stream) = 0;
    // After each "TRKI" list of a mix document was written.
    virtual HRESULT STDMETHODCALLTYPE OnTrackWritten(int trackId, IRiffStream* stream) = 0;
    // Inside LIST "VIDL" of a mix document being written.
    virtual HRESULT STDMETHODCALLTYPE WriteVideoList(IRiffStream* stream) = 0;
    // Writes or reads the list in an undo snapshot, as the archive's IsStoring says.
    virtual HRESULT STDMETHODCALLTYPE Serialize(IArchive* archive) = 0;
};
