// The reader against the platform's Windows Media runtime, on files made by ffmpeg and checked
// against ffmpeg's own decode.
#include "tests/support/Signals.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"
#include "tests/winmedia/WmaFixtures.h"
#include "winmedia/PcmReaderWma.h"

#include <gtest/gtest.h>
#include <mmreg.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

struct EncodeCase {
    const char* name;
    const char* codec;
    unsigned rate;
    unsigned channels;
    const char* bitRate;
};

const EncodeCase kEncodeCases[] = {
    {"wmav2 stereo 44.1k 128k", "wmav2", 44100, 2, "128k"},
    {"wmav1 stereo 44.1k 128k", "wmav1", 44100, 2, "128k"},
    {"wmav2 mono 22.05k 32k", "wmav2", 22050, 1, "32k"},
    {"wmav2 mono 44.1k 64k", "wmav2", 44100, 1, "64k"},
};

// The reader object of the library's core, in-process, with the platform's runtime.
struct CoreReader {
    CoreReader() : object(new CPcmReaderWma()) { object->QueryInterface(IID_IPcmReader, reader.put_void()); }
    CPcmReaderWma* object;
    ComPtr<IPcmReader> reader;
};

class WmaDecode : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fixtures::HaveUnixTools())
            GTEST_SKIP() << "ffmpeg is not reachable from this process";
    }

    // Writes the chirp as a WMA file of the case.
    std::wstring MakeFile(const EncodeCase& c, double seconds, const wchar_t* name = L"case.wma")
    {
        const std::wstring path = dir.File(name);
        EXPECT_TRUE(wmafixtures::Encode(dir, wmafixtures::Chirp(seconds, c.rate, c.channels), c.rate, c.channels,
                                        c.codec, c.bitRate, path));
        return path;
    }

    fixtures::TempDir dir;
};

// Measured under Wine 8 (GStreamer's decoder behind the runtime): the sample count equals
// ffprobe's; the content matches ffmpeg's decode at 84 to 86 dB SNR once aligned. The two
// decoders place the codec's delay differently: against the source, ours lags by one codec
// frame (2048 frames at 44.1 kHz, 1024 at 22.05 kHz) and ffmpeg's leads by one, so the best lag
// between them is two frames of the codec.
TEST_F(WmaDecode, SequentialReadsMatchFfmpegInLengthAndContent)
{
    for (const auto& c : kEncodeCases) {
        SCOPED_TRACE(c.name);
        const std::wstring wma = MakeFile(c, 4.0);
        std::vector<int16_t> reference;
        ASSERT_TRUE(wmafixtures::DecodeWithFfmpeg(dir, wma, reference));

        CoreReader core;
        ASSERT_EQ(fixtures::OpenPcmReader(core.reader.get(), wma), S_OK);
        EXPECT_EQ(core.reader->IsValid(), S_OK);
        WAVEFORMATEX format = {};
        ASSERT_EQ(core.reader->GetFormatInfo(reinterpret_cast<unsigned char*>(&format)), S_OK);
        EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(format.nChannels, c.channels);
        EXPECT_EQ(format.nSamplesPerSec, c.rate);
        EXPECT_EQ(format.wBitsPerSample, 16);
        EXPECT_EQ(format.nBlockAlign, 2 * c.channels);

        LONGLONG count = 0;
        ASSERT_EQ(core.reader->GetSampleCount(&count), S_OK);
        const double probed = wmafixtures::DurationByFfprobe(dir, wma) * c.rate;
        std::printf("[ measured ] %s: sample count %lld, ffprobe %.0f, ffmpeg decode %zu\n", c.name, count, probed,
                    reference.size() / c.channels);
        EXPECT_NEAR(static_cast<double>(count), probed, 3.0);

        const std::vector<int16_t> decoded = wmafixtures::ReadAll(core.reader.get(), 65536);
        ASSERT_FALSE(decoded.empty());
        for (unsigned channel = 0; channel < c.channels; ++channel) {
            const std::vector<double> ours = wmafixtures::Channel(decoded, c.channels, channel);
            std::vector<double> theirs = wmafixtures::Channel(reference, c.channels, channel);
            int lag = 0;
            size_t overlap = 0;
            const double snr = wmafixtures::AlignedSnrDb(theirs, ours, 8192, lag, overlap);
            std::printf("[ measured ] %s channel %u: lag %d frames, SNR %.1f dB over %zu frames\n", c.name, channel,
                        lag, snr, overlap);
            EXPECT_GT(snr, 75.0);
            EXPECT_GT(overlap, ours.size() * 9 / 10);
        }
    }
}

}  // namespace

namespace {

// Random reads against the sequential decode of the same reader kind. A read that seeks lands
// within kSeekToleranceFrames of where the sequential decode has the same data (measured under
// Wine 8: 0 to 16 frames, at 84 dB SNR once aligned).
constexpr int kSeekToleranceFrames = 64;

// The lag (in frames) that best aligns a read of `frames` frames at `frame` with the
// sequential decode, and the SNR of the aligned read.
void CompareWithSequential(const std::vector<int16_t>& sequential, const std::vector<int16_t>& read, size_t frame,
                           unsigned channels, int& lag, double& snr)
{
    const size_t frames = read.size() / channels;
    const size_t margin = kSeekToleranceFrames * 2;
    const size_t from = frame > margin ? frame - margin : 0;
    const size_t to = std::min(sequential.size() / channels, frame + frames + margin);
    std::vector<int16_t> window(sequential.begin() + static_cast<long>(from * channels),
                                sequential.begin() + static_cast<long>(to * channels));
    const std::vector<double> reference = wmafixtures::Channel(window, channels, 0);
    std::vector<double> ours = wmafixtures::Channel(read, channels, 0);
    // Pad the read into the window's frame so that lag 0 means "exactly where asked".
    std::vector<double> placed(reference.size(), 0.0);
    for (size_t i = 0; i < ours.size() && frame - from + i < placed.size(); ++i)
        placed[frame - from + i] = ours[i];
    lag = fixtures::BestLag(reference, placed, static_cast<int>(margin));
    std::vector<double> a;
    std::vector<double> b;
    for (size_t i = 0; i < ours.size(); ++i) {
        const long j = static_cast<long>(frame - from + i) - lag;
        if (j >= 0 && static_cast<size_t>(j) < reference.size()) {
            a.push_back(reference[static_cast<size_t>(j)]);
            b.push_back(ours[i]);
        }
    }
    snr = fixtures::SnrDb(a, b);
}

TEST_F(WmaDecode, RandomReadsMatchTheSequentialDecodeAndSeekOnlyWhenFarFromTheDecodePosition)
{
    const EncodeCase& c = kEncodeCases[0];
    const std::wstring wma = MakeFile(c, 6.0);
    CoreReader sequentialReader;
    ASSERT_EQ(fixtures::OpenPcmReader(sequentialReader.reader.get(), wma), S_OK);
    const std::vector<int16_t> sequential = wmafixtures::ReadAll(sequentialReader.reader.get(), 65536);
    ASSERT_FALSE(sequential.empty());
    const unsigned blockAlign = 2 * c.channels;
    const size_t totalFrames = sequential.size() / c.channels;

    CoreReader core;
    ASSERT_EQ(fixtures::OpenPcmReader(core.reader.get(), wma), S_OK);
    constexpr unsigned kReadFrames = 4410;
    std::vector<int16_t> read(kReadFrames * c.channels);
    auto load = [&](size_t frame) {
        return core.reader->LoadPcm(reinterpret_cast<unsigned char*>(read.data()),
                                    static_cast<LONGLONG>(frame) * blockAlign, kReadFrames * blockAlign);
    };

    struct Step {
        const char* name;
        long frameFromLast;  // relative to the frame after the previous read's end, or absolute
        bool absolute;
        bool seeks;
    };
    // The decode position after a read lies at most one runtime sample past the read's end; the
    // table's second read starts 100 bytes (25 frames) after that position.
    const Step steps[] = {
        {"far into the file", static_cast<long>(totalFrames / 2), true, true},
        {"100 bytes after the decode position", 25, false, false},
        // Not frame 0: the stream's first codec frame is the decoder's delay, not music, and
        // differs between a fresh decoder and one sought back to it.
        {"back near the start", 4096, true, true},
        {"the last frames", static_cast<long>(totalFrames - kReadFrames), true, true},
        {"one second in", 44100, true, true},
    };
    size_t decodeFrame = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const size_t frame = step.absolute ? static_cast<size_t>(step.frameFromLast) : decodeFrame + step.frameFromLast;
        const unsigned seeksBefore = core.object->SeekCount();
        ASSERT_EQ(load(frame), S_OK);
        EXPECT_EQ(core.object->SeekCount() > seeksBefore, step.seeks);
        int lag = 0;
        double snr = 0;
        CompareWithSequential(sequential, read, frame, c.channels, lag, snr);
        std::printf("[ measured ] %s: lag %d frames, SNR %.1f dB\n", step.name, lag, snr);
        EXPECT_LE(std::abs(lag), kSeekToleranceFrames);
        EXPECT_GT(snr, 75.0);
        decodeFrame = static_cast<size_t>(core.object->DecodePosition() / blockAlign);
    }
}

// 300 bytes before the decode position is served from the decoded data while it is kept; 300
// bytes before the first byte decoded since a seek must seek again.
TEST_F(WmaDecode, AReadBehindTheDecodePositionSeeksOnlyWhenItIsNotKept)
{
    const EncodeCase& c = kEncodeCases[0];
    const std::wstring wma = MakeFile(c, 3.0);
    CoreReader core;
    ASSERT_EQ(fixtures::OpenPcmReader(core.reader.get(), wma), S_OK);
    std::vector<unsigned char> buffer(4096);
    ASSERT_EQ(core.reader->LoadPcm(buffer.data(), 88200, 4096), S_OK);
    const std::vector<unsigned char> first = buffer;
    unsigned seeks = core.object->SeekCount();
    const LONGLONG behind = core.object->DecodePosition() - 300;
    ASSERT_EQ(core.reader->LoadPcm(buffer.data(), behind, 4096), S_OK);
    EXPECT_EQ(core.object->SeekCount(), seeks);
    ASSERT_EQ(core.reader->LoadPcm(buffer.data(), 88200, 4096), S_OK);
    EXPECT_EQ(buffer, first) << "kept data reads back the same";

    seeks = core.object->SeekCount();
    ASSERT_EQ(core.reader->LoadPcm(buffer.data(), core.object->FirstKeptPosition() - 300, 4096), S_OK);
    EXPECT_GT(core.object->SeekCount(), seeks);
}

TEST_F(WmaDecode, PastTheEndAndPastATruncatedFilesDecodablePartReadSilence)
{
    const EncodeCase& c = kEncodeCases[0];
    const std::wstring wma = MakeFile(c, 4.0);
    CoreReader core;
    ASSERT_EQ(fixtures::OpenPcmReader(core.reader.get(), wma), S_OK);
    LONGLONG length = 0;
    core.reader->GetStreamLength(&length);
    std::vector<unsigned char> buffer(8192, 0xAB);
    const unsigned seeks = core.object->SeekCount();
    EXPECT_EQ(core.reader->LoadPcm(buffer.data(), length + 1000, 8192), S_FALSE);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), 8192);
    EXPECT_EQ(core.object->SeekCount(), seeks) << "nothing to decode past the end";

    // The first half of the file: the header still promises the whole duration.
    std::vector<uint8_t> bytes = fixtures::ReadFileBytes(wma);
    bytes.resize(bytes.size() / 2);
    const std::wstring truncated = dir.File(L"truncated.wma");
    {
        std::ofstream out(std::filesystem::path(truncated), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    CoreReader cut;
    ASSERT_EQ(fixtures::OpenPcmReader(cut.reader.get(), truncated), S_OK);
    LONGLONG cutLength = 0;
    cut.reader->GetStreamLength(&cutLength);
    EXPECT_EQ(cutLength, length);
    const LONGLONG lateInFile = cutLength / 4 * 3 / 4 * 4;
    std::fill(buffer.begin(), buffer.end(), 0xAB);
    EXPECT_EQ(cut.reader->LoadPcm(buffer.data(), lateInFile, 8192), S_FALSE);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0), 8192);

    // Read on from the start: the decodable part comes first, then silence.
    std::vector<int16_t> all(static_cast<size_t>(cutLength / 2));
    HRESULT last = S_OK;
    for (LONGLONG pos = 0; pos < cutLength; pos += 65536) {
        const auto n = static_cast<unsigned long>(std::min<LONGLONG>(65536, cutLength - pos));
        last = cut.reader->LoadPcm(reinterpret_cast<unsigned char*>(all.data()) + pos, pos, n);
        ASSERT_TRUE(SUCCEEDED(last));
    }
    EXPECT_EQ(last, S_FALSE);
    const auto firstQuarter = std::count(all.begin(), all.begin() + static_cast<long>(all.size() / 4), 0);
    EXPECT_LT(firstQuarter, static_cast<long>(all.size() / 40)) << "the decodable part is audio";
    EXPECT_EQ(std::count(all.end() - static_cast<long>(all.size() / 8), all.end(), 0),
              static_cast<long>(all.size() / 8));
}

TEST_F(WmaDecode, RandomBytesDoNotOpen)
{
    std::mt19937 random(17);
    std::vector<uint8_t> bytes(64 * 1024);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    const std::wstring path = dir.File(L"noise.wma");
    {
        std::ofstream out(std::filesystem::path(path), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    CoreReader core;
    EXPECT_TRUE(FAILED(fixtures::OpenPcmReader(core.reader.get(), path)));
    EXPECT_EQ(core.reader->IsValid(), S_FALSE);
    unsigned char buffer[64];
    EXPECT_EQ(core.reader->LoadPcm(buffer, 0, sizeof(buffer)), E_FAIL);
    EXPECT_TRUE(FAILED(fixtures::OpenPcmReader(core.reader.get(), dir.File(L"missing.wma"))));
}

}  // namespace
