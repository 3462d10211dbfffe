// The mix exported through the live play manager to a WAV file: the writer waits for the tick to
// give the next tracks their inputs, a rebuild keeps the export's range or fails it, unpreparable
// tracks never hold it, a cancelled export leaves no file and an older target as it was, refused
// exports write nothing, and the stream returns to its device.
#include <gtest/gtest.h>

#include "ExportRun.h"
#include "StreamTest.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/support/WavWriter.h"

using namespace playmgrtest;
using rendertest::FrameOf;
using rendertest::TrackFile;

namespace {

class Export : public StreamTest {};

TEST_F(Export, AnExportWaitsForTheTickToGiveTheNextTracksTheirInputs)
{
    // Four tracks of 24 measures: the fourth starts two minutes in, outside the first minute's
    // window of active items and after the track that follows it.
    const std::vector<TrackFile> four = {kThreeTracks[0], kThreeTracks[1], kThreeTracks[2], kThreeTracks[0]};
    constexpr int kLongMeasures = 24;
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut, four, kLongMeasures));
    LONGLONG lastStart = 0;
    ASSERT_EQ(Stream().Mix().Track(3).GetStartTime(&lastStart), S_OK);
    ASSERT_GT(lastStart, 70000000) << "the last track starts past the first window";
    CPlayManager& manager = Manager();
    const std::wstring target = Folder().File(L"long.wav");

    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
    float held = 0.0f;
    {
        // The service tick stalls (it waits for the global mix lock) while the writer runs on.
        CLiveAndPendingMixSingleThreadAccess stall;
        Sleep(3000);
        progress->GetProgress(&held);
    }
    const double window = (CPlayManager::kActiveWindow + 1000000.0) / static_cast<double>(Stream().EndTime());
    EXPECT_GT(held, 0.0f);
    EXPECT_LT(held, window) << "the writer read past the items the tick had given inputs";
    std::vector<int16_t> exported;
    ASSERT_NO_FATAL_FAILURE(FinishAndRead(Stream(), *progress.get(), target, exported));
    ExpectSameAsPull(four, kLongMeasures, exported, "the export");
}

// A rebuild while the writer runs (an analysis taken over is enough) either leaves the export's
// range as the writer took it, or, when it moves the mix under the export, fails the export.
TEST_F(Export, ARebuildDuringTheExportKeepsItsRangeOrFailsIt)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    CPlayManager& manager = Manager();
    const std::wstring target = Folder().File(L"rebuilt.wav");
    const std::vector<std::wstring> before = mixtest::FolderNames(Folder().Path());
    ComPtr<IProgressStatus> progress;
    {
        // The tick waits: the rebuild comes before the writer has gone far.
        CLiveAndPendingMixSingleThreadAccess lock;
        ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
        WaitUntilWriting(manager);
        // The rebuilt mix has a pause track a third of the way in.
        Stream().MixManager().pauseAt = Stream().EndTime() / 3;
        manager.UpdateEndPosition();
    }
    std::vector<int16_t> exported;
    ASSERT_NO_FATAL_FAILURE(FinishAndRead(Stream(), *progress.get(), target, exported));
    ExpectSameAsPull(kThreeTracks, kMeasures, exported, "the export across a rebuild");
    ASSERT_TRUE(DeleteFileW(target.c_str()));
    Stream().MixManager().pauseAt = -1;

    {
        CLiveAndPendingMixSingleThreadAccess lock;
        ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
        WaitUntilWriting(manager);
        // The rebuild moved the track under the play position by a second.
        manager.Reposition(1000000, manager.GetMixOutput()->GetCurrentSequence());
    }
    EXPECT_TRUE(FAILED(WaitForExport(Stream(), *progress.get()))) << "the export fails with an error";
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    EXPECT_EQ(mixtest::FolderNames(Folder().Path()), before) << "no file";
    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(Stream().WaitForPosition(1000000, 20000)) << "the stream plays on its device again";
    manager.Stop();
}

// Items the mix manager cannot prepare (their files unreadable) are heard as silence: the writer
// never waits for them, and the tick does not ask for them again and again.
TEST_F(Export, TracksThatCannotBePreparedNeverHoldTheExport)
{
    // Eight tracks, all but the first unpreparable: whenever the tick tries the earliest of them,
    // a later one still lies ahead of the writer.
    std::vector<TrackFile> eight;
    for (int i = 0; i < 8; ++i)
        eight.push_back(kThreeTracks[static_cast<size_t>(i % 3)]);
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut, eight, kMeasures));
    for (int i = 1; i < 8; ++i)
        Stream().MixManager().unpreparable.push_back(Stream().Mix().Track(i).GetTrackIdValue());
    CPlayManager& manager = Manager();
    const std::wstring target = Folder().File(L"gaps.wav");
    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
    std::vector<int16_t> exported;
    ASSERT_NO_FATAL_FAILURE(FinishAndRead(Stream(), *progress.get(), target, exported));
    EXPECT_EQ(static_cast<LONGLONG>(exported.size() / 2), FrameOf(Stream().EndTime())) << "the whole mix";
    EXPECT_LE(Stream().MixManager().refused.load(), 7) << "each unpreparable item asked for once per refresh";
}

TEST_F(Export, ACancelHalfWayLeavesNoFileAndTheOlderTargetAndTheStreamPlaysAgain)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    CPlayManager& manager = Manager();
    const std::wstring target = Folder().File(L"older.wav");
    const std::vector<int16_t> older(4410 * 2, 1234);
    ASSERT_TRUE(fixtures::WriteWav16(target, older, 44100, 2));
    const std::vector<std::wstring> before = mixtest::FolderNames(Folder().Path());

    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
    float fraction = 0.0f;
    for (DWORD waited = 0; waited < kExportTimeoutMs && fraction < 0.5f; ++waited) {
        Sleep(1);
        progress->GetProgress(&fraction);
    }
    ASSERT_EQ(progress->RequestCancel(), S_OK);
    EXPECT_LT(fraction, 0.75f) << "the cancel came half-way";
    EXPECT_EQ(WaitForExport(Stream(), *progress.get()), S_OK) << "a cancelled export still completes, without an error";
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);

    EXPECT_EQ(mixtest::FolderNames(Folder().Path()), before) << "no new or temporary file";
    std::vector<int16_t> samples;
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(target, samples, rate, channels));
    EXPECT_EQ(samples, older) << "the older target is intact";

    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(Stream().WaitForPosition(2000000, 20000)) << "the stream plays on its device again";
    EXPECT_EQ(manager.IsPlaying(), S_OK);
    manager.Stop();
}

TEST_F(Export, AStopOrAStartDuringTheExportCancelsIt)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut, kThreeTracks, 2 * kMeasures));
    CPlayManager& manager = Manager();
    const std::vector<std::wstring> before = mixtest::FolderNames(Folder().Path());
    // A stopped stream would hand the writer nothing but silence, a started one another part of
    // the mix: either command ends the export instead, and the stream plays on its device.
    struct Case {
        const char* name;
        HRESULT (CPlayManager::*command)();
    };
    const std::vector<Case> cases = {{"Stop", &CPlayManager::Stop}, {"PlayFromStart", &CPlayManager::PlayFromStart}};
    for (const Case& c : cases) {
        ComPtr<IProgressStatus> progress;
        ASSERT_EQ(StartExport(manager, Folder().File(L"interrupted.wav"), kWav, progress), S_OK) << c.name;
        ASSERT_EQ((manager.*c.command)(), S_OK) << c.name;
        EXPECT_EQ(progress->IsCancelRequested(), S_OK) << c.name;
        EXPECT_EQ(progress->GetCompletion(), S_OK) << c.name << ": the writer has ended";
        float fraction = 0.0f;
        progress->GetProgress(&fraction);
        EXPECT_LT(fraction, 1.0f) << c.name << ": the export ended before its end";
        EXPECT_EQ(mixtest::FolderNames(Folder().Path()), before) << c.name << ": no file";
        if (manager.GetPlayState() == CPlayManager::kStopped) {
            ASSERT_EQ(manager.PlayFromStart(), S_OK);
        }
        EXPECT_TRUE(Stream().WaitForPosition(1000000, 20000)) << c.name << ": the stream plays on its device again";
        manager.Stop();
    }
}

TEST_F(Export, RefusedExportsWriteNothingAndLeaveTheStreamOnItsDevice)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    CPlayManager& manager = Manager();
    const std::wstring target = Folder().File(L"refused.wav");
    const std::vector<std::wstring> before = mixtest::FolderNames(Folder().Path());
    struct Case {
        const char* name;
        MixExportOptions options;
        bool performing;
        const wchar_t* artist;
    };
    const std::vector<Case> cases = {
        {"while performing", kWav, true, L"Click Generator"},
        {"per-track information with a track without artist", {1, 1, TRUE}, false, L""},
        {"an export type nobody lists", {7, 1, FALSE}, false, L"Click Generator"},
        {"a format the WAV type does not list", {1, 2, FALSE}, false, L"Click Generator"},
    };
    for (const Case& c : cases) {
        Stream().MixManager().artist = c.artist;
        if (c.performing) {
            ASSERT_EQ(manager.StartPerformance(), S_OK) << c.name;
        }
        ComPtr<IProgressStatus> progress;
        EXPECT_EQ(StartExport(manager, target, c.options, progress), E_FAIL) << c.name;
        EXPECT_FALSE(progress) << c.name;
        EXPECT_EQ(manager.GetPlayState(), c.performing ? CPlayManager::kPerforming : CPlayManager::kStopped) << c.name;
        EXPECT_EQ(mixtest::FolderNames(Folder().Path()), before) << c.name;
        if (c.performing)
            manager.StopPerformance();
    }
    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(Stream().WaitForPosition(1000000, 20000)) << "the stream still plays on its device";
    manager.Stop();
}

TEST_F(Export, AWindowsMediaTypeWithoutFormatsFailsCleanly)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    IPlayer& player = *Stream().Player();
    bool listed = false;
    int typeId = 0;
    BSTR name = nullptr;
    BSTR extension = nullptr;
    for (int i = 0; player.GetExportType(i, &typeId, &name, &extension) == S_OK; ++i) {
        listed = listed || typeId == 2;
        SysFreeString(name);
        SysFreeString(extension);
    }
    int formatId = 0;
    int bitRate = 0;
    if (listed && player.GetExportFormat(2, 0, &formatId, &name, &bitRate) == S_OK) {
        SysFreeString(name);
        GTEST_SKIP() << "this platform's Windows Media runtime lists formats";
    }
    CPlayManager& manager = Manager();
    const std::wstring target = Folder().File(L"mix.wma");
    const std::vector<std::wstring> before = mixtest::FolderNames(Folder().Path());
    for (const int format : {0, 1}) {
        const MixExportOptions wma{2, format, FALSE};
        ComPtr<IProgressStatus> progress;
        EXPECT_EQ(StartExport(manager, target, wma, progress), E_FAIL) << "format " << format;
        EXPECT_FALSE(progress);
        EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    }
    EXPECT_EQ(mixtest::FolderNames(Folder().Path()), before) << "no file";
    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(Stream().WaitForPosition(1000000, 20000)) << "the stream still plays on its device";
    manager.Stop();
}

}  // namespace
