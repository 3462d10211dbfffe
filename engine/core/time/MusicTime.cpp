#include "engine/core/time/MusicTime.h"

#include "classlib/core/Archive.h"

HRESULT STDMETHODCALLTYPE CMusicTime::GetTime(int* measures, float* fraction)
{
    if (measures)
        *measures = static_cast<int>(m_ticks / kTicksPerMeasure);
    if (fraction)
        *fraction = static_cast<float>(static_cast<double>(m_ticks % kTicksPerMeasure) / kTicksPerMeasure);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMusicTime::SetTime(int measures, float fraction)
{
    m_ticks = static_cast<LONGLONG>(measures) * kTicksPerMeasure +
              static_cast<LONGLONG>(static_cast<double>(fraction) * kTicksPerMeasure);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMusicTime::CopyFrom(IMusicTime* source)
{
    int measures = 0;
    float fraction = 0.0f;
    if (source == nullptr || FAILED(source->GetTime(&measures, &fraction)))
        return E_FAIL;
    return SetTime(measures, fraction);
}

HRESULT STDMETHODCALLTYPE CMusicTime::CopyTo(IMusicTime* target)
{
    int measures = 0;
    float fraction = 0.0f;
    GetTime(&measures, &fraction);
    if (target == nullptr || FAILED(target->SetTime(measures, fraction)))
        return E_FAIL;
    return S_OK;
}

CMusicTime CMusicTime::FromMusicTime(IMusicTime* source)
{
    CMusicTime result;
    result.CopyFrom(source);
    return result;
}

void CMusicTime::SetMeasuresAndBeats(int measures, short beats)
{
    m_ticks = (static_cast<LONGLONG>(measures) * kBeatsPerMeasure + beats) * kTicksPerBeat;
}

void CMusicTime::GetMeasuresAndEighths(int* measures, short* eighths) const
{
    CMusicTime snapped(*this);
    snapped.SnapTo(CMusicTime(kTicksPerEighth));
    LONGLONG whole = 0;
    LONGLONG remainder = 0;
    snapped.SplitMeasures(&whole, &remainder);
    if (measures)
        *measures = static_cast<int>(whole);
    if (eighths)
        *eighths = static_cast<short>(remainder / kTicksPerEighth);
}

void CMusicTime::SplitMeasures(LONGLONG* measures, LONGLONG* remainder) const
{
    LONGLONG quotient = m_ticks / kTicksPerMeasure;
    LONGLONG rest = m_ticks % kTicksPerMeasure;
    if (rest < 0) {
        --quotient;
        rest += kTicksPerMeasure;
    }
    if (measures)
        *measures = quotient;
    if (remainder)
        *remainder = rest;
}

void CMusicTime::SetNoteLength(int code)
{
    switch (code) {
    case 1:
    case 2:
    case 4:
    case 8:
        m_ticks = code * kTicksPerMeasure;
        break;
    case 9:
        m_ticks = 2 * kTicksPerBeat;
        break;
    case 10:
        m_ticks = kTicksPerBeat;
        break;
    case 11:
        m_ticks = kTicksPerEighth;
        break;
    default:
        break;
    }
}

void CMusicTime::FromRatio(LONGLONG numerator, LONGLONG denominator)
{
    if (denominator == 0)
        return;
    m_ticks =
        static_cast<LONGLONG>(static_cast<double>(numerator) / static_cast<double>(denominator) * kTicksPerMeasure);
}

void CMusicTime::SnapTo(const CMusicTime& unit)
{
    *this = RoundToMultiple(unit, *this, roundNearest);
}

CMusicTime CMusicTime::RoundToMultiple(const CMusicTime& unit, const CMusicTime& value, int mode)
{
    const LONGLONG u = unit.m_ticks;
    const LONGLONG v = value.m_ticks;
    if (u == 0)
        return CMusicTime(0);
    const LONGLONG q = v / u;
    const LONGLONG lower = v >= 0 ? q * u : (q - 1) * u;
    const LONGLONG upper = v >= 0 ? (q + 1) * u : q * u;
    const bool exact = v % u == 0;
    switch (mode) {
    case roundDown:
        return CMusicTime(v < 0 && exact ? v : lower);
    case roundUp:
        return CMusicTime(v >= 0 && exact ? v : upper);
    default:
        return CMusicTime(v - lower < upper - v ? lower : upper);
    }
}

void CMusicTime::Serialize(CArchive& archive)
{
    if (archive.IsStoring())
        archive << m_ticks;
    else
        archive >> m_ticks;
}
