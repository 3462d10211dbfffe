// The toolkit's docking window in real frames: its sizes per place, its share of a row beside
// other docking windows, closing, expanding and contracting by its commands, a floating frame
// resized by its border with the mouse, the hosted child's place, and its sizes kept in the
// profile ("Bar Position"), where damaged records are ignored whole.
#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockContext.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "classlib/ui/View.h"
#include "tests/classlib/ui/BarInput.h"
#include "tests/toolkit/bars/TestProfile.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/DockWindow.h"

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
protected:
    void OnDraw(CDC*) override {}
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
    CUVDockWindow* Make(SIZE size, DWORD side, UINT dockBar)
    {
        auto window = std::make_unique<CUVDockWindow>();
        EXPECT_TRUE(
            window->Create(frame, kFirstId + static_cast<UINT>(windows.size()), L"Docked", size, WS_VISIBLE | side));
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

}  // namespace
