#include "toolkit/bars/toolbar/ToolBar.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/CmdUI.h"
#include "classlib/ui/DockContext.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/ImageList.h"
#include "toolkit/bars/docking/ChildMoves.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MappedBitmap.h"
#include "toolkit/bars/menus/MenuState.h"
#include "toolkit/bars/menus/PopupMenu.h"
#include "toolkit/bars/toolbar/ExpButton.h"
#include "toolkit/bars/toolbar/ToolBarEditor.h"
#include "toolkit/controls/customize/CustomizeSession.h"
#include "toolkit/controls/customize/ToolbarEntry.h"

#include <windowsx.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CUVToolBar, CUVControlBar)

BEGIN_MESSAGE_MAP(CUVToolBar, CUVControlBar)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_NCCREATE, &CUVToolBar::OnNcCreate)
ON_MESSAGE(WM_NCCALCSIZE, &CUVToolBar::OnNcCalcSize)
ON_MESSAGE(WM_PAINT, &CUVToolBar::OnToolbarPaint)
ON_MESSAGE(WM_UV_TOOLBAR_LAYOUT, &CUVToolBar::OnLayoutRequest)
ON_MESSAGE(WM_UV_COLOR_POPUP_CLOSED, &CUVToolBar::OnColorPopupClosed)
ON_MESSAGE(WM_UV_COLOR_CHOSEN, &CUVToolBar::OnColorChosen)
ON_MESSAGE(WM_LBUTTONDOWN, &CUVToolBar::OnLButtonDown)
ON_MESSAGE(WM_NCHITTEST, &CUVToolBar::OnNcHitTest)
ON_MESSAGE(WM_SIZE, &CUVToolBar::OnSize)
ON_MESSAGE(WM_LBUTTONUP, &CUVToolBar::OnLButtonUp)
ON_MESSAGE(WM_SYSCOLORCHANGE, &CUVToolBar::OnSysColorChange)
ON_MESSAGE(WM_SETFONT, &CUVToolBar::OnFontOrSettingChange)
ON_MESSAGE(WM_SETTINGCHANGE, &CUVToolBar::OnFontOrSettingChange)
END_MESSAGE_MAP()

namespace {

// Separators are 6 pixels wide on a flat bar and with common controls 4.72, else 8.
int SeparatorWidth(DWORD controlStyle)
{
    return ((controlStyle & TBSTYLE_FLAT) || uvAfxData.GetComCtlVersion() == 0x40048) ? 6 : 8;
}

}  // namespace

UVColorPopupFactory& GetUVColorPopupFactory()
{
    static UVColorPopupFactory factory = nullptr;
    return factory;
}

CUVToolBar::CUVToolBar()
{
    m_cxLeftBorder = m_cxRightBorder = m_cyTopBorder = m_cyBottomBorder = 0;
}

CUVToolBar::~CUVToolBar()
{
    // The editor and the window go before the lists they read; the expand button with its window.
    m_pEditor.reset();
    if (m_hWnd)
        DestroyWindow();
}

BOOL CUVToolBar::Create(CWnd* parent, DWORD style, UINT id)
{
    return CreateEx(parent, TBSTYLE_FLAT, style, RECT{m_cxLeftBorder, m_cyTopBorder, m_cxRightBorder, m_cyBottomBorder},
                    id);
}

BOOL CUVToolBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, RECT borders, UINT id)
{
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    SetBorders(borders);
    m_dwStyle = style & CBRS_ALL;
    const DWORD windowStyle = (style & ~CBRS_ALL) | controlStyle | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                              CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NODIVIDER | CCS_NORESIZE;
    if (!CWnd::Create(TOOLBARCLASSNAMEW, nullptr, windowStyle, RECT{0, 0, 0, 0}, parent, id))
        return FALSE;
    CWinApp* app = AfxGetApp();
    const CString appName = app ? CString(app->m_pszAppName) : CString(L"Carrowfold");
    const CString company = app ? CString(app->m_pszRegistryKey) : CString();
    m_strProfileKey.Format(L"Software\\%s\\%s\\Settings", company.GetString(), appName.GetString());
    m_strBarEntry.Format(L"%s-Bar%d", appName.GetString(), static_cast<int>(id));
    return TRUE;
}

LRESULT CUVToolBar::OnNcCreate(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    // A TBBUTTON is 32 bytes in this 64-bit program, not the 20 of a 32-bit one.
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    // The bar is its own notify parent: it draws and drops down its buttons itself.
    SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(m_hWnd));
    return result;
}

int CUVToolBar::OnCreate(LPCREATESTRUCT cs)
{
    if (CUVControlBar::OnCreate(cs) == -1)
        return -1;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(m_sizeImage.cx, m_sizeImage.cy));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(m_sizeButton.cx, m_sizeButton.cy));
    if (HasExpandButton()) {
        m_pExpButton = std::make_unique<CUVExpButton>(this);
        if (!m_pExpButton->Create(RECT{0, 0, 0, 0}))
            return -1;
        m_pExpButton->ShowWindow(SW_HIDE);
    }
    // The Customize dialog's pages list the toolbars by their entries.
    CUVCustomizeSession::GetInstance()
        ->GetList(CUVCustomizeSession::enumerateToolbars)
        .Add(
            [](void* bar, LPARAM enumerator) {
                const auto* report = reinterpret_cast<const UVToolbarEnumerator*>(enumerator);
                CUVToolbarEntry entry;
                report->function(report->object, static_cast<CUVToolBar*>(bar)->GetResetHandler(entry));
            },
            this);
    return 0;
}

void CUVToolBar::OnDestroy()
{
    m_pEditor.reset();
    if (m_bCustomizable && !m_strProfileKey.IsEmpty() && !m_bStateToRestore)
        SaveState(L"Settings", m_strBarEntry);
    CUVCustomizeSession::GetInstance()->RemoveObserver(this);
    CUVControlBar::OnDestroy();
}

LRESULT CUVToolBar::OnNcCalcSize(WPARAM, LPARAM lParam)
{
    auto* rect = reinterpret_cast<RECT*>(lParam);
    CalcInsideRect(*rect, (m_dwStyle & CBRS_ORIENT_HORZ) != 0);
    return 0;
}

void CUVToolBar::SetOwner(CWnd* owner)
{
    CControlBar::SetOwner(owner);
}

void CUVToolBar::SetSizes(SIZE button, SIZE image)
{
    if (m_hWnd && UsesXPLook() && (GetStyle() & TBSTYLE_LIST))
        button.cx -= 4;
    m_sizeButton = button;
    m_sizeImage = image;
    if (!m_hWnd)
        return;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(image.cx, image.cy));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
    Invalidate();
}

BOOL CUVToolBar::SetButtons(const UINT* ids, int count)
{
    while (SendMessage(TB_BUTTONCOUNT) > 0)
        SendMessage(TB_DELETEBUTTON, 0);
    m_hiddenButtons.clear();
    int image = 0;
    const int separator = SeparatorWidth(GetStyle());
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        button.fsState = TBSTATE_ENABLED;
        const UINT id = ids ? ids[i] : 0;
        if (ids && id == 0) {
            button.fsStyle = BTNS_SEP;
            button.iBitmap = separator;
        } else {
            button.idCommand = static_cast<int>(id);
            button.iBitmap = image++;
        }
        if (!SendMessage(TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button)))
            return FALSE;
    }
    m_bLayoutPending = TRUE;
    return TRUE;
}

BOOL CUVToolBar::LoadToolBar(UINT resourceId)
{
    HINSTANCE module = uvAfxData.m_hResources ? uvAfxData.m_hResources : GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(kToolbarResourceType));
    if (!found) {
        module = GetModuleHandleW(nullptr);
        found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(kToolbarResourceType));
    }
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    UVToolbarResource layout;
    if (!data || !ReadToolbarResource(data, SizeofResource(module, found), layout))
        return FALSE;
    auto images = std::make_unique<CImageList>();
    CBitmap bitmap;
    bitmap.Attach(LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap.GetSafeHandle() ||
        !images->Create(layout.width, layout.height, ILC_COLOR32 | ILC_MASK, static_cast<int>(layout.ids.size()), 10) ||
        images->Add(bitmap, kImageMaskColor) < 0)
        return FALSE;
    m_hResourceModule = module;
    m_nResourceId = resourceId;
    SetSizes(SIZE{layout.width + 7, layout.height + 7}, SIZE{layout.width, layout.height});
    if (!SetButtons(layout.ids.data(), static_cast<int>(layout.ids.size())))
        return FALSE;
    m_pImages = std::move(images);
    SetImageList(m_pImages->GetSafeHandle(), TRUE);
    return TRUE;
}

void CUVToolBar::SetImageList(HIMAGELIST list, BOOL normal)
{
    GetUVCommandImages().AddFromToolbar(m_hWnd, list, normal);
    SendMessage(normal ? TB_SETIMAGELIST : TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
    if (normal)
        m_hImages = list;
}

int CUVToolBar::GetButtonCount() const
{
    return static_cast<int>(SendMessage(TB_BUTTONCOUNT));
}

int CUVToolBar::CommandToIndex(UINT command) const
{
    return static_cast<int>(SendMessage(TB_COMMANDTOINDEX, command));
}

UINT CUVToolBar::GetItemID(int index) const
{
    TBBUTTON button{};
    SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    return static_cast<UINT>(button.idCommand);
}

void CUVToolBar::GetButtonInfo(int index, UINT& id, UINT& style, int& image) const
{
    TBBUTTON button{};
    SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    id = static_cast<UINT>(button.idCommand);
    style = GetButtonStyle(index);
    image = button.iBitmap;
}

BOOL CUVToolBar::GetButton(int index, TBBUTTON* button) const
{
    if (!button || !SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(button)))
        return FALSE;
    button->fsState ^= TBSTATE_ENABLED;
    return TRUE;
}

UINT CUVToolBar::GetButtonStyle(int index) const
{
    TBBUTTON button{};
    if (!GetButton(index, &button))
        return 0;
    return (static_cast<UINT>(button.fsState) << 16) | button.fsStyle;
}

void CUVToolBar::SetButtonStyle(int index, UINT style)
{
    TBBUTTON button{};
    if (!SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)))
        return;
    const BYTE newStyle = LOBYTE(style);
    const BYTE newState = static_cast<BYTE>(HIWORD(style) ^ TBSTATE_ENABLED);
    if (button.fsStyle == newStyle && button.fsState == newState)
        return;
    button.fsStyle = newStyle;
    button.fsState = newState;
    ReplaceButton(index, button);
}

void CUVToolBar::ReplaceButton(int index, const TBBUTTON& button)
{
    TBBUTTON old{};
    Control(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&old));
    // Hidden from redraw while the button is replaced.
    const DWORD windowStyle = GetStyle();
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, windowStyle & ~WS_VISIBLE);
    SendMessage(TB_DELETEBUTTON, index);
    SendMessage(TB_INSERTBUTTONW, index, reinterpret_cast<LPARAM>(&button));
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, windowStyle);
    if ((old.fsState ^ button.fsState) & TBSTATE_HIDDEN)
        ShowControlOf(index, !(button.fsState & TBSTATE_HIDDEN));
    m_bLayoutPending = TRUE;
    Invalidate();
}

HWND CUVToolBar::GetControl(UINT command) const
{
    if (command == 0)
        return nullptr;
    for (HWND control : m_controls) {
        if (IsWindow(control) && static_cast<UINT>(::GetDlgCtrlID(control)) == command)
            return control;
    }
    return nullptr;
}

void CUVToolBar::ShowControlOf(int index, BOOL shown)
{
    TBBUTTON button{};
    Control(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    HWND control = (button.fsStyle & BTNS_SEP) ? GetControl(static_cast<UINT>(button.idCommand)) : nullptr;
    // A control lent to the chevron popup stays there until the popup gives it back.
    if (!control || ::GetParent(control) != m_hWnd || !::IsWindowVisible(control) == !shown)
        return;
    ::ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
}

BOOL CUVToolBar::PositionControl(CWnd* control)
{
    if (!control || !IsWindow(control->m_hWnd))
        return FALSE;
    const UINT command = static_cast<UINT>(control->GetDlgCtrlID());
    const int index = command ? CommandToIndex(command) : -1;
    if (index < 0)
        return FALSE;
    if (std::find(m_controls.begin(), m_controls.end(), control->m_hWnd) == m_controls.end())
        m_controls.push_back(control->m_hWnd);
    RECT window;
    ::GetWindowRect(control->m_hWnd, &window);
    TBBUTTON button{};
    Control(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    if (!(button.fsStyle & BTNS_SEP) || button.iBitmap != window.right - window.left) {
        button.fsStyle = BTNS_SEP;
        button.iBitmap = window.right - window.left;
        ReplaceButton(index, button);
        Control(TB_AUTOSIZE);
    }
    PlaceControls();
    return TRUE;
}

void CUVToolBar::PlaceControls()
{
    if (m_controls.empty())
        return;
    std::erase_if(m_controls, [](HWND control) { return !IsWindow(control); });
    UVChildMoves moves;
    for (HWND control : m_controls) {
        const int index = ::GetParent(control) == m_hWnd ? CommandToIndex(::GetDlgCtrlID(control)) : -1;
        if (index < 0)
            continue;
        TBBUTTON button{};
        RECT rect{};
        Control(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
        if ((button.fsState & TBSTATE_HIDDEN) || !Control(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect))) {
            ShowControlOf(index, FALSE);
            continue;
        }
        // Over the button, centred on its height.
        RECT window;
        ::GetWindowRect(control, &window);
        const int height = window.bottom - window.top;
        const int top = rect.top + (rect.bottom - rect.top - height) / 2;
        moves.Move(control, RECT{rect.left, top, rect.left + (window.right - window.left), top + height},
                   SWP_SHOWWINDOW);
    }
}

void CUVToolBar::RepositionControls()
{
    PlaceControls();
    if (CFrameWnd* frame = GetParentFrame())
        frame->RecalcLayout();
}

// By index: separators share command id 0, so a state asked for by command would be the first
// separator's.
BYTE CUVToolBar::GetButtonState(int index) const
{
    TBBUTTON button{};
    if (!SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)))
        return 0;
    return button.fsState;
}

void CUVToolBar::SetButtonState(int index, BYTE state)
{
    TBBUTTON button{};
    if (!SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) || button.fsState == state)
        return;
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_BYINDEX | TBIF_STATE;
    info.fsState = state;
    SendMessage(TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
    if ((button.fsState ^ state) & TBSTATE_HIDDEN) {
        ShowControlOf(index, !(state & TBSTATE_HIDDEN));
        m_bLayoutPending = TRUE;
    }
}

void CUVToolBar::SetButtonText(UINT command, const wchar_t* text)
{
    if (text && *text)
        m_texts[command] = text;
    else
        m_texts.erase(command);
    m_bLayoutPending = TRUE;
    Invalidate();
}

CString CUVToolBar::GetButtonText(UINT command) const
{
    const auto it = m_texts.find(command);
    return it == m_texts.end() ? CString() : it->second;
}

CRect CUVToolBar::GetItemRect(int index)
{
    if (m_bLayoutPending)
        PerformLayout();
    RECT rect{};
    if (!SendMessage(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)))
        return CRect();
    return CRect(rect);
}

SIZE CUVToolBar::GetItemSize() const
{
    const DWORD size = static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE));
    return SIZE{LOWORD(size), HIWORD(size)};
}

CUVToolBarButtonInfo* CUVToolBar::FindButtonInfo(UINT command)
{
    for (CUVToolBarButtonInfo& info : m_buttonInfos) {
        if (info.command == command)
            return &info;
    }
    return nullptr;
}

CUVToolBarButtonInfo& CUVToolBar::SetButtonInfo(const CUVToolBarButtonInfo& info)
{
    CUVToolBarButtonInfo* existing = FindButtonInfo(info.command);
    if (existing) {
        *existing = info;
    } else {
        m_buttonInfos.push_back(info);
        existing = &m_buttonInfos.back();
    }
    if (info.flags & CUVToolBarButtonInfo::isDropDown)
        SendMessage(TB_SETEXTENDEDSTYLE, 0, SendMessage(TB_GETEXTENDEDSTYLE) | TBSTYLE_EX_DRAWDDARROWS);
    return *existing;
}

void CUVToolBar::SetButtonDropped(int index, BOOL dropped)
{
    const auto it = std::lower_bound(m_dropped.begin(), m_dropped.end(), index);
    const bool present = it != m_dropped.end() && *it == index;
    if (dropped && !present)
        m_dropped.insert(it, index);
    else if (!dropped && present)
        m_dropped.erase(it);
}

BOOL CUVToolBar::IsButtonDropped(int index) const
{
    return std::binary_search(m_dropped.begin(), m_dropped.end(), index);
}

BOOL CUVToolBar::UsesXPLook() const
{
    return uvAfxData.m_bXPLook && !m_bClassicForced;
}

void CUVToolBar::EnableDocking(DWORD dockStyle)
{
    RestoreStateOnce();
    CUVControlBar::EnableDocking(dockStyle);
}

void CUVToolBar::EnableDockingWithStyle(DWORD dockStyle, DWORD barStyle)
{
    SetBarStyle(GetBarStyle() | barStyle);
    EnableDocking(dockStyle);
}

INT_PTR CUVToolBar::OnToolHitTest(POINT point, TOOLINFOW* info) const
{
    const int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RECT rect{};
        if (!SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) || (button.fsStyle & BTNS_SEP) ||
            (button.fsState & TBSTATE_HIDDEN) || !SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect)))
            continue;
        const RECT grown{rect.left, rect.top, rect.right + 1, rect.bottom + 1};
        if (!PtInRect(&grown, point))
            continue;
        if (info) {
            info->hwnd = m_hWnd;
            info->uId = static_cast<UINT_PTR>(button.idCommand);
            info->rect = rect;
            info->lpszText = LPSTR_TEXTCALLBACKW;
        }
        // Tooltips only while the option is on; fly-by texts always.
        if (info && uvAfxData.m_bToolTips != 1)
            return -1;
        return button.idCommand;
    }
    return -1;
}

LRESULT CUVToolBar::OnNcHitTest(WPARAM, LPARAM)
{
    // The gripper and borders answer like the face: a press there drags the bar.
    return HTCLIENT;
}

LRESULT CUVToolBar::OnLButtonDown(WPARAM, LPARAM lParam)
{
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // A press off every button (on the bar's own face) drags the bar.
    if (m_pDockContext && OnToolHitTest(point, nullptr) == -1 &&
        SendMessage(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)) < 0) {
        POINT screen = point;
        ClientToScreen(m_hWnd, &screen);
        m_pDockContext->StartDrag(screen);
        return 0;
    }
    return Default();
}

BOOL CUVToolBar::PreTranslateMessage(MSG* msg)
{
    if (m_pEditor && m_pEditor->FilterMessage(msg))
        return TRUE;
    return CUVControlBar::PreTranslateMessage(msg);
}

LRESULT CUVToolBar::OnLButtonUp(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    if (GetCapture() == m_hWnd)
        ReleaseCapture();
    Invalidate();
    return result;
}

LRESULT CUVToolBar::OnFontOrSettingChange(WPARAM, LPARAM)
{
    // Common controls 4.72 and later treat a flat or transparent bar's font and setting changes
    // apart: the control handles them as a plain bar's, and the bar keeps its styles.
    const DWORD style = GetStyle();
    const DWORD kept = TBSTYLE_FLAT | TBSTYLE_TRANSPARENT;
    if (uvAfxData.GetComCtlVersion() < 0x40048 || !(style & kept))
        return Default();
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~kept);
    const LRESULT result = Default();
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle() | (style & kept));
    return result;
}

LRESULT CUVToolBar::OnSysColorChange(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    // The bar's own images again, their standard colours in the new scheme; images added since
    // (a state's icons) stay.
    HBITMAP mapped = (m_nResourceId && m_hImages) ? LoadMappedBitmap(m_hResourceModule, m_nResourceId) : nullptr;
    if (!mapped)
        return result;
    CBitmap bitmap;
    bitmap.Attach(mapped);
    CImageList fresh;
    if (fresh.Create(m_sizeImage.cx, m_sizeImage.cy, ILC_COLOR32 | ILC_MASK, 0, 10) &&
        fresh.Add(bitmap, GetSysColor(COLOR_BTNFACE)) >= 0) {
        const int count = std::min(ImageList_GetImageCount(fresh.GetSafeHandle()), ImageList_GetImageCount(m_hImages));
        for (int i = 0; i < count; ++i) {
            HICON icon = ImageList_GetIcon(fresh.GetSafeHandle(), i, ILD_NORMAL);
            if (icon) {
                ImageList_ReplaceIcon(m_hImages, i, icon);
                DestroyIcon(icon);
            }
        }
        GetUVCommandImages().AddFromToolbar(m_hWnd, m_hImages, TRUE);
        Invalidate();
    }
    return result;
}

LRESULT CUVToolBar::OnColorPopupMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (CWnd* owner = GetOwner())
        return owner->SendMessage(message, wParam, lParam);
    return 0;
}

LRESULT CUVToolBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // While customising, the edit controller sees every message first.
    LRESULT result = 0;
    if (m_pEditor && m_pEditor->HandleMessage(message, wParam, lParam, &result))
        return result;
    // The colour popup's other messages are its owner's business.
    if (message >= WM_UV_COLOR_POPUP_FIRST && message <= WM_UV_COLOR_POPUP_LAST && message != WM_UV_COLOR_CHOSEN &&
        message != WM_UV_COLOR_POPUP_CLOSED)
        return OnColorPopupMessage(message, wParam, lParam);
    return CUVControlBar::WindowProc(message, wParam, lParam);
}

// The command-update object of the bar's buttons.
class CUVToolCmdUI : public CCmdUI {
public:
    CUVToolCmdUI(CUVToolBar* bar, BOOL keepEnabled) : m_pBar(bar), m_bKeepEnabled(keepEnabled) {}

    void Enable(BOOL on) override
    {
        m_bEnableChanged = TRUE;
        const UINT style = m_pBar->GetButtonStyle(static_cast<int>(m_nIndex));
        BYTE state = static_cast<BYTE>(HIWORD(style) ^ TBSTATE_ENABLED);
        // Whole drop-downs stay enabled, and every button while the Customize dialog runs.
        if (on || m_bKeepEnabled || (LOBYTE(style) & BTNS_WHOLEDROPDOWN))
            state |= TBSTATE_ENABLED;
        else
            state &= ~TBSTATE_ENABLED;
        m_pBar->SetButtonState(static_cast<int>(m_nIndex), state);
    }
    void SetCheck(int check) override
    {
        const UINT style = m_pBar->GetButtonStyle(static_cast<int>(m_nIndex));
        BYTE state = static_cast<BYTE>(HIWORD(style) ^ TBSTATE_ENABLED);
        state &= ~(TBSTATE_CHECKED | TBSTATE_INDETERMINATE);
        if (check == 1)
            state |= TBSTATE_CHECKED;
        else if (check == 2)
            state |= TBSTATE_INDETERMINATE;
        if (check != 0 && !(LOBYTE(style) & BTNS_CHECK))
            m_pBar->SetButtonStyle(static_cast<int>(m_nIndex), (style & 0xFFFF0000) | LOBYTE(style) | BTNS_CHECK);
        m_pBar->SetButtonState(static_cast<int>(m_nIndex), state);
    }
    void SetText(const wchar_t*) override {}

private:
    CUVToolBar* m_pBar;
    BOOL m_bKeepEnabled;
};

void CUVToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler)
{
    CUVCustomizeSession* session = CUVCustomizeSession::GetInstance();
    const BOOL keepEnabled = m_bCustomizable && session->IsCustomizeMode();
    CUVToolCmdUI state(this, keepEnabled);
    state.m_pOther = this;
    const int count = GetButtonCount();
    state.m_nIndexMax = static_cast<UINT>(count);
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (!SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) || (button.fsStyle & BTNS_SEP))
            continue;
        state.m_nIndex = static_cast<UINT>(i);
        state.m_nID = static_cast<UINT>(button.idCommand);
        const CUVToolBarButtonInfo* info = FindButtonInfo(state.m_nID);
        if (info && info->handler) {
            state.Enable(session->IsCommandCustomizable(state.m_nID));
            continue;
        }
        state.DoUpdate(target, disableIfNoHandler);
    }
}

LRESULT CUVToolBar::OnColorPopupClosed(WPARAM, LPARAM command)
{
    const int index = CommandToIndex(static_cast<UINT>(command));
    SetButtonDropped(index, FALSE);
    m_nDroppedCommand = -1;
    m_pPopup = nullptr;
    uvAfxData.m_bPopupOpen = FALSE;
    Invalidate();
    if (CWnd* owner = GetOwner())
        owner->SendMessage(WM_UV_COLOR_POPUP_CLOSED, 0, command);
    return 0;
}

LRESULT CUVToolBar::OnColorChosen(WPARAM colour, LPARAM command)
{
    if (CUVToolBarButtonInfo* info = FindButtonInfo(static_cast<UINT>(command)))
        info->selectedColor = static_cast<uint32_t>(colour);
    Invalidate();
    if (CWnd* owner = GetOwner())
        owner->SendMessage(WM_UV_COLOR_CHOSEN, colour, command);
    return 0;
}

CWnd* CUVToolBar::CreateDropDownPopup(UINT command, const RECT& button)
{
    const CUVToolBarButtonInfo* info = FindButtonInfo(command);
    const COLORREF current = info ? info->selectedColor : CUVToolBarButtonInfo::kNoColor;
    UVColorPopupFactory factory = GetUVColorPopupFactory();
    return factory ? factory(this, current, command, button) : nullptr;
}

void CUVToolBar::OnButtonDropDown(int index, const RECT& screenRect)
{
    const UINT command = GetItemID(index);
    SetButtonDropped(index, TRUE);
    m_nDroppedCommand = static_cast<int>(command);
    UVMenuState& menus = GetUVMenuState();
    menus.dropRect = screenRect;
    menus.dropRectPending = TRUE;
    const CUVToolBarButtonInfo* info = FindButtonInfo(command);
    uvAfxData.m_bPopupOpen = TRUE;
    if (info && info->menuId) {
        CMenu menu;
        if (menu.Attach(LoadMenuW(m_hResourceModule ? m_hResourceModule : GetModuleHandleW(nullptr),
                                  MAKEINTRESOURCEW(info->menuId)))) {
            CUVPopupMenu popup;
            if (popup.Attach(GetSubMenu(menu.m_hMenu, 0))) {
                popup.TrackPopupMenuEx(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, screenRect.left,
                                       screenRect.bottom, GetOwner() ? GetOwner()->m_hWnd : m_hWnd, &screenRect, TRUE);
                popup.Detach();
            }
        }
        SetButtonDropped(index, FALSE);
        m_nDroppedCommand = -1;
        menus.dropRectPending = FALSE;
        uvAfxData.m_bPopupOpen = FALSE;
        Invalidate();
        return;
    }
    m_pPopup = CreateDropDownPopup(command, screenRect);
    if (!m_pPopup) {
        SetButtonDropped(index, FALSE);
        m_nDroppedCommand = -1;
        menus.dropRectPending = FALSE;
        uvAfxData.m_bPopupOpen = FALSE;
        Invalidate();
    }
}

BOOL CUVToolBar::GetAdjustButtonInfo(NMTOOLBARW* info)
{
    // The full list kept for customisation: the buttons the bar was built with.
    UVToolBarState full;
    const std::vector<BYTE>& snapshot = Snapshot();
    if (!ParseToolBarState(snapshot.data(), snapshot.size(), full) || info->iItem < 0 ||
        static_cast<size_t>(info->iItem) >= full.buttons.size())
        return FALSE;
    const UVToolBarState::Button& saved = full.buttons[static_cast<size_t>(info->iItem)];
    info->tbButton = TBBUTTON{};
    info->tbButton.iBitmap = saved.image;
    info->tbButton.idCommand = static_cast<int>(saved.command);
    info->tbButton.fsState = TBSTATE_ENABLED;
    info->tbButton.fsStyle = saved.style;
    info->tbButton.iString = -1;
    // A text of the bar's own, else the command's tooltip (after "\n"), else its prompt.
    CString text = GetButtonText(saved.command);
    if (text.IsEmpty() && saved.command != 0) {
        CString resource;
        resource.LoadString(saved.command);
        const int newline = resource.Find(L'\n');
        text = newline < 0 ? resource : resource.Mid(newline + 1);
        if (text.IsEmpty() && newline > 0)
            text = resource.Left(newline);
    }
    if (info->pszText && info->cchText > 0)
        lstrcpynW(info->pszText, text, info->cchText);
    return TRUE;
}

BOOL CUVToolBar::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->hwndFrom != m_hWnd)
        return CUVControlBar::OnNotify(wParam, lParam, result);
    switch (header->code) {
    case NM_CUSTOMDRAW:
        *result = OnCustomDraw(reinterpret_cast<NMTBCUSTOMDRAW*>(lParam));
        return TRUE;
    case TBN_DROPDOWN: {
        const auto* drop = reinterpret_cast<NMTOOLBARW*>(lParam);
        *result = TBDDRET_DEFAULT;
        if (static_cast<int>(drop->iItem) == m_nDroppedCommand)
            return TRUE;  // its popup is open already
        const int index = CommandToIndex(static_cast<UINT>(drop->iItem));
        RECT rect{};
        SendMessage(TB_GETRECT, drop->iItem, reinterpret_cast<LPARAM>(&rect));
        RECT grown = rect;
        InflateRect(&grown, 4, 4);
        InvalidateRect(m_hWnd, &grown, TRUE);
        MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
        OnButtonDropDown(index, rect);
        return TRUE;
    }
    case TBN_HOTITEMCHANGE:
        // No hot item while the Customize dialog runs, and none moves while the bar holds the mouse.
        *result = (CUVCustomizeSession::GetInstance()->IsCustomizeMode() || GetCapture() == m_hWnd) ? 1 : 0;
        return TRUE;
    case TBN_BEGINADJUST:
        if (!CUVCustomizeSession::GetInstance()->IsCustomizeMode()) {
            for (const auto& [index, width] : m_hiddenButtons)
                SetButtonState(index, static_cast<BYTE>(GetButtonState(index) & ~TBSTATE_HIDDEN));
            m_hiddenButtons.clear();
            m_bAdjustMode = TRUE;
            PostLayoutRequest();
        }
        *result = 0;
        return TRUE;
    case TBN_ENDADJUST:
        m_bAdjustMode = FALSE;
        if (!m_strProfileKey.IsEmpty())
            SaveState(L"Settings", m_strBarEntry);
        *result = 0;
        return TRUE;
    case TBN_QUERYINSERT:
    case TBN_RESET:
        *result = TRUE;
        return TRUE;
    case TBN_QUERYDELETE: {
        const auto* query = reinterpret_cast<NMTOOLBARW*>(lParam);
        *result = !(GetButtonState(query->iItem) & TBSTATE_HIDDEN);
        return TRUE;
    }
    case TBN_TOOLBARCHANGE:
        RepositionControls();
        *result = 0;
        return TRUE;
    case TBN_CUSTHELP:
        MessageBoxW(m_hWnd, L"Help not implemented!", nullptr, MB_ICONINFORMATION);
        *result = 0;
        return TRUE;
    case TBN_GETBUTTONINFOW:
        *result = GetAdjustButtonInfo(reinterpret_cast<NMTOOLBARW*>(lParam));
        return TRUE;
    default:
        return CUVControlBar::OnNotify(wParam, lParam, result);
    }
}
