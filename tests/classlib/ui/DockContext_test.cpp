// Dragging, floating and toggling bars in a real, visible frame with real mouse and key input:
// where the bar lands (its dock bar, its window rectangle, its floating frame), forced floating
// with Ctrl, cancelling, resizing a floating frame, the pane's border space, and the status and
// tooltip texts of a bar's tools.
#include "BarInput.h"
#include "BarTestFrame.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockContext.h"
#include "classlib/ui/DockState.h"
#include "classlib/ui/MiniDockFrameWnd.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>

namespace {

constexpr POINT kFrameAt{100, 100};  // the frame's screen position (no window manager moves it)
constexpr UINT kBarId = 0xE8A0;
constexpr UINT kToolId = 1001;  // "View only" in Dialog_test.rc, with a prompt and a tip

// A bar of fixed size; its client area left of x = 40 is a tool (kToolId), the rest drags.
class CToolBarLike : public CTestBar {
public:
    CToolBarLike() : CTestBar(120, 30) {}
    INT_PTR OnToolHitTest(POINT point, TOOLINFOW* info) const override
    {
        if (point.x < 0 || point.x >= 40 || point.y < 0)
            return -1;
        if (info) {
            info->hwnd = m_hWnd;
            info->uId = kToolId;
            info->rect = RECT{0, 0, 40, 100};
            info->lpszText = LPSTR_TEXTCALLBACKW;
        }
        return kToolId;
    }
};

// A bar of six square cells that wraps into as many rows as its length asks for. The cells are
// large enough that no minimum window size of a captioned frame interferes.
constexpr int kCell = 60;

class CWrappingBar : public CTestBar {
public:
    CWrappingBar() : CTestBar(6 * kCell, kCell) {}
    SIZE CalcDynamicLayout(int length, DWORD mode) override
    {
        int columns = 6;
        if (mode & LM_MRUWIDTH)
            columns = m_nMRUWidth / kCell;
        else if (mode & LM_LENGTHY)
            columns = (6 + std::max(length / kCell, 1) - 1) / std::max(length / kCell, 1);
        else if (!(mode & (LM_HORZDOCK | LM_VERTDOCK)))
            columns = length / kCell;
        columns = std::clamp(columns, 1, 6);
        const int rows = (6 + columns - 1) / columns;
        if (mode & LM_COMMIT)
            m_nMRUWidth = columns * kCell;
        if (mode & LM_VERTDOCK)
            return SIZE{kCell, 6 * kCell};
        return SIZE{columns * kCell, rows * kCell};
    }
};

// A dock state kept in memory: the profile values of the sections it writes and reads.
class CMemoryDockState : public CDockState {
public:
    std::map<std::wstring, int>& values;
    explicit CMemoryDockState(std::map<std::wstring, int>& store) : values(store) {}

protected:
    int GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) override
    {
        const auto found = values.find(std::wstring(section) + L"\\" + entry);
        return found == values.end() ? defaultValue : found->second;
    }
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) override
    {
        values[std::wstring(section) + L"\\" + entry] = value;
        return TRUE;
    }
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t*) override
    {
        if (!entry)
            std::erase_if(values,
                          [&](const auto& value) { return value.first.starts_with(std::wstring(section) + L"\\"); });
        return TRUE;
    }
};

class DockContext : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CFrameWnd;
        ASSERT_TRUE(frame->Create(nullptr, L"drag", WS_POPUP | WS_CLIPCHILDREN,
                                  RECT{kFrameAt.x, kFrameAt.y, kFrameAt.x + kFrameWidth, kFrameAt.y + kFrameHeight},
                                  nullptr, nullptr, 0, nullptr));
        ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame->m_hWnd,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)), nullptr, nullptr);
        frame->EnableDocking(CBRS_ALIGN_ANY);
        frame->ShowWindow(SW_SHOW);
        SetForegroundWindow(frame->m_hWnd);
        frame->RecalcLayout();
    }
    void TearDown() override
    {
        MouseTo(POINT{5, 1000});
        bar.reset();
        if (frame)
            frame->DestroyWindow();
        PumpInput(20);
    }
    template <class Bar = CToolBarLike>
    void MakeBar(DWORD style = CBRS_TOP)
    {
        bar = std::make_unique<Bar>();
        ASSERT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | style, frame, kBarId));
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(bar.get());
        frame->RecalcLayout();
        PumpInput(20);
    }
    // A point of the bar's draggable part, in screen coordinates.
    POINT Grip() const
    {
        RECT rect;
        bar->GetWindowRect(&rect);
        return POINT{rect.left + 80, rect.top + 10};
    }
    UINT SideId() const { return bar->m_pDockBar ? static_cast<UINT>(bar->m_pDockBar->GetDlgCtrlID()) : 0; }
    CMiniDockFrameWnd* Floating() const
    {
        CFrameWnd* parent = bar->GetParentFrame();
        return parent && parent->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd)) ? static_cast<CMiniDockFrameWnd*>(parent)
                                                                            : nullptr;
    }

    CFrameWnd* frame = nullptr;
    std::unique_ptr<CTestBar> bar;
};

TEST_F(DockContext, ADraggedBarDocksOnTheSideUnderItOrFloats)
{
    struct Case {
        const char* name;
        POINT to;  // frame client coordinates
        bool ctrl;
        UINT side;  // 0: floating
    } cases[] = {
        {"left edge", {2, 150}, false, AFX_IDW_DOCKBAR_LEFT},
        {"bottom edge", {200, kFrameHeight - 2}, false, AFX_IDW_DOCKBAR_BOTTOM},
        {"right edge", {kFrameWidth - 2, 150}, false, AFX_IDW_DOCKBAR_RIGHT},
        {"top edge", {200, 3}, false, AFX_IDW_DOCKBAR_TOP},
        {"the middle", {200, 150}, false, 0},
        {"the left edge with Ctrl held", {2, 150}, true, 0},
    };
    for (const auto& c : cases) {
        MakeBar();
        const POINT to{kFrameAt.x + c.to.x, kFrameAt.y + c.to.y};
        DragWithMouse(Grip(), to, c.ctrl);
        EXPECT_EQ(SideId(), c.side ? c.side : AFX_IDW_DOCKBAR_FLOAT) << c.name;
        RECT rect;
        bar->GetWindowRect(&rect);
        if (c.side == AFX_IDW_DOCKBAR_LEFT || c.side == AFX_IDW_DOCKBAR_RIGHT) {
            EXPECT_EQ(rect.right - rect.left, 30) << c.name << ": vertical";
            EXPECT_EQ(rect.bottom - rect.top, 120) << c.name << ": vertical";
        } else {
            EXPECT_EQ(rect.right - rect.left, 120) << c.name << ": horizontal";
        }
        if (!c.side) {
            ASSERT_NE(Floating(), nullptr) << c.name;
            EXPECT_TRUE(bar->IsFloating()) << c.name;
            RECT window;
            Floating()->GetWindowRect(&window);
            EXPECT_TRUE(PtInRect(&window, to)) << c.name << ": the floating frame lies under the drop";
        } else {
            EXPECT_FALSE(bar->IsFloating()) << c.name;
        }
    }
}

TEST_F(DockContext, CancellingADragLeavesTheBarWhereItWas)
{
    struct Case {
        const char* name;
        WORD key;  // pressed while dragging, 0 for the right button
    } cases[] = {{"Esc", VK_ESCAPE}, {"right button", 0}};
    for (const auto& c : cases) {
        MakeBar();
        RECT before;
        bar->GetWindowRect(&before);
        const POINT from = Grip();
        MouseTo(from);
        PumpInput(20);
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        MouseTo(POINT{kFrameAt.x + 200, kFrameAt.y + 150});
        if (c.key) {
            KeyInput(c.key, false);
            KeyInput(c.key, true);
        } else {
            MouseButton(MOUSEEVENTF_RIGHTDOWN);
            MouseButton(MOUSEEVENTF_RIGHTUP);
        }
        MouseButton(MOUSEEVENTF_LEFTUP);
        PumpInput(200);
        RECT after;
        bar->GetWindowRect(&after);
        EXPECT_EQ(SideId(), AFX_IDW_DOCKBAR_TOP) << c.name;
        EXPECT_TRUE(SameRect(after, before)) << c.name;
        EXPECT_EQ(::GetCapture(), nullptr) << c.name;
    }
}

TEST_F(DockContext, TogglingFloatsAndDocksAgainAtTheLastPlaces)
{
    MakeBar(CBRS_LEFT);
    RECT docked;
    bar->GetWindowRect(&docked);
    bar->m_pDockContext->ToggleDocking();
    ASSERT_NE(Floating(), nullptr) << "a docked bar floats";
    HWND firstFrame = Floating()->m_hWnd;
    RECT floatingAt;
    Floating()->GetWindowRect(&floatingAt);
    EXPECT_EQ(floatingAt.left, docked.left) << "without a last floating place, where it was";
    EXPECT_EQ(floatingAt.top, docked.top);
    EXPECT_TRUE(SameRect(RectIn(*frame, ::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST)),
                         RECT{0, 0, kFrameWidth, kFrameHeight}))
        << "the pane takes the room the bar left";

    ::SetWindowPos(firstFrame, nullptr, 700, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    bar->m_pDockContext->ToggleDocking();
    EXPECT_EQ(SideId(), AFX_IDW_DOCKBAR_LEFT) << "back on its last side";
    RECT again;
    bar->GetWindowRect(&again);
    EXPECT_TRUE(SameRect(again, docked));
    PumpInput(50);
    EXPECT_FALSE(::IsWindow(firstFrame)) << "the empty floating frame went";

    bar->m_pDockContext->ToggleDocking();
    ASSERT_NE(Floating(), nullptr);
    Floating()->GetWindowRect(&floatingAt);
    EXPECT_EQ(floatingAt.left, 700) << "at its last floating place";
    EXPECT_EQ(floatingAt.top, 600);
}

TEST_F(DockContext, AFloatingFrameFitsItsBarAndItsBorderResizesADynamicBar)
{
    MakeBar<CWrappingBar>(CBRS_TOP | CBRS_SIZE_DYNAMIC);
    bar->m_nMRUWidth = 2 * kCell;
    frame->FloatControlBar(bar.get(), POINT{600, 200});
    CMiniDockFrameWnd* floating = Floating();
    ASSERT_NE(floating, nullptr);
    RECT client;
    floating->GetClientRect(&client);
    EXPECT_EQ(client.right, 2 * kCell - 4) << "two cells a row, three rows (the border lines lie outside)";
    EXPECT_EQ(client.bottom, 3 * kCell - 4);

    // The right border dragged 65 pixels out: three cells a row, two rows.
    RECT window;
    floating->GetWindowRect(&window);
    const POINT border{window.right - 2, (window.top + window.bottom) / 2};
    ASSERT_EQ(floating->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(border.x, border.y)), HTRIGHT);
    DragWithMouse(border, POINT{border.x + 65, border.y});
    floating->GetClientRect(&client);
    EXPECT_EQ(client.right, 3 * kCell - 4);
    EXPECT_EQ(client.bottom, 2 * kCell - 4);
    EXPECT_EQ(bar->m_nMRUWidth, 3 * kCell) << "the new width is kept for the next float";
}

TEST_F(DockContext, ASavedLayoutBringsBackAFloatingBarsWidthAndItsLastDockedPlace)
{
    MakeBar<CWrappingBar>(CBRS_LEFT | CBRS_SIZE_DYNAMIC);
    bar->m_pDockContext->ToggleDocking();
    bar->m_nMRUWidth = 2 * kCell;
    frame->FloatControlBar(bar.get(), POINT{600, 200});
    ASSERT_NE(Floating(), nullptr);
    Floating()->RecalcLayout();
    RECT saved;
    Floating()->GetWindowRect(&saved);
    std::map<std::wstring, int> profile;
    {
        CMemoryDockState state(profile);
        frame->GetDockState(state);
        state.SaveState(L"Layout");
    }
    EXPECT_EQ(profile[L"Layout-Summary\\Bars"], 3) << "the left dock bar, the floating frame's and the bar";

    // Docked again and widened, then the saved layout is put back.
    bar->m_pDockContext->ToggleDocking();
    bar->m_nMRUWidth = 6 * kCell;
    ASSERT_EQ(Floating(), nullptr);
    CMemoryDockState loaded(profile);
    loaded.LoadState(L"Layout");
    frame->SetDockState(loaded);
    ASSERT_NE(Floating(), nullptr);
    RECT window;
    Floating()->GetWindowRect(&window);
    EXPECT_TRUE(SameRect(window, saved)) << "the same place and the same two cells a row";
    EXPECT_EQ(bar->m_nMRUWidth, 2 * kCell);
    bar->m_pDockContext->ToggleDocking();
    EXPECT_EQ(SideId(), AFX_IDW_DOCKBAR_LEFT) << "its last docked side came back with the layout";
}

TEST_F(DockContext, BorderSpaceKeepsRoomAroundThePane)
{
    MakeBar(CBRS_TOP);
    frame->m_rectBorder = RECT{5, 6, 7, 8};
    frame->RecalcLayout();
    EXPECT_TRUE(SameRect(RectIn(*frame, ::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST)),
                         RECT{5, 26 + 6, kFrameWidth - 7, kFrameHeight - 8}));
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[128] = {};
    GetWindowTextW(hwnd, text, 128);
    return text;
}

TEST_F(DockContext, AToolUnderTheMouseShowsItsPromptAndItsTip)
{
    HWND status =
        ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame->m_hWnd,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_STATUS_BAR)), nullptr, nullptr);
    MakeBar(CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY);
    RECT rect;
    bar->GetWindowRect(&rect);
    MouseTo(POINT{rect.left + 10, rect.top + 10});
    MouseTo(POINT{rect.left + 12, rect.top + 11});
    HWND tip = WaitForToolTip(3000);
    EXPECT_EQ(WindowText(status), L"View the only thing") << "the prompt: the string before \\n";
    ASSERT_NE(tip, nullptr) << "no tooltip showed";
    EXPECT_EQ(WindowText(tip), L"View only") << "the tip: the string after \\n";

    // Off the bar the fly-by text gives way to the idle text.
    MouseTo(POINT{rect.left + 200, rect.top + 200});
    PumpInput(600);
    EXPECT_EQ(WindowText(status), L"Ready");
}

}  // namespace
