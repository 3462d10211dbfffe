// The menu bar without MDI children: its items, Alt, F10 and mnemonics, moving between popups
// with Left and Right (wrapping) and into a submenu, Escape back to keyboard selection, hover
// switching with the mouse, and the hot and open entries at known pixels in both looks.
#include "MenuBarFixture.h"

#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"

#include <string>

namespace {

TEST(MenuBarMnemonic, IsTheCharacterAfterASingleAmpersand)
{
    struct Case {
        const wchar_t* text;
        BOOL found;
        wchar_t mnemonic;
    } cases[] = {
        {L"&File", TRUE, L'F'},    {L"E&xit", TRUE, L'x'},   {L"Fish && Chips", FALSE, 0},
        {L"A&&B &Go", TRUE, L'G'}, {L"Trailing&", FALSE, 0}, {L"Plain", FALSE, 0},
    };
    for (const Case& c : cases) {
        wchar_t mnemonic = 0;
        EXPECT_EQ(c.found, FindMenuMnemonic(CString(c.text), &mnemonic)) << std::wstring(c.text).size();
        if (c.found) {
            EXPECT_EQ(c.mnemonic, mnemonic);
        }
    }
}

TEST_F(MenuBarTest, MakesOneEntryPerReadableTopLevelEntryAndLoadsAgain)
{
    EXPECT_EQ(3u + 1u + 3u, bar.m_items.size());  // icon, three entries, three MDI buttons
    EXPECT_EQ(3u, bar.VisibleItems().size());     // no maximised child: entries only
    // A later load installs its menu and says so.
    EXPECT_TRUE(bar.LoadMenuBar(kFrameMenu));
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 1, L"&One");
    AppendMenuW(menu, MF_STRING, 2, L"&Two");
    AppendMenuW(menu, MF_STRING, 3, L"");
    AppendMenuW(menu, MF_STRING, 4, L"&Four");
    bar.SetMenu(menu, nullptr);
    ASSERT_EQ(3u, bar.VisibleItems().size());
    EXPECT_EQ(3, static_cast<CUVMenuBarEntry*>(bar.m_items[3].get())->m_nPosition);
    bar.SetMenu(nullptr, nullptr);
    EXPECT_EQ(bar.GetLoadedMenu(), bar.GetMenu());
    DestroyMenu(menu);
}

TEST_F(MenuBarTest, AltAndF10ToggleKeyboardSelection)
{
    for (WORD key : {WORD{VK_MENU}, WORD{VK_F10}}) {
        SCOPED_TRACE(key);
        PressKey(key);
        ASSERT_TRUE(PumpUntil([&] { return bar.m_nState == CUVMenuBar::stateKeyboard; }));
        EXPECT_EQ(EntryItem(0), bar.m_nHotItem);
        PressKey(VK_RIGHT);
        EXPECT_TRUE(PumpUntil([&] { return bar.m_nHotItem == EntryItem(1); }));
        PressKey(VK_LEFT);
        PressKey(VK_LEFT);
        EXPECT_TRUE(PumpUntil([&] { return bar.m_nHotItem == EntryItem(2); }));  // wraps
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(PumpUntil([&] { return bar.m_nState == CUVMenuBar::stateIdle && bar.m_nHotItem == -1; }));
    }
}

TEST_F(MenuBarTest, KeysMoveBetweenPopupsAndIntoASubmenu)
{
    struct Seen {
        int state, open, popups, hot;
    };
    std::vector<Seen> seen;
    auto look = [&] { seen.push_back(Seen{bar.m_nState, bar.m_nOpenItem, OpenPopupCount(), bar.m_nHotItem}); };
    const bool ran = RunSteps({
        [] {
            KeyInput(VK_MENU, false);
            PressKey('V');
            KeyInput(VK_MENU, true);
        },
        look,                        // View open
        [] { PressKey(VK_RIGHT); },  // to Window
        look,
        [] { PressKey(VK_RIGHT); },  // wraps to File
        look,
        [] { PressKey(VK_LEFT); },  // wraps back to Window
        look,
        [] { PressKey(VK_RIGHT); },  // File again; its first item is selected
        [] { PressKey(VK_DOWN); },   // "Recent", which has a submenu
        [] { PressKey(VK_RIGHT); },  // opens the submenu, not the next entry
        look,
        [] { PressKey(VK_ESCAPE); },  // closes the submenu
        [] { PressKey(VK_ESCAPE); },  // closes the popup: keyboard selection
        look,
        [] { PressKey(VK_ESCAPE); },
        look,
    });
    EXPECT_TRUE(ran);
    ASSERT_EQ(7u, seen.size());
    const int file = EntryItem(0), view = EntryItem(1), window = EntryItem(2);
    const int tracking = CUVMenuBar::stateTracking;
    EXPECT_EQ(tracking, seen[0].state);
    EXPECT_EQ(view, seen[0].open);
    EXPECT_EQ(1, seen[0].popups);
    EXPECT_EQ(window, seen[1].open);
    EXPECT_EQ(file, seen[2].open);
    EXPECT_EQ(window, seen[3].open);
    EXPECT_EQ(file, seen[4].open);
    EXPECT_EQ(2, seen[4].popups);
    EXPECT_EQ(CUVMenuBar::stateKeyboard, seen[5].state);
    EXPECT_EQ(0, seen[5].popups);
    EXPECT_EQ(file, seen[5].hot);
    EXPECT_EQ(CUVMenuBar::stateIdle, seen[6].state);
}

TEST_F(MenuBarTest, MnemonicInKeyboardSelectionChoosesACommand)
{
    int open = -2;
    const bool ran = RunSteps({
        [] { PressKey(VK_F10); },
        [] { PressKey('F'); },
        [&] { open = bar.m_nOpenItem; },
        [] { PressKey('N'); },  // File > New
        [] {},
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(EntryItem(0), open);
    EXPECT_TRUE(PumpUntil([&] { return !frame->commands.empty(); }));
    ASSERT_FALSE(frame->commands.empty());
    EXPECT_EQ(kFrameCommand, frame->commands.back());
}

TEST_F(MenuBarTest, HoverSwitchesThePopupAndAClickOnTheOpenEntryClosesIt)
{
    std::vector<int> open;
    const int file = EntryItem(0), view = EntryItem(1), window = EntryItem(2);
    const bool ran = RunSteps({
                                  [&] {
                                      MouseTo(ItemCentre(file));
                                      MouseButton(MOUSEEVENTF_LEFTDOWN);
                                      MouseButton(MOUSEEVENTF_LEFTUP);
                                  },
                                  [&] { open.push_back(bar.m_nOpenItem); },
                                  [&] { MouseTo(ItemCentre(window)); },
                                  [&] { open.push_back(bar.m_nOpenItem); },
                                  [&] { MouseTo(ItemCentre(view)); },
                                  [&] { open.push_back(bar.m_nOpenItem); },
                                  [&] {
                                      MouseButton(MOUSEEVENTF_LEFTDOWN);
                                      MouseButton(MOUSEEVENTF_LEFTUP);
                                  },
                                  [&] { open.push_back(OpenPopupCount()); },
                              },
                              300);
    EXPECT_TRUE(ran);
    EXPECT_EQ((std::vector<int>{file, window, view, 0}), open);
    EXPECT_FALSE(bar.m_bHoverTimer);  // no hidden commands: nothing to show on hover
    EXPECT_EQ(CUVMenuBar::stateIdle, bar.m_nState);
}

TEST_F(MenuBarTest, HotAndOpenEntriesAtKnownPixels)
{
    struct Case {
        const char* name;
        BOOL xp;
        COLORREF hotCorner, openCorner;
    } cases[] = {
        {"classic", FALSE, GetUVColor(COLOR_BTNHIGHLIGHT), GetUVColor(COLOR_BTNSHADOW)},
        {"XP", TRUE, GetUVColor(COLOR_HIGHLIGHT), GetUVColor(43)},
    };
    const int view = EntryItem(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uvAfxData.m_bXPLook = c.xp;
        bar.SetMenu(nullptr, nullptr);
        const RECT rect = ItemScreenRect(view);
        const POINT corner{rect.left, rect.top};
        MouseTo(ItemCentre(view));
        EXPECT_TRUE(PumpUntil([&] { return bar.m_nHotItem == view; }));
        EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(corner) == c.hotCorner; })) << ScreenPixel(corner);
        if (c.xp) {
            EXPECT_EQ(GetUVColor(31), ScreenPixel(POINT{rect.left + 2, rect.bottom - 2}));
        }
        COLORREF openCorner = 0, openInside = 0;
        RunSteps({
            [&] {
                MouseButton(MOUSEEVENTF_LEFTDOWN);
                MouseButton(MOUSEEVENTF_LEFTUP);
            },
            [&] {
                openCorner = ScreenPixel(corner);
                openInside = ScreenPixel(POINT{rect.left + 2, rect.bottom - 2});
            },
            [] { PressKey(VK_ESCAPE); },
            [] { PressKey(VK_ESCAPE); },
        });
        EXPECT_EQ(c.openCorner, openCorner);
        if (c.xp) {
            EXPECT_EQ(GetUVColor(30), openInside);
        }
        MouseTo(POINT{5, 1000});
        PumpInput(50);
    }
}

TEST_F(MenuBarTest, FloatingNarrowBarPutsEachEntryOnItsOwnRow)
{
    frame->FloatControlBar(&bar, POINT{300, 300});
    PumpInput(50);
    ASSERT_TRUE(bar.IsFloating());
    bar.FitItems(10, TRUE);
    const std::vector<int> visible = bar.VisibleItems();
    ASSERT_EQ(3u, visible.size());
    for (size_t k = 0; k + 1 < visible.size(); ++k)
        EXPECT_TRUE(bar.m_items[static_cast<size_t>(visible[k])]->m_bRowBreak) << k;
    EXPECT_EQ(3 * GetSystemMetrics(SM_CYMENU), bar.MeasureItems(TRUE).cy);
}

TEST_F(MenuBarTest, HoverTimerEndsWithTheTrackingAndTheFrameStaysActiveMeanwhile)
{
    bar.HideCommand(kFrameCommand);
    const int file = EntryItem(0);
    BOOL timerWhileOpen = FALSE;
    BOOL activeWhileOpen = FALSE;
    const bool ran = RunSteps({
                                  [&] {
                                      MouseTo(ItemCentre(file));
                                      MouseButton(MOUSEEVENTF_LEFTDOWN);
                                      MouseButton(MOUSEEVENTF_LEFTUP);
                                  },
                                  [&] {
                                      POINT beside = ItemCentre(file);
                                      beside.x += 2;
                                      MouseTo(beside);
                                  },
                                  [&] {
                                      timerWhileOpen = bar.m_bHoverTimer;
                                      frame->SendMessage(WM_NCACTIVATE, FALSE, 0);
                                      activeWhileOpen = bar.m_bActive;
                                  },
                                  [&] { PressKey(VK_ESCAPE); },
                                  [&] { PressKey(VK_ESCAPE); },
                              },
                              300);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(timerWhileOpen) << "the pointer rests on the open entry";
    EXPECT_TRUE(activeWhileOpen) << "a popup of the bar keeps the frame active";
    EXPECT_FALSE(bar.m_bHoverTimer);
    EXPECT_FALSE(KillTimer(*frame, CUVMenuBar::kHoverTimer)) << "no timer left running on the frame";
    frame->SendMessage(WM_NCACTIVATE, FALSE, 0);
    EXPECT_FALSE(bar.m_bActive) << "without a popup the frame's own state counts";
}

TEST_F(MenuBarTest, TheMenuItLoadedGoesWithTheBar)
{
    HMENU loaded = nullptr;
    {
        CUVMenuBar second;
        ASSERT_TRUE(second.Create(frame, kUVMenuBarWindowStyle, IDW_UV_MENUBAR + 1));
        ASSERT_TRUE(second.LoadMenuBar(kFrameMenu));
        loaded = second.GetLoadedMenu();
        ASSERT_TRUE(IsMenu(loaded));
    }
    EXPECT_FALSE(IsMenu(loaded));
}

}  // namespace
