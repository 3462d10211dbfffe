// CPfPcmThumbnail: one float per block of sample frames (a level thumbnail), the reduced form of
// a music file that every analysis step after the single read of the audio works on.
//
// Geometry: block count = sample count / block size (integer division). Reads outside the values
// give 0, writes outside are ignored. The values are page allocations (VirtualAlloc).
//
// Threads: the analysis job's thread; the owner serialises every call.
#pragma once

#include <windows.h>

#include "engine/core/storage/PageBuffer.h"
#include "interfaces/IPcmReader.h"

struct BEATSCAN;

class CPfPcmThumbnail {
public:
    CPfPcmThumbnail() = default;
    // A copy gets its own values of the same geometry; values, peak measure level and blocks per
    // measure are copied when the counts agree (they do unless the allocation failed).
    CPfPcmThumbnail(const CPfPcmThumbnail& other);
    CPfPcmThumbnail& operator=(const CPfPcmThumbnail& other);
    virtual ~CPfPcmThumbnail() = default;

    // Stores the geometry (a rate of 0 keeps the old rate), frees the old values and takes
    // sampleCount / blockSize zeroed values. False for a block size of 0 or a failed allocation
    // (the thumbnail is then empty).
    bool Allocate(DWORD sampleRate, LONGLONG sampleCount, WORD blockSize);
    // Allocate with the reader's sample count and rate; false when either query fails, or the
    // rate or the block size is 0.
    bool PrepareFromReader(IPcmReader* reader, WORD blockSize);

    float GetValue(LONG index) const;
    void SetValue(LONG index, float value);
    float* GetValues() { return m_values; }
    const float* GetValues() const { return m_values; }
    LONG GetCount() const { return m_count; }

    LONGLONG GetSampleCount() const { return m_sampleCount; }
    DWORD GetSampleRate() const { return m_sampleRate; }
    WORD GetBlockSize() const { return m_blockSize; }
    float GetPeakMeasureLevel() const { return m_peakMeasureLevel; }
    DWORD GetStoredBlocksPerMeasure() const { return m_blocksPerMeasure; }

    // Frames in one four-beat measure: rate / (bpm / 4 / 60) in floating point, truncated; 0 for
    // a tempo that is not positive.
    LONGLONG SamplesPerMeasure(float bpm) const;
    // SamplesPerMeasure / block size; a tempo of 0 gives the stored blocks per measure.
    DWORD BlocksPerMeasure(float bpm) const;
    // Stores the peak measure level (MaximumMeasureAverage) and the blocks per measure.
    void SetTempo(float bpm);
    // The largest running mean over one measure of blocks (the first sums are partial), never
    // below 0; 0 when the measure has no whole block or the thumbnail is empty.
    float MaximumMeasureAverage(float bpm) const;

    // Largest value of blocks first..last (last clamped to the final block); 0 when first is past
    // the end or after last.
    float WindowMaximum(LONG first, LONG last) const;
    float Maximum() const;
    float Minimum() const;
    // Mean of the blocks between two entries of the record's position list: the sum from the
    // first to the last block inclusive, divided by the block distance (by 1 when both lie in one
    // block). A missing last entry means the final block; 0 for an empty thumbnail.
    float AverageBetween(const BEATSCAN& record, INT_PTR firstEntry, INT_PTR lastEntry) const;

    // For every whole block of samples, the largest magnitude goes to block
    // (firstSamplePosition + offset) / block size.
    void FillFromSamples(const float* samples, LONG count, LONGLONG firstSamplePosition);

    // Centred moving average over 9 blocks (all of them when fewer). The values change only when
    // the pass was not cancelled; returns false when cancelled.
    bool Smooth(const volatile LONG* cancel);
    // Replaces every dip by the envelope of the peaks before it, each decaying linearly to 0 over
    // a sixteenth of a measure at 164 BPM. False (values unchanged) when that is under one block.
    bool PeakHoldEnvelope(const volatile LONG* cancel);
    // Spreads every value forward along v x (1 - ((d - 1) / H)^4) over H = stored blocks per
    // measure / divisor blocks, raising only blocks below the curve. False when H is 0 or the
    // pass was cancelled.
    bool DecayShaping(const volatile LONG* cancel, int divisor);

private:
    void CopyFrom(const CPfPcmThumbnail& other);

    CPageBuffer m_storage;
    float* m_values = nullptr;
    LONG m_count = 0;
    LONGLONG m_sampleCount = 0;
    DWORD m_sampleRate = 1;
    WORD m_blockSize = 1;
    float m_peakMeasureLevel = 0.0f;
    DWORD m_blocksPerMeasure = 0;
};
