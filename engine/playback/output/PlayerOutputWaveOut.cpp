#include "engine/playback/output/PlayerOutputWaveOut.h"

namespace {

MMRESULT WINAPI PlatformWrite(HWAVEOUT device, WAVEHDR* header, UINT size)
{
    return waveOutWrite(device, header, size);
}

CPlayerOutputWaveOut::WriteFunction g_write = PlatformWrite;

}  // namespace

CPlayerOutputWaveOut::WriteFunction CPlayerOutputWaveOut::SetWriteFunction(WriteFunction write)
{
    return reinterpret_cast<WriteFunction>(InterlockedExchangePointer(
        reinterpret_cast<void* volatile*>(&g_write), reinterpret_cast<void*>(write ? write : PlatformWrite)));
}

CPlayerOutputWaveOut::CPlayerOutputWaveOut(UINT deviceId) : m_deviceId(deviceId) {}

CPlayerOutputWaveOut::~CPlayerOutputWaveOut()
{
    Close();
}

HRESULT CPlayerOutputWaveOut::Open()
{
    if (m_open || m_thread)
        return S_FALSE;
    if (!m_input)
        return E_FAIL;
    for (Slot& slot : m_slots) {
        if (!slot.memory.Allocate(BufferSize() / kSlotCount))
            return E_FAIL;
    }
    ResetEvent(m_stopEvent.get());
    InterlockedExchange(&m_open, 1);
    if (!StartDeviceThread()) {
        InterlockedExchange(&m_open, 0);
        return E_FAIL;
    }
    return S_OK;
}

void CALLBACK CPlayerOutputWaveOut::WaveOutCallback(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                                    DWORD_PTR)
{
    auto* output = reinterpret_cast<CPlayerOutputWaveOut*>(instance);
    if (message == WOM_DONE) {
        const auto* done = reinterpret_cast<const WAVEHDR*>(param1);
        for (Slot& slot : output->m_slots) {
            if (slot.header.lpData == done->lpData && slot.queued) {
                InterlockedExchange(&slot.queued, 0);
                InterlockedDecrement(&output->m_queuedCount);
            }
        }
    } else if (message == WOM_CLOSE) {
        for (Slot& slot : output->m_slots)
            InterlockedExchange(&slot.queued, 0);
    }
}

bool CPlayerOutputWaveOut::OpenDevice()
{
    if (m_device)
        return true;
    if (waveOutOpen(&m_device, m_deviceId, &m_format, reinterpret_cast<DWORD_PTR>(&WaveOutCallback),
                    reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        m_device = nullptr;
        return false;
    }
    waveOutReset(m_device);
    m_totalWritten = 0;
    return true;
}

void CPlayerOutputWaveOut::CloseDevice()
{
    if (!m_device)
        return;
    // The reset hands every queued header back (WOM_DONE) before it returns.
    waveOutReset(m_device);
    UnprepareDone();
    waveOutClose(m_device);
    m_device = nullptr;
    InterlockedExchange(&m_queuedCount, 0);
}

void CPlayerOutputWaveOut::UnprepareDone()
{
    for (Slot& slot : m_slots) {
        if (slot.prepared && !slot.queued) {
            waveOutUnprepareHeader(m_device, &slot.header, sizeof(slot.header));
            slot.prepared = false;
        }
    }
}

void CPlayerOutputWaveOut::QueueOne()
{
    if (!OpenDevice())
        return;
    UnprepareDone();
    for (Slot& slot : m_slots) {
        if (slot.queued)
            continue;
        slot.header = {};
        slot.header.lpData = reinterpret_cast<LPSTR>(slot.memory.Get());
        // Whole frames only: a header that ends inside a frame shifts every later sample.
        const auto bytes = static_cast<DWORD>(BufferSize() / kSlotCount);
        slot.header.dwBufferLength = bytes - bytes % (m_format.nBlockAlign ? m_format.nBlockAlign : 1);
        if (waveOutPrepareHeader(m_device, &slot.header, sizeof(slot.header)) != MMSYSERR_NOERROR)
            return;
        slot.prepared = true;
        m_loopInput->Read(slot.memory.Get(), slot.header.dwBufferLength);
        InterlockedExchange(&slot.queued, 1);
        if (g_write(m_device, &slot.header, sizeof(slot.header)) == MMSYSERR_NOERROR) {
            InterlockedIncrement(&m_queuedCount);
            m_totalWritten += slot.header.dwBufferLength;
        } else {
            // No WOM_DONE comes for a header the device refused: the slot is free again, or four
            // refusals would stall the output for good.
            InterlockedExchange(&slot.queued, 0);
            waveOutUnprepareHeader(m_device, &slot.header, sizeof(slot.header));
            slot.prepared = false;
        }
        return;
    }
}

LONGLONG CPlayerOutputWaveOut::BufferedBytes()
{
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(m_device, &time, sizeof(time)) != MMSYSERR_NOERROR || time.wType != TIME_BYTES)
        return 0;
    const LONGLONG buffered = m_totalWritten - static_cast<LONGLONG>(time.u.cb);
    return buffered < 0 || buffered > static_cast<LONGLONG>(BufferSize()) ? 0 : buffered;
}

void CPlayerOutputWaveOut::RunDeviceLoop()
{
    if (!m_loopInput || FAILED(m_loopInput->GetFormat(&m_format)) || !OpenDevice()) {
        InterlockedExchange(&m_open, 0);
        return;
    }
    while (WaitForSingleObject(m_stopEvent.get(), kPassMs) == WAIT_TIMEOUT) {
        CSingleThreadLock lock(&m_section);
        if (m_resetPending) {
            CloseDevice();
            m_resetPending = false;
        }
        if (m_startRequested && m_loopInput->IsDataReady() == S_OK) {
            InterlockedExchange(&m_running, 1);
            m_loopInput->SetActive(TRUE);
            InterlockedExchange(&m_startRequested, 0);
        }
        if (m_running) {
            for (int i = 0; i < kSlotCount && m_queuedCount < kSlotCount; ++i)
                QueueOne();
            if (m_device)
                m_loopInput->SetBufferedBytes(BufferedBytes());
        } else if (m_device) {
            CloseDevice();
        }
    }
    CloseDevice();
}

HRESULT CPlayerOutputWaveOut::Stop()
{
    CSingleThreadLock lock(&m_section);
    if (m_input)
        m_input->SetActive(FALSE);
    // A start still waiting for data is dropped too: a stopped stream must not begin on its own.
    InterlockedExchange(&m_startRequested, 0);
    InterlockedExchange(&m_running, 0);
    m_resetPending = true;
    return S_OK;
}

HRESULT CPlayerOutputWaveOut::Close()
{
    SetEvent(m_stopEvent.get());
    WaitForDeviceThread();
    InterlockedExchange(&m_running, 0);
    InterlockedExchange(&m_open, 0);
    return S_OK;
}
