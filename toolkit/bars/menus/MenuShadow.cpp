#include "toolkit/bars/menus/MenuShadow.h"

#include "classlib/ui/WindowedApp.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CUVMenuShadowWnd, CWnd)
ON_WM_PAINT()
ON_WM_TIMER()
ON_MESSAGE(WM_UV_FOLLOW_OWNER, &CUVMenuShadowWnd::OnFollowOwner)
END_MESSAGE_MAP()

namespace {

constexpr UINT_PTR kShowTimer = 1;
// Alpha of the four rows (or columns) of a shadow band, from the popup outward.
constexpr BYTE kBandAlpha[4] = {60, 45, 30, 15};

void InvalidateDesktop()
{
    RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace

CUVMenuShadowWnd::CUVMenuShadowWnd(CUVMenuShadowManager* manager, UVUpdateLayeredWindowFn updateLayered,
                                   BOOL screenCopy)
    : m_nDepth(updateLayered || screenCopy ? 4 : 2), m_bLayered(updateLayered != nullptr),
      m_bScreenCopy(!updateLayered && screenCopy), m_pManager(manager), m_pfnUpdateLayered(updateLayered)
{}

CUVMenuShadowWnd::~CUVMenuShadowWnd()
{
    m_ownerHook.HookWindow(nullptr);
    if (m_copyDC && m_copyOld)
        m_copyDC->SelectObject(m_copyOld);
    if (m_hWnd)
        DestroyWindow();
}

BOOL CUVMenuShadowWnd::EnsureWindow()
{
    if (m_hWnd)
        return TRUE;
    const DWORD exStyle = m_bLayered ? WS_EX_LAYERED | WS_EX_TOOLWINDOW : WS_EX_TOOLWINDOW;
    CWindowedApp* app = AfxGetWindowedApp();
    HWND mainWnd = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    return CreateEx(exStyle, AfxRegisterWndClass(0, LoadCursorW(nullptr, IDC_ARROW)), L"", WS_POPUP, 0, 0, 0, 0,
                    mainWnd, nullptr);
}

RECT CUVMenuShadowWnd::PlaceFor(const RECT& owner) const
{
    const int n = m_nDepth;
    if (m_side == bottom)
        return RECT{owner.left + n, owner.bottom, owner.right + n, owner.bottom + n};
    return RECT{owner.right, owner.top + n, owner.right + n, owner.bottom};
}

BOOL CUVMenuShadowWnd::ShowFor(HWND owner, Side side, const RECT& exclude, HWND excludeOwner, BOOL popup)
{
    if (!IsWindow(owner) || !EnsureWindow())
        return FALSE;
    m_hOwner = owner;
    m_side = side;
    m_exclude = exclude;
    m_hExcludeOwner = excludeOwner;
    m_bPopup = popup;
    m_ownerHook.HookWindow(owner);
    RECT ownerRect{};
    ::GetWindowRect(owner, &ownerRect);
    MoveTo(PlaceFor(ownerRect));
    if (m_bScreenCopy) {
        ShowAfterRepaint();
        return TRUE;
    }
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return TRUE;
}

RECT CUVMenuShadowWnd::AvoidOtherShadows(RECT rect) const
{
    // A submenu's shadow that starts over its parent's shadow gives up the overlapping end, so
    // the corner is not darkened twice.
    for (const CUVMenuShadowWnd* other : m_pManager->VisibleShadows()) {
        RECT overlap{};
        if (other == this || other->m_side == m_side || !IntersectRect(&overlap, &rect, &other->m_rect))
            continue;
        if (m_side == right) {
            if (overlap.top == rect.top)
                rect.top = overlap.bottom;
            else if (overlap.bottom == rect.bottom)
                rect.bottom = overlap.top;
        } else if (overlap.left == rect.left) {
            rect.left = overlap.right;
        } else if (overlap.right == rect.right) {
            rect.right = overlap.left;
        }
    }
    return rect;
}

void CUVMenuShadowWnd::MoveTo(const RECT& wanted)
{
    const RECT rect = AvoidOtherShadows(wanted);
    m_rect = rect;
    // The button the popup dropped from went with its window: nothing is left to keep uncovered.
    if (m_hExcludeOwner && !::IsWindow(m_hExcludeOwner))
        SetRectEmpty(&m_exclude);
    SetWindowPos(m_hWnd, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOACTIVATE);
    ApplyExclusion();
    if (m_bLayered)
        UpdateLayeredImage();
    else
        Invalidate(FALSE);
}

void CUVMenuShadowWnd::ApplyExclusion()
{
    RECT cut{};
    if (IsRectEmpty(&m_exclude) || !IntersectRect(&cut, &m_exclude, &m_rect)) {
        SetWindowRgn(m_hWnd, nullptr, TRUE);
        return;
    }
    OffsetRect(&cut, -m_rect.left, -m_rect.top);
    const RECT whole{0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top};
    CRgn region;
    CRgn hole;
    region.CreateRectRgnIndirect(&whole);
    hole.CreateRectRgnIndirect(&cut);
    region.CombineRgn(&region, &hole, RGN_DIFF);
    SetWindowRgn(m_hWnd, static_cast<HRGN>(region.Detach()), TRUE);  // the window owns the region now
}

BYTE CUVMenuShadowWnd::AlphaAt(int x, int y, int w, int h) const
{
    // The cut over the exclusion: the window region alone does not clip a layered window's
    // picture everywhere (Wine ignores it).
    const POINT onScreen{m_rect.left + x, m_rect.top + y};
    if (PtInRect(&m_exclude, onScreen))
        return 0;
    // Distance from the popup across the band, position along it.
    const int across = m_side == bottom ? y : x;
    const int along = m_side == bottom ? x : y;
    const int length = m_side == bottom ? w : h;
    if (across < 0 || across >= 4)
        return 0;
    if (along < 4)  // the end that starts beside the popup fades in
        return static_cast<BYTE>(3 * (4 - across) * (along + 1));
    if (m_side == bottom && along >= length - 4)  // the corner beyond the popup fades out both ways
        return static_cast<BYTE>(3 * (4 - across) * (length - along));
    return kBandAlpha[across];
}

void CUVMenuShadowWnd::UpdateLayeredImage()
{
    const int w = m_rect.right - m_rect.left;
    const int h = m_rect.bottom - m_rect.top;
    if (w <= 0 || h <= 0)
        return;
    CDC mem;
    mem.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    DWORD* bits = nullptr;
    if (!bitmap.Attach(CreateDIB32(w, h, &bits)))
        return;
    // Premultiplied black: only the alpha byte is set.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bits[y * w + x] = static_cast<DWORD>(AlphaAt(x, y, w, h)) << 24;
    const CSelectedObject selected(mem, bitmap);
    POINT at{m_rect.left, m_rect.top};
    SIZE size{w, h};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    m_pfnUpdateLayered(m_hWnd, CClientDC(nullptr), &at, &size, mem, &origin, 0, &blend, ULW_ALPHA);
}

void CUVMenuShadowWnd::ShowAfterRepaint()
{
    InvalidateDesktop();
    SetTimer(kShowTimer, 1);
}

void CUVMenuShadowWnd::TakeScreenCopy()
{
    const int w = m_rect.right - m_rect.left;
    const int h = m_rect.bottom - m_rect.top;
    CClientDC screen(nullptr);
    m_copyDC = std::make_unique<CDC>();
    m_copyDC->CreateCompatibleDC(&screen);
    DWORD* bits = nullptr;
    if (!m_copyBitmap.Attach(CreateDIB32(w, h, &bits)))
        return;
    m_copyOld = m_copyDC->SelectObject(&m_copyBitmap);
    m_copyDC->BitBlt(0, 0, w, h, &screen, m_rect.left, m_rect.top, SRCCOPY);
    GdiFlush();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int darken = AlphaAt(x, y, w, h);
            DWORD& p = bits[y * w + x];
            DWORD out = 0;
            for (int shift = 0; shift < 24; shift += 8)
                out |= static_cast<DWORD>(std::max(0, static_cast<int>((p >> shift) & 0xFF) - darken)) << shift;
            p = out;
        }
    }
}

void CUVMenuShadowWnd::OnTimer(UINT_PTR id)
{
    if (id != kShowTimer) {
        Default();
        return;
    }
    KillTimer(kShowTimer);
    if (!m_hOwner)
        return;
    // The desktop has repainted behind the hidden shadow: what the screen shows there now is
    // what the shadow darkens.
    if (!m_copyDC)
        TakeScreenCopy();
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Invalidate(FALSE);
}

void CUVMenuShadowWnd::OnPaint()
{
    CPaintDC dc(this);
    RECT client{};
    GetClientRect(&client);
    if (m_bScreenCopy && m_copyDC)
        dc.BitBlt(0, 0, client.right, client.bottom, m_copyDC.get(), 0, 0, SRCCOPY);
    else
        dc.FillSolidRect(&client, m_bLayered ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNSHADOW));
}

LRESULT CUVMenuShadowWnd::OnFollowOwner(WPARAM, LPARAM)
{
    if (!m_hOwner)
        return 0;
    RECT ownerRect{};
    ::GetWindowRect(m_hOwner, &ownerRect);
    const RECT rect = PlaceFor(ownerRect);
    const RECT kept = AvoidOtherShadows(rect);
    if (EqualRect(&kept, &m_rect))
        return 0;
    if (m_bScreenCopy) {
        ShowWindow(SW_HIDE);
        if (m_copyDC && m_copyOld)
            m_copyDC->SelectObject(m_copyOld);
        m_copyDC.reset();
        m_copyBitmap.DeleteObject();
        m_copyOld = nullptr;
        MoveTo(rect);
        ShowAfterRepaint();
        return 0;
    }
    MoveTo(rect);
    return 0;
}

void CUVMenuShadowWnd::Release()
{
    if (m_hWnd)
        ShowWindow(SW_HIDE);
    KillTimer(kShowTimer);
    if (m_copyDC && m_copyOld)
        m_copyDC->SelectObject(m_copyOld);
    m_copyDC.reset();
    m_copyBitmap.DeleteObject();
    m_copyOld = nullptr;
    m_ownerHook.HookWindow(nullptr);
    m_hOwner = nullptr;
    m_pManager->ReturnToPool(this);
}

LRESULT CUVMenuShadowWnd::OwnerHook::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CUVWndHook::WindowProc(message, wParam, lParam);
    if (message == WM_WINDOWPOSCHANGED) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if ((pos->flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE))
            m_pShadow->SendMessage(WM_UV_FOLLOW_OWNER);
    } else if (message == WM_DESTROY) {
        m_pShadow->Release();  // detaches this hook: nothing of it is used after this
    }
    return result;
}

CUVMenuShadowManager::CUVMenuShadowManager(bool useLayeredWindows) : m_user32(LoadLibraryW(L"user32.dll"))
{
    if (useLayeredWindows && m_user32)
        m_pfnUpdateLayered = reinterpret_cast<UVUpdateLayeredWindowFn>(
            reinterpret_cast<void*>(GetProcAddress(m_user32.get(), "UpdateLayeredWindow")));
}

CUVMenuShadowManager::~CUVMenuShadowManager() = default;

CUVMenuShadowWnd* CUVMenuShadowManager::Take()
{
    if (!m_pool.empty()) {
        CUVMenuShadowWnd* shadow = m_pool.back();
        m_pool.pop_back();
        return shadow;
    }
    const BOOL screenCopy = uvAfxData.m_bNoScreenCopyShadows != 1;
    m_all.push_back(std::make_unique<CUVMenuShadowWnd>(this, m_pfnUpdateLayered, screenCopy));
    return m_all.back().get();
}

void CUVMenuShadowManager::ShowShadows(HWND owner, const RECT& exclude)
{
    ShowShadowsExcluding(owner, exclude.left, exclude.top, exclude.right, exclude.bottom, nullptr);
}

void CUVMenuShadowManager::ShowShadowsExcluding(HWND owner, int left, int top, int right, int bottom, HWND excludeOwner)
{
    const RECT exclude{left, top, right, bottom};
    for (CUVMenuShadowWnd::Side side : {CUVMenuShadowWnd::bottom, CUVMenuShadowWnd::right}) {
        CUVMenuShadowWnd* shadow = Take();
        if (shadow->ShowFor(owner, side, exclude, excludeOwner, TRUE))
            m_visible.push_back(shadow);
        else
            m_pool.push_back(shadow);
    }
}

void CUVMenuShadowManager::ReturnToPool(CUVMenuShadowWnd* shadow)
{
    auto it = std::find(m_visible.begin(), m_visible.end(), shadow);
    if (it == m_visible.end())
        return;
    m_visible.erase(it);
    m_pool.push_back(shadow);
}

CUVMenuShadowManager& GetUVMenuShadowManager()
{
    static CUVMenuShadowManager manager;
    return manager;
}
