// The real program with the real engine opens playlists of file names as players write them (an
// M3U in the ANSI code page and an M3U8 in UTF-8: CR LF, information lines, paths relative to the
// list with either separator, a file name with an accent, no line end after the last entry).
// Checked from outside: the window title and the status bar as the user sees them, the files on
// disk, and the documents the program saves read back by the engine's document reader.
//
// The list's files become catalog items whose analysis runs in the background; the mix takes each
// item's analysis over when it arrives. That take-over is no edit: it leaves the " *" of the title
// as it found it.
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
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"

namespace {

constexpr DWORD kProgramMs = 60000;
constexpr DWORD kAnalysisMs = 240000;
constexpr UINT kAppendPlaylistCommand = 141;
constexpr wchar_t kListTitle[] = L"clicks playlist";
constexpr wchar_t kAnalysing[] = L"Calculating BPM";
constexpr wchar_t kAnalysisDone[] = L"BPM Calculation and Plot Creation is complete";
constexpr wchar_t kOpenFailed[] = L"Failed to open document.";

struct ClickFile {
    double bpm;
    const wchar_t* path;   // in the test's folder
    const wchar_t* entry;  // as the list names it
};
const ClickFile kListed[] = {{120.0, L"clicks\\a120.wav", L"clicks\\a120.wav"},
                             {126.0, L"clicks\\b126.wav", L"clicks/b126.wav"},
                             {100.0, L"clicks\\c100 caf\u00e9.wav", L"clicks\\c100 caf\u00e9.wav"}};
const ClickFile kAppended = {110.0, L"clicks\\d110.wav", L"clicks\\d110.wav"};

// The list of the files, entries relative to the list as written.
std::vector<BYTE> ListBytes(const std::vector<ClickFile>& files, UINT codePage)
{
    std::vector<mixtest::ListEntry> entries;
    for (const ClickFile& file : files)
        entries.push_back({L"Clicks - " + std::to_wstring(static_cast<int>(file.bpm)), file.entry});
    return mixtest::ExtendedM3u(entries, codePage);
}

// Waits until the analysis the program started has ended: its progress was shown, then the
// completion stayed in the status bar for a while (the mix takes each result over on the update
// that follows it). False on time-out.
bool WaitForAnalysis(HWND main)
{
    bool analysing = false;
    DWORD doneSince = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kAnalysisMs) {
        const std::wstring text = StatusText(main);
        const DWORD now = GetTickCount();
        if (text.find(kAnalysing) == 0) {
            analysing = true;
            doneSince = 0;
        } else if (text == kAnalysisDone) {
            if (!doneSince)
                doneSince = now;
            // Without the progress seen (an analysis quicker than the polling), a longer calm.
            if (now - doneSince > (analysing ? 1500u : 10000u))
                return true;
        }
        Sleep(5);
    }
    return false;
}

bool EndsMarkedModified(const std::wstring& title)
{
    return title.find(L" *") != std::wstring::npos;
}

class PlaylistOfFileNames : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteProgramProfile();
        CreateDirectoryW(m_folder.File(L"clicks").c_str(), nullptr);
        for (const ClickFile& file : kListed)
            m_files.push_back(m_folder.File(file.path));
        m_files.push_back(m_folder.File(kAppended.path));
    }
    // (Re)writes the click files. The catalog keeps each file's analysis under the file's
    // identity for good: a hum of a pitch never used before makes files that are analysed, and
    // taken over, afresh.
    bool WriteClickFiles()
    {
        static unsigned written = 0;
        const double hum = 50.0 + (GetCurrentProcessId() % 1000) * 0.1 + (GetTickCount() % 1000) * 0.0001 + written++;
        std::vector<ClickFile> files(std::begin(kListed), std::end(kListed));
        files.push_back(kAppended);
        for (size_t i = 0; i < files.size(); ++i) {
            std::vector<int16_t> samples = fixtures::ClickTrack(files[i].bpm, 30.0, 44100, 2);
            fixtures::AddTone(samples, hum + files[i].bpm, 44100, 2, 0.003);
            if (!fixtures::WriteWav16(m_files[i], samples, 44100, 2))
                return false;
        }
        return true;
    }
    void TearDown() override
    {
        ForgetCatalogFiles(m_files);
        DeleteProgramProfile();
    }

    static std::wstring Program() { return BuildFolder(L"bin") + L"\\Carrowfold.exe"; }

    // Ctrl+S in a mix that has no document path: the save dialog comes and takes `name` (no
    // extension: the dialog adds the mix document's). The saved document's path.
    std::wstring SaveAsNewDocument(ProgramRun& run, HWND main, const wchar_t* name)
    {
        PressCtrlKey(main, 'S');
        const HWND dialog = WaitForBox(run.ProcessId(), kProgramMs);
        EXPECT_NE(dialog, nullptr) << "no save dialog";
        if (!dialog)
            return L"";
        EXPECT_EQ(WindowTitle(dialog).find(L"Save"), 0u) << "the save dialog, not a failure box";
        const std::wstring saved = m_folder.File(std::wstring(name) + L".cfp");
        const FILETIME before = LastWrite(saved);
        EXPECT_TRUE(ChooseInFileDialog(dialog, m_folder.File(name)));
        EXPECT_TRUE(WaitForWrite(saved, before, kProgramMs)) << "nothing saved as a mix document";
        return saved;
    }

    // The document's tracks: the listed files in order, each with the analysis of its own file
    // taken over.
    void ExpectAnalysedTracks(const std::wstring& document, const std::vector<ClickFile>& files)
    {
        CTrackInfoContainer tracks;
        CMixGlobals globals;
        CFVR_RECORD record{};
        DWORD version = 0;
        ASSERT_TRUE(ReadMixFile(&record, document.c_str(), tracks, globals, nullptr, &version));
        EXPECT_EQ(version, kMixVersionCurrent);
        ASSERT_EQ(tracks.GetCount(), static_cast<int>(files.size()));
        for (int i = 0; i < tracks.GetCount(); ++i) {
            CTrackInfo* track = tracks.GetAt(i);
            EXPECT_EQ(lstrcmpiW(track->GetFilePath(), m_folder.File(files[static_cast<size_t>(i)].path).c_str()), 0)
                << "track " << i;
            // A new track mixes by standard mixing; the analysis, taken over, lays its mix points
            // for beat mixing (the catalog's default).
            EXPECT_EQ(track->IsBeatMixed(), S_OK) << "track " << i << " has not taken its analysis over";
            // (How close the tempo found in a click track comes is the analysis's concern.)
            EXPECT_GT(track->GetBpm(), 0.0f) << "track " << i << " has no tempo";
        }
    }

    void CloseProgram(ProgramRun& run, HWND main)
    {
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(run.WaitForExit(kProgramMs), 0) << "the program did not close cleanly";
    }

    fixtures::TempDir m_folder{L"program playlist"};
    std::vector<std::wstring> m_files;
};

TEST_F(PlaylistOfFileNames, OpensInOrderTakesTheAnalysisOverAndSavesOnlyAsAMixDocument)
{
    struct Case {
        const wchar_t* list;
        UINT codePage;
    };
    for (const Case& c : {Case{L"clicks playlist.m3u", CP_ACP}, Case{L"clicks playlist.m3u8", CP_UTF8}}) {
        SCOPED_TRACE(testing::Message() << std::string(c.list, c.list + wcslen(c.list)));
        ASSERT_TRUE(WriteClickFiles());
        const std::vector<ClickFile> files(std::begin(kListed), std::end(kListed));
        const std::wstring list = m_folder.File(c.list);
        const std::vector<BYTE> listBytes = ListBytes(files, c.codePage);
        mixtest::WriteFileBytes(list, listBytes);
        const std::wstring saved = m_folder.File(L"saved.cfp");
        DeleteFileW(saved.c_str());
        {
            ProgramRun run(Program(), L"\"" + list + L"\"");
            ASSERT_TRUE(run.Started());
            const HWND main = run.WaitForMainWindow(kProgramMs);
            ASSERT_NE(main, nullptr) << "no main window (a box reported a failure?)";
            const std::wstring title = WaitForTitleContaining(main, kListTitle, kProgramMs);
            ASSERT_NE(title.find(kListTitle), std::wstring::npos) << "the list was not opened under its title";
            EXPECT_FALSE(EndsMarkedModified(title));

            ASSERT_TRUE(WaitForAnalysis(main))
                << "the analysis never ended; status: " << testing::PrintToString(StatusText(main));
            EXPECT_FALSE(EndsMarkedModified(WindowTitle(main))) << "the take-over marked the mix modified";

            // The list is no place to save a mix to: Ctrl+S asks for a mix document's name.
            ASSERT_EQ(SaveAsNewDocument(run, main, L"saved"), saved);
            EXPECT_EQ(mixtest::ReadFileBytes(list), listBytes) << "the list was written to";
            CloseProgram(run, main);
        }
        EXPECT_EQ(mixtest::ReadFileBytes(list), listBytes);
        ExpectAnalysedTracks(saved, files);

        // Opened again and saved with Ctrl+S (now to its own path): the same bytes.
        const std::vector<BYTE> first = mixtest::ReadFileBytes(saved);
        {
            const FILETIME before = LastWrite(saved);
            ProgramRun run(Program(), L"\"" + saved + L"\"");
            ASSERT_TRUE(run.Started());
            const HWND main = run.WaitForMainWindow(kProgramMs);
            ASSERT_NE(main, nullptr);
            ASSERT_NE(WaitForTitleContaining(main, L"saved", kProgramMs).find(L"saved"), std::wstring::npos);
            PressCtrlKey(main, 'S');
            EXPECT_TRUE(WaitForWrite(saved, before, kProgramMs)) << "Ctrl+S wrote nothing";
            CloseProgram(run, main);
        }
        EXPECT_TRUE(mixtest::ReadFileBytes(saved) == first) << "the reopened document saved other bytes";
        ForgetCatalogFiles(m_files);
    }
}

TEST_F(PlaylistOfFileNames, ATakeOverKeepsTheMarkOfAnEditMadeBeforeIt)
{
    ASSERT_TRUE(WriteClickFiles());
    const std::vector<ClickFile> files(std::begin(kListed), std::end(kListed));
    const std::wstring list = m_folder.File(L"clicks playlist.m3u");
    mixtest::WriteFileBytes(list, ListBytes(files, CP_ACP));
    const std::wstring more = m_folder.File(L"more.m3u");
    mixtest::WriteFileBytes(more, ListBytes({kAppended}, CP_ACP));

    ProgramRun run(Program(), L"\"" + list + L"\"");
    ASSERT_TRUE(run.Started());
    const HWND main = run.WaitForMainWindow(kProgramMs);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(WaitForTitleContaining(main, kListTitle, kProgramMs).find(kListTitle), std::wstring::npos);

    // The edit: a list appended. Its file joins the catalog with it, so its analysis, and the
    // take-over of it, can only come after.
    PostMessageW(main, WM_COMMAND, kAppendPlaylistCommand, 0);
    const HWND dialog = WaitForBox(run.ProcessId(), kProgramMs);
    ASSERT_NE(dialog, nullptr) << "no append dialog";
    ASSERT_TRUE(ChooseInFileDialog(dialog, more));
    ASSERT_TRUE(EndsMarkedModified(WaitForTitleContaining(main, L" *", kProgramMs))) << "the append is an edit";

    ASSERT_TRUE(WaitForAnalysis(main)) << "the analysis never ended";
    EXPECT_TRUE(EndsMarkedModified(WindowTitle(main))) << "a take-over cleared the mark of the edit";

    std::vector<ClickFile> all = files;
    all.push_back(kAppended);
    const std::wstring edited = SaveAsNewDocument(run, main, L"edited");
    ExpectAnalysedTracks(edited, all);
    EXPECT_FALSE(EndsMarkedModified(WaitForTitleContaining(main, L"edited", kProgramMs))) << "saved";
    CloseProgram(run, main);
}

TEST_F(PlaylistOfFileNames, BadListsAreReportedAndChangeNothing)
{
    ASSERT_TRUE(WriteClickFiles());
    const std::wstring good = m_folder.File(L"clicks playlist.m3u");
    mixtest::WriteFileBytes(good, ListBytes({std::begin(kListed), std::end(kListed)}, CP_ACP));
    mixtest::WriteFileBytes(m_folder.File(L"locked.m3u"), ListBytes({kAppended}, CP_ACP));
    mixtest::WriteFileBytes(m_folder.File(L"binary.m3u"), mixtest::ReadFileBytes(m_files[0]));
    mixtest::WriteFileBytes(m_folder.File(L"empty.m3u8"), {});
    const std::string missing = "#EXTM3U\r\nnot here.wav\r\nclicks\\gone.wav\r\nC:\\nowhere\\x.wav";
    mixtest::WriteFileBytes(m_folder.File(L"missing.m3u"), std::vector<BYTE>(missing.begin(), missing.end()));
    const std::vector<const wchar_t*> bad = {L"locked.m3u", L"binary.m3u", L"empty.m3u8", L"missing.m3u"};
    std::vector<std::vector<BYTE>> badBytes;
    for (const wchar_t* name : bad)
        badBytes.push_back(mixtest::ReadFileBytes(m_folder.File(name)));
    // Held open by the test without sharing: the program cannot read it.
    HANDLE locked =
        CreateFileW(m_folder.File(L"locked.m3u").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    // The engine writes the last mix at every change of the mix it keeps.
    const std::wstring lastMix =
        static_cast<const wchar_t*>(GetEngineDataFolder()) + std::wstring(L"defaultplaylist.cfp");

    // Named on the command line: reported, and the program starts with an empty mix under no name.
    for (const wchar_t* name : bad) {
        SCOPED_TRACE(testing::Message() << std::string(name, name + wcslen(name)));
        const FILETIME lastMixBefore = LastWrite(lastMix);
        ProgramRun run(Program(), L"\"" + m_folder.File(name) + L"\"");
        ASSERT_TRUE(run.Started());
        const HWND box = WaitForBox(run.ProcessId(), kProgramMs);
        ASSERT_NE(box, nullptr) << "the failed open was not reported";
        EXPECT_EQ(BoxMessage(box), kOpenFailed);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        const HWND main = run.WaitForMainWindow(kProgramMs);
        ASSERT_NE(main, nullptr);
        const std::wstring title = WaitForTitleContaining(main, L"Untitled", kProgramMs);
        EXPECT_NE(title.find(L"Untitled"), std::wstring::npos);
        EXPECT_FALSE(EndsMarkedModified(title));
        EXPECT_TRUE(SameTime(LastWrite(lastMix), lastMixBefore)) << "the mix changed";
        CloseProgram(run, main);
    }

    // Appended to an open mix: reported, and the mix stays as it was (no mark, no last mix written).
    ProgramRun run(Program(), L"\"" + good + L"\"");
    ASSERT_TRUE(run.Started());
    const HWND main = run.WaitForMainWindow(kProgramMs);
    ASSERT_NE(main, nullptr);
    const std::wstring title = WaitForTitleContaining(main, kListTitle, kProgramMs);
    ASSERT_NE(title.find(kListTitle), std::wstring::npos);
    for (const wchar_t* name : bad) {
        SCOPED_TRACE(testing::Message() << "appended " << std::string(name, name + wcslen(name)));
        const FILETIME lastMixBefore = LastWrite(lastMix);
        PostMessageW(main, WM_COMMAND, kAppendPlaylistCommand, 0);
        const HWND dialog = WaitForBox(run.ProcessId(), kProgramMs);
        ASSERT_NE(dialog, nullptr) << "no append dialog";
        ASSERT_TRUE(ChooseInFileDialog(dialog, m_folder.File(name)));
        // The file dialog closes, then the message box comes.
        HWND box = nullptr;
        for (DWORD waited = 0; waited < kProgramMs && !box; waited += 50) {
            box = WaitForBox(run.ProcessId(), 50);
            if (box && BoxMessage(box) != kOpenFailed)
                box = nullptr;
        }
        ASSERT_NE(box, nullptr) << "the failed append was not reported";
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        for (DWORD waited = 0; waited < kProgramMs && WaitForBox(run.ProcessId(), 0); waited += 50)
            Sleep(50);
        EXPECT_EQ(WindowTitle(main), title) << "the mix was marked modified";
        EXPECT_TRUE(SameTime(LastWrite(lastMix), lastMixBefore)) << "the mix changed";
    }
    CloseProgram(run, main);
    CloseHandle(locked);
    for (size_t i = 0; i < bad.size(); ++i)
        EXPECT_EQ(mixtest::ReadFileBytes(m_folder.File(bad[i])), badBytes[i]) << "list " << i << " was written to";
}

}  // namespace
