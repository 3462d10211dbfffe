// The effect clip stage on noise through a real chain (the test effect DMO): the track outside
// the clip is untouched, inside it dry and wet follow the fade curves, the render buffer size
// does not change the result, a latent effect stays aligned to the sample, and a jump in
// position flushes what the chain held.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/playback/graph/EfxClipChain.h"
#include "tests/effects-host/OstrelFixture.h"

namespace {

using namespace ostrel_test;

constexpr LONGLONG kTotalFrames = 30720;

// The clip's wet share at a position, written from the curve's definition: level x c, with c the
// cos^2 table value of the fade step (rising over the fade-in, falling over the fade-out).
double WetShare(const EFXCLIP_RANGE& clip, LONGLONG position)
{
    auto table = [](LONGLONG step) {
        const double c = std::cos(std::numbers::pi * static_cast<double>(step) / 2048.0);
        return c * c;
    };
    double c = 1.0;
    if (position - clip.start < clip.fadeIn)
        c = table(1023 - ((position - clip.start) * 1024 / clip.fadeIn) % 1024);
    const LONGLONG fadeOutStart = clip.end - clip.fadeOut;
    if (clip.fadeOut > 0 && position >= fadeOutStart)
        c = std::min(c, table(((position - fadeOutStart) * 1024 / clip.fadeOut) % 1024));
    return clip.level * c;
}

ComPtr<IOstrel> HostWith(const TestEffectSettings& settings)
{
    ComPtr<IOstrel> host = NewInitializedHost();
    if (host && InsertTestEffect(host.get(), settings) < 0)
        host.reset();
    return host;
}

// Runs the whole signal through a fresh stage in buffers of `frames`.
std::vector<float> Render(const std::vector<float>& signal, const EFXCLIP_RANGE& clip,
                          const TestEffectSettings& settings, unsigned frames)
{
    ComPtr<IOstrel> host = HostWith(settings);
    std::vector<float> out = signal;
    if (!host)
        return {};
    CEfxClipChain stage(host.get(), clip);
    for (LONGLONG at = 0; at < kTotalFrames; at += frames) {
        const unsigned count = static_cast<unsigned>(std::min<LONGLONG>(frames, kTotalFrames - at));
        stage.Process(out.data() + 2 * at, count, 0, at);
    }
    return out;
}

class EfxClipChainTest : public testing::Test {
protected:
    const std::vector<float> noise = GridNoise(kTotalFrames, 77);
};

TEST_F(EfxClipChainTest, DryAndWetFollowTheCurvesWhateverTheBufferSize)
{
    const EFXCLIP_RANGE clip = {5000, 26000, 3000, 4000, 0.5f};
    const TestEffectSettings halfGain = {0.5f, 0, 0};
    const std::vector<float> reference = Render(noise, clip, halfGain, 1024);
    ASSERT_EQ(reference.size(), noise.size());
    for (LONGLONG f = 0; f < kTotalFrames; ++f) {
        for (int ch = 0; ch < 2; ++ch) {
            const size_t i = static_cast<size_t>(2 * f + ch);
            if (f < clip.start || f >= clip.end) {
                ASSERT_EQ(reference[i], noise[i]) << "frame " << f << " lies outside the clip";
                continue;
            }
            const double wet = WetShare(clip, f);
            const double expected = noise[i] * (1.0 - wet) + 0.5 * wet * noise[i];
            ASSERT_NEAR(reference[i], expected, 1e-6) << "frame " << f;
        }
    }
    for (unsigned frames : {8192u, 10240u})
        EXPECT_EQ(Render(noise, clip, halfGain, frames), reference) << frames << " frames per buffer";
}

TEST_F(EfxClipChainTest, ALatentEffectStaysAlignedToTheSample)
{
    constexpr unsigned kLatency = 37;
    constexpr unsigned kBuffer = 1024;
    const EFXCLIP_RANGE clip = {0, kTotalFrames, 0, 0, 1.0f};
    const std::vector<float> out = Render(noise, clip, {2.0f, kLatency, 0}, kBuffer);
    ASSERT_EQ(out.size(), noise.size());
    // Each buffer's last frames wait for output the effect still holds: they keep only their
    // (zero) dry part. Every other frame is exactly its own input, processed.
    for (LONGLONG f = 0; f < kTotalFrames; ++f) {
        const bool held = f % kBuffer >= kBuffer - kLatency;
        for (int ch = 0; ch < 2; ++ch) {
            const size_t i = static_cast<size_t>(2 * f + ch);
            ASSERT_EQ(out[i], held ? 0.0f : 2.0f * noise[i]) << "frame " << f;
        }
    }
}

TEST_F(EfxClipChainTest, APositionJumpFlushesWhatTheChainHeld)
{
    constexpr unsigned kBuffer = 1024;
    const EFXCLIP_RANGE clip = {0, 1000000, 0, 0, 1.0f};
    ComPtr<IOstrel> host = HostWith({1.0f, 100, 0});
    ASSERT_TRUE(host);
    CEfxClipChain stage(host.get(), clip);
    std::vector<float> first(noise.begin(), noise.begin() + 2 * kBuffer);
    stage.Process(first.data(), kBuffer, 0, 0);
    // Elsewhere in the track: nothing of the first buffer comes out here.
    const std::vector<float> later = GridNoise(kBuffer, 5);
    std::vector<float> out = later;
    stage.Process(out.data(), kBuffer, 0, 500000);
    for (size_t i = 0; i < 2 * (kBuffer - 100); ++i)
        ASSERT_EQ(out[i], later[i]) << i;
}

TEST_F(EfxClipChainTest, WithoutEffectsOrBeforeTheClipTheBufferPassesUnchanged)
{
    const EFXCLIP_RANGE clip = {4096, 8192, 0, 0, 1.0f};
    ComPtr<IOstrel> empty = NewInitializedHost();
    ASSERT_TRUE(empty);
    CEfxClipChain none(empty.get(), clip);
    std::vector<float> out = noise;
    none.Process(out.data(), 8192, 0, 0);
    EXPECT_EQ(out, noise);

    ComPtr<IOstrel> host = HostWith({0.0f, 0, 0});
    ASSERT_TRUE(host);
    CEfxClipChain stage(host.get(), clip);
    stage.Process(out.data(), 4096, 0, 0);
    EXPECT_EQ(out, noise);
    BYTE* data = nullptr;
    DWORD bytes = 0;
    LONGLONG handle = -1;
    EXPECT_EQ(host->GetOutputBuffer(&data, &bytes, &handle), E_FAIL);
}

}  // namespace
