// The data of one RIFF chunk as a stream, seen by the objects that read and write themselves
// into chunks. Results are 1 or 0, not HRESULTs.
#pragma once

#include <windows.h>

struct IArchive {
    virtual BOOL STDMETHODCALLTYPE IsStoring() = 0;
    virtual BOOL STDMETHODCALLTYPE Write(const void* data, UINT length) = 0;
    // The count actually read goes to *read (when given); the result is 1 even for a short read.
    virtual BOOL STDMETHODCALLTYPE Read(void* data, UINT length, UINT* read) = 0;
    // Reads a record whose first 2 bytes hold its own stored length: the part both lengths
    // share is read into record (whose own length field keeps the caller's value), the stored
    // bytes beyond it are skipped; *consumed receives the bytes taken from the stream.
    virtual BOOL STDMETHODCALLTYPE ReadSizedRecord(BYTE* record, UINT recordSize, UINT available, UINT* consumed) = 0;
    virtual BOOL STDMETHODCALLTYPE Skip(int bytes) = 0;

protected:
    ~IArchive() = default;
};
