// The mix exported through the live play manager to a WAV file and read back by the independent
// tools: ffprobe's format and length, sox's samples against an in-process pull of the same mix and
// against what the stream plays into the sound sink afterwards. A cancelled export leaves no file
// and an older target as it was; refused exports write nothing; the stream returns to its device.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "LiveStream.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/output/PlayerOutputWaveFile.h"
#include "interfaces/IProgressStatus.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

using namespace playmgrtest;
using rendertest::FrameOf;
using rendertest::RenderedMix;
using rendertest::TrackFile;

namespace {

// Three beat-matched tracks, the second written at 48000 Hz: the export resamples it as playback
// does.
const std::vector<TrackFile> kMixedRates = {
    {120, kLow, 44100, false}, {126, kMid, 48000, false}, {100, kHigh, 44100, false}};
constexpr MixExportOptions kWav{1, 1, FALSE};
constexpr DWORD kExportTimeoutMs = 120000;
constexpr LONGLONG kSinkBufferFrames = 4410;

std::string ReadText(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return {};
    std::string text(4096, '\0');
    DWORD read = 0;
    ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    text.resize(read);
    return text;
}

// ffprobe's key=value lines for the file's audio stream.
std::map<std::string, std::string> Probe(const std::wstring& wav, const std::wstring& report)
{
    std::map<std::string, std::string> values;
    if (fixtures::RunUnixTool("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                          "stream=sample_rate,channels,sample_fmt,duration_ts", "-of",
                                          "default=noprint_wrappers=1", "-o", fixtures::UnixPath(report),
                                          fixtures::UnixPath(wav)}) != 0)
        return values;
    std::istringstream lines(ReadText(report));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

// sox's reading of the file as 16-bit stereo; false when sox fails.
bool ReadWithSox(const std::wstring& wav, const std::wstring& copy, std::vector<int16_t>& samples)
{
    if (fixtures::RunUnixTool("sox", {fixtures::UnixPath(wav), "-t", "wav", "-e", "signed-integer", "-b", "16",
                                      fixtures::UnixPath(copy)}) != 0)
        return false;
    uint32_t rate = 0;
    uint16_t channels = 0;
    return fixtures::ReadWav16(copy, samples, rate, channels) && rate == 44100 && channels == 2;
}

// Waits for the task to report completion or an error, then for the tick to give the stream back
// to its device (state 0).
HRESULT WaitForExport(LiveStream& stream, IProgressStatus& progress)
{
    HRESULT completion = S_FALSE;
    for (DWORD waited = 0; waited < kExportTimeoutMs && completion == S_FALSE; waited += 5) {
        Sleep(5);
        completion = progress.GetCompletion();
    }
    for (DWORD waited = 0; waited < 5000 && stream.Manager().GetPlayState() != CPlayManager::kStopped; waited += 10)
        Sleep(10);
    return completion;
}

// Until the writer's thread runs (the stream then counts as playing, as a rebuild sees it).
void WaitUntilWriting(CPlayManager& manager)
{
    for (int waited = 0; waited < 5000 && manager.IsPlaying() != S_OK; ++waited)
        Sleep(1);
}

// Starts an export of the stream's mix to `target`.
HRESULT StartExport(CPlayManager& manager, const std::wstring& target, const MixExportOptions& options,
                    ComPtr<IProgressStatus>& progress)
{
    BSTR path = SysAllocString(target.c_str());
    const HRESULT hr = manager.ExportMix(path, &options, progress.put());
    SysFreeString(path);
    return hr;
}

// The same mix laid out anew and pulled in-process as a file writer pulls it: `exported` holds
// exactly its samples.
void ExpectSameAsPull(const std::vector<TrackFile>& files, int measures, const std::vector<int16_t>& exported,
                      const char* reading)
{
    fixtures::TempDir folder(L"export model");
    RenderedMix model(folder.Path(), files, measures);
    ASSERT_TRUE(model.Ready()) << model.Failure();
    model.Start(0);
    const std::vector<int16_t> pulled = model.PullAll(CPlayerOutputWaveFile::kPieceBytes);
    ASSERT_EQ(exported.size(), pulled.size()) << reading;
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < pulled.size(); ++i)
        if (exported[i] != pulled[i] && differing++ == 0)
            first = i / 2;
    EXPECT_EQ(differing, 0u) << reading << " leaves the in-process pull at frame " << first;
}

class Export : public ::testing::Test {
protected:
    fixtures::TempDir m_folder{L"export"};
};

TEST_F(Export, TheWavFileIsTheMixToTheFrameAsPulledInProcessAndAsPlayed)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "sox and ffprobe are not reachable from this process";
    LiveStream stream(m_folder.Path(), kMixedRates, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    CPlayManager& manager = stream.Manager();
    const std::wstring target = m_folder.File(L"mix.wav");

    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
    ASSERT_TRUE(progress);
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kRecording);
    EXPECT_EQ(WaitForExport(stream, *progress.get()), S_OK) << "the export completed without an error";
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped) << "the tick ended the export state";
    float fraction = 0.0f;
    ASSERT_EQ(progress->GetProgress(&fraction), S_OK);
    EXPECT_EQ(fraction, 1.0f);
    for (const std::wstring& name : mixtest::FolderNames(m_folder.Path()))
        EXPECT_EQ(name.find(L".tmp"), std::wstring::npos) << "the temporary file was left behind";

    const LONGLONG frames = FrameOf(stream.EndTime());
    const std::map<std::string, std::string> probe = Probe(target, m_folder.File(L"probe.txt"));
    EXPECT_EQ(probe.count("sample_rate") ? probe.at("sample_rate") : "", "44100");
    EXPECT_EQ(probe.count("channels") ? probe.at("channels") : "", "2");
    EXPECT_EQ(probe.count("sample_fmt") ? probe.at("sample_fmt") : "", "s16");
    EXPECT_EQ(probe.count("duration_ts") ? probe.at("duration_ts") : "", std::to_string(frames))
        << "the file ends with the mix, to the frame";

    std::vector<int16_t> exported;
    ASSERT_TRUE(ReadWithSox(target, m_folder.File(L"sox.wav"), exported));
    ExpectSameAsPull(kMixedRates, kMeasures, exported, "sox's reading");

    // The stream is back on its device: it plays the same mix into the sink. Wave-out hands our
    // samples to the sink unchanged but for the float conversion of the sink's format, which may
    // round by one step; the capture also lacks up to the sink's buffer at the end (the device is
    // reset once the mix is over).
    bool stopped = false;
    const bool clean = stream.PlayCleanly([&] {
        manager.PlayFromStart();
        stopped = stream.WaitUntilStopped(static_cast<DWORD>(stream.EndTime() / 1000) + 20000);
    });
    ASSERT_TRUE(stopped) << "the mix did not play to its end after the export";
    if (!clean)
        GTEST_SKIP() << "the renderer fell behind the sink in every attempt (machine too loaded)";
    const std::vector<int16_t> captured = WaveOutSamples(outputtest::ReadSink(false));
    const LONGLONG origin = FindOrigin(captured, exported);
    ASSERT_GE(origin, 0) << "the mix is not in the capture";
    ASSERT_GE(static_cast<LONGLONG>(captured.size() / 2), origin + frames - kSinkBufferFrames);
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < exported.size() && static_cast<size_t>(origin) * 2 + i < captured.size(); ++i)
        if (std::abs(captured[static_cast<size_t>(origin) * 2 + i] - exported[i]) > 1 && differing++ == 0)
            first = i / 2;
    EXPECT_EQ(differing, 0u) << "the sink capture leaves the exported file by more than one step at frame " << first;
}

TEST_F(Export, AnExportWaitsForTheTickToGiveTheNextTracksTheirInputs)
{
    // Four tracks of 24 measures: the fourth starts two minutes in, outside the first minute's
    // window of active items and after the track that follows it.
    const std::vector<TrackFile> four = {kThreeTracks[0], kThreeTracks[1], kThreeTracks[2], kThreeTracks[0]};
    constexpr int kLongMeasures = 24;
    LiveStream stream(m_folder.Path(), four, kLongMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    LONGLONG lastStart = 0;
    ASSERT_EQ(stream.Mix().Track(3).GetStartTime(&lastStart), S_OK);
    ASSERT_GT(lastStart, 70000000) << "the last track starts past the first window";
    CPlayManager& manager = stream.Manager();
    const std::wstring target = m_folder.File(L"long.wav");

    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
    float held = 0.0f;
    {
        // The service tick stalls (it waits for the global mix lock) while the writer runs on.
        CLiveAndPendingMixSingleThreadAccess stall;
        Sleep(3000);
        progress->GetProgress(&held);
    }
    const double window = (CPlayManager::kActiveWindow + 1000000.0) / static_cast<double>(stream.EndTime());
    EXPECT_GT(held, 0.0f);
    EXPECT_LT(held, window) << "the writer read past the items the tick had given inputs";
    ASSERT_EQ(WaitForExport(stream, *progress.get()), S_OK);

    std::vector<int16_t> exported;
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(target, exported, rate, channels));
    ExpectSameAsPull(four, kLongMeasures, exported, "the export");
}

// A rebuild while the writer runs (an analysis taken over is enough) either leaves the export's
// range as the writer took it, or, when it moves the mix under the export, fails the export.
TEST_F(Export, ARebuildDuringTheExportKeepsItsRangeOrFailsIt)
{
    LiveStream stream(m_folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    CPlayManager& manager = stream.Manager();
    const std::wstring target = m_folder.File(L"rebuilt.wav");
    const std::vector<std::wstring> before = mixtest::FolderNames(m_folder.Path());
    ComPtr<IProgressStatus> progress;
    {
        // The tick waits: the rebuild comes before the writer has gone far.
        CLiveAndPendingMixSingleThreadAccess lock;
        ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
        WaitUntilWriting(manager);
        // The rebuilt mix has a pause track a third of the way in.
        stream.MixManager().pauseAt = stream.EndTime() / 3;
        manager.UpdateEndPosition();
    }
    ASSERT_EQ(WaitForExport(stream, *progress.get()), S_OK);
    std::vector<int16_t> exported;
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(target, exported, rate, channels));
    ExpectSameAsPull(kThreeTracks, kMeasures, exported, "the export across a rebuild");
    ASSERT_TRUE(DeleteFileW(target.c_str()));
    stream.MixManager().pauseAt = -1;

    {
        CLiveAndPendingMixSingleThreadAccess lock;
        ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
        WaitUntilWriting(manager);
        // The rebuild moved the track under the play position by a second.
        manager.Reposition(1000000, manager.GetMixOutput()->GetCurrentSequence());
    }
    EXPECT_TRUE(FAILED(WaitForExport(stream, *progress.get()))) << "the export fails with an error";
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    EXPECT_EQ(mixtest::FolderNames(m_folder.Path()), before) << "no file";
    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(stream.WaitForPosition(1000000, 20000)) << "the stream plays on its device again";
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
    LiveStream stream(m_folder.Path(), eight, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    for (int i = 1; i < 8; ++i)
        stream.MixManager().unpreparable.push_back(stream.Mix().Track(i).GetTrackIdValue());
    CPlayManager& manager = stream.Manager();
    const std::wstring target = m_folder.File(L"gaps.wav");
    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
    ASSERT_EQ(WaitForExport(stream, *progress.get()), S_OK) << "the export completes";
    std::vector<int16_t> exported;
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(target, exported, rate, channels));
    EXPECT_EQ(static_cast<LONGLONG>(exported.size() / 2), FrameOf(stream.EndTime())) << "the whole mix";
    EXPECT_LE(stream.MixManager().refused.load(), 7) << "each unpreparable item asked for once per refresh";
}

TEST_F(Export, ACancelHalfWayLeavesNoFileAndTheOlderTargetAndTheStreamPlaysAgain)
{
    LiveStream stream(m_folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    CPlayManager& manager = stream.Manager();
    const std::wstring target = m_folder.File(L"older.wav");
    const std::vector<int16_t> older(4410 * 2, 1234);
    ASSERT_TRUE(fixtures::WriteWav16(target, older, 44100, 2));
    const std::vector<std::wstring> before = mixtest::FolderNames(m_folder.Path());

    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
    float fraction = 0.0f;
    for (DWORD waited = 0; waited < kExportTimeoutMs && fraction < 0.5f; ++waited) {
        Sleep(1);
        progress->GetProgress(&fraction);
    }
    ASSERT_EQ(progress->RequestCancel(), S_OK);
    EXPECT_LT(fraction, 0.75f) << "the cancel came half-way";
    EXPECT_EQ(WaitForExport(stream, *progress.get()), S_OK) << "a cancelled export still completes, without an error";
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);

    EXPECT_EQ(mixtest::FolderNames(m_folder.Path()), before) << "no new or temporary file";
    std::vector<int16_t> samples;
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(target, samples, rate, channels));
    EXPECT_EQ(samples, older) << "the older target is intact";

    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(stream.WaitForPosition(2000000, 20000)) << "the stream plays on its device again";
    EXPECT_EQ(manager.IsPlaying(), S_OK);
    manager.Stop();
}

TEST_F(Export, AStopOrAStartDuringTheExportCancelsIt)
{
    LiveStream stream(m_folder.Path(), kThreeTracks, 2 * kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    CPlayManager& manager = stream.Manager();
    const std::vector<std::wstring> before = mixtest::FolderNames(m_folder.Path());
    // A stopped stream would hand the writer nothing but silence, a started one another part of
    // the mix: either command ends the export instead, and the stream plays on its device.
    struct Case {
        const char* name;
        HRESULT (CPlayManager::*command)();
    };
    const std::vector<Case> cases = {{"Stop", &CPlayManager::Stop}, {"PlayFromStart", &CPlayManager::PlayFromStart}};
    for (const Case& c : cases) {
        ComPtr<IProgressStatus> progress;
        ASSERT_EQ(StartExport(manager, m_folder.File(L"interrupted.wav"), kWav, progress), S_OK) << c.name;
        ASSERT_EQ((manager.*c.command)(), S_OK) << c.name;
        EXPECT_EQ(progress->IsCancelRequested(), S_OK) << c.name;
        EXPECT_EQ(progress->GetCompletion(), S_OK) << c.name << ": the writer has ended";
        float fraction = 0.0f;
        progress->GetProgress(&fraction);
        EXPECT_LT(fraction, 1.0f) << c.name << ": the export ended before its end";
        EXPECT_EQ(mixtest::FolderNames(m_folder.Path()), before) << c.name << ": no file";
        if (manager.GetPlayState() == CPlayManager::kStopped) {
            ASSERT_EQ(manager.PlayFromStart(), S_OK);
        }
        EXPECT_TRUE(stream.WaitForPosition(1000000, 20000)) << c.name << ": the stream plays on its device again";
        manager.Stop();
    }
}

TEST_F(Export, RefusedExportsWriteNothingAndLeaveTheStreamOnItsDevice)
{
    LiveStream stream(m_folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    CPlayManager& manager = stream.Manager();
    const std::wstring target = m_folder.File(L"refused.wav");
    const std::vector<std::wstring> before = mixtest::FolderNames(m_folder.Path());
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
        stream.MixManager().artist = c.artist;
        if (c.performing) {
            ASSERT_EQ(manager.StartPerformance(), S_OK) << c.name;
        }
        ComPtr<IProgressStatus> progress;
        EXPECT_EQ(StartExport(manager, target, c.options, progress), E_FAIL) << c.name;
        EXPECT_FALSE(progress) << c.name;
        EXPECT_EQ(manager.GetPlayState(), c.performing ? CPlayManager::kPerforming : CPlayManager::kStopped) << c.name;
        EXPECT_EQ(mixtest::FolderNames(m_folder.Path()), before) << c.name;
        if (c.performing)
            manager.StopPerformance();
    }
    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(stream.WaitForPosition(1000000, 20000)) << "the stream still plays on its device";
    manager.Stop();
}

TEST_F(Export, AWindowsMediaTypeWithoutFormatsFailsCleanly)
{
    LiveStream stream(m_folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    IPlayer& player = *stream.Player();
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
    CPlayManager& manager = stream.Manager();
    const std::wstring target = m_folder.File(L"mix.wma");
    const std::vector<std::wstring> before = mixtest::FolderNames(m_folder.Path());
    for (const int format : {0, 1}) {
        const MixExportOptions wma{2, format, FALSE};
        ComPtr<IProgressStatus> progress;
        EXPECT_EQ(StartExport(manager, target, wma, progress), E_FAIL) << "format " << format;
        EXPECT_FALSE(progress);
        EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    }
    EXPECT_EQ(mixtest::FolderNames(m_folder.Path()), before) << "no file";
    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(stream.WaitForPosition(1000000, 20000)) << "the stream still plays on its device";
    manager.Stop();
}

}  // namespace
