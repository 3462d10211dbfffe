// Starting the real program from a test and watching it from outside: its process, its main
// window, its profile values and the log of the engine test double.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A Windows path of the build tree's folder `sub` (the tests get the tree as a Linux path).
std::wstring BuildFolder(const wchar_t* sub);
// The program in the folder of its own beside the engine test double.
std::wstring DoubleFolderProgram();
// A path in the temporary folder, with no file there.
std::wstring FreshTempPath(const wchar_t* name);

// Whether a program started by a test may show the welcome dialog of a first start. Tests start
// from a fresh profile, so unless a test asks for the dialog the runner writes "Show Welcome
// Dialog" = 0 first: no dialog stands in front of the frame and takes the test's keys.
enum class WelcomeDialog { Suppressed, AsProfileSays };

class ProgramRun {
public:
    // Starts `exe` with the folder of the exe as current directory; the environment is the test's.
    explicit ProgramRun(const std::wstring& exe, const std::wstring& arguments = L"",
                        WelcomeDialog welcome = WelcomeDialog::Suppressed);
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;
    // Ends a program the test left running (TerminateProcess on the process it started).
    ~ProgramRun();

    bool Started() const { return m_process.hProcess != nullptr; }
    // The visible top-level window of the process, waited for up to `ms`, and then the end of the
    // splash window (within the same time), which would swallow the first key a test sends.
    HWND WaitForMainWindow(DWORD ms = 30000);
    // Waits for the process to end; its exit code, or -1 when it is still running.
    long WaitForExit(DWORD ms);
    void Kill();
    DWORD ProcessId() const { return m_process.dwProcessId; }

private:
    PROCESS_INFORMATION m_process{};
};

// The visible top-level window of the process that no other window owns (its main frame), or null.
HWND FindMainWindow(DWORD pid);
// The splash window of the process: a visible, captionless popup owned by another of its windows
// (not a dialog, menu or tool window); null when none shows.
HWND FindSplash(DWORD pid);

// The visible dialog windows (class "#32770": dialogs and message boxes) of the process.
std::vector<HWND> VisibleDialogs(DWORD pid);

std::wstring WindowTitle(HWND hwnd);
// A visible dialog window (a message box) of the process, waited for up to `ms`.
HWND WaitForBox(DWORD pid, DWORD ms);
// The message of a message box: the text of its static control that is not the icon.
std::wstring BoxMessage(HWND box);
// Waits until the window title contains `part`; the last title seen.
std::wstring WaitForTitleContaining(HWND hwnd, const std::wstring& part, DWORD ms);
// The text of the first pane of the frame's status bar (asked of the bar, which keeps its panes'
// texts itself); empty without a status bar.
std::wstring StatusText(HWND frame);

// Brings the window to the front and presses Ctrl with `key` as real keyboard input.
void PressCtrlKey(HWND hwnd, WORD key);
// Types `path` into the file name box of an open or save dialog and presses its OK button; false
// when the dialog has no file name box.
bool ChooseInFileDialog(HWND dialog, const std::wstring& path);

// The program's profile key and values (HKCU\Software\Carrowfold Technology\Carrowfold Express 5).
void DeleteProgramProfile();
bool ReadSettingsDword(const wchar_t* value, DWORD* out);
void WriteSettingsDword(const wchar_t* value, DWORD data);

// The last write time of a file (zero when it does not exist), and a wait until it differs from
// `before` (a file written, or made, since); false on time-out.
FILETIME LastWrite(const std::wstring& path);
bool SameTime(const FILETIME& a, const FILETIME& b);
bool WaitForWrite(const std::wstring& path, const FILETIME& before, DWORD ms);

std::vector<std::string> ReadLines(const std::wstring& path);
