#include "engine/playback/graph/FinalMix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/playback/dsp/SampleKernels.h"

namespace {
float ToDb(float value)
{
    return value > 0.0f ? 20.0f * std::log10(value) : CFinalMix::kSilentDb;
}
}  // namespace

CFinalMix::CFinalMix(IPlayerInput* upstream) : CChainStage(upstream)
{
    m_format.wFormatTag = 1;
    m_format.nChannels = 2;
    m_format.nSamplesPerSec = 44100;
    m_format.nAvgBytesPerSec = 176400;
    m_format.nBlockAlign = 4;
    m_format.wBitsPerSample = 16;
    m_work.Allocate(kWorkBytes);
    m_rings.Allocate(2 * kRingSize * sizeof(float));
    WAVEFORMATEX upstreamFormat{};
    if (Upstream() && m_work.Get() && m_rings.Get() && SUCCEEDED(Upstream()->GetFormat(&upstreamFormat)) &&
        upstreamFormat.nBlockAlign >= m_format.nBlockAlign) {
        m_ratio = upstreamFormat.nBlockAlign / m_format.nBlockAlign;
        m_ready = true;
    }
}

HRESULT STDMETHODCALLTYPE CFinalMix::GetFormat(WAVEFORMATEX* format)
{
    if (!format)
        return E_POINTER;
    *format = m_format;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFinalMix::Read(BYTE* buffer, unsigned bytes)
{
    // The device plays whatever the buffer holds: a failed read leaves silence there.
    if (!m_ready) {
        std::memset(buffer, 0, bytes);
        return E_FAIL;
    }
    const unsigned floatBytes = std::min(bytes * m_ratio, kWorkBytes);
    const unsigned outBytes = floatBytes / m_ratio;
    if (bytes > outBytes)
        std::memset(buffer + outBytes, 0, bytes - outBytes);
    const HRESULT read = Upstream()->Read(m_work.Get(), floatBytes);
    if (FAILED(read)) {
        std::memset(buffer, 0, outBytes);
        return S_FALSE;
    }
    const unsigned samples = floatBytes / m_ratio / 2;
    float* floats = reinterpret_cast<float*>(m_work.Get());
    StorePeaks(floats, samples / 2);
    ScaleFloatToFloat(floats, floats, 32768.0f, samples);
    ConvertFloatToInt16(reinterpret_cast<int16_t*>(buffer), floats, samples);
    // An inactive stream hands out silence with S_FALSE: a writer must be able to tell.
    return read == S_FALSE ? S_FALSE : S_OK;
}

void CFinalMix::StorePeaks(const float* samples, unsigned frames)
{
    float* left = reinterpret_cast<float*>(m_rings.Get());
    float* right = left + kRingSize;
    for (unsigned i = 0; i < frames; ++i) {
        m_groupLeft = std::max(m_groupLeft, std::fabs(samples[i * 2]));
        m_groupRight = std::max(m_groupRight, std::fabs(samples[i * 2 + 1]));
        if (++m_groupFrames < kFramesPerPeak)
            continue;
        CSingleThreadLock lock(&m_token);
        left[m_writeIndex] = m_groupLeft;
        right[m_writeIndex] = m_groupRight;
        ++m_writeIndex;
        m_groupFrames = 0;
        m_groupLeft = m_groupRight = 0.0f;
    }
}

HRESULT STDMETHODCALLTYPE CFinalMix::SetBufferedBytes(LONGLONG bytes)
{
    {
        CSingleThreadLock lock(&m_token);
        m_audibleIndex = static_cast<BYTE>(m_writeIndex - (bytes / 4) / kFramesPerPeak);
    }
    return Upstream() ? Upstream()->SetBufferedBytes(bytes * m_ratio) : S_OK;
}

HRESULT CFinalMix::GetLevels(float* peakLeft, float* peakRight, float* holdLeft, float* holdRight, BOOL running)
{
    float readings[4] = {kSilentDb, kSilentDb, kSilentDb, kSilentDb};
    if (running && m_ready) {
        const float* left = reinterpret_cast<const float*>(m_rings.Get());
        const float* right = left + kRingSize;
        CSingleThreadLock lock(&m_token);
        const unsigned n = std::max(10u, static_cast<unsigned>(static_cast<BYTE>(m_audibleIndex - m_lastReadIndex)));
        float peaks[2] = {0.0f, 0.0f};
        for (unsigned k = 0; k < n; ++k) {
            const BYTE at = static_cast<BYTE>(m_audibleIndex - k);
            peaks[0] = std::max(peaks[0], left[at]);
            peaks[1] = std::max(peaks[1], right[at]);
        }
        m_lastReadIndex = static_cast<BYTE>(m_audibleIndex + 1);
        const unsigned h = static_cast<BYTE>(m_audibleIndex - m_writeIndex);
        float holds[2] = {0.0f, 0.0f};
        for (unsigned k = 0; k < h; ++k) {
            const BYTE at = static_cast<BYTE>(m_audibleIndex - k);
            holds[0] = std::max(holds[0], left[at]);
            holds[1] = std::max(holds[1], right[at]);
        }
        readings[0] = ToDb(peaks[0]);
        readings[1] = ToDb(peaks[1]);
        readings[2] = ToDb(holds[0]);
        readings[3] = ToDb(holds[1]);
    }
    if (peakLeft)
        *peakLeft = readings[0];
    if (peakRight)
        *peakRight = readings[1];
    if (holdLeft)
        *holdLeft = readings[2];
    if (holdRight)
        *holdRight = readings[3];
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFinalMix::GetLength(LONGLONG* bytes)
{
    if (!m_ready || !bytes)
        return E_FAIL;
    LONGLONG upstream = 0;
    if (FAILED(Upstream()->GetLength(&upstream)))
        return E_FAIL;
    *bytes = upstream / m_ratio;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFinalMix::Disconnect()
{
    m_ready = false;
    return CChainStage::Disconnect();
}
