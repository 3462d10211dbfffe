#include "OutputTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "classlib/com/UniqueHandle.h"
#include "tests/support/Signals.h"

namespace outputtest {

bool WaitForSinkBytes(LONGLONG bytes, DWORD timeoutMs)
{
    const ULONGLONG until = GetTickCount64() + timeoutMs;
    while (SinkBytes() < bytes) {
        if (GetTickCount64() > until)
            return false;
        Sleep(10);
    }
    return true;
}

std::vector<float> ReadSink(bool floatSamples)
{
    std::vector<char> raw;
    const UniqueFile file(CreateFileW(SinkPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (file && GetFileSizeEx(file.get(), &size)) {
        raw.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        for (size_t done = 0; done < raw.size(); done += read) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(raw.size() - done, 1 << 24));
            if (!ReadFile(file.get(), raw.data() + done, chunk, &read, nullptr) || read == 0) {
                raw.resize(done);
                break;
            }
        }
    }
    std::vector<float> audio;
    if (floatSamples) {
        audio.resize(raw.size() / sizeof(float) / 2 * 2);
        std::memcpy(audio.data(), raw.data(), audio.size() * sizeof(float));
    } else {
        audio.resize(raw.size() / sizeof(int16_t) / 2 * 2);
        for (size_t i = 0; i < audio.size(); ++i) {
            int16_t sample = 0;
            std::memcpy(&sample, raw.data() + i * sizeof(int16_t), sizeof(sample));
            audio[i] = sample / 32768.0f;
        }
    }
    return audio;
}

double ToneLevel(const std::vector<float>& audio, size_t frame, size_t frames, double frequency, unsigned rate)
{
    std::vector<float> mono(frames);
    for (size_t i = 0; i < frames; ++i)
        mono[i] = (audio[(frame + i) * 2] + audio[(frame + i) * 2 + 1]) / 2;
    return fixtures::ToneAmplitude(mono.data(), static_cast<unsigned>(frames), 1, frequency, rate);
}

std::vector<int> ClassifyWindows(const std::vector<float>& audio, unsigned rate, double first, double second)
{
    const size_t window = rate / 50;
    const double audible = 0.05;
    std::vector<int> kinds;
    for (size_t frame = 0; frame + window <= audio.size() / 2; frame += window) {
        const bool hasFirst = ToneLevel(audio, frame, window, first, rate) > audible;
        const bool hasSecond = ToneLevel(audio, frame, window, second, rate) > audible;
        kinds.push_back(hasFirst && hasSecond ? -1 : hasFirst ? 1 : hasSecond ? 2 : 0);
    }
    return kinds;
}

HRESULT GateStage::GetFormat(WAVEFORMATEX* format)
{
    return Upstream()->GetFormat(format);
}

HRESULT GateStage::Read(BYTE* buffer, unsigned bytes)
{
    InterlockedIncrement(&m_reads);
    InterlockedCompareExchange(&m_firstRead, static_cast<LONG>(bytes), 0);
    return Upstream()->Read(buffer, bytes);
}

HRESULT GateStage::SetBufferedBytes(LONGLONG bytes)
{
    return Upstream()->SetBufferedBytes(bytes);
}

HRESULT GateStage::IsDataReady()
{
    return m_ready ? Upstream()->IsDataReady() : S_FALSE;
}

std::unique_ptr<rendertest::RenderedMix> TwoToneMix(const fixtures::TempDir& folder, bool leftOnly)
{
    const LONGLONG frames = 30 * kMixRate;
    std::vector<int16_t> content(static_cast<size_t>(frames) * 2);
    for (LONGLONG i = 0; i < frames; ++i) {
        const double frequency = i < kSwitchSeconds * static_cast<LONGLONG>(kMixRate) ? kFirstTone : kSecondTone;
        const auto sample = static_cast<int16_t>(
            std::lround(32767 * kToneAmplitude * std::sin(2 * std::numbers::pi * frequency * i / kMixRate)));
        content[static_cast<size_t>(i) * 2] = sample;
        content[static_cast<size_t>(i) * 2 + 1] = leftOnly ? 0 : sample;
    }
    return std::make_unique<rendertest::RenderedMix>(
        folder.Path(), std::vector<rendertest::TrackFile>{{120, {}, kMixRate, false, content}}, 14);
}

}  // namespace outputtest
