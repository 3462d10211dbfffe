#include "classlib/ui/ImageList.h"

#include "classlib/ui/Gdi.h"

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    return Attach(ImageList_Create(cx, cy, flags, initial, grow));
}

BOOL CImageList::DeleteImageList()
{
    return m_hImageList ? ImageList_Destroy(Detach()) : FALSE;
}

BOOL CImageList::Draw(CDC* dc, int image, POINT point, UINT style)
{
    return ImageList_Draw(m_hImageList, image, dc->m_hDC, point.x, point.y, style);
}
