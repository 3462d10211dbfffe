// CID3Tag: the ID3v2 tag (versions 2.2, 2.3 and 2.4) at the start of a music file, read once
// into a list of frames. Version 2.2 ids are translated to their four-character forms.
//
// Tags come from files of any origin: the body is never taken larger than the file holds, sizes
// are added in 64 bits (a version 3 frame may claim up to 2^32-1 bytes), and frames are cut only
// from bytes actually read.
//
// Threads: one owner at a time.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/core/String.h"
#include "engine/catalog/tags/ID3Frame.h"

// The owner of the private frame in which a track's saved mix settings travel inside a music
// file; the same text is used for reading and writing.
inline constexpr char kEmbeddedMixOwner[] = "carrowfold.com/defaultmix";
// A Windows Media file carries them in a byte-array attribute of the same name.
inline constexpr wchar_t kEmbeddedMixAttribute[] = L"carrowfold.com/defaultmix";

class CID3Tag {
public:
    static constexpr int kHeaderSize = 10;

    // 0 (S_OK) when a tag was read; 1 (S_FALSE) when the file has no usable ID3v2 tag; E_FAIL
    // when the file cannot be opened.
    HRESULT Read(const wchar_t* path);
    // The text of the first frame with this id; E_FAIL when absent or undecodable.
    HRESULT GetText(const char id[4], CString* text) const;
    // The data after the owner of the first "PRIV" frame of this owner; a NULL buffer gives only
    // the size. E_FAIL when there is none or the buffer is too small.
    HRESULT GetPrivateData(const char* owner, BYTE* buffer, DWORD* size) const;

    size_t GetFrameCount() const { return m_frames.size(); }
    // Header plus body as the tag header states it; 0 before a tag was read.
    ULONGLONG GetTotalSize() const { return m_totalSize; }

    // The body size of a tag header (synchsafe) when the 10 bytes begin a tag of version 2, 3 or
    // 4; FALSE otherwise.
    static BOOL ParseHeader(const BYTE header[kHeaderSize], DWORD* bodySize);

private:
    void ReadFrames(BYTE* body, size_t size, int version, BYTE flags);

    CString m_path;
    std::vector<std::unique_ptr<CID3Frame>> m_frames;
    ULONGLONG m_totalSize = 0;
};
