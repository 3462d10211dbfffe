// UVChildMoves: the moves a window makes of its own children when it is moved or resized, in
// one deferred positioning that is begun only when a child is not in place yet. Under Wine
// every batch, and every move in it, is a round trip to the window server, and a bar that is
// only moved along its dock bar leaves its children where they were in its client area. The
// children are erased with the paint that follows, not during the move (under Wine an erase in
// the move costs more than the move).
#pragma once

#include <windows.h>

class UVChildMoves {
public:
    UVChildMoves() = default;
    UVChildMoves(const UVChildMoves&) = delete;
    UVChildMoves& operator=(const UVChildMoves&) = delete;
    ~UVChildMoves()
    {
        if (m_positions)
            ::EndDeferWindowPos(m_positions);
    }

    // Moves `child` to `rect` (its parent's client coordinates), and shows it when `flags` hold
    // SWP_SHOWWINDOW; nothing when it is there already and shown as asked.
    void Move(HWND child, const RECT& rect, UINT flags)
    {
        RECT current;
        ::GetWindowRect(child, &current);
        ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&current), 2);
        const bool shown = !(flags & SWP_SHOWWINDOW) || (::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE);
        if (EqualRect(&current, &rect) && shown)
            return;
        if (!m_begun) {
            m_begun = true;
            m_positions = ::BeginDeferWindowPos(3);
        }
        if (m_positions)
            m_positions =
                ::DeferWindowPos(m_positions, child, nullptr, rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, flags | SWP_NOZORDER | SWP_NOACTIVATE | SWP_DEFERERASE);
    }

private:
    HDWP m_positions = nullptr;
    bool m_begun = false;
};
