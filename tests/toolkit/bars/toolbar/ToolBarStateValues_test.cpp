// A toolbar's state in the profile, in frames that are never shown: damaged or outdated values
// leave the resource layout, and a state the control refuses to take leaves the old buttons.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/toolkit/bars/TestProfile.h"
#include "toolkit/bars/toolbar/SavedToolBarState.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kBarId = 0xE8A0;

using ToolBarState = TestProfile;

TEST_F(ToolBarState, DamagedOrOutdatedValuesLeaveTheResourceLayout)
{
    const std::vector<UINT> resource{101, 0, 102, 103, 104};
    // A state saved against another resource layout (one button fewer).
    {
        OffscreenToolBarFrame older(kBarId, false);
        const UINT ids[] = {101, 0, 102, 103};
        older.bar->SetButtons(ids, 4);
        UVToolBarState state = older.bar->CaptureState();
        std::swap(state.buttons[2], state.buttons[3]);
        ASSERT_TRUE(older.bar->ApplyState(state));
        ASSERT_TRUE(older.bar->SaveState(L"Settings", older.bar->GetProfileEntry()));
    }
    OffscreenToolBarFrame t(kBarId);
    t.bar->SetCustomizable(TRUE);
    t.Dock();
    EXPECT_EQ(ToolBarIds(*t.bar), resource) << "snapshot of a changed resource";
    const BYTE shortValue[] = {1, 2, 3};
    WriteRaw(L"Settings", t.bar->GetProfileEntry(), REG_BINARY, shortValue, sizeof(shortValue));
    EXPECT_FALSE(t.bar->LoadState(L"Settings", t.bar->GetProfileEntry()));
    EXPECT_EQ(ToolBarIds(*t.bar), resource) << "under 4 bytes";
    t.bar->SetCustomizable(FALSE);
}

TEST(ToolBarApply, ARefusedStateLeavesTheOldButtons)
{
    OffscreenToolBarFrame t(kBarId, false);
    auto bar = std::make_unique<CRefusingToolBar>();
    bar->CreateEx(t.frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, RECT{0, 0, 0, 0}, kBarId + 1);
    ASSERT_TRUE(bar->LoadToolBar(320));
    bar->SetButtonText(101, L"Play");
    const UVToolBarState swapped = SwappedState(*bar);
    bar->refuseNext = true;
    EXPECT_FALSE(bar->ApplyState(swapped));
    EXPECT_EQ(ToolBarIds(*bar), (std::vector<UINT>{101, 0, 102, 103, 104}));
    EXPECT_TRUE(bar->GetButtonText(101) == L"Play");
    EXPECT_TRUE(bar->ApplyState(swapped));
    EXPECT_EQ(ToolBarIds(*bar), (std::vector<UINT>{101, 0, 103, 102, 104}));
}

}  // namespace
