// The toolkit's docking window in real frames: its sizes per place, its share of a row beside
// other docking windows, closing, expanding and contracting by its commands and by its caption
// buttons clicked with the mouse (with their tooltips), a floating frame resized by its border
// with the mouse, the hosted child's place, the caption's activity following the focus, the
// initial update of a window created floating, the moves a resize of the frame makes of it and
// its children, and its sizes kept in the profile ("Bar Position"), where damaged records are
// ignored whole.
#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockContext.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "classlib/ui/View.h"
#include "tests/classlib/ui/BarInput.h"
#include "tests/support/SentMessageLog.h"
#include "tests/toolkit/bars/TestProfile.h"
#include "toolkit/bars/docking/BarButton.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/DockWindow.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 400;
constexpr UINT kFirstId = 0xE8D0;

// A view for the docking windows to host.
class CHostedView : public CView {
    DECLARE_DYNCREATE(CHostedView)
public:
    static inline int initialUpdates = 0;

protected:
    void OnDraw(CDC*) override {}
    void OnInitialUpdate() override { ++initialUpdates; }
};
IMPLEMENT_DYNCREATE(CHostedView, CView)

class UVDockWindow : public TestProfile {
protected:
    void SetUp() override
    {
        TestProfile::SetUp();
        frame = new CFrameWnd;
        ASSERT_TRUE(frame->Create(nullptr, L"dock", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, kWidth, kHeight}, nullptr,
                                  nullptr, 0, nullptr));
        EnableUVDocking(frame, CBRS_ALIGN_ANY, UVDB_KEEP_BAR_BORDERS);
        frame->RecalcLayout();
    }
    void TearDown() override
    {
        MouseTo(POINT{5, 1000});
        for (auto& window : windows)
            window->DestroyWindow();
        windows.clear();
        frame->DestroyWindow();
        PumpInput(20);
        TestProfile::TearDown();
    }
    CUVDockWindow* Make(SIZE size, DWORD side, UINT dockBar, DWORD styleEx = UVBS_DEFAULT)
    {
        auto window = std::make_unique<CUVDockWindow>();
        EXPECT_TRUE(window->Create(frame, kFirstId + static_cast<UINT>(windows.size()), L"Docked", size,
                                   WS_VISIBLE | CBRS_TOOLTIPS | side, styleEx));
        window->EnableDocking(CBRS_ALIGN_ANY);
        CUVDockWindow* raw = window.get();
        windows.push_back(std::move(window));
        Dock(raw, dockBar, windows.size() > 1 ? windows[windows.size() - 2].get() : nullptr);
        return raw;
    }
    // Docks `window` right of (or below) `after` in its row, or as a new row.
    void Dock(CUVDockWindow* window, UINT dockBar, CControlBar* after)
    {
        if (after && after->m_pDockBar && static_cast<UINT>(after->m_pDockBar->GetDlgCtrlID()) == dockBar) {
            RECT rect;
            after->GetWindowRect(&rect);
            const bool horz = dockBar == AFX_IDW_DOCKBAR_TOP || dockBar == AFX_IDW_DOCKBAR_BOTTOM;
            const RECT at = horz ? RECT{rect.right + 1, rect.top, rect.right + 20, rect.bottom}
                                 : RECT{rect.left, rect.bottom + 1, rect.right, rect.bottom + 20};
            frame->DockControlBar(window, dockBar, &at);
        } else {
            frame->DockControlBar(window, dockBar);
        }
        frame->RecalcLayout();
    }
    std::vector<int> Lengths() const
    {
        std::vector<int> lengths;
        for (const auto& window : windows)
            lengths.push_back(window->GetDockedWidth());
        return lengths;
    }

    CFrameWnd* frame = nullptr;
    std::vector<std::unique_ptr<CUVDockWindow>> windows;
};

TEST_F(UVDockWindow, ItsSizeTurnsWithTheSideItDocksOn)
{
    CUVDockWindow* window = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT);
    EXPECT_EQ(window->m_dwStyle & 0x4C, 0x4Cu) << "several per floating frame, hidden in place, dynamic";
    EXPECT_EQ(window->GetDockedWidth(), 200);
    EXPECT_EQ(window->GetDockedHeight(), kHeight) << "alone on its side: the whole length";
    EXPECT_EQ(window->GetGripperSize(), 24);

    frame->DockControlBar(window, AFX_IDW_DOCKBAR_TOP);
    EXPECT_EQ(window->CalcDynamicLayout(-1, LM_HORZ | LM_HORZDOCK).cy, 200) << "120 x 200 at the top";
    EXPECT_EQ(window->CalcDynamicLayout(-1, LM_VERTDOCK).cx, 200) << "200 x 120 on the left";
    EXPECT_EQ(window->GetGripperSize(), 18);
    const SIZE floating = window->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
    EXPECT_EQ(floating.cx, 300);
    EXPECT_EQ(floating.cy, 150);
}

TEST_F(UVDockWindow, DockingWindowsShareTheirRowsLength)
{
    // The same rows as with the dock bar's test stand-in: 500 long, two 6-pixel strips, 488 to share.
    struct Case {
        const char* name;
        std::vector<int> lengths;
        std::vector<int> expected;
    } cases[] = {
        {"10 pixels too many: -3, -3, -4", {164, 166, 168}, {161, 163, 164}},
        {"10 pixels too few: +3, +3, +4", {160, 160, 158}, {163, 163, 162}},
    };
    for (const auto& c : cases) {
        for (int length : c.lengths)
            Make(SIZE{length, 60}, CBRS_TOP, AFX_IDW_DOCKBAR_TOP);
        for (size_t i = 0; i < windows.size(); ++i) {
            windows[i]->SetDockedSize(SIZE{c.lengths[i], 60});
            windows[i]->m_dwStyleEx &= ~UVBS_NEWLY_PLACED;
        }
        frame->RecalcLayout();
        EXPECT_EQ(Lengths(), c.expected) << c.name;
        for (auto& window : windows)
            window->DestroyWindow();
        windows.clear();
    }
}

TEST_F(UVDockWindow, ItsCommandsCloseItAndExpandAndContractIt)
{
    for (int i = 0; i < 3; ++i)
        Make(SIZE{150, 60}, CBRS_TOP, AFX_IDW_DOCKBAR_TOP);
    const std::vector<int> shared = Lengths();
    ASSERT_EQ(shared[0] + shared[1] + shared[2], kWidth - 2 * kUVStripSize);

    windows[1]->SendMessage(WM_COMMAND, CUVDockWindow::kExpandCommand, 0);
    EXPECT_TRUE(windows[1]->IsExpanded());
    EXPECT_EQ(Lengths(), (std::vector<int>{18, kWidth - 2 * kUVStripSize - 36, 18}))
        << "the others keep their grippers";

    windows[1]->SendMessage(WM_COMMAND, CUVDockWindow::kExpandCommand, 0);
    EXPECT_FALSE(windows[1]->IsExpanded());
    EXPECT_EQ(Lengths(), shared) << "contracted: every window has its length back";

    windows[1]->SendMessage(WM_COMMAND, CUVDockWindow::kExpandCommand, 0);
    windows[1]->SendMessage(WM_COMMAND, CUVDockWindow::kCloseCommand, 0);
    EXPECT_FALSE(windows[1]->GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(windows[1]->IsExpanded()) << "hiding an expanded window contracts it first";
    frame->RecalcLayout();
    EXPECT_EQ(windows[0]->GetDockedWidth() + windows[2]->GetDockedWidth(), kWidth - kUVStripSize)
        << "the two left share the row";
}

TEST_F(UVDockWindow, AFloatingFrameResizedByItsBorderKeepsItsNewWidthAndAtLeast50Pixels)
{
    CUVDockWindow* window = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT);
    frame->ShowWindow(SW_SHOW);
    frame->FloatControlBar(window, POINT{600, 300});
    CFrameWnd* floating = window->GetParentFrame();
    ASSERT_TRUE(floating && floating->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd)));
    RECT client;
    floating->GetClientRect(&client);
    // The floating size less the bar's border lines, which lie outside the frame's client area.
    EXPECT_EQ(client.right, 300 - 4);
    EXPECT_EQ(client.bottom, 150 - 4);

    RECT rect;
    floating->GetWindowRect(&rect);
    const POINT border{rect.right - 2, (rect.top + rect.bottom) / 2};
    ASSERT_EQ(floating->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(border.x, border.y)), HTRIGHT);
    DragWithMouse(border, POINT{border.x - 100, border.y});
    floating->GetClientRect(&client);
    EXPECT_EQ(client.right, 200 - 4);
    EXPECT_EQ(client.bottom, 150 - 4) << "the height stays";
    EXPECT_EQ(window->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH).cx, 200) << "kept as the floating size";

    // Narrower than a captioned frame may be dragged: the bar itself takes no less than 50.
    EXPECT_EQ(window->CalcDynamicLayout(30, LM_HORZ).cx, CUVDockWindow::kMinFloatingLength);
    EXPECT_EQ(window->CalcDynamicLayout(30, LM_HORZ | LM_LENGTHY).cy, CUVDockWindow::kMinFloatingLength);
}

TEST_F(UVDockWindow, TheHostedChildFillsTheInsideRectangle)
{
    CUVDockWindow* window = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT);
    HWND child =
        ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD, 0, 0, 0, 0, window->m_hWnd, nullptr, nullptr, nullptr);
    EXPECT_FALSE(window->SetChild(CWnd::FromHandle(child))) << "not a view";
    frame->RecalcLayout();
    ::SetWindowPos(window->m_hWnd, nullptr, 0, 0, 201, kHeight, SWP_NOMOVE | SWP_NOZORDER);
    RECT inside;
    window->GetInsideRect(inside);
    // Docked left, classic look: 3 in at the sides, below the caption less 5 at the top.
    EXPECT_EQ(inside.left, 3);
    EXPECT_EQ(inside.right, 198);
    EXPECT_EQ(inside.top, 6 + 24 - 3 - 5);
    RECT placed;
    ::GetWindowRect(child, &placed);
    ::MapWindowPoints(nullptr, window->m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
    InflateRect(&inside, -1, -1);
    EXPECT_TRUE(EqualRect(&placed, &inside));
    EXPECT_TRUE(::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(UVDockWindow, AFrameResizeMovesEachWindowOfASharedRowOnceAndItsChildrenOnlyWhenOutOfPlace)
{
    // Under Wine every move is a round trip to the window server: a resize of the frame gives each
    // docking window its share of the row with one move, and the caption buttons, which keep their
    // place at the top of the windows' client areas, are not moved at all.
    CUVDockWindow* first = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT);
    CUVDockWindow* second = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT);
    std::vector<HWND> children;
    for (CUVDockWindow* window : {first, second}) {
        HWND child = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window->m_hWnd,
                                       nullptr, nullptr, nullptr);
        window->SetChild(CWnd::FromHandle(child));
        children.push_back(child);
    }
    frame->RecalcLayout();
    const int before = first->GetDockedHeight() + second->GetDockedHeight();
    {
        SentMessageLog sent;
        ASSERT_TRUE(sent.IsHooked());
        ::SetWindowPos(frame->m_hWnd, nullptr, 0, 0, kWidth, kHeight - 40, SWP_NOMOVE | SWP_NOZORDER);
        const auto moves = [&sent](HWND window) { return sent.Count(window, WM_WINDOWPOSCHANGING); };
        for (CUVDockWindow* window : {first, second}) {
            EXPECT_EQ(moves(window->m_hWnd), 1);
            EXPECT_EQ(moves(window->GetCloseButton()->m_hWnd), 0);
            EXPECT_EQ(moves(window->GetExpandButton()->m_hWnd), 0);
        }
        for (HWND child : children)
            EXPECT_EQ(moves(child), 1);
    }
    EXPECT_EQ(first->GetDockedHeight() + second->GetDockedHeight(), before - 40) << "the row is shared out again";
    for (size_t i = 0; i < children.size(); ++i) {
        CUVDockWindow* window = i == 0 ? first : second;
        RECT shown;
        window->GetWindowRect(&shown);
        EXPECT_EQ(shown.bottom - shown.top, window->GetDockedHeight()) << "the window has its share";
        RECT inside;
        window->GetInsideRect(inside);
        InflateRect(&inside, -1, -1);
        RECT placed;
        ::GetWindowRect(children[i], &placed);
        ::MapWindowPoints(nullptr, window->m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_TRUE(EqualRect(&placed, &inside)) << "the child fills the window's inside";
    }
}

TEST_F(UVDockWindow, AViewMadeByItsClassIsTheHostedPane)
{
    CUVDockWindow* window = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT);
    CWnd* view = window->CreateView(RUNTIME_CLASS(CHostedView));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(window->GetChild(), view);
    EXPECT_EQ(view->GetDlgCtrlID(), static_cast<int>(AFX_IDW_PANE_FIRST));
    EXPECT_EQ(view->GetStyle() & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_TRUE(view->GetExStyle() & WS_EX_CLIENTEDGE) << "a view draws the border asked for as its client edge";
    RECT inside;
    window->GetInsideRect(inside);
    InflateRect(&inside, -1, -1);
    RECT placed;
    view->GetWindowRect(&placed);
    ::MapWindowPoints(nullptr, window->m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_TRUE(EqualRect(&placed, &inside)) << "placed at once";
    EXPECT_EQ(window->CreateView(RUNTIME_CLASS(CObject)), nullptr) << "not a window class: no view";
    EXPECT_EQ(window->GetChild(), view);

    frame->FloatControlBar(window, POINT{600, 300});
    window->SetTitle(L"Levels");
    CString title;
    window->GetParentFrame()->GetWindowText(title);
    EXPECT_STREQ(title, L"Levels") << "a floating window's frame takes its title";
}

TEST_F(UVDockWindow, StoredSizesComeBackAndDamagedRecordsAreIgnored)
{
    CUVDockWindow* window = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT);
    UVDockWindowRecord record{0, 1, {210, 130}, {140, 220}, {320, 170}, {210, 130}, 0x0003};
    struct Case {
        const char* name;
        size_t bytes;
        int32_t floatingWidth;
        bool applied;
    } cases[] = {
        {"44 bytes", 44, 320, true},
        {"40 bytes: the style word is not needed", 40, 330, true},
        {"39 bytes", 39, 340, false},
        {"a negative size", 44, -1, false},
        {"a size beyond 32767", 44, 32768, false},
        {"32767 itself", 44, 32767, true},
    };
    const CString section = L"Layout-Bar3";
    for (const Case& c : cases) {
        window->SetDockedSize(SIZE{200, kHeight});
        frame->DockControlBar(window, AFX_IDW_DOCKBAR_LEFT);
        const SIZE floatingBefore = window->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
        record.floating.cx = c.floatingWidth;
        WriteRaw(section, L"Bar Position", REG_BINARY, &record, static_cast<DWORD>(c.bytes));
        window->LoadBarPosition(section);
        const SIZE floating = window->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
        if (c.applied) {
            EXPECT_EQ(floating.cx, c.floatingWidth) << c.name;
            EXPECT_EQ(window->CalcDynamicLayout(-1, LM_HORZ | LM_HORZDOCK).cx, 140) << c.name;
            EXPECT_TRUE(window->IsExpanded()) << c.name;
            EXPECT_EQ(window->GetBarStyleEx() & 0xF000, UVBS_DEFAULT & 0xF000) << c.name << ": style not applied";
        } else {
            EXPECT_EQ(floating.cx, floatingBefore.cx) << c.name;
        }
        window->RestoreDockedSize();
    }

    // What is saved is read back as it was.
    window->SaveBarPosition(section);
    const UVDockWindowRecord saved = window->GetBarRecord();
    auto other = std::make_unique<CUVDockWindow>();
    ASSERT_TRUE(other->Create(frame, kFirstId + 9, L"Other", SIZE{50, 50}, CBRS_TOP));
    other->LoadBarPosition(section);
    const UVDockWindowRecord loaded = other->GetBarRecord();
    EXPECT_EQ(memcmp(&loaded, &saved, offsetof(UVDockWindowRecord, styleEx)), 0);
    other->DestroyWindow();
}

RECT ScreenRect(const CWnd* window)
{
    RECT rect;
    window->GetWindowRect(&rect);
    return rect;
}

// `window`'s rectangle in the client coordinates of `parent`.
RECT RectIn(const CWnd* window, const CWnd* parent)
{
    RECT rect = ScreenRect(window);
    ::MapWindowPoints(nullptr, parent->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

CString TipText(HWND tips, HWND owner, HWND tool)
{
    wchar_t text[64] = {};
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text;
    ::SendMessageW(tips, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&info));
    return CString(text);
}

TEST_F(UVDockWindow, ItsCaptionButtonsSitAtTheCaptionsEndOnEachSide)
{
    struct Case {
        const char* name;
        DWORD side;
        UINT dockBar;
        DWORD styleEx;
        RECT close;   // relative to the window; empty: hidden
        RECT expand;  // the same
        int image;
    } cases[] = {
        {"top: down the left strip, close first",
         CBRS_TOP,
         AFX_IDW_DOCKBAR_TOP,
         UVBS_DEFAULT,
         {3, 3, 15, 15},
         {3, 17, 15, 29},
         CUVBarButton::ArrowImage(0, FALSE)},
        {"left: at the right end, close last",
         CBRS_LEFT,
         AFX_IDW_DOCKBAR_LEFT,
         UVBS_DEFAULT,
         {-15, 6, -3, 18},
         {-29, 6, -17, 18},
         CUVBarButton::ArrowImage(2, FALSE)},
        {"right, expand only: in the close button's place",
         CBRS_RIGHT,
         AFX_IDW_DOCKBAR_RIGHT,
         UVBS_CAPTION | UVBS_EXPAND_BUTTON,
         {},
         {-15, 6, -3, 18},
         CUVBarButton::ArrowImage(3, FALSE)},
        {"bottom without a caption: none",
         CBRS_BOTTOM,
         AFX_IDW_DOCKBAR_BOTTOM,
         UVBS_CLOSE_BUTTON | UVBS_EXPAND_BUTTON,
         {},
         {},
         0},
    };
    for (const Case& c : cases) {
        CUVDockWindow* window = Make(SIZE{200, 120}, c.side, c.dockBar, c.styleEx);
        PumpInput(10);
        RECT client;
        window->GetClientRect(&client);
        auto expected = [&](RECT rect) {
            if (rect.left < 0)
                OffsetRect(&rect, client.right, 0);
            return rect;
        };
        for (const auto& [button, rect] :
             {std::pair{window->GetCloseButton(), c.close}, std::pair{window->GetExpandButton(), c.expand}}) {
            const bool shown = !IsRectEmpty(&rect);
            EXPECT_EQ((button->GetStyle() & WS_VISIBLE) != 0, shown) << c.name;
            if (!shown)
                continue;
            const RECT placed = RectIn(button, window);
            const RECT wanted = expected(rect);
            EXPECT_TRUE(EqualRect(&placed, &wanted))
                << c.name << ": at " << placed.left << "," << placed.top << " " << placed.right << "," << placed.bottom;
        }
        if (c.image) {
            EXPECT_EQ(window->GetExpandButton()->GetImage(), c.image) << c.name;
        }
        window->DestroyWindow();
        windows.clear();
    }
}

TEST_F(UVDockWindow, ItsCaptionButtonsClickedWithTheMouseExpandContractAndHideIt)
{
    frame->ShowWindow(SW_SHOW);
    for (int i = 0; i < 3; ++i)
        Make(SIZE{150, 60}, CBRS_TOP, AFX_IDW_DOCKBAR_TOP);
    PumpInput(20);
    const std::vector<int> shared = Lengths();
    CUVDockWindow* middle = windows[1].get();
    HWND tips = middle->GetCaptionToolTip();
    ASSERT_NE(tips, nullptr);
    EXPECT_STREQ(TipText(tips, middle->m_hWnd, middle->GetCloseButton()->m_hWnd), L"Hide docked window");
    EXPECT_STREQ(TipText(tips, middle->m_hWnd, middle->GetExpandButton()->m_hWnd), L"Expand docked window");

    // Hovering shows the expand button's tip.
    MouseTo(CenterOf(ScreenRect(middle->GetExpandButton())));
    HWND shown = WaitForToolTip(3000);
    ASSERT_EQ(shown, tips) << "the bar's own tooltip control";

    ClickAt(CenterOf(ScreenRect(middle->GetExpandButton())));
    EXPECT_TRUE(middle->IsExpanded());
    EXPECT_EQ(Lengths(), (std::vector<int>{18, kWidth - 2 * kUVStripSize - 36, 18}));
    EXPECT_EQ(middle->GetExpandButton()->GetImage(), CUVBarButton::ArrowImage(0, TRUE));
    EXPECT_STREQ(TipText(tips, middle->m_hWnd, middle->GetExpandButton()->m_hWnd), L"Contract docked window");

    ClickAt(CenterOf(ScreenRect(middle->GetExpandButton())));
    EXPECT_FALSE(middle->IsExpanded());
    EXPECT_EQ(Lengths(), shared);
    EXPECT_EQ(middle->GetExpandButton()->GetImage(), CUVBarButton::ArrowImage(0, FALSE));

    ClickAt(CenterOf(ScreenRect(middle->GetCloseButton())));
    EXPECT_FALSE(middle->GetStyle() & WS_VISIBLE);
}

TEST_F(UVDockWindow, WithoutCloseAndExpandBitsFloatingFramesHaveNoSystemMenu)
{
    struct Case {
        const char* name;
        DWORD styleEx;
        bool sysMenu;
    } cases[] = {
        {"caption, close and expand", UVBS_DEFAULT, true},
        {"caption and title only", UVBS_CAPTION | UVBS_TITLE, false},
    };
    for (const Case& c : cases) {
        CUVDockWindow* window = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT, c.styleEx);
        frame->FloatControlBar(window, POINT{600, 300});
        PumpInput(20);
        EXPECT_FALSE(window->GetCloseButton()->IsWindowVisible()) << c.name << ": floating, the frame's caption serves";
        EXPECT_FALSE(window->GetExpandButton()->IsWindowVisible()) << c.name;
        EXPECT_EQ((window->GetParentFrame()->GetStyle() & WS_SYSMENU) != 0, c.sysMenu) << c.name;
        window->DestroyWindow();
        windows.clear();
    }
}

TEST_F(UVDockWindow, AWindowCreatedFloatingUpdatesItsViewsOnceItsCreationIsOver)
{
    struct Case {
        const char* name;
        bool floating;
        int updates;
    } cases[] = {
        {"docked at once", false, 0},
        {"floated at once", true, 1},
    };
    for (const Case& c : cases) {
        auto window = std::make_unique<CUVDockWindow>();
        ASSERT_TRUE(window->Create(frame, kFirstId, L"New", SIZE{200, 120}, WS_VISIBLE | CBRS_LEFT));
        window->EnableDocking(CBRS_ALIGN_ANY);
        ASSERT_NE(window->CreateView(RUNTIME_CLASS(CHostedView)), nullptr);
        frame->DockControlBar(window.get(), AFX_IDW_DOCKBAR_LEFT);
        if (c.floating)
            frame->FloatControlBar(window.get(), POINT{600, 300});
        CHostedView::initialUpdates = 0;
        PumpInput(30);
        EXPECT_EQ(CHostedView::initialUpdates, c.updates) << c.name;
        window->DestroyWindow();
    }
}

class DockWindowLooks : public UVDockWindow, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        uvAfxData.m_bXPLook = GetParam();
        RefreshUVColors();
        UVDockWindow::SetUp();
    }
    void TearDown() override
    {
        UVDockWindow::TearDown();
        uvAfxData.m_bXPLook = FALSE;
        RefreshUVColors();
    }
    COLORREF PixelOf(CWnd* window, POINT at)
    {
        window->Invalidate();
        window->UpdateWindow();
        HDC dc = ::GetDC(window->m_hWnd);
        const COLORREF colour = ::GetPixel(dc, at.x, at.y);
        ::ReleaseDC(window->m_hWnd, dc);
        return colour;
    }
};

TEST_P(DockWindowLooks, AClickGivesTheLargestChildTheFocusAndTheCaptionFollowsTheFocus)
{
    frame->ShowWindow(SW_SHOW);
    CUVDockWindow* window = Make(SIZE{200, 120}, CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT, UVBS_DEFAULT | UVBS_NO_DRAG);
    HWND small = ::CreateWindowExW(0, L"EDIT", nullptr, WS_CHILD | WS_VISIBLE, 10, 40, 30, 20, window->m_hWnd, nullptr,
                                   nullptr, nullptr);
    HWND panel = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 50, 40, 120, 200, window->m_hWnd,
                                   nullptr, nullptr, nullptr);
    HWND inner =
        ::CreateWindowExW(0, L"EDIT", nullptr, WS_CHILD | WS_VISIBLE, 5, 5, 100, 100, panel, nullptr, nullptr, nullptr);
    HWND other = ::CreateWindowExW(0, L"EDIT", nullptr, WS_CHILD | WS_VISIBLE, 300, 300, 60, 20, frame->m_hWnd, nullptr,
                                   nullptr, nullptr);
    ::SetFocus(other);
    window->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_FALSE(window->IsCaptionActive());

    RECT caption;
    window->GetCaptionRect(caption);
    const POINT inCaption{caption.left + 10, (caption.top + caption.bottom) / 2};
    const COLORREF inactive = PixelOf(window, POINT{caption.right - 3, caption.top + 2});

    POINT click = inCaption;
    ::ClientToScreen(window->m_hWnd, &click);
    ClickAt(click);
    EXPECT_EQ(::GetFocus(), inner) << "the largest child, descended into";
    EXPECT_TRUE(window->IsCaptionActive());
    const COLORREF active = PixelOf(window, POINT{caption.right - 3, caption.top + 2});
    if (GetParam()) {
        EXPECT_EQ(active, inactive) << "the XP band does not change";
        EXPECT_EQ(PixelOf(window, POINT{caption.left + 1, caption.top}), GetUVBarColor(UVBarColor::border))
            << "edged in the border colour";
        EXPECT_EQ(PixelOf(window, POINT{caption.left, caption.top}), window->GetBackColor()) << "corners rounded off";
    } else {
        EXPECT_EQ(inactive, GetSysColor(COLOR_INACTIVECAPTION));
        EXPECT_EQ(active, GetSysColor(COLOR_ACTIVECAPTION));
    }

    // At idle the caption follows the focus.
    ::SetFocus(other);
    window->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_FALSE(window->IsCaptionActive());
    ::SetFocus(small);
    window->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_TRUE(window->IsCaptionActive());
    ::DestroyWindow(other);
}

INSTANTIATE_TEST_SUITE_P(ClassicAndXP, DockWindowLooks, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "XP" : "Classic"; });

}  // namespace
