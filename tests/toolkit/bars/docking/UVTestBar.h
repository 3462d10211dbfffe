// A toolkit bar of fixed size for the docking tests: `length` along its side and `thickness`
// across (borders and gripper included), its borders and gripper in the non-client area, and two
// tools (ids kToolFirst and kToolSecond) side by side in the client area for tooltips and
// fly-by texts. The drag tests grab it by its gripper.
#pragma once

#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/docking/DockingWindowOps.h"

#include <vector>

inline constexpr UINT kToolFirst = 1201;
inline constexpr UINT kToolSecond = 1202;
inline constexpr int kToolWidth = 24;

class CUVTestBar : public CUVControlBar {
public:
    CUVTestBar(int length = 120, int thickness = 28) : m_length(length), m_thickness(thickness) {}

    SIZE CalcFixedLayout(BOOL, BOOL horz) override
    {
        return horz ? SIZE{m_length, m_thickness} : SIZE{m_thickness, m_length};
    }
    SIZE CalcDynamicLayout(int, DWORD mode) override { return CalcFixedLayout(FALSE, (mode & LM_HORZ) != 0); }
    void OnUpdateCmdUI(CFrameWnd*, BOOL) override {}

    INT_PTR OnToolHitTest(POINT point, TOOLINFOW* info) const override
    {
        if (point.y < 0 || point.x < 0 || point.x >= 2 * kToolWidth)
            return -1;
        const int index = point.x / kToolWidth;
        const INT_PTR id = index == 0 ? kToolFirst : kToolSecond;
        if (info) {
            info->hwnd = m_hWnd;
            info->uId = static_cast<UINT_PTR>(id);
            info->rect = RECT{index * kToolWidth, 0, (index + 1) * kToolWidth, 200};
            info->lpszText = LPSTR_TEXTCALLBACKW;
        }
        return id;
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_NCCALCSIZE: {
            ++frameChanges;
            auto* rect = reinterpret_cast<RECT*>(lParam);
            CalcInsideRect(*rect, (m_dwStyle & CBRS_ORIENT_HORZ) != 0);
            return 0;
        }
        case WM_NCHITTEST:
            // Gripper and borders act like the client area: a press there drags the bar.
            return HTCLIENT;
        default:
            return CUVControlBar::WindowProc(message, wParam, lParam);
        }
    }

    int frameChanges = 0;

private:
    int m_length;
    int m_thickness;
};

// A stand-in for the toolkit's docking window: a test bar that the dock bar lays out by its
// docked size and shares rows with.
class CUVTestDockWindow : public CUVTestBar, public IUVDockingWindow {
public:
    CUVTestDockWindow(SIZE docked, int gripper = 20)
        : CUVTestBar(docked.cx, docked.cy), m_docked(docked), m_stored(docked), m_gripper(gripper)
    {}

    SIZE GetDockedSize() const override { return m_docked; }
    void SetDockedSize(SIZE size) override
    {
        m_stored = size;
        Show(size);
    }
    int GetGripperSize() const override { return m_gripper; }
    void SetOnlyInRow(BOOL only) override { onlyInRow = only; }
    BOOL IsExpanded() const override { return m_expanded; }
    void ShowExpanded(int length) override
    {
        m_expanded = TRUE;
        Show(Horizontal() ? SIZE{length, m_docked.cy} : SIZE{m_docked.cx, length});
    }
    int CollapseToGripper() override
    {
        const int given = (Horizontal() ? m_docked.cx : m_docked.cy) - m_gripper;
        Show(Horizontal() ? SIZE{m_gripper, m_docked.cy} : SIZE{m_docked.cx, m_gripper});
        return given;
    }
    void RestoreDockedSize() override
    {
        m_expanded = FALSE;
        Show(m_stored);
    }

    BOOL onlyInRow = FALSE;

private:
    bool Horizontal() const { return (m_dwStyle & CBRS_ORIENT_HORZ) != 0; }
    // Like a docking window, it resizes at once only when its size changes, and leaves the erasing
    // to the dock bar's layout that places it next.
    void Show(SIZE size)
    {
        m_docked = size;
        RECT now{};
        if (m_hWnd)
            ::GetWindowRect(m_hWnd, &now);
        if (m_hWnd && (now.right - now.left != size.cx || now.bottom - now.top != size.cy))
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_DEFERERASE);
    }

    SIZE m_docked;  // shown now
    SIZE m_stored;  // set by the dock bar and the user
    int m_gripper;
    BOOL m_expanded = FALSE;
};
