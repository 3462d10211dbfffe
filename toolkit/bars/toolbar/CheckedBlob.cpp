#include "toolkit/bars/toolbar/CheckedBlob.h"

#include "toolkit/bars/state/ProfileStore.h"

#include <cstring>

BOOL CUVCheckedBlob::Read(const wchar_t* section, const wchar_t* entry)
{
    const CUVProfileStore store(HKEY_CURRENT_USER);
    if (!store.GetProfileBinary(section, entry, m_raw) || m_raw.size() < 4)
        return FALSE;
    uint32_t stored = 0;
    memcpy(&stored, m_raw.data(), 4);
    m_crc.SetValue(0);
    if (m_crc.Update(m_raw.data() + 4, m_raw.size() - 4) != stored)
        return FALSE;
    m_payload.SetLength(0);
    m_payload.Write(m_raw.data() + 4, static_cast<UINT>(m_raw.size() - 4));
    m_payload.SeekToBegin();
    return TRUE;
}

BOOL CUVCheckedBlob::Write(const wchar_t* section, const wchar_t* entry)
{
    const size_t size = static_cast<size_t>(m_payload.GetLength());
    m_raw.resize(4 + size);
    m_crc.SetValue(0);
    const uint32_t crc = m_crc.Update(m_payload.GetData(), size);
    memcpy(m_raw.data(), &crc, 4);
    memcpy(m_raw.data() + 4, m_payload.GetData(), size);
    const CUVProfileStore store(HKEY_CURRENT_USER);
    return store.WriteProfileBinary(section, entry, m_raw.data(), static_cast<UINT>(m_raw.size()));
}
