#include "engine/catalog/analysis/ProfileResults.h"

#include <cstdint>

#include "classlib/core/Archive.h"

namespace {

constexpr LONGLONG kMicrosecondsPerSecond = 1000000;

// a * b / c without overflow in the product (the stored lists come from disk and may hold any
// value); truncated toward zero, c must not be 0.
LONGLONG MulDiv64(LONGLONG a, LONGLONG b, LONGLONG c)
{
    const __int128 result = static_cast<__int128>(a) * b / c;
    if (result > INT64_MAX)
        return INT64_MAX;
    if (result < INT64_MIN)
        return INT64_MIN;
    return static_cast<LONGLONG>(result);
}

void WriteList(CArchive& archive, const std::vector<LONGLONG>& list)
{
    archive.WriteCount(list.size());
    for (LONGLONG value : list)
        archive << value;
}

void ReadList(CArchive& archive, std::vector<LONGLONG>& list)
{
    const ULONGLONG count = archive.ReadCount(sizeof(LONGLONG));
    list.assign(static_cast<size_t>(count), 0);
    for (LONGLONG& value : list)
        archive >> value;
}

}  // namespace

BOOL CProfileResults::IsValid() const
{
    return m_sampleRate != 0 && m_sampleCount != 0 && m_fileId.IsValid();
}

void CProfileResults::ClearMixPoints()
{
    m_mixInPoints.clear();
    m_mixOutPoints.clear();
}

void CProfileResults::SetMeasureStarts(const LONGLONG* marks, int count)
{
    if (marks == nullptr || count <= 0)
        m_measureStarts.clear();
    else
        m_measureStarts.assign(marks, marks + count);
}

void CProfileResults::SetKey(WORD keyIndex, WORD keyMode)
{
    m_keyIndex = keyIndex;
    m_keyMode = keyMode;
}

void CProfileResults::GetKey(WORD* keyIndex, WORD* keyMode) const
{
    if (keyIndex)
        *keyIndex = m_keyIndex;
    if (keyMode)
        *keyMode = m_keyMode;
}

BOOL CProfileResults::GetMeasureStart(int index, LONGLONG* position) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_measureStarts.size() || position == nullptr)
        return FALSE;
    *position = m_measureStarts[static_cast<size_t>(index)];
    return TRUE;
}

BOOL CProfileResults::GetMixPoint(int index, LONGLONG* position, BOOL* isOut) const
{
    if (index < 0 || position == nullptr)
        return FALSE;
    size_t i = static_cast<size_t>(index);
    BOOL out = FALSE;
    if (i >= m_mixInPoints.size()) {
        i -= m_mixInPoints.size();
        if (i >= m_mixOutPoints.size())
            return FALSE;
        out = TRUE;
    }
    *position = out ? m_mixOutPoints[i] : m_mixInPoints[i];
    if (isOut)
        *isOut = out;
    return TRUE;
}

BOOL CProfileResults::GetDefaultMixPoint(int index, LONGLONG* position, BOOL* isOut) const
{
    if ((index != 0 && index != 1) || position == nullptr)
        return FALSE;
    *position = index == 0 ? m_firstLoud : m_lastLoud;
    if (isOut)
        *isOut = index == 1 ? TRUE : FALSE;
    return TRUE;
}

void CProfileResults::SetLoudPositions(LONGLONG first, LONGLONG last)
{
    m_firstLoud = first;
    m_lastLoud = last < first ? first : last;
}

BOOL CProfileResults::GetFadeLevelAt(LONGLONG microseconds, int* level) const
{
    if (microseconds < 0 || level == nullptr || m_fadeSteps.empty())
        return FALSE;
    const LONGLONG p = MulDiv64(m_sampleRate, microseconds, kMicrosecondsPerSecond);
    if (p < m_fadeSteps.front()) {
        *level = 0;
        return TRUE;
    }
    for (size_t i = 0; i + 1 < m_fadeSteps.size(); ++i) {
        const LONGLONG from = m_fadeSteps[i];
        const LONGLONG to = m_fadeSteps[i + 1];
        if (p < from || p > to)
            continue;
        const LONGLONG fraction = to == from ? 0 : MulDiv64(from - p, kFadeStepLevel, to - from);
        *level = static_cast<int>(fraction - static_cast<LONGLONG>(kFadeStepLevel) * static_cast<LONGLONG>(i));
        return TRUE;
    }
    if (m_fadeSteps.size() == 1 && p == m_fadeSteps.front()) {
        *level = 0;
        return TRUE;
    }
    return FALSE;
}

BOOL CProfileResults::GetFadeTimeForLevel(int level, LONGLONG* microseconds) const
{
    if (m_sampleRate == 0 || microseconds == nullptr || m_fadeSteps.empty())
        return FALSE;
    LONGLONG position = 0;
    if (level >= 0) {
        position = m_fadeSteps.front();
    } else {
        const LONGLONG drop = -static_cast<LONGLONG>(level);
        const size_t band = static_cast<size_t>(drop / kFadeStepLevel);
        const LONGLONG within = drop % kFadeStepLevel;
        if (band >= m_fadeSteps.size() || (within != 0 && band + 1 >= m_fadeSteps.size()))
            return FALSE;
        position = m_fadeSteps[band];
        if (within != 0)
            position += MulDiv64(within, m_fadeSteps[band + 1] - m_fadeSteps[band], kFadeStepLevel);
    }
    *microseconds = MulDiv64(position, kMicrosecondsPerSecond, m_sampleRate);
    return TRUE;
}

void CProfileResults::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << kVersion << static_cast<WORD>(0);
        archive << static_cast<DWORD>(m_sampleRate);
        archive << m_tempo << m_peakLevel << m_reserved1 << m_reserved2;
        m_fileId.Serialize(archive);
        archive << m_firstLoud << m_lastLoud << m_sampleCount;
        WriteList(archive, m_mixInPoints);
        WriteList(archive, m_mixOutPoints);
        WriteList(archive, m_fadeSteps);
        WriteList(archive, m_measureStarts);
        archive << m_keyIndex << m_keyMode;
        return;
    }

    // Loaded into a copy, so that a damaged record leaves this object as it was.
    CProfileResults loaded;
    loaded.m_beatPoints = m_beatPoints;
    WORD version = 0;
    WORD unused = 0;
    archive >> version >> unused;
    archive >> loaded.m_sampleRate;
    archive >> loaded.m_tempo >> loaded.m_peakLevel >> loaded.m_reserved1 >> loaded.m_reserved2;
    loaded.m_fileId.Serialize(archive);
    archive >> loaded.m_firstLoud >> loaded.m_lastLoud >> loaded.m_sampleCount;
    ReadList(archive, loaded.m_mixInPoints);
    ReadList(archive, loaded.m_mixOutPoints);
    ReadList(archive, loaded.m_fadeSteps);
    ReadList(archive, loaded.m_measureStarts);
    if (version >= kFirstVersionWithKey)
        archive >> loaded.m_keyIndex >> loaded.m_keyMode;
    *this = loaded;
}
