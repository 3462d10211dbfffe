#include "mp3decoder/Mp3PcmReader.h"

#include <algorithm>
#include <cstring>

namespace {
// Header, CRC and the first two bytes of the side information: enough for main_data_begin.
constexpr uint32_t kFrameStartBytes = 8;
}  // namespace

HRESULT CMp3PcmReader::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPcmReader))
        return Give(static_cast<IPcmReader*>(this), object);
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::Open(BSTR bstrFileName, long)
{
    if (!bstrFileName)
        return E_POINTER;
    if (m_open)
        return E_FAIL;
    try {
        HRESULT hr = OpenFile(bstrFileName);
        if (FAILED(hr)) {
            m_cache.clear();
            m_decoder.Close();
            m_file.Close();
            m_indexed = false;
            m_offsets.clear();
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CMp3PcmReader::OpenFile(const wchar_t* path)
{
    HRESULT hr = m_file.Open(path);
    if (FAILED(hr))
        return hr;
    hr = LocateMp3Stream(m_file, m_stream);
    if (FAILED(hr))
        return hr;
    const Mp3StreamTag& tag = m_stream.tag;
    if (m_stream.hasTag && tag.hasBytes && m_stream.tagFrameOffset + tag.bytes > m_file.Size())
        return kMp3Truncated;
    hr = m_decoder.Open(m_stream.format);
    if (FAILED(hr))
        return hr;
    m_blockAlign = 2 * m_stream.format.channels;
    m_frameBytesPcm = m_stream.format.samplesPerFrame * m_blockAlign;
    if (m_stream.hasTag && tag.hasFrames) {
        if (tag.frames == 0)
            return kMp3NotMp3;
        ApplyFrameCount(tag.frames);
    } else {
        // Without a frame count in the tag, the exact length needs the index now.
        hr = EnsureIndex();
        if (FAILED(hr))
            return hr;
        ApplyFrameCount(static_cast<uint32_t>(m_offsets.size()));
    }
    m_open = true;
    return S_OK;
}

void CMp3PcmReader::ApplyFrameCount(uint32_t frames)
{
    m_frameCount = frames;
    const uint64_t raw = uint64_t{frames} * m_stream.format.samplesPerFrame;
    const Mp3StreamTag& tag = m_stream.tag;
    m_skipSamples = 0;
    m_sampleCount = static_cast<LONGLONG>(raw);
    // A tag whose delay and padding leave nothing is not believed.
    if (m_stream.hasTag && tag.hasDelays && uint64_t{tag.encoderDelay} + tag.encoderPadding < raw) {
        m_skipSamples = tag.encoderDelay + kDecoderDelay;
        m_sampleCount = static_cast<LONGLONG>(raw - tag.encoderDelay - tag.encoderPadding);
    }
}

HRESULT CMp3PcmReader::EnsureIndex()
{
    if (m_indexed)
        return S_OK;
    std::vector<uint32_t> offsets;
    HRESULT hr = ScanMp3Frames(m_file, m_stream, offsets);
    if (SUCCEEDED(hr))
        hr = InstallIndex(std::move(offsets), false);
    if (FAILED(hr))
        m_broken = m_open;
    return hr;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::GetFormatInfo(unsigned char* pwfInfo)
{
    if (!pwfInfo)
        return E_POINTER;
    if (!m_open)
        return E_FAIL;
    static_assert(sizeof(WAVEFORMATEX) == 18);
    WAVEFORMATEX format = m_decoder.PcmFormat();
    format.cbSize = 0;
    std::memcpy(pwfInfo, &format, sizeof(format));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::IsValid()
{
    return m_open && !m_broken ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::GetStreamLength(LONGLONG* pllByteLength)
{
    if (!pllByteLength)
        return E_POINTER;
    *pllByteLength = m_open ? m_sampleCount * m_blockAlign : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::GetSampleCount(LONGLONG* pllSampleCount)
{
    if (!pllSampleCount)
        return E_POINTER;
    *pllSampleCount = m_open ? m_sampleCount : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::GetSampleRate(unsigned long* puSampleRate)
{
    if (!puSampleRate)
        return E_POINTER;
    *puSampleRate = m_open ? m_stream.format.sampleRate : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::LoadPcm(unsigned char* pbData, LONGLONG llStreamBytePos, unsigned long uLength)
{
    if (!m_open || m_broken || llStreamBytePos < 0)
        return E_FAIL;
    if (uLength == 0)
        return S_OK;
    if (!pbData)
        return E_POINTER;
    try {
        if (FAILED(EnsureIndex()))
            return E_FAIL;
        const uint64_t streamBytes = static_cast<uint64_t>(m_sampleCount) * m_blockAlign;
        const uint64_t skipBytes = m_skipSamples * m_blockAlign;
        uint64_t done = 0;
        while (done < uLength) {
            const uint64_t at = static_cast<uint64_t>(llStreamBytePos) + done;
            if (at >= streamBytes)
                break;
            const uint64_t raw = at + skipBytes;
            const uint64_t frame = raw / m_frameBytesPcm;
            if (frame >= m_frameCount)
                break;
            const std::vector<uint8_t>* pcm = Segment(static_cast<uint32_t>(frame));
            if (!pcm)
                return E_FAIL;
            const uint64_t segmentFirst = frame / kSegmentFrames * kSegmentFrames;
            const uint64_t inSegment = (frame - segmentFirst) * m_frameBytesPcm + raw % m_frameBytesPcm;
            const uint64_t n = std::min({uint64_t{uLength} - done, pcm->size() - inSegment, streamBytes - at});
            std::memcpy(pbData + done, pcm->data() + inSegment, static_cast<size_t>(n));
            done += n;
        }
        std::memset(pbData + done, 0, static_cast<size_t>(uLength - done));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

const std::vector<uint8_t>* CMp3PcmReader::Segment(uint32_t frame)
{
    const uint32_t index = frame / kSegmentFrames;
    for (size_t i = 0; i < m_cache.size(); ++i) {
        if (m_cache[i].index == index) {
            std::rotate(m_cache.begin(), m_cache.begin() + static_cast<std::ptrdiff_t>(i),
                        m_cache.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return &m_cache.front().pcm;
        }
    }
    CachedSegment segment{index, {}};
    if (!DecodeSegment(index, segment.pcm)) {
        // A frame table handed in from outside may have been wrong: scan the file and try again.
        if (!m_indexFromTable)
            return nullptr;
        m_indexed = false;
        m_indexFromTable = false;
        m_cache.clear();
        if (FAILED(EnsureIndex()) || !DecodeSegment(index, segment.pcm))
            return nullptr;
    }
    if (m_cache.size() >= kCachedSegments)
        m_cache.pop_back();
    m_cache.insert(m_cache.begin(), std::move(segment));
    return &m_cache.front().pcm;
}

bool CMp3PcmReader::DecodeSegment(uint32_t segment, std::vector<uint8_t>& pcm)
{
    const uint32_t first = segment * kSegmentFrames;
    const uint32_t end = std::min(m_frameCount, first + kSegmentFrames);
    if (first >= end || end > m_offsets.size())
        return false;
    const uint32_t start = RunInStart(first);
    const uint64_t firstByte = m_offsets[start];
    const uint64_t bytes = FrameEnd(end - 1) - firstByte;
    m_frameBuffer.resize(static_cast<size_t>(bytes));
    if (!m_file.ReadAt(firstByte, m_frameBuffer.data(), static_cast<uint32_t>(bytes)))
        return false;
    if (!FramesMatchIndex(start, end))
        return false;
    if (FAILED(m_decoder.Restart()))
        return false;
    m_decoded.clear();
    if (FAILED(m_decoder.Decode(m_frameBuffer.data(), m_frameBuffer.size(), end - start, m_decoded)))
        return false;
    // Output belongs to the fed frames, oldest first; the run-in's share is dropped.
    const uint64_t wanted = uint64_t{end - first} * m_frameBytesPcm;
    const uint64_t runIn = uint64_t{first - start} * m_frameBytesPcm;
    if (m_decoded.size() < runIn + wanted)
        return false;
    pcm.assign(m_decoded.begin() + static_cast<std::ptrdiff_t>(runIn),
               m_decoded.begin() + static_cast<std::ptrdiff_t>(runIn + wanted));
    return true;
}

bool CMp3PcmReader::FramesMatchIndex(uint32_t first, uint32_t end) const
{
    const uint64_t base = m_offsets[first];
    for (uint32_t f = first; f < end; ++f) {
        const uint64_t at = m_offsets[f] - base;
        Mp3FrameHeader header;
        if (at + kFrameStartBytes > m_frameBuffer.size() || !ParseMp3FrameHeader(m_frameBuffer.data() + at, header) ||
            !SameMp3Stream(header, m_stream.format) || m_offsets[f] + uint64_t{header.frameBytes} > FrameEnd(f))
            return false;
    }
    return true;
}

uint32_t CMp3PcmReader::RunInStart(uint32_t frame)
{
    const uint32_t from = frame > kOverlapFrames ? frame - kOverlapFrames : 0;
    uint32_t start = from;
    for (uint32_t f = from; f <= frame; ++f) {
        uint8_t bytes[kFrameStartBytes];
        Mp3FrameHeader header;
        if (!ReadFrameHeader(f, bytes, header))
            continue;
        // Walk back over earlier frames' payloads until they cover this frame's reservoir.
        unsigned need = Mp3MainDataBegin(bytes, header);
        uint32_t j = f;
        while (need > 0 && j > 0) {
            --j;
            uint8_t earlier[kFrameStartBytes];
            Mp3FrameHeader previous;
            if (!ReadFrameHeader(j, earlier, previous))
                break;
            need -= std::min(need, previous.PayloadBytes());
        }
        start = std::min(start, j);
    }
    // One frame more, which the codec may hold back or decode without its history.
    return start > 0 ? start - 1 : 0;
}

bool CMp3PcmReader::ReadFrameHeader(uint32_t frame, uint8_t* bytes, Mp3FrameHeader& header) const
{
    return frame < m_offsets.size() && m_file.ReadAt(m_offsets[frame], bytes, kFrameStartBytes) &&
           ParseMp3FrameHeader(bytes, header);
}

uint64_t CMp3PcmReader::FrameEnd(uint32_t frame) const
{
    return frame + 1 < m_offsets.size() ? m_offsets[frame + 1] : m_lastFrameEnd;
}

HRESULT CMp3PcmReader::InstallIndex(std::vector<uint32_t> offsets, bool fromTable)
{
    if (m_stream.hasTag && m_stream.tag.hasFrames && offsets.size() > m_stream.tag.frames)
        offsets.resize(m_stream.tag.frames);
    uint8_t start[kFrameStartBytes];
    Mp3FrameHeader last;
    if (offsets.empty() || !m_file.ReadAt(offsets.back(), start, kMp3HeaderBytes) || !ParseMp3FrameHeader(start, last))
        return kMp3NotMp3;
    m_lastFrameEnd = offsets.back() + uint64_t{last.frameBytes};
    m_offsets = std::move(offsets);
    m_indexed = true;
    m_indexFromTable = fromTable;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::ShutDown()
{
    m_cache.clear();
    m_decoder.Close();
    m_file.Close();
    m_open = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::GetFrameOffsetArray(unsigned char* pbData, unsigned long* puDataSize)
{
    if (!puDataSize)
        return E_POINTER;
    if (!m_open)
        return E_FAIL;
    try {
        HRESULT hr = EnsureIndex();
        if (FAILED(hr))
            return hr;
        std::vector<uint8_t> table = SerializeMp3FrameTable(m_file.Size(), m_offsets);
        const auto needed = static_cast<unsigned long>(table.size());
        if (!pbData) {
            *puDataSize = needed;
            return S_OK;
        }
        if (*puDataSize < needed) {
            *puDataSize = needed;
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
        std::memcpy(pbData, table.data(), table.size());
        *puDataSize = needed;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::FrameOffsetArrayReq()
{
    return m_open ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CMp3PcmReader::SetFrameOffsetArray(unsigned char* pbData, unsigned long uSize)
{
    if (!m_open)
        return E_FAIL;
    if (!pbData)
        return E_POINTER;
    if (m_indexed)
        return S_FALSE;
    try {
        std::vector<uint32_t> offsets;
        if (!DeserializeMp3FrameTable(m_file, m_stream, pbData, uSize, offsets))
            return E_INVALIDARG;
        if (FAILED(InstallIndex(std::move(offsets), true)))
            return E_INVALIDARG;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
