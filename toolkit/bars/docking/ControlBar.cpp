#include "toolkit/bars/docking/ControlBar.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockContext.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "classlib/ui/View.h"
#include "classlib/ui/WindowedApp.h"
#include "toolkit/bars/docking/BarDragContext.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/docking/BarMenu.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MemDC.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menus/PopupMenu.h"

#include <windowsx.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CUVControlBar, CControlBar)

BEGIN_MESSAGE_MAP(CUVControlBar, CControlBar)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_PAINT, &CUVControlBar::OnPaint)
ON_MESSAGE(WM_NCPAINT, &CUVControlBar::OnNcPaint)
ON_MESSAGE(WM_WINDOWPOSCHANGING, &CUVControlBar::OnWindowPosChanging)
ON_MESSAGE(WM_SETCURSOR, &CUVControlBar::OnSetCursor)
ON_MESSAGE(WM_RBUTTONDOWN, &CUVControlBar::OnRButtonDown)
ON_MESSAGE(WM_UV_REBAR_BANDINFO, &CUVControlBar::OnReBarBandInfo)
ON_MESSAGE(WM_UV_REBAR_CHILDSIZE, &CUVControlBar::OnReBarChildSizeMessage)
ON_MESSAGE(WM_UV_REBAR_BEGINDRAG, &CUVControlBar::OnReBarBeginDragMessage)
ON_MESSAGE(WM_UV_REBAR_DRAGOFFSET, &CUVControlBar::OnReBarDragOffsetMessage)
END_MESSAGE_MAP()

namespace {

// The XP look's gripper: lines 3 pixels long across the strip, every 2 pixels along it.
constexpr int kGripperLineStart = 4;
constexpr int kGripperLineFrom = 2;
constexpr int kGripperLineTo = 5;

int ScreenFontHeight(int points)
{
    HDC screen = ::GetDC(nullptr);
    const int height = -MulDiv(points, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    return height;
}

void MakeFont(CFont& font, const CFont& model, int height)
{
    LOGFONTW description{};
    if (!model.m_hObject || !::GetObjectW(model.m_hObject, sizeof(description), &description))
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
    description.lfHeight = height;
    font.CreateFontIndirect(&description);
}

}  // namespace

bool IsKindOfClassNamed(const CObject* object, const char* className)
{
    for (const CRuntimeClass* cls = object ? object->GetRuntimeClass() : nullptr; cls; cls = cls->m_pBaseClass) {
        if (lstrcmpA(cls->m_lpszClassName, className) == 0)
            return true;
    }
    return false;
}

CUVControlBar::CUVControlBar()
{
    RecalcFonts();
}

CUVControlBar::~CUVControlBar()
{
    // The window goes first, while the subclass's objects and the fonts it may use still exist.
    if (m_hWnd)
        DestroyWindow();
}

void CUVControlBar::SetBorders(int left, int top, int right, int bottom)
{
    CControlBar::SetBorders(left, top, right, bottom);
}

void CUVControlBar::SetBorders(const RECT& borders)
{
    SetBorders(borders.left, borders.top, borders.right, borders.bottom);
}

CRect CUVControlBar::GetBorders() const
{
    return CRect(m_cxLeftBorder, m_cyTopBorder, m_cxRightBorder, m_cyBottomBorder);
}

BOOL CUVControlBar::ModifyBarStyleEx(DWORD remove, DWORD add, BOOL redraw)
{
    m_dwStyleEx = (m_dwStyleEx & ~remove) | add;
    if (m_pDockBar && m_pDockBar->IsKindOf(RUNTIME_CLASS(CUVDockBar))) {
        static_cast<CUVDockBar*>(m_pDockBar)->m_dwStyleEx = m_dwStyleEx;
        m_pDockBar->Invalidate();
    }
    if (m_hWnd) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (redraw)
            ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }
    return TRUE;
}

void CUVControlBar::SetContextMenu(UINT menuId, int subMenu)
{
    m_nContextMenuId = menuId;
    m_nContextSubMenu = subMenu;
}

namespace {

UINT ParentId(HWND bar)
{
    HWND parent = bar ? ::GetParent(bar) : nullptr;
    return parent ? static_cast<UINT>(::GetDlgCtrlID(parent)) : 0;
}

}  // namespace

BOOL CUVControlBar::IsTopDocked() const
{
    return ParentId(m_hWnd) == AFX_IDW_DOCKBAR_TOP;
}

BOOL CUVControlBar::IsBottomDocked() const
{
    return ParentId(m_hWnd) == AFX_IDW_DOCKBAR_BOTTOM;
}

BOOL CUVControlBar::IsLeftDocked() const
{
    return ParentId(m_hWnd) == AFX_IDW_DOCKBAR_LEFT;
}

BOOL CUVControlBar::IsRightDocked() const
{
    return ParentId(m_hWnd) == AFX_IDW_DOCKBAR_RIGHT;
}

BOOL CUVControlBar::IsHorzDocked() const
{
    return IsTopDocked() || IsBottomDocked();
}

BOOL CUVControlBar::IsVertDocked() const
{
    return IsLeftDocked() || IsRightDocked();
}

BOOL CUVControlBar::IsFloating() const
{
    return !IsHorzDocked() && !IsVertDocked();
}

COLORREF CUVControlBar::GetBackColor() const
{
    return GetUVBarColor(UVBarColor::face);
}

BOOL CUVControlBar::GetReBarBandInfo(REBARBANDINFOW* band, BOOL horz)
{
    const SIZE size = CalcFixedLayout(FALSE, horz);
    band->cxMinChild = static_cast<UINT>(size.cx);
    band->cyMinChild = static_cast<UINT>(size.cy);
    band->fMask |= RBBIM_CHILDSIZE;
    return TRUE;
}

void CUVControlBar::EnableDocking(DWORD dockStyle)
{
    CControlBar::EnableDocking(dockStyle);
}

void CUVControlBar::EnableDocking(DWORD dockStyle, DWORD styleEx)
{
    m_dwStyleEx |= styleEx;
    EnableDocking(dockStyle);
}

CDockContext* CUVControlBar::CreateDockContext()
{
    return new CUVBarDragContext(this);
}

CFrameWnd* CUVControlBar::GetDockSiteFrame() const
{
    CFrameWnd* frame = GetParentFrame();
    if (frame && frame->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd)))
        return static_cast<CMiniDockFrameWnd*>(frame)->m_pDockSite;
    return frame;
}

void CUVControlBar::ToggleDocking()
{
    if (!m_pDockContext)
        return;
    m_pDockContext->ToggleDocking();
    // A bar that moved to another frame docks and floats there from now on.
    CFrameWnd* current = GetDockSiteFrame();
    if (current && current != m_pFrame)
        m_pDockContext->m_pDockSite = current;
}

void CUVControlBar::RecalcFonts()
{
    const int height = ScreenFontHeight(8);
    m_fontRegular.DeleteObject();
    m_fontBold.DeleteObject();
    m_fontVert.DeleteObject();
    MakeFont(m_fontRegular, uvAfxData.m_fonts[CUVGlobalData::fontMenu], height);
    MakeFont(m_fontBold, uvAfxData.m_fonts[CUVGlobalData::fontMenuBold], height);
    MakeFont(m_fontVert, uvAfxData.m_fonts[CUVGlobalData::fontVert], height);
}

BOOL CUVControlBar::IsCursorInGripper() const
{
    if (!(m_dwStyle & CBRS_GRIPPER) || !m_hWnd)
        return FALSE;
    POINT cursor;
    ::GetCursorPos(&cursor);
    RECT window;
    GetWindowRect(&window);
    RECT client;
    GetClientRect(&client);
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const RECT strip = (m_dwStyle & CBRS_ORIENT_HORZ) ? RECT{window.left, window.top, client.left, window.bottom}
                                                      : RECT{window.left, window.top, window.right, client.top};
    return PtInRect(&strip, cursor);
}

void CUVControlBar::AddVisibilityObserver(VisibilityObserver observer, void* context)
{
    m_observers.emplace_back(observer, context);
}

void CUVControlBar::RemoveVisibilityObserver(VisibilityObserver observer, void* context)
{
    std::erase(m_observers, std::make_pair(observer, context));
}

void CUVControlBar::DelayShow(BOOL show)
{
    CControlBar::DelayShow(show);
    // A copy: an observer may remove itself.
    const auto observers = m_observers;
    for (const auto& [observer, context] : observers)
        observer(context, this, IsVisible());
}

BOOL CUVControlBar::SetStatusText(int id)
{
    if (!CControlBar::SetStatusText(id))
        return FALSE;
    // An owner without a status bar of its own (a floating tool window's) leaves the text to the
    // main window's status bar.
    CWnd* owner = GetOwner();
    if (owner && owner->GetDescendantWindow(AFX_IDW_STATUS_BAR))
        return TRUE;
    CWindowedApp* app = AfxGetWindowedApp();
    CWnd* main = app ? app->m_pMainWnd : nullptr;
    if (main && main != owner)
        AfxSendStatusText(main, id);
    return TRUE;
}

LRESULT CUVControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CControlBar::WindowProc(message, wParam, lParam);
}

int CUVControlBar::OnCreate(LPCREATESTRUCT cs)
{
    if (CControlBar::OnCreate(cs) == -1)
        return -1;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(uvAfxData.m_fonts[CUVGlobalData::fontMenu].m_hObject), TRUE);
    m_pFrame = GetParentFrame();
    return 0;
}

void CUVControlBar::OnDestroy()
{
    // A frame whose active view lies in this bar must not keep pointing at it.
    CWnd* top = GetTopLevelParent();
    CFrameWnd* frames[3] = {top && top->IsKindOf(RUNTIME_CLASS(CFrameWnd)) ? static_cast<CFrameWnd*>(top) : nullptr,
                            GetParentFrame(), m_pFrame};
    for (int i = 0; i < 3; ++i) {
        CFrameWnd* frame = frames[i];
        if (!frame || std::find(frames, frames + i, frame) != frames + i || !frame->m_hWnd)
            continue;
        CView* view = frame->GetActiveView();
        if (view && view->m_hWnd && ::IsChild(m_hWnd, view->m_hWnd))
            frame->SetActiveView(nullptr, FALSE);
    }
    CControlBar::OnDestroy();
}

LRESULT CUVControlBar::OnPaint(WPARAM, LPARAM)
{
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    CUVMemDC mem(&dc, &client, GetBackColor());
    if (IsVisible())
        DoPaint(&mem);
    return 0;
}

void CUVControlBar::DoPaint(CDC*)
{
    // Borders and gripper lie in the non-client area (EraseNonClient); the subclasses paint
    // their contents over the background the memory DC was filled with.
}

LRESULT CUVControlBar::OnNcPaint(WPARAM, LPARAM)
{
    EraseNonClient();
    return 0;
}

void CUVControlBar::EraseNonClient()
{
    CWindowDC dc(this);
    RECT window;
    GetWindowRect(&window);
    RECT client;
    GetClientRect(&client);
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ::OffsetRect(&client, -window.left, -window.top);
    ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    const RECT whole{0, 0, window.right - window.left, window.bottom - window.top};
    // Filled first: a border without CBRS_BORDER_3D draws only its outer line, and the line
    // inside it shows the background.
    CUVMemDC mem(&dc, &whole, GetBackColor());
    RECT inside = whole;
    DrawBorders(&mem, inside);
    DrawGripper(&mem, whole);
    if (uvAfxData.m_bXPLook && IsKindOfClassNamed(this, "CUVToolBar")) {
        // Rounded corners: each corner pixel goes halfway toward what lies behind the bar.
        const COLORREF behind = GetUVBarColor(UVBarColor::face);
        const POINT corners[4] = {
            {0, 0}, {whole.right - 1, 0}, {0, whole.bottom - 1}, {whole.right - 1, whole.bottom - 1}};
        for (const POINT& corner : corners)
            ::SetPixel(mem, corner.x, corner.y, BlendColors(mem.GetPixel(corner.x, corner.y), behind, 50));
    }
}

void CUVControlBar::DrawBorders(CDC* dc, RECT& rect)
{
    if (m_bInReBar) {
        // A rebar draws the band's edges itself; the bar only keeps their room.
        const int cx = 2 * GetSystemMetrics(SM_CXBORDER);
        const int cy = 2 * GetSystemMetrics(SM_CYBORDER);
        rect.left += (m_dwStyle & CBRS_BORDER_LEFT) ? cx : 0;
        rect.top += (m_dwStyle & CBRS_BORDER_TOP) ? cy : 0;
        rect.right -= (m_dwStyle & CBRS_BORDER_RIGHT) ? cx : 0;
        rect.bottom -= (m_dwStyle & CBRS_BORDER_BOTTOM) ? cy : 0;
        return;
    }
    if (uvAfxData.m_bXPLook) {
        const COLORREF border = GetUVBarColor(UVBarColor::border);
        DrawBorderLines(dc, rect, border, border);
    } else {
        DrawBorderLines(dc, rect, GetUVBarColor(UVBarColor::shadow), GetUVBarColor(UVBarColor::highlight));
    }
}

void CUVControlBar::DrawGripper(CDC* dc, const RECT& rect)
{
    if ((m_dwStyle & (CBRS_GRIPPER | CBRS_FLOATING)) != CBRS_GRIPPER)
        return;
    const COLORREF light = GetUVBarColor(UVBarColor::highlight);
    const COLORREF shadow = GetUVBarColor(UVBarColor::shadow);
    const COLORREF face = GetBackColor();
    const bool atLeft = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    if (m_dwStyleEx & UVBS_DOUBLE_GRIPPER) {
        for (int offset : {2, 5}) {
            const RECT strip = GripperStrip(rect, offset, 3);
            DrawRaisedStrip(dc, strip, light, shadow, face);
            // The strip ends in one lit pixel.
            const RECT end = atLeft ? RECT{strip.left, strip.bottom - 1, strip.left + 1, strip.bottom}
                                    : RECT{strip.right - 1, strip.top, strip.right, strip.top + 1};
            dc->FillSolidRect(&end, light);
        }
        return;
    }
    if (uvAfxData.m_bXPLook) {
        const int length = atLeft ? rect.bottom - rect.top : rect.right - rect.left;
        if (length - 9 <= 0)
            return;
        const int lines = ((length - 10) >> 1) + 1;
        const COLORREF colour = GetUVBarColor(UVBarColor::gripper);
        for (int i = 0; i < lines; ++i) {
            const int along = kGripperLineStart + 2 * i;
            const RECT line = atLeft ? RECT{rect.left + kGripperLineFrom, rect.top + along, rect.left + kGripperLineTo,
                                            rect.top + along + 1}
                                     : RECT{rect.left + along, rect.top + kGripperLineFrom, rect.left + along + 1,
                                            rect.top + kGripperLineTo};
            dc->FillSolidRect(&line, colour);
        }
        return;
    }
    DrawRaisedStrip(dc, GripperStrip(rect, 2, 3), light, shadow, face);
}

LRESULT CUVControlBar::OnWindowPosChanging(WPARAM, LPARAM lParam)
{
    const LRESULT result = Default();
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (pos->flags & SWP_NOSIZE)
        return result;
    RECT window;
    GetWindowRect(&window);
    const int oldWidth = window.right - window.left;
    const int oldHeight = window.bottom - window.top;
    // The border strips at the old and new far edges both change: repaint them (window
    // coordinates, given to RedrawWindow relative to the client's origin).
    RECT client;
    GetClientRect(&client);
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int dx = client.left - window.left;
    const int dy = client.top - window.top;
    const int cxStrip = 2 * GetSystemMetrics(SM_CXBORDER) + m_cxRightBorder;
    const int cyStrip = 2 * GetSystemMetrics(SM_CYBORDER) + m_cyBottomBorder;
    const auto invalidate = [&](RECT strip) {
        ::OffsetRect(&strip, -dx, -dy);
        ::RedrawWindow(m_hWnd, &strip, nullptr, RDW_FRAME | RDW_INVALIDATE);
    };
    if (pos->cx != oldWidth && (m_dwStyle & CBRS_BORDER_RIGHT)) {
        invalidate(RECT{oldWidth - cxStrip, 0, oldWidth, std::max(oldHeight, pos->cy)});
        invalidate(RECT{pos->cx - cxStrip, 0, pos->cx, std::max(oldHeight, pos->cy)});
    }
    if (pos->cy != oldHeight && (m_dwStyle & CBRS_BORDER_BOTTOM)) {
        invalidate(RECT{0, oldHeight - cyStrip, std::max(oldWidth, pos->cx), oldHeight});
        invalidate(RECT{0, pos->cy - cyStrip, std::max(oldWidth, pos->cx), pos->cy});
    }
    return result;
}

LRESULT CUVControlBar::OnSetCursor(WPARAM, LPARAM)
{
    const bool dragging = m_pDockContext && m_pDockContext->m_bDragging && ::GetCapture() == m_hWnd;
    if (!m_bInReBar && (dragging || IsCursorInGripper())) {
        ::SetCursor(GetUVBarCursor(UVBarCursor::moveBar));
        return TRUE;
    }
    return Default();
}

LRESULT CUVControlBar::OnRButtonDown(WPARAM, LPARAM lParam)
{
    if (!m_bShowInBarMenu || !GetUVBarSetting(UVBarSetting::barMenu))
        return Default();
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(m_hWnd, &point);
    if (m_nContextMenuId) {
        CMenu menu;
        if (!menu.LoadMenu(m_nContextMenuId))
            return 0;
        HMENU sub = ::GetSubMenu(menu, m_nContextSubMenu);
        if (!sub)
            return 0;
        CUVPopupMenu popup;
        popup.Attach(sub);
        popup.TrackPopupMenuEx(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, ::GetAncestor(m_hWnd, GA_ROOT),
                               nullptr, TRUE);
        return 0;
    }
    CFrameWnd* frame = GetDockSiteFrame();
    if (!frame)
        return 0;
    BuildBarMenu(point, frame);
    frame->RecalcLayout();
    return 0;
}

LRESULT CUVControlBar::OnReBarBandInfo(WPARAM horz, LPARAM band)
{
    m_bInReBar = TRUE;
    return GetReBarBandInfo(reinterpret_cast<REBARBANDINFOW*>(band), static_cast<BOOL>(horz));
}

LRESULT CUVControlBar::OnReBarChildSizeMessage(WPARAM flag, LPARAM data)
{
    OnReBarChildSize(static_cast<BOOL>(flag), reinterpret_cast<void*>(data));
    return 0;
}

LRESULT CUVControlBar::OnReBarBeginDragMessage(WPARAM, LPARAM)
{
    return OnReBarBeginDrag();
}

LRESULT CUVControlBar::OnReBarDragOffsetMessage(WPARAM, LPARAM size)
{
    return GetReBarDragOffset(reinterpret_cast<SIZE*>(size));
}
