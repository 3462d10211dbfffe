// A stand-in for the engine's player: GetWebcastUrl answers with the address and result set in
// it; the other operations answer E_NOTIMPL. Reference counts are kept, not acted on.
#pragma once

#include "interfaces/IPlayer.h"
#include "tests/app/double/NotCalled.h"

#include <windows.h>

#include <string>

class PlayerDouble : public IPlayer {
public:
    virtual ~PlayerDouble() = default;
    std::wstring webcastUrl;
    HRESULT webcastResult = S_OK;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    HRESULT STDMETHODCALLTYPE GetWebcastUrl(BSTR* url) override
    {
        *url = SUCCEEDED(webcastResult) ? SysAllocString(webcastUrl.c_str()) : nullptr;
        return webcastResult;
    }
    DOUBLE_NOT_CALLED(GetExportType, (int, int*, BSTR*, BSTR*))
    DOUBLE_NOT_CALLED(GetExportFormat, (int, int, int*, BSTR*, int*))
    DOUBLE_NOT_CALLED(GetOutputDevice, (int, int*, BSTR*))
    DOUBLE_NOT_CALLED(GetWebcastFormat, (int, int*, BSTR*))
    DOUBLE_NOT_CALLED(GetOutputConfig, (PLAYER_OUTPUTCONFIG*))
    DOUBLE_NOT_CALLED(SetOutputConfig, (const PLAYER_OUTPUTCONFIG*))
};
