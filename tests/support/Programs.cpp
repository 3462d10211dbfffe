#include "tests/support/Programs.h"

#include "classlib/com/UniqueHandle.h"

#include <sstream>

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

std::vector<BYTE> QueryRegistryBinary(const std::wstring& key, const std::wstring& value)
{
    std::string output;
    if (RunProgram(L"reg.exe query \"HKCU\\" + key + L"\" /v \"" + value + L"\"", &output) != 0)
        return {};
    std::istringstream lines(output);
    std::string word;
    while (lines >> word && word != "REG_BINARY") {
    }
    std::string hex;
    lines >> hex;
    std::vector<BYTE> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}
