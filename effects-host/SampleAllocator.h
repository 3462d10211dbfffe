// CSampleAllocator: the feeder's IMemAllocator, which the first effect of the chain is told to
// use for the buffers it receives. Fixed properties (8 buffers of 8192 bytes, alignment 1, no
// prefix); every GetBuffer hands out a fresh CSampleBuffer, so a request never waits, whatever
// an effect still holds.
#pragma once

#include "classlib/com/ComObjectRoot.h"

#include <dshow.h>

class CSampleAllocator : public CComObjectRoot, public IMemAllocator {
public:
    COM_OBJECT_UNKNOWN
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE Decommit() override;
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                                        DWORD flags) override;
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override;

private:
    HRESULT InternalQueryInterface(REFIID iid, void** object);
};
