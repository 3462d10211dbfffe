// The menu bar of an MDI frame: a maximised child's icon and buttons at the bar's end, the
// buttons a child without minimize or maximize box lacks, a restore press let go outside the
// button, the window list past nine children, the child's own entries routed to the child, and a
// double click on the child's icon.
#include "MenuBarFixture.h"

#include <string>

namespace {

constexpr int kMinimize = 0, kRestore = 1, kClose = 2;  // among the last three items

class MenuBarMDI : public MenuBarTest {
protected:
    int Button(int which) const { return static_cast<int>(bar.m_items.size()) - 3 + which; }
};

TEST_F(MenuBarMDI, MaximisedChildShowsItsIconAndButtonsAtTheBarsEnd)
{
    CMenuBarChild* child = NewChild();
    EXPECT_EQ(3u, bar.VisibleItems().size() - 1);  // File, Edit, View, Window
    child->MDIMaximize();
    ASSERT_TRUE(PumpUntil([&] { return bar.m_hWndMaxChild == child->m_hWnd; }));
    bar.RecalcAfterChange();
    EXPECT_EQ(bar.m_items.size(), bar.VisibleItems().size());
    const BOOL horz = bar.IsHorizontal();
    const RECT minimize = bar.m_items[static_cast<size_t>(Button(kMinimize))]->GetRect(horz);
    const RECT restore = bar.m_items[static_cast<size_t>(Button(kRestore))]->GetRect(horz);
    const RECT close = bar.m_items[static_cast<size_t>(Button(kClose))]->GetRect(horz);
    EXPECT_EQ(minimize.right, restore.left);
    EXPECT_EQ(restore.right + 2, close.left);
    EXPECT_EQ(bar.GetAvailableLength(TRUE) - GetSystemMetrics(SM_CXEDGE), close.right);
    RECT client;
    bar.GetClientRect(&client);
    EXPECT_LE(close.right, client.right);
    // The icon comes first, the entries after it.
    const RECT icon = bar.m_items[0]->GetRect(horz);
    EXPECT_LT(icon.right, bar.m_items[static_cast<size_t>(EntryItem(0))]->GetRect(horz).left + 1);
}

TEST_F(MenuBarMDI, ChildWithoutBoxesShowsOnlyItsCloseButton)
{
    struct Case {
        const char* name;
        DWORD style;
        bool minimizeReacts, restoreReacts;
    } cases[] = {
        {"both boxes", WS_OVERLAPPEDWINDOW, true, true},
        {"no boxes", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, false, false},
        {"minimize only", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CMenuBarChild* child = NewChild(c.style);
        // The client gives every child both boxes; the boxes this case lacks go afterwards.
        SetWindowLongPtrW(*child, GWL_STYLE, (GetWindowLongPtrW(*child, GWL_STYLE) & ~WS_OVERLAPPEDWINDOW) | c.style);
        ShowWindow(*child, SW_SHOWMAXIMIZED);
        ASSERT_TRUE(PumpUntil([&] { return bar.m_hWndMaxChild == child->m_hWnd; }));
        bar.RecalcAfterChange();
        for (int which : {kMinimize, kRestore, kClose}) {
            const bool reacts = which == kClose || (which == kMinimize ? c.minimizeReacts : c.restoreReacts);
            const RECT rect = bar.m_items[static_cast<size_t>(Button(which))]->GetRect(TRUE);
            const POINT inside{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
            EXPECT_EQ(reacts, bar.OnMDIButtonMouse(WM_LBUTTONDOWN, inside) && bar.m_nMDIButtonPressed >= 0) << which;
            bar.m_nMDIButtonPressed = -1;
            ReleaseCapture();
        }
        child->DestroyWindow();
        PumpInput(20);
    }
}

TEST_F(MenuBarMDI, RestorePressLetGoOutsideSendsNothing)
{
    CMenuBarChild* child = NewChild();
    child->MDIMaximize();
    ASSERT_TRUE(PumpUntil([&] { return bar.m_hWndMaxChild == child->m_hWnd; }));
    bar.RecalcAfterChange();
    PumpInput(50);
    const POINT restore = ItemCentre(Button(kRestore));
    MouseTo(restore);
    PumpInput(30);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpUntil([&] { return bar.m_nMDIButtonPressed == Button(kRestore); }));
    MouseTo(POINT{restore.x, restore.y + 200});
    EXPECT_TRUE(PumpUntil([&] { return !bar.m_bOverPressedButton; }));
    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpUntil([&] { return bar.m_nMDIButtonPressed == -1; }));
    PumpInput(100);
    EXPECT_TRUE(IsZoomed(*child));
    // Let go over the button, the child is restored.
    MouseTo(restore);
    PumpInput(30);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpUntil([&] { return !IsZoomed(*child); }));
}

TEST_F(MenuBarMDI, WindowMenuListsNineChildrenThenMoreWindows)
{
    std::vector<CMenuBarChild*> children;
    for (int i = 0; i < 11; ++i)
        children.push_back(NewChild());
    HMENU window = bar.GetWindowMenu();
    ASSERT_NE(nullptr, window);
    bar.UpdateWindowMenu();
    bar.UpdateWindowMenu();  // a second time replaces the list
    int listed = 0, checked = 0;
    bool more = false;
    for (int i = 0; i < GetMenuItemCount(window); ++i) {
        const UINT id = GetMenuItemID(window, i);
        if (id >= 0xFF00 && id < 0xFF09) {
            ++listed;
            wchar_t text[64] = {};
            GetMenuStringW(window, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            EXPECT_EQ(L'&', text[0]);
            EXPECT_EQ(static_cast<wchar_t>(L'1' + listed - 1), text[1]);
            if (GetMenuState(window, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED)
                ++checked;
        }
        more = more || id == ID_UV_MORE_WINDOWS;
    }
    EXPECT_EQ(9, listed);
    EXPECT_EQ(0, checked);  // the active child is the eleventh, not listed
    EXPECT_TRUE(more);
}

TEST_F(MenuBarMDI, MoreWindowsEndsAShortListToo)
{
    NewChild();
    NewChild();
    HMENU window = bar.GetWindowMenu();
    ASSERT_NE(nullptr, window);
    bar.UpdateWindowMenu();
    const int count = GetMenuItemCount(window);
    ASSERT_GE(count, 4);
    EXPECT_EQ(ID_UV_MORE_WINDOWS, GetMenuItemID(window, count - 1));
    EXPECT_EQ(0u, GetMenuItemID(window, count - 2)) << "a separator before it";
    EXPECT_EQ(0xFF01u, GetMenuItemID(window, count - 3)) << "after the second child";
}

TEST_F(MenuBarMDI, ChildOnlyEntriesSendTheirCommandsToTheChild)
{
    CMenuBarChild* child = NewChild();
    ASSERT_EQ(1u, bar.m_childEntries.size());  // Edit: the frame's menu has no such popup
    const int edit = EntryItem(1);
    const bool ran = RunSteps({
        [&] {
            MouseTo(ItemCentre(edit));
            MouseButton(MOUSEEVENTF_LEFTDOWN);
            MouseButton(MOUSEEVENTF_LEFTUP);
        },
        [] { PressKey(VK_DOWN); },
        [] { PressKey(VK_RETURN); },
        [] {},
    });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(PumpUntil([&] { return !child->commands.empty(); }));
    EXPECT_EQ((std::vector<UINT>{kChildCommand}), child->commands);
    // A shared entry's command stays with the frame.
    frame->commands.clear();
    RunSteps({
        [&] {
            MouseTo(ItemCentre(EntryItem(0)));
            MouseButton(MOUSEEVENTF_LEFTDOWN);
            MouseButton(MOUSEEVENTF_LEFTUP);
        },
        [] { PressKey(VK_DOWN); },
        [] { PressKey(VK_RETURN); },
        [] {},
    });
    EXPECT_TRUE(PumpUntil([&] { return !frame->commands.empty(); }));
    EXPECT_EQ(kFrameCommand, frame->commands.empty() ? 0u : frame->commands.front());
    EXPECT_EQ(1u, child->commands.size());
}

TEST_F(MenuBarMDI, DoubleClickOnTheChildIconClosesTheChild)
{
    CMenuBarChild* child = NewChild();
    child->MDIMaximize();
    ASSERT_TRUE(PumpUntil([&] { return bar.m_hWndMaxChild == child->m_hWnd; }));
    bar.RecalcAfterChange();
    PumpInput(50);
    const HWND hwnd = child->m_hWnd;
    const POINT icon = ItemCentre(0);
    RunSteps({
        [&] {
            MouseTo(icon);
            MouseButton(MOUSEEVENTF_LEFTDOWN);
            MouseButton(MOUSEEVENTF_LEFTUP);
            MouseButton(MOUSEEVENTF_LEFTDOWN);
            MouseButton(MOUSEEVENTF_LEFTUP);
        },
        [] {},
        [] {},
    });
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
    EXPECT_EQ(0, OpenPopupCount());
}

}  // namespace
