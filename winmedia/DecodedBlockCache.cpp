#include "winmedia/DecodedBlockCache.h"

#include <algorithm>
#include <cstring>

namespace {

// VirtualAlloc commits whole pages: a block may be refilled in place up to that size.
size_t PageRounded(size_t size)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    return (size + page - 1) / page * page;
}

}  // namespace

bool CDecodedBlockCache::Add(const BYTE* data, size_t size, int64_t start)
{
    if (size == 0)
        return true;
    Block* block = TotalBytes() >= m_limit ? OldestBlock() : nullptr;
    std::unique_ptr<Block> added;
    if (!block) {
        added = std::make_unique<Block>();
        block = added.get();
    }
    if (block->data.Size() < size && !block->data.Allocate(PageRounded(size))) {
        // The refilled block lost its old pages as well: drop it rather than keep stale data.
        block->size = 0;
        return false;
    }
    std::memcpy(block->data.Get(), data, size);
    block->size = size;
    block->start = start;
    block->stamp = ++m_fillCounter;
    if (added) {
        if (m_blocks.size() == m_blocks.capacity())
            m_blocks.reserve(m_blocks.size() + kGrowStep);
        m_blocks.push_back(std::move(added));
    }
    return true;
}

bool CDecodedBlockCache::Read(BYTE*& destination, size_t& size, int64_t& position) const
{
    const Block* block = BlockAt(position);
    if (!block)
        return false;
    while (block && size > 0) {
        const size_t offset = static_cast<size_t>(position - block->start);
        const size_t count = std::min(size, block->size - offset);
        std::memcpy(destination, block->data.Get() + offset, count);
        destination += count;
        size -= count;
        position += static_cast<int64_t>(count);
        block = BlockAt(position);
    }
    return true;
}

void CDecodedBlockCache::Clear()
{
    m_blocks.clear();
}

int64_t CDecodedBlockCache::FirstPosition() const
{
    const Block* first = nullptr;
    for (const auto& block : m_blocks) {
        if (block->size > 0 && (!first || block->start < first->start))
            first = block.get();
    }
    return first ? first->start : 0;
}

size_t CDecodedBlockCache::TotalBytes() const
{
    size_t total = 0;
    for (const auto& block : m_blocks)
        total += block->size;
    return total;
}

const CDecodedBlockCache::Block* CDecodedBlockCache::BlockAt(int64_t position) const
{
    // The newest block wins where decodes after a seek overlap older ones.
    const Block* found = nullptr;
    for (const auto& block : m_blocks) {
        if (block->size > 0 && position >= block->start &&
            position - block->start < static_cast<int64_t>(block->size) && (!found || block->stamp > found->stamp))
            found = block.get();
    }
    return found;
}

CDecodedBlockCache::Block* CDecodedBlockCache::OldestBlock()
{
    Block* oldest = nullptr;
    for (const auto& block : m_blocks) {
        if (!oldest || block->stamp < oldest->stamp)
            oldest = block.get();
    }
    return oldest;
}
