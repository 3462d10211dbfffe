// A toolbar dragged by its gripper with SendInput docks on each side of its frame, floats when
// dropped in the middle or anywhere with Ctrl held, and docks in a second frame.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "tests/classlib/ui/BarInput.h"

#include <gtest/gtest.h>

namespace {

constexpr RECT kHome{320, 300, 1020, 800};

// A point on the bar's gripper, at the start of a docked bar (across its thickness).
POINT Gripper(const CUVToolBar& bar)
{
    RECT window;
    bar.GetWindowRect(&window);
    return bar.IsTopDocked() || bar.IsBottomDocked() ? POINT{window.left + 4, (window.top + window.bottom) / 2}
                                                     : POINT{(window.left + window.right) / 2, window.top + 4};
}

TEST(ToolBarDocking, DraggedByItsGripperItDocksOnEachSideAndFloatsInTheMiddleOrWithCtrl)
{
    struct Case {
        const char* name;
        POINT to;  // screen
        bool ctrl;
        UINT side;         // the dock bar's id; 0: floating
        LONG RECT::*edge;  // the window's edge on the frame's side: the first row starts on the
        LONG at;           // dock bar's border line, 2 pixels out
    } cases[] = {
        {"left", {kHome.left + 2, 550}, false, AFX_IDW_DOCKBAR_LEFT, &RECT::left, kHome.left - 2},
        {"right", {kHome.right - 2, 550}, false, AFX_IDW_DOCKBAR_RIGHT, &RECT::right, kHome.right + 2},
        {"bottom", {670, kHome.bottom - 2}, false, AFX_IDW_DOCKBAR_BOTTOM, &RECT::bottom, kHome.bottom + 2},
        {"top (from the bottom)", {670, kHome.top + 2}, false, AFX_IDW_DOCKBAR_TOP, &RECT::top, kHome.top - 2},
        {"middle", {670, 550}, false, 0, nullptr, 0},
        {"left with Ctrl held", {kHome.left + 2, 550}, true, 0, nullptr, 0},
    };
    for (const Case& c : cases) {
        ToolBarFrame t(kHome);
        t.Dock();
        // Keys go to the foreground window's thread: Ctrl reaches the drag only then.
        SetForegroundWindow(t.frame->m_hWnd);
        if (c.side == AFX_IDW_DOCKBAR_TOP) {
            t.frame->DockControlBar(t.bar.get(), AFX_IDW_DOCKBAR_BOTTOM);
            t.frame->RecalcLayout();
        }
        // Under Wine, Ctrl sent from another thread did not reach the drag loop: with Ctrl the
        // window thread sends the drag itself.
        if (c.ctrl)
            DragWithMouse(Gripper(*t.bar), c.to, true);
        else
            DragBySendInput(Gripper(*t.bar), c.to);
        if (!c.side) {
            EXPECT_TRUE(t.bar->IsFloating()) << c.name;
            EXPECT_TRUE(t.bar->GetParentFrame()->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd))) << c.name;
            continue;
        }
        ASSERT_NE(t.bar->m_pDockBar, nullptr) << c.name;
        EXPECT_EQ(static_cast<UINT>(t.bar->m_pDockBar->GetDlgCtrlID()), c.side) << c.name;
        EXPECT_EQ(t.bar->GetParentFrame(), t.frame) << c.name;
        EXPECT_EQ(static_cast<CDockBar*>(t.bar->m_pDockBar)->GetDockedCount(), 1) << c.name << ": one row";
        RECT window;
        t.bar->GetWindowRect(&window);
        EXPECT_EQ(window.*c.edge, c.at) << c.name;
        const bool horizontal = window.right - window.left > window.bottom - window.top;
        EXPECT_EQ(horizontal, c.side == AFX_IDW_DOCKBAR_TOP || c.side == AFX_IDW_DOCKBAR_BOTTOM)
            << c.name << ": laid along its side";
    }
}

TEST(ToolBarDocking, DraggedOverASecondFrameItDocksThere)
{
    ToolBarFrame home(kHome);
    home.Dock();
    ToolBarFrame other(RECT{320, 20, 1020, 260}, 0xE882, false);
    other.frame->RecalcLayout();  // its empty sides take their places along its edges
    // Onto the second frame's empty left side, which is a target within 4 pixels of its edge.
    DragBySendInput(Gripper(*home.bar), POINT{322, 140});
    EXPECT_EQ(home.bar->GetParentFrame(), other.frame);
    EXPECT_TRUE(home.bar->IsLeftDocked());
    EXPECT_EQ(other.frame->GetControlBar(home.bar->GetDlgCtrlID()), home.bar.get()) << "the second frame lists it";
    EXPECT_EQ(home.frame->GetControlBar(home.bar->GetDlgCtrlID()), nullptr) << "its first frame no longer";
    RECT window;
    home.bar->GetWindowRect(&window);
    EXPECT_EQ(window.left, 320 - 2);
}

}  // namespace
