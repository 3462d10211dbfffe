// A RIFF form being read or written, navigated by child index and chunk id. Results are 1 or 0,
// not HRESULTs.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "interfaces/IArchive.h"

struct IRiffStream {
    // The id of the n-th direct child of the current level (chunk id, or list type for a list).
    virtual BOOL STDMETHODCALLTYPE GetChildId(int n, FOURCC* id) = 0;
    // Read mode: an archive over the data of the n-th child and its size.
    virtual BOOL STDMETHODCALLTYPE OpenChunk(int n, IArchive** archive, DWORD* size) = 0;
    // Makes the n-th child (a list) the current level.
    virtual BOOL STDMETHODCALLTYPE Descend(int n) = 0;
    // Write mode: a new chunk in the current level and an archive for its data.
    virtual BOOL STDMETHODCALLTYPE CreateChunk(FOURCC id, IArchive** archive) = 0;
    // Write mode: a new list in the current level, which becomes the current level.
    virtual BOOL STDMETHODCALLTYPE CreateList(FOURCC type) = 0;
    // Closes an open chunk, then leaves the current level (patching its size when writing).
    virtual BOOL STDMETHODCALLTYPE Ascend() = 0;
    // Closes the open chunk archive (patching its size when writing).
    virtual BOOL STDMETHODCALLTYPE CloseChunk() = 0;
    virtual ~IRiffStream() = default;
};
