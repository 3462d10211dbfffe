#include "engine/core/track/Segment.h"

#include <cmath>
#include <limits>
#include <new>

#include "classlib/core/Archive.h"
#include "engine/core/track/StoredTimes.h"
#include "interfaces/IRiffStream.h"

namespace {

#pragma pack(push, 1)
struct TRKS_HEADER {
    WORD headerSize;
    WORD flags;
    DWORD type;
    LONGLONG start;
    LONGLONG end;
    LONGLONG source;
};
struct TRKS_BEATBLOCK {
    WORD blockSize;
    BYTE reserved[6];
    LONGLONG beatValues[5];
    LONG startMeasures;
    float startFraction;
    LONG endMeasures;
    float endFraction;
};
#pragma pack(pop)
static_assert(sizeof(TRKS_HEADER) == 32, "TRKS header is 32 bytes");
static_assert(sizeof(TRKS_BEATBLOCK) == 64, "TRKS beat block is 64 bytes");

using Wide = __int128;

LONGLONG Clamp(Wide value)
{
    if (value > std::numeric_limits<LONGLONG>::max())
        return std::numeric_limits<LONGLONG>::max();
    if (value < std::numeric_limits<LONGLONG>::min())
        return std::numeric_limits<LONGLONG>::min();
    return static_cast<LONGLONG>(value);
}

// value x part / whole with a 128-bit product, truncating toward zero: a beat value times a
// length in microseconds does not fit 64 bits for segments longer than about 50 minutes.
Wide Scale(Wide value, Wide part, Wide whole)
{
    return value * part / whole;
}

// A tick count from floating point; out of range (or not a number) gives -2^63, the value the
// stored forms have always carried for an impossible time.
LONGLONG TicksFromDouble(double ticks)
{
    if (!std::isfinite(ticks) || ticks >= 9.2233720368547758e18 || ticks < -9.2233720368547758e18)
        return std::numeric_limits<LONGLONG>::min();
    return static_cast<LONGLONG>(ticks);
}

// The parent's start and end and the length (time kinds 6 to 8) are track times and the musical
// times places on the master beat map counted from the reference track: all bounded. The mix start and
// end (kinds 9 and 10) are not: the layout lays them again from the musical times before any use.
bool AreStoredParentTimesAccepted(const LONGLONG* beatValues)
{
    for (int i = 0; i < 3; ++i)
        if (!IsStoredTrackTimeAccepted(beatValues[i]))
            return false;
    return true;
}

bool AreStoredBeatTimesAccepted(const TRKS_BEATBLOCK& block)
{
    return AreStoredParentTimesAccepted(block.beatValues) &&
           IsStoredMusicTimeAccepted(block.startMeasures, block.startFraction) &&
           IsStoredMusicTimeAccepted(block.endMeasures, block.endFraction);
}

// The archive keeps a musical time as ticks: its whole measures, counted toward zero as a stored
// measure count is, lie within the same bound (measured in ticks, so that no narrowing wraps).
bool IsStoredMusicTimeAccepted(const CMusicTime& time)
{
    const LONGLONG measures = time.GetTicks() / CMusicTime::kTicksPerMeasure;
    return measures >= -kMaxStoredMeasures && measures <= kMaxStoredMeasures;
}

}  // namespace

CSegment::CSegment(DWORD type, LONGLONG start, LONGLONG end, LONGLONG source)
    : CTrackObj(kTrackObjSegment), m_start(start), m_end(end), m_source(source)
{
    SetType(type);
}

HRESULT CSegment::LookupInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_ITrackRange)) {
        StandAloneAddRef();
        *object = static_cast<ITrackRange*>(this);
        return S_OK;
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CSegment::GetStart(LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    *time = m_start;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::GetEnd(LONGLONG* time)
{
    if (!time)
        return E_POINTER;
    *time = m_end;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::SetStart(LONGLONG time)
{
    m_start = time;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::SetEnd(LONGLONG time)
{
    m_end = time;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::GetType(DWORD* type)
{
    if (!type)
        return E_POINTER;
    *type = m_type;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::IsModified()
{
    return S_FALSE;
}

LONGLONG CSegment::GetFileEnd() const
{
    const Wide length = static_cast<Wide>(m_end) - m_start;
    return Clamp(IsReversed() ? m_source - length : m_source + length);
}

HRESULT STDMETHODCALLTYPE CSegment::GetTime(int kind, LONGLONG* time)
{
    LONGLONG result = 0;
    if (kind == 1)
        result = m_source;
    else if (kind == 2)
        result = GetFileEnd();
    else if (kind >= 6 && kind <= 10 && m_beat)
        result = m_beat->beatValues[kind - 6];
    else
        return E_FAIL;
    if (!time)
        return E_POINTER;
    *time = result;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::SetTime(int kind, LONGLONG time)
{
    if (kind == 1)
        m_source = time;
    else if (kind == 2)
        m_end = Clamp(IsReversed() ? static_cast<Wide>(m_start) + m_source - time
                                   : static_cast<Wide>(m_start) + time - m_source);
    else if (kind >= 6 && kind <= 10 && m_beat)
        m_beat->beatValues[kind - 6] = time;
    else
        return E_FAIL;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::GetMusicTime(int kind, IMusicTime* target)
{
    if (!m_beat || kind < 1 || kind > 3)
        return E_FAIL;
    return m_beat->musicTimes[kind - 1].CopyTo(target);
}

HRESULT STDMETHODCALLTYPE CSegment::SetMusicTime(int kind, IMusicTime* source)
{
    if (!m_beat || kind < 1 || kind > 3)
        return E_FAIL;
    return m_beat->musicTimes[kind - 1].CopyFrom(source);
}

HRESULT STDMETHODCALLTYPE CSegment::GetValue(int, LONG*)
{
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CSegment::SetValue(int, LONG)
{
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CSegment::GetLabel(int, BSTR* text)
{
    if (text)
        *text = nullptr;
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CSegment::SetLabel(int, LPCWSTR)
{
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CSegment::GetId(LONG* id)
{
    if (!id)
        return E_POINTER;
    *id = m_id;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::GetTag(DWORD* tag)
{
    if (!tag)
        return E_POINTER;
    *tag = m_tag;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::SetTag(DWORD tag)
{
    m_tag = tag;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::GetFlags(DWORD* flags)
{
    if (!flags)
        return E_POINTER;
    *flags = m_flags;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSegment::SetFlags(DWORD flags)
{
    // The same file range stays covered: reversing plays it from its other end.
    if ((flags ^ m_flags) & kSegmentReversed) {
        const Wide length = static_cast<Wide>(m_end) - m_start;
        m_source = Clamp((flags & kSegmentReversed) ? m_source + length : m_source - length);
    }
    m_flags = flags;
    return S_OK;
}

BOOL CSegment::Move(LONGLONG delta)
{
    m_start = SaturatingAdd(m_start, delta);
    m_end = SaturatingAdd(m_end, delta);
    return TRUE;
}

void CSegment::CutEnd(LONGLONG to, LONGLONG start, LONGLONG end)
{
    const Wide length = static_cast<Wide>(end) - start;
    const Wide cut = static_cast<Wide>(end) - to;
    m_end = to;
    if (!m_beat || length == 0)
        return;
    LONGLONG* v = m_beat->beatValues;
    v[2] = Clamp(v[2] - Scale(v[2], cut, length));
    v[1] = Clamp(v[1] - Scale(static_cast<Wide>(v[1]) - v[0], cut, length));
    const double startTicks = static_cast<double>(m_beat->musicTimes[0].GetTicks());
    const double endTicks = static_cast<double>(m_beat->musicTimes[1].GetTicks());
    const double kept = 1.0 - static_cast<double>(cut) / static_cast<double>(length);
    m_beat->musicTimes[1].SetTicks(TicksFromDouble(startTicks + kept * (endTicks - startTicks)));
}

void CSegment::CutStart(LONGLONG from, LONGLONG start, LONGLONG end)
{
    const Wide length = static_cast<Wide>(end) - start;
    const Wide cut = static_cast<Wide>(from) - start;
    m_start = from;
    m_source = Clamp(IsReversed() ? m_source - cut : m_source + cut);
    if (!m_beat || length == 0)
        return;
    LONGLONG* v = m_beat->beatValues;
    const Wide z = Scale(v[2], cut, length);
    v[0] = Clamp(v[0] + z);
    v[2] = Clamp(v[2] - z);
    const double startTicks = static_cast<double>(m_beat->musicTimes[0].GetTicks());
    const double endTicks = static_cast<double>(m_beat->musicTimes[1].GetTicks());
    const double share = static_cast<double>(cut) / static_cast<double>(length);
    m_beat->musicTimes[0].SetTicks(TicksFromDouble(startTicks + share * (endTicks - startTicks)));
}

BOOL CSegment::CloneRange(LONGLONG from, LONGLONG to, CTrackObj** clone) const
{
    CTrackObj* copy = nullptr;
    if (!clone || !Clone(&copy))
        return FALSE;
    CSegment* piece = static_cast<CSegment*>(copy);
    if (to < m_end)
        piece->CutEnd(to, m_start, m_end);
    if (from > m_start)
        piece->CutStart(from, m_start, m_end);
    *clone = piece;
    return TRUE;
}

BOOL CSegment::GetRangeInterface(ITrackRange** range)
{
    if (!range)
        return FALSE;
    *range = this;
    return TRUE;
}

void CSegment::SetType(DWORD type)
{
    m_type = type;
    // A segment that already carries a beat record keeps it when it stays (or again becomes) a
    // beat segment.
    if (type != kSegmentBeat)
        m_beat.reset();
    else if (!m_beat)
        m_beat = std::make_unique<SEGMENT_BEATRECORD>();
}

void CSegment::Serialize(CArchive& archive)
{
    CTrackObj::Serialize(archive);
    if (archive.IsStoring()) {
        archive << m_start << m_end << m_source << m_flags << static_cast<DWORD>(m_beat ? 1 : 0);
        if (m_beat) {
            for (LONGLONG value : m_beat->beatValues)
                archive << value;
            for (CMusicTime& time : m_beat->musicTimes)
                time.Serialize(archive);
        }
        return;
    }
    DWORD hasBeat = 0;
    archive >> m_start >> m_end >> m_source >> m_flags >> hasBeat;
    RequireStoredTrackTimes({m_start, m_end, m_source});
    if (hasBeat == 0) {
        m_beat.reset();
        return;
    }
    if (!m_beat)
        m_beat = std::make_unique<SEGMENT_BEATRECORD>();
    for (LONGLONG& value : m_beat->beatValues)
        archive >> value;
    for (CMusicTime& time : m_beat->musicTimes)
        time.Serialize(archive);
    if (!AreStoredParentTimesAccepted(m_beat->beatValues) || !IsStoredMusicTimeAccepted(m_beat->musicTimes[0]) ||
        !IsStoredMusicTimeAccepted(m_beat->musicTimes[1]))
        CArchiveException::Throw(CArchiveException::badIndex);
}

BOOL CSegment::WriteChunk(IRiffStream* stream) const
{
    IArchive* archive = nullptr;
    if (!stream || !stream->CreateChunk(kChunkId, &archive) || !archive)
        return TRUE;
    TRKS_HEADER header{};
    header.headerSize = sizeof(TRKS_HEADER);
    header.flags = static_cast<WORD>(m_flags);
    header.type = m_type;
    header.start = m_start;
    header.end = m_end;
    header.source = m_source;
    archive->Write(&header, sizeof(header));
    if (m_type == kSegmentBeat && m_beat) {
        TRKS_BEATBLOCK block{};
        block.blockSize = sizeof(TRKS_BEATBLOCK);
        for (int i = 0; i < 5; ++i)
            block.beatValues[i] = m_beat->beatValues[i];
        int measures = 0;
        m_beat->musicTimes[0].GetTime(&measures, &block.startFraction);
        block.startMeasures = measures;
        m_beat->musicTimes[1].GetTime(&measures, &block.endFraction);
        block.endMeasures = measures;
        archive->Write(&block, sizeof(block));
    }
    stream->CloseChunk();
    return TRUE;
}

BOOL CSegment::ReadChunk(IArchive* archive, DWORD size)
{
    if (!archive)
        return FALSE;
    TRKS_HEADER header{};
    header.headerSize = sizeof(TRKS_HEADER);
    UINT consumed = 0;
    if (!archive->ReadSizedRecord(reinterpret_cast<BYTE*>(&header), sizeof(header), size, &consumed) ||
        !IsStoredTrackTimeAccepted(header.start) || !IsStoredTrackTimeAccepted(header.end) ||
        !IsStoredTrackTimeAccepted(header.source))
        return FALSE;
    m_flags = header.flags;
    m_start = header.start;
    m_end = header.end;
    m_source = header.source;
    SetType(header.type);
    if (header.type != kSegmentBeat || size <= consumed)
        return TRUE;
    TRKS_BEATBLOCK block{};
    block.blockSize = sizeof(TRKS_BEATBLOCK);
    UINT blockBytes = 0;
    if (!archive->ReadSizedRecord(reinterpret_cast<BYTE*>(&block), sizeof(block), size - consumed, &blockBytes) ||
        !AreStoredBeatTimesAccepted(block))
        return FALSE;
    for (int i = 0; i < 5; ++i)
        m_beat->beatValues[i] = block.beatValues[i];
    m_beat->musicTimes[0].SetTime(block.startMeasures, block.startFraction);
    m_beat->musicTimes[1].SetTime(block.endMeasures, block.endFraction);
    return TRUE;
}

BOOL CSegment::Clone(CTrackObj** clone) const
{
    if (!clone)
        return FALSE;
    CSegment* copy = new (std::nothrow) CSegment(kSegmentPlain, m_start, m_end, m_source);
    if (!copy)
        return FALSE;
    copy->CopyBaseFrom(*this);
    copy->m_flags = m_flags;
    if (m_beat) {
        copy->m_beat.reset(new (std::nothrow) SEGMENT_BEATRECORD(*m_beat));
        if (!copy->m_beat) {
            copy->ReleaseObj();
            return FALSE;
        }
    }
    *clone = copy;
    return TRUE;
}

BOOL CSegment::IsEqual(const CTrackObj& other) const
{
    if (other.GetClass() != kTrackObjSegment || !EqualBase(other))
        return FALSE;
    const CSegment& o = static_cast<const CSegment&>(other);
    if (m_start != o.m_start || m_end != o.m_end || m_source != o.m_source || m_flags != o.m_flags)
        return FALSE;
    if (m_beat && o.m_beat) {
        for (int i = 0; i < 5; ++i)
            if (m_beat->beatValues[i] != o.m_beat->beatValues[i])
                return FALSE;
        for (int i = 0; i < 3; ++i)
            if (!(m_beat->musicTimes[i] == o.m_beat->musicTimes[i]))
                return FALSE;
    }
    return TRUE;
}
