#include "engine/core/track/TrackInfo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/core/track/EfxClip.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackLayerMap.h"
#include "engine/core/track/V4TrackArchive.h"
#include "interfaces/IRiffStream.h"

namespace {

#pragma pack(push, 1)
struct TRKH_RECORD {
    DWORD size;
    DWORD zero;
    BYTE fileId[16];
    LONG tempoMilli;
    LONG volumeOffset;
    DWORD flags;
    DWORD mixingKind;
};
#pragma pack(pop)
static_assert(sizeof(TRKH_RECORD) == 40, "TRKH is 40 bytes");
static_assert(sizeof(SYSTEMTIME) == 16, "DMCT holds a 16-byte SYSTEMTIME");

constexpr float kMinBpm = 40.0f;
constexpr float kMaxBpm = 250.0f;
constexpr LONG kAudibleLevel = -4999;
constexpr wchar_t kPauseTrackPath[] = L"PAUSE TRACK";
// The text of the engine's string 57782: a new label marker is named by its number.
constexpr wchar_t kLabelFormat[] = L"%d";

LONGLONG SamplesFromMicroseconds(LONGLONG microseconds, DWORD rate)
{
    const __int128 scaled = static_cast<__int128>(microseconds) * rate + 500000;
    return static_cast<LONGLONG>(scaled / 1000000);
}

LONGLONG MicrosecondsFromSamples(LONGLONG samples, DWORD rate)
{
    if (rate == 0)
        return 0;
    const __int128 scaled = static_cast<__int128>(samples) * 1000000 + rate / 2;
    const __int128 result = scaled / rate;
    if (result > std::numeric_limits<LONGLONG>::max())
        return std::numeric_limits<LONGLONG>::max();
    if (result < std::numeric_limits<LONGLONG>::min())
        return std::numeric_limits<LONGLONG>::min();
    return static_cast<LONGLONG>(result);
}

bool IsZeroTime(const SYSTEMTIME& time)
{
    static const SYSTEMTIME zero{};
    return std::memcmp(&time, &zero, sizeof(zero)) == 0;
}

// Each layer's markers of the mask, with their positions in the layer's mix time.
std::vector<LONGLONG> VolumeMarkerMixTimes(const CTrackLayerContainer& layers, std::vector<LONG>* levels)
{
    std::vector<LONGLONG> times;
    for (int l = 0; l < layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        layers.GetLayer(l, &layer);
        const CTrackObjContainer& objects = layer->Objects();
        for (int i = 0; i < objects.GetCount(); ++i) {
            const CTrackObj* o = objects.GetAt(i);
            if (!o->Matches(kTrackObjMarker, kMarkerVolumeMask))
                continue;
            LONGLONG mixTime = 0;
            if (FAILED(layer->TimeMap().TrackToMixTime(o->GetStart(), &mixTime)))
                continue;
            times.push_back(mixTime);
            levels->push_back(static_cast<const CMarker*>(o)->GetMainValue());
        }
    }
    return times;
}

}  // namespace

CTrackInfo::CTrackInfo() = default;

HRESULT STDMETHODCALLTYPE CTrackInfo::GetAudibleStart(LONGLONG* time)
{
    return FindAudibleEdge(false, time);
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetAudibleEnd(LONGLONG* time)
{
    return FindAudibleEdge(true, time);
}

// Seen from one edge of the track, the audible edge is the volume marker nearest to the first loud
// marker on the edge's side of it (or the edge itself). The end is the mirror image of the start,
// so both walk the markers with one ordering: "a comes before b" as seen from that edge.
HRESULT CTrackInfo::FindAudibleEdge(bool fromEnd, LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    LONGLONG start = 0;
    LONGLONG end = 0;
    if (FAILED(GetStartTime(&start)) || FAILED(GetEndTime(&end)))
        return E_FAIL;
    const LONGLONG nearEdge = fromEnd ? end : start;
    const LONGLONG farEdge = fromEnd ? start : end;
    const auto before = [fromEnd](LONGLONG a, LONGLONG b) { return fromEnd ? a > b : a < b; };
    std::vector<LONG> levels;
    const std::vector<LONGLONG> times = VolumeMarkerMixTimes(m_layers, &levels);
    if (times.empty()) {
        *time = nearEdge;
        return S_OK;
    }
    bool found = false;
    LONGLONG loud = 0;
    for (size_t i = 0; i < times.size(); ++i)
        if (levels[i] >= kAudibleLevel && before(times[i], farEdge) && (!found || before(times[i], loud))) {
            loud = times[i];
            found = true;
        }
    if (!found)
        return E_FAIL;
    LONGLONG result = nearEdge;
    for (LONGLONG t : times)
        if (before(t, loud) && before(result, t))
            result = t;
    *time = result;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetStartTime(LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    return m_layers.GetEarliestMixTime(time);
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetEndTime(LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    return m_layers.GetLatestMixTime(time);
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetCatalogItemId(LONG* id)
{
    if (!id)
        return E_POINTER;
    *id = m_catalogItemId;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetTrackId(LONG* id)
{
    if (!id)
        return E_POINTER;
    *id = m_trackId;
    return S_OK;
}

float CTrackInfo::AveragedTempo(bool* unadjusted) const
{
    double sum = 0;
    int count = 0;
    bool anyAdjusted = false;
    ForEachObject(m_layers, kTrackObjMarker, kMarkerTempoMask, [&](CTrackObj* o) {
        const CMarker* marker = static_cast<const CMarker*>(o);
        sum += marker->GetMainValue() / 1000.0;
        ++count;
        anyAdjusted = anyAdjusted || marker->IsUserAdjusted();
    });
    if (unadjusted)
        *unadjusted = !anyAdjusted;
    return count ? static_cast<float>(sum / count) : m_tempo;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetInfo(TRACKITEM_INFO* info)
{
    if (!info)
        return E_POINTER;
    bool unadjusted = true;
    DWORD type = 0;
    GetTrackType(&type);
    info->trackType = type;
    info->mixingKind = m_mixingKind;
    info->relatedTrack = m_linkId;
    info->tempo = m_tempo;
    info->playbackTempo = AveragedTempo(&unadjusted);
    info->tempoUnadjusted = unadjusted ? 1 : 0;
    info->analysisApplied = IsPause() ? 1 : m_profileApplied;
    info->performed = m_performed;
    return S_OK;
}

HRESULT CTrackInfo::MarkerSpan(DWORD type, BOOL defaultToEnd, LONGLONG* first, LONGLONG* last)
{
    const CTrackObjContainer& objects = MainObjects();
    const LONGLONG fallback = defaultToEnd ? objects.GetLatestEnd() : objects.GetEarliestStart();
    if (first && !objects.GetMarkerBound(TRUE, type, first))
        *first = fallback;
    if (last && !objects.GetMarkerBound(FALSE, type, last))
        *last = fallback;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetType1MarkerSpan(LONGLONG* first, LONGLONG* last)
{
    return MarkerSpan(kMarkerStart, FALSE, first, last);
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetType2MarkerSpan(LONGLONG* first, LONGLONG* last)
{
    return MarkerSpan(kMarkerEnd, TRUE, first, last);
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetVolumeOffset(LONG* level)
{
    if (!level)
        return E_POINTER;
    *level = m_volumeOffset;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetTrackType(DWORD* type)
{
    if (!type)
        return E_POINTER;
    *type = (m_flags & kTrackPause) ? kTrackPause : (m_flags & kTrackPrimary) ? kTrackPrimary : kTrackOverlay;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::TrackTimeToMixTime(LONGLONG trackTime, LONGLONG* mixTime)
{
    CTrackLayer* layer = nullptr;
    if (!m_layers.GetLayer(0, &layer))
        return E_FAIL;
    return layer->TrackToMixTime(trackTime, mixTime);
}

HRESULT STDMETHODCALLTYPE CTrackInfo::MixTimeToTrackTime(LONGLONG mixTime, LONGLONG* trackTime)
{
    CTrackLayer* layer = nullptr;
    if (!m_layers.GetLayer(0, &layer))
        return E_FAIL;
    return layer->MixToTrackTime(mixTime, trackTime);
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetMeasureCount(LONGLONG from, LONGLONG to, WORD* count)
{
    if (!count)
        return E_POINTER;
    const double samplesPerMeasure = m_tempo > 0 ? m_sampleRate / (m_tempo * 0.25 / 60.0) : 0.0;
    if (samplesPerMeasure == 0.0) {
        *count = 0;
        return S_OK;
    }
    const DWORD difference =
        static_cast<DWORD>(SamplesFromMicroseconds(to, m_sampleRate) - SamplesFromMicroseconds(from, m_sampleRate));
    *count = static_cast<WORD>(static_cast<ULONGLONG>(difference / samplesPerMeasure + 0.5));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetMeasureSpan(LONGLONG from, LONGLONG to, float* span)
{
    if (!span)
        return E_POINTER;
    const double samplesPerMeasure = m_tempo > 0 ? m_sampleRate / (m_tempo * 0.25 / 60.0) : 0.0;
    if (samplesPerMeasure == 0.0) {
        *span = 0.0f;
        return S_OK;
    }
    const DWORD difference =
        static_cast<DWORD>(SamplesFromMicroseconds(to, m_sampleRate) - SamplesFromMicroseconds(from, m_sampleRate));
    *span = static_cast<float>(difference / samplesPerMeasure);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::MixTimeToFilePosition(LONGLONG mixTime, LONGLONG* position)
{
    CTrackLayer* layer = nullptr;
    if (!m_layers.GetLayer(0, &layer))
        return E_FAIL;
    return layer->MapToFilePosition(mixTime, position);
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetMeasureDuration(LONGLONG* microseconds)
{
    if (!microseconds)
        return E_POINTER;
    *microseconds = m_tempo > 0 ? static_cast<LONGLONG>(1000000.0 / (m_tempo / 4.0 / 60.0) + 0.5) : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetRuntimeId3(LONG* value)
{
    if (!value)
        return E_POINTER;
    *value = m_runtimeWord;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::IsPrimaryTrack()
{
    return IsPrimary() ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetLeadSpan(LONGLONG* from, LONGLONG* to)
{
    if (from)
        *from = m_leadFrom;
    if (to)
        *to = m_leadTo;
    return (m_leadFrom != 0 || m_leadTo != 0) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::SetLeadSpan(LONGLONG from, LONGLONG to)
{
    m_leadFrom = from;
    m_leadTo = to;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::IsPauseTrack()
{
    return IsPause() ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::IsBeatMixed()
{
    return ((m_mixingKind & kMixingBeat) && !IsPause()) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetMarker(int index, DWORD typeMask, ITrackMarker** marker)
{
    if (!marker)
        return E_POINTER;
    if (!MainObjects().GetMarker(index, typeMask, marker, static_cast<ITrackEditItem*>(this)))
        return E_FAIL;
    (*marker)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetRange(int index, DWORD typeMask, ITrackRange** range)
{
    if (!range)
        return E_POINTER;
    if (!MainObjects().GetRange(index, typeMask, range, static_cast<ITrackEditItem*>(this)))
        return E_FAIL;
    (*range)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetLayer(int index, ITrackLayer** layer)
{
    if (!layer)
        return E_POINTER;
    CTrackLayer* found = nullptr;
    if (!m_layers.GetLayer(index, &found))
        return E_FAIL;
    found->AddRef();
    *layer = found;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetEditCopyId(LONG* id)
{
    if (!id)
        return E_POINTER;
    *id = m_editCopyId;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::GetObjectById(LONG id, IUnknown** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (int l = 0; l < m_layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        m_layers.GetLayer(l, &layer);
        CTrackObj* found = nullptr;
        if (!layer->Objects().FindById(id, &found))
            continue;
        ITrackMarker* marker = nullptr;
        ITrackRange* range = nullptr;
        if (found->GetMarkerInterface(&marker))
            *object = marker;
        else if (found->GetRangeInterface(&range))
            *object = range;
        else
            return E_FAIL;
        found->SetDelegate(static_cast<ITrackEditItem*>(this));
        (*object)->AddRef();
        return S_OK;
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::SetVolumeOffset(LONG level)
{
    m_volumeOffset = level;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::AddMarker(LONGLONG mixTime, DWORD type)
{
    CTrackLayerMap map;
    map.Build(m_layers);
    int index = -1;
    CTrackLayer* layer = nullptr;
    if (FAILED(map.GetLayerAt(mixTime, &index)) || !m_layers.GetLayer(index, &layer))
        return E_FAIL;
    LONGLONG trackTime = 0;
    if (FAILED(layer->MixToTrackTime(mixTime, &trackTime)))
        return E_FAIL;
    CMarker* marker = new (std::nothrow) CMarker(type, trackTime);
    if (!marker)
        return E_OUTOFMEMORY;
    layer->Objects().Append(marker);
    if (type == kMarkerLabel) {
        CString label;
        label.Format(kLabelFormat, MainObjects().CountObjects(kTrackObjMarker, kMarkerLabel));
        marker->SetLabelText(label);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackInfo::SetTempo(float bpm, BOOL reset)
{
    if (reset) {
        ForEachObject(m_layers, kTrackObjMarker, kMarkerTempoMask,
                      [](CTrackObj* o) { static_cast<CMarker*>(o)->SetUserAdjusted(FALSE); });
        return S_OK;
    }
    const LONG shift = static_cast<LONG>((bpm - AveragedTempo(nullptr)) * 1000.0);
    ForEachObject(m_layers, kTrackObjMarker, kMarkerTempoMask, [shift](CTrackObj* o) {
        CMarker* marker = static_cast<CMarker*>(o);
        marker->SetMainValue(marker->GetMainValue() + shift);
        marker->SetUserAdjusted(TRUE);
    });
    return S_OK;
}

void CTrackInfo::SetBpm(float bpm)
{
    // Kept in thousandths of a BPM, as a mix document stores it: a mix laid from a finer tempo
    // (an analysis gives one) would be laid otherwise once saved and opened again.
    const float clamped = std::clamp(bpm, kMinBpm, kMaxBpm);
    m_tempo = static_cast<float>(std::lround(clamped * 1000.0) * 0.001);
}

bool CTrackInfo::IsStoredTempoAccepted(double bpm)
{
    return bpm == 0.0 || (bpm >= kMinBpm / 2 && bpm <= kMaxBpm * 2);
}

BOOL CTrackInfo::IsOlderThan(const CTrackInfo& other) const
{
    FILETIME mine{};
    FILETIME theirs{};
    if (!SystemTimeToFileTime(&m_modified, &mine) || !SystemTimeToFileTime(&other.m_modified, &theirs))
        return FALSE;
    return CompareFileTime(&mine, &theirs) < 0;
}

void CTrackInfo::MakePauseTrack()
{
    m_flags = kTrackPause;
    m_path = kPauseTrackPath;
}

LONGLONG CTrackInfo::GetTrackLength() const
{
    return MicrosecondsFromSamples(m_sampleCount, m_sampleRate);
}

void CTrackInfo::ResetToDefaults()
{
    m_volumeOffset = 0;
    m_profileApplied = 0;
    m_tempo = 0.0f;
    m_layers.RemoveObjects(kAllMask, kAllMask);
    MainObjects().AddFullSegment(GetTrackLength());
    m_flags = kTrackPrimary;
    m_linkId = m_trackId;
    AddDefaultMarkers();
}

void CTrackInfo::AddDefaultMarkers()
{
    MainObjects().RemoveStartEndMarkers();
    MainObjects().AddStartMarker(0);
    MainObjects().AddEndMarker(GetTrackLength());
    m_mixingKind = kMixingStandard;
}

BOOL CTrackInfo::HasCustomSettings() const
{
    if (m_flags == 0)
        return FALSE;
    int mixPointMarkers = 0;
    int segments = 0;
    ForEachObject(m_layers, kTrackObjMarker, 0x7, [&](CTrackObj*) { ++mixPointMarkers; });
    ForEachObject(m_layers, kTrackObjSegment, kSegmentTypeMask, [&](CTrackObj*) { ++segments; });
    if ((IsPrimary() && mixPointMarkers <= 1) || segments == 0)
        return FALSE;
    return TRUE;
}

void CTrackInfo::CopySettingsTo(CTrackInfo& destination) const
{
    if (&destination == this)
        return;
    destination.m_tempo = m_tempo;
    destination.m_profileApplied = m_profileApplied;
    destination.m_volumeOffset = m_volumeOffset;
    destination.m_mixingKind = m_mixingKind;
    destination.m_flags = m_flags;
    destination.m_layers.AssignFrom(m_layers);
    destination.m_modified = m_modified;
    destination.m_linkId = destination.m_flags == kTrackPrimary ? destination.m_trackId : -1;
    destination.SplitBeatSegments();
}

void CTrackInfo::CopyFrom(const CTrackInfo& source)
{
    if (&source == this)
        return;
    m_path = source.m_path;
    m_sampleRate = source.m_sampleRate;
    m_sampleCount = source.m_sampleCount;
    m_catalogItemId = source.m_catalogItemId;
    m_trackId = source.m_trackId;
    m_editCopyId = source.m_editCopyId;
    m_linkId = source.m_linkId;
    m_runtimeWord = source.m_runtimeWord;
    m_mixingKind = source.m_mixingKind;
    m_flags = source.m_flags;
    m_volumeOffset = source.m_volumeOffset;
    m_profileApplied = source.m_profileApplied;
    m_performed = source.m_performed;
    m_tempo = source.m_tempo;
    m_modified = source.m_modified;
    m_word1 = source.m_word1;
    m_fileId = source.m_fileId;
    m_layers.AssignFrom(source.m_layers);
    m_beatPoints = source.m_beatPoints;
    m_leadFrom = source.m_leadFrom;
    m_leadTo = source.m_leadTo;
}

BOOL CTrackInfo::IsEqual(const CTrackInfo& other) const
{
    return m_path == other.m_path && m_sampleRate == other.m_sampleRate && m_sampleCount == other.m_sampleCount &&
           m_catalogItemId == other.m_catalogItemId && m_trackId == other.m_trackId &&
           m_editCopyId == other.m_editCopyId && m_linkId == other.m_linkId && m_runtimeWord == other.m_runtimeWord &&
           m_mixingKind == other.m_mixingKind && m_flags == other.m_flags && m_volumeOffset == other.m_volumeOffset &&
           m_profileApplied == other.m_profileApplied && m_performed == other.m_performed && m_tempo == other.m_tempo &&
           std::memcmp(&m_modified, &other.m_modified, sizeof(m_modified)) == 0 && m_word1 == other.m_word1 &&
           m_fileId == other.m_fileId && m_layers.IsEqual(other.m_layers) && m_beatPoints.IsEqual(other.m_beatPoints) &&
           m_leadFrom == other.m_leadFrom && m_leadTo == other.m_leadTo;
}

void CTrackInfo::SetPrimary(BOOL on)
{
    if (on) {
        m_flags = kTrackPrimary;
        m_linkId = m_trackId;
        MergeLayers();
        ForEachObject(m_layers, kTrackObjSegment, kAllMask, [](CTrackObj* o) { o->SetType(kSegmentPlain); });
    } else {
        m_linkId = -1;
        m_flags = kTrackOverlay;
        for (DWORD mask : {0x7u, static_cast<unsigned>(kMarkerVolumeMask), static_cast<unsigned>(kMarkerObject),
                           static_cast<unsigned>(kMarkerMixPointMask)})
            m_layers.RemoveObjects(kTrackObjMarker, mask);
        ForEachObject(m_layers, kTrackObjSegment, kAllMask, [](CTrackObj* o) { o->SetType(kSegmentBeat); });
    }
    SplitBeatSegments();
}

void CTrackInfo::MergeLayers()
{
    const int count = m_layers.GetCount();
    std::vector<int> order(static_cast<size_t>(count));
    std::vector<LONGLONG> firstTimes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        CTrackLayer* layer = nullptr;
        m_layers.GetLayer(i, &layer);
        layer->TimeMap().GetFirstMixTime(&firstTimes[static_cast<size_t>(i)]);
        order[static_cast<size_t>(i)] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return firstTimes[static_cast<size_t>(a)] < firstTimes[static_cast<size_t>(b)];
    });
    CTrackLayer* merged = new CTrackLayer();
    bool havePrevious = false;
    LONGLONG previousEnd = 0;
    for (int index : order) {
        CTrackLayer* layer = nullptr;
        m_layers.GetLayer(index, &layer);
        CTrackObjContainer& objects = layer->Objects();
        if (objects.GetCount() == 0)
            continue;
        // Each layer's material follows the previous layer's, one microsecond after its end.
        if (havePrevious)
            objects.MoveObjects(SaturatingAdd(previousEnd, 1) - objects.GetEarliestStart());
        previousEnd = objects.GetLatestEnd();
        havePrevious = true;
        merged->Objects().CopyObjectsFrom(objects, 0, kAllMask, kAllMask);
        objects.RemoveObjects(kAllMask, kAllMask);
    }
    CTrackLayer* first = nullptr;
    m_layers.GetLayer(0, &first);
    first->AssignFrom(*merged);
    merged->ReleaseFromOwner();
    m_layers.Compact();
}

void CTrackInfo::SplitBeatSegments()
{
    for (int l = IsPrimary() ? 1 : 0; l < m_layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        m_layers.GetLayer(l, &layer);
        CTrackObjContainer& objects = layer->Objects();
        std::vector<CTrackObj*> beatSegments;
        for (int i = 0; i < objects.GetCount(); ++i)
            if (objects.GetAt(i)->Matches(kTrackObjSegment, kSegmentBeat))
                beatSegments.push_back(objects.GetAt(i));
        // Every beat segment after the first gets a layer of its own, with the markers in its span.
        for (size_t k = 1; k < beatSegments.size(); ++k) {
            CTrackLayer* added = nullptr;
            if (FAILED(m_layers.AddLayer(&added)))
                return;
            CTrackObj* segment = beatSegments[k];
            const LONGLONG start = segment->GetStart();
            const LONGLONG end = segment->GetEnd();
            added->Objects().Append(objects.DetachAt(objects.IndexOf(segment)));
            for (int j = 0; j < objects.GetCount();) {
                CTrackObj* o = objects.GetAt(j);
                if (o->GetClass() == kTrackObjMarker && o->GetStart() >= start && o->GetStart() <= end)
                    added->Objects().Append(objects.DetachAt(j));
                else
                    ++j;
            }
        }
    }
}

void CTrackInfo::KeepSegmentsOnly()
{
    m_layers.RemoveObjects(kTrackObjMarker | kTrackObjEffectClip, kAllMask);
    m_layers.Compact();
}

void CTrackInfo::NumberObjects(LONG* counter)
{
    for (int l = 0; l < m_layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        m_layers.GetLayer(l, &layer);
        layer->Objects().AssignIds(counter);
    }
}

void CTrackInfo::ApplyProfile(const CProfileResults& results, BOOL standard)
{
    if (m_profileApplied || !results.IsValid())
        return;
    if (m_tempo == 0.0f && results.GetTempo() > 0.0f)
        SetBpm(results.GetTempo());
    m_fileId = results.GetMusicFileId();
    CTrackObjContainer& objects = MainObjects();
    const DWORD rate = results.GetSampleRate();
    const LONGLONG length = GetTrackLength();
    bool onlyDefaults = true;
    for (int i = 0; i < objects.GetCount(); ++i) {
        const CTrackObj* o = objects.GetAt(i);
        if (o->Matches(kTrackObjMarker, kMarkerStart) && o->GetStart() != 0)
            onlyDefaults = false;
        if (o->Matches(kTrackObjMarker, kMarkerEnd) && o->GetStart() != length)
            onlyDefaults = false;
    }
    if (onlyDefaults && IsPrimary())
        LayMixPoints(results, standard);
    m_beatPoints = results.GetBeatPoints();
    bool objectMarkersAdjusted = false;
    ForEachObject(m_layers, kTrackObjMarker, kMarkerObject, [&](CTrackObj* o) {
        objectMarkersAdjusted = objectMarkersAdjusted || static_cast<CMarker*>(o)->IsUserAdjusted();
    });
    if (!objectMarkersAdjusted && IsPrimary()) {
        objects.RemoveObjects(kTrackObjMarker, kMarkerObject);
        std::vector<LONGLONG> times;
        for (LONGLONG samples : results.GetMeasureStarts())
            objects.FilePositionToTrackTimes(MicrosecondsFromSamples(samples, rate), times);
        for (LONGLONG t : times)
            objects.Append(new CMarker(kMarkerObject, t));
    }
    m_profileApplied = 1;
}

void CTrackInfo::LayMixPoints(const CProfileResults& results, BOOL standard)
{
    CTrackObjContainer& objects = MainObjects();
    const DWORD rate = results.GetSampleRate();
    auto toTrackTime = [&](LONGLONG samples) {
        LONGLONG trackTime = 0;
        if (!objects.FilePositionToTrackTime(MicrosecondsFromSamples(samples, rate),
                                             std::numeric_limits<LONGLONG>::min(), &trackTime))
            trackTime = objects.GetEarliestStart();
        return trackTime;
    };
    objects.RemoveStartEndMarkers();
    // Standard mixing starts and ends where the music is loud; beat mixing at the suggested
    // mix points.
    const int count = standard ? 2 : results.GetMixPointCount();
    for (int i = 0; i < count; ++i) {
        LONGLONG position = 0;
        BOOL isOut = FALSE;
        const BOOL got =
            standard ? results.GetDefaultMixPoint(i, &position, &isOut) : results.GetMixPoint(i, &position, &isOut);
        if (!got)
            continue;
        const LONGLONG t = toTrackTime(position);
        if (isOut)
            objects.AddEndMarker(t);
        else
            objects.AddStartMarker(t);
    }
    m_mixingKind = standard ? kMixingStandard : kMixingBeat;
}

BOOL CTrackInfo::SwitchMixing(const CProfileResults& results, BOOL standard)
{
    if (!results.IsValid() || !IsPrimary())
        return FALSE;
    LayMixPoints(results, standard);
    return TRUE;
}

void CTrackInfo::RemoveMarkersInWindow(LONGLONG from, LONGLONG to, DWORD typeMask)
{
    CTrackObjContainer& objects = MainObjects();
    for (int i = objects.GetCount() - 1; i >= 0; --i) {
        const CTrackObj* o = objects.GetAt(i);
        if (o->Matches(kTrackObjMarker, typeMask) && o->GetStart() >= from && o->GetStart() <= to)
            objects.RemoveAt(i);
    }
}

void CTrackInfo::ShiftMusicTimes(const CMusicTime& offset)
{
    ForEachObject(m_layers, kTrackObjSegment, kSegmentBeat, [&](CTrackObj* o) {
        SEGMENT_BEATRECORD* beat = static_cast<CSegment*>(o)->GetBeatRecord();
        if (!beat)
            return;
        for (int i = 0; i < 2; ++i)
            beat->musicTimes[i].SetTicks(SaturatingAdd(beat->musicTimes[i].GetTicks(), offset.GetTicks()));
    });
}

void CTrackInfo::RemoveMixRange(LONGLONG from, LONGLONG to)
{
    for (int l = 0; l < m_layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        m_layers.GetLayer(l, &layer);
        layer->RemoveMixRange(from, to);
    }
}

BOOL CTrackInfo::GetSegmentSpan(LONG id, LONGLONG* start, LONGLONG* end) const
{
    for (int l = 0; l < m_layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        m_layers.GetLayer(l, &layer);
        CTrackObj* o = nullptr;
        if (layer->Objects().FindById(id, &o) && o->GetClass() == kTrackObjSegment) {
            if (start)
                *start = o->GetStart();
            if (end)
                *end = o->GetEnd();
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CTrackInfo::WriteChunks(IRiffStream* stream, BOOL flat) const
{
    if (!stream)
        return FALSE;
    IArchive* archive = nullptr;
    if (stream->CreateChunk(kHeaderChunkId, &archive) && archive) {
        TRKH_RECORD header{};
        header.size = sizeof(TRKH_RECORD);
        std::memcpy(header.fileId, m_fileId.GetBytes(), sizeof(header.fileId));
        // To the nearest thousandth: the value read back (a float) lies a hair below or above it,
        // and cutting would lose a thousandth of a BPM at every save of a reopened mix.
        header.tempoMilli = static_cast<LONG>(std::lround(m_tempo * 1000.0));
        header.volumeOffset = m_volumeOffset;
        header.flags = m_flags;
        header.mixingKind = m_mixingKind;
        archive->Write(&header, sizeof(header));
        stream->CloseChunk();
    }
    if (!m_path.IsEmpty() && stream->CreateChunk(kPathChunkId, &archive) && archive) {
        archive->Write(m_path.GetString(), static_cast<UINT>((m_path.GetLength() + 1) * sizeof(wchar_t)));
        stream->CloseChunk();
    }
    if (!IsZeroTime(m_modified) && stream->CreateChunk(kTimeChunkId, &archive) && archive) {
        archive->Write(&m_modified, sizeof(m_modified));
        stream->CloseChunk();
    }
    return m_layers.WriteChunks(stream, flat, (m_flags & kTrackPrimary) != 0);
}

namespace {

// The oldest form: the "TRKB" chunk is read whole into memory and loaded through a class-library
// archive by the older-format loader.
BOOL ReadLegacyChunk(IRiffStream* stream, CTrackInfo& track)
{
    FOURCC id = 0;
    int n = 0;
    while (stream->GetChildId(n, &id) && id != CTrackInfo::kLegacyChunkId)
        ++n;
    IArchive* chunk = nullptr;
    DWORD size = 0;
    if (id != CTrackInfo::kLegacyChunkId || !stream->OpenChunk(n, &chunk, &size) || !chunk)
        return FALSE;
    try {
        CMemFile blob;
        std::vector<BYTE> piece(0x10000);
        for (DWORD left = size; left > 0;) {
            const UINT want = static_cast<UINT>(std::min<DWORD>(left, static_cast<DWORD>(piece.size())));
            UINT got = 0;
            if (!chunk->Read(piece.data(), want, &got) || got != want)
                return FALSE;
            blob.Write(piece.data(), got);
            left -= got;
        }
        stream->CloseChunk();
        blob.SeekToBegin();
        CArchive archive(&blob, CArchive::load);
        return LoadV4TrackArchive(archive, track);
    } catch (const CException&) {
        return FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

}  // namespace

BOOL CTrackInfo::ReadChunks(IRiffStream* stream, DWORD version)
{
    if (!stream)
        return FALSE;
    FOURCC id = 0;
    bool legacy = version == 0x40000;
    if (version == 0) {
        version = kTrackVersionFlat;
        for (int n = 0; stream->GetChildId(n, &id); ++n) {
            if (id == kLegacyChunkId)
                legacy = true;
            else if (id == CTrackLayerContainer::kLayerListId)
                version = kTrackVersionLayers;
        }
    } else {
        for (int n = 0; stream->GetChildId(n, &id); ++n)
            legacy = legacy || id == kLegacyChunkId;
    }
    if (legacy)
        return ReadLegacyChunk(stream, *this);
    for (int n = 0; stream->GetChildId(n, &id); ++n) {
        if (id != kHeaderChunkId && id != kPathChunkId && id != kTimeChunkId)
            continue;
        IArchive* archive = nullptr;
        DWORD size = 0;
        if (!stream->OpenChunk(n, &archive, &size) || !archive)
            continue;
        UINT got = 0;
        if (id == kHeaderChunkId) {
            TRKH_RECORD header{};
            if (size >= sizeof(header) && archive->Read(&header, sizeof(header), &got) && got == sizeof(header)) {
                m_fileId.SetBytes(header.fileId);
                const double tempo = header.tempoMilli * 0.001;
                m_tempo = IsStoredTempoAccepted(tempo) ? static_cast<float>(tempo) : 0.0f;
                m_volumeOffset = header.volumeOffset;
                m_flags = header.flags;
                m_mixingKind = header.mixingKind;
            }
        } else if (id == kPathChunkId) {
            std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
            const UINT bytes = static_cast<UINT>((size / sizeof(wchar_t)) * sizeof(wchar_t));
            if (archive->Read(text.data(), bytes, &got) && got == bytes)
                m_path = text.data();
        } else if (size <= sizeof(SYSTEMTIME)) {
            SYSTEMTIME time{};
            if (archive->Read(&time, size, &got) && got == size)
                m_modified = time;
        }
        stream->CloseChunk();
    }
    return m_layers.ReadChunks(stream, version);
}

void CTrackInfo::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        LONGLONG low = 0;
        LONGLONG high = 0;
        m_fileId.GetId(&low, &high);
        archive << kArchiveVersion << static_cast<WORD>(2) << m_path << m_linkId << m_trackId << m_catalogItemId
                << m_runtimeWord << low << high << m_sampleRate << m_sampleCount << m_volumeOffset << m_tempo
                << m_profileApplied << m_mixingKind << m_flags << m_word1;
        m_layers.Serialize(archive);
        archive.Write(&m_modified, sizeof(m_modified));
        archive << m_leadFrom << m_leadTo;
        m_beatPoints.Serialize(archive);
        return;
    }
    WORD version = 0;
    WORD second = 0;
    archive >> version >> second;
    if (version != kArchiveVersion)
        return;
    LONGLONG low = 0;
    LONGLONG high = 0;
    archive >> m_path >> m_linkId >> m_trackId >> m_catalogItemId >> m_runtimeWord >> low >> high >> m_sampleRate >>
        m_sampleCount >> m_volumeOffset >> m_tempo >> m_profileApplied >> m_mixingKind >> m_flags >> m_word1;
    m_fileId.SetId(low, high);
    m_layers.Serialize(archive);
    archive.ReadExactly(&m_modified, sizeof(m_modified));
    archive >> m_leadFrom >> m_leadTo;
    m_beatPoints.Serialize(archive);
}

void CTrackInfo::ClearDelegates()
{
    for (int l = 0; l < m_layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        m_layers.GetLayer(l, &layer);
        layer->Objects().ClearDelegates();
    }
}

void CTrackInfo::ReleaseFromOwner()
{
    ClearDelegates();
    StandAloneRelease();
}

BOOL CTrackInfo::AddEffectClip(LONG effectId, LONGLONG start, LONGLONG end)
{
    CEfxClip* clip = CEfxClip::Create(start, end);
    if (!clip)
        return FALSE;
    clip->SetEffectIndex(effectId);
    MainObjects().Append(clip);
    return TRUE;
}
