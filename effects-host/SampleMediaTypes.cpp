#include "effects-host/SampleMediaTypes.h"

#include <cstring>

namespace {

constexpr DWORD kRate = 44100;
constexpr WORD kChannels = 2;

WAVEFORMATEX FormatAt(int index)
{
    WAVEFORMATEX format{};
    const bool isFloat = index == kSampleTypeFloat;
    format.wFormatTag = isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    format.nChannels = kChannels;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = isFloat ? 32 : 16;
    format.nBlockAlign = static_cast<WORD>(kChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = kRate * format.nBlockAlign;
    format.cbSize = 0;
    return format;
}

}  // namespace

void GetSampleType(int index, AM_MEDIA_TYPE* type, WAVEFORMATEX* format)
{
    *format = FormatAt(index);
    *type = AM_MEDIA_TYPE{};
    type->majortype = MEDIATYPE_Audio;
    type->subtype = MEDIASUBTYPE_PCM;
    type->bFixedSizeSamples = TRUE;
    type->bTemporalCompression = FALSE;
    type->lSampleSize = format->nBlockAlign;
    type->formattype = FORMAT_WaveFormatEx;
    type->cbFormat = kWaveFormatBytes;
    type->pbFormat = reinterpret_cast<BYTE*>(format);
}

HRESULT CopySampleType(int index, AM_MEDIA_TYPE* type)
{
    WAVEFORMATEX format{};
    GetSampleType(index, type, &format);
    type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(kWaveFormatBytes));
    if (!type->pbFormat) {
        type->cbFormat = 0;
        return E_OUTOFMEMORY;
    }
    memcpy(type->pbFormat, &format, kWaveFormatBytes);
    return S_OK;
}

AM_MEDIA_TYPE* AllocSampleType(int index)
{
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!type)
        return nullptr;
    if (FAILED(CopySampleType(index, type))) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

int MatchSampleType(const AM_MEDIA_TYPE* type, int first)
{
    if (!type)
        return -1;
    for (int index = first; index < kSampleTypeCount; ++index) {
        WAVEFORMATEX format{};
        AM_MEDIA_TYPE own{};
        GetSampleType(index, &own, &format);
        if (IsEqualGUID(type->majortype, own.majortype) && IsEqualGUID(type->subtype, own.subtype) &&
            !type->bFixedSizeSamples == !own.bFixedSizeSamples &&
            !type->bTemporalCompression == !own.bTemporalCompression && type->lSampleSize == own.lSampleSize &&
            IsEqualGUID(type->formattype, own.formattype) && type->cbFormat == kWaveFormatBytes && type->pbFormat &&
            memcmp(type->pbFormat, &format, kWaveFormatBytes) == 0)
            return index;
    }
    return -1;
}

WORD SampleTypeTag(int index)
{
    if (index == kSampleTypeFloat)
        return WAVE_FORMAT_IEEE_FLOAT;
    return index == kSampleTypePcm16 ? WAVE_FORMAT_PCM : 0;
}

void FreeMediaTypeContents(AM_MEDIA_TYPE* type)
{
    if (type->pbFormat)
        CoTaskMemFree(type->pbFormat);
    type->pbFormat = nullptr;
    type->cbFormat = 0;
    if (type->pUnk)
        type->pUnk->Release();
    type->pUnk = nullptr;
}

void DeleteMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return;
    FreeMediaTypeContents(type);
    CoTaskMemFree(type);
}
