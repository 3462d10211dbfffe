#include "effects-host/SampleAllocator.h"

#include "effects-host/SampleBuffer.h"

namespace {
constexpr LONG kAllocatorBuffers = 8;
}  // namespace

CSampleAllocator::CSampleAllocator()
{
    m_pool.reserve(kAllocatorBuffers);
}

CSampleAllocator::~CSampleAllocator()
{
    for (CSampleBuffer* sample : m_pool)
        delete sample;
}

void CSampleAllocator::Recycle(CSampleBuffer* sample)
{
    CComCritSecLock lock(m_section);
    if (m_pool.size() < static_cast<size_t>(kAllocatorBuffers))
        m_pool.push_back(sample);
    else
        delete sample;
}

HRESULT CSampleAllocator::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMemAllocator))
        return Give(static_cast<IMemAllocator*>(this), object);
    return E_NOINTERFACE;
}

HRESULT CSampleAllocator::SetProperties(ALLOCATOR_PROPERTIES*, ALLOCATOR_PROPERTIES*)
{
    return E_NOTIMPL;
}

HRESULT CSampleAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties)
{
    if (!properties)
        return E_POINTER;
    properties->cBuffers = kAllocatorBuffers;
    properties->cbBuffer = kSampleBufferBytes;
    properties->cbAlign = 1;
    properties->cbPrefix = 0;
    return S_OK;
}

HRESULT CSampleAllocator::Commit()
{
    return S_OK;
}

HRESULT CSampleAllocator::Decommit()
{
    return S_OK;
}

HRESULT CSampleAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD)
{
    if (!sample)
        return E_POINTER;
    *sample = nullptr;
    CSampleBuffer* taken = nullptr;
    {
        CComCritSecLock lock(m_section);
        if (!m_pool.empty()) {
            taken = m_pool.back();
            m_pool.pop_back();
            taken->AddRef();
        }
    }
    if (!taken)
        taken = CSampleBuffer::Create();
    if (!taken)
        return E_OUTOFMEMORY;
    taken->AttachTo(this);
    *sample = taken;
    return S_OK;
}

HRESULT CSampleAllocator::ReleaseBuffer(IMediaSample*)
{
    return S_OK;
}
