// CSampleBuffer: the host's IMediaSample, a block of pages holding one buffer of audio on its way
// into the chain (from the feeder's allocator) or the receiver's conversion buffer for the 16-bit
// path. Times are not kept: the chain runs without a clock.
//
// Threads: a sample is filled on the engine's processing thread and read by the effects inside
// the same DeliverInputBuffer call; its count changes with interlocked operations.
#pragma once

#include "engine/core/storage/PageBuffer.h"

#include <dshow.h>

#include <memory>

// The host's own IID for its samples, so that it can tell them from other samples.
inline constexpr IID IID_CSampleBuffer = {0x1AB513EA, 0x0899, 0x4B5C, {0x82, 0xEB, 0x59, 0x03, 0x05, 0x51, 0xA9, 0xB7}};

inline constexpr LONG kSampleBufferBytes = 8192;

class CSampleAllocator;

class CSampleBuffer : public IMediaSample {
public:
    CSampleBuffer();
    virtual ~CSampleBuffer();
    CSampleBuffer(const CSampleBuffer&) = delete;
    CSampleBuffer& operator=(const CSampleBuffer&) = delete;

    // A new sample with a reference for the caller and kSampleBufferBytes of pages; NULL when
    // memory fails.
    static CSampleBuffer* Create();
    // Hands the sample out for `allocator`, which gets it back (with the reference taken here
    // released) when the last reference goes.
    void AttachTo(CSampleAllocator* allocator);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override;
    LONG STDMETHODCALLTYPE GetSize() override;
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT STDMETHODCALLTYPE IsSyncPoint() override;
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL sync) override;
    HRESULT STDMETHODCALLTYPE IsPreroll() override;
    HRESULT STDMETHODCALLTYPE SetPreroll(BOOL preroll) override;
    LONG STDMETHODCALLTYPE GetActualDataLength() override;
    HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override;
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE IsDiscontinuity() override;
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL discontinuity) override;
    HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* end) override;
    HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* end) override;

    BYTE* Data() const { return m_pages->Get(); }

private:
    // Makes room for length bytes, keeping the contents; FALSE when memory fails.
    bool Grow(LONG length);

    std::unique_ptr<CPageBuffer> m_pages = std::make_unique<CPageBuffer>();
    LONG m_length = 0;
    bool m_discontinuity = false;
    volatile LONG m_refCount = 0;
    CSampleAllocator* m_allocator = nullptr;
};
