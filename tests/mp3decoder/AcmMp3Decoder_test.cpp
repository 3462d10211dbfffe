// The codec stream under the reader: the platform's codec is asked about a format once in the
// process, and a format it took still decodes when its stream is opened only by the first decode.
#include "mp3decoder/AcmMp3Decoder.h"
#include "mp3decoder/Mp3FrameIndex.h"
#include "tests/mp3decoder/Mp3Fixtures.h"
#include "tests/support/Signals.h"
#include "tests/support/UnixTools.h"

#include <gtest/gtest.h>

namespace {

TEST(AcmMp3Decoder, KeepsOnlyTheFormatsTheCodecTook)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "lame is not reachable from this process";
    fixtures::TempDir dir;
    const std::wstring mp3 = dir.File(L"music.mp3");
    ASSERT_TRUE(mp3fixtures::Encode(dir, fixtures::MusicLike(1.0, 44100, 2), 44100, 2, {"-b", "128"}, mp3));
    CMp3File file;
    ASSERT_EQ(file.Open(mp3.c_str()), S_OK);
    Mp3Stream stream;
    ASSERT_EQ(LocateMp3Stream(file, stream), S_OK);
    std::vector<uint32_t> offsets;
    ASSERT_EQ(ScanMp3Frames(file, stream, offsets), S_OK);
    constexpr uint32_t kFrames = 10;
    ASSERT_GT(offsets.size(), kFrames);
    std::vector<uint8_t> frames(offsets[kFrames] - offsets[0]);
    ASSERT_TRUE(file.ReadAt(offsets[0], frames.data(), static_cast<uint32_t>(frames.size())));

    Mp3FrameHeader oddRate = stream.format;
    oddRate.sampleRate = 12345;
    const struct {
        const char* name;
        Mp3FrameHeader header;
        bool opens;
    } cases[] = {
        {"the file's format", stream.format, true},
        {"a rate no MP3 stream has", oddRate, false},
    };
    for (const auto& row : cases) {
        // The second decoder of a format the codec took finds the answer kept and opens its
        // stream at the decode; its output must be the first one's.
        std::vector<std::vector<uint8_t>> outputs;
        for (int attempt = 0; attempt < 2; ++attempt) {
            CAcmMp3Decoder decoder;
            ASSERT_EQ(SUCCEEDED(decoder.Open(row.header)), row.opens) << row.name << ", attempt " << attempt;
            if (!row.opens)
                continue;
            std::vector<uint8_t> pcm;
            ASSERT_EQ(decoder.Decode(frames.data(), frames.size(), kFrames, pcm), S_OK) << row.name;
            EXPECT_GE(pcm.size(), (kFrames - 1) * stream.format.samplesPerFrame * 4u) << row.name;
            outputs.push_back(std::move(pcm));
        }
        if (row.opens) {
            EXPECT_EQ(outputs[0], outputs[1]) << row.name;
        }
    }
}

}  // namespace
