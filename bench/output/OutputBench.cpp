// Prints how long the output devices take to be heard (no peer on this machine plays through
// Wine's sound sink): from Start on a stopped output whose input is already ready to the first
// audible sample written to the sink file, wall time, ten starts each, median and worst, for
// DirectSound and wave-out. The part of a play manager's start that the device adds (target for
// the whole start: 80 ms median, 150 ms worst).
//
// The sink file is the one tools/env.sh gives the run (CARROWFOLD_SINK); the bench polls it every
// millisecond from where the silence before the start ended. Wave-out opens its device for each
// start, which starts the file again.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "bench/common/Clock.h"
#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/playback/graph/PlayerInput.h"
#include "engine/playback/output/PlayerOutputDSound.h"
#include "engine/playback/output/PlayerOutputWaveOut.h"
#include "tests/support/SoundSink.h"

using fixtures::SinkBytes;
using fixtures::SinkPath;

namespace {

constexpr int kStarts = 10;
constexpr unsigned kBufferBytes = 88064;

// A ready input: a 441 Hz tone at half scale, 16-bit stereo at 44100 Hz.
class ToneInput : public CPlayerInput {
public:
    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override
    {
        *format = {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override
    {
        auto* samples = reinterpret_cast<int16_t*>(buffer);
        for (unsigned i = 0; i < bytes / 4; ++i, ++m_frame) {
            const auto value = static_cast<int16_t>(
                16384 * std::sin(2 * std::numbers::pi * 441.0 * static_cast<double>(m_frame) / 44100));
            samples[i * 2] = value;
            samples[i * 2 + 1] = value;
        }
        return S_OK;
    }

private:
    LONGLONG m_frame = 0;
};

// Reads the sink from `offset` on; true once a sample of the kind at least a quarter of full scale
// is found. A file that got shorter was started again: reading goes on from its start.
bool AudibleFrom(LONGLONG& offset, bool floatSamples)
{
    const UniqueFile file(CreateFileW(SinkPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return false;
    const unsigned sampleBytes = floatSamples ? 4 : 2;
    if (size.QuadPart < offset)
        offset = 0;
    offset -= offset % sampleBytes;
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN);
    std::vector<BYTE> data(static_cast<size_t>(size.QuadPart - offset));
    DWORD read = 0;
    if (data.empty() || !ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr))
        return false;
    for (DWORD i = 0; i + sampleBytes <= read; i += sampleBytes) {
        float value = 0;
        if (floatSamples) {
            std::memcpy(&value, &data[i], 4);
        } else {
            int16_t sample = 0;
            std::memcpy(&sample, &data[i], 2);
            value = sample / 32768.0f;
        }
        if (std::fabs(value) >= 0.25f)
            return true;
    }
    offset += read;
    return false;
}

void Measure(const char* name, CPlayerOutput* made, bool floatSamples)
{
    const auto output = ComPtr<CPlayerOutput>::attach(made);
    ToneInput* input = new ToneInput();
    output->SetBufferSize(kBufferBytes);
    output->AttachInput(input, 0);
    if (output->Open() != S_OK) {
        std::printf("%s: the device does not open\n", name);
        input->Release();
        return;
    }
    std::vector<double> delays;
    for (int i = 0; i < kStarts; ++i) {
        Sleep(300);
        LONGLONG offset = SinkBytes();
        const double start = bench::NowSeconds();
        input->SetActive(TRUE);
        output->Start();
        while (!AudibleFrom(offset, floatSamples) && bench::NowSeconds() - start < 5.0)
            Sleep(1);
        delays.push_back((bench::NowSeconds() - start) * 1000.0);
        output->Stop();
    }
    output->Close();
    output->DetachInput(input);
    input->Release();
    std::sort(delays.begin(), delays.end());
    std::printf("%s: start to first audible sample in the sink: median %.1f ms, worst %.1f ms (%d starts, wall "
                "time in this process)\n",
                name, (delays[kStarts / 2 - 1] + delays[kStarts / 2]) / 2, delays.back(), kStarts);
}

}  // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Measure("DirectSound", new CPlayerOutputDSound(GUID_NULL, GetDesktopWindow()), true);
    Measure("wave-out", new CPlayerOutputWaveOut(0), false);
    CoUninitialize();
    return 0;
}
