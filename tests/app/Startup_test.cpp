// The real program under Wine with the engine test double beside it: start-up, the
// single-instance handshake, the start counter, the engine's initialisation and the update pump.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& text)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::string::npos)
            return i;
    }
    return lines.size();
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteProgramProfile();
        SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_UPDATES", nullptr);
        SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_LOG", nullptr);
        SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_LOAD_RESULT", nullptr);
    }
    void TearDown() override { DeleteProgramProfile(); }
};

TEST_F(Startup, SecondStartHandsOverAndStartCountGuardsAgainstCrashes)
{
    DWORD count = 0;
    {
        ProgramRun first(DoubleFolderProgram());
        ASSERT_TRUE(first.Started());
        const HWND main = first.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(ReadSettingsDword(L"Application Start Count", &count));
        EXPECT_EQ(count, 1u);

        ShowWindow(main, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(main));
        ProgramRun second(DoubleFolderProgram());
        ASSERT_TRUE(second.Started());
        EXPECT_EQ(second.WaitForExit(30000), 0) << "the second start ends at once";
        EXPECT_FALSE(IsIconic(main)) << "the running instance is restored";
        ASSERT_TRUE(ReadSettingsDword(L"Application Start Count", &count));
        EXPECT_EQ(count, 1u) << "a start that hands over does not count";
        first.Kill();  // no clean exit
    }
    {
        ProgramRun run(DoubleFolderProgram());
        ASSERT_NE(run.WaitForMainWindow(), nullptr);
        ASSERT_TRUE(ReadSettingsDword(L"Application Start Count", &count));
        EXPECT_EQ(count, 2u);
        run.Kill();
    }
    ProgramRun third(DoubleFolderProgram());
    const HWND main = third.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(ReadSettingsDword(L"Application Start Count", &count));
    EXPECT_EQ(count, 3u);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(third.WaitForExit(30000), 0);
    ASSERT_TRUE(ReadSettingsDword(L"Application Start Count", &count));
    EXPECT_EQ(count, 0u) << "a clean exit resets the count";
}

TEST_F(Startup, EngineGetsTheMainWindowAndProductVersionAndItsUpdatesReachTheFrame)
{
    const std::wstring log = FreshTempPath(L"carrowfold-double.log");
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_LOG", log.c_str());
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_UPDATES", L"8:0,9:1");
    ProgramRun run(DoubleFolderProgram());
    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    // Code 9 with 1: the mix is modified, and the frame's title carries the mark.
    const std::wstring title = WaitForTitleContaining(main, L" *", 5000);
    EXPECT_NE(title.find(L" *"), std::wstring::npos) << "title: " << std::string(title.begin(), title.end());
    EXPECT_NE(title.find(L"Deckwright"), std::wstring::npos);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(30000), 0);

    const auto lines = ReadLines(log);
    ASSERT_FALSE(lines.empty());
    const std::string expectedInit = "Initialize hwnd=" + std::to_string(reinterpret_cast<UINT_PTR>(main)) +
                                     " attached=0 ms=0x00070006 ls=0x00050004";
    EXPECT_TRUE(Contains(lines, expectedInit)) << "product version words, not the file version";
    EXPECT_TRUE(Contains(lines, "CreateInstance outer=0 iid={79E9B62F-645F-4541-836A-511DF5DA4AE7}"));
    EXPECT_LT(IndexOf(lines, "PopUpdate 8 0"), IndexOf(lines, "PopUpdate 9 1"));
    EXPECT_LT(IndexOf(lines, "PopUpdate 9 1"), lines.size());
    // The close sequence: callback cleared, engine shut down, then the last reference let go.
    const size_t clear = IndexOf(lines, "ClearFileMapperCallback");
    const size_t shutdown = IndexOf(lines, "Shutdown");
    const size_t release = IndexOf(lines, "FinalRelease");
    EXPECT_LT(clear, shutdown);
    EXPECT_LT(shutdown, release);
    EXPECT_LT(release, lines.size());
}

TEST_F(Startup, UndoRedoAndCatalogRefreshReachTheMixManager)
{
    const std::wstring log = FreshTempPath(L"carrowfold-double-mix.log");
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_LOG", log.c_str());
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_UPDATES", L"21:7");
    ProgramRun run(DoubleFolderProgram());
    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    // Commands as the menu and the accelerators send them; the update came from the engine.
    const struct {
        const char* name;
        UINT command;
        const char* logged;
    } cases[] = {
        {"Undo (57643)", 57643, "Undo"},
        {"Redo (57644)", 57644, "Redo"},
        {"update 21 for catalog item 7", 0, "UpdateTracksFromCatalogItem 7"},
    };
    for (const auto& c : cases) {
        if (c.command)
            SendMessageW(main, WM_COMMAND, c.command, 0);
    }
    // The update reaches the mix manager on one of the program's pump ticks.
    for (int i = 0; i < 1000; ++i) {
        const auto seen = ReadLines(log);
        if (std::find(seen.begin(), seen.end(), std::string("UpdateTracksFromCatalogItem 7")) != seen.end())
            break;
        Sleep(10);
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(30000), 0);
    const auto lines = ReadLines(log);
    for (const auto& c : cases)
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), std::string(c.logged)) != lines.end()) << c.name;
    EXPECT_LT(IndexOf(lines, "PopUpdate 21 7"), IndexOf(lines, "UpdateTracksFromCatalogItem 7"));
}

TEST_F(Startup, PlaylistOnTheCommandLineOpensOnceTheEngineExists)
{
    const std::wstring log = FreshTempPath(L"carrowfold-double-open.log");
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_LOG", log.c_str());
    ProgramRun run(DoubleFolderProgram(), L"Z:\\tmp\\named.cfp");
    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_NE(WaitForTitleContaining(main, L"named", 5000).find(L"named"), std::wstring::npos);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(30000), 0);
    const auto lines = ReadLines(log);
    const size_t init = IndexOf(lines, "Initialize");
    const size_t load = IndexOf(lines, "LoadPlaylist Z:\\tmp\\named.cfp append=0");
    EXPECT_LT(init, load) << "opened through the pending path after the engine was ready";
    EXPECT_LT(load, lines.size());
}

TEST_F(Startup, PlaylistTheEngineCannotReadIsReportedAndNotTakenAsTheDocument)
{
    SetEnvironmentVariableW(L"CARROWFOLD_DOUBLE_LOAD_RESULT", L"S_FALSE");
    ProgramRun run(DoubleFolderProgram(), L"Z:\\tmp\\unreadable.cfp");
    const HWND box = WaitForBox(run.ProcessId(), 30000);
    ASSERT_NE(box, nullptr) << "the failed open is reported";
    EXPECT_EQ(WindowTitle(box), L"Deckwright");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    const HWND main = run.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    const std::wstring title = WindowTitle(main);
    EXPECT_EQ(title.find(L"unreadable"), std::wstring::npos) << "the file did not become the document";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(30000), 0);
}

}  // namespace
