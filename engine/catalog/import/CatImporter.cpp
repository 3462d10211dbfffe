#include "engine/catalog/import/CatImporter.h"

#include <new>

#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/categories/CategoryManager.h"
#include "engine/catalog/files/FileMapper.h"
#include "engine/catalog/files/MusicFileIdentity.h"
#include "engine/catalog/files/FolderWalk.h"
#include "engine/catalog/files/PathNames.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/catalog/import/TextListReader.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/server/ThreadStart.h"
#include "engine/core/storage/ItemFile.h"
#include "engine/core/track/TrackInfo.h"
#include "interfaces/EngineIids.h"

namespace {

// The engine's string table holds these texts; the same texts serve where the module has no
// resources (the engine's static library inside a test).
constexpr wchar_t kImportingText[] = L"Import: %s";
constexpr wchar_t kFileFoundText[] = L"Datei gefunden: %s";

}  // namespace

CCatImporter::CCatImporter(IUnknown* outer)
    : CUnknown(outer), m_status(ComPtr<CProgressStatus>::attach(new CProgressStatus()))
{}

CCatImporter::~CCatImporter()
{
    Stop();
}

void CCatImporter::Stop()
{
    if (!m_worker)
        return;
    m_status->RequestCancel();
    WaitForSingleObject(m_worker.get(), INFINITE);
    m_worker.reset();
}

HRESULT CCatImporter::AddFile(const wchar_t* path)
{
    if (!path)
        return E_POINTER;
    CSingleThreadLock hold(&m_lock);
    if (IsRunning())
        return E_FAIL;
    m_pending.emplace_back(path);
    m_folder.Empty();
    return S_OK;
}

HRESULT CCatImporter::StartDirectory(const wchar_t* folder, const wchar_t* category, IProgressStatus** status)
{
    {
        CSingleThreadLock hold(&m_lock);
        if (IsRunning())
            return E_FAIL;
        m_folder = CString(folder);
    }
    return StartFiles(category, FALSE, status);
}

HRESULT CCatImporter::StartFiles(const wchar_t* category, BOOL expandFolders, IProgressStatus** status)
{
    if (!status)
        return E_POINTER;
    *status = nullptr;
    CSingleThreadLock hold(&m_lock);
    if (IsRunning())
        return E_FAIL;
    m_category = CString(category);
    if (expandFolders) {
        ComPtr<IUnknown> mapperHold;
        if (SUCCEEDED(GetOuter()->QueryInterface(EngineIid::FileMapperInternal, mapperHold.put_void())) && mapperHold)
            static_cast<CFileMapper*>(reinterpret_cast<IFileMapper*>(mapperHold.get()))->ExpandFolders(m_pending);
    }
    return StartWorker(FilesWorkerProc, status);
}

HRESULT CCatImporter::StartTextList(const wchar_t* path, IProgressStatus** status)
{
    if (!status)
        return E_POINTER;
    *status = nullptr;
    CSingleThreadLock hold(&m_lock);
    if (IsRunning())
        return E_FAIL;
    m_textList = CString(path);
    return StartWorker(TextListWorkerProc, status);
}

HRESULT CCatImporter::StartWorker(LPTHREAD_START_ROUTINE proc, IProgressStatus** status)
{
    m_status->Reset();
    if (m_worker)
        WaitForSingleObject(m_worker.get(), INFINITE);
    ModuleCounts::AddActivity();
    m_worker.reset(CreateSuspendedThread(proc, this));
    if (!m_worker) {
        ModuleCounts::RemoveActivity();
        return E_FAIL;
    }
    m_running = true;
    ResumeThread(m_worker.get());
    m_status->AddRef();
    *status = m_status.get();
    return S_OK;
}

DWORD WINAPI CCatImporter::FilesWorkerProc(void* parameter)
{
    static_cast<CCatImporter*>(parameter)->RunFiles();
    ModuleCounts::RemoveActivity();
    return 0;
}

DWORD WINAPI CCatImporter::TextListWorkerProc(void* parameter)
{
    static_cast<CCatImporter*>(parameter)->RunTextList();
    ModuleCounts::RemoveActivity();
    return 0;
}

CString CCatImporter::Text(UINT id, const wchar_t* fallback, const CString& path)
{
    CString format;
    if (!format.LoadString(id))
        format = fallback;
    CString text;
    text.Format(format, path);
    return text;
}

void CCatImporter::ScanFolder(CCatalog* catalog, const CString& folder)
{
    VisitedFolders visited;
    WalkFolderTree(
        folder, visited, [this] { return m_status->IsCancelRequested() == S_OK; },
        [&](const CString& path) {
            if (!catalog->IsSupportedExtension(GetExtension(path)))
                return;
            m_status->SetText(Text(kFileFoundStringId, kFileFoundText, path));
            CSingleThreadLock hold(&m_lock);
            m_pending.push_back(path);
        });
}

void CCatImporter::RunFiles()
{
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(GetOuter(), catalogHold);
    if (catalog) {
        CString folder;
        CString category;
        {
            CSingleThreadLock hold(&m_lock);
            folder = m_folder;
            category = m_category;
        }
        if (!folder.IsEmpty())
            ScanFolder(catalog, folder);
        std::vector<CString> pending;
        {
            CSingleThreadLock hold(&m_lock);
            pending = m_pending;
        }
        ComPtr<CItemIdList> ids = ComPtr<CItemIdList>::attach(new (std::nothrow) CItemIdList());
        const size_t count = pending.size();
        for (size_t i = 0; i < count; ++i) {
            CCatItem* item = nullptr;
            if (catalog->AddItemFromFile(pending[i], &item, FALSE)) {
                if (ids)
                    ids->Add(item->GetItemId());
                item->Release();
            }
            m_status->SetText(Text(kImportingStringId, kImportingText, pending[i]));
            m_status->SetProgress(static_cast<float>(i) / static_cast<float>(count));
            // The check follows the add: a cancel during the scan still lets the first file in.
            if (m_status->IsCancelRequested() == S_OK)
                break;
        }
        ComPtr<IUnknown> categoriesHold;
        CCategoryManager* categories = ReachCategoryManager(GetOuter(), categoriesHold);
        if (!category.IsEmpty() && categories && ids) {
            BSTR name = category.AllocSysString();
            categories->AddItemsToCategory(ids.get(), name);
            SysFreeString(name);
        }
    }
    Finish();
    RefreshDisplayLists(GetOuter());
}

void CCatImporter::Finish()
{
    {
        CSingleThreadLock hold(&m_lock);
        m_folder.Empty();
        m_pending.clear();
        m_running = false;
    }
    m_status->SetComplete();
}

void CCatImporter::RunTextList()
{
    ComPtr<IUnknown> catalogHold;
    ComPtr<IUnknown> categoriesHold;
    CCatalog* catalog = ReachCatalog(GetOuter(), catalogHold);
    CCategoryManager* categories = ReachCategoryManager(GetOuter(), categoriesHold);
    CString path;
    {
        CSingleThreadLock hold(&m_lock);
        path = m_textList;
    }
    TextListReader reader;
    if (catalog && categories && reader.Open(path)) {
        const int count = reader.GetLineCount();
        CString file;
        for (int i = 0; reader.ReadLine(i) && reader.GetField(0, &file); ++i) {
            file = TextListReader::StripQuotes(file);
            CCatItem* item = nullptr;
            if (catalog->AddItemFromFile(file, &item, FALSE)) {
                reader.ApplyLine(item, categories);
                item->Save(TRUE);
                item->Release();
            }
            m_status->SetText(Text(kImportingStringId, kImportingText, file));
            m_status->SetProgress(static_cast<float>(i) / static_cast<float>(count));
            if (m_status->IsCancelRequested() == S_OK)
                break;
        }
    }
    Finish();
    RefreshDisplayLists(GetOuter());
    PostToQueueGroup(GetOuter(), kTextListImportedCode, 0);
}

HRESULT CCatImporter::ImportDefaultTrackSettings(const wchar_t* path)
{
    if (!path)
        return E_POINTER;
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(GetOuter(), catalogHold);
    if (!catalog)
        return E_FAIL;
    CItemFile file(path, CItemFile::flagReadOnly | CItemFile::flagAllowRepair);
    if (!file.IsOpen())
        return E_FAIL;
    file.ForEachItem([catalog](int, CArchive& body) {
        ComPtr<CTrackInfo> track = ComPtr<CTrackInfo>::attach(new (std::nothrow) CTrackInfo());
        if (!track)
            return;
        track->Serialize(body);
        track->SetCatalogItemId(-1);
        if (!track->HasCustomSettings())
            return;
        catalog->SaveDefaultMix(track.get());
        CMusicFileId present;
        if (ComputeMusicFileId(track->GetFilePath(), &present) && !(present == track->GetMusicFileId())) {
            track->SetMusicFileId(present);
            catalog->SaveDefaultMix(track.get());
        }
    });
    return S_OK;
}
