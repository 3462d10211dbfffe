// The real program with the real engine library beside it: start-up binds and initialises the
// engine (no failure box, so the frame shows), and a close shuts everything down cleanly.
#include "ProgramRun.h"

#include <gtest/gtest.h>

namespace {

TEST(EngineStartup, StartsAndClosesCleanlyWithTheRealEngine)
{
    DeleteProgramProfile();
    ProgramRun run(BuildFolder(L"bin") + L"\\Carrowfold.exe");
    ASSERT_TRUE(run.Started());
    // A failed engine would stop start-up in a message box owned by the hidden frame; the frame
    // shows only after the engine was made and initialised.
    const HWND main = run.WaitForMainWindow(60000);
    ASSERT_NE(main, nullptr);
    EXPECT_NE(WindowTitle(main).find(L"Deckwright"), std::wstring::npos);
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Carrowfold 5 App Mutex");
    EXPECT_NE(mutex, nullptr) << "the engine holds its mutex while the program runs";
    if (mutex)
        CloseHandle(mutex);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(60000), 0) << "exit code 0 within a minute";
    DWORD count = 1;
    EXPECT_TRUE(ReadSettingsDword(L"Application Start Count", &count));
    EXPECT_EQ(count, 0u);
    DeleteProgramProfile();
}

}  // namespace
