// The data of one RIFF chunk as a class-library archive (4096-byte buffer), loading for a chunk
// being read and storing for one being written, seen by chunk readers and writers as IArchive.
// Owned by the CRiffFile that opened it. File errors never escape an IArchive call: the call
// answers FALSE and the archive remembers the failure, so that the file can be marked failed
// (and a file being written deleted) when the chunk is closed.
#pragma once

#include "classlib/core/Archive.h"
#include "interfaces/IArchive.h"

class CRiffArchive : public IArchive {
public:
    CRiffArchive(CFile* file, bool storing);
    virtual ~CRiffArchive() = default;

    BOOL STDMETHODCALLTYPE IsStoring() override;
    BOOL STDMETHODCALLTYPE Write(const void* data, UINT length) override;
    BOOL STDMETHODCALLTYPE Read(void* data, UINT length, UINT* read) override;
    BOOL STDMETHODCALLTYPE ReadSizedRecord(BYTE* record, UINT recordSize, UINT available, UINT* consumed) override;
    BOOL STDMETHODCALLTYPE Skip(int bytes) override;

    // The class-library archive itself, for objects that serialise through CArchive. Exceptions
    // thrown through it reach the caller.
    CArchive& Archive() { return m_archive; }

    // Flushes (storing) and detaches; throws on a file error.
    void Close();
    bool Failed() const { return m_failed; }

private:
    CArchive m_archive;
    bool m_failed = false;
};
