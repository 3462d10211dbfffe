// The mix output over a real play item whose file holds a ramp (every frame's value tells where it
// came from): looping with and without repeat, the shift of the timeline while playing with its
// blended seam, the recovery after 51 short reads, the position's bounds, buffered-bytes reports
// racing input changes; and the tone envelopes that the mix input applies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "RenderFixture.h"
#include "engine/core/track/Marker.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"

using namespace rendertest;

namespace {

constexpr LONGLONG kSecond = 1000000;
constexpr LONGLONG kSecondFrames = 44100;
// The left channel ramps slowly over a long period (where a frame lies, within a few frames), the
// right one steeply over a short period (which frame it is exactly), so that the small gain error
// of the track's own cross-fades at its grid points cannot hide a frame placed wrongly.
constexpr int kLongPeriod = 20000;
constexpr int kShortPeriod = 200;
// The track's own cross-fades at its grid points sum to within 0.02 dB of unity.
constexpr double kGainTolerance = 2.5e-3;

double Tolerance(double expected)
{
    return std::abs(expected) * kGainTolerance + 1e-5;
}

int16_t LeftSample(LONGLONG frame)
{
    return static_cast<int16_t>(static_cast<int>(frame % kLongPeriod) - kLongPeriod / 2);
}

int16_t RightSample(LONGLONG frame)
{
    return static_cast<int16_t>(static_cast<int>(frame % kShortPeriod) * 300 - 30000);
}

// Channel c of mix frame f (the track plays at its own tempo from mix time 0).
float RampAt(LONGLONG frame, int channel)
{
    return (channel == 0 ? LeftSample(frame) : RightSample(frame)) / 32768.0f;
}

std::vector<int16_t> Ramp(LONGLONG frames)
{
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
    for (LONGLONG i = 0; i < frames; ++i) {
        samples[static_cast<size_t>(i) * 2] = LeftSample(i);
        samples[static_cast<size_t>(i) * 2 + 1] = RightSample(i);
    }
    return samples;
}

class RampMix : public ::testing::Test {
protected:
    void SetUp() override
    {
        mix.reset();
        mix = std::make_unique<RenderedMix>(
            folder.Path(), std::vector<TrackFile>{{120, {}, 44100, false, Ramp(30 * kSecondFrames)}}, 14);
        ASSERT_TRUE(mix->Ready()) << mix->Failure();
        LONGLONG mixTime = 0;
        ASSERT_TRUE(SUCCEEDED(mix->Track(0).TrackTimeToMixTime(5 * kSecond, &mixTime)));
        ASSERT_EQ(mixTime, 5 * kSecond) << "a lone track plays from mix time 0 at its own tempo";
    }

    // Left channel of `audio` from index `from` equals the ramp from mix frame `frame` for `count`.
    static void ExpectRamp(const std::vector<float>& audio, LONGLONG from, LONGLONG frame, LONGLONG count,
                           const char* what)
    {
        for (LONGLONG i = 0; i < count; ++i)
            for (int c = 0; c < 2; ++c)
                ASSERT_NEAR(audio[static_cast<size_t>(from + i) * 2 + static_cast<size_t>(c)], RampAt(frame + i, c),
                            Tolerance(RampAt(frame + i, c)))
                    << what << ": output frame " << from + i << " should be mix frame " << frame + i << ", channel "
                    << c;
    }

    fixtures::TempDir folder{L"mixout"};
    std::unique_ptr<RenderedMix> mix;
};

}  // namespace

TEST_F(RampMix, LoopedRangeRepeatsExactlyWithAndWithoutRepeat)
{
    for (const BOOL repeat : {TRUE, FALSE}) {
        SetUp();
        mix->Start(2 * kSecond);
        mix->Output().SetLoop(5 * kSecond, 3 * kSecond, repeat);
        const std::vector<float> audio = mix->PullFloats(8 * kSecondFrames, 10000);
        ExpectRamp(audio, 0, 2 * kSecondFrames, 3 * kSecondFrames, "before the loop end");
        ExpectRamp(audio, 3 * kSecondFrames, 3 * kSecondFrames, 2 * kSecondFrames, "first pass of the loop");
        if (repeat) {
            ExpectRamp(audio, 5 * kSecondFrames, 3 * kSecondFrames, 2 * kSecondFrames, "second pass");
            ExpectRamp(audio, 7 * kSecondFrames, 3 * kSecondFrames, kSecondFrames, "third pass");
        } else {
            ExpectRamp(audio, 5 * kSecondFrames, 5 * kSecondFrames, 3 * kSecondFrames, "past the loop, played once");
        }
    }
}

TEST_F(RampMix, ShiftKeepsTheBlockBeingHeardAndBlendsTheSeam)
{
    mix->Start(2 * kSecond);
    const std::vector<float> before = mix->PullFloats(kSecondFrames);
    ExpectRamp(before, 0, 2 * kSecondFrames, kSecondFrames, "before the shift");
    // Blocks start every 8192 frames from 2 s; the one being heard holds mix frame 3 s.
    const LONGLONG heardBlock = 2 * kSecondFrames + (kSecondFrames / 8192) * 8192;
    const LONGLONG seam = heardBlock + 7680;
    mix->Output().Shift(kSecond, mix->Output().GetCurrentSequence());
    const std::vector<float> after = mix->PullFloats(kSecondFrames);
    const LONGLONG kept = seam - 3 * kSecondFrames;
    ExpectRamp(after, 0, 3 * kSecondFrames, kept, "the rest of the block being heard");
    for (int k = 0; k < 1024; ++k) {
        const auto w = [](int i) {
            const double c = std::cos(std::numbers::pi * i / 2048.0);
            return c * c;
        };
        const size_t at = static_cast<size_t>(kept) * 2 + static_cast<size_t>(k);
        const LONGLONG frame = seam + k / 2;
        const int channel = k % 2;
        const double expected = w(1023 - k) * RampAt(frame + kSecondFrames, channel) + w(k) * RampAt(frame, channel);
        ASSERT_NEAR(after[at], expected, Tolerance(expected)) << "seam float " << k;
    }
    ExpectRamp(after, kept + 512, seam + 512 + kSecondFrames, kSecondFrames - kept - 512, "after the seam, shifted");
}

TEST_F(RampMix, After51ShortReadsEverythingIsRequestedAgain)
{
    mix->Start(0, false);
    std::vector<BYTE> buffer(4096, 0xAB);
    for (int read = 0; read < 51; ++read) {
        ASSERT_EQ(mix->Output().Read(buffer.data(), 4096), S_OK);
        ASSERT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](BYTE b) { return b == 0; }))
            << "short read " << read << " gives silence";
        if (read < 50) {
            EXPECT_EQ(mix->Output().GetPosition(), CMixOutput::BytesToMicroseconds(4096LL * (read + 1)))
                << "silence moves the position";
        }
    }
    EXPECT_EQ(mix->Output().GetPosition(), 0) << "the recovery starts again from the read position";
    const std::vector<float> audio = mix->PullFloats(kSecondFrames);
    // From past the track's fade-in.
    ExpectRamp(audio, kSecondFrames / 2, kSecondFrames / 2, kSecondFrames / 2, "after the recovery");
}

TEST_F(RampMix, PositionStaysWithinZeroAndTheEnd)
{
    mix->Start(0);
    mix->Output().SetBufferedBytes(1 << 20);
    EXPECT_EQ(mix->Output().GetPosition(), 0) << "never negative";
    const LONGLONG end = mix->EndTime();
    mix->PullFloats(end * 44100 / kSecond + 20000, 176400);
    mix->Output().SetBufferedBytes(0);
    EXPECT_LE(mix->Output().GetPosition(), end);
    EXPECT_GE(mix->Output().GetPosition(), end - 50);
    EXPECT_TRUE(mix->Output().IsEndReached());
}

// The device thread reports its buffer while the owner adds and removes inputs: the walk over the
// inputs takes the state lock that guards the list, so it never meets an input being taken out.
TEST_F(RampMix, BufferedBytesWhileInputsComeAndGo)
{
    mix->Start(0);
    struct Device {
        CMixOutput* output;
        volatile LONG stop;
        LONG reports;
    } device{&mix->Output(), 0, 0};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* d = static_cast<Device*>(p);
            while (!d->stop) {
                d->output->SetBufferedBytes(4096);
                ++d->reports;
            }
            return 0;
        },
        &device, 0, nullptr);
    std::vector<CPlayItem*> extras;
    for (LONG id = 100; id < 116; ++id)
        extras.push_back(new CPlayItem(nullptr, 0, id));
    for (int cycle = 0; cycle < 40; ++cycle) {
        for (CPlayItem* extra : extras)
            ASSERT_TRUE(mix->Output().AddInput(extra));
        for (CPlayItem* extra : extras)
            ASSERT_TRUE(mix->Output().RemoveInput(extra));
    }
    InterlockedExchange(&device.stop, 1);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_GT(device.reports, 0);
    for (CPlayItem* extra : extras)
        extra->Release();
}

// A constant treble or bass envelope cuts its band by the envelope's level: a tone at the band's
// centre comes out of the render lower by exactly that much, one at the other end of the range
// unchanged.
TEST(ToneEnvelope, ConstantLevelCutsItsBand)
{
    struct Row {
        const char* name;
        DWORD type;
        double centre;
        double away;
    };
    const Row rows[] = {{"treble", 0x10000, 15000.0, 100.0}, {"bass", 0x40000, 60.0, 15000.0}};
    for (const Row& r : rows) {
        for (const double frequency : {r.centre, r.away}) {
            fixtures::TempDir folder(L"tone");
            RenderedMix mix(folder.Path(), {{120, {}, 44100, false, fixtures::Tone(frequency, 30, 44100, 2, 0.5)}}, 14);
            ASSERT_TRUE(mix.Ready()) << mix.Failure();
            for (const LONGLONG at : {0LL, 25 * kSecond}) {
                auto* marker = new CMarker(r.type, at);
                marker->SetMainValue(-1200);
                mix.Track(0).MainObjects().Append(marker);
            }
            mix.Start(5 * kSecond);
            const std::vector<float> audio = mix.PullFloats(2 * kSecondFrames);
            const double db = 20 * std::log10(fixtures::ToneAmplitude(audio.data() + 2 * 4410, 2 * kSecondFrames - 8820,
                                                                      2, frequency, 44100) /
                                              (0.5 * 32767.0 / 32768.0));
            EXPECT_NEAR(db, frequency == r.centre ? -12.0 : 0.0, 0.2) << r.name << " at " << frequency << " Hz";
        }
    }
}

// A block handed out while a mix input that plays in it still has it queued counts as missed, even
// when another input has already filled it, and also when the timeline was shifted while it was
// queued; an input whose item is muted owes nothing. The render thread of the second track waits
// on its item's position lock, which the test holds.
TEST(MissedBytes, CountBlocksHandedOutBeforeEveryInputAddedItsPart)
{
    struct Row {
        bool secondMuted;
        bool shifted;
        LONGLONG missed;
    };
    for (const Row row :
         {Row{false, false, CMixOutput::kBlockBytes}, Row{true, false, 0}, Row{false, true, CMixOutput::kBlockBytes}}) {
        fixtures::TempDir folder(L"render");
        RenderedMix mix(folder.Path(), {{120, {1000.0, 0.5}, 44100, false}, {126, {1800.0, 0.45}, 44100, false}}, 12);
        ASSERT_TRUE(mix.Ready()) << mix.Failure();
        mix.Start(0, false);
        CMixOutput& output = mix.Output();
        // 50 ms before the first track's click at its 11th second: the block holds that click.
        LONGLONG overlap = 0;
        ASSERT_TRUE(SUCCEEDED(mix.Track(0).TrackTimeToMixTime(11 * kSecond - kSecond / 20, &overlap)));
        ASSERT_GT(overlap, mix.Item(1).GetMixStart());
        ASSERT_LT(overlap + 6 * CMixOutput::BytesToMicroseconds(CMixOutput::kBlockBytes), mix.Item(0).GetMixEnd());
        mix.Item(1).SetMuted(row.secondMuted ? TRUE : FALSE);
        mix.Item(1).Lock();
        output.SeekTo(overlap);
        // The first track's input finishes the six requested blocks (sequences 0 to 5).
        LONGLONG trackTime = 0;
        LONGLONG sequence = -1;
        for (int waited = 0; waited < 10000 && sequence < 5; waited += 5) {
            Sleep(5);
            mix.Item(0).GetCurrentTrackTime(&trackTime, &sequence);
        }
        // Shifted by a tenth of a second while the first block is being heard: it keeps its data.
        if (row.shifted)
            output.Shift(kSecond / 10, 0);
        std::vector<float> block(CMixOutput::kBlockBytes / sizeof(float));
        EXPECT_EQ(output.Read(reinterpret_cast<BYTE*>(block.data()), CMixOutput::kBlockBytes), S_OK);
        mix.Item(1).Unlock();
        ASSERT_EQ(sequence, 5);
        EXPECT_GT(*std::max_element(block.begin(), block.end()), 0.2f) << "the first track's click is there";
        EXPECT_EQ(output.GetMissedBytes(), row.missed) << "muted " << row.secondMuted << " shifted " << row.shifted;
        // Once both inputs caught up, the next block counts nothing.
        while (output.IsDataReady() != S_OK)
            Sleep(1);
        EXPECT_EQ(output.Read(reinterpret_cast<BYTE*>(block.data()), CMixOutput::kBlockBytes), S_OK);
        EXPECT_EQ(output.GetMissedBytes(), row.missed) << "muted " << row.secondMuted << " shifted " << row.shifted;
    }
}
