// The toolbar's size in each docking mode and its overflow: a docked bar shorter than its buttons
// hides them from the end and shows them again as it grows; a floating bar wraps its buttons
// into rows. Sizes are measured on the control's own layout of its visible buttons.
#include "toolkit/bars/toolbar/ToolBar.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/toolbar/ExpButton.h"
#include "toolkit/bars/toolbar/ToolBarWrap.h"

#include <algorithm>

namespace {

BOOL IsSeparator(const TBBUTTON& button)
{
    return (button.fsStyle & BTNS_SEP) != 0;
}

}  // namespace

BOOL CUVToolBar::WantsChevron() const
{
    return HasExpandButton() && (m_bCustomizable || HasHiddenButtons()) && (!IsFloating() || m_bClassicForced);
}

void CUVToolBar::PlaceExpandButton()
{
    if (!m_pExpButton || !m_pExpButton->m_hWnd)
        return;
    if (!WantsChevron()) {
        m_pExpButton->ShowWindow(SW_HIDE);
        return;
    }
    // The chevron's place is the end of the client area, across the whole bar.
    RECT client;
    GetClientRect(&client);
    RECT place = client;
    if (IsVertDocked())
        place.top = client.bottom - kChevronWidth;
    else
        place.left = client.right - kChevronWidth;
    ::SetWindowPos(m_pExpButton->m_hWnd, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    m_pExpButton->Invalidate();
}

LRESULT CUVToolBar::OnSize(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    PlaceExpandButton();
    RECT window;
    GetWindowRect(&window);
    const SIZE size{window.right - window.left, window.bottom - window.top};
    if (size.cx != m_sizeReported.cx || size.cy != m_sizeReported.cy) {
        m_sizeReported = size;
        m_bSizeNotifyPending = TRUE;
    }
    return result;
}

SIZE CUVToolBar::CalcRowSize() const
{
    // The last visible button ends the row (or the column); buttons hide from the end.
    const int count = static_cast<int>(Control(TB_BUTTONCOUNT));
    if (count == 0)
        return SIZE{std::max<LONG>(m_sizeButton.cx, 22), std::max<LONG>(m_sizeButton.cy, 22)};
    RECT bound{};
    for (int i = count - 1; i >= 0; --i) {
        TBBUTTON button{};
        RECT rect{};
        Control(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if ((button.fsState & TBSTATE_HIDDEN) || !Control(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect)))
            continue;
        bound = rect;
        break;
    }
    RECT first{};
    Control(TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    return SIZE{bound.right, std::max(bound.bottom, first.bottom)};
}

int CUVToolBar::AvailableLength(BOOL horz) const
{
    CDockBar* dock = m_pDockBar;
    if (!dock || IsFloating())
        return 0x7FFF;
    RECT area = dock->m_rectLayout;
    if (IsRectEmpty(&area)) {
        CFrameWnd* frame = dock->GetParentFrame();
        if (!frame)
            return 0x7FFF;
        frame->GetClientRect(&area);
    }
    const int line = horz ? 2 * GetSystemMetrics(SM_CXBORDER) : 2 * GetSystemMetrics(SM_CYBORDER);
    int length = horz ? area.right - area.left : area.bottom - area.top;
    // The bars ahead of this one in its row take their part of the row.
    const auto self = std::find(dock->m_arrBars.begin(), dock->m_arrBars.end(), static_cast<const void*>(this));
    if (self == dock->m_arrBars.end())
        return length;
    for (auto it = self; it != dock->m_arrBars.begin();) {
        --it;
        if (*it == nullptr)
            break;
        CControlBar* bar = dock->GetDockedControlBar(static_cast<int>(it - dock->m_arrBars.begin()));
        if (!bar || !bar->IsVisible())
            continue;
        RECT rect;
        bar->GetWindowRect(&rect);
        length -= (horz ? rect.right - rect.left : rect.bottom - rect.top) - line;
    }
    return length + line;
}

void CUVToolBar::FitLength(int length, BOOL horz)
{
    RECT inside{0, 0, 0, 0};
    CalcInsideRect(inside, horz);
    const int insets = horz ? inside.left - inside.right : inside.top - inside.bottom;
    auto setHidden = [this](int index, BOOL hidden) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;
        Control(TB_GETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
        info.fsState = static_cast<BYTE>(hidden ? info.fsState | TBSTATE_HIDDEN : info.fsState & ~TBSTATE_HIDDEN);
        Control(TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
        ShowControlOf(index, !hidden);
    };
    auto extent = [&] {
        const SIZE size = CalcRowSize();
        return static_cast<int>(horz ? size.cx : size.cy);
    };
    auto used = [&](int contents, bool chevron) { return contents + insets + (chevron ? kChevronWidth : 0); };

    // Growing: the hidden buttons come back in order as far as they fit.
    while (!m_hiddenButtons.empty()) {
        const auto first = m_hiddenButtons.begin();
        const bool chevronAfter = m_hiddenButtons.size() > 1 || m_bCustomizable;
        if (used(extent() + first->second, chevronAfter && HasExpandButton()) > length)
            break;
        const int index = first->first;
        m_hiddenButtons.erase(first);
        setHidden(index, FALSE);
    }
    // Shrinking: buttons go from the end, keeping at least one visible.
    for (;;) {
        if (used(extent(), WantsChevron()) <= length)
            break;
        int last = -1;
        int visibleButtons = 0;
        const int count = static_cast<int>(Control(TB_BUTTONCOUNT));
        for (int i = 0; i < count; ++i) {
            TBBUTTON button{};
            Control(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
            if (button.fsState & TBSTATE_HIDDEN)
                continue;
            last = i;
            if (!IsSeparator(button))
                ++visibleButtons;
        }
        TBBUTTON lastButton{};
        Control(TB_GETBUTTON, last, reinterpret_cast<LPARAM>(&lastButton));
        if (last < 0 || (visibleButtons <= 1 && !IsSeparator(lastButton)))
            break;
        RECT rect{};
        Control(TB_GETITEMRECT, last, reinterpret_cast<LPARAM>(&rect));
        m_hiddenButtons[last] = horz ? rect.right - rect.left : rect.bottom - rect.top;
        setHidden(last, TRUE);
    }
}

void CUVToolBar::UseVerticalSeparators(BOOL vertical)
{
    // The control lays a separator of a vertical bar out as a row of its own width (a row of a
    // button's height and more otherwise) and draws it across: CCS_VERT.
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    const LONG_PTR wanted = vertical ? style | CCS_VERT : style & ~static_cast<LONG_PTR>(CCS_VERT);
    if (wanted != style)
        SetWindowLongPtrW(m_hWnd, GWL_STYLE, wanted);
}

SIZE CUVToolBar::CalcFixedLayout(BOOL stretch, BOOL horz)
{
    return CalcDynamicLayout(-1, (stretch ? LM_STRETCH : 0) | (horz ? LM_HORZ | LM_HORZDOCK : LM_VERTDOCK));
}

void CUVToolBar::ApplyWraps(const std::vector<bool>& wraps)
{
    bool changed = false;
    for (size_t i = 0; i < wraps.size(); ++i) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;
        Control(TB_GETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
        const BYTE state = static_cast<BYTE>(wraps[i] ? info.fsState | TBSTATE_WRAP : info.fsState & ~TBSTATE_WRAP);
        if (state != info.fsState) {
            info.fsState = state;
            Control(TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
            changed = true;
        }
    }
    // The control repaints only the buttons it changed; the others moved to other rows too.
    if (changed)
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

SIZE CUVToolBar::CalcFloatingLayout(int length, DWORD mode)
{
    const BOOL floating = IsFloating();
    // Nothing is hidden for lack of room on a floating bar: it wraps instead.
    if (floating) {
        for (const auto& [index, width] : m_hiddenButtons) {
            TBBUTTONINFOW info{};
            info.cbSize = sizeof(info);
            info.dwMask = TBIF_BYINDEX | TBIF_STATE;
            Control(TB_GETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
            info.fsState &= static_cast<BYTE>(~TBSTATE_HIDDEN);
            Control(TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
            ShowControlOf(index, TRUE);
        }
        m_hiddenButtons.clear();
    }
    const int count = static_cast<int>(Control(TB_BUTTONCOUNT));
    std::vector<UVWrapItem> items(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RECT rect{};
        Control(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        UVWrapItem& item = items[static_cast<size_t>(i)];
        item.separator = IsSeparator(button);
        const auto hidden = m_hiddenButtons.find(i);
        if (hidden != m_hiddenButtons.end()) {
            item.width = hidden->second;
        } else if (button.fsState & TBSTATE_HIDDEN) {
            item.hidden = true;
        } else {
            Control(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
            item.width = rect.right - rect.left;
        }
    }
    UVWrapMetrics metrics;
    metrics.buttonHeight = HIWORD(static_cast<DWORD>(Control(TB_GETBUTTONSIZE)));
    metrics.separatorGap = kWrappedSeparatorGap;
    // Measured as the bar is once floating (every border line, no gripper), also when a docked
    // bar is asked during a drag.
    RECT inside{0, 0, 0, 0};
    const DWORD style = m_dwStyle;
    m_dwStyle |= CBRS_BORDER_ANY | CBRS_FLOATING;
    CalcInsideRect(inside, TRUE);
    m_dwStyle = style;
    const SIZE insets{inside.left - inside.right, inside.top - inside.bottom};

    std::vector<bool> wraps;
    if ((mode & LM_MRUWIDTH) || length < 0)
        WrapItems(items, m_nMRUWidth - insets.cx, wraps);
    else if (mode & LM_LENGTHY)
        FitHeight(items, length - insets.cy, metrics, wraps);
    else
        FitWidth(items, length - insets.cx, wraps);

    SIZE size = WrappedSize(items, wraps, metrics);
    if (floating) {
        ApplyWraps(wraps);
        // The control's own layout of the rows.
        size = SIZE{0, 0};
        for (int i = 0; i < count; ++i) {
            RECT rect{};
            if (items[static_cast<size_t>(i)].hidden || !Control(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect)))
                continue;
            size.cx = std::max(size.cx, rect.right);
            size.cy = std::max(size.cy, rect.bottom);
        }
    }
    if (count == 0)
        size = CalcRowSize();
    size.cx += insets.cx;
    size.cy += insets.cy;
    if (mode & LM_COMMIT)
        m_nMRUWidth = size.cx;
    return size;
}

SIZE CUVToolBar::CalcDynamicLayout(int length, DWORD mode)
{
    SIZE size{};
    if (!(mode & (LM_HORZDOCK | LM_VERTDOCK)))
        size = CalcFloatingLayout(length, mode);
    else
        size = CalcDockedLayout(mode);
    PlaceControls();
    return size;
}

SIZE CUVToolBar::CalcDockedLayout(DWORD mode)
{
    const BOOL docked = !IsFloating();
    const BOOL horz = (mode & LM_VERTDOCK) == 0;
    UseVerticalSeparators(!horz);
    // A vertical bar is one column: every button ends a row.
    const int count = static_cast<int>(Control(TB_BUTTONCOUNT));
    for (int i = 0; i < count; ++i) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;
        Control(TB_GETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
        const BYTE state = static_cast<BYTE>(horz ? info.fsState & ~TBSTATE_WRAP : info.fsState | TBSTATE_WRAP);
        if (state != info.fsState) {
            info.fsState = state;
            Control(TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
        }
    }
    // The control's adjust mode shows every button.
    if (docked && !m_bAdjustMode)
        FitLength(AvailableLength(horz), horz);
    SIZE size = CalcRowSize();
    if (WantsChevron()) {
        if (horz)
            size.cx += kChevronWidth;
        else
            size.cy += kChevronWidth;
    }
    RECT inside{0, 0, 0, 0};
    CalcInsideRect(inside, horz);
    size.cx += inside.left - inside.right;
    size.cy += inside.top - inside.bottom;
    if (docked && (mode & LM_STRETCH)) {
        if (horz)
            size.cx = 0x7FFF;
        else
            size.cy = 0x7FFF;
    }
    return size;
}

void CUVToolBar::PostLayoutRequest()
{
    m_bLayoutPending = TRUE;
    PostMessage(WM_UV_TOOLBAR_LAYOUT, 0, ++m_nLayoutSequence);
}

LRESULT CUVToolBar::OnLayoutRequest(WPARAM, LPARAM sequence)
{
    // Only the latest of the requests posted in a row is acted on.
    if (static_cast<int>(sequence) != m_nLayoutSequence || !m_bLayoutPending)
        return 0;
    // A new size goes to the parent first; the layout follows with the next request.
    if (m_bSizeNotifyPending) {
        m_bSizeNotifyPending = FALSE;
        if (CWnd* parent = GetParent())
            parent->SendMessage(WM_UV_TOOLBAR_RESIZED, reinterpret_cast<WPARAM>(m_hWnd),
                                MAKELPARAM(m_sizeReported.cx, m_sizeReported.cy));
        PostLayoutRequest();
        return 0;
    }
    PerformLayout();
    return 0;
}

void CUVToolBar::PerformLayout()
{
    m_bLayoutPending = FALSE;
    Control(TB_AUTOSIZE);
    if (CFrameWnd* frame = GetParentFrame()) {
        frame->DelayRecalcLayout();
        if (CWnd* top = GetTopLevelParent(); top && top != frame && top->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            static_cast<CFrameWnd*>(top)->DelayRecalcLayout();
    }
    PlaceControls();
    PlaceExpandButton();
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
