#include "effects-host/SampleBuffer.h"

#include "classlib/com/ComModule.h"
#include "effects-host/SampleAllocator.h"

#include <cstring>
#include <new>
#include <utility>

CSampleBuffer::CSampleBuffer()
{
    ComModule::Lock();
}

CSampleBuffer::~CSampleBuffer()
{
    ComModule::Unlock();
}

CSampleBuffer* CSampleBuffer::Create()
{
    auto* sample = new (std::nothrow) CSampleBuffer;
    if (!sample)
        return nullptr;
    sample->AddRef();
    if (!sample->m_pages->Allocate(kSampleBufferBytes)) {
        sample->Release();
        return nullptr;
    }
    return sample;
}

void CSampleBuffer::AttachTo(CSampleAllocator* allocator)
{
    allocator->AddRef();
    m_allocator = allocator;
    m_discontinuity = false;
    m_length = 0;
}

HRESULT CSampleBuffer::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IMediaSample) && !IsEqualIID(iid, IID_CSampleBuffer))
        return E_NOINTERFACE;
    *object = static_cast<IMediaSample*>(this);
    AddRef();
    return S_OK;
}

ULONG CSampleBuffer::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG CSampleBuffer::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count != 0)
        return static_cast<ULONG>(count);
    if (CSampleAllocator* owner = std::exchange(m_allocator, nullptr)) {
        // Back to the allocator's pool; releasing the allocator last may destroy it and the
        // pool with this sample, so nothing of the sample is touched afterwards.
        owner->Recycle(this);
        owner->Release();
        return 0;
    }
    delete this;
    return 0;
}

HRESULT CSampleBuffer::GetPointer(BYTE** buffer)
{
    if (!buffer)
        return E_POINTER;
    *buffer = m_pages->Get();
    return S_OK;
}

LONG CSampleBuffer::GetSize()
{
    return static_cast<LONG>(m_pages->Size());
}

HRESULT CSampleBuffer::GetTime(REFERENCE_TIME*, REFERENCE_TIME*)
{
    return VFW_E_SAMPLE_TIME_NOT_SET;
}

HRESULT CSampleBuffer::SetTime(REFERENCE_TIME*, REFERENCE_TIME*)
{
    return E_NOTIMPL;
}

HRESULT CSampleBuffer::IsSyncPoint()
{
    return S_OK;
}

HRESULT CSampleBuffer::SetSyncPoint(BOOL)
{
    return S_OK;
}

HRESULT CSampleBuffer::IsPreroll()
{
    return S_FALSE;
}

HRESULT CSampleBuffer::SetPreroll(BOOL)
{
    return S_OK;
}

LONG CSampleBuffer::GetActualDataLength()
{
    return m_length;
}

HRESULT CSampleBuffer::SetActualDataLength(LONG length)
{
    if (length < 0)
        return E_INVALIDARG;
    if (static_cast<SIZE_T>(length) > m_pages->Size() && !Grow(length))
        return E_OUTOFMEMORY;
    m_length = length;
    return S_OK;
}

bool CSampleBuffer::Grow(LONG length)
{
    auto larger = std::make_unique<CPageBuffer>(static_cast<SIZE_T>(length));
    if (!larger->Get())
        return false;
    if (m_pages->Get())
        memcpy(larger->Get(), m_pages->Get(), m_pages->Size());
    m_pages = std::move(larger);
    return true;
}

HRESULT CSampleBuffer::GetMediaType(AM_MEDIA_TYPE** type)
{
    if (!type)
        return E_POINTER;
    *type = nullptr;
    return S_FALSE;
}

HRESULT CSampleBuffer::SetMediaType(AM_MEDIA_TYPE*)
{
    return S_OK;
}

HRESULT CSampleBuffer::IsDiscontinuity()
{
    return m_discontinuity ? S_OK : S_FALSE;
}

HRESULT CSampleBuffer::SetDiscontinuity(BOOL discontinuity)
{
    m_discontinuity = discontinuity != FALSE;
    return S_OK;
}

HRESULT CSampleBuffer::GetMediaTime(LONGLONG* start, LONGLONG* end)
{
    if (start)
        *start = 0;
    if (end)
        *end = 0;
    return S_OK;
}

HRESULT CSampleBuffer::SetMediaTime(LONGLONG*, LONGLONG*)
{
    return S_OK;
}
