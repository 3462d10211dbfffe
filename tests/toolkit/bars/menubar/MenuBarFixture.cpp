#include "MenuBarFixture.h"

#include "classlib/ui/AfxIds.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/look/GlobalData.h"

CWnd* g_idleFrame = nullptr;

// Pumps as the application's loop does, idle updates of the frame's bars included.
bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    const DWORD until = GetTickCount() + ms;
    while (!done()) {
        if (GetTickCount() > until)
            return false;
        PumpInput(10);
        if (g_idleFrame && g_idleFrame->m_hWnd)
            g_idleFrame->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
    }
    return true;
}

namespace {

std::vector<std::function<void()>> g_steps;
size_t g_next = 0;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (g_next >= g_steps.size()) {
        KillTimer(nullptr, id);
        return;
    }
    const size_t step = g_next++;
    g_steps[step]();
}

}  // namespace

bool RunSteps(std::vector<std::function<void()>> steps, DWORD ms)
{
    g_steps = std::move(steps);
    g_next = 0;
    SetTimer(nullptr, 0, ms, &StepTimer);
    const bool ran = PumpUntil([] { return g_next >= g_steps.size(); }, 30000);
    PumpInput(100);
    return ran;
}

void PressKey(WORD key)
{
    KeyInput(key, false);
    KeyInput(key, true);
}

namespace {

BOOL CALLBACK CollectPopup(HWND hwnd, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (lstrcmpW(name, L"#32768") == 0 && IsWindowVisible(hwnd))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> Popups()
{
    std::vector<HWND> popups;
    EnumWindows(&CollectPopup, reinterpret_cast<LPARAM>(&popups));
    return popups;
}

}  // namespace

HWND OpenPopup()
{
    const std::vector<HWND> popups = Popups();
    return popups.empty() ? nullptr : popups.front();
}

int OpenPopupCount()
{
    return static_cast<int>(Popups().size());
}

COLORREF ScreenPixel(POINT at)
{
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

void MenuBarTest::SetUp()
{
    MouseTo(POINT{5, 1000});
    frame = new CMenuBarFrame;
    ASSERT_TRUE(frame->LoadFrame(kFrameMenu, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN));
    frame->MoveWindow(100, 100, 700, 500);
    EnableUVDocking(frame, CBRS_ALIGN_ANY, 0);
    ASSERT_TRUE(bar.Create(frame));
    bar.EnableDocking(CBRS_ALIGN_ANY);
    frame->DockControlBar(&bar);
    ASSERT_TRUE(bar.LoadMenuBar(kFrameMenu));
    ::SetMenu(*frame, nullptr);
    g_idleFrame = frame;
    frame->ShowWindow(SW_SHOW);
    SetForegroundWindow(*frame);
    frame->SetFocus();
    frame->RecalcLayout();
    PumpInput(50);
}

void MenuBarTest::TearDown()
{
    EndMenu();
    MouseTo(POINT{5, 1000});
    uvAfxData.m_bXPLook = FALSE;
    g_idleFrame = nullptr;
    bar.DestroyWindow();
    frame->DestroyWindow();
    PumpInput(20);
}

int MenuBarTest::EntryItem(int position) const
{
    for (size_t i = 0; i < bar.m_items.size(); ++i) {
        const auto* entry = dynamic_cast<const CUVMenuBarEntry*>(bar.m_items[i].get());
        if (entry && entry->m_nPosition == position)
            return static_cast<int>(i);
    }
    return -1;
}

RECT MenuBarTest::ItemScreenRect(int index) const
{
    RECT rect = bar.m_items[static_cast<size_t>(index)]->GetRect(bar.IsHorizontal());
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

POINT MenuBarTest::ItemCentre(int index) const
{
    const RECT rect = ItemScreenRect(index);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

CMenuBarChild* MenuBarTest::NewChild(DWORD style)
{
    auto* child = new CMenuBarChild;
    EXPECT_TRUE(child->LoadFrame(kChildType, WS_CHILD | WS_VISIBLE | style, frame));
    PumpInput(20);
    return child;
}
