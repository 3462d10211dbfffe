#include "toolkit/controls/buttons/Button.h"

#include "classlib/core/WinApp.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MappedBitmap.h"
#include "toolkit/bars/look/MemDC.h"
#include "toolkit/bars/look/UVColors.h"

IMPLEMENT_DYNAMIC(CUVButton, CButton)

BEGIN_MESSAGE_MAP(CUVButton, CButton)
ON_MESSAGE(WM_CREATE, &CUVButton::OnCreate)
ON_MESSAGE(UVM_INITCONTROL, &CUVButton::OnInitControl)
ON_MESSAGE(WM_DESTROY, &CUVButton::OnDestroyMessage)
ON_MESSAGE(WM_MOUSEMOVE, &CUVButton::OnMouseMove)
ON_MESSAGE(WM_TIMER, &CUVButton::OnTimerMessage)
ON_MESSAGE(WM_LBUTTONDOWN, &CUVButton::OnLButtonDown)
ON_MESSAGE(WM_LBUTTONUP, &CUVButton::OnLButtonUp)
ON_MESSAGE(WM_LBUTTONDBLCLK, &CUVButton::OnLButtonDblClk)
ON_MESSAGE(WM_PAINT, &CUVButton::OnPaintMessage)
ON_MESSAGE(WM_ERASEBKGND, &CUVButton::OnEraseBackground)
ON_MESSAGE(WM_SYSCOLORCHANGE, &CUVButton::OnSysColorChangeMessage)
END_MESSAGE_MAP()

namespace {

constexpr UINT_PTR kHotTimer = 1;
constexpr UINT kHotTimerPeriod = 10;

HINSTANCE ResourceModule()
{
    return uvAfxData.m_hResources ? uvAfxData.m_hResources : AfxGetResourceHandle();
}

}  // namespace

CUVButton::CUVButton()
{
    LoadSystemColors();
}

CUVButton::~CUVButton()
{
    ReleaseImages();
}

void CUVButton::LoadSystemColors()
{
    m_clrText = GetSysColor(COLOR_BTNTEXT);
    m_clrFace = GetSysColor(COLOR_BTNFACE);
    m_clrHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    m_clrShadow = GetSysColor(COLOR_BTNSHADOW);
}

void CUVButton::SetColors(COLORREF face, COLORREF highlight, COLORREF shadow, COLORREF text)
{
    SetFaceColor(face);
    SetHighlightColor(highlight);
    SetShadowColor(shadow);
    SetTextColor(text);
    m_bCustomColors = TRUE;
}

void CUVButton::SetFaceColor(COLORREF colour)
{
    m_clrFace = colour;
}

COLORREF CUVButton::GetFaceColor() const
{
    return m_clrFace;
}

void CUVButton::SetHighlightColor(COLORREF colour)
{
    m_clrHighlight = colour;
}

void CUVButton::SetShadowColor(COLORREF colour)
{
    m_clrShadow = colour;
}

void CUVButton::SetTextColor(COLORREF colour)
{
    m_clrText = colour;
}

void CUVButton::SetOfficeColors(COLORREF border, COLORREF hotFill, COLORREF pressedFill)
{
    m_clrXPBorder = border;
    m_clrXPHotFill = hotFill;
    m_clrXPPressedFill = pressedFill;
    m_bCustomXPColors = TRUE;
}

BOOL CUVButton::SetIcon(int cx, int cy, UINT normalId, UINT pushedId, BOOL redraw)
{
    ReleaseImages();
    HINSTANCE module = ResourceModule();
    m_hIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(normalId), IMAGE_ICON, cx, cy, 0));
    if (pushedId && m_hIcon)
        m_hPushedIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(pushedId), IMAGE_ICON, cx, cy, 0));
    if (!m_hIcon || (pushedId && !m_hPushedIcon)) {
        // Half a pair would draw the normal icon pushed: the button is left without an image.
        ReleaseImages();
        m_cxImage = m_cyImage = 0;
        return FALSE;
    }
    m_cxImage = cx;
    m_cyImage = cy;
    if (redraw && m_hWnd)
        Invalidate();
    return TRUE;
}

BOOL CUVButton::SetIcon(int cx, int cy, WORD normalId, WORD pushedId)
{
    return SetIcon(cx, cy, UINT{normalId}, UINT{pushedId}, TRUE);
}

BOOL CUVButton::SetIcon(int cx, int cy, HICON icon, HICON pushedIcon, BOOL redraw)
{
    ReleaseImages();
    m_hIcon = icon;
    m_hPushedIcon = pushedIcon;
    m_cxImage = cx;
    m_cyImage = cy;
    if (redraw && m_hWnd)
        Invalidate();
    return TRUE;
}

BOOL CUVButton::SetBitmap(int cx, int cy, UINT bitmapId, BOOL redraw)
{
    ReleaseImages();
    HINSTANCE module = ResourceModule();
    if (!FindResourceW(module, MAKEINTRESOURCEW(bitmapId), reinterpret_cast<LPCWSTR>(RT_BITMAP)))
        return FALSE;
    // The disabled picture is the same mapped bitmap: DrawState embosses it (DSS_DISABLED).
    if (!m_bitmap.Attach(LoadMappedBitmap(module, bitmapId)) ||
        !m_disabledBitmap.Attach(LoadMappedBitmap(module, bitmapId)))
        return FALSE;
    m_cxImage = cx;
    m_cyImage = cy;
    if (redraw && m_hWnd)
        Invalidate();
    return TRUE;
}

BOOL CUVButton::SetContentPositions(POINT image, POINT text, BOOL redraw)
{
    m_ptImage = image;
    m_ptText = text;
    m_bCustomPositions = TRUE;
    if (redraw && m_hWnd)
        Invalidate();
    return TRUE;
}

DWORD CUVButton::SetFlatStyle(DWORD style, BOOL redraw)
{
    const DWORD previous = m_dwStyle;
    m_dwStyle = style;
    if (redraw && m_hWnd)
        Invalidate();
    return previous;
}

DWORD CUVButton::GetFlatStyle() const
{
    return m_dwStyle;
}

void CUVButton::ClearImage()
{
    if (!m_cxImage && !m_cyImage)
        return;
    ReleaseImages();
    m_cxImage = m_cyImage = 0;
    m_ptImage = POINT{};
    m_ptText = POINT{};
    if (m_hWnd)
        Invalidate();
}

HFONT CUVButton::ReplaceFont(CFont* font)
{
    HFONT current = m_hWnd ? reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)) : nullptr;
    if (font && font->m_hObject) {
        m_pFont = font;
        if (m_hWnd)
            SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font->m_hObject), TRUE);
    }
    return current;
}

void CUVButton::ReleaseImages()
{
    if (m_hIcon)
        ::DestroyIcon(m_hIcon);
    if (m_hPushedIcon)
        ::DestroyIcon(m_hPushedIcon);
    m_hIcon = m_hPushedIcon = nullptr;
    m_bitmap.DeleteObject();
    m_disabledBitmap.DeleteObject();
}

CString CUVButton::GetCaption(BOOL strip) const
{
    CString text;
    GetWindowText(text);
    return strip ? StripMenuAmpersands(text) : text;
}

// Creation and subclassing may both announce themselves before the first message is handled;
// only the last posted counter acts, so the button is made owner-drawn once.
void CUVButton::RequestInit()
{
    if (!m_nInitCount)
        return;
    ++m_nInitCount;
    PostMessage(UVM_INITCONTROL, 0, m_nInitCount);
}

void CUVButton::PreSubclassWindow()
{
    RequestInit();
}

LRESULT CUVButton::OnCreate(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    RequestInit();
    return result;
}

LRESULT CUVButton::OnInitControl(WPARAM, LPARAM lParam)
{
    if (lParam != m_nInitCount)
        return 0;
    m_nInitCount = 0;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle() | BS_OWNERDRAW);
    if (!m_pFont)
        m_pFont = &uvAfxData.m_fonts[CUVGlobalData::fontMenu];
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_pFont->m_hObject), TRUE);
    return 0;
}

LRESULT CUVButton::OnDestroyMessage(WPARAM, LPARAM)
{
    m_nInitCount = 1;
    return Default();
}

LRESULT CUVButton::OnMouseMove(WPARAM, LPARAM)
{
    if (m_dwStyle & UVBTN_HOT_TRACKING) {
        SetTimer(kHotTimer, kHotTimerPeriod);
        OnTimerStep();
    }
    return Default();
}

LRESULT CUVButton::OnTimerMessage(WPARAM wParam, LPARAM)
{
    if (wParam != kHotTimer)
        return Default();
    OnTimerStep();
    return 0;
}

void CUVButton::OnTimerStep()
{
    RECT window;
    GetWindowRect(&window);
    POINT cursor;
    ::GetCursorPos(&cursor);
    if (m_bPressed || !::PtInRect(&window, cursor)) {
        KillTimer(kHotTimer);
        m_bHot = FALSE;
        if (m_bDrawnHot)
            Invalidate();
        m_bDrawnHot = FALSE;
    } else if ((m_dwStyle & UVBTN_HOT_TRACKING) && !m_bDrawnHot) {
        m_bHot = TRUE;
        Invalidate();
        m_bDrawnHot = TRUE;
    }
}

LRESULT CUVButton::OnLButtonDown(WPARAM, LPARAM)
{
    if (!m_bPressed) {
        m_bPressed = TRUE;
        Invalidate();
    }
    return Default();
}

LRESULT CUVButton::OnLButtonUp(WPARAM, LPARAM)
{
    if (m_bPressed) {
        m_bPressed = FALSE;
        Invalidate();
    }
    return Default();
}

// The system button treats a double click as no press at all; sent as a press it counts as the
// second click it is.
LRESULT CUVButton::OnLButtonDblClk(WPARAM wParam, LPARAM)
{
    POINT cursor;
    ::GetCursorPos(&cursor);
    ::ScreenToClient(m_hWnd, &cursor);
    SendMessage(WM_LBUTTONDOWN, wParam, MAKELPARAM(cursor.x, cursor.y));
    return Default();
}

LRESULT CUVButton::OnPaintMessage(WPARAM, LPARAM)
{
    CPaintDC paint(this);
    CRect client;
    GetClientRect(&client);
    CUVMemDC memory(&paint, &client, GetUVColor(COLOR_3DFACE));
    if (memory.IsValid())
        DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(memory.m_hDC), 0);
    return 0;
}

LRESULT CUVButton::OnEraseBackground(WPARAM, LPARAM)
{
    return 1;
}

LRESULT CUVButton::OnSysColorChangeMessage(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    if (!m_bCustomColors)
        LoadSystemColors();
    return result;
}
