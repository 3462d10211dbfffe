#include "tests/support/Programs.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

TEST(GlobalData, OneObjectWithSystemColoursAndDerivedColours)
{
    CUVGlobalData* data = GetUVGlobalData();
    ASSERT_EQ(data, GetUVGlobalData());
    EXPECT_EQ(data->m_colors[0], GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(data->m_colors[1], GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(data->m_colors[4], LightenColor(GetSysColor(COLOR_BTNFACE), 15));
    EXPECT_EQ(data->m_colors[17], GetSysColor(COLOR_GRADIENTINACTIVECAPTION));
    for (int i = 0; i < kUVDerivedColorCount; ++i)
        EXPECT_EQ(data->m_colors[20 + i], GetUVColor(kUVFirstDerivedColor + i)) << "derived colour " << i;
    EXPECT_EQ(data->m_sizeMenuCheck.cx, 18);
    EXPECT_EQ(data->m_cyMenu, GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(data->m_bXPLook, FALSE);
    EXPECT_EQ(data->m_bMenuShadows, TRUE);
    EXPECT_EQ(data->m_bShortcutsInToolTips, FALSE);
}

TEST(GlobalData, CursorsComeFromTheToolkitResourcesAndTheSystem)
{
    for (int i = 0; i < 7; ++i)
        EXPECT_NE(uvAfxData.m_cursors[i], nullptr) << "toolkit cursor " << i;
    EXPECT_EQ(uvAfxData.m_cursors[7], LoadCursorW(nullptr, IDC_SIZEALL));
}

TEST(GlobalData, CommonControlsVersionIsReadOnceFromTheLibrary)
{
    const DWORD version = uvAfxData.GetComCtlVersion();
    EXPECT_GE(version, 0x50000u);  // Wine's comctl32 is 5.81 or later
    EXPECT_EQ(uvAfxData.m_nComCtlVersion, static_cast<int>(version));
    EXPECT_EQ(uvAfxData.GetComCtlVersion(), version);
}

constexpr wchar_t kUnreadableVersionRun[] = L"CARROWFOLD_COMCTL_UNREADABLE_RUN";

// Run in a process of its own by the test below: the start-up check on a common-controls version
// that could not be read (0). A thread answers the message box the check shows.
TEST(GlobalDataUnreadableVersionRun, StartsWithVersionZero)
{
    if (!GetEnvironmentVariableW(kUnreadableVersionRun, nullptr, 0))
        GTEST_SKIP() << "runs only in the process that AVersionThatCannotBeReadStopsTheProgram starts";
    std::thread answer([] {
        for (int i = 0; i < 100; ++i) {
            if (HWND box = FindWindowW(nullptr, L"Comctl32.dll")) {
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(100);
        }
    });
    answer.detach();
    uvAfxData.m_nComCtlVersion = 0;
    uvAfxData.InitResources(nullptr);
    ExitProcess(3);  // the check let the program go on
}

TEST(GlobalData, AVersionThatCannotBeReadStopsTheProgram)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetEnvironmentVariableW(kUnreadableVersionRun, L"1");
    std::string output;
    const int exitCode = RunProgram(
        L"\"" + std::wstring(self) + L"\" --gtest_brief=1 --gtest_filter=GlobalDataUnreadableVersionRun.*", &output);
    SetEnvironmentVariableW(kUnreadableVersionRun, nullptr);
    EXPECT_EQ(exitCode, 1) << output;
}

TEST(GlobalData, FontsFollowTheSystemMenuFontWithTheirChanges)
{
    struct Case {
        const char* name;
        CUVGlobalData::Font font;
        LONG weight;
        LONG escapement;
        bool underline;
    } cases[] = {
        {"bold menu font", CUVGlobalData::fontMenuBold, FW_BOLD, 0, false},
        {"underlined menu font", CUVGlobalData::fontMenuUnderline, -1, 0, true},
        {"vertical font", CUVGlobalData::fontVert, -1, 900, false},
        {"vertical bold 270", CUVGlobalData::fontVertBold270, FW_BOLD, 2700, false},
    };
    for (const auto& c : cases) {
        LOGFONTW font{};
        ASSERT_TRUE(GetObjectW(uvAfxData.m_fonts[c.font].m_hObject, sizeof(font), &font)) << c.name;
        if (c.weight >= 0) {
            EXPECT_EQ(font.lfWeight, c.weight) << c.name;
        }
        EXPECT_EQ(font.lfEscapement, c.escapement) << c.name;
        EXPECT_EQ(font.lfUnderline != 0, c.underline) << c.name;
    }
}

TEST(GlobalData, FontExistsIgnoresCaseAndRejectsUnknownFaces)
{
    // Any installed family, as the system lists it.
    CString face;
    CClientDC screen(nullptr);
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(
        screen.m_hDC, &query,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) -> int {
            *reinterpret_cast<CString*>(param) = font->lfFaceName;
            return 0;
        },
        reinterpret_cast<LPARAM>(&face), 0);
    ASSERT_FALSE(face.IsEmpty());
    EXPECT_TRUE(CUVGlobalData::FontExists(face));
    EXPECT_TRUE(CUVGlobalData::FontExists(face.MakeUpper()));
    EXPECT_FALSE(CUVGlobalData::FontExists(L"No Such Face Carrowfold"));
}

TEST(StripMenuAmpersands, RemovesMarkersAndKeepsDoubledOnes)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"&File", L"File"},
        {L"Save &As...", L"Save As..."},
        {L"Drum && Bass", L"Drum & Bass"},
        {L"&&&x", L"&x"},
        {L"", L""},
        {L"none", L"none"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(StripMenuAmpersands(c.in), c.out) << c.in;
}

}  // namespace
