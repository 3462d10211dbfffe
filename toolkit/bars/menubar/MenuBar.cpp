#include "toolkit/bars/menubar/MenuBar.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/AfxIds.h"
#include "classlib/ui/MDIChildWnd.h"
#include "classlib/ui/MDIFrameWnd.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MappedBitmap.h"
#include "toolkit/bars/menubar/MenuBarHooks.h"
#include "toolkit/bars/menus/MenuState.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CUVMenuBar, CUVControlBar)

BEGIN_MESSAGE_MAP(CUVMenuBar, CUVControlBar)
ON_WM_CREATE()
ON_MESSAGE(WM_LBUTTONDOWN, &CUVMenuBar::OnLButtonDown)
ON_MESSAGE(WM_LBUTTONDBLCLK, &CUVMenuBar::OnLButtonDblClk)
ON_MESSAGE(WM_LBUTTONUP, &CUVMenuBar::OnLButtonUp)
ON_MESSAGE(WM_MOUSEMOVE, &CUVMenuBar::OnMouseMove)
ON_MESSAGE(WM_SETCURSOR, &CUVMenuBar::OnSetCursorMessage)
ON_MESSAGE(WM_NCHITTEST, &CUVMenuBar::OnNcHitTest)
ON_MESSAGE(WM_NCCALCSIZE, &CUVMenuBar::OnNcCalcSize)
ON_MESSAGE(WM_SETTINGCHANGE, &CUVMenuBar::OnSettingChange)
ON_MESSAGE(WM_ERASEBKGND, &CUVMenuBar::OnEraseBackground)
END_MESSAGE_MAP()

CUVMenuBar* CUVMenuBar::s_pTrackingBar = nullptr;
HHOOK CUVMenuBar::s_hMsgHook = nullptr;
int CUVMenuBar::s_nHookNesting = 0;
BOOL CUVMenuBar::s_bCues = FALSE;

namespace {

constexpr int kMaxMenuText = 63;
constexpr int kEntryPadding = 14;
constexpr int kMaxListedWindows = 9;

CString MenuText(HMENU menu, int position)
{
    wchar_t text[kMaxMenuText + 1] = {};
    if (::GetMenuStringW(menu, static_cast<UINT>(position), text, kMaxMenuText + 1, MF_BYPOSITION) <= 0)
        return CString();
    return CString(text);
}

// Where the MDI window list at the end of a window menu starts (the item count when it has none):
// the separator, the window entries and "More Windows...". The client keeps such a list in the
// frame's own window menu, the bar in the one it shows.
int WindowListStart(HMENU menu)
{
    int first = ::GetMenuItemCount(menu);
    while (first > 0) {
        const UINT id = ::GetMenuItemID(menu, first - 1);
        if (id != 0 && (id < AFX_IDM_FIRST_MDICHILD || id == static_cast<UINT>(-1)))
            break;
        --first;
    }
    return first;
}

// Whether two popups hold the same items (a window list left aside): same count, and the same
// text and command id at every position.
bool SamePopup(HMENU a, HMENU b)
{
    if (!a || !b)
        return false;
    const int count = WindowListStart(a);
    if (count != WindowListStart(b))
        return false;
    for (int i = 0; i < count; ++i) {
        if (::GetMenuItemID(a, i) != ::GetMenuItemID(b, i) || MenuText(a, i) != MenuText(b, i))
            return false;
    }
    return true;
}

}  // namespace

CUVMenuBar::CUVMenuBar()
{
    m_cyTopBorder = 3;
    m_cyBottomBorder = 3;
    ReadKeyboardCues();
}

CUVMenuBar::~CUVMenuBar()
{
    // The window goes while the hooks and items it uses still exist.
    if (m_hWnd)
        DestroyWindow();
    if (s_pTrackingBar == this)
        s_pTrackingBar = nullptr;
    if (m_hMenuLoaded)
        ::DestroyMenu(m_hMenuLoaded);
}

void CUVMenuBar::ReadKeyboardCues()
{
    const OSVERSIONINFOW& os = GetOSVersionInfo();
    if (os.dwPlatformId != VER_PLATFORM_WIN32_NT || os.dwMajorVersion < 5)
        return;
    BOOL cues = TRUE;
    if (::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0))
        m_bCuesAlways = cues;
}

BOOL CUVMenuBar::Create(CWnd* parent, DWORD style, UINT id)
{
    return CreateEx(parent, kUVMenuBarControlStyle, style, GetBorders(), id);
}

BOOL CUVMenuBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, RECT borders, UINT id)
{
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    SetBorders(borders);
    m_dwStyle = style & CBRS_ALL;
    const DWORD windowStyle = (style & ~CBRS_ALL) | controlStyle | WS_CHILD | WS_CLIPSIBLINGS;
    const wchar_t* className = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW));
    if (!CWnd::Create(className, nullptr, windowStyle, RECT{0, 0, 0, 0}, parent, id))
        return FALSE;
    if (!m_hWndOwner && parent)
        SetOwner(parent);
    if (parent) {
        m_pFrameHook = std::make_unique<CUVMBarWndHook>();
        m_pFrameHook->AttachBar(this, parent->m_hWnd);
        if (auto* mdi = dynamic_cast<CMDIFrameWnd*>(parent); mdi && mdi->m_hWndMDIClient) {
            m_hWndMDIClient = mdi->m_hWndMDIClient;
            m_pMDIHook = std::make_unique<CUVMBarMDIWndHook>();
            m_pMDIHook->AttachBar(this, m_hWndMDIClient);
        }
    }
    CWinApp* app = AfxGetApp();
    const CString appName = app ? CString(app->m_pszAppName) : CString(L"Carrowfold");
    const CString company = app ? CString(app->m_pszRegistryKey) : CString();
    m_strProfileKey.Format(L"Software\\%s\\%s\\Settings", company.GetString(), appName.GetString());
    m_strProfileEntry.Format(L"%s-Bar%d", appName.GetString(), static_cast<int>(id));
    return TRUE;
}

int CUVMenuBar::OnCreate(LPCREATESTRUCT cs)
{
    if (CUVControlBar::OnCreate(cs) == -1)
        return -1;
    LoadGlyphImages(m_mdiImages, IDB_UV_MDI_BUTTONS, 10);
    m_hWndTips = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, AfxGetInstanceHandle(), nullptr);
    for (UINT id = 1; id <= 3; ++id) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = m_hWnd;
        tool.uId = id;
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(m_hWndTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return 0;
}

BOOL CUVMenuBar::LoadMenuBar(UINT menuId)
{
    m_nMenuId = menuId;
    HINSTANCE resources = AfxGetResourceHandle();
    if (!resources)
        return FALSE;
    HMENU menu = ::LoadMenuW(resources, MAKEINTRESOURCEW(menuId));
    if (!menu)
        return FALSE;
    // A menu loaded before is replaced; the caller learns whether this one is in place, whatever
    // was installed before it.
    HMENU previousLoaded = m_hMenuLoaded;
    m_hMenuLoaded = menu;
    SetMenu(menu, nullptr);
    if (previousLoaded && previousLoaded != menu)
        ::DestroyMenu(previousLoaded);
    return m_hMenu == menu;
}

HMENU CUVMenuBar::SetMenu(HMENU menu, HMENU windowMenu)
{
    if (!menu && !windowMenu)
        menu = m_hMenuLoaded;
    HMENU previous = m_hMenu;
    m_items.clear();
    ResetTrackingState();
    m_hMenu = menu;
    BuildItems(menu);
    BuildChildEntryMap();
    m_hWindowMenu = windowMenu;
    RefreshMaximizedChild();
    PlaceItems(IsHorizontal());
    RecalcAfterChange();
    return previous;
}

void CUVMenuBar::BuildItems(HMENU menu)
{
    m_items.clear();
    m_items.push_back(std::make_unique<CUVMenuBarIcon>(this));
    if (menu && m_hWnd) {
        CClientDC dc(this);
        CSelectedObject font(dc, uvAfxData.m_fonts[CUVGlobalData::fontMenu]);
        const int count = ::GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i) {
            const CString text = MenuText(menu, i);
            if (text.IsEmpty())
                continue;
            const CString shown = StripMenuAmpersands(text);
            SIZE extent{};
            ::GetTextExtentPoint32W(dc.m_hDC, shown, shown.GetLength(), &extent);
            const SIZE size{extent.cx + kEntryPadding, ::GetSystemMetrics(SM_CYMENU)};
            m_items.push_back(std::make_unique<CUVMenuBarEntry>(this, i, text, size));
        }
    }
    m_items.push_back(std::make_unique<CUVMenuBarMDIButton>(this, CUVMenuBarMDIButton::kMinimize, SC_MINIMIZE, 0));
    m_items.push_back(std::make_unique<CUVMenuBarMDIButton>(this, CUVMenuBarMDIButton::kRestore, SC_RESTORE, 2));
    m_items.push_back(std::make_unique<CUVMenuBarMDIButton>(this, CUVMenuBarMDIButton::kClose, SC_CLOSE, 0));
}

// The entries the active child adds to the frame's menu send their commands to the child. The
// frame's own menu (the one it shows with no child) is the reference: an entry whose popup is
// the same there is the frame's.
void CUVMenuBar::BuildChildEntryMap()
{
    m_childEntries.clear();
    if (!m_hWndMDIClient || !m_hMenu)
        return;
    HWND active = reinterpret_cast<HWND>(::SendMessageW(m_hWndMDIClient, WM_MDIGETACTIVE, 0, 0));
    auto* child = dynamic_cast<CMDIChildWnd*>(CWnd::FromHandlePermanent(active));
    if (!active)
        return;
    CMDIFrameWnd* frame = child ? child->GetMDIFrame() : nullptr;
    HMENU reference = frame ? frame->m_hMenuDefault : nullptr;
    const int count = ::GetMenuItemCount(m_hMenu);
    const int referenceCount = reference ? ::GetMenuItemCount(reference) : 0;
    for (int i = 0; i < count; ++i) {
        const CString text = MenuText(m_hMenu, i);
        if (text.IsEmpty())
            continue;
        bool shared = false;
        for (int j = 0; j < referenceCount && !shared; ++j)
            shared = MenuText(reference, j) == text && SamePopup(::GetSubMenu(reference, j), ::GetSubMenu(m_hMenu, i));
        if (!shared)
            m_childEntries[i + 1] = 1;
    }
}

HWND CUVMenuBar::GetMenuMessageTarget(UINT message) const
{
    if (m_childEntries.empty() || !m_hWndMDIClient)
        return nullptr;
    int key;
    if (message == WM_COMMAND)
        key = m_nOpenItem;
    else if (message == WM_INITMENU || message == WM_INITMENUPOPUP || message == WM_MENUSELECT)
        key = m_nState == stateTracking ? m_nTrackedItem : -1;
    else
        return nullptr;
    HWND active = reinterpret_cast<HWND>(::SendMessageW(m_hWndMDIClient, WM_MDIGETACTIVE, 0, 0));
    if (!active || key < 0 || key >= static_cast<int>(m_items.size()))
        return nullptr;
    // The map is keyed by menu position + 1 (the item index when every entry has an item).
    auto* entry = dynamic_cast<CUVMenuBarEntry*>(m_items[static_cast<size_t>(key)].get());
    if (!entry || !m_childEntries.count(entry->m_nPosition + 1))
        return nullptr;
    return active;
}

BOOL CUVMenuBar::RefreshMaximizedChild()
{
    HWND maximized = nullptr;
    if (m_hWndMDIClient) {
        BOOL isMaximized = FALSE;
        HWND active = reinterpret_cast<HWND>(
            ::SendMessageW(m_hWndMDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&isMaximized)));
        if (active && isMaximized && (::GetWindowLongPtrW(active, GWL_STYLE) & WS_SYSMENU))
            maximized = active;
    }
    if (maximized == m_hWndMaxChild)
        return FALSE;
    m_hWndMaxChild = maximized;
    return TRUE;
}

void CUVMenuBar::UpdateWindowMenu()
{
    HMENU menu = m_hWindowMenu;
    if (!menu || !m_hWndMDIClient)
        return;
    for (int i = ::GetMenuItemCount(menu) - 1, first = WindowListStart(menu); i >= first; --i)
        ::DeleteMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
    HWND active = reinterpret_cast<HWND>(::SendMessageW(m_hWndMDIClient, WM_MDIGETACTIVE, 0, 0));
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(m_hWndMDIClient, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetWindow(child, GW_OWNER) || !(::GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_MDICHILD))
            continue;
        children.push_back(child);
    }
    // The client's own order: by child id, which it hands out in order of creation.
    std::sort(children.begin(), children.end(), [](HWND a, HWND b) { return ::GetDlgCtrlID(a) < ::GetDlgCtrlID(b); });
    if (children.empty())
        return;
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const int listed = std::min(static_cast<int>(children.size()), kMaxListedWindows);
    for (int i = 0; i < listed; ++i) {
        wchar_t title[256] = {};
        ::GetWindowTextW(children[static_cast<size_t>(i)], title, 256);
        CString text;
        text.Format(L"&%d  %s", i + 1, title);
        const UINT flags = MF_STRING | (children[static_cast<size_t>(i)] == active ? MF_CHECKED : 0);
        ::AppendMenuW(menu, flags, AFX_IDM_FIRST_MDICHILD + static_cast<UINT>(i), text);
    }
    if (m_bMoreWindows) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        CString more;
        more.LoadString(IDS_UV_MORE_WINDOWS);
        ::AppendMenuW(menu, MF_STRING, ID_UV_MORE_WINDOWS, more);
    }
}

void CUVMenuBar::OnWindowMenuPopup()
{
    UpdateWindowMenu();
}

void CUVMenuBar::UpdateMDIButtonTips()
{
    if (!m_hWndTips)
        return;
    static constexpr UINT kTexts[] = {IDS_UV_MINIMIZE_WINDOW, IDS_UV_RESTORE_WINDOW, IDS_UV_CLOSE_WINDOW};
    const size_t first = m_items.size() - 3;
    for (UINT id = 1; id <= 3; ++id) {
        CString text;
        text.LoadString(kTexts[id - 1]);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = m_hWnd;
        tool.uId = id;
        const CUVMenuBarItem* button = m_items.size() >= 3 ? m_items[first + id - 1].get() : nullptr;
        if (button && !button->IsHidden())
            tool.rect = button->GetRect(IsHorizontal());
        tool.lpszText = const_cast<wchar_t*>(static_cast<const wchar_t*>(text));
        ::SendMessageW(m_hWndTips, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageW(m_hWndTips, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

BOOL CUVMenuBar::HideCommand(UINT id)
{
    m_hiddenCommands.push_back(id);
    return TRUE;
}

BOOL CUVMenuBar::HideCommands(const UINT* ids, int count)
{
    for (int i = 0; i < count; ++i) {
        if (!HideCommand(ids[i]))
            return FALSE;
    }
    return TRUE;
}

void CUVMenuBar::ResetTrackingState()
{
    m_nState = stateIdle;
    m_nOpenItem = m_nNextItem = m_nTrackedItem = m_nPressedItem = m_nHotItem = m_nMDIButtonPressed = -1;
    m_bRightMoves = m_bLeftMoves = m_bEscape = m_bPositionKnown = m_bOverPressedButton = FALSE;
    m_ptLast = POINT{};
}

void CUVMenuBar::SetActive(BOOL active)
{
    m_bActive = active;
    Invalidate();
}

int CUVMenuBar::GetTrackingState(int* openItem) const
{
    if (openItem)
        *openItem = m_nOpenItem;
    return m_nState;
}

CWnd* CUVMenuBar::GetOwnerFrame() const
{
    return GetOwner();
}

int CUVMenuBar::IndexOf(const CUVMenuBarItem* item) const
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == item)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<int> CUVMenuBar::VisibleItems(BOOL entriesOnly, BOOL withIcon) const
{
    std::vector<int> visible;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const CUVMenuBarItem* item = m_items[i].get();
        if (item->IsHidden())
            continue;
        if (entriesOnly && !dynamic_cast<const CUVMenuBarEntry*>(item) &&
            !(withIcon && dynamic_cast<const CUVMenuBarIcon*>(item)))
            continue;
        visible.push_back(static_cast<int>(i));
    }
    return visible;
}

BOOL CUVMenuBar::IsHorizontal() const
{
    return IsTopDocked() || IsBottomDocked() || IsFloating() || !m_pDockBar;
}

BOOL CUVMenuBar::CuesShown() const
{
    return m_bCuesAlways || s_bCues;
}

int CUVMenuBar::HitTest(POINT point, const std::vector<int>& items) const
{
    RECT client;
    GetClientRect(&client);
    if (!::PtInRect(&client, point))
        return -1;
    const BOOL horz = IsHorizontal();
    for (int index : items) {
        const RECT rect = m_items[static_cast<size_t>(index)]->GetRect(horz);
        if (::PtInRect(&rect, point))
            return index;
    }
    return -1;
}

POINT CUVMenuBar::GetPopupPosition(const RECT& item, TPMPARAMS* params, UINT* flags)
{
    params->cbSize = sizeof(TPMPARAMS);
    params->rcExclude = item;
    const BOOL xp = uvAfxData.m_bXPLook != 0;
    if (xp)
        ::InflateRect(&params->rcExclude, -1, -1);
    POINT origin;
    if (IsFloating()) {
        ::GetCursorPos(&origin);
    } else if (IsHorizontal()) {
        origin = POINT{item.left, item.bottom - 1};
    } else {
        origin = POINT{item.right - 1 + (xp ? 4 : 0), item.top};
        *flags &= ~TPM_VERTICAL;
    }
    POINT cursor;
    ::GetCursorPos(&cursor);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoW(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor)) {
        origin.x = std::clamp(origin.x, monitor.rcWork.left, std::max(monitor.rcWork.left, monitor.rcWork.right - 1));
        origin.y = std::clamp(origin.y, monitor.rcWork.top, std::max(monitor.rcWork.top, monitor.rcWork.bottom - 1));
    }
    return origin;
}

void CUVMenuBar::OnUpdateCmdUI(CFrameWnd*, BOOL)
{
    if (m_nTrackedItem < 0)
        m_nOpenItem = -1;
    if (RefreshMaximizedChild())
        RecalcAfterChange();
    if (m_bPointerSeen && m_nHotItem >= 0 && ::GetCapture() != m_hWnd) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        ScreenToClient(m_hWnd, &cursor);
        RECT client;
        GetClientRect(&client);
        if (!::PtInRect(&client, cursor) && m_nState != stateKeyboard)
            SetHotItem(-1);
    }
    const BOOL cues = m_bCuesAlways;
    ReadKeyboardCues();
    if (cues != m_bCuesAlways)
        Invalidate();
}

void CUVMenuBar::OnBarStyleChange(DWORD oldStyle, DWORD newStyle)
{
    if ((oldStyle ^ newStyle) & CBRS_FLOATING)
        ResetTrackingState();
    CUVControlBar::OnBarStyleChange(oldStyle, newStyle);
}

INT_PTR CUVMenuBar::OnToolHitTest(POINT, TOOLINFOW*) const
{
    return -1;
}

BOOL CUVMenuBar::GetReBarBandInfo(REBARBANDINFOW* band, BOOL horz)
{
    CUVControlBar::GetReBarBandInfo(band, horz);
    return TRUE;
}

void CUVMenuBar::OnReBarChildSize(BOOL, void* data)
{
    const auto* size = static_cast<const NMREBARCHILDSIZE*>(data);
    if (!size)
        return;
    m_nReBarLength = size->rcChild.right - size->rcChild.left;
    FitItems(m_nReBarLength, IsHorizontal());
    Invalidate();
}

BOOL CUVMenuBar::GetReBarDragOffset(SIZE* offset)
{
    RECT caption{};
    ::AdjustWindowRectEx(&caption, WS_CAPTION | WS_THICKFRAME, FALSE, 0);
    offset->cx /= 2;
    offset->cy = (-caption.top) / 2;
    return TRUE;
}

void CUVMenuBar::RecalcAfterChange()
{
    if (!m_hWnd)
        return;
    if (m_bInReBar) {
        FitItems(GetAvailableLength(IsHorizontal()), IsHorizontal());
    } else if (CFrameWnd* site = GetDockingFrame()) {
        site->RecalcLayout();
        if (IsFloating()) {
            if (CFrameWnd* parent = GetDockSiteFrame(); parent && parent != site)
                parent->RecalcLayout();
        }
    }
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
}

LRESULT CUVMenuBar::OnSettingChange(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    // The window list stays in the window menu the installed menu had.
    SetMenu(m_hMenu, m_hWindowMenu);
    if (CWnd* top = GetTopLevelParent()) {
        RECT rect;
        top->GetWindowRect(&rect);
        const int w = rect.right - rect.left, h = rect.bottom - rect.top;
        ::SetWindowPos(top->m_hWnd, nullptr, 0, 0, w + 1, h, SWP_NOMOVE | SWP_FRAMECHANGED | SWP_NOZORDER);
        ::SetWindowPos(top->m_hWnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_FRAMECHANGED | SWP_NOZORDER);
    }
    return result;
}

LRESULT CUVMenuBar::OnNcHitTest(WPARAM, LPARAM)
{
    return HTCLIENT;
}

LRESULT CUVMenuBar::OnNcCalcSize(WPARAM, LPARAM lParam)
{
    auto* rect = reinterpret_cast<RECT*>(lParam);
    CalcInsideRect(*rect, (m_dwStyle & CBRS_ORIENT_HORZ) != 0);
    return 0;
}

LRESULT CUVMenuBar::OnEraseBackground(WPARAM, LPARAM)
{
    return 1;
}
