// IProfileSource: one catalog item as the analysis sees it. The catalog item implements it (it
// opens the right reader for its file type and hands back a stored MP3 frame table); until the
// catalog exists, tests implement it over a WAV or MP3 file.
//
// Progress: the analysis asks the source for IUiUpdateQueue (a catalog item answers through the
// engine) and posts 1000 + percent with the item id; a source that does not answer gets none.
//
// Threads: called on the analysis job's thread; AddRef and Release from any thread.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "engine/core/storage/MusicFileId.h"
#include "interfaces/IPcmReader.h"

struct IProfileSource : public IUnknown {
    // The catalog item id the results belong to.
    virtual DWORD STDMETHODCALLTYPE GetItemId() = 0;
    // A new reader opened on the item's file (with the profiling flag as given); the caller
    // shuts it down and releases it. A failure HRESULT when the file cannot be opened.
    virtual HRESULT STDMETHODCALLTYPE OpenPcmReader(BOOL profiling, IPcmReader** reader) = 0;
    // The identity of the item's file as it is on disk now; FALSE when it cannot be computed.
    virtual BOOL STDMETHODCALLTYPE ComputeMusicFileId(CMusicFileId* id) = 0;
};
