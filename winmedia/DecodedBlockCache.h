// CDecodedBlockCache: the most recently decoded stretch of a reader's PCM stream, in blocks that
// each hold one decoded sample of the runtime at its byte position in the stream.
//
// When the blocks hold the size limit in total, the block filled longest ago (smallest fill
// stamp; the first such block on ties) is refilled instead of a new one appended, so the cache
// never grows past the limit by more than one block. Block memory is page-allocated and reused
// in place while the new data fits the pages a block already has.
//
// Threads: owned by one reader, used by one caller at a time; no locks.
#pragma once

#include "engine/core/storage/PageBuffer.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

class CDecodedBlockCache {
public:
    static constexpr size_t kDefaultLimit = 65536;
    // The block array grows in steps of this many entries.
    static constexpr size_t kGrowStep = 10;

    explicit CDecodedBlockCache(size_t limit = kDefaultLimit) : m_limit(limit) {}

    // Keeps a copy of `size` bytes that start at byte `start` of the stream. False when the pages
    // cannot be had (the cache is then unchanged).
    bool Add(const BYTE* data, size_t size, int64_t start);

    // Copies from `position` on, block after block while the data is contiguous; advances
    // `position` and `destination` and lowers `size` by what was copied. False when not even the
    // first byte is cached.
    bool Read(BYTE*& destination, size_t& size, int64_t& position) const;

    void Clear();
    // The lowest position held (0 when empty).
    int64_t FirstPosition() const;
    size_t TotalBytes() const;

private:
    struct Block {
        CPageBuffer data;
        size_t size = 0;
        uint64_t stamp = 0;
        int64_t start = 0;
    };

    const Block* BlockAt(int64_t position) const;
    Block* OldestBlock();

    size_t m_limit;
    uint64_t m_fillCounter = 0;
    std::vector<std::unique_ptr<Block>> m_blocks;
};
