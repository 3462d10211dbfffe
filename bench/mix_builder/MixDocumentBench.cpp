// The mix document and its neighbours on a mix of 500 analysed tracks, each of two segments,
// with the mix builder's markers and transitions and an effect clip on every tenth track:
// - save: WriteMixFile of the current form (beside the target, then put in place), printed
//   beside one plain write of the same bytes to a new file (CreateFileW, WriteFile,
//   CloseHandle) in the same process. Target: 50 ms or less.
// - open: ReadMixFile of that document, read only (no rebuild).
// - snapshot: bytes per track of an undo snapshot of the same mix.
// - open with rebuild: what loading the document costs in the mix manager: the read, the
//   manager's replace (tracks prepared and copied in, the rebuild with its play lists), the undo
//   snapshot and the last-mix file. Target: 200 ms or less.
// - rebuild as an edit: the mix manager's rebuild after a change, and its three costs apart: the
//   rebuild itself (builder, master beat map, play lists), the undo snapshot, the last-mix file.
//   Target: 60 ms or less.
// - M3U: reading a playlist of 10,000 entries (an "#EXTINF" line before each path) line by
//   line. Target: 30 ms or less.
// Every time is taken with QueryPerformanceCounter around the call inside this (Wine) process:
// the median of 15 runs after one untimed run. Exit code 1 when a target is missed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "classlib/core/File.h"
#include "engine/core/mix/M3uFile.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/mix/UndoStore.h"
#include "engine/core/track/Segment.h"
#include "engine/playback/effects/EfxInfo.h"
#include "engine/playback/effects/MixGlobals.h"
#include "BenchManager.h"
#include "BenchTracks.h"

namespace {

constexpr int kTracks = 500;
constexpr int kPlaylistEntries = 10000;
constexpr int kRuns = 15;
constexpr double kSaveTargetMs = 50.0;
constexpr double kM3uTargetMs = 30.0;
constexpr double kOpenTargetMs = 200.0;
constexpr double kEditTargetMs = 60.0;

// Replaces a track's full segment by two halves that play on from each other.
void SplitIntoTwoSegments(CTrackInfo& track)
{
    const LONGLONG length = track.GetTrackLength();
    const LONGLONG half = length / 2;
    track.MainObjects().RemoveObjects(kTrackObjSegment, kAllMask);
    track.MainObjects().Append(new CSegment(kSegmentPlain, 0, half, 0));
    track.MainObjects().Append(new CSegment(kSegmentPlain, half + 1, length, half + 1));
}

double MedianMs(const std::function<void()>& work)
{
    return BenchMedianMs(kRuns, work);
}

bool PlainWrite(const std::wstring& path, const std::vector<BYTE>& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

void WritePlaylist(const std::wstring& path)
{
    std::string text = "#EXTM3U\r\n";
    char line[200];
    for (int i = 0; i < kPlaylistEntries; ++i) {
        std::snprintf(line, sizeof(line), "#EXTINF:%d,Artist %d - Title %d\r\nD:\\Music\\Artist %d\\Track %05d.mp3\r\n",
                      180 + i % 120, i % 300, i, i % 300, i);
        text += line;
    }
    PlainWrite(path, std::vector<BYTE>(text.begin(), text.end()));
}

}  // namespace

int main()
{
    CTrackInfoContainer tracks;
    CResults source;
    for (int i = 0; i < kTracks; ++i) {
        AddTrack(tracks, source, i);
        SplitIntoTwoSegments(*tracks.GetLast());
    }
    CMixBuilder::BuildMix(tracks);
    CMixBuilder::ApplyDefaultTransitions(&source, tracks, TRUE);
    for (int i = 0; i < kTracks; i += 10) {
        const LONGLONG length = tracks.GetAt(i)->GetTrackLength();
        tracks.GetAt(i)->AddEffectClip(i, length / 4, length / 2);
    }
    int objects = 0;
    for (int i = 0; i < tracks.GetCount(); ++i)
        objects += tracks.GetAt(i)->MainObjects().GetCount();
    CMixGlobals globals;
    CEfxInfo* effect = CEfxInfo::Create();
    effect->Set(CLSID_NULL, L"Echo", 1);
    globals.Effects().Append(effect);

    const std::wstring folder = BenchFolder(L"carrowfold-mixdoc-bench");
    const std::wstring document = folder + L"bench.cfp";
    const std::wstring plain = folder + L"plain.bin";
    const std::wstring snapshot = folder + L"undo00.tmp";
    const std::wstring playlist = folder + L"bench.m3u";

    bool saved = true;
    const double saveMs = MedianMs([&] {
        CFVR_RECORD record = {12, 0, kMixVersionCurrent, 0x40000};
        saved = WriteMixFile(nullptr, &record, document.c_str(), tracks, globals, FALSE) && saved;
    });
    const std::vector<BYTE> bytes = BenchFileBytes(document);
    const double plainMs = MedianMs([&] { PlainWrite(plain, bytes); });

    bool opened = true;
    int read = 0;
    const double openMs = MedianMs([&] {
        CTrackInfoContainer back;
        CMixGlobals backGlobals;
        CFVR_RECORD record{};
        DWORD version = 0;
        opened = ReadMixFile(&record, document.c_str(), back, backGlobals, nullptr, &version) && opened;
        read = back.GetCount();
    });

    CUndoStore::WriteSnapshot(snapshot.c_str(), tracks, globals, nullptr);
    const size_t snapshotBytes = BenchFileBytes(snapshot).size();

    // The mix manager on its own (no player, catalog or file mapper: the tracks stay as read and the
    // play managers have no graph), with the analysis results of the tracks.
    const std::wstring lastMix = folder + L"defaultplaylist.cfp";
    InnerPtr<CMixManager> manager;
    manager.reset(new CMixManager(nullptr));
    manager->SetCatalogSources(&source, nullptr);
    manager->Initialize(lastMix.c_str());
    const double openRebuildMs = MedianMs([&] {
        CTrackInfoContainer back;
        CMixGlobals backGlobals;
        CFVR_RECORD record{};
        DWORD version = 0;
        opened = ReadMixFile(&record, document.c_str(), back, backGlobals, nullptr, &version) && opened;
        manager->ConvertLoadedTracks(back, version);
        back.ClearTrackIds();
        manager->ReplaceMix(&back, &backGlobals, nullptr, FALSE);
    });
    const int managed = manager->Tracks().GetCount();
    const double editMs = MedianMs([&] { manager->UpdateMix(TRUE); });
    const double rebuildMs = MedianMs([&] { manager->UpdateMix(FALSE); });
    const double snapshotMs =
        MedianMs([&] { manager->GetUndoStore()->SaveSnapshot(manager->Tracks(), manager->Globals(), nullptr); });
    bool lastWritten = true;
    const double lastMixMs = MedianMs([&] { lastWritten = manager->WriteMix(lastMix.c_str()) && lastWritten; });
    ReleaseBenchManager(manager, lastMix);

    WritePlaylist(playlist);
    int lines = 0;
    const double m3uMs = MedianMs([&] {
        CM3uFile file;
        file.Open(playlist.c_str());
        char line[CM3uFile::kMaxLine];
        lines = 0;
        while (file.ReadLine(line, sizeof(line)))
            ++lines;
    });

    for (const std::wstring& path : {document, plain, snapshot, playlist})
        DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());

    const bool ok = saved && opened && read == kTracks && lines == kPlaylistEntries && saveMs <= kSaveTargetMs &&
                    m3uMs <= kM3uTargetMs && managed == kTracks && lastWritten && openRebuildMs <= kOpenTargetMs &&
                    editMs <= kEditTargetMs;
    std::printf("mix document: %d tracks, %d objects in their first layers, %zu bytes\n", kTracks, objects,
                bytes.size());
    std::printf("  save: median %.2f ms (target <= %.0f ms) %s; one plain write of the same bytes: %.2f ms (%.1fx)\n",
                saveMs, kSaveTargetMs, saveMs <= kSaveTargetMs ? "ok" : "SLOW", plainMs,
                plainMs > 0 ? saveMs / plainMs : 0.0);
    std::printf("  open, read only: median %.2f ms, %d tracks read%s\n", openMs, read, opened ? "" : " (FAILED)");
    std::printf("  undo snapshot: %zu bytes, %.0f bytes per track\n", snapshotBytes,
                static_cast<double>(snapshotBytes) / kTracks);
    std::printf("  open with rebuild, snapshot and last-mix file: median %.2f ms (target <= %.0f ms) %s, %d tracks in "
                "the mix\n",
                openRebuildMs, kOpenTargetMs, openRebuildMs <= kOpenTargetMs ? "ok" : "SLOW", managed);
    std::printf("  rebuild as an edit: median %.2f ms (target <= %.0f ms) %s = rebuild %.2f ms + undo snapshot %.2f ms "
                "+ last-mix file %.2f ms%s\n",
                editMs, kEditTargetMs, editMs <= kEditTargetMs ? "ok" : "SLOW", rebuildMs, snapshotMs, lastMixMs,
                lastWritten ? "" : " (last-mix file FAILED)");
    std::printf("  M3U of %d entries: median %.2f ms (target <= %.0f ms) %s, %d paths\n", kPlaylistEntries, m3uMs,
                kM3uTargetMs, m3uMs <= kM3uTargetMs ? "ok" : "SLOW", lines);
    std::printf("  (times: QueryPerformanceCounter around each call in this process under Wine, median of %d runs "
                "after one untimed run)\n",
                kRuns);
    return ok ? 0 : 1;
}
