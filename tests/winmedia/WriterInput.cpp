#include "tests/winmedia/WriterInput.h"

#include <algorithm>
#include <cstring>

WriterInput::WriterInput(std::vector<int16_t> samples, int notReadyCalls)
    : m_samples(std::move(samples)), m_notReadyLeft(notReadyCalls)
{}

HRESULT WriterInput::QueryInterface(REFIID, void** object)
{
    // Graph stages have no identifier and answer no interface.
    if (object)
        *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT WriterInput::GetFormat(WAVEFORMATEX* format)
{
    *format = {WAVE_FORMAT_PCM, 2, 44100, 44100u * blockAlign, blockAlign, 16, 0};
    return S_OK;
}

HRESULT WriterInput::Read(BYTE* buffer, unsigned bytes)
{
    const auto* source = reinterpret_cast<const BYTE*>(m_samples.data());
    const size_t available = Bytes() - std::min(m_readBytes, Bytes());
    const size_t copied = std::min<size_t>(bytes, available);
    std::memcpy(buffer, source + m_readBytes, copied);
    std::memset(buffer + copied, 0, bytes - copied);
    m_readBytes += bytes;
    if (cancelTarget && m_readBytes >= cancelAfterBytes)
        cancelTarget->RequestCancel();
    return S_OK;
}

HRESULT WriterInput::SetBufferedBytes(LONGLONG bytes)
{
    if (bytes == 0)
        bufferedCleared = true;
    return S_OK;
}

HRESULT WriterInput::SetActive(BOOL active)
{
    log.push_back(active ? 'A' : 'I');
    return S_OK;
}

HRESULT WriterInput::IsActive()
{
    return S_FALSE;
}

HRESULT WriterInput::OpenSource()
{
    log.push_back('O');
    return S_OK;
}

HRESULT WriterInput::CloseSource()
{
    log.push_back('C');
    return S_OK;
}

HRESULT WriterInput::GetLength(LONGLONG* bytes)
{
    *bytes = static_cast<LONGLONG>(Bytes());
    return S_OK;
}

HRESULT WriterInput::IsDataReady()
{
    if (m_notReadyLeft > 0) {
        --m_notReadyLeft;
        ++notReadyAnswers;
        return S_FALSE;
    }
    return S_OK;
}
