// What the program's views and the Customize dialog ask of a toolbar, in a frame that is never
// shown: its buttons with the enabled bit handed out as a disabled bit, docking with an added bar
// style, buttons inserted from the dialog's command descriptors, the colour popup's messages and
// open flag, and a refused state that leaves every part of the bar as it was.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/classlib/ui/BarInput.h"
#include "classlib/ui/Gdi.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/menus/PopupMenu.h"
#include "toolkit/controls/customize/CommandDescriptor.h"
#include "toolkit/controls/customize/CustomizeSession.h"
#include "toolkit/controls/customize/ToolbarEntry.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolBarOperations, GetButtonHandsOutTheEnabledBitAsADisabledBit)
{
    OffscreenToolBarFrame t;
    struct Case {
        BYTE state;
        BYTE expected;
    } cases[] = {{TBSTATE_ENABLED, 0},
                 {0, TBSTATE_ENABLED},
                 {TBSTATE_ENABLED | TBSTATE_CHECKED, TBSTATE_CHECKED},
                 {TBSTATE_CHECKED, TBSTATE_CHECKED | TBSTATE_ENABLED}};
    for (const Case& c : cases) {
        t.bar->SetButtonState(2, c.state);
        TBBUTTON button{};
        ASSERT_TRUE(t.bar->GetButton(2, &button));
        EXPECT_EQ(button.idCommand, 102);
        EXPECT_EQ(button.fsState, c.expected) << "state " << int(c.state);
        EXPECT_EQ(t.bar->GetButtonStyle(2) >> 16, c.expected) << "state " << int(c.state);
    }
    TBBUTTON past{};
    EXPECT_FALSE(t.bar->GetButton(5, &past));
}

TEST(ToolBarOperations, DockingWithAStyleAddsItAndDocks)
{
    OffscreenToolBarFrame t;
    t.bar->EnableDockingWithStyle(CBRS_ALIGN_ANY, CBRS_SIZE_DYNAMIC);
    EXPECT_TRUE(t.bar->GetBarStyle() & CBRS_SIZE_DYNAMIC);
    EXPECT_TRUE(t.bar->GetBarStyle() & CBRS_GRIPPER) << "the bar's own style stays";
    t.frame->DockControlBar(t.bar.get(), AFX_IDW_DOCKBAR_TOP);
    EXPECT_TRUE(t.bar->m_pDockContext != nullptr);
    EXPECT_FALSE(t.bar->IsFloating());
}

TEST(ToolBarOperations, CustomButtonsTakeTheDescriptorsIconTextAndRecord)
{
    OffscreenToolBarFrame t;
    t.Dock();
    const int images = ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(t.bar->SendMessage(TB_GETIMAGELIST)));
    HICON icon = CreateIcon(nullptr, 16, 16, 1, 32, nullptr, nullptr);
    ASSERT_NE(icon, nullptr);

    CUVCommandDescriptor plain;
    plain.command = 120;
    plain.text = L"Fade\nFade the track out";
    plain.normalIcon = icon;
    ASSERT_TRUE(t.bar->InsertCustomButton(plain, 1));
    TBBUTTON button{};
    t.bar->GetButton(1, &button);
    EXPECT_EQ(button.idCommand, 120);
    EXPECT_EQ(button.iBitmap, images) << "its icon appended to the bar's images";
    EXPECT_EQ(button.fsStyle, 0);
    EXPECT_TRUE(t.bar->GetButtonText(120) == L"Fade") << "the caption before the line break";

    CUVCommandDescriptor popup;
    popup.text = L"Effects";
    CUVToolBarButtonInfo record;
    record.flags = CUVToolBarButtonInfo::isDropDown;
    record.handler = 1;
    record.menuId = 4300;
    popup.record = record;
    struct Case {
        int index;
        int command;
    } cases[] = {{0, 100}, {0, 101}};  // a fresh id past the bar's own, at least 100
    for (const Case& c : cases) {
        ASSERT_TRUE(t.bar->InsertCustomButton(popup, c.index));
        t.bar->GetButton(c.index, &button);
        EXPECT_EQ(button.idCommand, c.command);
        EXPECT_EQ(button.iBitmap, -2) << "no icon: no image";
        EXPECT_EQ(button.fsStyle, BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN);
        const CUVToolBarButtonInfo* info = t.bar->FindButtonInfo(static_cast<UINT>(c.command));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->menuId, 4300u);
    }
    EXPECT_TRUE(t.bar->SendMessage(TB_GETEXTENDEDSTYLE) & TBSTYLE_EX_DRAWDDARROWS);
    EXPECT_EQ(t.bar->GetButtonCount(), 8);
    DestroyIcon(icon);
}

TEST(ToolBarOperations, EveryToolbarReportsItsEntryWhenToolbarsAreListed)
{
    std::vector<CUVToolbarEntry> listed;
    UVToolbarEnumerator collect;
    collect.object = &listed;
    collect.function = [](void* list, const CUVToolbarEntry& entry) {
        static_cast<std::vector<CUVToolbarEntry>*>(list)->push_back(entry);
    };
    auto windowsListed = [&] {
        listed.clear();
        CUVCustomizeSession::GetInstance()
            ->GetList(CUVCustomizeSession::enumerateToolbars)
            .CallAllWithArg(reinterpret_cast<LPARAM>(&collect));
        std::vector<HWND> windows;
        for (const CUVToolbarEntry& entry : listed)
            windows.push_back(entry.window);
        return windows;
    };
    HWND first = nullptr;
    {
        OffscreenToolBarFrame t;
        OffscreenToolBarFrame second(0xE8B3);
        first = t.bar->m_hWnd;
        EXPECT_EQ(windowsListed(), (std::vector<HWND>{t.bar->m_hWnd, second.bar->m_hWnd}));
        ASSERT_EQ(listed.size(), 2u);
        EXPECT_EQ(listed[0].hideable, 1);
        EXPECT_TRUE(listed[0].reset.IsSet());
        second.bar->DestroyWindow();
        EXPECT_EQ(windowsListed(), (std::vector<HWND>{first})) << "a destroyed bar is no longer listed";
    }
    EXPECT_TRUE(windowsListed().empty());
}

// The colour popup's stand-in: any window; the toolbar only remembers that one is open.
CWnd* OpenColourPopup(CUVToolBar* bar, COLORREF, UINT, const RECT&)
{
    return bar;
}

TEST(ToolBarOperations, TheColourPopupsMessagesReachTheOwnerAndItsFlagFollowsIt)
{
    OffscreenToolBarFrame t;
    t.Dock();
    t.bar->SetButtonStyle(3, BTNS_DROPDOWN);
    CUVToolBarButtonInfo info;
    info.command = 103;
    info.flags = CUVToolBarButtonInfo::isDropDown;
    t.bar->SetButtonInfo(info);
    GetUVColorPopupFactory() = &OpenColourPopup;
    t.bar->OnButtonDropDown(3, RECT{0, 0, 10, 10});
    EXPECT_TRUE(uvAfxData.m_bPopupOpen) << "while the popup is open";
    for (UINT message = WM_UV_COLOR_POPUP_FIRST; message <= WM_UV_COLOR_POPUP_LAST; ++message)
        t.bar->SendMessage(message, 7, 103);
    GetUVColorPopupFactory() = nullptr;
    EXPECT_FALSE(uvAfxData.m_bPopupOpen) << "cleared when it closed";
    ASSERT_EQ(t.frame->colourMessages.size(), 2u);
    EXPECT_EQ(t.frame->colourMessages[0].message, WM_UV_COLOR_POPUP_CLOSED);
    EXPECT_EQ(t.frame->colourMessages[1].message, WM_UV_COLOR_CHOSEN);
    EXPECT_EQ(t.frame->forwarded, (std::vector<UINT>{0x89C4, 0x89C5, 0x89C8, 0x89C9}));
}

TEST(ToolBarOperations, ARefusedStateLeavesTheRecordsStylesAndImages)
{
    OffscreenToolBarFrame t(0xE8B0, false);
    auto bar = std::make_unique<CRefusingToolBar>();
    bar->CreateEx(t.frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, RECT{0, 0, 0, 0}, 0xE8B1);
    ASSERT_TRUE(bar->LoadToolBar(320));
    CUVToolBarButtonInfo old;
    old.command = 102;
    old.menuId = 1;
    bar->SetButtonInfo(old);
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(bar->SendMessage(TB_GETIMAGELIST));
    const int imageCount = ImageList_GetImageCount(images);

    UVToolBarState state = bar->CaptureState();
    state.flags |= UVToolBarState::kListStyle;
    CUVToolBarButtonInfo changed;
    changed.command = 102;
    changed.menuId = 2;
    changed.flags = CUVToolBarButtonInfo::isDropDown;
    state.buttons[2].record = changed;
    bar->refuseNext = true;
    EXPECT_FALSE(bar->ApplyState(state));
    EXPECT_FALSE(bar->GetStyle() & TBSTYLE_LIST) << "the list style comes only with the state";
    ASSERT_NE(bar->FindButtonInfo(102), nullptr);
    EXPECT_EQ(bar->FindButtonInfo(102)->menuId, 1u) << "the old record stays";
    EXPECT_FALSE(bar->SendMessage(TB_GETEXTENDEDSTYLE) & TBSTYLE_EX_DRAWDDARROWS);
    EXPECT_EQ(ImageList_GetImageCount(images), imageCount) << "no images left behind";

    EXPECT_TRUE(bar->ApplyState(state));
    EXPECT_TRUE(bar->GetStyle() & TBSTYLE_LIST);
    EXPECT_EQ(bar->FindButtonInfo(102)->menuId, 2u);
    EXPECT_TRUE(bar->SendMessage(TB_GETEXTENDEDSTYLE) & TBSTYLE_EX_DRAWDDARROWS);
}

TEST(ToolBarOperations, ANewSizeGoesToTheParentBeforeTheNextLayout)
{
    OffscreenToolBarFrame t;  // not docked: the frame is the bar's parent
    PumpInput(30);
    t.frame->resized.clear();
    SetWindowPos(t.bar->m_hWnd, nullptr, 0, 0, 200, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    t.bar->PostLayoutRequest();
    PumpInput(50);
    ASSERT_GE(t.frame->resized.size(), 1u);
    EXPECT_EQ(t.frame->resized[0].wParam, reinterpret_cast<WPARAM>(t.bar->m_hWnd));
    EXPECT_EQ(t.frame->resized[0].lParam, MAKELPARAM(200, 30));
    const size_t told = t.frame->resized.size();
    t.bar->PostLayoutRequest();
    PumpInput(50);
    EXPECT_EQ(t.frame->resized.size(), told) << "only when the size changed";
}

COLORREF ImagePixel(HIMAGELIST images, int index)
{
    CDC mem;
    mem.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    bitmap.Attach(CreateBitmap(1, 1, 1, 32, nullptr));
    const CSelectedObject selected(mem, bitmap.m_hObject);
    const RECT pixel{0, 0, 1, 1};
    mem.FillSolidRect(&pixel, RGB(1, 2, 3));
    ImageList_Draw(images, index, mem.m_hDC, 0, 0, ILD_NORMAL);
    return mem.GetPixel(0, 0);
}

TEST(ToolBarOperations, ASystemColourChangeMapsTheBarsStandardColoursAgain)
{
    OffscreenToolBarFrame t(0xE8B2, false);
    ASSERT_TRUE(t.bar->LoadToolBar(330));
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(t.bar->SendMessage(TB_GETIMAGELIST));
    ASSERT_EQ(ImagePixel(images, 1), RGB(128, 128, 128)) << "as the resource has it";
    // The check means something only where the scheme differs from the standard colours.
    ASSERT_NE(GetSysColor(COLOR_BTNSHADOW), RGB(128, 128, 128));
    t.bar->SendMessage(WM_SYSCOLORCHANGE);
    struct Case {
        int image;
        COLORREF expected;
    } cases[] = {{0, GetSysColor(COLOR_BTNTEXT)},
                 {1, GetSysColor(COLOR_BTNSHADOW)},
                 {2, RGB(1, 2, 3)},  // the face colour is the bar's background: transparent
                 {3, GetSysColor(COLOR_BTNHIGHLIGHT)},
                 {4, RGB(200, 30, 30)}};
    for (const Case& c : cases)
        EXPECT_EQ(ImagePixel(images, c.image), c.expected) << "image " << c.image;
}

TEST(ToolBarOperations, APopupMenusSubMenuIsAToolkitPopupMenu)
{
    HMENU root = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 1, L"Inner");
    AppendMenuW(root, MF_STRING, 2, L"Plain");
    AppendMenuW(root, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"More");
    {
        CUVPopupMenu menu;
        menu.Attach(root);
        EXPECT_EQ(menu.GetSubMenu(0), nullptr) << "a plain item opens none";
        CUVPopupMenu* more = menu.GetSubMenu(1);
        ASSERT_NE(more, nullptr);
        EXPECT_EQ(more->m_hMenu, sub);
        EXPECT_EQ(menu.GetSubMenu(1), more) << "the same object each time";
    }
    EXPECT_TRUE(IsMenu(sub)) << "attached, not owned";
    DestroyMenu(root);
}

}  // namespace
