#include "engine/playback/output/PlayerOutput.h"

#include <algorithm>

#include "engine/core/server/ThreadCom.h"
#include "engine/core/server/ThreadStart.h"

CPlayerOutput::CPlayerOutput() : m_stopEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

CPlayerOutput::~CPlayerOutput() = default;

HRESULT CPlayerOutput::LookupInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPlayerOutput)) {
        *object = static_cast<IPlayerOutput*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CPlayerOutput::IsOpen()
{
    return m_open ? S_OK : S_FALSE;
}

HRESULT CPlayerOutput::IsRunning()
{
    return m_running ? S_OK : S_FALSE;
}

HRESULT CPlayerOutput::SetBufferSize(unsigned bytes)
{
    m_bufferSize = std::clamp(bytes, kMinBufferBytes, kMaxBufferBytes);
    return S_OK;
}

HRESULT CPlayerOutput::Open()
{
    return S_OK;
}

HRESULT CPlayerOutput::SetFormat(int)
{
    return S_FALSE;
}

HRESULT CPlayerOutput::AddTrackInfo(LONGLONG, LPCWSTR, LPCWSTR, LPCWSTR)
{
    return S_FALSE;
}

HRESULT CPlayerOutput::Start()
{
    if (m_startRequested || m_running)
        return S_FALSE;
    InterlockedExchange(&m_startRequested, 1);
    return S_OK;
}

HRESULT CPlayerOutput::GetFormatInfo(int, int*, BSTR*, int*)
{
    return E_FAIL;
}

HRESULT CPlayerOutput::StartFile(LPCWSTR, int)
{
    return E_FAIL;
}

HRESULT CPlayerOutput::Stop()
{
    return E_FAIL;
}

HRESULT CPlayerOutput::AttachInput(IPlayerInput* input, int)
{
    m_input = ComPtr<IPlayerInput>::copy(input);
    return S_OK;
}

HRESULT CPlayerOutput::DetachInput(IPlayerInput* input)
{
    if (input && input == m_input.get())
        m_input.reset();
    return S_OK;
}

HRESULT CPlayerOutput::SetProgressStatus(IProgressStatus* status)
{
    if (m_status)
        return E_FAIL;
    m_status = ComPtr<IProgressStatus>::copy(status);
    return S_OK;
}

HRESULT CPlayerOutput::Close()
{
    return S_OK;
}

bool CPlayerOutput::StartDeviceThread()
{
    AddRef();
    m_thread.reset(CreateSuspendedThread(DeviceThreadProc, this));
    if (!m_thread) {
        Release();
        return false;
    }
    SetThreadPriority(m_thread.get(), THREAD_PRIORITY_NORMAL);
    ResumeThread(m_thread.get());
    return true;
}

bool CPlayerOutput::WaitForDeviceThread()
{
    if (!m_thread)
        return true;
    const bool ended = WaitForSingleObject(m_thread.get(), kCloseWaitMs) == WAIT_OBJECT_0;
    m_thread.reset();
    return ended;
}

DWORD WINAPI CPlayerOutput::DeviceThreadProc(void* parameter)
{
    auto* output = static_cast<CPlayerOutput*>(parameter);
    ModuleCounts::AddActivity();
    {
        // The loop pulls the effects chain and drives device and writer objects.
        const CThreadCom com;
        // The thread's own reference on the input: the owner may detach it while the loop runs.
        const ComPtr<IPlayerInput> input = output->m_input;
        output->m_loopInput = input.get();
        if (input)
            input->OpenSource();
        output->RunDeviceLoop();
        output->m_loopInput = nullptr;
        if (input)
            input->CloseSource();
    }
    output->Release();
    ModuleCounts::RemoveActivity();
    return 0;
}
