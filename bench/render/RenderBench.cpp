// Prints the play-stream graph's figures (no peer on this machine renders a beat-matched mix):
// - eight simultaneous tracks (four 44.1 kHz, four 48 kHz WAV) whose volume, treble and bass
//   envelopes change every block: CPU time of all threads per second of audio (target: at most
//   1/30);
// - the CPU cost per track for a 44.1 kHz WAV, a 48 kHz WAV, a 48 kHz MP3 and a 44.1 kHz WAV whose
//   tone envelopes change fast enough to be filtered in 2-frame steps;
// - the eight tracks pulled as fast as they render, in multiples of real time, and pulled as a
//   device at ten times real time: the short reads (target: none);
// - from SeekTo until IsDataReady answers S_OK with two WAV tracks (target: at most 20 ms).
// CPU time is the process's kernel and user time (all threads: the render threads and the pull).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/common/Clock.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/TrackBeatMap.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "engine/core/track/TrackLayer.h"
#include "engine/playback/graph/FinalMix.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
#include "tests/engine/playback/render/RenderSources.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

namespace {

constexpr LONGLONG kSecond = 1000000;
constexpr int kTrackSeconds = 40;
constexpr unsigned kDeviceRead = 17640;  // 100 ms of 16-bit stereo

double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

enum class Envelopes { kNone, kEveryBlock, kFastTone };

struct Source {
    std::wstring path;
    Envelopes envelopes;
};

// One track laid out alone from mix time 0, its envelopes changing every block (186 ms) by a few
// decibels, or its tone envelopes by more than 6 dB (filtered in 2-frame steps).
void AddEnvelopes(CTrackInfo& track, Envelopes envelopes)
{
    if (envelopes == Envelopes::kNone)
        return;
    const LONGLONG step = 8192LL * kSecond / 44100;
    int n = 0;
    for (LONGLONG t = 0; t < kTrackSeconds * kSecond; t += step, ++n) {
        const bool up = n % 2 == 0;
        const std::vector<std::pair<DWORD, LONG>> markers =
            envelopes == Envelopes::kFastTone
                ? std::vector<std::pair<DWORD, LONG>>{{0x10000, up ? 900 : -900}, {0x40000, up ? -900 : 900}}
                : std::vector<std::pair<DWORD, LONG>>{
                      {0x10, up ? -300 : -100}, {0x10000, up ? 300 : -200}, {0x40000, up ? -200 : 300}};
        for (const auto& [type, value] : markers) {
            auto* marker = new CMarker(type, t);
            marker->SetMainValue(value);
            track.MainObjects().Append(marker);
        }
    }
}

class Graph {
public:
    explicit Graph(const std::vector<Source>& sources)
    {
        m_output = new CMixOutput();
        for (const Source& source : sources) {
            auto* track = new CTrackInfo();
            track->SetTrackId(static_cast<LONG>(m_items.size()) + 1);
            track->SetSampleInfo(44100, 44100LL * kTrackSeconds);
            track->SetFlags(kTrackPrimary);
            track->SetBpm(120.0f);
            track->SetMixingKind(kMixingBeat);
            track->MainObjects().AddFullSegment(kTrackSeconds * kSecond);
            AddEnvelopes(*track, source.envelopes);
            auto tracks = std::make_unique<CTrackInfoContainer>();
            tracks->AppendReference(track);
            track->ReleaseFromOwner();
            CMixBuilder::BuildMix(*tracks);
            CTrackLayer* layer = nullptr;
            track->Layers().GetLayer(0, &layer);
            CTrackBeatMap beatMap(7);
            beatMap.Update(*layer, *track);
            auto* catalogItem = new rendertest::FileSource(source.path);
            auto* item = new CPlayItem(catalogItem, 0, track->GetTrackIdValue());
            catalogItem->Release();
            item->LoadFromTrack(*track, {&beatMap});
            m_end = std::max(m_end, item->GetMixEnd());
            m_items.push_back(item);
            m_tracks.push_back(std::move(tracks));
        }
        m_output->SetEndPosition(m_end);
        m_output->SeekTo(0);
        for (CPlayItem* item : m_items)
            m_output->AddInput(item);
        m_final = new CFinalMix(m_output);
        m_final->OpenSource();
        m_final->SetActive(TRUE);
    }

    ~Graph()
    {
        m_final->SetActive(FALSE);
        m_final->Disconnect();
        m_final->Release();
        for (CPlayItem* item : m_items) {
            m_output->RemoveInput(item);
            item->Release();
        }
        m_output->Release();
    }

    // Pulls `seconds` as a file writer does (waiting for the inputs before each read).
    void PullWaiting(double seconds)
    {
        std::vector<BYTE> buffer(kDeviceRead);
        for (double done = 0; done < seconds; done += kDeviceRead / 176400.0) {
            // Waiting sleeps, so that the figure is the render's cost, not a spinning consumer's.
            while (m_final->IsDataReady() != S_OK)
                Sleep(1);
            m_final->Read(buffer.data(), kDeviceRead);
            m_final->SetBufferedBytes(0);
        }
    }

    // Pulls `seconds` as a device consuming `speed` times faster than real time; answers how many
    // reads were short (the mix output counted silence).
    int PullPaced(double seconds, double speed)
    {
        while (m_final->IsDataReady() != S_OK)
            Sleep(1);
        std::vector<BYTE> buffer(kDeviceRead);
        const double start = bench::NowSeconds();
        LONGLONG delivered = 0;
        LONGLONG silence = 0;
        int shortReads = 0;
        for (double done = 0; done < seconds; done += kDeviceRead / 176400.0) {
            const double due = start + done / speed;
            while (bench::NowSeconds() < due)
                Sleep(0);
            m_final->Read(buffer.data(), kDeviceRead);
            m_final->SetBufferedBytes(0);
            delivered += kDeviceRead / 4;
            // With nothing buffered the position is the frames delivered plus the silence counted.
            const LONGLONG lead = m_output->GetPosition() - delivered * kSecond / 44100;
            if (lead > silence + 1)
                ++shortReads;
            silence = lead;
        }
        return shortReads;
    }

    // Milliseconds from SeekTo until the inputs are ready.
    double SeekToReady(LONGLONG time)
    {
        const double start = bench::NowSeconds();
        m_output->SeekTo(time);
        while (m_output->IsDataReady() != S_OK)
            Sleep(0);
        return (bench::NowSeconds() - start) * 1000.0;
    }

private:
    CMixOutput* m_output = nullptr;
    CFinalMix* m_final = nullptr;
    std::vector<CPlayItem*> m_items;
    std::vector<std::unique_ptr<CTrackInfoContainer>> m_tracks;
    LONGLONG m_end = 0;
};

// CPU seconds per second of audio for pulling `seconds` of the graph.
double CpuPerAudioSecond(const std::vector<Source>& sources, double seconds)
{
    Graph graph(sources);
    const double before = CpuSeconds();
    graph.PullWaiting(seconds);
    return (CpuSeconds() - before) / seconds;
}

std::wstring WriteClicks(const fixtures::TempDir& folder, const wchar_t* name, unsigned rate)
{
    const std::wstring path = folder.File(name);
    fixtures::WriteWav16(
        path, rendertest::ClickTrack({1000.0, 0.5}, 60.0 * rate / 120.0, LONGLONG{rate} * kTrackSeconds, rate), rate,
        2);
    return path;
}

}  // namespace

int main()
{
    fixtures::TempDir folder(L"renderbench");
    const std::wstring wav44 = WriteClicks(folder, L"t44.wav", 44100);
    const std::wstring wav48 = WriteClicks(folder, L"t48.wav", 48000);
    std::wstring mp3 = folder.File(L"t48.mp3");
    const bool haveMp3 =
        fixtures::HaveUnixTools() && fixtures::RunUnixTool("lame", {"--quiet", "-b", "192", fixtures::UnixPath(wav48),
                                                                    fixtures::UnixPath(mp3)}) == 0;
    const double seconds = 30.0;

    std::vector<Source> eight;
    for (int i = 0; i < 4; ++i) {
        eight.push_back({wav44, Envelopes::kEveryBlock});
        eight.push_back({wav48, Envelopes::kEveryBlock});
    }
    const double all = CpuPerAudioSecond(eight, seconds);
    std::printf("eight tracks (4 x 44.1 kHz, 4 x 48 kHz WAV), envelopes changing every block: CPU %.4f s per "
                "second of audio = 1/%.0f (target: at most 1/30), %.2f ms per track-second\n",
                all, 1.0 / all, all * 1000.0 / 8);

    const struct {
        const char* name;
        Source source;
        bool available;
    } kinds[] = {
        {"44.1 kHz WAV", {wav44, Envelopes::kNone}, true},
        {"48 kHz WAV", {wav48, Envelopes::kNone}, true},
        {"48 kHz MP3", {mp3, Envelopes::kNone}, haveMp3},
        {"44.1 kHz WAV, tone envelopes in 2-frame steps", {wav44, Envelopes::kFastTone}, true},
    };
    for (const auto& kind : kinds) {
        if (!kind.available) {
            std::printf("per track, %s: skipped (lame is not reachable)\n", kind.name);
            continue;
        }
        const double cost = CpuPerAudioSecond({kind.source}, seconds);
        std::printf("per track, %s: CPU %.2f ms per second of audio\n", kind.name, cost * 1000.0);
    }

    {
        Graph graph(eight);
        const double start = bench::NowSeconds();
        graph.PullWaiting(seconds);
        std::printf("eight tracks pulled as fast as they render (waiting for the inputs): %.1fx real time in wall "
                    "time\n",
                    seconds / (bench::NowSeconds() - start));
    }
    {
        Graph graph(eight);
        const int shortReads = graph.PullPaced(seconds, 10.0);
        std::printf("eight tracks pulled at 10x real time in %u-byte reads: %d short reads (target: none)\n",
                    kDeviceRead, shortReads);
    }
    {
        Graph graph({{wav44, Envelopes::kNone}, {wav48, Envelopes::kNone}});
        double worst = 0.0;
        double total = 0.0;
        const int seeks = 20;
        for (int i = 0; i < seeks; ++i) {
            const double ms = graph.SeekToReady((i * 7 % 30) * kSecond);
            worst = std::max(worst, ms);
            total += ms;
        }
        std::printf("SeekTo until IsDataReady, two WAV tracks: mean %.1f ms, worst %.1f ms over %d seeks "
                    "(target: at most 20 ms)\n",
                    total / seeks, worst, seeks);
    }
    return 0;
}
