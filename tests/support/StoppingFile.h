// A disk file that refuses every write from a given one on (Write and SetLength both count), as
// if the machine stopped there: what lies on disk is what a crash at that point leaves. Handed to
// a record file through its file seam.
#pragma once

#include "classlib/core/FileException.h"
#include "classlib/core/File.h"

namespace fixtures {

class StoppingFile : public CFile {
public:
    // `stopped` is set when a write was refused.
    StoppingFile(int writesAllowed, bool* stopped) : m_left(writesAllowed), m_stopped(stopped) {}
    void Write(const void* buffer, UINT count) override
    {
        Spend();
        CFile::Write(buffer, count);
    }
    void SetLength(ULONGLONG length) override
    {
        Spend();
        CFile::SetLength(length);
    }

private:
    void Spend()
    {
        if (m_left-- > 0)
            return;
        *m_stopped = true;
        throw CFileException(CFileException::hardIO, ERROR_WRITE_FAULT);
    }

    int m_left;
    bool* m_stopped;
};

}  // namespace fixtures
