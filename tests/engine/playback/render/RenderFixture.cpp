#include "RenderFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/core/track/Marker.h"
#include "engine/core/track/TrackBeatMap.h"
#include "engine/core/track/TrackLayer.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

namespace rendertest {

RenderedMix::RenderedMix(const std::wstring& folder, const std::vector<TrackFile>& files, int measures)
{
    for (size_t i = 0; i < files.size(); ++i) {
        const TrackFile& file = files[i];
        const double beatFrames = 60.0 * file.rate / file.bpm;
        const LONGLONG frames =
            mixtest::MeasureSamples(file.bpm) * measures * static_cast<LONGLONG>(file.rate) / mixtest::kRate;
        const std::wstring wav = folder + L"\\track" + std::to_wstring(i) + L".wav";
        const std::vector<int16_t> samples =
            file.content.empty() ? ClickTrack(file.sound, beatFrames, frames, file.rate) : file.content;
        if (!fixtures::WriteWav16(wav, samples, file.rate, 2)) {
            m_failure = "cannot write a track file";
            return;
        }
        std::wstring path = wav;
        if (file.mp3) {
            path = folder + L"\\track" + std::to_wstring(i) + L".mp3";
            if (!fixtures::HaveUnixTools() ||
                fixtures::RunUnixTool(
                    "lame", {"--quiet", "-b", "320", fixtures::UnixPath(wav), fixtures::UnixPath(path)}) != 0) {
                m_failure = "lame is not reachable from this process";
                return;
            }
        }
        m_sources.push_back(ComPtr<FileSource>::attach(new FileSource(path)));
        mixtest::AddTrack(m_mix, {file.bpm, measures, 1, 4, measures - 6, 4, kMixingBeat});
    }
    mixtest::Rebuild(m_mix);
    m_ready = true;
}

RenderedMix::~RenderedMix()
{
    if (m_final) {
        m_final->SetActive(FALSE);
        m_final->Disconnect();
        m_final->Release();
    }
    for (CPlayItem* item : m_items) {
        if (m_output)
            m_output->RemoveInput(item);
        item->Release();
    }
    if (m_output)
        m_output->Release();
}

CTrackInfo& RenderedMix::Track(int index)
{
    return *m_mix.tracks.GetAt(index);
}

void RenderedMix::Feed(CMixOutput& output, LONGLONG from, bool seek)
{
    output.AddRef();
    m_output = &output;
    for (size_t i = 0; i < m_sources.size(); ++i) {
        CTrackInfo& track = Track(static_cast<int>(i));
        auto* item = new CPlayItem(m_sources[i].get(), 0, track.GetTrackIdValue());
        LoadPlayItem(*item, track);
        if (m_solo >= 0 && static_cast<int>(i) != m_solo)
            item->SetMuted(TRUE);
        if (static_cast<int>(i) == m_solo && m_soloFlat)
            item->SetSolo(TRUE);
        m_end = std::max(m_end, item->GetMixEnd());
        m_items.push_back(item);
    }
    m_output->SetEndPosition(m_end);
    if (seek)
        m_output->SeekTo(from);
    for (CPlayItem* item : m_items)
        m_output->AddInput(item);
}

void RenderedMix::Start(LONGLONG from, bool seek)
{
    auto* output = new CMixOutput();
    Feed(*output, from, seek);
    output->Release();
    IPlayerInput* chain = m_chainFactory ? m_chainFactory(m_output, m_chainContext) : nullptr;
    m_final = new CFinalMix(chain ? chain : m_output);
    if (chain)
        chain->Release();
    m_final->OpenSource();
    m_final->SetActive(TRUE);
}

std::vector<int16_t> RenderedMix::Pull(size_t bytes, unsigned readSize, LONGLONG buffered)
{
    std::vector<int16_t> audio(bytes / 2);
    auto* out = reinterpret_cast<BYTE*>(audio.data());
    for (size_t done = 0; done < bytes;) {
        while (m_final->IsDataReady() != S_OK)
            Sleep(1);
        const auto n = static_cast<unsigned>(std::min<size_t>(readSize, bytes - done));
        EXPECT_EQ(m_final->Read(out + done, n), S_OK);
        m_final->SetBufferedBytes(buffered);
        done += n;
    }
    return audio;
}

std::vector<float> RenderedMix::PullFloats(LONGLONG frames, unsigned readSize)
{
    std::vector<float> audio(static_cast<size_t>(frames) * 2);
    auto* out = reinterpret_cast<BYTE*>(audio.data());
    const size_t bytes = audio.size() * sizeof(float);
    for (size_t done = 0; done < bytes;) {
        while (m_output->IsDataReady() != S_OK)
            Sleep(1);
        const auto n = static_cast<unsigned>(std::min<size_t>(readSize, bytes - done));
        EXPECT_EQ(m_output->Read(out + done, n), S_OK);
        done += n;
    }
    return audio;
}

std::vector<int16_t> RenderedMix::PullAll(unsigned readSize)
{
    const LONGLONG bytes = CMixOutput::MicrosecondsToBytes(m_end) / 2;
    return Pull(static_cast<size_t>(bytes), readSize);
}

void LoadPlayItem(CPlayItem& item, CTrackInfo& track)
{
    std::vector<std::unique_ptr<CTrackBeatMap>> maps;
    std::vector<const CTrackBeatMap*> beatMaps;
    for (int l = 0; l < track.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        track.Layers().GetLayer(l, &layer);
        maps.push_back(std::make_unique<CTrackBeatMap>(7));
        maps.back()->Update(*layer, track);
        beatMaps.push_back(maps.back().get());
    }
    item.LoadFromTrack(track, beatMaps);
}

LONGLONG FrameOf(LONGLONG microseconds)
{
    return microseconds * 44100 / 1000000;
}

double VolumeAt(CTrackInfo& track, LONGLONG mixTime)
{
    CTrackLayer* layer = nullptr;
    track.Layers().GetLayer(0, &layer);
    std::vector<std::pair<LONGLONG, LONG>> points;
    const CTrackObjContainer& objects = layer->Objects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        const CTrackObj* o = objects.GetAt(i);
        if (!o->Matches(kTrackObjMarker, kMarkerVolumeMask))
            continue;
        LONGLONG at = 0;
        layer->TrackToMixTime(o->GetStart(), &at);
        points.emplace_back(at, static_cast<const CMarker*>(o)->GetMainValue());
    }
    std::sort(points.begin(), points.end());
    if (points.empty())
        return 0.0;
    if (mixTime <= points.front().first)
        return points.front().second;
    for (size_t i = 1; i < points.size(); ++i)
        if (mixTime <= points[i].first) {
            const double f = static_cast<double>(mixTime - points[i - 1].first) /
                             static_cast<double>(points[i].first - points[i - 1].first);
            return (1 - f) * points[i - 1].second + f * points[i].second;
        }
    return points.back().second;
}

double RateAt(CTrackInfo& track, LONGLONG mixTime)
{
    LONGLONG a = 0;
    LONGLONG b = 0;
    track.MixTimeToTrackTime(mixTime - 20000, &a);
    track.MixTimeToTrackTime(mixTime + 20000, &b);
    return (b - a) / 40000.0;
}

struct BeatCheck {
    int checked = 0;
    int worstLag = 0;
};

void ExpectBeatsOnTheirMixTimes(RenderedMix& mix, const std::vector<TrackFile>& files,
                                const std::vector<int16_t>& audio, LONGLONG origin, int tolerance, const char* name)
{
    for (int t = 0; t < mix.TrackCount(); ++t) {
        CTrackInfo& track = mix.Track(t);
        const std::vector<float> click = ClickTemplate(files[static_cast<size_t>(t)].sound, 44100);
        const LONGLONG beat = static_cast<LONGLONG>(60.0e6 / files[static_cast<size_t>(t)].bpm + 0.5);
        BeatCheck result;
        for (LONGLONG trackTime = 0; trackTime < track.GetTrackLength(); trackTime += beat) {
            LONGLONG mixTime = 0;
            ASSERT_TRUE(SUCCEEDED(track.TrackTimeToMixTime(trackTime, &mixTime)));
            if (mixTime < mix.Item(t).GetMixStart() + 20000 || mixTime > mix.Item(t).GetMixEnd() - 20000 ||
                VolumeAt(track, mixTime) < -1200)
                continue;
            const Match m = FindPattern(audio, origin + FrameOf(mixTime), click, 150);
            ++result.checked;
            result.worstLag = std::max(result.worstLag, std::abs(m.lag));
            EXPECT_LE(std::abs(m.lag), tolerance) << name << ": track " << t << " beat at track time " << trackTime
                                                  << " (mix " << mixTime << ") lands " << m.lag << " frames off";
        }
        EXPECT_GT(result.checked, 20) << name << ": track " << t << " has too few audible beats";
    }
}

void ExpectSourceLevelAtOwnTempo(RenderedMix& mix, const std::vector<TrackFile>& files,
                                 const std::vector<int16_t>& audio, LONGLONG origin, double toleranceDb,
                                 const char* name)
{
    int ownTempo = 0;
    for (int t = 0; t < mix.TrackCount(); ++t) {
        CTrackInfo& track = mix.Track(t);
        const std::vector<float> click = ClickTemplate(files[static_cast<size_t>(t)].sound, 44100);
        const LONGLONG beat = static_cast<LONGLONG>(60.0e6 / files[static_cast<size_t>(t)].bpm + 0.5);
        for (LONGLONG trackTime = 0; trackTime < track.GetTrackLength(); trackTime += beat) {
            LONGLONG mixTime = 0;
            track.TrackTimeToMixTime(trackTime, &mixTime);
            if (mixTime < mix.Item(t).GetMixStart() + 20000 || mixTime > mix.Item(t).GetMixEnd() - 20000 ||
                std::abs(RateAt(track, mixTime) - 1.0) > 1e-9)
                continue;
            if (VolumeAt(track, mixTime) != 0.0)
                continue;
            const LONGLONG frame = origin + FrameOf(mixTime);
            const Match m = FindPattern(audio, frame, click, 20);
            double dot = 0.0;
            double energy = 0.0;
            for (size_t k = 0; k < click.size(); ++k) {
                dot += audio[static_cast<size_t>(frame + m.lag + static_cast<LONGLONG>(k)) * 2] / 32767.0 * click[k];
                energy += click[k] * click[k];
            }
            ++ownTempo;
            EXPECT_NEAR(20 * std::log10(dot / energy), 0.0, toleranceDb)
                << name << ": track " << t << " at mix time " << mixTime;
        }
    }
    EXPECT_GT(ownTempo, 10) << name;
}

bool RoundTripThroughSox(const std::wstring& folder, const std::vector<int16_t>& samples, std::vector<int16_t>& decoded)
{
    const std::wstring ours = folder + L"\\render.wav";
    const std::wstring theirs = folder + L"\\sox.wav";
    if (!fixtures::WriteWav16(ours, samples, 44100, 2) || !fixtures::HaveUnixTools())
        return false;
    if (fixtures::RunUnixTool(
            "sox", {fixtures::UnixPath(ours), "-b", "16", "-e", "signed-integer", fixtures::UnixPath(theirs)}) != 0)
        return false;
    uint32_t rate = 0;
    uint16_t channels = 0;
    return fixtures::ReadWav16(theirs, decoded, rate, channels) && rate == 44100 && channels == 2;
}

Match FindPattern(const std::vector<int16_t>& audio, LONGLONG frame, const std::vector<float>& pattern, int maxLag)
{
    const LONGLONG frames = static_cast<LONGLONG>(audio.size() / 2);
    Match best{0, -1.0};
    double bestSum = -1e300;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double sum = 0.0;
        double energy = 0.0;
        double patternEnergy = 0.0;
        for (size_t k = 0; k < pattern.size(); ++k) {
            const LONGLONG at = frame + lag + static_cast<LONGLONG>(k);
            const double a = (at >= 0 && at < frames) ? audio[static_cast<size_t>(at) * 2] / 32768.0 : 0.0;
            sum += a * pattern[k];
            energy += a * a;
            patternEnergy += pattern[k] * pattern[k];
        }
        if (sum > bestSum) {
            bestSum = sum;
            best.lag = lag;
            best.strength = energy > 0 ? sum / std::sqrt(energy * patternEnergy) : 0.0;
        }
    }
    return best;
}

}  // namespace rendertest
