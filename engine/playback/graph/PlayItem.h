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

    using EffectClipChains = std::vector<std::unique_ptr<CEfxClipChain>>;
    // What the item takes from its track, made apart from the item: a rebuild makes every item's
    // new state before it holds playback (a fade map and the effect clips' hosts take
    // milliseconds, and the device thread waits while playback is held) and only swaps them in
    // under the hold.
    struct TrackState {
        LONGLONG mixStart = 0;
        LONGLONG mixEnd = 0;
        LONGLONG edgeFirst = 0;
        LONGLONG edgeSecond = 0;
        LONG primary = 1;
        LONG volumeOffset = 0;
        CTimeMap timeMap;
        // The volume, treble and bass markers and the tempo-start marks, each at its mix time.
        CTrackObjContainer markers;
        // Set by AddRenderState: the fade map and the effect clip chains replace the item's too.
        bool renders = false;
        CSampleFadeMap fadeMap;
        EffectClipChains clipChains;
    };
    // Fills a new state with the track's mix range, lead span, time map (of its first layer),
    // primary flag, volume offset and markers.
    static void MakeTrackState(CTrackInfo& track, TrackState& state);
    // Adds what the renderer needs: the fade map at 44100 Hz from the layers' beat maps (as
    // BuildFadeMap takes them) and one effect clip chain per effect clip of the track's layers,
    // each on a host of its own running the clip's effects. A clip whose host cannot be created is
    // left out (the track plays dry there).
    static void AddRenderState(CTrackInfo& track, const std::vector<const CTrackBeatMap*>& beatMaps, TrackState& state);
    // Swaps the state in under the position lock, so that a render thread sees all of the old
    // state or all of the new. `state` comes back holding what the item had, for the caller to let
    // go once it holds no lock a thread waits on. FALSE when the track has no place in the mix (no
    // time map): the item has nothing to render.
    BOOL TakeTrackState(TrackState& state);
    // The track state taken at once, without what the renderer needs.
    void UpdateFromTrack(CTrackInfo& track);
    // The track state with what the renderer needs, taken at once.
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
    int GetEffectClipChainCount() const { return static_cast<int>(m_track.clipChains.size()); }

    // Reads n bytes of the decoded file at byte position p; what lies outside the file is silence.
    // False without a reader, past the end, or when the reader fails.
    bool ReadAt(LONGLONG position, BYTE* buffer, unsigned bytes);

    void Lock() { m_positionLock.Enter(); }
    void Unlock() { m_positionLock.Leave(); }

    LONGLONG GetMixStart() const { return m_track.mixStart; }
    LONGLONG GetMixEnd() const { return m_track.mixEnd; }
    const CSampleFadeMap& GetFadeMap() const { return m_track.fadeMap; }
    WORD GetStreamId() const { return m_streamId; }
    LONG GetTrackId() const { return m_trackId; }
    // The id of the catalog item whose file the item plays; -1 without one.
    DWORD GetCatalogItemId() const { return m_catalogItem ? m_catalogItem->GetItemId() : static_cast<DWORD>(-1); }
    // The catalog item whose file the item plays (no reference added); NULL without one.
    IProfileSource* GetCatalogItem() const { return m_catalogItem.get(); }
    bool IsPrimary() const { return m_track.primary != 0; }
    // Muted: another item plays solo.
    bool IsMuted() const { return m_muted != 0 && m_solo == 0; }
    void SetMuted(BOOL muted) { m_muted = muted; }
    void SetSolo(BOOL solo) { m_solo = solo; }
    bool IsSolo() const { return m_solo != 0; }
    void SetHasMixInput(BOOL has) { m_hasMixInput = has; }
    // Tests and clears the mark that SetActive changed the flag.
    bool TakeActivityChange() { return InterlockedExchange(&m_activityChanged, 0) != 0; }

private:
    static EffectClipChains MakeEffectClipChains(CTrackInfo& track);
    static std::unique_ptr<CEfxClipChain> MakeEffectClipChain(const CEfxClip& clip, const CTimeMap& timeMap);

    LONG m_hasMixInput = 0;
    LONG m_muted = 0;
    LONG m_solo = 0;
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
    // What the item took from its track (its `renders` flag unused).
    TrackState m_track;
    CSingleThreadToken m_sourceLock;
    CSingleThreadToken m_positionLock;
    LONG m_activationEnabled = 1;
};
