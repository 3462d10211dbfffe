// The master effects chain over the live graph, with the test effect (output = gain x input, a
// latent one holding back its last frames): the mix comes out as the effect predicts, the bytes
// the chain holds count as not yet heard, and a seek flushes what the effect held.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "RenderFixture.h"
#include "engine/core/track/EfxClip.h"
#include "engine/playback/effects/EfxInfo.h"
#include "engine/playback/effects/EfxInfoCntr.h"
#include "engine/playback/effects/EfxManager.h"
#include "engine/playback/graph/EfxChain.h"
#include "tests/effects-host/OstrelFixture.h"
#include "tests/support/TempDir.h"

using namespace rendertest;

namespace {

constexpr LONGLONG kSecondFrames = 44100;
const std::vector<TrackFile> kFiles = {{120, {1000.0, 0.5}, 44100, false}, {126, {1800.0, 0.45}, 44100, false}};

struct ChainSetup {
    TestEffectSettings settings;
    bool inserted = false;
    CEfxChain* chain = nullptr;
};

IPlayerInput* MakeChain(CMixOutput* output, void* context)
{
    auto* setup = static_cast<ChainSetup*>(context);
    auto* chain = new CEfxChain(output);
    setup->chain = chain;
    if (chain->GetHost())
        setup->inserted = ostrel_test::InsertTestEffect(chain->GetHost(), setup->settings) != -1;
    return chain;
}

// Pulls `seconds` from `startSeconds` on from a fresh graph of the mix (with the test effect when `setup` is given),
// seeking to `seekTo` seconds after the first second when it is not negative. The mix output's
// position after the pull is kept in `position`.
std::vector<int16_t> Render(const std::wstring& folder, ChainSetup* setup, LONGLONG startSeconds, double seconds,
                            LONGLONG seekTo, LONGLONG* position = nullptr)
{
    RenderedMix mix(folder, kFiles, 14);
    EXPECT_TRUE(mix.Ready()) << mix.Failure();
    if (setup)
        mix.SetChainFactory(MakeChain, setup);
    mix.Start(startSeconds * 1000000);
    const auto bytes = static_cast<size_t>(seconds * 176400) / 4 * 4;
    std::vector<int16_t> audio;
    if (seekTo >= 0) {
        audio = mix.Pull(176400, 4410);
        mix.Output().SeekTo(seekTo * 1000000);
        const std::vector<int16_t> after = mix.Pull(bytes - 176400, 4410);
        audio.insert(audio.end(), after.begin(), after.end());
    } else {
        audio = mix.Pull(bytes, 4410);
    }
    if (position)
        *position = mix.Output().GetPosition();
    return audio;
}

void ExpectHalf(const std::vector<int16_t>& plain, const std::vector<int16_t>& effected, size_t from, size_t to,
                const char* what)
{
    ASSERT_EQ(plain.size(), effected.size());
    for (size_t i = from * 2; i < to * 2; ++i)
        ASSERT_NEAR(effected[i], plain[i] / 2.0, 1.0) << what << ": sample " << i;
}

// An effect clip over track time [from, to) whose chain is the test effect with these settings.
void AddTestEffectClip(CTrackInfo& track, LONGLONG from, LONGLONG to, const TestEffectSettings& settings)
{
    ASSERT_TRUE(track.AddEffectClip(1, from, to));
    CTrackObjContainer& objects = track.MainObjects();
    auto* clip = static_cast<CEfxClip*>(objects.GetAt(objects.GetCount() - 1));
    ASSERT_EQ(clip->GetClass(), kTrackObjEffectClip);
    CEfxInfoCntr list;
    CEfxInfo* info = CEfxInfo::Create();
    info->Set(CLSID_TestEffectDmo, kTestEffectName, kEfxNotInserted);
    ULONG written = 0;
    info->Write(&settings, sizeof(settings), &written);
    list.Append(info);
    ASSERT_TRUE(clip->Manager().SetEffectList(list));
}

}  // namespace

TEST(EfxChain, TestEffectInTheMasterChainHalvesTheMixAndItsLatencyIsNotYetHeard)
{
    fixtures::TempDir folder(L"efxchain");
    LONGLONG plainPosition = 0;
    const std::vector<int16_t> plain = Render(folder.Path(), nullptr, 12, 3.0, -1, &plainPosition);
    for (const DWORD latency : {0u, 300u}) {
        ChainSetup setup{{0.5f, latency, 0}};
        LONGLONG position = 0;
        const std::vector<int16_t> effected = Render(folder.Path(), &setup, 12, 3.0, -1, &position);
        ASSERT_TRUE(setup.inserted) << "the test effect is registered by the test_effect_dmo fixture";
        ExpectHalf(plain, effected, 0, plain.size() / 2, latency ? "latent effect" : "effect");
        // The chain reads ahead of what it delivers (the latency and the rest of a processed buffer);
        // those bytes reach the mix output as buffered, so its position is what is heard.
        EXPECT_NEAR(static_cast<double>(position), static_cast<double>(plainPosition), 23.0) << "latency " << latency;
    }
}

TEST(EfxChain, SeekFlushesWhatTheEffectHeld)
{
    fixtures::TempDir folder(L"efxchain");
    const std::vector<int16_t> plain = Render(folder.Path(), nullptr, 12, 2.0, 20);
    ChainSetup setup{{0.5f, 300, 0}};
    const std::vector<int16_t> effected = Render(folder.Path(), &setup, 12, 2.0, 20);
    ASSERT_TRUE(setup.inserted);
    ExpectHalf(plain, effected, 0, 2 * kSecondFrames, "across the seek");
}

// An effect clip on the first track runs the test effect (gain 0.5) over the clip's stretch of
// the live render: inside it the track comes out halved (level 1, no fades: all wet), outside it
// unchanged.
TEST(EfxChain, TestEffectInAnEffectClipHalvesTheTrackInsideTheClip)
{
    fixtures::TempDir folder(L"efxclip");
    const std::vector<int16_t> plain = Render(folder.Path(), nullptr, 0, 8.0, -1);

    RenderedMix mix(folder.Path(), kFiles, 14);
    ASSERT_TRUE(mix.Ready()) << mix.Failure();
    CTrackInfo& track = mix.Track(0);
    ASSERT_NO_FATAL_FAILURE(AddTestEffectClip(track, 2000000, 6000000, {0.5f, 0, 0}));
    mix.Start(0);
    ASSERT_EQ(mix.Item(0).GetEffectClipChainCount(), 1);
    const std::vector<int16_t> clipped = mix.Pull(plain.size() * 2, 4410);

    LONGLONG clipStart = 0;
    LONGLONG clipEnd = 0;
    track.TrackTimeToMixTime(2000000, &clipStart);
    track.TrackTimeToMixTime(6000000, &clipEnd);
    const auto first = static_cast<size_t>(clipStart * 44100 / 1000000);
    const auto last = static_cast<size_t>(clipEnd * 44100 / 1000000);
    ExpectHalf(plain, clipped, first + 2, last - 2, "inside the clip");
    for (size_t i = 0; i < plain.size(); ++i) {
        if (i / 2 + 2 < first || i / 2 > last + 2) {
            ASSERT_NEAR(clipped[i], plain[i], 1) << "outside the clip: sample " << i;
        }
    }
}

// A host that gives no input buffer (here: one is already out) leaves the request unfilled: the
// chain fills the rest with silence rather than leave what the buffer held before.
TEST(EfxChain, RequestTheEffectsCannotFillIsSilence)
{
    fixtures::TempDir folder(L"efxchain");
    RenderedMix mix(folder.Path(), kFiles, 14);
    ASSERT_TRUE(mix.Ready()) << mix.Failure();
    ChainSetup setup{{0.5f, 0, 0}};
    mix.SetChainFactory(MakeChain, &setup);
    mix.Start(12 * 1000000);
    ASSERT_TRUE(setup.inserted);
    while (mix.Output().IsDataReady() != S_OK)
        Sleep(1);
    BYTE* held = nullptr;
    DWORD heldBytes = 0;
    ASSERT_EQ(setup.chain->GetHost()->GetInputBuffer(FALSE, &held, &heldBytes), S_OK);
    std::vector<BYTE> buffer(8000, 0x5A);
    EXPECT_EQ(setup.chain->Read(buffer.data(), 8000), S_OK);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](BYTE b) { return b == 0; }));
    setup.chain->GetHost()->DeliverInputBuffer();
}

// The mix input renders each 8192-frame block with 2048 frames of the track after it for the
// clip's chain. Over a clip of sixteen blocks the chain must hear the track once, in order, as an
// effect run once over the whole clip does: a delay line (the test effect's delay, whose state
// runs from block to block as an echo's does) comes out as the track delayed throughout, and a
// latent effect (its output held back up to the look-ahead) leaves no frame without its wet part.
TEST(EfxChain, AnEffectClipRunsItsChainOnceOverTheClipAsAnEffectRunOnceOverTheSpan)
{
    constexpr LONGLONG kFrom = 2000000;
    constexpr LONGLONG kTo = 5000000;
    constexpr unsigned kFrames = 1500;
    struct Case {
        const char* name;
        TestEffectSettings settings;
        LONGLONG delay;  // frames by which the effect run once delays the track
    };
    const Case cases[] = {{"a delay line", {0.5f, kFrames, kTestEffectDelay}, kFrames},
                          {"a latent effect", {0.5f, kFrames, 0}, 0}};
    fixtures::TempDir folder(L"efxclip once");
    const auto render = [&](const TestEffectSettings* settings) {
        RenderedMix mix(folder.Path(), kFiles, 14);
        EXPECT_TRUE(mix.Ready()) << mix.Failure();
        mix.Solo(0, true);
        if (settings)
            AddTestEffectClip(mix.Track(0), kFrom, kTo, *settings);
        mix.Start(0);
        LONGLONG start = 0;
        LONGLONG end = 0;
        mix.Track(0).TrackTimeToMixTime(kFrom, &start);
        mix.Track(0).TrackTimeToMixTime(kTo, &end);
        return std::make_tuple(mix.Pull(6 * 176400, 4410), FrameOf(start), FrameOf(end));
    };
    const auto [plain, start, end] = render(nullptr);
    ASSERT_GT(end - start, 10 * 8192) << "the clip spans fewer than ten blocks";
    for (const Case& c : cases) {
        const auto [clipped, clipStart, clipEnd] = render(&c.settings);
        ASSERT_EQ(clipped.size(), plain.size()) << c.name;
        size_t differing = 0;
        LONGLONG first = 0;
        for (LONGLONG f = start + c.delay + 2; f < end - 2; ++f)
            for (int ch = 0; ch < 2; ++ch) {
                const auto i = static_cast<size_t>(2 * f + ch);
                const double expected = plain[i - static_cast<size_t>(2 * c.delay)] / 2.0;
                if (std::abs(clipped[i] - expected) > 1.0 && differing++ == 0)
                    first = f;
            }
        EXPECT_EQ(differing, 0u) << c.name << ": the clip leaves the effect run once over the span from frame " << first
                                 << " (block " << (first / 8192) << ", " << first % 8192 << " frames in)";
    }
}
