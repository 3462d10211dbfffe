#include "toolkit/bars/look/MemDC.h"

CUVMemDC::CUVMemDC(CDC* target, const RECT* rect, COLORREF fill) : m_pTarget(target)
{
    if (!target || !target->m_hDC)
        return;
    if (rect && !IsRectEmpty(rect))
        m_rect = *rect;
    else
        target->GetClipBox(&m_rect);
    if (m_rect.IsRectEmpty() || !CreateCompatibleDC(target))
        return;
    if (!m_bitmap.CreateCompatibleBitmap(target->m_hDC, m_rect.Width(), m_rect.Height())) {
        DeleteDC();
        return;
    }
    SetMapMode(target->GetMapMode());
    m_oldBitmap = SelectObject(&m_bitmap);
    // Drawing at the rectangle's coordinates lands at the bitmap's origin.
    SetWindowOrgEx(m_hDC, m_rect.left, m_rect.top, nullptr);
    if (fill != 0xFFFFFFFF)
        FillSolidRect(&m_rect, fill);
    m_bValid = TRUE;
}

CUVMemDC::~CUVMemDC()
{
    if (!m_bValid)
        return;
    m_pTarget->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top, SRCCOPY);
    SelectObject(m_oldBitmap);
    DeleteDC();
}
