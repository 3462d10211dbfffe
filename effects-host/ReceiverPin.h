// CReceiverPin: the receiver's input pin ("Input"). It queues every sample the last effect
// delivers, each under a new 64-bit handle, until the engine takes it out and gives it back.
//
// The queue keeps copies, not the delivered samples: Wine's DMO wrapper delivers the pieces of
// one output in the same sample, emptying it after each Receive, so a kept reference would see
// its data vanish. Copies come from a pool of the pin's own buffers, which grows only until it
// covers the deepest queue seen (up to the reserved depth).
//
// Threads: an effect may deliver from a streaming thread of its own while the engine reads the
// queue, so the queue has a section of its own.
#pragma once

#include "classlib/com/ComPtr.h"
#include "classlib/com/CriticalSection.h"
#include "effects-host/SamplePinBase.h"

#include <vector>

class CSampleBuffer;

// The queue depth reserved ahead (it grows past it rather than refuse a sample), the copies kept
// for reuse, and the buffer count the receiver asks of the upstream allocator.
inline constexpr LONG kReceiverQueueDepth = 64;

class CReceiverPin : public CSamplePinBase, public IMemInputPin {
public:
    explicit CReceiverPin(CSampleFilter& filter);
    ~CReceiverPin() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    // handle -1: the first queued sample, else the one with that handle; float data (converted
    // from 16 bits on a 16-bit connection). E_FAIL when there is none.
    HRESULT GetOutputBuffer(BYTE** data, DWORD* bytes, LONGLONG* handle);
    // -1 gives back all samples; E_FAIL when no queued sample has the handle.
    HRESULT ReleaseOutputBuffer(LONGLONG handle);

protected:
    HRESULT QueryPinInterface(REFIID iid, void** object) override;
    void OnDisconnect() override;

private:
    struct QueuedSample {
        ComPtr<CSampleBuffer> sample;
        LONGLONG handle;
    };

    // A pool buffer holding a copy of `length` bytes of data; empty when memory fails.
    ComPtr<CSampleBuffer> CopyToPoolBuffer(const BYTE* data, LONG length);
    void ReturnToPool(ComPtr<CSampleBuffer> buffer);

    CComCriticalSection m_queueSection;
    std::vector<QueuedSample> m_queue;
    std::vector<ComPtr<CSampleBuffer>> m_pool;
    LONGLONG m_nextHandle = 0;
    ComPtr<IMemAllocator> m_allocator;
    ComPtr<CSampleBuffer> m_conversion;
};
