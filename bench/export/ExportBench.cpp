// Prints the WAV export's speed (target: at least 250x real time for a ten-minute mix of three
// tracks, the second with a minute-long effect clip of the test effect): the mix length divided by
// the wall time from ExportMix until the progress status reports completion, median and worst of
// three exports of the same mix.
// How it is taken: the play manager, the player, the mix inputs and the WAV writer run as in the
// engine (the mix manager, the UI-update queue and the video montage stood in for by the test
// doubles of tests/engine/playback/playmgr, whose ticker thread ticks the play manager every
// 50 ms as the service thread does); the tracks are generated WAV files of click tracks laid out
// by the mix builder; the calling thread polls GetCompletion every millisecond. The file is
// written beside the tracks in the temporary folder, flushed to disk before it replaces its target.
// The test effect DMO is registered in the prefix for the run and removed again at the end.
// No peer on this machine exports a beat-matched mix.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/common/Clock.h"
#include "bench/common/TestEffectClip.h"
#include "bench/common/TestEffectRegistration.h"
#include "engine/playback/graph/PlayItem.h"
#include "interfaces/IProgressStatus.h"
#include "tests/engine/playback/playmgr/LiveStream.h"
#include "tests/support/TempDir.h"

using namespace playmgrtest;
using rendertest::TrackFile;

namespace {

constexpr int kRuns = 3;
// Measures per track: 120, 126 and 100 BPM make a mix of about ten minutes.
constexpr int kBenchMeasures = 100;
constexpr DWORD kGiveUpMs = 600000;
// The effect clip on the second track, in track time.
constexpr LONGLONG kClipStart = 20000000;
constexpr LONGLONG kClipEnd = 80000000;

// User and kernel time of this process so far, in seconds (all its threads: the writer, the
// render threads, the ticker).
double ProcessCpuSeconds()
{
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Seconds from the call to the reported completion; negative when the export failed. The
// process's processor time over the same span in *cpu.
double ExportOnce(LiveStream& stream, const std::wstring& target, double* cpu)
{
    const MixExportOptions wav{1, 1, FALSE};
    ComPtr<IProgressStatus> progress;
    BSTR path = SysAllocString(target.c_str());
    const double start = bench::NowSeconds();
    const double cpuStart = ProcessCpuSeconds();
    const HRESULT hr = stream.Manager().ExportMix(path, &wav, progress.put());
    SysFreeString(path);
    if (FAILED(hr))
        return -1.0;
    HRESULT completion = S_FALSE;
    while (completion == S_FALSE && bench::NowSeconds() - start < kGiveUpMs / 1000.0) {
        Sleep(1);
        completion = progress->GetCompletion();
    }
    const double elapsed = bench::NowSeconds() - start;
    *cpu = ProcessCpuSeconds() - cpuStart;
    // The tick gives the stream back to its device before the next export may start.
    for (int waited = 0; waited < 5000 && stream.Manager().GetPlayState() != CPlayManager::kStopped; waited += 10)
        Sleep(10);
    return completion == S_OK ? elapsed : -1.0;
}

}  // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        const bench::TestEffectRegistration registration;
        fixtures::TempDir folder(L"export bench");
        const std::vector<TrackFile> three = {
            {120, kLow, 44100, false}, {126, kMid, 44100, false}, {100, kHigh, 44100, false}};
        LiveStream stream(folder.Path(), three, kBenchMeasures, Device::WaveOut);
        if (!stream.Ready()) {
            std::printf("  cannot build the stream: %s\n", stream.Failure().c_str());
            CoUninitialize();
            return 1;
        }
        if (!registration.ok() || !bench::AddTestEffectClip(stream.Mix().Track(1), kClipStart, kClipEnd)) {
            std::printf("  cannot give the second track its effect clip\n");
            CoUninitialize();
            return 1;
        }
        const double seconds = static_cast<double>(stream.EndTime()) / 1e6;
        std::printf("WAV export of a %.1f-minute mix of three WAV tracks, the second with a %.0f-second effect clip,\n"
                    "through the live play manager; wall time from ExportMix to the reported completion, %d runs\n",
                    seconds / 60.0, static_cast<double>(kClipEnd - kClipStart) / 1e6, kRuns);
        std::vector<double> speeds;
        std::vector<double> cpuSpeeds;
        for (int run = 0; run < kRuns; ++run) {
            double cpu = 0.0;
            const double elapsed = ExportOnce(stream, folder.File(L"export.wav"), &cpu);
            if (elapsed <= 0.0) {
                std::printf("  run %d: the export failed\n", run + 1);
                continue;
            }
            speeds.push_back(seconds / elapsed);
            cpuSpeeds.push_back(cpu > 0.0 ? seconds / cpu : 0.0);
            std::printf("  run %d: %.2f s, %.1fx real time; %.2f s of processor time, %.1fx real time per core\n",
                        run + 1, elapsed, seconds / elapsed, cpu, cpuSpeeds.back());
        }
        if (!speeds.empty()) {
            std::sort(speeds.begin(), speeds.end());
            std::printf("%-58s median %6.1fx  worst %6.1fx  (target 250x)\n", "WAV export speed, ten-minute mix",
                        speeds[speeds.size() / 2], speeds.front());
            std::sort(cpuSpeeds.begin(), cpuSpeeds.end());
            std::printf("%-58s median %6.1fx  worst %6.1fx\n", "WAV export speed per core of processor time",
                        cpuSpeeds[cpuSpeeds.size() / 2], cpuSpeeds.front());
        }
        CPlayItem* item = nullptr;
        if (stream.Manager().GetPlayList().GetAt(1, &item))
            std::printf("  effect clip chains of the second track: %d\n", item->GetEffectClipChainCount());
    }
    CoUninitialize();
    return 0;
}
