// IUiUpdateQueue: a queue of UIUPDATE_MSG {code, value} messages from the engine to the main
// program. Posters on any thread; the main program pops on its UI thread every 25 ms.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct IUiUpdateQueue : public IUnknown {
    // The oldest message and S_OK; S_FALSE with the out values untouched when empty. A queue
    // group has nothing to pop and answers E_FAIL.
    virtual HRESULT STDMETHODCALLTYPE PopUpdate(int* code, int* value) = 0;
    // Appends {code, value} unless an equal message is already queued: equal by code when
    // coalesceByCode is set, by code and value otherwise.
    virtual HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL coalesceByCode) = 0;
};

__CRT_UUID_DECL(IUiUpdateQueue, 0x5BB60D1D, 0x582D, 0x4960, 0xA7, 0x6F, 0x32, 0x5F, 0x9D, 0x5A, 0x00, 0x18)
inline constexpr IID IID_IUiUpdateQueue = {
    0x5BB60D1D, 0x582D, 0x4960, {0xA7, 0x6F, 0x32, 0x5F, 0x9D, 0x5A, 0x00, 0x18}};
