// A source of decoded PCM audio from one music file, read at any byte position.
//
// Implemented by the engine's WAV reader, the Windows Media library's reader and the MP3 decoder
// library's reader. Byte positions are offsets into the file's decoded PCM stream
// (frame index x block align). The reader's destructor is reached only through Release, so it is
// not part of the interface.
//
// Threads: one caller at a time per reader (each owner serialises its own calls).
#pragma once

#include <windows.h>
#include <unknwn.h>

struct IPcmReader : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR bstrFileName, long bProfiling) = 0;
    // Fills an 18-byte WAVEFORMATEX.
    virtual HRESULT STDMETHODCALLTYPE GetFormatInfo(unsigned char* pwfInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsValid() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamLength(LONGLONG* pllByteLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSampleCount(LONGLONG* pllSampleCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSampleRate(unsigned long* puSampleRate) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadPcm(unsigned char* pbData, LONGLONG llStreamBytePos,
                                              unsigned long uLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShutDown() = 0;
    // Frame-offset table of a compressed format: fetched once after a full decode and handed
    // back on later openings, so that seeking needs no scan. Its contents belong to the reader.
    virtual HRESULT STDMETHODCALLTYPE GetFrameOffsetArray(unsigned char* pbData, unsigned long* puDataSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE FrameOffsetArrayReq() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFrameOffsetArray(unsigned char* pbData, unsigned long uSize) = 0;
};

__CRT_UUID_DECL(IPcmReader, 0xFFAC0204, 0xC042, 0x40C9, 0xA0, 0x9A, 0x7B, 0x64, 0xB5, 0x35, 0xE2, 0x6E)
inline constexpr IID IID_IPcmReader = {0xFFAC0204, 0xC042, 0x40C9, {0xA0, 0x9A, 0x7B, 0x64, 0xB5, 0x35, 0xE2, 0x6E}};
