// CTrackInfoContainer: an owning, ordered list of tracks: the mix itself, a mix document being
// read, and the sets that copy and paste of tracks and track objects go through. It carries its
// tracks over the clipboard in its own registered format: a 32-bit count, then each track's
// version-5 archive form. Used under the global mix lock; the clipboard operations run on the
// thread of the main program that called into the mix manager (OLE initialised there).
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "classlib/core/String.h"
#include "engine/core/track/TrackInfo.h"

class CArchive;
class COleDataSource;

inline constexpr wchar_t kTrackClipboardFormat[] = L"Carrowfold TrackInfo Container";
inline constexpr wchar_t kTrackObjectsClipboardFormat[] = L"Carrowfold TrackInfo Container with TrackObjects";

class CTrackInfoContainer {
public:
    CTrackInfoContainer();
    CTrackInfoContainer(const CTrackInfoContainer&) = delete;
    CTrackInfoContainer& operator=(const CTrackInfoContainer&) = delete;
    ~CTrackInfoContainer();

    void SetClipboardFormatName(const wchar_t* name);
    UINT GetClipboardFormat() const { return m_clipboardFormat; }
    void SetPath(const wchar_t* path) { m_path = path ? path : L""; }
    const CString& GetPath() const { return m_path; }

    // Navigation. A primary track's flags hold 0x10000, a pause track's 0x40000.
    int GetCount() const { return static_cast<int>(m_tracks.size()); }
    CTrackInfo* GetAt(int index) const;
    BOOL GetTrackIdAt(int index, LONG* id) const;
    BOOL FindById(LONG trackId, CTrackInfo** track) const;
    BOOL IndexOfId(LONG trackId, int* index) const;
    BOOL ContainsIdFrom(int start, LONG trackId) const;
    CTrackInfo* GetLast() const;
    CTrackInfo* GetNext(const CTrackInfo* track) const;
    CTrackInfo* GetPrevious(const CTrackInfo* track) const;
    int FirstPrimaryIndex() const;
    int LastPrimaryIndex() const;
    CTrackInfo* NextPrimaryAfter(int index) const;
    int NextPrimaryIndexAfter(int index) const;
    CTrackInfo* PreviousPrimaryBefore(int index) const;
    CTrackInfo* NextPrimary(const CTrackInfo* track) const;
    CTrackInfo* PreviousPrimary(const CTrackInfo* track) const;
    BOOL HasPauseBeforeNextPrimary(int index) const;
    BOOL HasPauseAfterPreviousPrimary(int index) const;

    // Changing.
    void AppendReference(CTrackInfo* track);
    BOOL AppendCopy(const CTrackInfo& track);
    void AppendCopies(const CTrackInfoContainer& list);
    void RemoveById(LONG trackId);
    // Removes the track at the position; nothing for an index out of range.
    void RemoveAt(int index);
    void RemoveAll();
    // Exchanges the tracks at two valid positions.
    void Swap(int a, int b) { std::swap(m_tracks[static_cast<size_t>(a)], m_tracks[static_cast<size_t>(b)]); }
    // Removes this list's tracks and takes over the other's, leaving it empty.
    void TakeAllFrom(CTrackInfoContainer& list);
    void AssignFrom(const CTrackInfoContainer& list);
    void ClearTrackIds();
    void ClearObjectIds();
    void NormalizeObjectTimes();
    void CollectObject(LONG objectId, const CTrackInfoContainer& source);
    void PasteObjectsAt(const CTrackInfoContainer& clip, LONGLONG mixTime);

    // Archive and clipboard. Loading throws CArchiveException on malformed data; the tracks
    // read before the fault stay in the list.
    void Serialize(CArchive& archive);
    BOOL CopyToClipboard();
    BOOL CopyToDataSource(COleDataSource* dataSource);
    BOOL CanPaste() const;
    BOOL PasteFromClipboard();

private:
    int IndexOf(const CTrackInfo* track) const;

    std::vector<CTrackInfo*> m_tracks;
    UINT m_clipboardFormat = 0;
    CString m_path;
};
