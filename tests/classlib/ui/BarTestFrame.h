// A frame with a pane and bars of fixed sizes, for the bar and docking tests. The frame is a
// 400 x 300 popup (client area = window), never shown: under Xvfb without a window manager each
// shown frame costs a second, and layout does not need it.
#pragma once

#include "classlib/ui/CmdUI.h"
#include "classlib/ui/ControlBar.h"
#include "classlib/ui/FrameWnd.h"

#include <gtest/gtest.h>

constexpr int kFrameWidth = 400;
constexpr int kFrameHeight = 300;

// A bar `length` long along its side and `thickness` across, with one item `itemId` whose state
// the idle update records.
class CTestBar : public CControlBar {
public:
    CTestBar(int length, int thickness, UINT itemId = 0) : m_length(length), m_thickness(thickness), m_itemId(itemId) {}

    SIZE CalcDynamicLayout(int, DWORD mode) override
    {
        return (mode & LM_HORZ) ? SIZE{m_length, m_thickness} : SIZE{m_thickness, m_length};
    }
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override
    {
        struct CItemCmdUI : CCmdUI {
            CTestBar* bar = nullptr;
            void Enable(BOOL on) override
            {
                bar->itemEnabled = on;
                m_bEnableChanged = TRUE;
            }
            void SetCheck(int check) override { bar->itemChecked = check; }
        } state;
        state.bar = this;
        state.m_nID = m_itemId;
        ++updates;
        state.DoUpdate(target, disableIfNoHandler);
    }

    BOOL itemEnabled = TRUE;
    int itemChecked = 0;
    int updates = 0;

private:
    int m_length;
    int m_thickness;
    UINT m_itemId;
};

// Creates `frame` (deleted with its window) with a plain pane; bars are owned by the test.
inline CFrameWnd* CreateBarTestFrame(CFrameWnd* frame)
{
    if (!frame->Create(nullptr, L"bars", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, kFrameWidth, kFrameHeight}, nullptr,
                       nullptr, 0, nullptr))
        return nullptr;
    ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame->m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)), nullptr, nullptr);
    frame->RecalcLayout();
    return frame;
}

// A window's rectangle in the client coordinates of `frame`.
inline RECT RectIn(const CWnd& frame, HWND hwnd)
{
    RECT rect;
    ::GetWindowRect(hwnd, &rect);
    ::MapWindowPoints(nullptr, frame.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline ::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected)
{
    if (EqualRect(&actual, &expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << "," << actual.top << ")-(" << actual.right << ","
                                         << actual.bottom << ") instead of (" << expected.left << "," << expected.top
                                         << ")-(" << expected.right << "," << expected.bottom << ")";
}
