#include "engine/catalog/analysis/PfPcmThumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/PfCancel.h"

namespace {
constexpr LONG kSmoothWidth = 9;
// The peak-hold decay lasts a sixteenth of a measure at the fastest tempo the analysis knows.
constexpr float kPeakHoldBpm = 164.0f;
constexpr unsigned kPeakHoldShift = 4;
}  // namespace

CPfPcmThumbnail::CPfPcmThumbnail(const CPfPcmThumbnail& other)
{
    CopyFrom(other);
}

CPfPcmThumbnail& CPfPcmThumbnail::operator=(const CPfPcmThumbnail& other)
{
    if (&other != this)
        CopyFrom(other);
    return *this;
}

void CPfPcmThumbnail::CopyFrom(const CPfPcmThumbnail& other)
{
    m_peakMeasureLevel = 0.0f;
    m_blocksPerMeasure = 0;
    m_sampleRate = other.m_sampleRate;
    if (!Allocate(other.m_sampleRate, other.m_sampleCount, other.m_blockSize))
        return;
    if (m_count == other.m_count) {
        if (m_count > 0)
            std::memcpy(m_values, other.m_values, static_cast<size_t>(m_count) * sizeof(float));
        m_peakMeasureLevel = other.m_peakMeasureLevel;
        m_blocksPerMeasure = other.m_blocksPerMeasure;
    }
}

bool CPfPcmThumbnail::Allocate(DWORD sampleRate, LONGLONG sampleCount, WORD blockSize)
{
    m_storage.Free();
    m_values = nullptr;
    m_count = 0;
    if (blockSize == 0)
        return false;
    if (sampleRate != 0)
        m_sampleRate = sampleRate;
    m_sampleCount = sampleCount > 0 ? sampleCount : 0;
    m_blockSize = blockSize;
    const LONGLONG blocks = m_sampleCount / blockSize;
    if (blocks == 0)
        return true;
    if (blocks > 0x7FFFFFFF)
        return false;
    auto* values = reinterpret_cast<float*>(m_storage.Allocate(static_cast<SIZE_T>(blocks) * sizeof(float)));
    if (!values)
        return false;
    m_values = values;
    m_count = static_cast<LONG>(blocks);
    return true;
}

bool CPfPcmThumbnail::PrepareFromReader(IPcmReader* reader, WORD blockSize)
{
    if (!reader || blockSize == 0)
        return false;
    LONGLONG sampleCount = 0;
    unsigned long sampleRate = 0;
    if (FAILED(reader->GetSampleCount(&sampleCount)) || FAILED(reader->GetSampleRate(&sampleRate)) || sampleRate == 0)
        return false;
    return Allocate(sampleRate, sampleCount, blockSize);
}

float CPfPcmThumbnail::GetValue(LONG index) const
{
    return index >= 0 && index < m_count ? m_values[index] : 0.0f;
}

void CPfPcmThumbnail::SetValue(LONG index, float value)
{
    if (index >= 0 && index < m_count)
        m_values[index] = value;
}

LONGLONG CPfPcmThumbnail::SamplesPerMeasure(float bpm) const
{
    return PfSamplesPerMeasure(m_sampleRate, bpm);
}

DWORD CPfPcmThumbnail::BlocksPerMeasure(float bpm) const
{
    if (bpm == 0.0f)
        return m_blocksPerMeasure;
    const LONGLONG blocks = SamplesPerMeasure(bpm) / m_blockSize;
    return blocks > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<DWORD>(blocks);
}

void CPfPcmThumbnail::SetTempo(float bpm)
{
    m_peakMeasureLevel = MaximumMeasureAverage(bpm);
    const LONGLONG blocks = SamplesPerMeasure(bpm) / m_blockSize;
    m_blocksPerMeasure = blocks > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<DWORD>(blocks);
}

float CPfPcmThumbnail::MaximumMeasureAverage(float bpm) const
{
    const DWORD window = BlocksPerMeasure(bpm);
    if (window == 0 || m_count == 0)
        return 0.0f;
    const double scale = 1.0 / window;
    double sum = 0.0;
    double best = 0.0;
    for (LONG i = 0; i < m_count; ++i) {
        sum += m_values[i];
        if (static_cast<DWORD>(i) >= window)
            sum -= m_values[i - static_cast<LONG>(window)];
        best = std::max(best, sum * scale);
    }
    return static_cast<float>(best);
}

float CPfPcmThumbnail::WindowMaximum(LONG first, LONG last) const
{
    if (first < 0)
        first = 0;
    if (first >= m_count)
        return 0.0f;
    last = std::min(last, m_count - 1);
    if (last < first)
        return 0.0f;
    float best = m_values[first];
    for (LONG i = first + 1; i <= last; ++i)
        best = std::max(best, m_values[i]);
    return best;
}

float CPfPcmThumbnail::Maximum() const
{
    return m_count == 0 ? 0.0f : *std::max_element(m_values, m_values + m_count);
}

float CPfPcmThumbnail::Minimum() const
{
    return m_count == 0 ? 0.0f : *std::min_element(m_values, m_values + m_count);
}

float CPfPcmThumbnail::AverageBetween(const BEATSCAN& record, INT_PTR firstEntry, INT_PTR lastEntry) const
{
    if (m_count == 0)
        return 0.0f;
    const auto entries = static_cast<INT_PTR>(record.positions.size());
    LONGLONG first = firstEntry >= 0 && firstEntry < entries ? record.positions[firstEntry] / m_blockSize : 0;
    LONGLONG last = lastEntry >= 0 && lastEntry < entries ? record.positions[lastEntry] / m_blockSize : m_count - 1;
    first = std::max<LONGLONG>(first, 0);
    last = std::min<LONGLONG>(last, m_count - 1);
    if (last < first)
        return 0.0f;
    double sum = 0.0;
    for (LONGLONG i = first; i <= last; ++i)
        sum += m_values[i];
    // Both entries in one block: the mean of that block alone.
    const LONGLONG span = last > first ? last - first : 1;
    return static_cast<float>(sum / static_cast<double>(span));
}

void CPfPcmThumbnail::FillFromSamples(const float* samples, LONG count, LONGLONG firstSamplePosition)
{
    if (!samples || count <= 0)
        return;
    for (LONG offset = 0; offset + m_blockSize <= count; offset += m_blockSize) {
        float largest = 0.0f;
        for (LONG k = 0; k < m_blockSize; ++k)
            largest = std::max(largest, std::fabs(samples[offset + k]));
        const LONGLONG block = (firstSamplePosition + offset) / m_blockSize;
        if (block >= 0 && block < m_count)
            m_values[block] = largest;
    }
}

bool CPfPcmThumbnail::Smooth(const volatile LONG* cancel)
{
    if (m_count == 0)
        return !PfIsCancelled(cancel);
    const LONG width = std::min(kSmoothWidth, m_count);
    const LONG half = width / 2;
    std::vector<float> smoothed(static_cast<size_t>(m_count));
    double sum = 0.0;
    for (LONG k = 0; k < width; ++k)
        sum += m_values[k];
    LONG windowStart = 0;
    for (LONG i = 0; i < m_count; ++i) {
        if (PfIsCancelled(cancel))
            return false;
        smoothed[static_cast<size_t>(i)] = static_cast<float>(sum / width);
        // The window stays on the first full window at the start and stops sliding before the
        // end, so no output reads past the values.
        if (half < i + 1 && i + 1 < m_count - half - 1) {
            sum -= m_values[windowStart];
            sum += m_values[windowStart + width];
            ++windowStart;
        }
    }
    std::memcpy(m_values, smoothed.data(), static_cast<size_t>(m_count) * sizeof(float));
    return true;
}

bool CPfPcmThumbnail::PeakHoldEnvelope(const volatile LONG* cancel)
{
    const DWORD window = BlocksPerMeasure(kPeakHoldBpm) >> kPeakHoldShift;
    if (window == 0)
        return false;
    float envelope = Minimum();
    float decrement = 0.0f;
    for (LONG b = 0; b < m_count; ++b) {
        if (PfIsCancelled(cancel))
            return false;
        const float value = m_values[b];
        if (value > envelope) {
            envelope = value;
            decrement = value / static_cast<float>(window);
        } else {
            m_values[b] = envelope;
        }
        envelope -= decrement;
    }
    return true;
}

bool CPfPcmThumbnail::DecayShaping(const volatile LONG* cancel, int divisor)
{
    if (divisor <= 0 || PfIsCancelled(cancel))
        return false;
    const DWORD reach = m_blocksPerMeasure / static_cast<DWORD>(divisor);
    if (reach == 0)
        return false;
    const double h = static_cast<double>(reach);
    for (LONG b = m_count - 1; b >= 0; --b) {
        const float v = m_values[b];
        // Beyond d - 1 = H the curve is below 0 and no level lies under it.
        for (LONGLONG d = 1; b + d < m_count && d - 1 <= static_cast<LONGLONG>(reach); ++d) {
            const double x = static_cast<double>(d - 1) / h;
            const float curve = d == 1 ? v : static_cast<float>(v * (1.0 - x * x * x * x));
            float& target = m_values[b + d];
            if (target >= curve)
                break;
            target = curve;
        }
        if (PfIsCancelled(cancel))
            return false;
    }
    return true;
}
