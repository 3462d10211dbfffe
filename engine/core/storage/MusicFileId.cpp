#include "engine/core/storage/MusicFileId.h"

#include <cstring>

#include "classlib/core/Archive.h"

HRESULT STDMETHODCALLTYPE CMusicFileId::GetId(LONGLONG* low, LONGLONG* high)
{
    if (low)
        std::memcpy(low, m_bytes, 8);
    if (high)
        std::memcpy(high, m_bytes + 8, 8);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMusicFileId::SetId(LONGLONG low, LONGLONG high)
{
    std::memcpy(m_bytes, &low, 8);
    std::memcpy(m_bytes + 8, &high, 8);
    return S_OK;
}

BOOL CMusicFileId::IsValid() const
{
    for (BYTE b : m_bytes) {
        if (b != 0)
            return TRUE;
    }
    return FALSE;
}

void CMusicFileId::SetBytes(const BYTE bytes[kSize])
{
    std::memmove(m_bytes, bytes, kSize);
}

void CMusicFileId::AssignTo(IMusicFileId* target) const
{
    if (target == nullptr)
        return;
    LONGLONG low;
    LONGLONG high;
    std::memcpy(&low, m_bytes, 8);
    std::memcpy(&high, m_bytes + 8, 8);
    target->SetId(low, high);
}

BOOL CMusicFileId::EqualsBytes(const BYTE bytes[kSize]) const
{
    return std::memcmp(m_bytes, bytes, kSize) == 0 ? TRUE : FALSE;
}

BOOL CMusicFileId::SortsAfter(const CMusicFileId& a, const CMusicFileId& b)
{
    return std::memcmp(b.m_bytes, a.m_bytes, kSize) < 0 ? TRUE : FALSE;
}

void CMusicFileId::Serialize(CArchive& archive)
{
    if (archive.IsStoring())
        archive.Write(m_bytes, kSize);
    else
        archive.ReadExactly(m_bytes, kSize);
}
