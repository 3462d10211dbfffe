#include "classlib/ui/CmdUI.h"

#include "classlib/ui/CmdTarget.h"
#include "classlib/ui/Menu.h"
#include "classlib/ui/Wnd.h"

void CCmdUI::Enable(BOOL on)
{
    if (m_pMenu) {
        if (m_pSubMenu)
            return;  // a popup item is enabled together with its own items
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther) {
        m_pOther->EnableWindow(on);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int check)
{
    if (m_pMenu) {
        if (m_pSubMenu)
            return;
        m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_pOther && (m_pOther->SendMessage(WM_GETDLGCODE) & DLGC_BUTTON)) {
        m_pOther->SendMessage(BM_SETCHECK, check);
    }
}

void CCmdUI::SetRadio(BOOL on)
{
    if (m_pMenu && !m_pSubMenu) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        if (GetMenuItemInfoW(m_pMenu->m_hMenu, m_nIndex, TRUE, &info)) {
            info.fType = on ? (info.fType | MFT_RADIOCHECK) : (info.fType & ~MFT_RADIOCHECK);
            info.fState = on ? (info.fState | MFS_CHECKED) : (info.fState & ~MFS_CHECKED);
            SetMenuItemInfoW(m_pMenu->m_hMenu, m_nIndex, TRUE, &info);
        }
        return;
    }
    SetCheck(on ? 1 : 0);
}

void CCmdUI::SetText(const wchar_t* text)
{
    if (m_pMenu) {
        if (m_pSubMenu)
            return;
        const UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
        m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING | (state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)),
                            m_nID, text);
    } else if (m_pOther) {
        m_pOther->SetWindowText(text);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler)
{
    if (m_nID == 0 || LOWORD(m_nID) == 0xFFFF)
        return TRUE;
    m_bEnableChanged = FALSE;
    const BOOL result = target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
    if (disableIfNoHandler && !m_bEnableChanged) {
        AFX_CMDHANDLERINFO info{nullptr};
        Enable(target->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
    }
    return result;
}
