// A test double of the engine library: "BrennockDemo.DLL" with the engine's class and IBrennock,
// which records every call the program makes in a log file (CARROWFOLD_DOUBLE_LOG) and, once
// initialised, offers the UI updates listed in CARROWFOLD_DOUBLE_UPDATES ("code:value,...") to
// the program's update pump. The pump reaches its queue as the engine's does: the display-item
// manager asked of the engine object, and the update queue asked of that. Its mix manager logs
// the calls the program makes of it. Its mix reports CARROWFOLD_DOUBLE_TRACK_COUNT tracks when that
// is set, and its first answer to the count comes CARROWFOLD_DOUBLE_COUNT_DELAY_MS late: the
// program's start-up asks it after showing the frame, so the start-up is then held up with the
// frame and the splash window on the screen and no message handled.
#include "interfaces/EngineIids.h"
#include "interfaces/IBrennock.h"
#include "interfaces/IUiUpdateQueue.h"
#include "tests/app/double/CatalogDouble.h"
#include "tests/app/double/MixManagerDouble.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace {

LONG g_objects = 0;

std::wstring Env(const wchar_t* name)
{
    wchar_t value[1024] = L"";
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value) : std::wstring();
}

void Log(const char* format, ...)
{
    const std::wstring path = Env(L"CARROWFOLD_DOUBLE_LOG");
    if (path.empty())
        return;
    FILE* file = _wfopen(path.c_str(), L"a");
    if (!file)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(file, format, args);
    va_end(args);
    fputc('\n', file);
    fclose(file);
}

std::string GuidText(REFIID iid)
{
    char text[64];
    snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", iid.Data1, iid.Data2, iid.Data3,
             iid.Data4[0], iid.Data4[1], iid.Data4[2], iid.Data4[3], iid.Data4[4], iid.Data4[5], iid.Data4[6],
             iid.Data4[7]);
    return text;
}

// Undo and redo are always possible, so that the program carries both commands out.
class LoggingMixManager : public MixManagerDouble {
public:
    LoggingMixManager() { canUndo = canRedo = S_OK; }

    HRESULT STDMETHODCALLTYPE GetTrackCount(int* count) override
    {
        if (!m_countAsked) {
            m_countAsked = true;
            Sleep(static_cast<DWORD>(_wtoi(Env(L"CARROWFOLD_DOUBLE_COUNT_DELAY_MS").c_str())));
        }
        const std::wstring reported = Env(L"CARROWFOLD_DOUBLE_TRACK_COUNT");
        if (reported.empty())
            return MixManagerDouble::GetTrackCount(count);
        *count = _wtoi(reported.c_str());
        return S_OK;
    }

protected:
    void Record(const std::string& call) override { Log("%s", call.c_str()); }

private:
    bool m_countAsked = false;
};

class CEngineDouble : public IBrennock, public IUiUpdateQueue {
public:
    CEngineDouble()
    {
        InterlockedIncrement(&g_objects);
        m_catalog.engine = static_cast<IBrennock*>(this);
    }
    virtual ~CEngineDouble() { InterlockedDecrement(&g_objects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (m_askedIids.insert(GuidText(iid)).second)
            Log("QueryInterface %s", GuidText(iid).c_str());
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBrennock))
            *out = static_cast<IBrennock*>(this);
        else if (IsEqualIID(iid, IID_IUiUpdateQueue))
            *out = static_cast<IUiUpdateQueue*>(this);
        else if (IsEqualIID(iid, IID_ICatDisplayItemMgr))
            return m_catalog.QueryInterface(iid, out);
        else if (IsEqualIID(iid, IID_IMixManager)) {
            m_mix.AddRef();
            *out = static_cast<IMixManager*>(&m_mix);
            return S_OK;
        }
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) {
            Log("FinalRelease");
            delete this;
        }
        return static_cast<ULONG>(refs);
    }

    HRESULT STDMETHODCALLTYPE Initialize(HWND mainWindow, IUnknown* attached, DWORD value1, DWORD value2) override
    {
        Log("Initialize hwnd=%llu attached=%d ms=0x%08lX ls=0x%08lX",
            static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(mainWindow)), attached ? 1 : 0, value1, value2);
        if (m_initialized)
            return S_FALSE;
        m_initialized = true;
        const std::wstring updates = Env(L"CARROWFOLD_DOUBLE_UPDATES");
        for (size_t start = 0; start < updates.size();) {
            size_t end = updates.find(L',', start);
            if (end == std::wstring::npos)
                end = updates.size();
            int code = 0;
            int value = 0;
            if (swscanf(updates.substr(start, end - start).c_str(), L"%d:%d", &code, &value) == 2)
                m_queue.emplace_back(code, value);
            start = end + 1;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Shutdown() override
    {
        Log("Shutdown");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadPlaylist(BSTR path, BOOL append) override
    {
        Log("LoadPlaylist %ls append=%d", path ? path : L"", append);
        return Env(L"CARROWFOLD_DOUBLE_LOAD_RESULT") == L"S_FALSE" ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SavePlaylist(BSTR path) override
    {
        Log("SavePlaylist %ls", path ? path : L"");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NewMix() override
    {
        Log("NewMix");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostUiUpdate(int code, int value) override { return PostUpdate(code, value, FALSE); }
    HRESULT STDMETHODCALLTYPE SetFileMapperCallback(IUnknown*) override
    {
        Log("SetFileMapperCallback");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearFileMapperCallback() override
    {
        Log("ClearFileMapperCallback");
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE CreateCatDisplayItemMgr(ICatDisplayItemMgr**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInitValues(DWORD*, DWORD*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE PopUpdate(int* code, int* value) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_queue.empty())
            return S_FALSE;
        *code = m_queue.front().first;
        *value = m_queue.front().second;
        m_queue.pop_front();
        Log("PopUpdate %d %d", *code, *value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_queue.emplace_back(code, value);
        return S_OK;
    }

private:
    LONG m_refs = 1;
    bool m_initialized = false;
    std::mutex m_lock;
    std::deque<std::pair<int, int>> m_queue;
    std::set<std::string> m_askedIids;
    LoggingMixManager m_mix;
    CatalogDouble m_catalog;
};

class CFactoryDouble : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        Log("CreateInstance outer=%d iid=%s", outer ? 1 : 0, GuidText(iid).c_str());
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* engine = new CEngineDouble;
        const HRESULT hr = engine->QueryInterface(iid, out);
        engine->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

CFactoryDouble g_factory;

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    Log("DllGetClassObject %s", GuidText(clsid).c_str());
    if (!IsEqualCLSID(clsid, CLSID_BrennockMain))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_objects == 0 ? S_OK : S_FALSE;
}
