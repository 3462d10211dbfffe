#include "engine/catalog/plots/PlotStore.h"

#include <cstdint>

namespace {

constexpr LONGLONG kMicrosecondsPerSecond = 1000000;

LONGLONG ToSamples(LONGLONG microseconds, DWORD rate)
{
    const __int128 samples = static_cast<__int128>(microseconds) * rate / kMicrosecondsPerSecond;
    return samples > INT64_MAX ? INT64_MAX : samples < INT64_MIN ? INT64_MIN : static_cast<LONGLONG>(samples);
}

// Brings a position into [0, length) by whole laps.
LONGLONG IntoLap(LONGLONG position, LONGLONG length)
{
    const LONGLONG folded = position % length;
    return folded < 0 ? folded + length : folded;
}

}  // namespace

CPlotStore::CPlotStore(DWORD itemId, DWORD sampleRate, LONGLONG lengthMicroseconds) : m_itemId(itemId)
{
    if (sampleRate != 0)
        m_sampleRate = sampleRate;
    if (lengthMicroseconds > 0)
        m_lengthMicroseconds = lengthMicroseconds;
}

HRESULT CPlotStore::LookupInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<ITrackPlot*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CPlotStore::GetPeak(LONGLONG start, LONGLONG end, BOOL wrap, BYTE* peak, BOOL* crossesWrap)
{
    if (peak == nullptr)
        return E_POINTER;
    *peak = 0;
    if (crossesWrap)
        *crossesWrap = FALSE;

    CSingleThreadLock lock(&m_lock);
    const LONGLONG length = m_lengthMicroseconds;
    if (wrap) {
        if (start / length != end / length || (start < 0 && end > 0)) {
            if (crossesWrap)
                *crossesWrap = TRUE;
            return S_OK;
        }
        start = IntoLap(start, length);
        end = IntoLap(end, length);
        if (start > end)
            end = start;
    } else if (start > end || end < 0 || start > length) {
        return S_OK;
    }

    const LONGLONG half = m_blockSize / 2;
    // A span that starts before the track (allowed without wrap) is read from its first block.
    LONGLONG first = (ToSamples(start, m_sampleRate) + half) / m_blockSize;
    const LONGLONG last = (ToSamples(end, m_sampleRate) + half) / m_blockSize;
    if (first < 0)
        first = 0;
    const LONGLONG count = static_cast<LONGLONG>(m_bytes.size());
    if (last >= count)
        return S_OK;
    if (first == last) {
        *peak = m_bytes[static_cast<size_t>(first)];
        return S_OK;
    }
    ULONGLONG sum = 0;
    for (LONGLONG i = first; i < last; ++i)
        sum += m_bytes[static_cast<size_t>(i)];
    const ULONGLONG mean = sum / static_cast<ULONGLONG>(last - first);
    *peak = static_cast<BYTE>(mean > 255 ? 255 : mean);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlotStore::GetId(DWORD* id)
{
    if (id == nullptr)
        return E_POINTER;
    *id = m_itemId;
    return S_OK;
}

void CPlotStore::Load(const std::vector<BYTE>& bytes, WORD blockSize)
{
    CSingleThreadLock lock(&m_lock);
    m_bytes = bytes;
    if (blockSize != 0)
        m_blockSize = blockSize;
    m_loaded = true;
}

void CPlotStore::Unload()
{
    CSingleThreadLock lock(&m_lock);
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_loaded = false;
}

bool CPlotStore::IsLoaded()
{
    CSingleThreadLock lock(&m_lock);
    return m_loaded;
}

bool CPlotStore::LoadFailed()
{
    CSingleThreadLock lock(&m_lock);
    return m_loadFailed;
}

void CPlotStore::SetLoadFailed(bool failed)
{
    CSingleThreadLock lock(&m_lock);
    m_loadFailed = failed;
}
