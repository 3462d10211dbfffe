#include "engine/playback/dsp/Resamp.h"

#include "engine/playback/dsp/SampleKernels.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

bool CResamp::Setup(unsigned targetRate, unsigned sourceRate, double cutoff)
{
    m_configured = false;
    m_coefficients.clear();
    m_delay.clear();
    if (targetRate < kMinRate || targetRate > kMaxRate || sourceRate < kMinRate || sourceRate > kMaxRate)
        return false;

    m_targetRate = targetRate;
    m_sourceRate = sourceRate;
    unsigned common = std::gcd(targetRate, sourceRate);
    m_up = targetRate / common;
    m_down = sourceRate / common;

    double scale = 1.0;
    if (targetRate < sourceRate) {
        double taps = sourceRate * std::numbers::pi / ((1.0 - cutoff) * targetRate);
        m_taps = static_cast<unsigned>(std::floor(taps)) | 1u;
        scale = cutoff * targetRate / sourceRate;
    } else {
        m_taps = kUpsamplingTaps;
    }
    m_length = m_up * m_taps;

    m_coefficients.assign(m_length, 0.0f);
    const double pi = std::numbers::pi;
    const int half = static_cast<int>(m_length / 2);
    for (unsigned i = 0; i < m_length; ++i) {
        double x = (1.0 / m_up) * scale * (static_cast<int>(i) - half) * pi;
        double sinc = x == 0.0 ? 1.0 : std::sin(x) / x;
        double n = static_cast<double>(m_length);
        double window = 0.35875 - 0.48829 * std::cos(2 * pi * i / n) + 0.14128 * std::cos(4 * pi * i / n) -
                        0.01168 * std::cos(6 * pi * i / n);
        m_coefficients[(i % m_up) * m_taps + i / m_up] = static_cast<float>(scale * window * sinc * kPrototypeGain);
    }

    m_delay.assign(2 * m_taps, 0.0f);
    m_delayHead = 0;
    m_outputCounter = 0;
    m_inputCounter = 0;
    m_configured = true;
    return true;
}

void CResamp::Restart(int64_t destinationFrame, int64_t firstSourceFrame)
{
    std::fill(m_delay.begin(), m_delay.end(), 0.0f);
    m_delayHead = 0;
    m_outputCounter = destinationFrame;
    m_inputCounter = firstSourceFrame;
}

void CResamp::Push(float sample)
{
    m_delayHead = m_delayHead == 0 ? m_taps - 1 : m_delayHead - 1;
    m_delay[m_delayHead] = sample;
    m_delay[m_delayHead + m_taps] = sample;
}

float CResamp::Output(unsigned phase) const
{
    float acc = 0.0f;
    DotProductFloatUnrolled4(&acc, &m_coefficients[phase * m_taps], &m_delay[m_delayHead], m_taps);
    return acc;
}

unsigned CResamp::Process(float* out, const float* in, unsigned outCapacity, unsigned inputCount, unsigned stride)
{
    if (!m_configured || m_targetRate == m_sourceRate || stride == 0)
        return 0;
    if (m_up == 1)
        return ProcessDecimate(out, in, outCapacity, inputCount, stride);
    if (m_down == 1)
        return ProcessInterpolate(out, in, outCapacity, inputCount, stride);
    return ProcessGeneral(out, in, outCapacity, inputCount, stride);
}

unsigned CResamp::ProcessDecimate(float* out, const float* in, unsigned outCapacity, unsigned inputCount,
                                  unsigned stride)
{
    // Every input goes through the delay line, also those past the last output that fits: the
    // next call's first outputs are computed from them.
    unsigned written = 0;
    for (unsigned i = 0; i < inputCount; ++i) {
        Push(in[i * stride]);
        if (i % m_down == 0 && written < outCapacity)
            out[(written++) * stride] = Output(0);
    }
    return written;
}

unsigned CResamp::ProcessInterpolate(float* out, const float* in, unsigned outCapacity, unsigned inputCount,
                                     unsigned stride)
{
    unsigned total = static_cast<unsigned>(std::min<uint64_t>(outCapacity, uint64_t{inputCount} * m_up));
    for (unsigned k = 0; k < total; ++k) {
        unsigned phase = k % m_up;
        if (phase == 0)
            Push(in[(k / m_up) * stride]);
        out[k * stride] = Output(phase);
    }
    return total;
}

unsigned CResamp::ProcessGeneral(float* out, const float* in, unsigned outCapacity, unsigned inputCount,
                                 unsigned stride)
{
    const double source = m_sourceRate;
    unsigned written = 0;
    unsigned used = 0;
    while (written < outCapacity) {
        double t = static_cast<double>(m_outputCounter) / m_targetRate;
        double position = t * source;
        // The input at or before t: the nearest one unless that lies after t.
        int64_t g = std::llround(position);
        if (static_cast<double>(g) / source > t)
            g = static_cast<int64_t>(std::floor(position));
        while (m_inputCounter < g && used < inputCount) {
            Push(in[(used++) * stride]);
            ++m_inputCounter;
        }
        // Not enough input for this output yet: it is made by the next call, so no phase step
        // appears where one call ends and the next begins.
        if (m_inputCounter < g)
            break;
        double fraction = source * (t - static_cast<double>(g) / source);
        double phase = std::floor(fraction * (m_up - 1));
        unsigned p = static_cast<unsigned>(std::clamp(phase, 0.0, static_cast<double>(m_up - 1)));
        out[(written++) * stride] = Output(p);
        ++m_outputCounter;
    }
    return written;
}
