#include "tests/support/XClip.h"

#include <thread>

#include "tests/support/TextFiles.h"
#include "tests/support/UnixTools.h"

namespace fixtures {

namespace {

// Runs bash with the script on a thread of its own and pumps this thread's messages until it ends.
int RunScriptPumping(const std::string& script)
{
    int result = -1;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        result = RunUnixTool("bash", {"-c", script});
        SetEvent(done);
    });
    while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    worker.join();
    CloseHandle(done);
    return result;
}

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::wstring TempFileName()
{
    wchar_t folder[MAX_PATH] = {};
    wchar_t name[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"xcl", 0, name);
    return name;
}

}  // namespace

bool HaveXClip()
{
    return HaveUnixTools() && GetFileAttributesW(L"Z:\\usr\\bin\\xclip") != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::vector<BYTE>> XClipRead(const std::string& target)
{
    const std::wstring file = TempFileName();
    // Wine's clipboard thread takes the X selection a moment after the program set the clipboard:
    // wait up to 5 s for the target to be offered.
    const std::string script =
        "for i in $(seq 50); do xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qxF " +
        ShellQuote(target) + " && break; sleep 0.1; done; xclip -selection clipboard -t " + ShellQuote(target) +
        " -o > " + ShellQuote(UnixPath(file));
    std::optional<std::vector<BYTE>> bytes;
    if (RunScriptPumping(script) == 0) {
        const std::string read = ReadFileText(file);
        bytes = std::vector<BYTE>(read.begin(), read.end());
    }
    DeleteFileW(file.c_str());
    return bytes;
}

bool XClipWrite(const std::string& target, const std::vector<BYTE>& bytes)
{
    const std::wstring file = TempFileName();
    WriteFileText(file, std::string(bytes.begin(), bytes.end()));
    const std::string script =
        "xclip -selection clipboard -t " + ShellQuote(target) + " -i " + ShellQuote(UnixPath(file));
    const DWORD before = GetClipboardSequenceNumber();
    const bool written = RunScriptPumping(script) == 0;
    DeleteFileW(file.c_str());
    // Wine takes the new owner's offer over a moment later, from its own clipboard thread: wait
    // until the clipboard has changed.
    const DWORD start = GetTickCount();
    while (written && GetClipboardSequenceNumber() == before && GetTickCount() - start < 5000)
        Sleep(10);
    return written && GetClipboardSequenceNumber() != before;
}

}  // namespace fixtures
