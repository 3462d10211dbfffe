// IPathList: the main program's list of file paths, handed to the engine for the length of one
// call. It answers no QueryInterface and has no IID.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct IPathList : public IUnknown {
    // A new BSTR copy of the index-th path, freed by the receiver; S_FALSE past the end.
    virtual HRESULT STDMETHODCALLTYPE GetAt(int index, BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE Add(BSTR text) = 0;
};
