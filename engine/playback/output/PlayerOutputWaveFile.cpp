#include "engine/playback/output/PlayerOutputWaveFile.h"

#include <algorithm>
#include <cstdint>

#include "engine/core/storage/ReplacementFile.h"
#include "interfaces/IProgressStatus.h"

namespace {

constexpr WORD kChannels = 2;
constexpr WORD kBitsPerSample = 16;
constexpr DWORD kRate = 44100;
constexpr WORD kBlockAlign = kChannels * kBitsPerSample / 8;
constexpr wchar_t kTempPrefix[] = L"cfx";

// The canonical 44-byte header of a PCM WAV file: the RIFF form, its "fmt " chunk and the header
// of its "data" chunk.
#pragma pack(push, 1)
struct WaveFileHeader {
    char riff[4];
    uint32_t formSize;
    char wave[4];
    char fmt[4];
    uint32_t fmtSize;
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSecond;
    uint32_t bytesPerSecond;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    char data[4];
    uint32_t dataSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFileHeader) == 44, "a PCM WAV header is 44 bytes");

WaveFileHeader MakeHeader(uint32_t dataBytes)
{
    return {{'R', 'I', 'F', 'F'},
            dataBytes + static_cast<uint32_t>(sizeof(WaveFileHeader)) - 8,
            {'W', 'A', 'V', 'E'},
            {'f', 'm', 't', ' '},
            16,
            WAVE_FORMAT_PCM,
            kChannels,
            kRate,
            kRate * kBlockAlign,
            kBlockAlign,
            kBitsPerSample,
            {'d', 'a', 't', 'a'},
            dataBytes};
}

HRESULT LastError()
{
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

HRESULT CPlayerOutputWaveFile::SetFormat(int formatId)
{
    return formatId == kFormatId ? S_OK : E_INVALIDARG;
}

HRESULT CPlayerOutputWaveFile::StartFile(LPCWSTR path, int)
{
    if (!path || !*path)
        return E_INVALIDARG;
    if (!m_input || !m_status || m_open || m_thread)
        return E_FAIL;
    WAVEFORMATEX format{};
    if (FAILED(m_input->GetFormat(&format)) || format.wFormatTag != WAVE_FORMAT_PCM || format.nChannels != kChannels ||
        format.nSamplesPerSec != kRate || format.wBitsPerSample != kBitsPerSample)
        return E_FAIL;
    LONGLONG length = 0;
    if (FAILED(m_input->GetLength(&length)) || length < 0)
        return E_FAIL;
    const ULONGLONG total = static_cast<ULONGLONG>(length) / kBlockAlign * kBlockAlign;
    if (total > kMaxDataBytes)
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    if (!m_piece.Get() && !m_piece.Allocate(kPieceBytes))
        return E_OUTOFMEMORY;
    HRESULT hr = CreateReplacementFile(path, kTempPrefix, &m_tempPath);
    if (FAILED(hr))
        return hr;
    const LPCWSTR temp = m_tempPath.GetString();
    m_file.reset(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) {
        hr = LastError();
        DeleteFileW(temp);
        return hr;
    }
    const WaveFileHeader header = MakeHeader(static_cast<uint32_t>(total));
    DWORD written = 0;
    if (!WriteFile(m_file.get(), &header, sizeof(header), &written, nullptr) || written != sizeof(header)) {
        hr = LastError();
        m_file.reset();
        DeleteFileW(temp);
        return hr;
    }
    m_path = path;
    m_total = total;
    m_status->SetProgress(0.0f);
    InterlockedExchange(&m_open, 1);
    if (!StartDeviceThread()) {
        InterlockedExchange(&m_open, 0);
        m_file.reset();
        DeleteFileW(temp);
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CPlayerOutputWaveFile::Stop()
{
    return S_FALSE;
}

HRESULT CPlayerOutputWaveFile::Close()
{
    SetEvent(m_stopEvent.get());
    WaitForDeviceThread();
    return S_OK;
}

void CPlayerOutputWaveFile::RunDeviceLoop()
{
    IPlayerInput* input = m_loopInput;
    HRESULT result = E_FAIL;
    if (input) {
        input->SetActive(TRUE);
        InterlockedExchange(&m_running, 1);
        result = WriteAll(*input);
        input->SetActive(FALSE);
    }
    const HRESULT finished = Finish(result == S_OK);
    if (result == S_OK)
        result = finished;
    if (FAILED(result))
        m_status->SetError(result);
    InterlockedExchange(&m_running, 0);
    InterlockedExchange(&m_open, 0);
    m_status->SetComplete();
}

HRESULT CPlayerOutputWaveFile::WriteAll(IPlayerInput& input)
{
    ULONGLONG done = 0;
    while (done < m_total) {
        if (m_status->IsCancelRequested() == S_OK)
            return S_FALSE;
        if (input.IsDataReady() != S_OK) {
            if (WaitForSingleObject(m_stopEvent.get(), kPollMs) == WAIT_OBJECT_0)
                return S_FALSE;
            continue;
        }
        if (WaitForSingleObject(m_stopEvent.get(), 0) == WAIT_OBJECT_0)
            return S_FALSE;
        const unsigned piece = static_cast<unsigned>(std::min<ULONGLONG>(m_total - done, kPieceBytes));
        if (FAILED(input.Read(m_piece.Get(), piece)))
            return E_FAIL;
        DWORD written = 0;
        if (!WriteFile(m_file.get(), m_piece.Get(), piece, &written, nullptr) || written != piece)
            return LastError();
        done += piece;
        // Nothing written here is waiting to be heard: the stream's position is what was read.
        input.SetBufferedBytes(0);
        m_status->SetProgress(static_cast<float>(static_cast<double>(done) / static_cast<double>(m_total)));
    }
    if (m_total == 0)
        m_status->SetProgress(1.0f);
    return S_OK;
}

HRESULT CPlayerOutputWaveFile::Finish(bool keep)
{
    HRESULT hr = S_OK;
    if (keep && !FlushFileBuffers(m_file.get()))
        hr = LastError();
    m_file.reset();
    // A cancel or a close that came after the last piece still leaves the target as it was.
    const bool dropped =
        keep && (m_status->IsCancelRequested() == S_OK || WaitForSingleObject(m_stopEvent.get(), 0) == WAIT_OBJECT_0);
    if (dropped)
        keep = false;
    if (keep && SUCCEEDED(hr) &&
        !MoveFileExW(m_tempPath.GetString(), m_path.GetString(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        hr = LastError();
    if (!keep || FAILED(hr))
        DeleteFileW(m_tempPath.GetString());
    return dropped && SUCCEEDED(hr) ? S_FALSE : hr;
}
