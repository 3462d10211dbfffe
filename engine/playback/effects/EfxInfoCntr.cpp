#include "engine/playback/effects/EfxInfoCntr.h"

#include <new>

#include "classlib/core/Archive.h"
#include "interfaces/IRiffStream.h"

namespace {
// Smallest archive form of a record: its length word, an empty name and the CLSID length word.
constexpr ULONGLONG kMinArchivedRecord = 9;
}  // namespace

void CEfxInfoCntr::Append(CEfxInfo* info)
{
    m_items.emplace_back(info);
}

BOOL CEfxInfoCntr::CopyTo(CEfxInfoCntr& destination) const
{
    if (&destination == this)
        return TRUE;
    if (destination.m_items.size() > m_items.size())
        destination.m_items.resize(m_items.size());
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (i == destination.m_items.size()) {
            CEfxInfo* created = CEfxInfo::Create();
            if (!created)
                return FALSE;
            destination.m_items.emplace_back(created);
        }
        if (!destination.m_items[i]->CopyFrom(*m_items[i]))
            return FALSE;
    }
    return TRUE;
}

BOOL CEfxInfoCntr::IsEqual(const CEfxInfoCntr& other) const
{
    if (m_items.size() != other.m_items.size())
        return FALSE;
    for (size_t i = 0; i < m_items.size(); ++i)
        if (!m_items[i]->IsEqual(*other.m_items[i]))
            return FALSE;
    return TRUE;
}

BOOL CEfxInfoCntr::WriteChunks(IRiffStream* stream) const
{
    for (const auto& item : m_items)
        if (!item->WriteChunk(stream))
            return FALSE;
    return TRUE;
}

void CEfxInfoCntr::ReadChunks(IRiffStream* stream)
{
    if (!stream)
        return;
    FOURCC id = 0;
    for (int n = 0; stream->GetChildId(n, &id); ++n) {
        if (id != CEfxInfo::kChunkId)
            continue;
        IArchive* archive = nullptr;
        DWORD size = 0;
        if (!stream->OpenChunk(n, &archive, &size) || !archive)
            continue;
        CEfxInfo* info = CEfxInfo::Create();
        const BOOL read = info && info->ReadChunk(archive, size);
        stream->CloseChunk();
        if (read)
            Append(info);
        else if (info)
            info->Release();
    }
}

void CEfxInfoCntr::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << static_cast<DWORD>(m_items.size());
        for (const auto& item : m_items)
            item->Serialize(archive);
        return;
    }
    ReleaseAll();
    DWORD count = 0;
    archive >> count;
    archive.RequireAvailable(static_cast<ULONGLONG>(count) * kMinArchivedRecord);
    for (DWORD i = 0; i < count; ++i) {
        CEfxInfo* info = CEfxInfo::Create();
        if (!info)
            throw std::bad_alloc();
        try {
            info->Serialize(archive);
        } catch (...) {
            info->Release();
            throw;
        }
        Append(info);
    }
}
