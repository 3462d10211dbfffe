// CEfxInfoCntr: an effect chain as a list of CEfxInfo records in chain order, one reference held
// to each. Describes the master chain, an effect clip's chain and an effect preset.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "engine/playback/effects/EfxInfo.h"

class CArchive;
struct IRiffStream;

class CEfxInfoCntr {
public:
    CEfxInfoCntr() = default;
    CEfxInfoCntr(const CEfxInfoCntr&) = delete;
    CEfxInfoCntr& operator=(const CEfxInfoCntr&) = delete;

    int GetCount() const { return static_cast<int>(m_items.size()); }
    CEfxInfo* GetAt(int index) const { return m_items[static_cast<size_t>(index)].get(); }
    // Takes over the caller's reference.
    void Append(CEfxInfo* info);
    void ReleaseAll() { m_items.clear(); }
    // Makes destination equal to this list, reusing its records in place; FALSE when memory
    // fails (destination then holds what was copied so far).
    BOOL CopyTo(CEfxInfoCntr& destination) const;
    BOOL IsEqual(const CEfxInfoCntr& other) const;

    // One "EFXI" chunk per record, in order.
    BOOL WriteChunks(IRiffStream* stream) const;
    // Appends a record for every readable "EFXI" chunk of the current level; a bad chunk drops
    // that effect only.
    void ReadChunks(IRiffStream* stream);
    // A 32-bit count, then the records. Loading replaces the list and throws CArchiveException
    // on malformed data; records read before the fault stay in the list.
    void Serialize(CArchive& archive);

private:
    struct Release {
        void operator()(CEfxInfo* info) const { info->Release(); }
    };
    std::vector<std::unique_ptr<CEfxInfo, Release>> m_items;
};
