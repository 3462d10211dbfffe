// What the output tests share: the sink file that this test binary's sound goes to, the tone
// measurements over what it captured, a stage that holds a real graph back until the test lets it
// be ready, and a one-track mix of two tones whose play stream the devices pull.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/playback/graph/ChainStage.h"
#include "tests/engine/playback/render/RenderFixture.h"
#include "tests/support/SoundSink.h"
#include "tests/support/TempDir.h"

namespace outputtest {

inline constexpr LONGLONG kSecond = 1000000;
// DirectSound reaches the sink in Wine's mixer format; wave-out in ours.
inline constexpr unsigned kMixerRate = 48000;
inline constexpr unsigned kMixRate = 44100;

// The sink file of this test binary: CTest gives each its own through CARROWFOLD_SINK.
using fixtures::SinkBytes;
using fixtures::SinkPath;
// Waits until the sink has grown to at least `bytes`; false after `timeoutMs`.
bool WaitForSinkBytes(LONGLONG bytes, DWORD timeoutMs = 20000);
// The whole sink as interleaved stereo floats in -1..1 (DirectSound: 32-bit float; wave-out:
// 16-bit samples scaled).
std::vector<float> ReadSink(bool floatSamples);

// Amplitude of a tone over one stretch of interleaved stereo (both channels summed / 2).
double ToneLevel(const std::vector<float>& audio, size_t frame, size_t frames, double frequency, unsigned rate);
// Which of the two tones a 20 ms window holds: 0 silence, 1 the first, 2 the second, -1 both.
std::vector<int> ClassifyWindows(const std::vector<float>& audio, unsigned rate, double first, double second);

// A stage that answers IsDataReady with S_FALSE until Open, counts the reads it passes on and
// keeps the size of the first read since the last ForgetFirstRead.
class GateStage : public CChainStage {
public:
    explicit GateStage(IPlayerInput* upstream) : CChainStage(upstream) {}
    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override;
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) override;
    HRESULT STDMETHODCALLTYPE IsDataReady() override;
    void Open() { InterlockedExchange(&m_ready, 1); }
    LONG Reads() const { return m_reads; }
    LONG FirstRead() const { return m_firstRead; }
    void ForgetFirstRead() { InterlockedExchange(&m_firstRead, 0); }

private:
    volatile LONG m_ready = 0;
    volatile LONG m_reads = 0;
    volatile LONG m_firstRead = 0;
};

// One track at 120 BPM: a 441 Hz tone for its first `switchSeconds`, then a 1000 Hz tone, at
// `amplitude` (left only when `leftOnly`). It plays from mix time 0 at its own tempo.
inline constexpr double kFirstTone = 441.0;
inline constexpr double kSecondTone = 1000.0;
inline constexpr double kToneAmplitude = 0.5;
inline constexpr int kSwitchSeconds = 8;
std::unique_ptr<rendertest::RenderedMix> TwoToneMix(const fixtures::TempDir& folder, bool leftOnly = false);

}  // namespace outputtest
