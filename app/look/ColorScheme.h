// CColorScheme: the program's own bitmaps and colours, loaded once at start and shared by every
// view and the timeline (g_colorScheme). The colours that follow the system colours are computed
// again whenever they change (the main frame's WM_SYSCOLORCHANGE).
// Used on the user-interface thread only.
#pragma once

#include "app/look/BitmapCell.h"
#include "app/look/SchemeColors.h"
#include "classlib/core/String.h"

inline constexpr int kSchemeBitmapCells = 12;

class CColorScheme {
public:
    CColorScheme() = default;
    CColorScheme(const CColorScheme&) = delete;
    CColorScheme& operator=(const CColorScheme&) = delete;

    // Loads the bitmaps from the program's resources and "banner.bmp" from `programFolder` (with
    // its trailing backslash; a missing file leaves skin 9 empty), then computes the colours.
    void Load(const CString& programFolder);
    // From the current system colours.
    void ComputeColors();
    // From given system colours (kSystemColorCount entries, indexed by COLOR_ value).
    void ComputeColors(const COLORREF* systemColors);

    // Kind 1, 2 or 3; FALSE for any other kind or a bitmap that did not load.
    BOOL GetButtonBitmap(int kind, HBITMAP* bitmap) const;
    // Skin cell 0 to 11 when its bitmap is loaded; FALSE otherwise.
    BOOL GetSkinBitmap(int index, CBitmapCell** cell);
    // Cell 0 to 11 of the row images; FALSE for any other index.
    BOOL GetCellBitmap(int index, CBitmapCell** cell);
    // Colour 0 to 81; black for any other position.
    COLORREF GetColor(int index) const;

private:
    // Never loaded: kept so that the bitmaps stand in their established order.
    CBitmap m_bmpUnused1;
    CBitmap m_bmpUnused2;
    CBitmap m_bmpButton1;
    CBitmap m_bmpButton2;
    CBitmap m_bmpButton3;
    CBitmapCell m_skin[kSchemeBitmapCells];
    CBitmapCell m_cells[kSchemeBitmapCells];
    COLORREF m_colors[kSchemeColorCount] = {};
};

extern CColorScheme g_colorScheme;
