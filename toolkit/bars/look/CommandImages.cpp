#include "toolkit/bars/look/CommandImages.h"

#include "classlib/ui/Gdi.h"
#include "classlib/ui/ImageList.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"

#include <commctrl.h>

#include <vector>

namespace {

// A copy of `icon` whose opaque pixels (mask bit 0) are replaced by `recolour` of themselves.
template <typename Recolour>
HICON MakeIconVariant(HICON icon, Recolour recolour)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return nullptr;
    CBitmap colour;
    CBitmap mask;
    colour.Attach(info.hbmColor);
    mask.Attach(info.hbmMask);
    BITMAP bm{};
    if (!info.hbmColor || !GetObjectW(info.hbmColor, sizeof(bm), &bm))
        return nullptr;
    const int width = bm.bmWidth;
    const int height = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    std::vector<DWORD> maskPixels(pixels.size());
    CDC screen;
    screen.CreateCompatibleDC(nullptr);
    if (GetDIBits(screen, info.hbmColor, 0, height, pixels.data(), &bi, DIB_RGB_COLORS) != height ||
        GetDIBits(screen, info.hbmMask, 0, height, maskPixels.data(), &bi, DIB_RGB_COLORS) != height)
        return nullptr;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (maskPixels[i] & 0x00FFFFFF)
            continue;  // transparent
        const DWORD p = pixels[i];
        const COLORREF c = recolour(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        pixels[i] = (p & 0xFF000000) | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    CBitmap result;
    if (!result.Attach(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0)))
        return nullptr;
    SetDIBits(screen, result, 0, height, pixels.data(), &bi, DIB_RGB_COLORS);
    ICONINFO made{TRUE, 0, 0, info.hbmMask, result};
    return CreateIconIndirect(&made);
}

}  // namespace

CUVCommandImages& GetUVCommandImages()
{
    static CUVCommandImages images;
    return images;
}

const CUVCommandImage* CUVCommandImages::Lookup(UINT id, BOOL preferToolbar) const
{
    const Map order[2] = {preferToolbar ? toolbarMap : menuMap, preferToolbar ? menuMap : toolbarMap};
    for (Map map : order) {
        auto it = m_maps[map].find(id);
        if (it != m_maps[map].end())
            return it->second.get();
    }
    return nullptr;
}

BOOL CUVCommandImages::AddFromImageList(UINT id, HIMAGELIST list, int index, BOOL full, Map map)
{
    HICON icon = list ? ImageList_GetIcon(list, index, ILD_NORMAL) : nullptr;
    if (!icon)
        return FALSE;
    if (!full) {
        auto it = m_maps[map].find(id);
        if (it == m_maps[map].end() || it->second->disabled.Get()) {
            DestroyIcon(icon);
            return FALSE;
        }
        it->second->disabled.Reset(icon);
        return TRUE;
    }
    auto image = std::make_unique<CUVCommandImage>();
    image->normal.Reset(icon);
    image->faded.Reset(MakeIconVariant(icon, [](COLORREF c) { return TintTowardWhite(c, 0.3); }));
    const COLORREF shadow = GetUVColor(34);
    image->shadow.Reset(MakeIconVariant(icon, [shadow](COLORREF) { return shadow; }));
    image->normalBits.Take(image->normal.Get());
    image->fadedBits.Take(image->faded.Get());
    image->shadowBits.Take(image->shadow.Get());
    m_maps[map][id] = std::move(image);
    return TRUE;
}

// The resource compiler's layout is words: version 1, width, height, count, then count command
// ids. GNU windres, which builds ours, writes 32-bit fields and no version: width, height, count,
// then the ids. The size of the data tells which one it is; anything else is refused.
bool ReadToolbarResource(const BYTE* data, DWORD bytes, UVToolbarResource& layout)
{
    auto word = [data](DWORD i) { return static_cast<UINT>(data[2 * i] | (data[2 * i + 1] << 8)); };
    auto dword = [data](DWORD i) {
        return static_cast<UINT>(data[4 * i] | (data[4 * i + 1] << 8) | (data[4 * i + 2] << 16) |
                                 (static_cast<UINT>(data[4 * i + 3]) << 24));
    };
    if (bytes >= 8 && word(0) == 1 && bytes == 8 + 2 * word(3)) {
        layout.width = static_cast<int>(word(1));
        layout.height = static_cast<int>(word(2));
        for (UINT i = 0; i < word(3); ++i)
            layout.ids.push_back(word(4 + i));
        return layout.width > 0 && layout.height > 0;
    }
    if (bytes >= 12 && dword(2) < 0x10000 && bytes == 12 + 4 * dword(2)) {
        layout.width = static_cast<int>(dword(0));
        layout.height = static_cast<int>(dword(1));
        for (UINT i = 0; i < dword(2); ++i)
            layout.ids.push_back(dword(3 + i));
        return layout.width > 0 && layout.height > 0;
    }
    return false;
}

BOOL CUVCommandImages::LoadToolbarResource(HINSTANCE module, UINT resourceId, BOOL full, Map map)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(kToolbarResourceType));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    UVToolbarResource layout;
    if (!data || !ReadToolbarResource(data, SizeofResource(module, found), layout))
        return FALSE;
    CBitmap bitmap;
    bitmap.Attach(LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    CImageList list;
    if (!bitmap.GetSafeHandle() ||
        !list.Create(layout.width, layout.height, ILC_COLOR32 | ILC_MASK, static_cast<int>(layout.ids.size()), 10) ||
        list.Add(bitmap, kImageMaskColor) < 0)
        return FALSE;
    int image = 0;
    for (UINT id : layout.ids) {
        if (id != 0)
            AddFromImageList(id, list, image++, full, map);
    }
    return TRUE;
}

BOOL CUVCommandImages::AddFromToolbar(HWND toolbar, HIMAGELIST list, BOOL full)
{
    if (!IsWindow(toolbar) || !list)
        return FALSE;
    const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (!SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)))
            continue;
        if ((button.fsStyle & BTNS_SEP) || button.idCommand <= 0)
            continue;
        AddFromImageList(static_cast<UINT>(button.idCommand), list, button.iBitmap, full, toolbarMap);
    }
    return TRUE;
}

BOOL CUVCommandImages::AddIcon(UINT id, HICON icon, int cx, int cy, BOOL full, Map map)
{
    CImageList list;
    if (!icon || !list.Create(cx, cy, ILC_COLOR32 | ILC_MASK, 1, 0) || list.Replace(-1, icon) < 0)
        return FALSE;
    return AddFromImageList(id, list, 0, full, map);
}

BOOL CUVCommandImages::SetImage(UINT id, HICON icon)
{
    const SIZE size = CUVIcon(icon).GetExtent();
    return AddIcon(id, icon, size.cx, size.cy, TRUE, menuMap);
}

void DrawIconMono(CDC* dc, HICON icon, int x, int y, int cx, int cy, COLORREF colour)
{
    CBrush brush(colour);
    DrawStateW(*dc, brush, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, cx, cy, DST_ICON | DSS_MONO);
}

void CUVIconBits::Take(HICON icon)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return;
    colour.Attach(info.hbmColor);
    mask.Attach(info.hbmMask);
    BITMAP bm{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof(bm), &bm))
        size = SIZE{bm.bmWidth, bm.bmHeight};
}

BOOL CUVIconBits::Draw(HDC dc, int x, int y, int cx, int cy) const
{
    if (!colour.GetSafeHandle() || !mask.GetSafeHandle() || size.cx != cx || size.cy != cy)
        return FALSE;
    CDC source;
    source.CreateCompatibleDC(nullptr);
    // A monochrome source paints 0 in the text colour and 1 in the background colour.
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    {
        const CSelectedObject selected(source, mask.m_hObject);
        BitBlt(dc, x, y, cx, cy, source, 0, 0, SRCAND);
    }
    {
        const CSelectedObject selected(source, colour.m_hObject);
        BitBlt(dc, x, y, cx, cy, source, 0, 0, SRCPAINT);
    }
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    return TRUE;
}

void DrawCommandImage(CDC* dc, const CUVCommandImage& image, int x, int y, int cx, int cy, UVImageState state,
                      COLORREF monoColour)
{
    auto draw = [&](HICON icon, const CUVIconBits& bits, int atX, int atY) {
        if (icon && !bits.Draw(*dc, atX, atY, cx, cy))
            DrawIconEx(*dc, atX, atY, icon, cx, cy, 0, nullptr, DI_NORMAL);
    };
    switch (state) {
    case UVImageState::normal:
        draw(image.normal.Get(), image.normalBits, x, y);
        break;
    case UVImageState::hot:
        draw(image.shadow.Get(), image.shadowBits, x + 1, y + 1);
        draw(image.normal.Get(), image.normalBits, x - 1, y - 1);
        break;
    case UVImageState::rest:
        if (uvAfxData.m_bPlainImagesAtRest == 1 || !image.faded.Get())
            draw(image.normal.Get(), image.normalBits, x, y);
        else
            draw(image.faded.Get(), image.fadedBits, x, y);
        break;
    case UVImageState::disabled:
        if (image.disabled.Get())
            DrawIconEx(*dc, x, y, image.disabled.Get(), cx, cy, 0, nullptr, DI_NORMAL);
        else
            DrawIconMono(dc, image.normal.Get(), x, y, cx, cy, monoColour);
        break;
    }
}
