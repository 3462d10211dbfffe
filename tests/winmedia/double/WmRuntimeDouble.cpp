#include "tests/winmedia/double/WmRuntimeDouble.h"

#include "classlib/com/UniqueHandle.h"
#include "tests/support/CountedDouble.h"
#include "tests/winmedia/double/WmInterfaceStubs.h"
#include "winmedia/WmMediaTypes.h"

#include <nserror.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>

namespace wmdouble {

namespace {

// The runtime's own codes for a missing attribute and a buffer too small.
constexpr HRESULT kNotFound = static_cast<HRESULT>(0xC00D07F0);
constexpr HRESULT kBufferTooSmall = static_cast<HRESULT>(0xC00D07D1);
constexpr DWORD kWavHeaderBytes = 44;

Recording* g_recording = nullptr;

// One QueryInterface over a list of interfaces of the same object, and its reference count.
#define DOUBLE_UNKNOWN                                                                                                 \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override                                       \
    {                                                                                                                  \
        if (!object)                                                                                                   \
            return E_POINTER;                                                                                          \
        *object = Find(iid);                                                                                           \
        if (!*object)                                                                                                  \
            return E_NOINTERFACE;                                                                                      \
        Add();                                                                                                         \
        return S_OK;                                                                                                   \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE AddRef() override                                                                          \
    {                                                                                                                  \
        return Add();                                                                                                  \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE Release() override                                                                         \
    {                                                                                                                  \
        return Drop();                                                                                                 \
    }

HRESULT GetAttribute(const AttributeStore& store, WORD* stream, LPCWSTR name, WMT_ATTR_DATATYPE* type, BYTE* value,
                     WORD* length)
{
    if (!stream || !name || !type || !length)
        return E_INVALIDARG;
    const auto found = store.find({*stream, name});
    if (found == store.end())
        return kNotFound;
    const Attribute& attribute = found->second;
    *type = attribute.type;
    if (value) {
        if (*length < attribute.value.size())
            return kBufferTooSmall;
        std::memcpy(value, attribute.value.data(), attribute.value.size());
    }
    *length = static_cast<WORD>(attribute.value.size());
    return S_OK;
}

HRESULT SetAttribute(AttributeStore& store, WORD stream, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                     WORD length)
{
    if (!name || (!value && length > 0))
        return E_INVALIDARG;
    store[{stream, name}] = {type, std::vector<BYTE>(value, value + length)};
    return S_OK;
}

class DoubleBuffer : public CountedDouble, public NotImplementedNSSBuffer {
public:
    explicit DoubleBuffer(DWORD size) : m_data(size), m_length(size) {}
    DOUBLE_UNKNOWN
    // GetLength stays unimplemented, as in Wine 8.
    HRESULT STDMETHODCALLTYPE SetLength(DWORD length) override
    {
        if (length > m_data.size())
            return E_INVALIDARG;
        m_length = length;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* length) override
    {
        *length = static_cast<DWORD>(m_data.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE** buffer, DWORD* length) override
    {
        *buffer = m_data.data();
        *length = m_length;
        return S_OK;
    }

private:
    void* Find(REFIID iid)
    {
        return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(INSSBuffer)) ? static_cast<INSSBuffer*>(this)
                                                                                      : nullptr;
    }
    std::vector<BYTE> m_data;
    DWORD m_length;
};

class DoubleOutputProps : public CountedDouble, public NotImplementedWMOutputMediaProps {
public:
    explicit DoubleOutputProps(const WAVEFORMATEX& format) : m_format(format) {}
    DOUBLE_UNKNOWN
    HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override
    {
        const DWORD needed = sizeof(WM_MEDIA_TYPE) + sizeof(WAVEFORMATEX);
        if (!type) {
            *size = needed;
            return S_OK;
        }
        if (*size < needed)
            return kBufferTooSmall;
        *type = {};
        type->majortype = WmMediaType::kAudio;
        type->subtype = WmMediaType::kPcm;
        type->bFixedSizeSamples = TRUE;
        type->lSampleSize = m_format.nBlockAlign;
        type->formattype = WmMediaType::kWaveFormatEx;
        type->cbFormat = sizeof(WAVEFORMATEX);
        type->pbFormat = reinterpret_cast<BYTE*>(type + 1);
        std::memcpy(type->pbFormat, &m_format, sizeof(WAVEFORMATEX));
        *size = needed;
        return S_OK;
    }

private:
    void* Find(REFIID iid)
    {
        return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IWMOutputMediaProps))
                   ? static_cast<IWMOutputMediaProps*>(this)
                   : nullptr;
    }
    WAVEFORMATEX m_format;
};

class DoubleSyncReader : public CountedDouble, public NotImplementedWMSyncReader, public NotImplementedWMHeaderInfo {
public:
    explicit DoubleSyncReader(Recording& recording) : m_recording(recording) {}
    DOUBLE_UNKNOWN
    HRESULT STDMETHODCALLTYPE Open(const WCHAR* name) override { return name ? S_OK : E_INVALIDARG; }
    HRESULT STDMETHODCALLTYPE Close() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetRange(QWORD start, LONGLONG) override
    {
        const QWORD frame = start * m_recording.outputFormat.nSamplesPerSec / 10000000;
        m_nextFrame = frame / m_recording.frameCount * m_recording.frameCount;
        ++m_recording.seeks;
        if (m_recording.lateSeeks > 0) {
            --m_recording.lateSeeks;
            m_nextFrame += m_recording.lateFrames;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNextSample(WORD stream, INSSBuffer** sample, QWORD* time, QWORD* duration, DWORD*,
                                            DWORD*, WORD*) override
    {
        const size_t frames = m_recording.decoded.size() / 2;
        if (stream != kAudioStreamNumber || m_nextFrame >= frames)
            return NS_E_NO_MORE_SAMPLES;
        const size_t count = std::min<size_t>(m_recording.frameCount, frames - m_nextFrame);
        auto* buffer = new DoubleBuffer(static_cast<DWORD>(count * 4));
        BYTE* data = nullptr;
        DWORD length = 0;
        buffer->GetBufferAndLength(&data, &length);
        std::memcpy(data, m_recording.decoded.data() + m_nextFrame * 2, length);
        *sample = buffer;
        const DWORD rate = m_recording.outputFormat.nSamplesPerSec;
        *time = m_nextFrame * 10000000ull / rate;
        *duration = count * 10000000ull / rate;
        m_nextFrame += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetReadStreamSamples(WORD stream, WINBOOL compressed) override
    {
        return stream == kAudioStreamNumber && !compressed ? S_OK : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetOutputCount(DWORD* outputs) override
    {
        *outputs = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetOutputProps(DWORD output, IWMOutputMediaProps** props) override
    {
        if (output != 0)
            return E_INVALIDARG;
        *props = new DoubleOutputProps(m_recording.outputFormat);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStreamNumberForOutput(DWORD output, WORD* stream) override
    {
        if (output != 0)
            return E_INVALIDARG;
        *stream = kAudioStreamNumber;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAttributeByName(WORD* stream, LPCWSTR name, WMT_ATTR_DATATYPE* type, BYTE* value,
                                                 WORD* length) override
    {
        return GetAttribute(m_recording.fileAttributes, stream, name, type, value, length);
    }

private:
    void* Find(REFIID iid)
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IWMSyncReader)))
            return static_cast<IWMSyncReader*>(this);
        if (IsEqualIID(iid, __uuidof(IWMHeaderInfo)))
            return static_cast<IWMHeaderInfo*>(this);
        return nullptr;
    }
    Recording& m_recording;
    size_t m_nextFrame = 0;
};

class DoubleEditor : public CountedDouble, public NotImplementedWMMetadataEditor, public NotImplementedWMHeaderInfo {
public:
    explicit DoubleEditor(Recording& recording) : m_recording(recording) {}
    DOUBLE_UNKNOWN
    HRESULT STDMETHODCALLTYPE Open(const WCHAR* name) override { return name ? S_OK : E_INVALIDARG; }
    HRESULT STDMETHODCALLTYPE Close() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Flush() override
    {
        m_recording.editorFlushed = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetAttribute(WORD stream, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                                           WORD length) override
    {
        return wmdouble::SetAttribute(m_recording.edited, stream, name, type, value, length);
    }

private:
    void* Find(REFIID iid)
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IWMMetadataEditor)))
            return static_cast<IWMMetadataEditor*>(this);
        if (IsEqualIID(iid, __uuidof(IWMHeaderInfo)))
            return static_cast<IWMHeaderInfo*>(this);
        return nullptr;
    }
    Recording& m_recording;
};

class DoubleInputProps : public CountedDouble, public NotImplementedWMInputMediaProps {
public:
    DOUBLE_UNKNOWN
    HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE* type) override
    {
        if (!type || (!type->pbFormat && type->cbFormat > 0))
            return E_INVALIDARG;
        m_type = *type;
        m_format.assign(type->pbFormat, type->pbFormat + type->cbFormat);
        return S_OK;
    }
    void CopyTo(Recording& recording) const
    {
        recording.inputMajorType = m_type.majortype;
        recording.inputSubtype = m_type.subtype;
        recording.inputFixedSize = m_type.bFixedSizeSamples;
        recording.inputTemporalCompression = m_type.bTemporalCompression;
        recording.inputFormatBytes = static_cast<DWORD>(m_format.size());
        recording.inputFormat = {};
        std::memcpy(&recording.inputFormat, m_format.data(), std::min(m_format.size(), sizeof(WAVEFORMATEX)));
    }

private:
    void* Find(REFIID iid)
    {
        return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IWMInputMediaProps))
                   ? static_cast<IWMInputMediaProps*>(this)
                   : nullptr;
    }
    WM_MEDIA_TYPE m_type = {};
    std::vector<BYTE> m_format;
};

class DoubleProfile : public CountedDouble, public NotImplementedWMProfile {
public:
    explicit DoubleProfile(const ProfileSpec& spec) : m_spec(spec) {}
    DOUBLE_UNKNOWN
    HRESULT STDMETHODCALLTYPE GetName(WCHAR* name, DWORD* length) override;
    HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD* count) override
    {
        *count = static_cast<DWORD>(m_spec.streams.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStreamByNumber(WORD number, IWMStreamConfig** config) override;
    const ProfileSpec& Spec() const { return m_spec; }

private:
    void* Find(REFIID iid)
    {
        return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IWMProfile)) ? static_cast<IWMProfile*>(this)
                                                                                      : nullptr;
    }
    ProfileSpec m_spec;
};

class DoubleStreamConfig : public CountedDouble, public NotImplementedWMStreamConfig {
public:
    explicit DoubleStreamConfig(const ProfileStream& stream) : m_stream(stream) {}
    DOUBLE_UNKNOWN
    HRESULT STDMETHODCALLTYPE GetStreamType(GUID* type) override
    {
        *type = m_stream.type;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBitrate(DWORD* bitRate) override
    {
        *bitRate = m_stream.bitRate;
        return S_OK;
    }

private:
    void* Find(REFIID iid)
    {
        return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IWMStreamConfig))
                   ? static_cast<IWMStreamConfig*>(this)
                   : nullptr;
    }
    ProfileStream m_stream;
};

HRESULT DoubleProfile::GetName(WCHAR* name, DWORD* length)
{
    const DWORD needed = static_cast<DWORD>(m_spec.name.size() + 1);
    if (name) {
        if (*length < needed)
            return kBufferTooSmall;
        std::memcpy(name, m_spec.name.c_str(), needed * sizeof(WCHAR));
    }
    *length = needed;
    return S_OK;
}

HRESULT DoubleProfile::GetStreamByNumber(WORD number, IWMStreamConfig** config)
{
    if (number == 0 || number > m_spec.streams.size())
        return NS_E_INVALID_STREAM;
    *config = new DoubleStreamConfig(m_spec.streams[number - 1]);
    return S_OK;
}

class DoubleProfileManager : public CountedDouble, public NotImplementedWMProfileManager2 {
public:
    explicit DoubleProfileManager(Recording& recording) : m_recording(recording) {}
    DOUBLE_UNKNOWN
    HRESULT STDMETHODCALLTYPE GetSystemProfileCount(DWORD* count) override
    {
        *count = static_cast<DWORD>(m_recording.profiles.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadSystemProfile(DWORD index, IWMProfile** profile) override
    {
        if (index >= m_recording.profiles.size())
            return E_INVALIDARG;
        *profile = new DoubleProfile(m_recording.profiles[index]);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSystemProfileVersion(WMT_VERSION version) override
    {
        m_recording.profileVersion = version;
        return S_OK;
    }

private:
    void* Find(REFIID iid)
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IWMProfileManager)) ||
            IsEqualIID(iid, __uuidof(IWMProfileManager2)))
            return static_cast<IWMProfileManager2*>(this);
        return nullptr;
    }
    Recording& m_recording;
};

// Writes the samples it receives as a 16-bit WAV file of the input format, so that an
// independent tool can read back what the library wrote.
class DoubleWriter : public CountedDouble, public NotImplementedWMWriter, public NotImplementedWMHeaderInfo {
public:
    explicit DoubleWriter(Recording& recording) : m_recording(recording) {}
    DOUBLE_UNKNOWN
    HRESULT STDMETHODCALLTYPE SetProfile(IWMProfile* profile) override
    {
        if (!profile)
            return E_INVALIDARG;
        m_recording.profileSet = static_cast<DoubleProfile*>(profile)->Spec().name;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetOutputFilename(const WCHAR* name) override
    {
        if (!name)
            return E_INVALIDARG;
        m_recording.outputPath = name;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetInputProps(DWORD input, IWMInputMediaProps** props) override
    {
        if (input != 0)
            return E_INVALIDARG;
        *props = new DoubleInputProps();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetInputProps(DWORD input, IWMInputMediaProps* props) override
    {
        if (input != 0 || !props)
            return E_INVALIDARG;
        static_cast<DoubleInputProps*>(props)->CopyTo(m_recording);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginWriting() override
    {
        m_file.reset(CreateFileW(m_recording.outputPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!m_file)
            return HRESULT_FROM_WIN32(GetLastError());
        if (m_recording.beginWritingFails) {
            // The file it made stays behind, closed.
            m_file.reset();
            return NS_E_INVALID_REQUEST;
        }
        m_recording.beganWriting = true;
        return WriteHeader();
    }
    HRESULT STDMETHODCALLTYPE EndWriting() override
    {
        if (!m_file)
            return NS_E_INVALID_REQUEST;
        const HRESULT hr = WriteHeader();
        m_file.reset();
        m_recording.endedWriting = true;
        return m_recording.endWritingFails ? NS_E_INVALID_REQUEST : hr;
    }
    HRESULT STDMETHODCALLTYPE AllocateSample(DWORD size, INSSBuffer** sample) override
    {
        *sample = new DoubleBuffer(size);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE WriteSample(DWORD input, QWORD time, DWORD, INSSBuffer* sample) override
    {
        if (input != 0 || !sample || !m_file)
            return E_INVALIDARG;
        if (m_recording.writesAlwaysFail || m_recording.writeFailuresLeft.fetch_sub(1) > 0)
            return NS_E_INVALID_REQUEST;
        BYTE* data = nullptr;
        DWORD length = 0;
        sample->GetBufferAndLength(&data, &length);
        DWORD written = 0;
        SetFilePointer(m_file.get(), 0, nullptr, FILE_END);
        if (!WriteFile(m_file.get(), data, length, &written, nullptr) || written != length)
            return E_FAIL;
        m_dataBytes += length;
        m_recording.sampleTimes.push_back(time);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Flush() override
    {
        return m_file && !m_recording.flushFails ? S_OK : NS_E_INVALID_REQUEST;
    }
    HRESULT STDMETHODCALLTYPE SetAttribute(WORD stream, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                                           WORD length) override
    {
        return wmdouble::SetAttribute(m_recording.written, stream, name, type, value, length);
    }

private:
    void* Find(REFIID iid)
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IWMWriter)))
            return static_cast<IWMWriter*>(this);
        if (IsEqualIID(iid, __uuidof(IWMHeaderInfo)))
            return static_cast<IWMHeaderInfo*>(this);
        return nullptr;
    }
    HRESULT WriteHeader()
    {
        const WAVEFORMATEX& f = m_recording.inputFormat;
        BYTE header[kWavHeaderBytes] = {};
        auto put32 = [&](size_t at, DWORD v) { std::memcpy(header + at, &v, 4); };
        auto put16 = [&](size_t at, WORD v) { std::memcpy(header + at, &v, 2); };
        std::memcpy(header, "RIFF", 4);
        put32(4, 36 + m_dataBytes);
        std::memcpy(header + 8, "WAVEfmt ", 8);
        put32(16, 16);
        put16(20, WAVE_FORMAT_PCM);
        put16(22, f.nChannels);
        put32(24, f.nSamplesPerSec);
        put32(28, f.nAvgBytesPerSec);
        put16(32, f.nBlockAlign);
        put16(34, f.wBitsPerSample);
        std::memcpy(header + 36, "data", 4);
        put32(40, m_dataBytes);
        DWORD written = 0;
        SetFilePointer(m_file.get(), 0, nullptr, FILE_BEGIN);
        return WriteFile(m_file.get(), header, sizeof(header), &written, nullptr) && written == sizeof(header) ? S_OK
                                                                                                               : E_FAIL;
    }

    Recording& m_recording;
    UniqueFile m_file;
    DWORD m_dataBytes = 0;
};

HRESULT WINAPI CreateSyncReader(IUnknown*, DWORD, IWMSyncReader** reader)
{
    *reader = new DoubleSyncReader(*g_recording);
    return S_OK;
}
HRESULT WINAPI CreateEditor(IWMMetadataEditor** editor)
{
    *editor = new DoubleEditor(*g_recording);
    return S_OK;
}
HRESULT WINAPI CreateWriter(IUnknown*, IWMWriter** writer)
{
    *writer = new DoubleWriter(*g_recording);
    return S_OK;
}
HRESULT WINAPI CreateProfileManager(IWMProfileManager** manager)
{
    *manager = new DoubleProfileManager(*g_recording);
    return S_OK;
}

}  // namespace

RuntimeDouble::RuntimeDouble()
{
    g_recording = &recording;
    m_runtime.createSyncReader = &CreateSyncReader;
    m_runtime.createEditor = &CreateEditor;
    m_runtime.createWriter = &CreateWriter;
    m_runtime.createProfileManager = &CreateProfileManager;
}

RuntimeDouble::~RuntimeDouble()
{
    g_recording = nullptr;
}

void RuntimeDouble::SetFileAttribute(WORD stream, const std::wstring& name, WMT_ATTR_DATATYPE type, const void* value,
                                     size_t size)
{
    const auto* bytes = static_cast<const BYTE*>(value);
    recording.fileAttributes[{stream, name}] = {type, std::vector<BYTE>(bytes, bytes + size)};
}

void RuntimeDouble::SetFileString(WORD stream, const std::wstring& name, const std::wstring& text)
{
    SetFileAttribute(stream, name, WMT_TYPE_STRING, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void RuntimeDouble::SetFileQword(WORD stream, const std::wstring& name, QWORD value)
{
    SetFileAttribute(stream, name, WMT_TYPE_QWORD, &value, sizeof(value));
}

void RuntimeDouble::SetFileSubItem(unsigned index, QWORD end, const wchar_t* title, const wchar_t* author,
                                   const wchar_t* album)
{
    const auto name = [index](const wchar_t* format) {
        wchar_t text[64];
        swprintf(text, std::size(text), format, index);
        return std::wstring(text);
    };
    SetFileQword(0, name(L"Kx/SubItemTrackEnd:%.3u"), end);
    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"Kx/SubItemTitle:%.3u", title}, {L"Kx/SubItemAuthor:%.3u", author}, {L"Kx/SubItemAlbumTitle:%.3u", album}};
    for (const auto& [format, text] : strings) {
        if (text)
            SetFileString(0, name(format), text);
    }
}

bool StringOf(const AttributeStore& store, WORD stream, const std::wstring& name, std::wstring& text)
{
    const auto found = store.find({stream, name});
    if (found == store.end() || found->second.type != WMT_TYPE_STRING)
        return false;
    const std::vector<BYTE>& bytes = found->second.value;
    text.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return true;
}

bool QwordOf(const AttributeStore& store, WORD stream, const std::wstring& name, QWORD& value)
{
    const auto found = store.find({stream, name});
    if (found == store.end() || found->second.type != WMT_TYPE_QWORD || found->second.value.size() != sizeof(QWORD))
        return false;
    std::memcpy(&value, found->second.value.data(), sizeof(value));
    return true;
}

}  // namespace wmdouble
