// The main program's list of file paths as a test hands it to the engine: GetAt answers from
// `paths`, Add records there. It lives on the test's stack, so AddRef and Release count nothing,
// and, like the program's list, it answers no QueryInterface.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "interfaces/IPathList.h"

class PathListDouble : public IPathList {
public:
    PathListDouble() = default;
    explicit PathListDouble(std::vector<std::wstring> list) : paths(std::move(list)) {}
    virtual ~PathListDouble() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetAt(int index, BSTR* text) override
    {
        if (index < 0 || static_cast<size_t>(index) >= paths.size())
            return S_FALSE;
        *text = SysAllocString(paths[static_cast<size_t>(index)].c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(BSTR text) override
    {
        paths.push_back(text);
        return S_OK;
    }

    std::vector<std::wstring> paths;
};
