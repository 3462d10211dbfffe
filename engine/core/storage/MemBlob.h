// A page-allocated byte block that catalog items carry and serialise inside record-file items.
#pragma once

#include <windows.h>

#include "engine/core/storage/PageBuffer.h"

class CArchive;

class CMemBlob {
public:
    // Frees the old block and takes size bytes; the size is set only on success. NULL on failure.
    BYTE* Allocate(int size);
    void Free();

    // destination NULL: the blob's size to *size. Otherwise E_FAIL when *size is too small, else
    // the bytes are copied and *size set to their count.
    HRESULT CopyOut(DWORD* size, BYTE* destination) const;

    const BYTE* GetData() const { return m_data.Get(); }
    DWORD GetSize() const { return m_size; }

    // The size (32-bit), then the bytes. Loading refuses a size beyond the stored data; when the
    // block cannot be allocated the blob stays empty and the stored bytes are skipped.
    void Serialize(CArchive& archive);

private:
    CPageBuffer m_data;
    DWORD m_size = 0;
};
