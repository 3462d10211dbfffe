// Two analysed click tracks (120 and 126 BPM) in the mix manager's mix, played by its live play
// manager through the player and wave-out into the sound sink while a thread of the test ticks the
// manager as the service thread does. The capture is read back against the offline render of the
// same tracks: the two tracks' clicks together through the beat-matched overlap, and a rebuild in the
// middle of playback leaves the audio exactly as the render has it (no jump, no gap).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <thread>
#include <vector>

#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/effects/EfxInfo.h"
#include "engine/playback/effects/MixGlobals.h"
#include "engine/playback/graph/EfxChain.h"
#include "tests/effects-host/dmo/TestEffect.h"

#include "tests/engine/core/mix/playback/MixPlaybackFixture.h"

namespace {

using mixplayback::ExpectOverlapClicksTogether;
using mixplayback::MarkerMixTime;
using mixplayback::MixPlayback;

// The two tracks are beat-linked between the incoming track's first intro marker and the outgoing
// track's last outro marker (the mix points of their analysis, here exact measure starts): there
// the laid-out beats agree within microseconds. Past that span the builder no longer links them
// (the outgoing track keeps its last rate while the incoming one returns to its own tempo), so the
// first beat after the outro end lies about 2 ms apart while the outgoing fade-out is still heard;
// the check covers the linked span (the helper leaves 20 ms at each end of what it is given).
constexpr int kTwoMilliseconds = 88;

// Plays the mix manager's live stream from a second past the first track's end, inside the second
// track, until half a second of it was heard; the two tracks' items in *first and *second.
void PlayInsideTheSecondTrack(CMixManager& mix, CPlayItem** first, CPlayItem** second)
{
    CPlayManager* live = mix.GetLivePlayManager();
    ASSERT_NE(live, nullptr);
    *first = live->GetPlayList().FindByTrack(mix.Tracks().GetAt(0)->GetTrackIdValue());
    *second = live->GetPlayList().FindByTrack(mix.Tracks().GetAt(1)->GetTrackIdValue());
    ASSERT_TRUE(*first && *second);
    const LONGLONG from = (*first)->GetMixEnd() + 1000000;
    ASSERT_LT(from + 2000000, (*second)->GetMixEnd());
    ASSERT_EQ(live->PlayFromPosition(from), S_OK);
    LONGLONG position = 0;
    for (DWORD waited = 0; waited < 30000 && position < from + 500000; waited += 10) {
        Sleep(10);
        live->GetPlayPosition(&position);
    }
    ASSERT_GE(position, from + 500000) << "playback did not start";
}

TEST_F(MixPlayback, BothTracksClicksMeetThroughTheOverlapAndARebuildDuringPlaybackLeavesNoJump)
{
    m_model.Start(0);
    const std::vector<int16_t> reference = m_model.PullAll(17640);
    CPlayManager* live = m_mix->GetLivePlayManager();
    ASSERT_NE(live, nullptr);
    ASSERT_EQ(live->GetPlayList().GetCount(), 2);
    ASSERT_EQ(live->GetPlayList().GetLatestEndTime(), m_model.EndTime()) << "the manager lays the mix as the model";
    // The rebuild comes once playback is inside the overlap of the two tracks.
    const LONGLONG overlap = m_model.Item(1).GetMixStart() + 2000000;

    bool clean = false;
    bool stopped = false;
    bool rebuilt = false;
    for (int attempt = 0; attempt < 3 && !clean; ++attempt) {
        const LONGLONG missed = live->GetMixOutput()->GetMissedBytes();
        live->PlayFromStart();
        rebuilt = false;
        for (DWORD waited = 0; waited < 60000 && !rebuilt; waited += 10) {
            LONGLONG position = 0;
            live->GetPlayPosition(&position);
            if (position >= overlap) {
                m_mix->UpdateMix(FALSE);
                rebuilt = true;
            }
            Sleep(10);
        }
        stopped = WaitUntilStopped(*live, static_cast<DWORD>(m_model.EndTime() / 1000) + 20000);
        clean = live->GetMixOutput()->GetMissedBytes() == missed &&
                !SinkGapWithin(reference, static_cast<LONGLONG>(reference.size() / 2));
    }
    ASSERT_TRUE(rebuilt) << "playback never reached the overlap";
    ASSERT_TRUE(stopped) << "the mix did not end";
    if (!clean)
        GTEST_SKIP() << "the renderer or the sound system fell behind the sink in every attempt (machine too loaded)";

    const std::vector<int16_t> audio = playmgrtest::WaveOutSamples(outputtest::ReadSink(false));
    const LONGLONG origin = playmgrtest::FindOrigin(audio, reference);
    ASSERT_GE(origin, 0) << "nothing loud reached the sink";
    ExpectOverlapClicksTogether(
        m_model.Track(0), m_model.Track(1), MarkerMixTime(m_model.Track(1), kMarkerStart, false) - 21000,
        MarkerMixTime(m_model.Track(0), kMarkerEnd, true) + 21000, audio, origin, kTwoMilliseconds);
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < reference.size() && static_cast<size_t>(origin) * 2 + i < audio.size(); ++i)
        if (std::abs(audio[static_cast<size_t>(origin) * 2 + i] - reference[i]) > 1 && differing++ == 0)
            first = i / 2;
    EXPECT_EQ(differing, 0u) << "the capture leaves the offline render at frame " << first << " (the rebuild came at "
                             << rendertest::FrameOf(overlap) << ")";
}

// A rebuild holds playback while it notes where playback is within the playing track and moves
// playback by what the rebuild moved that place: it holds it before it notes it. Here the rebuild
// waits for the first item (the play list locks its items in order) while, as a render thread
// finishing a block would, the playing second item's track time moves on by a block; a rebuild
// that noted the place first would move playback on by that block and skip it.
TEST_F(MixPlayback, ARebuildNotesWherePlaybackIsOnlyOnceItHoldsIt)
{
    CPlayManager* live = m_mix->GetLivePlayManager();
    CPlayItem* first = nullptr;
    CPlayItem* second = nullptr;
    ASSERT_NO_FATAL_FAILURE(PlayInsideTheSecondTrack(*m_mix.get(), &first, &second));
    {
        // No tick in between.
        CLiveAndPendingMixSingleThreadAccess lock;
        HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread render([&] {
            first->Lock();
            SetEvent(held);
            Sleep(300);
            LONGLONG trackTime = 0;
            LONGLONG sequence = 0;
            second->GetCurrentTrackTime(&trackTime, &sequence);
            second->SetCurrentTrackTime(trackTime + CMixOutput::BytesToMicroseconds(CMixOutput::kBlockBytes),
                                        sequence + 1);
            first->Unlock();
        });
        WaitForSingleObject(held, INFINITE);
        CloseHandle(held);
        m_engine.host.Take();
        m_mix->UpdateMix(FALSE);
        render.join();
    }
    live->Stop();
    for (const std::string& call : m_engine.host.Take())
        EXPECT_EQ(call.rfind("reposition", 0), std::string::npos) << call;
}

// The hold a rebuild takes (LockPlayback) waits for the render threads before it holds the mix
// output, which it then holds only while it swaps in the items' states made before: the device
// thread never waits behind a render thread that finishes its block. Here a thread of the test
// holds the first item as a render thread in the middle of a block does; while the hold waits for
// it, the device side's calls on the mix output go through.
TEST_F(MixPlayback, TheRebuildsHoldWaitsForTheRenderThreadsBeforeItHoldsTheDevice)
{
    CPlayManager* live = m_mix->GetLivePlayManager();
    CPlayItem* first = nullptr;
    CPlayItem* second = nullptr;
    ASSERT_NO_FATAL_FAILURE(PlayInsideTheSecondTrack(*m_mix.get(), &first, &second));
    const UniqueKernelHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueKernelHandle probed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueKernelHandle locked(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    bool probedWhileHeld = false;
    bool lockedWhileHeld = true;
    std::thread render([&] {
        first->Lock();
        SetEvent(held.get());
        // Long enough for any device-side wait to show; the probe ends well before.
        probedWhileHeld = WaitForSingleObject(probed.get(), 10000) == WAIT_OBJECT_0;
        lockedWhileHeld = WaitForSingleObject(locked.get(), 0) == WAIT_OBJECT_0;
        first->Unlock();
    });
    WaitForSingleObject(held.get(), INFINITE);
    std::thread hold([&] {
        // As a rebuild holds it: under the global mix lock, which keeps the tick out meanwhile.
        CLiveAndPendingMixSingleThreadAccess lock;
        live->LockPlayback();
        SetEvent(locked.get());
        live->UnlockPlayback();
    });
    // The device's side of the mix output, for two seconds of the hold's wait.
    for (int i = 0; i < 2000; ++i) {
        live->GetMixOutput()->HasInput(second);
        Sleep(1);
    }
    SetEvent(probed.get());
    render.join();
    hold.join();
    live->Stop();
    EXPECT_TRUE(probedWhileHeld) << "the mix output was held while the hold waited for a render thread";
    EXPECT_FALSE(lockedWhileHeld) << "the hold did not wait for the held item";
}

// The live and the pending stream run the same master chain: a pending stream made after the
// chain was set runs it from the start, and takes each later change as the live one does.
TEST_F(MixPlayback, ThePendingStreamRunsTheMasterChain)
{
    const auto chainOf = [](CPlayManager* manager) {
        std::vector<std::pair<CLSID, TestEffectSettings>> effects;
        IOstrel* host = manager && manager->GetEfxChain() ? manager->GetEfxChain()->GetHost() : nullptr;
        CLSID clsid{};
        WCHAR name[128] = {};
        LONG id = 0;
        for (int i = 0; host && host->GetInsertedEffect(i, &clsid, name, &id) == S_OK; ++i) {
            TestEffectSettings settings{};
            ComPtr<IUnknown> filter;
            ComPtr<ITestEffectSettings> access;
            if (SUCCEEDED(host->GetEffectById(id, filter.put())) &&
                SUCCEEDED(filter->QueryInterface(IID_ITestEffectSettings, access.put_void())))
                access->GetSettings(&settings);
            effects.emplace_back(clsid, settings);
        }
        return effects;
    };
    const auto setChain = [&](float gain) {
        CMixGlobals globals;
        CEfxInfo* info = CEfxInfo::Create();
        info->Set(CLSID_TestEffectDmo, kTestEffectName, kEfxNotInserted);
        const TestEffectSettings settings{gain, 0, 0};
        ULONG written = 0;
        info->Write(&settings, sizeof(settings), &written);
        globals.Effects().Append(info);
        m_mix->SetMixGlobals(globals, FALSE);
    };
    // As the engine main object does once the mix manager is made.
    m_mix->RegisterEffectChains();
    setChain(0.5f);
    const auto live = chainOf(m_mix->GetLivePlayManager());
    ASSERT_EQ(live.size(), 1u) << "the live stream does not run the test effect";
    EXPECT_EQ(live[0].second.gain, 0.5f);

    m_mix->AddPendingPlayManager();
    CPlayManager* pending = m_mix->GetCurrentPlayManager();
    ASSERT_NE(pending, m_mix->GetLivePlayManager());
    auto chain = chainOf(pending);
    ASSERT_EQ(chain.size(), 1u) << "the pending stream was made without the master chain";
    EXPECT_TRUE(IsEqualGUID(chain[0].first, CLSID_TestEffectDmo));
    EXPECT_EQ(chain[0].second.gain, 0.5f);

    setChain(0.25f);
    chain = chainOf(pending);
    ASSERT_EQ(chain.size(), 1u);
    EXPECT_EQ(chain[0].second.gain, 0.25f) << "the pending stream missed a change of the chain";
    EXPECT_EQ(chainOf(m_mix->GetLivePlayManager())[0].second.gain, 0.25f);
    m_mix->RemovePendingPlayManager();
}

}  // namespace
