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

void CEfxClipChain::Flush()
{
    m_host->ReleaseOutputBuffer(-1);
    BYTE* data = nullptr;
    DWORD bytes = 0;
    if (m_host->GetInputBuffer(TRUE, &data, &bytes) == S_OK) {
        memset(data, 0, bytes);
        m_host->DeliverInputBuffer();
    }
    m_host->ReleaseOutputBuffer(-1);
}

void CEfxClipChain::Drain(float* buffer, LONGLONG position, DWORD leadBytes, DWORD spanBytes, DWORD* mixedBytes)
{
    for (int step = 0; step < kMaxPassSteps && *mixedBytes < spanBytes; ++step) {
        BYTE* data = nullptr;
        DWORD bytes = 0;
        LONGLONG handle = m_heldHandle;
        if (m_host->GetOutputBuffer(&data, &bytes, &handle) != S_OK) {
            m_heldHandle = -1;
            m_heldLeft = 0;
            return;
        }
        if (m_heldHandle == -1)
            m_heldLeft = bytes / kFrameBytes * kFrameBytes;
        DWORD offset = bytes / kFrameBytes * kFrameBytes - m_heldLeft;
        const DWORD late = std::min(m_late, m_heldLeft);
        m_late -= late;
        m_heldLeft -= late;
        offset += late;
        const DWORD take = std::min(m_heldLeft, spanBytes - *mixedBytes);
        const auto* processed = reinterpret_cast<const float*>(data + offset);
        for (DWORD done = 0; done < take; done += kFrameBytes) {
            const DWORD at = *mixedBytes + done;
            if (at < leadBytes)
                continue;
            const DWORD frame = at / kFrameBytes;
            float wet = 0.0f;
            float dry = 0.0f;
            GainsAt(position + frame, &wet, &dry);
            float* out = buffer + 2 * frame;
            const float* in = processed + done / sizeof(float);
            out[0] = out[0] * dry + in[0];
            out[1] = out[1] * dry + in[1];
        }
        *mixedBytes += take;
        m_heldLeft -= take;
        if (m_heldLeft == 0) {
            m_host->ReleaseOutputBuffer(handle);
            m_heldHandle = -1;
        } else {
            m_heldHandle = handle;
        }
    }
}

bool CEfxClipChain::Send(const float* buffer, LONGLONG position, DWORD spanBytes, DWORD* sentBytes)
{
    BYTE* data = nullptr;
    DWORD capacity = 0;
    if (m_host->GetInputBuffer(m_restart ? TRUE : FALSE, &data, &capacity) != S_OK)
        return false;
    m_restart = false;
    auto* input = reinterpret_cast<float*>(data);
    const DWORD bytes = std::min(capacity, spanBytes - *sentBytes) / kFrameBytes * kFrameBytes;
    const DWORD firstFrame = *sentBytes / kFrameBytes;
    for (DWORD f = 0; f < bytes / kFrameBytes; ++f) {
        const LONGLONG at = position + firstFrame + f;
        float wet = 0.0f;
        float dry = 0.0f;
        if (at >= m_range.start)
            GainsAt(at, &wet, &dry);
        input[2 * f] = buffer[2 * (firstFrame + f)] * wet;
        input[2 * f + 1] = buffer[2 * (firstFrame + f) + 1] * wet;
    }
    memset(data + bytes, 0, capacity - bytes);
    *sentBytes += capacity;
    return SUCCEEDED(m_host->DeliverInputBuffer());
}

void CEfxClipChain::Process(float* buffer, unsigned frames, LONGLONG position)
{
    if (!m_host || frames == 0)
        return;
    if (m_host->HasEffects() != 1) {
        ReleaseHeldOutput();
        m_carry = 0;
        m_late = 0;
        return;
    }
    m_host->Lock();
    if (position != m_expected) {
        ReleaseHeldOutput();
        m_host->ReleaseOutputBuffer(-1);
        m_carry = 0;
        m_late = 0;
        m_restart = true;
    }
    m_expected = position + frames;
    const LONGLONG bufferEnd = position + frames;
    if (bufferEnd > m_range.start && position < m_range.end) {
        if (m_restart)
            Flush();
        const DWORD leadBytes = static_cast<DWORD>(std::max<LONGLONG>(0, m_range.start - position)) * kFrameBytes;
        const DWORD spanBytes = static_cast<DWORD>(std::min(bufferEnd, m_range.end) - position) * kFrameBytes;
        // The carry's stream places hold zeros already: those bytes are not sent again.
        DWORD sent = std::min(m_carry, spanBytes);
        DWORD mixed = 0;
        for (int step = 0; step < kMaxPassSteps; ++step) {
            Drain(buffer, position, leadBytes, spanBytes, &mixed);
            if (mixed >= spanBytes || sent >= spanBytes)
                break;
            if (!Send(buffer, position, spanBytes, &sent))
                break;
        }
        // What the effect still holds back of this buffer comes late and is dropped then.
        m_late += spanBytes - std::min(mixed, spanBytes);
        m_carry = sent > spanBytes ? sent - spanBytes : 0;
        if (mixed < spanBytes)
            ScaleUnmixedTail(buffer, position, std::max(mixed, leadBytes), spanBytes);
    }
    m_host->Unlock();
}

void CEfxClipChain::ScaleUnmixedTail(float* buffer, LONGLONG position, DWORD fromBytes, DWORD spanBytes) const
{
    for (DWORD at = fromBytes; at < spanBytes; at += kFrameBytes) {
        const DWORD frame = at / kFrameBytes;
        float wet = 0.0f;
        float dry = 0.0f;
        GainsAt(position + frame, &wet, &dry);
        buffer[2 * frame] *= dry;
        buffer[2 * frame + 1] *= dry;
    }
}
