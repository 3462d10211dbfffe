// CCmdUI: the state of one command on its way through the update handlers. The frame fills one
// per menu item when a popup opens; a bar fills one per button at idle time (through a derived
// class that overrides the four operations for its own items).
#pragma once

#include <windows.h>

class CCmdTarget;
class CMenu;
class CWnd;

class CCmdUI {
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL on = TRUE);
    virtual void SetCheck(int check = 1);  // 0 unchecked, 1 checked
    virtual void SetRadio(BOOL on = TRUE);
    virtual void SetText(const wchar_t* text);

    // Asks the update handler of m_nID through `target`'s routing; when none changed the enabled
    // state and `disableIfNoHandler` is set, enables the item exactly when a command handler
    // exists. TRUE when an update handler ran.
    BOOL DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);
    // Called by an update handler that wants the next target's handler to decide as well.
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    CMenu* m_pMenu = nullptr;     // the popup holding the item, for menu updates
    CMenu* m_pSubMenu = nullptr;  // the item's own popup when it opens one
    CMenu* m_pParentMenu = nullptr;
    CWnd* m_pOther = nullptr;  // the window of a control or bar item
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
    UINT m_nIndexMax = 0;
};
