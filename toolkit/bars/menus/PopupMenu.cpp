#include "toolkit/bars/menus/PopupMenu.h"

#include "toolkit/bars/menus/MenuState.h"

CUVPopupMenu::CUVPopupMenu()
{
    GetUVMenuState().toolkitPopupAlive = TRUE;
}

CUVPopupMenu::~CUVPopupMenu()
{
    GetUVMenuState().toolkitPopupAlive = FALSE;
}

CUVPopupMenu* CUVPopupMenu::GetSubMenu(int position)
{
    HMENU popup = ::GetSubMenu(m_hMenu, position);
    if (!popup)
        return nullptr;
    for (const auto& known : m_subMenus) {
        if (known->m_hMenu == popup)
            return known.get();
    }
    auto menu = std::make_unique<CUVPopupMenu>();
    menu->Attach(popup);
    m_subMenus.push_back(std::move(menu));
    return m_subMenus.back().get();
}

UINT CUVPopupMenu::TrackPopupMenuEx(UINT flags, int x, int y, HWND owner, const RECT* exclude, BOOL send)
{
    TPMPARAMS params{};
    params.cbSize = sizeof(params);
    if (exclude)
        params.rcExclude = *exclude;
    for (;;) {
        // Windows uncovered by whatever opened the menu repaint before the menu loop starts.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageW(&msg);
        const UINT command = static_cast<UINT>(
            ::TrackPopupMenuEx(m_hMenu, flags | TPM_RETURNCMD, x, y, owner, exclude ? &params : nullptr));
        if (command == ID_UV_DISPLAY_FULL_MENUS) {
            SendMessageW(owner, WM_COMMAND, ID_UV_DISPLAY_FULL_MENUS, 0);
            continue;
        }
        if (send && command)
            SendMessageW(owner, WM_COMMAND, command, 0);
        return command;
    }
}
