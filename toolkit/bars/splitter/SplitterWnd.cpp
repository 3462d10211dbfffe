#include "toolkit/bars/splitter/SplitterWnd.h"

#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Gdi.h"
#include "classlib/ui/View.h"
#include "toolkit/bars/docking/BarLook.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

IMPLEMENT_DYNAMIC(CUVSplitterWnd, CSplitterWnd)

BEGIN_MESSAGE_MAP(CUVSplitterWnd, CSplitterWnd)
ON_MESSAGE(WM_SETTINGCHANGE, &CUVSplitterWnd::OnSettingChange)
ON_MESSAGE(WM_LBUTTONDOWN, &CUVSplitterWnd::OnLButtonDownFull)
ON_MESSAGE(WM_MOUSEMOVE, &CUVSplitterWnd::OnMouseMoveFull)
ON_MESSAGE(WM_LBUTTONUP, &CUVSplitterWnd::OnLButtonUpFull)
END_MESSAGE_MAP()

namespace {

// Bars and gaps of the flat look and of the framework's look.
constexpr int kFlatSplitter = 6;
constexpr int kClassicSplitter = 7;
// Inside a splitter of its own kind, a released split rests this far above the tracker's bottom.
constexpr int kNestedRest = 4;
// The width of the inverted tracker.
constexpr int kTrackerWidth = 4;

}  // namespace

CUVSplitterWnd::CUVSplitterWnd()
{
    m_cxSplitter = m_cySplitter = m_cxSplitterGap = m_cySplitterGap = kFlatSplitter;
    ReadFullDragSetting();
}

void CUVSplitterWnd::ReadFullDragSetting()
{
    BOOL full = FALSE;
    ::SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    m_bFullDrag = full && !(m_dwSplitterStyle & styleNoFullDrag);
}

LRESULT CUVSplitterWnd::OnSettingChange(WPARAM, LPARAM)
{
    ReadFullDragSetting();
    return Default();
}

void CUVSplitterWnd::SetSplitterStyle(DWORD style)
{
    m_dwSplitterStyle = style;
    ReadFullDragSetting();
}

void CUVSplitterWnd::EnableFlatLook(BOOL flat)
{
    m_bFlatLook = flat;
    const int size = flat ? kFlatSplitter : kClassicSplitter;
    m_cxSplitter = m_cySplitter = m_cxSplitterGap = m_cySplitterGap = size;
    RecalcLayout();
}

int CUVSplitterWnd::HitTest(POINT point) const
{
    if (m_dwSplitterStyle & styleNoDrag)
        return HTBORDER;
    return CSplitterWnd::HitTest(point);
}

void CUVSplitterWnd::SetPaneId(CWnd* pane, int id)
{
    ::SetWindowLongPtrW(pane->m_hWnd, GWLP_ID, id);
}

CUVSplitterWnd::Line CUVSplitterWnd::Rows()
{
    return Line{true, m_nRows, m_nCols, m_nHiddenRow, m_pRowInfo};
}

CUVSplitterWnd::Line CUVSplitterWnd::Columns()
{
    return Line{false, m_nCols, m_nRows, m_nHiddenCol, m_pColInfo};
}

CWnd* CUVSplitterWnd::PaneOf(const Line& line, int index, int across) const
{
    return line.rows ? GetPane(index, across) : GetPane(across, index);
}

void CUVSplitterWnd::SetPaneIdOf(const Line& line, CWnd* pane, int index, int across)
{
    SetPaneId(pane, line.rows ? IdFromRowCol(index, across) : IdFromRowCol(across, index));
}

void CUVSplitterWnd::HideLine(Line line, int index)
{
    // The only row (column) stays, and there is nothing to hide past the last one. One hidden
    // before comes back first, so one always shows.
    const int total = line.count + (line.hidden != -1 ? 1 : 0);
    if (index < 0 || index >= total || total <= 1)
        return;
    ShowLine(line);
    int activeRow = -1;
    int activeColumn = -1;
    if (GetActivePane(&activeRow, &activeColumn) && (line.rows ? activeRow : activeColumn) == index) {
        if (line.rows)
            SetActivePane((index + 1) % line.count, activeColumn);
        else
            SetActivePane(activeRow, (index + 1) % line.count);
    }
    // Each visible row (column) keeps the size it has now, so that showing the hidden one again
    // restores them all.
    for (int i = 0; i < line.count; ++i)
        line.info[static_cast<size_t>(i)].nIdealSize = line.info[static_cast<size_t>(i)].nCurSize;
    std::vector<CWnd*> hidden;
    for (int across = 0; across < line.across; ++across)
        hidden.push_back(PaneOf(line, index, across));
    for (int i = index + 1; i < line.count; ++i) {
        for (int across = 0; across < line.across; ++across) {
            if (CWnd* pane = PaneOf(line, i, across))
                SetPaneIdOf(line, pane, i - 1, across);
        }
    }
    for (int across = 0; across < line.across; ++across) {
        if (CWnd* pane = hidden[static_cast<size_t>(across)]) {
            pane->ShowWindow(SW_HIDE);
            SetPaneIdOf(line, pane, line.count - 1, across);
        }
    }
    std::rotate(line.info.begin() + index, line.info.begin() + index + 1, line.info.begin() + line.count);
    line.hidden = index;
    line.count--;
    RecalcLayout();
}

void CUVSplitterWnd::ShowLine(Line line)
{
    if (line.hidden == -1)
        return;
    const int index = line.hidden;
    line.hidden = -1;
    std::vector<CWnd*> hidden;
    for (int across = 0; across < line.across; ++across)
        hidden.push_back(PaneOf(line, line.count, across));
    for (int i = line.count - 1; i >= index; --i) {
        for (int across = 0; across < line.across; ++across) {
            if (CWnd* pane = PaneOf(line, i, across))
                SetPaneIdOf(line, pane, i + 1, across);
        }
    }
    line.count++;
    std::rotate(line.info.begin() + index, line.info.begin() + line.count - 1, line.info.begin() + line.count);
    for (int across = 0; across < line.across; ++across) {
        if (CWnd* pane = hidden[static_cast<size_t>(across)]) {
            SetPaneIdOf(line, pane, index, across);
            pane->ShowWindow(SW_SHOWNA);
        }
    }
    RecalcLayout();
}

void CUVSplitterWnd::HideRow(int row)
{
    HideLine(Rows(), row);
}

void CUVSplitterWnd::ShowRow()
{
    ShowLine(Rows());
}

void CUVSplitterWnd::HideColumn(int column)
{
    HideLine(Columns(), column);
}

void CUVSplitterWnd::ShowColumn()
{
    ShowLine(Columns());
}

void CUVSplitterWnd::ExchangePaneViews(CWnd* first, CWnd* second)
{
    if (!first || !second || !first->m_hWnd || !second->m_hWnd)
        return;
    const int firstId = first->GetDlgCtrlID();
    SetPaneId(first, second->GetDlgCtrlID());
    SetPaneId(second, firstId);
    first->ShowWindow(SW_SHOWNA);
    second->ShowWindow(SW_SHOWNA);
    RecalcLayout();
}

CWnd* CUVSplitterWnd::ReplacePaneView(int row, int column, CWnd* view)
{
    CWnd* old = GetPane(row, column);
    if (!old || !view || !view->m_hWnd || view == old)
        return nullptr;
    old->ShowWindow(SW_HIDE);
    // Only one window may answer to the pane's id.
    SetPaneId(old, 0);
    SetPaneId(view, IdFromRowCol(row, column));
    view->ShowWindow(SW_SHOWNA);
    RecalcLayout();
    return old;
}

CWnd* CUVSplitterWnd::CreatePaneView(int row, int column, const CRuntimeClass* viewClass)
{
    CWnd* old = GetPane(row, column);
    if (!old || !viewClass || old->IsKindOf(viewClass))
        return nullptr;
    CObject* object = viewClass->CreateObject();
    auto* view = dynamic_cast<CWnd*>(object);
    if (!view) {
        delete object;
        return nullptr;
    }
    CCreateContext context;
    context.m_pNewViewClass = viewClass;
    if (old->IsKindOf(RUNTIME_CLASS(CView)))
        context.m_pCurrentDoc = static_cast<CView*>(old)->GetDocument();
    const int id = IdFromRowCol(row, column);
    const RECT rect{0, 0, m_pColInfo[static_cast<size_t>(column)].nCurSize,
                    m_pRowInfo[static_cast<size_t>(row)].nCurSize};
    // A view that fails to be created has deleted itself in PostNcDestroy.
    if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, this, static_cast<UINT>(id), &context))
        return nullptr;
    old->ShowWindow(SW_HIDE);
    SetPaneId(old, 0);
    CFrameWnd* frame = GetParentFrame();
    if (frame && frame->GetActiveView() == old && view->IsKindOf(RUNTIME_CLASS(CView)))
        frame->SetActiveView(static_cast<CView*>(view));
    RecalcLayout();
    view->SendMessage(WM_INITIALUPDATE);
    return old;
}

void CUVSplitterWnd::OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect)
{
    if (!dc) {
        CSplitterWnd::OnDrawSplitter(dc, type, rect);
        return;
    }
    if (type != splitBorder) {
        dc->FillSolidRect(&rect, GetUVBarColor(UVBarColor::face));
        return;
    }
    if (m_bFlatLook && (m_dwSplitterStyle & styleNoBorder))
        return;
    // Two nested frames: light outside and dark inside in the flat look, the other way round in
    // the framework's look.
    const COLORREF light = GetUVBarColor(UVBarColor::highlight);
    const COLORREF dark = GetUVBarColor(UVBarColor::shadow);
    CBrush outer(m_bFlatLook ? light : dark);
    CBrush inner(m_bFlatLook ? dark : light);
    RECT frame = rect;
    ::FrameRect(*dc, &frame, outer);
    ::InflateRect(&frame, -1, -1);
    ::FrameRect(*dc, &frame, inner);
}

void CUVSplitterWnd::OnInvertTracker(const RECT& rect)
{
    DrawTracker(rect, m_bFlatLook ? static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)) : AfxGetHalftoneBrush());
}

void CUVSplitterWnd::DrawTracker(const RECT& rect, HBRUSH brush)
{
    if (m_bFullDrag)
        return;
    HDC dc = ::GetDCEx(m_hWnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc)
        return;
    const bool across = rect.right - rect.left > rect.bottom - rect.top;  // a row's bar
    if (m_dwSplitterStyle & styleFocusTracker) {
        ::DrawFocusRect(dc, &rect);
    } else {
        // Narrowed to the tracker's width across the bar, centred on it.
        RECT narrow = rect;
        if (across) {
            narrow.top += (rect.bottom - rect.top - kTrackerWidth) / 2;
            narrow.bottom = narrow.top + kTrackerWidth;
        } else {
            narrow.left += (rect.right - rect.left - kTrackerWidth) / 2;
            narrow.right = narrow.left + kTrackerWidth;
        }
        HGDIOBJ old = ::SelectObject(dc, brush);
        ::PatBlt(dc, narrow.left, narrow.top, narrow.right - narrow.left, narrow.bottom - narrow.top, PATINVERT);
        ::SelectObject(dc, old);
    }
    ::ReleaseDC(m_hWnd, dc);
}

void CUVSplitterWnd::SetSplitCursor(int hit)
{
    if ((hit >= vSplitterBar1 && hit <= vSplitterBar15) ||
        (hit >= splitterIntersection1 && hit <= splitterIntersection225))
        ::SetCursor(GetUVBarCursor(UVBarCursor::splitRows));
    else if (hit >= hSplitterBar1 && hit <= hSplitterBar15)
        ::SetCursor(GetUVBarCursor(UVBarCursor::splitColumns));
    else
        CSplitterWnd::SetSplitCursor(hit);
}

LRESULT CUVSplitterWnd::OnLButtonDownFull(WPARAM wParam, LPARAM lParam)
{
    if (!m_bFullDrag)
        return OnLButtonDownMessage(wParam, lParam);
    if (!m_bTracking) {
        m_ptLastTrack = POINT{-1, -1};
        StartTracking(HitTest(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
    }
    return 0;
}

LRESULT CUVSplitterWnd::OnMouseMoveFull(WPARAM wParam, LPARAM lParam)
{
    if (!m_bFullDrag || !m_bTracking)
        return OnMouseMoveMessage(wParam, lParam);
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    point.x = std::clamp(point.x, m_rectLimit.left, m_rectLimit.right);
    point.y = std::clamp(point.y, m_rectLimit.top, m_rectLimit.bottom);
    MoveTrackerTo(point);
    ApplyTrackerPosition();
    RecalcLayout();
    // Painting waits for a move that went somewhere.
    if (point.x != m_ptLastTrack.x || point.y != m_ptLastTrack.y)
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    m_ptLastTrack = point;
    return 0;
}

LRESULT CUVSplitterWnd::OnLButtonUpFull(WPARAM wParam, LPARAM lParam)
{
    if (!m_bFullDrag || !m_bTracking)
        return OnLButtonUpMessage(wParam, lParam);
    int row = -1;
    int column = -1;
    CWnd* active = GetActivePane(&row, &column);
    // Nested in a splitter of its own kind, the split rests a little above the tracker's bottom.
    if (CWnd* parent = GetParent(); parent && parent->IsKindOf(RUNTIME_CLASS(CUVSplitterWnd))) {
        const bool columnBar = m_htTrack >= hSplitterBar1 && m_htTrack <= hSplitterBar15;
        RECT& rows = m_rectTracker;
        RECT& columns = columnBar ? m_rectTracker : m_rectTracker2;
        if (!columnBar)
            ::OffsetRect(&rows, 0, rows.bottom - kNestedRest - rows.top);
        if (columnBar || m_bTracking2)
            ::OffsetRect(&columns, columns.right - kNestedRest - columns.left, 0);
    }
    StopTracking(TRUE);
    if (active)
        SetActivePane(row, column, active);
    return 0;
}
