// The program's main frame computes the colour scheme again when the system colours change:
// the display's colours are really changed (SetSysColors sends WM_SYSCOLORCHANGE to every
// top-level window) and put back afterwards.
#include "app/MainFrame.h"
#include "app/look/ColorScheme.h"
#include "app/resource.h"

#include <gtest/gtest.h>

namespace {

void Pump()
{
    MSG msg;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(5);
    }
}

// Sets the two system colours for its life and puts the old ones back.
class ChangedSystemColors {
public:
    ChangedSystemColors(COLORREF face, COLORREF highlight)
    {
        const COLORREF colors[] = {face, highlight};
        SetSysColors(2, kElements, colors);
    }
    ~ChangedSystemColors() { SetSysColors(2, kElements, m_old); }

private:
    static constexpr INT kElements[2] = {COLOR_BTNFACE, COLOR_HIGHLIGHT};
    const COLORREF m_old[2] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_HIGHLIGHT)};
};

TEST(MainFrameColours, FollowASystemColourChange)
{
    auto* frame = new CMainFrame;
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW));
    g_colorScheme.ComputeColors();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ASSERT_EQ(g_colorScheme.GetColor(15), face);
    constexpr COLORREF kDarkFace = 0x404010;
    constexpr COLORREF kHighlight = 0x123456;
    ASSERT_NE(face, kDarkFace);
    {
        ChangedSystemColors changed(kDarkFace, kHighlight);
        Pump();
        EXPECT_EQ(g_colorScheme.GetColor(15), kDarkFace);
        EXPECT_EQ(g_colorScheme.GetColor(32), 0x262600u);
        EXPECT_EQ(g_colorScheme.GetColor(33), 0x0F0F00u);
        EXPECT_EQ(g_colorScheme.GetColor(73), kHighlight);
    }
    Pump();
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), face);
    EXPECT_EQ(g_colorScheme.GetColor(15), face);
    frame->DestroyWindow();
}

}  // namespace
