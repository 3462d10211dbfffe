// Hand-made ID3 tags, byte by byte, for what no tool writes: version 2.2, unsynchronisation,
// extended headers, byte-order marks, private frames, hostile sizes and trailer blocks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tag_bytes {

using Bytes = std::vector<BYTE>;

inline void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

inline Bytes Synchsafe(DWORD value)
{
    return {BYTE((value >> 21) & 0x7F), BYTE((value >> 14) & 0x7F), BYTE((value >> 7) & 0x7F), BYTE(value & 0x7F)};
}

inline Bytes BigEndian(DWORD value, int count)
{
    Bytes out;
    for (int i = count - 1; i >= 0; --i)
        out.push_back(BYTE(value >> (8 * i)));
    return out;
}

inline Bytes Latin(const char* text)
{
    Bytes out = {0};
    for (const char* p = text; *p; ++p)
        out.push_back(BYTE(*p));
    return out;
}

// A version 3 (or 4 with synchsafe sizes) frame.
inline Bytes Frame(const char* id, const Bytes& data, int version = 3, BYTE flags1 = 0)
{
    Bytes out(id, id + 4);
    Append(out, version == 4 ? Synchsafe(DWORD(data.size())) : BigEndian(DWORD(data.size()), 4));
    out.push_back(0);
    out.push_back(flags1);
    Append(out, data);
    return out;
}

inline Bytes FrameV2(const char* id, const Bytes& data)
{
    Bytes out(id, id + 3);
    Append(out, BigEndian(DWORD(data.size()), 3));
    Append(out, data);
    return out;
}

// The tag: header with the body's size (or sizeOverride when given), then the body.
inline Bytes Tag(int version, BYTE flags, const Bytes& body, DWORD sizeOverride = 0)
{
    Bytes out = {'I', 'D', '3', BYTE(version), 0, flags};
    Append(out, Synchsafe(sizeOverride ? sizeOverride : DWORD(body.size())));
    Append(out, body);
    return out;
}

// Audio-like filler that is not a tag.
inline Bytes Filler(size_t size, unsigned seed = 1)
{
    Bytes out(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = BYTE(seed >> 16);
    }
    return out;
}

}  // namespace tag_bytes
