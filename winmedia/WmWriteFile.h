// CWmWriteFile: encodes a play stream into a Windows Media audio file, as an output
// (IPlayerOutput) that the engine's export drives: Open, AttachInput, SetProgressStatus,
// SetFormat, AddTrackInfo, then StartFile, which starts the writer thread.
//
// The writer thread pulls the whole input in pieces of at most kPieceBytes, each read straight
// into a sample the runtime allocates, and writes them in order with their time stamps. A piece
// the runtime refuses is written again (the same bytes, after kRetryDelayMs); when writing makes
// no progress for the stall limit (the input not ready, or the runtime refusing every write),
// the export ends with the error in the progress object. The runtime writes into a new file beside
// the target, which replaces the target only once the whole file was written: a cancelled or
// failed export leaves no file behind and an older target as it was. Either way the progress
// object receives SetComplete last.
//
// One object writes one file: the runtime's writer is released when the thread ends, and
// StartFile answers E_FAIL without an open writer or when it already ran.
//
// Threads: the IPlayerOutput operations come from the owner's thread; after StartFile the writer
// thread alone uses the runtime's writer and the input (the owner must not touch either until
// IsRunning answers S_FALSE). The progress object is shared, as its interface allows.
#pragma once

#include "classlib/com/ComObjectRoot.h"
#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "interfaces/IPlayerOutput.h"
#include "winmedia/WmFormatList.h"
#include "winmedia/WmRuntime.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CWmWriteFile : public CComObjectRoot, public IPlayerOutput {
public:
    static constexpr DWORD kPieceBytes = 0x10000;
    // Pause while the input has no data ready, and before a refused piece is written again.
    static constexpr DWORD kRetryDelayMs = 20;
    // How long the export may make no progress before it ends with an error.
    static constexpr DWORD kStallLimitMs = 10000;

    CWmWriteFile() : CWmWriteFile(WmRuntime::System()) {}
    explicit CWmWriteFile(const WmRuntime& runtime, DWORD stallLimitMs = kStallLimitMs)
        : m_runtime(runtime), m_stallLimitMs(stallLimitMs)
    {}

    COM_OBJECT_UNKNOWN
    HRESULT STDMETHODCALLTYPE IsOpen() override;
    HRESULT STDMETHODCALLTYPE IsRunning() override;
    HRESULT STDMETHODCALLTYPE SetBufferSize(unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE Open() override;
    HRESULT STDMETHODCALLTYPE SetFormat(int formatId) override;
    HRESULT STDMETHODCALLTYPE AddTrackInfo(LONGLONG position, LPCWSTR title, LPCWSTR artist, LPCWSTR album) override;
    HRESULT STDMETHODCALLTYPE Start() override;
    HRESULT STDMETHODCALLTYPE GetFormatInfo(int index, int* formatId, BSTR* name, int* bitRate) override;
    HRESULT STDMETHODCALLTYPE StartFile(LPCWSTR path, int reserved) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE AttachInput(IPlayerInput* input, int channelPair) override;
    HRESULT STDMETHODCALLTYPE DetachInput(IPlayerInput* input) override;
    HRESULT STDMETHODCALLTYPE SetProgressStatus(IProgressStatus* status) override;
    HRESULT STDMETHODCALLTYPE Close() override;

private:
    struct SubItemRecord {
        LONGLONG position;
        std::wstring title;
        std::wstring artist;
        std::wstring album;
    };

    HRESULT InternalQueryInterface(REFIID iid, void** object);

    void SetProfile();
    bool SetInputProperties(WAVEFORMATEX format);
    void WriteHeaderAttributes(DWORD averageBytesPerSecond);

    struct ThreadStart {
        CWmWriteFile* writer;
        HMODULE library;
    };
    static DWORD WINAPI ThreadMain(void* parameter);
    void RunWriterLoop();
    // Writes the input out; S_OK when all of it went, S_FALSE when cancelled, else the failure.
    HRESULT WritePieces();
    HRESULT FinishFile();
    // Moves the new file over the target, or removes it when `keep` is false or the move fails.
    HRESULT ReplaceTarget(bool keep);
    QWORD TimeOfBytes(LONGLONG bytes) const;

    const WmRuntime& m_runtime;
    const DWORD m_stallLimitMs;
    ComPtr<IProgressStatus> m_progress;
    ComPtr<IPlayerInput> m_input;
    LONGLONG m_totalBytes = 0;
    LONGLONG m_writtenBytes = 0;
    std::wstring m_path;
    // The new file the runtime writes, beside the target.
    std::wstring m_tempPath;
    std::wstring m_title;
    std::wstring m_author;
    std::wstring m_albumTitle;
    WORD m_blockAlign = 0;
    DWORD m_samplesPerSec = 0;
    int m_formatId = -1;
    bool m_formatListBuilt = false;
    bool m_open = false;
    bool m_started = false;
    std::atomic<bool> m_running{false};
    ComPtr<IWMWriter> m_writer;
    std::vector<WmFormatRecord> m_formats;
    std::vector<SubItemRecord> m_subItems;
    UniqueKernelHandle m_thread;
};
