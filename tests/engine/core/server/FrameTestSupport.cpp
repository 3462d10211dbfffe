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
    if (!leavesOutPointerOnRefusal)
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

int RunProgram(const std::wstring& commandLine, std::string* output, DWORD timeoutMs)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return -1;
    UniqueKernelHandle reader(readEnd);
    UniqueKernelHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    UniqueKernelHandle processHandle(process.hProcess);
    UniqueKernelHandle threadHandle(process.hThread);
    writer.reset();

    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (output)
        *output = text;
    return static_cast<int>(exitCode);
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
