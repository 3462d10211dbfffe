#include "engine/core/track/Marker.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "classlib/core/Archive.h"
#include "engine/core/track/StoredTimes.h"
#include "interfaces/IRiffStream.h"

namespace {

#pragma pack(push, 1)
struct TRKM_HEADER {
    WORD headerSize;
    WORD zero;
    DWORD type;
    LONGLONG position;
    DWORD userAdjusted;
    LONG value;
    WORD labelLength;
    BYTE reserved[6];
};
#pragma pack(pop)
static_assert(sizeof(TRKM_HEADER) == 32, "TRKM header is 32 bytes");

}  // namespace

CMarker::CMarker(DWORD type, LONGLONG position) : CTrackObj(kTrackObjMarker), m_position(position)
{
    m_type = type;
}

HRESULT STDMETHODCALLTYPE CMarker::GetPosition(LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    *time = m_position;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMarker::SetPosition(LONGLONG time)
{
    m_position = time;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMarker::GetType(DWORD* type)
{
    if (!type)
        return E_POINTER;
    *type = m_type;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMarker::IsModified()
{
    return m_userAdjusted ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CMarker::GetTime(int kind, LONGLONG* time)
{
    if (kind != 5)
        return E_FAIL;
    if (!time)
        return E_POINTER;
    *time = m_secondTime;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMarker::SetTime(int kind, LONGLONG time)
{
    if (kind != 5)
        return E_FAIL;
    m_secondTime = time;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMarker::GetId(LONG* id)
{
    if (!id)
        return E_POINTER;
    *id = m_id;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMarker::GetValue(int kind, LONG* value)
{
    LONG result = 0;
    switch (kind) {
    case 1:
    case 2:
        result = m_value;
        break;
    case 5:
        result = m_secondValue;
        break;
    case 6:
        result = static_cast<LONG>(m_userAdjusted);
        break;
    default:
        return E_FAIL;
    }
    if (!value)
        return E_POINTER;
    *value = result;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMarker::SetValue(int kind, LONG value)
{
    switch (kind) {
    case 1:
    case 2:
        m_value = value;
        return S_OK;
    case 5:
        m_secondValue = value;
        return S_OK;
    case 6:
        m_userAdjusted = static_cast<DWORD>(value);
        return S_OK;
    default:
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE CMarker::GetLabel(int kind, BSTR* text)
{
    if (kind != 1)
        return E_FAIL;
    if (!text)
        return E_POINTER;
    // A copy that the caller frees: callers across the library boundary own the strings they get.
    *text = SysAllocStringLen(m_label.GetString(), static_cast<UINT>(m_label.GetLength()));
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CMarker::SetLabel(int kind, LPCWSTR text)
{
    if (kind != 1)
        return E_FAIL;
    m_label = text ? text : L"";
    return S_OK;
}

BOOL CMarker::Move(LONGLONG delta)
{
    m_position = SaturatingAdd(m_position, delta);
    return TRUE;
}

BOOL CMarker::CloneRange(LONGLONG, LONGLONG, CTrackObj**) const
{
    return FALSE;
}

BOOL CMarker::GetMarkerInterface(ITrackMarker** marker)
{
    if (!marker)
        return FALSE;
    *marker = this;
    return TRUE;
}

void CMarker::Serialize(CArchive& archive)
{
    CTrackObj::Serialize(archive);
    if (archive.IsStoring()) {
        archive << m_position << m_userAdjusted << m_secondTime << m_secondValue << m_value << m_label;
        return;
    }
    archive >> m_position >> m_userAdjusted >> m_secondTime >> m_secondValue >> m_value >> m_label;
    RequireStoredTrackTimes({m_position});
}

BOOL CMarker::WriteChunk(IRiffStream* stream) const
{
    IArchive* archive = nullptr;
    if (!stream || !stream->CreateChunk(kChunkId, &archive) || !archive)
        return TRUE;
    TRKM_HEADER header{};
    header.headerSize = sizeof(TRKM_HEADER);
    header.type = m_type;
    header.position = m_position;
    header.userAdjusted = m_userAdjusted;
    header.value = m_value;
    // Labels longer than the 16-bit length field can describe are cut to fit it.
    const int length = m_label.IsEmpty() ? 0 : std::min(m_label.GetLength() + 1, 0xFFFF);
    header.labelLength = static_cast<WORD>(length);
    archive->Write(&header, sizeof(header));
    if (length > 0) {
        std::vector<wchar_t> text(static_cast<size_t>(length), L'\0');
        std::memcpy(text.data(), m_label.GetString(), static_cast<size_t>(length - 1) * sizeof(wchar_t));
        archive->Write(text.data(), static_cast<UINT>(length * sizeof(wchar_t)));
    }
    stream->CloseChunk();
    return TRUE;
}

BOOL CMarker::ReadChunk(IArchive* archive, DWORD size)
{
    if (!archive || size < sizeof(TRKM_HEADER))
        return FALSE;
    TRKM_HEADER header{};
    UINT got = 0;
    if (!archive->Read(&header, sizeof(header), &got) || got != sizeof(header) ||
        !IsStoredTrackTimeAccepted(header.position))
        return FALSE;
    m_type = header.type;
    m_position = header.position;
    m_userAdjusted = header.userAdjusted;
    m_value = header.value;
    m_label.Empty();
    if (header.labelLength == 0)
        return TRUE;
    const UINT bytes = static_cast<UINT>(header.labelLength) * sizeof(wchar_t);
    if (bytes > size - sizeof(TRKM_HEADER))
        return FALSE;
    std::vector<wchar_t> text(header.labelLength + 1u, L'\0');
    if (!archive->Read(text.data(), bytes, &got) || got != bytes)
        return FALSE;
    m_label = text.data();
    return TRUE;
}

BOOL CMarker::Clone(CTrackObj** clone) const
{
    if (!clone)
        return FALSE;
    CMarker* copy = new (std::nothrow) CMarker(m_type, m_position);
    if (!copy)
        return FALSE;
    copy->CopyBaseFrom(*this);
    copy->m_userAdjusted = m_userAdjusted;
    copy->m_secondTime = m_secondTime;
    copy->m_secondValue = m_secondValue;
    copy->m_value = m_value;
    copy->m_label = m_label;
    *clone = copy;
    return TRUE;
}

BOOL CMarker::IsEqual(const CTrackObj& other) const
{
    if (other.GetClass() != kTrackObjMarker || !EqualBase(other))
        return FALSE;
    const CMarker& o = static_cast<const CMarker&>(other);
    return m_position == o.m_position && m_userAdjusted == o.m_userAdjusted && m_secondTime == o.m_secondTime &&
           m_secondValue == o.m_secondValue && m_value == o.m_value && m_label == o.m_label;
}
