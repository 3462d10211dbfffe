// CSampleAllocator: the feeder's IMemAllocator, which the first effect of the chain is told to
// use for the buffers it receives. Fixed properties (8 buffers of 8192 bytes, alignment 1, no
// prefix). Samples given back are kept for reuse, up to eight; when all are out, a further
// request gets a new sample rather than waiting, whatever an effect still holds.
//
// Threads: samples come back on whatever thread releases them; the pool has its own section.
#pragma once

#include "classlib/com/ComObjectRoot.h"
#include "classlib/com/CriticalSection.h"

#include <dshow.h>

#include <vector>

class CSampleBuffer;

class CSampleAllocator : public CComObjectRoot, public IMemAllocator {
public:
    CSampleAllocator();
    ~CSampleAllocator() override;

    COM_OBJECT_UNKNOWN
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE Decommit() override;
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                                        DWORD flags) override;
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override;

    // Takes back a sample whose last reference went (pooled, or deleted when the pool is full).
    void Recycle(CSampleBuffer* sample);

private:
    HRESULT InternalQueryInterface(REFIID iid, void** object);

    CComCriticalSection m_section;
    std::vector<CSampleBuffer*> m_pool;
};
