#include "engine/catalog/watch/CatUpdater.h"

#include <algorithm>

#include "classlib/core/WinApp.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/categories/CategoryManager.h"
#include "engine/catalog/files/FolderWalk.h"
#include "engine/catalog/files/PathNames.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/catalog/watch/ChangeRecords.h"
#include "engine/core/server/ThreadStart.h"
#include "engine/core/time/SysTime.h"

namespace {

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kEnabledValue[] = L"Automatically Update Catalog";
constexpr wchar_t kUpdateInfoValue[] = L"Automatically Update Catalog Info";
constexpr wchar_t kFolderValue[] = L"Auto Catalod Dir:%d";
// Change notifications on folders came with Windows 2000; before it the worker only rescans.
constexpr DWORD kFirstWatchingMajorVersion = 5;

CString FolderValueName(int index)
{
    CString name;
    name.Format(kFolderValue, index);
    return name;
}

bool SystemCanWatch()
{
    return LOBYTE(LOWORD(GetVersion())) >= kFirstWatchingMajorVersion;
}

}  // namespace

CCatUpdater::CCatUpdater(IUnknown* outer)
    : CUnknown(outer), m_runStatus(ComPtr<CProgressStatus>::attach(new CProgressStatus()))
{
    if (CWinApp* app = AfxGetApp()) {
        m_enabled = app->GetProfileInt(kSettings, kEnabledValue, 0) != 0;
        m_updateInfo = app->GetProfileInt(kSettings, kUpdateInfoValue, 0) != 0;
        for (int index = 0; index < kMaxFolders; ++index) {
            const CString folder = app->GetProfileString(kSettings, FolderValueName(index), L"");
            if (folder.IsEmpty())
                break;
            m_folders.push_back(folder);
        }
    }
    m_port.reset(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
    StartWatching();
}

CCatUpdater::~CCatUpdater()
{
    StopAndWait();
    CSingleThreadLock hold(&m_lock);
    CloseWatches();
}

HRESULT CCatUpdater::GetAutoUpdateFolders(IPathList* out)
{
    if (!out)
        return E_POINTER;
    std::vector<CString> folders;
    {
        CSingleThreadLock hold(&m_lock);
        folders = m_folders;
    }
    for (const CString& folder : folders) {
        BSTR text = folder.AllocSysString();
        out->Add(text);
        SysFreeString(text);
    }
    return S_OK;
}

HRESULT CCatUpdater::SetAutoUpdateFolders(IPathList* in)
{
    if (!in)
        return E_POINTER;
    {
        CSingleThreadLock hold(&m_lock);
        m_folders.clear();
        BSTR text = nullptr;
        for (int index = 0; index < kMaxFolders && in->GetAt(index, &text) == S_OK; ++index) {
            m_folders.emplace_back(text ? text : L"");
            SysFreeString(text);
            text = nullptr;
        }
        WriteFolders();
    }
    InterlockedExchange(&m_rescanRequested, 1);
    return StartWatching();
}

void CCatUpdater::WriteFolders()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    for (int index = 0; index < kMaxFolders; ++index) {
        const bool listed = static_cast<size_t>(index) < m_folders.size();
        app->WriteProfileString(kSettings, FolderValueName(index),
                                listed ? static_cast<const wchar_t*>(m_folders[static_cast<size_t>(index)]) : nullptr);
    }
}

HRESULT CCatUpdater::GetAutoUpdate(BOOL* enabled, BOOL* updateInfo)
{
    if (!enabled)
        return E_POINTER;
    *enabled = m_enabled ? TRUE : FALSE;
    if (updateInfo)
        *updateInfo = m_updateInfo ? TRUE : FALSE;
    return S_OK;
}

HRESULT CCatUpdater::SetAutoUpdate(BOOL enabled, BOOL updateInfo)
{
    const bool wasOn = m_enabled != 0;
    m_enabled = enabled ? 1 : 0;
    InterlockedExchange(&m_updateInfo, updateInfo ? 1 : 0);
    if (CWinApp* app = AfxGetApp()) {
        app->WriteProfileInt(kSettings, kEnabledValue, m_enabled);
        app->WriteProfileInt(kSettings, kUpdateInfoValue, m_updateInfo);
    }
    if (enabled && !wasOn)
        Start();
    else if (!enabled && wasOn)
        Stop();
    return S_OK;
}

HRESULT CCatUpdater::Start()
{
    if (m_worker) {
        // A worker that runs and was not asked to stop only needs to look at the folders again.
        if (!Cancelled() && WaitForSingleObject(m_worker.get(), 0) == WAIT_TIMEOUT) {
            InterlockedExchange(&m_rescanRequested, 1);
            Wake();
            return S_OK;
        }
        WaitForSingleObject(m_worker.get(), INFINITE);
        m_worker.reset();
    }
    InterlockedExchange(&m_rescanRequested, 1);
    m_runStatus->Reset();
    ModuleCounts::AddActivity();
    m_worker.reset(CreateSuspendedThread(WorkerProc, this));
    if (!m_worker) {
        ModuleCounts::RemoveActivity();
        return E_FAIL;
    }
    SetThreadPriority(m_worker.get(), THREAD_PRIORITY_IDLE);
    ResumeThread(m_worker.get());
    return S_OK;
}

HRESULT CCatUpdater::Stop()
{
    m_runStatus->RequestCancel();
    Wake();
    return S_OK;
}

void CCatUpdater::StopAndWait()
{
    if (!m_worker)
        return;
    Stop();
    WaitForSingleObject(m_worker.get(), INFINITE);
    m_worker.reset();
}

void CCatUpdater::Wake()
{
    if (m_port)
        PostQueuedCompletionStatus(m_port.get(), 0, 0, nullptr);
}

HRESULT CCatUpdater::StartWatching()
{
    Wake();
    CSingleThreadLock hold(&m_lock);
    CloseWatches();
    if (!m_port)
        return S_OK;
    for (const CString& folder : m_folders) {
        auto watch = std::make_unique<CCatUpdaterDirWatch>(folder, ++m_lastKey);
        if (!watch->IsUsable() || !watch->Associate(m_port.get()))
            continue;
        watch->Arm();
        m_watches.push_back(std::move(watch));
    }
    return S_OK;
}

HRESULT CCatUpdater::StopWatching()
{
    Wake();
    CSingleThreadLock hold(&m_lock);
    CloseWatches();
    return S_OK;
}

void CCatUpdater::CloseWatches()
{
    m_watches.clear();
}

ULONG_PTR CCatUpdater::GetWatchKey(size_t index)
{
    CSingleThreadLock hold(&m_lock);
    return index < m_watches.size() ? m_watches[index]->GetKey() : 0;
}

DWORD WINAPI CCatUpdater::WorkerProc(void* parameter)
{
    static_cast<CCatUpdater*>(parameter)->Run();
    ModuleCounts::RemoveActivity();
    return 0;
}

bool CCatUpdater::Cancelled()
{
    return m_runStatus->IsCancelRequested() == S_OK;
}

void CCatUpdater::Run()
{
    const bool watching = SystemCanWatch() && m_port;
    while (!Cancelled()) {
        if (InterlockedExchange(&m_rescanRequested, 0)) {
            m_changesSeen = 0;
            std::vector<CString> folders;
            {
                CSingleThreadLock hold(&m_lock);
                folders = m_folders;
            }
            ComPtr<IUnknown> hold;
            if (CCatalog* catalog = ReachCatalog(GetOuter(), hold)) {
                for (const CString& folder : folders) {
                    if (Cancelled())
                        break;
                    Rescan(catalog, folder);
                }
            }
            if (m_changesSeen)
                RefreshDisplayLists(GetOuter());
        }
        PostToQueueGroup(GetOuter(), kPassDoneCode, 0);
        if (!watching) {
            Stop();
            break;
        }
        m_changesSeen = 0;
        WaitForChanges();
        if (m_changesSeen)
            RefreshDisplayLists(GetOuter());
    }
    PostToQueueGroup(GetOuter(), kPassDoneCode, 0);
}

void CCatUpdater::Rescan(CCatalog* catalog, const CString& folder)
{
    ScanFolder(catalog, folder);
    CheckMissing(catalog, folder);
}

void CCatUpdater::WaitForChanges()
{
    DWORD bytes = 0;
    ULONG_PTR key = 0;
    OVERLAPPED* overlapped = nullptr;
    const BOOL succeeded = GetQueuedCompletionStatus(m_port.get(), &bytes, &key, &overlapped, INFINITE);
    // A wake-up carries no key; a cancelled read belongs to a watch that is being closed.
    if (key == 0 || (!succeeded && GetLastError() == ERROR_OPERATION_ABORTED))
        return;
    CString folder;
    std::vector<CString> names;
    bool rescan = false;
    {
        CSingleThreadLock hold(&m_lock);
        auto found = std::find_if(m_watches.begin(), m_watches.end(),
                                  [key](const auto& watch) { return watch->GetKey() == key; });
        if (found == m_watches.end())
            return;
        CCatUpdaterDirWatch* watch = found->get();
        folder = watch->GetFolder();
        // A packet without records (or a failed read) means the system could not keep every
        // change: the folder is looked at as a whole.
        rescan = !succeeded || bytes == 0;
        if (!rescan)
            names = ReadChangeRecordNames(watch->GetBuffer(), std::min(bytes, watch->GetBufferSize()));
        // Only the watch's own read is re-armed: a packet posted by hand leaves its read pending.
        if (watch->IsOwnRead(overlapped)) {
            watch->ReadCompleted();
            watch->Arm();
        }
    }
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(GetOuter(), catalogHold);
    if (!catalog)
        return;
    if (rescan) {
        Rescan(catalog, folder);
        return;
    }
    for (const CString& name : names) {
        const CString path = AppendPathComponent(folder, name);
        if (FileExists(path))
            UpdateFile(catalog, path, folder);
        CheckFile(catalog, path);
    }
}

void CCatUpdater::ScanFolder(CCatalog* catalog, const CString& folder)
{
    VisitedFolders visited;
    WalkFolderTree(
        folder, visited, [this] { return Cancelled(); },
        [&](const CString& path) { UpdateFile(catalog, path, folder); });
}

void CCatUpdater::UpdateFile(CCatalog* catalog, const CString& path, const CString& watched)
{
    if (!catalog->IsSupportedExtension(GetExtension(path)))
        return;
    CCatItem* item = nullptr;
    const bool known = catalog->FindItemByPath(path, &item);
    bool wasPresent = false;
    bool changed = false;
    if (known) {
        wasPresent = item->IsPresent() != FALSE;
        WIN32_FIND_DATAW found{};
        if (UniqueFind(FindFirstFileW(path, &found))) {
            SYSTEMTIME written{};
            FileTimeToSystemTime(&found.ftLastWriteTime, &written);
            changed = !item->IsUpToDate(CSysTime(written));
        }
        PostItem(item->GetItemId());
        item->Release();
        if (wasPresent && !changed)
            return;
    }
    CCatItem* added = nullptr;
    if (catalog->AddItemFromFile(path, &added, changed ? TRUE : FALSE)) {
        m_changesSeen = 1;
        PostItem(added->GetItemId());
        added->Release();
    }
    if (m_updateInfo)
        FileCategory(path, watched);
}

void CCatUpdater::FileCategory(const CString& path, const CString& watched)
{
    CString folder;
    if (!GetFolder(path, &folder) || folder.GetLength() < watched.GetLength() ||
        ComparePathNames(folder.Left(watched.GetLength()), watched) != 0)
        return;
    CString name = folder.Mid(watched.GetLength());
    if (!name.IsEmpty() && name[0] == L'\\')
        name = name.Mid(1);
    if (name.IsEmpty())
        return;
    ComPtr<IUnknown> hold;
    CCategoryManager* categories = ReachCategoryManager(GetOuter(), hold);
    if (!categories)
        return;
    BSTR pathText = path.AllocSysString();
    BSTR nameText = name.AllocSysString();
    if (categories->AddFileToCategory(pathText, nameText) == S_OK)
        m_changesSeen = 1;
    SysFreeString(nameText);
    SysFreeString(pathText);
}

void CCatUpdater::CheckMissing(CCatalog* catalog, const CString& folder)
{
    const CString lowerFolder = FoldPathCase(folder);
    const int count = catalog->GetItemCount();
    for (int index = 0; index < count && !Cancelled(); ++index) {
        CCatItem* item = nullptr;
        if (!catalog->GetItemByIndex(index, &item) || !item)
            continue;
        if (item->IsPresent() && FoldPathCase(item->GetPath()).Find(lowerFolder) >= 0 && !FileExists(item->GetPath())) {
            item->SetPresent(FALSE);
            m_changesSeen = 1;
            PostItem(item->GetItemId());
        }
        item->Release();
    }
}

void CCatUpdater::CheckFile(CCatalog* catalog, const CString& path)
{
    CCatItem* item = nullptr;
    if (!catalog->FindItemByPath(path, &item))
        return;
    if (item->IsPresent() && !FileExists(path)) {
        item->SetPresent(FALSE);
        m_changesSeen = 1;
    }
    PostItem(item->GetItemId());
    item->Release();
}

void CCatUpdater::PostItem(DWORD id)
{
    PostToQueueGroup(GetOuter(), kItemUpdatedCode, static_cast<int>(id), TRUE);
}
