#include "engine/playback/graph/PlayItem.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/core/mix/FadeMapBuilder.h"
#include "engine/core/server/LocalCoCreate.h"
#include "engine/core/track/EfxClip.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackLayer.h"
#include "engine/playback/effects/EfxManager.h"

namespace {
// The markers a play item keeps: volume, treble and bass envelopes and the tempo-start marks.
constexpr DWORD kItemMarkerMask = 0x5FFF0;
constexpr DWORD kTrackPrimaryFlag = 0x10000;
constexpr int kSilentLevel = -10000;
}  // namespace

CPlayItem::CPlayItem(IProfileSource* catalogItem, WORD streamId, LONG trackId)
    : m_catalogItem(ComPtr<IProfileSource>::copy(catalogItem)), m_streamId(streamId), m_trackId(trackId)
{}

CPlayItem::~CPlayItem()
{
    if (m_reader)
        m_reader->ShutDown();
}

HRESULT STDMETHODCALLTYPE CPlayItem::GetFormat(WAVEFORMATEX* format)
{
    CSingleThreadLock lock(&m_sourceLock);
    if (!m_reader || !format)
        return E_FAIL;
    BYTE record[18] = {};
    if (FAILED(m_reader->GetFormatInfo(record)))
        return E_FAIL;
    std::memcpy(format, record, sizeof(record));
    return S_OK;
}

bool CPlayItem::ReadAt(LONGLONG position, BYTE* buffer, unsigned bytes)
{
    CSingleThreadLock positionLock(&m_positionLock);
    CSingleThreadLock sourceLock(&m_sourceLock);
    if (!m_reader)
        return false;
    LONGLONG length = 0;
    if (FAILED(m_reader->GetStreamLength(&length)))
        return false;
    const LONGLONG end = position + bytes;
    if (position < 0 || end > length)
        std::memset(buffer, m_silence, bytes);
    if (position < 0) {
        if (end <= 0)
            return true;
        return SUCCEEDED(m_reader->LoadPcm(buffer - position, 0, static_cast<unsigned long>(std::min(end, length))));
    }
    if (position >= length)
        return false;
    const LONGLONG count = std::min<LONGLONG>(bytes, length - position);
    return SUCCEEDED(m_reader->LoadPcm(buffer, position, static_cast<unsigned long>(count)));
}

HRESULT STDMETHODCALLTYPE CPlayItem::Read(BYTE* buffer, unsigned bytes)
{
    const bool read = ReadAt(m_readPosition, buffer, bytes);
    m_readPosition += bytes;
    return read ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CPlayItem::SetBufferedBytes(LONGLONG bytes)
{
    m_audibleSample = (m_readPosition - bytes) / m_blockAlign;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlayItem::Seek(LONGLONG samplePosition)
{
    m_audibleSample = samplePosition;
    m_readPosition = samplePosition * m_blockAlign;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlayItem::SetActive(BOOL active)
{
    if (!m_activationEnabled)
        return S_OK;
    const LONG value = active ? 1 : 0;
    if (InterlockedExchange(&m_active, value) != value)
        InterlockedExchange(&m_activityChanged, 1);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlayItem::IsActive()
{
    return (IsMuted() || !m_active) ? S_FALSE : S_OK;
}

void STDMETHODCALLTYPE CPlayItem::EnableActivation(BOOL enable)
{
    m_activationEnabled = enable ? 1 : 0;
}

HRESULT STDMETHODCALLTYPE CPlayItem::OpenSource()
{
    CSingleThreadLock lock(&m_sourceLock);
    if (m_reader) {
        ++m_readerUses;
        return S_OK;
    }
    if (!m_catalogItem)
        return E_FAIL;
    ComPtr<IPcmReader> reader;
    if (FAILED(m_catalogItem->OpenPcmReader(FALSE, reader.put())) || !reader)
        return E_FAIL;
    BYTE record[18] = {};
    if (FAILED(reader->GetFormatInfo(record))) {
        reader->ShutDown();
        return E_FAIL;
    }
    WAVEFORMATEX format{};
    std::memcpy(&format, record, sizeof(record));
    m_silence = format.wBitsPerSample == 8 ? 128 : 0;
    if (format.nBlockAlign)
        m_blockAlign = format.nBlockAlign;
    m_reader = std::move(reader);
    m_readerUses = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlayItem::CloseSource()
{
    CSingleThreadLock lock(&m_sourceLock);
    if (!m_reader)
        return E_FAIL;
    if (--m_readerUses <= 0) {
        m_reader->ShutDown();
        m_reader.reset();
        m_readerUses = 0;
    }
    return S_OK;
}

void CPlayItem::MakeTrackState(CTrackInfo& track, TrackState& state)
{
    track.GetStartTime(&state.mixStart);
    track.GetEndTime(&state.mixEnd);
    track.GetLeadSpan(&state.edgeFirst, &state.edgeSecond);
    state.primary = (track.GetFlags() & kTrackPrimaryFlag) ? 1 : 0;
    track.GetVolumeOffset(&state.volumeOffset);
    const CTrackLayerContainer& layers = track.Layers();
    for (int l = 0; l < layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        if (!layers.GetLayer(l, &layer))
            continue;
        if (l == 0)
            layer->TimeMap().CopyTo(state.timeMap);
        CTrackObjContainer markers;
        layer->CopyObjectsTo(markers, kTrackObjMarker, kItemMarkerMask);
        layer->MapMarkersToMixTime(markers);
        while (markers.GetCount() > 0)
            state.markers.Append(markers.DetachAt(0));
    }
}

void CPlayItem::AddRenderState(CTrackInfo& track, const std::vector<const CTrackBeatMap*>& beatMaps, TrackState& state)
{
    BuildFadeMap(track, beatMaps, 44100, state.fadeMap);
    state.clipChains = MakeEffectClipChains(track);
    state.renders = true;
}

BOOL CPlayItem::TakeTrackState(TrackState& state)
{
    CSingleThreadLock lock(&m_positionLock);
    std::swap(m_track.mixStart, state.mixStart);
    std::swap(m_track.mixEnd, state.mixEnd);
    std::swap(m_track.edgeFirst, state.edgeFirst);
    std::swap(m_track.edgeSecond, state.edgeSecond);
    std::swap(m_track.primary, state.primary);
    std::swap(m_track.volumeOffset, state.volumeOffset);
    std::swap(m_track.timeMap, state.timeMap);
    m_track.markers.Swap(state.markers);
    if (state.renders) {
        m_track.fadeMap.Swap(state.fadeMap);
        m_track.clipChains.swap(state.clipChains);
    }
    return m_track.timeMap.GetPointCount() > 0;
}

void CPlayItem::UpdateFromTrack(CTrackInfo& track)
{
    TrackState state;
    MakeTrackState(track, state);
    TakeTrackState(state);
}

BOOL CPlayItem::LoadFromTrack(CTrackInfo& track, const std::vector<const CTrackBeatMap*>& beatMaps)
{
    TrackState state;
    MakeTrackState(track, state);
    AddRenderState(track, beatMaps, state);
    return TakeTrackState(state);
}

CPlayItem::EffectClipChains CPlayItem::MakeEffectClipChains(CTrackInfo& track)
{
    EffectClipChains chains;
    const CTrackLayerContainer& layers = track.Layers();
    CTrackLayer* first = nullptr;
    if (!layers.GetLayer(0, &first))
        return chains;
    for (int l = 0; l < layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        if (!layers.GetLayer(l, &layer))
            continue;
        const CTrackObjContainer& objects = layer->Objects();
        for (int i = 0; i < objects.GetCount(); ++i) {
            if (objects.GetAt(i)->GetClass() != kTrackObjEffectClip)
                continue;
            if (auto chain = MakeEffectClipChain(*static_cast<const CEfxClip*>(objects.GetAt(i)), first->TimeMap()))
                chains.push_back(std::move(chain));
        }
    }
    return chains;
}

std::unique_ptr<CEfxClipChain> CPlayItem::MakeEffectClipChain(const CEfxClip& clip, const CTimeMap& timeMap)
{
    const auto frame = [&timeMap](LONGLONG trackTime) {
        LONGLONG mixTime = 0;
        timeMap.TrackToMixTime(trackTime, &mixTime);
        return mixTime * 44100 / 1000000;
    };
    const LONGLONG start = frame(clip.GetStart());
    const LONGLONG end = frame(clip.GetEnd());
    const EFXCLIP_RANGE range{start, end, frame(clip.GetStart() + clip.GetFadeIn()) - start,
                              end - frame(clip.GetEnd() - clip.GetFadeOut()), clip.GetLevel()};
    ComPtr<IOstrel> host;
    if (FAILED(CLocalCoCreate::CreateInstance(PluginClsid::Ostrel, &g_localCoCreate, IID_IOstrel, host.put_void())) ||
        !host || FAILED(host->Initialize()))
        return nullptr;
    // A manager of the chain's own puts the clip's effects, with their settings, into the host.
    auto* manager = new (std::nothrow) CEfxManager(nullptr);
    if (!manager)
        return nullptr;
    manager->AddProcessor(host.get());
    manager->SetEffectList(clip.Manager().EffectList());
    manager->ApplyPending();
    manager->NonDelegatingRelease();
    return std::make_unique<CEfxClipChain>(host.get(), range);
}

HRESULT CPlayItem::TrackToMixTime(LONGLONG trackTime, LONGLONG* mixTime)
{
    CSingleThreadLock lock(&m_positionLock);
    return m_track.timeMap.TrackToMixTime(trackTime, mixTime);
}

HRESULT CPlayItem::MixToTrackTime(LONGLONG* trackTime, LONGLONG mixTime)
{
    CSingleThreadLock lock(&m_positionLock);
    return m_track.timeMap.MixToTrackTime(mixTime, trackTime);
}

LONGLONG CPlayItem::GetEndTrackTime()
{
    LONGLONG trackTime = 0;
    MixToTrackTime(&trackTime, m_track.mixEnd);
    return trackTime;
}

bool CPlayItem::GetEdgeOffsets(LONGLONG* first, LONGLONG* second)
{
    CSingleThreadLock lock(&m_positionLock);
    if (first)
        *first = m_track.edgeFirst;
    if (second)
        *second = m_track.edgeSecond;
    return m_track.edgeFirst == 0 && m_track.edgeSecond == 0;
}

BOOL CPlayItem::GetCurrentTrackTime(LONGLONG* trackTime, LONGLONG* sequence)
{
    CSingleThreadLock lock(&m_positionLock);
    if (trackTime)
        *trackTime = m_currentTrackTime;
    if (sequence)
        *sequence = m_currentSequence;
    return m_hasMixInput ? FALSE : TRUE;
}

void CPlayItem::SetCurrentTrackTime(LONGLONG trackTime, LONGLONG sequence)
{
    CSingleThreadLock lock(&m_positionLock);
    m_currentTrackTime = trackTime;
    m_currentSequence = sequence;
}

LONGLONG CPlayItem::GetAudibleSample()
{
    return m_audibleSample;
}

bool CPlayItem::GetEnvelopeValue(LONGLONG time, DWORD typeMask, int* value)
{
    CSingleThreadLock lock(&m_positionLock);
    const bool volume = (typeMask & 0xFFFF) > 15;
    double level = 0.0;
    bool found = false;
    if (m_solo) {
        found = true;
    } else {
        const CMarker* before = nullptr;
        const CMarker* after = nullptr;
        for (int i = 0; i < m_track.markers.GetCount(); ++i) {
            const CTrackObj* object = m_track.markers.GetAt(i);
            if (!object->Matches(kTrackObjMarker, typeMask))
                continue;
            const CMarker* marker = static_cast<const CMarker*>(object);
            const LONGLONG at = marker->GetPositionValue();
            if (at <= time && (!before || at > before->GetPositionValue()))
                before = marker;
            if (at >= time && (!after || at < after->GetPositionValue()))
                after = marker;
        }
        if (before && after && before->GetPositionValue() != after->GetPositionValue()) {
            const double f = static_cast<double>(time - before->GetPositionValue()) /
                             static_cast<double>(after->GetPositionValue() - before->GetPositionValue());
            level = (1.0 - f) * before->GetMainValue() + f * after->GetMainValue();
            found = true;
        } else if (before || after) {
            level = (before ? before : after)->GetMainValue();
            found = true;
        }
    }
    if (volume)
        level += m_track.volumeOffset;
    int result = static_cast<int>(level);
    if (result < -9999)
        result = kSilentLevel;
    if (value)
        *value = result;
    return found;
}

bool CPlayItem::HasMarkerIn(LONGLONG t0, LONGLONG t1, DWORD typeMask)
{
    CSingleThreadLock lock(&m_positionLock);
    for (int i = 0; i < m_track.markers.GetCount(); ++i) {
        const CTrackObj* object = m_track.markers.GetAt(i);
        if (object->Matches(kTrackObjMarker, typeMask) && object->GetStart() >= t0 && object->GetStart() <= t1)
            return true;
    }
    return false;
}

bool CPlayItem::GetEffectClipChain(int index, CEfxClipChain** chain)
{
    if (index < 0 || index >= GetEffectClipChainCount() || !chain)
        return false;
    *chain = m_track.clipChains[static_cast<size_t>(index)].get();
    return true;
}
