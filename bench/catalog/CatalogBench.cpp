// Prints the catalog's figures beside their floors, on one core under Wine:
// - AddItemFromFile on short tagged MP3 and WAV files (files/s, floor 300): tags, format, identity
//   and the catalog.dat record of each;
// - tag reading of those MP3 files (files/s, floor 2,000);
// - file identity of those files (files/s, floor 2,000);
// - loading a catalog.dat of 50,000 analysed items with the path index (s, ceiling 2);
// - shutting that catalog down after 1,000 items were rewritten, with the compaction of the
//   file (s, ceiling 2).
// For scale: one open, read and close of a file costs about 0.25 ms here, a find-first about 0.3.
// Fixtures are made once by lame and id3v2 (outside the timing).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/files/MusicFileIdentity.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/catalog/items/CatStore.h"
#include "engine/catalog/tags/TagReader.h"
#include "interfaces/EngineIids.h"
#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "tests/engine/catalog/items/RecordBytes.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

namespace {

constexpr int kFiles = 150;
constexpr int kRepeats = 4;
constexpr int kCatalogItems = 50000;
constexpr int kRewritten = 1000;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

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

// An engine main object that only routes the catalog's IID, as items and the catalog need.
class BenchEngine : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if ((IsEqualIID(iid, EngineIid::CatalogInternal) || IsEqualIID(iid, EngineIid::Catalog)) && catalog)
            return catalog->NonDelegatingQueryInterface(iid, object);
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    CCatalog* catalog = nullptr;
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
    engine.catalog = new CCatalog(&engine);
    engine.catalog->Init((data.Path() + L"\\").c_str());
    double start = Now();
    for (const std::wstring& file : files)
        engine.catalog->AddItemFromFile(file.c_str(), nullptr, FALSE);
    PrintRate("AddItemFromFile (tagged MP3 and WAV)", kFiles, Now() - start, 300);
    engine.catalog->NonDelegatingRelease();

    start = Now();
    int mp3s = 0;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        for (size_t i = 0; i < files.size(); i += 2) {
            CCatItem* item = new CCatItem(nullptr, files[i].c_str());
            ReadTagsFromFile(files[i].c_str(), item);
            item->Release();
            ++mp3s;
        }
    }
    PrintRate("tag reading (MP3 with ID3v2)", mp3s, Now() - start, 2000);

    start = Now();
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        for (const std::wstring& file : files) {
            CMusicFileId id;
            ComputeMusicFileId(file.c_str(), &id);
        }
    }
    PrintRate("identity (MP3 and WAV)", kRepeats * kFiles, Now() - start, 2000);
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

void BenchLargeCatalog(const fixtures::TempDir& data)
{
    // catalog.dat and profiles.dat of 50,000 analysed items, written outside the timing.
    {
        CCatStore store((data.File(L"catalog.dat")).c_str());
        CMusicFileIdObjStore profiles(data.File(L"profiles.dat").c_str(), TRUE);
        for (int i = 0; i < kCatalogItems; ++i) {
            // Each record as a stored catalog holds it: an analysed audio file with its texts.
            record_bytes::Fields fields;
            fields.texts[0] = L"D:\\Music\\Artist " + std::to_wstring(i % 977) + L"\\Album " +
                              std::to_wstring(i % 131) + L"\\Track " + std::to_wstring(i) + L".mp3";
            fields.texts[1] = L"Track " + std::to_wstring(i);
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
    // Every item has the audio flag, so loading asks profiles.dat about each, as for real items.
    BenchEngine engine;
    engine.catalog = new CCatalog(&engine);
    double start = Now();
    engine.catalog->Init((data.Path() + L"\\").c_str());
    const double load = Now() - start;
    std::printf("(%d items loaded)\n", engine.catalog->GetItemCount());
    PrintTime("load catalog.dat of 50,000 items", load, 2);

    for (int i = 0; i < kRewritten; ++i) {
        CCatItem* item = nullptr;
        if (engine.catalog->GetItemById(static_cast<DWORD>(i * 37), &item)) {
            item->SetAttributeText(CatAttribute::Genre, L"Rewritten");
            item->Save(FALSE);
            item->Release();
        }
    }
    start = Now();
    engine.catalog->NonDelegatingRelease();
    PrintTime("shutdown with compaction", Now() - start, 2);
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
    fixtures::TempDir data(L"bench large");
    BenchLargeCatalog(data);
    return 0;
}
