// A real toolbar's state in the profile: a customised order saved when the bar goes is restored
// by a second process, and the reset handler asks before it puts back the built buttons.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/support/Programs.h"
#include "tests/toolkit/bars/TestProfile.h"
#include "toolkit/bars/toolbar/SavedToolBarState.h"
#include "toolkit/controls/customize/ToolbarEntry.h"

#include <gtest/gtest.h>

namespace {

constexpr wchar_t kCompanyVariable[] = L"CARROWFOLD_TOOLBAR_COMPANY";
constexpr UINT kBarId = 0xE8A0;

using ToolBarState = TestProfile;

TEST_F(ToolBarState, ASecondProcessRestoresACustomisedOrder)
{
    {
        ToolBarFrame t(kFrameRect, kBarId);
        t.bar->SetCustomizable(TRUE);
        t.Dock();
        ASSERT_TRUE(t.bar->ApplyState(SwappedState(*t.bar)));
        EXPECT_EQ(ToolBarIds(*t.bar), (std::vector<UINT>{101, 0, 103, 102, 104}));
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
    EXPECT_EQ(ToolBarIds(*t.bar), (std::vector<UINT>{101, 0, 103, 102, 104}));
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
    ASSERT_TRUE(t.bar->ApplyState(SwappedState(*t.bar)));
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
    EXPECT_EQ(ToolBarIds(*t.bar), (std::vector<UINT>{101, 0, 103, 102, 104})) << "no: left as it is";
    AnswerNextMessageBox(IDYES);
    entry.reset.function(entry.reset.object);
    EXPECT_EQ(ToolBarIds(*t.bar), built) << "yes: reset";
    t.bar->SetCustomizable(FALSE);
}

}  // namespace
