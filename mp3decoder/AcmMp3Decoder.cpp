#include "mp3decoder/AcmMp3Decoder.h"

#include "mp3decoder/Mp3CodecFormats.h"

#include <algorithm>

namespace {
// The codec's own delay as Windows' decoder reports it for Layer III; informational only.
constexpr WORD kCodecDelay = 1393;
// Extra frames of output room per call, for frames the codec held back from earlier calls.
constexpr size_t kHeldFramesRoom = 2;

// A stream header prepared for one conversion and unprepared when it goes.
class PreparedHeader {
public:
    PreparedHeader(HACMSTREAM stream, ACMSTREAMHEADER& header) : m_stream(stream), m_header(header)
    {
        m_result = acmStreamPrepareHeader(stream, &header, 0);
    }
    ~PreparedHeader()
    {
        if (m_result == MMSYSERR_NOERROR)
            acmStreamUnprepareHeader(m_stream, &m_header, 0);
    }
    PreparedHeader(const PreparedHeader&) = delete;
    PreparedHeader& operator=(const PreparedHeader&) = delete;
    MMRESULT Result() const { return m_result; }

private:
    HACMSTREAM m_stream;
    ACMSTREAMHEADER& m_header;
    MMRESULT m_result;
};
}  // namespace

HRESULT CAcmMp3Decoder::Open(const Mp3FrameHeader& header)
{
    Close();
    m_mp3 = {};
    m_mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    m_mp3.wfx.nChannels = static_cast<WORD>(header.channels);
    m_mp3.wfx.nSamplesPerSec = header.sampleRate;
    m_mp3.wfx.nAvgBytesPerSec = header.bitrateKbps * 1000 / 8;
    m_mp3.wfx.nBlockAlign = 1;
    m_mp3.wfx.wBitsPerSample = 0;
    m_mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    m_mp3.wID = MPEGLAYER3_ID_MPEG;
    m_mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    m_mp3.nBlockSize = static_cast<WORD>(header.frameBytes);
    m_mp3.nFramesPerBlock = 1;
    m_mp3.nCodecDelay = kCodecDelay;

    m_pcm = {};
    m_pcm.wFormatTag = WAVE_FORMAT_PCM;
    m_pcm.nChannels = static_cast<WORD>(header.channels);
    m_pcm.nSamplesPerSec = header.sampleRate;
    m_pcm.wBitsPerSample = 16;
    m_pcm.nBlockAlign = static_cast<WORD>(2 * header.channels);
    m_pcm.nAvgBytesPerSec = header.sampleRate * m_pcm.nBlockAlign;
    m_samplesPerFrame = header.samplesPerFrame;
    // The codec is asked once per format in the process; the stream itself is opened for the
    // first decode (see Mp3CodecFormats.h).
    if (!IsMp3FormatKnownToOpen(m_mp3, m_pcm)) {
        const HRESULT hr = OpenStream();
        if (FAILED(hr))
            return hr;
        RememberMp3FormatOpens(m_mp3, m_pcm);
    }
    m_ready = true;
    return S_OK;
}

HRESULT CAcmMp3Decoder::OpenStream()
{
    HACMSTREAM stream = nullptr;
    MMRESULT result = acmStreamOpen(&stream, nullptr, &m_mp3.wfx, &m_pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME);
    if (result != MMSYSERR_NOERROR)
        return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    m_stream = stream;
    return S_OK;
}

HRESULT CAcmMp3Decoder::Restart()
{
    if (!m_ready)
        return E_UNEXPECTED;
    CloseStream();
    return OpenStream();
}

void CAcmMp3Decoder::Close()
{
    CloseStream();
    m_ready = false;
}

void CAcmMp3Decoder::CloseStream()
{
    if (m_stream)
        acmStreamClose(m_stream, 0);
    m_stream = nullptr;
}

HRESULT CAcmMp3Decoder::Decode(const uint8_t* data, size_t bytes, size_t frames, std::vector<uint8_t>& out)
{
    if (!m_ready)
        return E_UNEXPECTED;
    if (!m_stream) {
        const HRESULT hr = OpenStream();
        if (FAILED(hr))
            return hr;
    }
    const size_t room = (frames + kHeldFramesRoom) * m_samplesPerFrame * m_pcm.nBlockAlign;
    if (m_output.size() < room)
        m_output.resize(room);
    size_t used = 0;
    while (used < bytes) {
        ACMSTREAMHEADER header = {};
        header.cbStruct = sizeof(header);
        header.pbSrc = const_cast<LPBYTE>(data + used);
        header.cbSrcLength = static_cast<DWORD>(bytes - used);
        header.pbDst = m_output.data();
        header.cbDstLength = static_cast<DWORD>(m_output.size());
        PreparedHeader prepared(m_stream, header);
        if (prepared.Result() != MMSYSERR_NOERROR)
            return E_FAIL;
        if (acmStreamConvert(m_stream, &header, ACM_STREAMCONVERTF_BLOCKALIGN) != MMSYSERR_NOERROR)
            return E_FAIL;
        out.insert(out.end(), m_output.begin(), m_output.begin() + header.cbDstLengthUsed);
        if (header.cbSrcLengthUsed == 0)
            break;  // the codec takes no more: the rest is not a whole frame
        used += header.cbSrcLengthUsed;
    }
    return S_OK;
}
