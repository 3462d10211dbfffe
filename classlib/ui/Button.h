// CButton: a window of the system's BUTTON class (push button, check box, radio button). An
// owner-drawn button paints itself in DrawItem: its parent hands WM_DRAWITEM back to it
// (CWnd::OnChildNotify).
// Not handled here: the button notifications (BN_CLICKED and friends reach the parent as sent).
#pragma once

#include "classlib/ui/Wnd.h"

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    BOOL Create(const wchar_t* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // Paints an owner-drawn button; the base draws nothing.
    virtual void DrawItem(DRAWITEMSTRUCT* draw);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    UINT GetState() const { return static_cast<UINT>(::SendMessageW(m_hWnd, BM_GETSTATE, 0, 0)); }
    UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xFFFF); }
};
