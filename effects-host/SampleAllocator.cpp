#include "effects-host/SampleAllocator.h"

#include "effects-host/SampleBuffer.h"

namespace {
constexpr LONG kAllocatorBuffers = 8;
}  // namespace

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
    *sample = CSampleBuffer::Create(this);
    return *sample ? S_OK : E_OUTOFMEMORY;
}

HRESULT CSampleAllocator::ReleaseBuffer(IMediaSample*)
{
    return S_OK;
}
