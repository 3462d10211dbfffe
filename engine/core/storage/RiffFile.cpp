#include "engine/core/storage/RiffFile.h"

#include <algorithm>
#include <cstring>

#include "classlib/core/MemFile.h"
#include "engine/core/storage/PageBuffer.h"
#include "engine/core/storage/ReplacementFile.h"

namespace {

constexpr FOURCC kRiff = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC kList = mmioFOURCC('L', 'I', 'S', 'T');
// Offsets are stored in 32 bits: nothing beyond this is indexed or written.
constexpr ULONGLONG kMaxOffset = 0xFFFFFFFFULL;
constexpr SIZE_T kCopyBufferSize = 0x10000;
constexpr UINT kReplacingGrowBytes = 0x10000;

}  // namespace

CRiffFile::~CRiffFile()
{
    Close();
}

void CRiffFile::Fail()
{
    m_open = false;
}

BOOL CRiffFile::Open(LPCWSTR path, int readMode, FOURCC* formType)
{
    if (m_file || path == nullptr || formType == nullptr)
        return FALSE;
    if (!readMode)
        return OpenForWriting(path, *formType);
    auto file = std::make_unique<CFile>();
    if (!file->Open(path, CFile::modeRead | CFile::shareDenyWrite))
        return FALSE;
    m_file = std::move(file);
    m_mode = modeRead;
    if (!OpenForReading()) {
        m_file.reset();
        return FALSE;
    }
    *formType = m_index[0].id;
    return TRUE;
}

BOOL CRiffFile::OpenReplacing(LPCWSTR path, FOURCC formType)
{
    if (m_file || path == nullptr || *path == 0)
        return FALSE;
    CString temp;
    if (FAILED(CreateReplacementFile(path, L"cfw", &temp)))
        return FALSE;
    // The form is built in memory and reaches the disk in one piece at Close: under Wine every
    // system call costs microseconds, and writing chunk by chunk with its size patches made a
    // 500-track mix take hundreds of them per track.
    auto disk = std::make_unique<CFile>();
    if (!disk->Open(temp, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive)) {
        DeleteFileW(temp);
        return FALSE;
    }
    m_diskFile = std::move(disk);
    m_replacedPath = path;
    m_writtenPath = temp;
    m_file = std::make_unique<CMemFile>(kReplacingGrowBytes);
    m_mode = modeWrite;
    m_open = true;
    return CreateList(formType);
}

BOOL CRiffFile::OpenForWriting(LPCWSTR path, FOURCC formType)
{
    auto file = std::make_unique<CFile>();
    if (!file->Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive)) {
        if (!m_replacedPath.IsEmpty())
            DeleteFileW(path);
        m_replacedPath.Empty();
        return FALSE;
    }
    m_file = std::move(file);
    m_writtenPath = path;
    m_mode = modeWrite;
    m_open = true;
    return CreateList(formType);
}

BOOL CRiffFile::CreateInMemory(FOURCC* formType)
{
    if (m_file || formType == nullptr)
        return FALSE;
    m_file = std::make_unique<CMemFile>(1024);
    m_mode = modeWrite;
    m_open = true;
    return CreateList(*formType);
}

BOOL CRiffFile::OpenFromMemory(const BYTE* data, int size)
{
    if (m_file || data == nullptr || size < 0)
        return FALSE;
    auto file = std::make_unique<CMemFile>(1024);
    try {
        file->Write(data, static_cast<UINT>(size));
        file->SeekToBegin();
    } catch (const CException&) {
        return FALSE;
    }
    m_file = std::move(file);
    m_mode = modeRead;
    if (!OpenForReading()) {
        m_file.reset();
        return FALSE;
    }
    return TRUE;
}

BOOL CRiffFile::ReadImageFrom(CArchive& archive, int size)
{
    if (m_file || size < 0)
        return FALSE;
    CPageBuffer buffer;
    if (size > 0 && buffer.Allocate(static_cast<SIZE_T>(size)) == nullptr)
        return FALSE;
    try {
        if (size > 0)
            archive.ReadExactly(buffer.Get(), static_cast<UINT>(size));
    } catch (const CException&) {
        return FALSE;
    }
    return OpenFromMemory(size > 0 ? buffer.Get() : reinterpret_cast<const BYTE*>(""), size);
}

BOOL CRiffFile::WriteImageTo(CArchive& archive)
{
    if (!m_open || !m_file)
        return FALSE;
    CPageBuffer buffer(kCopyBufferSize);
    if (buffer.Get() == nullptr)
        return FALSE;
    try {
        const ULONGLONG position = m_file->GetPosition();
        m_file->SeekToBegin();
        for (;;) {
            const UINT n = m_file->Read(buffer.Get(), static_cast<UINT>(buffer.Size()));
            if (n == 0)
                break;
            archive.Write(buffer.Get(), n);
        }
        m_file->Seek(static_cast<LONGLONG>(position), CFile::begin);
        return TRUE;
    } catch (const CException&) {
        Fail();
        return FALSE;
    }
}

BOOL CRiffFile::OpenForReading()
{
    try {
        m_file->SeekToBegin();
        BYTE header[12];
        if (m_file->Read(header, sizeof(header)) != sizeof(header) || std::memcmp(header, "RIFF", 4) != 0)
            return FALSE;
        BuildIndex();
    } catch (const CException&) {
        return FALSE;
    }
    if (m_index.empty() || m_index[0].offset != 0 || m_index[0].depth != 0) {
        m_index.clear();
        return FALSE;
    }
    m_current = 0;
    m_open = true;
    return TRUE;
}

void CRiffFile::BuildIndex()
{
    // One frame per list being walked: the next position, the end of the list's range, and the
    // depth of its children. An explicit stack keeps deeply nested (or hostile) files from
    // exhausting the thread's stack.
    struct Frame {
        ULONGLONG position;
        ULONGLONG end;
        WORD depth;
    };
    m_index.clear();
    std::vector<Frame> frames{{0, std::min(m_file->GetLength(), kMaxOffset), 0}};
    while (!frames.empty()) {
        Frame& frame = frames.back();
        if (frame.position + 8 > frame.end) {
            frames.pop_back();
            continue;
        }
        DWORD header[3] = {};
        m_file->Seek(static_cast<LONGLONG>(frame.position), CFile::begin);
        if (m_file->Read(header, 8) != 8) {
            frames.pop_back();
            continue;
        }
        const FOURCC id = header[0];
        const DWORD size = header[1];
        // An empty or one-byte chunk ends the walk of its list; the enclosing walk goes on.
        if (size < 2) {
            frames.pop_back();
            continue;
        }
        const ULONGLONG start = frame.position;
        const ULONGLONG chunkEnd = start + 8 + size;
        const ULONGLONG next = chunkEnd + (size & 1);
        if (id == kRiff || id == kList) {
            if (size < 4 || start + 12 > frame.end || m_file->Read(&header[2], 4) != 4) {
                frames.pop_back();
                continue;
            }
            m_index.push_back({header[2], size, static_cast<DWORD>(start), frame.depth});
            // A list cut short by the end of its enclosing range (a truncated file) still gives
            // the children that are there; nothing can follow it in that range.
            const ULONGLONG childEnd = std::min(chunkEnd, frame.end);
            frame.position = chunkEnd > frame.end ? frame.end : next;
            if (frame.depth < 0xFFFF) {
                const WORD childDepth = static_cast<WORD>(frame.depth + 1);
                frames.push_back({start + 12, childEnd, childDepth});
            }
            continue;
        }
        // A chunk whose data runs past its list or the file is damaged: stop this list here.
        if (chunkEnd > frame.end) {
            frames.pop_back();
            continue;
        }
        m_index.push_back({id, size, static_cast<DWORD>(start), frame.depth});
        frame.position = next;
    }
}

int CRiffFile::FindChild(int n) const
{
    if (!m_open || n < 0 || m_current < 0 || static_cast<size_t>(m_current) >= m_index.size())
        return -1;
    const WORD depth = m_index[static_cast<size_t>(m_current)].depth;
    int count = 0;
    for (size_t i = static_cast<size_t>(m_current) + 1; i < m_index.size(); ++i) {
        if (m_index[i].depth <= depth)
            break;
        if (m_index[i].depth == depth + 1 && count++ == n)
            return static_cast<int>(i);
    }
    return -1;
}

BOOL STDMETHODCALLTYPE CRiffFile::GetChildId(int n, FOURCC* id)
{
    const int child = FindChild(n);
    if (child < 0 || id == nullptr)
        return FALSE;
    *id = m_index[static_cast<size_t>(child)].id;
    return TRUE;
}

BOOL STDMETHODCALLTYPE CRiffFile::OpenChunk(int n, IArchive** archive, DWORD* size)
{
    if (!m_open || m_mode != modeRead || archive == nullptr)
        return FALSE;
    try {
        CloseOpenChunk();
        const int child = FindChild(n);
        if (child < 0)
            return FALSE;
        const RIFF_CHUNKITEM& item = m_index[static_cast<size_t>(child)];
        m_file->Seek(static_cast<LONGLONG>(item.offset) + 8, CFile::begin);
        m_archive = std::make_unique<CRiffArchive>(m_file.get(), false);
        *archive = m_archive.get();
        if (size)
            *size = item.size;
        return TRUE;
    } catch (const CException&) {
        Fail();
        return FALSE;
    }
}

BOOL STDMETHODCALLTYPE CRiffFile::Descend(int n)
{
    const int child = FindChild(n);
    if (child < 0)
        return FALSE;
    m_current = child;
    return TRUE;
}

void CRiffFile::WriteHeader(DWORD offset, FOURCC id, DWORD size)
{
    m_file->Seek(offset, CFile::begin);
    const DWORD header[2] = {id, size};
    m_file->Write(header, sizeof(header));
}

BOOL STDMETHODCALLTYPE CRiffFile::CreateChunk(FOURCC id, IArchive** archive)
{
    if (!m_open || m_mode != modeWrite || archive == nullptr)
        return FALSE;
    try {
        CloseOpenChunk();
        const ULONGLONG position = m_file->SeekToEnd();
        if (position > kMaxOffset - 8)
            throw CFileException(CFileException::diskFull, ERROR_FILE_TOO_LARGE);
        WriteHeader(static_cast<DWORD>(position), id, 0);
        const WORD depth = m_current >= 0 ? static_cast<WORD>(m_index[static_cast<size_t>(m_current)].depth + 1) : 1;
        m_index.push_back({id, 0, static_cast<DWORD>(position), depth});
        m_archive = std::make_unique<CRiffArchive>(m_file.get(), true);
        *archive = m_archive.get();
        return TRUE;
    } catch (const CException&) {
        Fail();
        return FALSE;
    }
}

BOOL STDMETHODCALLTYPE CRiffFile::CreateList(FOURCC type)
{
    if (!m_open || m_mode != modeWrite)
        return FALSE;
    try {
        // A chunk still open would otherwise be patched later as if it were this list.
        CloseOpenChunk();
        const ULONGLONG position = m_file->SeekToEnd();
        if (position > kMaxOffset - 12)
            throw CFileException(CFileException::diskFull, ERROR_FILE_TOO_LARGE);
        const bool form = m_current < 0;
        WriteHeader(static_cast<DWORD>(position), form ? kRiff : kList, 0);
        m_file->Write(&type, sizeof(type));
        const WORD depth = form ? 0 : static_cast<WORD>(m_index[static_cast<size_t>(m_current)].depth + 1);
        m_index.push_back({type, 0, static_cast<DWORD>(position), depth});
        m_current = static_cast<int>(m_index.size()) - 1;
        return TRUE;
    } catch (const CException&) {
        Fail();
        return FALSE;
    }
}

void CRiffFile::PatchSize(RIFF_CHUNKITEM& item, bool list)
{
    const ULONGLONG end = m_file->SeekToEnd();
    if (end & 1) {
        const BYTE pad = 0;
        m_file->Write(&pad, 1);
    }
    const ULONGLONG size = end - item.offset - 8;
    if (size > 0xFFFFFFFFULL)
        throw CFileException(CFileException::diskFull, ERROR_FILE_TOO_LARGE);
    FOURCC id = item.id;
    if (list)
        id = item.depth == 0 ? kRiff : kList;
    WriteHeader(item.offset, id, static_cast<DWORD>(size));
    item.size = static_cast<DWORD>(size);
    m_file->SeekToEnd();
}

void CRiffFile::CloseOpenChunk()
{
    if (!m_archive)
        return;
    std::unique_ptr<CRiffArchive> archive = std::move(m_archive);
    if (m_mode == modeRead)
        return;
    const bool failed = archive->Failed();
    archive->Close();
    if (failed)
        throw CFileException(CFileException::genericException);
    PatchSize(m_index.back(), false);
}

BOOL STDMETHODCALLTYPE CRiffFile::CloseChunk()
{
    if (!m_open) {
        m_archive.reset();
        return FALSE;
    }
    try {
        CloseOpenChunk();
        return TRUE;
    } catch (const CException&) {
        Fail();
        return FALSE;
    }
}

BOOL STDMETHODCALLTYPE CRiffFile::Ascend()
{
    if (!m_open)
        return FALSE;
    try {
        CloseOpenChunk();
        if (m_current < 0)
            return FALSE;
        RIFF_CHUNKITEM& level = m_index[static_cast<size_t>(m_current)];
        if (m_mode == modeWrite) {
            PatchSize(level, true);
            if (m_current == 0) {
                m_current = -1;
                return TRUE;
            }
        } else if (m_current == 0) {
            return FALSE;
        }
        const WORD depth = level.depth;
        for (int i = m_current - 1; i >= 0; --i) {
            if (m_index[static_cast<size_t>(i)].depth + 1 == depth) {
                m_current = i;
                return TRUE;
            }
        }
        return FALSE;
    } catch (const CException&) {
        Fail();
        return FALSE;
    }
}

BOOL CRiffFile::Close()
{
    while (Ascend()) {
    }
    m_archive.reset();
    const bool writing = m_mode == modeWrite && m_file != nullptr;
    const bool written = writing && !m_writtenPath.IsEmpty();
    bool ok = m_open;
    if (m_file) {
        try {
            if (written && ok && m_diskFile) {
                const auto* memory = static_cast<const CMemFile*>(m_file.get());
                m_diskFile->Write(memory->GetData(), static_cast<UINT>(memory->GetLength()));
                m_diskFile->Flush();
            }
            m_file->Close();
        } catch (const CException&) {
            ok = false;
        }
        m_file.reset();
    }
    if (m_diskFile) {
        try {
            m_diskFile->Close();
        } catch (const CException&) {
            ok = false;
        }
        m_diskFile.reset();
    }
    m_open = false;
    m_index.clear();
    m_current = -1;
    if (written) {
        if (ok && !m_replacedPath.IsEmpty())
            ok = MoveFileExW(m_writtenPath, m_replacedPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (!ok)
            DeleteFileW(m_writtenPath);
    }
    const BOOL result = !writing || ok ? TRUE : FALSE;
    m_writtenPath.Empty();
    m_replacedPath.Empty();
    return result;
}
