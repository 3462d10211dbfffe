#include "engine/playback/graph/MixInputSpares.h"

#include <utility>

#include "engine/core/server/Unknown.h"
#include "engine/playback/graph/MixInput.h"

CMixInputSpares::CMixInputSpares(CMixOutput* output) : m_output(output)
{
    // Made up front, so that an input's render thread may wake the maker whenever it runs.
    m_wake.reset(CreateEventW(nullptr, FALSE, TRUE, nullptr));
    m_stop.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

CMixInputSpares::~CMixInputSpares()
{
    if (m_maker) {
        SetEvent(m_stop.get());
        WaitForSingleObject(m_maker.get(), INFINITE);
    }
    for (CMixInput* spare : m_spares) {
        spare->Quit();
        spare->Release();
    }
}

CMixInput* CMixInputSpares::Take()
{
    bool start = false;
    CMixInput* spare = nullptr;
    {
        CSingleThreadLock lock(&m_lock);
        start = !std::exchange(m_makerStarted, true);
        if (!m_spares.empty()) {
            spare = m_spares.front();
            m_spares.erase(m_spares.begin());
        }
    }
    if (start)
        StartMaker();
    return spare;
}

void CMixInputSpares::Replenish()
{
    if (m_wake)
        SetEvent(m_wake.get());
}

int CMixInputSpares::GetReadyCount()
{
    CSingleThreadLock lock(&m_lock);
    return static_cast<int>(m_spares.size());
}

void CMixInputSpares::StartMaker()
{
    if (!m_wake || !m_stop)
        return;
    HANDLE thread = CreateThread(nullptr, 0, MakerMain, this, CREATE_SUSPENDED, nullptr);
    if (!thread)
        return;
    SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
    ModuleCounts::AddActivity();
    m_maker.reset(thread);
    ResumeThread(thread);
}

DWORD WINAPI CMixInputSpares::MakerMain(void* self)
{
    static_cast<CMixInputSpares*>(self)->MakeSpares();
    ModuleCounts::RemoveActivity();
    return 0;
}

void CMixInputSpares::MakeSpares()
{
    // The wake event starts set: the first pass fills the pool.
    const HANDLE events[2] = {m_stop.get(), m_wake.get()};
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        while (GetReadyCount() < kSpareCount && WaitForSingleObject(m_stop.get(), 0) == WAIT_TIMEOUT) {
            auto* spare = new CMixInput(m_output);
            if (!spare->IsRunning()) {
                // Its thread did not start: the next wake tries again, and until then the
                // owner makes its inputs itself.
                spare->Release();
                break;
            }
            CSingleThreadLock lock(&m_lock);
            m_spares.push_back(spare);
        }
    }
}
