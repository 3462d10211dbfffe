// The real program with the real engine: a mix document named on the command line is opened and
// saved with Ctrl+S (real key input); started again on that file it saves the same bytes. A
// damaged document, or one whose music file is missing, is reported, the program starts untitled
// and the file stays as it was.
//
// Opening the document makes its click files catalog items, whose analysis runs in the
// background; an analysis taken over changes what is saved. Two saves are compared only when no
// analysis was stored while they were made (the engine's analysis store kept its time).
#include "ProgramCatalog.h"
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/mix/MixDocument.h"
#include "engine/core/server/EngineFolders.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "engine/playback/effects/MixGlobals.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/support/TempDir.h"

namespace {

constexpr double kSeconds = 24.0;
constexpr DWORD kProgramMs = 60000;
const wchar_t* const kClickFiles[] = {L"click120.wav", L"click126.wav"};

class DocumentRoundTrip : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteProgramProfile();
        ASSERT_TRUE(mixtest::WriteTwoClickDocument(m_folder.Path(), DocumentPath(), kSeconds));
    }
    void TearDown() override
    {
        ForgetClickFiles();
        DeleteProgramProfile();
    }

    std::wstring DocumentPath() const { return m_folder.File(L"two clicks.cfp"); }
    static std::wstring Program() { return BuildFolder(L"bin") + L"\\Carrowfold.exe"; }

    // The click files leave the catalog again, their analysis with them.
    void ForgetClickFiles()
    {
        std::vector<std::wstring> paths;
        for (const wchar_t* name : kClickFiles)
            paths.push_back(m_folder.File(name));
        ForgetCatalogFiles(paths);
    }

    // Starts the program on the document, saves it with Ctrl+S and closes the program.
    void OpenAndSave(const char* name)
    {
        SCOPED_TRACE(name);
        const FILETIME before = LastWrite(DocumentPath());
        ProgramRun run(Program(), L"\"" + DocumentPath() + L"\"");
        ASSERT_TRUE(run.Started());
        const HWND main = run.WaitForMainWindow(kProgramMs);
        ASSERT_NE(main, nullptr) << "no main window (a box reported a failure?)";
        ASSERT_NE(WaitForTitleContaining(main, L"two clicks", kProgramMs).find(L"two clicks"), std::wstring::npos)
            << "the document was not opened";
        PressCtrlKey(main, 'S');
        EXPECT_TRUE(WaitForWrite(DocumentPath(), before, kProgramMs)) << "Ctrl+S wrote nothing";
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(run.WaitForExit(kProgramMs), 0) << "the program did not close cleanly";
    }

    fixtures::TempDir m_folder{L"program document"};
};

TEST_F(DocumentRoundTrip, SavedDocumentOpenedAgainSavesTheSameBytes)
{
    const std::vector<BYTE> handMade = mixtest::ReadFileBytes(DocumentPath());
    const std::wstring analyses = static_cast<const wchar_t*>(GetEngineDataFolder()) + std::wstring(L"profiles.dat");
    FILETIME analysesBefore = LastWrite(analyses);
    OpenAndSave("first run");
    std::vector<BYTE> previous = mixtest::ReadFileBytes(DocumentPath());
    ASSERT_FALSE(previous.empty());
    EXPECT_NE(previous, handMade) << "the program saved the laid-out mix, not the hand-made file";
    CTrackInfoContainer tracks;
    CMixGlobals globals;
    CFVR_RECORD record{};
    DWORD version = 0;
    ASSERT_TRUE(ReadMixFile(&record, DocumentPath().c_str(), tracks, globals, nullptr, &version));
    EXPECT_EQ(version, kMixVersionCurrent);
    EXPECT_EQ(tracks.GetCount(), 2);

    bool compared = false;
    for (int run = 2; run <= 4 && !compared; ++run) {
        OpenAndSave(run == 2 ? "second run" : "a later run");
        const std::vector<BYTE> saved = mixtest::ReadFileBytes(DocumentPath());
        const FILETIME analysesAfter = LastWrite(analyses);
        if (SameTime(analysesAfter, analysesBefore)) {
            EXPECT_EQ(saved.size(), previous.size());
            EXPECT_TRUE(saved == previous) << "run " << run << " saved other bytes than the run before it";
            compared = true;
        }
        analysesBefore = analysesAfter;
        previous = saved;
    }
    EXPECT_TRUE(compared) << "the click files' analysis never settled between two runs";
}

TEST_F(DocumentRoundTrip, DamagedDocumentIsReportedAndTheProgramStartsUntitled)
{
    const std::vector<BYTE> whole = mixtest::ReadFileBytes(DocumentPath());
    const std::wstring damaged = m_folder.File(L"damaged.cfp");
    mixtest::WriteFileBytes(damaged, std::vector<BYTE>(whole.begin(), whole.begin() + whole.size() / 2));
    const std::vector<BYTE> before = mixtest::ReadFileBytes(damaged);

    ProgramRun run(Program(), L"\"" + damaged + L"\"");
    ASSERT_TRUE(run.Started());
    const HWND box = WaitForBox(run.ProcessId(), kProgramMs);
    ASSERT_NE(box, nullptr) << "the failed open was not reported";
    EXPECT_EQ(BoxMessage(box), L"Failed to open document.");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    const HWND main = run.WaitForMainWindow(kProgramMs);
    ASSERT_NE(main, nullptr);
    const std::wstring title = WindowTitle(main);
    EXPECT_EQ(title.find(L"damaged"), std::wstring::npos) << "the damaged file became the document";
    EXPECT_NE(title.find(L"Untitled"), std::wstring::npos) << std::string(title.begin(), title.end());
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(kProgramMs), 0);
    EXPECT_TRUE(mixtest::ReadFileBytes(damaged) == before) << "the damaged file was changed";
    EXPECT_EQ(mixtest::FolderNames(m_folder.Path()),
              (std::vector<std::wstring>{L"click120.wav", L"click126.wav", L"damaged.cfp", L"two clicks.cfp"}))
        << "a file was left beside the document";
}

TEST_F(DocumentRoundTrip, ADocumentWithAMissingFileIsReportedAndNotSavedOver)
{
    ASSERT_TRUE(DeleteFileW(m_folder.File(L"click126.wav").c_str()));
    const std::vector<BYTE> before = mixtest::ReadFileBytes(DocumentPath());

    ProgramRun run(Program(), L"\"" + DocumentPath() + L"\"");
    ASSERT_TRUE(run.Started());
    const HWND box = WaitForBox(run.ProcessId(), kProgramMs);
    ASSERT_NE(box, nullptr) << "the track left out was not reported";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    const HWND main = run.WaitForMainWindow(kProgramMs);
    ASSERT_NE(main, nullptr);
    const std::wstring title = WindowTitle(main);
    EXPECT_EQ(title.find(L"two clicks"), std::wstring::npos) << "a save would write the document with a track less";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(kProgramMs), 0);
    EXPECT_TRUE(mixtest::ReadFileBytes(DocumentPath()) == before) << "the document was changed";
}

}  // namespace
