#include "engine/catalog/analysis/BeatPoints.h"

#include "classlib/core/Archive.h"

namespace {
// One read moves at most 4 GiB - 1 bytes.
constexpr ULONGLONG kMaxPositions = 0x3FFFFFFF;
}  // namespace

CBeatPoints::CBeatPoints(const CBeatPoints& other)
{
    Copy(other);
}

CBeatPoints& CBeatPoints::operator=(const CBeatPoints& other)
{
    Copy(other);
    return *this;
}

void CBeatPoints::Copy(const CBeatPoints& other)
{
    if (&other == this)
        return;
    m_flagWord = other.m_flagWord;
    m_positions.Copy(other.m_positions);
}

bool CBeatPoints::IsEqual(const CBeatPoints& other) const
{
    if (m_flagWord != other.m_flagWord || m_positions.GetSize() != other.m_positions.GetSize())
        return false;
    for (INT_PTR i = 0; i < m_positions.GetSize(); ++i) {
        if (m_positions[i] != other.m_positions[i])
            return false;
    }
    return true;
}

void CBeatPoints::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << m_flagWord;
        archive.WriteCount(static_cast<ULONGLONG>(m_positions.GetSize()));
        if (m_positions.GetSize() > 0)
            archive.Write(m_positions.GetData(), static_cast<UINT>(m_positions.GetSize() * sizeof(DWORD)));
        return;
    }
    WORD flagWord = 0;
    archive >> flagWord;
    const ULONGLONG count = archive.ReadCount(sizeof(DWORD));
    if (count > kMaxPositions)
        CArchiveException::Throw(CArchiveException::endOfFile);
    CDWordArray positions;
    positions.SetSize(static_cast<INT_PTR>(count));
    if (count > 0)
        archive.ReadExactly(positions.GetData(), static_cast<UINT>(count * sizeof(DWORD)));
    m_flagWord = flagWord;
    m_positions.Copy(positions);
}

bool CBeatPoints::ToMicroseconds(DWORD sampleRate, CArray<LONGLONG, LONGLONG>& times) const
{
    times.RemoveAll();
    if (m_flagWord == 0 || sampleRate == 0)
        return false;
    times.SetSize(0, m_positions.GetSize());
    for (INT_PTR i = 0; i < m_positions.GetSize(); ++i)
        times.Add(static_cast<LONGLONG>(static_cast<ULONGLONG>(m_positions[i]) * 1000000ULL / sampleRate));
    return true;
}
