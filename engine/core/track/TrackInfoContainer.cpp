#include "engine/core/track/TrackInfoContainer.h"

#include <ole2.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "classlib/com/ComPtr.h"
#include "classlib/ole/OleDataSource.h"

namespace {

// Each archived track takes at least its two version words.
constexpr ULONGLONG kMinTrackArchiveBytes = 4;
// A clipboard stream larger than this is refused rather than read into memory.
constexpr ULONGLONG kMaxClipboardBytes = 256ull * 1024 * 1024;

// Reads what the clipboard holds for the format into a memory file. FALSE when it holds
// nothing usable.
BOOL ReadClipboardData(UINT format, CMemFile& into)
{
    ComPtr<IDataObject> data;
    if (FAILED(OleGetClipboard(data.put())) || !data)
        return FALSE;
    FORMATETC wanted{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_ISTREAM};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&wanted, &medium)))
        return FALSE;
    BOOL result = FALSE;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        const SIZE_T size = GlobalSize(medium.hGlobal);
        const void* bytes = GlobalLock(medium.hGlobal);
        if (bytes && size <= kMaxClipboardBytes) {
            into.Write(bytes, static_cast<UINT>(size));
            result = TRUE;
        }
        GlobalUnlock(medium.hGlobal);
    } else if (medium.tymed == TYMED_ISTREAM && medium.pstm) {
        BYTE buffer[4096];
        ULONG got = 0;
        ULONGLONG total = 0;
        result = TRUE;
        while (SUCCEEDED(medium.pstm->Read(buffer, sizeof(buffer), &got)) && got > 0) {
            total += got;
            if (total > kMaxClipboardBytes) {
                result = FALSE;
                break;
            }
            into.Write(buffer, got);
        }
    }
    ReleaseStgMedium(&medium);
    into.SeekToBegin();
    return result;
}

}  // namespace

CTrackInfoContainer::CTrackInfoContainer()
{
    SetClipboardFormatName(kTrackClipboardFormat);
}

CTrackInfoContainer::~CTrackInfoContainer()
{
    RemoveAll();
}

void CTrackInfoContainer::SetClipboardFormatName(const wchar_t* name)
{
    m_clipboardFormat = RegisterClipboardFormatW(name);
}

CTrackInfo* CTrackInfoContainer::GetAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_tracks[static_cast<size_t>(index)];
}

int CTrackInfoContainer::IndexOf(const CTrackInfo* track) const
{
    const auto at = std::find(m_tracks.begin(), m_tracks.end(), track);
    return at == m_tracks.end() ? -1 : static_cast<int>(at - m_tracks.begin());
}

BOOL CTrackInfoContainer::GetTrackIdAt(int index, LONG* id) const
{
    const CTrackInfo* track = GetAt(index);
    if (!track)
        return FALSE;
    if (id)
        *id = track->GetTrackIdValue();
    return TRUE;
}

BOOL CTrackInfoContainer::FindById(LONG trackId, CTrackInfo** track) const
{
    int index = -1;
    if (!IndexOfId(trackId, &index))
        return FALSE;
    if (track)
        *track = m_tracks[static_cast<size_t>(index)];
    return TRUE;
}

BOOL CTrackInfoContainer::IndexOfId(LONG trackId, int* index) const
{
    for (size_t i = 0; i < m_tracks.size(); ++i)
        if (m_tracks[i]->GetTrackIdValue() == trackId) {
            if (index)
                *index = static_cast<int>(i);
            return TRUE;
        }
    return FALSE;
}

BOOL CTrackInfoContainer::ContainsIdFrom(int start, LONG trackId) const
{
    for (int i = std::max(start, 0); i < GetCount(); ++i)
        if (m_tracks[static_cast<size_t>(i)]->GetTrackIdValue() == trackId)
            return TRUE;
    return FALSE;
}

CTrackInfo* CTrackInfoContainer::GetLast() const
{
    return m_tracks.empty() ? nullptr : m_tracks.back();
}

CTrackInfo* CTrackInfoContainer::GetNext(const CTrackInfo* track) const
{
    const int index = IndexOf(track);
    return index < 0 ? nullptr : GetAt(index + 1);
}

CTrackInfo* CTrackInfoContainer::GetPrevious(const CTrackInfo* track) const
{
    const int index = IndexOf(track);
    return index < 0 ? nullptr : GetAt(index - 1);
}

int CTrackInfoContainer::FirstPrimaryIndex() const
{
    return NextPrimaryIndexAfter(-1);
}

int CTrackInfoContainer::LastPrimaryIndex() const
{
    for (int i = GetCount() - 1; i >= 0; --i)
        if (m_tracks[static_cast<size_t>(i)]->IsPrimary())
            return i;
    return -1;
}

int CTrackInfoContainer::NextPrimaryIndexAfter(int index) const
{
    for (int i = std::max(index + 1, 0); i < GetCount(); ++i)
        if (m_tracks[static_cast<size_t>(i)]->IsPrimary())
            return i;
    return -1;
}

CTrackInfo* CTrackInfoContainer::NextPrimaryAfter(int index) const
{
    return GetAt(NextPrimaryIndexAfter(index));
}

CTrackInfo* CTrackInfoContainer::PreviousPrimaryBefore(int index) const
{
    for (int i = std::min(index, GetCount()) - 1; i >= 0; --i)
        if (m_tracks[static_cast<size_t>(i)]->IsPrimary())
            return m_tracks[static_cast<size_t>(i)];
    return nullptr;
}

CTrackInfo* CTrackInfoContainer::NextPrimary(const CTrackInfo* track) const
{
    const int index = IndexOf(track);
    return index < 0 ? nullptr : NextPrimaryAfter(index);
}

CTrackInfo* CTrackInfoContainer::PreviousPrimary(const CTrackInfo* track) const
{
    const int index = IndexOf(track);
    return index < 0 ? nullptr : PreviousPrimaryBefore(index);
}

BOOL CTrackInfoContainer::HasPauseBeforeNextPrimary(int index) const
{
    for (int i = std::max(index + 1, 0); i < GetCount(); ++i) {
        const CTrackInfo* track = m_tracks[static_cast<size_t>(i)];
        if (track->IsPause())
            return TRUE;
        if (track->IsPrimary())
            return FALSE;
    }
    return FALSE;
}

BOOL CTrackInfoContainer::HasPauseAfterPreviousPrimary(int index) const
{
    for (int i = std::min(index, GetCount()) - 1; i >= 0; --i) {
        const CTrackInfo* track = m_tracks[static_cast<size_t>(i)];
        if (track->IsPause())
            return TRUE;
        if (track->IsPrimary())
            return FALSE;
    }
    return FALSE;
}

void CTrackInfoContainer::AppendReference(CTrackInfo* track)
{
    if (!track)
        return;
    track->AddRef();
    m_tracks.push_back(track);
}

BOOL CTrackInfoContainer::AppendCopy(const CTrackInfo& track)
{
    CTrackInfo* copy = new (std::nothrow) CTrackInfo();
    if (!copy)
        return FALSE;
    copy->CopyFrom(track);
    m_tracks.push_back(copy);
    return TRUE;
}

void CTrackInfoContainer::AppendCopies(const CTrackInfoContainer& list)
{
    for (const CTrackInfo* track : list.m_tracks)
        AppendCopy(*track);
}

void CTrackInfoContainer::RemoveById(LONG trackId)
{
    for (size_t i = m_tracks.size(); i-- > 0;)
        if (m_tracks[i]->GetTrackIdValue() == trackId) {
            CTrackInfo* track = m_tracks[i];
            m_tracks.erase(m_tracks.begin() + static_cast<std::ptrdiff_t>(i));
            track->ReleaseFromOwner();
        }
}

void CTrackInfoContainer::RemoveAt(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_tracks.size())
        return;
    CTrackInfo* track = m_tracks[static_cast<size_t>(index)];
    m_tracks.erase(m_tracks.begin() + index);
    track->ReleaseFromOwner();
}

void CTrackInfoContainer::RemoveAll()
{
    std::vector<CTrackInfo*> old;
    old.swap(m_tracks);
    for (CTrackInfo* track : old)
        track->ReleaseFromOwner();
}

void CTrackInfoContainer::TakeAllFrom(CTrackInfoContainer& list)
{
    if (&list == this)
        return;
    RemoveAll();
    m_tracks.swap(list.m_tracks);
}

void CTrackInfoContainer::AssignFrom(const CTrackInfoContainer& list)
{
    if (&list == this)
        return;
    for (size_t i = 0; i < list.m_tracks.size(); ++i) {
        if (i >= m_tracks.size()) {
            if (!AppendCopy(*list.m_tracks[i]))
                return;
            continue;
        }
        m_tracks[i]->CopyFrom(*list.m_tracks[i]);
    }
    while (m_tracks.size() > list.m_tracks.size()) {
        CTrackInfo* track = m_tracks.back();
        m_tracks.pop_back();
        track->ReleaseFromOwner();
    }
}

void CTrackInfoContainer::ClearTrackIds()
{
    for (CTrackInfo* track : m_tracks)
        track->SetTrackId(-1);
}

void CTrackInfoContainer::ClearObjectIds()
{
    for (CTrackInfo* track : m_tracks)
        track->Layers().ClearIds();
}

void CTrackInfoContainer::NormalizeObjectTimes()
{
    for (CTrackInfo* track : m_tracks)
        for (int l = 0; l < track->Layers().GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            track->Layers().GetLayer(l, &layer);
            CTrackObjContainer& objects = layer->Objects();
            if (objects.GetCount() > 0)
                objects.MoveObjects(-objects.GetEarliestStart());
        }
}

void CTrackInfoContainer::CollectObject(LONG objectId, const CTrackInfoContainer& source)
{
    for (const CTrackInfo* from : source.m_tracks) {
        if (!from->Layers().ContainsId(objectId))
            continue;
        CTrackInfo* target = nullptr;
        if (!FindById(from->GetTrackIdValue(), &target)) {
            target = new (std::nothrow) CTrackInfo();
            if (!target)
                return;
            target->SetTrackId(from->GetTrackIdValue());
            m_tracks.push_back(target);
        }
        target->Layers().CopyObjectByIdFrom(from->Layers(), objectId);
        return;
    }
}

void CTrackInfoContainer::PasteObjectsAt(const CTrackInfoContainer& clip, LONGLONG mixTime)
{
    for (const CTrackInfo* from : clip.m_tracks) {
        CTrackInfo* target = nullptr;
        if (!FindById(from->GetTrackIdValue(), &target))
            continue;
        LONGLONG trackTime = 0;
        if (FAILED(target->MixTimeToTrackTime(mixTime, &trackTime)))
            continue;
        from->Layers().CopyAllTo(target->Layers(), trackTime);
    }
}

void CTrackInfoContainer::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << static_cast<DWORD>(m_tracks.size());
        for (CTrackInfo* track : m_tracks)
            track->Serialize(archive);
        return;
    }
    RemoveAll();
    DWORD count = 0;
    archive >> count;
    archive.RequireAvailable(static_cast<ULONGLONG>(count) * kMinTrackArchiveBytes);
    for (DWORD i = 0; i < count; ++i) {
        CTrackInfo* track = new CTrackInfo();
        try {
            track->Serialize(archive);
        } catch (...) {
            track->ReleaseFromOwner();
            throw;
        }
        m_tracks.push_back(track);
    }
}

BOOL CTrackInfoContainer::CopyToClipboard()
{
    // The clipboard takes the source's only reference; when the copy failed, Release deletes it.
    COleDataSource* source = new (std::nothrow) COleDataSource();
    if (!source)
        return FALSE;
    if (!CopyToDataSource(source)) {
        source->Release();
        return FALSE;
    }
    return SUCCEEDED(source->SetClipboard());
}

BOOL CTrackInfoContainer::CopyToDataSource(COleDataSource* dataSource)
{
    if (!dataSource)
        return FALSE;
    CMemFile file(1024);
    try {
        CArchive archive(&file, CArchive::store, 4096);
        Serialize(archive);
        archive.Close();
    } catch (const CException&) {
        return FALSE;
    }
    const ULONGLONG size = file.GetLength();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size));
    if (!block)
        return FALSE;
    void* bytes = GlobalLock(block);
    if (!bytes) {
        GlobalFree(block);
        return FALSE;
    }
    std::memcpy(bytes, file.GetData(), static_cast<size_t>(size));
    GlobalUnlock(block);
    dataSource->CacheGlobalData(static_cast<CLIPFORMAT>(m_clipboardFormat), block);
    return TRUE;
}

BOOL CTrackInfoContainer::CanPaste() const
{
    return IsClipboardFormatAvailable(m_clipboardFormat) ? TRUE : FALSE;
}

BOOL CTrackInfoContainer::PasteFromClipboard()
{
    CMemFile file(1024);
    if (!ReadClipboardData(m_clipboardFormat, file))
        return FALSE;
    CArchive archive(&file, CArchive::load, 4096);
    Serialize(archive);
    return TRUE;
}
