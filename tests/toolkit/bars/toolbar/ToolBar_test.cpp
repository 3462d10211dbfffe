// The toolkit toolbar in a frame shown under Xvfb, where the display takes part: its buttons
// hot and pressed under the pointer, its rounded corners read from its window, a drop-down's
// popup menu, the tooltip and fly-by text of the button under the pointer, and the messages that
// end its mouse capture.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/classlib/ui/BarInput.h"
#include "tests/toolkit/bars/Canvas.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menus/MenuState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Looks : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { uvAfxData.m_bXPLook = GetParam(); }
    void TearDown() override { uvAfxData.m_bXPLook = FALSE; }
};

// A pixel inside the button, clear of its image (which is centred).
COLORREF ButtonPixel(Canvas& canvas, const CRect& rect)
{
    return canvas.At(rect.left + 2, rect.top + 2);
}

TEST_P(Looks, ButtonStatesAtKnownPixels)
{
    ToolBarFrame t;
    t.Dock();
    Pump();
    const bool xp = GetParam();
    CUVToolBar& bar = *t.bar;
    // 101 plain, 102 checked, 103 indeterminate, 104 disabled.
    bar.SetButtonStyle(2, BTNS_CHECK);
    bar.SetButtonState(2, TBSTATE_ENABLED | TBSTATE_CHECKED);
    bar.SetButtonState(3, TBSTATE_ENABLED | TBSTATE_INDETERMINATE);
    bar.SetButtonState(4, 0);
    RECT client;
    bar.GetClientRect(&client);
    Canvas canvas(client.right, client.bottom);
    bar.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc.GetSafeHdc()));
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF back = xp ? bar.GetBackColor() : face;
    EXPECT_EQ(ButtonPixel(canvas, bar.GetItemRect(0)), back) << "plain";
    if (xp) {
        EXPECT_EQ(ButtonPixel(canvas, bar.GetItemRect(2)), GetUVColor(36)) << "checked";
        EXPECT_EQ(canvas.At(bar.GetItemRect(2).left, bar.GetItemRect(2).top + 5), GetUVColor(37)) << "checked frame";
        EXPECT_EQ(ButtonPixel(canvas, bar.GetItemRect(3)), back) << "indeterminate at rest";
        EXPECT_EQ(ButtonPixel(canvas, bar.GetItemRect(4)), back) << "disabled";
        const CRect separator = bar.GetItemRect(1);
        EXPECT_EQ(canvas.At(separator.left + 3, separator.top + 5), GetUVColor(39)) << "separator";
        EXPECT_EQ(canvas.At(separator.left + 1, separator.top + 5), back) << "beside the separator";
    } else {
        const CRect checked = bar.GetItemRect(2);
        EXPECT_EQ(canvas.At(checked.left, checked.top + 5), GetSysColor(COLOR_BTNSHADOW)) << "sunken edge";
        const COLORREF dither1 = canvas.At(checked.left + 2, checked.top + 2);
        const COLORREF dither2 = canvas.At(checked.left + 3, checked.top + 2);
        EXPECT_NE(dither1, dither2) << "checked buttons are dithered";
    }

    // Hot and pressed: the button under the pointer as the control sees it.
    bar.SendMessage(TB_SETHOTITEM, 0);
    Canvas hot(client.right, client.bottom);
    const CRect first = bar.GetItemRect(0);
    POINT centre{(first.left + first.right) / 2, (first.top + first.bottom) / 2};
    ClientToScreen(bar.m_hWnd, &centre);
    SetCursorPos(centre.x, centre.y);
    bar.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(hot.dc.GetSafeHdc()));
    if (xp) {
        EXPECT_EQ(ButtonPixel(hot, first), GetUVColor(31)) << "hot";
        EXPECT_EQ(hot.At(first.left, first.top + 5), GetUVColor(32)) << "hot frame";
    } else {
        EXPECT_EQ(hot.At(first.left, first.top + 5), GetSysColor(COLOR_BTNHIGHLIGHT)) << "raised edge";
    }
    bar.SendMessage(TB_PRESSBUTTON, 101, TRUE);
    Canvas pressed(client.right, client.bottom);
    bar.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(pressed.dc.GetSafeHdc()));
    if (xp) {
        EXPECT_EQ(ButtonPixel(pressed, first), GetUVColor(33)) << "pressed";
    } else {
        EXPECT_EQ(pressed.At(first.left, first.top + 5), GetSysColor(COLOR_BTNSHADOW)) << "pressed: sunken";
    }
    bar.SendMessage(TB_PRESSBUTTON, 101, FALSE);
    SetCursorPos(5, 5);
}

TEST(UVToolBar, XPToolBarsRoundTheirCornersTowardTheBarFace)
{
    ToolBarFrame t;
    // With borders all round, whose colour differs from the face; placed inside the frame's client
    // area, so that no parent clips its non-client area.
    t.bar->SetBarStyle(t.bar->GetBarStyle() | CBRS_BORDER_ANY | CBRS_BORDER_3D);
    ::SetWindowPos(t.bar->m_hWnd, nullptr, 20, 20, 150, 30, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    Pump();
    RECT window;
    t.bar->GetWindowRect(&window);
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    const COLORREF face = GetUVBarColor(UVBarColor::face);
    struct Corner {
        const char* name;
        POINT at, beside;  // the corner pixel and its neighbour on the same edge
    } corners[] = {
        {"top-left", {0, 0}, {1, 0}},
        {"top-right", {w - 1, 0}, {w - 2, 0}},
        {"bottom-left", {0, h - 1}, {1, h - 1}},
        {"bottom-right", {w - 1, h - 1}, {w - 2, h - 1}},
    };
    for (const BOOL xp : {TRUE, FALSE}) {
        uvAfxData.m_bXPLook = xp;
        t.bar->EraseNonClient();
        HDC dc = ::GetWindowDC(t.bar->m_hWnd);
        for (const Corner& c : corners) {
            const COLORREF beside = ::GetPixel(dc, c.beside.x, c.beside.y);
            const COLORREF corner = ::GetPixel(dc, c.at.x, c.at.y);
            ASSERT_NE(beside, face) << c.name << ": the edge differs from the face, or the test shows nothing";
            if (xp)
                EXPECT_EQ(corner, BlendColors(beside, face, 50)) << c.name << ": halfway toward the face";
            else
                EXPECT_NE(corner, BlendColors(beside, face, 50)) << c.name << ": the classic look keeps its corners";
        }
        ::ReleaseDC(t.bar->m_hWnd, dc);
    }
}

INSTANTIATE_TEST_SUITE_P(ClassicAndXP, Looks, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "XP" : "Classic"; });

TEST(UVToolBar, DropDownWithAMenuOpensAPopupBelowTheButton)
{
    ToolBarFrame t;
    t.Dock();
    CUVToolBar& bar = *t.bar;
    MakeDropDown(bar, 2, 4300, 0);
    Pump();
    CRect button = bar.GetItemRect(2);
    MapWindowPoints(bar.m_hWnd, nullptr, reinterpret_cast<POINT*>(&button), 2);
    static RECT popup;
    static RECT dropRect;
    popup = RECT{};
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND menu = FindWindowW(kUVPopupMenuClass, nullptr);
        if (menu)
            GetWindowRect(menu, &popup);
        dropRect = GetUVMenuState().dropRect;
        keybd_event(VK_ESCAPE, 0, 0, 0);
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    });
    NMTOOLBARW notify{};
    notify.hdr.hwndFrom = bar.m_hWnd;
    notify.hdr.idFrom = static_cast<UINT_PTR>(bar.GetDlgCtrlID());
    notify.hdr.code = TBN_DROPDOWN;
    notify.iItem = 102;
    bar.SendMessage(WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
    EXPECT_EQ(popup.top, button.bottom) << "the popup opens below the button";
    EXPECT_EQ(popup.left, button.left);
    EXPECT_TRUE(EqualRect(&dropRect, &button)) << "the popup knows the button it drops from";
    EXPECT_FALSE(bar.IsButtonDropped(2)) << "the dropped mark is cleared when the menu closes";
}

TEST(UVToolBar, PointerOverAButtonShowsItsTooltipAndStatusText)
{
    ToolBarFrame t;
    t.Dock();
    Pump();
    const CRect pause = t.bar->GetItemRect(2);
    POINT over{(pause.left + pause.right) / 2, (pause.top + pause.bottom) / 2};
    ClientToScreen(t.bar->m_hWnd, &over);
    SetCursorPos(over.x - 3, over.y);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = over.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = over.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &move, sizeof(INPUT));
    // The application's loop: bars see mouse messages before they are dispatched.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000 && t.frame->tipTexts.empty()) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CWnd::WalkPreTranslateTree(t.frame->m_hWnd, &msg))
                DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    ASSERT_FALSE(t.frame->statusIds.empty());
    EXPECT_EQ(t.frame->statusIds.front(), 102u) << "the fly-by text of the button under the pointer";
    ASSERT_FALSE(t.frame->tipTexts.empty()) << "no tooltip asked for its text";
    EXPECT_TRUE(t.frame->tipTexts.back() == L"Pause") << t.frame->tipTexts.back().GetString();
    SetCursorPos(5, 5);
}

TEST(ToolBarOperations, TheBarsOwnMessages)
{
    ToolBarFrame t;
    t.Dock();
    PumpInput(30);

    // A button up ends the bar's capture.
    SetCapture(t.bar->m_hWnd);
    t.bar->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
    EXPECT_EQ(GetCapture(), nullptr);

    // A font or setting change leaves the bar flat and transparent as it was.
    SetWindowLongPtrW(t.bar->m_hWnd, GWL_STYLE, t.bar->GetStyle() | TBSTYLE_TRANSPARENT);
    t.bar->SendMessage(WM_SETTINGCHANGE, 0, 0);
    t.bar->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    EXPECT_EQ(t.bar->GetStyle() & (TBSTYLE_FLAT | TBSTYLE_TRANSPARENT),
              static_cast<DWORD>(TBSTYLE_FLAT | TBSTYLE_TRANSPARENT));
}

}  // namespace
