#include "engine/core/server/BrennockMain.h"

#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/categories/CategoryManager.h"
#include "engine/catalog/display/CatDisplayItemMgr.h"
#include "engine/catalog/files/FileMapper.h"
#include "engine/core/mix/FileNamePlaylist.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/BrennockApp.h"
#include "engine/core/server/EngineFolders.h"
#include "engine/core/server/ThreadCom.h"
#include "engine/core/server/ThreadStart.h"
#include "engine/core/server/UiUpdateMsg.h"
#include "engine/playback/effects/EfxPresetManager.h"
#include "engine/playback/output/Player.h"
#include "engine/playback/preview/CatPreviewer.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IUiUpdateQueue.h"
#include "interfaces/IVideoMontage.h"

#include <new>

namespace {

constexpr DWORD kServicePeriodMs = 50;
// The mix as it was last edited, in the engine data folder.
constexpr const wchar_t* kLastMixFileName = L"defaultplaylist.cfp";
constexpr DWORD kShutdownPollMs = 100;
// Shutdown waits this long for the engine's worker threads to end, then goes on: a worker that
// cannot end must not hang the main program's exit.
constexpr DWORD kShutdownWorkerWaitMs = 5000;

// The folder of the engine library, where presets that come with the program lie; empty when the
// engine runs inside another program (a test) without its application object.
CString AppModuleFolder()
{
    const auto* app = dynamic_cast<const CBrennockApp*>(AfxGetApp());
    return app ? app->GetAppModuleFolder() : CString();
}

}  // namespace

CBrennockMain* CBrennockMain::Create()
{
    try {
        return new CBrennockMain;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CBrennockMain::CBrennockMain() : CUnknown(nullptr), m_engineQueue(GetOuter())
{
    ModuleCounts::AddActivity();
}

CBrennockMain::~CBrennockMain()
{
    ModuleCounts::RemoveActivity();
}

INondelegatingUnknown* CBrennockMain::RoutedMember(REFIID iid)
{
    using namespace EngineIid;
    if (IsEqualIID(iid, MixManager) || IsEqualIID(iid, MixManagerInternal) || IsEqualIID(iid, MixManagerOperations) ||
        IsEqualIID(iid, PlayManager) || IsEqualIID(iid, PlayManagerInternal) || IsEqualIID(iid, MasterBeatMap) ||
        IsEqualIID(iid, EfxManager))
        return m_mixManager.get();
    if (IsEqualIID(iid, Player) || IsEqualIID(iid, PlayerInternal))
        return m_player.get();
    if (IsEqualIID(iid, Catalog) || IsEqualIID(iid, CatalogInternal))
        return m_catalog.get();
    if (IsEqualIID(iid, FileMapper) || IsEqualIID(iid, FileMapperInternal))
        return m_fileMapper.get();
    if (IsEqualIID(iid, CategoryManager) || IsEqualIID(iid, CategoryManagerInternal))
        return m_categoryManager.get();
    if (IsEqualIID(iid, CatDisplayItemMgr) || IsEqualIID(iid, CatDisplayItemMgrInternal))
        return m_mainDisplayItemMgr.get();
    if (IsEqualIID(iid, IID_IUiUpdateQueue))
        return m_queueGroup.get();
    if (IsEqualIID(iid, CatPreviewer))
        return Previewer(true);
    if (IsEqualIID(iid, EfxPresetMgr))
        return m_efxPresetManager.get();
    return nullptr;
}

HRESULT CBrennockMain::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBrennock))
        return GetInterface(static_cast<IBrennock*>(this), object);
    if (INondelegatingUnknown* member = RoutedMember(iid))
        return member->NonDelegatingQueryInterface(iid, object);
    // Everything else belongs to the video montage library, when one is attached. The out-pointer
    // is cleared first: a refusal from outside must not hand the caller a stale pointer.
    *object = nullptr;
    if (m_attached)
        return m_attached->QueryService(iid, object);
    return E_NOINTERFACE;
}

CCatPreviewer* CBrennockMain::Previewer(bool create)
{
    CSingleThreadLock lock(&m_previewerLock);
    if (!m_previewer && create)
        m_previewer.reset(new (std::nothrow) CCatPreviewer(GetOuter()));
    return m_previewer.get();
}

void CBrennockMain::FinalRelease()
{
    CUnknown::FinalRelease();
    m_efxPresetManager.reset();
    m_previewer.reset();
    m_mixManager.reset();
    m_player.reset();
    m_catalog.reset();
    m_fileMapper.reset();
    m_categoryManager.reset();
    m_mainDisplayItemMgr.reset();
    m_queueGroup.reset();
    m_attached.reset();
    m_displayItemMgrs.clear();
}

HRESULT CBrennockMain::Initialize(HWND mainWindow, IUnknown* attached, DWORD value1, DWORD value2)
{
    if (m_initialized)
        return S_FALSE;
    m_initValue1 = value1;
    m_initValue2 = value2;
    CreateEngineDataFolder();

    // Every service object is aggregated with this object as its outer; one that cannot be
    // allocated stays NULL and the sequence goes on.
    m_queueGroup.reset(new (std::nothrow) CUiUpdateQueueGroup(GetOuter()));
    m_mainDisplayItemMgr.reset(new (std::nothrow) CCatDisplayItemMgr(GetOuter()));
    JoinQueueGroup(m_mainDisplayItemMgr.get());
    if (attached)
        attached->QueryInterface(IID_IAttachedObject, m_attached.put_void());
    m_catalog.reset(new (std::nothrow) CCatalog(GetOuter()));
    if (m_catalog && !m_catalog->Init(GetEngineDataFolder())) {
        // A catalog whose file cannot be opened (held by another program, no access) would run
        // empty and keep nothing the user adds: the start is reported as failed instead, and a
        // later Initialize runs it again.
        m_catalog.reset();
        m_attached.reset();
        return HRESULT_FROM_WIN32(ERROR_OPEN_FAILED);
    }
    m_categoryManager.reset(new (std::nothrow) CCategoryManager(GetOuter()));
    if (m_categoryManager)
        m_categoryManager->Load(GetEngineDataFolder());
    if (m_mainDisplayItemMgr)
        m_mainDisplayItemMgr->Refresh();
    m_player.reset(new (std::nothrow) CPlayer(GetOuter()));
    if (m_player)
        m_player->Setup(mainWindow);
    m_mixManager.reset(new (std::nothrow) CMixManager(GetOuter()));
    if (m_mixManager) {
        m_mixManager->SetCatalogSources(m_catalog.get(), m_catalog.get());
        CString lastMix = GetEngineDataFolder();
        lastMix += kLastMixFileName;
        m_mixManager->Initialize(lastMix);
    }
    auto* presets = new (std::nothrow) CEfxPresetManager(GetOuter());
    m_efxPresetManager.reset(presets);
    if (presets)
        presets->Scan(AppModuleFolder(), GetEngineDataFolder());
    if (m_mixManager)
        m_mixManager->RegisterEffectChains();
    if (presets)
        presets->LoadPreset(IEfxPresetMgr::kDefaultPresetIndex, FALSE);
    m_fileMapper.reset(new (std::nothrow) CFileMapper(GetOuter()));
    if (m_attached)
        m_attached->Attach(static_cast<IBrennock*>(this));

    // The thread's own reference is taken here, before it can run, so that a client's Release
    // racing the thread's start cannot destroy the object under it; the thread drops it last.
    InterlockedExchange(&m_serviceRun, 1);
    InterlockedExchange(&m_serviceAlive, 1);
    GetOuter()->AddRef();
    m_serviceThread.reset(CreateSuspendedThread(ServiceThreadProc, this));
    if (!m_serviceThread) {
        // An engine without its service thread is not initialised: the attached object is let go
        // and a later Initialize runs the whole start again.
        const DWORD error = GetLastError();
        InterlockedExchange(&m_serviceRun, 0);
        InterlockedExchange(&m_serviceAlive, 0);
        if (m_attached) {
            m_attached->Detach();
            m_attached.reset();
        }
        GetOuter()->Release();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    SetThreadPriority(m_serviceThread.get(), THREAD_PRIORITY_NORMAL);
    ResumeThread(m_serviceThread.get());
    InterlockedExchange(&m_initialized, 1);
    return S_OK;
}

DWORD WINAPI CBrennockMain::ServiceThreadProc(void* parameter)
{
    static_cast<CBrennockMain*>(parameter)->RunServiceThread();
    return 0;
}

void CBrennockMain::RunServiceThread()
{
    {
        // The tick binds streams to their devices again (after an export or a CD write) and makes
        // effect-clip hosts: both are COM objects.
        const CThreadCom com;
        while (m_serviceRun) {
            Sleep(kServicePeriodMs);
            if (m_mixManager)
                m_mixManager->Tick();
            if (m_catalog)
                m_catalog->ProcessProfileQueue();
            RelayEngineQueue();
            if (CCatPreviewer* previewer = Previewer(false))
                previewer->Tick();
        }
    }
    // The reference taken in Initialize goes before the alive flag is cleared: Shutdown's caller
    // still holds its own, so this Release never destroys the object, and once the flag is clear
    // nothing here touches the object again.
    GetOuter()->Release();
    InterlockedExchange(&m_serviceAlive, 0);
}

void CBrennockMain::RelayEngineQueue()
{
    int code = 0;
    int value = 0;
    while (m_engineQueue.PopUpdate(&code, &value) == S_OK) {
        if (code != UiUpdateCode::AnalysisFinished)
            continue;
        ComPtr<IUiUpdateQueue> group;
        if (SUCCEEDED(GetOuter()->QueryInterface(IID_IUiUpdateQueue, group.put_void())) && group) {
            group->PostUpdate(UiUpdateCode::ItemChanged, value, FALSE);
            group->PostUpdate(UiUpdateCode::TakeOverAnalysis, value, FALSE);
        }
    }
}

HRESULT CBrennockMain::Shutdown()
{
    InterlockedExchange(&m_serviceRun, 0);
    while (m_serviceAlive)
        Sleep(kShutdownPollMs);
    // Past the flag the thread only returns; waiting for its end lets the library unload safely.
    if (m_serviceThread) {
        WaitForSingleObject(m_serviceThread.get(), INFINITE);
        m_serviceThread.reset();
    }
    if (CCatPreviewer* previewer = Previewer(false))
        previewer->Clear();
    if (m_attached)
        m_attached->Detach();
    if (m_mixManager)
        m_mixManager->ShutDown();
    if (m_catalog)
        m_catalog->StopWorkers();
    for (DWORD waited = 0; ModuleCounts::Activity() > 1 && waited < kShutdownWorkerWaitMs; waited += kShutdownPollMs)
        Sleep(kShutdownPollMs);
    return S_OK;
}

HRESULT CBrennockMain::LoadPlaylist(BSTR path, BOOL append)
{
    if (!m_mixManager || !path || !*path)
        return E_FAIL;
    ComPtr<IVideoMontage> montage;
    ComPtr<IVideoClipList> video;
    if (SUCCEEDED(GetOuter()->QueryInterface(IID_IVideoMontage, montage.put_void())) && montage)
        montage->GetVideoState(video.put());
    CTrackInfoContainer tracks;
    CMixGlobals globals;
    if (IsMixDocumentPath(path)) {
        CFVR_RECORD record{};
        DWORD version = 0;
        if (!ReadMixFile(&record, path, tracks, globals, video.get(), &version)) {
            // A failure, never a success code: the caller must not take an unread file for an
            // empty mix. The mix stays as it was.
            const DWORD attributes = GetFileAttributesW(path);
            if (attributes == INVALID_FILE_ATTRIBUTES)
                return HRESULT_FROM_WIN32(GetLastError());
            return HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
        }
        if (tracks.GetCount() == 0)
            return S_FALSE;
        tracks.SetPath(path);
        m_mixManager->ConvertLoadedTracks(tracks, version);
    } else {
        std::vector<CString> files;
        const HRESULT read = ReadFileNamePlaylist(path, files);
        if (FAILED(read))
            return read;
        if (!m_mixManager->MakeFileTracks(files, tracks))
            return E_FAIL;
        if (tracks.GetCount() == 0)
            return S_FALSE;
        tracks.SetPath(path);
    }
    tracks.ClearTrackIds();
    // Tracks whose files cannot be found are left out, never silently: S_FALSE, and the mix
    // manager posts how many (the document itself stays as it was until the user saves).
    // Appended tracks go after the last track, hidden performed tracks or not.
    if (append)
        return m_mixManager->InsertTracksAt(tracks, m_mixManager->Tracks().GetCount()) == tracks.GetCount() ? S_OK
                                                                                                            : S_FALSE;
    return m_mixManager->ReplaceMix(&tracks, &globals, video.get(), FALSE);
}

HRESULT CBrennockMain::SavePlaylist(BSTR path)
{
    if (!m_mixManager)
        return E_FAIL;
    // Only a path that is read back as a mix document is written: saving over a list of file
    // names would destroy it and leave a file that never opens again.
    if (!path || !IsMixDocumentPath(path))
        return E_INVALIDARG;
    return m_mixManager->WriteMix(path) ? S_OK : E_FAIL;
}

HRESULT CBrennockMain::NewMix()
{
    if (m_mixManager)
        m_mixManager->ReplaceMix(nullptr, nullptr, nullptr, TRUE);
    ComPtr<IEfxPresetMgr> presets;
    if (SUCCEEDED(GetOuter()->QueryInterface(IID_IEfxPresetMgr, presets.put_void())) && presets)
        presets->LoadPreset(IEfxPresetMgr::kDefaultPresetIndex, FALSE);
    return S_OK;
}

HRESULT CBrennockMain::PostUiUpdate(int code, int value)
{
    return m_engineQueue.PostUpdate(code, value, FALSE);
}

HRESULT CBrennockMain::SetFileMapperCallback(IUnknown* locator)
{
    return m_fileMapper ? m_fileMapper->SetResolver(locator) : E_FAIL;
}

HRESULT CBrennockMain::ClearFileMapperCallback()
{
    return m_fileMapper ? m_fileMapper->ClearResolver() : E_FAIL;
}

void CBrennockMain::JoinQueueGroup(CCatDisplayItemMgr* manager)
{
    CUiUpdateQueue* queue = nullptr;
    if (manager && m_queueGroup && manager->GetUpdateQueue(&queue) == S_OK)
        m_queueGroup->AddQueue(queue);
}

HRESULT CBrennockMain::CreateCatDisplayItemMgr(ICatDisplayItemMgr** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto* manager = new (std::nothrow) CCatDisplayItemMgr(GetOuter());
    if (!manager)
        return E_FAIL;
    InnerPtr<CCatDisplayItemMgr> owned;
    owned.reset(manager);
    try {
        m_displayItemMgrs.emplace_back(std::move(owned));
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    manager->AddRef();
    JoinQueueGroup(manager);
    if (m_mainDisplayItemMgr)
        m_mainDisplayItemMgr->AppendManager(manager);
    manager->Refresh();
    *out = manager;
    return S_OK;
}

HRESULT CBrennockMain::GetInitValues(DWORD* value1, DWORD* value2)
{
    if (!value1 || !value2)
        return E_POINTER;
    *value1 = m_initValue1;
    *value2 = m_initValue2;
    return S_OK;
}
