#include "toolkit/bars/docking/DockWindow.h"

#include "classlib/ui/AfxIds.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/View.h"
#include "toolkit/bars/docking/BarButton.h"
#include "toolkit/bars/docking/ChildMoves.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/state/ProfileStore.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CUVDockWindow, CUVControlBar)

BEGIN_MESSAGE_MAP(CUVDockWindow, CUVControlBar)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_NCCALCSIZE, &CUVDockWindow::OnNcCalcSize)
ON_MESSAGE(UVM_INITCONTROL, &CUVDockWindow::OnInitialUpdateRequest)
ON_MESSAGE(WM_LBUTTONDOWN, &CUVDockWindow::OnLButtonDownBar)
ON_MESSAGE(WM_WINDOWPOSCHANGED, &CUVDockWindow::OnWindowPosChanged)
ON_COMMAND(CUVDockWindow::kCloseCommand, &CUVDockWindow::OnClose)
ON_COMMAND(CUVDockWindow::kExpandCommand, &CUVDockWindow::OnExpand)
END_MESSAGE_MAP()

namespace {

constexpr wchar_t kBarPosition[] = L"Bar Position";
// A stored record must hold everything up to the extended style word.
constexpr size_t kRecordMinimum = offsetof(UVDockWindowRecord, styleEx);
constexpr int kMaxStoredLength = 32767;

// Bar styles a docking window keeps, and those it always has (several bars in a floating
// frame, hidden in place, dynamic size).
constexpr DWORD kKeptBarStyles = 0x40FFB3;
constexpr DWORD kAddedBarStyles = CBRS_FLOAT_MULTI | CBRS_HIDE_INPLACE | CBRS_SIZE_DYNAMIC;
constexpr DWORD kVerticalSideStyles = CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT | CBRS_BORDER_RIGHT;
constexpr DWORD kWindowStyles = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kUpperWindowStyles = 0xFFBF0000;

constexpr int kGripperNoCaption = 5;
constexpr int kGripperTopBottom = 18;
constexpr int kGripperLeftRight = 24;

constexpr wchar_t kCloseTip[] = L"Hide docked window";
constexpr wchar_t kExpandTip[] = L"Expand docked window";
constexpr wchar_t kContractTip[] = L"Contract docked window";

UVDockWindowRecord::Size32 ToRecord(SIZE size)
{
    return {size.cx, size.cy};
}

SIZE FromRecord(UVDockWindowRecord::Size32 size)
{
    return SIZE{size.cx, size.cy};
}

}  // namespace

CUVDockWindow::CUVDockWindow() = default;

CUVDockWindow::~CUVDockWindow()
{
    // The caption buttons go with the window, before their objects.
    if (m_hWnd)
        DestroyWindow();
}

BOOL CUVDockWindow::Create(CWnd* parent, UINT id, const wchar_t* title, SIZE size, DWORD style, DWORD styleEx)
{
    const SIZE turned{size.cy, size.cx};
    const bool vertical = (style & kVerticalSideStyles) != 0;
    m_sizeVert = vertical ? size : turned;
    m_sizeHorz = vertical ? turned : size;
    m_sizeCurrent = size;
    m_sizeFloat = kFloatingSize;
    m_dwStyleEx = styleEx;
    m_dwStyle = (style & kKeptBarStyles) | kAddedBarStyles;
    const wchar_t* className =
        AfxRegisterWndClass(CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (!CWnd::Create(className, title, kWindowStyles | (style & kUpperWindowStyles), RECT{0, 0, size.cx, size.cy},
                      parent, id))
        return FALSE;
    // Once the caller has placed the new window (docked or floating), a floating one's views
    // get their initial update.
    PostMessage(UVM_INITCONTROL, 0, ++m_nCreateCount);
    return TRUE;
}

int CUVDockWindow::OnCreate(LPCREATESTRUCT cs)
{
    if (CUVControlBar::OnCreate(cs) == -1)
        return -1;
    m_pCloseButton = std::make_unique<CUVBarButton>();
    m_pExpandButton = std::make_unique<CUVBarButton>();
    if (!m_pCloseButton->Create(this, kCloseCommand, CUVBarButton::kCloseImage) ||
        !m_pExpandButton->Create(this, kExpandCommand, CUVBarButton::ArrowImage(0, FALSE)))
        return -1;
    m_hWndTips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0,
                                   0, 0, 0, m_hWnd, nullptr, nullptr, nullptr);
    for (const auto& [button, text] :
         {std::pair{m_pCloseButton.get(), kCloseTip}, std::pair{m_pExpandButton.get(), kExpandTip}}) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(button->m_hWnd);
        tool.lpszText = const_cast<wchar_t*>(text);
        ::SendMessageW(m_hWndTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::SendMessageW(m_hWndTips, TTM_ACTIVATE, (m_dwStyle & CBRS_TOOLTIPS) != 0, 0);
    return 0;
}

void CUVDockWindow::OnDestroy()
{
    if (m_hWndTips)
        ::DestroyWindow(m_hWndTips);
    m_hWndTips = nullptr;
    CUVControlBar::OnDestroy();
}

LRESULT CUVDockWindow::OnInitialUpdateRequest(WPARAM, LPARAM counter)
{
    if (counter == m_nCreateCount && IsFloating())
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    return 0;
}

SIZE& CUVDockWindow::StoredSize()
{
    if (IsHorzDocked())
        return m_sizeHorz;
    if (IsVertDocked())
        return m_sizeVert;
    return m_sizeFloat;
}

CUVDockBar* CUVDockWindow::ToolkitDockBar() const
{
    CDockBar* dockBar = m_pDockBar;
    return dockBar && dockBar->IsKindOf(RUNTIME_CLASS(CUVDockBar)) ? static_cast<CUVDockBar*>(dockBar) : nullptr;
}

SIZE CUVDockWindow::GetDockedSize() const
{
    return m_bShownApart ? m_sizeCurrent : StoredSize();
}

void CUVDockWindow::ShowAt(SIZE size)
{
    m_sizeCurrent = size;
    // Inside its dock bar's placing the move that follows brings the size: resizing here as well
    // would move the window, its caption buttons and its child twice, each move a round trip to
    // the window server under Wine, and erase it at once.
    if (const CUVDockBar* dockBar = ToolkitDockBar(); dockBar && dockBar->IsPlacingBars())
        return;
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CUVDockWindow::SetDockedSize(SIZE size)
{
    StoredSize() = size;
    m_bShownApart = FALSE;
    ShowAt(size);
}

void CUVDockWindow::RestoreSize()
{
    m_sizeCurrent = m_sizeFloat;
}

int CUVDockWindow::GetGripperSize() const
{
    if (!(m_dwStyleEx & UVBS_CAPTION))
        return kGripperNoCaption;
    return IsHorzDocked() ? kGripperTopBottom : kGripperLeftRight;
}

void CUVDockWindow::ShowExpanded(int length)
{
    const SIZE stored = StoredSize();
    m_bExpanded = TRUE;
    m_bShownApart = TRUE;
    ShowAt(IsHorzDocked() ? SIZE{length, stored.cy} : SIZE{stored.cx, length});
}

int CUVDockWindow::CollapseToGripper()
{
    const SIZE stored = StoredSize();
    const bool horz = IsHorzDocked() != FALSE;
    const int given = (horz ? stored.cx : stored.cy) - GetGripperSize();
    m_bShownApart = TRUE;
    ShowAt(horz ? SIZE{GetGripperSize(), stored.cy} : SIZE{stored.cx, GetGripperSize()});
    return given;
}

void CUVDockWindow::RestoreDockedSize()
{
    m_bExpanded = FALSE;
    m_bShownApart = FALSE;
    ShowAt(StoredSize());
}

SIZE CUVDockWindow::CalcFixedLayout(BOOL, BOOL horz)
{
    return horz ? m_sizeHorz : m_sizeVert;
}

SIZE CUVDockWindow::CalcDynamicLayout(int length, DWORD mode)
{
    if (mode & LM_HORZDOCK)
        return IsHorzDocked() ? GetDockedSize() : m_sizeHorz;
    if (mode & LM_VERTDOCK)
        return IsVertDocked() ? GetDockedSize() : m_sizeVert;
    if (mode & LM_MRUWIDTH) {
        m_sizeCurrent = m_sizeFloat;
        return m_sizeFloat;
    }
    // A floating frame resized by one of its borders.
    const int wanted = std::max(length, kMinFloatingLength);
    if (mode & LM_LENGTHY)
        m_sizeCurrent.cy = wanted;
    else
        m_sizeCurrent.cx = wanted;
    if (mode & LM_COMMIT)
        m_sizeFloat = m_sizeCurrent;
    return m_sizeCurrent;
}

void CUVDockWindow::GetInsideRect(RECT& rect) const
{
    GetClientRect(&rect);
    if (IsFloating()) {
        InflateRect(&rect, -3, -3);
        return;
    }
    const bool horz = IsHorzDocked() != FALSE;
    const int gripper = GetGripperSize();
    InflateRect(&rect, -3, -6);
    if (m_dwStyleEx & UVBS_CAPTION) {
        if (horz)
            rect.left += gripper - 3;
        else
            rect.top += gripper - 3;
    }
    if (rect.left > rect.right || rect.top > rect.bottom) {
        // Too small for anything but the caption: nothing, just past it.
        const LONG past = gripper + 2;
        rect = horz ? RECT{past, rect.top, past, rect.top} : RECT{rect.left, past, rect.left, past};
    }
    if (!IsRectEmpty(&rect) && !horz)
        rect.top -= 5;
    if (uvAfxData.m_bXPLook) {
        if (horz)
            InflateRect(&rect, 0, 3);
        else
            InflateRect(&rect, 4, 0);
    }
}

CWnd* CUVDockWindow::CreateView(const CRuntimeClass* viewClass, CCreateContext* context)
{
    CObject* object = viewClass ? viewClass->CreateObject() : nullptr;
    auto* view = dynamic_cast<CWnd*>(object);
    if (!view) {
        delete object;
        return nullptr;
    }
    // A view that fails to be created has deleted itself in PostNcDestroy.
    if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{0, 0, 0, 0}, this, AFX_IDW_PANE_FIRST,
                      context))
        return nullptr;
    SetChild(view);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return view;
}

void CUVDockWindow::SetTitle(const wchar_t* title)
{
    SetWindowText(title);
    if (IsFloating()) {
        if (CFrameWnd* frame = GetParentFrame())
            frame->SetWindowText(title);
    } else {
        Invalidate();
    }
}

BOOL CUVDockWindow::SetChild(CWnd* child)
{
    m_pChild = child;
    return child && child->IsKindOf(RUNTIME_CLASS(CView));
}

UVDockWindowRecord CUVDockWindow::GetBarRecord() const
{
    UVDockWindowRecord record{};
    record.flag = m_bFlag;
    record.expanded = m_bExpanded;
    record.vert = ToRecord(m_sizeVert);
    record.horz = ToRecord(m_sizeHorz);
    record.floating = ToRecord(m_sizeFloat);
    record.current = ToRecord(m_sizeCurrent);
    record.styleEx = m_dwStyleEx;
    return record;
}

void CUVDockWindow::SetBarInfo(const UVDockWindowRecord& record)
{
    m_bFlag = record.flag != 0;
    m_bExpanded = record.expanded != 0;
    m_sizeVert = FromRecord(record.vert);
    m_sizeHorz = FromRecord(record.horz);
    m_sizeFloat = FromRecord(record.floating);
    m_sizeCurrent = FromRecord(record.current);
    UpdateCaptionButtons();
}

bool CUVDockWindow::IsUsableRecord(const std::vector<BYTE>& data)
{
    if (data.size() < kRecordMinimum)
        return false;
    UVDockWindowRecord record{};
    memcpy(&record, data.data(), std::min(data.size(), sizeof(record)));
    for (const auto& size : {record.vert, record.horz, record.floating, record.current}) {
        if (size.cx < 0 || size.cy < 0 || size.cx > kMaxStoredLength || size.cy > kMaxStoredLength)
            return false;
    }
    return true;
}

void CUVDockWindow::LoadBarPosition(const wchar_t* section)
{
    std::vector<BYTE> data;
    if (!CUVProfileStore(HKEY_CURRENT_USER).GetProfileBinary(section, kBarPosition, data) || !IsUsableRecord(data))
        return;
    UVDockWindowRecord record{};
    memcpy(&record, data.data(), std::min(data.size(), sizeof(record)));
    SetBarInfo(record);
}

void CUVDockWindow::SaveBarPosition(const wchar_t* section) const
{
    const UVDockWindowRecord record = GetBarRecord();
    CUVProfileStore(HKEY_CURRENT_USER)
        .WriteProfileBinary(section, kBarPosition, reinterpret_cast<const BYTE*>(&record), sizeof(record));
}

void CUVDockWindow::DelayShow(BOOL show)
{
    if (show) {
        m_dwStyleEx |= UVBS_NEWLY_PLACED;
    } else if (m_bExpanded) {
        if (CUVDockBar* dockBar = ToolkitDockBar())
            dockBar->Contract(this, FALSE);
        RestoreDockedSize();
    }
    CUVControlBar::DelayShow(show);
}

LRESULT CUVDockWindow::OnNcCalcSize(WPARAM, LPARAM)
{
    // Borders and caption lie inside the client area (GetInsideRect).
    return 0;
}

LRESULT CUVDockWindow::OnWindowPosChanged(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    UVChildMoves moves;
    if (IsFloating()) {
        ShowCaptionButtons(SW_HIDE);
        // Without a close button of its own the bar offers none on its floating frame either.
        CFrameWnd* frame = GetParentFrame();
        const DWORD closable = UVBS_CAPTION | UVBS_CLOSE_BUTTON;
        if (frame && (m_dwStyleEx & closable) != closable && (frame->GetStyle() & WS_SYSMENU))
            ::SetWindowLongPtrW(frame->m_hWnd, GWL_STYLE, frame->GetStyle() & ~WS_SYSMENU);
    } else {
        ShowCaptionButtons(SW_SHOW);
        PlaceCaptionButtons(moves);
    }
    if (m_pChild && m_pChild->m_hWnd) {
        RECT inside;
        GetInsideRect(inside);
        InflateRect(&inside, -1, -1);
        if (IsRectEmpty(&inside))
            m_pChild->ShowWindow(SW_HIDE);
        else
            moves.Move(m_pChild->m_hWnd, inside, SWP_SHOWWINDOW);
    }
    return result;
}

void CUVDockWindow::PlaceCaptionButtons(UVChildMoves& moves)
{
    RECT close;
    GetCaptionButtonRect(close);
    RECT expand = close;
    // Docked left or right the buttons sit at the right end of the caption, close last;
    // docked top or bottom at the top of the left strip, close first.
    if (IsVertDocked())
        OffsetRect(&close, kCaptionButtonStep, 0);
    else
        OffsetRect(&expand, 0, kCaptionButtonStep);
    const DWORD closable = UVBS_CAPTION | UVBS_CLOSE_BUTTON;
    if ((m_dwStyleEx & closable) != closable)
        expand = close;
    for (const auto& [button, rect] :
         {std::pair{m_pCloseButton.get(), close}, std::pair{m_pExpandButton.get(), expand}}) {
        if (button && button->m_hWnd)
            moves.Move(button->m_hWnd, rect, 0);
    }
}

void CUVDockWindow::ShowCaptionButtons(int show)
{
    const bool caption = show == SW_SHOW && (m_dwStyleEx & UVBS_CAPTION);
    if (m_pCloseButton && m_pCloseButton->m_hWnd)
        m_pCloseButton->ShowWindow(caption && (m_dwStyleEx & UVBS_CLOSE_BUTTON) ? SW_SHOW : SW_HIDE);
    if (m_pExpandButton && m_pExpandButton->m_hWnd)
        m_pExpandButton->ShowWindow(caption && (m_dwStyleEx & UVBS_EXPAND_BUTTON) ? SW_SHOW : SW_HIDE);
    UpdateCaptionButtons();
}

int CUVDockWindow::DockedSide() const
{
    if (IsBottomDocked())
        return 1;
    if (IsLeftDocked())
        return 2;
    if (IsRightDocked())
        return 3;
    return 0;
}

void CUVDockWindow::UpdateCaptionButtons()
{
    if (!m_pExpandButton || !m_pExpandButton->m_hWnd || IsFloating())
        return;
    const int image = CUVBarButton::ArrowImage(DockedSide(), m_bExpanded);
    // The tip follows the expanded state, which the image shows too: every move of the bar asks
    // again, and the tooltip control need not hear the same text each time.
    if (image == m_nExpandImage)
        return;
    m_nExpandImage = image;
    m_pExpandButton->SetImage(m_nExpandImage);
    SetTip(m_pExpandButton.get(), m_bExpanded ? kContractTip : kExpandTip);
}

void CUVDockWindow::SetTip(CUVBarButton* button, const wchar_t* text)
{
    if (!m_hWndTips)
        return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(button->m_hWnd);
    tool.lpszText = const_cast<wchar_t*>(text);
    ::SendMessageW(m_hWndTips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CUVDockWindow::SetBarStyle(DWORD style)
{
    CUVControlBar::SetBarStyle(style);
    if (m_hWndTips)
        ::SendMessageW(m_hWndTips, TTM_ACTIVATE, (m_dwStyle & CBRS_TOOLTIPS) != 0, 0);
}

BOOL CUVDockWindow::ModifyBarStyleEx(DWORD remove, DWORD add, BOOL redraw)
{
    const BOOL result = CUVControlBar::ModifyBarStyleEx(remove, add, redraw);
    ShowCaptionButtons(IsFloating() ? SW_HIDE : SW_SHOW);
    return result;
}

void CUVDockWindow::OnUpdateCmdUI(CFrameWnd*, BOOL)
{
    const HWND focus = ::GetFocus();
    SetCaptionActive(focus && ::IsChild(m_hWnd, focus));
    UpdateCaptionButtons();
}

HWND CUVDockWindow::FindLargestChild() const
{
    HWND found = nullptr;
    for (HWND parent = m_hWnd;;) {
        HWND best = nullptr;
        LONGLONG bestArea = -1;
        for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (!::IsWindowVisible(child) || !::IsWindowEnabled(child))
                continue;
            const CWnd* object = CWnd::FromHandlePermanent(child);
            if (object &&
                (object->IsKindOf(RUNTIME_CLASS(CControlBar)) || object->IsKindOf(RUNTIME_CLASS(CUVBarButton))))
                continue;
            RECT rect;
            ::GetWindowRect(child, &rect);
            const LONGLONG area = static_cast<LONGLONG>(rect.right - rect.left) * (rect.bottom - rect.top);
            if (area > bestArea) {
                best = child;
                bestArea = area;
            }
        }
        if (!best)
            return found;
        found = best;
        parent = best;
    }
}

LRESULT CUVDockWindow::OnLButtonDownBar(WPARAM wParam, LPARAM point)
{
    if (const HWND target = FindLargestChild())
        ::SetFocus(target);
    SetCaptionActive(TRUE);
    if (m_dwStyleEx & UVBS_NO_DRAG)
        return Default();
    return OnLButtonDown(wParam, point);
}

void CUVDockWindow::OnClose()
{
    if (CFrameWnd* frame = GetDockSiteFrame())
        frame->ShowControlBar(this, FALSE, FALSE);
}

void CUVDockWindow::OnExpand()
{
    CUVDockBar* dockBar = ToolkitDockBar();
    if (!dockBar)
        return;
    if (m_bExpanded)
        dockBar->Contract(this, TRUE);
    else
        dockBar->Expand(this, TRUE);
    UpdateCaptionButtons();
}
