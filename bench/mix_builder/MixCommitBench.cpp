// Edits on a mix of 500 analysed tracks in the mix manager, each with its rebuild (builder, master
// beat map, play lists), its undo snapshot and the last-mix file, as the user interface runs them:
// - commit an edit copy: a copy of a track taken, its volume changed and committed, the copy ended;
// - split: the segments of one track split in the middle of it.
// Each timed run edits another track. Target: 60 ms or less each.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/UndoStore.h"
#include "engine/core/server/InnerPtr.h"
#include "BenchManager.h"
#include "BenchTracks.h"

namespace {

constexpr int kTracks = 500;
constexpr int kRuns = 15;
constexpr double kTargetMs = 60.0;

ComPtr<IItemIdList> OneId(DWORD id)
{
    auto* list = new CItemIdList();
    list->Add(id);
    return ComPtr<IItemIdList>::attach(list);
}

// The median of the timed runs (one untimed run first); run gives each call its own track index.
double TimeEdits(const std::function<void(int)>& edit, int* snapshots, CMixManager& manager)
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    const int before = manager.GetUndoStore()->GetUndoCount();
    for (int run = 0; run <= kRuns; ++run) {
        LARGE_INTEGER from{};
        LARGE_INTEGER to{};
        QueryPerformanceCounter(&from);
        edit(100 + run * 20);
        QueryPerformanceCounter(&to);
        if (run > 0)
            times.push_back(BenchMilliseconds(from, to, frequency));
    }
    *snapshots = manager.GetUndoStore()->GetUndoCount() - before;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main()
{
    CTrackInfoContainer tracks;
    CResults source;
    for (int i = 0; i < kTracks; ++i)
        AddTrack(tracks, source, i);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"carrowfold-mixedit-bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring lastMix = folder + L"\\defaultplaylist.cfp";

    // The mix manager on its own (no player, catalog or file mapper), with the tracks' analysis.
    InnerPtr<CMixManager> manager;
    manager.reset(new CMixManager(nullptr));
    manager->SetCatalogSources(&source, nullptr);
    manager->Initialize(lastMix.c_str());
    tracks.ClearTrackIds();
    manager->ReplaceMix(&tracks, nullptr, nullptr, TRUE);
    const int managed = manager->Tracks().GetCount();

    int plainSnapshots = 0;
    const double plainMs = TimeEdits([&](int) { manager->UpdateMix(TRUE); }, &plainSnapshots, *manager.get());
    int commitSnapshots = 0;
    bool committed = true;
    const double commitMs = TimeEdits(
        [&](int index) {
            const DWORD id = static_cast<DWORD>(manager->Tracks().GetAt(index)->GetTrackIdValue());
            ComPtr<ITrackEditItem> copy;
            LONG editId = -1;
            committed = manager->BeginTrackEdit(id, copy.put()) == S_OK && committed;
            copy->SetVolumeOffset(-100 - index);
            copy->GetEditCopyId(&editId);
            manager->CommitTrackEdits(OneId(static_cast<DWORD>(editId)).get(), TRUE);
            manager->EndTrackEdit(copy.get());
        },
        &commitSnapshots, *manager.get());

    int splitSnapshots = 0;
    int segmentsBefore = 0;
    int segmentsAfter = 0;
    for (int i = 0; i < managed; ++i)
        segmentsBefore += manager->Tracks().GetAt(i)->MainObjects().CountSegments();
    const double splitMs = TimeEdits(
        [&](int index) {
            CTrackInfo* track = manager->Tracks().GetAt(index + 5);
            LONGLONG middle = 0;
            track->TrackTimeToMixTime(track->GetTrackLength() / 2, &middle);
            manager->SplitSegmentsAt(OneId(static_cast<DWORD>(track->GetTrackIdValue())).get(), middle);
        },
        &splitSnapshots, *manager.get());
    for (int i = 0; i < managed; ++i)
        segmentsAfter += manager->Tracks().GetAt(i)->MainObjects().CountSegments();

    ReleaseBenchManager(manager, lastMix);
    RemoveDirectoryW(folder.c_str());

    const int runs = kRuns + 1;
    const bool ok = managed == kTracks && committed && commitSnapshots == runs && splitSnapshots == runs &&
                    segmentsAfter == segmentsBefore + runs && commitMs <= kTargetMs && splitMs <= kTargetMs;
    std::printf(
        "mix edits: %d tracks in the mix manager, each edit with its rebuild, undo snapshot and last-mix file\n",
        managed);
    std::printf("  | edit | median | target | undo steps |\n");
    std::printf("  | (rebuild as an edit, nothing changed) | %.2f ms | | %d for %d |\n", plainMs, plainSnapshots, runs);
    std::printf("  | commit an edit copy | %.2f ms | <= %.0f ms %s | %d for %d edits%s |\n", commitMs, kTargetMs,
                commitMs <= kTargetMs ? "ok" : "SLOW", commitSnapshots, runs, committed ? "" : " (a copy FAILED)");
    std::printf("  | split | %.2f ms | <= %.0f ms %s | %d for %d edits, %d segments more |\n", splitMs, kTargetMs,
                splitMs <= kTargetMs ? "ok" : "SLOW", splitSnapshots, runs, segmentsAfter - segmentsBefore);
    std::printf("  (times: QueryPerformanceCounter around each edit in this process under Wine, median of %d runs "
                "after one untimed run, each run on another track)\n",
                kRuns);
    return ok ? 0 : 1;
}
