#include "engine/catalog/watch/CatUpdaterDirWatch.h"

CCatUpdaterDirWatch::CCatUpdaterDirWatch(const CString& folder, ULONG_PTR key)
    : m_directory(CreateFileW(folder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr)),
      m_folder(folder), m_key(key)
{
    m_buffer = static_cast<BYTE*>(VirtualAlloc(nullptr, kBufferBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    m_bufferSize = m_buffer ? kBufferBytes : 0;
}

CCatUpdaterDirWatch::~CCatUpdaterDirWatch()
{
    if (m_pending) {
        // The system still owns the buffer and the OVERLAPPED: cancel the read and wait for its
        // completion before freeing them. The cancelled packet still reaches the port; the worker
        // drops it (it failed, and its key names no current watch).
        DWORD transferred = 0;
        CancelIoEx(m_directory.get(), &m_overlapped);
        GetOverlappedResult(m_directory.get(), &m_overlapped, &transferred, TRUE);
    }
    m_directory.reset();
    if (m_buffer)
        VirtualFree(m_buffer, 0, MEM_RELEASE);
}

bool CCatUpdaterDirWatch::Associate(HANDLE port)
{
    return CreateIoCompletionPort(m_directory.get(), port, m_key, 0) == port;
}

bool CCatUpdaterDirWatch::Arm()
{
    m_overlapped = OVERLAPPED{};
    m_pending = ReadDirectoryChangesW(m_directory.get(), m_buffer, m_bufferSize, TRUE, kChangeFilter, nullptr,
                                      &m_overlapped, nullptr) != FALSE;
    return m_pending;
}
