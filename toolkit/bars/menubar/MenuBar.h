// CUVMenuBar: a dockable control bar that takes the place of the frame's Windows menu. Its items
// are the top-level entries of a menu (CUVMenuBarItem); an entry opens its popup as a toolkit
// popup menu, and while one is open Left, Right and the mouse move between entries (a
// WH_MSGFILTER hook sees the menu loop's messages). Alt, F10 and mnemonics work as in a Windows
// menu. With a maximised MDI child the bar shows the child's system-menu icon and its minimize,
// restore and close buttons, sends the commands of the child's own menu entries to the child, and
// lists the MDI children in the window menu. Hooks on the frame (CUVMBarWndHook) and on the MDI
// client (CUVMBarMDIWndHook) feed it the frame's menu messages.
//
// States: 0 idle, 1 keyboard selection (an entry is hot after Alt or F10), 2 a popup is tracked.
// Not handled here: rebars (the bar answers their messages alone), the user tools menu (the
// tools list is not part of the toolkit yet), tooltips on entries (only the MDI buttons have
// them).
#pragma once

#include "classlib/ui/ImageList.h"
#include "classlib/ui/Menu.h"
#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/menubar/MenuBarItem.h"

#include <map>
#include <memory>
#include <vector>

class CUVMBarWndHook;
class CUVMBarMDIWndHook;
class CUVPopupMenu;

inline constexpr UINT IDW_UV_MENUBAR = 59480;
inline constexpr DWORD kUVMenuBarControlStyle = 0x800;
inline constexpr DWORD kUVMenuBarWindowStyle = 0x50002834;
inline constexpr UINT IDB_UV_MDI_BUTTONS = 4656;
inline constexpr UINT IDS_UV_MORE_WINDOWS = 4653;
inline constexpr UINT IDS_UV_MINIMIZE_WINDOW = 4660;
inline constexpr UINT IDS_UV_RESTORE_WINDOW = 4661;
inline constexpr UINT IDS_UV_CLOSE_WINDOW = 4662;
inline constexpr UINT ID_UV_MORE_WINDOWS = 0xFF09;

class CUVMenuBar : public CUVControlBar {
    DECLARE_DYNAMIC(CUVMenuBar)
public:
    enum State { stateIdle = 0, stateKeyboard = 1, stateTracking = 2 };
    static constexpr UINT_PTR kHoverTimer = 1000;
    static constexpr UINT kHoverPeriod = 4500;

    CUVMenuBar();
    ~CUVMenuBar() override;

    // Added operations, in their slot order.
    // The frame's messages before translation: TRUE when the bar consumed the message.
    virtual BOOL TranslateFrameMessage(MSG* msg);
    virtual BOOL Create(CWnd* parent, DWORD style = kUVMenuBarWindowStyle, UINT id = IDW_UV_MENUBAR);
    virtual BOOL CreateEx(CWnd* parent, DWORD controlStyle = kUVMenuBarControlStyle,
                          DWORD style = kUVMenuBarWindowStyle, RECT borders = RECT{0, 3, 0, 3},
                          UINT id = IDW_UV_MENUBAR);
    virtual BOOL HideCommand(UINT id);
    virtual BOOL HideCommands(const UINT* ids, int count);
    // The popup's origin for an item at `item` (screen); fills `params` and adjusts `flags`.
    virtual POINT GetPopupPosition(const RECT& item, TPMPARAMS* params, UINT* flags);
    virtual void UpdateWindowMenu();
    // The MDI buttons' share of WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MOUSEMOVE and WM_LBUTTONUP
    // (`point` in client coordinates): TRUE when a button took the message.
    virtual BOOL OnMDIButtonMouse(UINT message, POINT point);
    // The first of `items` (indices) whose rectangle holds `point` (client), or -1.
    virtual int HitTest(POINT point, const std::vector<int>& items) const;
    // A message of the menu loop (MSGF_MENU): TRUE when it is consumed.
    virtual BOOL FilterMenuMessage(MSG* msg);
    virtual int GetTrackingState(int* openItem) const;
    virtual void OnWindowMenuPopup();
    virtual void UpdateMDIButtonTips();

    // Loads menu `menuId` and installs it: TRUE when it loaded and is installed.
    BOOL LoadMenuBar(UINT menuId);
    // Installs `menu` (with `windowMenu`, the popup that takes the window list; both null: the
    // loaded menu); the menu installed before.
    HMENU SetMenu(HMENU menu, HMENU windowMenu);
    HMENU GetMenu() const { return m_hMenu; }
    HMENU GetLoadedMenu() const { return m_hMenuLoaded; }
    HMENU GetWindowMenu() const { return m_hWindowMenu; }
    // The window a menu message belongs to (the active MDI child for its own entries), or null.
    HWND GetMenuMessageTarget(UINT message) const;
    // Re-reads the active MDI child; TRUE when the maximised child changed.
    BOOL RefreshMaximizedChild();
    void SetActive(BOOL active);
    void ResetTrackingState();
    // WM_MENUSELECT while a popup is tracked: what Left and Right do next.
    void OnMenuSelect(UINT flags, HMENU menu);
    // Opens item `index`'s popup and runs the tracking loop until no popup is requested.
    void TrackPopup(int index);
    // Kills the owner's hover timer (1000) when it runs.
    void StopHoverTimer();
    // Called by the items.
    void OpenEntry(CUVMenuBarEntry* entry);
    void OpenSystemMenu(CUVMenuBarIcon* icon);
    CWnd* GetOwnerFrame() const;
    int IndexOf(const CUVMenuBarItem* item) const;

    // Indices of the visible items; with `entriesOnly`, without the icon and the MDI buttons.
    std::vector<int> VisibleItems(BOOL entriesOnly = FALSE, BOOL withIcon = FALSE) const;
    BOOL IsHorizontal() const;
    BOOL CuesShown() const;

    // Layout (horizontal: rows; vertical: columns).
    int WrapItems(int width);
    void PlaceItems(BOOL horz);
    SIZE MeasureItems(BOOL horz) const;
    int GetAvailableLength(BOOL horz) const;
    void FitItems(int length, BOOL horz);
    void RecalcAfterChange();

    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    void OnBarStyleChange(DWORD oldStyle, DWORD newStyle) override;
    INT_PTR OnToolHitTest(POINT point, TOOLINFOW* info) const override;
    BOOL GetReBarBandInfo(REBARBANDINFOW* band, BOOL horz) override;
    void OnReBarChildSize(BOOL flag, void* data) override;
    BOOL OnReBarBeginDrag() override { return TRUE; }
    BOOL GetReBarDragOffset(SIZE* offset) override;
    BOOL GetBarFlag() const override { return TRUE; }
    BOOL IsMenuBar() const override { return TRUE; }
    void DoPaint(CDC* dc) override;

    int m_nPressedItem = -1;
    int m_nMDIButtonPressed = -1;
    int m_nHotItem = -1;
    int m_nOpenItem = -1;
    int m_nNextItem = -1;
    int m_nTrackedItem = -1;
    UINT m_nMenuId = 0;
    int m_nReBarLength = -1;
    BOOL m_bHoverTimer = FALSE;
    BOOL m_bMoreWindows = TRUE;
    BOOL m_bMDIButtonsAtEnd = TRUE;
    BOOL m_bPositionKnown = FALSE;
    BOOL m_bShowMDIItems = TRUE;
    BOOL m_bOverPressedButton = FALSE;
    BOOL m_bRightMoves = FALSE;
    BOOL m_bLeftMoves = FALSE;
    BOOL m_bEscape = FALSE;
    BOOL m_bPointerSeen = FALSE;
    BOOL m_bCuesAlways = TRUE;
    BOOL m_bActive = TRUE;
    BOOL m_bKeyboardOpen = FALSE;    // the next popup opens from the keyboard: its first item selected
    BOOL m_bToggleKeyAlone = FALSE;  // Alt or F10 went down with no other key since
    DWORD m_dwOpenPressTime = 0;     // message time of the press that opened the popup; 0: keys
    HWND m_hWndMaxChild = nullptr;
    HWND m_hWndMDIClient = nullptr;
    HMENU m_hMenu = nullptr;
    HMENU m_hMenuLoaded = nullptr;
    HMENU m_hWindowMenu = nullptr;
    POINT m_ptLast{};
    CString m_strProfileKey;
    CString m_strProfileEntry;
    CUVPopupMenu* m_pTrackedPopup = nullptr;
    std::vector<UINT> m_hiddenCommands;
    CImageList m_mdiImages;
    HWND m_hWndTips = nullptr;
    State m_nState = stateIdle;
    std::unique_ptr<CUVMBarWndHook> m_pFrameHook;
    std::unique_ptr<CUVMBarMDIWndHook> m_pMDIHook;
    std::map<int, int> m_childEntries;
    std::vector<std::unique_ptr<CUVMenuBarItem>> m_items;

    // Process-wide: the bar that tracks a popup, the message-filter hook, its nesting count, and
    // the keyboard cues that Alt showed.
    static CUVMenuBar* s_pTrackingBar;
    static HHOOK s_hMsgHook;
    static int s_nHookNesting;
    static BOOL s_bCues;

protected:
    void BuildItems(HMENU menu);
    void BuildChildEntryMap();
    void SetHotItem(int index);
    // The next (or previous) visible entry after `index`, wrapping; the MDI buttons are skipped.
    int NextEntry(int index, BOOL forward) const;
    // Asks for `index` to open when the current popup closes (-1: none).
    void RequestItem(int index);
    BOOL OpenByMnemonic(wchar_t key);
    void ReadKeyboardCues();
    static LRESULT CALLBACK MsgFilterProc(int code, WPARAM wParam, LPARAM lParam);

    LRESULT OnLButtonDown(WPARAM, LPARAM point);
    LRESULT OnLButtonDblClk(WPARAM, LPARAM point);
    LRESULT OnLButtonUp(WPARAM, LPARAM point);
    LRESULT OnMouseMove(WPARAM, LPARAM point);
    LRESULT OnSetCursorMessage(WPARAM, LPARAM);
    LRESULT OnNcHitTest(WPARAM, LPARAM);
    LRESULT OnNcCalcSize(WPARAM, LPARAM rect);
    LRESULT OnSettingChange(WPARAM, LPARAM);
    LRESULT OnEraseBackground(WPARAM, LPARAM);
    int OnCreate(LPCREATESTRUCT cs);

    DECLARE_MESSAGE_MAP()
};
