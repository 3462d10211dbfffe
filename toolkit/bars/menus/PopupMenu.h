// CUVPopupMenu: the toolkit's popup menu with its own tracking loop, used by the menu bar, the
// toolbars' drop-down buttons and the toolkit's context menus. While one exists, cool menus are
// personalised. Choosing "Display full menus" expands the menu and tracks it again at the same
// place. UI thread only.
#pragma once

#include "classlib/ui/Menu.h"

#include <memory>
#include <vector>

class CUVPopupMenu : public CMenu {
public:
    CUVPopupMenu();
    ~CUVPopupMenu();

    // The popup at `position` as a toolkit popup menu that lives as long as this one; NULL when
    // the item opens none.
    CUVPopupMenu* GetSubMenu(int position);

    // Tracks the menu at (x, y) for `owner`, away from `exclude` (screen; NULL for none). The
    // chosen command, or 0 for none; with `send`, the command also goes to the owner as
    // WM_COMMAND.
    UINT TrackPopupMenuEx(UINT flags, int x, int y, HWND owner, const RECT* exclude, BOOL send);

private:
    std::vector<std::unique_ptr<CUVPopupMenu>> m_subMenus;
};
