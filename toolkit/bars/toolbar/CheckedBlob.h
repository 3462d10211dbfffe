// CUVCheckedBlob: a profile value guarded by a CRC-32. Stored as the little-endian CRC-32 of the
// payload followed by the payload. A value that is shorter than 4 bytes or whose CRC does not
// match is not read, so the caller keeps what it had.
#pragma once

#include "classlib/core/MemFile.h"
#include "toolkit/controls/customize/Crc32.h"

#include <windows.h>

#include <vector>

class CUVCheckedBlob {
public:
    CUVCheckedBlob() = default;

    // The payload; written to before Write, read from after Read.
    CMemFile& GetPayload() { return m_payload; }

    // Reads the value through the profile store; TRUE when it passed the check.
    BOOL Read(const wchar_t* section, const wchar_t* entry);
    // Stores the CRC-32 and the payload as one binary value.
    BOOL Write(const wchar_t* section, const wchar_t* entry);

private:
    CMemFile m_payload{1024};
    std::vector<BYTE> m_raw;
    CUVCrc32 m_crc;
};
