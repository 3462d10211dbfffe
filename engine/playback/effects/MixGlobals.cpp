#include "engine/playback/effects/MixGlobals.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/Archive.h"
#include "interfaces/IRiffStream.h"

namespace {
constexpr DWORD kBlockBytes = CMixGlobals::kValueCount * sizeof(DWORD);
}  // namespace

BOOL CMixGlobals::CopyFrom(const CMixGlobals& other)
{
    memcpy(m_values, other.m_values, sizeof(m_values));
    return other.m_effects.CopyTo(m_effects);
}

BOOL CMixGlobals::WriteChunks(IRiffStream* stream) const
{
    if (!stream || !stream->CreateList(kListId))
        return FALSE;
    IArchive* archive = nullptr;
    BOOL written = stream->CreateChunk(kBlockChunkId, &archive) && archive;
    if (written) {
        archive->Write(&kBlockBytes, sizeof(kBlockBytes));
        archive->Write(m_values, kBlockBytes);
        stream->CloseChunk();
        written = m_effects.WriteChunks(stream);
    }
    stream->Ascend();
    return written;
}

void CMixGlobals::ReadChunks(IRiffStream* stream)
{
    memset(m_values, 0, sizeof(m_values));
    m_effects.ReleaseAll();
    if (!stream)
        return;
    FOURCC id = 0;
    for (int n = 0; stream->GetChildId(n, &id); ++n) {
        if (id != kBlockChunkId)
            continue;
        IArchive* archive = nullptr;
        DWORD size = 0;
        if (!stream->OpenChunk(n, &archive, &size) || !archive)
            continue;
        DWORD stored = 0;
        UINT got = 0;
        if (size >= sizeof(stored) && archive->Read(&stored, sizeof(stored), &got) && got == sizeof(stored)) {
            const UINT take =
                static_cast<UINT>(std::min({stored, kBlockBytes, size - static_cast<DWORD>(sizeof(stored))}));
            DWORD values[kValueCount] = {};
            if (archive->Read(values, take, &got) && got == take)
                memcpy(m_values, values, take);
        }
        stream->CloseChunk();
        break;
    }
    m_effects.ReadChunks(stream);
}

void CMixGlobals::Serialize(CArchive& archive)
{
    if (archive.IsStoring())
        archive.Write(m_values, kBlockBytes);
    else
        archive.ReadExactly(m_values, kBlockBytes);
    m_effects.Serialize(archive);
}
