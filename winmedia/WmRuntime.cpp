#include "winmedia/WmRuntime.h"

namespace {

template <typename Fn>
Fn Resolve(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

template <typename T>
HRESULT Missing(T** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return REGDB_E_CLASSNOTREG;
}

}  // namespace

HRESULT WmRuntime::CreateSyncReader(IWMSyncReader** reader) const
{
    return createSyncReader ? createSyncReader(nullptr, 0, reader) : Missing(reader);
}

HRESULT WmRuntime::CreateEditor(IWMMetadataEditor** editor) const
{
    return createEditor ? createEditor(editor) : Missing(editor);
}

HRESULT WmRuntime::CreateWriter(IWMWriter** writer) const
{
    return createWriter ? createWriter(nullptr, writer) : Missing(writer);
}

HRESULT WmRuntime::CreateProfileManager(IWMProfileManager** manager) const
{
    return createProfileManager ? createProfileManager(manager) : Missing(manager);
}

const WmRuntime& WmRuntime::System()
{
    static const WmRuntime binding = [] {
        const HMODULE module = LoadLibraryW(L"wmvcore.dll");
        WmRuntime runtime;
        runtime.createSyncReader = Resolve<CreateSyncReaderFn>(module, "WMCreateSyncReader");
        runtime.createEditor = Resolve<CreateEditorFn>(module, "WMCreateEditor");
        runtime.createWriter = Resolve<CreateWriterFn>(module, "WMCreateWriter");
        runtime.createProfileManager = Resolve<CreateProfileManagerFn>(module, "WMCreateProfileManager");
        return runtime;
    }();
    return binding;
}
