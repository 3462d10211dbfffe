// Shared pieces of the catalog tests: an engine stand-in that routes the catalog's and the file
// mapper's IIDs to real objects aggregated with it (and records the UI-update posts), a catalog
// set up in a folder of its own with a profile of its own, and MP3 and WAV fixtures made by the
// independent tools.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/files/FileMapper.h"
#include "engine/catalog/items/CatItem.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IHostMedia.h"
#include "tests/engine/catalog/FakeEngine.h"
#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

namespace catalog_test {

// The engine main object as the catalog, its items and the file mapper see it.
class TestEngine : public profiler_test::FakeEngine {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if ((IsEqualIID(iid, EngineIid::CatalogInternal) || IsEqualIID(iid, EngineIid::Catalog)) && catalog)
            return catalog->NonDelegatingQueryInterface(iid, object);
        if (IsEqualIID(iid, EngineIid::FileMapperInternal) && fileMapper)
            return fileMapper->NonDelegatingQueryInterface(iid, object);
        if ((IsEqualIID(iid, EngineIid::CategoryManager) || IsEqualIID(iid, EngineIid::CategoryManagerInternal)) &&
            categoryManager)
            return categoryManager->NonDelegatingQueryInterface(iid, object);
        if ((IsEqualIID(iid, EngineIid::CatDisplayItemMgr) || IsEqualIID(iid, EngineIid::CatDisplayItemMgrInternal)) &&
            displayItemMgr)
            return displayItemMgr->NonDelegatingQueryInterface(iid, object);
        if (IsEqualIID(iid, IID_IHostMedia) && hostMedia)
            return hostMedia->QueryInterface(iid, object);
        return FakeEngine::QueryInterface(iid, object);
    }

    CCatalog* catalog = nullptr;
    CFileMapper* fileMapper = nullptr;
    // The category manager and the main display-item manager, when a test sets them up.
    INondelegatingUnknown* categoryManager = nullptr;
    INondelegatingUnknown* displayItemMgr = nullptr;
    // The video montage library's media services, when a test stands in for them.
    IHostMedia* hostMedia = nullptr;
};

// A catalog aggregated with a TestEngine, its stores in a folder of the test's own and its plot
// cache in another. Reopen() shuts it down and starts it again on the same files, as a restart of
// the program does.
class CatalogFixture {
public:
    CatalogFixture() : m_data(L"catalog data"), m_cache(L"catalog cache")
    {
        m_app.App().WriteProfileString(L"Settings", L"Profile Cache Directory", (m_cache.Path() + L"\\").c_str());
        Open();
    }
    ~CatalogFixture() { Close(); }
    CatalogFixture(const CatalogFixture&) = delete;
    CatalogFixture& operator=(const CatalogFixture&) = delete;

    void Open()
    {
        engine.catalog = new CCatalog(Outer());
        engine.catalog->Init((m_data.Path() + L"\\").c_str());
        engine.fileMapper = new CFileMapper(Outer());
    }
    void Close()
    {
        if (engine.fileMapper)
            engine.fileMapper->NonDelegatingRelease();
        engine.fileMapper = nullptr;
        if (engine.catalog)
            engine.catalog->NonDelegatingRelease();
        engine.catalog = nullptr;
    }
    void Reopen()
    {
        Close();
        Open();
    }

    CCatalog* Catalog() { return engine.catalog; }
    IUnknown* Outer() { return static_cast<IBrennock*>(&engine); }
    std::wstring DataFile(const wchar_t* name) const { return m_data.File(name); }

    TestEngine engine;

private:
    profiler_test::TestApp m_app;
    fixtures::TempDir m_data;
    fixtures::TempDir m_cache;
};

// A short MP3 made by lame from a tone (about `seconds` long); FALSE when the tools are missing.
inline bool MakeMp3(const std::wstring& path, double seconds = 1.0, double frequency = 440.0)
{
    const std::wstring wav = path + L".src.wav";
    if (!fixtures::WriteWav16(wav, fixtures::Tone(frequency, seconds, 44100, 2), 44100, 2))
        return false;
    const int result =
        fixtures::RunUnixTool("lame", {"--quiet", "-b", "128", fixtures::UnixPath(wav), fixtures::UnixPath(path)});
    DeleteFileW(wav.c_str());
    return result == 0;
}

}  // namespace catalog_test
