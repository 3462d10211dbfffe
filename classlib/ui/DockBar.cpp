#include "classlib/ui/DockBar.h"

#include "classlib/ui/DockState.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDockBar, CControlBar)

BEGIN_MESSAGE_MAP(CDockBar, CControlBar)
ON_MESSAGE(WM_SIZEPARENT, &CDockBar::OnSizeParent)
END_MESSAGE_MAP()

CDockBar::CDockBar(BOOL floating) : m_bFloating(floating)
{
    // The bars bring their own borders; the dock bar adds none around them.
    SetBorders(0, 0, 0, 0);
    m_bAutoDelete = TRUE;
}

BOOL CDockBar::Create(CWnd* parent, DWORD style, UINT id)
{
    return CreateBar(nullptr, style, parent, id);
}

LRESULT CDockBar::OnSizeParent(WPARAM wParam, LPARAM lParam)
{
    auto* layout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
    m_bLayoutQuery = layout->hDWP == nullptr;
    m_rectLayout = layout->rect;
    const LRESULT result = CControlBar::OnSizeParent(wParam, lParam);
    m_bLayoutQuery = FALSE;
    return result;
}

SIZE CDockBar::CalcFixedLayout(BOOL stretch, BOOL horz)
{
    SIZE fixed = CControlBar::CalcFixedLayout(stretch, horz);
    RECT area = m_rectLayout;
    if (IsRectEmpty(&area)) {
        CFrameWnd* frame = GetParentFrame();
        if (frame)
            frame->GetClientRect(&area);
    }
    const SIZE avail{area.right - area.left, area.bottom - area.top};
    // Neighbouring bars overlap by their border lines, and the first bar starts on the line.
    const int cxLine = 2 * GetSystemMetrics(SM_CXBORDER);
    const int cyLine = 2 * GetSystemMetrics(SM_CYBORDER);

    AFX_SIZEPARENTPARAMS layout;
    layout.hDWP = m_bLayoutQuery ? nullptr : ::BeginDeferWindowPos(static_cast<int>(m_arrBars.size()));
    POINT pt{-cxLine, -cyLine};
    int rowThickness = 0;
    bool wrapped = false;
    for (size_t pos = 0; pos < m_arrBars.size(); ++pos) {
        CControlBar* bar = GetDockedControlBar(static_cast<int>(pos));
        void* entry = m_arrBars[pos];
        if (bar && bar->IsVisible()) {
            DWORD mode = 0;
            if ((bar->m_dwStyle & CBRS_SIZE_DYNAMIC) && (bar->m_dwStyle & CBRS_FLOATING))
                mode = LM_HORZ | LM_MRUWIDTH;
            else if (bar->m_dwStyle & CBRS_ORIENT_HORZ)
                mode = LM_HORZ | LM_HORZDOCK;
            else
                mode = LM_VERTDOCK;
            const SIZE size = bar->CalcDynamicLayout(-1, mode);
            RECT rect{pt.x, pt.y, pt.x + size.cx, pt.y + size.cy};
            RECT current;
            bar->GetWindowRect(&current);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&current), 2);
            // Along the row: x for a horizontal side, y for a vertical one.
            LONG& start = horz ? rect.left : rect.top;
            LONG& end = horz ? rect.right : rect.bottom;
            const LONG currentStart = horz ? current.left : current.top;
            const LONG length = horz ? avail.cx : avail.cy;
            const LONG line = horz ? cxLine : cyLine;
            auto moveTo = [&](LONG newStart) {
                end += newStart - start;
                start = newStart;
            };
            // A docked bar keeps a place further along the row that it was put at, but is
            // pulled back to end at the row's end (never before the bars ahead of it).
            if (!m_bFloating && currentStart > start)
                moveTo(currentStart);
            if (!m_bFloating && end > length)
                moveTo(std::max<LONG>(length - ((end - start) - line), horz ? pt.x : pt.y));
            if (wrapped) {
                wrapped = false;
                moveTo(-line);
            } else if (start >= length - line && pos > 0 && m_arrBars[pos - 1] != nullptr) {
                // Nothing of the bar would show: it starts a new row.
                m_arrBars.insert(m_arrBars.begin() + static_cast<std::ptrdiff_t>(pos), nullptr);
                bar = nullptr;
                entry = nullptr;
                wrapped = true;
            }
            if (!wrapped) {
                if (!EqualRect(&rect, &current))
                    AfxRepositionWindow(&layout, bar->m_hWnd, rect);
                if (horz) {
                    pt.x = rect.left + size.cx - cxLine;
                    rowThickness = std::max<int>(rowThickness, size.cy);
                } else {
                    pt.y = rect.top + size.cy - cyLine;
                    rowThickness = std::max<int>(rowThickness, size.cx);
                }
            }
        }
        if (bar && !wrapped)
            bar->RecalcDelayShow(&layout);
        if (!bar && !entry && rowThickness != 0) {
            if (horz) {
                pt.y += rowThickness - cyLine;
                fixed.cx = std::max(fixed.cx, pt.x);
                fixed.cy = std::max(fixed.cy, pt.y);
                pt.x = -cxLine;
            } else {
                pt.x += rowThickness - cxLine;
                fixed.cx = std::max(fixed.cx, pt.x);
                fixed.cy = std::max(fixed.cy, pt.y);
                pt.y = -cyLine;
            }
            rowThickness = 0;
        }
    }
    if (layout.hDWP)
        ::EndDeferWindowPos(layout.hDWP);

    RECT inside{0, 0, 0, 0};
    CalcInsideRect(inside, horz);
    if ((!stretch || !horz) && fixed.cx != 0)
        fixed.cx += inside.left - inside.right;
    if ((!stretch || horz) && fixed.cy != 0)
        fixed.cy += inside.top - inside.bottom;
    return fixed;
}

int CDockBar::Insert(CControlBar* newBar, const RECT& rect)
{
    const bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    const LONG middle = horz ? (rect.top + rect.bottom) / 2 : (rect.left + rect.right) / 2;
    const LONG newStart = horz ? rect.left : rect.top;
    size_t insertAfter = 0;
    LONG rowEnd = 0;
    for (size_t pos = 1; pos < m_arrBars.size(); ++pos) {
        CControlBar* bar = GetDockedControlBar(static_cast<int>(pos));
        if (bar && bar->IsVisible()) {
            RECT barRect;
            bar->GetWindowRect(&barRect);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&barRect), 2);
            rowEnd = std::max(rowEnd, horz ? barRect.bottom : barRect.right);
            if (newStart > (horz ? barRect.left : barRect.top))
                insertAfter = pos;
        } else if (!m_arrBars[pos]) {
            if (middle < rowEnd) {
                m_arrBars.insert(m_arrBars.begin() + static_cast<std::ptrdiff_t>(insertAfter + 1), newBar);
                return static_cast<int>(insertAfter + 1);
            }
            insertAfter = pos;
        }
    }
    // Past every row (or above the first one: insertAfter is then the leading null): a new row.
    if (middle < 0)
        insertAfter = 0;
    m_arrBars.insert(m_arrBars.begin() + static_cast<std::ptrdiff_t>(insertAfter + 1), nullptr);
    m_arrBars.insert(m_arrBars.begin() + static_cast<std::ptrdiff_t>(insertAfter + 1), newBar);
    return static_cast<int>(insertAfter + 1);
}

void CDockBar::DockControlBar(CControlBar* bar, const RECT* rect)
{
    RECT current;
    bar->GetWindowRect(&current);
    if (bar->m_pDockBar == this && (!rect || EqualRect(rect, &current)))
        return;

    const DWORD oldStyle = bar->m_dwStyle;
    bar->m_dwStyle = (bar->m_dwStyle & ~(CBRS_ALIGN_ANY | CBRS_FLOATING)) | (m_dwStyle & CBRS_ALIGN_ANY) |
                     CBRS_BORDER_ANY | (m_bFloating ? CBRS_FLOATING : 0);
    if (bar->m_dwStyle != oldStyle)
        bar->OnBarStyleChange(oldStyle, bar->m_dwStyle);
    if (m_bFloating) {
        // A floating frame sizes like its bar and, holding one bar only, is named after it.
        m_dwStyle = (m_dwStyle & ~(CBRS_SIZE_FIXED | CBRS_SIZE_DYNAMIC)) |
                    (bar->m_dwStyle & (CBRS_SIZE_FIXED | CBRS_SIZE_DYNAMIC));
        if (!(m_dwStyle & CBRS_FLOAT_MULTI)) {
            CString title;
            bar->GetWindowText(title);
            SetWindowText(title);
        }
    }
    // Its old placeholder here would make it come back twice.
    RemovePlaceHolder(bar);
    int newPos = -1;
    POINT topLeft{-2 * GetSystemMetrics(SM_CXBORDER), -2 * GetSystemMetrics(SM_CYBORDER)};
    if (rect) {
        RECT client = *rect;
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&client), 2);
        newPos = Insert(bar, client);
        topLeft = POINT{client.left, client.top};
    } else {
        m_arrBars.push_back(bar);
        m_arrBars.push_back(nullptr);
    }
    // Hidden while it changes parents, so that it never shows at a stale place.
    const bool visible = (bar->GetStyle() & WS_VISIBLE) != 0;
    if (::GetParent(bar->m_hWnd) != m_hWnd) {
        if (visible)
            ::ShowWindow(bar->m_hWnd, SW_HIDE);
        ::SetParent(bar->m_hWnd, m_hWnd);
    }
    ::SetWindowPos(bar->m_hWnd, nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (bar->m_pDockBar == this)
        RemoveControlBar(bar, rect ? newPos : static_cast<int>(m_arrBars.size()) - 2);
    else if (bar->m_pDockBar)
        bar->m_pDockBar->RemoveControlBar(bar, -1, m_bFloating && !bar->m_pDockBar->m_bFloating);
    bar->m_pDockBar = this;
    if (visible)
        ::ShowWindow(bar->m_hWnd, SW_SHOWNA);
    if (CFrameWnd* frame = GetDockingFrame())
        frame->DelayRecalcLayout();
}

BOOL CDockBar::RemoveControlBar(CControlBar* bar, int posExclude, BOOL addPlaceHolder)
{
    const int pos = FindBar(bar, posExclude);
    if (pos <= 0)
        return FALSE;
    const auto at = [this](int i) { return m_arrBars.begin() + i; };
    const auto dropEmptyRow = [&](int i) {
        if (i < static_cast<int>(m_arrBars.size()) && !m_arrBars[i - 1] && !m_arrBars[i])
            m_arrBars.erase(at(i));
    };
    if (addPlaceHolder) {
        void* placeHolder = PlaceHolderFor(static_cast<UINT>(bar->GetDlgCtrlID()));
        m_arrBars[pos] = placeHolder;
        if (FindBar(placeHolder, pos) > 0) {
            m_arrBars.erase(at(pos));
            dropEmptyRow(pos);
        }
    } else {
        m_arrBars.erase(at(pos));
        dropEmptyRow(pos);
        RemovePlaceHolder(bar);
    }
    CFrameWnd* frame = GetDockingFrame();
    if (m_bFloating && GetDockedCount() == 0 && frame) {
        // The floating frame may be in the middle of handling the drag that emptied it.
        frame->ShowWindow(SW_HIDE);
        frame->PostMessage(CMiniDockFrameWnd::kEmptyMessage);
    } else if (frame) {
        frame->DelayRecalcLayout();
    }
    return TRUE;
}

void CDockBar::RemovePlaceHolder(CControlBar* bar)
{
    const int pos = FindBar(PlaceHolderFor(static_cast<UINT>(bar->GetDlgCtrlID())));
    if (pos <= 0)
        return;
    m_arrBars.erase(m_arrBars.begin() + pos);
    if (pos < static_cast<int>(m_arrBars.size()) && !m_arrBars[pos - 1] && !m_arrBars[pos])
        m_arrBars.erase(m_arrBars.begin() + pos);
}

int CDockBar::FindBar(const void* entry, int posExclude) const
{
    for (size_t pos = 0; pos < m_arrBars.size(); ++pos) {
        if (static_cast<int>(pos) != posExclude && m_arrBars[pos] == entry)
            return static_cast<int>(pos);
    }
    return -1;
}

CControlBar* CDockBar::GetDockedControlBar(int pos) const
{
    void* entry = m_arrBars[static_cast<size_t>(pos)];
    return IsPlaceHolder(entry) ? nullptr : static_cast<CControlBar*>(entry);
}

int CDockBar::GetDockedCount() const
{
    int count = 0;
    for (size_t pos = 0; pos < m_arrBars.size(); ++pos)
        count += GetDockedControlBar(static_cast<int>(pos)) != nullptr;
    return count;
}

int CDockBar::GetDockedVisibleCount() const
{
    int count = 0;
    for (size_t pos = 0; pos < m_arrBars.size(); ++pos) {
        CControlBar* bar = GetDockedControlBar(static_cast<int>(pos));
        count += bar && bar->IsVisible();
    }
    return count;
}

void CDockBar::GetBarInfo(CControlBarInfo* info)
{
    info->m_nBarID = static_cast<UINT>(GetDlgCtrlID());
    info->m_pBar = this;
    info->m_bDockBar = TRUE;
    info->m_bFloating = m_bFloating;
    info->m_bHorz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    if (m_bFloating) {
        RECT rect;
        GetWindowRect(&rect);
        info->m_pointPos = POINT{rect.left, rect.top};
        // A floating frame is as visible as the frame itself.
        CWnd* frame = GetParent();
        info->m_bVisible = frame && (frame->GetStyle() & WS_VISIBLE) != 0;
    } else {
        info->m_bVisible = IsVisible();
    }
    info->m_arrBarID.clear();
    for (void* entry : m_arrBars) {
        if (!entry)
            info->m_arrBarID.push_back(0);
        else if (IsPlaceHolder(entry))
            info->m_arrBarID.push_back(static_cast<UINT>(reinterpret_cast<UINT_PTR>(entry)) |
                                       CControlBarInfo::kPlaceHolderFlag);
        else
            info->m_arrBarID.push_back(static_cast<UINT>(static_cast<CControlBar*>(entry)->GetDlgCtrlID()));
    }
}

void CDockBar::SetBarInfo(CControlBarInfo* info, CFrameWnd* frame)
{
    std::vector<void*> rows{nullptr};
    std::vector<CControlBar*> taken;
    for (const UINT id : info->m_arrBarID) {
        if (id == 0) {
            if (rows.back())
                rows.push_back(nullptr);
            continue;
        }
        CControlBar* bar = frame->GetControlBar(LOWORD(id));
        if (!bar || bar == this || bar->IsDockBar())
            continue;
        // A place kept for a bar is dropped where the bar itself is in the rows.
        void* placeHolder = PlaceHolderFor(LOWORD(id));
        const bool isTaken = std::find(taken.begin(), taken.end(), bar) != taken.end();
        if (id & CControlBarInfo::kPlaceHolderFlag) {
            if (!isTaken && std::find(rows.begin(), rows.end(), placeHolder) == rows.end())
                rows.push_back(placeHolder);
            continue;
        }
        if (isTaken)
            continue;
        std::erase(rows, placeHolder);
        taken.push_back(bar);
        rows.push_back(bar);
    }
    if (rows.back())
        rows.push_back(nullptr);
    // A dropped placeholder may have left an empty row.
    rows.erase(std::unique(rows.begin(), rows.end(), [](void* a, void* b) { return !a && !b; }), rows.end());
    // Bars here that the saved rows leave out stay, each in a row of its own.
    for (size_t pos = 0; pos < m_arrBars.size(); ++pos) {
        CControlBar* bar = GetDockedControlBar(static_cast<int>(pos));
        if (bar && std::find(taken.begin(), taken.end(), bar) == taken.end()) {
            rows.push_back(bar);
            rows.push_back(nullptr);
        }
    }
    for (CControlBar* bar : taken) {
        // Out of the dock bar it sits on now (which may close an emptied floating frame); a bar
        // that goes floating keeps its docked place, as a drag would leave it.
        if (bar->m_pDockBar && bar->m_pDockBar != this)
            bar->m_pDockBar->RemoveControlBar(bar, -1, m_bFloating && !bar->m_pDockBar->m_bFloating);
        bar->m_pDockBar = this;
        if (::GetParent(bar->m_hWnd) != m_hWnd)
            ::SetParent(bar->m_hWnd, m_hWnd);
        bar->m_dwStyle = (bar->m_dwStyle & ~(CBRS_ALIGN_ANY | CBRS_FLOATING)) | (m_dwStyle & CBRS_ALIGN_ANY) |
                         CBRS_BORDER_ANY | (m_bFloating ? CBRS_FLOATING : 0);
    }
    m_arrBars = std::move(rows);
    if (m_bFloating) {
        // A floating frame sizes like its first bar and is named after it.
        if (CControlBar* first = taken.empty() ? nullptr : taken.front()) {
            m_dwStyle = (m_dwStyle & ~(CBRS_SIZE_FIXED | CBRS_SIZE_DYNAMIC)) |
                        (first->m_dwStyle & (CBRS_SIZE_FIXED | CBRS_SIZE_DYNAMIC));
            CString title;
            first->GetWindowText(title);
            SetWindowText(title);
        }
    }
    if (CFrameWnd* docking = GetDockingFrame())
        docking->DelayRecalcLayout();
}
