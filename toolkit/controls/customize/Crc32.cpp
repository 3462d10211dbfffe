#include "toolkit/controls/customize/Crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t CUVCrc32::Update(const void* data, size_t length)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t c = ~m_value;
    for (size_t i = 0; i < length; ++i)
        c = kTable[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    m_value = ~c;
    return m_value;
}

uint32_t CUVCrc32::Of(const void* data, size_t length)
{
    CUVCrc32 crc;
    return crc.Update(data, length);
}
