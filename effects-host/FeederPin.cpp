#include "effects-host/FeederPin.h"

#include "effects-host/SampleAllocator.h"
#include "effects-host/SampleBuffer.h"
#include "effects-host/SampleFilter.h"
#include "effects-host/SampleMediaTypes.h"
#include "engine/playback/dsp/SampleKernels.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Float full scale to the 16-bit scale of the conversion kernel.
constexpr float kToInt16Scale = 32768.0f;
// Samples converted per step through a stack block: the conversion runs in place, and each block
// is written no further than where it was read from.
constexpr unsigned kConvertBlock = 256;

// Scales n floats by 32768 and packs them as 16-bit integers at the start of the same memory.
void PackFloatsAsInt16(BYTE* data, unsigned n)
{
    auto* floats = reinterpret_cast<float*>(data);
    int16_t block[kConvertBlock];
    float scaled[kConvertBlock];
    for (unsigned done = 0; done < n; done += kConvertBlock) {
        const unsigned count = std::min(kConvertBlock, n - done);
        ApplyGainFloat(scaled, floats + done, kToInt16Scale, count);
        ConvertFloatToInt16(block, scaled, count);
        memcpy(data + done * sizeof(int16_t), block, count * sizeof(int16_t));
    }
}

}  // namespace

CFeederPin::CFeederPin(CSampleFilter& filter) : CSamplePinBase(filter, PINDIR_OUTPUT, L"Output") {}

CFeederPin::~CFeederPin() = default;

CFeederPin* CFeederPin::Create(CSampleFilter& filter)
{
    auto* allocator = new (std::nothrow) CSampleAllocator;
    if (!allocator)
        return nullptr;
    auto* pin = new (std::nothrow) CFeederPin(filter);
    if (!pin) {
        delete allocator;
        return nullptr;
    }
    allocator->AddRef();
    pin->m_allocator = ComPtr<IMemAllocator>::attach(allocator);
    return pin;
}

HRESULT CFeederPin::CompleteConnect(IPin* receivePin)
{
    ComPtr<IMemInputPin> input;
    HRESULT hr = receivePin->QueryInterface(IID_IMemInputPin, input.put_void());
    if (FAILED(hr))
        return hr;
    hr = input->NotifyAllocator(m_allocator.get(), FALSE);
    if (FAILED(hr))
        return hr;
    m_downstream = input;
    return S_OK;
}

void CFeederPin::OnDisconnect()
{
    m_downstream.reset();
    m_pending.reset();
}

HRESULT CFeederPin::GetInputBuffer(BOOL discontinuity, BYTE** data, DWORD* bytes)
{
    if (!data || !bytes)
        return E_POINTER;
    if (m_pending || !m_filter.IsRunning())
        return E_FAIL;
    if (!m_downstream)
        return VFW_E_NOT_CONNECTED;
    ComPtr<IMediaSample> sample;
    HRESULT hr = m_allocator->GetBuffer(sample.put(), nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    sample->SetDiscontinuity(discontinuity);
    sample->SetActualDataLength(sample->GetSize());
    hr = sample->GetPointer(data);
    if (FAILED(hr))
        return hr;
    *bytes = static_cast<DWORD>(sample->GetSize());
    m_pending = sample;
    return S_OK;
}

HRESULT CFeederPin::DeliverInputBuffer()
{
    if (!m_pending)
        return S_FALSE;
    ComPtr<IMediaSample> sample = std::move(m_pending);
    m_pending.reset();
    if (!m_downstream)
        return VFW_E_NOT_CONNECTED;
    const WORD tag = SampleTypeTag(ConnectedType());
    if (tag == WAVE_FORMAT_PCM) {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        const LONG floats = sample->GetActualDataLength() / static_cast<LONG>(sizeof(float));
        PackFloatsAsInt16(data, static_cast<unsigned>(floats));
        sample->SetActualDataLength(floats * static_cast<LONG>(sizeof(int16_t)));
    } else if (tag != WAVE_FORMAT_IEEE_FLOAT) {
        return E_FAIL;
    }
    return m_downstream->Receive(sample.get());
}
