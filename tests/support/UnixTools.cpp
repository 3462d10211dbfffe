#include "tests/support/UnixTools.h"

#include "tests/support/WavWriter.h"

#include <windows.h>

#include <cstdio>
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

namespace {

// Runs `script` under the host's bash with $0 = /usr/bin/<tool> and the arguments after it; the
// script writes its report to "$CF_MARKER.part" and renames it into place when complete. Wine's
// handle of a Unix child process is signalled as soon as the child is started and its exit code
// is not the tool's, so this process waits for that file instead. The report, or empty when the
// tool could not be started or did not finish in time.
std::string RunUnixScript(const std::string& script, const std::string& tool, const std::vector<std::string>& arguments)
{
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    std::wstring marker = std::wstring(base) + L"unixtool-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(InterlockedIncrement(&counter)) + L".status";
    DeleteFileW(marker.c_str());
    std::string unixMarker = UnixPath(marker);
    if (unixMarker.empty())
        return {};
    std::string utf8 =
        "Z:\\bin\\bash -c " +
        Quote("CF_MARKER=\"" + unixMarker + "\"; " + script + "; mv \"$CF_MARKER.part\" \"$CF_MARKER\"") + " " +
        Quote("/usr/bin/" + tool);
    for (const std::string& arg : arguments)
        utf8 += " " + Quote(arg);
    std::wstring command = FromUtf8(utf8);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ProcessHandles process;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process.info))
        return {};
    constexpr DWORD kTimeoutMs = 120000;
    const DWORD started = GetTickCount();
    while (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - started > kTimeoutMs)
            return {};
        Sleep(5);
    }
    std::vector<uint8_t> report = ReadFileBytes(marker);
    DeleteFileW(marker.c_str());
    return std::string(report.begin(), report.end());
}

}  // namespace

int RunUnixTool(const std::string& tool, const std::vector<std::string>& arguments)
{
    const std::string report =
        RunUnixScript("\"$0\" \"$@\" >/dev/null 2>&1; echo $? > \"$CF_MARKER.part\"", tool, arguments);
    return report.empty() ? -1 : std::atoi(report.c_str());
}

double TimeUnixTool(const std::string& tool, const std::vector<std::string>& arguments)
{
    // bash reads its clock without starting a process; the decimal point (or comma) is dropped to
    // give microseconds.
    const std::string report =
        RunUnixScript("t0=$EPOCHREALTIME; \"$0\" \"$@\" >/dev/null 2>&1; rc=$?; t1=$EPOCHREALTIME; "
                      "echo $rc ${t0//[.,]/} ${t1//[.,]/} > \"$CF_MARKER.part\"",
                      tool, arguments);
    int rc = -1;
    long long t0 = 0;
    long long t1 = 0;
    if (std::sscanf(report.c_str(), "%d %lld %lld", &rc, &t0, &t1) != 3 || rc != 0 || t1 < t0)
        return -1.0;
    return static_cast<double>(t1 - t0) / 1e6;
}

}  // namespace fixtures
