// CUVFrameHelper: what every toolkit frame kind shares. It holds the frame's cool menu and menu
// bar, installs the cool menus, finds the menu the frame shows, hides commands, refreshes the
// toolkit's look when the system's colours or settings change, lets the menu bar see keys first
// and keeps the bar layout (FrameBarState.h). The frames only forward to it. It goes with its
// frame: the objects the customise session queued for deletion go first, then the menu bar and
// the cool menu.
#pragma once

#include "toolkit/bars/menubar/MenuBar.h"
#include "toolkit/bars/menus/CoolMenu.h"

#include <windows.h>

class CFrameWnd;

// The control bar with the menu bar's id that is a toolkit menu bar, or null.
CUVMenuBar* UVFindMenuBar(const CFrameWnd* frame);

class CUVFrameHelper {
public:
    explicit CUVFrameHelper(CFrameWnd* frame) : m_pFrame(frame) {}
    ~CUVFrameHelper();
    CUVFrameHelper(const CUVFrameHelper&) = delete;
    CUVFrameHelper& operator=(const CUVFrameHelper&) = delete;

    // Cool menus on, the frame hooked by the cool menu and the images of toolbar `toolbarId`.
    BOOL InstallCoolMenus(UINT toolbarId);
    // The frame's own window menu; else the menu of its menu bar (an MDI child without one: its
    // MDI frame's) while that bar's window exists; else null.
    HMENU GetFrameMenu();
    // Hidden on the menu bar and, with cool menus on, in the cool menu; the menu bar's answer.
    BOOL HideCommand(UINT id);
    BOOL HideCommands(const UINT* ids, int count);
    // A window class with no class style, cursor or brush and the application's icon `iconId`
    // goes into `cs` (after the frame's own PreCreateWindow ran).
    static BOOL UseClassWithIcon(CREATESTRUCTW& cs, UINT iconId);
    // The toolkit's colours and metrics follow the system's.
    static void RefreshLook();
    // TRUE when the menu bar took `msg`.
    BOOL TranslateMessage(MSG* msg);

    // The frame's menu bar: the one this helper holds, or one the frame keeps itself.
    CUVMenuBar* MenuBar();

    CUVCoolMenu m_coolMenu;
    CUVMenuBar m_menuBar;

private:
    CFrameWnd* m_pFrame;
};
