// CTestEffectDmo: the test effect (see TestEffect.h). Aggregatable, as the platform's DMO wrapper
// filter creates it: its own IUnknown counts and answers, the interfaces forward to the outer
// object. Threads: the wrapper's streaming calls and a test's settings calls may meet, so one
// section guards the state.
#pragma once

#include "tests/effects-host/dmo/TestEffect.h"

#include <dmo.h>
#include <ocidl.h>

#include <vector>

class CTestEffectDmo : public IMediaObject,
                       public IPersistStream,
                       public ISpecifyPropertyPages,
                       public ITestEffectSettings {
public:
    // outer NULL: the object is its own outer. The result carries one reference.
    static IUnknown* Create(IUnknown* outer);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IMediaObject
    HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD* inputs, DWORD* outputs) override;
    HRESULT STDMETHODCALLTYPE GetInputStreamInfo(DWORD index, DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE GetOutputStreamInfo(DWORD index, DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE GetInputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetOutputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE SetInputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetOutputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetInputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetOutputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetInputSizeInfo(DWORD index, DWORD* size, DWORD* lookahead, DWORD* alignment) override;
    HRESULT STDMETHODCALLTYPE GetOutputSizeInfo(DWORD index, DWORD* size, DWORD* alignment) override;
    HRESULT STDMETHODCALLTYPE GetInputMaxLatency(DWORD index, REFERENCE_TIME* latency) override;
    HRESULT STDMETHODCALLTYPE SetInputMaxLatency(DWORD index, REFERENCE_TIME latency) override;
    HRESULT STDMETHODCALLTYPE Flush() override;
    HRESULT STDMETHODCALLTYPE Discontinuity(DWORD index) override;
    HRESULT STDMETHODCALLTYPE AllocateStreamingResources() override;
    HRESULT STDMETHODCALLTYPE FreeStreamingResources() override;
    HRESULT STDMETHODCALLTYPE GetInputStatus(DWORD index, DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE ProcessInput(DWORD index, IMediaBuffer* buffer, DWORD flags, REFERENCE_TIME time,
                                           REFERENCE_TIME length) override;
    HRESULT STDMETHODCALLTYPE ProcessOutput(DWORD flags, DWORD count, DMO_OUTPUT_DATA_BUFFER* buffers,
                                            DWORD* status) override;
    HRESULT STDMETHODCALLTYPE Lock(LONG lock) override;

    // IPersistStream
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

    // ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

    // ITestEffectSettings
    HRESULT STDMETHODCALLTYPE SetSettings(const TestEffectSettings* settings) override;
    HRESULT STDMETHODCALLTYPE GetSettings(TestEffectSettings* settings) override;

private:
    // The object's own IUnknown (the inner one when aggregated).
    struct Inner : public IUnknown {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        CTestEffectDmo* owner;
    };

    explicit CTestEffectDmo(IUnknown* outer);
    virtual ~CTestEffectDmo();
    // A type the effect takes: stereo 44100 Hz, float 32 or PCM 16.
    static bool IsAcceptedType(const DMO_MEDIA_TYPE* type);
    WORD BlockAlign() const;
    // Faults as the settings ask, when `linking` matches their kTestEffectFaultOnLink.
    static void FaultIfAsked(const TestEffectSettings& settings, bool linking);
    // Moves `bytes` from the front of the held data into out, scaled by the gain.
    void Emit(BYTE* out, DWORD bytes);

    Inner m_inner;
    IUnknown* m_outer;
    volatile LONG m_refCount = 1;
    CRITICAL_SECTION m_section;
    TestEffectSettings m_settings = {1.0f, 0, 0};
    bool m_dirty = false;
    DMO_MEDIA_TYPE m_inputType{};
    DMO_MEDIA_TYPE m_outputType{};
    bool m_hasInput = false;
    bool m_hasOutput = false;
    // Input not yet given out: the last latency frames stay here until more input comes.
    std::vector<BYTE> m_line;
    // With kTestEffectDelay: whether the stream's leading zeros are in the line.
    bool m_delayStarted = false;
    DWORD m_pieceBytes = 0;
};
