// A RIFF form on disk or in memory, read by child index and chunk id, or written list by list
// with the sizes patched as lists and chunks close. Every engine file format is such a form.
//
// Reading builds an index of every chunk and list once, at open. Damaged input is bounded: a
// chunk whose size runs past its list or the file ends the walk of that list, and all positions
// are 64-bit, so no size field can wrap the walk around.
//
// Writing: a file error clears the open flag; every later operation then answers FALSE and the
// partial file is deleted at Close or destruction. OpenReplacing writes beside the target and
// replaces the target only when everything succeeded, so a failed save never destroys the
// previous version.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <memory>
#include <vector>

#include "classlib/core/File.h"
#include "classlib/core/String.h"
#include "engine/core/storage/RiffArchive.h"
#include "interfaces/IRiffStream.h"

// One entry of the in-memory index, in file order.
struct RIFF_CHUNKITEM {
    FOURCC id;     // chunk id, or the list type for a list
    DWORD size;    // as in the header
    DWORD offset;  // file position of the header
    WORD depth;    // 0 for the form itself, 1 for its direct children, ...
};

class CRiffFile : public IRiffStream {
public:
    CRiffFile() = default;
    // Ascends every open level (patching the sizes of a file being written), closes the file and
    // deletes it when its writing failed.
    ~CRiffFile() override;

    CRiffFile(const CRiffFile&) = delete;
    CRiffFile& operator=(const CRiffFile&) = delete;

    // readMode 1: opens for reading (others may read, not write), requires "RIFF" at the start,
    // returns the form type and makes the form the current level. readMode 0: creates or
    // truncates the file for exclusive writing and writes the form header of *formType.
    BOOL Open(LPCWSTR path, int readMode, FOURCC* formType);
    // Builds the form in memory; Close writes it to a new temporary file beside path and replaces
    // path with it only when every step succeeded, else removes it and leaves path as it was. A
    // read-only path is refused.
    BOOL OpenReplacing(LPCWSTR path, FOURCC formType);
    BOOL CreateInMemory(FOURCC* formType);
    BOOL OpenFromMemory(const BYTE* data, int size);
    // Reads size bytes of an image from the archive into memory and opens them for reading.
    BOOL ReadImageFrom(CArchive& archive, int size);
    // Writes the whole content of the (memory) file to the archive.
    BOOL WriteImageTo(CArchive& archive);

    // What destruction does, with a result: ascends every open level, closes the file, deletes
    // a failed write or completes a replacing one. FALSE when the file was written and is not
    // intact on disk.
    BOOL Close();
    // For a writer whose own step failed: the file being written is discarded at Close, and a
    // replacing write leaves its target as it was.
    void Abandon() { Fail(); }

    BOOL STDMETHODCALLTYPE GetChildId(int n, FOURCC* id) override;
    BOOL STDMETHODCALLTYPE OpenChunk(int n, IArchive** archive, DWORD* size) override;
    BOOL STDMETHODCALLTYPE Descend(int n) override;
    BOOL STDMETHODCALLTYPE CreateChunk(FOURCC id, IArchive** archive) override;
    BOOL STDMETHODCALLTYPE CreateList(FOURCC type) override;
    BOOL STDMETHODCALLTYPE Ascend() override;
    BOOL STDMETHODCALLTYPE CloseChunk() override;

    bool IsOpen() const { return m_open; }
    int GetIndexCount() const { return static_cast<int>(m_index.size()); }
    const RIFF_CHUNKITEM& GetIndexItem(int i) const { return m_index[static_cast<size_t>(i)]; }
    int GetCurrentLevel() const { return m_current; }

private:
    enum Mode { modeWrite = 0, modeRead = 1 };

    BOOL OpenForReading();
    BOOL OpenForWriting(LPCWSTR path, FOURCC formType);
    void BuildIndex();
    // Index of the n-th direct child of the current level, or -1.
    int FindChild(int n) const;
    void WriteHeader(DWORD offset, FOURCC id, DWORD size);
    // Pads to an even position and rewrites the size of the entry's header; returns to the end.
    void PatchSize(RIFF_CHUNKITEM& item, bool list);
    // Closes the open chunk archive; in write mode patches the last chunk's size. Throws.
    void CloseOpenChunk();
    void Fail();

    std::unique_ptr<CFile> m_file;
    std::unique_ptr<CRiffArchive> m_archive;
    int m_mode = modeRead;
    bool m_open = false;
    std::vector<RIFF_CHUNKITEM> m_index;
    int m_current = -1;
    // The disk file being written (deleted when the write fails) and, for a replacing write, the
    // target it replaces at the end.
    CString m_writtenPath;
    CString m_replacedPath;
    // A replacing write builds the form in memory (m_file) and fills this temporary file with it
    // at Close.
    std::unique_ptr<CFile> m_diskFile;
};
