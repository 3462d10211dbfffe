// A test input stage for the writer: a known 16-bit stereo stream at 44100 Hz that reports no
// data ready for its first calls, counts its references (it lives on the test's stack) and logs
// how the writer drives it. It can ask the export's progress object to cancel once a given
// number of bytes was read.
#pragma once

#include "interfaces/IPlayerInput.h"
#include "interfaces/IProgressStatus.h"

#include <atomic>
#include <cstdint>
#include <vector>

class WriterInput : public IPlayerInput {
public:
    explicit WriterInput(std::vector<int16_t> samples, int notReadyCalls = 5);
    virtual ~WriterInput() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&count)); }
    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override;
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) override;
    HRESULT STDMETHODCALLTYPE SetActive(BOOL active) override;
    HRESULT STDMETHODCALLTYPE IsActive() override;
    HRESULT STDMETHODCALLTYPE OpenSource() override;
    HRESULT STDMETHODCALLTYPE CloseSource() override;
    HRESULT STDMETHODCALLTYPE GetLength(LONGLONG* bytes) override;
    HRESULT STDMETHODCALLTYPE IsDataReady() override;
    HRESULT STDMETHODCALLTYPE Disconnect() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Rewind() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsFlagSet() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Seek(LONGLONG) override { return E_NOTIMPL; }
    int STDMETHODCALLTYPE HasDiscontinuity() override { return 0; }
    void STDMETHODCALLTYPE DeleteThis(unsigned) override {}
    void STDMETHODCALLTYPE EnableActivation(BOOL) override {}

    const std::vector<int16_t>& Samples() const { return m_samples; }
    size_t Bytes() const { return m_samples.size() * sizeof(int16_t); }

    volatile LONG count = 1;
    WORD blockAlign = 4;
    // Set: RequestCancel once this many bytes were read.
    IProgressStatus* cancelTarget = nullptr;
    size_t cancelAfterBytes = 0;
    // What the writer did, in order: 'O'pen source, 'A'ctive, 'I'nactive, 'C'lose source.
    std::vector<char> log;
    std::atomic<int> notReadyAnswers{0};
    std::atomic<bool> bufferedCleared{false};

private:
    std::vector<int16_t> m_samples;
    size_t m_readBytes = 0;
    int m_notReadyLeft;
};
