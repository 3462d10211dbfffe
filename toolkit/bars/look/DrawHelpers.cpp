#include "toolkit/bars/look/DrawHelpers.h"

#include "classlib/core/WinApp.h"
#include "toolkit/bars/look/GlobalData.h"

namespace {

// The raster operation that paints the brush where the source is black and leaves the
// destination where it is white (PSDPxax).
constexpr DWORD kRopBrushWhereBlack = 0x00B8074A;

}  // namespace

CString StripMenuAmpersands(const CString& text)
{
    // A character that cannot occur in a command text stands for the doubled marker meanwhile.
    constexpr wchar_t placeholder = L'\x0001';
    CString result = text;
    result.Replace(L"&&", CString(placeholder));
    result.Replace(L"&", L"");
    result.Replace(placeholder, L'&');
    return result;
}

void DrawDisabledImage(CDC* dc, CImageList* images, int index, int x, int y, BOOL colour)
{
    int cx = 0;
    int cy = 0;
    if (!images || !images->GetIconSize(&cx, &cy))
        return;
    CDC mem;
    if (!mem.CreateCompatibleDC(dc))
        return;
    CBitmap bitmap;
    const BOOL made =
        colour ? bitmap.CreateCompatibleBitmap(dc->m_hDC, cx, cy) : bitmap.CreateBitmap(cx, cy, 1, 1, nullptr);
    if (!made)
        return;
    const CSelectedObject bitmapInMem(mem, bitmap);
    const RECT all{0, 0, cx, cy};
    mem.FillSolidRect(&all, RGB(255, 255, 255));
    images->Draw(&mem, index, POINT{0, 0}, ILD_TRANSPARENT);

    const COLORREF oldText = dc->SetTextColor(RGB(0, 0, 0));
    const COLORREF oldBack = dc->SetBkColor(RGB(255, 255, 255));
    {
        CBrush highlight(uvAfxData.m_colors[3]);
        const CSelectedObject brush(*dc, highlight);
        dc->BitBlt(x + 1, y + 1, cx, cy, &mem, 0, 0, kRopBrushWhereBlack);
    }
    {
        CBrush shadow(uvAfxData.m_colors[1]);
        const CSelectedObject brush(*dc, shadow);
        dc->BitBlt(x, y, cx, cy, &mem, 0, 0, kRopBrushWhereBlack);
    }
    dc->SetTextColor(oldText);
    dc->SetBkColor(oldBack);
}

void FillDitheredRect(CDC* dc, const RECT* rect)
{
    static const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    CBitmap bitmap;
    if (!bitmap.CreateBitmap(8, 8, 1, 1, pattern))
        return;
    CBrush brush;
    if (!brush.CreatePatternBrush(&bitmap))
        return;
    // A monochrome pattern brush takes the DC's text colour for 0 bits and background for 1 bits.
    const COLORREF oldText = dc->SetTextColor(uvAfxData.m_colors[0]);
    const COLORREF oldBack = dc->SetBkColor(uvAfxData.m_colors[3]);
    dc->FillRect(rect, &brush);
    dc->SetTextColor(oldText);
    dc->SetBkColor(oldBack);
}

void DrawMonoImage(CDC* dc, HIMAGELIST images, int index, int x, int y, SIZE size, COLORREF colour)
{
    CDC mask;
    if (!mask.CreateCompatibleDC(dc))
        return;
    CBitmap bits;
    bits.CreateBitmap(size.cx, size.cy, 1, 1, nullptr);
    CSelectedObject selected(mask, bits);
    const RECT all{0, 0, size.cx, size.cy};
    ::FillRect(mask.m_hDC, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(images, index, mask.m_hDC, 0, 0, ILD_MASK);
    CBrush brush(colour);
    CSelectedObject selectedBrush(*dc, brush);
    const COLORREF oldText = dc->SetTextColor(RGB(0, 0, 0));
    const COLORREF oldBack = dc->SetBkColor(RGB(255, 255, 255));
    dc->BitBlt(x, y, size.cx, size.cy, &mask, 0, 0, kRopBrushWhereBlack);
    dc->SetTextColor(oldText);
    dc->SetBkColor(oldBack);
}

BOOL LoadGlyphImages(CImageList& list, UINT bitmapId, int size)
{
    HINSTANCE module = uvAfxData.m_hResources ? uvAfxData.m_hResources : AfxGetResourceHandle();
    HBITMAP glyphs = ::LoadBitmapW(module, MAKEINTRESOURCEW(bitmapId));
    if (!glyphs)
        return FALSE;
    BITMAP info{};
    ::GetObjectW(glyphs, sizeof(info), &info);
    const BOOL loaded = list.Create(size, size, ILC_COLOR24 | ILC_MASK, info.bmWidth / size, 0) &&
                        list.Add(glyphs, RGB(255, 0, 255)) >= 0;
    ::DeleteObject(glyphs);
    return loaded;
}

void DrawArrowGlyph(CDC* dc, const RECT& box, COLORREF colour)
{
    const int left = (box.left + box.right - 5) / 2;
    const int top = (box.top + box.bottom - 3) / 2;
    for (int row = 0; row < 3; ++row) {
        const RECT line{left + row, top + row, left + 5 - row, top + row + 1};
        dc->FillSolidRect(&line, colour);
    }
}

HBITMAP CreateDIB32(int width, int height, DWORD** bits)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = bitmap ? static_cast<DWORD*>(pixels) : nullptr;
    return bitmap;
}

void DrawFrame3d(CDC* dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight)
{
    const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
    const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
    const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    dc->FillSolidRect(&top, topLeft);
    dc->FillSolidRect(&left, topLeft);
    dc->FillSolidRect(&right, bottomRight);
    dc->FillSolidRect(&bottom, bottomRight);
}
