// CUVGlobalData: the toolkit's one process-wide object of look and metrics (uvAfxData): copies
// of the toolkit colours, the bar and menu fonts, the toolkit cursors, a few system metrics, the
// operating-system flags, the common-controls version, and the look and option flags that the
// program and the customization set. Built by the first GetUVGlobalData call, on the UI thread,
// and read by every painter; it lives until the process ends.
#pragma once

#include "classlib/core/String.h"
#include "classlib/ui/Gdi.h"

#include <windows.h>

class CUVGlobalData {
public:
    enum Font {
        fontMenu,
        fontMenuBold,
        fontMenuUnderline,
        fontMenu2,
        fontVert,
        fontVertBold,
        fontVert270,
        fontVertBold270,
        fontCount
    };

    CUVGlobalData();
    CUVGlobalData(const CUVGlobalData&) = delete;
    CUVGlobalData& operator=(const CUVGlobalData&) = delete;
    virtual ~CUVGlobalData();

    // Resource module (NULL: the application's resource handle), colours, metrics, fonts,
    // cursors; then ends the process (exit code 1) after a message when the common controls are
    // older than 4.72 or their version cannot be read.
    void InitResources(HINSTANCE module);
    void LoadColors();
    void LoadSysMetrics();
    void CreateFonts();
    void LoadCursors();
    // (major << 16) | minor of comctl32, asked once and kept; 0 when it cannot be read.
    DWORD GetComCtlVersion();
    static BOOL FontExists(const wchar_t* face);

    // Colours 1-20: system colours (see LoadColors); 21-40: the derived toolkit colours 30..49.
    COLORREF m_colors[40] = {};
    HCURSOR m_cursors[8] = {};
    SIZE m_sizeSmallIcon{};
    SIZE m_sizeMenuCheck{18, 18};
    SIZE m_sizeThumb{};
    SIZE m_sizeSmallCaptionButton{};  // SM_CXSMSIZE x SM_CYSMSIZE: floating frames' caption buttons
    int m_cyMenu = 0;
    BOOL m_bFlag = FALSE;  // read by the control bar
    CFont m_fonts[fontCount];
    CString m_strHorzFace{L"Tahoma"};
    CString m_strVertFace{L"Arial"};
    int m_nComCtlVersion = -1;
    BOOL m_bWin95 = FALSE;
    BOOL m_bWin98 = FALSE;
    BOOL m_bWinNT4 = FALSE;
    BOOL m_bWin2000 = FALSE;
    BOOL m_bWinXP = FALSE;
    BOOL m_bCoolMenus = FALSE;
    BOOL m_bXPLook = FALSE;
    // All 1 at construction; each counts as on only when it equals 1.
    BOOL m_bMenuShadows = TRUE;
    BOOL m_bOption2 = TRUE;
    BOOL m_bBarDrawOption = TRUE;
    BOOL m_bDockBarOption = TRUE;
    BOOL m_bPersonalizedMenus = TRUE;
    BOOL m_bExpandMenusOnHover = TRUE;
    BOOL m_bToolTips = TRUE;
    BOOL m_bShortcutsInToolTips = FALSE;
    BOOL m_bPlainImagesAtRest = FALSE;
    BOOL m_bNoScreenCopyShadows = FALSE;
    BOOL m_bUseHorzFace = FALSE;
    BOOL m_bUseVertFace = FALSE;
    // Set while a toolbar's drop-down popup is open; the colour popup clears it as it goes.
    BOOL m_bPopupOpen = FALSE;
    // The INI file that holds the toolkit profile instead of the registry; empty: the registry.
    CString m_strProfileFileName;
    HINSTANCE m_hResources = nullptr;
};

CUVGlobalData* GetUVGlobalData();
#define uvAfxData (*GetUVGlobalData())

// The cached GetVersionExW record of the system.
const OSVERSIONINFOW& GetOSVersionInfo();

// Resource ids of the toolkit.
inline constexpr UINT IDC_UV_CURSOR_FIRST = 4509;  // cursors 4509..4515
inline constexpr UINT IDS_UV_COMCTL_TOO_OLD = 4548;
