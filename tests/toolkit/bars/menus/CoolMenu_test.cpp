// The cool menu on real popup menus of a real frame under Xvfb, driven by posted keys inside the
// system's menu loop: item states, separators and the image margin read from the screen in both
// looks, mnemonics, personalised menus with their chevron, recent commands in a per-run
// registry key read back by reg.exe, foreign owner-drawn items, and who owns the item records.
#include "toolkit/bars/menus/CoolMenu.h"

#include "tests/toolkit/bars/TestProfile.h"
#include "tests/toolkit/bars/menus/MenuDriver.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menus/MenuState.h"
#include "toolkit/bars/menus/PopupMenu.h"

#include <initializer_list>
#include <optional>

namespace {

enum : UINT { cmdNew = 101, cmdOpen = 102, cmdSave = 103, cmdPrint = 104, cmdSaveAs = 105, cmdClose = 106 };

// One item of a test's popup menu, as AppendMenuW takes it: flags, command id (a submenu's
// handle under MF_POPUP) and text (the item data under MF_OWNERDRAW).
struct MenuEntry {
    UINT flags;
    UINT_PTR id;
    const wchar_t* text;
};

HMENU MakeMenu(std::initializer_list<MenuEntry> entries)
{
    HMENU menu = CreatePopupMenu();
    for (const MenuEntry& entry : entries)
        AppendMenuW(menu, entry.flags, entry.id, entry.text);
    return menu;
}

// New, Open, separator, Save (checked), Save As (disabled), Close, Print.
HMENU MakeFileMenu()
{
    return MakeMenu({{MF_STRING, cmdNew, L"&New\tCtrl+N"},
                     {MF_STRING, cmdOpen, L"&Open"},
                     {MF_SEPARATOR, 0, nullptr},
                     {MF_STRING | MF_CHECKED, cmdSave, L"&Save"},
                     {MF_STRING | MF_GRAYED, cmdSaveAs, L"Save &As"},
                     {MF_STRING, cmdClose, L"&Close"},
                     {MF_STRING, cmdPrint, L"&Print"}});
}

class XPLook {
public:
    explicit XPLook(BOOL on) : m_saved(uvAfxData.m_bXPLook) { uvAfxData.m_bXPLook = on; }
    XPLook(const XPLook&) = delete;
    XPLook& operator=(const XPLook&) = delete;
    ~XPLook() { uvAfxData.m_bXPLook = m_saved; }

private:
    BOOL m_saved;
};

class CoolMenuTest : public TestProfile {
protected:
    void SetUp() override
    {
        TestProfile::SetUp();
        GetUVCommandImages().LoadToolbarResource(GetModuleHandleW(nullptr), 300, TRUE, CUVCommandImages::menuMap);
        GetUVMenuAnimation().kind = 5;
        GetUVMenuState().expandRequested = FALSE;
        m_driver.emplace();
        m_menu = MakeFileMenu();
    }
    void TearDown() override
    {
        m_driver.reset();
        if (IsMenu(m_menu))
            DestroyMenu(m_menu);
        GetUVMenuState().expandRequested = FALSE;
        TestProfile::TearDown();
    }
    HWND Frame() const { return m_driver->frame->m_hWnd; }
    CUVCoolMenu& Cool() { return m_driver->cool; }
    UINT Track(std::vector<MenuStep> steps, bool toolkitPopup = false)
    {
        return m_driver->Track(m_menu, POINT{40, 30}, toolkitPopup, std::move(steps));
    }
    // The test's own menu in place of the file menu.
    void ReplaceMenu(std::initializer_list<MenuEntry> entries)
    {
        DestroyMenu(m_menu);
        m_menu = MakeMenu(entries);
    }
    // Personalised menus with these commands hidden and no command recent, so that each of them
    // stays hidden.
    void HideWithNoneRecent(std::initializer_list<UINT> ids)
    {
        Cool().ClearRecentItems();
        Cool().HideCommands(ids.begin(), static_cast<int>(ids.size()));
    }

    std::optional<MenuDriver> m_driver;
    HMENU m_menu = nullptr;
};

struct LookColours {
    const char* name;
    BOOL xp;
    COLORREF body, selectedBody, margin;
};

TEST_F(CoolMenuTest, ItemStatesSeparatorAndMarginReadAsTheLooksColoursOnScreen)
{
    const LookColours looks[] = {
        {"classic", FALSE, GetSysColor(COLOR_MENU), GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_MENU)},
        {"XP", TRUE, GetUVColor(41), GetUVColor(31), GetUVColor(30)},
    };
    for (const LookColours& look : looks) {
        SCOPED_TRACE(look.name);
        const XPLook xp(look.xp);
        struct Pixel {
            const char* what;
            int item;  // position in the menu
            int dx;    // from the item's left edge (negative: from its right edge)
            int dy;    // from the item's vertical middle
            COLORREF expected;
        };
        std::vector<Pixel> pixels = {
            {"plain item body", 1, -3, 0, look.body},
            {"plain item margin", 1, 1, -4, look.margin},
            {"selected item body", 0, -4, 0, look.selectedBody},
        };
        if (look.xp) {
            pixels.push_back({"selected item frame", 0, 1, 0, GetUVColor(32)});
            pixels.push_back({"separator line", 2, 40, 0, GetUVColor(39)});
            pixels.push_back({"separator margin", 2, 2, 0, GetUVColor(30)});
            pixels.push_back({"checked image frame", 3, 0, 0, GetUVColor(37)});
        } else {
            pixels.push_back({"etched separator, dark line", 2, 40, 0, GetSysColor(COLOR_BTNSHADOW)});
            pixels.push_back({"etched separator, light line", 2, 40, 1, GetSysColor(COLOR_BTNHIGHLIGHT)});
            pixels.push_back({"checked image, sunken frame", 3, 0, 0, GetSysColor(COLOR_BTNSHADOW)});
        }
        std::vector<COLORREF> read;
        Track({[&](HWND) { PostKey(Frame(), VK_DOWN); },
               [&](HWND popup) {
                   Sleep(200);  // the compositor catches up; the menu loop keeps its messages
                   for (const Pixel& p : pixels) {
                       const RECT r = ItemRect(popup, m_menu, p.item);
                       const int x = p.dx >= 0 ? r.left + p.dx : r.right + p.dx;
                       read.push_back(ScreenPixel(x, (r.top + r.bottom) / 2 + p.dy));
                   }
               }});
        ASSERT_EQ(read.size(), pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i)
            EXPECT_EQ(read[i], pixels[i].expected) << pixels[i].what;
    }
}

TEST_F(CoolMenuTest, InTheXPLookItemsLieInsideTheirPopup)
{
    HMENU recent = MakeMenu({{MF_STRING, 410, L"Friday mix"}});
    ReplaceMenu(
        {{MF_STRING, cmdNew, L"&New\tCtrl+N"}, {MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"&Recent Mixes"}});
    const XPLook xp(TRUE);
    RECT item{};
    RECT client{};
    COLORREF frameRight = 0;
    Track({[&](HWND) { PostKey(Frame(), VK_DOWN); }, [&](HWND) { PostKey(Frame(), VK_DOWN); },
           [&](HWND popup) {
               Sleep(200);  // the compositor catches up; the menu loop keeps its messages
               item = ItemRect(popup, m_menu, 1);
               GetClientRect(popup, &client);
               MapWindowPoints(popup, nullptr, reinterpret_cast<POINT*>(&client), 2);
               frameRight = ScreenPixel(item.right - 2, item.top + 2);
           }});
    EXPECT_LE(item.right, client.right) << "the selected item, and the submenu arrow at its end, inside the popup";
    EXPECT_EQ(frameRight, GetUVColor(32)) << "the selection frame keeps its right edge";
}

TEST_F(CoolMenuTest, SharedMnemonicSelectsTheNextMatchAndAUniqueOneExecutes)
{
    ReplaceMenu({{MF_STRING, 201, L"&Alpha"},
                 {MF_STRING, 202, L"&Beta"},
                 {MF_STRING, 203, L"&Bravo"},
                 {MF_STRING, 204, L"Fish && &Chips"},
                 {MF_STRING, 205, L"&Bolt"}});
    Cool().ConvertMenu(m_menu, TRUE);
    struct Case {
        const char* name;
        wchar_t typed;
        int highlighted;  // -1: none
        LRESULT answer;
    } cases[] = {
        {"shared, nothing highlighted: the first", L'b', -1, MAKELRESULT(1, MNC_SELECT)},
        {"shared, typed in upper case: the next after the highlight", L'B', 1, MAKELRESULT(2, MNC_SELECT)},
        {"shared, highlight on the last match: wraps to the first", L'b', 4, MAKELRESULT(1, MNC_SELECT)},
        {"unique: executes", L'a', 2, MAKELRESULT(0, MNC_EXECUTE)},
        {"the letter after a doubled \"&&\" is no mnemonic", L'c', -1, MAKELRESULT(3, MNC_EXECUTE)},
        {"no match: default handling", L'z', -1, 0},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < GetMenuItemCount(m_menu); ++i) {
            MENUITEMINFOW state{};
            state.cbSize = sizeof(state);
            state.fMask = MIIM_STATE;
            state.fState = i == c.highlighted ? MFS_HILITE : 0;
            SetMenuItemInfoW(m_menu, i, TRUE, &state);
        }
        EXPECT_EQ(Cool().OnMenuChar(c.typed, MF_POPUP, m_menu), c.answer) << c.name;
    }
    Cool().ConvertMenu(m_menu, FALSE);
    // Typed into the open menu: the system asks the frame, which names the item to run.
    const UINT chosen = Track({[&](HWND) { PostChar(Frame(), L'c'); }, [](HWND) {}});
    EXPECT_EQ(chosen, 204u);
}

TEST_F(CoolMenuTest, DisplayFullMenusReopensTheMenuExpandedInPlace)
{
    HideWithNoneRecent({cmdSaveAs, cmdClose});
    RECT collapsedRect{}, expandedRect{};
    int collapsedCount = 0, expandedCount = 0, chevronAt = -2, chevronAfter = -2;
    Track({[](HWND) {},
           [&](HWND popup) {
               GetWindowRect(popup, &collapsedRect);
               collapsedCount = GetMenuItemCount(m_menu);
               chevronAt = Cool().FindItemPos(m_menu, ID_UV_DISPLAY_FULL_MENUS);
           },
           [&](HWND) { PostKey(Frame(), VK_UP); }, [&](HWND) { PostKey(Frame(), VK_RETURN); }, [](HWND) {},
           [&](HWND popup) {
               GetWindowRect(popup, &expandedRect);
               expandedCount = GetMenuItemCount(m_menu);
               chevronAfter = Cool().FindItemPos(m_menu, ID_UV_DISPLAY_FULL_MENUS);
           }},
          true);
    EXPECT_EQ(collapsedCount, 6) << "two hidden items out, the chevron in";
    EXPECT_EQ(chevronAt, 5) << "the chevron is the last item";
    EXPECT_EQ(expandedCount, 7);
    EXPECT_EQ(chevronAfter, -1);
    EXPECT_EQ(expandedRect.left, collapsedRect.left);
    EXPECT_EQ(expandedRect.top, collapsedRect.top);
    const auto& commands = m_driver->frame->commands;
    EXPECT_NE(std::find(commands.begin(), commands.end(), ID_UV_DISPLAY_FULL_MENUS), commands.end());
    EXPECT_EQ(Cool().FindItemPos(m_menu, cmdSaveAs), 4) << "the hidden item is back where it was";
}

TEST_F(CoolMenuTest, RecentCommandsAreNotHiddenAndTheListKeepsFiveMostRecentFirst)
{
    HideWithNoneRecent({301, 302, 303, 304, 305, 306, cmdSaveAs});
    for (UINT id : {301u, 302u, 303u, 304u, 305u, 306u, 303u})
        Cool().SaveRecentItems(id);
    Cool().SaveRecentItems(999);  // neither hidden nor recent: not recorded
    const std::string listing = RegQuery(L"Recent Item List");
    const char* expected[] = {"Item1    REG_DWORD    0x12f", "Item2    REG_DWORD    0x132",
                              "Item3    REG_DWORD    0x131", "Item4    REG_DWORD    0x130",
                              "Item5    REG_DWORD    0x12e"};
    for (const char* line : expected)
        EXPECT_NE(listing.find(line), std::string::npos) << line << " missing in:\n" << listing;
    EXPECT_EQ(listing.find("Item6"), std::string::npos);
    EXPECT_EQ(listing.find("0x3e7"), std::string::npos);
    EXPECT_TRUE(Cool().LoadRecentItems(303));
    EXPECT_FALSE(Cool().LoadRecentItems(301)) << "pushed out of the five";

    // The menu's only hidden candidate is recent: nothing is hidden and there is no chevron.
    Cool().ClearRecentItems();
    Cool().SaveRecentItems(cmdSaveAs);
    int count = 0, chevron = -2;
    Track({[](HWND) {},
           [&](HWND) {
               count = GetMenuItemCount(m_menu);
               chevron = Cool().FindItemPos(m_menu, ID_UV_DISPLAY_FULL_MENUS);
           }},
          true);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(chevron, -1);
    Cool().ClearRecentItems();
    EXPECT_EQ(RegQuery(L"Recent Item List").find("Item1"), std::string::npos);
}

TEST_F(CoolMenuTest, ChevronItemReadsAsTheLooksColoursOnScreen)
{
    HideWithNoneRecent({cmdClose});
    struct Case {
        const char* name;
        BOOL xp;
        COLORREF background, margin, arrows;
    } cases[] = {
        {"classic", FALSE, GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENUTEXT)},
        {"XP", TRUE, GetUVColor(41), GetUVColor(30), GetUVColor(44)},
    };
    for (const Case& c : cases) {
        const XPLook xp(c.xp);
        COLORREF background = 0, margin = 0, arrow = 0, between = 0;
        Track({[](HWND) {},
               [&](HWND popup) {
                   Sleep(200);  // the compositor catches up; the menu loop keeps its messages
                   const RECT r = ItemRect(popup, m_menu, Cool().FindItemPos(m_menu, ID_UV_DISPLAY_FULL_MENUS));
                   const int cx = (r.left + r.right) / 2;
                   const int top = (r.top + r.bottom) / 2 - 3;
                   background = ScreenPixel(cx - 12, (r.top + r.bottom) / 2);
                   margin = ScreenPixel(r.left + 2, (r.top + r.bottom) / 2);
                   arrow = ScreenPixel(cx - 2, top);  // the first arrow's left arm
                   between = ScreenPixel(cx, top);    // open between its arms
               }},
              true);
        EXPECT_EQ(background, c.background) << c.name;
        EXPECT_EQ(margin, c.margin) << c.name;
        EXPECT_EQ(arrow, c.arrows) << c.name;
        EXPECT_EQ(between, c.background) << c.name;
    }
}

TEST_F(CoolMenuTest, AdjacentSeparatorsLeftByHidingCollapseIntoOne)
{
    ReplaceMenu({{MF_STRING, 401, L"One"},
                 {MF_SEPARATOR, 0, nullptr},
                 {MF_STRING, 402, L"Rare"},
                 {MF_SEPARATOR, 0, nullptr},
                 {MF_STRING, 403, L"Two"}});
    HideWithNoneRecent({402});
    std::vector<UINT> ids;
    Track({[](HWND) {},
           [&](HWND) {
               for (int i = 0; i < GetMenuItemCount(m_menu); ++i)
                   ids.push_back(GetMenuItemID(m_menu, i));
           }},
          true);
    EXPECT_EQ(ids, (std::vector<UINT>{401, 0, 403, ID_UV_DISPLAY_FULL_MENUS}));
}

TEST_F(CoolMenuTest, InTheXPLookASeparatorBetweenShownHiddenItemsTakesNoHeight)
{
    ReplaceMenu({{MF_STRING, 401, L"One"},
                 {MF_STRING, 402, L"Rare"},
                 {MF_SEPARATOR, 0, nullptr},
                 {MF_STRING, 404, L"Rarer"},
                 {MF_SEPARATOR, 0, nullptr},
                 {MF_STRING, 403, L"Two"}});
    HideWithNoneRecent({402, 404});
    GetUVMenuState().expandRequested = TRUE;
    Cool().ConvertMenu(m_menu, TRUE);
    Cool().HideInfrequentItems(m_menu);
    const auto height = [&](int position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        GetMenuItemInfoW(m_menu, position, TRUE, &info);
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.itemData = info.dwItemData;
        EXPECT_TRUE(Cool().MeasureItem(&measure));
        return measure.itemHeight;
    };
    struct Case {
        const char* name;
        BOOL xp;
        BOOL expanded;
        int position;
        UINT height;
    } cases[] = {
        {"XP, between two shown-hidden items", TRUE, TRUE, 2, 0},
        {"XP, after a shown-hidden item only", TRUE, TRUE, 4, 3},
        {"XP, collapsed", TRUE, FALSE, 2, 3},
        {"classic, between two shown-hidden items", FALSE, TRUE, 2, 3},
    };
    for (const Case& c : cases) {
        const XPLook look(c.xp);
        GetUVMenuState().expandRequested = c.expanded;
        EXPECT_EQ(height(c.position), c.height) << c.name;
    }
}

TEST_F(CoolMenuTest, ForeignOwnerDrawnItemsStayUntouched)
{
    // Data that is a small integer, and data that points at the marker's letters.
    static const DWORD lookalike[2] = {CUVMenuItemRecord::kMarker, 0};
    ReplaceMenu({{MF_OWNERDRAW, 501, reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(7))},
                 {MF_OWNERDRAW, 502, reinterpret_cast<const wchar_t*>(lookalike)},
                 {MF_STRING, 503, L"&Ours"}});
    auto dataOf = [&](int position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA | MIIM_FTYPE;
        GetMenuItemInfoW(m_menu, position, TRUE, &info);
        return std::pair{info.dwItemData, info.fType};
    };
    ULONG_PTR oursWhileOpen = 0;
    Track({[](HWND) {}, [&](HWND) { oursWhileOpen = dataOf(2).first; }});
    EXPECT_EQ(dataOf(0), (std::pair<ULONG_PTR, UINT>{7, MFT_OWNERDRAW}));
    EXPECT_EQ(dataOf(1), (std::pair<ULONG_PTR, UINT>{reinterpret_cast<ULONG_PTR>(lookalike), MFT_OWNERDRAW}));
    EXPECT_NE(FindUVMenuItemRecord(oursWhileOpen), nullptr) << "the plain item was converted";
    EXPECT_EQ(FindUVMenuItemRecord(7), nullptr);
    EXPECT_EQ(FindUVMenuItemRecord(reinterpret_cast<ULONG_PTR>(lookalike)), nullptr);
}

TEST_F(CoolMenuTest, MenusOutlivingTheCoolMenuGetTheirItemsBack)
{
    HideWithNoneRecent({cmdSaveAs, cmdClose});
    int collapsed = 0;
    Track({[](HWND) {}, [&](HWND) { collapsed = GetMenuItemCount(m_menu); }}, true);
    ASSERT_EQ(collapsed, 6);
    const CUVPopupMenu personalising;  // menus stay personalised while the cool menu goes
    m_driver.reset();                  // the frame and its cool menu go; the menu stays
    ASSERT_EQ(GetMenuItemCount(m_menu), 7);
    const wchar_t* texts[] = {L"&New\tCtrl+N", L"&Open", nullptr, L"&Save", L"Save &As", L"&Close", L"&Print"};
    for (int i = 0; i < 7; ++i) {
        MENUITEMINFOW info{};
        wchar_t text[64] = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STRING | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = 64;
        ASSERT_TRUE(GetMenuItemInfoW(m_menu, i, TRUE, &info)) << i;
        EXPECT_FALSE(info.fType & MFT_OWNERDRAW) << i;
        EXPECT_EQ(info.dwItemData, 0u) << i;
        if (texts[i]) {
            EXPECT_STREQ(text, texts[i]) << i;
        }
    }
    EXPECT_TRUE(GetMenuState(m_menu, cmdSave, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(m_menu, cmdSaveAs, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(CoolMenuTest, RecordsOfContextMenusDoNotPileUp)
{
    for (int i = 0; i < 5; ++i) {
        DestroyMenu(m_menu);
        m_menu = MakeFileMenu();
        Track({[](HWND) {}});
    }
    EXPECT_LE(Cool().Records().size(), 8u) << "only the last menu's records are left";
    Cool().ConvertMenu(m_menu, FALSE);
    EXPECT_TRUE(Cool().Records().empty()) << "converting back frees the records";
}

TEST_F(CoolMenuTest, OtherTimersOfTheFrameLeaveTheChevronTimerRunning)
{
    ASSERT_TRUE(SetTimer(Frame(), CUVCoolMenu::kChevronTimer, 5000, nullptr));
    SendMessageW(Frame(), WM_TIMER, 100, 0);
    EXPECT_EQ(m_driver->frame->timers, (std::vector<UINT_PTR>{100})) << "every timer goes on to the frame";
    EXPECT_TRUE(KillTimer(Frame(), CUVCoolMenu::kChevronTimer)) << "the chevron timer was killed by timer 100";
}

TEST_F(CoolMenuTest, RestingOnTheChevronExpandsTheMenuBarsDropDown)
{
    HideWithNoneRecent({cmdSaveAs});
    UVMenuState& state = GetUVMenuState();
    state.menuBarNotTracking = FALSE;  // as while the menu bar tracks its drop-down
    SetForegroundWindow(Frame());
    int expandedCount = 0;
    std::vector<MenuStep> steps{[](HWND) {}, [&](HWND) { PostKey(Frame(), VK_UP); }};
    for (int i = 0; i < 20; ++i)
        steps.push_back([](HWND) {});
    steps.push_back([&](HWND) { expandedCount = GetMenuItemCount(m_menu); });
    Track(steps, true);
    state.menuBarNotTracking = TRUE;
    EXPECT_EQ(expandedCount, 7) << "the chevron's 750 ms timer chose it";
}

}  // namespace
