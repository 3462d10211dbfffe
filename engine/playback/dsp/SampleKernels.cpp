#include "engine/playback/dsp/SampleKernels.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr uint32_t kClipBits = std::bit_cast<uint32_t>(SampleKernels::kClipMagnitude);

// The magnitude is compared through the bit pattern, so NaN and infinities clip as well.
inline bool Clips(float x)
{
    return (std::bit_cast<uint32_t>(x) & 0x7FFFFFFFu) > kClipBits;
}
inline bool Negative(float x)
{
    return (std::bit_cast<uint32_t>(x) & 0x80000000u) != 0;
}

// Rounds with the processor's current mode (to nearest, ties to even by default).
inline int32_t RoundToInt(float x)
{
    return _mm_cvtss_si32(_mm_set_ss(x));
}

// One body for the contiguous and the strided form of each kernel: the contiguous form passes
// constant strides of 1, which the compiler folds away.
template <typename D, typename S, typename Op>
inline void Map(D* dst, unsigned dstStride, const S* src, unsigned srcStride, unsigned count, Op op)
{
    for (unsigned i = 0; i < count; ++i)
        op(dst[i * dstStride], src[i * srcStride]);
}

template <typename D, typename S, typename Op>
inline unsigned MapCounting(D* dst, unsigned dstStride, const S* src, unsigned srcStride, unsigned count, Op op)
{
    unsigned clipped = 0;
    for (unsigned i = 0; i < count; ++i)
        clipped += op(dst[i * dstStride], src[i * srcStride]) ? 1u : 0u;
    return clipped;
}

inline bool ToInt16(int16_t& d, float s)
{
    if (Clips(s)) {
        d = Negative(s) ? -32767 : 32767;
        return true;
    }
    d = static_cast<int16_t>(RoundToInt(s));
    return false;
}

inline bool ToInt32(int32_t& d, float s)
{
    if (Clips(s)) {
        d = Negative(s) ? static_cast<int32_t>(0x80000001u) : 0x7FFFFFFF;
        return true;
    }
    d = RoundToInt(s * 65536.0f);
    return false;
}

inline float Int24ToFloat(const uint8_t* p)
{
    int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                     static_cast<uint32_t>(p[2]) << 24) >>
                8;
    return static_cast<float>(v) / 256.0f;
}

inline bool FloatToInt24(uint8_t* p, float s)
{
    bool clipped = Clips(s);
    uint32_t v = clipped ? (Negative(s) ? 0x800001u : 0x7FFFFFu) : static_cast<uint32_t>(RoundToInt(s * 256.0f));
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    return clipped;
}

inline int16_t UInt8ToInt16(uint8_t b)
{
    return static_cast<int16_t>((static_cast<int>(b) - 128) * 256);
}
inline uint8_t Int16ToUInt8(int16_t s)
{
    return static_cast<uint8_t>(((s >> 8) + 128) & 0xFF);
}

inline float Pow2Factor(float exponent)
{
    if (std::isnan(exponent))
        return exponent;
    // 2^300 is already beyond float range; clamping keeps the cast to int defined.
    return std::ldexp(1.0f, static_cast<int>(std::clamp(exponent, -300.0f, 300.0f)));
}

}  // namespace

void ConvertInt16ToFloat(float* dst, const int16_t* src, unsigned count)
{
    Map(dst, 1, src, 1, count, [](float& d, int16_t s) { d = static_cast<float>(s); });
}
void ConvertInt16ToFloatStrided(float* dst, unsigned dstStride, const int16_t* src, unsigned srcStride, unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [](float& d, int16_t s) { d = static_cast<float>(s); });
}
unsigned ConvertFloatToInt16(int16_t* dst, const float* src, unsigned count)
{
    return MapCounting(dst, 1, src, 1, count, ToInt16);
}
unsigned ConvertFloatToInt16Strided(int16_t* dst, unsigned dstStride, const float* src, unsigned srcStride,
                                    unsigned count)
{
    return MapCounting(dst, dstStride, src, srcStride, count, ToInt16);
}

void ScaleFloatPow2(float* dst, const float* src, float exponent, unsigned count)
{
    ApplyGainFloat(dst, src, Pow2Factor(exponent), count);
}
void ScaleFloatPow2Strided(float* dst, unsigned dstStride, const float* src, unsigned srcStride, float exponent,
                           unsigned count)
{
    ApplyGainFloatStrided(dst, dstStride, src, srcStride, Pow2Factor(exponent), count);
}

void ApplyGainFloat(float* dst, const float* src, float gain, unsigned count)
{
    Map(dst, 1, src, 1, count, [gain](float& d, float s) { d = gain * s; });
}
void ApplyGainFloatStrided(float* dst, unsigned dstStride, const float* src, unsigned srcStride, float gain,
                           unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [gain](float& d, float s) { d = gain * s; });
}

void CopyInt32Strided(int32_t* dst, unsigned dstStride, const int32_t* src, unsigned srcStride, unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [](int32_t& d, int32_t s) { d = s; });
}
void CopyInt16Strided(int16_t* dst, unsigned dstStride, const int16_t* src, unsigned srcStride, unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [](int16_t& d, int16_t s) { d = s; });
}

void ConvertInt24ToFloat(float* dst, const uint8_t* src, unsigned count)
{
    ConvertInt24ToFloatStrided(dst, 1, src, 1, count);
}
void ConvertInt24ToFloatStrided(float* dst, unsigned dstStride, const uint8_t* src, unsigned srcStride, unsigned count)
{
    for (unsigned i = 0; i < count; ++i)
        dst[i * dstStride] = Int24ToFloat(src + 3u * i * srcStride);
}
unsigned ConvertFloatToInt24(uint8_t* dst, const float* src, unsigned count)
{
    return ConvertFloatToInt24Strided(dst, 1, src, 1, count);
}
unsigned ConvertFloatToInt24Strided(uint8_t* dst, unsigned dstStride, const float* src, unsigned srcStride,
                                    unsigned count)
{
    unsigned clipped = 0;
    for (unsigned i = 0; i < count; ++i)
        clipped += FloatToInt24(dst + 3u * i * dstStride, src[i * srcStride]) ? 1u : 0u;
    return clipped;
}

void ConvertInt32ToFloat(float* dst, const int32_t* src, unsigned count)
{
    Map(dst, 1, src, 1, count, [](float& d, int32_t s) { d = static_cast<float>(s) / 65536.0f; });
}
void ConvertInt32ToFloatStrided(float* dst, unsigned dstStride, const int32_t* src, unsigned srcStride, unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [](float& d, int32_t s) { d = static_cast<float>(s) / 65536.0f; });
}
unsigned ConvertFloatToInt32(int32_t* dst, const float* src, unsigned count)
{
    return MapCounting(dst, 1, src, 1, count, ToInt32);
}
unsigned ConvertFloatToInt32Strided(int32_t* dst, unsigned dstStride, const float* src, unsigned srcStride,
                                    unsigned count)
{
    return MapCounting(dst, dstStride, src, srcStride, count, ToInt32);
}

void ConvertUInt8ToInt16(int16_t* dst, const uint8_t* src, unsigned count)
{
    Map(dst, 1, src, 1, count, [](int16_t& d, uint8_t s) { d = UInt8ToInt16(s); });
}
void ConvertUInt8ToInt16Strided(int16_t* dst, unsigned dstStride, const uint8_t* src, unsigned srcStride,
                                unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [](int16_t& d, uint8_t s) { d = UInt8ToInt16(s); });
}
void ConvertUInt8ToFloat(float* dst, const uint8_t* src, unsigned count)
{
    Map(dst, 1, src, 1, count, [](float& d, uint8_t s) { d = static_cast<float>(UInt8ToInt16(s)); });
}
void ConvertUInt8ToFloatStrided(float* dst, unsigned dstStride, const uint8_t* src, unsigned srcStride, unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [](float& d, uint8_t s) { d = static_cast<float>(UInt8ToInt16(s)); });
}
void ConvertInt16ToUInt8(uint8_t* dst, const int16_t* src, unsigned count)
{
    Map(dst, 1, src, 1, count, [](uint8_t& d, int16_t s) { d = Int16ToUInt8(s); });
}
void ConvertInt16ToUInt8Strided(uint8_t* dst, unsigned dstStride, const int16_t* src, unsigned srcStride,
                                unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [](uint8_t& d, int16_t s) { d = Int16ToUInt8(s); });
}

void DotProductFloat(float* acc, const float* a, const float* b, unsigned count)
{
    float sum = 0.0f;
    for (unsigned i = 0; i < count; ++i)
        sum += a[i] * b[i];
    *acc += sum;
}

void DotProductFloatUnrolled4(float* acc, const float* a, const float* b, unsigned count)
{
    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
    unsigned i = 0;
    for (; i + 4 <= count; i += 4) {
        s0 += a[i] * b[i];
        s1 += a[i + 1] * b[i + 1];
        s2 += a[i + 2] * b[i + 2];
        s3 += a[i + 3] * b[i + 3];
    }
    float sum = (s0 + s1) + (s2 + s3);
    for (; i < count; ++i)
        sum += a[i] * b[i];
    *acc += sum;
}

void DotProductFloatStrided(float* acc, const float* a, unsigned aStride, const float* b, unsigned count)
{
    float sum = 0.0f;
    for (unsigned i = 0; i < count; ++i)
        sum += a[i * aStride] * b[i];
    *acc += sum;
}

void StepNoiseLfsr(uint32_t* state)
{
    uint32_t s = *state;
    for (unsigned i = 0; i < SampleKernels::kNoiseLfsrSteps; ++i)
        s = (s << 1) ^ ((s & 0x80000000u) ? SampleKernels::kNoiseLfsrTaps : 0u);
    *state = s;
}

void ScaleStereoInt16ToFloat(float* dst, const int16_t* src, float gainLeft, float gainRight, unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        dst[2 * i] = gainLeft * static_cast<float>(src[2 * i]);
        dst[2 * i + 1] = gainRight * static_cast<float>(src[2 * i + 1]);
    }
}
void ScaleStereoFloat(float* dst, const float* src, float gainLeft, float gainRight, unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        dst[2 * i] = gainLeft * src[2 * i];
        dst[2 * i + 1] = gainRight * src[2 * i + 1];
    }
}
void AccumulateStereoInt16ToFloat(float* dst, const int16_t* src, float gainLeft, float gainRight, unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        dst[2 * i] += gainLeft * static_cast<float>(src[2 * i]);
        dst[2 * i + 1] += gainRight * static_cast<float>(src[2 * i + 1]);
    }
}
void AccumulateStereoFloat(float* dst, const float* src, float gainLeft, float gainRight, unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        dst[2 * i] += gainLeft * src[2 * i];
        dst[2 * i + 1] += gainRight * src[2 * i + 1];
    }
}

void ScaleInt16ToFloat(float* dst, const int16_t* src, float gain, unsigned count)
{
    Map(dst, 1, src, 1, count, [gain](float& d, int16_t s) { d = gain * static_cast<float>(s); });
}
void ScaleInt16ToFloatStrided(float* dst, unsigned dstStride, const int16_t* src, unsigned srcStride, float gain,
                              unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [gain](float& d, int16_t s) { d = gain * static_cast<float>(s); });
}
void ScaleFloatToFloat(float* dst, const float* src, float gain, unsigned count)
{
    ApplyGainFloat(dst, src, gain, count);
}
void ScaleFloatToFloatStrided(float* dst, unsigned dstStride, const float* src, unsigned srcStride, float gain,
                              unsigned count)
{
    ApplyGainFloatStrided(dst, dstStride, src, srcStride, gain, count);
}
void AccumulateInt16Scaled(float* dst, const int16_t* src, float gain, unsigned count)
{
    Map(dst, 1, src, 1, count, [gain](float& d, int16_t s) { d += gain * static_cast<float>(s); });
}
void AccumulateInt16ScaledStrided(float* dst, unsigned dstStride, const int16_t* src, unsigned srcStride, float gain,
                                  unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [gain](float& d, int16_t s) { d += gain * static_cast<float>(s); });
}
void AccumulateFloatScaled(float* dst, const float* src, float gain, unsigned count)
{
    Map(dst, 1, src, 1, count, [gain](float& d, float s) { d += gain * s; });
}
void AccumulateFloatScaledStrided(float* dst, unsigned dstStride, const float* src, unsigned srcStride, float gain,
                                  unsigned count)
{
    Map(dst, dstStride, src, srcStride, count, [gain](float& d, float s) { d += gain * s; });
}

void PanInt16ToStereo(float* dst, const int16_t* src, unsigned srcStride, float gainLeft, float gainRight,
                      unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        float s = static_cast<float>(src[i * srcStride]);
        dst[2 * i] = gainLeft * s;
        dst[2 * i + 1] = gainRight * s;
    }
}
void PanFloatToStereo(float* dst, const float* src, unsigned srcStride, float gainLeft, float gainRight,
                      unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        float s = src[i * srcStride];
        dst[2 * i] = gainLeft * s;
        dst[2 * i + 1] = gainRight * s;
    }
}
void AccumulatePanInt16ToStereo(float* dst, const int16_t* src, unsigned srcStride, float gainLeft, float gainRight,
                                unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        float s = static_cast<float>(src[i * srcStride]);
        dst[2 * i] += gainLeft * s;
        dst[2 * i + 1] += gainRight * s;
    }
}
void AccumulatePanFloatToStereo(float* dst, const float* src, unsigned srcStride, float gainLeft, float gainRight,
                                unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        float s = src[i * srcStride];
        dst[2 * i] += gainLeft * s;
        dst[2 * i + 1] += gainRight * s;
    }
}
