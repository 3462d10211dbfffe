// CUVFrameImpl<Base>: the operations every toolkit frame kind adds to its class-library frame
// (CFrameWnd, CMDIFrameWnd, CMDIChildWnd), each forwarded to the frame's CUVFrameHelper: toolkit
// dock bars and floating frames, the bar layout kept between runs, cool menus, the frame's menu,
// hidden commands, the icon-bearing window class and the user tools' commands. The menu bar sees the frame's keys
// before the class library translates them; "Display full menus" is always enabled; a change of the system's colours or
// settings refreshes the toolkit's look after the frame handled it.
#pragma once

#include "classlib/ui/AfxIds.h"
#include "classlib/ui/CmdUI.h"
#include "toolkit/bars/frames/FrameBarState.h"
#include "toolkit/bars/frames/FrameHelper.h"
#include "toolkit/bars/frames/UserToolLaunch.h"
#include "toolkit/bars/menus/MenuState.h"

class CControlBar;
class CMiniDockFrameWnd;

// Shared by every instantiation, so that the template holds only the forwarding.
void UVEnableDockingEx(CFrameWnd* frame, DWORD dockStyle, DWORD dockBarFlags);
void UVDockControlBarLeftOf(CFrameWnd* frame, CControlBar* bar, CControlBar* other);
CMiniDockFrameWnd* UVCreateFloatingFrame(CFrameWnd* frame, DWORD style);

template <class Base>
class CUVFrameImpl : public Base {
public:
    // Toolkit dock bars on the sides of `dockStyle` that have none yet.
    void EnableDocking(DWORD dockStyle) { UVEnableDockingEx(this, dockStyle, 0); }
    // The same, and every dock bar takes `dockBarFlags` (UVDB_*).
    void EnableDockingEx(DWORD dockStyle, DWORD dockBarFlags) { UVEnableDockingEx(this, dockStyle, dockBarFlags); }
    BOOL InstallCoolMenus(UINT toolbarId) { return m_helper.InstallCoolMenus(toolbarId); }
    CUVMenuBar& GetMenuBar() { return m_helper.m_menuBar; }
    CUVCoolMenu& GetCoolMenu() { return m_helper.m_coolMenu; }

    virtual void LoadBarState(const wchar_t* profileName) { UVLoadBarState(this, profileName); }
    virtual void SaveBarState(const wchar_t* profileName) { UVSaveBarState(this, profileName); }
    // Docks `bar` just right of (or below) `other`, in its row, on the dock bar of `other`'s side.
    virtual void DockControlBarLeftOf(CControlBar* bar, CControlBar* other)
    {
        UVDockControlBarLeftOf(this, bar, other);
    }
    virtual HMENU GetFrameMenu() { return m_helper.GetFrameMenu(); }
    virtual BOOL HideCommand(UINT id) { return m_helper.HideCommand(id); }
    virtual BOOL HideCommands(const UINT* ids, int count) { return m_helper.HideCommands(ids, count); }
    virtual BOOL PreCreateWindowWithIcon(CREATESTRUCTW& cs, UINT iconId)
    {
        return Base::PreCreateWindow(cs) && CUVFrameHelper::UseClassWithIcon(cs, iconId);
    }

    CMiniDockFrameWnd* CreateFloatingFrame(DWORD style) override { return UVCreateFloatingFrame(this, style); }
    BOOL PreTranslateMessage(MSG* msg) override
    {
        return m_helper.TranslateMessage(msg) || Base::PreTranslateMessage(msg);
    }
    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override
    {
        if (id == ID_UV_DISPLAY_FULL_MENUS && code == CN_UPDATE_COMMAND_UI && extra) {
            static_cast<CCmdUI*>(extra)->Enable(TRUE);
            return TRUE;
        }
        // A user tool's command is always handled; its update goes on to later handlers.
        if (id >= ID_UV_USER_TOOL_FIRST && id <= ID_UV_USER_TOOL_LAST && code == CN_COMMAND) {
            if (info)
                info->pTarget = this;
            else
                UVLaunchUserTool(this->m_hWnd, id);
            return TRUE;
        }
        return Base::OnCmdMsg(id, code, extra, info);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const LRESULT result = Base::WindowProc(message, wParam, lParam);
        if (message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE)
            CUVFrameHelper::RefreshLook();
        return result;
    }

protected:
    CUVFrameHelper m_helper{this};
};
