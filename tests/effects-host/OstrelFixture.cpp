#include "tests/effects-host/OstrelFixture.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <xmmintrin.h>

namespace ostrel_test {

namespace {

std::wstring BinPath(const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder + name;
}

}  // namespace

Library::Library() : m_module(LoadLibraryW(BinPath(L"Ostrel.DLL").c_str())) {}

HRESULT Library::GetClassObject(REFCLSID clsid, REFIID iid, void** object) const
{
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto entry = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(m_module.get(), "DllGetClassObject")));
    return entry ? entry(clsid, iid, object) : E_FAIL;
}

HRESULT Library::CanUnloadNow() const
{
    using CanUnloadFn = HRESULT(WINAPI*)();
    auto entry =
        reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(m_module.get(), "DllCanUnloadNow")));
    return entry ? entry() : E_FAIL;
}

ComPtr<IOstrel> Library::CreateHost() const
{
    ComPtr<IClassFactory> factory;
    ComPtr<IOstrel> host;
    if (SUCCEEDED(GetClassObject(CLSID_OstrelObject, IID_IClassFactory, factory.put_void())))
        factory->CreateInstance(nullptr, IID_IOstrel, host.put_void());
    return host;
}

ComPtr<IOstrel> NewInitializedHost()
{
    static Library library;
    ComPtr<IOstrel> host = library.CreateHost();
    if (host && FAILED(host->Initialize()))
        host.reset();
    return host;
}

ComPtr<IStream> SettingsStream(const TestEffectSettings& settings)
{
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())))
        return {};
    ULONG written = 0;
    stream->Write(&settings, sizeof(settings), &written);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

LONG InsertTestEffect(IOstrel* host, const TestEffectSettings& settings, LONG beforeId)
{
    ComPtr<IStream> state = SettingsStream(settings);
    LONG id = -1;
    if (FAILED(host->InsertEffect(&CLSID_TestEffectDmo, beforeId, state.get(), &id)))
        return -1;
    return id;
}

ComPtr<ITestEffectSettings> EffectSettings(IOstrel* host, LONG id)
{
    ComPtr<IUnknown> filter;
    ComPtr<ITestEffectSettings> settings;
    if (SUCCEEDED(host->GetEffectById(id, filter.put())))
        filter.query(IID_ITestEffectSettings, settings);
    return settings;
}

std::vector<LONG> ChainIds(IOstrel* host)
{
    std::vector<LONG> ids;
    CLSID clsid{};
    WCHAR name[128];
    LONG id = 0;
    for (int i = 0; host->GetInsertedEffect(i, &clsid, name, &id) == S_OK; ++i)
        ids.push_back(id);
    return ids;
}

std::vector<float> Process(IOstrel* host, const std::vector<float>& input)
{
    std::vector<float> output;
    size_t sent = 0;
    while (sent < input.size()) {
        BYTE* data = nullptr;
        DWORD bytes = 0;
        if (host->GetInputBuffer(FALSE, &data, &bytes) != S_OK)
            break;
        const size_t count = std::min(input.size() - sent, static_cast<size_t>(bytes / sizeof(float)));
        memset(data, 0, bytes);
        memcpy(data, input.data() + sent, count * sizeof(float));
        sent += count;
        if (FAILED(host->DeliverInputBuffer()))
            break;
        LONGLONG handle = -1;
        while (host->GetOutputBuffer(&data, &bytes, &handle) == S_OK) {
            const auto* floats = reinterpret_cast<const float*>(data);
            output.insert(output.end(), floats, floats + bytes / sizeof(float));
            host->ReleaseOutputBuffer(handle);
            handle = -1;
        }
    }
    return output;
}

FloatingPointState CurrentFloatingPointState()
{
    FloatingPointState state{};
    asm volatile("fnstcw %0" : "=m"(state.x87));
    state.sseControl = _mm_getcsr() & ~_MM_EXCEPT_MASK;
    return state;
}

std::vector<float> GridNoise(size_t frames, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<float> samples(frames * 2);
    for (float& s : samples)
        s = static_cast<float>(value(random)) / 32768.0f;
    return samples;
}

}  // namespace ostrel_test
