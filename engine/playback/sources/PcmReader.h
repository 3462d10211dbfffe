// CPcmReader: the base of the engine's PCM readers (IPcmReader).
//
// Holds what every reader reports once a file is open (sample count, rate, block align, bits
// per sample) and answers the queries from it. A reader of an uncompressed format keeps no
// frame-offset table, so those three slots answer E_NOTIMPL. The reference count starts at 1
// for the creator; the last Release deletes the reader.
//
// Threads: one caller at a time (the owner serialises its calls); the count is interlocked
// because owners on different threads may hold references.
#pragma once

#include "interfaces/IPcmReader.h"

class CPcmReader : public IPcmReader {
public:
    CPcmReader() = default;
    CPcmReader(const CPcmReader&) = delete;
    CPcmReader& operator=(const CPcmReader&) = delete;
    virtual ~CPcmReader() = default;

    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE IsValid() override;
    HRESULT STDMETHODCALLTYPE GetStreamLength(LONGLONG* pllByteLength) override;
    HRESULT STDMETHODCALLTYPE GetSampleCount(LONGLONG* pllSampleCount) override;
    HRESULT STDMETHODCALLTYPE GetSampleRate(unsigned long* puSampleRate) override;
    HRESULT STDMETHODCALLTYPE ShutDown() override;
    HRESULT STDMETHODCALLTYPE GetFrameOffsetArray(unsigned char* pbData, unsigned long* puDataSize) override;
    HRESULT STDMETHODCALLTYPE FrameOffsetArrayReq() override;
    HRESULT STDMETHODCALLTYPE SetFrameOffsetArray(unsigned char* pbData, unsigned long uSize) override;

protected:
    volatile LONG m_refCount = 1;
    LONG m_open = 0;
    // Frames in the stream.
    LONGLONG m_sampleCount = 0;
    DWORD m_sampleRate = 0;
    WORD m_blockAlign = 1;
    WORD m_bitsPerSample = 0;
};
