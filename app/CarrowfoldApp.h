// CCarrowfoldApp: the program's application object. It fixes the per-user profile, refuses to run
// on common controls older than 5.0, hands a second start over to the running instance, counts
// starts that did not end cleanly, decides whether the splash window shows (not when a playlist is
// named on the command line), builds the document template and processes the command line, then
// lets the main frame finish the start-up. Every message of its loop is offered to the splash
// window first; its DoMessageBox gives every message box of the program its icon and caption.
// Left out: the class library's control container (no window of the program holds such controls)
// and a list of objects to shut down at exit (no part of the program hands it one).
#pragma once

#include "classlib/ui/WindowedApp.h"

class CCarrowfoldApp : public CWindowedApp {
public:
    CCarrowfoldApp();

    BOOL InitInstance() override;
    int ExitInstance() override;
    // A key or click that only dismissed the splash window goes no further.
    BOOL PreTranslateMessage(MSG* msg) override;
    int DoMessageBox(const wchar_t* prompt, UINT type, UINT helpId) override;

    // The recent-file entries, grayed in the menu while a live performance runs.
    void OnUpdateRecentFileMenu(CCmdUI* cmdUI);

    // The folder of the program's executable, with a trailing backslash.
    static CString GetProgramFolder();
    // The single-instance search over the top-level windows: TRUE when a running instance
    // answered (it has been minimized and restored, which brings it to the front).
    BOOL SearchOtherInstance();
    // The enumeration callback of the single-instance search (lParam unused).
    static BOOL CALLBACK FindOtherInstance(HWND hwnd, LPARAM lParam);

    HWND m_hFirstEnumWnd = nullptr;
    WORD m_nEnumPasses = 0;
    UINT m_nInstanceMsg;
    BOOL m_bOtherInstanceFound = FALSE;

protected:
    BOOL m_bStarted = FALSE;  // COM initialised and the start counted

    DECLARE_MESSAGE_MAP()
};

// The message-box style the program uses for `type`: without icon bits, the button sets OK,
// OK/Cancel, Yes/No/Cancel and Yes/No get the exclamation icon; the others stay without icon.
UINT CarrowfoldMessageBoxType(UINT type);
// The program folder of an executable path: up to and with its last backslash ("\" without one).
CString ProgramFolderOf(const wchar_t* executablePath);
