// CMenu: a menu handle with the framework's operations. A CMenu made by LoadMenu or
// CreatePopupMenu owns its handle and destroys it; one made by Attach or FromHandle does not
// (Detach gives the handle up).
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    ~CMenu();

    BOOL LoadMenu(UINT resourceId);
    BOOL CreatePopupMenu();
    BOOL DestroyMenu();
    BOOL Attach(HMENU menu);  // not owned
    HMENU Detach();

    // A wrapper for `menu` that lives until the next idle time (the framework's temporary object).
    static CMenu* FromHandle(HMENU menu);

    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    // The item's command id; 0 for a separator, (UINT)-1 for an item that opens a popup.
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
    UINT GetMenuState(UINT item, UINT flags) const { return ::GetMenuState(m_hMenu, item, flags); }
    CMenu* GetSubMenu(int position) const;
    int GetMenuString(UINT item, CString& text, UINT flags) const;
    UINT EnableMenuItem(UINT item, UINT flags) { return ::EnableMenuItem(m_hMenu, item, flags); }
    DWORD CheckMenuItem(UINT item, UINT flags) { return ::CheckMenuItem(m_hMenu, item, flags); }
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR newId, const wchar_t* text)
    {
        return ::ModifyMenuW(m_hMenu, position, flags, newId, text);
    }
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR newId, const wchar_t* text)
    {
        return ::InsertMenuW(m_hMenu, position, flags, newId, text);
    }
    BOOL AppendMenu(UINT flags, UINT_PTR newId, const wchar_t* text)
    {
        return ::AppendMenuW(m_hMenu, flags, newId, text);
    }
    BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
    BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
    BOOL GetMenuItemInfo(UINT item, MENUITEMINFOW* info, BOOL byPosition = FALSE) const
    {
        return ::GetMenuItemInfoW(m_hMenu, item, byPosition, info);
    }
    BOOL SetMenuItemInfo(UINT item, const MENUITEMINFOW* info, BOOL byPosition = FALSE)
    {
        return ::SetMenuItemInfoW(m_hMenu, item, byPosition, info);
    }
    BOOL InsertMenuItem(UINT item, const MENUITEMINFOW* info, BOOL byPosition = FALSE)
    {
        return ::InsertMenuItemW(m_hMenu, item, byPosition, info);
    }
    // Shows the popup and tracks it; with TPM_RETURNCMD the chosen command (0 for none).
    BOOL TrackPopupMenuEx(UINT flags, int x, int y, HWND owner, TPMPARAMS* params)
    {
        return ::TrackPopupMenuEx(m_hMenu, flags, x, y, owner, params);
    }

    HMENU m_hMenu = nullptr;

private:
    bool m_owned = false;
};

// Frees the temporary CMenu objects made by FromHandle (run at idle time).
void AfxDeleteTempMenus();
