#include "engine/playback/graph/EfxClipChain.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr DWORD kFrameBytes = 2 * sizeof(float);
// Limits of one pass: processed buffers taken and input buffers sent.
constexpr int kMaxPassSteps = 64;
constexpr int kFadeSteps = 1024;

// g[i] = cos^2(pi i / 2048): 1 at i = 0, falling towards 0 at the end.
const std::array<float, kFadeSteps>& FadeTable()
{
    static const std::array<float, kFadeSteps> table = [] {
        std::array<float, kFadeSteps> t{};
        for (int i = 0; i < kFadeSteps; ++i) {
            const double c = std::cos(std::numbers::pi * i / 2048.0);
            t[static_cast<size_t>(i)] = static_cast<float>(c * c);
        }
        return t;
    }();
    return table;
}

int FadeStep(LONGLONG offset, LONGLONG length)
{
    return static_cast<int>((offset * kFadeSteps / length) % kFadeSteps);
}

}  // namespace

CEfxClipChain::CEfxClipChain(IOstrel* host, const EFXCLIP_RANGE& range)
    : m_host(ComPtr<IOstrel>::copy(host)), m_range(range)
{
    FadeTable();
}

CEfxClipChain::~CEfxClipChain()
{
    ReleaseHeldOutput();
}

void CEfxClipChain::GainsAt(LONGLONG position, float* wet, float* dry) const
{
    const auto& g = FadeTable();
    float c = 1.0f;
    const LONGLONG intoClip = position - m_range.start;
    if (m_range.fadeIn > 0 && intoClip < m_range.fadeIn)
        c = g[static_cast<size_t>(kFadeSteps - 1 - FadeStep(intoClip, m_range.fadeIn))];
    const LONGLONG fadeOutStart = m_range.end - m_range.fadeOut;
    if (m_range.fadeOut > 0 && position >= fadeOutStart)
        c = std::min(c, g[static_cast<size_t>(FadeStep(position - fadeOutStart, m_range.fadeOut))]);
    // The fades run between the dry track alone and the clip's level mix.
    *wet = m_range.level * c;
    *dry = 1.0f - *wet;
}

void CEfxClipChain::ReleaseHeldOutput()
{
    if (m_heldHandle != -1 && m_host)
        m_host->ReleaseOutputBuffer(m_heldHandle);
    m_heldHandle = -1;
    m_heldLeft = 0;
}

void CEfxClipChain::Restart()
{
    ReleaseHeldOutput();
    m_host->ReleaseOutputBuffer(-1);
    m_streaming = false;
    m_restart = true;
}

void CEfxClipChain::Flush()
{
    m_host->ReleaseOutputBuffer(-1);
    BYTE* data = nullptr;
    DWORD bytes = 0;
    if (m_host->GetInputBuffer(TRUE, &data, &bytes) == S_OK) {
        m_blockFrames = bytes / kFrameBytes;
        memset(data, 0, bytes);
        m_host->DeliverInputBuffer();
    }
    m_host->ReleaseOutputBuffer(-1);
}

void CEfxClipChain::Drain(float* buffer, LONGLONG position, LONGLONG mixEnd)
{
    for (int step = 0; step < kMaxPassSteps && m_mixedTo < mixEnd; ++step) {
        BYTE* data = nullptr;
        DWORD bytes = 0;
        LONGLONG handle = m_heldHandle;
        if (m_host->GetOutputBuffer(&data, &bytes, &handle) != S_OK) {
            m_heldHandle = -1;
            m_heldLeft = 0;
            return;
        }
        const DWORD whole = bytes / kFrameBytes * kFrameBytes;
        if (m_heldHandle == -1)
            m_heldLeft = whole;
        const auto* processed = reinterpret_cast<const float*>(data + (whole - m_heldLeft));
        const LONGLONG take = std::min<LONGLONG>(m_heldLeft / kFrameBytes, mixEnd - m_mixedTo);
        for (LONGLONG k = 0; k < take; ++k) {
            const LONGLONG at = m_mixedTo + k;
            // Late output of an earlier buffer, and output for the zeros sent before the clip.
            if (at < position || at < m_range.start)
                continue;
            float wet = 0.0f;
            float dry = 0.0f;
            GainsAt(at, &wet, &dry);
            float* out = buffer + 2 * (at - position);
            out[0] = out[0] * dry + processed[2 * k];
            out[1] = out[1] * dry + processed[2 * k + 1];
        }
        m_mixedTo += take;
        m_heldLeft -= static_cast<DWORD>(take) * kFrameBytes;
        if (m_heldLeft == 0) {
            m_host->ReleaseOutputBuffer(handle);
            m_heldHandle = -1;
        } else {
            m_heldHandle = handle;
        }
    }
}

bool CEfxClipChain::Send(const float* buffer, LONGLONG position, LONGLONG materialEnd)
{
    BYTE* data = nullptr;
    DWORD capacity = 0;
    if (m_host->GetInputBuffer(m_restart ? TRUE : FALSE, &data, &capacity) != S_OK)
        return false;
    m_restart = false;
    m_blockFrames = capacity / kFrameBytes;
    auto* input = reinterpret_cast<float*>(data);
    const LONGLONG frames = std::clamp<LONGLONG>(materialEnd - m_sentTo, 0, m_blockFrames);
    for (LONGLONG f = 0; f < frames; ++f) {
        const LONGLONG at = m_sentTo + f;
        float wet = 0.0f;
        float dry = 0.0f;
        // Before the clip, and before the buffer (frames an earlier pass could not send), zeros.
        if (at >= m_range.start && at >= position)
            GainsAt(at, &wet, &dry);
        const float* in = at >= position ? buffer + 2 * (at - position) : nullptr;
        input[2 * f] = in ? in[0] * wet : 0.0f;
        input[2 * f + 1] = in ? in[1] * wet : 0.0f;
    }
    memset(data + frames * kFrameBytes, 0, capacity - static_cast<DWORD>(frames) * kFrameBytes);
    m_sentTo += m_blockFrames;
    return SUCCEEDED(m_host->DeliverInputBuffer());
}

void CEfxClipChain::Process(float* buffer, unsigned frames, unsigned lookahead, LONGLONG position)
{
    if (!m_host || frames == 0)
        return;
    const LONGLONG ownEnd = position + frames;
    if (m_host->HasEffects() != 1) {
        if (m_streaming)
            Restart();
        m_expected = ownEnd;
        return;
    }
    m_host->Lock();
    if (position != m_expected && m_streaming)
        Restart();
    m_expected = ownEnd;
    const LONGLONG bufferEnd = ownEnd + lookahead;
    if (bufferEnd > m_range.start && position < m_range.end) {
        if (!m_streaming) {
            if (m_restart)
                Flush();
            m_streaming = true;
            m_sentTo = position;
            m_mixedTo = position;
        }
        // Output is taken for the buffer's own frames inside the clip; the material reaches to
        // the buffer's end or the clip's, whichever comes first.
        const LONGLONG mixEnd = std::min(ownEnd, m_range.end);
        const LONGLONG materialEnd = std::min(bufferEnd, m_range.end);
        for (int step = 0; step < kMaxPassSteps; ++step) {
            Drain(buffer, position, mixEnd);
            if (m_mixedTo >= mixEnd || m_sentTo >= materialEnd)
                break;
            // A block the material cannot fill waits for the next buffer's material, unless
            // frames of this buffer or the clip's end lie in it.
            const bool full = m_blockFrames == 0 || m_sentTo + m_blockFrames <= materialEnd;
            if (!full && m_sentTo >= mixEnd && materialEnd < m_range.end)
                break;
            if (!Send(buffer, position, materialEnd))
                break;
        }
        ScaleUnmixedTail(buffer, position, std::max({m_mixedTo, position, m_range.start}), mixEnd);
    }
    m_host->Unlock();
}

void CEfxClipChain::ScaleUnmixedTail(float* buffer, LONGLONG position, LONGLONG from, LONGLONG to) const
{
    for (LONGLONG at = from; at < to; ++at) {
        float wet = 0.0f;
        float dry = 0.0f;
        GainsAt(at, &wet, &dry);
        buffer[2 * (at - position)] *= dry;
        buffer[2 * (at - position) + 1] *= dry;
    }
}
