// Prints the live play stream's figures (no peer on this machine plays a beat-matched mix):
// - from PlayFromStart on a stopped stream to the first audible sample in the sound sink, wall
//   time, median and worst of ten, on DirectSound and on wave-out (targets: 80 ms median, 150 ms
//   worst), with two WAV tracks, two MP3 tracks and eight WAV tracks;
// - PlayFromPosition while playing: from the call until the new material (a track of another
//   pitch) is in the sink, median and worst of ten (target: 100 ms); once to a target between two
//   clicks (the figure then holds the silence before the next click too, played at the sink's
//   speed) and once to a click's onset (the new material audible from its first frame);
// - OnTick on a 200-track play list (target: 1 ms): mean and worst of 1000 ticks at one position;
//   of the ticks that enter the next ten-second bucket while playing through and of the ticks
//   that follow them (50 ms apart, as the service thread ticks); of ticks that each jump to a
//   bucket far away, back to back.
// How they are taken: the play manager, the player and the devices run as in the engine (the mix
// manager, the UI-update queue and the video montage stood in for by the test doubles of
// tests/engine/playback/playmgr); the sink file is polled every millisecond from the calling
// thread, reading only what it gained; Wine's sink drains four times faster than real time, so a
// device's own start-up is shorter here than on a sound card, while the polling adds up to 1 ms.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/Clock.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
#include "tests/engine/core/mix/MixFixture.h"
#include "tests/engine/playback/playmgr/LiveStream.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"

using namespace playmgrtest;
using rendertest::TrackFile;

namespace {

constexpr LONGLONG kSecond = 1000000;
constexpr int kRuns = 10;
constexpr DWORD kGiveUpMs = 5000;

// The sink as this process sees it: its size, and what it gained from an offset on (a device that
// opens again truncates it, and then everything counts as gained).
class SinkWatch {
public:
    explicit SinkWatch(bool floatSamples) : m_float(floatSamples), m_position(outputtest::SinkBytes()) {}

    // Waits until the sink holds a window that `wanted` accepts (interleaved stereo in -1..1, the
    // window's first frame given); the wall seconds from `since`, or -1 after the give-up time.
    double WaitFor(double since, const std::function<bool(const std::vector<float>&, size_t)>& wanted)
    {
        std::vector<float> gained;
        const size_t frameBytes = m_float ? 8 : 4;
        while (bench::NowSeconds() - since < kGiveUpMs / 1000.0) {
            const LONGLONG size = outputtest::SinkBytes();
            if (size < m_position) {
                m_position = 0;
                m_scanned = 0;
                gained.clear();
            }
            if (size - m_position >= static_cast<LONGLONG>(frameBytes) * 64) {
                AppendFrom(gained, size);
                for (size_t frame = m_scanned; frame + kWindow <= gained.size() / 2; ++frame) {
                    if (wanted(gained, frame))
                        return bench::NowSeconds() - since;
                    m_scanned = frame + 1;
                }
            }
            Sleep(1);
        }
        return -1.0;
    }

    static constexpr size_t kWindow = 441;

private:
    void AppendFrom(std::vector<float>& gained, LONGLONG size)
    {
        const UniqueFile file(CreateFileW(outputtest::SinkPath().c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        if (!file)
            return;
        const LONGLONG from = m_position;
        LARGE_INTEGER at;
        at.QuadPart = from;
        SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN);
        const size_t frameBytes = m_float ? 8 : 4;
        const size_t bytes = static_cast<size_t>(size - from) / frameBytes * frameBytes;
        std::vector<char> raw(bytes);
        DWORD read = 0;
        if (bytes == 0 || !ReadFile(file.get(), raw.data(), static_cast<DWORD>(bytes), &read, nullptr))
            return;
        m_position += read;
        for (size_t i = 0; i + (m_float ? 4 : 2) <= read; i += m_float ? 4 : 2) {
            if (m_float) {
                float v;
                std::memcpy(&v, raw.data() + i, 4);
                gained.push_back(v);
            } else {
                int16_t v;
                std::memcpy(&v, raw.data() + i, 2);
                gained.push_back(v / 32768.0f);
            }
        }
    }

    bool m_float;
    // Bytes of the file consumed so far.
    LONGLONG m_position;
    size_t m_scanned = 0;
};

bool Audible(const std::vector<float>& audio, size_t frame)
{
    return std::abs(audio[frame * 2]) > 0.03f;
}

struct Figures {
    double median;
    double worst;
    int missed;
};

Figures Summarise(std::vector<double> samples)
{
    Figures f{0.0, 0.0, 0};
    std::vector<double> taken;
    for (const double s : samples) {
        if (s < 0)
            ++f.missed;
        else
            taken.push_back(s * 1000.0);
    }
    if (taken.empty())
        return f;
    std::sort(taken.begin(), taken.end());
    f.median = taken[taken.size() / 2];
    f.worst = taken.back();
    return f;
}

void Print(const char* what, const Figures& f)
{
    std::printf("%-58s median %6.1f ms  worst %6.1f ms%s\n", what, f.median, f.worst,
                f.missed ? "  (some runs heard nothing)" : "");
}

// From PlayFromStart on a stopped stream to the first audible sample, ten times.
Figures StartLatency(const std::vector<TrackFile>& files, Device device)
{
    fixtures::TempDir folder(L"playbench");
    LiveStream stream(folder.Path(), files, kMeasures, device);
    if (!stream.Ready()) {
        std::printf("  cannot build the stream: %s\n", stream.Failure().c_str());
        return {};
    }
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        stream.Manager().Stop();
        Sleep(300);
        SinkWatch sink(device == Device::DirectSound);
        const double t0 = bench::NowSeconds();
        stream.Manager().PlayFromStart();
        runs.push_back(sink.WaitFor(t0, Audible));
    }
    stream.Manager().Stop();
    return Summarise(runs);
}

const std::vector<TrackFile> kRepositionFiles = {{120, kLow, 44100, false}, {100, kHigh, 44100, false}};

// The mix time 5 s before the last track's end, and the first audible frame of the offline render
// (the render tests' path, independent of the devices) from there on: the sink can show new
// material no sooner than that much audio after the target.
struct RepositionTarget {
    LONGLONG time = 0;
    LONGLONG firstSound = 0;
};

RepositionTarget FindRepositionTarget()
{
    fixtures::TempDir folder(L"playbench");
    rendertest::RenderedMix mix(folder.Path(), kRepositionFiles, kMeasures);
    RepositionTarget target;
    if (!mix.Ready())
        return target;
    LONGLONG end = 0;
    mix.Track(1).GetEndTime(&end);
    target.time = end - 5 * kSecond;
    mix.Start(target.time);
    const std::vector<float> audio = mix.PullFloats(44100);
    size_t frame = 0;
    while (frame < audio.size() / 2 && !Audible(audio, frame))
        ++frame;
    target.firstSound = static_cast<LONGLONG>(frame) * kSecond / 44100;
    return target;
}

// While playing the first track (low clicks), PlayFromPosition to `target` in the last one (high
// clicks): from the call until a high click is in the sink.
Figures RepositionLatency(Device device, LONGLONG target)
{
    fixtures::TempDir folder(L"playbench");
    LiveStream stream(folder.Path(), kRepositionFiles, kMeasures, device);
    if (!stream.Ready())
        return {};
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        stream.Manager().PlayFromStart();
        stream.WaitForPosition(kSecond, kGiveUpMs);
        SinkWatch sink(device == Device::DirectSound);
        const double t0 = bench::NowSeconds();
        stream.Manager().PlayFromPosition(target);
        const unsigned rate = device == Device::DirectSound ? 48000 : 44100;
        runs.push_back(sink.WaitFor(t0, [&](const std::vector<float>& audio, size_t frame) {
            if (!Audible(audio, frame))
                return false;
            const double h =
                fixtures::ToneAmplitude(audio.data() + frame * 2, SinkWatch::kWindow, 2, kHigh.frequency, rate);
            const double l =
                fixtures::ToneAmplitude(audio.data() + frame * 2, SinkWatch::kWindow, 2, kLow.frequency, rate);
            return h > 2 * l;
        }));
        stream.Manager().Stop();
        Sleep(200);
    }
    return Summarise(runs);
}

// OnTick over a 200-track play list laid out by the mix builder (no music files: the items that
// the minute ahead wants get inputs that find no source and stay silent).
void TickCost()
{
    mixtest::Mix mix;
    for (int i = 0; i < 200; ++i)
        mixtest::AddTrack(mix, {i % 2 ? 126.0f : 120.0f, kMeasures, 1, 4, kMeasures - 6, 4, kMixingBeat});
    mixtest::Rebuild(mix);
    MixDouble mixManager(mix.tracks);
    UiLog ui;
    EngineDouble engine;
    engine.mix = &mixManager;
    engine.ui = &ui;
    InnerPtr<> playerInner;
    auto* player = new CPlayer(&engine);
    playerInner.reset(player);
    engine.player = player;
    player->Setup(nullptr);
    InnerPtr<> managerInner;
    auto* manager = new CPlayManager(&engine, 0);
    managerInner.reset(manager);
    {
        CLiveAndPendingMixSingleThreadAccess lock;
        for (int i = 0; i < mix.tracks.GetCount(); ++i) {
            auto* item = new CPlayItem(nullptr, 0, mix.tracks.GetAt(i)->GetTrackIdValue());
            item->UpdateFromTrack(*mix.tracks.GetAt(i));
            manager->GetPlayList().InsertAt(manager->GetPlayList().GetCount(), item);
        }
        manager->UpdateEndPosition();
    }
    struct Figure {
        double total = 0.0;
        double worst = 0.0;
        int ticks = 0;
        void Add(double ms)
        {
            total += ms;
            worst = std::max(worst, ms);
            ++ticks;
        }
        void Print(const char* what) const
        {
            std::printf("%-58s mean %6.3f ms  worst %6.3f ms  (%d ticks)\n", what, total / ticks, worst, ticks);
        }
    };
    const auto tick = [&] {
        const double t0 = bench::NowSeconds();
        {
            CLiveAndPendingMixSingleThreadAccess lock;
            manager->OnTick();
        }
        const double took = (bench::NowSeconds() - t0) * 1000.0;
        ui.Clear();
        return took;
    };
    const auto seek = [&](LONGLONG position) {
        CLiveAndPendingMixSingleThreadAccess lock;
        manager->GetMixOutput()->SeekTo(position);
    };
    // A stopped stream has no end position yet; give the mix output the list's, so that a seek
    // moves the position the tick reads.
    manager->GetMixOutput()->SetEndPosition(manager->GetPlayList().GetLatestEndTime());
    Figure still;
    for (int t = 0; t < 1000; ++t)
        still.Add(tick());
    still.Print("OnTick, 200 items, position unchanged");
    // Playing through: the position enters the next bucket, then stays in it for the ticks that
    // follow, 50 ms apart as the service thread ticks (a bucket lasts 200 ticks when playing).
    Figure entering;
    Figure after;
    for (int bucket = 1; bucket <= 30; ++bucket) {
        seek(bucket * 10 * kSecond + kSecond / 2);
        entering.Add(tick());
        for (int t = 1; t < 20; ++t) {
            Sleep(50);
            after.Add(tick());
        }
    }
    entering.Print("OnTick, 200 items, entering the next bucket (playing)");
    after.Print("OnTick, 200 items, the 19 ticks after entering one");
    // Each seek puts the next tick's position into another bucket far away: back to back, every
    // tick refreshes the items.
    Figure jumping;
    for (int t = 0; t < 100; ++t) {
        seek((t % 50) * 10 * kSecond + kSecond);
        jumping.Add(tick());
    }
    jumping.Print("OnTick, 200 items, a jump to another bucket each tick");
}

}  // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::printf("Wall times from the call, the sink file polled every 1 ms from the calling thread (Wine's\n"
                "sink drains about 4x faster than real time); ten runs each. Tick costs: QueryPerformanceCounter\n"
                "around OnTick under the global mix lock, the mix manager a test double.\n");
    const std::vector<TrackFile> two = {{120, kLow, 44100, false}, {126, kMid, 44100, false}};
    const std::vector<TrackFile> twoMp3 = {{120, kLow, 44100, true}, {126, kMid, 44100, true}};
    std::vector<TrackFile> eight;
    for (int i = 0; i < 8; ++i)
        eight.push_back({i % 2 ? 126.0f : 120.0f, i % 2 ? kMid : kLow, 44100, false});
    const RepositionTarget target = FindRepositionTarget();
    // A millisecond of the silence before the click stays in, so that its onset is whole.
    const LONGLONG onset = target.time + std::max<LONGLONG>(0, target.firstSound - 1000);
    std::printf("PlayFromPosition target: the first click sounds %.1f ms (audio) after it\n",
                target.firstSound / 1000.0);
    for (const Device device : {Device::DirectSound, Device::WaveOut}) {
        const char* name = device == Device::DirectSound ? "DirectSound" : "wave-out";
        std::string line = std::string("PlayFromStart to first sound, two WAV tracks, ") + name;
        Print(line.c_str(), StartLatency(two, device));
        line = std::string("PlayFromStart to first sound, two MP3 tracks, ") + name;
        Print(line.c_str(), StartLatency(twoMp3, device));
        line = std::string("PlayFromStart to first sound, eight WAV tracks, ") + name;
        Print(line.c_str(), StartLatency(eight, device));
        // The target 5 s before the last track's end lies between two clicks; the second figure
        // starts at a click's onset, so that the new material is audible from its first frame.
        line = std::string("PlayFromPosition between clicks to a click, ") + name;
        Print(line.c_str(), RepositionLatency(device, target.time));
        line = std::string("PlayFromPosition while playing to new material, ") + name;
        Print(line.c_str(), RepositionLatency(device, onset));
    }
    TickCost();
    CoUninitialize();
    return 0;
}
