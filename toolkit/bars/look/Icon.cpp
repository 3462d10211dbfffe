#include "toolkit/bars/look/Icon.h"

#include "classlib/ui/Gdi.h"

SIZE CUVIcon::GetExtent() const
{
    SIZE size{0, 0};
    ICONINFO info{};
    if (!m_hIcon || !GetIconInfo(m_hIcon, &info))
        return size;
    CBitmap mask;
    mask.Attach(info.hbmMask);
    CBitmap colour;
    colour.Attach(info.hbmColor);
    BITMAP bm{};
    if (GetObjectW(info.hbmMask, sizeof(bm), &bm)) {
        size.cx = bm.bmWidth;
        size.cy = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    }
    return size;
}

HICON CUVIcon::CreateScaledIcon(int cx, int cy) const
{
    if ((cx == 0 && cy == 0) || !m_hIcon)
        return nullptr;
    const SIZE extent = GetExtent();
    if (extent.cx <= 0 || extent.cy <= 0)
        return nullptr;
    // Narrow the side that would stretch the icon out of its proportions.
    if (cx == 0 || (cy != 0 && MulDiv(cx, extent.cy, extent.cx) > cy))
        cx = MulDiv(cy, extent.cx, extent.cy);
    else
        cy = MulDiv(cx, extent.cy, extent.cx);
    if (cx <= 0 || cy <= 0)
        return nullptr;
    CUVImageList list;
    if (!list.Create(cx, cy, ILC_COLOR32 | ILC_MASK, 1, 0))
        return nullptr;
    if (list.AddIcon(m_hIcon) < 0)
        return nullptr;
    return list.ExtractIcon(0);
}
