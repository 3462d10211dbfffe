// Sample-format conversion and vector kernels of the audio graph.
//
// Free functions over plain arrays; counts are element counts (frames for the stereo forms).
// Strided forms take the destination stride and the source stride in elements. Kernels that
// return unsigned return the number of clipped samples.
//
// Float samples here are on the 16-bit scale (full scale 32768); 24-bit integers are
// float x 256 and 32-bit integers float x 65536. A float clips when its magnitude, compared
// through its bit pattern with the sign ignored, exceeds 32767.0; clipped samples take the
// largest magnitude of the destination format but one (symmetric: -32767, not -32768), and
// NaN clips too. Rounding is the processor's default: to nearest, ties to even.
//
// Threads: any; the kernels allocate nothing and keep no state.
#pragma once

#include <cstdint>

namespace SampleKernels {
inline constexpr float kClipMagnitude = 32767.0f;
inline constexpr unsigned kNoiseLfsrSteps = 53;
inline constexpr uint32_t kNoiseLfsrTaps = 0x1D872B41u;
}  // namespace SampleKernels

void ConvertInt16ToFloat(float* dst, const int16_t* src, unsigned count);
void ConvertInt16ToFloatStrided(float* dst, unsigned dstStride, const int16_t* src, unsigned srcStride, unsigned count);
unsigned ConvertFloatToInt16(int16_t* dst, const float* src, unsigned count);
unsigned ConvertFloatToInt16Strided(int16_t* dst, unsigned dstStride, const float* src, unsigned srcStride,
                                    unsigned count);

// dst = src x 2^trunc(exponent)
void ScaleFloatPow2(float* dst, const float* src, float exponent, unsigned count);
void ScaleFloatPow2Strided(float* dst, unsigned dstStride, const float* src, unsigned srcStride, float exponent,
                           unsigned count);

// dst = gain x src; dst may equal src.
void ApplyGainFloat(float* dst, const float* src, float gain, unsigned count);
void ApplyGainFloatStrided(float* dst, unsigned dstStride, const float* src, unsigned srcStride, float gain,
                           unsigned count);

void CopyInt32Strided(int32_t* dst, unsigned dstStride, const int32_t* src, unsigned srcStride, unsigned count);
void CopyInt16Strided(int16_t* dst, unsigned dstStride, const int16_t* src, unsigned srcStride, unsigned count);

// Packed 24-bit little-endian samples, 3 bytes each; strides count samples, not bytes.
void ConvertInt24ToFloat(float* dst, const uint8_t* src, unsigned count);
void ConvertInt24ToFloatStrided(float* dst, unsigned dstStride, const uint8_t* src, unsigned srcStride, unsigned count);
unsigned ConvertFloatToInt24(uint8_t* dst, const float* src, unsigned count);
unsigned ConvertFloatToInt24Strided(uint8_t* dst, unsigned dstStride, const float* src, unsigned srcStride,
                                    unsigned count);

void ConvertInt32ToFloat(float* dst, const int32_t* src, unsigned count);
void ConvertInt32ToFloatStrided(float* dst, unsigned dstStride, const int32_t* src, unsigned srcStride, unsigned count);
unsigned ConvertFloatToInt32(int32_t* dst, const float* src, unsigned count);
unsigned ConvertFloatToInt32Strided(int32_t* dst, unsigned dstStride, const float* src, unsigned srcStride,
                                    unsigned count);

// 8-bit unsigned (silence 128) to and from 16-bit.
void ConvertUInt8ToInt16(int16_t* dst, const uint8_t* src, unsigned count);
void ConvertUInt8ToInt16Strided(int16_t* dst, unsigned dstStride, const uint8_t* src, unsigned srcStride,
                                unsigned count);
void ConvertUInt8ToFloat(float* dst, const uint8_t* src, unsigned count);
void ConvertUInt8ToFloatStrided(float* dst, unsigned dstStride, const uint8_t* src, unsigned srcStride, unsigned count);
void ConvertInt16ToUInt8(uint8_t* dst, const int16_t* src, unsigned count);
void ConvertInt16ToUInt8Strided(uint8_t* dst, unsigned dstStride, const int16_t* src, unsigned srcStride,
                                unsigned count);

// *acc += sum of a[i] x b[i]
void DotProductFloat(float* acc, const float* a, const float* b, unsigned count);
// The same, four products per step, then the remainder (the resampler's inner loop).
void DotProductFloatUnrolled4(float* acc, const float* a, const float* b, unsigned count);
// *acc += sum of a[i x aStride] x b[i]
void DotProductFloatStrided(float* acc, const float* a, unsigned aStride, const float* b, unsigned count);

// Advances a 32-bit noise state by 53 shift steps with feedback taps 0x1D872B41.
void StepNoiseLfsr(uint32_t* state);

// Interleaved stereo, counts in frames.
void ScaleStereoInt16ToFloat(float* dst, const int16_t* src, float gainLeft, float gainRight, unsigned frames);
void ScaleStereoFloat(float* dst, const float* src, float gainLeft, float gainRight, unsigned frames);
void AccumulateStereoInt16ToFloat(float* dst, const int16_t* src, float gainLeft, float gainRight, unsigned frames);
void AccumulateStereoFloat(float* dst, const float* src, float gainLeft, float gainRight, unsigned frames);

void ScaleInt16ToFloat(float* dst, const int16_t* src, float gain, unsigned count);
void ScaleInt16ToFloatStrided(float* dst, unsigned dstStride, const int16_t* src, unsigned srcStride, float gain,
                              unsigned count);
void ScaleFloatToFloat(float* dst, const float* src, float gain, unsigned count);
void ScaleFloatToFloatStrided(float* dst, unsigned dstStride, const float* src, unsigned srcStride, float gain,
                              unsigned count);
void AccumulateInt16Scaled(float* dst, const int16_t* src, float gain, unsigned count);
void AccumulateInt16ScaledStrided(float* dst, unsigned dstStride, const int16_t* src, unsigned srcStride, float gain,
                                  unsigned count);
void AccumulateFloatScaled(float* dst, const float* src, float gain, unsigned count);
void AccumulateFloatScaledStrided(float* dst, unsigned dstStride, const float* src, unsigned srcStride, float gain,
                                  unsigned count);

// Mono source (every srcStride-th element) to interleaved float pairs (gainLeft x s, gainRight x s).
void PanInt16ToStereo(float* dst, const int16_t* src, unsigned srcStride, float gainLeft, float gainRight,
                      unsigned frames);
void PanFloatToStereo(float* dst, const float* src, unsigned srcStride, float gainLeft, float gainRight,
                      unsigned frames);
void AccumulatePanInt16ToStereo(float* dst, const int16_t* src, unsigned srcStride, float gainLeft, float gainRight,
                                unsigned frames);
void AccumulatePanFloatToStereo(float* dst, const float* src, unsigned srcStride, float gainLeft, float gainRight,
                                unsigned frames);
