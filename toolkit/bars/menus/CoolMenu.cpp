#include "toolkit/bars/menus/CoolMenu.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Gdi.h"
#include "classlib/ui/ImageList.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/menus/MenuState.h"
#include "toolkit/bars/menus/PopupMenuHook.h"
#include "toolkit/bars/state/ProfileStore.h"

#include <algorithm>
#include <cwctype>

namespace {

constexpr int kTextBuffer = 256;

// The item at `position` with everything the cool menu keeps of it.
struct ItemInfo {
    MENUITEMINFOW info{};
    wchar_t text[kTextBuffer] = {};

    BOOL Read(HMENU menu, int position)
    {
        info = MENUITEMINFOW{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = kTextBuffer;
        text[0] = 0;
        return GetMenuItemInfoW(menu, position, TRUE, &info);
    }
};

}  // namespace

CUVCoolMenu::~CUVCoolMenu()
{
    for (HMENU menu : m_convertedMenus) {
        if (!IsMenu(menu))
            continue;
        RestoreHiddenItems(menu);
        // The chevron is the cool menu's own item: it goes rather than turning into a plain one.
        if (const int chevron = FindItemPos(menu, ID_UV_DISPLAY_FULL_MENUS); chevron >= 0)
            DeleteMenu(menu, chevron, MF_BYPOSITION);
        ConvertMenu(menu, FALSE);
    }
    m_records.clear();
}

BOOL CUVCoolMenu::Install(CFrameWnd* frame)
{
    if (!frame || !frame->GetSafeHwnd())
        return FALSE;
    HookWindowPtr(frame);
    GetUVMenuState().installed = TRUE;
    uvAfxData.m_bCoolMenus = TRUE;
    InstallUVPopupMenuWatch();
    return TRUE;
}

BOOL CUVCoolMenu::LoadToolbarControl(HWND toolbar, BOOL full)
{
    if (!IsWindow(toolbar))
        return FALSE;
    const auto list = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0));
    if (!list)
        return FALSE;
    const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (!SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) || (button.fsStyle & BTNS_SEP) ||
            button.iBitmap < 0)
            continue;
        GetUVCommandImages().AddFromImageList(static_cast<UINT>(button.idCommand), list, button.iBitmap, full,
                                              CUVCommandImages::menuMap);
    }
    return TRUE;
}

BOOL CUVCoolMenu::LoadToolbar(UINT toolbarId, BOOL full)
{
    return GetUVCommandImages().LoadToolbarResource(AfxGetResourceHandle(), toolbarId, full, CUVCommandImages::menuMap);
}

BOOL CUVCoolMenu::LoadToolbars(const UINT* ids, int count, BOOL full)
{
    for (int i = 0; i < count; ++i)
        if (!LoadToolbar(ids[i], full))
            return FALSE;
    return TRUE;
}

BOOL CUVCoolMenu::HideCommand(UINT id)
{
    m_bPersonalizedMenus = TRUE;
    if (std::find(m_hiddenCommands.begin(), m_hiddenCommands.end(), id) == m_hiddenCommands.end())
        m_hiddenCommands.push_back(id);
    return TRUE;
}

BOOL CUVCoolMenu::HideCommands(const UINT* ids, int count)
{
    for (int i = 0; i < count; ++i)
        if (!HideCommand(ids[i]))
            return FALSE;
    return TRUE;
}

BOOL CUVCoolMenu::AddBitmapImages(HBITMAP bitmap, const UINT* ids, int count, BOOL full)
{
    CImageList list;
    if (!bitmap || !list.Create(m_sizeImage.cx, m_sizeImage.cy, ILC_COLOR32 | ILC_MASK, count, 10) ||
        list.Add(bitmap, kImageMaskColor) < 0)
        return FALSE;
    for (int i = 0; i < count && i < list.GetImageCount(); ++i)
        if (ids[i] != 0)
            GetUVCommandImages().AddFromImageList(ids[i], list, i, full, CUVCommandImages::menuMap);
    return TRUE;
}

int CUVCoolMenu::FindItemPos(HMENU menu, UINT id) const
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (GetMenuItemID(menu, i) == id)
            return i;
    return -1;
}

void CUVCoolMenu::SetIconSize(int cx, int cy)
{
    m_sizeImage = SIZE{cx, cy};
}

BOOL CUVCoolMenu::AddIcon(UINT id, HICON icon, int cx, int cy)
{
    const BOOL added = GetUVCommandImages().AddIcon(id, icon, cx, cy, TRUE, CUVCommandImages::menuMap);
    if (icon)
        DestroyIcon(icon);
    return added;
}

CString CUVCoolMenu::RecentSection() const
{
    CString section;
    section.LoadString(uvAfxData.m_hResources, IDS_UV_RECENT_SECTION);
    return section;
}

CString CUVCoolMenu::RecentEntryName(int index) const
{
    CString format;
    format.LoadString(uvAfxData.m_hResources, IDS_UV_RECENT_ENTRY);
    CString name;
    name.Format(format, index);
    return name;
}

BOOL CUVCoolMenu::IsCommandHidden(UINT id) const
{
    return std::find(m_hiddenCommands.begin(), m_hiddenCommands.end(), id) != m_hiddenCommands.end() &&
           !LoadRecentItems(id);
}

BOOL CUVCoolMenu::LoadRecentItems(UINT id) const
{
    const CUVProfileStore store(HKEY_CURRENT_USER);
    const CString section = RecentSection();
    for (int i = 1; i <= m_nMaxRecent; ++i)
        if (static_cast<UINT>(store.GetProfileInt(section, RecentEntryName(i), 0)) == id)
            return TRUE;
    return FALSE;
}

void CUVCoolMenu::SaveRecentItems(UINT id)
{
    const bool candidate = std::find(m_hiddenCommands.begin(), m_hiddenCommands.end(), id) != m_hiddenCommands.end();
    if (!candidate && !LoadRecentItems(id))
        return;
    const CUVProfileStore store(HKEY_CURRENT_USER);
    const CString section = RecentSection();
    std::vector<UINT> recent{id};
    for (int i = 1; i <= m_nMaxRecent; ++i) {
        const UINT stored = static_cast<UINT>(store.GetProfileInt(section, RecentEntryName(i), 0));
        if (stored != 0 && stored != id)
            recent.push_back(stored);
    }
    for (int i = 0; i < m_nMaxRecent && i < static_cast<int>(recent.size()); ++i)
        store.WriteProfileInt(section, RecentEntryName(i + 1), static_cast<int>(recent[i]));
}

void CUVCoolMenu::ClearRecentItems()
{
    const CUVProfileStore store(HKEY_CURRENT_USER);
    const CString section = RecentSection();
    for (int i = 1; store.DeleteValue(section, RecentEntryName(i)); ++i) {
    }
}

BOOL CUVCoolMenu::IsPersonalized() const
{
    const UVMenuState& state = GetUVMenuState();
    return state.toolkitPopupAlive && uvAfxData.m_bPersonalizedMenus == 1;
}

CUVMenuItemRecord* CUVCoolMenu::RecordOf(HMENU menu, int position) const
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info))
        return nullptr;
    CUVMenuItemRecord* record = FindUVMenuItemRecord(info.dwItemData);
    // Another cool menu's record is as foreign as any other item data.
    for (const auto& owned : m_records)
        if (owned.get() == record)
            return record;
    return nullptr;
}

void CUVCoolMenu::DeleteRecord(const CUVMenuItemRecord* record)
{
    m_records.erase(std::remove_if(m_records.begin(), m_records.end(),
                                   [record](const auto& owned) { return owned.get() == record; }),
                    m_records.end());
}

void CUVCoolMenu::DropRecordsOfDeadMenus()
{
    m_records.erase(
        std::remove_if(m_records.begin(), m_records.end(), [](const auto& record) { return !IsMenu(record->menu); }),
        m_records.end());
    m_convertedMenus.erase(
        std::remove_if(m_convertedMenus.begin(), m_convertedMenus.end(), [](HMENU menu) { return !IsMenu(menu); }),
        m_convertedMenus.end());
}

void CUVCoolMenu::ConvertMenu(HMENU menu, BOOL toOwnerDraw)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        ItemInfo item;
        if (!item.Read(menu, i))
            continue;
        CUVMenuItemRecord* record = RecordOf(menu, i);
        if (item.info.dwItemData && !record)
            continue;  // a foreign item: never touched
        MENUITEMINFOW change{};
        change.cbSize = sizeof(change);
        if (toOwnerDraw) {
            if (!record) {
                m_records.push_back(std::make_unique<CUVMenuItemRecord>());
                record = m_records.back().get();
                record->text = item.text;
                record->menu = menu;
                record->submenu = item.info.hSubMenu;
                record->position = i;
                record->id = item.info.wID;
                record->type = item.info.fType;
                record->state = item.info.fState;
                if (m_bPersonalizedMenus && IsPersonalized() && !record->IsSeparator() && IsCommandHidden(record->id))
                    record->flags |= CUVMenuItemRecord::infrequent;
            }
            if (item.info.fType & MFT_OWNERDRAW)
                continue;
            // The text leaves the item, so that mnemonics reach the owner as WM_MENUCHAR.
            change.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
            change.fType = item.info.fType | MFT_OWNERDRAW;
            change.dwItemData = reinterpret_cast<ULONG_PTR>(record);
            change.dwTypeData = nullptr;
            SetMenuItemInfoW(menu, i, TRUE, &change);
            if (std::find(m_convertedMenus.begin(), m_convertedMenus.end(), menu) == m_convertedMenus.end())
                m_convertedMenus.push_back(menu);
        } else if (record) {
            change.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
            change.fType = item.info.fType & ~MFT_OWNERDRAW;
            change.dwItemData = 0;
            change.dwTypeData = record->IsSeparator() ? nullptr : const_cast<wchar_t*>(record->text.GetString());
            SetMenuItemInfoW(menu, i, TRUE, &change);
            DeleteRecord(record);
        }
    }
}

void CUVCoolMenu::UpdateChevronItem(HMENU menu, BOOL force)
{
    const int count = GetMenuItemCount(menu);
    const int chevron = FindItemPos(menu, ID_UV_DISPLAY_FULL_MENUS);
    if (chevron >= 0 && chevron != count - 1)
        force = TRUE;
    const BOOL expanded = GetUVMenuState().expandRequested;
    if (chevron >= 0 && (expanded || force)) {
        CUVMenuItemRecord* record = RecordOf(menu, chevron);
        DeleteMenu(menu, chevron, MF_BYPOSITION);
        if (record)
            DeleteRecord(record);
    }
    if (expanded || !HasHiddenItems(menu) || !IsPersonalized() || FindItemPos(menu, ID_UV_DISPLAY_FULL_MENUS) >= 0)
        return;
    m_records.push_back(std::make_unique<CUVMenuItemRecord>());
    CUVMenuItemRecord* record = m_records.back().get();
    record->text = kUVChevronText;
    record->menu = menu;
    record->id = ID_UV_DISPLAY_FULL_MENUS;
    record->position = GetMenuItemCount(menu);
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    item.fType = MFT_OWNERDRAW;
    item.wID = ID_UV_DISPLAY_FULL_MENUS;
    item.dwItemData = reinterpret_cast<ULONG_PTR>(record);
    InsertMenuItemW(menu, record->position, TRUE, &item);
}

BOOL CUVCoolMenu::HasHiddenItems(HMENU menu) const
{
    for (const auto& record : m_records)
        if (record->menu == menu && record->IsInfrequent() && record->id != ID_UV_DISPLAY_FULL_MENUS &&
            !LoadRecentItems(record->id))
            return TRUE;
    return FALSE;
}

void CUVCoolMenu::RestoreHiddenItems(HMENU menu)
{
    std::vector<CUVMenuItemRecord*> removed;
    for (const auto& record : m_records)
        if (record->menu == menu && record->removed)
            removed.push_back(record.get());
    // Ascending positions: each item goes back where it was, after the ones before it.
    std::sort(removed.begin(), removed.end(), [](auto* a, auto* b) { return a->position < b->position; });
    for (CUVMenuItemRecord* record : removed) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
        item.fType = record->type | MFT_OWNERDRAW;
        item.fState = record->state;
        item.wID = record->id;
        item.hSubMenu = record->submenu;
        item.dwItemData = reinterpret_cast<ULONG_PTR>(record);
        InsertMenuItemW(menu, record->position, TRUE, &item);
        record->removed = FALSE;
    }
    UpdateChevronItem(menu, TRUE);
}

void CUVCoolMenu::HideInfrequentItems(HMENU menu)
{
    // Start from the full menu each time, so a command that became recent shows again.
    if (std::any_of(m_records.begin(), m_records.end(),
                    [menu](const auto& record) { return record->menu == menu && record->removed; }))
        RestoreHiddenItems(menu);
    std::vector<CUVMenuItemRecord*> byPosition(GetMenuItemCount(menu), nullptr);
    for (int i = 0; i < static_cast<int>(byPosition.size()); ++i) {
        byPosition[i] = RecordOf(menu, i);
        if (CUVMenuItemRecord* record = byPosition[i];
            record && !record->IsSeparator() && record->id != ID_UV_DISPLAY_FULL_MENUS) {
            record->flags &= ~CUVMenuItemRecord::infrequent;
            if (IsCommandHidden(record->id))
                record->flags |= CUVMenuItemRecord::infrequent;
        }
    }
    auto infrequentAt = [&](int i) {
        return i < 0 || i >= static_cast<int>(byPosition.size()) || (byPosition[i] && byPosition[i]->IsInfrequent());
    };
    for (int i = 0; i < static_cast<int>(byPosition.size()); ++i) {
        CUVMenuItemRecord* record = byPosition[i];
        if (!record || !record->IsInfrequent())
            continue;
        record->flags &= ~(CUVMenuItemRecord::prevNotInfrequent | CUVMenuItemRecord::nextNotInfrequent);
        if (!infrequentAt(i - 1))
            record->flags |= CUVMenuItemRecord::prevNotInfrequent;
        if (!infrequentAt(i + 1))
            record->flags |= CUVMenuItemRecord::nextNotInfrequent;
    }
    const BOOL expanded = GetUVMenuState().expandRequested;
    UpdateChevronItem(menu, expanded);
    if (expanded)
        return;
    for (int i = static_cast<int>(byPosition.size()) - 1; i >= 0; --i) {
        CUVMenuItemRecord* record = byPosition[i];
        if (!record || !record->IsInfrequent() || record->removed)
            continue;
        MENUITEMINFOW current{};
        current.cbSize = sizeof(current);
        current.fMask = MIIM_STATE;
        if (GetMenuItemInfoW(menu, i, TRUE, &current))
            record->state = current.fState & ~MFS_HILITE;
        if (record->submenu)
            RemoveMenu(menu, i, MF_BYPOSITION);
        else
            DeleteMenu(menu, i, MF_BYPOSITION);
        record->removed = TRUE;
    }
    for (int i = GetMenuItemCount(menu) - 1; i > 0; --i) {
        CUVMenuItemRecord* record = RecordOf(menu, i);
        CUVMenuItemRecord* before = RecordOf(menu, i - 1);
        if (record && before && record->IsSeparator() && before->IsSeparator()) {
            DeleteMenu(menu, i, MF_BYPOSITION);
            record->removed = TRUE;
        }
    }
}

void CUVCoolMenu::OnSysColorChange()
{
    uvAfxData.LoadColors();
}

void CUVCoolMenu::OnTimer(UINT_PTR id)
{
    if (id != kChevronTimer)
        return;
    KillTimer(m_hWnd, kChevronTimer);
    m_bChevronTimer = FALSE;
    const UVMenuState& state = GetUVMenuState();
    if (state.chevronSelected && !state.menuBarNotTracking && uvAfxData.m_bExpandMenusOnHover == 1) {
        keybd_event(VK_RETURN, 0, 0, 0);
        keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
    }
}

void CUVCoolMenu::OnInitMenuPopup(HMENU menu, UINT, BOOL sysMenu)
{
    UVMenuState& state = GetUVMenuState();
    state.chevronSelected = FALSE;
    state.popupBorder = uvAfxData.m_bXPLook ? SIZE{4, 3} : SIZE{1, 1};
    m_sizeCell = SIZE{m_sizeImage.cx + 2 * state.popupBorder.cx, m_sizeImage.cy + 2 * state.popupBorder.cy};
    if (!sysMenu) {
        if (state.waitingHook && IsWindow(state.waitingHook->m_hPopup)) {
            if (state.dropRectPending)
                state.waitingHook->m_dropRect = state.dropRect;
            state.dropRectPending = FALSE;
            state.waitingHook->SetMenu(menu);
            state.waitingHook = nullptr;
        } else {
            state.waitingMenu = menu;  // its window comes next and takes the drop rectangle
        }
    }
    DropRecordsOfDeadMenus();
    ConvertMenu(menu, TRUE);
    if (m_bPersonalizedMenus && IsPersonalized())
        HideInfrequentItems(menu);
    else
        UpdateChevronItem(menu, TRUE);
}

LRESULT CUVCoolMenu::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    UVMenuState& state = GetUVMenuState();
    if (!state.installed)
        return CUVWndHook::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        OnSysColorChange();
        break;
    case WM_DRAWITEM:
        if (DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_MEASUREITEM:
        if (MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_KEYDOWN:
        state.mouseMoved = FALSE;
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && LOWORD(wParam) == ID_UV_DISPLAY_FULL_MENUS) {
            state.expandRequested = TRUE;
            state.chevronSelected = FALSE;
        } else if (lParam == 0) {
            state.expandRequested = FALSE;
            SaveRecentItems(LOWORD(wParam));
        }
        break;
    case WM_TIMER:
        // Only the chevron's timer is ours; every timer (the frame's own among them) goes on.
        OnTimer(static_cast<UINT_PTR>(wParam));
        break;
    case WM_INITMENUPOPUP:
        if (state.passInitMenuPopup > 0) {
            --state.passInitMenuPopup;
            break;
        }
        CUVWndHook::WindowProc(message, wParam, lParam);
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_MENUCHAR:
        if (const LRESULT answer = OnMenuChar(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam)))
            return answer;
        break;
    case WM_ENTERMENULOOP:
        m_bTrackPopupLoop = static_cast<BOOL>(wParam);
        break;
    default:
        break;
    }
    return CUVWndHook::WindowProc(message, wParam, lParam);
}

LRESULT CUVCoolMenu::OnMenuChar(UINT ch, UINT, HMENU menu)
{
    const wchar_t typed = static_cast<wchar_t>(towupper(static_cast<wchar_t>(ch)));
    std::vector<int> matches;
    int highlighted = -1;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        CUVMenuItemRecord* record = RecordOf(menu, i);
        if (!record)
            continue;
        if (GetMenuState(menu, i, MF_BYPOSITION) & MF_HILITE)
            highlighted = i;
        const CString& text = record->text;
        for (int at = text.Find(L'&'); at >= 0 && at + 1 < text.GetLength(); at = text.Find(L'&', at + 2)) {
            if (text[at + 1] == L'&')
                continue;
            if (static_cast<wchar_t>(towupper(text[at + 1])) == typed)
                matches.push_back(i);
            break;
        }
    }
    if (matches.empty())
        return 0;
    if (matches.size() == 1)
        return MAKELRESULT(matches[0], MNC_EXECUTE);
    for (int position : matches)
        if (position > highlighted)
            return MAKELRESULT(position, MNC_SELECT);
    return MAKELRESULT(matches[0], MNC_SELECT);
}
