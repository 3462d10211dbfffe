#include "classlib/ui/SplitterWnd.h"

#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Gdi.h"
#include "classlib/ui/View.h"

#include <windowsx.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CSplitterWnd, CWnd)

BEGIN_MESSAGE_MAP(CSplitterWnd, CWnd)
ON_WM_SIZE()
ON_WM_PAINT()
ON_MESSAGE(WM_PRINTCLIENT, &CSplitterWnd::OnPrintClient)
ON_MESSAGE(WM_SETCURSOR, &CSplitterWnd::OnSetCursorMessage)
ON_MESSAGE(WM_MOUSEMOVE, &CSplitterWnd::OnMouseMoveMessage)
ON_MESSAGE(WM_LBUTTONDOWN, &CSplitterWnd::OnLButtonDownMessage)
ON_MESSAGE(WM_LBUTTONUP, &CSplitterWnd::OnLButtonUpMessage)
ON_MESSAGE(WM_CANCELMODE, &CSplitterWnd::OnCancelModeMessage)
ON_MESSAGE(WM_KEYDOWN, &CSplitterWnd::OnKeyDownMessage)
ON_MESSAGE(WM_CAPTURECHANGED, &CSplitterWnd::OnCaptureChangedMessage)
END_MESSAGE_MAP()

namespace {

bool IsRowBar(int hit)
{
    return hit >= CSplitterWnd::vSplitterBar1 && hit <= CSplitterWnd::vSplitterBar15;
}

bool IsColumnBar(int hit)
{
    return hit >= CSplitterWnd::hSplitterBar1 && hit <= CSplitterWnd::hSplitterBar15;
}

bool IsIntersection(int hit)
{
    return hit >= CSplitterWnd::splitterIntersection1 && hit <= CSplitterWnd::splitterIntersection225;
}

}  // namespace

HBRUSH AfxGetHalftoneBrush()
{
    static HBRUSH brush = [] {
        static const WORD rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
        CBitmap pattern;
        pattern.CreateBitmap(8, 8, 1, 1, rows);
        return ::CreatePatternBrush(pattern);
    }();
    return brush;
}

CSplitterWnd::CSplitterWnd()
{
    m_pRowInfo.resize(kMaxRowsCols);
    m_pColInfo.resize(kMaxRowsCols);
}

BOOL CSplitterWnd::CreateStatic(CWnd* parent, int rows, int columns, DWORD style, UINT id)
{
    if (!parent || rows < 1 || rows > kMaxRowsCols || columns < 1 || columns > kMaxRowsCols)
        return FALSE;
    m_nRows = m_nMaxRows = rows;
    m_nCols = m_nMaxCols = columns;
    const wchar_t* className =
        AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // The panes are children: painting the splitter must leave them alone.
    return Create(className, nullptr, style | WS_CHILD | WS_CLIPCHILDREN, RECT{0, 0, 0, 0}, parent, id);
}

BOOL CSplitterWnd::CreateView(int row, int column, const CRuntimeClass* viewClass, SIZE sizeInit,
                              CCreateContext* context)
{
    if (row < 0 || row >= m_nRows || column < 0 || column >= m_nCols || !viewClass || GetPane(row, column))
        return FALSE;
    CObject* object = viewClass->CreateObject();
    auto* view = dynamic_cast<CWnd*>(object);
    if (!view) {
        delete object;
        return FALSE;
    }
    m_pColInfo[static_cast<size_t>(column)].nIdealSize = sizeInit.cx;
    m_pRowInfo[static_cast<size_t>(row)].nIdealSize = sizeInit.cy;
    // No border of its own: the splitter draws the border around each pane. A view that fails to
    // be created has deleted itself in PostNcDestroy.
    return view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, this,
                        static_cast<UINT>(IdFromRowCol(row, column)), context);
}

void CSplitterWnd::GetRowInfo(int row, int& current, int& minimum) const
{
    const CRowColInfo& info = m_pRowInfo[static_cast<size_t>(std::clamp(row, 0, kMaxRowsCols - 1))];
    current = info.nCurSize;
    minimum = info.nMinSize;
}

void CSplitterWnd::SetRowInfo(int row, int ideal, int minimum)
{
    if (row < 0 || row >= m_nMaxRows)
        return;
    m_pRowInfo[static_cast<size_t>(row)].nIdealSize = std::max(ideal, 0);
    m_pRowInfo[static_cast<size_t>(row)].nMinSize = std::max(minimum, 0);
}

void CSplitterWnd::GetColumnInfo(int column, int& current, int& minimum) const
{
    const CRowColInfo& info = m_pColInfo[static_cast<size_t>(std::clamp(column, 0, kMaxRowsCols - 1))];
    current = info.nCurSize;
    minimum = info.nMinSize;
}

void CSplitterWnd::SetColumnInfo(int column, int ideal, int minimum)
{
    if (column < 0 || column >= m_nMaxCols)
        return;
    m_pColInfo[static_cast<size_t>(column)].nIdealSize = std::max(ideal, 0);
    m_pColInfo[static_cast<size_t>(column)].nMinSize = std::max(minimum, 0);
}

int CSplitterWnd::IdFromRowCol(int row, int column) const
{
    return static_cast<int>(AFX_IDW_PANE_FIRST) + row * 16 + column;
}

CWnd* CSplitterWnd::GetPane(int row, int column) const
{
    HWND pane = ::GetDlgItem(m_hWnd, IdFromRowCol(row, column));
    return pane ? FromHandle(pane) : nullptr;
}

BOOL CSplitterWnd::IsChildPane(CWnd* wnd, int* row, int* column) const
{
    if (!wnd || !wnd->m_hWnd || ::GetParent(wnd->m_hWnd) != m_hWnd)
        return FALSE;
    const int id = wnd->GetDlgCtrlID() - static_cast<int>(AFX_IDW_PANE_FIRST);
    if (id < 0 || id / 16 >= m_nRows || id % 16 >= m_nCols)
        return FALSE;
    if (row)
        *row = id / 16;
    if (column)
        *column = id % 16;
    return TRUE;
}

CWnd* CSplitterWnd::GetActivePane(int* row, int* column)
{
    CWnd* pane = nullptr;
    if (CFrameWnd* frame = GetParentFrame())
        pane = frame->GetActiveView();
    if (!pane || !IsChildPane(pane, row, column))
        pane = FromHandle(::GetFocus());
    return pane && IsChildPane(pane, row, column) ? pane : nullptr;
}

void CSplitterWnd::SetActivePane(int row, int column, CWnd* wnd)
{
    CWnd* pane = wnd ? wnd : GetPane(row, column);
    if (!pane)
        return;
    CFrameWnd* frame = GetParentFrame();
    if (frame && pane->IsKindOf(RUNTIME_CLASS(CView)))
        frame->SetActiveView(static_cast<CView*>(pane));
    pane->SetFocus();
}

void CSplitterWnd::GetInsideRect(RECT& rect) const
{
    GetClientRect(&rect);
    ::InflateRect(&rect, -m_cxBorder, -m_cyBorder);
}

int CSplitterWnd::ColumnStart(int index) const
{
    RECT inside;
    GetInsideRect(inside);
    int x = inside.left;
    for (int c = 0; c < index; ++c)
        x += m_pColInfo[static_cast<size_t>(c)].nCurSize + m_cxSplitterGap;
    return x;
}

int CSplitterWnd::RowStart(int index) const
{
    RECT inside;
    GetInsideRect(inside);
    int y = inside.top;
    for (int r = 0; r < index; ++r)
        y += m_pRowInfo[static_cast<size_t>(r)].nCurSize + m_cySplitterGap;
    return y;
}

namespace {

// Gives each row (column) its ideal size in order, none to one whose ideal is below its minimum
// or that finds no room left, and the last one what remains.
void LayoutRowCol(std::vector<CSplitterWnd::CRowColInfo>& info, int count, int size, int gap)
{
    int room = std::max(size - (count - 1) * gap, 0);
    for (int i = 0; i < count; ++i) {
        CSplitterWnd::CRowColInfo& entry = info[static_cast<size_t>(i)];
        if (i == count - 1) {
            entry.nCurSize = room;
            break;
        }
        const int want = entry.nIdealSize < entry.nMinSize ? 0 : entry.nIdealSize;
        entry.nCurSize = std::min(want, room);
        room -= entry.nCurSize;
    }
}

}  // namespace

void CSplitterWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    RECT inside;
    GetInsideRect(inside);
    LayoutRowCol(m_pRowInfo, m_nRows, inside.bottom - inside.top, m_cySplitterGap);
    LayoutRowCol(m_pColInfo, m_nCols, inside.right - inside.left, m_cxSplitterGap);
    HDWP positions = ::BeginDeferWindowPos(m_nRows * m_nCols);
    for (int row = 0; row < m_nRows; ++row) {
        for (int column = 0; column < m_nCols; ++column) {
            HWND pane = ::GetDlgItem(m_hWnd, IdFromRowCol(row, column));
            if (!pane)
                continue;
            const RECT rect{ColumnStart(column), RowStart(row),
                            ColumnStart(column) + m_pColInfo[static_cast<size_t>(column)].nCurSize,
                            RowStart(row) + m_pRowInfo[static_cast<size_t>(row)].nCurSize};
            // A pane already in place is left alone: every move costs a server round trip. The
            // others are erased with the paint that follows: under Wine an erase inside the move
            // costs more than the move itself.
            RECT current;
            ::GetWindowRect(pane, &current);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&current), 2);
            if (!EqualRect(&current, &rect) && positions)
                positions = ::DeferWindowPos(positions, pane, nullptr, rect.left, rect.top, rect.right - rect.left,
                                             rect.bottom - rect.top, SWP_NOACTIVATE | SWP_NOZORDER | SWP_DEFERERASE);
        }
    }
    if (positions)
        ::EndDeferWindowPos(positions);
    // The bars moved with the panes.
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CSplitterWnd::GetHitRect(int hit, RECT& rect) const
{
    RECT inside;
    GetInsideRect(inside);
    rect = RECT{};
    if (IsRowBar(hit)) {
        const int row = hit - vSplitterBar1;
        const int top = RowStart(row) + m_pRowInfo[static_cast<size_t>(row)].nCurSize;
        rect = RECT{inside.left, top, inside.right, top + m_cySplitterGap};
    } else if (IsColumnBar(hit)) {
        const int column = hit - hSplitterBar1;
        const int left = ColumnStart(column) + m_pColInfo[static_cast<size_t>(column)].nCurSize;
        rect = RECT{left, inside.top, left + m_cxSplitterGap, inside.bottom};
    } else if (IsIntersection(hit)) {
        const int row = (hit - splitterIntersection1) / 15;
        const int column = (hit - splitterIntersection1) % 15;
        const int top = RowStart(row) + m_pRowInfo[static_cast<size_t>(row)].nCurSize;
        const int left = ColumnStart(column) + m_pColInfo[static_cast<size_t>(column)].nCurSize;
        rect = RECT{left, top, left + m_cxSplitterGap, top + m_cySplitterGap};
    }
}

int CSplitterWnd::HitTest(POINT point) const
{
    RECT inside;
    GetInsideRect(inside);
    if (!PtInRect(&inside, point))
        return noHit;
    int row = -1;
    for (int r = 0; r < m_nRows - 1 && row < 0; ++r) {
        const int top = RowStart(r) + m_pRowInfo[static_cast<size_t>(r)].nCurSize;
        if (point.y >= top && point.y < top + m_cySplitterGap)
            row = r;
    }
    int column = -1;
    for (int c = 0; c < m_nCols - 1 && column < 0; ++c) {
        const int left = ColumnStart(c) + m_pColInfo[static_cast<size_t>(c)].nCurSize;
        if (point.x >= left && point.x < left + m_cxSplitterGap)
            column = c;
    }
    if (row >= 0 && column >= 0)
        return splitterIntersection1 + row * 15 + column;
    if (row >= 0)
        return vSplitterBar1 + row;
    if (column >= 0)
        return hSplitterBar1 + column;
    return noHit;
}

void CSplitterWnd::OnSize(UINT type, int, int)
{
    Default();
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
}

void CSplitterWnd::OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect)
{
    if (!dc) {
        ::InvalidateRect(m_hWnd, &rect, FALSE);
        return;
    }
    if (type == splitBorder) {
        // A sunken 3-D frame around the pane.
        RECT frame = rect;
        ::DrawEdge(*dc, &frame, EDGE_SUNKEN, BF_RECT);
        return;
    }
    dc->FillSolidRect(&rect, ::GetSysColor(COLOR_BTNFACE));
}

void CSplitterWnd::DrawAllSplitBars(CDC* dc, int outsideRight, int outsideBottom)
{
    RECT inside;
    GetInsideRect(inside);
    for (int row = 0; row < m_nRows - 1; ++row) {
        RECT bar;
        GetHitRect(vSplitterBar1 + row, bar);
        bar.right = outsideRight;
        OnDrawSplitter(dc, splitBar, bar);
    }
    for (int column = 0; column < m_nCols - 1; ++column) {
        RECT bar;
        GetHitRect(hSplitterBar1 + column, bar);
        bar.bottom = outsideBottom;
        OnDrawSplitter(dc, splitBar, bar);
    }
    for (int row = 0; row < m_nRows - 1; ++row) {
        for (int column = 0; column < m_nCols - 1; ++column) {
            RECT crossing;
            GetHitRect(splitterIntersection1 + row * 15 + column, crossing);
            OnDrawSplitter(dc, splitIntersection, crossing);
        }
    }
    // Each pane's border lies in the gap around it.
    for (int row = 0; row < m_nRows; ++row) {
        for (int column = 0; column < m_nCols; ++column) {
            RECT border{ColumnStart(column), RowStart(row),
                        ColumnStart(column) + m_pColInfo[static_cast<size_t>(column)].nCurSize,
                        RowStart(row) + m_pRowInfo[static_cast<size_t>(row)].nCurSize};
            ::InflateRect(&border, m_cxBorder, m_cyBorder);
            OnDrawSplitter(dc, splitBorder, border);
        }
    }
}

void CSplitterWnd::OnPaint()
{
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    DrawAllSplitBars(&dc, client.right, client.bottom);
}

LRESULT CSplitterWnd::OnPrintClient(WPARAM dcHandle, LPARAM)
{
    CDC dc;
    dc.Attach(reinterpret_cast<HDC>(dcHandle));
    RECT client;
    GetClientRect(&client);
    DrawAllSplitBars(&dc, client.right, client.bottom);
    dc.Detach();
    return 0;
}

void CSplitterWnd::SetSplitCursor(int hit)
{
    const wchar_t* cursor = IDC_ARROW;
    if (IsRowBar(hit))
        cursor = IDC_SIZENS;
    else if (IsColumnBar(hit))
        cursor = IDC_SIZEWE;
    else if (IsIntersection(hit))
        cursor = IDC_SIZEALL;
    ::SetCursor(::LoadCursorW(nullptr, cursor));
}

LRESULT CSplitterWnd::OnSetCursorMessage(WPARAM window, LPARAM lParam)
{
    if (reinterpret_cast<HWND>(window) == m_hWnd && LOWORD(lParam) == HTCLIENT && !m_bTracking) {
        POINT point;
        ::GetCursorPos(&point);
        ::ScreenToClient(m_hWnd, &point);
        const int hit = HitTest(point);
        if (hit != noHit) {
            SetSplitCursor(hit);
            return TRUE;
        }
    }
    return Default();
}

void CSplitterWnd::StartTracking(int hit)
{
    if (hit < vSplitterBar1 || m_bTracking)
        return;
    m_htTrack = hit;
    m_bTracking2 = FALSE;
    if (IsIntersection(hit)) {
        // A crossing moves both bars: the row's tracker and the column's.
        const int row = (hit - splitterIntersection1) / 15;
        const int column = (hit - splitterIntersection1) % 15;
        GetHitRect(vSplitterBar1 + row, m_rectTracker);
        GetHitRect(hSplitterBar1 + column, m_rectTracker2);
        m_bTracking2 = TRUE;
    } else {
        GetHitRect(hit, m_rectTracker);
    }
    GetInsideRect(m_rectLimit);
    m_hWndOldFocus = ::SetFocus(m_hWnd);  // Esc cancels
    ::SetCapture(m_hWnd);
    m_bTracking = TRUE;
    SetSplitCursor(hit);
    OnInvertTracker(m_rectTracker);
    if (m_bTracking2)
        OnInvertTracker(m_rectTracker2);
}

void CSplitterWnd::StopTracking(BOOL accept)
{
    if (!m_bTracking)
        return;
    // Cleared first: releasing the capture sends WM_CAPTURECHANGED, which stops tracking too.
    m_bTracking = FALSE;
    ::ReleaseCapture();
    OnInvertTracker(m_rectTracker);
    if (m_bTracking2)
        OnInvertTracker(m_rectTracker2);
    if (m_hWndOldFocus && ::IsWindow(m_hWndOldFocus))
        ::SetFocus(m_hWndOldFocus);
    m_hWndOldFocus = nullptr;
    if (!accept)
        return;
    ApplyTrackerPosition();
    RecalcLayout();
}

void CSplitterWnd::ApplyTrackerPosition()
{
    if (IsRowBar(m_htTrack)) {
        TrackRowSize(m_rectTracker.top, m_htTrack - vSplitterBar1);
    } else if (IsColumnBar(m_htTrack)) {
        TrackColumnSize(m_rectTracker.left, m_htTrack - hSplitterBar1);
    } else if (IsIntersection(m_htTrack)) {
        TrackRowSize(m_rectTracker.top, (m_htTrack - splitterIntersection1) / 15);
        TrackColumnSize(m_rectTracker2.left, (m_htTrack - splitterIntersection1) % 15);
    }
}

void CSplitterWnd::TrackRowSize(int y, int row)
{
    CRowColInfo& info = m_pRowInfo[static_cast<size_t>(row)];
    const int size = y - RowStart(row);
    // A row dragged below its minimum goes out of sight.
    info.nIdealSize = size < info.nMinSize ? 0 : std::max(size, 0);
}

void CSplitterWnd::TrackColumnSize(int x, int column)
{
    CRowColInfo& info = m_pColInfo[static_cast<size_t>(column)];
    const int size = x - ColumnStart(column);
    info.nIdealSize = size < info.nMinSize ? 0 : std::max(size, 0);
}

void CSplitterWnd::OnInvertTracker(const RECT& rect)
{
    // Drawn over the panes too: the DC does not clip the children.
    HDC dc = ::GetDCEx(m_hWnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc)
        return;
    HGDIOBJ old = ::SelectObject(dc, AfxGetHalftoneBrush());
    ::PatBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, PATINVERT);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

LRESULT CSplitterWnd::OnLButtonDownMessage(WPARAM, LPARAM point)
{
    if (!m_bTracking)
        StartTracking(HitTest(POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}));
    return 0;
}

LRESULT CSplitterWnd::OnMouseMoveMessage(WPARAM, LPARAM lParam)
{
    if (!m_bTracking)
        return Default();
    MoveTrackerTo(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    return 0;
}

void CSplitterWnd::MoveTrackerTo(POINT point)
{
    auto moveTo = [&](RECT& tracker, bool rows) {
        RECT moved = tracker;
        if (rows) {
            const int height = tracker.bottom - tracker.top;
            const int top =
                std::clamp(static_cast<int>(point.y) - height / 2, static_cast<int>(m_rectLimit.top),
                           std::max(static_cast<int>(m_rectLimit.bottom) - height, static_cast<int>(m_rectLimit.top)));
            ::OffsetRect(&moved, 0, top - tracker.top);
        } else {
            const int width = tracker.right - tracker.left;
            const int left =
                std::clamp(static_cast<int>(point.x) - width / 2, static_cast<int>(m_rectLimit.left),
                           std::max(static_cast<int>(m_rectLimit.right) - width, static_cast<int>(m_rectLimit.left)));
            ::OffsetRect(&moved, left - tracker.left, 0);
        }
        if (EqualRect(&moved, &tracker))
            return;
        OnInvertTracker(tracker);
        tracker = moved;
        OnInvertTracker(tracker);
    };
    if (IsRowBar(m_htTrack) || IsIntersection(m_htTrack))
        moveTo(m_rectTracker, true);
    if (IsColumnBar(m_htTrack))
        moveTo(m_rectTracker, false);
    if (m_bTracking2)
        moveTo(m_rectTracker2, false);
}

LRESULT CSplitterWnd::OnLButtonUpMessage(WPARAM, LPARAM)
{
    if (!m_bTracking)
        return Default();
    StopTracking(TRUE);
    return 0;
}

LRESULT CSplitterWnd::OnCancelModeMessage(WPARAM, LPARAM)
{
    StopTracking(FALSE);
    return Default();
}

LRESULT CSplitterWnd::OnCaptureChangedMessage(WPARAM, LPARAM)
{
    StopTracking(FALSE);
    return Default();
}

LRESULT CSplitterWnd::OnKeyDownMessage(WPARAM key, LPARAM)
{
    if (m_bTracking && key == VK_ESCAPE) {
        StopTracking(FALSE);
        return 0;
    }
    return Default();
}
