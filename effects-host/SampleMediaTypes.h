// The two media types that the host's own pins offer, in this order: 32-bit float stereo at
// 44100 Hz (index 0) and 16-bit PCM stereo at 44100 Hz (index 1, for chains that hold the
// standard compressor, which takes no float). Both are MEDIATYPE_Audio / MEDIASUBTYPE_PCM with
// an 18-byte WAVEFORMATEX.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>

inline constexpr int kSampleTypeCount = 2;
inline constexpr int kSampleTypeFloat = 0;
inline constexpr int kSampleTypePcm16 = 1;
inline constexpr ULONG kWaveFormatBytes = 18;

// The type at index (0 or 1), its format in `format` (no allocation).
void GetSampleType(int index, AM_MEDIA_TYPE* type, WAVEFORMATEX* format);
// A copy of type `index` in task memory (type and format), as IEnumMediaTypes::Next hands out;
// NULL when memory fails.
AM_MEDIA_TYPE* AllocSampleType(int index);
// Copies the type at index into *type with a newly allocated format; E_OUTOFMEMORY on failure.
HRESULT CopySampleType(int index, AM_MEDIA_TYPE* type);
// The index (first .. 1) of the offered type that `type` equals, or -1.
int MatchSampleType(const AM_MEDIA_TYPE* type, int first);
// The format tag of type index: WAVE_FORMAT_IEEE_FLOAT or WAVE_FORMAT_PCM; 0 for no type (-1).
WORD SampleTypeTag(int index);
// Frees a type handed out by AllocSampleType or by another pin.
void DeleteMediaType(AM_MEDIA_TYPE* type);
// Frees the format and the unknown a type holds (not the type itself).
void FreeMediaTypeContents(AM_MEDIA_TYPE* type);
