// The identity of a music file (16 bytes computed from its audio data) as two 64-bit halves, low
// half first. A plain table of operations without IUnknown.
#pragma once

#include <windows.h>

struct IMusicFileId {
    virtual HRESULT STDMETHODCALLTYPE GetId(LONGLONG* low, LONGLONG* high) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetId(LONGLONG low, LONGLONG high) = 0;
};
