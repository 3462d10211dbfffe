// Prints how fast the CD output feeds a mix to the CD recording library (no peer on this machine
// writes CDs): the mix's length over the wall time from StartWrite to the result, median and worst
// of five writes (target: at least 50 times real time).
// How it is taken: a play stream of the player as the engine builds it (mix output, effects chain,
// final mix) plays three WAV click tracks laid out by the mix builder; the player binds it to the
// CD output, whose thread renders and hands the mix over in pieces of 16 sectors to the recording
// library's double (tests/engine/playback/output/cdr-double), which counts the bytes and keeps
// none. The result is polled every millisecond from the calling thread, which adds up to 1 ms.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/common/Clock.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/LocalCoCreate.h"
#include "engine/playback/graph/EfxChain.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/output/Player.h"
#include "interfaces/IBurnCdr.h"
#include "tests/engine/core/mix/MixOwnerDouble.h"
#include "tests/engine/playback/output/cdr-double/CdRecorderDouble.h"
#include "tests/engine/playback/render/RenderFixture.h"
#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kWrites = 5;
constexpr int kMeasures = 12;

}  // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    SetDllDirectoryW((BinFolder() + L"playback_output_cdr").c_str());
    const HMODULE library = LoadLibraryW(L"Wendlecote.DLL");
    const auto setScript = library ? reinterpret_cast<CdDoubleSetScriptFn>(
                                         reinterpret_cast<void*>(GetProcAddress(library, "CdDoubleSetScript")))
                                   : nullptr;
    const auto getLog =
        library ? reinterpret_cast<CdDoubleGetLogFn>(reinterpret_cast<void*>(GetProcAddress(library, "CdDoubleGetLog")))
                : nullptr;
    if (!setScript || !getLog) {
        std::printf("cd feed: the CD recording library double is missing\n");
        return 1;
    }
    fixtures::TempDir folder(L"cdburn-bench");
    const std::vector<rendertest::TrackFile> files = {
        {120, {1000.0, 0.5}, 44100, false}, {126, {1800.0, 0.45}, 44100, false}, {100, {3100.0, 0.4}, 44100, false}};
    rendertest::RenderedMix mix(folder.Path(), files, kMeasures);
    if (!mix.Ready()) {
        std::printf("cd feed: the mix could not be made: %s\n", mix.Failure().c_str());
        return 1;
    }
    // The player's owner lists no track ends: the mix goes to the disc as one track.
    MixOwnerDouble owner;
    InnerPtr<CPlayer> player;
    player.reset(new CPlayer(static_cast<IMixManagerInternal*>(&owner)));
    player->Setup(GetDesktopWindow());
    CMixOutput* output = nullptr;
    CEfxChain* chain = nullptr;
    CFinalMix* finalMix = nullptr;
    if (!player->CreateStream(0, &output, &chain, &finalMix)) {
        std::printf("cd feed: no play stream\n");
        return 1;
    }
    mix.Feed(*output, 0);
    const double seconds = static_cast<double>(mix.EndTime()) / 1e6;

    std::vector<double> speeds;
    for (int write = 0; write < kWrites; ++write) {
        CDDOUBLE_SCRIPT script = CdDoubleDefaultScript();
        setScript(&script);
        output->SeekTo(0);
        IBurnCdr* burner = nullptr;
        if (player->CreateCdBurner(0, &burner) != S_OK || !burner) {
            std::printf("cd feed: the CD output could not be made\n");
            return 1;
        }
        while (burner->IsRecorderListReady() != S_OK)
            Sleep(1);
        const double start = bench::NowSeconds();
        burner->StartWrite();
        while (burner->GetResult() == S_FALSE)
            Sleep(1);
        const double elapsed = bench::NowSeconds() - start;
        const HRESULT result = burner->GetResult();
        player->EndCdBurn(0);
        burner->Release();
        if (result != S_OK) {
            std::printf("cd feed: the write failed (0x%08lX)\n", static_cast<unsigned long>(result));
            return 1;
        }
        CDDOUBLE_LOG log{};
        getLog(&log);
        speeds.push_back(seconds / elapsed);
        std::printf("cd feed: write %d: %.1f s of mix (%lld bytes) in %.3f s\n", write + 1, seconds,
                    static_cast<long long>(log.bytesReceived), elapsed);
    }
    player->ReleaseStream(0, output, chain);
    std::sort(speeds.begin(), speeds.end());
    std::printf("cd feed: %.0fx real time median, %.0fx worst, of %d writes (target: at least 50x; wall time "
                "from StartWrite to the result, polled every 1 ms)\n",
                speeds[speeds.size() / 2], speeds.front(), kWrites);
    player.reset();
    g_localCoCreate.FreeAllModules();
    return 0;
}
