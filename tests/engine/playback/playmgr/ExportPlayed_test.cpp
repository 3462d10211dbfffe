// The mix exported through the live play manager to a WAV file and read back by the independent
// tools: ffprobe's format and length, sox's samples against an in-process pull of the same mix and
// against what the stream plays into the sound sink afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "ExportRun.h"
#include "StreamTest.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

using namespace playmgrtest;
using rendertest::FrameOf;
using rendertest::TrackFile;

namespace {

// Three beat-matched tracks, the second written at 48000 Hz: the export resamples it as playback
// does.
const std::vector<TrackFile> kMixedRates = {
    {120, kLow, 44100, false}, {126, kMid, 48000, false}, {100, kHigh, 44100, false}};
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

class ExportPlayed : public StreamTest {};

TEST_F(ExportPlayed, TheWavFileIsTheMixToTheFrameAsPulledInProcessAndAsPlayed)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "sox and ffprobe are not reachable from this process";
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut, kMixedRates));
    LiveStream& stream = Stream();
    CPlayManager& manager = Manager();
    const std::wstring target = Folder().File(L"mix.wav");

    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(StartExport(manager, target, kWav, progress), S_OK);
    ASSERT_TRUE(progress);
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kRecording);
    EXPECT_EQ(WaitForExport(stream, *progress.get()), S_OK) << "the export completed without an error";
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped) << "the tick ended the export state";
    float fraction = 0.0f;
    ASSERT_EQ(progress->GetProgress(&fraction), S_OK);
    EXPECT_EQ(fraction, 1.0f);
    for (const std::wstring& name : mixtest::FolderNames(Folder().Path()))
        EXPECT_EQ(name.find(L".tmp"), std::wstring::npos) << "the temporary file was left behind";

    const LONGLONG frames = FrameOf(stream.EndTime());
    const std::map<std::string, std::string> probe = Probe(target, Folder().File(L"probe.txt"));
    EXPECT_EQ(probe.count("sample_rate") ? probe.at("sample_rate") : "", "44100");
    EXPECT_EQ(probe.count("channels") ? probe.at("channels") : "", "2");
    EXPECT_EQ(probe.count("sample_fmt") ? probe.at("sample_fmt") : "", "s16");
    EXPECT_EQ(probe.count("duration_ts") ? probe.at("duration_ts") : "", std::to_string(frames))
        << "the file ends with the mix, to the frame";

    std::vector<int16_t> exported;
    ASSERT_TRUE(ReadWithSox(target, Folder().File(L"sox.wav"), exported));
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

}  // namespace
