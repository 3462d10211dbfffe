// Editing a mix of 500 analysed tracks through the mix manager: each edit with the rebuild it
// ends in, its undo snapshot and the last-mix file, then undo and redo on their own. Target:
// 60 ms or less for each row.
// The manager runs on its own (no player, catalog or file mapper: the play managers have no
// graph), so "insert 10 catalog items" is measured from the point where the 10 tracks are made:
// the catalog's part (10 item lookups and their saved settings) is not in that figure.
// Every time is taken with QueryPerformanceCounter around the one call inside this (Wine)
// process; whatever restores the mix between runs (an undo) is outside it. The median of 15 runs
// after one untimed run. Exit code 1 when a target is missed.
//
// The table is a list of rows: a further edit adds one row.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/catalog/ids/ItemIdList.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/InnerPtr.h"
#include "BenchTracks.h"

namespace {

constexpr int kTracks = 500;
constexpr int kRuns = 15;
constexpr double kTargetMs = 60.0;

struct Row {
    std::string name;
    double ms;
    bool ok;
};

IItemIdList* IdsOf(const CTrackInfoContainer& tracks, int from, int count)
{
    auto* list = new CItemIdList();
    for (int i = from; i < from + count && i < tracks.GetCount(); ++i)
        list->Add(static_cast<DWORD>(tracks.GetAt(i)->GetTrackIdValue()));
    return list;
}

}  // namespace

int main()
{
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    CTrackInfoContainer tracks;
    CResults source;
    for (int i = 0; i < kTracks + 10; ++i)
        AddTrack(tracks, source, i);
    CTrackInfoContainer extra;
    for (int i = kTracks; i < kTracks + 10; ++i)
        extra.AppendReference(tracks.GetAt(i));
    while (tracks.GetCount() > kTracks)
        tracks.RemoveAt(tracks.GetCount() - 1);

    const std::wstring folder = BenchFolder(L"carrowfold-mixedit-bench");
    const std::wstring lastMix = folder + L"defaultplaylist.cfp";
    InnerPtr<CMixManager> manager;
    manager.reset(new CMixManager(nullptr));
    manager->SetCatalogSources(&source, nullptr);
    manager->Initialize(lastMix.c_str());
    tracks.ClearTrackIds();
    manager->ReplaceMix(&tracks, nullptr, nullptr, FALSE);
    IMixManager& mix = *manager.get();
    const CTrackInfoContainer& now = manager->Tracks();
    const auto undo = [&] { mix.Undo(); };

    std::vector<Row> rows;
    const auto add = [&](const char* name, const std::function<bool()>& work, const std::function<void()>& restore) {
        bool ok = true;
        const double ms = BenchMedianMs(
            kRuns, [&] { ok = work() && ok; }, restore);
        rows.push_back({name, ms, ok && ms <= kTargetMs && now.GetCount() >= kTracks});
    };
    add(
        "insert 10 catalog items",
        [&] {
            CTrackInfoContainer copies;
            for (int i = 0; i < extra.GetCount(); ++i)
                copies.AppendCopy(*extra.GetAt(i));
            copies.ClearTrackIds();
            return manager->InsertTracksAt(copies, kTracks / 2) == 10;
        },
        undo);
    add(
        "move 10 tracks",
        [&] {
            IItemIdList* ids = IdsOf(now, 100, 10);
            const bool done = mix.MoveTracks(ids, 400) == S_OK;
            ids->Release();
            return done;
        },
        undo);
    add(
        "remove 10 tracks",
        [&] {
            IItemIdList* ids = IdsOf(now, 200, 10);
            const bool done = mix.RemoveTracks(ids) == S_OK;
            ids->Release();
            return done;
        },
        undo);
    IItemIdList* copied = IdsOf(now, 300, 10);
    const bool onClipboard = mix.CopyTracks(copied) == S_OK;
    copied->Release();
    add(
        "paste 10 tracks", [&] { return onClipboard && mix.PasteTracks(250) == S_OK; }, undo);
    add(
        "sort by tempo", [&] { return mix.SortTracksByBpm(TRUE, nullptr) == S_OK; }, undo);
    add(
        "shuffle", [&] { return mix.ShuffleTracks(nullptr) == S_OK; }, undo);
    // Undo and redo alone: one edit to step over, redone or undone again outside the timing.
    mix.SortTracksByBpm(FALSE, nullptr);
    add(
        "undo", [&] { return mix.Undo() == S_OK; }, [&] { mix.Redo(); });
    mix.Undo();
    add(
        "redo", [&] { return mix.Redo() == S_OK; }, [&] { mix.Undo(); });

    std::vector<std::wstring> snapshots;
    for (int i = 0; i < manager->GetUndoStore()->GetUndoCount(); ++i)
        snapshots.emplace_back(static_cast<const wchar_t*>(manager->GetUndoStore()->GetUndoPath(i)));
    for (int i = 0; i < manager->GetUndoStore()->GetRedoCount(); ++i)
        snapshots.emplace_back(static_cast<const wchar_t*>(manager->GetUndoStore()->GetRedoPath(i)));
    manager.reset();
    for (const std::wstring& path : snapshots)
        DeleteFileW(path.c_str());
    DeleteFileW(lastMix.c_str());
    RemoveDirectoryW(folder.c_str());
    OleUninitialize();

    bool ok = true;
    std::printf("mix edits on %d tracks, each with its rebuild, undo snapshot and last-mix file (target <= %.0f ms)\n",
                kTracks, kTargetMs);
    std::printf("  %-26s %10s\n", "edit", "median ms");
    for (const Row& row : rows) {
        std::printf("  %-26s %10.2f %s\n", row.name.c_str(), row.ms, row.ok ? "ok" : "SLOW or FAILED");
        ok = ok && row.ok;
    }
    std::printf("  (times: QueryPerformanceCounter around each call in this process under Wine, median of %d runs "
                "after one untimed run; the undo that restores the mix between runs is not timed; insertion is timed "
                "from the made tracks, without the catalog)\n",
                kRuns);
    return ok ? 0 : 1;
}
