#include "app/MainFrame.h"

#include "app/BrennockDoc.h"
#include "app/BstrResult.h"
#include "app/CarrowfoldApp.h"
#include "app/PlayListView.h"
#include "app/look/ColorScheme.h"
#include "app/SplashWindow.h"
#include "app/WelcomeDlg.h"
#include "app/resource.h"
#include "classlib/com/ComPtr.h"
#include "classlib/ui/AfxIds.h"
#include "classlib/ui/Dialog.h"
#include "classlib/ui/WindowedApp.h"
#include "interfaces/IPlayManager.h"
#include "interfaces/IPlayer.h"

#include <commctrl.h>

#include <iterator>

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

namespace {

// Right edges of the two text panes: pane 0 is 500 pixels wide, pane 1 1000.
constexpr int kStatusPaneEdges[] = {500, 1500};

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kShowWelcome[] = L"Show Welcome Dialog";

}  // namespace

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_TIMER()
ON_WM_SYSCOLORCHANGE()
ON_COMMAND(ID_APP_ABOUT, &CMainFrame::OnAppAbout)
END_MESSAGE_MAP()

CMainFrame::CMainFrame() : m_nInstanceMsg(RegisterWindowMessageW(L"Carrowfold 5 MultiInst communication")) {}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.lpszClass =
        AfxRegisterWndClass(0, nullptr, nullptr, LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    return cs.lpszClass != nullptr;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs)
{
    CString full;
    full.LoadString(IDS_DOC_STRING);
    const int end = full.Find(L'\n');
    m_strTitle = end < 0 ? full : full.Left(end);
    cs->lpszName = m_strTitle;
    SetWindowText(m_strTitle);
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    m_hStatusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_STATUS_BAR)),
                                   AfxGetInstanceHandle(), nullptr);
    if (!m_hStatusBar)
        return -1;
    ::SendMessageW(m_hStatusBar, SB_SETPARTS, std::size(kStatusPaneEdges), reinterpret_cast<LPARAM>(kStatusPaneEdges));
    RecalcLayout();
    CSplashWindow::ShowSplash(this);
    return 0;
}

void CMainFrame::RecalcLayout(BOOL)
{
    if (!m_hWnd)
        return;
    RECT client;
    GetClientRect(&client);
    int statusHeight = 0;
    if (m_hStatusBar) {
        ::SendMessageW(m_hStatusBar, WM_SIZE, 0, 0);  // the bar places itself at the bottom
        RECT bar;
        ::GetWindowRect(m_hStatusBar, &bar);
        statusHeight = bar.bottom - bar.top;
    }
    if (HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST)) {
        const int height = client.bottom - client.top - statusHeight;
        ::MoveWindow(pane, client.left, client.top, client.right - client.left, height > 0 ? height : 0, TRUE);
    }
}

void CMainFrame::SetStatusText(int pane, const wchar_t* text)
{
    if (m_hStatusBar)
        ::SendMessageW(m_hStatusBar, SB_SETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text));
}

BOOL CMainFrame::CompleteStartUp(BOOL reopenLastPlaylist)
{
    CBrennockDoc* doc = GetDocument();
    if (!doc)
        return FALSE;
    doc->CreateEngine(reopenLastPlaylist, m_hWnd);
    SetTimer(kUiUpdateTimer, kUiUpdateIntervalMs);
    UpdateWindow();
    ShowWindow(SW_SHOW);
    OnUpdateFrameTitle(TRUE);
    OfferSampleMix(doc);
    return TRUE;
}

void CMainFrame::OfferSampleMix(CBrennockDoc* doc)
{
    CWindowedApp* app = AfxGetWindowedApp();
    if (!app || app->GetProfileInt(kSettings, kShowWelcome, 1) == 0 || doc->GetTrackCount() > 0)
        return;
    CWelcomeDlg welcome(this);
    if (welcome.DoModal() != IDOK)
        return;
    app->WriteProfileInt(kSettings, kShowWelcome, welcome.m_bShowAgain);
    if (welcome.m_nChoice != IDC_WELCOME_YES)
        return;
    CString name;
    name.LoadString(IDS_DEMO_MIX);
    doc->OnNewDocument();
    // A sample mix that did not open has been reported; the empty mix must not carry its name.
    if (doc->OnOpenDocument(CCarrowfoldApp::GetProgramFolder() + name))
        doc->SetTitle(name);
}

void CMainFrame::OnAppAbout()
{
    CDialog about(IDD_ABOUTBOX, this);
    about.DoModal();
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A second start of the program asks every candidate window with this message; the answer
    // tells it that this instance runs.
    if (message == m_nInstanceMsg)
        return m_nInstanceMsg;
    if (message == WM_WININICHANGE && IsIconic())
        return 0;
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

void CMainFrame::OnTimer(UINT_PTR id)
{
    if (id == kUiUpdateTimer) {
        if (CBrennockDoc* doc = GetDocument())
            doc->PumpUiUpdates();
    }
    CFrameWnd::OnTimer(id);
}

void CMainFrame::OnSysColorChange()
{
    CFrameWnd::OnSysColorChange();
    g_colorScheme.ComputeColors();
}

void CMainFrame::OnClose()
{
    CBrennockDoc* doc = GetDocument();
    if (doc && !doc->ConfirmSaveOnClose())
        return;
    KillTimer(kUiUpdateTimer);
    const ComPtr<IBrennock> engine = ComPtr<IBrennock>::copy(GetEngine());
    if (engine) {
        engine->ClearFileMapperCallback();
        engine->Shutdown();
    }
    CFrameWnd::OnClose();
}

CBrennockDoc* CMainFrame::GetDocument()
{
    CDocument* doc = GetActiveDocument();
    return doc && doc->IsKindOf(RUNTIME_CLASS(CBrennockDoc)) ? static_cast<CBrennockDoc*>(doc) : nullptr;
}

IBrennock* CMainFrame::GetEngine()
{
    CBrennockDoc* doc = GetDocument();
    return doc ? doc->GetEngine() : nullptr;
}

CPlayListView* CMainFrame::GetPlayListView()
{
    CBrennockDoc* doc = GetDocument();
    if (!doc)
        return nullptr;
    POSITION position = doc->GetFirstViewPosition();
    while (position) {
        CView* view = doc->GetNextView(position);
        if (view->IsKindOf(RUNTIME_CLASS(CPlayListView)))
            return static_cast<CPlayListView*>(view);
    }
    return nullptr;
}

BOOL CMainFrame::IsPerforming()
{
    IBrennock* engine = GetEngine();
    if (!engine)
        return FALSE;
    ComPtr<IPlayManager> live;
    if (FAILED(engine->QueryInterface(IID_IPlayManagerLive, live.put_void())) || !live)
        return FALSE;
    return live->IsPerforming() == S_OK;
}

void CMainFrame::ShowOutputStatus()
{
    IBrennock* engine = GetEngine();
    if (!engine)
        return;
    ComPtr<IPlayer> player;
    if (FAILED(engine->QueryInterface(IID_IPlayer, player.put_void())) || !player)
        return;
    BstrResult url;
    if (FAILED(player->GetWebcastUrl(url.put())))
        return;
    const CString address = url.text();
    CString text;
    if (address.IsEmpty()) {
        text.LoadString(IDS_PLAYING_LOCALLY);
    } else {
        CString format;
        format.LoadString(IDS_WEBCASTING_ON);
        text.Format(format, address.GetString());
    }
    SetStatusText(1, text);
}
