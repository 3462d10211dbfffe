// A list of 32-bit item ids (tracks, track objects, catalog items, video clips) as one side hands
// it to the other for the length of a call. Readers call GetAt from index 0 upward and stop at
// the first answer other than S_OK (the engine's lists answer S_FALSE past the end, the main
// program's E_FAIL).
#pragma once

#include <windows.h>
#include <unknwn.h>

struct IItemIdList : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAt(int index, DWORD* id) = 0;
};
