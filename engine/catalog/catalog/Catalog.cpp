#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/import/CatImporter.h"
#include "engine/catalog/import/CatScan.h"
#include "engine/catalog/watch/CatUpdater.h"

#include <algorithm>
#include <new>

#include "classlib/com/ComPtr.h"
#include "classlib/core/WinApp.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/files/PathNames.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/server/LocalCoCreate.h"
#include "engine/core/storage/RiffFile.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/playback/sources/Mp3ReaderBinding.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IBrennock.h"
#include "interfaces/ICatPreviewer.h"
#include "interfaces/IHostMedia.h"
#include "interfaces/IPcmReader.h"
#include "interfaces/IUiUpdateQueue.h"

namespace {

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kModifyMusicFilesValue[] = L"Modify Music Files";
constexpr wchar_t kDefaultMixTypeValue[] = L"Default Mix Type";
constexpr FOURCC kDefaultMixForm = mmioFOURCC('C', 'F', 'D', 'M');
constexpr FOURCC kTrackList = mmioFOURCC('T', 'R', 'K', 'I');
// The engine queue's code for a finished analysis (turned into item-changed and take-over codes
// by the main object's service thread).
constexpr int kAnalysisFinishedCode = 1;

bool CanCreateReader(REFCLSID clsid)
{
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    bool created = false;
    {
        ComPtr<IPcmReader> reader;
        created =
            SUCCEEDED(CLocalCoCreate::CreateInstance(clsid, &g_localCoCreate, IID_IPcmReader, reader.put_void())) &&
            reader;
    }
    if (SUCCEEDED(result))
        CoUninitialize();
    return created;
}

}  // namespace

CCatalog::CCatalog(IUnknown* outer) : CUnknown(outer)
{
    m_importer.reset(new (std::nothrow) CCatImporter(outer));
    m_scan.reset(new (std::nothrow) CCatScan(this));
}

CCatalog::~CCatalog() = default;

HRESULT CCatalog::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, EngineIid::Catalog) || IsEqualIID(iid, EngineIid::CatalogInternal))
        return GetInterface(static_cast<ICatalog*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void CCatalog::FinalRelease()
{
    CUnknown::FinalRelease();
    StopWorkers();
    m_importer.reset();
    m_scan.reset();
    m_updater.reset();
    m_plotStores.reset();
    m_queue.reset();
    std::vector<CCatItem*> items;
    {
        CSingleThreadLock hold(&m_itemsLock);
        items.swap(m_items);
        m_pathIndex.clear();
    }
    for (CCatItem* item : items) {
        if (!item)
            continue;
        // A write that failed earlier (a full disk, say) gets one more try before the file closes.
        if (m_store && item->HasUnsavedChanges())
            m_store->WriteItem(item);
        item->Release();
    }
    m_store.reset();
    m_profiles.reset();
    m_defaultMixes.reset();
    m_plotFiles.reset();
}

BOOL CCatalog::Init(const CString& dataFolder)
{
    m_defaultMixType = kDefaultMixTypeAtStart;
    m_extensions = L"wav;";
    if (CanCreateReader(PluginClsid::Mp3Decoder))
        m_extensions += L"mp3;";
    if (CanCreateReader(PluginClsid::PcmReaderWma))
        m_extensions += L"wma;";
    ComPtr<IHostMedia> host;
    if (GetOuter() != GetInner() && SUCCEEDED(GetOuter()->QueryInterface(IID_IHostMedia, host.put_void())) && host) {
        BSTR list = nullptr;
        if (SUCCEEDED(host->GetExtensions(&list)) && list)
            m_extensions += list;
        SysFreeString(list);
    }
    m_store = std::make_unique<CCatStore>(dataFolder + kCatalogFileName);
    // Without its file the catalog would start empty and could keep nothing the user adds.
    if (!m_store->IsOpen())
        return FALSE;
    m_profiles = std::make_unique<CMusicFileIdObjStore>(dataFolder + kProfilesStoreName, TRUE);
    m_defaultMixes = std::make_unique<CMusicFileIdObjStore>(dataFolder + kDefaultMixesStoreName, TRUE);
    m_plotFiles = std::make_unique<CPlotFileManager>();
    m_plotFiles->Initialise();
    m_plotStores.reset(new (std::nothrow) CPlotStoreManager(GetOuter(), m_plotFiles.get(), this));
    m_queue = std::make_unique<CProfileJobQueue>(m_plotFiles.get());
    m_updater.reset(new (std::nothrow) CCatUpdater(GetOuter()));
    LoadItems();
    if (m_updater && m_updater->IsEnabled())
        m_updater->Start();
    return TRUE;
}

void CCatalog::StopWorkers()
{
    if (m_importer)
        m_importer->Stop();
    if (m_scan)
        m_scan->Stop();
    if (m_updater)
        m_updater->StopAndWait();
    if (m_plotStores)
        m_plotStores->Stop();
    if (m_queue)
        m_queue->Stop();
}

void CCatalog::LoadItems()
{
    CSingleThreadLock catalogHold(&m_catalogLock);
    CSingleThreadLock itemsHold(&m_itemsLock);
    std::vector<CCatItem*> loaded = m_store->ReadAllItems(GetOuter());
    // One stable sort by folded path gives the order that inserting the items one by one would,
    // and puts the records of one file side by side in file order; each path is folded once.
    std::vector<std::pair<CString, size_t>> byPath;
    byPath.reserve(loaded.size());
    for (size_t i = 0; i < loaded.size(); ++i)
        byPath.emplace_back(FoldPathCase(loaded[i]->GetPath()), i);
    std::stable_sort(byPath.begin(), byPath.end(),
                     [](const auto& a, const auto& b) { return CompareFoldedPaths(a.first, b.first) < 0; });
    // A save appends the item's new record before it frees the old one, and a compaction that
    // stopped part way leaves a copy of the record it was moving: a stop between the two writes
    // leaves one file in two records. Compaction keeps the records in file order, so the last is
    // the newest; the others are freed here.
    m_pathIndex.clear();
    m_pathIndex.reserve(byPath.size());
    for (size_t i = 0; i < byPath.size(); ++i) {
        CCatItem*& item = loaded[byPath[i].second];
        if (i + 1 < byPath.size() && CompareFoldedPaths(byPath[i + 1].first, byPath[i].first) == 0) {
            m_store->DeleteItem(item);
            item->Release();
            item = nullptr;
            continue;
        }
        // Only the next record is compared with this one: its folded path moves into the index.
        m_pathIndex.push_back({std::move(byPath[i].first), item});
    }
    for (CCatItem* item : loaded) {
        if (!item)
            continue;
        item->SetItemId(static_cast<DWORD>(m_items.size()));
        m_items.push_back(item);
    }
    for (CCatItem* item : m_items)
        QueueIfNeeded(item);
}

void CCatalog::QueueIfNeeded(CCatItem* item)
{
    if (m_queue && NeedsProfile(item))
        m_queue->QueueLow(item);
}

INT_PTR CCatalog::FindPathPosition(const CString& folded, bool* found) const
{
    // First position whose path compares greater than or equal to the given one.
    INT_PTR low = 0;
    INT_PTR high = static_cast<INT_PTR>(m_pathIndex.size());
    while (low < high) {
        const INT_PTR middle = low + (high - low) / 2;
        if (CompareFoldedPaths(m_pathIndex[static_cast<size_t>(middle)].foldedPath, folded) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    *found = low < static_cast<INT_PTR>(m_pathIndex.size()) &&
             CompareFoldedPaths(m_pathIndex[static_cast<size_t>(low)].foldedPath, folded) == 0;
    return low;
}

void CCatalog::AppendItem(CCatItem* item)
{
    item->SetItemId(static_cast<DWORD>(m_items.size()));
    m_items.push_back(item);
    CString folded = FoldPathCase(item->GetPath());
    bool found = false;
    const INT_PTR position = FindPathPosition(folded, &found);
    m_pathIndex.insert(m_pathIndex.begin() + position, {std::move(folded), item});
}

void CCatalog::RemoveFromPathIndex(CCatItem* item)
{
    bool found = false;
    const INT_PTR position = FindPathPosition(FoldPathCase(item->GetPath()), &found);
    if (found && m_pathIndex[static_cast<size_t>(position)].item == item) {
        m_pathIndex.erase(m_pathIndex.begin() + position);
        return;
    }
    auto other = std::find_if(m_pathIndex.begin(), m_pathIndex.end(),
                              [item](const PathIndexEntry& entry) { return entry.item == item; });
    if (other != m_pathIndex.end())
        m_pathIndex.erase(other);
}

bool CCatalog::FindItemByPath(const wchar_t* path, CCatItem** out)
{
    CSingleThreadLock hold(&m_itemsLock);
    bool found = false;
    const INT_PTR position = FindPathPosition(FoldPathCase(path), &found);
    if (!found)
        return false;
    *out = m_pathIndex[static_cast<size_t>(position)].item;
    (*out)->AddRef();
    return true;
}

bool CCatalog::AddItemFromFile(const wchar_t* path, CCatItem** out, BOOL refresh)
{
    if (out)
        *out = nullptr;
    if (!m_store)
        return false;
    CSingleThreadLock catalogHold(&m_catalogLock);
    CCatItem* item = nullptr;
    if (FindItemByPath(path, &item)) {
        item->SetPresent(TRUE);
        if (refresh && item->RefreshFromFile()) {
            QueueIfNeeded(item);
            PostToQueueGroup(kItemChangedCode, static_cast<int>(item->GetItemId()));
        }
        if (out)
            *out = item;
        else
            item->Release();
        return true;
    }
    item = new (std::nothrow) CCatItem(GetOuter(), path);
    if (!item)
        return false;
    if (!item->RefreshFromFile()) {
        item->Release();
        return false;
    }
    {
        CSingleThreadLock itemsHold(&m_itemsLock);
        AppendItem(item);
    }
    QueueIfNeeded(item);
    if (out) {
        item->AddRef();
        *out = item;
    }
    return true;
}

bool CCatalog::GetItemById(DWORD id, CCatItem** out)
{
    CSingleThreadLock hold(&m_itemsLock);
    if (id >= m_items.size() || !m_items[id])
        return false;
    *out = m_items[id];
    (*out)->AddRef();
    return true;
}

bool CCatalog::LookupItemById(DWORD id, CCatItem** out)
{
    CSingleThreadLock hold(&m_itemsLock);
    if (id >= m_items.size() || !m_items[id])
        return false;
    *out = m_items[id];
    return true;
}

bool CCatalog::GetItemByIndex(int index, CCatItem** out)
{
    CSingleThreadLock hold(&m_itemsLock);
    if (index < 0 || static_cast<size_t>(index) >= m_items.size())
        return false;
    *out = m_items[static_cast<size_t>(index)];
    if (*out)
        (*out)->AddRef();
    return true;
}

int CCatalog::GetItemCount()
{
    CSingleThreadLock hold(&m_itemsLock);
    return static_cast<int>(m_items.size());
}

bool CCatalog::FindItemByFileId(const CMusicFileId& id, CCatItem** out)
{
    if (!id.IsValid())
        return false;
    CSingleThreadLock hold(&m_itemsLock);
    for (CCatItem* item : m_items) {
        if (item && item->GetMusicFileId() == id) {
            *out = item;
            item->AddRef();
            return true;
        }
    }
    return false;
}

bool CCatalog::IsSupportedExtension(const CString& extension)
{
    CString lower = extension;
    lower.MakeLower();
    const CString entry = lower + L";";
    CString list = m_extensions;
    list.MakeLower();
    for (int start = 0; start < list.GetLength();) {
        const int end = list.Find(L';', start);
        if (end < 0)
            break;
        if (list.Mid(start, end - start + 1) == entry)
            return true;
        start = end + 1;
    }
    return false;
}

bool CCatalog::LoadProfile(const CMusicFileId& id, CProfileResults* results)
{
    return m_profiles && m_profiles->LoadObject(id, results);
}

BOOL CCatalog::GetProfileResults(const CMusicFileId& id, CProfileResults* results)
{
    return LoadProfile(id, results) ? TRUE : FALSE;
}

BOOL CCatalog::GetTrackItem(CTrackInfo& track, IProfileSource** item)
{
    LONG id = -1;
    CCatItem* found = nullptr;
    if (FAILED(track.GetCatalogItemId(&id)) || id < 0 || !GetItemById(static_cast<DWORD>(id), &found))
        return FALSE;
    // The item's own reference from GetItemById is the caller's, as IProfileSource.
    *item = found;
    return TRUE;
}

BOOL CCatalog::GetTrackItemFlags(CTrackInfo& track, int* flags)
{
    LONG id = -1;
    CCatItem* found = nullptr;
    if (FAILED(track.GetCatalogItemId(&id)) || id < 0 || !GetItemById(static_cast<DWORD>(id), &found))
        return FALSE;
    *flags = static_cast<int>(found->GetFlagWord());
    found->Release();
    return TRUE;
}

void CCatalog::TouchTrackPlot(CTrackInfo& track)
{
    LONG id = -1;
    if (m_plotStores && SUCCEEDED(track.GetCatalogItemId(&id)) && id >= 0)
        m_plotStores->Touch(static_cast<DWORD>(id));
}

bool CCatalog::HasProfile(CCatItem* item)
{
    return m_profiles && m_profiles->LoadObject<CProfileResults>(item->GetMusicFileId(), nullptr);
}

bool CCatalog::NeedsProfile(CCatItem* item)
{
    return (item->GetFlagWord() & CCatItem::kFlagAudio) && !HasProfile(item);
}

void CCatalog::PostToQueueGroup(int code, int value)
{
    if (GetOuter() != GetInner())
        ::PostToQueueGroup(GetOuter(), code, value);
}

void CCatalog::ProcessProfileQueue()
{
    if (!m_queue)
        return;
    CProfileResults results;
    DWORD itemId = 0;
    while (m_queue->Collect(&results, &itemId)) {
        CCatItem* item = nullptr;
        if (GetItemById(itemId, &item)) {
            item->ApplyProfileResults(results);
            item->Release();
        }
        if (m_profiles)
            m_profiles->StoreObject(&results, results.GetMusicFileId());
        if (m_plotStores)
            m_plotStores->Reload(itemId);
        ComPtr<IBrennock> engine;
        if (GetOuter() != GetInner() && SUCCEEDED(GetOuter()->QueryInterface(IID_IBrennock, engine.put_void())) &&
            engine)
            engine->PostUiUpdate(kAnalysisFinishedCode, static_cast<int>(itemId));
    }
    if (m_queue->StartNext() == 1) {
        if (!m_idleReported) {
            PostToQueueGroup(kAnalysisIdleCode, 0);
            m_idleReported = 1;
        }
    } else {
        m_idleReported = 0;
    }
}

void CCatalog::RequestProfileNow(DWORD id)
{
    CCatItem* item = nullptr;
    if (!m_queue || !GetItemById(id, &item))
        return;
    if (NeedsProfile(item))
        m_queue->QueueTop(item);
    item->Release();
}

void CCatalog::CancelProfileRequest(DWORD id)
{
    CCatItem* item = nullptr;
    if (!m_queue || !GetItemById(id, &item))
        return;
    m_queue->Unqueue(item);
    item->Release();
}

void CCatalog::RequeueProfile(DWORD itemId)
{
    CCatItem* item = nullptr;
    if (!m_queue || !GetItemById(itemId, &item))
        return;
    if (item->GetFlagWord() & CCatItem::kFlagAudio)
        m_queue->QueueMiddle(item);
    item->Release();
}

BOOL CCatalog::GetPlotItemInfo(DWORD itemId, CMusicFileId* id, DWORD* sampleRate, LONGLONG* lengthMicroseconds)
{
    CCatItem* item = nullptr;
    if (!GetItemById(itemId, &item))
        return FALSE;
    if (id)
        *id = item->GetMusicFileId();
    if (sampleRate)
        *sampleRate = item->GetSampleRate();
    if (lengthMicroseconds) {
        LONGLONG duration = 0;
        *lengthMicroseconds = SUCCEEDED(item->GetDuration(&duration)) ? duration : 0;
    }
    item->Release();
    return TRUE;
}

HRESULT CCatalog::DeleteItems(IItemIdList* ids, BOOL deleteFiles)
{
    if (!ids)
        return E_POINTER;
    bool removed = false;
    {
        CSingleThreadLock catalogHold(&m_catalogLock);
        // A deleted item is not previewed any longer. The previewer is cleared outside the
        // item-array lock: it takes that lock itself (under its own) when it looks an item up.
        ComPtr<ICatPreviewer> previewer;
        DWORD previewed = CCatItem::kNotInCatalog;
        if (GetOuter() != GetInner() &&
            SUCCEEDED(GetOuter()->QueryInterface(IID_ICatPreviewer, previewer.put_void())) && previewer)
            previewer->GetItem(&previewed);
        DWORD id = 0;
        for (int index = 0; ids->GetAt(index, &id) == S_OK; ++index) {
            if (previewer && id == previewed)
                previewer->Clear();
            CCatItem* item = nullptr;
            {
                CSingleThreadLock itemsHold(&m_itemsLock);
                if (id >= m_items.size() || !m_items[id])
                    continue;
                item = m_items[id];
                m_items[id] = nullptr;
                RemoveFromPathIndex(item);
            }
            m_store->DeleteItem(item);
            if (m_queue)
                m_queue->Remove(item);
            item->SetDeleteFileOnRelease(deleteFiles);
            item->ClearPendingFileUpdate(FALSE);
            item->Release();
            removed = true;
        }
    }
    if (removed && GetOuter() != GetInner())
        RefreshDisplayLists(GetOuter());
    return removed ? S_OK : E_FAIL;
}

HRESULT CCatalog::GetTrackPlot(DWORD id, ITrackPlot** plot)
{
    if (!plot)
        return E_POINTER;
    *plot = nullptr;
    CCatItem* item = nullptr;
    if (!m_plotStores || !GetItemById(id, &item))
        return E_FAIL;
    item->Release();
    CPlotStore* store = m_plotStores->Get(id);
    if (!store)
        return E_FAIL;
    *plot = store;
    return S_OK;
}

HRESULT CCatalog::ReleaseTrackPlot(ITrackPlot* plot)
{
    DWORD id = 0;
    if (!plot || !m_plotStores || FAILED(plot->GetId(&id)))
        return E_FAIL;
    return m_plotStores->Release(id) ? S_OK : E_FAIL;
}

HRESULT CCatalog::TouchTrackPlot(ITrackPlot* plot)
{
    DWORD id = 0;
    if (!plot || !m_plotStores || FAILED(plot->GetId(&id)))
        return E_FAIL;
    return m_plotStores->Touch(id) ? S_OK : E_FAIL;
}

HRESULT CCatalog::GetProfileCacheSettings(BSTR* folder, int* maxSize)
{
    if (!folder || !maxSize)
        return E_POINTER;
    CString directory;
    if (m_plotFiles)
        m_plotFiles->GetSettings(&directory, maxSize);
    *folder = SysAllocString(directory);
    return S_OK;
}

HRESULT CCatalog::SetProfileCacheSettings(BSTR folder, int maxSize)
{
    if (m_plotFiles)
        m_plotFiles->SetSettings(CString(folder ? folder : L""), maxSize);
    return S_OK;
}

HRESULT CCatalog::GetDefaultProfileCacheSettings(BSTR* folder, int* maxSize)
{
    if (!folder || !maxSize)
        return E_POINTER;
    CString directory;
    CPlotFileManager::GetDefaultSettings(&directory, maxSize);
    *folder = SysAllocString(directory);
    return S_OK;
}

HRESULT CCatalog::IsModifyMusicFilesEnabled()
{
    CWinApp* app = AfxGetApp();
    return (app ? app->GetProfileInt(kSettings, kModifyMusicFilesValue, 1) : 1) != 0 ? S_OK : S_FALSE;
}

HRESULT CCatalog::SetModifyMusicFiles(BOOL enabled)
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt(kSettings, kModifyMusicFilesValue, enabled);
    return S_OK;
}

HRESULT CCatalog::GetUnupdatableMusicFiles(IPathList*)
{
    return E_FAIL;
}

HRESULT CCatalog::StopUpdatingMusicFiles(IPathList* paths)
{
    if (!paths)
        return E_POINTER;
    BSTR path = nullptr;
    for (int index = 0; paths->GetAt(index, &path) == S_OK; ++index) {
        const CString wanted(path ? path : L"");
        SysFreeString(path);
        path = nullptr;
        for (int i = 0, count = GetItemCount(); i < count; ++i) {
            CCatItem* item = nullptr;
            if (GetItemByIndex(i, &item) && item) {
                if (item->GetPath() == wanted)
                    item->ClearPendingFileUpdate(TRUE);
                item->Release();
            }
        }
    }
    return S_OK;
}

HRESULT CCatalog::ClearDefaultTrackSettings(IItemIdList* ids)
{
    if (!ids)
        return E_POINTER;
    CSingleThreadLock catalogHold(&m_catalogLock);
    DWORD id = 0;
    for (int index = 0; ids->GetAt(index, &id) == S_OK; ++index) {
        CCatItem* item = nullptr;
        if (!GetItemById(id, &item))
            continue;
        DeleteDefaultMix(item->GetMusicFileId());
        item->IgnoreEmbeddedMixData();
        item->Release();
    }
    return S_OK;
}

HRESULT CCatalog::HasDefaultTrackSettings(IItemIdList* ids)
{
    if (!ids)
        return E_POINTER;
    DWORD id = 0;
    for (int index = 0; ids->GetAt(index, &id) == S_OK; ++index) {
        CCatItem* item = nullptr;
        if (!GetItemById(id, &item))
            continue;
        const bool has = !item->LacksEmbeddedMixData() || HasStoredDefaultMix(item->GetMusicFileId());
        item->Release();
        if (has)
            return S_OK;
    }
    return S_FALSE;
}

HRESULT CCatalog::AddImportFile(BSTR path)
{
    return m_importer ? m_importer->AddFile(path) : E_FAIL;
}

HRESULT CCatalog::StartImportFiles(BSTR category, BOOL expandFolders, IProgressStatus** status)
{
    return m_importer ? m_importer->StartFiles(category, expandFolders, status) : E_FAIL;
}

HRESULT CCatalog::StartImportDirectory(BSTR folder, BSTR category, IProgressStatus** status)
{
    return m_importer ? m_importer->StartDirectory(folder, category, status) : E_FAIL;
}

HRESULT CCatalog::StartImportTextList(BSTR path, IProgressStatus** status)
{
    return m_importer ? m_importer->StartTextList(path, status) : E_FAIL;
}

HRESULT CCatalog::Unused7(DWORD)
{
    return E_FAIL;
}

HRESULT CCatalog::ImportDefaultTrackSettings(BSTR path)
{
    return m_importer ? m_importer->ImportDefaultTrackSettings(path) : E_FAIL;
}

HRESULT CCatalog::StartCleanup(BOOL removeMissing, BOOL removeUnusedData, IProgressStatus** status)
{
    return m_scan ? m_scan->Start(removeMissing, removeUnusedData, status) : E_FAIL;
}

HRESULT CCatalog::GetAutoUpdateFolders(IPathList* out)
{
    return m_updater ? m_updater->GetAutoUpdateFolders(out) : E_FAIL;
}

HRESULT CCatalog::SetAutoUpdateFolders(IPathList* in)
{
    return m_updater ? m_updater->SetAutoUpdateFolders(in) : E_FAIL;
}

HRESULT CCatalog::GetAutoUpdate(BOOL* enabled, BOOL* updateInfo)
{
    return m_updater ? m_updater->GetAutoUpdate(enabled, updateInfo) : E_FAIL;
}

HRESULT CCatalog::SetAutoUpdate(BOOL enabled, BOOL updateInfo)
{
    return m_updater ? m_updater->SetAutoUpdate(enabled, updateInfo) : E_FAIL;
}

HRESULT CCatalog::GetDefaultMixType(DWORD* type)
{
    if (!type)
        return E_POINTER;
    *type = m_defaultMixType;
    return S_OK;
}

HRESULT CCatalog::SetDefaultMixType(DWORD type)
{
    m_defaultMixType = type;
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt(kSettings, kDefaultMixTypeValue, static_cast<int>(type));
    return S_OK;
}

void CCatalog::SaveDefaultMix(CTrackInfo* track)
{
    if (!m_defaultMixes)
        return;
    CRiffFile image;
    FOURCC form = kDefaultMixForm;
    if (!image.CreateInMemory(&form))
        return;
    SYSTEMTIME now{};
    GetSystemTime(&now);
    track->SetTimestamp(now);
    if (!image.CreateList(kTrackList) || !track->WriteChunks(&image, FALSE) || !image.Ascend() || !image.Ascend())
        return;
    m_defaultMixes->StoreRiffImage(track->GetMusicFileId(), &image);
}

bool CCatalog::ReadDefaultMix(const CMusicFileId& id, CTrackInfo* into)
{
    CRiffFile image;
    FOURCC child = 0;
    return m_defaultMixes && m_defaultMixes->LoadRiffImage(id, &image) && image.GetChildId(0, &child) &&
           child == kTrackList && image.Descend(0) && into->ReadChunks(&image, 0);
}

bool CCatalog::ApplyDefaultMix(CTrackInfo* track)
{
    ComPtr<CTrackInfo> stored = ComPtr<CTrackInfo>::attach(new (std::nothrow) CTrackInfo());
    ComPtr<CTrackInfo> embedded = ComPtr<CTrackInfo>::attach(new (std::nothrow) CTrackInfo());
    if (!stored || !embedded)
        return false;
    const bool haveStored = ReadDefaultMix(track->GetMusicFileId(), stored.get()) && stored->HasCustomSettings();
    bool haveEmbedded = false;
    CCatItem* item = nullptr;
    if (FindItemByFileId(track->GetMusicFileId(), &item)) {
        CRiffFile image;
        FOURCC child = 0;
        haveEmbedded = item->ReadEmbeddedMixData(&image) == 0 && image.GetChildId(0, &child) && child == kTrackList &&
                       image.Descend(0) && embedded->ReadChunks(&image, 0) && embedded->HasCustomSettings();
        item->Release();
    }
    const CTrackInfo* source = nullptr;
    if (haveStored && haveEmbedded)
        source = stored->IsOlderThan(*embedded.get()) ? embedded.get() : stored.get();
    else if (haveStored)
        source = stored.get();
    else if (haveEmbedded)
        source = embedded.get();
    if (!source)
        return false;
    source->CopySettingsTo(*track);
    return true;
}

bool CCatalog::HasDefaultMix(CTrackInfo* track)
{
    CCatItem* item = nullptr;
    if (FindItemByFileId(track->GetMusicFileId(), &item)) {
        const bool embedded = !item->LacksEmbeddedMixData();
        item->Release();
        if (embedded)
            return true;
    }
    return HasStoredDefaultMix(track->GetMusicFileId());
}

bool CCatalog::HasStoredDefaultMix(const CMusicFileId& id)
{
    // A NULL object asks the store whether the identity is there.
    return m_defaultMixes && m_defaultMixes->LoadObject(id, static_cast<CTrackInfo*>(nullptr));
}

void CCatalog::DeleteDefaultMix(const CMusicFileId& id)
{
    if (m_defaultMixes)
        m_defaultMixes->RemoveObject(id);
}
