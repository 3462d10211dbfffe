#include "engine/playback/dsp/SampleKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

struct FloatToIntCase {
    const char* name;
    float input;
    int16_t int16;
    int32_t int32;
    uint32_t int24;  // the three stored bytes as a little-endian value
    bool clipped;
};

const FloatToIntCase kFloatToIntCases[] = {
    {"zero", 0.0f, 0, 0, 0x000000, false},
    {"exact max converts", 32767.0f, 32767, 0x7FFF0000, 0x7FFF00, false},
    {"just over max clips", 32767.5f, 32767, 0x7FFFFFFF, 0x7FFFFF, true},
    {"exact -32767 converts", -32767.0f, -32767, static_cast<int32_t>(0x80010000), 0x800100, false},
    {"-32768 clips to -32767", -32768.0f, -32767, static_cast<int32_t>(0x80000001), 0x800001, true},
    {"far below clips to -32767", -40000.0f, -32767, static_cast<int32_t>(0x80000001), 0x800001, true},
    {"tie 0.5 to even 0", 0.5f, 0, 32768, 128, false},
    {"tie 1.5 to even 2", 1.5f, 2, 98304, 384, false},
    {"tie 2.5 to even 2", 2.5f, 2, 163840, 640, false},
    {"tie -0.5 to even 0", -0.5f, 0, -32768, 0xFFFF80, false},
    {"tie -1.5 to even -2", -1.5f, -2, -98304, 0xFFFE80, false},
    {"below tie rounds down", 0.49f, 0, 32113, 125, false},
    {"infinity clips", std::numeric_limits<float>::infinity(), 32767, 0x7FFFFFFF, 0x7FFFFF, true},
    {"negative infinity clips", -std::numeric_limits<float>::infinity(), -32767, static_cast<int32_t>(0x80000001),
     0x800001, true},
};

TEST(SampleKernels, FloatToIntegerBoundaries)
{
    for (const auto& c : kFloatToIntCases) {
        SCOPED_TRACE(c.name);
        int16_t i16 = 1;
        EXPECT_EQ(ConvertFloatToInt16(&i16, &c.input, 1), c.clipped ? 1u : 0u);
        EXPECT_EQ(i16, c.int16);
        int32_t i32 = 1;
        EXPECT_EQ(ConvertFloatToInt32(&i32, &c.input, 1), c.clipped ? 1u : 0u);
        EXPECT_EQ(i32, c.int32);
        uint8_t i24[3] = {};
        EXPECT_EQ(ConvertFloatToInt24(i24, &c.input, 1), c.clipped ? 1u : 0u);
        EXPECT_EQ(uint32_t{i24[0]} | uint32_t{i24[1]} << 8 | uint32_t{i24[2]} << 16, c.int24);
    }
}

TEST(SampleKernels, ClippedTwentyFourBitBytes)
{
    const float in[2] = {40000.0f, -40000.0f};
    uint8_t out[6] = {};
    EXPECT_EQ(ConvertFloatToInt24(out, in, 2), 2u);
    const uint8_t expected[6] = {0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x80};
    EXPECT_EQ(std::memcmp(out, expected, 6), 0);
}

TEST(SampleKernels, NanClipsAndIsCounted)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    int16_t out = 0;
    EXPECT_EQ(ConvertFloatToInt16(&out, &nan, 1), 1u);
    EXPECT_EQ(std::abs(out), 32767);
}

struct ByteCase {
    const char* name;
    uint8_t byte;
    int16_t value;
};

TEST(SampleKernels, EightBitToSixteenBit)
{
    const ByteCase cases[] = {{"0", 0, -32768},        {"1", 1, -32512},  {"127", 127, -256},
                              {"128 silence", 128, 0}, {"129", 129, 256}, {"255", 255, 32512}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int16_t i16 = 1;
        ConvertUInt8ToInt16(&i16, &c.byte, 1);
        EXPECT_EQ(i16, c.value);
        float f = 1;
        ConvertUInt8ToFloat(&f, &c.byte, 1);
        EXPECT_EQ(f, static_cast<float>(c.value));
    }
}

TEST(SampleKernels, SixteenBitToEightBit)
{
    const ByteCase cases[] = {{"-1", 127, -1},       {"0", 128, 0},         {"255", 128, 255},   {"256", 129, 256},
                              {"-32768", 0, -32768}, {"32767", 255, 32767}, {"-256", 127, -256}, {"-257", 126, -257}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t b = 0;
        ConvertInt16ToUInt8(&b, &c.value, 1);
        EXPECT_EQ(b, c.byte);
    }
}

TEST(SampleKernels, IntegerToFloatScales)
{
    const uint8_t i24[6] = {0x00, 0x01, 0x80, 0xFF, 0xFF, 0x7F};  // -8388352, 8388607
    float f[2] = {};
    ConvertInt24ToFloat(f, i24, 2);
    EXPECT_EQ(f[0], -8388352.0f / 256.0f);
    EXPECT_EQ(f[1], 8388607.0f / 256.0f);
    const int32_t i32[2] = {-65536, 0x7FFFFFFF};
    ConvertInt32ToFloat(f, i32, 2);
    EXPECT_EQ(f[0], -1.0f);
    EXPECT_NEAR(f[1], 32768.0f, 0.01f);
    const int16_t i16[2] = {-32768, 32767};
    ConvertInt16ToFloat(f, i16, 2);
    EXPECT_EQ(f[0], -32768.0f);
    EXPECT_EQ(f[1], 32767.0f);
}

TEST(SampleKernels, RoundTripsThroughFloatAreExact)
{
    std::vector<int16_t> all(65536);
    for (int i = 0; i < 65536; ++i)
        all[i] = static_cast<int16_t>(i - 32768);
    std::vector<float> f(all.size());
    ConvertInt16ToFloat(f.data(), all.data(), 65536);
    std::vector<int32_t> i32(all.size());
    unsigned clipped = ConvertFloatToInt32(i32.data(), f.data(), 65536);
    EXPECT_EQ(clipped, 1u);  // only -32768 lies beyond the symmetric range
    std::vector<float> back(all.size());
    ConvertInt32ToFloat(back.data(), i32.data(), 65536);
    std::vector<int16_t> again(all.size());
    EXPECT_EQ(ConvertFloatToInt16(again.data(), back.data(), 65536), 1u);
    for (int i = 1; i < 65536; ++i)
        ASSERT_EQ(again[i], all[i]) << "sample " << all[i];
}

TEST(SampleKernels, StridedFormsEqualContiguousOnes)
{
    const unsigned n = 37;
    std::vector<float> src(n), srcStrided(3 * n, 12345.0f);
    for (unsigned i = 0; i < n; ++i) {
        src[i] = (static_cast<float>(i) - 18.0f) * 2000.5f;
        srcStrided[3 * i] = src[i];
    }
    std::vector<int16_t> a16(n), b16(2 * n, 7);
    EXPECT_EQ(ConvertFloatToInt16(a16.data(), src.data(), n),
              ConvertFloatToInt16Strided(b16.data(), 2, srcStrided.data(), 3, n));
    for (unsigned i = 0; i < n; ++i) {
        EXPECT_EQ(a16[i], b16[2 * i]) << "int16 " << i;
        EXPECT_EQ(b16[2 * i + 1], 7) << "gap untouched " << i;
    }
    std::vector<int32_t> a32(n), b32(2 * n);
    EXPECT_EQ(ConvertFloatToInt32(a32.data(), src.data(), n),
              ConvertFloatToInt32Strided(b32.data(), 2, srcStrided.data(), 3, n));
    std::vector<uint8_t> a24(3 * n), b24(6 * n);
    EXPECT_EQ(ConvertFloatToInt24(a24.data(), src.data(), n),
              ConvertFloatToInt24Strided(b24.data(), 2, srcStrided.data(), 3, n));
    std::vector<float> fa(n), fb(2 * n), fc(n), fd(2 * n);
    ApplyGainFloat(fa.data(), src.data(), 0.25f, n);
    ApplyGainFloatStrided(fb.data(), 2, srcStrided.data(), 3, 0.25f, n);
    ScaleFloatPow2(fc.data(), src.data(), -2.7f, n);
    ScaleFloatPow2Strided(fd.data(), 2, srcStrided.data(), 3, -2.7f, n);
    std::vector<float> back24a(n), back24b(2 * n);
    ConvertInt24ToFloat(back24a.data(), a24.data(), n);
    ConvertInt24ToFloatStrided(back24b.data(), 2, b24.data(), 2, n);
    for (unsigned i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a32[i], b32[2 * i]);
        EXPECT_EQ(0, std::memcmp(&a24[3 * i], &b24[6 * i], 3));
        EXPECT_EQ(fa[i], fb[2 * i]);
        EXPECT_EQ(fc[i], fd[2 * i]);
        EXPECT_EQ(fc[i], src[i] * 0.25f);  // 2^trunc(-2.7) = 2^-2
        EXPECT_EQ(back24a[i], back24b[2 * i]);
    }
}

TEST(SampleKernels, StridedIntegerFormsEqualContiguousOnes)
{
    const unsigned n = 19;
    std::vector<int16_t> src(2 * n);
    std::vector<uint8_t> bytes(2 * n);
    for (unsigned i = 0; i < 2 * n; ++i) {
        src[i] = static_cast<int16_t>(i * 1777 - 20000);
        bytes[i] = static_cast<uint8_t>(i * 13);
    }
    std::vector<float> a(n), b(2 * n);
    std::vector<int16_t> c(n), d(2 * n);
    std::vector<uint8_t> e(n), f(2 * n);
    for (unsigned i = 0; i < n; ++i) {
        ConvertInt16ToFloat(&a[i], &src[2 * i], 1);
        ConvertUInt8ToInt16(&c[i], &bytes[2 * i], 1);
        ConvertInt16ToUInt8(&e[i], &src[2 * i], 1);
    }
    ConvertInt16ToFloatStrided(b.data(), 2, src.data(), 2, n);
    ConvertUInt8ToInt16Strided(d.data(), 2, bytes.data(), 2, n);
    ConvertInt16ToUInt8Strided(f.data(), 2, src.data(), 2, n);
    std::vector<int16_t> copy16(2 * n, 0);
    CopyInt16Strided(copy16.data(), 2, src.data(), 2, n);
    for (unsigned i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a[i], b[2 * i]);
        EXPECT_EQ(c[i], d[2 * i]);
        EXPECT_EQ(e[i], f[2 * i]);
        EXPECT_EQ(copy16[2 * i], src[2 * i]);
        EXPECT_EQ(copy16[2 * i + 1], 0);
    }
}

TEST(SampleKernels, DotProductsAgree)
{
    for (unsigned n : {1u, 3u, 4u, 5u, 17u, 71u}) {
        SCOPED_TRACE(n);
        std::vector<float> a(n), b(n), aStrided(2 * n);
        double exact = 0;
        for (unsigned i = 0; i < n; ++i) {
            a[i] = 0.5f + static_cast<float>(i % 7);
            b[i] = 1.0f - static_cast<float>(i % 5) * 0.25f;
            aStrided[2 * i] = a[i];
            exact += static_cast<double>(a[i]) * b[i];
        }
        float plain = 1.0f, unrolled = 1.0f, strided = 1.0f;
        DotProductFloat(&plain, a.data(), b.data(), n);
        DotProductFloatUnrolled4(&unrolled, a.data(), b.data(), n);
        DotProductFloatStrided(&strided, aStrided.data(), 2, b.data(), n);
        EXPECT_FLOAT_EQ(plain, 1.0f + static_cast<float>(exact));
        EXPECT_FLOAT_EQ(unrolled, plain);
        EXPECT_FLOAT_EQ(strided, plain);
    }
}

TEST(SampleKernels, NoiseLfsrFromOne)
{
    // Independent model: 53 single steps of a Galois register with the taps.
    uint32_t model = 1;
    for (int i = 0; i < 53; ++i) {
        bool top = (model >> 31) != 0;
        model <<= 1;
        if (top)
            model ^= 0x1D872B41u;
    }
    uint32_t state = 1;
    StepNoiseLfsr(&state);
    EXPECT_EQ(state, model);
    // The first 31 steps only shift; step 32 shifts the bit out and applies the taps.
    EXPECT_NE(state, 0u);
    uint32_t again = state;
    StepNoiseLfsr(&again);
    EXPECT_NE(again, state);
}

TEST(SampleKernels, StereoGainsAndPans)
{
    const int16_t i16[4] = {1000, -2000, 300, 400};
    const float f[4] = {1.0f, -2.0f, 3.0f, 4.0f};
    float out[4];
    ScaleStereoInt16ToFloat(out, i16, 0.5f, 2.0f, 2);
    EXPECT_EQ(out[0], 500.0f);
    EXPECT_EQ(out[1], -4000.0f);
    EXPECT_EQ(out[3], 800.0f);
    AccumulateStereoInt16ToFloat(out, i16, 1.0f, 0.0f, 2);
    EXPECT_EQ(out[0], 1500.0f);
    EXPECT_EQ(out[1], -4000.0f);
    ScaleStereoFloat(out, f, -1.0f, 0.5f, 2);
    EXPECT_EQ(out[2], -3.0f);
    EXPECT_EQ(out[3], 2.0f);
    AccumulateStereoFloat(out, f, 1.0f, 1.0f, 2);
    EXPECT_EQ(out[2], 0.0f);
    EXPECT_EQ(out[3], 6.0f);

    float pan[4];
    PanInt16ToStereo(pan, i16, 2, 0.25f, 0.75f, 2);  // mono source 1000, 300
    EXPECT_EQ(pan[0], 250.0f);
    EXPECT_EQ(pan[1], 750.0f);
    EXPECT_EQ(pan[2], 75.0f);
    AccumulatePanInt16ToStereo(pan, i16, 2, 1.0f, 0.0f, 2);
    EXPECT_EQ(pan[0], 1250.0f);
    EXPECT_EQ(pan[1], 750.0f);
    PanFloatToStereo(pan, f, 1, 2.0f, 3.0f, 2);
    EXPECT_EQ(pan[2], -4.0f);
    EXPECT_EQ(pan[3], -6.0f);
    AccumulatePanFloatToStereo(pan, f, 3, 1.0f, 1.0f, 2);  // source 1.0, 4.0
    EXPECT_EQ(pan[2], 0.0f);
    EXPECT_EQ(pan[3], -2.0f);
}

TEST(SampleKernels, ScaledAccumulations)
{
    const int16_t i16[3] = {100, -200, 300};
    const float f[3] = {1.0f, 2.0f, 3.0f};
    float a[3], b[6] = {};
    ScaleInt16ToFloat(a, i16, 0.5f, 3);
    ScaleInt16ToFloatStrided(b, 2, i16, 1, 0.5f, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(a[i], b[2 * i]) << i;
    AccumulateInt16Scaled(a, i16, 1.0f, 3);
    AccumulateInt16ScaledStrided(b, 2, i16, 1, 1.0f, 3);
    AccumulateFloatScaled(a, f, 2.0f, 3);
    AccumulateFloatScaledStrided(b, 2, f, 1, 2.0f, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a[i], 1.5f * i16[i] + 2.0f * f[i]) << i;
        EXPECT_EQ(a[i], b[2 * i]) << i;
    }
    ScaleFloatToFloat(a, f, -1.0f, 3);
    ScaleFloatToFloatStrided(b, 2, f, 1, -1.0f, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(a[i], b[2 * i]) << i;
}

}  // namespace
