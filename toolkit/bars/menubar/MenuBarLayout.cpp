// The menu bar's layout: wrapping its items into rows (columns on a vertical bar), placing and
// measuring them, and the framework's size queries.
#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockContext.h"
#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/menubar/MenuBar.h"

#include <algorithm>

namespace {

constexpr int kOneRow = 32767;

int RowThickness()
{
    return ::GetSystemMetrics(SM_CYMENU);
}

}  // namespace

int CUVMenuBar::WrapItems(int width)
{
    const std::vector<int> visible = VisibleItems();
    for (auto& item : m_items)
        item->m_bRowBreak = FALSE;
    int position = 0;
    CUVMenuBarItem* lastMayEnd = nullptr;
    for (size_t k = 0; k + 1 < visible.size(); ++k) {
        CUVMenuBarItem* item = m_items[static_cast<size_t>(visible[k])].get();
        const int length = item->GetSize().cx;
        const int gap = item->GetGap();
        if (position + length <= width) {
            const int next = m_items[static_cast<size_t>(visible[k + 1])]->GetSize().cx;
            if (position + length + gap + next <= width) {
                position += length + gap;
            } else {
                if (item->MayEndRow())
                    item->m_bRowBreak = TRUE;
                else if (lastMayEnd)
                    lastMayEnd->m_bRowBreak = TRUE;
                position = 0;
            }
        } else if (item->MayEndRow()) {
            item->m_bRowBreak = TRUE;
            position = 0;
        } else {
            position += length + gap;
        }
        if (item->MayEndRow())
            lastMayEnd = item;
    }
    int rows = 1;
    for (size_t k = 0; k + 1 < visible.size(); ++k)
        rows += m_items[static_cast<size_t>(visible[k])]->m_bRowBreak ? 1 : 0;
    return rows;
}

// Rows begin at the client origin: the client area already lies inside the bar's borders, so a
// later row starts where the first does.
void CUVMenuBar::PlaceItems(BOOL horz)
{
    const std::vector<int> visible = VisibleItems();
    const int row = RowThickness();
    int columns = 1;
    for (size_t k = 0; k + 1 < visible.size(); ++k)
        columns += m_items[static_cast<size_t>(visible[k])]->m_bRowBreak ? 1 : 0;
    // A vertical bar's first column lies at its right, the text running downward.
    int along = 0;
    int across = horz ? 0 : (columns - 1) * row;
    for (size_t k = 0; k < visible.size(); ++k) {
        CUVMenuBarItem* item = m_items[static_cast<size_t>(visible[k])].get();
        const SIZE size = item->GetSize();
        const int centred = (row - size.cy) / 2;
        item->m_pt = horz ? POINT{along, across + centred} : POINT{across + centred, along};
        along += size.cx + item->GetGap();
        if (item->m_bRowBreak && k + 1 < visible.size()) {
            along = 0;
            across += horz ? row : -row;
        }
    }
    if (IsFloating() || !m_bMDIButtonsAtEnd || (!horz && columns < 2))
        return;
    // The visible MDI buttons move forward along their row to end SM_CXEDGE before the bar's end.
    CUVMenuBarItem* last = nullptr;
    for (size_t i = m_items.size() - 3; i < m_items.size(); ++i) {
        if (!m_items[i]->IsHidden())
            last = m_items[i].get();
    }
    if (!last)
        return;
    const LONG lastStart = horz ? last->m_pt.x : last->m_pt.y;
    const int shift = GetAvailableLength(horz) - ::GetSystemMetrics(SM_CXEDGE) - (lastStart + last->GetSize().cx);
    if (shift <= 0)
        return;
    for (size_t i = m_items.size() - 3; i < m_items.size(); ++i) {
        if (m_items[i]->IsHidden())
            continue;
        (horz ? m_items[i]->m_pt.x : m_items[i]->m_pt.y) += shift;
    }
}

SIZE CUVMenuBar::MeasureItems(BOOL horz) const
{
    const std::vector<int> visible = VisibleItems();
    if (visible.empty())
        return horz ? SIZE{0, RowThickness()} : SIZE{RowThickness(), 0};
    int first = kOneRow, last = -kOneRow, rows = 1;
    for (size_t k = 0; k < visible.size(); ++k) {
        const CUVMenuBarItem* item = m_items[static_cast<size_t>(visible[k])].get();
        const int start = horz ? item->m_pt.x : item->m_pt.y;
        first = std::min(first, start);
        last = std::max(last, start + static_cast<int>(item->GetSize().cx));
        if (item->m_bRowBreak && k + 1 < visible.size())
            ++rows;
    }
    const int length = last - first;
    const int thickness = rows * RowThickness();
    return horz ? SIZE{length, thickness} : SIZE{thickness, length};
}

int CUVMenuBar::GetAvailableLength(BOOL horz) const
{
    if (m_nReBarLength >= 0)
        return m_nReBarLength;
    RECT inside{};
    CalcInsideRect(inside, horz);
    const int borders = horz ? inside.left - inside.right : inside.top - inside.bottom;
    RECT rect{};
    if (m_dwStyle & CBRS_SIZE_DYNAMIC) {
        if (horz) {
            if (CWnd* top = GetTopLevelParent())
                top->GetClientRect(&rect);
        } else if (m_pDockBar) {
            m_pDockBar->GetClientRect(&rect);
        }
    } else if (m_hWnd) {
        GetClientRect(&rect);
    }
    return (horz ? rect.right - rect.left : rect.bottom - rect.top) - borders;
}

void CUVMenuBar::FitItems(int length, BOOL horz)
{
    if (!horz || !IsFloating()) {
        WrapItems(length);
        PlaceItems(horz);
        return;
    }
    // A floating bar looks for the narrowest wrapping whose width still holds `length`.
    WrapItems(0);
    PlaceItems(TRUE);
    int narrow = MeasureItems(TRUE).cx;
    WrapItems(kOneRow);
    PlaceItems(TRUE);
    int wide = MeasureItems(TRUE).cx;
    while (narrow < wide) {
        const int mean = (narrow + wide) / 2;
        WrapItems(mean);
        PlaceItems(TRUE);
        const int measured = MeasureItems(TRUE).cx;
        if (measured == wide)
            return;
        if (length < wide)
            wide = measured;
        else if (narrow == measured)
            break;
        else
            narrow = measured;
    }
    WrapItems(wide);
    PlaceItems(TRUE);
}

SIZE CUVMenuBar::CalcFixedLayout(BOOL stretch, BOOL horz)
{
    const DWORD mode = (stretch ? LM_STRETCH : 0) | (horz ? LM_HORZ : 0);
    SIZE size = CalcDynamicLayout(-1, mode);
    if (!m_bMDIButtonsAtEnd && !m_bInReBar && horz && !stretch) {
        bool breaks = false;
        for (int index : VisibleItems())
            breaks = breaks || m_items[static_cast<size_t>(index)]->m_bRowBreak;
        if (!breaks) {
            WrapItems(kOneRow);
            PlaceItems(TRUE);
            RECT inside{};
            CalcInsideRect(inside, TRUE);
            const SIZE measured = MeasureItems(TRUE);
            size = SIZE{measured.cx + inside.left - inside.right, measured.cy + inside.top - inside.bottom};
        }
    }
    return size;
}

SIZE CUVMenuBar::CalcDynamicLayout(int length, DWORD mode)
{
    if (length == -1 && !(mode & (LM_MRUWIDTH | LM_COMMIT)) && (mode & (LM_HORZDOCK | LM_VERTDOCK)))
        return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZDOCK) != 0);
    const BOOL modeHorz = (mode & LM_HORZ) != 0;
    // A docked bar spans its side while it is not being dragged: the drag shows its own size.
    const BOOL spans = !m_pDockContext || !m_pDockContext->m_bDragging;
    SIZE size;
    if ((m_dwStyle & CBRS_SIZE_FIXED) || !(m_dwStyle & CBRS_SIZE_DYNAMIC)) {
        WrapItems(kOneRow);
        PlaceItems(modeHorz);
        size = MeasureItems(modeHorz);
    } else if (mode & LM_MRUWIDTH) {
        const BOOL atEnd = m_bMDIButtonsAtEnd;
        m_bMDIButtonsAtEnd = FALSE;
        WrapItems(m_nMRUWidth);
        PlaceItems(TRUE);
        size = MeasureItems(TRUE);
        m_bMDIButtonsAtEnd = atEnd;
    } else if (mode & LM_HORZDOCK) {
        const BOOL fullRow = IsFloating() || IsLeftDocked() || IsRightDocked();
        WrapItems(fullRow ? kOneRow : GetAvailableLength(TRUE));
        PlaceItems(TRUE);
        size = MeasureItems(TRUE);
        if ((IsTopDocked() || IsBottomDocked()) && spans)
            size.cx = GetAvailableLength(TRUE);
    } else if (mode & LM_VERTDOCK) {
        PlaceItems(FALSE);
        size = MeasureItems(FALSE);
        if ((IsLeftDocked() || IsRightDocked()) && spans)
            size.cy = GetAvailableLength(FALSE);
    } else if (length != -1) {
        const BOOL byHeight = (mode & LM_LENGTHY) != 0;
        RECT inside{};
        CalcInsideRect(inside, !byHeight);
        const int borders = byHeight ? inside.top - inside.bottom : inside.left - inside.right;
        FitItems(length - borders, !byHeight);
        size = MeasureItems(!byHeight);
    } else if (IsFloating()) {
        WrapItems(m_nMRUWidth);
        PlaceItems(TRUE);
        size = MeasureItems(TRUE);
    } else {
        FitItems(GetAvailableLength(modeHorz), modeHorz);
        size = MeasureItems(modeHorz);
        if (modeHorz)
            size.cx = GetAvailableLength(TRUE);
    }
    if ((mode & LM_COMMIT) && IsFloating() && (m_dwStyle & CBRS_SIZE_DYNAMIC))
        m_nMRUWidth = size.cx;
    RECT inside{};
    CalcInsideRect(inside, modeHorz);
    const SIZE fixed = CControlBar::CalcFixedLayout((mode & LM_STRETCH) != 0, modeHorz);
    return SIZE{std::max(fixed.cx, size.cx + inside.left - inside.right),
                std::max(fixed.cy, size.cy + inside.top - inside.bottom)};
}
