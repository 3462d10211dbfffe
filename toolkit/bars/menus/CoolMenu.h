// CUVCoolMenu: turns every popup menu of a frame into an owner-drawn menu with the commands'
// images (the command images), text and shortcut, check marks and separators in the classic or
// the XP look. Personalised menus hide rarely used commands behind a chevron item "Display full
// menus" until the user expands the menu; the most recent commands are remembered in the
// profile. It hooks the frame window (WM_INITMENUPOPUP, WM_MEASUREITEM, WM_DRAWITEM,
// WM_MENUCHAR, WM_COMMAND, WM_TIMER) and owns the records behind the items it converted. UI
// thread only.
// Not here: the menu bar's own drop-downs and MDI redirection (they come with the menu bar).
#pragma once

#include "classlib/core/String.h"
#include "toolkit/bars/hooks/WndHook.h"
#include "toolkit/bars/menus/MenuItemRecord.h"

#include <windows.h>

#include <memory>
#include <vector>

class CFrameWnd;
class CDC;

class CUVCoolMenu : public CUVWndHook {
public:
    static constexpr UINT_PTR kChevronTimer = 1000;
    static constexpr UINT kChevronDelayMs = 750;

    CUVCoolMenu() = default;
    // Gives back their plain form to the items of every menu that still exists, then frees
    // every record.
    ~CUVCoolMenu() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Hooks the frame and marks the cool menus installed; the first call on the thread also
    // starts watching for popup-menu windows.
    virtual BOOL Install(CFrameWnd* frame);
    // Images of every button of a live toolbar control.
    virtual BOOL LoadToolbarControl(HWND toolbar, BOOL full = TRUE);
    // A toolbar resource (type 241) and its bitmap: each button's image under its command id.
    virtual BOOL LoadToolbar(UINT toolbarId, BOOL full = TRUE);
    virtual BOOL LoadToolbars(const UINT* ids, int count, BOOL full = TRUE);
    virtual BOOL HideCommand(UINT id);
    virtual BOOL HideCommands(const UINT* ids, int count);
    // A bitmap strip (mask colour RGB(192, 192, 192)) with one command id per image (0: skip).
    virtual BOOL AddBitmapImages(HBITMAP bitmap, const UINT* ids, int count, BOOL full = TRUE);
    virtual int FindItemPos(HMENU menu, UINT id) const;
    virtual void SetMaxRecentItems(int count) { m_nMaxRecent = count; }
    virtual void ClearRecentItems();
    virtual void SetIconSize(int cx, int cy);
    virtual SIZE GetIconSize() const { return m_sizeImage; }
    // The command images take a copy; the icon passed is destroyed.
    virtual BOOL AddIcon(UINT id, HICON icon, int cx, int cy);
    virtual void DrawMenuText(CDC* dc, RECT rect, const CString& text, COLORREF colour);
    virtual void DrawCheckMark(CDC* dc, const RECT& rect, BOOL selected, BOOL disabled, BOOL radio);
    virtual void DrawChevron(CDC* dc, const RECT& rect, BOOL selected);
    virtual void ConvertMenu(HMENU menu, BOOL toOwnerDraw);
    // A hidden candidate that is not among the recent items.
    virtual BOOL IsCommandHidden(UINT id) const;
    virtual void UpdateChevronItem(HMENU menu, BOOL force);
    virtual void RestoreHiddenItems(HMENU menu);
    virtual void HideInfrequentItems(HMENU menu);
    virtual BOOL HasHiddenItems(HMENU menu) const;
    // Puts a hidden candidate or recent command first in the profile's recent list.
    virtual void SaveRecentItems(UINT id);
    // TRUE when `id` is in the profile's recent list.
    virtual BOOL LoadRecentItems(UINT id) const;
    // A toolkit popup menu exists and the personalised-menus option is on.
    virtual BOOL IsPersonalized() const;
    virtual void OnSysColorChange();
    virtual void OnTimer(UINT_PTR id);
    virtual void OnInitMenuPopup(HMENU menu, UINT index, BOOL sysMenu);
    virtual BOOL MeasureItem(MEASUREITEMSTRUCT* measure);
    virtual BOOL DrawItem(DRAWITEMSTRUCT* draw);
    virtual LRESULT OnMenuChar(UINT ch, UINT flags, HMENU menu);

    // The records this cool menu owns (for tests and the menu bar).
    const std::vector<std::unique_ptr<CUVMenuItemRecord>>& Records() const { return m_records; }

protected:
    BOOL m_bPersonalizedMenus = FALSE;  // HideCommand was called
    int m_nMaxRecent = 5;
    BOOL m_bChevronTimer = FALSE;
    SIZE m_sizeImage{16, 15};
    SIZE m_sizeCell{18, 17};
    std::vector<UINT> m_hiddenCommands;
    std::vector<HMENU> m_convertedMenus;
    std::vector<std::unique_ptr<CUVMenuItemRecord>> m_records;
    BOOL m_bTrackPopupLoop = FALSE;

private:
    CUVMenuItemRecord* RecordOf(HMENU menu, int position) const;
    void DeleteRecord(const CUVMenuItemRecord* record);
    // Frees the records (and forgets the menus) of menus that no longer exist.
    void DropRecordsOfDeadMenus();
    void DrawXPItem(CDC* dc, const DRAWITEMSTRUCT& draw, const CUVMenuItemRecord& record);
    void DrawClassicItem(CDC* dc, const DRAWITEMSTRUCT& draw, const CUVMenuItemRecord& record);
    void DrawItemText(CDC* dc, const DRAWITEMSTRUCT& draw, const CUVMenuItemRecord& record, RECT textRect,
                      COLORREF colour);
    BOOL IsShownHidden(const CUVMenuItemRecord& record) const;
    // A separator whose neighbours are both shown-hidden items of an expanded menu.
    BOOL IsBetweenShownHidden(const CUVMenuItemRecord& record) const;
    CString RecentEntryName(int index) const;
    CString RecentSection() const;
};

// Toolkit string ids of the recent-item list in the profile.
inline constexpr UINT IDS_UV_RECENT_SECTION = 4539;  // "Recent Item List"
inline constexpr UINT IDS_UV_RECENT_ENTRY = 4540;    // "Item%d"
