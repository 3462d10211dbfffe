#include "mp3decoder/Mp3FrameIndex.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kBlockBytes = 64 * 1024;
// How far the start of the stream (after ID3v2 tags) and a resynchronisation may search.
constexpr uint64_t kMaxStartSearch = 1024 * 1024;
constexpr uint64_t kMaxResyncSearch = 64 * 1024;
constexpr size_t kId3HeaderBytes = 10;
constexpr uint32_t kTableMagic = 0x4F46564D;  // "MVFO"
constexpr uint32_t kTableVersion = 1;
constexpr size_t kTableHeaderBytes = 24;
// Offsets whose headers a returned table must show (spread over the table).
constexpr size_t kTableSpotChecks = 16;

// Sequential reads through one buffered block of the file.
class CBlockReader {
public:
    explicit CBlockReader(const CMp3File& file) : m_file(file), m_block(kBlockBytes) {}

    // Points at `bytes` bytes at `offset` (at most kBlockBytes); null past the end of the file.
    const uint8_t* Get(uint64_t offset, size_t bytes)
    {
        if (offset + bytes > m_file.Size())
            return nullptr;
        if (m_valid == 0 || offset < m_start || offset + bytes > m_start + m_valid) {
            m_start = offset;
            m_valid = static_cast<size_t>(std::min<uint64_t>(kBlockBytes, m_file.Size() - offset));
            if (!m_file.ReadAt(m_start, m_block.data(), static_cast<uint32_t>(m_valid))) {
                m_valid = 0;
                return nullptr;
            }
        }
        return m_block.data() + (offset - m_start);
    }

private:
    const CMp3File& m_file;
    std::vector<uint8_t> m_block;
    uint64_t m_start = 0;
    size_t m_valid = 0;
};

bool HeaderAt(CBlockReader& reader, uint64_t offset, Mp3FrameHeader& header)
{
    const uint8_t* p = reader.Get(offset, kMp3HeaderBytes);
    return p && ParseMp3FrameHeader(p, header);
}

// A frame at `offset` that is followed by another frame of its stream, or that ends the file.
bool ConfirmedFrameAt(CBlockReader& reader, uint64_t offset, uint64_t fileSize, Mp3FrameHeader& header,
                      const Mp3FrameHeader* stream)
{
    if (!HeaderAt(reader, offset, header) || (stream && !SameMp3Stream(header, *stream)))
        return false;
    const uint64_t next = offset + header.frameBytes;
    if (next == fileSize)
        return true;
    Mp3FrameHeader following;
    return HeaderAt(reader, next, following) && SameMp3Stream(header, following);
}

uint64_t SkipId3v2(CBlockReader& reader)
{
    uint64_t pos = 0;
    for (;;) {
        const uint8_t* p = reader.Get(pos, kId3HeaderBytes);
        if (!p || std::memcmp(p, "ID3", 3) != 0 || ((p[6] | p[7] | p[8] | p[9]) & 0x80))
            return pos;
        uint64_t size = (uint64_t{p[6]} << 21) | (uint64_t{p[7]} << 14) | (uint64_t{p[8]} << 7) | p[9];
        const bool footer = (p[5] & 0x10) != 0;
        pos += kId3HeaderBytes + size + (footer ? kId3HeaderBytes : 0);
    }
}

bool TrailingTagAt(CBlockReader& reader, uint64_t offset)
{
    const uint8_t* p = reader.Get(offset, 3);
    if (p && std::memcmp(p, "TAG", 3) == 0)
        return true;
    p = reader.Get(offset, 8);
    return p && (std::memcmp(p, "APETAGEX", 8) == 0 || std::memcmp(p, "LYRICSBE", 8) == 0);
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Get32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

HRESULT LocateMp3Stream(const CMp3File& file, Mp3Stream& stream)
{
    const uint64_t size = file.Size();
    if (size > UINT32_MAX)
        return kMp3TooLarge;
    CBlockReader reader(file);
    const uint64_t start = SkipId3v2(reader);
    const uint64_t searchEnd = std::min(size, start + kMaxStartSearch);
    Mp3FrameHeader first;
    uint64_t offset = start;
    while (offset < searchEnd && !ConfirmedFrameAt(reader, offset, size, first, nullptr))
        ++offset;
    if (offset >= searchEnd)
        return kMp3NotMp3;

    Mp3Stream found;
    found.format = first;
    found.firstFrameOffset = offset;
    uint8_t frame[kMp3MaxFrameBytes] = {};
    if (file.ReadAt(offset, frame, first.frameBytes) && ParseMp3StreamTag(frame, first.frameBytes, first, found.tag)) {
        found.hasTag = true;
        found.tagFrameOffset = offset;
        found.firstFrameOffset = offset + first.frameBytes;
        if (!HeaderAt(reader, found.firstFrameOffset, found.format) || !SameMp3Stream(found.format, first))
            return found.tag.hasFrames && found.tag.frames > 0 ? kMp3Truncated : kMp3NotMp3;
    }
    stream = found;
    return S_OK;
}

HRESULT ScanMp3Frames(const CMp3File& file, const Mp3Stream& stream, std::vector<uint32_t>& offsets)
{
    const uint64_t size = file.Size();
    CBlockReader reader(file);
    std::vector<uint32_t> found;
    uint64_t pos = stream.firstFrameOffset;
    while (pos < size) {
        Mp3FrameHeader header;
        if (HeaderAt(reader, pos, header) && SameMp3Stream(header, stream.format)) {
            if (pos + header.frameBytes > size)
                return kMp3Truncated;
            found.push_back(static_cast<uint32_t>(pos));
            pos += header.frameBytes;
            continue;
        }
        if (TrailingTagAt(reader, pos))
            break;
        // Junk inside the stream: go on at the next confirmed frame, if one comes soon.
        const uint64_t limit = std::min(size, pos + kMaxResyncSearch);
        uint64_t next = pos + 1;
        while (next < limit && !ConfirmedFrameAt(reader, next, size, header, &stream.format))
            ++next;
        if (next >= limit)
            break;
        pos = next;
    }
    if (found.empty())
        return kMp3NotMp3;
    // A stream that its own tag says is longer than what the file holds was cut off.
    if (stream.hasTag && stream.tag.hasFrames && found.size() < stream.tag.frames)
        return kMp3Truncated;
    offsets = std::move(found);
    return S_OK;
}

std::vector<uint8_t> SerializeMp3FrameTable(uint64_t fileSize, const std::vector<uint32_t>& offsets)
{
    std::vector<uint8_t> out;
    out.reserve(kTableHeaderBytes + 4 * offsets.size());
    Put32(out, kTableMagic);
    Put32(out, kTableVersion);
    Put32(out, static_cast<uint32_t>(fileSize));
    Put32(out, static_cast<uint32_t>(fileSize >> 32));
    Put32(out, static_cast<uint32_t>(offsets.size()));
    Put32(out, 0);
    for (uint32_t offset : offsets)
        Put32(out, offset);
    return out;
}

bool DeserializeMp3FrameTable(const CMp3File& file, const Mp3Stream& stream, const uint8_t* data, size_t size,
                              std::vector<uint32_t>& offsets)
{
    if (!data || size < kTableHeaderBytes)
        return false;
    const uint64_t fileSize = Get32(data + 8) | uint64_t{Get32(data + 12)} << 32;
    const uint32_t count = Get32(data + 16);
    if (Get32(data) != kTableMagic || Get32(data + 4) != kTableVersion || fileSize != file.Size() || count == 0 ||
        size != kTableHeaderBytes + 4 * static_cast<size_t>(count))
        return false;
    if (stream.hasTag && stream.tag.hasFrames && count < stream.tag.frames)
        return false;
    std::vector<uint32_t> table(count);
    for (uint32_t i = 0; i < count; ++i)
        table[i] = Get32(data + kTableHeaderBytes + 4 * i);
    if (table[0] != stream.firstFrameOffset)
        return false;
    for (uint32_t i = 1; i < count; ++i)
        if (table[i] <= table[i - 1])
            return false;

    CBlockReader reader(file);
    const size_t step = std::max<size_t>(1, count / kTableSpotChecks);
    for (size_t i = 0; i < count; i += step) {
        Mp3FrameHeader header;
        const size_t check = i + step >= count ? count - 1 : i;
        if (!HeaderAt(reader, table[check], header) || !SameMp3Stream(header, stream.format) ||
            table[check] + uint64_t{header.frameBytes} > file.Size())
            return false;
        if (check + 1 < count && table[check] + uint64_t{header.frameBytes} > table[check + 1])
            return false;
    }
    offsets = std::move(table);
    return true;
}
