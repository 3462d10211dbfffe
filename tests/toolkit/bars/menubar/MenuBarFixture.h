// A toolkit MDI frame with the menu bar in place of its Windows menu (menu 500 of MenuBarTest.rc), the
// keys and the mouse of the display (SendInput), and steps run from a thread timer so that they
// also run inside the menu loop of an open popup.
#pragma once

#include "tests/classlib/ui/BarInput.h"
#include "toolkit/bars/frames/MDIChildWnd.h"
#include "toolkit/bars/frames/MDIFrameWnd.h"
#include "toolkit/bars/menubar/MenuBar.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

inline constexpr UINT kFrameMenu = 500;
inline constexpr UINT kChildType = 501;
inline constexpr UINT kChildCommand = 5001;
inline constexpr UINT kFrameCommand = 5010;

// Keeps every command and system command it gets; the toolkit frame lets the menu bar (the
// fixture's, found by its id) see its keys first.
class CMenuBarFrame : public CUVMDIFrameWnd {
public:
    // The test commands have no handlers: their menu items stay enabled.
    CMenuBarFrame() { m_bAutoMenuEnable = FALSE; }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back(LOWORD(wParam));
        return CUVMDIFrameWnd::OnCommand(wParam, lParam);
    }
    std::vector<UINT> commands;
};

class CMenuBarChild : public CUVMDIChildWnd {
public:
    CMenuBarChild() { m_bAutoMenuEnable = FALSE; }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back(LOWORD(wParam));
        return CUVMDIChildWnd::OnCommand(wParam, lParam);
    }
    std::vector<UINT> commands;
};

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);
// Runs the steps one every `ms` from a thread timer (inside any menu loop that opens meanwhile)
// and pumps until all ran; the last step should leave no menu open.
bool RunSteps(std::vector<std::function<void()>> steps, DWORD ms = 200);
void PressKey(WORD key);
// The newest visible popup-menu window, or null.
HWND OpenPopup();
int OpenPopupCount();
COLORREF ScreenPixel(POINT at);

class MenuBarTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The item of the entry at menu position `position`.
    int EntryItem(int position) const;
    // The screen rectangle of item `index`.
    RECT ItemScreenRect(int index) const;
    POINT ItemCentre(int index) const;
    CMenuBarChild* NewChild(DWORD style = WS_OVERLAPPEDWINDOW);

    CMenuBarFrame* frame = nullptr;
    CUVMenuBar bar;
};
