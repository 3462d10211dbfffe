// CUVCrc32: the standard reflected CRC-32 of IEEE 802.3 (polynomial 0xEDB88320). Each Update
// inverts the running value before and after the bytes, so updates chained on one accumulator
// give the CRC-32 of the concatenated bytes, the value zlib and the gzip trailer give. Setting a
// saved running value resumes from that point; the customise core uses that to fingerprint menu
// items under a common prefix.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

class CUVCrc32 {
public:
    CUVCrc32() = default;

    uint32_t Update(const void* data, size_t length);
    uint32_t GetValue() const { return m_value; }
    void SetValue(uint32_t value) { m_value = value; }

    // The CRC-32 of one block of bytes.
    static uint32_t Of(const void* data, size_t length);

private:
    uint32_t m_value = 0;
};
