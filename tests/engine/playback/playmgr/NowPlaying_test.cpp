// The now-playing file and the play log, on real files in a folder of the test's own: the template
// filled tag by tag into the destination, the log's lines byte for byte, the settings in the
// profile (read back with reg.exe) and through the play manager, and a live performance that
// hands the record the track under its play position at every ten-second step.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LiveStream.h"
#include "classlib/com/ComPtr.h"
#include "classlib/core/WinApp.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/playback/playmgr/NowPlaying.h"
#include "engine/playback/playmgr/NowPlayingItem.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"
#include "tests/support/TextFiles.h"

namespace {

constexpr wchar_t kAppName[] = L"NowPlayingTests";

using fixtures::FileExists;
using fixtures::ReadFileText;
using fixtures::WriteFileText;

// The catalog item of the playing track. Its sub-item strings stand in for those of a mixed
// Windows Media file: under Wine 8 the runtime reads no sub-item attribute, so a real item never
// has any there.
class ItemDouble : public INowPlayingItem {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    virtual ~ItemDouble() = default;
    void STDMETHODCALLTYPE GetNowPlayingStrings(CString* t, CString* a, CString* b) override
    {
        *t = title.c_str();
        *a = artist.c_str();
        *b = album.c_str();
    }
    HRESULT STDMETHODCALLTYPE GetSubItemStrings(LONGLONG fileTime, CString* t, CString* a, CString* b) override
    {
        askedFileTime = fileTime;
        if (!hasSubItems)
            return E_FAIL;
        *t = subTitle.c_str();
        *a = subArtist.c_str();
        *b = subAlbum.c_str();
        return S_OK;
    }
    std::wstring title = L"Title";
    std::wstring artist = L"Artist";
    std::wstring album = L"Album";
    bool hasSubItems = false;
    std::wstring subTitle;
    std::wstring subArtist;
    std::wstring subAlbum;
    LONGLONG askedFileTime = -1;
};

SYSTEMTIME g_clockTime{};
void TestClock(SYSTEMTIME* utc)
{
    *utc = g_clockTime;
}
SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    return time;
}

constexpr LONGLONG kSecond = 1000000;

class NowPlayingTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_key = L"Carrowfold Now Playing Test " + std::to_wstring(GetCurrentProcessId());
        m_app = std::make_unique<CWinApp>(kAppName);
        m_app->SetRegistryKey(m_key.c_str());
    }
    void TearDown() override
    {
        m_app.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + m_key).c_str());
    }
    // A record over the test's folder: template "template.txt", destination "now.txt", log in
    // "logs", with the test's clock.
    std::unique_ptr<CNowPlaying> Record(BOOL file, BOOL log)
    {
        CreateDirectoryW(Logs().c_str(), nullptr);
        auto record = std::make_unique<CNowPlaying>();
        record->SetSettings(file, Template().c_str(), Destination().c_str(), log, Logs().c_str());
        record->SetClock(TestClock);
        return record;
    }
    std::wstring Template() const { return folder.File(L"template.txt"); }
    std::wstring Destination() const { return folder.File(L"now.txt"); }
    std::wstring Logs() const { return folder.File(L"logs"); }
    std::wstring LogFile(const wchar_t* name) const { return Logs() + L"\\" + name; }
    // The profile's "Settings" as reg.exe lists it.
    std::string QuerySettings()
    {
        std::string output;
        RunProgram(L"reg.exe query \"HKCU\\Software\\" + m_key + L"\\" + kAppName + L"\\Settings\"", &output);
        return output;
    }
    CWinApp& App() { return *m_app; }

    fixtures::TempDir folder{L"nowplaying"};

private:
    std::wstring m_key;
    std::unique_ptr<CWinApp> m_app;
};

const char kAllTags[] = "Now: <CARROWFOLD.CURRENT.TITLE>old title</CARROWFOLD.CURRENT.TITLE>\r\n"
                        "by <CARROWFOLD.CURRENT.ARTIST></CARROWFOLD.CURRENT.ARTIST>"
                        " from <CARROWFOLD.CURRENT.ALBUM>x</CARROWFOLD.CURRENT.ALBUM>\r\n"
                        "at <CARROWFOLD.CURRENT.TIME>--:--:--</CARROWFOLD.CURRENT.TIME>\r\n"
                        "<CARROWFOLD.CURRENT.SUB.TITLE>a</CARROWFOLD.CURRENT.SUB.TITLE>/"
                        "<CARROWFOLD.CURRENT.SUB.ARTIST>b</CARROWFOLD.CURRENT.SUB.ARTIST>/"
                        "<CARROWFOLD.CURRENT.SUB.ALBUM>c</CARROWFOLD.CURRENT.SUB.ALBUM>";

}  // namespace

TEST_F(NowPlayingTest, EveryTagIsFilledAndTheDestinationReplaced)
{
    WriteFileText(Template(), kAllTags);
    WriteFileText(Destination(), "the previous track, a longer text than the new one will be");
    auto record = Record(TRUE, FALSE);
    ItemDouble item;
    item.title = L"Blue Monday";
    item.artist = L"New Order";
    item.album = L"Power";
    item.hasSubItems = true;
    item.subTitle = L"Part One";
    item.subArtist = L"Guest";
    item.subAlbum = L"Live";

    record->WriteNowPlaying(&item, 3723 * kSecond + 999999, 42 * kSecond);

    EXPECT_EQ(ReadFileText(Destination()), "Now: <CARROWFOLD.CURRENT.TITLE>Blue Monday</CARROWFOLD.CURRENT.TITLE>\r\n"
                                           "by <CARROWFOLD.CURRENT.ARTIST>New Order</CARROWFOLD.CURRENT.ARTIST>"
                                           " from <CARROWFOLD.CURRENT.ALBUM>Power</CARROWFOLD.CURRENT.ALBUM>\r\n"
                                           "at <CARROWFOLD.CURRENT.TIME>01:02:03</CARROWFOLD.CURRENT.TIME>\r\n"
                                           "<CARROWFOLD.CURRENT.SUB.TITLE>Part One</CARROWFOLD.CURRENT.SUB.TITLE>/"
                                           "<CARROWFOLD.CURRENT.SUB.ARTIST>Guest</CARROWFOLD.CURRENT.SUB.ARTIST>/"
                                           "<CARROWFOLD.CURRENT.SUB.ALBUM>Live</CARROWFOLD.CURRENT.SUB.ALBUM>");
    EXPECT_EQ(item.askedFileTime, 42 * kSecond) << "the sub-item is looked up at the file position";
    EXPECT_FALSE(FileExists(Destination() + L".new")) << "nothing is left beside the destination";
    EXPECT_EQ(ReadFileText(Template()), kAllTags) << "the template stays as it was";
}

TEST_F(NowPlayingTest, TagsAreReplacedOnlyWhereBothStandInOrder)
{
    const std::string t = "<CARROWFOLD.CURRENT.TITLE>";
    const std::string e = "</CARROWFOLD.CURRENT.TITLE>";
    const std::string s = "<CARROWFOLD.CURRENT.SUB.TITLE>";
    const std::string se = "</CARROWFOLD.CURRENT.SUB.TITLE>";
    const struct {
        const char* name;
        std::string text;
        bool subItems;
        std::string expected;
    } rows[] = {
        {"closing tag missing", "a" + t + "b", false, "a" + t + "b"},
        {"opening tag missing", "a" + e + "b", false, "a" + e + "b"},
        {"closing tag before the opening one", e + "a" + t + "b" + e + "c", false, e + "a" + t + "T" + e + "c"},
        {"closing tag only before the opening one", e + "a" + t + "b", false, e + "a" + t + "b"},
        {"only the first pair", t + "1" + e + t + "2" + e, false, t + "T" + e + t + "2" + e},
        {"empty template", "", false, ""},
        {"no tags", "plain text\r\n", false, "plain text\r\n"},
        {"no sub-items: sub tags stay", s + "x" + se, false, s + "x" + se},
        {"empty sub-item string: its tags stay", s + "x" + se, true, s + "x" + se},
    };
    for (const auto& row : rows) {
        WriteFileText(Template(), row.text);
        auto record = Record(TRUE, FALSE);
        ItemDouble item;
        item.title = L"T";
        item.hasSubItems = row.subItems;
        record->WriteNowPlaying(&item, 0, 0);
        EXPECT_EQ(ReadFileText(Destination()), row.expected) << row.name;
    }
}

TEST_F(NowPlayingTest, ValuesAreWrittenInTheAnsiCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the prefix's ANSI code page is " << GetACP();
    WriteFileText(Template(), "<CARROWFOLD.CURRENT.ARTIST></CARROWFOLD.CURRENT.ARTIST>");
    auto record = Record(TRUE, TRUE);
    ItemDouble item;
    item.artist = L"Bj\u00f6rk";
    record->WriteNowPlaying(&item, 0, 0);
    EXPECT_EQ(ReadFileText(Destination()), "<CARROWFOLD.CURRENT.ARTIST>Bj\xf6rk</CARROWFOLD.CURRENT.ARTIST>");
}

TEST_F(NowPlayingTest, TheLogHasOneLinePerTrackInAMonthlyFile)
{
    auto record = Record(FALSE, TRUE);
    ItemDouble first;
    first.title = L"First";
    first.artist = L"One";
    first.album = L"A";
    ItemDouble second;
    second.title = L"Second";
    second.artist = L"Two";
    second.album = L"";

    // The first entry measures from the cleared time of the engine's start: its elapsed time is
    // the time of day.
    g_clockTime = At(2026, 12, 31, 23, 59, 58);
    record->WriteNowPlaying(&first, 10 * kSecond, 0);
    g_clockTime = At(2026, 12, 31, 23, 59, 59);
    record->WriteNowPlaying(&first, 20 * kSecond, 0);
    g_clockTime = At(2027, 1, 1, 0, 1, 5);
    record->WriteNowPlaying(&second, 10 * kSecond, 0);
    g_clockTime = At(2027, 1, 1, 0, 3, 0);
    record->WriteNowPlaying(&second, 20 * kSecond, 0);

    EXPECT_EQ(ReadFileText(LogFile(L"202612.log")), "First\tOne\tA\t20261231\t235958\t235958\t\r\n");
    EXPECT_EQ(ReadFileText(LogFile(L"202701.log")), "Second\tTwo\t\t20270101\t000105\t000107\t\r\n");

    // A later entry of the same month is appended.
    g_clockTime = At(2027, 1, 1, 1, 0, 0);
    record->WriteNowPlaying(&first, 0, 0);
    EXPECT_EQ(ReadFileText(LogFile(L"202701.log")), "Second\tTwo\t\t20270101\t000105\t000107\t\r\n"
                                                    "First\tOne\tA\t20270101\t010000\t005855\t\r\n");
}

TEST_F(NowPlayingTest, TheLogTakesTheSubItemOfAMixedFile)
{
    auto record = Record(FALSE, TRUE);
    ItemDouble item;
    item.title = L"Whole Mix";
    item.hasSubItems = true;
    item.subTitle = L"Part";
    item.subArtist = L"Guest";
    item.subAlbum = L"Live";
    g_clockTime = At(2027, 3, 4, 5, 6, 7);
    record->WriteNowPlaying(&item, 0, 0);
    EXPECT_EQ(ReadFileText(LogFile(L"202703.log")), "Part\tGuest\tLive\t20270304\t050607\t050607\t\r\n");
}

TEST_F(NowPlayingTest, TheLogIsNamedAfterTheUtcMonth)
{
    auto record = Record(FALSE, TRUE);
    record->SetClock(nullptr);
    SYSTEMTIME before{};
    GetSystemTime(&before);
    ItemDouble item;
    record->WriteNowPlaying(&item, 0, 0);
    SYSTEMTIME after{};
    GetSystemTime(&after);
    const auto name = [](const SYSTEMTIME& t) {
        wchar_t text[16];
        swprintf(text, 16, L"%.4d%.2d.log", t.wYear, t.wMonth);
        return std::wstring(text);
    };
    EXPECT_TRUE(FileExists(LogFile(name(before).c_str())) || FileExists(LogFile(name(after).c_str())));
}

TEST_F(NowPlayingTest, UnwritableFoldersAreSkippedAndTheNextStepTriesAgain)
{
    WriteFileText(Template(), "<CARROWFOLD.CURRENT.TITLE></CARROWFOLD.CURRENT.TITLE>");
    CNowPlaying record;
    record.SetClock(TestClock);
    const std::wstring missing = folder.File(L"missing");
    record.SetSettings(TRUE, Template().c_str(), (missing + L"\\now.txt").c_str(), TRUE, missing.c_str());
    ItemDouble item;
    g_clockTime = At(2027, 2, 1, 0, 0, 0);
    record.WriteNowPlaying(&item, 0, 0);
    EXPECT_FALSE(FileExists(missing));

    // A missing template skips the file but not the log.
    record.SetSettings(TRUE, folder.File(L"no template.txt").c_str(), Destination().c_str(), TRUE,
                       folder.Path().c_str());
    ItemDouble next;
    next.title = L"Next";
    record.WriteNowPlaying(&next, 0, 0);
    EXPECT_FALSE(FileExists(Destination()));
    EXPECT_EQ(ReadFileText(folder.File(L"202702.log")), "Next\tArtist\tAlbum\t20270201\t000000\t000000\t\r\n");

    record.SetSettings(TRUE, Template().c_str(), Destination().c_str(), FALSE, L"");
    record.WriteNowPlaying(&next, 0, 0);
    EXPECT_EQ(ReadFileText(Destination()), "<CARROWFOLD.CURRENT.TITLE>Next</CARROWFOLD.CURRENT.TITLE>");
}

TEST_F(NowPlayingTest, ATrackWhoseLineCouldNotBeWrittenIsLoggedAtTheNextStep)
{
    CNowPlaying record;
    record.SetClock(TestClock);
    const std::wstring later = folder.File(L"later");
    record.SetSettings(FALSE, L"", L"", TRUE, later.c_str());
    ItemDouble item;
    g_clockTime = At(2027, 3, 1, 12, 0, 0);
    record.WriteNowPlaying(&item, 0, 0);
    ASSERT_FALSE(FileExists(later));
    ASSERT_TRUE(CreateDirectoryW(later.c_str(), nullptr));
    g_clockTime = At(2027, 3, 1, 12, 0, 10);
    record.WriteNowPlaying(&item, 0, 0);
    EXPECT_EQ(ReadFileText(later + L"\\202703.log"), "Title\tArtist\tAlbum\t20270301\t120010\t120010\t\r\n")
        << "the same track again, now that its line can be written";
}

TEST_F(NowPlayingTest, SettingsAreStoredAndReadBackAtTheNextStart)
{
    auto record = Record(TRUE, TRUE);
    const std::string stored = QuerySettings();
    const std::string rows[] = {
        "Now Playing File Enabled    REG_DWORD    0x1", "Now Playing Log Enabled    REG_DWORD    0x1",
        "Now Playing Source File    REG_SZ    ",        "Now Playing Destination File    REG_SZ    ",
        "Now Playing Log File Directory    REG_SZ    ",
    };
    for (const std::string& row : rows)
        EXPECT_NE(stored.find(row), std::string::npos) << row << " in:\n" << stored;

    CNowPlaying next;
    BOOL file = FALSE;
    BOOL log = FALSE;
    CString source;
    CString destination;
    CString logs;
    next.GetSettings(&file, &source, &destination, &log, &logs);
    EXPECT_TRUE(file);
    EXPECT_TRUE(log);
    EXPECT_EQ(std::wstring(source.GetString()), Template());
    EXPECT_EQ(std::wstring(destination.GetString()), Destination());
    EXPECT_EQ(std::wstring(logs.GetString()), Logs());

    // Enabled with nothing to write to: the flags are cleared at the next start.
    record->SetSettings(TRUE, L"", Destination().c_str(), TRUE, L"");
    CNowPlaying cleared;
    cleared.GetSettings(&file, &source, &destination, &log, &logs);
    EXPECT_FALSE(file);
    EXPECT_FALSE(log);
    EXPECT_FALSE(cleared.IsEnabled());
    record->SetSettings(TRUE, Template().c_str(), L"", FALSE, Logs().c_str());
    CNowPlaying noDestination;
    EXPECT_FALSE(noDestination.IsEnabled());
}

TEST_F(NowPlayingTest, ThePlayManagerAnswersTheSettings)
{
    class NoEngine : public IUnknown {
    public:
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
        {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        virtual ~NoEngine() = default;
    } engine;
    InnerPtr<CPlayManager> manager;
    manager.reset(new CPlayManager(&engine, 1));
    ASSERT_EQ(manager->SetNowPlayingSettings(TRUE, L"C:\\t.txt", L"C:\\d.txt", FALSE, nullptr), S_OK);
    BOOL file = FALSE;
    BOOL log = TRUE;
    BSTR texts[3] = {};
    ASSERT_EQ(manager->GetNowPlayingSettings(&file, &texts[0], &texts[1], &log, &texts[2]), S_OK);
    EXPECT_TRUE(file);
    EXPECT_FALSE(log);
    EXPECT_STREQ(texts[0], L"C:\\t.txt");
    EXPECT_STREQ(texts[1], L"C:\\d.txt");
    EXPECT_STREQ(texts[2], L"");
    for (BSTR text : texts)
        SysFreeString(text);
    EXPECT_EQ(App().GetProfileString(L"Settings", L"Now Playing Destination File", L"?"), CString(L"C:\\d.txt"));
}

TEST_F(NowPlayingTest, APerformanceLogsTheTrackUnderThePlayPositionAtEveryTenSecondStep)
{
    using namespace playmgrtest;
    // Fourteen measures a track: the tracks change 3.8 s and 8.2 s after a step, so a tick that
    // comes late on a loaded machine still finds the track the step names.
    constexpr int kMeasuresAwayFromSteps = 14;
    fixtures::TempDir mixFolder(L"playmgr");
    LiveStream stream(mixFolder.Path(), kThreeTracks, kMeasuresAwayFromSteps, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    WriteFileText(Template(), "<CARROWFOLD.CURRENT.TITLE></CARROWFOLD.CURRENT.TITLE>");
    CreateDirectoryW(Logs().c_str(), nullptr);
    CPlayManager& manager = stream.Manager();
    ASSERT_EQ(manager.SetNowPlayingSettings(TRUE, Template().c_str(), Destination().c_str(), TRUE, Logs().c_str()),
              S_OK);
    g_clockTime = At(2027, 5, 6, 7, 8, 9);
    manager.GetNowPlaying().SetClock(TestClock);

    // The titles of the tracks the mix manager names at each step ("track<index>", as the
    // generated files are called), each once in a row.
    std::vector<std::string> titles;
    LONGLONG lastStep = 0;
    for (LONGLONG step = CPlayManager::kBucketLength; step < stream.EndTime() - 5 * kSecond;
         step += CPlayManager::kBucketLength) {
        LONG trackId = 0;
        int index = -1;
        ASSERT_TRUE(stream.MixManager().FindTrackAtPosition(step, &trackId, &index));
        // The tick comes a little after the step: no track changes within a second of one.
        LONG later = 0;
        int laterIndex = -1;
        ASSERT_TRUE(stream.MixManager().FindTrackAtPosition(step + kSecond, &later, &laterIndex));
        ASSERT_EQ(laterIndex, index) << "a track changes just after " << step;
        const std::string title = "track" + std::to_string(index);
        if (titles.empty() || titles.back() != title)
            titles.push_back(title);
        lastStep = step;
    }
    ASSERT_EQ(titles.size(), 3u) << "each of the three tracks plays under a step";

    manager.SetHeldPosition(0);
    manager.StartPerformance();
    const bool reached = stream.WaitForPosition(lastStep + kSecond / 2, 60000);
    manager.StopPerformance();
    ASSERT_TRUE(reached);

    std::string expected;
    for (const std::string& title : titles)
        expected += title + "\tClick\t\t20270506\t070809\t" + (expected.empty() ? "070809" : "000000") + "\t\r\n";
    EXPECT_EQ(ReadFileText(LogFile(L"202705.log")), expected);
    EXPECT_EQ(ReadFileText(Destination()),
              "<CARROWFOLD.CURRENT.TITLE>" + titles.back() + "</CARROWFOLD.CURRENT.TITLE>");
}
