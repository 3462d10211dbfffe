#include "engine/catalog/analysis/PfSpecEngBuilder.h"

#include <cmath>
#include <numbers>

#include "engine/catalog/analysis/PfNoteDetector.h"

namespace {
constexpr unsigned kHighBandBins = 16;
}  // namespace

CPfSpecEngBuilder::CPfSpecEngBuilder(unsigned blockSize) : m_size(blockSize)
{
    if (blockSize < 4 || (blockSize & (blockSize - 1)) != 0)
        return;
    const unsigned half = blockSize / 2;
    m_window.resize(blockSize);
    for (unsigned i = 0; i < blockSize; ++i)
        m_window[i] = static_cast<float>(0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * i / blockSize));
    unsigned bits = 0;
    while ((1u << bits) < half)
        ++bits;
    m_bitReverse.resize(half);
    for (unsigned i = 0; i < half; ++i) {
        unsigned r = 0;
        for (unsigned b = 0; b < bits; ++b)
            r |= ((i >> b) & 1u) << (bits - 1 - b);
        m_bitReverse[i] = r;
    }
    // e^(-2 pi i k / N) for k < N/2: the complex FFT uses the even ones, the real split all.
    m_twiddle.resize(half);
    for (unsigned k = 0; k < half; ++k) {
        const double angle = -2.0 * std::numbers::pi * k / blockSize;
        m_twiddle[k] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
    }
    m_input = reinterpret_cast<float*>(m_inputPages.Allocate(blockSize * sizeof(float)));
    m_magnitude = reinterpret_cast<float*>(m_magnitudePages.Allocate(half * sizeof(float)));
    m_work.resize(half);
    m_ready = m_input != nullptr && m_magnitude != nullptr;
}

float CPfSpecEngBuilder::AnalyseBlock(const short* frames, CPfNoteDetector* noteDetector, float* lowBand,
                                      float* highBand)
{
    if (lowBand)
        *lowBand = 0.0f;
    if (highBand)
        *highBand = 0.0f;
    if (!m_ready || !frames)
        return 0.0f;
    for (unsigned i = 0; i < m_size; ++i) {
        m_input[i] = static_cast<float>(frames[2 * i]);
        m_input[i] += static_cast<float>(frames[2 * i + 1]);
    }
    if (noteDetector)
        noteDetector->AddBlock(m_input, m_size);
    Transform();

    const unsigned half = m_size / 2;
    float level = 0.0f;
    for (unsigned k = 1; k < half; ++k)
        level += m_magnitude[k];
    if (lowBand)
        *lowBand = m_magnitude[1];
    if (highBand && m_size >= 2 * kHighBandBins) {
        float sum = 0.0f;
        for (unsigned k = half - kHighBandBins; k < half; ++k)
            sum += m_magnitude[k];
        *highBand = sum;
    }
    return level;
}

void CPfSpecEngBuilder::Transform()
{
    const unsigned half = m_size / 2;
    // Even samples as real parts, odd samples as imaginary parts, in bit-reversed order.
    for (unsigned n = 0; n < half; ++n) {
        const unsigned r = m_bitReverse[n];
        m_work[r] = {m_input[2 * n] * m_window[2 * n], m_input[2 * n + 1] * m_window[2 * n + 1]};
    }
    // Each stage halves its outputs: the complex transform comes out scaled by 1 / (N/2).
    for (unsigned span = 1; span < half; span *= 2) {
        const unsigned stride = half / span;  // twiddle step in units of 2 pi / (N/2)
        for (unsigned start = 0; start < half; start += 2 * span) {
            for (unsigned k = 0; k < span; ++k) {
                const std::complex<float> w = m_twiddle[k * stride];
                const std::complex<float> a = m_work[start + k];
                const std::complex<float> b = m_work[start + k + span] * w;
                m_work[start + k] = (a + b) * 0.5f;
                m_work[start + k + span] = (a - b) * 0.5f;
            }
        }
    }
    // Real split: X[k] = (Z[k] + conj Z[N/2-k]) / 2 + e^(-2 pi i k / N) (Z[k] - conj Z[N/2-k]) / 2i.
    // With Z scaled by 2 / N, X comes out scaled by 2 / N as well. Bin 0 holds X[0] + X[N/2].
    const std::complex<float> z0 = m_work[0];
    m_magnitude[0] = std::fabs(2.0f * z0.real());
    for (unsigned k = 1; k < half; ++k) {
        const std::complex<float> zk = m_work[k];
        const std::complex<float> zm = std::conj(m_work[half - k]);
        const std::complex<float> even = (zk + zm) * 0.5f;
        const std::complex<float> odd = (zk - zm) * std::complex<float>(0.0f, -0.5f);
        const std::complex<float> x = even + m_twiddle[k] * odd;
        m_magnitude[k] = std::sqrt(x.real() * x.real() + x.imag() * x.imag());
    }
}
