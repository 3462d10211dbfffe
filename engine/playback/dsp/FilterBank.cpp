#include "engine/playback/dsp/FilterBank.h"

#include <cmath>
#include <numbers>

namespace {

// A polynomial in S given as (constant term, S term, S^2 term).
struct Poly {
    double c0, c1, c2;
};

// The bilinear substitution S = (1 - z^-1) / (1 + z^-1), multiplied through by (1 + z^-1)^2.
struct ZPoly {
    double z0, z1, z2;
};

ZPoly Bilinear(const Poly& p)
{
    return {p.c0 + p.c1 + p.c2, 2.0 * (p.c0 - p.c2), p.c0 - p.c1 + p.c2};
}

}  // namespace

void CFilterBank::Setup(unsigned sampleRate)
{
    Free();
    m_samplePeriod = 1.0 / (sampleRate ? sampleRate : 44100u);
    m_bandCount = 0;
    m_parameters.fill(BandParameters{});
    m_coefficients.fill(Coefficients{});
    ClearState();
    m_allocated = true;
}

void CFilterBank::Free()
{
    m_allocated = false;
    m_bandCount = 0;
}

void CFilterBank::SetBandCount(unsigned count)
{
    m_bandCount = count <= kBandCapacity ? count : kBandCapacity;
}

void CFilterBank::SetBand(unsigned band, int type, double frequency, double width, double gainDb)
{
    if (band >= kBandCapacity)
        return;
    m_parameters[band] = {type, frequency, width, gainDb};
}

void CFilterBank::SetBandGain(unsigned band, double gainDb)
{
    if (band < kBandCapacity)
        m_parameters[band].gainDb = gainDb;
}

void CFilterBank::ClearState()
{
    for (auto& channel : m_state)
        channel.fill(SectionState{});
}

void CFilterBank::Design()
{
    m_designResult = kDesignGood;
    if (!m_allocated)
        return;
    for (unsigned band = 0; band < m_bandCount; ++band) {
        int result = DesignBand(band);
        if (result != kDesignGood)
            m_designResult = result;
    }
}

int CFilterBank::DesignBand(unsigned band)
{
    const BandParameters& p = m_parameters[band];
    const double k = std::tan(std::numbers::pi * p.frequency * m_samplePeriod);
    const double k2 = k * k;
    const double r = p.width;
    Poly num{k2, 0.0, 0.0};
    Poly den{k2, k * r, 1.0};
    switch (p.type) {
    case kHighPass:
        num = {0.0, 0.0, 1.0};
        break;
    case kBandPass:
        num = {0.0, k * r, 0.0};
        break;
    case kNotch:
        num = {k2, 0.0, 1.0};
        break;
    case kType4:
        num = {k2, k * r, 1.0};
        den = {k2 * r / 2.0, k * r, r / 2.0};
        break;
    case kType5:
        num = {k2, k * r, -1.0};
        break;
    case kType6:
        num = {k2, 0.0, -0.1};
        break;
    case kType7:
        num = {-0.1 * k2, 0.0, 1.0};
        break;
    case kAllPass:
        num = {k2, -k * r, 1.0};
        break;
    case kPeaking: {
        double boost = std::pow(10.0, std::fabs(p.gainDb) / 20.0);
        double u = p.gainDb >= 0.0 ? boost : 1.0;
        double v = p.gainDb >= 0.0 ? 1.0 : boost;
        num = {k2, k * r * u, 1.0};
        den = {k2, k * r * v, 1.0};
        break;
    }
    case kFirstOrderLowPass:
        num = {k2, 0.0, 0.0};
        den = {k2, k, 0.0};
        break;
    case kFirstOrderHighPass:
        num = {0.0, k, 0.0};
        den = {k2, k, 0.0};
        break;
    case kShelf: {
        double w = std::pow(10.0, -std::fabs(p.gainDb) / 40.0);
        double v = p.gainDb >= 0.0 ? w : 1.0;
        double u = p.gainDb >= 0.0 ? 1.0 : w;
        double e = k * r / std::sqrt(1.0 / w);
        num = {v * k2, e, u};
        den = {u * k2, e, v};
        break;
    }
    default:
        break;
    }

    Coefficients& c = m_coefficients[band];
    c = Coefficients{};
    if (num.c0 == 0.0 && num.c1 == 0.0 && num.c2 == 0.0 && den.c0 == 0.0 && den.c1 == 0.0 && den.c2 == 0.0)
        return kDesignZeroPrototype;
    ZPoly b = Bilinear(num);
    ZPoly a = Bilinear(den);
    if (a.z0 == 0.0)
        return kDesignZeroDenominator;
    double a1 = a.z1 / a.z0;
    double a2 = a.z2 / a.z0;
    if (std::fabs(a1) > 2.0 || std::fabs(a2) > 2.0)
        return kDesignUnstable;
    c.b0 = static_cast<float>(b.z0 / a.z0);
    c.b1 = static_cast<float>(b.z1 / a.z0);
    c.b2 = static_cast<float>(b.z2 / a.z0);
    c.a1 = static_cast<float>(a1);
    c.a2 = static_cast<float>(a2);
    return kDesignGood;
}

void CFilterBank::Process(float* samples, unsigned channel, unsigned frames, unsigned stride)
{
    m_designResult = kDesignGood;
    if (!m_allocated || channel >= kChannelCapacity || stride == 0)
        return;
    for (unsigned band = 0; band < m_bandCount; ++band) {
        const Coefficients c = m_coefficients[band];
        SectionState s = m_state[channel][band];
        for (unsigned i = 0; i < frames; ++i) {
            float& x = samples[i * stride];
            s.w = x - (c.a1 * s.w1 + c.a2 * s.w2);
            x = c.b0 * s.w + c.b1 * s.w1 + c.b2 * s.w2;
            s.w2 = s.w1;
            s.w1 = s.w;
        }
        m_state[channel][band] = s;
    }
}
