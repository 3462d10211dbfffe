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

    HMENU m_hMenu = nullptr;

private:
    bool m_owned = false;
};

// Frees the temporary CMenu objects made by FromHandle (run at idle time).
void AfxDeleteTempMenus();
