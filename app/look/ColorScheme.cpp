#include "app/look/ColorScheme.h"

#include "app/resource.h"

#include <iterator>

CColorScheme g_colorScheme;

namespace {

// Skins 0 to 8, in order; the second track button has the same picture as the first.
constexpr UINT kSkinBitmaps[] = {IDB_VOLUME_TRACK,   IDB_PLAY_BUTTON,     IDB_TRACK_BUTTON,
                                 IDB_TRACK_BUTTON,   IDB_FRAME_CORNER,    IDB_PLAYLIST_CORNER,
                                 IDB_CATALOG_CORNER, IDB_TIMELINE_CORNER, IDB_BADGE};
constexpr int kBannerSkin = 9;
constexpr int kButtonStripCells = 4;

bool IsCellIndex(int index)
{
    return index >= 0 && index < kSchemeBitmapCells;
}

}  // namespace

void CColorScheme::Load(const CString& programFolder)
{
    CBitmap strip;
    if (strip.LoadBitmap(IDB_BUTTON_STRIP)) {
        ExtractBitmapCell(strip, kButtonStripCells, 1, &m_bmpButton1, nullptr);
        ExtractBitmapCell(strip, kButtonStripCells, 0, &m_bmpButton2, nullptr);
        ExtractBitmapCell(strip, kButtonStripCells, 2, &m_bmpButton3, nullptr);
    }
    for (size_t i = 0; i < std::size(kSkinBitmaps); ++i)
        m_skin[i].bitmap.LoadBitmap(kSkinBitmaps[i]);
    const CString banner = programFolder + L"banner.bmp";
    m_skin[kBannerSkin].bitmap.Attach(LoadImageW(nullptr, banner, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    CBitmap rows;
    if (rows.LoadBitmap(IDB_ROW_IMAGES)) {
        for (int i = 0; i < kSchemeBitmapCells; ++i)
            ExtractBitmapCell(rows, kSchemeBitmapCells, i, &m_cells[i].bitmap, nullptr);
    }
    ComputeColors();
}

void CColorScheme::ComputeColors()
{
    COLORREF sys[kSystemColorCount] = {};
    for (int i = 0; i < kSystemColorCount; ++i)
        sys[i] = GetSysColor(i);
    ComputeColors(sys);
}

void CColorScheme::ComputeColors(const COLORREF* systemColors)
{
    ComputeSchemeColors(systemColors, m_colors);
}

BOOL CColorScheme::GetButtonBitmap(int kind, HBITMAP* bitmap) const
{
    const CBitmap* chosen = kind == 1 ? &m_bmpButton1 : kind == 2 ? &m_bmpButton2 : kind == 3 ? &m_bmpButton3 : nullptr;
    if (!chosen || !chosen->GetSafeHandle())
        return FALSE;
    *bitmap = *chosen;
    return TRUE;
}

BOOL CColorScheme::GetSkinBitmap(int index, CBitmapCell** cell)
{
    if (!IsCellIndex(index) || !m_skin[index].bitmap.GetSafeHandle())
        return FALSE;
    *cell = &m_skin[index];
    return TRUE;
}

BOOL CColorScheme::GetCellBitmap(int index, CBitmapCell** cell)
{
    // A negative index is refused as well as one past the table.
    if (!IsCellIndex(index))
        return FALSE;
    *cell = &m_cells[index];
    return TRUE;
}

COLORREF CColorScheme::GetColor(int index) const
{
    return index >= 0 && index < kSchemeColorCount ? m_colors[index] : 0;
}
