// Bass-note and key detection. While the thumbnails are built, every block of summed mono samples
// passes through CPfNoteDetector: it low-passes the signal, finds stretches where the waveform
// repeats with the period of one of the 24 notes C1..B2 (equal temperament, A1 = 55 Hz), keeps
// the most confident detections at least half a second apart and fills the bass thumbnail with
// block maxima of the filtered signal. The key is then the rotation of a minor or a major template
// that correlates best with the histogram of the detected pitch classes.
//
// Threads: the analysis job's thread only. The sample buffer is taken once at Create, so memory
// stays constant for any track length.
#pragma once

#include <windows.h>

#include <array>
#include <vector>

#include "engine/catalog/analysis/PfPcmThumbnail.h"
#include "engine/core/storage/PageBuffer.h"
#include "engine/playback/dsp/FilterBank.h"
#include "interfaces/IPcmReader.h"

class CProfileResults;

// One detected note.
struct CPfNoteDetection {
    // Microseconds from the file start to the note's upward zero crossing.
    LONGLONG position = 0;
    // 0..23: C1 = 0, one semitone per step, B2 = 23.
    WORD note = 0;
    // 1 - (mean absolute difference between periods) / 65536.
    float confidence = 0.0f;
};
static_assert(sizeof(CPfNoteDetection) == 16);

// Detections in descending order of confidence; equal confidences keep the order they came in.
// A long track gives tens of thousands of detections, so they are appended and put in order
// (a stable sort) when the list is next read, instead of being inserted one by one.
class CPfNoteMap {
public:
    void Insert(const CPfNoteDetection& detection);
    INT_PTR GetCount() const { return static_cast<INT_PTR>(m_items.size()); }
    // index must lie in [0, GetCount()).
    const CPfNoteDetection& GetAt(INT_PTR index) const;
    float GetSmallestConfidence() const { return m_smallest; }
    void RemoveAll();
    // Keeps, in order, each detection with no kept one within `distance` microseconds on either
    // side (bounds inclusive).
    void KeepSpaced(LONGLONG distance);

private:
    void EnsureOrder() const;

    mutable std::vector<CPfNoteDetection> m_items;
    mutable bool m_ordered = true;
    float m_smallest = 0.0f;
};

class CPfNoteDetector {
public:
    static constexpr unsigned kNoteCount = 24;
    static constexpr unsigned kBufferSamples = 65536;
    // An analysis runs once the buffer holds more than this many samples ...
    static constexpr unsigned kAnalyseAbove = 61439;
    // ... over this many samples at its front, reading on into the rest.
    static constexpr unsigned kAnalyseSamples = 32768;
    static constexpr WORD kBassBlockSize = 256;
    // Detections closer than this (microseconds) to a more confident one are dropped by Finish.
    static constexpr LONGLONG kMinimumSpacing = 500000;

    CPfNoteDetector() = default;
    CPfNoteDetector(const CPfNoteDetector&) = delete;
    CPfNoteDetector& operator=(const CPfNoteDetector&) = delete;

    // Prepares the bass thumbnail from the reader (block size 256) and takes the buffer. The
    // detector stays not ready when the reader's format cannot be read, its rate is 0 or the
    // buffer cannot be had; the bass thumbnail then stays zero.
    bool Create(IPcmReader* reader, CPfPcmThumbnail* bassThumbnail);
    bool IsReady() const { return m_ready; }

    // One block of summed mono samples, before windowing. E_FAIL when not ready.
    HRESULT AddBlock(const float* samples, unsigned count);
    // Analyses what the buffer still holds, fills the rest of the bass thumbnail and keeps the
    // detections at least half a second apart. Returns at once when cancelled.
    HRESULT Finish(const volatile LONG* cancel);

    const CPfNoteMap& GetNoteMap() const { return m_notes; }
    const std::array<LONGLONG, kNoteCount>& GetPeriods() const { return m_periods; }

private:
    // Zero-crossing analysis of the first `count` held samples, reading up to `extent`.
    void AnalyseCrossings(unsigned count, unsigned extent);

    CPfNoteMap m_notes;
    CFilterBank m_filter;
    CPageBuffer m_bufferPages;
    float* m_buffer = nullptr;
    unsigned m_fill = 0;
    LONGLONG m_basePosition = 0;
    DWORD m_sampleRate = 0;
    std::array<LONGLONG, kNoteCount> m_periods{};
    bool m_ready = false;
    CPfPcmThumbnail* m_bass = nullptr;
};

// Pitch-class histogram of the detected notes.
struct CPfKeyMap {
    std::array<float, 12> bins{};
    int count = 0;
};

// Key index 0 = C .. 11 = B; mode 0 none, 1 minor, 2 major.
struct PfKey {
    WORD keyIndex = 0;
    WORD mode = 0;
};

// The best-correlating template rotation of the detections' pitch classes (the first strictly
// best, minor before major); mode 0 when no correlation is above 0.
PfKey DetectKey(const CPfNoteMap& notes);
// Writes DetectKey's result into the results; nothing when cancelled.
void DetectKey(const volatile LONG* cancel, const CPfNoteMap& notes, CProfileResults& results);
