#include "engine/core/mix/UndoStore.h"

#include <new>
#include <vector>

#include "classlib/core/File.h"
#include "classlib/core/MemFile.h"
#include "engine/core/storage/RiffArchive.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "engine/playback/effects/MixGlobals.h"
#include "interfaces/IVideoClipList.h"

namespace {

// Far beyond the snapshot of any real mix; a larger file is not one of ours.
constexpr ULONGLONG kMaxSnapshotBytes = 512ull * 1024 * 1024;

// The number of a snapshot path: the two characters before its last "."; -1 when there are
// none or they are no number.
int SnapshotNumber(const CString& path)
{
    const int dot = path.ReverseFind(L'.');
    if (dot < 2)
        return -1;
    const wchar_t tens = path[dot - 2];
    const wchar_t units = path[dot - 1];
    if (tens < L'0' || tens > L'9' || units < L'0' || units > L'9')
        return -1;
    return (tens - L'0') * 10 + (units - L'0');
}

}  // namespace

CUndoStore::CUndoStore(const wchar_t* folder) : m_folder(folder ? folder : L"")
{
    if (!m_folder.IsEmpty() && m_folder.Right(1) != L"\\" && m_folder.Right(1) != L"/")
        m_folder += L"\\";
}

CString CUndoStore::FreePath() const
{
    bool used[kMaxSnapshots] = {};
    for (const CString& path : m_undo) {
        const int number = SnapshotNumber(path);
        if (number >= 0 && number < kMaxSnapshots)
            used[number] = true;
    }
    int number = 0;
    while (number < kMaxSnapshots - 1 && used[number])
        ++number;
    CString path;
    path.Format(L"%sundo%.2d.tmp", m_folder.GetString(), number);
    return path;
}

void CUndoStore::SaveSnapshot(const CTrackInfoContainer& tracks, const CMixGlobals& globals, IVideoClipList* video)
{
    if (m_undo.size() >= kMaxSnapshots) {
        m_undo.push_back(m_undo.front());
        m_undo.pop_front();
    } else {
        m_undo.push_back(FreePath());
    }
    m_redo.clear();
    WriteSnapshot(m_undo.back(), tracks, globals, video);
}

BOOL CUndoStore::Undo(CTrackInfoContainer& tracks, CMixGlobals& globals, IVideoClipList* video)
{
    if (m_undo.empty())
        return FALSE;
    m_redo.push_front(m_undo.back());
    m_undo.pop_back();
    if (m_undo.empty())
        return FALSE;
    if (ReadSnapshot(m_undo.back(), tracks, globals, video))
        return TRUE;
    // The earlier state cannot be loaded: the mix stays what it was, and so do the lists.
    m_undo.push_back(m_redo.front());
    m_redo.pop_front();
    return FALSE;
}

BOOL CUndoStore::Redo(CTrackInfoContainer& tracks, CMixGlobals& globals, IVideoClipList* video)
{
    if (m_redo.empty() || !ReadSnapshot(m_redo.front(), tracks, globals, video))
        return FALSE;
    m_undo.push_back(m_redo.front());
    m_redo.pop_front();
    return TRUE;
}

BOOL CUndoStore::WriteSnapshot(const wchar_t* path, const CTrackInfoContainer& tracks, const CMixGlobals& globals,
                               IVideoClipList* video)
{
    CFile file;
    if (!path || !file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive))
        return FALSE;
    try {
        CRiffArchive archive(&file, true);
        // Serialize is one routine for both directions; storing leaves the objects as they are.
        const_cast<CTrackInfoContainer&>(tracks).Serialize(archive.Archive());
        const_cast<CMixGlobals&>(globals).Serialize(archive.Archive());
        if (video && FAILED(video->Serialize(&archive)))
            return FALSE;
        if (archive.Failed())
            return FALSE;
        archive.Close();
        file.Close();
        return TRUE;
    } catch (const CException&) {
        return FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL CUndoStore::ReadSnapshot(const wchar_t* path, CTrackInfoContainer& tracks, CMixGlobals& globals,
                              IVideoClipList* video)
{
    CFile file;
    if (!path || !file.Open(path, CFile::modeRead | CFile::shareDenyWrite))
        return FALSE;
    CTrackInfoContainer readTracks;
    CMixGlobals readGlobals;
    try {
        // The reader checks the bytes left before every list it reads: in memory that costs
        // nothing, on the file two system calls each, which made an undo far slower than the edit.
        const ULONGLONG length = file.GetLength();
        if (length > kMaxSnapshotBytes)
            return FALSE;
        CMemFile memory(static_cast<UINT>(length) + 1);
        std::vector<BYTE> bytes(static_cast<size_t>(length));
        if (file.Read(bytes.data(), static_cast<UINT>(bytes.size())) != bytes.size())
            return FALSE;
        memory.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        memory.Seek(0, CFile::begin);
        CRiffArchive archive(&memory, false);
        readTracks.Serialize(archive.Archive());
        readGlobals.Serialize(archive.Archive());
        if (video && FAILED(video->Serialize(&archive)))
            return FALSE;
        if (!globals.CopyFrom(readGlobals))
            return FALSE;
    } catch (const CException&) {
        return FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    tracks.TakeAllFrom(readTracks);
    return TRUE;
}
