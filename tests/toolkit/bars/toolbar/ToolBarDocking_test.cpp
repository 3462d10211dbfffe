// A toolbar dragged by its gripper with SendInput docks on another side of its frame and floats
// when dropped in the middle.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolBarDocking, DraggedByItsGripperItDocksOnTheLeftAndFloatsInTheMiddle)
{
    ToolBarFrame t(RECT{320, 300, 1020, 800});
    t.Dock();
    ASSERT_TRUE(t.bar->IsTopDocked());
    auto gripper = [&] {
        RECT window;
        t.bar->GetWindowRect(&window);
        return t.bar->IsTopDocked() || t.bar->IsBottomDocked()
                   ? POINT{window.left + 4, (window.top + window.bottom) / 2}
                   : POINT{(window.left + window.right) / 2, window.top + 4};
    };
    DragBySendInput(gripper(), POINT{325, 550});
    EXPECT_TRUE(t.bar->IsLeftDocked());
    RECT window;
    t.bar->GetWindowRect(&window);
    EXPECT_GT(window.bottom - window.top, window.right - window.left) << "a vertical bar on the left";
    EXPECT_EQ(window.left, 320 - 2) << "the first bar of a row starts on the dock bar's border line";

    DragBySendInput(gripper(), POINT{670, 550});
    EXPECT_TRUE(t.bar->IsFloating());
    EXPECT_FALSE(t.bar->IsLeftDocked());
    EXPECT_NE(t.bar->GetParent()->m_hWnd, t.frame->m_hWnd);
}

}  // namespace
