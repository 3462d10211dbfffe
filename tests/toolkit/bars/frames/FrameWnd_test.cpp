// The toolkit frames driven by real messages: the menu bar they hold sees the frame's keys first,
// cool menus draw the frame's popups with the images of a toolbar resource, hidden commands reach
// the menu bar, "Display full menus" stays enabled, a colour change refreshes the toolkit's
// colours, the window class carries the frame's icon, a view is replaced by another and a user
// tool's command starts the tool; what the customise session queued for deletion goes with the
// frame. The MDI
// child finds its MDI frame's menu bar and draws its own popups; the in-place frame hosts bars
// and cool menus inside a container window.
#include "classlib/core/WinApp.h"
#include "classlib/ui/Document.h"
#include "classlib/ui/View.h"
#include "tests/classlib/ui/BarInput.h"
#include "tests/toolkit/bars/docking/UVTestBar.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/frames/FrameWnd.h"
#include "toolkit/bars/frames/MDIChildWnd.h"
#include "toolkit/bars/frames/MDIFrameWnd.h"
#include "toolkit/bars/frames/OleIPFrameWnd.h"
#include "toolkit/bars/frames/UserToolLaunch.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/controls/customize/CustomizeSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr UINT kMenu = 500;
constexpr UINT kChildType = 501;
constexpr UINT kToolBar = 300;

class CIconFrame : public CUVFrameWnd {
public:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override { return PreCreateWindowWithIcon(cs, kMenu); }
};

class CFirstView : public CView {
    DECLARE_DYNCREATE(CFirstView)
protected:
    void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CFirstView, CView)

class CTestDoc : public CDocument {
public:
    CTestDoc() = default;
};

class CSecondView : public CView {
    DECLARE_DYNCREATE(CSecondView)
public:
    int initialUpdates = 0;
    void OnInitialUpdate() override { ++initialUpdates; }

protected:
    void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CSecondView, CView)

bool IsOwnerDrawn(HMENU menu, int position)
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) && (info.fType & MFT_OWNERDRAW);
}

UINT ItemState(HMENU menu, UINT id)
{
    return GetMenuState(menu, id, MF_BYCOMMAND);
}

// A toolkit main frame with its menu bar (menu 500) docked on top and no window menu.
class ToolkitFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CIconFrame;
        ASSERT_TRUE(frame->Create(nullptr, L"frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, RECT{100, 100, 700, 500},
                                  nullptr, nullptr, 0, nullptr));
        frame->EnableDocking(CBRS_ALIGN_ANY);
        CUVMenuBar& bar = frame->GetMenuBar();
        ASSERT_TRUE(bar.CreateEx(frame));
        bar.EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(&bar);
        ASSERT_TRUE(bar.LoadMenuBar(kMenu));
        frame->ShowWindow(SW_SHOW);
        SetForegroundWindow(*frame);
        frame->SetFocus();
        frame->RecalcLayout();
        PumpInput(50);
    }
    void TearDown() override
    {
        EndMenu();
        frame->DestroyWindow();
        uvAfxData.m_bCoolMenus = FALSE;
        PumpInput(20);
    }
    CIconFrame* frame = nullptr;
};

TEST_F(ToolkitFrame, TheMenuBarSeesTheFramesKeysFirst)
{
    KeyInput(VK_MENU, false);
    KeyInput(VK_MENU, true);
    PumpInput(100);
    EXPECT_EQ(frame->GetMenuBar().m_nState, CUVMenuBar::stateKeyboard);
    KeyInput(VK_ESCAPE, false);
    KeyInput(VK_ESCAPE, true);
    PumpInput(100);
    EXPECT_EQ(frame->GetMenuBar().m_nState, CUVMenuBar::stateIdle);
}

TEST_F(ToolkitFrame, FrameMenuIsTheWindowMenuElseTheMenuBars)
{
    EXPECT_EQ(frame->GetFrameMenu(), frame->GetMenuBar().GetMenu());
    HMENU own = LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kMenu));
    ::SetMenu(*frame, own);
    EXPECT_EQ(frame->GetFrameMenu(), own);
    ::SetMenu(*frame, nullptr);
    DestroyMenu(own);
}

TEST_F(ToolkitFrame, CoolMenusDrawTheFramesPopupsWithTheToolbarsImages)
{
    ASSERT_TRUE(frame->InstallCoolMenus(kToolBar));
    EXPECT_TRUE(uvAfxData.m_bCoolMenus);
    EXPECT_NE(GetUVCommandImages().Lookup(101, FALSE), nullptr);
    HMENU file = GetSubMenu(frame->GetFrameMenu(), 0);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    EXPECT_TRUE(IsOwnerDrawn(file, 0));
    EXPECT_TRUE(IsOwnerDrawn(file, 1));
}

TEST_F(ToolkitFrame, HiddenCommandsReachTheMenuBar)
{
    ASSERT_TRUE(frame->InstallCoolMenus(kToolBar));
    EXPECT_TRUE(frame->HideCommand(5020));
    const UINT more[] = {5030, 101};
    EXPECT_TRUE(frame->HideCommands(more, 2));
    const auto& hidden = frame->GetMenuBar().m_hiddenCommands;
    for (UINT id : {5020u, 5030u, 101u})
        EXPECT_NE(std::find(hidden.begin(), hidden.end(), id), hidden.end()) << id;
}

TEST_F(ToolkitFrame, DisplayFullMenusStaysEnabledWhereCommandsWithoutHandlersGray)
{
    HMENU view = GetSubMenu(frame->GetFrameMenu(), 1);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 1);
    EXPECT_EQ(ItemState(view, 53783) & MF_GRAYED, 0u);
    EXPECT_NE(ItemState(view, 5030) & MF_GRAYED, 0u);
}

TEST_F(ToolkitFrame, ColourChangeRefreshesTheToolkitsColours)
{
    const COLORREF first = uvAfxData.m_colors[0];
    uvAfxData.m_colors[0] = first ^ 0x00FFFFFF;
    frame->SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(uvAfxData.m_colors[0], first);
    uvAfxData.m_colors[0] = first ^ 0x00FFFFFF;
    frame->SendMessage(WM_SETTINGCHANGE);
    EXPECT_EQ(uvAfxData.m_colors[0], first);
}

TEST_F(ToolkitFrame, WindowClassCarriesTheFramesIcon)
{
    const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(*frame, GCLP_HICON));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(icon, LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kMenu)));
    EXPECT_EQ(GetClassLongPtrW(*frame, GCLP_HCURSOR), 0);
    EXPECT_EQ(GetClassLongPtrW(*frame, GCLP_HBRBACKGROUND), 0);
}

TEST_F(ToolkitFrame, ReplacedViewTakesThePaneTheDocumentAndTheFocusOfTheOld)
{
    CTestDoc doc;
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CFirstView);
    context.m_pCurrentDoc = &doc;
    auto* first = static_cast<CView*>(frame->CreateView(&context));
    ASSERT_NE(first, nullptr);
    frame->SetActiveView(first);
    const HWND firstWindow = first->m_hWnd;

    ASSERT_TRUE(frame->ReplaceView(RUNTIME_CLASS(CSecondView)));
    auto* second = dynamic_cast<CSecondView*>(frame->GetActiveView());
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(IsWindow(firstWindow));
    EXPECT_EQ(second->GetDocument(), &doc);
    EXPECT_EQ(second->initialUpdates, 1);
    EXPECT_EQ(frame->GetDlgItem(AFX_IDW_PANE_FIRST), second);
    // The new view fills the room below the menu bar.
    RECT pane, bar;
    second->GetWindowRect(&pane);
    frame->GetMenuBar().GetWindowRect(&bar);
    EXPECT_GE(pane.top, bar.bottom);
    EXPECT_GT(pane.bottom - pane.top, 100);
    second->DestroyWindow();
}

// The user tools list answers through the lookup; a double gives one tool: the registry editor
// importing, silently, a file named relative to the tool's directory.
CString g_toolDirectory;
constexpr wchar_t kToolKey[] = L"Software\\CarrowfoldTests\\UserTool";

bool OneTool(UINT id, UVUserToolRecord& record)
{
    if (id != 53001)
        return false;
    record.command = L"regedit.exe";
    record.arguments = L"/s tool.reg";
    record.directory = g_toolDirectory;
    return true;
}

DWORD ToolRan()
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    return RegGetValueW(HKEY_CURRENT_USER, kToolKey, L"Ran", RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS
               ? value
               : 0;
}

TEST_F(ToolkitFrame, UserToolCommandsStartTheirToolAndAreAlwaysHandled)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    g_toolDirectory.Format(L"%stoolkit-frame-tool-%lu", temp, GetCurrentProcessId());
    CreateDirectoryW(g_toolDirectory, nullptr);
    CString script;
    script.Format(L"%s\\tool.reg", static_cast<const wchar_t*>(g_toolDirectory));
    {
        FILE* file = _wfopen(script, L"wb");
        ASSERT_NE(file, nullptr);
        fputs("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\CarrowfoldTests\\UserTool]\r\n\"Ran\"=dword:00000007\r\n",
              file);
        fclose(file);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, kToolKey);
    GetUVUserToolLookup() = &OneTool;

    HMENU tools = CreatePopupMenu();
    AppendMenuW(tools, MF_STRING, 53001, L"Tool");
    AppendMenuW(tools, MF_STRING, 53002, L"No tool");
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tools), 2);
    EXPECT_EQ(ItemState(tools, 53001) & MF_GRAYED, 0u);
    EXPECT_EQ(ItemState(tools, 53002) & MF_GRAYED, 0u);
    DestroyMenu(tools);

    frame->SendMessage(WM_COMMAND, 53002);
    frame->SendMessage(WM_COMMAND, 53001);
    // A new process starts slowly under load.
    const DWORD start = GetTickCount();
    while (ToolRan() != 7 && GetTickCount() - start < 30000)
        PumpInput(50);
    GetUVUserToolLookup() = nullptr;
    EXPECT_EQ(ToolRan(), 7u) << "the tool did not run in its directory";
    RegDeleteKeyW(HKEY_CURRENT_USER, kToolKey);
    DeleteFileW(script);
    RemoveDirectoryW(g_toolDirectory);
}

// An object of the customise session's deletion queue that queues another as it goes.
struct QueuedForDeletion : CObject {
    QueuedForDeletion(std::vector<int>* deleted, int n) : deleted(deleted), n(n) {}
    ~QueuedForDeletion() override
    {
        deleted->push_back(n);
        if (n == 1)
            CUVCustomizeSession::GetInstance()->QueueForDeletion(new QueuedForDeletion(deleted, 2));
    }
    std::vector<int>* deleted;
    int n;
};

TEST(ToolkitFrameDestruction, ObjectsQueuedForDeletionGoWithTheFrame)
{
    std::vector<int> deleted;
    auto* frame = new CUVFrameWnd;
    ASSERT_TRUE(
        frame->Create(nullptr, L"frame", WS_OVERLAPPEDWINDOW, RECT{100, 100, 500, 400}, nullptr, nullptr, 0, nullptr));
    frame->ShowWindow(SW_SHOW);
    CUVCustomizeSession::GetInstance()->QueueForDeletion(new QueuedForDeletion(&deleted, 1));
    PumpInput(20);
    EXPECT_TRUE(deleted.empty()) << "kept while the frame lives";
    const HWND window = frame->m_hWnd;
    ::SendMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_FALSE(::IsWindow(window));
    EXPECT_EQ(deleted, (std::vector<int>{1, 2})) << "until the queue stays empty";
}

// An MDI frame with the menu bar and two toolkit children.
TEST(ToolkitMDIFrame, ChildFindsTheFramesMenuBarAndDrawsItsOwnPopups)
{
    auto* frame = new CUVMDIFrameWnd;
    ASSERT_TRUE(frame->LoadFrame(kMenu, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN));
    frame->MoveWindow(100, 100, 700, 500);
    frame->EnableDocking(CBRS_ALIGN_ANY);
    CUVMenuBar& bar = frame->GetMenuBar();
    ASSERT_TRUE(bar.CreateEx(frame));
    frame->DockControlBar(&bar);
    ASSERT_TRUE(bar.LoadMenuBar(kMenu));
    ::SetMenu(*frame, nullptr);
    frame->ShowWindow(SW_SHOW);
    EXPECT_EQ(frame->FindMenuBar(), &bar);
    ASSERT_TRUE(frame->InstallCoolMenus(kToolBar));

    auto* child = new CUVMDIChildWnd;
    ASSERT_TRUE(child->LoadFrame(kChildType, WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, frame));
    PumpInput(50);
    // The child's menu slot holds no menu; the frame's bar shows the child type's menu.
    EXPECT_EQ(child->GetFrameMenu(), bar.GetMenu());
    EXPECT_EQ(bar.GetMenu(), child->m_hMenuShared);

    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 101, L"&New");
    child->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_TRUE(IsOwnerDrawn(popup, 0));
    DestroyMenu(popup);

    frame->DestroyWindow();
    uvAfxData.m_bCoolMenus = FALSE;
    PumpInput(20);
}

TEST(ToolkitMDIFrame, ActivatedChildMakesItsFirstViewActive)
{
    auto* frame = new CUVMDIFrameWnd;
    ASSERT_TRUE(frame->LoadFrame(kMenu, WS_OVERLAPPEDWINDOW));
    frame->ShowWindow(SW_SHOW);
    CTestDoc doc;
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CFirstView);
    context.m_pCurrentDoc = &doc;
    auto* child = new CUVMDIChildWnd;
    ASSERT_TRUE(child->LoadFrame(kChildType, WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, frame, &context));
    EXPECT_EQ(child->GetActiveView(), nullptr);
    child->ActivateFrame();
    EXPECT_NE(dynamic_cast<CFirstView*>(child->GetActiveView()), nullptr);
    frame->DestroyWindow();
    PumpInput(20);
}

// The in-place frame inside a container window: a toolbar docks along its top, inside the
// container, and the frame's popups are cool menus.
TEST(ToolkitInPlaceFrame, HostsBarsAndCoolMenusInsideItsContainer)
{
    auto* container = new CFrameWnd;
    ASSERT_TRUE(container->Create(nullptr, L"container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  RECT{100, 100, 700, 500}, nullptr, nullptr, 0, nullptr));
    container->ShowWindow(SW_SHOW);
    auto* frame = new CUVOleIPFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, L"in place", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, RECT{40, 30, 440, 330},
                              container, nullptr, 0, nullptr));
    frame->EnableDocking(CBRS_ALIGN_ANY);
    CUVTestBar toolBar(120, 26);
    ASSERT_TRUE(toolBar.CreateBar(nullptr, WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER, frame, 0xE880));
    toolBar.EnableDocking(CBRS_ALIGN_ANY);
    frame->DockControlBar(&toolBar);
    frame->RecalcLayout();
    ASSERT_TRUE(frame->InstallCoolMenus(kToolBar));
    PumpInput(30);

    RECT inner, barRect;
    frame->GetWindowRect(&inner);
    toolBar.GetWindowRect(&barRect);
    // The top dock bar lets its first row overlap its border line by one pixel.
    EXPECT_LE(std::abs(barRect.top - inner.top), 1);
    EXPECT_GE(barRect.left, inner.left);
    EXPECT_LE(barRect.right, inner.right);
    EXPECT_EQ(barRect.bottom - barRect.top, 26);
    EXPECT_EQ(frame->GetFrameMenu(), nullptr);

    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 102, L"&Second");
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_TRUE(IsOwnerDrawn(popup, 0));
    DestroyMenu(popup);

    toolBar.DestroyWindow();
    container->DestroyWindow();
    uvAfxData.m_bCoolMenus = FALSE;
    PumpInput(20);
}

}  // namespace
