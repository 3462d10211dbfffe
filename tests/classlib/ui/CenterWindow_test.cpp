// A popup centres itself over its owner, or over the work area when the owner is not on the
// screen, and never leaves the work area.
#include "classlib/ui/Wnd.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 100;

RECT WorkArea()
{
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

TEST(CenterWindow, PopupGoesOverItsOwnerOrTheWorkArea)
{
    const RECT work = WorkArea();
    const int workX = (work.left + work.right - kWidth) / 2;
    const int workY = (work.top + work.bottom - kHeight) / 2;
    struct Case {
        const char* name;
        RECT owner;
        int ownerShow;  // -1: the owner stays hidden
        POINT expected;
    } cases[] = {
        {"hidden owner", {100, 100, 500, 400}, -1, {workX, workY}},
        {"visible owner", {100, 100, 500, 400}, SW_SHOWNOACTIVATE, {200, 200}},
        {"minimized owner", {100, 100, 500, 400}, SW_SHOWMINNOACTIVE, {workX, workY}},
        {"owner at the top left corner",
         {work.left, work.top, work.left + 100, work.top + 60},
         SW_SHOWNOACTIVATE,
         {work.left, work.top}},
        {"owner at the bottom right corner",
         {work.right - 100, work.bottom - 60, work.right, work.bottom},
         SW_SHOWNOACTIVATE,
         {work.right - kWidth, work.bottom - kHeight}},
    };
    for (const auto& c : cases) {
        CWnd owner;
        ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_POPUP, c.owner.left, c.owner.top,
                                   c.owner.right - c.owner.left, c.owner.bottom - c.owner.top, nullptr, nullptr))
            << c.name;
        if (c.ownerShow != -1)
            owner.ShowWindow(c.ownerShow);
        CWnd popup;
        ASSERT_TRUE(popup.CreateEx(0, nullptr, L"", WS_POPUP, 0, 0, kWidth, kHeight, owner.m_hWnd, nullptr)) << c.name;
        popup.CenterWindow();
        RECT placed;
        popup.GetWindowRect(&placed);
        EXPECT_EQ(placed.left, c.expected.x) << c.name;
        EXPECT_EQ(placed.top, c.expected.y) << c.name;
        EXPECT_EQ(placed.right - placed.left, kWidth) << c.name << ": the size stays";
        popup.DestroyWindow();
        owner.DestroyWindow();
    }
}

TEST(CenterWindow, AlternateOwnerTakesThePlaceOfTheOwner)
{
    CWnd owner;
    CWnd other;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr));
    ASSERT_TRUE(other.CreateEx(0, nullptr, L"other", WS_POPUP, 300, 200, 400, 300, nullptr, nullptr));
    owner.ShowWindow(SW_SHOWNOACTIVATE);
    other.ShowWindow(SW_SHOWNOACTIVATE);
    CWnd popup;
    ASSERT_TRUE(popup.CreateEx(0, nullptr, L"", WS_POPUP, 0, 0, kWidth, kHeight, owner.m_hWnd, nullptr));
    popup.CenterWindow(&other);
    RECT placed;
    popup.GetWindowRect(&placed);
    EXPECT_EQ(placed.left, 400);
    EXPECT_EQ(placed.top, 300);
    popup.DestroyWindow();
    other.DestroyWindow();
    owner.DestroyWindow();
}

}  // namespace
