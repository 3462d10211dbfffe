#include "toolkit/bars/look/MappedBitmap.h"

#include "classlib/ui/Gdi.h"

#include <cstring>
#include <vector>

namespace {

struct ColorMapEntry {
    COLORREF from;
    int sysColor;
};

constexpr ColorMapEntry kSysColorMap[] = {
    {RGB(0, 0, 0), COLOR_BTNTEXT},
    {RGB(128, 128, 128), COLOR_BTNSHADOW},
    {RGB(192, 192, 192), COLOR_BTNFACE},
    {RGB(255, 255, 255), COLOR_BTNHIGHLIGHT},
};

}  // namespace

HBITMAP LoadMappedBitmap(HINSTANCE module, UINT resourceId, UINT)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!data || size < sizeof(BITMAPINFOHEADER))
        return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof(header));
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biCompression != BI_RGB)
        return nullptr;
    const DWORD colours =
        header.biBitCount <= 8 ? (header.biClrUsed ? header.biClrUsed : (1u << header.biBitCount)) : header.biClrUsed;
    const DWORD tableBytes = colours * sizeof(RGBQUAD);
    const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const DWORD stride = ((static_cast<DWORD>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    const unsigned long long needed =
        static_cast<unsigned long long>(header.biSize) + tableBytes + static_cast<unsigned long long>(stride) * height;
    if (colours > 256 || needed > size)
        return nullptr;
    // A private copy of the header and colour table: the resource itself is read-only.
    std::vector<BYTE> info(header.biSize + tableBytes);
    std::memcpy(info.data(), data, info.size());
    auto* table = reinterpret_cast<RGBQUAD*>(info.data() + header.biSize);
    for (DWORD i = 0; i < colours; ++i) {
        const COLORREF c = RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
        for (const ColorMapEntry& entry : kSysColorMap) {
            if (c == entry.from) {
                const COLORREF to = GetSysColor(entry.sysColor);
                table[i] = RGBQUAD{GetBValue(to), GetGValue(to), GetRValue(to), 0};
                break;
            }
        }
    }
    HBITMAP result = CreateCompatibleBitmap(CClientDC(nullptr), header.biWidth, height);
    if (!result)
        return nullptr;
    CDC mem;
    mem.CreateCompatibleDC(nullptr);
    const CSelectedObject selected(mem, result);
    StretchDIBits(mem, 0, 0, header.biWidth, height, 0, 0, header.biWidth, height, data + info.size(),
                  reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
    return result;
}
