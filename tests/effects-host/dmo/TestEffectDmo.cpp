#include "tests/effects-host/dmo/TestEffectDmo.h"

#include <dmoreg.h>
#include <mmreg.h>
#include <uuids.h>
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

LONG g_testEffectObjects = 0;

namespace {

class SectionLock {
public:
    explicit SectionLock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    ~SectionLock() { LeaveCriticalSection(&m_section); }
    SectionLock(const SectionLock&) = delete;
    SectionLock& operator=(const SectionLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

const WAVEFORMATEX* FormatOf(const DMO_MEDIA_TYPE* type)
{
    if (!IsEqualGUID(type->formattype, FORMAT_WaveFormatEx) || type->cbFormat < sizeof(WAVEFORMATEX) - 2 ||
        !type->pbFormat)
        return nullptr;
    return reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
}

// The platform's MoCopyMediaType / MoFreeMediaType, which mingw declares without C linkage.
HRESULT CopyType(DMO_MEDIA_TYPE* to, const DMO_MEDIA_TYPE* from)
{
    if (!to || !from)
        return E_POINTER;
    *to = *from;
    to->pUnk = nullptr;
    to->pbFormat = nullptr;
    if (from->cbFormat) {
        to->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from->cbFormat));
        if (!to->pbFormat)
            return E_OUTOFMEMORY;
        memcpy(to->pbFormat, from->pbFormat, from->cbFormat);
    }
    return S_OK;
}

void FreeType(DMO_MEDIA_TYPE* type)
{
    CoTaskMemFree(type->pbFormat);
    type->pbFormat = nullptr;
    type->cbFormat = 0;
}

}  // namespace

CTestEffectDmo::CTestEffectDmo(IUnknown* outer) : m_outer(outer ? outer : &m_inner)
{
    m_inner.owner = this;
    InitializeCriticalSection(&m_section);
    InterlockedIncrement(&g_testEffectObjects);
}

CTestEffectDmo::~CTestEffectDmo()
{
    if (m_hasInput)
        FreeType(&m_inputType);
    if (m_hasOutput)
        FreeType(&m_outputType);
    DeleteCriticalSection(&m_section);
    InterlockedDecrement(&g_testEffectObjects);
}

IUnknown* CTestEffectDmo::Create(IUnknown* outer)
{
    auto* dmo = new (std::nothrow) CTestEffectDmo(outer);
    return dmo ? &dmo->m_inner : nullptr;
}

HRESULT CTestEffectDmo::Inner::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CTestEffectDmo* dmo = owner;
    if (IsEqualIID(iid, IID_IUnknown))
        *object = this;
    else if (IsEqualIID(iid, IID_IMediaObject))
        *object = static_cast<IMediaObject*>(dmo);
    else if (IsEqualIID(iid, IID_IPersistStream) || IsEqualIID(iid, IID_IPersist))
        *object = static_cast<IPersistStream*>(dmo);
    else if (IsEqualIID(iid, IID_ISpecifyPropertyPages))
        *object = static_cast<ISpecifyPropertyPages*>(dmo);
    else if (IsEqualIID(iid, IID_ITestEffectSettings))
        *object = static_cast<ITestEffectSettings*>(dmo);
    else
        return E_NOINTERFACE;
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

ULONG CTestEffectDmo::Inner::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&owner->m_refCount));
}

ULONG CTestEffectDmo::Inner::Release()
{
    CTestEffectDmo* dmo = owner;
    const LONG count = InterlockedDecrement(&dmo->m_refCount);
    if (count == 0)
        delete dmo;
    return static_cast<ULONG>(count);
}

HRESULT CTestEffectDmo::QueryInterface(REFIID iid, void** object)
{
    return m_outer->QueryInterface(iid, object);
}

ULONG CTestEffectDmo::AddRef()
{
    return m_outer->AddRef();
}

ULONG CTestEffectDmo::Release()
{
    return m_outer->Release();
}

bool CTestEffectDmo::IsAcceptedType(const DMO_MEDIA_TYPE* type)
{
    if (!type || !IsEqualGUID(type->majortype, MEDIATYPE_Audio) || !IsEqualGUID(type->subtype, MEDIASUBTYPE_PCM))
        return false;
    const WAVEFORMATEX* format = FormatOf(type);
    if (!format || format->nChannels != 2 || format->nSamplesPerSec != 44100)
        return false;
    return (format->wFormatTag == WAVE_FORMAT_IEEE_FLOAT && format->wBitsPerSample == 32) ||
           (format->wFormatTag == WAVE_FORMAT_PCM && format->wBitsPerSample == 16);
}

void CTestEffectDmo::FaultIfAsked(const TestEffectSettings& settings, bool linking)
{
    if (((settings.flags & kTestEffectFaultOnLink) != 0) != linking)
        return;
    if (settings.flags & kTestEffectFaultAccess) {
        volatile int* volatile address = nullptr;
        *address = 1;
    }
    if (settings.flags & kTestEffectFaultFloat) {
        unsigned short x87 = 0;
        asm volatile("fnstcw %0" : "=m"(x87));
        x87 &= ~0x3F;
        asm volatile("fldcw %0" : : "m"(x87));
        _mm_setcsr(_mm_getcsr() & ~_MM_MASK_MASK);
        volatile float zero = 0.0f;
        volatile float quotient = 1.0f / zero;
        (void)quotient;
    }
}

WORD CTestEffectDmo::BlockAlign() const
{
    return m_hasInput ? FormatOf(&m_inputType)->nBlockAlign : 8;
}

HRESULT CTestEffectDmo::GetStreamCount(DWORD* inputs, DWORD* outputs)
{
    if (!inputs || !outputs)
        return E_POINTER;
    *inputs = 1;
    *outputs = 1;
    return S_OK;
}

HRESULT CTestEffectDmo::GetInputStreamInfo(DWORD index, DWORD* flags)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    if (!flags)
        return E_POINTER;
    *flags = 0;
    return S_OK;
}

HRESULT CTestEffectDmo::GetOutputStreamInfo(DWORD index, DWORD* flags)
{
    return GetInputStreamInfo(index, flags);
}

HRESULT CTestEffectDmo::GetInputType(DWORD index, DWORD, DMO_MEDIA_TYPE*)
{
    return index != 0 ? DMO_E_INVALIDSTREAMINDEX : DMO_E_NO_MORE_ITEMS;
}

HRESULT CTestEffectDmo::GetOutputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    SectionLock lock(m_section);
    if (!m_hasInput)
        return DMO_E_TYPE_NOT_SET;
    if (typeIndex > 0)
        return DMO_E_NO_MORE_ITEMS;
    return type ? CopyType(type, &m_inputType) : S_OK;
}

HRESULT CTestEffectDmo::SetInputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    SectionLock lock(m_section);
    if (flags & DMO_SET_TYPEF_CLEAR) {
        if (m_hasInput)
            FreeType(&m_inputType);
        m_hasInput = false;
        return S_OK;
    }
    if (!IsAcceptedType(type))
        return DMO_E_TYPE_NOT_ACCEPTED;
    if (flags & DMO_SET_TYPEF_TEST_ONLY)
        return S_OK;
    if (m_settings.flags & kTestEffectRefuseLink)
        return DMO_E_TYPE_NOT_ACCEPTED;
    FaultIfAsked(m_settings, true);
    if (m_hasInput)
        FreeType(&m_inputType);
    m_hasInput = SUCCEEDED(CopyType(&m_inputType, type));
    return m_hasInput ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTestEffectDmo::SetOutputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    SectionLock lock(m_section);
    if (flags & DMO_SET_TYPEF_CLEAR) {
        if (m_hasOutput)
            FreeType(&m_outputType);
        m_hasOutput = false;
        return S_OK;
    }
    // The output is the input's type: nothing is converted.
    if (!IsAcceptedType(type) ||
        (m_hasInput && memcmp(FormatOf(type), FormatOf(&m_inputType), sizeof(WAVEFORMATEX) - 2) != 0))
        return DMO_E_TYPE_NOT_ACCEPTED;
    if (flags & DMO_SET_TYPEF_TEST_ONLY)
        return S_OK;
    if (m_hasOutput)
        FreeType(&m_outputType);
    m_hasOutput = SUCCEEDED(CopyType(&m_outputType, type));
    return m_hasOutput ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTestEffectDmo::GetInputCurrentType(DWORD index, DMO_MEDIA_TYPE* type)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    SectionLock lock(m_section);
    if (!m_hasInput)
        return DMO_E_TYPE_NOT_SET;
    return CopyType(type, &m_inputType);
}

HRESULT CTestEffectDmo::GetOutputCurrentType(DWORD index, DMO_MEDIA_TYPE* type)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    SectionLock lock(m_section);
    if (!m_hasOutput)
        return DMO_E_TYPE_NOT_SET;
    return CopyType(type, &m_outputType);
}

HRESULT CTestEffectDmo::GetInputSizeInfo(DWORD index, DWORD* size, DWORD* lookahead, DWORD* alignment)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    if (!size || !lookahead || !alignment)
        return E_POINTER;
    SectionLock lock(m_section);
    *size = BlockAlign();
    *lookahead = 0;
    *alignment = 1;
    return S_OK;
}

HRESULT CTestEffectDmo::GetOutputSizeInfo(DWORD index, DWORD* size, DWORD* alignment)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    if (!size || !alignment)
        return E_POINTER;
    SectionLock lock(m_section);
    *size = BlockAlign();
    *alignment = 1;
    return S_OK;
}

HRESULT CTestEffectDmo::GetInputMaxLatency(DWORD, REFERENCE_TIME*)
{
    return E_NOTIMPL;
}

HRESULT CTestEffectDmo::SetInputMaxLatency(DWORD, REFERENCE_TIME)
{
    return E_NOTIMPL;
}

HRESULT CTestEffectDmo::Flush()
{
    SectionLock lock(m_section);
    m_line.clear();
    m_delayStarted = false;
    return S_OK;
}

HRESULT CTestEffectDmo::Discontinuity(DWORD index)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    // A new stream begins: what is held back belongs to the old one.
    SectionLock lock(m_section);
    m_line.clear();
    m_delayStarted = false;
    return S_OK;
}

HRESULT CTestEffectDmo::AllocateStreamingResources()
{
    return S_OK;
}

HRESULT CTestEffectDmo::FreeStreamingResources()
{
    return S_OK;
}

HRESULT CTestEffectDmo::GetInputStatus(DWORD index, DWORD* flags)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    if (!flags)
        return E_POINTER;
    *flags = DMO_INPUT_STATUSF_ACCEPT_DATA;
    return S_OK;
}

HRESULT CTestEffectDmo::ProcessInput(DWORD index, IMediaBuffer* buffer, DWORD, REFERENCE_TIME, REFERENCE_TIME)
{
    if (index != 0)
        return DMO_E_INVALIDSTREAMINDEX;
    if (!buffer)
        return E_POINTER;
    BYTE* data = nullptr;
    DWORD length = 0;
    HRESULT hr = buffer->GetBufferAndLength(&data, &length);
    if (FAILED(hr))
        return hr;
    SectionLock lock(m_section);
    if (!m_hasInput)
        return DMO_E_TYPE_NOT_SET;
    const DWORD block = BlockAlign();
    // A delay starts its stream with `latencyFrames` frames of silence; held back behind the
    // stream's end as a latent effect's frames are, they delay it by that much.
    if ((m_settings.flags & kTestEffectDelay) && !m_delayStarted) {
        m_line.insert(m_line.end(), static_cast<size_t>(m_settings.latencyFrames) * block, BYTE{0});
        m_delayStarted = true;
    }
    // The data is copied into the delay line at once: nothing of the caller's buffer is kept.
    m_line.insert(m_line.end(), data, data + length);
    m_pieceBytes = (m_settings.flags & kTestEffectSplit) ? std::max(block, (length / 2) / block * block) : length;
    return S_OK;
}

void CTestEffectDmo::Emit(BYTE* out, DWORD bytes)
{
    const bool isFloat = FormatOf(&m_inputType)->wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
    if (isFloat) {
        const auto* in = reinterpret_cast<const float*>(m_line.data());
        auto* dst = reinterpret_cast<float*>(out);
        for (DWORD i = 0; i < bytes / sizeof(float); ++i)
            dst[i] = in[i] * m_settings.gain;
    } else {
        const auto* in = reinterpret_cast<const int16_t*>(m_line.data());
        auto* dst = reinterpret_cast<int16_t*>(out);
        for (DWORD i = 0; i < bytes / sizeof(int16_t); ++i) {
            const float scaled = std::nearbyint(static_cast<float>(in[i]) * m_settings.gain);
            dst[i] = static_cast<int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
        }
    }
    m_line.erase(m_line.begin(), m_line.begin() + bytes);
}

HRESULT CTestEffectDmo::ProcessOutput(DWORD, DWORD count, DMO_OUTPUT_DATA_BUFFER* buffers, DWORD* status)
{
    if (count != 1 || !buffers || !status)
        return E_INVALIDARG;
    *status = 0;
    buffers[0].dwStatus = 0;
    SectionLock lock(m_section);
    if (!m_hasInput)
        return DMO_E_TYPE_NOT_SET;
    const DWORD latencyBytes = m_settings.latencyFrames * BlockAlign();
    const DWORD ready = m_line.size() > latencyBytes ? static_cast<DWORD>(m_line.size()) - latencyBytes : 0;
    if (ready == 0 || !buffers[0].pBuffer)
        return S_FALSE;
    BYTE* data = nullptr;
    DWORD length = 0;
    DWORD capacity = 0;
    HRESULT hr = buffers[0].pBuffer->GetBufferAndLength(&data, &length);
    if (SUCCEEDED(hr))
        hr = buffers[0].pBuffer->GetMaxLength(&capacity);
    if (FAILED(hr))
        return hr;
    const DWORD block = BlockAlign();
    const DWORD room = (capacity - length) / block * block;
    const DWORD bytes = std::min({ready, room, m_pieceBytes});
    Emit(data + length, bytes);
    buffers[0].pBuffer->SetLength(length + bytes);
    if (bytes < ready)
        buffers[0].dwStatus |= DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE;
    return S_OK;
}

HRESULT CTestEffectDmo::Lock(LONG)
{
    return S_OK;
}

HRESULT CTestEffectDmo::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_TestEffectDmo;
    return S_OK;
}

HRESULT CTestEffectDmo::IsDirty()
{
    SectionLock lock(m_section);
    return m_dirty ? S_OK : S_FALSE;
}

HRESULT CTestEffectDmo::Load(IStream* stream)
{
    if (!stream)
        return E_POINTER;
    TestEffectSettings settings{};
    ULONG read = 0;
    HRESULT hr = stream->Read(&settings, sizeof(settings), &read);
    if (FAILED(hr) || read != sizeof(settings))
        return E_FAIL;
    FaultIfAsked(settings, false);
    SectionLock lock(m_section);
    m_settings = settings;
    m_dirty = false;
    return S_OK;
}

HRESULT CTestEffectDmo::Save(IStream* stream, BOOL clearDirty)
{
    if (!stream)
        return E_POINTER;
    SectionLock lock(m_section);
    ULONG written = 0;
    HRESULT hr = stream->Write(&m_settings, sizeof(m_settings), &written);
    if (FAILED(hr) || written != sizeof(m_settings))
        return STG_E_CANTSAVE;
    if (clearDirty)
        m_dirty = false;
    return S_OK;
}

HRESULT CTestEffectDmo::GetSizeMax(ULARGE_INTEGER* size)
{
    if (!size)
        return E_POINTER;
    size->QuadPart = sizeof(TestEffectSettings);
    return S_OK;
}

HRESULT CTestEffectDmo::GetPages(CAUUID* pages)
{
    if (!pages)
        return E_POINTER;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_TestEffectPage;
    return S_OK;
}

HRESULT CTestEffectDmo::SetSettings(const TestEffectSettings* settings)
{
    if (!settings)
        return E_POINTER;
    SectionLock lock(m_section);
    m_settings = *settings;
    m_dirty = true;
    return S_OK;
}

HRESULT CTestEffectDmo::GetSettings(TestEffectSettings* settings)
{
    if (!settings)
        return E_POINTER;
    SectionLock lock(m_section);
    *settings = m_settings;
    return S_OK;
}
