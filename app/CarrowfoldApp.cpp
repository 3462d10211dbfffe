#include "app/CarrowfoldApp.h"

#include "app/BrennockDoc.h"
#include "app/MainFrame.h"
#include "app/PlayListView.h"
#include "app/SingleDocTemplateEx.h"
#include "app/look/ColorScheme.h"
#include "app/SplashWindow.h"
#include "app/resource.h"
#include "classlib/ole/OleInit.h"
#include "classlib/ui/CmdUI.h"
#include "classlib/ui/CommandLineInfo.h"
#include "classlib/ui/Menu.h"
#include "classlib/ui/RecentFileList.h"
#include "toolkit/bars/look/GlobalData.h"

#include <objbase.h>

BEGIN_MESSAGE_MAP(CCarrowfoldApp, CWindowedApp)
ON_COMMAND(ID_FILE_NEW, &CCarrowfoldApp::OnFileNew)
ON_COMMAND(ID_APP_EXIT, &CCarrowfoldApp::OnAppExit)
ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, &CCarrowfoldApp::OnUpdateRecentFileMenu)
END_MESSAGE_MAP()

namespace {

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kStartCount[] = L"Application Start Count";
constexpr int kMaxTitleChars = 260;
constexpr WORD kMaxEnumPasses = 10000;

CCarrowfoldApp& TheApp()
{
    return *static_cast<CCarrowfoldApp*>(AfxGetWindowedApp());
}

}  // namespace

CCarrowfoldApp::CCarrowfoldApp() : m_nInstanceMsg(RegisterWindowMessageW(L"Carrowfold 5 MultiInst communication")) {}

UINT CarrowfoldMessageBoxType(UINT type)
{
    const UINT buttons = type & 0xF;
    const bool plainButtons =
        buttons == MB_OK || buttons == MB_OKCANCEL || buttons == MB_YESNOCANCEL || buttons == MB_YESNO;
    if ((type & 0xF0) == 0 && plainButtons)
        type |= MB_ICONEXCLAMATION;
    return type;
}

CString ProgramFolderOf(const wchar_t* executablePath)
{
    const CString path = executablePath;
    const int slash = path.ReverseFind(L'\\');
    return slash < 0 ? CString(L"\\") : path.Left(slash) + L"\\";
}

CString CCarrowfoldApp::GetProgramFolder()
{
    wchar_t path[MAX_PATH + 1] = L"";
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    path[length < MAX_PATH ? length : MAX_PATH] = L'\0';
    return ProgramFolderOf(path);
}

int CCarrowfoldApp::DoMessageBox(const wchar_t* prompt, UINT type, UINT helpId)
{
    CString caption;
    caption.LoadString(IDS_APP_TITLE_WORD);
    return ShowMessageBox(prompt, CarrowfoldMessageBoxType(type), helpId, caption);
}

BOOL CALLBACK CCarrowfoldApp::FindOtherInstance(HWND hwnd, LPARAM)
{
    CCarrowfoldApp& app = TheApp();
    if (hwnd == app.m_hFirstEnumWnd)
        return FALSE;  // a whole pass since the first window
    if (!app.m_hFirstEnumWnd)
        app.m_hFirstEnumWnd = hwnd;
    wchar_t title[kMaxTitleChars + 1] = L"";
    if (GetWindowTextW(hwnd, title, kMaxTitleChars + 1) <= 0)
        return TRUE;
    CString lowerTitle = title;
    lowerTitle.MakeLower();
    CString word;
    word.LoadString(IDS_APP_TITLE_WORD);
    word.MakeLower();
    if (word.IsEmpty() || lowerTitle.Find(word) < 0)
        return TRUE;
    if (static_cast<UINT>(SendMessageW(hwnd, app.m_nInstanceMsg, 0, 0)) != app.m_nInstanceMsg)
        return TRUE;
    app.m_bOtherInstanceFound = TRUE;
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    return FALSE;
}

BOOL CCarrowfoldApp::SearchOtherInstance()
{
    // A pass that was never stopped ends without having seen its first window again (the list
    // changed meanwhile): enumerate again, at most 10001 passes in all.
    while (EnumWindows(&CCarrowfoldApp::FindOtherInstance, 0)) {
        if (++m_nEnumPasses > kMaxEnumPasses)
            break;
    }
    return m_bOtherInstanceFound;
}

BOOL CCarrowfoldApp::InitInstance()
{
    CString name;
    name.LoadString(IDS_APPLICATION_NAME);
    SetAppName(name);
    SetRegistryKey(IDS_REGISTRY_KEY);
    LoadStdProfileSettings(0);
    m_ownedRecentFileList = std::make_unique<CRecentFileList>(0, L"Recent File List", L"File%d", 4, 30);
    m_pRecentFileList = m_ownedRecentFileList.get();
    m_pRecentFileList->ReadList();

    const DWORD comctl = uvAfxData.GetComCtlVersion();
    if (comctl != 0 && HIWORD(comctl) < 5) {
        AfxMessageBox(IDS_COMCTL_TOO_OLD, MB_ICONERROR);
        return FALSE;
    }

    if (SearchOtherInstance())
        return FALSE;

    SetCurrentDirectoryW(GetProgramFolder());
    CoInitialize(nullptr);

    m_bStarted = TRUE;
    const int startCount = static_cast<int>(GetProfileInt(kSettings, kStartCount, 0)) + 1;
    WriteProfileInt(kSettings, kStartCount, startCount);

    CCommandLineInfo startInfo;
    ParseCommandLine(startInfo);
    if (startInfo.m_nShellCommand != CCommandLineInfo::FileOpen)
        g_bShowSplash = startInfo.m_bShowSplash;

    g_colorScheme.Load(GetProgramFolder());

    if (!AfxOleInit())
        return FALSE;
    m_nCmdShow = SW_HIDE;

    AddDocTemplate(new CSingleDocTemplateEx(IDS_DOC_STRING, IDR_MAINFRAME, RUNTIME_CLASS(CBrennockDoc),
                                            RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CPlayListView)));
    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (!ProcessShellCommand(commandLine))
        return FALSE;
    auto* frame = dynamic_cast<CMainFrame*>(m_pMainWnd);
    if (!frame)
        return FALSE;
    frame->CompleteStartUp(startCount <= 2);
    return TRUE;
}

BOOL CCarrowfoldApp::PreTranslateMessage(MSG* msg)
{
    if (CSplashWindow::PreTranslateAppMessage(msg))
        return TRUE;
    return CWindowedApp::PreTranslateMessage(msg);
}

int CCarrowfoldApp::ExitInstance()
{
    // Only a start that got as far as counting ends cleanly here: a start that handed over to
    // the running instance (or stopped earlier) neither resets the count nor initialised COM.
    if (m_bStarted) {
        WriteProfileInt(kSettings, kStartCount, 0);
        CoUninitialize();
    }
    return CWindowedApp::ExitInstance();
}

void CCarrowfoldApp::OnUpdateRecentFileMenu(CCmdUI* cmdUI)
{
    if (!m_pRecentFileList) {
        cmdUI->Enable(FALSE);
        return;
    }
    m_pRecentFileList->UpdateMenu(cmdUI);
    if (m_pRecentFileList->GetSize() < 1 || (*m_pRecentFileList)[0].IsEmpty() || !cmdUI->m_pMenu)
        return;
    if (!m_pMainWnd || !m_pMainWnd->IsKindOf(RUNTIME_CLASS(CMainFrame)))
        return;
    // A file opened during a performance would replace the mix that is playing.
    const UINT state = static_cast<CMainFrame*>(m_pMainWnd)->IsPerforming() ? MF_GRAYED : MF_ENABLED;
    for (UINT id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE16; ++id)
        EnableMenuItem(cmdUI->m_pMenu->GetSafeHmenu(), id, MF_BYCOMMAND | state);
}
