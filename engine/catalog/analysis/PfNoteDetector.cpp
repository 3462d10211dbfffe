#include "engine/catalog/analysis/PfNoteDetector.h"

#include <mmreg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "engine/catalog/analysis/PfCancel.h"
#include "engine/catalog/analysis/ProfileResults.h"

namespace {

// Note periods in seconds, C1 .. B2.
constexpr double kNotePeriods[CPfNoteDetector::kNoteCount] = {
    0.030578051, 0.028861837, 0.027241947, 0.025712974, 0.024269816, 0.022907655, 0.021621948, 0.020408401,
    0.019262965, 0.018181818, 0.017161351, 0.016198159, 0.015289026, 0.014430919, 0.013620973, 0.012856487,
    0.012134908, 0.011453828, 0.010810974, 0.010204200, 0.009631483, 0.009090909, 0.008580676, 0.008099079,
};

// The low-pass stage: three sections at 120 Hz, Q 1.25, designed for 44100 Hz whatever the
// source rate (the periods, not the filter, follow the source rate).
constexpr unsigned kFilterRate = 44100;
constexpr unsigned kFilterSections = 3;
constexpr int kLowPass = 0;
constexpr double kFilterFrequency = 120.0;
constexpr double kFilterQ = 1.25;

// Crossings whose following period never reaches this level are noise, not a note.
constexpr float kMinimumPeak = 0.01f;
// A period comparison fails when the difference exceeds this share of the crossing's peak.
constexpr float kDifferenceShare = 0.6f;
constexpr unsigned kPeriodsCompared = 4;
constexpr unsigned kPeakStride = 8;
constexpr float kConfidenceScale = 1.0f / 65536.0f;

// Minor, then major; index 0 is the tonic.
constexpr float kKeyTemplates[2][12] = {
    {0.352f, 0.0f, 0.114f, 0.176f, 0.0f, 0.073f, 0.0f, 0.066f, 0.034f, 0.0f, 0.183f, 0.0f},
    {0.16f, -0.1f, 0.1f, -0.1f, 0.1f, 0.145f, -0.1f, 0.1f, -0.1f, 0.135f, -0.1f, 0.1f},
};

}  // namespace

void CPfNoteMap::Insert(const CPfNoteDetection& detection)
{
    if (m_items.empty() || detection.confidence < m_smallest)
        m_smallest = detection.confidence;
    if (!m_items.empty() && detection.confidence > m_items.back().confidence)
        m_ordered = false;
    m_items.push_back(detection);
}

const CPfNoteDetection& CPfNoteMap::GetAt(INT_PTR index) const
{
    EnsureOrder();
    return m_items[static_cast<size_t>(index)];
}

void CPfNoteMap::RemoveAll()
{
    m_items.clear();
    m_ordered = true;
    m_smallest = 0.0f;
}

void CPfNoteMap::EnsureOrder() const
{
    if (m_ordered)
        return;
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const CPfNoteDetection& a, const CPfNoteDetection& b) { return a.confidence > b.confidence; });
    m_ordered = true;
}

void CPfNoteMap::KeepSpaced(LONGLONG distance)
{
    EnsureOrder();
    std::vector<CPfNoteDetection> kept;
    std::set<LONGLONG> keptPositions;
    for (const CPfNoteDetection& d : m_items) {
        // The nearest kept positions on either side decide.
        auto above = keptPositions.lower_bound(d.position);
        if (above != keptPositions.end() && *above - d.position <= distance)
            continue;
        if (above != keptPositions.begin() && d.position - *std::prev(above) <= distance)
            continue;
        keptPositions.insert(d.position);
        kept.push_back(d);
    }
    m_items.swap(kept);
    m_smallest = m_items.empty() ? 0.0f : m_items.back().confidence;
}

bool CPfNoteDetector::Create(IPcmReader* reader, CPfPcmThumbnail* bassThumbnail)
{
    m_ready = false;
    m_notes.RemoveAll();
    m_fill = 0;
    m_basePosition = 0;
    m_bass = bassThumbnail;
    if (!reader)
        return false;
    if (m_bass)
        m_bass->PrepareFromReader(reader, kBassBlockSize);

    m_filter.Setup(kFilterRate);
    m_filter.SetBandCount(kFilterSections);
    for (unsigned band = 0; band < kFilterSections; ++band)
        m_filter.SetBand(band, kLowPass, kFilterFrequency, kFilterQ, 0.0);
    m_filter.Design();

    // GetFormatInfo fills an 18-byte WAVEFORMATEX.
    WAVEFORMATEX format = {};
    if (FAILED(reader->GetFormatInfo(reinterpret_cast<unsigned char*>(&format))))
        return false;
    m_sampleRate = format.nSamplesPerSec;
    for (unsigned j = 0; j < kNoteCount; ++j)
        m_periods[j] = static_cast<LONGLONG>(kNotePeriods[j] * m_sampleRate);
    m_buffer = reinterpret_cast<float*>(m_bufferPages.Allocate(kBufferSamples * sizeof(float)));
    // Every period must be at least one sample, or a note would compare a sample with itself.
    m_ready = m_sampleRate != 0 && m_buffer != nullptr && m_periods[kNoteCount - 1] > 0;
    return m_ready;
}

HRESULT CPfNoteDetector::AddBlock(const float* samples, unsigned count)
{
    if (!m_ready || !samples)
        return E_FAIL;
    if (m_fill + count < kBufferSamples) {
        std::memcpy(m_buffer + m_fill, samples, count * sizeof(float));
        m_filter.Process(m_buffer + m_fill, 0, count, 1);
        m_fill += count;
    }
    if (m_fill > kAnalyseAbove) {
        AnalyseCrossings(kAnalyseSamples, m_fill);
        if (m_bass)
            m_bass->FillFromSamples(m_buffer, kAnalyseSamples, m_basePosition);
        std::memmove(m_buffer, m_buffer + kAnalyseSamples, (m_fill - kAnalyseSamples) * sizeof(float));
        m_fill -= kAnalyseSamples;
        m_basePosition += kAnalyseSamples;
    }
    return S_OK;
}

HRESULT CPfNoteDetector::Finish(const volatile LONG* cancel)
{
    if (PfIsCancelled(cancel))
        return S_FALSE;
    if (!m_ready)
        return E_FAIL;
    AnalyseCrossings(m_fill, m_fill);
    if (m_bass)
        m_bass->FillFromSamples(m_buffer, static_cast<LONG>(m_fill), m_basePosition);
    m_notes.KeepSpaced(kMinimumSpacing);
    return S_OK;
}

void CPfNoteDetector::AnalyseCrossings(unsigned count, unsigned extent)
{
    if (extent == 0)
        return;
    const float* buffer = m_buffer;
    const LONGLONG lastIndex = static_cast<LONGLONG>(extent) - 1;
    const LONGLONG longest = m_periods[0];
    for (unsigned i = 1; i < count; ++i) {
        if (!(buffer[i - 1] < 0.0f && buffer[i] >= 0.0f))
            continue;
        const LONGLONG end = std::min<LONGLONG>(i + longest, lastIndex);
        if (i >= end)
            continue;
        float peak = buffer[i];
        for (LONGLONG k = i + kPeakStride; k < end; k += kPeakStride)
            peak = std::max(peak, buffer[k]);
        if (peak < kMinimumPeak)
            continue;
        const float limit = kDifferenceShare * peak;

        for (unsigned j = 0; j < kNoteCount; ++j) {
            const LONGLONG period = m_periods[j];
            // No sample one period on is readable: the walk would compare nothing.
            if (i + period > lastIndex)
                continue;
            const LONGLONG walkEnd = std::min<LONGLONG>(lastIndex, i + period);
            double sum = 0.0;
            unsigned compared = 0;
            LONGLONG l = i;
            bool failed = false;
            for (; l <= walkEnd; ++l) {
                const LONGLONG reach = std::min<LONGLONG>(lastIndex, l + kPeriodsCompared * period);
                for (LONGLONG other = l + period; other <= reach; other += period) {
                    const float difference = std::fabs(buffer[l] - buffer[other]);
                    if (difference > limit) {
                        failed = true;
                        break;
                    }
                    sum += difference;
                    ++compared;
                }
                if (failed)
                    break;
            }
            // The walk counts as complete when it got to its end, also when the last step failed.
            const LONGLONG reached = failed ? l : walkEnd;
            if (reached != walkEnd || compared == 0)
                continue;
            CPfNoteDetection detection;
            const LONGLONG samplePosition = m_basePosition + i;
            detection.position = (samplePosition * 1000000 + m_sampleRate / 2) / m_sampleRate;
            detection.note = static_cast<WORD>(j);
            detection.confidence = 1.0f - static_cast<float>(sum / compared) * kConfidenceScale;
            m_notes.Insert(detection);
        }
    }
}

PfKey DetectKey(const CPfNoteMap& notes)
{
    CPfKeyMap map;
    for (INT_PTR i = 0; i < notes.GetCount(); ++i) {
        map.bins[notes.GetAt(i).note % 12] += 1.0f;
        ++map.count;
    }
    if (map.count > 0) {
        for (float& bin : map.bins)
            bin /= static_cast<float>(map.count);
    }
    PfKey key;
    float best = 0.0f;
    for (WORD mode = 1; mode <= 2; ++mode) {
        const float* table = kKeyTemplates[mode - 1];
        for (WORD tonic = 0; tonic < 12; ++tonic) {
            float correlation = 0.0f;
            for (unsigned i = 0; i < 12; ++i)
                correlation += map.bins[i] * table[(i + 12 - tonic) % 12];
            if (correlation > best) {
                best = correlation;
                key.keyIndex = tonic;
                key.mode = mode;
            }
        }
    }
    return key;
}

void DetectKey(const volatile LONG* cancel, const CPfNoteMap& notes, CProfileResults& results)
{
    if (PfIsCancelled(cancel))
        return;
    const PfKey key = DetectKey(notes);
    results.SetKey(key.keyIndex, key.mode);
}
