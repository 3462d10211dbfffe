// Prints the catalog's figures beside their floors, on one core under Wine:
// - AddItemFromFile on short tagged MP3 and WAV files (files/s, floor 300): tags, format, identity
//   and the catalog.dat record of each;
// - tag reading of those MP3 files (files/s, floor 2,000);
// - file identity of those files (files/s, floor 2,000);
// - loading a catalog.dat of 50,000 analysed items with the path index (s, ceiling 2);
// - shutting that catalog down after 1,000 items were rewritten, with the compaction of the
//   file (s, ceiling 2);
// - with those 50,000 items listed: a refresh of the display list (ceiling 100 ms), a sort by
//   title (ceiling 150 ms) and a text filter once the search texts exist (ceiling 50 ms);
// - the clean-up of those 50,000 items with 5 % of their files missing (s, ceiling 30);
// - the background import of 10,000 short tagged MP3 files in a folder tree (s, ceiling 40);
// - the time from closing a new file in a watched folder to its item in the catalog (median of
//   20, ceiling 1 s).
// Each of the last four is printed beside one open, read and close of every file it touches, timed
// in the same process (catalog.dat for the display list): about 0.25 ms a file here, a find-first
// about 0.3. Fixtures are made once by lame and id3v2 (outside the timing).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/common/Clock.h"
#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/categories/CategoryManager.h"
#include "engine/catalog/display/CatDisplayItemMgr.h"
#include "engine/catalog/files/MusicFileIdentity.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/catalog/items/CatStore.h"
#include "engine/catalog/tags/TagReader.h"
#include "engine/catalog/watch/CatUpdater.h"
#include "interfaces/EngineIids.h"
#include "tests/engine/catalog/CatalogTestSupport.h"
#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "tests/engine/catalog/items/RecordBytes.h"
#include "tests/support/PathListDouble.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

namespace {

constexpr int kFiles = 150;
constexpr int kRepeats = 4;
constexpr int kCatalogItems = 50000;
constexpr int kRewritten = 1000;
// One in this many of the large catalog's files is missing at the clean-up.
constexpr int kMissingEvery = 20;
constexpr int kImportFolders = 100;
constexpr int kImportFilesPerFolder = 100;
constexpr int kLatencyRuns = 20;

void PrintRate(const char* name, double count, double seconds, double floor)
{
    const double rate = count / seconds;
    std::printf("%-44s %10.0f files/s  (floor %.0f)%s\n", name, rate, floor, rate >= floor ? "" : "  BELOW");
}

void PrintTime(const char* name, double seconds, double ceiling)
{
    std::printf("%-44s %10.3f s        (ceiling %.0f)%s\n", name, seconds, ceiling,
                seconds <= ceiling ? "" : "  ABOVE");
}

void PrintBeside(const char* name, double seconds, double ceiling, double openReadClose, size_t files)
{
    std::printf("%-44s %10.3f s        (ceiling %g)%s  beside %.2f ms for one open/read/close of %zu file%s\n", name,
                seconds, ceiling, seconds <= ceiling ? "" : "  ABOVE", openReadClose * 1000, files,
                files == 1 ? "" : "s");
}

// One open, one read of up to 64 KiB and one close of each file, in this process: the least a
// catalog pass over the same files could cost.
double OpenReadClose(const std::vector<std::wstring>& files)
{
    std::vector<BYTE> buffer(0x10000);
    const double start = bench::NowSeconds();
    for (const std::wstring& file : files) {
        HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            continue;
        DWORD read = 0;
        ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr);
        CloseHandle(handle);
    }
    return bench::NowSeconds() - start;
}

bool WaitComplete(IProgressStatus* status)
{
    while (status->GetCompletion() != S_OK)
        Sleep(5);
    return true;
}

using BenchEngine = catalog_test::TestEngine;

IUnknown* Outer(BenchEngine& engine)
{
    return static_cast<IBrennock*>(&engine);
}

// The category manager and the main display-item manager, aggregated with the engine stand-in.
class DisplayManagers {
public:
    DisplayManagers(BenchEngine& engine, const std::wstring& dataFolder) : m_engine(engine)
    {
        categories = new CCategoryManager(Outer(engine));
        engine.categoryManager = categories;
        manager = new CCatDisplayItemMgr(Outer(engine));
        engine.displayItemMgr = manager;
        categories->Load((dataFolder + L"\\").c_str());
    }
    ~DisplayManagers()
    {
        m_engine.displayItemMgr = nullptr;
        m_engine.categoryManager = nullptr;
        manager->NonDelegatingRelease();
        categories->NonDelegatingRelease();
    }
    DisplayManagers(const DisplayManagers&) = delete;
    DisplayManagers& operator=(const DisplayManagers&) = delete;

    CCategoryManager* categories;
    CCatDisplayItemMgr* manager;

private:
    BenchEngine& m_engine;
};

std::vector<std::wstring> MakeFiles(const fixtures::TempDir& dir)
{
    std::vector<std::wstring> files;
    const std::wstring wav = dir.File(L"source.wav");
    fixtures::WriteWav16(wav, fixtures::Tone(440, 2.0, 44100, 2), 44100, 2);
    const std::wstring mp3 = dir.File(L"source.mp3");
    fixtures::RunUnixTool("lame", {"--quiet", "-b", "128", fixtures::UnixPath(wav), fixtures::UnixPath(mp3)});
    fixtures::RunUnixTool("id3v2", {"-2", "-t", "Bench Title", "-a", "Bench Artist", "-A", "Bench Album", "-y", "2020",
                                    fixtures::UnixPath(mp3)});
    for (int i = 0; i < kFiles; ++i) {
        const std::wstring name = dir.File(L"file" + std::to_wstring(i) + (i % 2 ? L".wav" : L".mp3"));
        CopyFileW(i % 2 ? wav.c_str() : mp3.c_str(), name.c_str(), FALSE);
        files.push_back(name);
    }
    return files;
}

void BenchFiles(const fixtures::TempDir& data)
{
    fixtures::TempDir music(L"bench music");
    const std::vector<std::wstring> files = MakeFiles(music);

    BenchEngine engine;
    engine.catalog = new CCatalog(Outer(engine));
    engine.catalog->Init((data.Path() + L"\\").c_str());
    double start = bench::NowSeconds();
    for (const std::wstring& file : files)
        engine.catalog->AddItemFromFile(file.c_str(), nullptr, FALSE);
    PrintRate("AddItemFromFile (tagged MP3 and WAV)", kFiles, bench::NowSeconds() - start, 300);
    engine.catalog->NonDelegatingRelease();

    start = bench::NowSeconds();
    int mp3s = 0;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        for (size_t i = 0; i < files.size(); i += 2) {
            CCatItem* item = new CCatItem(nullptr, files[i].c_str());
            ReadTagsFromFile(files[i].c_str(), item);
            item->Release();
            ++mp3s;
        }
    }
    PrintRate("tag reading (MP3 with ID3v2)", mp3s, bench::NowSeconds() - start, 2000);

    start = bench::NowSeconds();
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        for (const std::wstring& file : files) {
            CMusicFileId id;
            ComputeMusicFileId(file.c_str(), &id);
        }
    }
    PrintRate("identity (MP3 and WAV)", kRepeats * kFiles, bench::NowSeconds() - start, 2000);
}

CMusicFileId IdOf(int i)
{
    BYTE bytes[CMusicFileId::kSize] = {};
    for (int b = 0; b < 4; ++b)
        bytes[b] = static_cast<BYTE>(i >> (8 * b));
    bytes[15] = 0x5A;
    CMusicFileId id;
    id.SetBytes(bytes);
    return id;
}

// The path of the i-th item of the large catalog, in a tree of 100 folders.
std::wstring LargeItemPath(const fixtures::TempDir& tree, int i)
{
    return tree.File(L"Artist " + std::to_wstring(i % 100) + L"\\Track " + std::to_wstring(i) + L".mp3");
}

void WriteLargeCatalog(const fixtures::TempDir& data, const fixtures::TempDir& tree)
{
    CCatStore store((data.File(L"catalog.dat")).c_str());
    CMusicFileIdObjStore profiles(data.File(L"profiles.dat").c_str(), TRUE);
    for (int i = 0; i < kCatalogItems; ++i) {
        // Each record as a stored catalog holds it: an analysed audio file with its texts.
        record_bytes::Fields fields;
        fields.texts[0] = LargeItemPath(tree, i);
        fields.texts[1] = L"Track " + std::to_wstring((i * 7919) % kCatalogItems);
        fields.texts[2] = L"Artist " + std::to_wstring(i % 977);
        fields.texts[3] = L"Album " + std::to_wstring(i % 131);
        fields.thumbnails.clear();
        const CMusicFileId id = IdOf(i);
        const BYTE* bytes = id.GetBytes();
        std::memcpy(&fields.idLow, bytes, 8);
        std::memcpy(&fields.idHigh, bytes + 8, 8);
        const auto record = record_bytes::Record(fields);
        CMemFile file;
        file.Write(record.data(), static_cast<UINT>(record.size()));
        file.Seek(0, CFile::begin);
        CCatItem* item = new CCatItem(nullptr, nullptr);
        {
            CArchive archive(&file, CArchive::load);
            item->Serialize(archive);
        }
        CProfileResults results;
        results.SetMusicFileId(id);
        results.SetSampleRate(44100);
        results.SetSampleCount(44100 * 200);
        results.SetTempo(124.0f);
        profiles.StoreObject(&results, id);
        store.WriteItem(item);
        item->Release();
    }
}

// The files of the large catalog's items (empty: the clean-up only looks for them), all but one
// in kMissingEvery; the paths of those made.
std::vector<std::wstring> MakeLargeTree(const fixtures::TempDir& tree)
{
    for (int folder = 0; folder < 100; ++folder)
        CreateDirectoryW(tree.File(L"Artist " + std::to_wstring(folder)).c_str(), nullptr);
    std::vector<std::wstring> made;
    for (int i = 0; i < kCatalogItems; ++i) {
        if (i % kMissingEvery == 0)
            continue;
        made.push_back(LargeItemPath(tree, i));
        HANDLE file = CreateFileW(made.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return made;
}

void BenchDisplayList(BenchEngine& engine, const fixtures::TempDir& data)
{
    DisplayManagers display(engine, data.Path());
    const double catalogFile = OpenReadClose({data.File(L"catalog.dat")});
    double start = bench::NowSeconds();
    display.manager->Refresh();
    PrintBeside("refresh of 50,000 listed items", bench::NowSeconds() - start, 0.1, catalogFile, 1);
    int listed = 0;
    display.manager->GetCount(&listed);
    std::printf("(%d items listed)\n", listed);
    start = bench::NowSeconds();
    display.manager->Sort(CatAttribute::Title, TRUE);
    PrintBeside("sort of 50,000 by title", bench::NowSeconds() - start, 0.15, catalogFile, 1);
    BSTR filter = SysAllocString(L"track 12");
    BSTR none = SysAllocString(L"");
    // The first filter makes every item's search text; the figure is the filter after it.
    display.manager->SetFilterText(filter);
    display.manager->SetFilterText(none);
    start = bench::NowSeconds();
    display.manager->SetFilterText(filter);
    PrintBeside("text filter of 50,000 (search texts made)", bench::NowSeconds() - start, 0.05, catalogFile, 1);
    display.manager->SetFilterText(none);
    SysFreeString(filter);
    SysFreeString(none);
}

void BenchLargeCatalog(const fixtures::TempDir& data)
{
    fixtures::TempDir tree(L"bench large tree");
    // catalog.dat and profiles.dat of 50,000 analysed items and their files, made outside the
    // timing.
    WriteLargeCatalog(data, tree);
    const std::vector<std::wstring> files = MakeLargeTree(tree);
    // Every item has the audio flag, so loading asks profiles.dat about each, as for real items.
    {
        BenchEngine engine;
        engine.catalog = new CCatalog(Outer(engine));
        double start = bench::NowSeconds();
        engine.catalog->Init((data.Path() + L"\\").c_str());
        const double load = bench::NowSeconds() - start;
        std::printf("(%d items loaded)\n", engine.catalog->GetItemCount());
        PrintTime("load catalog.dat of 50,000 items", load, 2);

        BenchDisplayList(engine, data);

        for (int i = 0; i < kRewritten; ++i) {
            CCatItem* item = nullptr;
            if (engine.catalog->GetItemById(static_cast<DWORD>(i * 37), &item)) {
                item->SetAttributeText(CatAttribute::Genre, L"Rewritten");
                item->Save(FALSE);
                item->Release();
            }
        }
        start = bench::NowSeconds();
        engine.catalog->NonDelegatingRelease();
        PrintTime("shutdown with compaction", bench::NowSeconds() - start, 2);
    }

    BenchEngine engine;
    engine.catalog = new CCatalog(Outer(engine));
    engine.catalog->Init((data.Path() + L"\\").c_str());
    ComPtr<IProgressStatus> status;
    const double start = bench::NowSeconds();
    if (engine.catalog->StartCleanup(TRUE, FALSE, status.put()) == S_OK)
        WaitComplete(status.get());
    const double cleanup = bench::NowSeconds() - start;
    int left = 0;
    for (int i = 0; i < engine.catalog->GetItemCount(); ++i) {
        CCatItem* item = nullptr;
        if (engine.catalog->GetItemByIndex(i, &item) && item) {
            ++left;
            item->Release();
        }
    }
    std::printf("(%d of %d items left)\n", left, kCatalogItems);
    PrintBeside("clean-up of 50,000 items, 5 % missing", cleanup, 30, OpenReadClose(files), files.size());
    engine.catalog->NonDelegatingRelease();
}

// 10,000 copies of one short MP3 tagged by id3v2, 100 to a folder; their paths.
std::vector<std::wstring> MakeImportTree(const fixtures::TempDir& source, const fixtures::TempDir& tree)
{
    const std::wstring wav = source.File(L"short.wav");
    fixtures::WriteWav16(wav, fixtures::Tone(440, 0.5, 44100, 2), 44100, 2);
    const std::wstring mp3 = source.File(L"short.mp3");
    fixtures::RunUnixTool("lame", {"--quiet", "-b", "128", fixtures::UnixPath(wav), fixtures::UnixPath(mp3)});
    fixtures::RunUnixTool("id3v2", {"-2", "-t", "Short Title", "-a", "Short Artist", "-A", "Short Album", "-y", "2021",
                                    fixtures::UnixPath(mp3)});
    std::vector<std::wstring> files;
    for (int folder = 0; folder < kImportFolders; ++folder) {
        const std::wstring sub = tree.File(L"Album " + std::to_wstring(folder));
        CreateDirectoryW(sub.c_str(), nullptr);
        for (int i = 0; i < kImportFilesPerFolder; ++i) {
            files.push_back(sub + L"\\Track " + std::to_wstring(i) + L".mp3");
            CopyFileW(mp3.c_str(), files.back().c_str(), FALSE);
        }
    }
    return files;
}

void BenchImport()
{
    fixtures::TempDir source(L"bench import source");
    fixtures::TempDir tree(L"bench import tree");
    fixtures::TempDir data(L"bench import data");
    const std::vector<std::wstring> files = MakeImportTree(source, tree);
    BenchEngine engine;
    engine.catalog = new CCatalog(Outer(engine));
    engine.catalog->Init((data.Path() + L"\\").c_str());
    BSTR folder = SysAllocString(tree.Path().c_str());
    ComPtr<IProgressStatus> status;
    const double start = bench::NowSeconds();
    if (engine.catalog->StartImportDirectory(folder, nullptr, status.put()) == S_OK)
        WaitComplete(status.get());
    const double import = bench::NowSeconds() - start;
    SysFreeString(folder);
    std::printf("(%d items imported)\n", engine.catalog->GetItemCount());
    PrintBeside("import of 10,000 tagged MP3s in a tree", import, 40, OpenReadClose(files), files.size());
    engine.catalog->NonDelegatingRelease();
}

void BenchWatchLatency()
{
    fixtures::TempDir watched(L"bench watched");
    fixtures::TempDir data(L"bench watch data");
    BenchEngine engine;
    engine.catalog = new CCatalog(Outer(engine));
    engine.catalog->Init((data.Path() + L"\\").c_str());
    PathListDouble folders;
    folders.paths = {watched.Path()};
    engine.catalog->SetAutoUpdateFolders(&folders);
    engine.catalog->SetAutoUpdate(TRUE, FALSE);
    const auto passDone = [&] {
        const auto posts = engine.QueuePosts();
        return std::find(posts.begin(), posts.end(), std::make_pair(CCatUpdater::kPassDoneCode, 0)) != posts.end();
    };
    while (!passDone())
        Sleep(5);
    const std::vector<int16_t> tone = fixtures::Tone(440, 0.2, 44100, 2);
    std::vector<double> latencies;
    std::vector<std::wstring> files;
    for (int run = 0; run < kLatencyRuns; ++run) {
        files.push_back(watched.File(L"arrived " + std::to_wstring(run) + L".wav"));
        // WriteWav16 creates, writes and closes the file: the clock runs from its close.
        fixtures::WriteWav16(files.back(), tone, 44100, 2);
        const double closed = bench::NowSeconds();
        CCatItem* item = nullptr;
        while (!engine.catalog->FindItemByPath(files.back().c_str(), &item) && bench::NowSeconds() - closed < 10)
            Sleep(1);
        latencies.push_back(bench::NowSeconds() - closed);
        if (item)
            item->Release();
    }
    std::sort(latencies.begin(), latencies.end());
    const double median = (latencies[kLatencyRuns / 2 - 1] + latencies[kLatencyRuns / 2]) / 2;
    PrintBeside("watched file closed to item (median of 20)", median, 1, OpenReadClose({files.back()}), 1);
    engine.catalog->NonDelegatingRelease();
}

}  // namespace

int main()
{
    profiler_test::TestApp app;
    fixtures::TempDir cache(L"bench cache");
    app.App().WriteProfileString(L"Settings", L"Profile Cache Directory", (cache.Path() + L"\\").c_str());
    if (!fixtures::HaveUnixTools()) {
        std::printf("the independent tools (lame, id3v2) are missing\n");
        return 1;
    }
    {
        fixtures::TempDir data(L"bench data");
        BenchFiles(data);
    }
    {
        fixtures::TempDir data(L"bench large");
        BenchLargeCatalog(data);
    }
    BenchImport();
    BenchWatchLatency();
    return 0;
}
