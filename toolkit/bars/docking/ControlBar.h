// CUVControlBar: the base of every toolkit bar that docks (toolbar, menu bar, docking window).
// It keeps the class library's control bar (borders, delayed show and hide, idle command update,
// status texts, docking through a dock context) and adds the toolkit's look: borders and gripper
// painted in the non-client area in the classic or XP colours, the client painted through a
// memory DC in the bar's background colour; an extended style word; a right-click menu that
// lists the frame's bars (or a context menu of the bar's own); docked-side tests by the dock
// bar's id; fonts at 8 points from the toolkit's fonts; observers of its visibility; and the
// private messages 0x89E0-0x89E3 by which a rebar hosts it.
//
// Not handled here: the non-client size (each kind of bar computes it in WM_NCCALCSIZE), the
// bar's contents (DoPaint of the subclass), saving bar state.
#pragma once

#include "classlib/ui/ControlBar.h"
#include "classlib/ui/Gdi.h"

#include <commctrl.h>

#include <memory>
#include <utility>
#include <vector>

class CFrameWnd;

// Private messages from a rebar that hosts the bar.
inline constexpr UINT WM_UV_REBAR_BANDINFO = 0x89E0;    // wParam: horizontal, lParam: REBARBANDINFOW*
inline constexpr UINT WM_UV_REBAR_CHILDSIZE = 0x89E1;   // wParam: flag, lParam: the rebar's data
inline constexpr UINT WM_UV_REBAR_BEGINDRAG = 0x89E2;   // TRUE: the rebar runs the bar's drag
inline constexpr UINT WM_UV_REBAR_DRAGOFFSET = 0x89E3;  // lParam: SIZE*, the floating frame's offset

// Extended style bits the base reads (the subclasses read the others).
inline constexpr DWORD UVBS_DEFAULT = 0x3003;
inline constexpr DWORD UVBS_DOUBLE_GRIPPER = 0x0004;

class CUVControlBar : public CControlBar {
    DECLARE_DYNAMIC(CUVControlBar)
public:
    // Told of the bar's new visibility after each delayed show or hide.
    using VisibilityObserver = void (*)(void* context, CUVControlBar* bar, BOOL visible);

    CUVControlBar();
    ~CUVControlBar() override;

    void SetBorders(int left = 0, int top = 0, int right = 0, int bottom = 0) override;
    void EnableDocking(DWORD dockStyle) override;
    // Also adds `styleEx` to the extended style word.
    void EnableDocking(DWORD dockStyle, DWORD styleEx);
    void DelayShow(BOOL show) override;
    BOOL SetStatusText(int id) override;
    void DoPaint(CDC* dc) override;
    void DrawBorders(CDC* dc, RECT& rect) override;
    void DrawGripper(CDC* dc, const RECT& rect) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Added operations, in their slot order.
    virtual void SetBorders(const RECT& borders);
    virtual CRect GetBorders() const;
    virtual DWORD GetBarStyleEx() const { return m_dwStyleEx; }
    virtual void SetBarStyleEx(DWORD styleEx) { m_dwStyleEx = styleEx; }
    // (old & ~remove) | add; recomputes the frame, and with `redraw` repaints the bar (and a
    // toolkit dock bar it sits on, which takes the same word).
    virtual BOOL ModifyBarStyleEx(DWORD remove, DWORD add, BOOL redraw = TRUE);
    virtual void SetContextMenu(UINT menuId, int subMenu = 0);
    virtual UINT GetContextMenu() const { return m_nContextMenuId; }
    virtual BOOL IsLeftDocked() const;
    virtual BOOL IsRightDocked() const;
    virtual BOOL IsTopDocked() const;
    virtual BOOL IsBottomDocked() const;
    virtual BOOL IsHorzDocked() const;
    virtual BOOL IsVertDocked() const;
    // Neither docked on a side: inside a floating frame (or not docked at all).
    virtual BOOL IsFloating() const;
    virtual COLORREF GetBackColor() const;
    // A flag of the subclasses; FALSE in the base.
    virtual BOOL GetBarFlag() const { return FALSE; }
    // Stores the fixed size in `horz`'s orientation as the band's minimum child size.
    virtual BOOL GetReBarBandInfo(REBARBANDINFOW* band, BOOL horz);
    virtual void OnReBarChildSize(BOOL, void*) {}
    virtual BOOL OnReBarBeginDrag() { return FALSE; }
    virtual BOOL GetReBarDragOffset(SIZE*) { return FALSE; }
    virtual void ToggleDocking();
    virtual void RecalcFonts();
    virtual BOOL IsCursorInGripper() const;
    // Shows the menu of `frame`'s bars at `point` (screen); TRUE.
    virtual BOOL BuildBarMenu(POINT point, CFrameWnd* frame);
    virtual void EraseNonClient();
    // TRUE for the menu bar, which the bar menu leaves out.
    virtual BOOL IsMenuBar() const { return FALSE; }

    void AddVisibilityObserver(VisibilityObserver observer, void* context);
    void RemoveVisibilityObserver(VisibilityObserver observer, void* context);

    // The frame whose dock bars the bar belongs to: for a bar in a floating frame, the frame that
    // owns the floating frame.
    CFrameWnd* GetDockSiteFrame() const;

    DWORD m_dwStyleEx = UVBS_DEFAULT;
    CFrameWnd* m_pFrame = nullptr;  // the parent frame when the bar was made
    // Two objects of a subclass's own, deleted with the bar.
    std::unique_ptr<CObject> m_pOwned[2];
    CFont m_fontRegular;
    CFont m_fontBold;
    CFont m_fontVert;  // captions of bars docked at the top or bottom
    // Default sizes of docking windows (docked horizontally, vertically, floating, expanded).
    SIZE m_sizeDefault[4] = {{200, 100}, {200, 100}, {200, 100}, {200, 100}};
    UINT m_nContextMenuId = 0;
    int m_nContextSubMenu = 0;
    BOOL m_bInReBar = FALSE;
    BOOL m_bShowInBarMenu = TRUE;

protected:
    // Toolkit bars drag through the toolkit's dock context.
    CDockContext* CreateDockContext() override;

    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnNcPaint(WPARAM, LPARAM);
    LRESULT OnWindowPosChanging(WPARAM, LPARAM pos);
    LRESULT OnSetCursor(WPARAM, LPARAM);
    LRESULT OnRButtonDown(WPARAM, LPARAM point);
    LRESULT OnReBarBandInfo(WPARAM horz, LPARAM band);
    LRESULT OnReBarChildSizeMessage(WPARAM flag, LPARAM data);
    LRESULT OnReBarBeginDragMessage(WPARAM, LPARAM);
    LRESULT OnReBarDragOffsetMessage(WPARAM, LPARAM size);

    std::vector<std::pair<VisibilityObserver, void*>> m_observers;

    DECLARE_MESSAGE_MAP()
};

// Whether `object`'s class or one of its bases is named `className` (for bar kinds whose classes
// live in other parts of the toolkit: "CUVToolBar", "CUVDockWindow", "CUVReBar", "CStatusBar").
bool IsKindOfClassNamed(const CObject* object, const char* className);
