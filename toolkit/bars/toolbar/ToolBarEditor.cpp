#include "toolkit/bars/toolbar/ToolBarEditor.h"

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <windowsx.h>

#include <climits>

CUVToolBarEditor::CUVToolBarEditor(CUVToolBar* bar) : m_pBar(bar)
{
    CUVCustomizeSession::GetInstance()->GetList(CUVCustomizeSession::dragStarted).Add(&OnDragStarted, this);
}

CUVToolBarEditor::~CUVToolBarEditor()
{
    CUVCustomizeSession::GetInstance()->RemoveObserver(this);
    if (IsWindow(m_pBar->m_hWnd)) {
        RedrawWindow(m_pBar->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
        m_pBar->PostMessage(WM_UV_TOOLBAR_SELECTION, static_cast<WPARAM>(++m_nSerial));
    }
}

void CUVToolBarEditor::OnDragStarted(void* self, LPARAM context)
{
    reinterpret_cast<CUVDragContext*>(context)->targets.push_back(static_cast<CUVToolBarEditor*>(self));
}

void CUVToolBarEditor::PostSelectionPaint()
{
    m_pBar->PostMessage(WM_UV_TOOLBAR_SELECTION, static_cast<WPARAM>(++m_nSerial));
}

void CUVToolBarEditor::PaintSelection()
{
    RECT rect{};
    if (m_nSelected < 0 || !m_pBar->SendMessage(TB_GETITEMRECT, m_nSelected, reinterpret_cast<LPARAM>(&rect)))
        return;
    HDC dc = GetDC(m_pBar->m_hWnd);
    DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT);
    ReleaseDC(m_pBar->m_hWnd, dc);
}

void CUVToolBarEditor::Select(int index)
{
    if (m_nSelected >= 0) {
        RECT old{};
        m_pBar->SendMessage(TB_GETITEMRECT, m_nSelected, reinterpret_cast<LPARAM>(&old));
        InvalidateRect(m_pBar->m_hWnd, &old, TRUE);
    }
    m_nSelected = index;
    RedrawWindow(m_pBar->m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    PaintSelection();
    PostSelectionPaint();
}

BOOL CUVToolBarEditor::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_UV_TOOLBAR_SELECTION:
        if (static_cast<int>(wParam) == m_nSerial)
            PaintSelection();
        *result = 0;
        return TRUE;
    case WM_PAINT:
        PostSelectionPaint();
        return FALSE;
    case WM_LBUTTONDOWN: {
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const int index = ButtonAt(point);
        *result = 0;
        if (index < 0)
            return TRUE;
        if (index == m_nSelected) {
            StartDrag(index);
            return TRUE;
        }
        Select(index);
        SetCapture(m_pBar->m_hWnd);
        POINT screen = point;
        ClientToScreen(m_pBar->m_hWnd, &screen);
        const BOOL drag = DragDetect(m_pBar->m_hWnd, screen);
        if (GetCapture() == m_pBar->m_hWnd)
            ReleaseCapture();
        if (drag)
            StartDrag(index);
        return TRUE;
    }
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
        // No command runs and no button turns hot while the bar is being edited.
        *result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CUVToolBarEditor::Horizontal() const
{
    return !((m_pBar->IsLeftDocked() || m_pBar->IsRightDocked()) && !m_pBar->IsFloating());
}

int CUVToolBarEditor::ButtonAt(POINT point) const
{
    const int hit = static_cast<int>(m_pBar->SendMessage(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
    if (hit >= 0 && hit < m_pBar->GetButtonCount())
        return hit;
    // Separators do not answer the control's hit test: one that holds a control counts.
    const int count = m_pBar->GetButtonCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RECT rect{};
        m_pBar->SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if ((button.fsStyle & BTNS_SEP) && !(button.fsState & TBSTATE_HIDDEN) &&
            m_pBar->GetControl(static_cast<UINT>(button.idCommand)) &&
            m_pBar->SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect)) && PtInRect(&rect, point))
            return i;
    }
    return -1;
}

BOOL CUVToolBarEditor::FilterMessage(MSG* msg)
{
    // The bar's own messages reach the controller through its window procedure.
    if (msg->hwnd == m_pBar->m_hWnd || !IsChild(m_pBar->m_hWnd, msg->hwnd))
        return FALSE;
    if (msg->message == WM_TIMER) {
        // A child's blinking or scrolling would paint over the selection frame.
        KillTimer(msg->hwnd, msg->wParam);
        PostSelectionPaint();
        return TRUE;
    }
    if (msg->message < WM_MOUSEFIRST || msg->message > WM_MOUSEWHEEL)
        return FALSE;
    // A press on a control over a button acts on the bar at that place.
    POINT point{GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)};
    if (msg->message == WM_MOUSEWHEEL)
        ScreenToClient(m_pBar->m_hWnd, &point);
    else
        MapWindowPoints(msg->hwnd, m_pBar->m_hWnd, &point, 1);
    LRESULT result = 0;
    HandleMessage(msg->message, msg->wParam, MAKELPARAM(point.x, point.y), &result);
    return TRUE;
}

void CUVToolBarEditor::StartDrag(int index)
{
    UVButtonDragData data{m_pBar, index, m_pBar->GetItemID(index)};
    m_nSource = index;
    m_bDroppedOnSelf = FALSE;
    // The dragged button widened along the bar by half a button.
    m_pBar->SendMessage(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&m_sourceArea));
    const SIZE button = m_pBar->GetItemSize();
    if (Horizontal())
        InflateRect(&m_sourceArea, button.cy / 2, 0);
    else
        InflateRect(&m_sourceArea, 0, button.cx / 2);
    m_bOverSource = TRUE;
    if (GetCapture() == m_pBar->m_hWnd)
        ReleaseCapture();
    const BOOL moved = CUVCustomizeSession::GetInstance()->RunButtonDrag(m_pBar->m_hWnd, TRUE, &data);
    // Moved off every bar (or to another bar): the button leaves this one.
    m_bOverSource = FALSE;
    if (moved && !m_bDroppedOnSelf && IsWindow(m_pBar->m_hWnd)) {
        m_pBar->SendMessage(TB_DELETEBUTTON, index);
        m_nSelected = -1;
        m_pBar->PostLayoutRequest();
        if (CFrameWnd* frame = m_pBar->GetParentFrame())
            frame->DelayRecalcLayout();
    }
    m_nSource = -1;
}

BOOL CUVToolBarEditor::HitTest(POINT point)
{
    RECT client;
    GetClientRect(m_pBar->m_hWnd, &client);
    POINT local = point;
    ScreenToClient(m_pBar->m_hWnd, &local);
    return WindowFromPoint(point) == m_pBar->m_hWnd && PtInRect(&client, local);
}

BOOL CUVToolBarEditor::Enter(void* data, POINT point, BOOL*)
{
    // Buttons are moved within their own bar; other bars' buttons come with the Customize dialog.
    if (static_cast<UVButtonDragData*>(data)->source != m_pBar)
        return FALSE;
    UpdateMark(point);
    return TRUE;
}

void CUVToolBarEditor::DragOver(POINT point)
{
    UpdateMark(point);
}

void CUVToolBarEditor::Leave()
{
    HideMark();
}

int CUVToolBarEditor::InsertionAt(POINT point, RECT* mark) const
{
    POINT local = point;
    ScreenToClient(m_pBar->m_hWnd, &local);
    RECT client;
    GetClientRect(m_pBar->m_hWnd, &client);
    const BOOL horz = Horizontal();
    if (m_bOverSource && !PtInRect(&m_sourceArea, local))
        m_bOverSource = FALSE;
    const int count = m_pBar->GetButtonCount();
    int nearest = -1;
    long long best = LLONG_MAX;
    RECT nearestRect{};
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RECT rect{};
        m_pBar->SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if ((button.fsState & TBSTATE_HIDDEN) ||
            !m_pBar->SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect)))
            continue;
        const long long dx = local.x - (rect.left + rect.right) / 2;
        const long long dy = local.y - (rect.top + rect.bottom) / 2;
        if (dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = i;
            nearestRect = rect;
        }
    }
    if (nearest < 0) {
        *mark = horz ? RECT{client.left, client.top, client.left + 4, client.bottom}
                     : RECT{client.left, client.top, client.right, client.top + 4};
        return 0;
    }
    const int start = horz ? nearestRect.left : nearestRect.top;
    const int end = horz ? nearestRect.right : nearestRect.bottom;
    const int along = horz ? local.x : local.y;
    const bool before = abs(along - start) < abs(along - end);
    const int edge = before ? start : end;
    const int index = before ? nearest : nearest + 1;
    *mark = horz ? RECT{edge - 2, nearestRect.top, edge + 2, nearestRect.bottom}
                 : RECT{nearestRect.left, edge - 2, nearestRect.right, edge + 2};
    if (mark->left < client.left)
        OffsetRect(mark, client.left - mark->left, 0);
    if (mark->right > client.right)
        OffsetRect(mark, client.right - mark->right, 0);
    // At either edge of the dragged button itself nothing would move; near it, while the pointer
    // has not left it, the user has not meant to move it yet.
    RECT touched{};
    if (index == m_nSource || index == m_nSource + 1 || (m_bOverSource && IntersectRect(&touched, mark, &m_sourceArea)))
        return -1;
    return index;
}

void CUVToolBarEditor::HideMark()
{
    if (m_nInsert < 0)
        return;
    HDC dc = GetDC(m_pBar->m_hWnd);
    InvertRect(dc, &m_mark);
    ReleaseDC(m_pBar->m_hWnd, dc);
    m_nInsert = -1;
}

void CUVToolBarEditor::UpdateMark(POINT point)
{
    RECT mark{};
    const int index = InsertionAt(point, &mark);
    if (index == m_nInsert)
        return;
    HideMark();
    if (index < 0)
        return;
    m_nInsert = index;
    m_mark = mark;
    HDC dc = GetDC(m_pBar->m_hWnd);
    InvertRect(dc, &m_mark);
    ReleaseDC(m_pBar->m_hWnd, dc);
}

void CUVToolBarEditor::Drop(void* data, POINT point)
{
    RECT mark{};
    const int insert = InsertionAt(point, &mark);
    HideMark();
    const auto* drag = static_cast<UVButtonDragData*>(data);
    m_bDroppedOnSelf = TRUE;
    if (drag->source != m_pBar || insert < 0)
        return;
    TBBUTTON button{};
    m_pBar->SendMessage(TB_GETBUTTON, drag->index, reinterpret_cast<LPARAM>(&button));
    const int to = drag->index < insert ? insert - 1 : insert;
    m_pBar->SendMessage(TB_DELETEBUTTON, drag->index);
    m_pBar->SendMessage(TB_INSERTBUTTONW, to, reinterpret_cast<LPARAM>(&button));
    m_nSelected = to;
    m_pBar->PostLayoutRequest();
    m_pBar->RepositionControls();
    m_pBar->PostMessage(WM_IDLEUPDATECMDUI, TRUE);
    if (CFrameWnd* frame = m_pBar->GetParentFrame())
        frame->DelayRecalcLayout();
}
