// CSegment: a stretch of the music file placed on a track's time axis (class 2). Type 1 is a
// plain segment; type 2 carries a beat record (five beat values and three musical times) used by
// the beat maps. Start and end are inclusive track times; the source position is the file time
// that plays at the start (at the end of the file range when reversed). Chunk form "TRKS".
#pragma once

#include <memory>

#include "engine/core/time/MusicTime.h"
#include "engine/core/track/TrackObj.h"
#include "interfaces/ITrackRange.h"

struct IArchive;

enum : DWORD {
    kSegmentPlain = 1,
    kSegmentBeat = 2,
    kSegmentTypeMask = 3,
    kSegmentReversed = 0x1,
};

struct SEGMENT_BEATRECORD {
    LONGLONG beatValues[5] = {};  // time kinds 6 to 10
    CMusicTime musicTimes[3];     // musical-time kinds 1 (start), 2 (end), 3
};

class CSegment : public CTrackObj, public ITrackRange {
public:
    static constexpr FOURCC kChunkId = mmioFOURCC('T', 'R', 'K', 'S');

    CSegment(DWORD type = kSegmentPlain, LONGLONG start = 0, LONGLONG end = 0, LONGLONG source = 0);

    DECLARE_STANDALONE_UNKNOWN

    // ITrackRange
    HRESULT STDMETHODCALLTYPE GetStart(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE GetEnd(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE SetStart(LONGLONG time) override;
    HRESULT STDMETHODCALLTYPE SetEnd(LONGLONG time) override;
    HRESULT STDMETHODCALLTYPE GetType(DWORD* type) override;
    HRESULT STDMETHODCALLTYPE IsModified() override;
    HRESULT STDMETHODCALLTYPE GetTime(int kind, LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE SetTime(int kind, LONGLONG time) override;
    HRESULT STDMETHODCALLTYPE GetMusicTime(int kind, IMusicTime* target) override;
    HRESULT STDMETHODCALLTYPE SetMusicTime(int kind, IMusicTime* source) override;
    HRESULT STDMETHODCALLTYPE GetValue(int kind, LONG* value) override;
    HRESULT STDMETHODCALLTYPE SetValue(int kind, LONG value) override;
    HRESULT STDMETHODCALLTYPE GetLabel(int kind, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE SetLabel(int kind, LPCWSTR text) override;
    HRESULT STDMETHODCALLTYPE GetId(LONG* id) override;
    HRESULT STDMETHODCALLTYPE GetTag(DWORD* tag) override;
    HRESULT STDMETHODCALLTYPE SetTag(DWORD tag) override;
    HRESULT STDMETHODCALLTYPE GetFlags(DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE SetFlags(DWORD flags) override;

    // CTrackObj
    HRESULT LookupInterface(REFIID iid, void** object) override;
    LONGLONG GetStart() const override { return m_start; }
    LONGLONG GetEnd() const override { return m_end; }
    BOOL Move(LONGLONG delta) override;
    BOOL CloneRange(LONGLONG from, LONGLONG to, CTrackObj** clone) const override;
    BOOL GetRangeInterface(ITrackRange** range) override;
    void SetType(DWORD type) override;
    void Serialize(CArchive& archive) override;
    BOOL WriteChunk(IRiffStream* stream) const override;
    BOOL Clone(CTrackObj** clone) const override;
    BOOL IsEqual(const CTrackObj& other) const override;

    // Reads a "TRKS" chunk of size bytes; FALSE when even its header cannot be read.
    BOOL ReadChunk(IArchive* archive, DWORD size);

    using CTrackObj::GetTag;
    using CTrackObj::GetType;
    using CTrackObj::SetTag;
    LONGLONG GetSource() const { return m_source; }
    void SetSource(LONGLONG source) { m_source = source; }
    DWORD GetFlagsValue() const { return m_flags; }
    bool IsReversed() const { return (m_flags & kSegmentReversed) != 0; }
    SEGMENT_BEATRECORD* GetBeatRecord() const { return m_beat.get(); }
    // File position at the end: source + length, or source - length when reversed.
    LONGLONG GetFileEnd() const;

private:
    void CutEnd(LONGLONG to, LONGLONG start, LONGLONG end);
    void CutStart(LONGLONG from, LONGLONG start, LONGLONG end);

    LONGLONG m_start;
    LONGLONG m_end;
    LONGLONG m_source;
    DWORD m_flags = 0;
    std::unique_ptr<SEGMENT_BEATRECORD> m_beat;
};
