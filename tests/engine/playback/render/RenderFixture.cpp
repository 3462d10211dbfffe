#include "RenderFixture.h"

#include <gtest/gtest.h>

#include <cmath>

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
        std::vector<std::unique_ptr<CTrackBeatMap>> maps;
        std::vector<const CTrackBeatMap*> beatMaps;
        for (int l = 0; l < track.Layers().GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            track.Layers().GetLayer(l, &layer);
            maps.push_back(std::make_unique<CTrackBeatMap>(7));
            maps.back()->Update(*layer, track);
            beatMaps.push_back(maps.back().get());
        }
        item->LoadFromTrack(track, beatMaps);
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
