#include "ProgramRun.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr wchar_t kProfileKey[] = L"Software\\Carrowfold Technology\\Carrowfold Express 5";

std::vector<HWND> VisibleWindowsOf(DWORD pid)
{
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && IsWindowVisible(hwnd))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool HasClass(HWND hwnd, const wchar_t* name)
{
    wchar_t cls[64] = L"";
    GetClassNameW(hwnd, cls, 64);
    return lstrcmpW(cls, name) == 0;
}

}  // namespace

std::wstring BuildFolder(const wchar_t* sub)
{
    wchar_t tree[1024] = L"";
    GetEnvironmentVariableW(L"CARROWFOLD_BUILD_DIR", tree, 1024);
    std::wstring path = std::wstring(L"Z:") + tree + L"/" + sub;
    for (auto& ch : path) {
        if (ch == L'/')
            ch = L'\\';
    }
    return path;
}

std::wstring DoubleFolderProgram()
{
    return BuildFolder(L"app-double") + L"\\Carrowfold.exe";
}

std::wstring FreshTempPath(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + name;
    DeleteFileW(path.c_str());
    return path;
}

ProgramRun::ProgramRun(const std::wstring& exe, const std::wstring& arguments, WelcomeDialog welcome)
{
    if (welcome == WelcomeDialog::Suppressed)
        WriteSettingsDword(L"Show Welcome Dialog", 0);
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &m_process))
        m_process = {};
    else
        CloseHandle(m_process.hThread);
}

ProgramRun::~ProgramRun()
{
    if (WaitForExit(0) == -1)
        Kill();
    if (m_process.hProcess)
        CloseHandle(m_process.hProcess);
}

HWND ProgramRun::WaitForMainWindow(DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    do {
        if (const HWND main = FindMainWindow(m_process.dwProcessId)) {
            while (FindSplash(m_process.dwProcessId) && static_cast<LONG>(end - GetTickCount()) > 0)
                Sleep(20);
            return main;
        }
        if (WaitForExit(0) != -1)
            return nullptr;
        Sleep(50);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
    return nullptr;
}

HWND FindMainWindow(DWORD pid)
{
    for (HWND hwnd : VisibleWindowsOf(pid)) {
        if (!GetWindow(hwnd, GW_OWNER))
            return hwnd;
    }
    return nullptr;
}

HWND FindSplash(DWORD pid)
{
    for (HWND hwnd : VisibleWindowsOf(pid)) {
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
        const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
        if (GetWindow(hwnd, GW_OWNER) && (style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION &&
            !(exStyle & WS_EX_TOOLWINDOW) && !HasClass(hwnd, L"#32770") && !HasClass(hwnd, L"#32768"))
            return hwnd;
    }
    return nullptr;
}

std::vector<HWND> VisibleDialogs(DWORD pid)
{
    std::vector<HWND> dialogs = VisibleWindowsOf(pid);
    std::erase_if(dialogs, [](HWND hwnd) { return !HasClass(hwnd, L"#32770"); });
    return dialogs;
}

long ProgramRun::WaitForExit(DWORD ms)
{
    if (!m_process.hProcess || WaitForSingleObject(m_process.hProcess, ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(m_process.hProcess, &code);
    return static_cast<long>(code);
}

void ProgramRun::Kill()
{
    if (m_process.hProcess) {
        TerminateProcess(m_process.hProcess, 99);
        WaitForSingleObject(m_process.hProcess, 10000);
    }
}

std::wstring WindowTitle(HWND hwnd)
{
    wchar_t text[512] = L"";
    GetWindowTextW(hwnd, text, 512);
    return text;
}

HWND WaitForBox(DWORD pid, DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    do {
        const std::vector<HWND> dialogs = VisibleDialogs(pid);
        if (!dialogs.empty())
            return dialogs.front();
        Sleep(50);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
    return nullptr;
}

std::wstring BoxMessage(HWND box)
{
    std::wstring message;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM param) -> BOOL {
            wchar_t cls[16] = L"";
            GetClassNameW(child, cls, 16);
            if (lstrcmpiW(cls, L"Static") != 0 || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                return TRUE;
            *reinterpret_cast<std::wstring*>(param) = WindowTitle(child);
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&message));
    return message;
}

std::wstring WaitForTitleContaining(HWND hwnd, const std::wstring& part, DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    std::wstring title;
    do {
        title = WindowTitle(hwnd);
        if (title.find(part) != std::wstring::npos)
            break;
        Sleep(25);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
    return title;
}

std::wstring StatusText(HWND frame)
{
    const HWND bar = FindWindowExW(frame, nullptr, L"msctls_statusbar32", nullptr);
    wchar_t text[512] = L"";
    DWORD_PTR copied = 0;
    // WM_GETTEXT itself, not GetWindowText: for a window of another process that reads the caption
    // kept by the system, not the bar's first pane.
    if (!bar ||
        !SendMessageTimeoutW(bar, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied))
        return L"";
    return text;
}

void PressCtrlKey(HWND hwnd, WORD key)
{
    SetForegroundWindow(hwnd);
    for (DWORD waited = 0; waited < 10000 && GetForegroundWindow() != hwnd; waited += 20)
        Sleep(20);
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_CONTROL, key, key, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
}

bool ChooseInFileDialog(HWND dialog, const std::wstring& path)
{
    // The explorer-style dialogs name their file box cmb13 (a combo box) or edt1.
    HWND box = GetDlgItem(dialog, 0x47C);
    if (!box)
        box = GetDlgItem(dialog, 0x480);
    if (!box)
        return false;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return true;
}

void DeleteProgramProfile()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kProfileKey);
}

bool ReadSettingsDword(const wchar_t* value, DWORD* out)
{
    DWORD size = sizeof(*out);
    const std::wstring key = std::wstring(kProfileKey) + L"\\Settings";
    return RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, out, &size) == ERROR_SUCCESS;
}

void WriteSettingsDword(const wchar_t* value, DWORD data)
{
    const std::wstring key = std::wstring(kProfileKey) + L"\\Settings";
    HKEY settings = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &settings, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(settings, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    RegCloseKey(settings);
}

FILETIME LastWrite(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

bool WaitForWrite(const std::wstring& path, const FILETIME& before, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (!SameTime(LastWrite(path), before))
            return true;
        Sleep(20);
    }
    return false;
}

std::vector<std::string> ReadLines(const std::wstring& path)
{
    std::vector<std::string> lines;
    FILE* file = _wfopen(path.c_str(), L"r");
    if (!file)
        return lines;
    char buffer[4096];
    while (fgets(buffer, sizeof(buffer), file)) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines.push_back(line);
    }
    fclose(file);
    return lines;
}
