#include "winmedia/PcmReaderWma.h"

#include "winmedia/WmAttributeNames.h"
#include "winmedia/WmMediaTypes.h"

#include <nserror.h>
#include <wmsbuffer.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr LONGLONG kTimeUnitsPerSecond = 10000000;  // runtime times are in 100 ns units
// Size of the media-type record an output's format is read into.
constexpr DWORD kMediaTypeBufferSize = 1024;
// Seeks that land after the requested position are tried again from further back, at most
// this often; the last try starts the stream from its beginning.
constexpr unsigned kMaxSeekAttempts = 4;
// Extra distance of a repeated seek, beyond twice the overshoot (about 50 ms of CD audio).
constexpr int64_t kSeekBackoffBytes = 8820;
constexpr unsigned kMaxSubItems = 9999;
constexpr size_t kFormatBytes = 18;  // WAVEFORMATEX including cbSize

BSTR NewBstr(const std::vector<BYTE>& utf16)
{
    size_t chars = utf16.size() / sizeof(wchar_t);
    const auto* text = reinterpret_cast<const wchar_t*>(utf16.data());
    while (chars > 0 && text[chars - 1] == L'\0')
        --chars;
    return SysAllocStringLen(text, static_cast<UINT>(chars));
}

}  // namespace

HRESULT CPcmReaderWma::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPcmReader))
        return Give(static_cast<IPcmReader*>(this), object);
    if (IsEqualIID(iid, IID_IPcmReaderWma))
        return Give(static_cast<IPcmReaderWma*>(this), object);
    return E_NOINTERFACE;
}

HRESULT CPcmReaderWma::Open(BSTR bstrFileName, long)
{
    if (!bstrFileName)
        return E_POINTER;
    if (m_reader || m_editor)
        return E_FAIL;
    HRESULT hr = m_runtime.CreateSyncReader(m_reader.put());
    if (SUCCEEDED(hr) && !m_reader)
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = m_reader->Open(bstrFileName);
    if (FAILED(hr)) {
        m_reader.reset();
        return hr;
    }
    // Without an audio output there is no block align to count samples by: the file stays
    // unopened.
    if (!ChooseAudioOutput())
        return E_FAIL;

    // The runtime keeps the duration at file level (stream 0), not at the audio stream.
    WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
    std::vector<BYTE> value;
    hr = ReadAttributeAt(0, WmAttribute::kDuration, type, value);
    if (FAILED(hr))
        return hr;
    if (type != WMT_TYPE_QWORD || value.size() != sizeof(QWORD))
        return E_FAIL;
    QWORD duration = 0;
    std::memcpy(&duration, value.data(), sizeof(duration));
    const double bytes = static_cast<double>(m_format.nSamplesPerSec) * m_format.nBlockAlign *
                             static_cast<double>(duration) / kTimeUnitsPerSecond +
                         0.5;
    m_sampleCount = static_cast<LONGLONG>(bytes) / m_format.nBlockAlign;
    m_decodableEnd = m_sampleCount * m_format.nBlockAlign;
    m_open = m_sampleCount > 0;
    return m_open ? S_OK : E_FAIL;
}

bool CPcmReaderWma::ChooseAudioOutput()
{
    DWORD outputs = 0;
    if (FAILED(m_reader->GetOutputCount(&outputs)))
        return false;
    for (DWORD output = 0; output < outputs; ++output) {
        ComPtr<IWMOutputMediaProps> props;
        if (FAILED(m_reader->GetOutputProps(output, props.put())) || !props)
            continue;
        alignas(WM_MEDIA_TYPE) BYTE buffer[kMediaTypeBufferSize] = {};
        DWORD size = sizeof(buffer);
        auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer);
        if (FAILED(props->GetMediaType(type, &size)) || size < sizeof(WM_MEDIA_TYPE))
            continue;
        if (!IsEqualGUID(type->majortype, WmMediaType::kAudio) ||
            !IsEqualGUID(type->formattype, WmMediaType::kWaveFormatEx) || !type->pbFormat ||
            type->cbFormat < sizeof(WAVEFORMAT) + sizeof(WORD))
            continue;
        WAVEFORMATEX format = {};
        std::memcpy(&format, type->pbFormat, std::min<size_t>(type->cbFormat, kFormatBytes));
        if (type->cbFormat < kFormatBytes)
            format.cbSize = 0;
        if (format.nBlockAlign == 0 || format.nSamplesPerSec == 0)
            continue;
        WORD stream = 0;
        if (FAILED(m_reader->GetStreamNumberForOutput(output, &stream)) ||
            FAILED(m_reader->SetReadStreamSamples(stream, FALSE)))
            continue;
        m_format = format;
        m_streamNumber = stream;
        return true;
    }
    return false;
}

HRESULT CPcmReaderWma::GetFormatInfo(unsigned char* pwfInfo)
{
    if (!pwfInfo)
        return E_POINTER;
    if (!m_open)
        return E_FAIL;
    std::memcpy(pwfInfo, &m_format, kFormatBytes);
    return S_OK;
}

HRESULT CPcmReaderWma::IsValid()
{
    return m_open ? S_OK : S_FALSE;
}

HRESULT CPcmReaderWma::GetStreamLength(LONGLONG* pllByteLength)
{
    if (!pllByteLength)
        return E_POINTER;
    *pllByteLength = m_sampleCount * m_format.nBlockAlign;
    return S_OK;
}

HRESULT CPcmReaderWma::GetSampleCount(LONGLONG* pllSampleCount)
{
    if (!pllSampleCount)
        return E_POINTER;
    *pllSampleCount = m_sampleCount;
    return S_OK;
}

HRESULT CPcmReaderWma::GetSampleRate(unsigned long* puSampleRate)
{
    if (!puSampleRate)
        return E_POINTER;
    *puSampleRate = m_format.nSamplesPerSec;
    return S_OK;
}

HRESULT CPcmReaderWma::LoadPcm(unsigned char* pbData, LONGLONG llStreamBytePos, unsigned long uLength)
{
    if (!pbData && uLength > 0)
        return E_POINTER;
    if (!m_open || !m_reader)
        return E_FAIL;
    BYTE* destination = pbData;
    size_t left = uLength;
    int64_t position = llStreamBytePos;
    // Before the stream's start there is nothing but silence.
    if (position < 0) {
        const size_t before = static_cast<size_t>(std::min<int64_t>(-position, static_cast<int64_t>(left)));
        std::memset(destination, 0, before);
        destination += before;
        left -= before;
        position += static_cast<int64_t>(before);
    }

    unsigned failedTries = 0;
    for (unsigned pass = 0; pass < kMaxPasses && left > 0; ++pass) {
        const size_t leftBefore = left;
        m_cache.Read(destination, left, position);
        if (left == 0 || position >= m_decodableEnd)
            break;
        const bool justAhead = position >= m_decodePosition && position < m_decodePosition + kSeekWindow;
        bool decoded = false;
        if (justAhead) {
            int64_t sampleStart = 0;
            decoded = SUCCEEDED(DecodeNext(&sampleStart, 0));
        } else {
            decoded = SeekTo(position);
        }
        if (decoded || left < leftBefore) {
            failedTries = 0;
        } else if (++failedTries >= kMaxFailedTries) {
            break;
        }
    }
    std::memset(destination, 0, left);
    return left == 0 ? S_OK : S_FALSE;
}

HRESULT CPcmReaderWma::DecodeNext(int64_t* sampleStart, int64_t keepFrom)
{
    ComPtr<INSSBuffer> sample;
    QWORD time = 0;
    QWORD duration = 0;
    DWORD flags = 0;
    DWORD output = 0;
    WORD stream = 0;
    HRESULT hr = m_reader->GetNextSample(m_streamNumber, sample.put(), &time, &duration, &flags, &output, &stream);
    if (hr == NS_E_NO_MORE_SAMPLES && m_decodePosition >= 0) {
        // Decoding on from here gives nothing more: whatever lies beyond reads as silence.
        m_decodableEnd = std::min(m_decodableEnd, m_decodePosition);
        return hr;
    }
    if (FAILED(hr))
        return hr;
    if (!sample)
        return E_FAIL;
    BYTE* data = nullptr;
    DWORD length = 0;
    // The runtime's GetLength is not implemented everywhere (Wine 8): ask for both at once.
    hr = sample->GetBufferAndLength(&data, &length);
    if (FAILED(hr))
        return hr;
    if (!data)
        return E_FAIL;
    // Unknown before the first sample and after a seek: the sample's time stamp places it.
    if (m_decodePosition < 0)
        m_decodePosition = BytesOfTime(time);
    length -= length % m_format.nBlockAlign;
    if (m_decodePosition + static_cast<int64_t>(length) > keepFrom && !m_cache.Add(data, length, m_decodePosition))
        return E_OUTOFMEMORY;
    *sampleStart = m_decodePosition;
    m_decodePosition += length;
    return S_OK;
}

bool CPcmReaderWma::SeekTo(int64_t position)
{
    ++m_seekCount;
    // The decoder's first frames after a seek lack the overlap of the frames before them: the
    // seek starts a run-in earlier and that stretch is decoded but not kept, unless the seek
    // lands at the stream's very start.
    const int64_t runIn = kRunInFrames * m_format.nBlockAlign;
    int64_t target = std::max<int64_t>(0, position - runIn);
    target -= target % m_format.nBlockAlign;
    int64_t landed = 0;
    for (unsigned attempt = 1;; ++attempt) {
        if (FAILED(m_reader->SetRange(TimeOfBytes(target), 0)))
            return false;
        m_decodePosition = kNoDecodePosition;
        const HRESULT hr = DecodeNext(&landed, target == 0 ? 0 : INT64_MAX);
        if (FAILED(hr)) {
            if (hr == NS_E_NO_MORE_SAMPLES)
                m_decodableEnd = std::min(m_decodableEnd, target);
            return false;
        }
        if (landed == 0 || landed + runIn <= position)
            break;
        if (target == 0)
            return false;
        // Landed too late: try again from further back, the last time from the start.
        const int64_t overshoot = landed + runIn - position;
        target = attempt + 1 >= kMaxSeekAttempts ? 0 : std::max<int64_t>(0, target - 2 * overshoot - kSeekBackoffBytes);
        target -= target % m_format.nBlockAlign;
    }
    const int64_t keepFrom = landed == 0 ? 0 : landed + runIn;
    while (m_decodePosition <= position) {
        int64_t sampleStart = 0;
        if (FAILED(DecodeNext(&sampleStart, keepFrom)))
            break;
    }
    return true;
}

int64_t CPcmReaderWma::BytesOfTime(QWORD time) const
{
    const int64_t frames =
        static_cast<int64_t>((time * m_format.nSamplesPerSec + kTimeUnitsPerSecond / 2) / kTimeUnitsPerSecond);
    return frames * m_format.nBlockAlign;
}

QWORD CPcmReaderWma::TimeOfBytes(int64_t bytes) const
{
    return static_cast<QWORD>(bytes / m_format.nBlockAlign) * kTimeUnitsPerSecond / m_format.nSamplesPerSec;
}

HRESULT CPcmReaderWma::ShutDown()
{
    HRESULT result = S_OK;
    if (m_reader) {
        m_reader->Close();
        m_reader.reset();
    }
    if (m_editor) {
        // Flush writes the changed attributes and closes the file.
        result = m_editor->Flush();
        m_editor->Close();
        m_editor.reset();
    }
    m_open = false;
    m_cache.Clear();
    return FAILED(result) ? result : S_OK;
}

HRESULT CPcmReaderWma::GetFrameOffsetArray(unsigned char*, unsigned long*)
{
    return E_NOTIMPL;
}

HRESULT CPcmReaderWma::FrameOffsetArrayReq()
{
    return S_FALSE;
}

HRESULT CPcmReaderWma::SetFrameOffsetArray(unsigned char*, unsigned long)
{
    return S_FALSE;
}

HRESULT CPcmReaderWma::ReadAttributeAt(WORD stream, const wchar_t* name, WMT_ATTR_DATATYPE& type,
                                       std::vector<BYTE>& value)
{
    ComPtr<IWMHeaderInfo> header;
    HRESULT hr = m_reader.query(__uuidof(IWMHeaderInfo), header);
    if (FAILED(hr))
        return hr;
    WORD length = 0;
    WORD asked = stream;
    hr = header->GetAttributeByName(&asked, name, &type, nullptr, &length);
    if (FAILED(hr))
        return hr;
    value.assign(length, 0);
    if (length == 0)
        return S_OK;
    asked = stream;
    hr = header->GetAttributeByName(&asked, name, &type, value.data(), &length);
    value.resize(std::min<size_t>(length, value.size()));
    return hr;
}

HRESULT CPcmReaderWma::ReadAttribute(const wchar_t* name, WMT_ATTR_DATATYPE& type, std::vector<BYTE>& value)
{
    const HRESULT hr = ReadAttributeAt(0, name, type, value);
    if (SUCCEEDED(hr) || m_streamNumber == 0)
        return hr;
    return ReadAttributeAt(m_streamNumber, name, type, value);
}

HRESULT CPcmReaderWma::ReadString(const wchar_t* name, BSTR* text)
{
    WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
    std::vector<BYTE> value;
    if (FAILED(ReadAttribute(name, type, value)) || type != WMT_TYPE_STRING)
        return S_FALSE;
    *text = NewBstr(value);
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT CPcmReaderWma::WriteAttribute(const wchar_t* name, WMT_ATTR_DATATYPE type, const BYTE* value, size_t length)
{
    if (length > 0xFFFF)
        return E_INVALIDARG;
    ComPtr<IWMHeaderInfo> header;
    const HRESULT hr = m_editor.query(__uuidof(IWMHeaderInfo), header);
    if (FAILED(hr))
        return hr;
    return header->SetAttribute(0, name, type, value, static_cast<WORD>(length));
}

HRESULT CPcmReaderWma::GetMetaDataString(DWORD dwCatItemId, BSTR* pbstrData)
{
    if (!pbstrData)
        return E_POINTER;
    *pbstrData = nullptr;
    const wchar_t* name = WmAttribute::NameOfCatalogId(dwCatItemId);
    if (!name || !m_open || !m_reader)
        return E_FAIL;
    const HRESULT hr = ReadString(name, pbstrData);
    return hr == S_FALSE ? E_FAIL : hr;
}

HRESULT CPcmReaderWma::SetMetaDataString(DWORD dwCatItemId, BSTR bstrData)
{
    const wchar_t* name = WmAttribute::NameOfCatalogId(dwCatItemId);
    const size_t chars = bstrData ? SysStringLen(bstrData) : 0;
    if (!name || chars == 0 || !m_open || !m_editor)
        return E_FAIL;
    return WriteAttribute(name, WMT_TYPE_STRING, reinterpret_cast<const BYTE*>(bstrData),
                          (chars + 1) * sizeof(wchar_t));
}

HRESULT CPcmReaderWma::MetaEditOpen(BSTR bstrFileName)
{
    if (!bstrFileName)
        return E_POINTER;
    if (m_reader || m_editor)
        return E_FAIL;
    HRESULT hr = m_runtime.CreateEditor(m_editor.put());
    if (SUCCEEDED(hr) && !m_editor)
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = m_editor->Open(bstrFileName);
    if (FAILED(hr)) {
        m_editor.reset();
        return hr;
    }
    m_open = true;
    return S_OK;
}

HRESULT CPcmReaderWma::GetMetaDataBin(BSTR bstrAttribName, unsigned char* pbData, unsigned long* puSize)
{
    if (!puSize)
        return E_POINTER;
    if (!bstrAttribName || !m_open || !m_reader)
        return E_FAIL;
    WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
    std::vector<BYTE> value;
    if (FAILED(ReadAttribute(bstrAttribName, type, value)))
        return E_FAIL;
    if (!pbData) {
        *puSize = static_cast<unsigned long>(value.size());
        return value.empty() ? E_FAIL : S_OK;
    }
    if (*puSize < value.size())
        return E_FAIL;
    std::memcpy(pbData, value.data(), value.size());
    *puSize = static_cast<unsigned long>(value.size());
    return S_OK;
}

HRESULT CPcmReaderWma::SetMetaDataBin(BSTR bstrAttribName, unsigned char* pbData, unsigned long uSize)
{
    if (!pbData && uSize > 0)
        return E_POINTER;
    if (!bstrAttribName || !m_open || !m_editor)
        return E_FAIL;
    return WriteAttribute(bstrAttribName, WMT_TYPE_BINARY, pbData, uSize);
}

HRESULT CPcmReaderWma::GetSubItemStrings(LONGLONG llFileTime, BSTR* pbstrSubTitle, BSTR* pbstrSubArtist,
                                         BSTR* pbstrSubAlbum)
{
    BSTR* outputs[] = {pbstrSubTitle, pbstrSubArtist, pbstrSubAlbum};
    for (BSTR* output : outputs) {
        if (!output)
            return E_POINTER;
        *output = nullptr;
    }
    if (!m_open || !m_reader || llFileTime < 0)
        return E_FAIL;
    using WmAttribute::SubItem;
    for (unsigned i = 0; i <= kMaxSubItems; ++i) {
        WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
        std::vector<BYTE> value;
        if (FAILED(ReadAttribute(WmAttribute::SubItemName(SubItem::TrackEnd, i).c_str(), type, value)) ||
            type != WMT_TYPE_QWORD || value.size() != sizeof(QWORD))
            return E_FAIL;
        QWORD end = 0;
        std::memcpy(&end, value.data(), sizeof(end));
        if (end < static_cast<QWORD>(llFileTime))
            continue;
        const SubItem kinds[] = {SubItem::Title, SubItem::Author, SubItem::AlbumTitle};
        for (size_t k = 0; k < std::size(kinds); ++k) {
            if (FAILED(ReadString(WmAttribute::SubItemName(kinds[k], i).c_str(), outputs[k])))
                return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    return E_FAIL;
}
