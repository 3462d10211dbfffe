// CBrennockMain: the engine main object, one per client, created by CFactory and held by the main
// program through IBrennock. It owns every engine service object (each aggregated with this
// object as its outer), routes the engine IIDs to them, forwards every other IID to the video
// montage object attached at Initialize, runs the 50 ms service thread and shuts the engine down.
//
// Threads: the main program calls IBrennock on its UI thread. The service thread ticks the
// service objects, each under its own lock, and drains the engine queue. The run and alive flags
// are plain 32-bit words: Shutdown writes the run flag and polls the alive flag; the thread reads
// the run flag once per pass.
//
// Lifecycle: created -> initialized (Initialize) -> shut down (Shutdown: service thread and
// workers stopped, members still alive) -> destroyed (last Release; FinalRelease releases the
// members in a fixed order).
#pragma once

#include "classlib/com/ComPtr.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/SingleThreadLock.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/UiUpdateQueue.h"
#include "engine/core/server/UiUpdateQueueGroup.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IAttachedObject.h"
#include "interfaces/IBrennock.h"

#include <vector>

class CCatalog;
class CCatDisplayItemMgr;
class CCatPreviewer;
class CCategoryManager;
class CFileMapper;
class CMixManager;
class CPlayer;

class CBrennockMain : public CUnknown, public IBrennock {
public:
    // A new main object with count 1 (not aggregated); NULL when it cannot be allocated.
    static CBrennockMain* Create();
    ~CBrennockMain() override;

    DECLARE_DELEGATING_UNKNOWN

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    void FinalRelease() override;

    HRESULT STDMETHODCALLTYPE Initialize(HWND mainWindow, IUnknown* attached, DWORD value1, DWORD value2) override;
    HRESULT STDMETHODCALLTYPE Shutdown() override;
    HRESULT STDMETHODCALLTYPE LoadPlaylist(BSTR path, BOOL append) override;
    HRESULT STDMETHODCALLTYPE SavePlaylist(BSTR path) override;
    HRESULT STDMETHODCALLTYPE NewMix() override;
    HRESULT STDMETHODCALLTYPE PostUiUpdate(int code, int value) override;
    HRESULT STDMETHODCALLTYPE SetFileMapperCallback(IUnknown* locator) override;
    HRESULT STDMETHODCALLTYPE ClearFileMapperCallback() override;
    HRESULT STDMETHODCALLTYPE CreateCatDisplayItemMgr(ICatDisplayItemMgr** out) override;
    HRESULT STDMETHODCALLTYPE GetInitValues(DWORD* value1, DWORD* value2) override;

private:
    CBrennockMain();

    static DWORD WINAPI ServiceThreadProc(void* parameter);
    void RunServiceThread();
    // Moves the engine queue's messages to the group: code 1 becomes codes 4 and 21 with the
    // same value; other codes are dropped.
    void RelayEngineQueue();
    // Adds the manager's own queue to the group.
    void JoinQueueGroup(CCatDisplayItemMgr* manager);
    // The member that serves iid, or NULL (also for a member that does not exist). The previewer
    // is made here at its first request.
    INondelegatingUnknown* RoutedMember(REFIID iid);
    // The previewer, made now when asked to and not there yet; NULL when there is none.
    CCatPreviewer* Previewer(bool create);

    // Service objects in the engine's field order (FinalRelease has its own order). The ones
    // not built yet stay NULL; every operation that needs one fails or skips its step.
    InnerPtr<CPlayer> m_player;
    InnerPtr<CMixManager> m_mixManager;
    InnerPtr<CCatalog> m_catalog;
    InnerPtr<CFileMapper> m_fileMapper;
    InnerPtr<CCategoryManager> m_categoryManager;
    InnerPtr<CCatDisplayItemMgr> m_mainDisplayItemMgr;
    // Target of PostUiUpdate; only the service thread drains it.
    CUiUpdateQueue m_engineQueue;
    InnerPtr<CUiUpdateQueueGroup> m_queueGroup;
    InnerPtr<CCatPreviewer> m_previewer;
    // Guards the previewer's creation: the UI thread may make it while the service thread looks
    // for it to tick.
    CSingleThreadToken m_previewerLock;
    InnerPtr<> m_efxPresetManager;
    ComPtr<IAttachedObject> m_attached;
    volatile LONG m_initialized = 0;
    volatile LONG m_serviceRun = 0;
    volatile LONG m_serviceAlive = 0;
    DWORD m_initValue1 = 0;
    DWORD m_initValue2 = 0;
    // Display-item managers made by CreateCatDisplayItemMgr.
    std::vector<InnerPtr<CCatDisplayItemMgr>> m_displayItemMgrs;
    UniqueKernelHandle m_serviceThread;
};
