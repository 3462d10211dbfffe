// Prints the longest wait of the device side on the live mix output's lock while the mix manager
// rebuilds a playing 20-track mix ten of whose effect clips lie on the tracks that render (target:
// under 2 ms), with the mean and worst time of one rebuild.
// How it is taken: the mix manager, the player (wave-out into the sound sink) and the play
// manager run as in the engine, the engine main object, the catalog and the UI-update queue stood
// in for by the doubles of the mix manager's playback tests, the main thread a single-threaded
// apartment as the program's; a thread ticks the mix manager every 50 ms as the service thread
// does. A probe thread stands where the device thread takes the mix output's lock: every
// millisecond it times (QueryPerformanceCounter) one call that takes that lock. The main thread
// rebuilds (UpdateMix) twenty times, 100 ms apart, while the mix plays.
#include <windows.h>

#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "bench/common/Clock.h"
#include "bench/common/TestEffectClip.h"
#include "bench/common/TestEffectRegistration.h"
#include "engine/core/server/ThreadCom.h"
#include "tests/engine/core/mix/playback/MixPlaybackFixture.h"

namespace {

constexpr int kTracks = 20;
constexpr int kClips = 10;
// The tracks heard in the first seconds, which have their mix inputs when the rebuilds come.
constexpr int kClipTracks = 2;
constexpr int kRebuilds = 20;
constexpr LONGLONG kSecond = 1000000;

std::atomic<bool> g_run{true};

struct Probe {
    CMixOutput* output = nullptr;
    std::atomic<double> longest{0.0};
    std::atomic<bool> measuring{false};
};

DWORD WINAPI ProbeMain(void* parameter)
{
    auto* probe = static_cast<Probe*>(parameter);
    const CThreadCom com;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    while (g_run.load()) {
        const double start = bench::NowSeconds();
        probe->output->HasInput(nullptr);
        const double waited = bench::NowSeconds() - start;
        if (probe->measuring.load() && waited > probe->longest.load())
            probe->longest = waited;
        Sleep(1);
    }
    return 0;
}

DWORD WINAPI TickerMain(void* parameter)
{
    auto* mix = static_cast<CMixManager*>(parameter);
    const CThreadCom com;
    while (g_run.load()) {
        Sleep(50);
        mix->Tick();
    }
    return 0;
}

}  // namespace

int main()
{
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    int status = 1;
    {
        bench::TestEffectRegistration registration;
        if (!registration.ok()) {
            std::printf("the test effect could not be registered\n");
            return 1;
        }
        fixtures::TempDir folder(L"rebuild bench");
        std::vector<rendertest::TrackFile> files;
        for (int i = 0; i < kTracks; ++i)
            files.push_back(playmgrtest::kThreeTracks[static_cast<size_t>(i) % playmgrtest::kThreeTracks.size()]);
        rendertest::RenderedMix model(folder.Path(), files, playmgrtest::kMeasures);
        if (!model.Ready()) {
            std::printf("the mix could not be made: %s\n", model.Failure().c_str());
            return 1;
        }
        for (int c = 0; c < kClips; ++c) {
            const LONGLONG from = (1 + c / kClipTracks) * kSecond;
            if (!bench::AddTestEffectClip(model.Track(c % kClipTracks), from, from + kSecond / 2)) {
                std::printf("effect clip %d could not be added\n", c);
                return 1;
            }
        }
        mixplayback::ModelFiles trackFiles(model);
        mixplayback::Engine engine;
        const HWND window =
            CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        InnerPtr<> playerInner;
        auto* player = new CPlayer(&engine);
        playerInner.reset(player);
        engine.player = player;
        player->Setup(window);
        const PLAYER_OUTPUTCONFIG config{sizeof(PLAYER_OUTPUTCONFIG),
                                         CPlayer::kModeSharedDevice,
                                         CPlayer::kWaveOut,
                                         0,
                                         CPlayer::kMaxBufferBytes,
                                         0,
                                         0};
        player->SetOutputConfig(&config);
        InnerPtr<CMixManager> mixInner;
        auto* mix = new CMixManager(&engine);
        mixInner.reset(mix);
        engine.mix = mix;
        mix->SetCatalogSources(&model.Mix().results, &trackFiles);
        mix->Initialize(folder.File(L"defaultplaylist.cfp").c_str());
        mix->ReplaceMix(&model.Mix().tracks, nullptr, nullptr, FALSE);
        CPlayManager* live = mix->GetLivePlayManager();

        const UniqueKernelHandle ticker(CreateThread(nullptr, 0, TickerMain, mix, 0, nullptr));
        live->PlayFromStart();
        Sleep(1000);
        int chains = 0;
        CPlayItem* item = nullptr;
        for (int i = 0; live->GetPlayList().GetAt(i, &item); ++i) {
            LONGLONG trackTime = 0;
            LONGLONG sequence = 0;
            if (!item->GetCurrentTrackTime(&trackTime, &sequence))
                chains += item->GetEffectClipChainCount();
        }
        Probe probe;
        probe.output = live->GetMixOutput();
        const UniqueKernelHandle prober(CreateThread(nullptr, 0, ProbeMain, &probe, 0, nullptr));
        Sleep(100);
        probe.measuring = true;
        double total = 0.0;
        double worst = 0.0;
        for (int r = 0; r < kRebuilds; ++r) {
            const double start = bench::NowSeconds();
            mix->UpdateMix(FALSE);
            const double took = bench::NowSeconds() - start;
            total += took;
            worst = std::max(worst, took);
            Sleep(100);
        }
        probe.measuring = false;
        const LONGLONG missed = probe.output->GetMissedBytes();
        live->Stop();
        g_run = false;
        WaitForSingleObject(prober.get(), INFINITE);
        WaitForSingleObject(ticker.get(), INFINITE);
        std::printf("rebuilds of a playing %d-track mix, %d effect-clip chains on the tracks that render\n", kTracks,
                    chains);
        std::printf("  longest wait on the mix output's lock: %.2f ms (target: under 2 ms)\n",
                    probe.longest.load() * 1000.0);
        std::printf("  one rebuild: mean %.1f ms, worst %.1f ms, %d rebuilds\n", total / kRebuilds * 1000.0,
                    worst * 1000.0, kRebuilds);
        std::printf("  bytes the mix output handed out unrendered meanwhile: %lld\n", missed);
        engine.mix = nullptr;
        mixInner.reset();
        engine.player = nullptr;
        playerInner.reset();
        DestroyWindow(window);
        status = chains >= kClips ? 0 : 1;
    }
    OleUninitialize();
    return status;
}
