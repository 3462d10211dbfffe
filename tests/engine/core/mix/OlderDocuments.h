// Pieces of hand-made mix documents of the older forms, written byte by byte: the globals list,
// the version record, the record file of track archives and a small track archive.
#pragma once

#include <windows.h>

#include <vector>

#include "tests/engine/core/track/V4Blobs.h"

namespace mixtest {

inline Bytes GlobalsList(DWORD a, DWORD b, DWORD c)
{
    Bytes block;
    Put32(block, 12);
    Put32(block, a);
    Put32(block, b);
    Put32(block, c);
    return List("GLBL", {Chunk("GLBI", block)});
}

inline Bytes VersionChunk(const Bytes& data)
{
    return Chunk("CFVR", data);
}

// A record file of items {position, 16 + length, checksum, 1} and body, written by hand.
inline Bytes RecordFile(const std::vector<Bytes>& bodies)
{
    Bytes out;
    for (const Bytes& body : bodies) {
        unsigned checksum = 0;
        for (size_t i = 0; i < body.size(); i += 4) {
            unsigned word = 0;
            for (size_t k = 0; k < 4 && i + k < body.size(); ++k)
                word |= static_cast<unsigned>(body[i + k]) << (8 * k);
            checksum ^= word;
        }
        Put32(out, out.size());
        Put32(out, 16 + body.size());
        Put32(out, checksum);
        Put32(out, 1);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

inline V4_BLOB SmallBlob(unsigned version, const wchar_t* path)
{
    V4_BLOB b;
    b.version = version;
    b.path = path;
    b.segments = {{0, 441000, 0}};
    b.markers = {{0, 44100, 1, 0, L""}, {0, 396900, 2, 0, L""}};
    b.labels = {{0, 88200, 19, 0, L"Break"}};
    return b;
}

}  // namespace mixtest
