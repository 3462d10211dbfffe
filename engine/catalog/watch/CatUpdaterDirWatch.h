// CCatUpdaterDirWatch: one watched folder: its directory handle, opened for overlapped change
// reads on the updater's completion port, a 64 KiB change buffer and the read's OVERLAPPED.
//
// Threads: created, armed and destroyed under the updater's lock, from the user-interface thread
// (StartWatching, StopWatching) and the updater's worker (re-arming after a packet). The system
// writes into the buffer and the OVERLAPPED while a read is pending, so destruction cancels the
// read and waits until it has completed before either is freed.
#pragma once

#include <windows.h>

#include "classlib/com/UniqueHandle.h"
#include "classlib/core/String.h"

class CCatUpdaterDirWatch {
public:
    static constexpr DWORD kBufferBytes = 65536;
    // File name, directory name and last write.
    static constexpr DWORD kChangeFilter =
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;

    // Opens the folder; IsUsable() tells whether the handle and the buffer exist.
    // key: what the folder's packets carry as their completion key (never 0).
    CCatUpdaterDirWatch(const CString& folder, ULONG_PTR key);
    ~CCatUpdaterDirWatch();
    CCatUpdaterDirWatch(const CCatUpdaterDirWatch&) = delete;
    CCatUpdaterDirWatch& operator=(const CCatUpdaterDirWatch&) = delete;

    bool IsUsable() const { return m_directory && m_bufferSize != 0; }
    // Ties the handle to the port (the key identifies this watch in its packets).
    bool Associate(HANDLE port);
    // Issues the overlapped change read; FALSE when the system refused it.
    bool Arm();
    // The read that ended with this packet was this watch's own (not a packet posted by hand).
    bool IsOwnRead(const OVERLAPPED* overlapped) const { return overlapped == &m_overlapped; }
    // Called for this watch's own packet: the read is no longer pending.
    void ReadCompleted() { m_pending = false; }

    const BYTE* GetBuffer() const { return m_buffer; }
    DWORD GetBufferSize() const { return m_bufferSize; }
    const CString& GetFolder() const { return m_folder; }
    ULONG_PTR GetKey() const { return m_key; }

private:
    UniqueFile m_directory;
    BYTE* m_buffer = nullptr;
    DWORD m_bufferSize = 0;
    OVERLAPPED m_overlapped{};
    CString m_folder;
    ULONG_PTR m_key;
    bool m_pending = false;
};
