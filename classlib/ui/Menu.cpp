#include "classlib/ui/Menu.h"

#include "classlib/core/WinApp.h"

#include <memory>
#include <unordered_map>

namespace {

// Temporary wrappers per UI thread, freed at idle time; handles are looked up, never owned.
thread_local std::unordered_map<HMENU, std::unique_ptr<CMenu>> t_tempMenus;

}  // namespace

CMenu::~CMenu()
{
    if (m_owned)
        DestroyMenu();
}

BOOL CMenu::LoadMenu(UINT resourceId)
{
    if (m_owned)
        DestroyMenu();
    m_hMenu = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(resourceId));
    m_owned = m_hMenu != nullptr;
    return m_owned;
}

BOOL CMenu::CreatePopupMenu()
{
    if (m_owned)
        DestroyMenu();
    m_hMenu = ::CreatePopupMenu();
    m_owned = m_hMenu != nullptr;
    return m_owned;
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    const BOOL ok = ::DestroyMenu(Detach());
    return ok;
}

BOOL CMenu::Attach(HMENU menu)
{
    if (m_owned)
        DestroyMenu();
    m_hMenu = menu;
    m_owned = false;
    return menu != nullptr;
}

HMENU CMenu::Detach()
{
    HMENU menu = m_hMenu;
    m_hMenu = nullptr;
    m_owned = false;
    return menu;
}

CMenu* CMenu::FromHandle(HMENU menu)
{
    if (!menu)
        return nullptr;
    auto& slot = t_tempMenus[menu];
    if (!slot) {
        slot = std::make_unique<CMenu>();
        slot->Attach(menu);
    }
    return slot.get();
}

CMenu* CMenu::GetSubMenu(int position) const
{
    return FromHandle(::GetSubMenu(m_hMenu, position));
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const
{
    const int length = ::GetMenuStringW(m_hMenu, item, nullptr, 0, flags);
    if (length <= 0) {
        text.Empty();
        return 0;
    }
    wchar_t* buffer = text.GetBuffer(length + 1);
    const int copied = ::GetMenuStringW(m_hMenu, item, buffer, length + 1, flags);
    text.ReleaseBuffer(copied);
    return copied;
}

void AfxDeleteTempMenus()
{
    t_tempMenus.clear();
}
