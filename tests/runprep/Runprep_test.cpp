// The set-up launcher run as its own process from a fresh folder: beside a stand-in of the DirectX
// set-up library that records its calls, and alone, where the system's loader must refuse it.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/app/ProgramRun.h"
#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"

namespace {

constexpr DWORD kRunBoundMs = 30000;
constexpr long kDllNotFound = static_cast<long>(0xC0000135);
// The launcher is not the main program: the runner must not write the main program's profile,
// which the program tests, running beside these, read and write under a lock of their own.
constexpr WelcomeDialog kLeaveProgramProfile = WelcomeDialog::AsProfileSays;

// A folder of the test's own holding a copy of the launcher and, when asked, the library double.
class LauncherFolder {
public:
    explicit LauncherFolder(bool withLibrary) : m_dir(L"runprep")
    {
        m_copied = CopyFileW((BinFolder() + L"Runprep.exe").c_str(), Launcher().c_str(), TRUE) &&
                   (!withLibrary || CopyFileW((BinFolder() + L"runprep_dsetup\\dsetup.dll").c_str(),
                                              m_dir.File(L"dsetup.dll").c_str(), TRUE));
        SetEnvironmentVariableW(L"CARROWFOLD_DSETUP_RECORD", Record().c_str());
    }
    ~LauncherFolder() { SetEnvironmentVariableW(L"CARROWFOLD_DSETUP_RECORD", nullptr); }

    bool Copied() const { return m_copied; }
    std::wstring Launcher() const { return m_dir.File(L"Runprep.exe"); }
    std::wstring Record() const { return m_dir.File(L"record.txt"); }

private:
    fixtures::TempDir m_dir;
    bool m_copied = false;
};

// A visible top-level window of any process whose title names the launcher or the library: what a
// loader's error box would show.
bool LoaderBoxShown()
{
    bool found = false;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            const std::wstring title = WindowTitle(hwnd);
            if (IsWindowVisible(hwnd) &&
                (title.find(L"Runprep") != std::wstring::npos || title.find(L"dsetup") != std::wstring::npos)) {
                *reinterpret_cast<bool*>(param) = true;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

TEST(Runprep, RunsTheCoreSetUpOnceWithoutAWindowAndExitsWithZeroWhateverItReports)
{
    const int statuses[] = {0, 1, -1, -9, INT_MIN, INT_MAX};
    for (const int status : statuses) {
        SCOPED_TRACE("the library returns " + std::to_string(status));
        LauncherFolder folder(true);
        ASSERT_TRUE(folder.Copied());
        SetEnvironmentVariableW(L"CARROWFOLD_DSETUP_STATUS", std::to_wstring(status).c_str());

        ProgramRun run(folder.Launcher(), L"", kLeaveProgramProfile);
        ASSERT_TRUE(run.Started());
        EXPECT_EQ(run.WaitForExit(kRunBoundMs), 0);

        const std::vector<std::string> expected = {"window=0x0 path=0x0 flags=0x10000 windows=0 returns=" +
                                                   std::to_string(status)};
        EXPECT_EQ(ReadLines(folder.Record()), expected);
    }
    SetEnvironmentVariableW(L"CARROWFOLD_DSETUP_STATUS", nullptr);
}

TEST(Runprep, DoesNotStartWithoutTheSetUpLibrary)
{
    LauncherFolder folder(false);
    ASSERT_TRUE(folder.Copied());

    ProgramRun run(folder.Launcher(), L"", kLeaveProgramProfile);
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.WaitForExit(kRunBoundMs), kDllNotFound);
    EXPECT_FALSE(LoaderBoxShown());
    EXPECT_EQ(GetFileAttributesW(folder.Record().c_str()), INVALID_FILE_ATTRIBUTES);
}
