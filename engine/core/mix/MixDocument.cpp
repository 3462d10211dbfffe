#include "engine/core/mix/MixDocument.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "engine/core/storage/ItemFile.h"
#include "engine/core/storage/RiffFile.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "engine/core/track/V4TrackArchive.h"
#include "engine/playback/effects/MixGlobals.h"
#include "interfaces/IVideoClipList.h"

namespace {

constexpr FOURCC kTrackListId = mmioFOURCC('T', 'R', 'K', 'L');
constexpr FOURCC kTrackId = mmioFOURCC('T', 'R', 'K', 'I');
constexpr FOURCC kVersionChunkId = mmioFOURCC('C', 'F', 'V', 'R');
constexpr FOURCC kVideoListId = mmioFOURCC('V', 'I', 'D', 'L');

// Every "TRKI" list read gets the next run-time id, engine-wide, never reset.
std::atomic<LONG> g_nextRuntimeId{0};

// The oldest form: a record file whose records are older track archives. FALSE when the file
// holds no record. Opened read-only (a document is only read: nothing is created, appended or
// compacted) and without repair: a RIFF document then fails at its first bytes instead of being
// searched byte by byte for record headers.
BOOL ReadRecordFile(LPCWSTR path, CTrackInfoContainer& tracks)
{
    CItemFile file(path, CItemFile::flagReadOnly);
    bool anyRecord = false;
    file.ForEachItem([&](int, CArchive& body) {
        anyRecord = true;
        auto* track = new CTrackInfo;
        if (LoadV4TrackArchive(body, *track))
            tracks.AppendReference(track);
        track->ReleaseFromOwner();
    });
    return anyRecord;
}

struct TOP_LEVEL {
    int trackList = -1;
    int globals = -1;
    int videoList = -1;
};

TOP_LEVEL ScanTopLevel(CRiffFile& riff, CFVR_RECORD& record)
{
    TOP_LEVEL found;
    FOURCC id = 0;
    for (int n = 0; riff.GetChildId(n, &id); ++n) {
        if (id == kTrackListId && found.trackList < 0)
            found.trackList = n;
        else if (id == CMixGlobals::kListId && found.globals < 0)
            found.globals = n;
        else if (id == kVideoListId && found.videoList < 0)
            found.videoList = n;
        else if (id == kVersionChunkId) {
            std::memset(&record, 0, sizeof(record));
            IArchive* archive = nullptr;
            DWORD size = 0;
            UINT got = 0;
            if (riff.OpenChunk(n, &archive, &size) && archive)
                archive->Read(&record, std::min<DWORD>(size, sizeof(record)), &got);
            riff.CloseChunk();
        }
    }
    return found;
}

// Reads every "TRKI" list of the current level ("TRKL").
void ReadTracks(CRiffFile& riff, DWORD& version, CTrackInfoContainer& tracks, IVideoClipList* video)
{
    FOURCC id = 0;
    bool first = true;
    for (int n = 0; riff.GetChildId(n, &id); ++n) {
        if (id != kTrackId || !riff.Descend(n))
            continue;
        if (first && version == 0) {
            FOURCC child = 0;
            version = riff.GetChildId(0, &child) && child == CTrackInfo::kLegacyChunkId ? kMixVersionTrackArchives
                                                                                        : kMixVersionFlat;
        }
        first = false;
        const LONG runtimeId = g_nextRuntimeId++;
        auto* track = new CTrackInfo;
        if (track->ReadChunks(&riff, version)) {
            track->SetRuntimeWord(runtimeId);
            tracks.AppendReference(track);
        }
        track->ReleaseFromOwner();
        if (video)
            video->OnTrackRead(&riff, runtimeId);
        riff.Ascend();
    }
}

// A document is read whole into memory and walked there: under Wine every system call costs
// microseconds, and a walk on disk makes several per chunk.
BOOL OpenInMemory(LPCWSTR path, CRiffFile& riff)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite))
        return FALSE;
    const ULONGLONG length = file.GetLength();
    if (length > static_cast<ULONGLONG>(INT_MAX))
        return FALSE;
    std::vector<BYTE> bytes(static_cast<size_t>(length));
    if (!bytes.empty() && file.Read(bytes.data(), static_cast<UINT>(bytes.size())) != bytes.size())
        return FALSE;
    return riff.OpenFromMemory(bytes.data(), static_cast<int>(bytes.size()));
}

BOOL ReadRiffDocument(LPCWSTR path, CFVR_RECORD& record, CTrackInfoContainer& tracks, CMixGlobals& globals,
                      IVideoClipList* video)
{
    CRiffFile riff;
    if (!OpenInMemory(path, riff))
        return FALSE;
    const TOP_LEVEL found = ScanTopLevel(riff, record);
    if (found.trackList < 0 || found.globals < 0 || !riff.Descend(found.trackList))
        return FALSE;
    ReadTracks(riff, record.version1, tracks, video);
    riff.Ascend();
    if (!riff.Descend(found.globals))
        return FALSE;
    globals.ReadChunks(&riff);
    riff.Ascend();
    if (found.videoList >= 0 && video) {
        if (!riff.Descend(found.videoList) || FAILED(video->ReadVideoList(&riff)))
            return FALSE;
        riff.Ascend();
    }
    return TRUE;
}

BOOL WriteDocument(CRiffFile& riff, IVideoClipList* video, CFVR_RECORD* record, const CTrackInfoContainer& tracks,
                   const CMixGlobals& globals, BOOL flat)
{
    if (!riff.CreateList(kTrackListId))
        return FALSE;
    for (int i = 0; i < tracks.GetCount(); ++i) {
        const CTrackInfo* track = tracks.GetAt(i);
        if (!riff.CreateList(kTrackId) || !track->WriteChunks(&riff, flat))
            return FALSE;
        if (video && FAILED(video->OnTrackWritten(track->GetTrackIdValue(), &riff)))
            return FALSE;
        if (!riff.Ascend())
            return FALSE;
    }
    if (!riff.Ascend() || !globals.WriteChunks(&riff))
        return FALSE;
    IArchive* archive = nullptr;
    record->size = sizeof(CFVR_RECORD);
    if (!riff.CreateChunk(kVersionChunkId, &archive) || !archive || !archive->Write(record, sizeof(CFVR_RECORD)) ||
        !riff.CloseChunk())
        return FALSE;
    if (video) {
        if (!riff.CreateList(kVideoListId) || FAILED(video->WriteVideoList(&riff)) || !riff.Ascend())
            return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL IsMixDocumentPath(LPCWSTR path)
{
    if (!path)
        return FALSE;
    const size_t length = wcslen(path);
    return length >= 3 && lstrcmpiW(path + length - 3, L"cfp") == 0;
}

BOOL WriteMixFile(IVideoClipList* video, CFVR_RECORD* record, LPCWSTR path, const CTrackInfoContainer& tracks,
                  const CMixGlobals& globals, BOOL flat)
{
    if (!record || !IsMixDocumentPath(path))
        return FALSE;
    CRiffFile riff;
    if (!riff.OpenReplacing(path, kMixDocumentFormId))
        return FALSE;
    BOOL written = FALSE;
    try {
        written = WriteDocument(riff, video, record, tracks, globals, flat);
    } catch (const std::bad_alloc&) {
        written = FALSE;
    }
    if (!written)
        riff.Abandon();
    return riff.Close() && written;
}

BOOL ReadMixFile(CFVR_RECORD* record, LPCWSTR path, CTrackInfoContainer& tracks, CMixGlobals& globals,
                 IVideoClipList* video, DWORD* version)
{
    CFVR_RECORD stored{};
    CTrackInfoContainer read;
    CMixGlobals readGlobals;
    try {
        if (ReadRecordFile(path, read)) {
            // The oldest form holds no globals: the caller's stay.
            stored.version1 = kMixVersionRecordFile;
        } else {
            read.RemoveAll();
            if (!ReadRiffDocument(path, stored, read, readGlobals, video) || !globals.CopyFrom(readGlobals))
                return FALSE;
        }
    } catch (const CException&) {
        return FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    tracks.TakeAllFrom(read);
    if (record)
        *record = stored;
    if (version && stored.version1 != 0)
        *version = stored.version1;
    return TRUE;
}
