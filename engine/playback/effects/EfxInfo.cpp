#include "engine/playback/effects/EfxInfo.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "classlib/core/Archive.h"
#include "interfaces/IArchive.h"
#include "interfaces/IRiffStream.h"

namespace {

#pragma pack(push, 1)
struct EFXI_HEADER {
    DWORD headerSize;
    CLSID clsid;
    DWORD dataLength;
    DWORD nameLength;
};
#pragma pack(pop)
static_assert(sizeof(EFXI_HEADER) == 28);

constexpr DWORD kClsidBytes = sizeof(CLSID);

}  // namespace

CEfxInfo* CEfxInfo::Create()
{
    return new (std::nothrow) CEfxInfo;
}

HRESULT CEfxInfo::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ISequentialStream) && !IsEqualIID(iid, IID_IStream))
        return E_NOINTERFACE;
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
}

ULONG CEfxInfo::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG CEfxInfo::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

bool CEfxInfo::Resize(DWORD size)
{
    if (size == m_pages->Size())
        return true;
    auto pages = std::make_unique<CPageBuffer>(size);
    if (size && !pages->Get())
        return false;
    if (m_pages->Get() && size)
        memcpy(pages->Get(), m_pages->Get(), std::min<SIZE_T>(size, m_pages->Size()));
    m_pages = std::move(pages);
    m_length = std::min(m_length, size);
    m_position = std::min(m_position, size);
    return true;
}

bool CEfxInfo::AssignData(const BYTE* data, DWORD length)
{
    if (!Resize(length))
        return false;
    if (length)
        memcpy(m_pages->Get(), data, length);
    m_length = length;
    return true;
}

HRESULT CEfxInfo::Read(void* buffer, ULONG count, ULONG* read)
{
    if (read)
        *read = 0;
    if (!buffer)
        return STG_E_INVALIDPOINTER;
    const DWORD capacity = static_cast<DWORD>(m_pages->Size());
    const DWORD available = m_position < capacity ? capacity - m_position : 0;
    const DWORD copied = std::min<DWORD>(count, available);
    if (copied == 0)
        return S_FALSE;
    memcpy(buffer, m_pages->Get() + m_position, copied);
    m_position += copied;
    if (read)
        *read = copied;
    return S_OK;
}

HRESULT CEfxInfo::Write(const void* buffer, ULONG count, ULONG* written)
{
    if (written)
        *written = 0;
    if (!buffer)
        return STG_E_INVALIDPOINTER;
    if (count == 0)
        return S_FALSE;
    const ULONGLONG end = static_cast<ULONGLONG>(m_position) + count;
    if (end > MAXDWORD)
        return STG_E_MEDIUMFULL;
    if (end > m_pages->Size() && !Resize(static_cast<DWORD>(end)))
        return STG_E_MEDIUMFULL;
    memcpy(m_pages->Get() + m_position, buffer, count);
    m_position = static_cast<DWORD>(end);
    m_length = std::max(m_length, m_position);
    if (written)
        *written = count;
    return S_OK;
}

HRESULT CEfxInfo::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position)
{
    if (origin != STREAM_SEEK_SET)
        return E_NOTIMPL;
    const LONGLONG capacity = static_cast<LONGLONG>(m_pages->Size());
    m_position = static_cast<DWORD>(std::clamp<LONGLONG>(move.QuadPart, 0, capacity));
    if (position)
        position->QuadPart = m_position;
    return S_OK;
}

HRESULT CEfxInfo::SetSize(ULARGE_INTEGER size)
{
    if (size.QuadPart > MAXDWORD || !Resize(static_cast<DWORD>(size.QuadPart)))
        return STG_E_MEDIUMFULL;
    return S_OK;
}

HRESULT CEfxInfo::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*)
{
    return E_NOTIMPL;
}

HRESULT CEfxInfo::Commit(DWORD)
{
    return S_OK;
}

HRESULT CEfxInfo::Revert()
{
    return S_OK;
}

HRESULT CEfxInfo::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return STG_E_INVALIDFUNCTION;
}

HRESULT CEfxInfo::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return STG_E_INVALIDFUNCTION;
}

HRESULT CEfxInfo::Stat(STATSTG*, DWORD)
{
    return E_NOTIMPL;
}

HRESULT CEfxInfo::Clone(IStream** clone)
{
    if (clone)
        *clone = nullptr;
    return E_NOTIMPL;
}

void CEfxInfo::Set(const CLSID& clsid, const wchar_t* name, LONG hostId)
{
    m_clsid = clsid;
    m_name = name;
    m_hostId = hostId;
}

BOOL CEfxInfo::CopyFrom(const CEfxInfo& other)
{
    if (this == &other)
        return TRUE;
    if (!AssignData(other.m_pages->Get(), other.m_length))
        return FALSE;
    m_hostId = other.m_hostId;
    m_name = other.m_name;
    m_position = std::min<DWORD>(other.m_position, static_cast<DWORD>(m_pages->Size()));
    m_clsid = other.m_clsid;
    return TRUE;
}

BOOL CEfxInfo::IsEqual(const CEfxInfo& other) const
{
    if (m_hostId != kEfxNotInserted && other.m_hostId != kEfxNotInserted && m_hostId != other.m_hostId)
        return FALSE;
    return m_length == other.m_length && m_name.str() == other.m_name.str() && IsEqualGUID(m_clsid, other.m_clsid) &&
           (m_length == 0 || memcmp(m_pages->Get(), other.m_pages->Get(), m_length) == 0);
}

BOOL CEfxInfo::WriteChunk(IRiffStream* stream) const
{
    IArchive* archive = nullptr;
    if (!stream || !stream->CreateChunk(kChunkId, &archive) || !archive)
        return FALSE;
    EFXI_HEADER header{};
    header.headerSize = sizeof(EFXI_HEADER);
    header.clsid = m_clsid;
    header.dataLength = m_length;
    header.nameLength = static_cast<DWORD>(m_name.GetLength() + 1);
    archive->Write(&header, sizeof(header));
    if (m_length)
        archive->Write(m_pages->Get(), m_length);
    archive->Write(m_name.GetString(), header.nameLength * sizeof(wchar_t));
    stream->CloseChunk();
    return TRUE;
}

BOOL CEfxInfo::ReadChunk(IArchive* archive, DWORD size)
{
    if (!archive || size < sizeof(EFXI_HEADER))
        return FALSE;
    EFXI_HEADER header{};
    UINT got = 0;
    if (!archive->Read(&header, sizeof(header), &got) || got != sizeof(header))
        return FALSE;
    // Both lengths come from the file: each must fit in what is left of the chunk.
    DWORD left = size - sizeof(EFXI_HEADER);
    if (header.dataLength > left)
        return FALSE;
    std::vector<BYTE> data(header.dataLength);
    if (header.dataLength && (!archive->Read(data.data(), header.dataLength, &got) || got != header.dataLength))
        return FALSE;
    left -= header.dataLength;
    if (header.nameLength > left / sizeof(wchar_t))
        return FALSE;
    // A name without its terminator ends with the chunk.
    std::vector<wchar_t> name(header.nameLength + 1u, L'\0');
    const UINT nameBytes = header.nameLength * sizeof(wchar_t);
    if (nameBytes && (!archive->Read(name.data(), nameBytes, &got) || got != nameBytes))
        return FALSE;
    if (!AssignData(data.data(), header.dataLength))
        return FALSE;
    m_clsid = header.clsid;
    m_name = name.data();
    m_position = 0;
    m_hostId = kEfxNotInserted;
    return TRUE;
}

void CEfxInfo::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << m_length;
        if (m_length)
            archive.Write(m_pages->Get(), m_length);
        archive << m_name;
        archive << kClsidBytes;
        archive.Write(&m_clsid, kClsidBytes);
        return;
    }
    DWORD length = 0;
    archive >> length;
    archive.RequireAvailable(length);
    std::vector<BYTE> data(length);
    if (length)
        archive.ReadExactly(data.data(), length);
    CString name;
    archive >> name;
    DWORD clsidBytes = 0;
    archive >> clsidBytes;
    archive.RequireAvailable(clsidBytes);
    CLSID clsid = GUID_NULL;
    archive.ReadExactly(&clsid, std::min(clsidBytes, kClsidBytes));
    // Bytes beyond a CLSID's 16 belong to nothing: pass over them.
    for (DWORD skipped = kClsidBytes; skipped < clsidBytes; ++skipped) {
        BYTE ignored = 0;
        archive >> ignored;
    }
    if (!AssignData(data.data(), length))
        throw std::bad_alloc();
    m_name = name;
    m_clsid = clsid;
    m_position = 0;
    m_hostId = kEfxNotInserted;
}
