// The menu bar's popups, keys and mouse: the tracking loop, the message filter of the menu loop,
// the frame's keys before translation, and the bar's own mouse messages.
#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/menubar/MenuBar.h"
#include "toolkit/bars/menus/MenuState.h"
#include "toolkit/bars/menus/PopupMenu.h"

#include <cwctype>

namespace {

POINT PointOf(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// The system reports itself as Windows 95 or Windows NT 4.0, where hover opening is left out.
bool IsOldSystem()
{
    const OSVERSIONINFOW& os = GetOSVersionInfo();
    const bool win95 = os.dwPlatformId == 1 && os.dwMajorVersion == 4 && os.dwMinorVersion <= 9;
    const bool nt4 = os.dwPlatformId == 2 && os.dwMajorVersion == 4 && os.dwMinorVersion == 0;
    return win95 || nt4;
}

}  // namespace

void CUVMenuBar::SetHotItem(int index)
{
    if (m_nHotItem == index)
        return;
    m_nHotItem = index;
    Invalidate(FALSE);
}

int CUVMenuBar::NextEntry(int index, BOOL forward) const
{
    const std::vector<int> entries = VisibleItems(TRUE, TRUE);
    if (entries.empty())
        return -1;
    const int count = static_cast<int>(entries.size());
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (entries[static_cast<size_t>(i)] == index)
            at = i;
    }
    if (at < 0)
        return entries.front();
    return entries[static_cast<size_t>((at + (forward ? 1 : count - 1)) % count)];
}

void CUVMenuBar::RequestItem(int index)
{
    if (index == m_nOpenItem && index != -1)
        return;
    m_nNextItem = index;
    if (index >= 0)
        m_dwOpenPressTime = 0;  // the next popup opens by a move, not by a press
    if (CWnd* owner = GetOwnerFrame())
        owner->PostMessage(WM_CANCELMODE);
}

void CUVMenuBar::TrackPopup(int index)
{
    UVMenuState& menuState = GetUVMenuState();
    menuState.menuBarNotTracking = FALSE;
    while (index >= 0 && index < static_cast<int>(m_items.size()) && m_hWnd) {
        m_nTrackedItem = index;
        m_nPressedItem = index;
        m_nNextItem = -1;
        m_bEscape = FALSE;
        m_bLeftMoves = m_bRightMoves = TRUE;
        m_nHotItem = index;
        m_nOpenItem = index;
        m_nState = stateTracking;
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        s_pTrackingBar = this;
        if (s_nHookNesting++ == 0)
            s_hMsgHook = ::SetWindowsHookExW(WH_MSGFILTER, &MsgFilterProc, nullptr, ::GetCurrentThreadId());
        m_items[static_cast<size_t>(index)]->Open();
        if (--s_nHookNesting == 0 && s_hMsgHook) {
            ::UnhookWindowsHookEx(s_hMsgHook);
            s_hMsgHook = nullptr;
        }
        if (!m_hWnd)
            break;
        m_nPressedItem = -1;
        index = m_nNextItem;
        if (index < 0) {
            if (m_bEscape) {
                m_nState = stateKeyboard;
                m_nHotItem = m_nOpenItem;
            } else {
                m_nState = stateIdle;
                m_nHotItem = -1;
            }
        }
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    m_nTrackedItem = -1;
    menuState.menuBarNotTracking = TRUE;
    StopHoverTimer();
}

void CUVMenuBar::StopHoverTimer()
{
    // The cool menu would otherwise press Enter into whatever menu opens next.
    if (!m_bHoverTimer)
        return;
    m_bHoverTimer = FALSE;
    if (CWnd* owner = GetOwnerFrame(); owner && owner->m_hWnd)
        owner->KillTimer(kHoverTimer);
}

void CUVMenuBar::OpenEntry(CUVMenuBarEntry* entry)
{
    const BOOL horz = IsHorizontal();
    RECT rect = entry->GetRect(horz);
    RECT screen = rect;
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&screen), 2);
    UINT flags = TPM_VERTICAL;
    TPMPARAMS params{};
    const POINT at = GetPopupPosition(screen, &params, &flags);
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_SUBMENU;
    if (!::GetMenuItemInfoW(m_hMenu, static_cast<UINT>(entry->m_nPosition), TRUE, &info))
        return;
    CWnd* owner = GetOwnerFrame();
    if (!owner)
        return;
    if (!info.hSubMenu) {
        owner->PostMessage(WM_COMMAND, info.wID, 0);
        return;
    }
    CUVPopupMenu popup;
    popup.Attach(info.hSubMenu);
    m_pTrackedPopup = &popup;
    UVMenuState& menuState = GetUVMenuState();
    menuState.dropRect = screen;
    menuState.dropRectPending = TRUE;
    ::RedrawWindow(m_hWnd, &rect, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // A popup opened from the keyboard starts with its first item selected, as a Windows menu's.
    if (m_bKeyboardOpen)
        ::PostMessageW(owner->m_hWnd, WM_KEYDOWN, VK_DOWN, 0);
    popup.TrackPopupMenuEx(flags | TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, owner->m_hWnd, &params.rcExclude, TRUE);
    menuState.dropRectPending = FALSE;
    menuState.dropRect = RECT{};
    popup.Detach();
    m_pTrackedPopup = nullptr;
}

void CUVMenuBar::OpenSystemMenu(CUVMenuBarIcon* icon)
{
    if (!m_hWndMaxChild)
        return;
    CWnd* owner = GetOwnerFrame();
    HMENU system = ::GetSystemMenu(m_hWndMaxChild, FALSE);
    if (!owner || !system)
        return;
    RECT screen = icon->GetRect(IsHorizontal());
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&screen), 2);
    UINT flags = TPM_VERTICAL;
    TPMPARAMS params{};
    const POINT at = GetPopupPosition(screen, &params, &flags);
    const UINT command = static_cast<UINT>(::TrackPopupMenuEx(
        system, flags | TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD, at.x, at.y, owner->m_hWnd, &params));
    if (command && ::IsWindow(m_hWndMaxChild))
        ::PostMessageW(m_hWndMaxChild, WM_SYSCOMMAND, command, 0);
}

LRESULT CALLBACK CUVMenuBar::MsgFilterProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_MENU && s_pTrackingBar && s_pTrackingBar->m_hWnd &&
        s_pTrackingBar->FilterMenuMessage(reinterpret_cast<MSG*>(lParam)))
        return TRUE;
    return ::CallNextHookEx(s_hMsgHook, code, wParam, lParam);
}

BOOL CUVMenuBar::FilterMenuMessage(MSG* msg)
{
    switch (msg->message) {
    case WM_KEYDOWN:
        if (msg->wParam == VK_LEFT && m_bLeftMoves) {
            m_bKeyboardOpen = TRUE;
            RequestItem(NextEntry(m_nOpenItem, FALSE));
            return TRUE;
        }
        if (msg->wParam == VK_RIGHT && m_bRightMoves) {
            m_bKeyboardOpen = TRUE;
            RequestItem(NextEntry(m_nOpenItem, TRUE));
            return TRUE;
        }
        if (msg->wParam == VK_ESCAPE)
            m_bEscape = TRUE;
        return FALSE;
    case WM_MOUSEMOVE: {
        const HWND under = ::WindowFromPoint(msg->pt);
        if (under && under != m_hWnd)
            return FALSE;
        if (m_bPositionKnown && msg->pt.x == m_ptLast.x && msg->pt.y == m_ptLast.y)
            return FALSE;
        m_bPositionKnown = TRUE;
        m_ptLast = msg->pt;
        POINT client = msg->pt;
        ::ScreenToClient(m_hWnd, &client);
        const int hit = HitTest(client, VisibleItems(TRUE, TRUE));
        if (hit >= 0 && hit != m_nOpenItem) {
            m_bKeyboardOpen = FALSE;
            RequestItem(hit);
        }
        if (!IsOldSystem() && !m_hiddenCommands.empty()) {
            CWnd* owner = GetOwnerFrame();
            if (hit >= 0 && hit == m_nOpenItem && !m_bHoverTimer && owner) {
                owner->SetTimer(kHoverTimer, kHoverPeriod);
                m_bHoverTimer = TRUE;
            } else if (hit != m_nOpenItem) {
                StopHoverTimer();
            }
        }
        return FALSE;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (::WindowFromPoint(msg->pt) != m_hWnd)
            return FALSE;
        POINT client = msg->pt;
        ::ScreenToClient(m_hWnd, &client);
        const int hit = HitTest(client, VisibleItems(TRUE, TRUE));
        if (hit < 0 || hit != m_nOpenItem)
            return FALSE;
        // The second press of a double click lands in the menu loop, which holds the mouse: the
        // system sees no double click there, so the time since the opening press tells.
        const bool secondPress = m_dwOpenPressTime && msg->time - m_dwOpenPressTime <= ::GetDoubleClickTime();
        if (msg->message == WM_LBUTTONDBLCLK || secondPress)
            m_items[static_cast<size_t>(hit)]->DoubleClick();
        RequestItem(-1);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void CUVMenuBar::OnMenuSelect(UINT flags, HMENU menu)
{
    if (m_nState != stateTracking)
        return;
    // An item that opens a submenu takes Right for itself; inside a submenu Left goes back to
    // the menu above.
    m_bRightMoves = flags == 0xFFFF || !(flags & MF_POPUP);
    m_bLeftMoves = !menu || !m_pTrackedPopup || menu == m_pTrackedPopup->m_hMenu;
}

BOOL CUVMenuBar::OpenByMnemonic(wchar_t key)
{
    for (int index : VisibleItems(TRUE)) {
        wchar_t mnemonic = 0;
        if (m_items[static_cast<size_t>(index)]->GetMnemonic(&mnemonic) &&
            std::towupper(mnemonic) == std::towupper(key)) {
            m_bKeyboardOpen = TRUE;
            TrackPopup(index);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CUVMenuBar::TranslateFrameMessage(MSG* msg)
{
    if (!m_hWnd || !IsWindowVisible() || ::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_CONTROL) < 0)
        return FALSE;
    const UINT message = msg->message;
    const WPARAM key = msg->wParam;
    const bool keyMessage =
        message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
    if (keyMessage && key >= VK_F1 && key <= VK_F12 && key != VK_F10)
        return FALSE;
    if (message >= WM_LBUTTONDOWN && message <= WM_MOUSEWHEEL) {
        if (s_bCues) {
            s_bCues = FALSE;
            Invalidate(FALSE);
        }
        if (msg->hwnd != m_hWnd && m_nState == stateKeyboard) {
            m_nState = stateIdle;
            SetHotItem(-1);
        }
        return FALSE;
    }
    if (message == WM_SYSKEYDOWN && (msg->lParam & (1 << 29)) && !s_bCues) {
        s_bCues = TRUE;
        Invalidate(FALSE);
    }
    const bool altDown = ::GetKeyState(VK_MENU) < 0;
    if (message == WM_SYSKEYDOWN || message == WM_KEYDOWN) {
        // Alt or F10 counts as pressed alone until another key goes down.
        m_bToggleKeyAlone = key == VK_MENU || (key == VK_F10 && !altDown);
        if (key == VK_MENU || key == VK_F10)
            return key == VK_F10;
    }
    if ((message == WM_SYSKEYUP || message == WM_KEYUP) && (key == VK_MENU || key == VK_F10)) {
        if (!m_bToggleKeyAlone)
            return FALSE;
        m_bToggleKeyAlone = FALSE;
        if (m_nState == stateIdle) {
            const std::vector<int> entries = VisibleItems(TRUE);
            m_nState = stateKeyboard;
            s_bCues = TRUE;
            if (m_nHotItem < 0 && !entries.empty())
                m_nHotItem = entries.front();
        } else {
            m_nState = stateIdle;
            m_nHotItem = -1;
        }
        Invalidate(FALSE);
        return TRUE;
    }
    if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN)
        return FALSE;
    if (m_nState == stateKeyboard && message == WM_KEYDOWN) {
        switch (key) {
        case VK_RETURN:
        case VK_SPACE:
        case VK_UP:
        case VK_DOWN:
            if (m_nHotItem >= 0) {
                m_bKeyboardOpen = TRUE;
                TrackPopup(m_nHotItem);
            }
            return TRUE;
        case VK_ESCAPE:
            m_nState = stateIdle;
            SetHotItem(-1);
            return TRUE;
        case VK_LEFT:
        case VK_RIGHT:
            SetHotItem(NextEntry(m_nHotItem, key == VK_RIGHT));
            return TRUE;
        default:
            break;
        }
    }
    const bool letter = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    if (!letter || (!altDown && m_nState != stateKeyboard))
        return FALSE;
    if (OpenByMnemonic(static_cast<wchar_t>(key)))
        return TRUE;
    if (m_nState == stateKeyboard && !altDown) {
        ::MessageBeep(0);
        return TRUE;
    }
    return FALSE;
}

BOOL CUVMenuBar::OnMDIButtonMouse(UINT message, POINT point)
{
    m_bPointerSeen = TRUE;
    if (!m_hWndMaxChild)
        return FALSE;
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(m_hWndMaxChild, GWL_STYLE));
    std::vector<int> buttons;
    for (size_t i = m_items.size() - 3; i < m_items.size(); ++i)
        buttons.push_back(static_cast<int>(i));
    const int hit = HitTest(point, buttons);
    auto reacts = [&](int index) {
        const auto* button = static_cast<const CUVMenuBarMDIButton*>(m_items[static_cast<size_t>(index)].get());
        if (!(style & WS_SYSMENU))
            return false;
        if (button->m_nKind == CUVMenuBarMDIButton::kMinimize)
            return (style & WS_MINIMIZEBOX) != 0;
        if (button->m_nKind == CUVMenuBarMDIButton::kRestore)
            return (style & WS_MAXIMIZEBOX) != 0;
        return true;
    };
    auto command = [&](int index) {
        return static_cast<const CUVMenuBarMDIButton*>(m_items[static_cast<size_t>(index)].get())->m_nCommand;
    };
    switch (message) {
    case WM_LBUTTONDBLCLK:
        if (hit >= 0 && reacts(hit) && command(hit) == SC_CLOSE) {
            ::PostMessageW(m_hWndMaxChild, WM_SYSCOMMAND, SC_CLOSE, 0);
            return TRUE;
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        if (hit < 0 || !reacts(hit))
            return hit >= 0;
        m_nMDIButtonPressed = hit;
        m_nPressedItem = hit;
        m_bOverPressedButton = TRUE;
        ::SetCapture(m_hWnd);
        Invalidate(FALSE);
        return TRUE;
    case WM_MOUSEMOVE:
        if (m_nMDIButtonPressed < 0)
            return FALSE;
        if ((hit == m_nMDIButtonPressed) != (m_bOverPressedButton != FALSE)) {
            m_bOverPressedButton = hit == m_nMDIButtonPressed;
            Invalidate(FALSE);
        }
        return TRUE;
    case WM_LBUTTONUP: {
        if (m_nMDIButtonPressed < 0)
            return FALSE;
        const int pressed = m_nMDIButtonPressed;
        m_nMDIButtonPressed = -1;
        m_nPressedItem = -1;
        m_bOverPressedButton = FALSE;
        ::ReleaseCapture();
        if (hit == pressed)
            ::PostMessageW(m_hWndMaxChild, WM_SYSCOMMAND, command(pressed), 0);
        Invalidate(FALSE);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

LRESULT CUVMenuBar::OnLButtonDown(WPARAM wParam, LPARAM lParam)
{
    const POINT point = PointOf(lParam);
    const int hit = HitTest(point, VisibleItems(TRUE, TRUE));
    if (hit >= 0) {
        if (!(hit == m_nOpenItem && m_nTrackedItem >= 0)) {
            m_bKeyboardOpen = FALSE;
            m_dwOpenPressTime = static_cast<DWORD>(::GetMessageTime());
            TrackPopup(hit);
            m_dwOpenPressTime = 0;
        }
        return 0;
    }
    if (OnMDIButtonMouse(WM_LBUTTONDOWN, point))
        return 0;
    const LRESULT result = CControlBar::OnLButtonDown(wParam, lParam);
    if (CFrameWnd* frame = GetDockingFrame())
        frame->DelayRecalcLayout();
    return result;
}

LRESULT CUVMenuBar::OnLButtonDblClk(WPARAM wParam, LPARAM lParam)
{
    const POINT point = PointOf(lParam);
    const int hit = HitTest(point, VisibleItems(TRUE, TRUE));
    if (hit >= 0) {
        if (hit != m_nOpenItem) {
            m_bKeyboardOpen = FALSE;
            TrackPopup(hit);
        } else {
            m_items[static_cast<size_t>(hit)]->DoubleClick();
        }
        return 0;
    }
    if (OnMDIButtonMouse(WM_LBUTTONDBLCLK, point))
        return 0;
    return CControlBar::OnLButtonDblClk(wParam, lParam);
}

LRESULT CUVMenuBar::OnLButtonUp(WPARAM, LPARAM lParam)
{
    if (OnMDIButtonMouse(WM_LBUTTONUP, PointOf(lParam)))
        return 0;
    return Default();
}

LRESULT CUVMenuBar::OnMouseMove(WPARAM, LPARAM lParam)
{
    const POINT point = PointOf(lParam);
    if (OnMDIButtonMouse(WM_MOUSEMOVE, point))
        return 0;
    POINT screen = point;
    ::ClientToScreen(m_hWnd, &screen);
    switch (m_nState) {
    case stateIdle:
        SetHotItem(HitTest(point, VisibleItems()));
        break;
    case stateKeyboard:
        // A pointer at rest does not take the hot item from the keyboard.
        if (!m_bPositionKnown || screen.x != m_ptLast.x || screen.y != m_ptLast.y) {
            if (m_bPositionKnown)
                SetHotItem(HitTest(point, VisibleItems()));
            m_bPositionKnown = TRUE;
            m_ptLast = screen;
        }
        break;
    case stateTracking:
        m_bPositionKnown = TRUE;
        m_ptLast = screen;
        return Default();
    }
    return 0;
}

LRESULT CUVMenuBar::OnSetCursorMessage(WPARAM wParam, LPARAM lParam)
{
    if (m_hWndMaxChild) {
        POINT point;
        ::GetCursorPos(&point);
        ::ScreenToClient(m_hWnd, &point);
        if (HitTest(point, VisibleItems()) >= 0) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
            return TRUE;
        }
    }
    return CUVControlBar::OnSetCursor(wParam, lParam);
}
