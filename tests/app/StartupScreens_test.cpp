// The real program under Wine with the engine test double beside it: the splash window at start,
// the welcome dialog of a fresh profile and the about box, driven by real keyboard and mouse input
// and read back from the screen, the profile (Wine's reg.exe) and the double's log.
#include "ProgramRun.h"
#include "app/resource.h"
#include "classlib/ui/Gdi.h"
#include "tests/app/look/Pixels.h"
#include "tests/support/DragInput.h"
#include "tests/support/Programs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// How long a start or an exit of the program may take: under a loaded machine a start with its
// engine takes tens of seconds, as in the other program tests.
constexpr DWORD kProgramMs = 60000;

bool Logged(const std::wstring& log, const std::string& line)
{
    const auto lines = ReadLines(log);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t ch : text)
        narrow += static_cast<char>(ch);
    return narrow;
}

// A bitmap of the program's resources, read from its file as data.
looktest::PixelDump ProgramBitmap(UINT id)
{
    looktest::PixelDump pixels;
    HMODULE module = LoadLibraryExW(DoubleFolderProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return pixels;
    CBitmap bitmap;
    if (bitmap.Attach(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)))
        pixels = looktest::ReadPixels(bitmap);
    FreeLibrary(module);
    return pixels;
}

looktest::PixelDump ScreenPixels(const RECT& rect)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    CClientDC screen(nullptr);
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(screen, width, height);
    {
        const CSelectedObject selected(memory, bitmap);
        memory.BitBlt(0, 0, width, height, &screen, rect.left, rect.top, SRCCOPY);
    }
    return looktest::ReadPixels(bitmap);
}

// How many pixels of the screen at `origin` differ from the picture, whose pure red pixels must
// show `transparent` instead; only the part inside `clip` (screen) is compared.
int PictureMismatches(const looktest::PixelDump& picture, POINT origin, const RECT& clip, COLORREF transparent)
{
    RECT area{origin.x, origin.y, origin.x + picture.width, origin.y + picture.height};
    IntersectRect(&area, &area, &clip);
    const looktest::PixelDump screen = ScreenPixels(area);
    int mismatches = 0;
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            const COLORREF drawn = picture.At(area.left - origin.x + x, area.top - origin.y + y);
            const COLORREF expected = drawn == RGB(255, 0, 0) ? transparent : drawn;
            if (screen.At(x, y) != expected)
                ++mismatches;
        }
    }
    return mismatches;
}

void PressKey(WORD key)
{
    INPUT keys[2] = {};
    for (int i = 0; i < 2; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = key;
        keys[i].ki.dwFlags = i == 1 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(2, keys, sizeof(INPUT));
}

void BringToFront(HWND hwnd)
{
    SetForegroundWindow(hwnd);
    for (DWORD waited = 0; waited < 5000 && GetForegroundWindow() != hwnd; waited += 20)
        Sleep(20);
}

// A real click in the middle of a control.
void ClickControl(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    fixtures::SendMouse(0, x, y);
    fixtures::SendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    fixtures::SendMouse(MOUSEEVENTF_LEFTUP, x, y);
}

bool WaitForCheck(HWND button, LRESULT state)
{
    for (DWORD waited = 0; waited < 5000; waited += 20) {
        if (SendMessageW(button, BM_GETCHECK, 0, 0) == state)
            return true;
        Sleep(20);
    }
    return false;
}

bool InMenuMode(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
           ((info.flags & GUI_INMENUMODE) || info.hwndMenuOwner);
}

bool WaitForMenuMode(HWND window, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (InMenuMode(window))
            return true;
        Sleep(20);
    }
    return InMenuMode(window);
}

HWND WaitForSplash(DWORD pid, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 10) {
        if (HWND splash = FindSplash(pid))
            return splash;
        Sleep(10);
    }
    return nullptr;
}

// Returns once the window's thread takes messages again: what the program does after a modal
// dialog ended, within the same start-up step, is then done.
void WaitUntilIdle(HWND hwnd)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
}

bool WaitUntilGone(HWND hwnd, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (!IsWindow(hwnd) || !IsWindowVisible(hwnd))
            return true;
        Sleep(20);
    }
    return false;
}

// "Show Welcome Dialog" as Wine's reg.exe reads it: "0x0", "0x1", or empty when it is missing.
std::string WelcomeSettingByReg()
{
    std::string output;
    if (RunProgram(L"reg.exe query \"HKCU\\Software\\Carrowfold Technology\\Carrowfold Express 5\\Settings\" /v "
                   L"\"Show Welcome Dialog\"",
                   &output) != 0)
        return "";
    const size_t type = output.find("REG_DWORD");
    if (type == std::string::npos)
        return "";
    const size_t start = output.find("0x", type);
    const size_t end = output.find_first_of("\r\n ", start);
    return start == std::string::npos ? "" : output.substr(start, end - start);
}

class StartupScreens : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteProgramProfile();
        ClearDoubleSettings();
        m_log = FreshTempPath(L"carrowfold-double-screens.log");
        SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_LOG", m_log.c_str());
    }
    void TearDown() override
    {
        ClearDoubleSettings();
        DeleteProgramProfile();
    }

    static void ClearDoubleSettings()
    {
        for (const wchar_t* name :
             {L"CARROWFOLD_DOUBLE_LOG", L"CARROWFOLD_DOUBLE_UPDATES", L"CARROWFOLD_DOUBLE_LOAD_RESULT",
              L"CARROWFOLD_DOUBLE_TRACK_COUNT", L"CARROWFOLD_DOUBLE_COUNT_DELAY_MS"})
            SetEnvironmentVariableW(name, nullptr);
    }

    static void Close(ProgramRun& run, HWND main)
    {
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(run.WaitForExit(kProgramMs), 0);
    }

    std::wstring m_log;
};

TEST_F(StartupScreens, SplashIsTheBitmapCentredOnTheScreenAndGoesByItself)
{
    const looktest::PixelDump bitmap = ProgramBitmap(IDB_SPLASH);
    ASSERT_GT(bitmap.width, 0);
    ProgramRun run(DoubleFolderProgram());
    const HWND splash = WaitForSplash(run.ProcessId(), kProgramMs);
    ASSERT_NE(splash, nullptr);
    const DWORD seen = GetTickCount();
    RECT rect;
    GetWindowRect(splash, &rect);
    const HWND owner = GetWindow(splash, GW_OWNER);
    EXPECT_TRUE(WaitUntilGone(splash, 5000));
    const DWORD shown = GetTickCount() - seen;
    EXPECT_LE(shown, 2000u) << "the splash goes by itself within 2 s";

    EXPECT_EQ(rect.right - rect.left, bitmap.width);
    EXPECT_EQ(rect.bottom - rect.top, bitmap.height);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(rect.left, (work.left + work.right - bitmap.width) / 2) << "centred on the screen";
    EXPECT_EQ(rect.top, (work.top + work.bottom - bitmap.height) / 2) << "centred on the screen";

    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(owner, main) << "owned by the main frame";
    Close(run, main);
}

TEST_F(StartupScreens, KeyPressedWhileTheSplashShowsOverTheFrameOnlyHidesIt)
{
    // A mix that has tracks shows no welcome dialog. The start-up asks for the count with the
    // frame shown and the splash over it, and the answer comes late: the key below waits in the
    // queue while the splash still shows, as a person's key pressed at that moment would.
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_TRACK_COUNT", L"2");
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_COUNT_DELAY_MS", L"3000");
    const looktest::PixelDump bitmap = ProgramBitmap(IDB_SPLASH);
    ProgramRun run(DoubleFolderProgram(), L"", WelcomeDialog::AsProfileSays);
    HWND main = nullptr;
    HWND splash = nullptr;
    for (DWORD waited = 0; waited < kProgramMs && !(main && splash); waited += 10) {
        main = FindMainWindow(run.ProcessId());
        splash = FindSplash(run.ProcessId());
        Sleep(10);
    }
    ASSERT_NE(main, nullptr);
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(GetForegroundWindow(), main) << "the frame is active under the splash";
    Sleep(300);
    RECT rect;
    GetWindowRect(splash, &rect);
    EXPECT_EQ(PictureMismatches(bitmap, {rect.left, rect.top}, rect, RGB(255, 0, 0)), 0)
        << "the splash shows its bitmap";

    PressKey(VK_F10);  // F10 reaching the frame would open its menu bar
    EXPECT_TRUE(WaitUntilGone(splash, 15000));
    WaitUntilIdle(main);
    Sleep(300);
    EXPECT_FALSE(InMenuMode(main)) << "the key that hid the splash went no further";
    EXPECT_TRUE(VisibleDialogs(run.ProcessId()).empty()) << "a mix with tracks: no welcome dialog";

    // The same key once the splash is gone reaches the frame.
    BringToFront(main);
    PressKey(VK_F10);
    EXPECT_TRUE(WaitForMenuMode(main, 5000));
    PressKey(VK_ESCAPE);
    Close(run, main);
}

TEST_F(StartupScreens, StartWithAPlaylistShowsNoSplashAndItsFirstKeyReachesTheProgram)
{
    ProgramRun run(DoubleFolderProgram(), L"Z:\\tmp\\named.cfp");
    bool splashSeen = false;
    HWND main = nullptr;
    for (DWORD waited = 0; waited < kProgramMs && !main; waited += 10) {
        splashSeen = splashSeen || FindSplash(run.ProcessId()) != nullptr;
        main = FindMainWindow(run.ProcessId());
        Sleep(10);
    }
    ASSERT_NE(main, nullptr);
    for (int i = 0; i < 50; ++i) {
        splashSeen = splashSeen || FindSplash(run.ProcessId()) != nullptr;
        Sleep(20);
    }
    EXPECT_FALSE(splashSeen);

    BringToFront(main);
    PressKey(VK_F10);
    EXPECT_TRUE(WaitForMenuMode(main, 5000)) << "the first key reached the frame";
    PressKey(VK_ESCAPE);
    Close(run, main);
}

TEST_F(StartupScreens, WelcomeDialogOfAFreshProfileShowsOverTheFrameWithItsPicturesOnTheDialogFace)
{
    ProgramRun run(DoubleFolderProgram(), L"", WelcomeDialog::AsProfileSays);
    const HWND dialog = WaitForBox(run.ProcessId(), kProgramMs);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowTitle(dialog), L"Welcome To Deckwright");
    const HWND frame = GetWindow(dialog, GW_OWNER);
    EXPECT_TRUE(IsWindowVisible(frame)) << "the frame shows before the dialog";
    EXPECT_NE(WindowTitle(frame).find(L"Deckwright"), std::wstring::npos);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_WELCOME_YES), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_WELCOME_NO), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, IDC_WELCOME_DONT_SHOW), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Nothing may cover the dialog while its pixels are read: the splash goes first.
    for (DWORD waited = 0; waited < 5000 && FindSplash(run.ProcessId()); waited += 20)
        Sleep(20);
    BringToFront(dialog);
    InvalidateRect(dialog, nullptr, TRUE);
    Sleep(500);
    const struct {
        const char* name;
        int control;
        UINT bitmap;
    } pictures[] = {
        {"first picture", IDC_WELCOME_PICTURE1, IDB_WELCOME_NEW},
        {"second picture", IDC_WELCOME_PICTURE2, IDB_WELCOME_DEMO},
    };
    for (const auto& p : pictures) {
        const looktest::PixelDump bitmap = ProgramBitmap(p.bitmap);
        ASSERT_GT(bitmap.width, 0) << p.name;
        const bool hasRed =
            std::find(bitmap.pixels.begin(), bitmap.pixels.end(), RGB(255, 0, 0)) != bitmap.pixels.end();
        EXPECT_TRUE(hasRed) << p.name << ": the picture has a transparent part";
        RECT control;
        GetWindowRect(GetDlgItem(dialog, p.control), &control);
        EXPECT_EQ(PictureMismatches(bitmap, {control.left, control.top}, control, GetSysColor(COLOR_BTNFACE)), 0)
            << p.name;
    }

    // Closed without OK: nothing is kept.
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    WaitUntilIdle(main);
    EXPECT_EQ(WelcomeSettingByReg(), "");
    Close(run, main);
}

TEST_F(StartupScreens, WelcomeAnswersAreKeptAndTheSampleMixOpens)
{
    const std::wstring demo = BuildFolder(L"app-double") + L"\\demo.cfp";
    const struct {
        const char* name;
        bool dontShow;
        bool clickNo;
        const char* stored;
        bool sampleOpened;
    } cases[] = {
        {"OK as it opens", false, false, "0x1", true},
        {"don't show again, no sample", true, true, "0x0", false},
    };
    for (const auto& c : cases) {
        DeleteProgramProfile();
        DeleteFileW(m_log.c_str());
        {
            ProgramRun run(DoubleFolderProgram(), L"", WelcomeDialog::AsProfileSays);
            const HWND dialog = WaitForBox(run.ProcessId(), kProgramMs);
            ASSERT_NE(dialog, nullptr) << c.name;
            for (DWORD waited = 0; waited < 5000 && FindSplash(run.ProcessId()); waited += 20)
                Sleep(20);
            BringToFront(dialog);
            if (c.dontShow) {
                ClickControl(GetDlgItem(dialog, IDC_WELCOME_DONT_SHOW));
                EXPECT_TRUE(WaitForCheck(GetDlgItem(dialog, IDC_WELCOME_DONT_SHOW), BST_CHECKED)) << c.name;
            }
            if (c.clickNo) {
                ClickControl(GetDlgItem(dialog, IDC_WELCOME_NO));
                EXPECT_TRUE(WaitForCheck(GetDlgItem(dialog, IDC_WELCOME_NO), BST_CHECKED)) << c.name;
            }
            ClickControl(GetDlgItem(dialog, IDOK));
            EXPECT_TRUE(WaitUntilGone(dialog, 10000)) << c.name;
            const HWND main = run.WaitForMainWindow();
            ASSERT_NE(main, nullptr) << c.name;
            WaitUntilIdle(main);
            EXPECT_EQ(WelcomeSettingByReg(), c.stored) << c.name;
            const bool opened = Logged(m_log, "LoadPlaylist " + Narrow(demo) + " append=0");
            EXPECT_EQ(opened, c.sampleOpened) << c.name;
            if (c.sampleOpened) {
                EXPECT_NE(WaitForTitleContaining(main, L"demo.cfp", 5000).find(L"demo.cfp"), std::wstring::npos)
                    << c.name;
            }
            Close(run, main);
        }
        if (c.dontShow) {
            ProgramRun again(DoubleFolderProgram(), L"", WelcomeDialog::AsProfileSays);
            const HWND main = again.WaitForMainWindow();
            ASSERT_NE(main, nullptr) << c.name;
            WaitUntilIdle(main);
            EXPECT_TRUE(VisibleDialogs(again.ProcessId()).empty()) << c.name << ": the next start shows none";
            Close(again, main);
        }
    }
}

TEST_F(StartupScreens, SampleMixThatDoesNotOpenIsReportedAndLendsTheEmptyMixNoName)
{
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_LOAD_RESULT", L"S_FALSE");
    ProgramRun run(DoubleFolderProgram(), L"", WelcomeDialog::AsProfileSays);
    const HWND dialog = WaitForBox(run.ProcessId(), kProgramMs);
    ASSERT_NE(dialog, nullptr);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilGone(dialog, 10000));
    const HWND box = WaitForBox(run.ProcessId(), 10000);
    ASSERT_NE(box, nullptr) << "the failed open is reported";
    EXPECT_EQ(WindowTitle(box), L"Deckwright");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilGone(box, 10000));
    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    WaitUntilIdle(main);
    EXPECT_EQ(WaitForTitleContaining(main, L"demo", 2000).find(L"demo"), std::wstring::npos);
    Close(run, main);
}

TEST_F(StartupScreens, ClickOnTheSampleRadioStaysInTheWelcomeDialog)
{
    ProgramRun run(DoubleFolderProgram(), L"", WelcomeDialog::AsProfileSays);
    const HWND dialog = WaitForBox(run.ProcessId(), kProgramMs);
    ASSERT_NE(dialog, nullptr);
    for (DWORD waited = 0; waited < 5000 && FindSplash(run.ProcessId()); waited += 20)
        Sleep(20);
    BringToFront(dialog);
    // Away and back: the second click is the one that must not open a playlist dialog.
    ClickControl(GetDlgItem(dialog, IDC_WELCOME_NO));
    ASSERT_TRUE(WaitForCheck(GetDlgItem(dialog, IDC_WELCOME_NO), BST_CHECKED));
    ClickControl(GetDlgItem(dialog, IDC_WELCOME_YES));
    ASSERT_TRUE(WaitForCheck(GetDlgItem(dialog, IDC_WELCOME_YES), BST_CHECKED));
    Sleep(1000);
    const std::vector<HWND> dialogs = VisibleDialogs(run.ProcessId());
    ASSERT_EQ(dialogs.size(), 1u) << "no file dialog opened";
    EXPECT_EQ(dialogs[0], dialog);

    ClickControl(GetDlgItem(dialog, IDOK));
    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitUntilGone(dialog, 10000));
    WaitUntilIdle(main);
    EXPECT_TRUE(Logged(m_log, "LoadPlaylist " + Narrow(BuildFolder(L"app-double")) + "\\demo.cfp append=0"))
        << "the click chose the sample mix";
    Close(run, main);
}

TEST_F(StartupScreens, AboutCommandShowsTheAboutBoxAndEnterClosesIt)
{
    ProgramRun run(DoubleFolderProgram());
    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, ID_APP_ABOUT, 0);
    const HWND about = WaitForBox(run.ProcessId(), 10000);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(WindowTitle(about), L"About Deckwright");
    EXPECT_EQ(GetWindow(about, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main)) << "modal";
    BringToFront(about);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntilGone(about, 5000));
    EXPECT_TRUE(IsWindowEnabled(main));
    Close(run, main);
}

}  // namespace
