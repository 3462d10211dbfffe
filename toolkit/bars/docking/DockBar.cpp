#include "toolkit/bars/docking/DockBar.h"

#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "classlib/ui/ResourceException.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/docking/BarMenu.h"
#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/docking/DockingWindowOps.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MemDC.h"

#include <windowsx.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CUVDockBar, CDockBar)

BEGIN_MESSAGE_MAP(CUVDockBar, CDockBar)
ON_MESSAGE(WM_PAINT, &CUVDockBar::OnPaint)
ON_MESSAGE(WM_NCHITTEST, &CUVDockBar::OnNcHitTest)
ON_MESSAGE(WM_SETCURSOR, &CUVDockBar::OnSetCursor)
ON_MESSAGE(WM_NCLBUTTONDOWN, &CUVDockBar::OnNcLButtonDown)
ON_MESSAGE(WM_MOUSEMOVE, &CUVDockBar::OnMouseMove)
ON_MESSAGE(WM_LBUTTONUP, &CUVDockBar::OnLButtonUp)
ON_MESSAGE(WM_KEYDOWN, &CUVDockBar::OnKeyDown)
ON_MESSAGE(WM_CAPTURECHANGED, &CUVDockBar::OnCaptureChanged)
ON_MESSAGE(WM_RBUTTONDOWN, &CUVDockBar::OnRButtonDown)
END_MESSAGE_MAP()

namespace {

struct Side {
    UINT id;
    DWORD align;
};

// The frame's side order: top and bottom run the full width, left and right fit between them.
constexpr Side kSides[] = {
    {AFX_IDW_DOCKBAR_TOP, CBRS_ALIGN_TOP},
    {AFX_IDW_DOCKBAR_BOTTOM, CBRS_ALIGN_BOTTOM},
    {AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_LEFT},
    {AFX_IDW_DOCKBAR_RIGHT, CBRS_ALIGN_RIGHT},
};

int Along(const SIZE& size, bool horz)
{
    return horz ? size.cx : size.cy;
}

int Across(const SIZE& size, bool horz)
{
    return horz ? size.cy : size.cx;
}

SIZE MakeSize(int along, int across, bool horz)
{
    return horz ? SIZE{along, across} : SIZE{across, along};
}

}  // namespace

void EnableUVDocking(CFrameWnd* frame, DWORD dockStyle, DWORD flags)
{
    for (const Side& side : kSides) {
        if (!(dockStyle & side.align) || frame->GetControlBar(side.id))
            continue;
        auto* dockBar = new CUVDockBar;
        dockBar->m_dwDockFlags = flags;
        // A failed creation has deleted the dock bar (it deletes itself after its window).
        if (!dockBar->Create(frame, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | side.align, side.id))
            throw CResourceException();
    }
    frame->EnableDocking(dockStyle);
}

CUVDockBar::CUVDockBar(BOOL floating) : CDockBar(floating) {}

IUVDockingWindow* CUVDockBar::AsDockingWindow(CControlBar* bar)
{
    return bar ? dynamic_cast<IUVDockingWindow*>(bar) : nullptr;
}

void CUVDockBar::DockControlBar(CControlBar* bar, const RECT* rect)
{
    if (AsDockingWindow(bar) && bar->IsKindOf(RUNTIME_CLASS(CUVControlBar)))
        static_cast<CUVControlBar*>(bar)->m_dwStyleEx |= UVBS_NEWLY_PLACED;
    CDockBar::DockControlBar(bar, rect);
}

std::vector<std::vector<int>> CUVDockBar::VisibleRows() const
{
    std::vector<std::vector<int>> rows;
    std::vector<int> row;
    for (size_t pos = 1; pos < m_arrBars.size(); ++pos) {
        if (!m_arrBars[pos]) {
            if (!row.empty())
                rows.push_back(row);
            row.clear();
            continue;
        }
        CControlBar* bar = GetDockedControlBar(static_cast<int>(pos));
        if (bar && bar->IsVisible())
            row.push_back(static_cast<int>(pos));
    }
    if (!row.empty())
        rows.push_back(row);
    return rows;
}

std::vector<int> CUVDockBar::RowOf(CControlBar* bar) const
{
    for (const std::vector<int>& row : VisibleRows()) {
        for (int pos : row) {
            if (GetDockedControlBar(pos) == bar)
                return row;
        }
    }
    return {};
}

void CUVDockBar::Expand(CControlBar* bar, BOOL redraw)
{
    IUVDockingWindow* window = AsDockingWindow(bar);
    if (!window)
        return;
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    int given = 0;
    for (int pos : RowOf(bar)) {
        IUVDockingWindow* other = AsDockingWindow(GetDockedControlBar(pos));
        if (other && other != window)
            given += other->CollapseToGripper();
    }
    window->ShowExpanded(Along(window->GetDockedSize(), horz) + given);
    if (CFrameWnd* frame = GetDockingFrame(); frame && redraw)
        frame->RecalcLayout();
}

void CUVDockBar::Contract(CControlBar* bar, BOOL redraw)
{
    for (int pos : RowOf(bar)) {
        if (IUVDockingWindow* window = AsDockingWindow(GetDockedControlBar(pos)))
            window->RestoreDockedSize();
    }
    if (CFrameWnd* frame = GetDockingFrame(); frame && redraw)
        frame->RecalcLayout();
}

int CUVDockBar::RowLength() const
{
    RECT area = m_rectLayout;
    if (IsRectEmpty(&area)) {
        if (CFrameWnd* frame = GetParentFrame())
            frame->GetClientRect(&area);
    }
    return (m_dwStyle & CBRS_ORIENT_HORZ) ? area.right - area.left : area.bottom - area.top;
}

namespace {

// Whether a bar strip goes between the bars at k-1 and k of `row`: after a docking window while
// docking windows remain, or before a docking window that is not the row's first.
template <class IsWindow>
bool StripBefore(const std::vector<int>& row, size_t k, IsWindow isWindow)
{
    if (k == 0)
        return false;
    if (isWindow(row[k]))
        return true;
    if (!isWindow(row[k - 1]))
        return false;
    for (size_t j = k; j < row.size(); ++j) {
        if (isWindow(row[j]))
            return true;
    }
    return false;
}

DWORD DockedMode(const CControlBar* bar)
{
    if ((bar->m_dwStyle & CBRS_SIZE_DYNAMIC) && (bar->m_dwStyle & CBRS_FLOATING))
        return LM_HORZ | LM_MRUWIDTH;
    if (bar->m_dwStyle & CBRS_ORIENT_HORZ)
        return LM_HORZ | LM_HORZDOCK;
    return LM_VERTDOCK;
}

}  // namespace

int CUVDockBar::FixedPartOf(const std::vector<int>& row) const
{
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    const auto isWindow = [this](int pos) { return AsDockingWindow(GetDockedControlBar(pos)) != nullptr; };
    int fixedPart = 0;
    for (size_t k = 0; k < row.size(); ++k) {
        if (StripBefore(row, k, isWindow))
            fixedPart += kUVStripSize;
        CControlBar* bar = GetDockedControlBar(row[k]);
        if (!isWindow(row[k]))
            fixedPart += Along(bar->CalcDynamicLayout(-1, DockedMode(bar)), horz);
    }
    return fixedPart;
}

void CUVDockBar::ShareRow(const std::vector<int>& row)
{
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    std::vector<IUVDockingWindow*> windows;
    IUVDockingWindow* newcomer = nullptr;
    CControlBar* newcomerBar = nullptr;
    // An expanded window is shared as if it were not, and expanded again afterwards.
    CControlBar* expanded = nullptr;
    for (int pos : row) {
        CControlBar* bar = GetDockedControlBar(pos);
        if (IUVDockingWindow* window = AsDockingWindow(bar); window && window->IsExpanded()) {
            expanded = bar;
            window->RestoreDockedSize();
        }
    }
    int thickness = 0;
    for (int pos : row) {
        CControlBar* bar = GetDockedControlBar(pos);
        IUVDockingWindow* window = AsDockingWindow(bar);
        const SIZE size = window ? window->GetDockedSize() : bar->CalcDynamicLayout(-1, DockedMode(bar));
        thickness = std::max(thickness, Across(size, horz));
        if (!window)
            continue;
        auto* toolkitBar = static_cast<CUVControlBar*>(bar);
        if (!newcomer && (toolkitBar->m_dwStyleEx & UVBS_NEWLY_PLACED)) {
            newcomer = window;
            newcomerBar = bar;
            toolkitBar->m_dwStyleEx &= ~UVBS_NEWLY_PLACED;
        }
        windows.push_back(window);
    }
    if (windows.empty())
        return;
    const int length = RowLength();
    const int fixedPart = FixedPartOf(row);
    if (windows.size() == 1) {
        windows[0]->SetDockedSize(MakeSize(length - fixedPart, thickness, horz));
        if (expanded)
            Expand(expanded, FALSE);
        return;
    }
    // What is left over (or missing) once every window has its docked length.
    int surplus = length - fixedPart;
    for (IUVDockingWindow* window : windows)
        surplus -= Along(window->GetDockedSize(), horz);
    int count = static_cast<int>(windows.size()) - (newcomer ? 1 : 0);
    for (size_t i = 0; i < windows.size(); ++i) {
        IUVDockingWindow* window = windows[i];
        if (window == newcomer)
            continue;
        int share = surplus / count;
        if (surplus < 0) {
            // The windows after this one can give up only down to their grippers.
            int canGive = 0;
            for (size_t j = i + 1; j < windows.size(); ++j) {
                if (windows[j] != newcomer)
                    canGive += Along(windows[j]->GetDockedSize(), horz) - windows[j]->GetGripperSize();
            }
            if (canGive <= -(surplus - share))
                share = surplus + canGive;
        }
        const int old = Along(window->GetDockedSize(), horz);
        const int now = std::max(old + share, window->GetGripperSize());
        window->SetDockedSize(MakeSize(now, thickness, horz));
        surplus -= now - old;
        --count;
    }
    if (newcomer) {
        const int old = Along(newcomer->GetDockedSize(), horz);
        newcomer->SetDockedSize(MakeSize(std::max(old + surplus, newcomer->GetGripperSize()), thickness, horz));
    }
    if (expanded)
        Expand(newcomerBar ? newcomerBar : expanded, FALSE);
}

bool CUVDockBar::SeparateMenuBars()
{
    for (size_t pos = 1; pos < m_arrBars.size(); ++pos) {
        CControlBar* bar = GetDockedControlBar(static_cast<int>(pos));
        if (!bar || !m_arrBars[pos - 1] || !bar->IsKindOf(RUNTIME_CLASS(CUVControlBar)) ||
            !static_cast<CUVControlBar*>(bar)->IsMenuBar())
            continue;
        size_t start = pos;
        while (start > 0 && m_arrBars[start - 1])
            --start;
        m_arrBars.erase(m_arrBars.begin() + static_cast<std::ptrdiff_t>(pos));
        m_arrBars.insert(m_arrBars.begin() + static_cast<std::ptrdiff_t>(start), nullptr);
        m_arrBars.insert(m_arrBars.begin() + static_cast<std::ptrdiff_t>(start), bar);
        return true;
    }
    return false;
}

void CUVDockBar::DropBorder(CControlBar* bar, DWORD border) const
{
    // With flag 0x80 (the application's choice) only docking windows give up their borders.
    if (AsDockingWindow(bar) || !(m_dwDockFlags & UVDB_KEEP_BAR_BORDERS))
        bar->m_dwStyle &= ~border;
}

SIZE CUVDockBar::CalcFixedLayout(BOOL stretch, BOOL horzQuery)
{
    CFrameWnd* frame = GetDockingFrame();
    if (SeparateMenuBars() && frame)
        frame->DelayRecalcLayout();
    Invalidate();
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    const bool leading = (m_dwStyle & (CBRS_ALIGN_TOP | CBRS_ALIGN_LEFT)) != 0;
    const DWORD innerBorder =
        horz ? (leading ? CBRS_BORDER_BOTTOM : CBRS_BORDER_TOP) : (leading ? CBRS_BORDER_RIGHT : CBRS_BORDER_LEFT);
    const DWORD outerBorder =
        horz ? (leading ? CBRS_BORDER_TOP : CBRS_BORDER_BOTTOM) : (leading ? CBRS_BORDER_LEFT : CBRS_BORDER_RIGHT);
    const DWORD afterBorder = horz ? CBRS_BORDER_RIGHT : CBRS_BORDER_BOTTOM;
    const DWORD beforeBorder = horz ? CBRS_BORDER_LEFT : CBRS_BORDER_TOP;
    const int available = horz ? RowLength() : RowLength() - 2;
    const auto isWindow = [this](int pos) { return AsDockingWindow(GetDockedControlBar(pos)) != nullptr; };

    m_trackers.clear();
    AFX_SIZEPARENTPARAMS layout;
    layout.hDWP = m_bLayoutQuery ? nullptr : ::BeginDeferWindowPos(static_cast<int>(m_arrBars.size()));
    m_bPlacingBars = layout.hDWP != nullptr;
    const auto rowStrip = [&](int offset, int index) {
        UVSplitterTracker tracker;
        tracker.kind = UVSplitterTracker::row;
        tracker.index = index;
        tracker.rect = horz ? RECT{0, offset, available, offset + kUVStripSize}
                            : RECT{offset, 0, offset + kUVStripSize, available};
        m_trackers.push_back(tracker);
    };
    int offset = -1;
    int longest = 0;
    std::vector<int> wraps;
    std::vector<int> previous;
    bool previousHadWindows = false;
    for (const std::vector<int>& row : VisibleRows()) {
        const int windows = static_cast<int>(std::count_if(row.begin(), row.end(), isWindow));
        if (leading ? previousHadWindows : windows > 0) {
            rowStrip(offset, leading ? previous.front() : row.front());
            offset += kUVStripSize;
            if (leading) {
                for (int pos : previous)
                    DropBorder(GetDockedControlBar(pos), innerBorder);
            }
            for (int pos : row)
                DropBorder(GetDockedControlBar(pos), leading ? outerBorder : innerBorder);
        }
        if (windows > 0) {
            int sum = FixedPartOf(row);
            bool newcomer = false;
            for (int pos : row) {
                CControlBar* bar = GetDockedControlBar(pos);
                if (IUVDockingWindow* window = AsDockingWindow(bar)) {
                    sum += Along(window->GetDockedSize(), horz);
                    newcomer |= (static_cast<CUVControlBar*>(bar)->m_dwStyleEx & UVBS_NEWLY_PLACED) != 0;
                }
            }
            if (sum != RowLength() || newcomer)
                ShareRow(row);
        }
        int position = 0;
        int thickness = 0;
        const size_t firstStrip = m_trackers.size();
        for (size_t k = 0; k < row.size(); ++k) {
            CControlBar* bar = GetDockedControlBar(row[k]);
            IUVDockingWindow* window = AsDockingWindow(bar);
            if (StripBefore(row, k, isWindow)) {
                UVSplitterTracker tracker;
                tracker.kind = UVSplitterTracker::bar;
                tracker.index = row[k];
                tracker.rect = horz ? RECT{position, offset, position + kUVStripSize, offset}
                                    : RECT{offset, position, offset, position + kUVStripSize};
                m_trackers.push_back(tracker);
                position += kUVStripSize;
                DropBorder(GetDockedControlBar(row[k - 1]), afterBorder);
                DropBorder(bar, beforeBorder);
            }
            const SIZE size = window ? window->GetDockedSize() : bar->CalcDynamicLayout(-1, DockedMode(bar));
            int start = position;
            // A bar that reaches past the row's end is pulled back, never before the bars ahead.
            if (!m_bFloating && !windows && start + Along(size, horz) > available)
                start = std::max(position, available - Along(size, horz));
            // Nothing of it would show: it starts a new row at the next layout.
            if (!m_bFloating && !windows && k > 0 && start >= available)
                wraps.push_back(row[k]);
            RECT rect = horz ? RECT{start, offset, start + size.cx, offset + size.cy}
                             : RECT{offset, start, offset + size.cx, start + size.cy};
            RECT current;
            bar->GetWindowRect(&current);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&current), 2);
            if (!EqualRect(&rect, &current))
                AfxRepositionWindow(&layout, bar->m_hWnd, rect);
            if (window)
                window->SetOnlyInRow(windows == 1);
            position = start + Along(size, horz);
            thickness = std::max(thickness, Across(size, horz));
        }
        // The row's last bar: a docking window that reaches the row's end leaves its end border
        // to the frame; on a side without a bottom dock bar a row of docking windows ends at
        // the frame's bottom.
        CControlBar* last = GetDockedControlBar(row.back());
        if (horz && isWindow(row.back()) && position >= available)
            DropBorder(last, CBRS_BORDER_RIGHT);
        else if (!horz && windows > 0 && frame && !frame->GetControlBar(AFX_IDW_DOCKBAR_BOTTOM))
            DropBorder(last, CBRS_BORDER_BOTTOM);
        // The strips between the row's bars run across the whole row.
        for (size_t t = firstStrip; t < m_trackers.size(); ++t) {
            if (m_trackers[t].kind != UVSplitterTracker::bar)
                continue;
            (horz ? m_trackers[t].rect.bottom : m_trackers[t].rect.right) = offset + thickness;
        }
        offset += thickness;
        longest = std::max(longest, position);
        previous = row;
        previousHadWindows = windows > 0;
    }
    for (size_t pos = 1; pos < m_arrBars.size(); ++pos) {
        if (CControlBar* bar = GetDockedControlBar(static_cast<int>(pos)))
            bar->RecalcDelayShow(&layout);
    }
    // The rows' thickness, and what the last row adds: a final strip on a top or left dock bar
    // (the left one shows it 4 pixels wide), a pixel below a bottom one's docking windows.
    int thicknessTotal = previous.empty() ? 0 : offset + 1;
    if (previousHadWindows && leading) {
        rowStrip(offset, previous.front());
        offset += kUVStripSize;
        thicknessTotal += horz ? kUVStripSize : kUVStripSize - 2;
        for (int pos : previous)
            DropBorder(GetDockedControlBar(pos), innerBorder);
    } else if (previousHadWindows) {
        if (horz)
            thicknessTotal += 1;
        for (int pos : previous) {
            if (isWindow(pos))
                GetDockedControlBar(pos)->m_dwStyle &= ~outerBorder;
        }
    }
    m_bPlacingBars = false;
    if (layout.hDWP)
        ::EndDeferWindowPos(layout.hDWP);
    for (auto it = wraps.rbegin(); it != wraps.rend(); ++it)
        m_arrBars.insert(m_arrBars.begin() + *it, nullptr);
    if (!wraps.empty() && frame)
        frame->DelayRecalcLayout();

    SIZE fixed = CControlBar::CalcFixedLayout(stretch, horzQuery);
    if (horz) {
        fixed.cy = thicknessTotal;
        if (!stretch)
            fixed.cx = longest;
    } else {
        fixed.cx = thicknessTotal;
        if (!stretch)
            fixed.cy = longest;
    }
    return fixed;
}

CControlBar* CUVDockBar::LeftNeighbour(int index) const
{
    for (int pos = index - 1; pos > 0 && m_arrBars[static_cast<size_t>(pos)]; --pos) {
        CControlBar* bar = GetDockedControlBar(pos);
        if (bar && bar->IsVisible())
            return bar;
    }
    return nullptr;
}

int CUVDockBar::TrackerAt(POINT point) const
{
    for (size_t i = 0; i < m_trackers.size(); ++i) {
        if (PtInRect(&m_trackers[i].rect, point))
            return static_cast<int>(i);
    }
    return -1;
}

LRESULT CUVDockBar::OnNcHitTest(WPARAM, LPARAM lParam)
{
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(m_hWnd, &point);
    // HTBORDER: the press arrives as a non-client one, which the dock bar captures itself.
    if (TrackerAt(point) >= 0)
        return HTBORDER;
    return Default();
}

LRESULT CUVDockBar::OnSetCursor(WPARAM, LPARAM lParam)
{
    if (LOWORD(lParam) != HTBORDER && !m_bTracking)
        return Default();
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    POINT point;
    ::GetCursorPos(&point);
    ::ScreenToClient(m_hWnd, &point);
    const int index = m_bTracking ? m_nTracker : TrackerAt(point);
    if (index < 0)
        return Default();
    // A row strip moves across the dock bar, a bar strip along it.
    const bool movesVertically = (m_trackers[static_cast<size_t>(index)].kind == UVSplitterTracker::row) == horz;
    ::SetCursor(GetUVBarCursor(movesVertically ? UVBarCursor::splitRows : UVBarCursor::splitColumns));
    return TRUE;
}

LRESULT CUVDockBar::OnNcLButtonDown(WPARAM hitTest, LPARAM lParam)
{
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    POINT client = point;
    ::ScreenToClient(m_hWnd, &client);
    const int index = TrackerAt(client);
    if (hitTest != HTBORDER || index < 0 || m_bTracking)
        return Default();
    UVSplitterTracker& tracker = m_trackers[static_cast<size_t>(index)];
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    tracker.from = point;
    if (tracker.kind == UVSplitterTracker::row) {
        // The row this strip belongs to, from its first bar to the row's end.
        int thickness = 0;
        int lower = 2;
        for (size_t pos = static_cast<size_t>(tracker.index); pos < m_arrBars.size() && m_arrBars[pos]; ++pos) {
            CControlBar* bar = GetDockedControlBar(static_cast<int>(pos));
            if (!bar || !bar->IsVisible())
                continue;
            RECT rect;
            bar->GetWindowRect(&rect);
            const int across = horz ? rect.bottom - rect.top : rect.right - rect.left;
            thickness = std::max(thickness, across);
            if (!AsDockingWindow(bar))
                lower = std::max(lower, across);
        }
        // What the frame's pane still has on this dock bar's axis.
        int free = 0;
        if (CFrameWnd* frame = GetDockingFrame()) {
            RECT client;
            frame->GetClientRect(&client);
            free = horz ? client.bottom - client.top : client.right - client.left;
            const UINT taken[] = {horz ? AFX_IDW_DOCKBAR_TOP : AFX_IDW_DOCKBAR_LEFT,
                                  horz ? AFX_IDW_DOCKBAR_BOTTOM : AFX_IDW_DOCKBAR_RIGHT, horz ? AFX_IDW_STATUS_BAR : 0};
            for (UINT id : taken) {
                HWND child = id ? ::GetDlgItem(frame->m_hWnd, static_cast<int>(id)) : nullptr;
                if (!child || !::IsWindowVisible(child))
                    continue;
                RECT rect;
                ::GetWindowRect(child, &rect);
                free -= horz ? rect.bottom - rect.top : rect.right - rect.left;
            }
        }
        tracker.start = thickness;
        tracker.lower = lower;
        tracker.upper = thickness + std::max(free, 0);
    } else {
        // The windows on either side give and take down to their grippers.
        IUVDockingWindow* first = AsDockingWindow(LeftNeighbour(tracker.index));
        IUVDockingWindow* second = AsDockingWindow(GetDockedControlBar(tracker.index));
        tracker.start = 0;
        tracker.lower = first ? -(Along(first->GetDockedSize(), horz) - first->GetGripperSize()) : 0;
        tracker.upper = second ? Along(second->GetDockedSize(), horz) - second->GetGripperSize() : 0;
    }
    tracker.current = tracker.start;
    m_nTracker = index;
    m_hWndFocusBefore = ::SetFocus(m_hWnd);
    ::SetCapture(m_hWnd);
    m_bTracking = true;
    DrawTracker();
    return 0;
}

LRESULT CUVDockBar::OnMouseMove(WPARAM, LPARAM lParam)
{
    if (!m_bTracking)
        return Default();
    UVSplitterTracker& tracker = m_trackers[static_cast<size_t>(m_nTracker)];
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(m_hWnd, &point);
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    const int dx = point.x - tracker.from.x;
    const int dy = point.y - tracker.from.y;
    int delta;
    if (tracker.kind == UVSplitterTracker::bar) {
        delta = horz ? dx : dy;
    } else {
        // A top or left row grows with the mouse, a bottom or right one against it.
        const int moved = horz ? dy : dx;
        delta = (m_dwStyle & (CBRS_ALIGN_TOP | CBRS_ALIGN_LEFT)) ? moved : -moved;
    }
    const int current = std::clamp(tracker.start + delta, tracker.lower, tracker.upper);
    if (current != tracker.current) {
        tracker.current = current;
        DrawTracker();
    }
    return 0;
}

LRESULT CUVDockBar::OnLButtonUp(WPARAM, LPARAM)
{
    if (!m_bTracking)
        return Default();
    EndTracking(true);
    return 0;
}

BOOL CUVDockBar::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (m_bTracking && LOWORD(wParam) == IDCANCEL) {
        EndTracking(false);
        return TRUE;
    }
    return CDockBar::OnCommand(wParam, lParam);
}

LRESULT CUVDockBar::OnKeyDown(WPARAM key, LPARAM)
{
    if (m_bTracking && key == VK_ESCAPE) {
        EndTracking(false);
        return 0;
    }
    return Default();
}

LRESULT CUVDockBar::OnCaptureChanged(WPARAM, LPARAM window)
{
    if (m_bTracking && reinterpret_cast<HWND>(window) != m_hWnd)
        EndTracking(false);
    return Default();
}

void CUVDockBar::EndTracking(bool apply)
{
    m_bTracking = false;
    DrawTracker();
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    if (m_hWndFocusBefore && ::IsWindow(m_hWndFocusBefore))
        ::SetFocus(m_hWndFocusBefore);
    m_hWndFocusBefore = nullptr;
    const UVSplitterTracker tracker = m_trackers[static_cast<size_t>(m_nTracker)];
    if (!apply || tracker.current == tracker.start)
        return;
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    if (tracker.kind == UVSplitterTracker::row) {
        for (size_t pos = static_cast<size_t>(tracker.index); pos < m_arrBars.size() && m_arrBars[pos]; ++pos) {
            if (IUVDockingWindow* window = AsDockingWindow(GetDockedControlBar(static_cast<int>(pos))))
                window->SetDockedSize(MakeSize(Along(window->GetDockedSize(), horz), tracker.current, horz));
        }
    } else {
        // The strip's limits came from the same two neighbours; a bar that is no docking window
        // (a toolbar left of the strip) has no docked length to give or take.
        if (IUVDockingWindow* first = AsDockingWindow(LeftNeighbour(tracker.index))) {
            const SIZE a = first->GetDockedSize();
            first->SetDockedSize(MakeSize(Along(a, horz) + tracker.current, Across(a, horz), horz));
        }
        if (IUVDockingWindow* second = AsDockingWindow(GetDockedControlBar(tracker.index))) {
            const SIZE b = second->GetDockedSize();
            second->SetDockedSize(MakeSize(Along(b, horz) - tracker.current, Across(b, horz), horz));
        }
    }
    if (CFrameWnd* frame = GetDockingFrame())
        frame->DelayRecalcLayout();
}

void CUVDockBar::DrawTracker()
{
    HDC dc = ::GetDCEx(m_hWnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc)
        return;
    const bool white = (m_dwDockFlags & UVDB_FLAT_STRIPS) || uvAfxData.m_bXPLook;
    static const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP bits = white ? nullptr : ::CreateBitmap(8, 8, 1, 1, pattern);
    HBRUSH brush = white ? static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)) : ::CreatePatternBrush(bits);
    HGDIOBJ old = ::SelectObject(dc, brush);
    const auto invert = [&](const RECT& r) {
        ::PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATINVERT);
    };
    if (m_bTrackerShown)
        invert(m_rectTrackerShown);
    m_bTrackerShown = false;
    if (m_bTracking) {
        const UVSplitterTracker& tracker = m_trackers[static_cast<size_t>(m_nTracker)];
        const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
        const bool alongAxis = tracker.kind == UVSplitterTracker::bar;
        // The strip moves with the mouse: along the dock bar for a bar strip, across it for a row.
        int shift = tracker.current - tracker.start;
        if (!alongAxis && !(m_dwStyle & (CBRS_ALIGN_TOP | CBRS_ALIGN_LEFT)))
            shift = -shift;
        RECT shown = tracker.rect;
        const bool movesX = alongAxis == horz;
        ::OffsetRect(&shown, movesX ? shift : 0, movesX ? 0 : shift);
        // One pixel narrower across its thickness.
        (movesX ? shown.right : shown.bottom) -= 1;
        invert(shown);
        m_rectTrackerShown = shown;
        m_bTrackerShown = true;
    }
    ::SelectObject(dc, old);
    if (!white) {
        ::DeleteObject(brush);
        ::DeleteObject(bits);
    }
    ::ReleaseDC(m_hWnd, dc);
}

LRESULT CUVDockBar::OnPaint(WPARAM, LPARAM)
{
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    CUVMemDC mem(&dc, &client, GetUVBarColor(UVBarColor::face));
    for (const UVSplitterTracker& tracker : m_trackers)
        PaintStrip(&mem, tracker);
    return 0;
}

void CUVDockBar::PaintStrip(CDC* dc, const UVSplitterTracker& tracker) const
{
    dc->FillSolidRect(&tracker.rect, GetUVBarColor(UVBarColor::face));
    if ((m_dwDockFlags & UVDB_FLAT_STRIPS) || uvAfxData.m_bXPLook)
        return;
    const RECT& r = tracker.rect;
    const bool horzStrip = (r.right - r.left) > (r.bottom - r.top);
    // Highlight along the leading long side, shadow along the trailing one, and without flag
    // 0x80 a dark outer line beyond the shadow.
    const RECT lit = horzStrip ? RECT{r.left, r.top, r.right, r.top + 1} : RECT{r.left, r.top, r.left + 1, r.bottom};
    const RECT dark =
        horzStrip ? RECT{r.left, r.bottom - 2, r.right, r.bottom - 1} : RECT{r.right - 2, r.top, r.right - 1, r.bottom};
    const RECT outer =
        horzStrip ? RECT{r.left, r.bottom - 1, r.right, r.bottom} : RECT{r.right - 1, r.top, r.right, r.bottom};
    dc->FillSolidRect(&lit, GetUVBarColor(UVBarColor::highlight));
    dc->FillSolidRect(&dark, GetUVBarColor(UVBarColor::shadow));
    if (!(m_dwDockFlags & UVDB_KEEP_BAR_BORDERS))
        dc->FillSolidRect(&outer, GetUVBarColor(UVBarColor::darkShadow));
}

LRESULT CUVDockBar::OnRButtonDown(WPARAM, LPARAM lParam)
{
    if (!GetUVBarSetting(UVBarSetting::dockBarMenu))
        return Default();
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(m_hWnd, &point);
    CFrameWnd* frame = GetParentFrame();
    if (frame && frame->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd)))
        frame = static_cast<CMiniDockFrameWnd*>(frame)->m_pDockSite;
    if (!frame)
        return 0;
    BuildUVBarMenu(point, frame, this);
    frame->RecalcLayout();
    return 0;
}
