// CControlBar: the base of every bar a frame lays out around its pane. A bar keeps its bar
// style (alignment, border and size bits) apart from the window style, takes its space from the
// frame in WM_SIZEPARENT, settles a delayed show or hide at the next layout or idle time, and
// updates its items at idle time through OnUpdateCmdUI with the owner (or the parent frame) as
// the command target.
//
// A bar paints its borders and gripper (DoPaint), shows tooltips for its tools when it has
// CBRS_TOOLTIPS and reports the tool under the mouse as the frame's status text when it has
// CBRS_FLYBY (both through OnToolHitTest, filtered in PreTranslateMessage). Notifications,
// commands and owner-draw messages its own map leaves alone go on to its owner. A bar that may
// dock has a dock context: a left button press outside its tools drags it, a double click
// toggles it between docked and floating.
//
// Not handled here: the non-client area (bars that draw their borders outside the client area
// compute it themselves).
#pragma once

#include "classlib/ui/Wnd.h"

#include <commctrl.h>

class CDC;
class CDockBar;
struct CControlBarInfo;
class CDockContext;

// Bar styles, kept in m_dwStyle (they overlap window style bits, so they never go to the window).
inline constexpr DWORD CBRS_FLOATING = 0x0001;
inline constexpr DWORD CBRS_SIZE_FIXED = 0x0002;
inline constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0004;
inline constexpr DWORD CBRS_HIDE_INPLACE = 0x0008;
inline constexpr DWORD CBRS_TOOLTIPS = 0x0010;
inline constexpr DWORD CBRS_FLYBY = 0x0020;
inline constexpr DWORD CBRS_FLOAT_MULTI = 0x0040;
inline constexpr DWORD CBRS_BORDER_3D = 0x0080;
inline constexpr DWORD CBRS_BORDER_LEFT = 0x0100;
inline constexpr DWORD CBRS_BORDER_TOP = 0x0200;
inline constexpr DWORD CBRS_BORDER_RIGHT = 0x0400;
inline constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800;
inline constexpr DWORD CBRS_BORDER_ANY = 0x0F00;
inline constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
inline constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
inline constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
inline constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
inline constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
inline constexpr DWORD CBRS_ORIENT_HORZ = CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM;
inline constexpr DWORD CBRS_ORIENT_VERT = CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT;
inline constexpr DWORD CBRS_GRIPPER = 0x00400000;
inline constexpr DWORD CBRS_ALL = 0x0040FFFF;
inline constexpr DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
inline constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
inline constexpr DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
inline constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;

// Modes of CalcDynamicLayout.
inline constexpr DWORD LM_STRETCH = 0x01;
inline constexpr DWORD LM_HORZ = 0x02;
inline constexpr DWORD LM_MRUWIDTH = 0x04;
inline constexpr DWORD LM_HORZDOCK = 0x08;
inline constexpr DWORD LM_VERTDOCK = 0x10;
inline constexpr DWORD LM_LENGTHY = 0x20;
inline constexpr DWORD LM_COMMIT = 0x40;

// What a layout pass hands each child in WM_SIZEPARENT: the rectangle still free (each bar
// takes its side of it), the total the bars took, and the deferred positioning (null: a query).
struct AFX_SIZEPARENTPARAMS {
    HDWP hDWP = nullptr;
    RECT rect{};
    SIZE sizeTotal{};
    BOOL bStretch = TRUE;
};

// Shows string `id` (-1: the idle text) as `frame`'s status text.
void AfxSendStatusText(CWnd* frame, int id);

// Moves `hwnd` to `rect` through the layout's deferred positioning.
void AfxRepositionWindow(AFX_SIZEPARENTPARAMS* layout, HWND hwnd, const RECT& rect);

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    CControlBar() = default;
    ~CControlBar() override;

    BOOL PreTranslateMessage(MSG* msg) override;
    // Notifications, commands and owner-draw messages the bar's own map leaves alone go to the
    // owner; a tooltip text request the owner leaves empty is the bar's own again.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Creates the window with `style`'s window bits; its bar bits become m_dwStyle.
    BOOL CreateBar(const wchar_t* className, DWORD style, CWnd* parent, UINT id);

    DWORD GetBarStyle() const { return m_dwStyle; }
    virtual void SetBarStyle(DWORD style)
    {
        const DWORD oldStyle = m_dwStyle;
        m_dwStyle = style & CBRS_ALL;
        if (m_dwStyle != oldStyle)
            OnBarStyleChange(oldStyle, m_dwStyle);
    }
    // Told after the bar style changed (a dock bar took the bar, or SetBarStyle).
    virtual void OnBarStyleChange(DWORD, DWORD) {}
    virtual void SetBorders(int left = 0, int top = 0, int right = 0, int bottom = 0);
    // Shrinks `rect` by the border lines, the bar's borders and its gripper.
    virtual void CalcInsideRect(RECT& rect, BOOL horz) const;

    // The size the bar wants: fixed (stretched to the length 32767 along its side when asked),
    // or dynamic for a mode of LM_ bits; the base's dynamic layout is its fixed one.
    virtual SIZE CalcFixedLayout(BOOL stretch, BOOL horz);
    virtual SIZE CalcDynamicLayout(int length, DWORD mode);

    // Updates the bar's items against `target` (idle time).
    virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) = 0;

    // Paints the bar into `dc` (client coordinates): borders and gripper in the base.
    virtual void DoPaint(CDC* dc);
    // Draws the border lines of the bar's CBRS_BORDER_ bits inside `rect` and shrinks it by them.
    virtual void DrawBorders(CDC* dc, RECT& rect);
    // Draws the gripper of a docked bar with CBRS_GRIPPER at the start of `rect` (the window).
    virtual void DrawGripper(CDC* dc, const RECT& rect);

    // The tool at `point` (client coordinates): its id, with `info` (may be null) filled for a
    // tooltip; -1 for none. The base finds the visible child window under the point.
    virtual INT_PTR OnToolHitTest(POINT point, TOOLINFOW* info) const;
    // Reports string `id` (-1: the idle text) as the owner frame's status text; TRUE when the
    // text changed.
    virtual BOOL SetStatusText(int id);

    // Shows or hides the bar at the next layout or idle time.
    virtual void DelayShow(BOOL show);
    // Visible, counting a pending delayed show or hide.
    BOOL IsVisible() const;
    // The window style's WS_VISIBLE (as it will be once a pending show or hide is settled) with
    // the bar's alignment and border bits. A real layout settles the pending change; a query
    // leaves it pending.
    DWORD RecalcDelayShow(AFX_SIZEPARENTPARAMS* layout);

    virtual void EnableDocking(DWORD dockStyle);
    BOOL IsFloating() const { return (m_dwStyle & CBRS_FLOATING) != 0; }
    virtual BOOL IsDockBar() const { return FALSE; }
    // The frame whose layout the bar is part of.
    CFrameWnd* GetDockingFrame() const;

    // Records where the bar is (its place in its dock bar, visibility, MRU width and the dock
    // context's last places) into `info`.
    virtual void GetBarInfo(CControlBarInfo* info);
    // Puts the bar back as `info` says; its dock bar has already taken it into its rows.
    virtual void SetBarInfo(CControlBarInfo* info, CFrameWnd* frame);

    void SetOwner(CWnd* owner) { m_hWndOwner = owner ? owner->m_hWnd : nullptr; }
    CWnd* GetOwner() const { return m_hWndOwner ? FromHandle(m_hWndOwner) : GetParent(); }

    DWORD m_dwStyle = 0;
    DWORD m_dwDockStyle = 0;  // the sides the bar may dock on (CBRS_ALIGN_ bits)
    CFrameWnd* m_pDockSite = nullptr;
    CDockBar* m_pDockBar = nullptr;
    CDockContext* m_pDockContext = nullptr;  // owned; made by EnableDocking
    BOOL m_bAutoDelete = FALSE;              // deleted after its window is gone
    int m_cxLeftBorder = 6;
    int m_cxRightBorder = 6;
    int m_cyTopBorder = 1;
    int m_cyBottomBorder = 1;
    int m_cxDefaultGap = 2;
    int m_nMRUWidth = 32767;
    HWND m_hWndOwner = nullptr;

    static constexpr UINT delayHide = 1;
    static constexpr UINT delayShow = 2;
    UINT m_nStateFlags = 0;
    int m_nStatusId = -1;  // the fly-by text shown now, -1 for the idle text

protected:
    void PostNcDestroy() override;
    // The dock context EnableDocking makes; a toolkit bar makes its own kind.
    virtual CDockContext* CreateDockContext();
    // Draws the bar's border lines inside `rect` (outer line, and the inner one for
    // CBRS_BORDER_3D) and shrinks it by the border space.
    void DrawBorderLines(CDC* dc, RECT& rect, COLORREF outer, COLORREF inner);
    // A 3-pixel strip drawn raised: light leading edges, shadow trailing ones, face between.
    static void DrawRaisedStrip(CDC* dc, const RECT& strip, COLORREF light, COLORREF shadow, COLORREF face);
    // The gripper strip `width` wide at `offset` from the start of `rect`, across the bar between
    // its borders (2 pixels in from each).
    RECT GripperStrip(const RECT& rect, int offset, int width) const;

    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    LRESULT OnSizeParent(WPARAM, LPARAM layout);
    LRESULT OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnLButtonDown(WPARAM, LPARAM point);
    LRESULT OnLButtonDblClk(WPARAM, LPARAM point);
    LRESULT OnFlyByTimer(WPARAM id, LPARAM);

    DECLARE_MESSAGE_MAP()
};
