#include "engine/core/mix/MixManager.h"

#include <new>
#include <string>

#include "classlib/com/ComPtr.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/playback/effects/EfxManager.h"
#include "engine/playback/graph/EfxChain.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/IEfxManager.h"
#include "interfaces/IMasterBeatMap.h"
#include "interfaces/IPlayManager.h"
#include "interfaces/IUiUpdateQueue.h"
#include "interfaces/IVideoMontage.h"

CMixManager::CMixManager(IUnknown* outer) : CUnknown(outer)
{
    m_beatMap.reset(new (std::nothrow) CMasterBeatMap(GetOuter()));
    m_efxManager.reset(new (std::nothrow) CEfxManager(GetOuter()));
}

CMixManager::~CMixManager() = default;

HRESULT CMixManager::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, EngineIid::MixManager) || IsEqualIID(iid, EngineIid::MixManagerInternal))
        return GetInterface(static_cast<IMixManager*>(this), object);
    if (IsEqualIID(iid, IID_IMixManagerInternal))
        return GetInterface(static_cast<IMixManagerInternal*>(this), object);
    if (IsEqualIID(iid, EngineIid::PlayManager) || IsEqualIID(iid, EngineIid::PlayManagerInternal)) {
        CLiveAndPendingMixSingleThreadAccess lock;
        CPlayManager* manager =
            IsEqualIID(iid, EngineIid::PlayManager) ? GetCurrentPlayManager() : GetLivePlayManager();
        if (manager)
            return manager->NonDelegatingQueryInterface(iid, object);
    }
    if (IsEqualIID(iid, EngineIid::MasterBeatMap) && m_beatMap)
        return m_beatMap->NonDelegatingQueryInterface(iid, object);
    if (IsEqualIID(iid, EngineIid::EfxManager) && m_efxManager)
        return m_efxManager->NonDelegatingQueryInterface(iid, object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void CMixManager::FinalRelease()
{
    CUnknown::FinalRelease();
    m_closing = TRUE;
    ShutDown();
    m_beatMap.reset();
    m_efxManager.reset();
    CLiveAndPendingMixSingleThreadAccess lock;
    m_playManagers.clear();
}

void CMixManager::SetCatalogSources(IMixProfileSource* profiles, IMixTrackSource* files)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    m_profiles = profiles;
    m_files = files;
}

void CMixManager::Initialize(const wchar_t* mixFileName)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    m_mixFileName = mixFileName ? mixFileName : L"";
    const std::wstring name(static_cast<const wchar_t*>(m_mixFileName));
    const size_t slash = name.find_last_of(L"\\/");
    m_undo = std::make_unique<CUndoStore>(slash == std::wstring::npos ? L"" : name.substr(0, slash + 1).c_str());
    if (!GetLivePlayManager())
        CreatePlayManager(kLiveStream);
    m_enabled = TRUE;
    RebuildMix(FALSE, FALSE, nullptr);
}

CPlayManager* CMixManager::CreatePlayManager(WORD stream)
{
    auto* manager = new (std::nothrow) CPlayManager(GetOuter(), stream);
    if (!manager)
        return nullptr;
    InnerPtr<CPlayManager> owned;
    owned.reset(manager);
    try {
        m_playManagers.push_back(std::move(owned));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return manager;
}

void CMixManager::RegisterEffectChain(CPlayManager& manager)
{
    CEfxChain* chain = manager.GetEfxChain();
    if (!m_efxManager || !chain || !chain->GetHost())
        return;
    // The live and the pending stream run the same master chain from the moment a stream exists.
    m_efxManager->AddProcessor(chain->GetHost());
    m_efxManager->ApplyPending();
}

void CMixManager::RegisterEffectChains()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    for (const auto& manager : m_playManagers)
        if (manager->GetStreamId() != kPendingStream)
            RegisterEffectChain(*manager.get());
}

void CMixManager::Tick()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    for (const auto& manager : m_playManagers)
        manager->OnTick();
}

void CMixManager::ShutDown()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    for (const auto& manager : m_playManagers)
        manager->Close();
    ReleaseEditCopies();
    m_tracks.RemoveAll();
    if (m_beatMap)
        m_beatMap->Rebuild(m_tracks);
}

CPlayManager* CMixManager::GetLivePlayManager() const
{
    for (const auto& manager : m_playManagers)
        if (manager->GetStreamId() == kLiveStream)
            return manager.get();
    return nullptr;
}

CPlayManager* CMixManager::GetCurrentPlayManager() const
{
    for (const auto& manager : m_playManagers)
        if (manager->GetStreamId() == kPendingStream)
            return manager.get();
    return GetLivePlayManager();
}

void CMixManager::AddPendingPlayManager()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    for (const auto& manager : m_playManagers)
        if (manager->GetStreamId() == kPendingStream)
            return;
    CPlayManager* pending = CreatePlayManager(kPendingStream);
    if (!pending)
        return;
    RegisterEffectChain(*pending);
    if (CPlayManager* live = GetLivePlayManager())
        pending->SetLoopEnabled(live->IsLoopEnabled());
    pending->UpdateActiveItems();
    RebuildMix(FALSE, FALSE, nullptr);
    Post(MixManagerUi::PendingStreamChanged, 0);
}

void CMixManager::RemovePendingPlayManager()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    for (auto it = m_playManagers.begin(); it != m_playManagers.end(); ++it) {
        CPlayManager* manager = it->get();
        if (manager->GetStreamId() != kPendingStream)
            continue;
        CEfxChain* chain = manager->GetEfxChain();
        if (m_efxManager && chain && chain->GetHost())
            m_efxManager->RemoveProcessor(chain->GetHost());
        manager->Close();
        m_playManagers.erase(it);
        Post(MixManagerUi::PendingStreamChanged, 0);
        return;
    }
}

HRESULT CMixManager::OnOutputConfigurationChanged(BOOL add)
{
    if (add)
        AddPendingPlayManager();
    else
        RemovePendingPlayManager();
    Post(MixManagerUi::OutputConfigurationChanged, 0);
    return S_OK;
}

HRESULT CMixManager::UpdateMix(BOOL modified)
{
    RebuildMix(modified, modified, nullptr);
    return S_OK;
}

void CMixManager::SetMixGlobals(const CMixGlobals& globals, BOOL edit)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    m_globals.CopyFrom(globals);
    if (m_efxManager)
        m_efxManager->SetEffectList(m_globals.Effects());
    RebuildMix(edit, TRUE, nullptr);
}

LONGLONG CMixManager::GetMixEndTime() const
{
    CLiveAndPendingMixSingleThreadAccess lock;
    CPlayManager* live = GetLivePlayManager();
    return live ? live->GetPlayList().GetLatestEndTime() : 0;
}

void CMixManager::Post(int code, int value)
{
    ComPtr<IUiUpdateQueue> queue;
    if (SUCCEEDED(GetOuter()->QueryInterface(IID_IUiUpdateQueue, queue.put_void())) && queue)
        queue->PostUpdate(code, value, FALSE);
}

HRESULT CMixManager::AcquireVideo(IVideoMontage** video)
{
    *video = nullptr;
    HRESULT hr = GetOuter()->QueryInterface(IID_IVideoMontage, reinterpret_cast<void**>(video));
    return SUCCEEDED(hr) && *video ? S_OK : E_NOINTERFACE;
}
