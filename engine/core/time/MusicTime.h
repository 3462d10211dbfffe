// Musical time: a signed 64-bit tick count, 27648 ticks per beat (quarter note) and four beats
// per measure. A plain value; its owners serialise access.
#pragma once

#include <windows.h>

#include "interfaces/IMusicTime.h"

class CArchive;

class CMusicTime : public IMusicTime {
public:
    static constexpr LONGLONG kTicksPerBeat = 27648;
    static constexpr LONGLONG kBeatsPerMeasure = 4;
    static constexpr LONGLONG kTicksPerMeasure = kTicksPerBeat * kBeatsPerMeasure;
    static constexpr LONGLONG kTicksPerEighth = kTicksPerBeat / 2;

    // Modes of RoundToMultiple.
    enum RoundMode { roundNearest = 0, roundDown = 1, roundUp = 2 };

    CMusicTime() = default;
    explicit CMusicTime(LONGLONG ticks) : m_ticks(ticks) {}
    CMusicTime(const CMusicTime& other) : m_ticks(other.m_ticks) {}
    CMusicTime& operator=(const CMusicTime& other)
    {
        m_ticks = other.m_ticks;
        return *this;
    }
    virtual ~CMusicTime() = default;

    // IMusicTime. Measures and fraction truncate toward zero (a negative time gives a negative
    // fraction); SetTime truncates fraction x ticks per measure to whole ticks.
    HRESULT STDMETHODCALLTYPE GetTime(int* measures, float* fraction) override;
    HRESULT STDMETHODCALLTYPE SetTime(int measures, float fraction) override;
    HRESULT STDMETHODCALLTYPE CopyFrom(IMusicTime* source) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IMusicTime* target) override;

    static CMusicTime FromMusicTime(IMusicTime* source);

    LONGLONG GetTicks() const { return m_ticks; }
    void SetTicks(LONGLONG ticks) { m_ticks = ticks; }

    void SetMeasuresAndBeats(int measures, short beats);
    // Snaps to the nearest eighth note, then splits into whole measures (floor) and eighths 0-7.
    void GetMeasuresAndEighths(int* measures, short* eighths) const;
    // Floor division by a measure: the remainder lies in [0, ticks per measure), also for
    // negative times.
    void SplitMeasures(LONGLONG* measures, LONGLONG* remainder) const;
    // Note-length codes: 1, 2, 4, 8 measures; 9 half, 10 quarter, 11 eighth note. Any other code
    // leaves the value unchanged.
    void SetNoteLength(int code);
    // numerator / denominator measures (double arithmetic, truncated); nothing changes when the
    // denominator is 0.
    void FromRatio(LONGLONG numerator, LONGLONG denominator);
    // Snaps to the nearest multiple of unit (an exact half goes up).
    void SnapTo(const CMusicTime& unit);
    static CMusicTime RoundToMultiple(const CMusicTime& unit, const CMusicTime& value, int mode);

    bool operator==(const CMusicTime& other) const { return m_ticks == other.m_ticks; }
    bool operator>(const CMusicTime& other) const { return m_ticks > other.m_ticks; }

    // The tick count as 8 raw little-endian bytes.
    void Serialize(CArchive& archive);

private:
    LONGLONG m_ticks = 0;
};
