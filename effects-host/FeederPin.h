// CFeederPin: the feeder's output pin ("Output"). The engine fills one buffer at a time from its
// allocator and delivers it straight into the first effect's input pin; the whole chain runs
// inside that call, on the engine's thread.
#pragma once

#include "classlib/com/ComPtr.h"
#include "effects-host/SamplePinBase.h"

class CSampleAllocator;
class CSampleBuffer;

class CFeederPin : public CSamplePinBase {
public:
    // NULL when memory fails.
    static CFeederPin* Create(CSampleFilter& filter);
    ~CFeederPin() override;

    // An empty sample of kSampleBufferBytes for the engine to fill. E_FAIL while a sample is out
    // or the filter is not running; VFW_E_NOT_CONNECTED without a downstream pin.
    HRESULT GetInputBuffer(BOOL discontinuity, BYTE** data, DWORD* bytes);
    // Sends the sample handed out (converted to 16 bits on a 16-bit connection); S_FALSE when
    // none is out.
    HRESULT DeliverInputBuffer();

protected:
    HRESULT CompleteConnect(IPin* receivePin) override;
    void OnDisconnect() override;

private:
    explicit CFeederPin(CSampleFilter& filter);

    ComPtr<IMemAllocator> m_allocator;
    ComPtr<IMemInputPin> m_downstream;
    ComPtr<IMediaSample> m_pending;
};
