// Shared helpers of the engine frame tests: counting fakes, paths of the build's programs and
// libraries, and running a Windows program of the prefix (regsvr32, reg) with its output.
#pragma once

#include "interfaces/IAttachedObject.h"
#include "tests/support/RunProgram.h"

#include <windows.h>
#include <unknwn.h>

#include <string>
#include <vector>

// An IUnknown that counts its references and is never deleted (it lives on the test's stack).
class CountingUnknown : public IUnknown {
public:
    virtual ~CountingUnknown() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&count)); }
    volatile LONG count = 1;
};

// The video montage library's attached object as a counting fake: it answers IAttachedObject,
// logs QueryService, Attach and Detach, and serves one IID (`servedIid`) with `service`.
class FakeAttachedObject : public IAttachedObject {
public:
    virtual ~FakeAttachedObject() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&count)); }
    HRESULT STDMETHODCALLTYPE QueryService(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE Attach(IUnknown* engine) override;
    HRESULT STDMETHODCALLTYPE Detach() override;

    volatile LONG count = 1;
    IID servedIid = IID_NULL;
    CountingUnknown service;
    std::vector<IID> serviceQueries;
    int attachCalls = 0;
    int detachCalls = 0;
    IUnknown* attachedEngine = nullptr;
};

// The folder of the test program (the build's bin folder), ending in a backslash.
std::wstring BinFolder();
// The number of threads of this process.
int ThreadCount();
// A printable GUID for failure messages.
std::string GuidText(REFGUID guid);
