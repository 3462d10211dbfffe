// CFinalMix: the last stage of a play stream's graph. Pulls float audio from upstream (the effects
// chain), converts it to 16-bit stereo PCM with clipping, and keeps the peak rings behind the
// output level meters: per 256 output frames and channel the largest magnitude of the float
// stream before conversion (1.0 = 0 dB, so clipped material reads above 0 dB). A group split
// between two reads carries over to the next.
//
// Threads: Read and SetBufferedBytes on the device thread; GetLevels on the caller's thread under
// the global mix lock. The token orders the ring index updates.
#pragma once

#include <windows.h>

#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/storage/PageBuffer.h"
#include "engine/playback/graph/ChainStage.h"

class CFinalMix : public CChainStage {
public:
    static constexpr unsigned kWorkBytes = 352800;
    static constexpr unsigned kRingSize = 256;
    static constexpr unsigned kFramesPerPeak = 256;
    static constexpr float kSilentDb = -144.0f;

    // Takes a reference on upstream.
    explicit CFinalMix(IPlayerInput* upstream);

    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override;
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) override;
    HRESULT STDMETHODCALLTYPE GetLength(LONGLONG* bytes) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;

    // The four meter readings in decibels; all -144 when not running.
    HRESULT GetLevels(float* peakLeft, float* peakRight, float* holdLeft, float* holdRight, BOOL running);

private:
    void StorePeaks(const float* samples, unsigned frames);

    WAVEFORMATEX m_format{};
    CPageBuffer m_work;
    CPageBuffer m_rings;
    bool m_ready = false;
    unsigned m_ratio = 2;
    BYTE m_writeIndex = 0;
    BYTE m_audibleIndex = 0;
    BYTE m_lastReadIndex = 0;
    CSingleThreadToken m_token;
    // The group being gathered: frames so far and the channels' largest magnitudes.
    unsigned m_groupFrames = 0;
    float m_groupLeft = 0.0f;
    float m_groupRight = 0.0f;
};
