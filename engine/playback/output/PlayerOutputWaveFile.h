// CPlayerOutputWaveFile: the WAV export. It pulls the whole stream (16-bit stereo at 44100 Hz,
// the final mix's format) from its input into a new WAV file: into a temporary file beside the
// target, which replaces the target only when every byte was written, so a cancelled or failed
// export leaves no new file and an older target as it was. Per-track entries are not written
// into the file (it keeps the base AddTrackInfo).
//
// Call order: Open, SetFormat, AddTrackInfo..., SetProgressStatus, AttachInput, StartFile. One
// object writes one file.
//
// Threads: the owner calls the IPlayerOutput operations; StartFile starts the writer thread,
// which owns the file and pulls the input until the end, a cancel request on the progress status
// or Close (which waits for it). It reports progress (0 to 1), an error (SetError) and, in every
// case, completion through the progress status; the caller tells a cancelled run by its own
// request.
#pragma once

#include <windows.h>

#include "classlib/com/UniqueHandle.h"
#include "classlib/core/String.h"
#include "engine/core/storage/PageBuffer.h"
#include "engine/playback/output/PlayerOutput.h"

class CPlayerOutputWaveFile : public CPlayerOutput {
public:
    // The only format: 44.1 kHz 16-bit stereo.
    static constexpr int kFormatId = 1;
    // Bytes pulled per piece: the most one read is served from the ring's rendered blocks (five of
    // its six blocks: a read need not start on a block). The writer waits for the inputs after
    // every piece, so the larger the piece the fewer the waits.
    static constexpr unsigned kPieceBytes = 163840;
    // The writer polls this often for the mix inputs to finish the next blocks: the mix output
    // hands out zeros for a block that is not filled, and at the 20 ms sleep of the Windows Media
    // writer two blocks per piece would hold an export to about 18 times real time.
    static constexpr DWORD kPollMs = 1;
    // The largest data chunk a RIFF file can describe (its form size, data + 36, is 32-bit).
    static constexpr ULONGLONG kMaxDataBytes = 0xFFFFFFFFull - 36;

    HRESULT STDMETHODCALLTYPE SetFormat(int formatId) override;
    // Checks the input, refuses a stream too long for RIFF or a read-only target, creates the
    // temporary file and starts the writer thread. E_FAIL without an input or a progress status,
    // or for an input that is not 16-bit stereo at 44100 Hz.
    HRESULT STDMETHODCALLTYPE StartFile(LPCWSTR path, int reserved) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    // Ends a writer thread still running as a cancel would, and waits for it.
    HRESULT STDMETHODCALLTYPE Close() override;
    void RunDeviceLoop() override;

private:
    // Writer thread: pulls and writes every piece; S_OK when all were written, S_FALSE when
    // cancelled or closed first, else the failure.
    HRESULT WriteAll(IPlayerInput& input);
    // Writer thread: closes the file and moves it over the target, or removes it (S_FALSE when a
    // cancel or close came after the last piece).
    HRESULT Finish(bool keep);

    CString m_path;
    CString m_tempPath;
    UniqueFile m_file;
    ULONGLONG m_total = 0;
    CPageBuffer m_piece;
};
