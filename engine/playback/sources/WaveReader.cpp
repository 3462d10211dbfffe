#include "engine/playback/sources/WaveReader.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>

namespace {

// The PCM sub-format of an extensible format record.
constexpr GUID kSubtypePcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

constexpr HRESULT kUnsupportedLayout = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);

// The fmt chunk as stored: a WAVEFORMATEX, extended by WAVE_FORMAT_EXTENSIBLE's fields.
#pragma pack(push, 1)
struct StoredFormat {
    WORD formatTag;
    WORD channels;
    DWORD samplesPerSec;
    DWORD avgBytesPerSec;
    WORD blockAlign;
    WORD bitsPerSample;
    WORD extraSize;
    WORD validBits;
    DWORD channelMask;
    GUID subFormat;
};
#pragma pack(pop)
static_assert(sizeof(StoredFormat) == 40);
static_assert(sizeof(WAVEFORMATEX) == 18);

constexpr LONG kMinFormatBytes = 16;
constexpr LONG kExtensibleFormatBytes = 40;

// mmio takes the name through the ANSI code page on some systems (Wine among them), so a name
// with characters outside it is tried once more by its short form, which is plain ASCII.
HMMIO OpenMmio(const wchar_t* path)
{
    HMMIO file = mmioOpenW(const_cast<LPWSTR>(path), nullptr, MMIO_READ | MMIO_ALLOCBUF);
    if (file)
        return file;
    wchar_t shortPath[MAX_PATH] = {};
    DWORD shortLength = GetShortPathNameW(path, shortPath, MAX_PATH);
    if (shortLength > 0 && shortLength < MAX_PATH) {
        file = mmioOpenW(shortPath, nullptr, MMIO_READ | MMIO_ALLOCBUF);
        if (file)
            return file;
    }
    char ansi[CWaveReader::kAnsiPathBytes] = {};
    if (!WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, sizeof(ansi), nullptr, nullptr))
        return nullptr;
    return mmioOpenA(ansi, nullptr, MMIO_READ | MMIO_ALLOCBUF);
}

}  // namespace

HRESULT STDMETHODCALLTYPE CWaveReader::QueryInterface(REFIID, void** object)
{
    if (object)
        *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CWaveReader::Open(BSTR bstrFileName, long)
{
    if (!bstrFileName)
        return E_POINTER;
    if (m_open)
        return E_FAIL;
    UniqueMmio file(OpenMmio(bstrFileName));
    if (!file)
        return E_FAIL;
    if (mmioSetBuffer(file.get(), nullptr, kIoBufferBytes, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    m_file = std::move(file);

    MMCKINFO riff = {};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    HRESULT hr = E_FAIL;
    if (mmioDescend(m_file.get(), &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR)
        hr = ReadLayout(riff);
    if (FAILED(hr)) {
        m_file.reset();
        return hr;
    }
    m_open = 1;
    return S_OK;
}

HRESULT CWaveReader::ReadLayout(const MMCKINFO& riff)
{
    HMMIO file = m_file.get();
    MMCKINFO chunk = {};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        return E_FAIL;
    if (chunk.cksize < static_cast<DWORD>(kMinFormatBytes))
        return E_FAIL;
    StoredFormat format = {};
    LONG formatBytes = static_cast<LONG>(std::min<DWORD>(chunk.cksize, sizeof(format)));
    if (mmioRead(file, reinterpret_cast<HPSTR>(&format), formatBytes) != formatBytes)
        return E_FAIL;
    if (format.blockAlign == 0)
        return E_FAIL;

    bool pcm = format.formatTag == WAVE_FORMAT_PCM ||
               (format.formatTag == WAVE_FORMAT_EXTENSIBLE && formatBytes >= kExtensibleFormatBytes &&
                IsEqualGUID(format.subFormat, kSubtypePcm) && format.validBits == format.bitsPerSample);
    bool layoutConverted = (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
                           (format.channels == 1 || format.channels == 2) &&
                           format.blockAlign == format.channels * format.bitsPerSample / 8 && format.samplesPerSec != 0;
    if (!pcm || !layoutConverted)
        return kUnsupportedLayout;

    if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR)
        return E_FAIL;
    chunk = {};
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        return E_FAIL;

    LONG fileSize = mmioSeek(file, 0, SEEK_END);
    if (fileSize < 0 || static_cast<DWORD>(fileSize) < chunk.dwDataOffset)
        return E_FAIL;
    m_dataOffset = chunk.dwDataOffset;
    m_dataSize = std::min<DWORD>(chunk.cksize, static_cast<DWORD>(fileSize) - chunk.dwDataOffset);
    m_sampleRate = format.samplesPerSec;
    m_blockAlign = format.blockAlign;
    m_bitsPerSample = format.bitsPerSample;
    m_silence128 = format.bitsPerSample == 8 ? 1 : 0;
    m_sampleCount = m_dataSize / m_blockAlign;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CWaveReader::GetFormatInfo(unsigned char* pwfInfo)
{
    if (!pwfInfo)
        return E_POINTER;
    if (!m_open || m_bitsPerSample < 8)
        return E_FAIL;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(m_blockAlign / (m_bitsPerSample / 8));
    format.nSamplesPerSec = m_sampleRate;
    format.nAvgBytesPerSec = m_sampleRate * m_blockAlign;
    format.nBlockAlign = m_blockAlign;
    format.wBitsPerSample = m_bitsPerSample;
    format.cbSize = 0;
    std::memcpy(pwfInfo, &format, sizeof(format));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CWaveReader::LoadPcm(unsigned char* pbData, LONGLONG llStreamBytePos, unsigned long uLength)
{
    if (!m_open || llStreamBytePos < 0)
        return E_FAIL;
    if (uLength == 0)
        return S_OK;
    if (!pbData)
        return E_POINTER;
    const unsigned char silence = m_silence128 ? 128 : 0;
    // At or past the end of the data: nothing of the file may be read, only silence given.
    if (llStreamBytePos >= static_cast<LONGLONG>(m_dataSize)) {
        std::memset(pbData, silence, uLength);
        return S_OK;
    }
    LONGLONG fileOffset = m_dataOffset + llStreamBytePos;
    if (fileOffset > MAXLONG)
        return E_FAIL;
    DWORD available = m_dataSize - static_cast<DWORD>(llStreamBytePos);
    LONG wanted = static_cast<LONG>(std::min<DWORD>({uLength, available, static_cast<DWORD>(MAXLONG)}));
    if (mmioSeek(m_file.get(), static_cast<LONG>(fileOffset), SEEK_SET) == -1)
        return E_FAIL;
    LONG got = mmioRead(m_file.get(), reinterpret_cast<HPSTR>(pbData), wanted);
    if (got < 0)
        return E_FAIL;
    std::memset(pbData + got, silence, uLength - static_cast<unsigned long>(got));
    return S_OK;
}
