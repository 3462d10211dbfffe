// The mix manager's live play manager playing a mix of analysed click tracks (120 and 126 BPM)
// through the player and wave-out into the sound sink while a thread of the test ticks the manager
// as the service thread does.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "classlib/com/UniqueHandle.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/ThreadCom.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/output/Player.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "tests/engine/playback/output/OutputTestSupport.h"
#include "tests/engine/playback/playmgr/LiveStream.h"
#include "tests/engine/playback/render/RenderFixture.h"
#include "tests/support/TempDir.h"

namespace mixplayback {

using rendertest::RenderedMix;
using rendertest::TrackFile;

inline const std::vector<rendertest::TrackFile> kTwoTracks = {{120, playmgrtest::kLow, 44100, false},
                                                              {126, playmgrtest::kMid, 44100, false}};

// The mix time of a track's first or last marker of a type.
inline LONGLONG MarkerMixTime(CTrackInfo& track, DWORD type, bool last)
{
    LONGLONG found = 0;
    bool any = false;
    CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        const CTrackObj* o = objects.GetAt(i);
        if (o->Matches(kTrackObjMarker, type) && (!any || (last ? o->GetStart() > found : o->GetStart() < found))) {
            found = o->GetStart();
            any = true;
        }
    }
    LONGLONG mixTime = 0;
    EXPECT_TRUE(any && SUCCEEDED(track.TrackTimeToMixTime(found, &mixTime)));
    return mixTime;
}

// Through the overlap of two tracks (mix times from..to), every beat of the outgoing track that
// lies on one of the incoming track's (both heard at -12 dB or more) is heard with it: the two
// clicks within `tolerance` frames.
inline void ExpectOverlapClicksTogether(CTrackInfo& out, CTrackInfo& in, LONGLONG from, LONGLONG to,
                                        const std::vector<int16_t>& audio, LONGLONG origin, int tolerance)
{
    const auto beats = [&](CTrackInfo& track, float bpm) {
        std::vector<LONGLONG> times;
        const LONGLONG beat = static_cast<LONGLONG>(60.0e6 / bpm + 0.5);
        for (LONGLONG trackTime = 0; trackTime < track.GetTrackLength(); trackTime += beat) {
            LONGLONG mixTime = 0;
            if (SUCCEEDED(track.TrackTimeToMixTime(trackTime, &mixTime)) && mixTime > from + 20000 &&
                mixTime < to - 20000 && rendertest::VolumeAt(track, mixTime) >= -1200)
                times.push_back(mixTime);
        }
        return times;
    };
    const std::vector<float> outClick = rendertest::ClickTemplate(kTwoTracks[0].sound, 44100);
    const std::vector<float> inClick = rendertest::ClickTemplate(kTwoTracks[1].sound, 44100);
    int shared = 0;
    for (const LONGLONG a : beats(out, kTwoTracks[0].bpm))
        for (const LONGLONG b : beats(in, kTwoTracks[1].bpm)) {
            if (std::abs(a - b) > 20000)
                continue;
            const LONGLONG fa = origin + rendertest::FrameOf(a);
            const LONGLONG fb = origin + rendertest::FrameOf(b);
            const rendertest::Match ma = rendertest::FindPattern(audio, fa, outClick, 150);
            const rendertest::Match mb = rendertest::FindPattern(audio, fb, inClick, 150);
            ++shared;
            EXPECT_LE(std::abs((fa + ma.lag) - (fb + mb.lag)), tolerance)
                << "at mix time " << a << " the clicks are heard " << (fa + ma.lag) - (fb + mb.lag) << " frames apart";
        }
    EXPECT_GT(shared, 4) << "too few shared beats in the overlap";
}

// The tracks' files: the model's catalog items, found by track id.
class ModelFiles : public IMixTrackSource {
public:
    explicit ModelFiles(rendertest::RenderedMix& model) : m_model(model) {}
    BOOL GetTrackItem(CTrackInfo& track, IProfileSource** item) override
    {
        const int index = IndexOf(track);
        if (index < 0)
            return FALSE;
        *item = m_model.Source(index);
        (*item)->AddRef();
        return TRUE;
    }
    BOOL GetTrackItemFlags(CTrackInfo& track, int* flags) override
    {
        *flags = 1;
        return IndexOf(track) >= 0;
    }
    // Nothing here draws plots.
    void TouchTrackPlot(CTrackInfo&) override {}

private:
    int IndexOf(CTrackInfo& track)
    {
        for (int i = 0; i < m_model.Mix().tracks.GetCount(); ++i)
            if (m_model.Track(i).GetTrackIdValue() == track.GetTrackIdValue())
                return i;
        return -1;
    }
    rendertest::RenderedMix& m_model;
};

// The engine main object: the UI-update queue, the video montage's media services, the player and
// the mix manager.
class Engine : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *object = static_cast<IUnknown*>(this);
            return S_OK;
        }
        if (IsEqualIID(iid, IID_IUiUpdateQueue))
            return ui.QueryInterface(iid, object);
        if (IsEqualIID(iid, IID_IHostMedia))
            return host.QueryInterface(iid, object);
        if ((IsEqualIID(iid, EngineIid::Player) || IsEqualIID(iid, EngineIid::PlayerInternal)) && player)
            return player->NonDelegatingQueryInterface(iid, object);
        if (mix)
            return mix->NonDelegatingQueryInterface(iid, object);
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    virtual ~Engine() = default;
    playmgrtest::UiLog ui;
    playmgrtest::HostMediaDouble host;
    CPlayer* player = nullptr;
    CMixManager* mix = nullptr;
};

class MixPlayback : public testing::Test {
protected:
    explicit MixPlayback(int measures = playmgrtest::kMeasures) : m_model(m_folder.Path(), kTwoTracks, measures) {}
    void SetUp() override
    {
        ASSERT_TRUE(m_model.Ready()) << m_model.Failure();
        m_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        auto* player = new CPlayer(&m_engine);
        m_player.reset(player);
        m_engine.player = player;
        player->Setup(m_window);
        PLAYER_OUTPUTCONFIG config{sizeof(PLAYER_OUTPUTCONFIG),
                                   CPlayer::kModeSharedDevice,
                                   CPlayer::kWaveOut,
                                   0,
                                   CPlayer::kMaxBufferBytes,
                                   0,
                                   0};
        player->SetOutputConfig(&config);
        auto* mix = new CMixManager(&m_engine);
        m_mix.reset(mix);
        m_engine.mix = mix;
        mix->SetCatalogSources(&m_model.Mix().results, &m_files);
        mix->Initialize(m_folder.File(L"defaultplaylist.cfp").c_str());
        ASSERT_EQ(mix->ReplaceMix(&m_model.Mix().tracks, nullptr, nullptr, FALSE), S_OK);
        m_ticker.reset(CreateThread(nullptr, 0, Ticker, this, 0, nullptr));
        ASSERT_TRUE(m_ticker);
    }
    void TearDown() override
    {
        m_run = 0;
        if (m_ticker)
            WaitForSingleObject(m_ticker.get(), INFINITE);
        m_engine.mix = nullptr;
        m_mix.reset();
        m_engine.player = nullptr;
        m_player.reset();
        if (m_window)
            DestroyWindow(m_window);
    }
    static DWORD WINAPI Ticker(void* self)
    {
        auto* test = static_cast<MixPlayback*>(self);
        // COM as the service thread has it.
        const CThreadCom com;
        while (test->m_run.load()) {
            Sleep(50);
            test->m_mix->Tick();
        }
        return 0;
    }
    // Whether the sound system left a gap in the capture within the first `frames` frames of
    // `reference`, the offline render of what the capture holds from the mix start.
    static bool SinkGapWithin(const std::vector<int16_t>& reference, LONGLONG frames)
    {
        const std::vector<int16_t> audio = playmgrtest::WaveOutSamples(outputtest::ReadSink(false));
        const LONGLONG origin = playmgrtest::FindOrigin(audio, reference);
        return origin >= 0 && playmgrtest::HasSinkGap(audio, origin, reference, 0, frames);
    }
    bool WaitUntilStopped(CPlayManager& live, DWORD timeoutMs)
    {
        for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
            if (live.GetPlayState() == CPlayManager::kStopped && live.IsPlaying() == S_FALSE)
                return true;
            Sleep(10);
        }
        return false;
    }

    fixtures::TempDir m_folder{L"mixmgr playback"};
    rendertest::RenderedMix m_model;
    ModelFiles m_files{m_model};
    Engine m_engine;
    HWND m_window = nullptr;
    InnerPtr<> m_player;
    InnerPtr<CMixManager> m_mix;
    std::atomic<LONG> m_run{1};
    UniqueKernelHandle m_ticker;
};

}  // namespace mixplayback
