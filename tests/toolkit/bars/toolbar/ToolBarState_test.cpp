// A real toolbar's state in the profile: a customised order saved when the bar goes is restored
// by a second process; damaged or outdated values leave the resource layout; a state the control
// refuses to take leaves the old buttons.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/support/Programs.h"
#include "tests/toolkit/bars/TestProfile.h"
#include "toolkit/bars/toolbar/SavedToolBarState.h"
#include "toolkit/controls/customize/ToolbarEntry.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kCompanyVariable[] = L"CARROWFOLD_TOOLBAR_COMPANY";
constexpr UINT kBarId = 0xE8A0;

std::vector<UINT> Ids(const CUVToolBar& bar)
{
    std::vector<UINT> ids;
    for (int i = 0; i < bar.GetButtonCount(); ++i)
        ids.push_back(bar.GetItemID(i));
    return ids;
}

// The resource layout with 102 and 103 swapped.
UVToolBarState Swapped(const CUVToolBar& bar)
{
    UVToolBarState state = bar.CaptureState();
    std::swap(state.buttons[2], state.buttons[3]);
    return state;
}

using ToolBarState = TestProfile;

TEST_F(ToolBarState, ASecondProcessRestoresACustomisedOrder)
{
    {
        ToolBarFrame t(kFrameRect, kBarId);
        t.bar->SetCustomizable(TRUE);
        t.Dock();
        ASSERT_TRUE(t.bar->ApplyState(Swapped(*t.bar)));
        EXPECT_EQ(Ids(*t.bar), (std::vector<UINT>{101, 0, 103, 102, 104}));
    }  // saved as the bar goes
    const std::string listing = RegQuery(L"Settings");
    EXPECT_NE(listing.find("Toolkit Test-Bar59552"), std::string::npos) << "the bar's value by its id:\n" << listing;
    SetEnvironmentVariableW(kCompanyVariable, m_company);
    std::string output;
    const int exitCode =
        RunProgram(L"\"" + BinFolder() + L"toolkit_toolbar_tests.exe\" --gtest_filter=SecondProcess.*", &output);
    SetEnvironmentVariableW(kCompanyVariable, nullptr);
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// Run by the test above as its second process; skipped on its own.
TEST(SecondProcess, RestoresTheSavedOrder)
{
    wchar_t company[200] = {};
    if (!GetEnvironmentVariableW(kCompanyVariable, company, 200))
        GTEST_SKIP() << "run by ToolBarState.ASecondProcessRestoresACustomisedOrder";
    CWinApp app(L"Toolkit Test");
    app.SetRegistryKey(company);
    ToolBarFrame t(kFrameRect, kBarId);
    t.bar->SetCustomizable(TRUE);
    t.Dock();
    EXPECT_EQ(Ids(*t.bar), (std::vector<UINT>{101, 0, 103, 102, 104}));
    t.bar->SetCustomizable(FALSE);
}

TEST_F(ToolBarState, DamagedOrOutdatedValuesLeaveTheResourceLayout)
{
    const std::vector<UINT> resource{101, 0, 102, 103, 104};
    // A state saved against another resource layout (one button fewer).
    {
        ToolBarFrame older(kFrameRect, kBarId, false);
        const UINT ids[] = {101, 0, 102, 103};
        older.bar->SetButtons(ids, 4);
        UVToolBarState state = older.bar->CaptureState();
        std::swap(state.buttons[2], state.buttons[3]);
        ASSERT_TRUE(older.bar->ApplyState(state));
        ASSERT_TRUE(older.bar->SaveState(L"Settings", older.bar->GetProfileEntry()));
    }
    ToolBarFrame t(kFrameRect, kBarId);
    t.bar->SetCustomizable(TRUE);
    t.Dock();
    EXPECT_EQ(Ids(*t.bar), resource) << "snapshot of a changed resource";
    const BYTE shortValue[] = {1, 2, 3};
    WriteRaw(L"Settings", t.bar->GetProfileEntry(), REG_BINARY, shortValue, sizeof(shortValue));
    EXPECT_FALSE(t.bar->LoadState(L"Settings", t.bar->GetProfileEntry()));
    EXPECT_EQ(Ids(*t.bar), resource) << "under 4 bytes";
    t.bar->SetCustomizable(FALSE);
}

// Answers the message box that the reset asks with `answer`, from a timer inside its loop.
void AnswerNextMessageBox(WPARAM answer)
{
    static WPARAM s_answer;
    s_answer = answer;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (!box)
            return;
        KillTimer(nullptr, id);
        wchar_t text[200] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 200);
        if (wcsstr(text, L"restore the toolbar"))
            PostMessageW(box, WM_COMMAND, s_answer, 0);
    });
}

TEST(ToolBarReset, TheResetHandlerAsksThenPutsBackTheBuiltButtons)
{
    ToolBarFrame t(kFrameRect, kBarId);
    t.bar->SetCustomizable(TRUE);
    t.Dock();  // restoring the state takes the snapshot of the built buttons
    const std::vector<UINT> built{101, 0, 102, 103, 104};
    ASSERT_TRUE(t.bar->ApplyState(Swapped(*t.bar)));
    CUVToolbarEntry entry;
    t.bar->GetResetHandler(entry);
    EXPECT_EQ(entry.hideable, 1);
    EXPECT_EQ(entry.userToolbar, 0);
    EXPECT_EQ(entry.window, t.bar->m_hWnd);
    EXPECT_FALSE(entry.rename.IsSet());
    EXPECT_FALSE(entry.remove.IsSet());
    ASSERT_TRUE(entry.reset.IsSet());
    AnswerNextMessageBox(IDNO);
    entry.reset.function(entry.reset.object);
    EXPECT_EQ(Ids(*t.bar), (std::vector<UINT>{101, 0, 103, 102, 104})) << "no: left as it is";
    AnswerNextMessageBox(IDYES);
    entry.reset.function(entry.reset.object);
    EXPECT_EQ(Ids(*t.bar), built) << "yes: reset";
    t.bar->SetCustomizable(FALSE);
}

TEST(ToolBarApply, ARefusedStateLeavesTheOldButtons)
{
    ToolBarFrame t(kFrameRect, kBarId, false);
    auto bar = std::make_unique<CRefusingToolBar>();
    bar->CreateEx(t.frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, RECT{0, 0, 0, 0}, kBarId + 1);
    ASSERT_TRUE(bar->LoadToolBar(320));
    bar->SetButtonText(101, L"Play");
    const UVToolBarState swapped = Swapped(*bar);
    bar->refuseNext = true;
    EXPECT_FALSE(bar->ApplyState(swapped));
    EXPECT_EQ(Ids(*bar), (std::vector<UINT>{101, 0, 102, 103, 104}));
    EXPECT_TRUE(bar->GetButtonText(101) == L"Play");
    EXPECT_TRUE(bar->ApplyState(swapped));
    EXPECT_EQ(Ids(*bar), (std::vector<UINT>{101, 0, 103, 102, 104}));
}

}  // namespace
