#include "engine/core/track/EfxClip.h"

#include <algorithm>
#include <new>

#include "classlib/core/Archive.h"
#include "engine/core/track/StoredTimes.h"
#include "engine/playback/effects/EfxManager.h"
#include "interfaces/IArchive.h"
#include "interfaces/IEfxManager.h"
#include "interfaces/IRiffStream.h"

namespace {

#pragma pack(push, 1)
struct TRKE_RECORD {
    DWORD size;
    DWORD kind;
    LONGLONG start;
    LONGLONG end;
    LONGLONG fadeIn;
    LONGLONG fadeOut;
    float level;
    DWORD reserved;
};
#pragma pack(pop)
static_assert(sizeof(TRKE_RECORD) == 48);

// A record without its level is no effect clip; the last word is not read.
constexpr DWORD kTrkeNeeded = offsetof(TRKE_RECORD, reserved);
constexpr float kValueScale = 10000.0f;

}  // namespace

CEfxClip::CEfxClip(LONGLONG start, LONGLONG end, CEfxManager* manager)
    : CTrackObj(kTrackObjEffectClip), m_start(start), m_end(end), m_manager(manager)
{
    m_type = kEfxClipType;
}

CEfxClip::~CEfxClip()
{
    m_manager->NonDelegatingRelease();
}

CEfxClip* CEfxClip::Create(LONGLONG start, LONGLONG end)
{
    auto* manager = new (std::nothrow) CEfxManager(nullptr);
    if (!manager)
        return nullptr;
    auto* clip = new (std::nothrow) CEfxClip(start, end, manager);
    if (!clip)
        manager->NonDelegatingRelease();
    return clip;
}

HRESULT CEfxClip::LookupInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_ITrackRange)) {
        StandAloneAddRef();
        *object = static_cast<ITrackRange*>(this);
        return S_OK;
    }
    if (IsEqualIID(iid, IID_IEfxManager))
        return m_manager->NonDelegatingQueryInterface(iid, object);
    return E_FAIL;
}

HRESULT CEfxClip::GetStart(LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    *time = m_start;
    return S_OK;
}

HRESULT CEfxClip::GetEnd(LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    *time = m_end;
    return S_OK;
}

HRESULT CEfxClip::SetStart(LONGLONG time)
{
    m_start = time;
    return S_OK;
}

HRESULT CEfxClip::SetEnd(LONGLONG time)
{
    m_end = time;
    return S_OK;
}

HRESULT CEfxClip::GetType(DWORD* type)
{
    if (!type)
        return E_POINTER;
    *type = m_type;
    return S_OK;
}

HRESULT CEfxClip::IsModified()
{
    return S_FALSE;
}

HRESULT CEfxClip::GetTime(int kind, LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    if (kind == kEfxClipFadeInTime)
        *time = m_fadeIn;
    else if (kind == kEfxClipFadeOutTime)
        *time = m_fadeOut;
    else
        return E_FAIL;
    return S_OK;
}

HRESULT CEfxClip::SetTime(int kind, LONGLONG time)
{
    if (kind == kEfxClipFadeInTime)
        m_fadeIn = time;
    else if (kind == kEfxClipFadeOutTime)
        m_fadeOut = time;
    else
        return E_FAIL;
    return S_OK;
}

HRESULT CEfxClip::GetMusicTime(int, IMusicTime*)
{
    return E_NOTIMPL;
}

HRESULT CEfxClip::SetMusicTime(int, IMusicTime*)
{
    return E_NOTIMPL;
}

HRESULT CEfxClip::GetValue(int kind, LONG* value)
{
    if (!value)
        return E_POINTER;
    if (kind != kEfxClipLevelValue)
        return E_FAIL;
    *value = static_cast<LONG>(m_level * kValueScale);
    return S_OK;
}

HRESULT CEfxClip::SetValue(int kind, LONG value)
{
    if (kind != kEfxClipLevelValue)
        return E_FAIL;
    m_level = static_cast<float>(value) / kValueScale;
    return S_OK;
}

HRESULT CEfxClip::GetLabel(int, BSTR* text)
{
    if (text)
        *text = nullptr;
    return E_FAIL;
}

HRESULT CEfxClip::SetLabel(int, LPCWSTR)
{
    return E_FAIL;
}

HRESULT CEfxClip::GetId(LONG* id)
{
    if (!id)
        return E_POINTER;
    *id = m_id;
    return S_OK;
}

HRESULT CEfxClip::GetTag(DWORD* tag)
{
    if (!tag)
        return E_POINTER;
    *tag = m_tag;
    return S_OK;
}

HRESULT CEfxClip::SetTag(DWORD tag)
{
    m_tag = tag;
    return S_OK;
}

HRESULT CEfxClip::GetFlags(DWORD*)
{
    return E_NOTIMPL;
}

HRESULT CEfxClip::SetFlags(DWORD)
{
    return E_NOTIMPL;
}

BOOL CEfxClip::Move(LONGLONG delta)
{
    m_start = SaturatingAdd(m_start, delta);
    m_end = SaturatingAdd(m_end, delta);
    return TRUE;
}

BOOL CEfxClip::Clone(CTrackObj** clone) const
{
    if (!clone)
        return FALSE;
    CEfxClip* copy = Create(m_start, m_end);
    if (!copy)
        return FALSE;
    copy->CopyBaseFrom(*this);
    copy->m_fadeIn = m_fadeIn;
    copy->m_fadeOut = m_fadeOut;
    copy->m_level = m_level;
    copy->m_effectIndex = m_effectIndex;
    if (!copy->m_manager->CopyFrom(*m_manager)) {
        copy->ReleaseObj();
        return FALSE;
    }
    *clone = copy;
    return TRUE;
}

BOOL CEfxClip::CloneRange(LONGLONG from, LONGLONG to, CTrackObj** clone) const
{
    if (!Clone(clone))
        return FALSE;
    auto* piece = static_cast<CEfxClip*>(*clone);
    piece->m_start = std::max(m_start, from);
    piece->m_end = std::min(m_end, to);
    return TRUE;
}

BOOL CEfxClip::GetRangeInterface(ITrackRange** range)
{
    if (!range)
        return FALSE;
    *range = this;
    return TRUE;
}

BOOL CEfxClip::IsEqual(const CTrackObj& other) const
{
    if (other.GetClass() != kTrackObjEffectClip || !EqualBase(other))
        return FALSE;
    const auto& o = static_cast<const CEfxClip&>(other);
    return m_start == o.m_start && m_end == o.m_end && m_fadeIn == o.m_fadeIn && m_fadeOut == o.m_fadeOut &&
           m_level == o.m_level && m_effectIndex == o.m_effectIndex && m_manager->IsEqual(*o.m_manager);
}

void CEfxClip::Serialize(CArchive& archive)
{
    CTrackObj::Serialize(archive);
    if (archive.IsStoring()) {
        archive << m_start << m_end << m_fadeIn << m_fadeOut << m_level << m_effectIndex;
        CEfxInfoCntr list;
        if (!m_manager->GetEffectList(list))
            throw std::bad_alloc();
        list.Serialize(archive);
        return;
    }
    archive >> m_start >> m_end >> m_fadeIn >> m_fadeOut >> m_level >> m_effectIndex;
    RequireStoredTrackTimes({m_start, m_end, m_fadeIn, m_fadeOut});
    CEfxInfoCntr list;
    list.Serialize(archive);
    if (!m_manager->SetEffectList(list))
        throw std::bad_alloc();
}

BOOL CEfxClip::WriteChunk(IRiffStream* stream) const
{
    if (!stream || !stream->CreateList(kListId))
        return FALSE;
    IArchive* archive = nullptr;
    BOOL written = stream->CreateChunk(kChunkId, &archive) && archive;
    if (written) {
        TRKE_RECORD record{};
        record.size = sizeof(TRKE_RECORD);
        record.kind = kTrackObjEffectClip;
        record.start = m_start;
        record.end = m_end;
        record.fadeIn = m_fadeIn;
        record.fadeOut = m_fadeOut;
        record.level = m_level;
        archive->Write(&record, sizeof(record));
        stream->CloseChunk();
        written = m_manager->EffectList().WriteChunks(stream);
    }
    stream->Ascend();
    return written;
}

BOOL CEfxClip::ReadChunks(IRiffStream* stream)
{
    if (!stream)
        return FALSE;
    FOURCC id = 0;
    BOOL found = FALSE;
    for (int n = 0; !found && stream->GetChildId(n, &id); ++n) {
        if (id != kChunkId)
            continue;
        IArchive* archive = nullptr;
        DWORD size = 0;
        if (!stream->OpenChunk(n, &archive, &size) || !archive)
            return FALSE;
        TRKE_RECORD record{};
        const UINT take = std::min<DWORD>(size, kTrkeNeeded);
        UINT got = 0;
        found = size >= kTrkeNeeded && archive->Read(&record, take, &got) && got == take &&
                IsStoredTrackTimeAccepted(record.start) && IsStoredTrackTimeAccepted(record.end) &&
                IsStoredTrackTimeAccepted(record.fadeIn) && IsStoredTrackTimeAccepted(record.fadeOut);
        stream->CloseChunk();
        if (!found)
            return FALSE;
        m_start = record.start;
        m_end = record.end;
        m_fadeIn = record.fadeIn;
        m_fadeOut = record.fadeOut;
        m_level = record.level;
    }
    if (!found)
        return FALSE;
    CEfxInfoCntr list;
    list.ReadChunks(stream);
    return m_manager->SetEffectList(list);
}
