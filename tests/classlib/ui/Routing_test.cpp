// Command routing and command update through a real single-document set: view, document, frame
// and application, each with a message map, driven with real WM_COMMAND and WM_INITMENUPOPUP.
#include "TestApp.h"

#include "classlib/ui/CmdUI.h"
#include "classlib/ui/DocTemplate.h"
#include "classlib/ui/Document.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Menu.h"
#include "classlib/ui/RecentFileList.h"
#include "classlib/ui/View.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

constexpr UINT ID_VIEW_ONLY = 1001;
constexpr UINT ID_DOC_ONLY = 1002;
constexpr UINT ID_FRAME_ONLY = 1003;
constexpr UINT ID_APP_ONLY = 1004;
constexpr UINT ID_VIEW_AND_DOC = 1005;   // the view comes first
constexpr UINT ID_DOC_AND_FRAME = 1006;  // the document comes first
constexpr UINT ID_NOBODY = 1007;
constexpr UINT ID_VIEW_PASSES_ON = 1008;    // the view's _EX handler returns FALSE
constexpr UINT ID_RANGE_FIRST = 1010;       // 1010..1014 handled by the frame as a range
constexpr UINT ID_CHECKED_BY_DOC = 1020;    // update handler in the document checks it
constexpr UINT ID_DISABLED_BY_VIEW = 1021;  // handler exists, update handler disables it
constexpr UINT ID_UPDATE_CONTINUES = 1022;  // the view's update handler routes on; the frame enables
constexpr UINT ID_IDLE_BUTTON = 1030;       // updated at idle time by a bar-like child
constexpr UINT ID_NOTIFYING_CONTROL = 2000;
constexpr UINT kTestResource = 300;

std::vector<std::wstring>& Log()
{
    return TheTestApp().log;
}

class CTestDoc : public CDocument {
    DECLARE_DYNCREATE(CTestDoc)
public:
    int newCount = 0;
    LPARAM lastHint = -1;
    BOOL OnNewDocument() override
    {
        ++newCount;
        return CDocument::OnNewDocument();
    }

protected:
    void OnDocOnly() { Log().push_back(L"doc"); }
    void OnShared() { Log().push_back(L"doc"); }
    void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(1); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestDoc, CDocument)
BEGIN_MESSAGE_MAP(CTestDoc, CDocument)
ON_COMMAND(ID_DOC_ONLY, &CTestDoc::OnDocOnly)
ON_COMMAND(ID_VIEW_AND_DOC, &CTestDoc::OnShared)
ON_COMMAND(ID_DOC_AND_FRAME, &CTestDoc::OnShared)
ON_COMMAND(ID_VIEW_PASSES_ON, &CTestDoc::OnShared)
ON_COMMAND(ID_CHECKED_BY_DOC, &CTestDoc::OnShared)
ON_UPDATE_COMMAND_UI(ID_CHECKED_BY_DOC, &CTestDoc::OnUpdateChecked)
END_MESSAGE_MAP()

class CTestView : public CView {
    DECLARE_DYNCREATE(CTestView)
public:
    std::vector<LPARAM> hints;

protected:
    void OnDraw(CDC*) override {}
    void OnUpdate(CView*, LPARAM hint, CObject*) override { hints.push_back(hint); }
    void OnViewOnly() { Log().push_back(L"view"); }
    BOOL OnPassOn(UINT)
    {
        Log().push_back(L"view-passed");
        return FALSE;
    }
    void OnDisabledCommand() { Log().push_back(L"view"); }
    void OnUpdateDisabled(CCmdUI* ui) { ui->Enable(FALSE); }
    void OnUpdateContinue(CCmdUI* ui)
    {
        Log().push_back(L"view-update");
        ui->ContinueRouting();
    }
    void OnUpdateIdleButton(CCmdUI* ui) { ui->Enable(FALSE); }
    void OnControlClick(NMHDR* header, LRESULT* result)
    {
        Log().push_back(L"view-notify-" + std::to_wstring(header->idFrom));
        *result = 5;
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestView, CView)
BEGIN_MESSAGE_MAP(CTestView, CView)
ON_COMMAND(ID_VIEW_ONLY, &CTestView::OnViewOnly)
ON_COMMAND(ID_VIEW_AND_DOC, &CTestView::OnViewOnly)
ON_COMMAND_EX(ID_VIEW_PASSES_ON, &CTestView::OnPassOn)
ON_COMMAND(ID_DISABLED_BY_VIEW, &CTestView::OnDisabledCommand)
ON_UPDATE_COMMAND_UI(ID_DISABLED_BY_VIEW, &CTestView::OnUpdateDisabled)
ON_UPDATE_COMMAND_UI(ID_UPDATE_CONTINUES, &CTestView::OnUpdateContinue)
ON_UPDATE_COMMAND_UI(ID_IDLE_BUTTON, &CTestView::OnUpdateIdleButton)
ON_NOTIFY(NM_CLICK, ID_NOTIFYING_CONTROL, &CTestView::OnControlClick)
END_MESSAGE_MAP()

class CTestFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CTestFrame)
protected:
    void OnFrameOnly() { Log().push_back(L"frame"); }
    void OnRange(UINT id) { Log().push_back(L"frame-range-" + std::to_wstring(id - ID_RANGE_FIRST)); }
    void OnUpdateContinue(CCmdUI* ui)
    {
        Log().push_back(L"frame-update");
        ui->Enable(TRUE);
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CTestFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
ON_COMMAND(ID_FRAME_ONLY, &CTestFrame::OnFrameOnly)
ON_COMMAND(ID_DOC_AND_FRAME, &CTestFrame::OnFrameOnly)
ON_COMMAND_RANGE(ID_RANGE_FIRST, ID_RANGE_FIRST + 4, &CTestFrame::OnRange)
ON_UPDATE_COMMAND_UI(ID_UPDATE_CONTINUES, &CTestFrame::OnUpdateContinue)
END_MESSAGE_MAP()

// A bar-like child: at idle time it asks the frame's routing for the state of its one button.
class CIdleBar : public CWnd {
public:
    BOOL enabled = TRUE;
    int updates = 0;

protected:
    LRESULT OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM)
    {
        struct CBarCmdUI : CCmdUI {
            CIdleBar* bar;
            void Enable(BOOL on) override
            {
                bar->enabled = on;
                m_bEnableChanged = TRUE;
            }
        } state;
        state.bar = this;
        state.m_nID = ID_IDLE_BUTTON;
        ++updates;
        state.DoUpdate(GetParentFrame(), static_cast<BOOL>(disableIfNoHandler));
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CIdleBar, CWnd)
ON_MESSAGE(WM_IDLEUPDATECMDUI, &CIdleBar::OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

class Routing : public ::testing::Test {
protected:
    void SetUp() override
    {
        CTestApp& app = TheTestApp();
        // Hidden: under Xvfb without a window manager, every shown and withdrawn window costs a
        // second of Wine waiting for the window manager.
        app.m_nCmdShow = SW_HIDE;
        auto* docTemplate = new CSingleDocTemplate(kTestResource, RUNTIME_CLASS(CTestDoc), RUNTIME_CLASS(CTestFrame),
                                                   RUNTIME_CLASS(CTestView));
        app.AddDocTemplate(docTemplate);
        doc = static_cast<CTestDoc*>(app.OpenDocumentFile(nullptr));
        ASSERT_NE(doc, nullptr);
        frame = static_cast<CTestFrame*>(app.m_pMainWnd);
        ASSERT_NE(frame, nullptr);
        view = static_cast<CTestView*>(frame->GetActiveView());
        ASSERT_NE(view, nullptr);
        app.log.clear();
    }
    void TearDown() override
    {
        CTestApp& app = TheTestApp();
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        app.ExitInstance();
    }

    CTestDoc* doc = nullptr;
    CTestFrame* frame = nullptr;
    CTestView* view = nullptr;
};

TEST_F(Routing, CommandsGoViewThenDocumentThenFrameThenApplication)
{
    struct Case {
        const wchar_t* name;
        UINT id;
        std::vector<std::wstring> expected;
    } cases[] = {
        {L"view only", ID_VIEW_ONLY, {L"view"}},
        {L"document only", ID_DOC_ONLY, {L"doc"}},
        {L"frame only", ID_FRAME_ONLY, {L"frame"}},
        {L"application only", ID_APP_ONLY, {L"app"}},
        {L"view before document", ID_VIEW_AND_DOC, {L"view"}},
        {L"document before frame", ID_DOC_AND_FRAME, {L"doc"}},
        {L"nobody", ID_NOBODY, {}},
        {L"an _EX handler returning FALSE passes the command on", ID_VIEW_PASSES_ON, {L"view-passed", L"doc"}},
        {L"first id of a range", ID_RANGE_FIRST, {L"frame-range-0"}},
        {L"last id of a range", ID_RANGE_FIRST + 4, {L"frame-range-4"}},
        {L"a command its update handler disables is not carried out", ID_DISABLED_BY_VIEW, {}},
    };
    for (const auto& c : cases) {
        TheTestApp().log.clear();
        frame->SendMessage(WM_COMMAND, MAKEWPARAM(c.id, 0), 0);
        EXPECT_EQ(TheTestApp().log, c.expected) << c.name;
    }
}

TEST_F(Routing, MenuUpdateGraysUnhandledChecksAndContinuesRouting)
{
    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    const UINT ids[] = {ID_VIEW_ONLY,        ID_NOBODY,           ID_CHECKED_BY_DOC,
                        ID_DISABLED_BY_VIEW, ID_UPDATE_CONTINUES, ID_APP_ONLY};
    for (UINT id : ids)
        popup.AppendMenu(MF_STRING, id, L"item");
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup.m_hMenu), MAKELPARAM(0, FALSE));
    struct Case {
        const wchar_t* name;
        UINT id;
        bool grayed;
        bool checked;
    } cases[] = {
        {L"handled in the view: enabled", ID_VIEW_ONLY, false, false},
        {L"no handler anywhere: grayed", ID_NOBODY, true, false},
        {L"document's update handler checks it", ID_CHECKED_BY_DOC, false, true},
        {L"update handler disables it", ID_DISABLED_BY_VIEW, true, false},
        {L"view routes on, frame's update handler enables it", ID_UPDATE_CONTINUES, false, false},
        {L"handled by the application: enabled", ID_APP_ONLY, false, false},
    };
    for (const auto& c : cases) {
        const UINT state = popup.GetMenuState(c.id, MF_BYCOMMAND);
        EXPECT_EQ((state & MF_GRAYED) != 0, c.grayed) << c.name;
        EXPECT_EQ((state & MF_CHECKED) != 0, c.checked) << c.name;
    }
    const std::vector<std::wstring> continued{L"view-update", L"frame-update"};
    EXPECT_EQ(TheTestApp().log, continued);
}

TEST_F(Routing, IdleTimeSendsIdleUpdateToDescendantsOfTheMainWindow)
{
    auto* bar = new CIdleBar;
    ASSERT_TRUE(bar->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, frame, 0xE800));
    frame->ShowWindow(SW_SHOWNOACTIVATE);
    EXPECT_TRUE(TheTestApp().OnIdle(0));
    EXPECT_EQ(bar->updates, 1);
    EXPECT_FALSE(bar->enabled);  // the view's update handler disabled the button
    EXPECT_FALSE(TheTestApp().OnIdle(1));
    bar->DestroyWindow();
    delete bar;
}

TEST_F(Routing, IdleTimeReachesTheFramesTheMainWindowOwns)
{
    frame->ShowWindow(SW_SHOWNOACTIVATE);
    struct Case {
        const char* name;
        bool owned;
        int updates;
    } cases[] = {
        {"a floating frame of the main window", true, 1},
        {"a frame of no owner", false, 0},
    };
    for (const Case& c : cases) {
        auto* floating = new CFrameWnd;
        ASSERT_TRUE(floating->CreateEx(WS_EX_TOOLWINDOW, nullptr, L"floating", WS_POPUP | WS_VISIBLE, 600, 100, 80, 60,
                                       c.owned ? frame->m_hWnd : nullptr, nullptr));
        auto* bar = new CIdleBar;
        ASSERT_TRUE(bar->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, floating, 0xE800));
        EXPECT_TRUE(TheTestApp().OnIdle(0));
        EXPECT_EQ(bar->updates, c.updates) << c.name;
        bar->DestroyWindow();
        delete bar;
        floating->DestroyWindow();
    }
}

TEST_F(Routing, NotificationsRouteByControlIdAndCodeAndReturnTheHandlersResult)
{
    NMHDR header{view->m_hWnd, ID_NOTIFYING_CONTROL, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(frame->SendMessage(WM_NOTIFY, ID_NOTIFYING_CONTROL, reinterpret_cast<LPARAM>(&header)), 5);
    EXPECT_EQ(TheTestApp().log, std::vector<std::wstring>({L"view-notify-2000"}));
    TheTestApp().log.clear();
    NMHDR other{view->m_hWnd, ID_NOTIFYING_CONTROL, static_cast<UINT>(NM_DBLCLK)};
    EXPECT_EQ(frame->SendMessage(WM_NOTIFY, ID_NOTIFYING_CONTROL, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_TRUE(TheTestApp().log.empty()) << "another code of the same control has no handler";
}

TEST_F(Routing, RecentFileListReplacesItsMenuItemWithTheEntries)
{
    CRecentFileList list(0, L"Recent File List", L"File%d", 4, 30);
    TheTestApp().m_pRecentFileList = &list;
    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    popup.AppendMenu(MF_STRING, ID_VIEW_ONLY, L"first");
    popup.AppendMenu(MF_STRING, ID_FILE_MRU_FILE1, L"Recent File");
    popup.AppendMenu(MF_STRING, ID_APP_ONLY, L"last");

    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup.m_hMenu), 0);
    EXPECT_TRUE(popup.GetMenuState(ID_FILE_MRU_FILE1, MF_BYCOMMAND) & MF_GRAYED) << "empty list: placeholder grayed";

    list.Add(L"C:\\mixes\\a.cfp");
    list.Add(L"C:\\mixes\\Drum & Bass.cfp");
    list.Add(L"C:\\mixes\\a.cfp");  // listed already: moves to the front
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup.m_hMenu), 0);
    struct Case {
        int position;
        UINT id;
        const wchar_t* text;
    } cases[] = {
        {0, ID_VIEW_ONLY, L"first"},
        {1, ID_FILE_MRU_FILE1, L"&1 a.cfp"},
        {2, ID_FILE_MRU_FILE1 + 1, L"&2 Drum && Bass.cfp"},
        {3, ID_APP_ONLY, L"last"},
    };
    ASSERT_EQ(popup.GetMenuItemCount(), 4);
    for (const auto& c : cases) {
        CString text;
        popup.GetMenuString(c.position, text, MF_BYPOSITION);
        EXPECT_EQ(popup.GetMenuItemID(c.position), c.id) << c.position;
        EXPECT_STREQ(text, c.text) << c.position;
        EXPECT_FALSE(popup.GetMenuState(c.position, MF_BYPOSITION) & MF_GRAYED) << c.position;
    }
    TheTestApp().m_pRecentFileList = nullptr;
}

TEST_F(Routing, UpdateAllViewsPassesTheHintToEveryViewButTheSender)
{
    doc->UpdateAllViews(nullptr, 7, nullptr);
    doc->UpdateAllViews(view, 8, nullptr);
    EXPECT_EQ(view->hints, std::vector<LPARAM>({0, 7}));  // 0 from the initial update
}

TEST_F(Routing, FirstPaneViewIsFoundBelowAnIntermediateWindow)
{
    // A container with the first pane's id (as a splitter is) holding the view as its first pane.
    CWnd container;
    ASSERT_TRUE(container.Create(nullptr, nullptr, WS_CHILD, RECT{0, 0, 10, 10}, frame, AFX_IDW_PANE_FIRST + 1));
    ::SetParent(view->m_hWnd, container.m_hWnd);
    EXPECT_EQ(frame->GetDescendantWindow(AFX_IDW_PANE_FIRST, RUNTIME_CLASS(CView)), view);
    EXPECT_EQ(view->GetParentFrame(), frame);
    ::SetParent(view->m_hWnd, frame->m_hWnd);
    container.DestroyWindow();
}

TEST_F(Routing, FrameLoadsMenuAcceleratorsIconAndTitleFromOneResourceId)
{
    CMenu* menu = frame->GetMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(menu->GetSubMenu(0), nullptr);
    EXPECT_EQ(menu->GetSubMenu(0)->GetMenuItemID(0), ID_VIEW_ONLY);
    EXPECT_NE(GetClassLongPtrW(frame->m_hWnd, GCLP_HICON), 0);
    EXPECT_STREQ(frame->GetTitle(), L"Framework Test");
    CString text;
    frame->GetWindowText(text);
    EXPECT_STREQ(text, L"Test Document - Framework Test");
    ASSERT_NE(frame->m_hAccelTable, nullptr);
    // F7 pressed in the view: the application offers the key to the windows from the view up,
    // the frame's accelerators turn it into the command, and routing brings it to the view.
    MSG key{view->m_hWnd, WM_KEYDOWN, VK_F7, 0, 0, {0, 0}};
    EXPECT_TRUE(TheTestApp().PreTranslateMessage(&key));
    EXPECT_EQ(TheTestApp().log, std::vector<std::wstring>({L"view"}));
}

TEST_F(Routing, TitleJoinsFrameAndDocumentTitles)
{
    frame->SetTitle(L"Program");
    doc->SetTitle(L"Mix *");
    CString text;
    frame->GetWindowText(text);
    // The frame style carries WS_THICKFRAME, whose bit is also the prefix-title flag: the
    // document's title comes first, as in every single-document program of the framework.
    EXPECT_STREQ(text, L"Mix * - Program");
}

TEST_F(Routing, ClosingTheMainFrameClosesTheDocumentAndPostsQuit)
{
    frame->SendMessage(WM_CLOSE);
    EXPECT_EQ(TheTestApp().m_pMainWnd, nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
