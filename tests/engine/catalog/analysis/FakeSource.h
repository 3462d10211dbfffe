// Stand-ins for a catalog item as the analysis sees it: a source that opens a WAV file through the
// engine's WAV reader, or a reader over samples in memory that can hold its first read until the
// test opens a gate (so that a test can cancel a job while it builds its thumbnails) and can
// offer a frame-offset table as an MP3 reader does.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/catalog/analysis/ProfileSource.h"
#include "engine/playback/sources/Mp3ReaderBinding.h"
#include "engine/playback/sources/WaveReader.h"
#include "interfaces/IUiUpdateQueue.h"
#include "tests/support/CountedDouble.h"

namespace profiler_test {

class MemoryReader : public IPcmReader, private CountedDouble {
public:
    MemoryReader(std::vector<int16_t> samples, HANDLE gate, std::vector<BYTE> frameTable)
        : m_samples(std::move(samples)), m_gate(gate), m_frameTable(std::move(frameTable))
    {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Drop(); }
    HRESULT STDMETHODCALLTYPE Open(BSTR, long) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetFormatInfo(unsigned char* info) override
    {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = 44100;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = 44100 * 4;
        std::memcpy(info, &format, 18);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsValid() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetStreamLength(LONGLONG* length) override
    {
        *length = static_cast<LONGLONG>(m_samples.size()) * 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSampleCount(LONGLONG* count) override
    {
        *count = static_cast<LONGLONG>(m_samples.size() / 2);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSampleRate(unsigned long* rate) override
    {
        *rate = 44100;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadPcm(unsigned char* data, LONGLONG position, unsigned long length) override
    {
        InterlockedExchange(&s_lastReadPriority, GetThreadPriority(GetCurrentThread()));
        if (m_gate) {
            WaitForSingleObject(m_gate, INFINITE);
            m_gate = nullptr;
        }
        const LONGLONG total = static_cast<LONGLONG>(m_samples.size()) * 2;
        for (unsigned long i = 0; i < length; ++i) {
            const LONGLONG at = position + i;
            data[i] = at < total ? reinterpret_cast<const BYTE*>(m_samples.data())[at] : 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShutDown() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetFrameOffsetArray(unsigned char* data, unsigned long* size) override
    {
        if (m_frameTable.empty())
            return E_NOTIMPL;
        if (data && *size >= m_frameTable.size())
            std::memcpy(data, m_frameTable.data(), m_frameTable.size());
        *size = static_cast<unsigned long>(m_frameTable.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FrameOffsetArrayReq() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetFrameOffsetArray(unsigned char*, unsigned long) override { return E_NOTIMPL; }

    // The priority of the thread that last read samples.
    static inline volatile LONG s_lastReadPriority = THREAD_PRIORITY_ERROR_RETURN;

private:
    ~MemoryReader() override = default;

    std::vector<int16_t> m_samples;
    HANDLE m_gate;
    std::vector<BYTE> m_frameTable;
};

class FakeSource : public IProfileSource {
public:
    // A source over a WAV file, or an MP3 file (by its extension) read through the MP3 library.
    FakeSource(DWORD itemId, const CMusicFileId& id, std::wstring wavPath, IUiUpdateQueue* queue = nullptr)
        : m_itemId(itemId), m_id(id), m_wavPath(std::move(wavPath)), m_queue(queue)
    {}
    // A source over interleaved 16-bit stereo samples at 44100 Hz.
    FakeSource(DWORD itemId, const CMusicFileId& id, std::vector<int16_t> samples, IUiUpdateQueue* queue = nullptr)
        : m_itemId(itemId), m_id(id), m_samples(std::move(samples)), m_queue(queue)
    {}
    virtual ~FakeSource() = default;

    void SetGate(HANDLE gate) { m_gate = gate; }
    void SetFrameTable(std::vector<BYTE> table) { m_frameTable = std::move(table); }
    void SetOpenFails() { m_openFails = true; }
    LONG Refs() const { return m_refs; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *object = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        if (IsEqualIID(iid, IID_IUiUpdateQueue) && m_queue)
            return m_queue->QueryInterface(iid, object);
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&m_refs)); }

    DWORD STDMETHODCALLTYPE GetItemId() override { return m_itemId; }
    HRESULT STDMETHODCALLTYPE OpenPcmReader(BOOL profiling, IPcmReader** reader) override
    {
        *reader = nullptr;
        if (m_openFails)
            return E_FAIL;
        if (m_wavPath.empty()) {
            *reader = new MemoryReader(m_samples, m_gate, m_frameTable);
            return S_OK;
        }
        IPcmReader* opened = nullptr;
        const bool mp3 = m_wavPath.size() > 4 && m_wavPath.compare(m_wavPath.size() - 4, 4, L".mp3") == 0;
        if (!mp3)
            opened = new CWaveReader();
        else if (FAILED(CreateMp3PcmReader(&opened)))
            return E_FAIL;
        BSTR path = SysAllocString(m_wavPath.c_str());
        const HRESULT hr = opened->Open(path, profiling);
        SysFreeString(path);
        if (FAILED(hr)) {
            opened->Release();
            return hr;
        }
        *reader = opened;
        return S_OK;
    }
    BOOL STDMETHODCALLTYPE ComputeMusicFileId(CMusicFileId* id) override
    {
        if (!m_id.IsValid())
            return FALSE;
        *id = m_id;
        return TRUE;
    }

private:
    volatile LONG m_refs = 1;
    DWORD m_itemId;
    CMusicFileId m_id;
    std::wstring m_wavPath;
    std::vector<int16_t> m_samples;
    IUiUpdateQueue* m_queue;
    HANDLE m_gate = nullptr;
    std::vector<BYTE> m_frameTable;
    bool m_openFails = false;
};

}  // namespace profiler_test
