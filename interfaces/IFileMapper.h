// IFileMapper: the engine's finder of music files that were moved or renamed (two IIDs, one
// table; see EngineIid::FileMapper and EngineIid::FileMapperInternal).
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include "interfaces/IMusicFileId.h"

struct IFileMapper : public IUnknown {
    // Calls the missing-file locator's ResetAnswer when one is set; S_OK.
    virtual HRESULT STDMETHODCALLTYPE ResetLocator() = 0;
    // S_OK with the id of the catalog item for the file (found by path, by identity, in the
    // fallback folders or through the locator), else E_FAIL.
    virtual HRESULT STDMETHODCALLTYPE MapFile(BSTR path, IMusicFileId* identity, DWORD* itemId) = 0;
};
