// CTrackInfo: one track of the mix: a music file placed on the mix timeline with its layers,
// segments and markers, its tempo, its mixing kind and its role (primary, overlay or pause).
// Reference counted through CUnknownStandAlone; its QueryInterface answers no IID of its own and
// passes every request to its delegate (the engine object that hands the track out). Objects it
// hands out point back at it; the owner calls ReleaseFromOwner to break that cycle when it lets
// go. Everything but the count runs under the global mix lock.
#pragma once

#include <windows.h>

#include "classlib/core/String.h"
#include "engine/catalog/analysis/BeatPoints.h"
#include "engine/core/storage/MusicFileId.h"
#include "engine/core/time/MusicTime.h"
#include "engine/core/track/TrackLayerContainer.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/ITrackEditItem.h"

class CArchive;
class CProfileResults;
struct IRiffStream;

// Track kinds (the flags word) and mixing kinds.
enum : DWORD {
    kTrackPrimary = 0x10000,
    kTrackOverlay = 0x20000,
    kTrackPause = 0x40000,
    kMixingStandard = 1,
    kMixingBeat = 2,
};

class CTrackInfo : public CUnknownStandAlone, public ITrackEditItem {
public:
    static constexpr WORD kArchiveVersion = 5;
    static constexpr FOURCC kHeaderChunkId = mmioFOURCC('T', 'R', 'K', 'H');
    static constexpr FOURCC kPathChunkId = mmioFOURCC('T', 'R', 'K', 'F');
    static constexpr FOURCC kTimeChunkId = mmioFOURCC('D', 'M', 'C', 'T');
    static constexpr FOURCC kLegacyChunkId = mmioFOURCC('T', 'R', 'K', 'B');

    CTrackInfo();

    DECLARE_STANDALONE_UNKNOWN

    // ITrackDisplayItem
    HRESULT STDMETHODCALLTYPE GetAudibleStart(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE GetAudibleEnd(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE GetStartTime(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE GetEndTime(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE GetCatalogItemId(LONG* id) override;
    HRESULT STDMETHODCALLTYPE GetTrackId(LONG* id) override;
    HRESULT STDMETHODCALLTYPE GetInfo(TRACKITEM_INFO* info) override;
    HRESULT STDMETHODCALLTYPE GetType1MarkerSpan(LONGLONG* first, LONGLONG* last) override;
    HRESULT STDMETHODCALLTYPE GetType2MarkerSpan(LONGLONG* first, LONGLONG* last) override;
    HRESULT STDMETHODCALLTYPE GetVolumeOffset(LONG* level) override;
    HRESULT STDMETHODCALLTYPE GetTrackType(DWORD* type) override;
    HRESULT STDMETHODCALLTYPE TrackTimeToMixTime(LONGLONG trackTime, LONGLONG* mixTime) override;
    HRESULT STDMETHODCALLTYPE MixTimeToTrackTime(LONGLONG mixTime, LONGLONG* trackTime) override;
    HRESULT STDMETHODCALLTYPE GetMeasureCount(LONGLONG from, LONGLONG to, WORD* count) override;
    HRESULT STDMETHODCALLTYPE GetMeasureSpan(LONGLONG from, LONGLONG to, float* span) override;
    HRESULT STDMETHODCALLTYPE MixTimeToFilePosition(LONGLONG mixTime, LONGLONG* position) override;
    HRESULT STDMETHODCALLTYPE GetMeasureDuration(LONGLONG* microseconds) override;
    HRESULT STDMETHODCALLTYPE GetRuntimeId3(LONG* value) override;
    HRESULT STDMETHODCALLTYPE IsPrimaryTrack() override;
    HRESULT STDMETHODCALLTYPE GetLeadSpan(LONGLONG* from, LONGLONG* to) override;

    // ITrackEditItem
    HRESULT STDMETHODCALLTYPE SetLeadSpan(LONGLONG from, LONGLONG to) override;
    HRESULT STDMETHODCALLTYPE IsPauseTrack() override;
    HRESULT STDMETHODCALLTYPE IsBeatMixed() override;
    HRESULT STDMETHODCALLTYPE GetMarker(int index, DWORD typeMask, ITrackMarker** marker) override;
    HRESULT STDMETHODCALLTYPE GetRange(int index, DWORD typeMask, ITrackRange** range) override;
    HRESULT STDMETHODCALLTYPE GetLayer(int index, ITrackLayer** layer) override;
    HRESULT STDMETHODCALLTYPE GetEditCopyId(LONG* id) override;
    HRESULT STDMETHODCALLTYPE GetObjectById(LONG id, IUnknown** object) override;
    HRESULT STDMETHODCALLTYPE SetVolumeOffset(LONG level) override;
    HRESULT STDMETHODCALLTYPE AddMarker(LONGLONG mixTime, DWORD type) override;
    HRESULT STDMETHODCALLTYPE SetTempo(float bpm, BOOL reset) override;

    // Engine-side operations.
    void SetBpm(float bpm);
    // Whether a tempo read from a stored track is one a track can have: 0 (not yet known), or
    // within the range tempos are set in, with a margin either side. A damaged tempo far outside
    // it makes measures so short that laying the mix out would take minutes; such a tempo is not
    // taken (the track's tempo stays unknown until its analysis gives one).
    static bool IsStoredTempoAccepted(double bpm);
    float GetBpm() const { return m_tempo; }
    void SetFilePath(const wchar_t* path) { m_path = path ? path : L""; }
    const CString& GetFilePath() const { return m_path; }
    void SetMusicFileId(const CMusicFileId& id) { m_fileId = id; }
    const CMusicFileId& GetMusicFileId() const { return m_fileId; }
    void SetTimestamp(const SYSTEMTIME& time) { m_modified = time; }
    const SYSTEMTIME& GetTimestamp() const { return m_modified; }
    BOOL IsOlderThan(const CTrackInfo& other) const;
    void MakePauseTrack();
    void ResetToDefaults();
    void AddDefaultMarkers();
    BOOL HasCustomSettings() const;
    void CopySettingsTo(CTrackInfo& destination) const;
    void CopyFrom(const CTrackInfo& source);
    BOOL IsEqual(const CTrackInfo& other) const;
    void SetPrimary(BOOL on);
    void MergeLayers();
    void SplitBeatSegments();
    void KeepSegmentsOnly();
    void NumberObjects(LONG* counter);
    // Applies valid analysis results once: tempo, file identity, mix points as start and end
    // markers (default markers only), beat points and object markers (unless user-adjusted).
    void ApplyProfile(const CProfileResults& results, BOOL standard);
    // A primary track switched to standard or beat mixing: its start and end markers are laid
    // again from the results' mix points for that mode. FALSE (nothing changed) for invalid
    // results or a track that is not primary.
    BOOL SwitchMixing(const CProfileResults& results, BOOL standard);
    void RemoveMarkersInWindow(LONGLONG from, LONGLONG to, DWORD typeMask);
    void ShiftMusicTimes(const CMusicTime& offset);
    void RemoveMixRange(LONGLONG from, LONGLONG to);
    BOOL GetSegmentSpan(LONG id, LONGLONG* start, LONGLONG* end) const;
    // A new effect clip over [start, end] carrying the effect id, appended to the first layer;
    // FALSE when memory fails.
    BOOL AddEffectClip(LONG effectId, LONGLONG start, LONGLONG end);

    // Track length in microseconds, rounded to the nearest; 0 without a rate.
    LONGLONG GetTrackLength() const;
    void SetSampleInfo(DWORD sampleRate, LONGLONG samples)
    {
        m_sampleRate = sampleRate;
        m_sampleCount = samples;
    }
    DWORD GetSampleRate() const { return m_sampleRate; }
    LONGLONG GetSampleCount() const { return m_sampleCount; }
    void SetTrackId(LONG id) { m_trackId = id; }
    LONG GetTrackIdValue() const { return m_trackId; }
    void SetCatalogItemId(LONG id) { m_catalogItemId = id; }
    void SetEditCopyId(LONG id) { m_editCopyId = id; }
    void SetLinkId(LONG id) { m_linkId = id; }
    LONG GetLinkId() const { return m_linkId; }
    void SetRuntimeWord(LONG value) { m_runtimeWord = value; }
    DWORD GetFlags() const { return m_flags; }
    void SetFlags(DWORD flags) { m_flags = flags; }
    DWORD GetMixingKind() const { return m_mixingKind; }
    void SetMixingKind(DWORD kind) { m_mixingKind = kind; }
    BOOL IsProfileApplied() const { return m_profileApplied != 0; }
    void SetPerformed(BOOL on) { m_performed = on ? 1 : 0; }
    // Whether an overlay track's beat segments hold their musical times (computed once by the
    // mix builder; cleared to have them computed again from the parent's track times). It is the
    // word set to 1 at construction, copied and archived with the track: an undo, a redo or a
    // reloaded document keeps the musical times the overlay was placed by instead of computing
    // them again from parent track times that may no longer match. A document keeps the musical
    // times themselves, so a track read from one starts with them set.
    BOOL AreOverlayMusicTimesSet() const { return m_word1 != 0; }
    void SetOverlayMusicTimesSet(BOOL on) { m_word1 = on ? 1 : 0; }
    bool IsPrimary() const { return (m_flags & kTrackPrimary) != 0; }
    bool IsPause() const { return (m_flags & kTrackPause) != 0; }
    CTrackLayerContainer& Layers() { return m_layers; }
    const CTrackLayerContainer& Layers() const { return m_layers; }
    CTrackObjContainer& MainObjects() { return *m_layers.GetFirstObjects(); }
    const CTrackObjContainer& MainObjects() const { return *m_layers.GetFirstObjects(); }
    CBeatPoints& BeatPoints() { return m_beatPoints; }

    // Chunks inside the track's "TRKI" list. The oldest form (one "TRKB" archive of the older
    // track format) is read but never written; FALSE when it is malformed.
    BOOL WriteChunks(IRiffStream* stream, BOOL flat) const;
    BOOL ReadChunks(IRiffStream* stream, DWORD version);
    // The clipboard and undo form (version 5). Loading throws CArchiveException on malformed
    // data.
    void Serialize(CArchive& archive);

    // Drops the delegate references of every object of every layer, then this owner's
    // reference.
    void ReleaseFromOwner();

private:
    // The older format stores the tempo as it was, without the clamp of SetBpm.
    friend BOOL LoadV4TrackArchive(CArchive& archive, CTrackInfo& track);

    HRESULT MarkerSpan(DWORD type, BOOL defaultToEnd, LONGLONG* first, LONGLONG* last);
    // Start and end markers from the results' mix points for the mode; sets the mixing kind.
    void LayMixPoints(const CProfileResults& results, BOOL standard);
    HRESULT FindAudibleEdge(bool fromEnd, LONGLONG* time);
    float AveragedTempo(bool* unadjusted) const;
    void ClearDelegates();

    CString m_path;
    DWORD m_sampleRate = 0;
    LONGLONG m_sampleCount = 0;
    LONG m_catalogItemId = -1;
    LONG m_trackId = -1;
    LONG m_editCopyId = -1;
    LONG m_linkId = -1;
    LONG m_runtimeWord = -1;
    DWORD m_mixingKind = 0;
    DWORD m_flags = 0;
    LONG m_volumeOffset = 0;
    DWORD m_profileApplied = 0;
    DWORD m_performed = 0;
    float m_tempo = 0.0f;
    SYSTEMTIME m_modified{};
    DWORD m_word1 = 1;
    CMusicFileId m_fileId;
    CTrackLayerContainer m_layers;
    CBeatPoints m_beatPoints;
    LONGLONG m_leadFrom = 0;
    LONGLONG m_leadTo = 0;
};
