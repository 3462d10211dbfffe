#include "classlib/ui/WindowedApp.h"

#include "classlib/ui/CmdUI.h"
#include "classlib/ui/CommandLineInfo.h"
#include "classlib/ui/DocTemplate.h"
#include "classlib/ui/Document.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Menu.h"
#include "classlib/ui/RecentFileList.h"
#include "classlib/ui/Wnd.h"

#include <shellapi.h>

#include <vector>

BEGIN_MESSAGE_MAP(CWindowedApp, CCmdTarget)
ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE16, &CWindowedApp::OnOpenRecentFile)
ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, &CWindowedApp::OnUpdateRecentFileMenu)
END_MESSAGE_MAP()

CWindowedApp::CWindowedApp(const wchar_t* appName) : CWinApp(appName) {}

CWindowedApp::~CWindowedApp() = default;

CWindowedApp* AfxGetWindowedApp()
{
    return dynamic_cast<CWindowedApp*>(AfxGetApp());
}

CWnd* AfxGetMainWnd()
{
    CWindowedApp* app = AfxGetWindowedApp();
    return app ? app->m_pMainWnd : nullptr;
}

BOOL CWindowedApp::PreTranslateMessage(MSG* msg)
{
    HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (!msg->hwnd)
        return FALSE;  // a thread message
    return CWnd::WalkPreTranslateTree(main, msg);
}

std::vector<HWND> CWindowedApp::OwnedVisibleFrames() const
{
    struct Search {
        HWND main;
        std::vector<HWND> frames;
    } search{m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr, {}};
    if (!search.main)
        return {};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM context) -> BOOL {
            auto* found = reinterpret_cast<Search*>(context);
            const CWnd* object = CWnd::FromHandlePermanent(hwnd);
            if (hwnd != found->main && ::GetWindow(hwnd, GW_OWNER) == found->main && ::IsWindowVisible(hwnd) &&
                object && object->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
                found->frames.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.frames;
}

BOOL CWindowedApp::OnIdle(LONG count)
{
    if (count <= 0) {
        // Command update: the main window and every window below it (bars update their
        // buttons here, with disabling of commands that have no handler).
        if (m_pMainWnd && m_pMainWnd->m_hWnd && m_pMainWnd->IsWindowVisible()) {
            AfxWndProc(m_pMainWnd->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
            if (m_pMainWnd && m_pMainWnd->m_hWnd)
                m_pMainWnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
        }
        // Frames the main window owns (the floating frames of its bars) are top-level windows of
        // their own: they and their bars update as the main window does.
        for (HWND frame : OwnedVisibleFrames()) {
            if (CWnd* object = CWnd::FromHandlePermanent(frame)) {
                AfxWndProc(frame, WM_IDLEUPDATECMDUI, TRUE, 0);
                if (::IsWindow(frame))
                    object->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
            }
        }
        return TRUE;
    }
    AfxDeleteTempWnds();
    AfxDeleteTempMenus();
    return FALSE;
}

int CWindowedApp::ExitInstance()
{
    if (m_pRecentFileList)
        m_pRecentFileList->WriteList();
    m_templates.clear();
    return CWinApp::ExitInstance();
}

void CWindowedApp::LoadStdProfileSettings(UINT maxMru)
{
    CWinApp::LoadStdProfileSettings(maxMru);
    if (maxMru == 0)
        return;
    m_ownedRecentFileList =
        std::make_unique<CRecentFileList>(0, L"Recent File List", L"File%d", static_cast<int>(maxMru), 30);
    m_pRecentFileList = m_ownedRecentFileList.get();
    m_pRecentFileList->ReadList();
}

void CWindowedApp::EnableModeless(BOOL enable)
{
    if (!enable) {
        HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
        if (!main)
            return;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto* self = reinterpret_cast<CWindowedApp*>(param);
                if (GetWindow(hwnd, GW_OWNER) == self->m_pMainWnd->m_hWnd && IsWindowEnabled(hwnd)) {
                    EnableWindow(hwnd, FALSE);
                    self->m_disabledModeless.push_back(hwnd);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
        return;
    }
    for (HWND hwnd : m_disabledModeless) {
        if (IsWindow(hwnd))
            EnableWindow(hwnd, TRUE);
    }
    m_disabledModeless.clear();
}

int CWindowedApp::DoMessageBox(const wchar_t* prompt, UINT type, UINT helpId)
{
    return ShowMessageBox(prompt, type, helpId, m_pszAppName ? m_pszAppName : L"");
}

int CWindowedApp::ShowMessageBox(const wchar_t* prompt, UINT type, UINT helpId, const wchar_t* caption)
{
    EnableModeless(FALSE);
    HWND top = nullptr;
    HWND owner = CWnd::GetSafeOwner_(nullptr, &top);
    // The prompt's help context lives in the owning frame, or in the application without one.
    DWORD* context = &m_dwPromptContext;
    if (CWnd* wnd = CWnd::FromHandlePermanent(top); wnd && wnd->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
        context = &static_cast<CFrameWnd*>(wnd)->m_dwPromptContext;
    const DWORD oldContext = *context;
    if (helpId != 0)
        *context = HID_BASE_PROMPT + helpId;
    const int result = MessageBoxW(owner, prompt, caption, type);
    *context = oldContext;
    EnableModeless(TRUE);
    return result;
}

int AfxMessageBox(const wchar_t* prompt, UINT type, UINT helpId)
{
    if (CWindowedApp* app = AfxGetWindowedApp())
        return app->DoMessageBox(prompt, type, helpId);
    return MessageBoxW(nullptr, prompt, L"", type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT helpId)
{
    CString prompt;
    prompt.LoadString(promptId);
    return AfxMessageBox(prompt, type, helpId == static_cast<UINT>(-1) ? promptId : helpId);
}

void CWindowedApp::AddDocTemplate(CDocTemplate* docTemplate)
{
    m_templates.emplace_back(docTemplate);
}

void CWindowedApp::ParseCommandLine(CCommandLineInfo& info)
{
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args)
        return;
    for (int i = 1; i < count; ++i) {
        const wchar_t* param = args[i];
        const BOOL flag = param[0] == L'/' || param[0] == L'-';
        info.ParseParam(flag ? param + 1 : param, flag, i == count - 1);
    }
    LocalFree(args);
}

BOOL CWindowedApp::ProcessShellCommand(CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr))
            OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(info.m_strFileName) != nullptr;
    default:
        return TRUE;
    }
}

void CWindowedApp::OnFileNew()
{
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(nullptr);
}

void CWindowedApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

CDocument* CWindowedApp::OpenDocumentFile(const wchar_t* path)
{
    return m_templates.empty() ? nullptr : m_templates.front()->OpenDocumentFile(path);
}

void CWindowedApp::AddToRecentFileList(const wchar_t* path)
{
    if (m_pRecentFileList)
        m_pRecentFileList->Add(path);
}

void CWindowedApp::CloseAllDocuments(BOOL endSession)
{
    for (auto& docTemplate : m_templates)
        docTemplate->CloseAllDocuments(endSession);
}

BOOL CWindowedApp::SaveAllModified()
{
    for (auto& docTemplate : m_templates) {
        if (!docTemplate->SaveAllModified())
            return FALSE;
    }
    return TRUE;
}

BOOL CWindowedApp::OnOpenRecentFile(UINT id)
{
    if (!m_pRecentFileList)
        return FALSE;
    const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    if (index < 0 || index >= m_pRecentFileList->GetSize() || (*m_pRecentFileList)[index].IsEmpty())
        return FALSE;
    const CString path = (*m_pRecentFileList)[index];
    if (!OpenDocumentFile(path))
        m_pRecentFileList->Remove(index);
    return TRUE;
}

void CWindowedApp::OnUpdateRecentFileMenu(CCmdUI* cmdUI)
{
    if (!m_pRecentFileList) {
        cmdUI->Enable(FALSE);
        return;
    }
    m_pRecentFileList->UpdateMenu(cmdUI);
}
