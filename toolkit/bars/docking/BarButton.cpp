#include "toolkit/bars/docking/BarButton.h"

#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"

IMPLEMENT_DYNAMIC(CUVBarButton, CUVButton)

HIMAGELIST CUVBarButton::GetImages()
{
    // One list for every docking window, loaded at the first drawing.
    static CImageList images;
    if (!images.GetSafeHandle())
        LoadGlyphImages(images, IDB_UV_DOCK_BUTTONS, kGlyphSize);
    return images.GetSafeHandle();
}

BOOL CUVBarButton::Create(CWnd* parent, UINT id, int image)
{
    m_nImage = image;
    return CWnd::Create(L"BUTTON", L"", WS_CHILD | WS_CLIPSIBLINGS | BS_OWNERDRAW, RECT{0, 0, 0, 0}, parent, id);
}

void CUVBarButton::SetImage(int image)
{
    if (image == m_nImage)
        return;
    m_nImage = image;
    if (m_hWnd)
        Invalidate();
}

void CUVBarButton::DrawItem(DRAWITEMSTRUCT* draw)
{
    const BOOL xp = uvAfxData.m_bXPLook;
    m_dwStyle = xp ? UVBTN_XP : UVBTN_FLAT;
    CWnd* parent = GetParent();
    const auto* bar =
        parent && parent->IsKindOf(RUNTIME_CLASS(CUVControlBar)) ? static_cast<CUVControlBar*>(parent) : nullptr;
    SetFaceColor(bar ? bar->GetBackColor() : GetUVColor(COLOR_BTNFACE));
    CUVButton::DrawItem(draw);
    const RECT& rect = draw->rcItem;
    const BOOL pressed = (draw->itemState & ODS_SELECTED) != 0;
    const int shift = pressed && !xp ? 1 : 0;
    const int x = rect.left + (rect.right - rect.left - kGlyphSize) / 2 + shift;
    const int y = rect.top + (rect.bottom - rect.top - kGlyphSize) / 2 + shift;
    CDC dc;
    dc.Attach(draw->hDC);
    DrawMonoImage(&dc, GetImages(), m_nImage, x, y, SIZE{kGlyphSize, kGlyphSize}, GetUVColor(COLOR_BTNTEXT));
    dc.Detach();
}
