#include "tests/engine/core/server/FrameTestSupport.h"

#include "classlib/com/UniqueHandle.h"

#include <tlhelp32.h>

HRESULT CountingUnknown::QueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown)) {
        *object = this;
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeAttachedObject::QueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAttachedObject)) {
        *object = static_cast<IAttachedObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeAttachedObject::QueryService(REFIID iid, void** object)
{
    serviceQueries.push_back(iid);
    if (IsEqualIID(iid, servedIid)) {
        *object = &service;
        service.AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeAttachedObject::Attach(IUnknown* engine)
{
    ++attachCalls;
    attachedEngine = engine;
    return S_OK;
}

HRESULT FakeAttachedObject::Detach()
{
    ++detachCalls;
    return S_OK;
}

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

int ThreadCount()
{
    UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    }
    return count;
}

std::string GuidText(REFGUID guid)
{
    wchar_t wide[40] = {};
    StringFromGUID2(guid, wide, 40);
    char text[40] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
    return text;
}
