// A counting stand-in for the engine main object as seen by the plot cache and the profiler:
// it answers IUiUpdateQueue and IBrennock and records every post, in order, from any thread.
#pragma once

#include <windows.h>

#include <mutex>
#include <utility>
#include <vector>

#include "interfaces/IBrennock.h"
#include "interfaces/IUiUpdateQueue.h"

namespace profiler_test {

class FakeEngine : public IUiUpdateQueue, public IBrennock {
public:
    using Message = std::pair<int, int>;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IUiUpdateQueue))
            *object = static_cast<IUiUpdateQueue*>(this);
        else if (IsEqualIID(iid, IID_IBrennock))
            *object = static_cast<IBrennock*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&m_refs)); }

    HRESULT STDMETHODCALLTYPE PopUpdate(int*, int*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL coalesceByCode) override
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_queue.push_back({code, value});
        m_coalesced |= coalesceByCode != FALSE;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Initialize(HWND, IUnknown*, DWORD, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Shutdown() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadPlaylist(BSTR, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SavePlaylist(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NewMix() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PostUiUpdate(int code, int value) override
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_engine.push_back({code, value});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFileMapperCallback(IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ClearFileMapperCallback() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateCatDisplayItemMgr(ICatDisplayItemMgr**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInitValues(DWORD*, DWORD*) override { return E_NOTIMPL; }

    std::vector<Message> QueuePosts()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_queue;
    }
    std::vector<Message> EnginePosts()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_engine;
    }
    bool AnyCoalesced()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_coalesced;
    }
    LONG Refs() const { return m_refs; }

private:
    volatile LONG m_refs = 1;
    std::mutex m_mutex;
    std::vector<Message> m_queue;
    std::vector<Message> m_engine;
    bool m_coalesced = false;
};

// Polls until `done` holds or about five seconds have passed.
template <typename Predicate>
bool WaitFor(Predicate done)
{
    for (int i = 0; i < 500; ++i) {
        if (done())
            return true;
        Sleep(10);
    }
    return done();
}

}  // namespace profiler_test
