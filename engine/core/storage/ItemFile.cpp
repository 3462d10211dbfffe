#include "engine/core/storage/ItemFile.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/MemFile.h"

namespace {

constexpr SIZE_T kWorkBufferSize = 0x10000;
// Offsets are 32-bit: the file never grows beyond this.
constexpr ULONGLONG kMaxFileLength = 0xFFFFFFFFULL;
// ForEachItem reads this much at a time (plus room for one whole item).
constexpr SIZE_T kBulkWindow = 0x100000;

}  // namespace

CItemFile::CItemFile(LPCWSTR path, int flags) : CItemFile(std::make_unique<CFile>(), path, flags) {}

CItemFile::CItemFile(std::unique_ptr<CFile> file, LPCWSTR path, int flags)
    : m_path(path), m_file(file ? std::move(file) : std::make_unique<CFile>()), m_readOnly((flags & flagReadOnly) != 0)
{
    if (m_buffer.Allocate(kWorkBufferSize) == nullptr || path == nullptr)
        return;
    UINT mode = CFile::modeReadWrite | CFile::modeCreate;
    if (m_readOnly)
        mode = CFile::modeRead | CFile::shareDenyWrite;
    else if (!(flags & flagCreate))
        mode |= CFile::modeNoTruncate;
    if (!m_file->Open(path, mode))
        return;
    m_open = true;
    if (m_readOnly || !(flags & flagCreate)) {
        try {
            Scan((flags & flagAllowRepair) != 0);
        } catch (const CException&) {
            m_open = false;
        }
    }
    if (!m_open) {
        m_index.clear();
        m_file->Abort();
    }
}

CItemFile::~CItemFile()
{
    CancelAppendItem();
    CloseArchive();
    if (m_open && !m_readOnly) {
        try {
            Compact();
        } catch (const CException&) {
            // The compaction ends where it stands; every live item is whole at its old place, its
            // new one, or both.
        }
    }
    m_file->Abort();
}

int CItemFile::GetItemCount() const
{
    return m_open ? static_cast<int>(m_index.size()) : 0;
}

DWORD CItemFile::Checksum(const BYTE* body, size_t length)
{
    if (length > kMaxItemLength)
        return 0;
    DWORD sum = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4) {
        DWORD word;
        std::memcpy(&word, body + i, 4);
        sum ^= word;
    }
    if (i < length) {
        DWORD word = 0;
        std::memcpy(&word, body + i, length - i);
        sum ^= word;
    }
    return sum;
}

void CItemFile::ReadAt(ULONGLONG position, void* buffer, UINT count)
{
    m_file->Seek(static_cast<LONGLONG>(position), CFile::begin);
    if (m_file->Read(buffer, count) != count)
        throw CFileException(CFileException::endOfFile, ERROR_HANDLE_EOF);
}

void CItemFile::WriteAt(ULONGLONG position, const void* buffer, UINT count)
{
    m_file->Seek(static_cast<LONGLONG>(position), CFile::begin);
    m_file->Write(buffer, count);
}

bool CItemFile::IsValidHeader(const DWORD header[4], ULONGLONG position, ULONGLONG fileLength) const
{
    return header[0] == position && (header[3] == stateFree || header[3] == stateLive) && header[1] > kHeaderSize &&
           header[1] <= kMaxItemLength && position + header[1] <= fileLength;
}

DWORD CItemFile::ChecksumOfBody(ULONGLONG position, DWORD bodyLength)
{
    ReadAt(position + kHeaderSize, m_buffer.Get(), bodyLength);
    return Checksum(m_buffer.Get(), bodyLength);
}

ULONGLONG CItemFile::FindCandidate(ULONGLONG from, ULONGLONG limit)
{
    // A header's first word is its own position: searching a block in memory for that property
    // keeps the byte-by-byte repair search fast over long stretches of garbage.
    const ULONGLONG length = m_file->GetLength();
    while (from < limit) {
        const UINT n = static_cast<UINT>(std::min<ULONGLONG>(kWorkBufferSize, length - from));
        if (n < 4)
            return limit;
        ReadAt(from, m_buffer.Get(), n);
        for (UINT i = 0; i + 4 <= n; ++i) {
            if (from + i >= limit)
                return limit;
            DWORD word;
            std::memcpy(&word, m_buffer.Get() + i, 4);
            if (word == from + i)
                return from + i;
        }
        from += n - 3;
    }
    return limit;
}

void CItemFile::Scan(bool allowRepair)
{
    const ULONGLONG length = std::min(m_file->GetLength(), kMaxFileLength);
    if (length <= kHeaderSize)
        return;
    const ULONGLONG limit = length - kHeaderSize;
    ULONGLONG p = 0;
    while (p < limit) {
        DWORD header[4];
        ReadAt(p, header, sizeof(header));
        if (IsValidHeader(header, p, length)) {
            const DWORD checksum = ChecksumOfBody(p, header[1] - kHeaderSize);
            if (checksum == header[2])
                m_index.push_back({header[0], header[1], header[2], header[3]});
            else
                m_damaged = true;
            p += header[1];
            continue;
        }
        if (!allowRepair) {
            m_open = false;
            return;
        }
        m_damaged = true;
        p = FindCandidate(p + 1, limit);
    }
}

void CItemFile::CloseArchive() noexcept
{
    if (!m_archive)
        return;
    try {
        m_archive->Close();
    } catch (const CException&) {
        m_archive->Abort();
    }
    m_archive.reset();
}

BOOL CItemFile::BeginAppendItem(CArchive** archive, int* index)
{
    if (!m_open || m_readOnly || archive == nullptr)
        return FALSE;
    CloseArchive();
    m_appending = false;
    try {
        const ULONGLONG position = m_file->SeekToEnd();
        if (position + kHeaderSize > kMaxFileLength)
            return FALSE;
        const DWORD header[4] = {static_cast<DWORD>(position), kHeaderSize, 0, 0};
        m_file->Write(header, sizeof(header));
        m_appendPosition = position;
        m_appending = true;
        m_archive = std::make_unique<CArchive>(m_file.get(), CArchive::store);
        *archive = m_archive.get();
        if (index)
            *index = static_cast<int>(m_index.size());
        return TRUE;
    } catch (const CException&) {
        return FALSE;
    }
}

void CItemFile::CancelAppendItem()
{
    if (!m_appending)
        return;
    if (m_archive) {
        m_archive->Abort();
        m_archive.reset();
    }
    m_appending = false;
    try {
        m_file->SetLength(m_appendPosition);
    } catch (const CException&) {
        // What is left has a placeholder header that the next scan skips as damage.
    }
}

BOOL CItemFile::EndAppendItem()
{
    if (!m_open || !m_appending)
        return FALSE;
    try {
        if (m_archive) {
            m_archive->Close();
            m_archive.reset();
        }
        const ULONGLONG end = m_file->SeekToEnd();
        const ULONGLONG length = end - m_appendPosition;
        if (length <= kHeaderSize || length > kMaxItemLength || end > kMaxFileLength) {
            // A body of more than 65520 bytes (or none) has no valid header: the next scan would
            // drop it and mark the file damaged. Refuse it now, while the writer can still react.
            CancelAppendItem();
            return FALSE;
        }
        const DWORD checksum = ChecksumOfBody(m_appendPosition, static_cast<DWORD>(length - kHeaderSize));
        const DWORD header[4] = {static_cast<DWORD>(m_appendPosition), static_cast<DWORD>(length), checksum, stateLive};
        WriteAt(m_appendPosition, header, sizeof(header));
        m_file->SeekToEnd();
        m_index.push_back({header[0], header[1], header[2], header[3]});
        m_appending = false;
        return TRUE;
    } catch (const CException&) {
        CancelAppendItem();
        return FALSE;
    }
}

void CItemFile::ForEachItem(const std::function<void(int, CArchive&)>& visit)
{
    if (!m_open)
        return;
    CloseArchive();
    CPageBuffer window(kBulkWindow + kMaxItemLength);
    if (!window.Get())
        return;
    ULONGLONG start = 0;
    ULONGLONG filled = 0;
    for (size_t i = 0; i < m_index.size(); ++i) {
        const ITEMFILE_INDEX& entry = m_index[i];
        if (entry.state != stateLive)
            continue;
        try {
            if (entry.offset < start || ULONGLONG(entry.offset) + entry.length > start + filled) {
                start = entry.offset;
                filled = std::min<ULONGLONG>(window.Size(), m_file->GetLength() - start);
                ReadAt(start, window.Get(), static_cast<UINT>(filled));
            }
            CMemFile body;
            body.Write(window.Get() + (entry.offset - start) + kHeaderSize, entry.length - kHeaderSize);
            body.Seek(0, CFile::begin);
            CArchive archive(&body, CArchive::load);
            visit(static_cast<int>(i), archive);
        } catch (const CException&) {
            // A damaged body or a read error loses this item only.
        }
    }
}

BOOL CItemFile::OpenItemForRead(int index, CArchive** archive, int* bodyLength)
{
    if (!m_open || archive == nullptr || index < 0 || static_cast<size_t>(index) >= m_index.size())
        return FALSE;
    const ITEMFILE_INDEX& entry = m_index[static_cast<size_t>(index)];
    if (entry.state != stateLive)
        return FALSE;
    CloseArchive();
    try {
        m_file->Seek(static_cast<LONGLONG>(entry.offset) + kHeaderSize, CFile::begin);
        m_archive = std::make_unique<CArchive>(m_file.get(), CArchive::load);
        *archive = m_archive.get();
        if (bodyLength)
            *bodyLength = static_cast<int>(entry.length - kHeaderSize);
        return TRUE;
    } catch (const CException&) {
        return FALSE;
    }
}

void CItemFile::FreeItem(int index)
{
    if (!m_open || m_readOnly || index < 0 || static_cast<size_t>(index) >= m_index.size())
        return;
    CloseArchive();
    ITEMFILE_INDEX& entry = m_index[static_cast<size_t>(index)];
    entry.state = stateFree;
    const DWORD header[4] = {entry.offset, entry.length, entry.checksum, stateFree};
    try {
        WriteAt(entry.offset, header, sizeof(header));
    } catch (const CException&) {
        // The item stays live on disk; the index no longer offers it, and the next open finds it.
    }
}

void CItemFile::Compact()
{
    const bool anyFree =
        std::any_of(m_index.begin(), m_index.end(), [](const ITEMFILE_INDEX& e) { return e.state != stateLive; });
    if (!m_damaged && !anyFree)
        return;
    const ULONGLONG length = m_file->GetLength();
    ULONGLONG w = 0;
    for (const ITEMFILE_INDEX& entry : m_index) {
        if (entry.state != stateLive)
            continue;
        if (entry.offset == w) {
            w += entry.length;
            continue;
        }
        DWORD header[4];
        ReadAt(entry.offset, header, sizeof(header));
        if (std::memcmp(header, &entry, sizeof(header)) != 0 || !IsValidHeader(header, entry.offset, length) ||
            entry.length - kHeaderSize > m_buffer.Size())
            continue;
        if (!MoveItem(entry, w, length))
            return;
        w += entry.length;
    }
    m_file->SetLength(w);
}

bool CItemFile::MoveItem(const ITEMFILE_INDEX& entry, ULONGLONG to, ULONGLONG length)
{
    // Every step leaves at least one whole copy of the item on disk, so that a crash between any
    // two writes loses nothing: the new copy is complete (body, then header) before the old one
    // is wiped. A second copy left behind by a crash is resolved by the store that opens the file.
    BYTE* item = m_buffer.Get();
    ReadAt(entry.offset, item, entry.length);
    const DWORD bodyLength = entry.length - kHeaderSize;
    const DWORD moved[4] = {static_cast<DWORD>(to), entry.length, entry.checksum, stateLive};
    if (entry.offset >= to + entry.length) {
        WriteAt(to + kHeaderSize, item + kHeaderSize, bodyLength);
        WriteAt(to, moved, sizeof(moved));
        const DWORD zeros[4] = {};
        WriteAt(entry.offset, zeros, sizeof(zeros));
        return true;
    }
    // The new place overlaps the old one: copying over it would destroy the only copy before the
    // new one is whole. A spare copy goes past the end of the file first and is cut off again
    // once the item stands at its new place. Where offsets cannot reach that far, the compaction
    // stops here; the repair scan of the next open skips the space it leaves.
    if (length + entry.length > kMaxFileLength)
        return false;
    const DWORD spareOffset = static_cast<DWORD>(length);
    std::memcpy(item, &spareOffset, sizeof(spareOffset));
    WriteAt(length, item, entry.length);
    WriteAt(to + kHeaderSize, item + kHeaderSize, bodyLength);
    WriteAt(to, moved, sizeof(moved));
    m_file->SetLength(length);
    return true;
}
