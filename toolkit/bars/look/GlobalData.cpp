#include "toolkit/bars/look/GlobalData.h"

#include "classlib/com/UniqueHandle.h"
#include "classlib/core/WinApp.h"
#include "toolkit/bars/look/UVColors.h"

#include <cstddef>
#include <memory>
#include <shlwapi.h>

namespace {

// The system menu font as the pre-Vista metrics record holds it (the record size callers use).
constexpr UINT kNonClientMetricsSize = 500;
static_assert(offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth) == kNonClientMetricsSize);

LOGFONTW SystemMenuFont()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = kNonClientMetricsSize;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0)) {
        LOGFONTW font{};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
        return font;
    }
    return metrics.lfMenuFont;
}

}  // namespace

const OSVERSIONINFOW& GetOSVersionInfo()
{
    static const OSVERSIONINFOW info = [] {
        OSVERSIONINFOW v{};
        v.dwOSVersionInfoSize = sizeof(v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        GetVersionExW(&v);
#pragma GCC diagnostic pop
        return v;
    }();
    return info;
}

CUVGlobalData* GetUVGlobalData()
{
    static std::unique_ptr<CUVGlobalData> data = std::make_unique<CUVGlobalData>();
    return data.get();
}

CUVGlobalData::CUVGlobalData()
{
    const OSVERSIONINFOW& os = GetOSVersionInfo();
    m_bWin95 = os.dwPlatformId == 1 && os.dwMajorVersion == 4 && os.dwMinorVersion < 10;
    m_bWin98 = os.dwPlatformId == 1 && os.dwMajorVersion == 4 && os.dwMinorVersion == 10;
    m_bWinNT4 = os.dwPlatformId == 2 && os.dwMajorVersion == 4 && os.dwMinorVersion == 0;
    m_bWin2000 = os.dwPlatformId == 2 && os.dwMajorVersion == 5 && os.dwMinorVersion == 0;
    m_bWinXP = os.dwPlatformId == 2 && os.dwMajorVersion == 5 && os.dwMinorVersion == 1;

    const LOGFONTW menu = SystemMenuFont();
    if (!FontExists(m_strHorzFace))
        m_strHorzFace = menu.lfFaceName;
    if (!FontExists(m_strVertFace))
        m_strVertFace = menu.lfFaceName;
    InitResources(nullptr);
}

CUVGlobalData::~CUVGlobalData()
{
    for (HCURSOR& cursor : m_cursors) {
        // The size-all cursor is the system's shared one; the toolkit's own are destroyed.
        if (cursor && &cursor != &m_cursors[7])
            DestroyCursor(cursor);
        cursor = nullptr;
    }
}

void CUVGlobalData::InitResources(HINSTANCE module)
{
    m_hResources = module ? module : AfxGetResourceHandle();
    LoadColors();
    LoadSysMetrics();
    CreateFonts();
    LoadCursors();
    // A version that cannot be read (0) counts as too old: nothing says the library has what the
    // bars need.
    if (GetComCtlVersion() <= 0x40047) {
        CString text;
        text.LoadString(m_hResources, IDS_UV_COMCTL_TOO_OLD);
        MessageBoxW(nullptr, text, L"Comctl32.dll", MB_OK | MB_ICONHAND);
        ExitProcess(1);
    }
}

void CUVGlobalData::LoadColors()
{
    RefreshUVColors();
    static constexpr int systemOrder[20] = {
        COLOR_BTNFACE,
        COLOR_BTNSHADOW,
        COLOR_3DDKSHADOW,
        COLOR_BTNHIGHLIGHT,
        -1 /* light face */,
        COLOR_BTNTEXT,
        COLOR_GRAYTEXT,
        COLOR_HIGHLIGHT,
        COLOR_HIGHLIGHTTEXT,
        COLOR_MENU,
        COLOR_MENUTEXT,
        COLOR_WINDOW,
        COLOR_WINDOWFRAME,
        COLOR_WINDOWTEXT,
        COLOR_ACTIVECAPTION,
        COLOR_INACTIVECAPTION,
        COLOR_GRADIENTACTIVECAPTION,
        COLOR_GRADIENTINACTIVECAPTION,
        COLOR_CAPTIONTEXT,
        COLOR_INACTIVECAPTIONTEXT,
    };
    for (int i = 0; i < 20; ++i) {
        const int index = systemOrder[i];
        if (index < 0)
            m_colors[i] = LightenColor(GetUVColor(COLOR_BTNFACE), 15);
        else if (index <= 27)
            m_colors[i] = GetUVColor(index);
        else
            m_colors[i] = GetSysColor(index);  // past the table's system range (which stops at 27)
    }
    for (int i = 0; i < kUVDerivedColorCount; ++i)
        m_colors[20 + i] = GetUVColor(kUVFirstDerivedColor + i);
}

void CUVGlobalData::LoadSysMetrics()
{
    m_sizeSmallIcon = {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
    m_sizeMenuCheck = {18, 18};
    m_sizeThumb = {GetSystemMetrics(SM_CXHTHUMB), GetSystemMetrics(SM_CYVTHUMB)};
    m_cyMenu = GetSystemMetrics(SM_CYMENU);
    m_sizeSmallCaptionButton = {GetSystemMetrics(SM_CXSMSIZE), GetSystemMetrics(SM_CYSMSIZE)};
}

void CUVGlobalData::CreateFonts()
{
    LOGFONTW base = SystemMenuFont();
    auto make = [&](Font which, bool vertical, LONG weight, BYTE underline, LONG angle) {
        LOGFONTW font = base;
        const bool useFace = vertical ? m_bUseVertFace : m_bUseHorzFace;
        if (useFace)
            lstrcpynW(font.lfFaceName, vertical ? m_strVertFace : m_strHorzFace, LF_FACESIZE);
        if (weight)
            font.lfWeight = weight;
        font.lfUnderline = underline;
        font.lfEscapement = font.lfOrientation = angle;
        m_fonts[which].DeleteObject();
        m_fonts[which].CreateFontIndirect(&font);
    };
    make(fontMenu, false, 0, base.lfUnderline, base.lfEscapement);
    make(fontMenuBold, false, FW_BOLD, base.lfUnderline, base.lfEscapement);
    make(fontMenuUnderline, false, 0, TRUE, base.lfEscapement);
    make(fontMenu2, false, 0, base.lfUnderline, base.lfEscapement);
    make(fontVert, true, 0, base.lfUnderline, 900);
    make(fontVertBold, true, FW_BOLD, base.lfUnderline, 900);
    make(fontVert270, true, 0, base.lfUnderline, 2700);
    make(fontVertBold270, true, FW_BOLD, base.lfUnderline, 2700);
}

void CUVGlobalData::LoadCursors()
{
    static constexpr UINT ids[7] = {4509, 4510, 4513, 4511, 4515, 4512, 4514};
    for (int i = 0; i < 7; ++i) {
        if (m_cursors[i])
            DestroyCursor(m_cursors[i]);
        m_cursors[i] = static_cast<HCURSOR>(
            LoadImageW(m_hResources, MAKEINTRESOURCEW(ids[i]), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    }
    m_cursors[7] = LoadCursorW(nullptr, IDC_SIZEALL);
}

DWORD CUVGlobalData::GetComCtlVersion()
{
    if (m_nComCtlVersion != -1)
        return static_cast<DWORD>(m_nComCtlVersion);
    const UniqueModule comctl(LoadLibraryW(L"COMCTL32.DLL"));
    if (!comctl)
        return 0;
    DWORD version = 0;
    if (auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
            reinterpret_cast<void*>(GetProcAddress(comctl.get(), "DllGetVersion")))) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof(info);
        static_assert(sizeof(DLLVERSIONINFO) == 20);
        if (SUCCEEDED(getVersion(&info))) {
            version = (info.dwMajorVersion << 16) | info.dwMinorVersion;
            m_nComCtlVersion = static_cast<int>(version);
        }
    }
    return version;
}

BOOL CUVGlobalData::FontExists(const wchar_t* face)
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return FALSE;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    BOOL found = FALSE;
    struct Search {
        const wchar_t* face;
        BOOL* found;
    } search{face, &found};
    EnumFontFamiliesExW(
        screen, &query,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) -> int {
            auto* s = reinterpret_cast<Search*>(param);
            if (lstrcmpiW(font->lfFaceName, s->face) == 0) {
                *s->found = TRUE;
                return 0;
            }
            return 1;
        },
        reinterpret_cast<LPARAM>(&search), 0);
    ReleaseDC(nullptr, screen);
    return found;
}
