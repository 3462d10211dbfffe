// CPlayItem: one track of the mix as the renderer sees it, and the first stage of the audio graph.
//
// It reads the track's music file (opened through its catalog item) at byte positions, knows where
// the track lies on the mix timeline and how mix time maps to track time, and holds what the mix
// input applies while rendering: the fade map (which also carries the time stretch), the effect
// clip chains and the volume, treble and bass envelopes. The envelope markers are kept at their
// mix times, so a block's lookups need no time map.
//
// Threads: the position lock guards positions, times, markers, the time map and the fade map; the
// source lock guards the reader. The mix input's render thread holds the position lock for a whole
// block; the play manager's edits take it too (Lock). Lock order: position lock, then source lock.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/analysis/ProfileSource.h"
#include "engine/core/mix/SampleFadeMap.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/time/TimeMap.h"
#include "engine/core/track/TrackObjContainer.h"
#include "engine/playback/graph/EfxClipChain.h"
#include "engine/playback/graph/PlayerInput.h"

class CEfxClip;
class CTrackBeatMap;
class CTrackInfo;

class CPlayItem : public CPlayerInput {
public:
    // The previewer's items carry this stream id.
    static constexpr WORD kPreviewStream = 0xFFFF;

    CPlayItem(IProfileSource* catalogItem, WORD streamId, LONG trackId);
    ~CPlayItem() override;

    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override;
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) override;
    HRESULT STDMETHODCALLTYPE SetActive(BOOL active) override;
    HRESULT STDMETHODCALLTYPE IsActive() override;
    HRESULT STDMETHODCALLTYPE OpenSource() override;
    HRESULT STDMETHODCALLTYPE CloseSource() override;
    HRESULT STDMETHODCALLTYPE Seek(LONGLONG samplePosition) override;
    void STDMETHODCALLTYPE EnableActivation(BOOL enable) override;

    // Copies the track's mix range, lead span, time map (of its first layer), primary flag, volume
    // offset and its volume, treble and bass markers (each placed at its mix time).
    void UpdateFromTrack(CTrackInfo& track);
    using EffectClipChains = std::vector<std::unique_ptr<CEfxClipChain>>;
    // One effect clip chain per effect clip of the track's layers, each on a host of its own
    // running the clip's effects. A clip whose host cannot be created is left out (the track plays
    // dry there). Making a host (creating it, listing the installed plug-ins, instantiating and
    // linking the effects) takes milliseconds: callers make the chains before taking the locks
    // that render and device threads wait on.
    static EffectClipChains MakeEffectClipChains(CTrackInfo& track);
    // Everything the renderer needs of the track: UpdateFromTrack, then its fade map at 44100 Hz
    // from the layers' beat maps (as BuildFadeMap takes them), and `clipChains` (made for this
    // track by MakeEffectClipChains) in place of the item's chains. `clipChains` comes back with
    // the chains replaced, for the caller to let go once it holds no lock a thread waits on.
    // FALSE when the track has no place in the mix (no time map): the item has nothing to render.
    BOOL LoadFromTrack(CTrackInfo& track, const std::vector<const CTrackBeatMap*>& beatMaps,
                       EffectClipChains& clipChains);
    // The same with the track's chains made here first.
    BOOL LoadFromTrack(CTrackInfo& track, const std::vector<const CTrackBeatMap*>& beatMaps);

    HRESULT TrackToMixTime(LONGLONG trackTime, LONGLONG* mixTime);
    HRESULT MixToTrackTime(LONGLONG* trackTime, LONGLONG mixTime);
    LONGLONG GetEndTrackTime();
    // True when both edge offsets are 0.
    bool GetEdgeOffsets(LONGLONG* first, LONGLONG* second);
    // TRUE when the item has no mix input (its time is then not being rendered).
    BOOL GetCurrentTrackTime(LONGLONG* trackTime, LONGLONG* sequence);
    void SetCurrentTrackTime(LONGLONG trackTime, LONGLONG sequence);
    LONGLONG GetAudibleSample();
    // The envelope of a marker type mask at a mix time, in hundredths of a decibel (volume
    // includes the item's offset; below -9999 reads -10000). False without a marker of the type.
    bool GetEnvelopeValue(LONGLONG time, DWORD typeMask, int* value);
    // A marker of the type in [t0, t1], both ends included.
    bool HasMarkerIn(LONGLONG t0, LONGLONG t1, DWORD typeMask);
    bool GetEffectClipChain(int index, CEfxClipChain** chain);
    int GetEffectClipChainCount() const { return static_cast<int>(m_clipChains.size()); }

    // Reads n bytes of the decoded file at byte position p; what lies outside the file is silence.
    // False without a reader, past the end, or when the reader fails.
    bool ReadAt(LONGLONG position, BYTE* buffer, unsigned bytes);

    void Lock() { m_positionLock.Enter(); }
    void Unlock() { m_positionLock.Leave(); }

    LONGLONG GetMixStart() const { return m_mixStart; }
    LONGLONG GetMixEnd() const { return m_mixEnd; }
    const CSampleFadeMap& GetFadeMap() const { return m_fadeMap; }
    WORD GetStreamId() const { return m_streamId; }
    LONG GetTrackId() const { return m_trackId; }
    // The id of the catalog item whose file the item plays; -1 without one.
    DWORD GetCatalogItemId() const { return m_catalogItem ? m_catalogItem->GetItemId() : static_cast<DWORD>(-1); }
    // The catalog item whose file the item plays (no reference added); NULL without one.
    IProfileSource* GetCatalogItem() const { return m_catalogItem.get(); }
    bool IsPrimary() const { return m_primary != 0; }
    // Muted: another item plays solo.
    bool IsMuted() const { return m_muted != 0 && m_solo == 0; }
    void SetMuted(BOOL muted) { m_muted = muted; }
    void SetSolo(BOOL solo) { m_solo = solo; }
    bool IsSolo() const { return m_solo != 0; }
    void SetHasMixInput(BOOL has) { m_hasMixInput = has; }
    // Tests and clears the mark that SetActive changed the flag.
    bool TakeActivityChange() { return InterlockedExchange(&m_activityChanged, 0) != 0; }

private:
    static std::unique_ptr<CEfxClipChain> MakeEffectClipChain(const CEfxClip& clip, const CTimeMap& timeMap);

    LONG m_hasMixInput = 0;
    LONG m_muted = 0;
    LONG m_solo = 0;
    LONG m_primary = 1;
    ComPtr<IProfileSource> m_catalogItem;
    ComPtr<IPcmReader> m_reader;
    int m_readerUses = 0;
    BYTE m_silence = 0;
    volatile LONG m_activityChanged = 0;
    WORD m_streamId;
    WORD m_blockAlign = 1;
    LONG m_trackId;
    LONGLONG m_currentTrackTime = 0;
    LONGLONG m_currentSequence = 0;
    LONGLONG m_audibleSample = 0;
    LONGLONG m_mixStart = 0;
    LONGLONG m_mixEnd = 0;
    LONGLONG m_edgeFirst = 0;
    LONGLONG m_edgeSecond = 0;
    CTimeMap m_timeMap;
    CTrackObjContainer m_objects;
    LONG m_volumeOffset = 0;
    CSampleFadeMap m_fadeMap;
    EffectClipChains m_clipChains;
    CSingleThreadToken m_sourceLock;
    CSingleThreadToken m_positionLock;
    LONG m_activationEnabled = 1;
};
