#include "engine/core/storage/RiffArchive.h"

#include <algorithm>

CRiffArchive::CRiffArchive(CFile* file, bool storing) : m_archive(file, storing ? CArchive::store : CArchive::load) {}

BOOL STDMETHODCALLTYPE CRiffArchive::IsStoring()
{
    return m_archive.IsStoring() ? TRUE : FALSE;
}

BOOL STDMETHODCALLTYPE CRiffArchive::Write(const void* data, UINT length)
{
    if (data == nullptr && length != 0)
        return FALSE;
    try {
        m_archive.Write(data, length);
        return TRUE;
    } catch (const CException&) {
        m_failed = true;
        return FALSE;
    }
}

BOOL STDMETHODCALLTYPE CRiffArchive::Read(void* data, UINT length, UINT* read)
{
    if (read)
        *read = 0;
    if (data == nullptr && length != 0)
        return FALSE;
    try {
        const UINT n = m_archive.Read(data, length);
        if (read)
            *read = n;
        return TRUE;
    } catch (const CException&) {
        m_failed = true;
        return FALSE;
    }
}

BOOL STDMETHODCALLTYPE CRiffArchive::ReadSizedRecord(BYTE* record, UINT recordSize, UINT available, UINT* consumed)
{
    if (consumed)
        *consumed = 0;
    if (available < 2 || record == nullptr)
        return FALSE;
    try {
        WORD stored = 0;
        if (m_archive.Read(&stored, sizeof(stored)) != sizeof(stored))
            return FALSE;
        const UINT n = std::min({static_cast<UINT>(stored), recordSize, available});
        if (n > 2) {
            const UINT got = m_archive.Read(record + 2, n - 2);
            if (got != n - 2)
                return FALSE;
        }
        UINT skipped = 0;
        if (stored > n) {
            BYTE scratch[256];
            UINT left = stored - n;
            while (left > 0) {
                const UINT got = m_archive.Read(scratch, std::min<UINT>(left, sizeof(scratch)));
                if (got == 0)
                    break;
                left -= got;
                skipped += got;
            }
        }
        // A stored length below 2 still took its own 2-byte field from the stream; counting it
        // keeps the caller's tally of the chunk's bytes true.
        if (consumed)
            *consumed = std::max(n, 2u) + skipped;
        return TRUE;
    } catch (const CException&) {
        m_failed = true;
        return FALSE;
    }
}

BOOL STDMETHODCALLTYPE CRiffArchive::Skip(int bytes)
{
    try {
        BYTE scratch[256];
        while (bytes > 0) {
            const UINT got = m_archive.Read(scratch, std::min<UINT>(static_cast<UINT>(bytes), sizeof(scratch)));
            if (got == 0)
                break;
            bytes -= static_cast<int>(got);
        }
        return TRUE;
    } catch (const CException&) {
        m_failed = true;
        return FALSE;
    }
}

void CRiffArchive::Close()
{
    m_archive.Close();
}
