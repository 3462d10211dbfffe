#include "engine/core/storage/MemBlob.h"

#include <cstring>

#include "classlib/core/Archive.h"

BYTE* CMemBlob::Allocate(int size)
{
    Free();
    if (size <= 0)
        return nullptr;
    BYTE* data = m_data.Allocate(static_cast<SIZE_T>(size));
    if (data)
        m_size = static_cast<DWORD>(size);
    return data;
}

void CMemBlob::Free()
{
    m_data.Free();
    m_size = 0;
}

HRESULT CMemBlob::CopyOut(DWORD* size, BYTE* destination) const
{
    if (size == nullptr)
        return E_POINTER;
    if (destination == nullptr) {
        *size = m_size;
        return S_OK;
    }
    if (*size < m_size)
        return E_FAIL;
    if (m_size > 0)
        std::memcpy(destination, m_data.Get(), m_size);
    *size = m_size;
    return S_OK;
}

void CMemBlob::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << m_size;
        if (m_size > 0)
            archive.Write(m_data.Get(), m_size);
        return;
    }
    DWORD size = 0;
    archive >> size;
    archive.RequireAvailable(size);
    Free();
    if (size == 0)
        return;
    if (size > 0x7FFFFFFF || Allocate(static_cast<int>(size)) == nullptr) {
        BYTE scratch[512];
        for (DWORD left = size; left > 0;) {
            const UINT n = left < sizeof(scratch) ? left : sizeof(scratch);
            archive.ReadExactly(scratch, n);
            left -= n;
        }
        return;
    }
    archive.ReadExactly(m_data.Get(), size);
}
