// Musical time as the engine and the main program exchange it: measures and a fraction of a
// measure. A plain table of operations without IUnknown; each side links its own CMusicTime.
#pragma once

#include <windows.h>

struct IMusicTime {
    virtual HRESULT STDMETHODCALLTYPE GetTime(int* measures, float* fraction) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTime(int measures, float fraction) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyFrom(IMusicTime* source) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTo(IMusicTime* target) = 0;
};
