#include "classlib/ui/Gdi.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/Wnd.h"

BOOL CBitmap::LoadBitmap(UINT resourceId)
{
    return Attach(::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(resourceId)));
}

CDC::~CDC()
{
    if (m_owned)
        DeleteDC();
}

BOOL CDC::Attach(HDC dc)
{
    if (m_owned)
        DeleteDC();
    m_hDC = dc;
    m_owned = false;
    return dc != nullptr;
}

HDC CDC::Detach()
{
    HDC dc = m_hDC;
    m_hDC = nullptr;
    m_owned = false;
    return dc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc)
{
    if (m_owned)
        DeleteDC();
    m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
    m_owned = m_hDC != nullptr;
    return m_owned;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    const bool owned = m_owned;
    HDC dc = Detach();
    return owned ? ::DeleteDC(dc) : FALSE;
}

void CDC::FillSolidRect(const RECT* rect, COLORREF colour)
{
    const COLORREF old = ::SetBkColor(m_hDC, colour);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->GetSafeHwnd())
{
    Attach(BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    Detach();
    EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->GetSafeHwnd() : nullptr)
{
    Attach(GetDC(m_hWnd));
}

CClientDC::~CClientDC()
{
    ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd ? wnd->GetSafeHwnd() : nullptr)
{
    Attach(GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC()
{
    ReleaseDC(m_hWnd, Detach());
}
