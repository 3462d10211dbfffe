#include "effects-host/ReceiverPin.h"

#include "effects-host/SampleBuffer.h"
#include "effects-host/SampleFilter.h"
#include "effects-host/SampleMediaTypes.h"
#include "engine/playback/dsp/SampleKernels.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
// 16-bit samples back to the float scale of the engine: 2^-15.
constexpr float kFromInt16Scale = 1.0f / 32768.0f;
}  // namespace

CReceiverPin::CReceiverPin(CSampleFilter& filter) : CSamplePinBase(filter, PINDIR_INPUT, L"Input")
{
    m_queue.reserve(kReceiverQueueDepth);
    m_pool.reserve(kReceiverQueueDepth);
}

CReceiverPin::~CReceiverPin() = default;

HRESULT CReceiverPin::QueryInterface(REFIID iid, void** object)
{
    return CSamplePinBase::QueryInterface(iid, object);
}

ULONG CReceiverPin::AddRef()
{
    return CSamplePinBase::AddRef();
}

ULONG CReceiverPin::Release()
{
    return CSamplePinBase::Release();
}

HRESULT CReceiverPin::QueryPinInterface(REFIID iid, void** object)
{
    if (!IsEqualIID(iid, IID_IMemInputPin))
        return E_NOINTERFACE;
    *object = static_cast<IMemInputPin*>(this);
    AddRef();
    return S_OK;
}

void CReceiverPin::OnDisconnect()
{
    ReleaseOutputBuffer(-1);
}

HRESULT CReceiverPin::GetAllocator(IMemAllocator** allocator)
{
    if (allocator)
        *allocator = nullptr;
    return VFW_E_NO_ALLOCATOR;
}

HRESULT CReceiverPin::NotifyAllocator(IMemAllocator* allocator, BOOL)
{
    if (!allocator) {
        ReleaseOutputBuffer(-1);
        CComCritSecLock lock(m_queueSection);
        m_allocator.reset();
        return S_OK;
    }
    CComCritSecLock lock(m_queueSection);
    m_allocator = ComPtr<IMemAllocator>::copy(allocator);
    return S_OK;
}

HRESULT CReceiverPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties)
{
    if (!properties)
        return E_POINTER;
    properties->cBuffers = kReceiverQueueDepth;
    properties->cbBuffer = 0;
    properties->cbAlign = 1;
    properties->cbPrefix = 0;
    return E_NOTIMPL;
}

ComPtr<CSampleBuffer> CReceiverPin::CopyToPoolBuffer(const BYTE* data, LONG length)
{
    ComPtr<CSampleBuffer> buffer;
    if (m_pool.empty()) {
        buffer = ComPtr<CSampleBuffer>::attach(CSampleBuffer::Create());
    } else {
        buffer = std::move(m_pool.back());
        m_pool.pop_back();
    }
    if (!buffer || FAILED(buffer->SetActualDataLength(length)))
        return {};
    memcpy(buffer->Data(), data, static_cast<size_t>(length));
    return buffer;
}

void CReceiverPin::ReturnToPool(ComPtr<CSampleBuffer> buffer)
{
    if (m_pool.size() < static_cast<size_t>(kReceiverQueueDepth))
        m_pool.push_back(std::move(buffer));
}

HRESULT CReceiverPin::Receive(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    BYTE* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (FAILED(hr))
        return hr;
    const LONG length = sample->GetActualDataLength();
    if (length < 0 || length > sample->GetSize())
        return E_INVALIDARG;
    CComCritSecLock lock(m_queueSection);
    // Every delivered sample is kept, however many the engine has not taken out yet: a refused
    // one would be audio lost without a trace. Blocking the effect instead is no choice, since it
    // delivers inside the engine's own DeliverInputBuffer, on the thread that would empty the
    // queue. Past the reserved depth the queue grows (rarely: the engine takes everything out
    // after each delivery).
    ComPtr<CSampleBuffer> copy = CopyToPoolBuffer(data, length);
    if (!copy)
        return E_OUTOFMEMORY;
    try {
        m_queue.push_back({std::move(copy), m_nextHandle++});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CReceiverPin::ReceiveMultiple(IMediaSample**, long, long* processed)
{
    if (processed)
        *processed = 0;
    return E_NOTIMPL;
}

HRESULT CReceiverPin::ReceiveCanBlock()
{
    return S_FALSE;
}

HRESULT CReceiverPin::GetOutputBuffer(BYTE** data, DWORD* bytes, LONGLONG* handle)
{
    if (!data || !bytes || !handle)
        return E_POINTER;
    const WORD tag = SampleTypeTag(ConnectedType());
    if (tag != WAVE_FORMAT_IEEE_FLOAT && tag != WAVE_FORMAT_PCM)
        return E_FAIL;
    CComCritSecLock lock(m_queueSection);
    auto found = m_queue.begin();
    if (*handle != -1)
        found =
            std::find_if(m_queue.begin(), m_queue.end(), [&](const QueuedSample& q) { return q.handle == *handle; });
    if (found == m_queue.end())
        return E_FAIL;
    BYTE* samples = nullptr;
    HRESULT hr = found->sample->GetPointer(&samples);
    if (FAILED(hr))
        return hr;
    const LONG length = found->sample->GetActualDataLength();
    *handle = found->handle;
    if (tag == WAVE_FORMAT_IEEE_FLOAT) {
        *data = samples;
        *bytes = static_cast<DWORD>(length);
        return S_OK;
    }
    if (!m_conversion) {
        m_conversion = ComPtr<CSampleBuffer>::attach(CSampleBuffer::Create());
        if (!m_conversion)
            return E_OUTOFMEMORY;
    }
    hr = m_conversion->SetActualDataLength(2 * length);
    if (FAILED(hr))
        return hr;
    ScaleInt16ToFloat(reinterpret_cast<float*>(m_conversion->Data()), reinterpret_cast<const int16_t*>(samples),
                      kFromInt16Scale, static_cast<unsigned>(length) / sizeof(int16_t));
    *data = m_conversion->Data();
    *bytes = static_cast<DWORD>(2 * length);
    return S_OK;
}

HRESULT CReceiverPin::ReleaseOutputBuffer(LONGLONG handle)
{
    CComCritSecLock lock(m_queueSection);
    if (handle == -1) {
        for (QueuedSample& queued : m_queue)
            ReturnToPool(std::move(queued.sample));
        m_queue.clear();
        return S_OK;
    }
    auto found =
        std::find_if(m_queue.begin(), m_queue.end(), [&](const QueuedSample& q) { return q.handle == handle; });
    if (found == m_queue.end())
        return E_FAIL;
    ReturnToPool(std::move(found->sample));
    m_queue.erase(found);
    return S_OK;
}
