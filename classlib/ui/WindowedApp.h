// CWindowedApp: the application object of a windowed program. The class library's CWinApp
// (classlib/core) is shared with libraries that have no windows; a program derives from this
// class instead, which adds what a program with frames and documents needs:
//   - the message loop's window part: messages offered to PreTranslateMessage of the windows
//     from the target up to the main window, and idle-time command update (WM_IDLEUPDATECMDUI to
//     the main window and all its descendants, then temporary objects freed);
//   - a message map (the end of command routing) with the recent-file commands;
//   - document templates, the command line, the recent-file list and the message box.
#pragma once

#include "classlib/core/WinApp.h"
#include "classlib/ui/CmdTarget.h"

#include <memory>
#include <vector>

class CCmdUI;
class CCommandLineInfo;
class CDocTemplate;
class CDocument;
class CRecentFileList;
class CWnd;

class CWindowedApp : public CWinApp, public CCmdTarget {
public:
    explicit CWindowedApp(const wchar_t* appName = nullptr);
    ~CWindowedApp() override;

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle(LONG count) override;
    int ExitInstance() override;
    // Also makes a recent-file list of maxMru entries (none for 0) and reads it.
    void LoadStdProfileSettings(UINT maxMru = 4) override;

    // The program-wide message box (AfxMessageBox comes here): modeless windows of the main
    // window are disabled while it is up, it is owned by the safe owner window, the owner's
    // prompt help context is 0x30000 + helpId while it is up (for a non-zero helpId), and its
    // caption is the application name.
    virtual int DoMessageBox(const wchar_t* prompt, UINT type, UINT helpId);
    // The procedure of DoMessageBox with a caption of the caller's choice.
    int ShowMessageBox(const wchar_t* prompt, UINT type, UINT helpId, const wchar_t* caption);
    // Disables (FALSE) or enables again (TRUE) the enabled windows that the main window owns.
    virtual void EnableModeless(BOOL enable);

    void AddDocTemplate(CDocTemplate* docTemplate);  // owned from here on
    void ParseCommandLine(CCommandLineInfo& info);
    // Carries out the parsed command: a new document, or the named file opened. FALSE on failure.
    BOOL ProcessShellCommand(CCommandLineInfo& info);
    virtual CDocument* OpenDocumentFile(const wchar_t* path);
    virtual void AddToRecentFileList(const wchar_t* path);
    void CloseAllDocuments(BOOL endSession);
    BOOL SaveAllModified();

    CWnd* m_pMainWnd = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CRecentFileList* m_pRecentFileList = nullptr;
    DWORD m_dwPromptContext = 0;

protected:
    void OnFileNew();
    // Closes the main window, which ends the message loop.
    void OnAppExit();
    BOOL OnOpenRecentFile(UINT id);
    void OnUpdateRecentFileMenu(CCmdUI* cmdUI);
    // The visible frame windows of this thread that the main window owns.
    std::vector<HWND> OwnedVisibleFrames() const;

    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    std::vector<HWND> m_disabledModeless;
    std::unique_ptr<CRecentFileList> m_ownedRecentFileList;

    DECLARE_MESSAGE_MAP()
};

// The program's windowed application object (NULL when the application object is not one).
CWindowedApp* AfxGetWindowedApp();
CWnd* AfxGetMainWnd();

// Message boxes through the application's DoMessageBox (a plain message box without one).
// The id form loads the prompt from the string table and uses the id as help id by default.
int AfxMessageBox(const wchar_t* prompt, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT promptId, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));
