#include "tests/support/UnixTools.h"

#include "tests/support/WavWriter.h"

#include <windows.h>

#include <cstdlib>

namespace fixtures {

namespace {
using UnixFileNameFn = char*(__cdecl*)(const wchar_t*);

UnixFileNameFn UnixFileName()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<UnixFileNameFn>(
                        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                  : nullptr;
}

// Quotes one argument (UTF-8) for the command line that Wine splits back into argv.
std::string Quote(const std::string& arg)
{
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::wstring FromUtf8(const std::string& text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
    out.resize(out.size() - 1);
    return out;
}

struct ProcessHandles {
    PROCESS_INFORMATION info{};
    ~ProcessHandles()
    {
        if (info.hThread)
            CloseHandle(info.hThread);
        if (info.hProcess)
            CloseHandle(info.hProcess);
    }
};
}  // namespace

bool HaveUnixTools()
{
    return UnixFileName() != nullptr && GetFileAttributesW(L"Z:\\usr\\bin\\lame") != INVALID_FILE_ATTRIBUTES;
}

std::string UnixPath(const std::wstring& windowsPath)
{
    UnixFileNameFn fn = UnixFileName();
    if (!fn)
        return {};
    char* name = fn(windowsPath.c_str());
    if (!name)
        return {};
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

int RunUnixTool(const std::string& tool, const std::vector<std::string>& arguments)
{
    // Wine's handle of a Unix child process is signalled as soon as the child is started, and its
    // exit code is not the tool's: the tool runs under a shell that writes its exit code to a
    // marker file (renamed into place when complete), and this process waits for that file.
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    std::wstring marker = std::wstring(base) + L"unixtool-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(InterlockedIncrement(&counter)) + L".status";
    DeleteFileW(marker.c_str());
    std::string unixMarker = UnixPath(marker);
    if (unixMarker.empty())
        return -1;
    std::string utf8 = "Z:\\bin\\sh -c " +
                       Quote("\"$0\" \"$@\" >/dev/null 2>&1; echo $? > \"" + unixMarker + ".part\"; mv \"" +
                             unixMarker + ".part\" \"" + unixMarker + "\"") +
                       " " + Quote("/usr/bin/" + tool);
    for (const std::string& arg : arguments)
        utf8 += " " + Quote(arg);
    std::wstring command = FromUtf8(utf8);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ProcessHandles process;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process.info))
        return -1;
    constexpr DWORD kTimeoutMs = 120000;
    const DWORD started = GetTickCount();
    while (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - started > kTimeoutMs)
            return -1;
        Sleep(5);
    }
    std::vector<uint8_t> status = ReadFileBytes(marker);
    DeleteFileW(marker.c_str());
    return status.empty() ? -1 : std::atoi(std::string(status.begin(), status.end()).c_str());
}

}  // namespace fixtures
