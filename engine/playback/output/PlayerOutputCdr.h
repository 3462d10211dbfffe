// CPlayerOutputCdr: the output that writes a play stream's mix to a recordable CD through the CD
// recording library (ICdRecorder, outside the system). As an output its device thread feeds the
// 16-bit stereo stream to the library; as IBurnCdr it lets the main program choose the recorder
// and the write options, start the write and follow it. The player creates it for a play stream
// (CPlayer::CreateCdBurner) and hands it the engine main object, which answers QueryInterface for
// every IID the output does not know itself.
//
// The write options are kept in the profile as the 540-byte "CD Write Properties" (read at
// construction, written back at destruction).
//
// Threads: IBurnCdr is called on the UI thread, IPlayerOutput by the player under its lock. The
// device thread (lowest priority) owns the recording library between requests: it lists the
// recorders, switches recorders, polls the disc and runs the write. Requests and results cross
// as interlocked flags; the recorder list and the information block under m_lock. The device
// thread never takes the global mix lock: the mix manager's track list for the layout is asked
// for in StartWrite, on the caller's thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "classlib/core/String.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/playback/output/PlayerOutput.h"
#include "interfaces/IBurnCdr.h"
#include "interfaces/ICdRecorder.h"

// The stored "CD Write Properties": 540 bytes, in this order.
struct CDR_WRITEPROPERTIES {
    uint16_t writeSpeed;
    uint16_t reserved;
    uint32_t burnProof;
    int32_t recorder;
    wchar_t tempDirectory[264];
};
static_assert(sizeof(CDR_WRITEPROPERTIES) == 540, "the stored CD write properties are 540 bytes");
static_assert(offsetof(CDR_WRITEPROPERTIES, tempDirectory) == 12);

class CPlayerOutputCdr : public CPlayerOutput, public IBurnCdr {
public:
    static constexpr unsigned kSectorBytes = 2352;
    static constexpr unsigned kTransferBytes = 16 * kSectorBytes;
    // Four seconds of CD audio: the shortest track a disc may hold.
    static constexpr LONGLONG kMinTrackBytes = 705600;
    static constexpr LONGLONG kBytesPerMinute = 10584000;
    static constexpr unsigned kInfoBytes = 84;
    static constexpr int kSpeedEntries = 40;
    static constexpr int kTitleChars = 256;
    // StartWrite asks for this much room beyond the mix in the temporary directory.
    static constexpr LONGLONG kTempReserveBytes = 10240;
    // The device thread's step while it waits for requests, and while the input is not ready.
    static constexpr DWORD kPollMs = 250;
    static constexpr DWORD kNotReadyWaitMs = 20;
    // How long SelectRecorder waits for the device thread to switch.
    static constexpr DWORD kSelectWaitMs = 5000;

    enum SplitMode : LONG { kSplitAutomatic = 1, kSplitAtLabelMarkers = 2 };
    // GetStatus flags the output adds to the library's media flags.
    enum : int { kStatusWriting = 1, kStatusDiscTooSmall = 2, kStatusRecorderFailed = 4 };

    // Reads the stored write properties.
    CPlayerOutputCdr();
    // Writes the write properties back.
    ~CPlayerOutputCdr() override;

    // One IUnknown for both interfaces: the output's own IIDs, then the engine main object's.
    DECLARE_STANDALONE_UNKNOWN

    // IPlayerOutput
    HRESULT STDMETHODCALLTYPE Open() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    void RunDeviceLoop() override;

    // IBurnCdr
    HRESULT STDMETHODCALLTYPE GetStatus(int* flags, int* freeMinutes) override;
    HRESULT STDMETHODCALLTYPE GetRecorderName(int index, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetRecorder(int* index) override;
    HRESULT STDMETHODCALLTYPE SelectRecorder(int index) override;
    HRESULT STDMETHODCALLTYPE GetBurnProof() override;
    HRESULT STDMETHODCALLTYPE SetBurnProof(BOOL on) override;
    HRESULT STDMETHODCALLTYPE GetWriteSpeed(int* speed) override;
    HRESULT STDMETHODCALLTYPE SetWriteSpeed(int speed) override;
    HRESULT STDMETHODCALLTYPE GetSupportedSpeed(int index, int* speed) override;
    HRESULT STDMETHODCALLTYPE GetTempDirectory(BSTR* directory) override;
    HRESULT STDMETHODCALLTYPE SetTempDirectory(LPCWSTR directory) override;
    HRESULT STDMETHODCALLTYPE IsActive() override;
    HRESULT STDMETHODCALLTYPE IsRecorderListReady() override;
    HRESULT STDMETHODCALLTYPE StartWrite() override;
    HRESULT STDMETHODCALLTYPE Abort() override;
    HRESULT STDMETHODCALLTYPE IsAborted() override;
    HRESULT STDMETHODCALLTYPE GetResult() override;
    HRESULT STDMETHODCALLTYPE GetProgress(float* progress) override;
    HRESULT STDMETHODCALLTYPE GetActionStatus(int* status) override;
    HRESULT STDMETHODCALLTYPE SetSplitAutomatic() override;
    HRESULT STDMETHODCALLTYPE SetSplitAtLabelMarkers() override;
    HRESULT STDMETHODCALLTYPE IsSplitAutomatic() override;
    HRESULT STDMETHODCALLTYPE IsSplitAtLabelMarkers() override;
    HRESULT STDMETHODCALLTYPE QueryRecorder() override;

private:
    // One CD track as the library receives it.
    struct Track {
        std::string title;
        bool titled;
        LONGLONG bytes;
    };

    void LoadProperties();
    void StoreProperties() const;
    // The temporary directory in use: the stored one, or the system's temporary folder when empty.
    CString TempDirectory() const;
    LONGLONG InputLength() const;
    // The tracks of the mix from the mix manager's list for the split mode (one track of the
    // whole input when it lists none).
    std::vector<Track> BuildTrackLayout() const;

    // Device thread.
    void ListRecorders();
    void SwitchRecorder();
    void PollMedia();
    void WriteDisc();
    // Hands the input to the library until it is all delivered, the library refuses or the user
    // aborts; true when all of it was delivered.
    bool DeliverInput();
    // Waits at most one step (kNotReadyWaitMs) for the input to be ready; true when it is.
    bool WaitForInput();
    bool WaitForStop(DWORD ms);

    mutable CSingleThreadToken m_lock;
    CDR_WRITEPROPERTIES m_properties{};
    // Recorder names and the selected recorder's information block (under m_lock).
    std::vector<CString> m_recorderNames;
    BYTE m_info[kInfoBytes] = {};
    // 16 sectors, taken at construction: the device thread never allocates while feeding.
    std::vector<BYTE> m_transfer;
    ComPtr<ICdRecorder> m_recorder;
    // The layout StartWrite prepared for the next write; the device thread reads it after it
    // sees the request.
    std::vector<Track> m_layout;
    LONGLONG m_inputLength = 0;
    volatile LONGLONG m_delivered = 0;
    volatile LONGLONG m_total = 0;
    volatile LONG m_splitMode = kSplitAutomatic;
    volatile LONG m_requestedRecorder = -1;
    volatile LONG m_recorderFailed = 0;
    volatile LONG m_sourceFailed = 0;
    volatile LONG m_writeFailed = 0;
    volatile LONG m_finished = 0;
    volatile LONG m_stop = 0;
    volatile LONG m_active = 0;
    volatile LONG m_writeRequested = 0;
    volatile LONG m_writing = 0;
    volatile LONG m_listReady = 0;
    volatile LONG m_mediaFlags = 0;
    volatile LONG m_freeMinutes = 0;
    // Wakes the device thread for a request or the stop.
    UniqueKernelHandle m_wake;
};
