// CPlotFile: one analysis plot file in memory ("<number>.cfm", a RIFF form "CFP1").
//
// Chunk "plot": one byte per block of the level envelope, then a 24-byte trailer (the music
// file's identity, the block size, 6 zero bytes). Chunk "vbro" (optional): the MP3 reader's
// frame-offset table, byte for byte as the reader gave it; the engine never looks inside it.
//
// Plot files are read from disk and may be damaged: chunk sizes are bounded by the file (the
// RIFF index) and by the limits below, and a "plot" chunk shorter than its trailer or with
// another identity is never used.
//
// Threads: a plot file object belongs to one thread at a time (the analysis job that writes it,
// the plot cache's loader or a reader opening a catalog item).
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "classlib/core/String.h"
#include "engine/core/storage/MusicFileId.h"

#pragma pack(push, 1)
struct PLOT_TRAILER {
    BYTE fileId[CMusicFileId::kSize];
    WORD blockSize;
    BYTE reserved[6];
};
#pragma pack(pop)
static_assert(sizeof(PLOT_TRAILER) == 24);

class CPlotFile {
public:
    static constexpr FOURCC kFormType = mmioFOURCC('C', 'F', 'P', '1');
    static constexpr FOURCC kPlotChunk = mmioFOURCC('p', 'l', 'o', 't');
    static constexpr FOURCC kVbroChunk = mmioFOURCC('v', 'b', 'r', 'o');
    static constexpr WORD kBlockSize = 256;
    // Far beyond any real track (a week of 44.1 kHz audio in 256-frame blocks), small enough
    // that a damaged size never asks for an absurd allocation.
    static constexpr DWORD kMaxPlotBytes = 0x1000000;
    static constexpr DWORD kMaxVbroBytes = 0x4000000;

    // path: the plot file; expectedId: the identity a "plot" chunk must carry to be used.
    CPlotFile(const CString& path, const CMusicFileId& expectedId);
    CPlotFile(const CPlotFile&) = delete;
    CPlotFile& operator=(const CPlotFile&) = delete;

    // The block bytes of a level envelope: (value - minimum) * 256 / (maximum - minimum),
    // truncated and capped at 255; all 0 when maximum equals minimum.
    static std::vector<BYTE> LevelsToPlotBytes(const float* values, int count);

    // Takes the first "plot" chunk whose trailer carries the expected identity. FALSE when the
    // file cannot be opened, is no "CFP1" form, or holds no such chunk.
    BOOL Read();
    // The identity in the trailer of the first "plot" chunk long enough to hold one.
    BOOL ReadIdentity(CMusicFileId* id);
    // Creates the file: "plot" (the bytes, then the trailer with the expected identity and the
    // block size), then "vbro" when a table is given. The written flag records success; a
    // failed write leaves no file behind.
    BOOL Write(const BYTE* plot, DWORD plotSize, const BYTE* vbro, DWORD vbroSize);

    // The bytes and trailer taken by Read; FALSE when nothing was read.
    BOOL GetPlotBytes(std::vector<BYTE>& bytes, PLOT_TRAILER* trailer) const;
    // Size of the last "vbro" chunk; 0 when there is none.
    DWORD GetVbroSize();
    // Copies the first "vbro" chunk of exactly `size` bytes; FALSE when there is none.
    BOOL ReadVbro(BYTE* buffer, DWORD size);

    const CString& GetPath() const { return m_path; }
    const CMusicFileId& GetExpectedId() const { return m_expectedId; }
    bool WasWritten() const { return m_written; }
    bool WasRead() const { return m_readAttempted && m_hasPlot; }

private:
    CString m_path;
    std::vector<BYTE> m_plot;
    PLOT_TRAILER m_trailer{};
    CMusicFileId m_expectedId;
    bool m_hasPlot = false;
    bool m_written = false;
    bool m_readAttempted = false;
};
