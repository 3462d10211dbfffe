// A record file: independent, checksummed items appended at the end, read by index and freed in
// place; free and damaged space is squeezed out when the object is destroyed. The engine keeps
// its catalog, category list and per-music-file stores in such files.
//
// Item layout: header {offset of the header, 16 + body length, checksum of the body, state
// (1 live, 0 free)} as four little-endian 32-bit words, then the body (1 to 65520 bytes).
//
// Not thread-safe: the stores that own a record file serialise calls with their own lock. At most
// one item archive exists at a time; appends and reads are strictly sequential.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/File.h"
#include "classlib/core/String.h"
#include "engine/core/storage/PageBuffer.h"

struct ITEMFILE_INDEX {
    DWORD offset;
    DWORD length;
    DWORD checksum;
    DWORD state;
};

class CItemFile {
public:
    enum Flags {
        flagCreate = 0x1,       // create the file empty
        flagAllowRepair = 0x2,  // skip garbage between items instead of failing the open
        // Only read: a missing file is not created, nothing is appended, freed or compacted, and
        // damage found by the scan is skipped in memory but left on disk.
        flagReadOnly = 0x4,
    };

    enum State : DWORD { stateFree = 0, stateLive = 1 };

    static constexpr DWORD kHeaderSize = 16;
    static constexpr DWORD kMaxItemLength = 0x10000;
    static constexpr DWORD kMaxBodyLength = kMaxItemLength - kHeaderSize;

    CItemFile(LPCWSTR path, int flags);
    // The same over a file object of the caller's, not yet open: the seam through which a test
    // hands in a file that stops writing part way, as a crash would.
    CItemFile(std::unique_ptr<CFile> file, LPCWSTR path, int flags);
    // Closes the open archive, compacts the file when any item was freed or damage was found,
    // and closes it.
    ~CItemFile();

    CItemFile(const CItemFile&) = delete;
    CItemFile& operator=(const CItemFile&) = delete;

    bool IsOpen() const { return m_open; }
    // Set when the scan met an invalid header or a wrong checksum.
    bool IsDamaged() const { return m_damaged; }
    int GetItemCount() const;
    const ITEMFILE_INDEX& GetIndexEntry(int index) const { return m_index[static_cast<size_t>(index)]; }

    // Starts an item at the end of the file: a storing archive for its body, and the index the
    // item will get.
    BOOL BeginAppendItem(CArchive** archive, int* index);
    // Completes the item begun last. A body above 65520 bytes cannot be stored: the item is
    // removed again and the result is FALSE (a header could not describe it).
    BOOL EndAppendItem();
    // Abandons the item begun last (for a writer that failed): its bytes are cut off again.
    void CancelAppendItem();
    BOOL OpenItemForRead(int index, CArchive** archive, int* bodyLength);
    // Visits every live item in file order with a loading archive over a copy of its body,
    // reading the file in large pieces: stores loaded whole at start (50,000 catalog records)
    // would otherwise pay several system calls per item. A CException from the visitor skips
    // that item only.
    void ForEachItem(const std::function<void(int index, CArchive& body)>& visit);
    // Marks the item free on disk; its bytes stay until compaction.
    void FreeItem(int index);

    // XOR of the body as little-endian 32-bit words, 1 to 3 trailing bytes in the low bytes of a
    // zeroed word; 0 for a body longer than 65536 bytes.
    static DWORD Checksum(const BYTE* body, size_t length);

private:
    void Scan(bool allowRepair);
    // The next position from `from` (below limit) where a header's offset field could match.
    ULONGLONG FindCandidate(ULONGLONG from, ULONGLONG limit);
    bool IsValidHeader(const DWORD header[4], ULONGLONG position, ULONGLONG fileLength) const;
    DWORD ChecksumOfBody(ULONGLONG position, DWORD bodyLength);
    void ReadAt(ULONGLONG position, void* buffer, UINT count);
    void WriteAt(ULONGLONG position, const void* buffer, UINT count);
    void CloseArchive() noexcept;
    void Compact();
    // Moves one live item down to `to` (below its offset) in a file of `length` bytes; false when
    // it cannot be moved safely.
    bool MoveItem(const ITEMFILE_INDEX& entry, ULONGLONG to, ULONGLONG length);

    CString m_path;
    bool m_damaged = false;
    std::unique_ptr<CFile> m_file;
    std::unique_ptr<CArchive> m_archive;
    ULONGLONG m_appendPosition = 0;
    bool m_appending = false;
    CPageBuffer m_buffer;
    bool m_open = false;
    bool m_readOnly = false;
    std::vector<ITEMFILE_INDEX> m_index;
};
