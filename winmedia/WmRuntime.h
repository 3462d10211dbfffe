// WmRuntime: the library's one binding of the Windows Media Format runtime, its four creation
// functions. The system binding resolves them from wmvcore.dll by name (mingw has no import
// library for it); tests hand the reader and the writer a binding of their own whose functions
// create recording doubles of the runtime's interfaces.
//
// A function the runtime lacks (or a runtime that is not installed) answers
// REGDB_E_CLASSNOTREG, so callers see an ordinary creation failure.
#pragma once

#include <windows.h>
#include <wmsdkidl.h>

struct WmRuntime {
    using CreateSyncReaderFn = HRESULT(WINAPI*)(IUnknown* certificate, DWORD rights, IWMSyncReader** reader);
    using CreateEditorFn = HRESULT(WINAPI*)(IWMMetadataEditor** editor);
    using CreateWriterFn = HRESULT(WINAPI*)(IUnknown* certificate, IWMWriter** writer);
    using CreateProfileManagerFn = HRESULT(WINAPI*)(IWMProfileManager** manager);

    CreateSyncReaderFn createSyncReader = nullptr;
    CreateEditorFn createEditor = nullptr;
    CreateWriterFn createWriter = nullptr;
    CreateProfileManagerFn createProfileManager = nullptr;

    HRESULT CreateSyncReader(IWMSyncReader** reader) const;
    HRESULT CreateEditor(IWMMetadataEditor** editor) const;
    HRESULT CreateWriter(IWMWriter** writer) const;
    HRESULT CreateProfileManager(IWMProfileManager** manager) const;

    // The platform's runtime, bound on first use (thread-safe). wmvcore.dll then stays loaded
    // for the life of the process: freeing a library from another library's unload is unsafe.
    static const WmRuntime& System();
};
