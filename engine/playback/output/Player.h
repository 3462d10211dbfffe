// CPlayer: the engine's one player. It knows the machine's output devices, the export types and
// formats and the webcast formats, keeps the user's output configuration in the profile, builds
// each play stream's graph (mix output, effects chain, final mix) and binds the stream to its
// output device, which it starts and stops for the play managers.
//
// Threads: the play managers call the stream operations under the global mix lock; the main
// program calls IPlayer on its UI thread without that lock. The player's own lock covers the
// configuration, the lists and the stream map, and is the innermost of the engine objects' locks:
// below it only an output's device lock and the UI-update queues are taken. SetOutputConfig lets
// go of it before it tells the mix manager (which takes the global mix lock). Device threads
// never call the player.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/core/String.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IPlayer.h"
#include "interfaces/IPlayerOutput.h"

class CEfxChain;
class CFinalMix;
struct IBurnCdr;
class CMixOutput;
class CPlayItem;
class CPlayerOutputExportInfo;
struct IProgressStatus;

// The stored "Output Configuration": 64 bytes, in this order.
struct PLAYER_STOREDCONFIG {
    uint32_t reserved;
    uint32_t outputMode;
    uint32_t deviceKind;
    uint32_t webcastFormatType;
    uint32_t webcastFormatId;
    uint32_t bufferBytes;
    uint16_t mainIndex;
    uint16_t mainPairType;
    GUID mainGuid;
    uint16_t previewIndex;
    uint16_t previewPairType;
    GUID previewGuid;
};
static_assert(sizeof(PLAYER_STOREDCONFIG) == 64, "the stored output configuration is 64 bytes");
static_assert(offsetof(PLAYER_STOREDCONFIG, mainGuid) == 28 && offsetof(PLAYER_STOREDCONFIG, previewGuid) == 48);

// One play stream: its last stage and the output bound to it.
struct PLAYERSTREAM_MAPITEM {
    ComPtr<IPlayerInput> input;
    ComPtr<IPlayerOutput> output;
    int16_t streamId;
    // The stream's first stage (no reference: the stream owns it); NULL for the preview.
    CMixOutput* mixOutput = nullptr;
    // The output is the stream's device (not a file or CD writer).
    bool onDevice = false;
};

class CPlayer : public CUnknown, public IPlayer {
public:
    static constexpr unsigned kMinBufferBytes = 14112;
    static constexpr unsigned kMaxBufferBytes = 176400;
    static constexpr unsigned kBufferGranule = 256;
    static constexpr int kLiveStream = 0;
    static constexpr int kPendingStream = 1;
    static constexpr int kPreviewStream = -1;
    // Posted to the UI-update queue group when the webcast starts or stops.
    static constexpr int kWebcastChangedCode = 18;

    // Device kinds, output modes and channel-pair types of the configuration.
    enum : uint32_t { kDirectSound = 1, kWaveOut = 2 };
    enum : uint32_t { kModeSharedDevice = 1, kModeWebcast = 3 };
    enum : uint16_t { kPairStereo = 0, kPair3DFront = 1, kPair3DRear = 2 };

    struct DeviceEntry {
        CString name;
        GUID guid;
        uint16_t pairType;
        uint16_t index;
    };
    struct WebcastFormat {
        int type;
        int id;
        CString name;
    };
    struct ExportType {
        int id;
        CString name;
        CString extension;
    };
    struct ExportFormat {
        int id;
        CString name;
        int typeId;
        int bitRate;
    };

    explicit CPlayer(IUnknown* outer);
    ~CPlayer() override;

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    void FinalRelease() override;

    // IPlayer
    HRESULT STDMETHODCALLTYPE GetExportType(int index, int* typeId, BSTR* name, BSTR* extension) override;
    HRESULT STDMETHODCALLTYPE GetExportFormat(int typeId, int index, int* formatId, BSTR* name, int* bitRate) override;
    HRESULT STDMETHODCALLTYPE GetOutputDevice(int index, int* deviceId, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetWebcastFormat(int index, int* formatId, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetOutputConfig(PLAYER_OUTPUTCONFIG* config) override;
    HRESULT STDMETHODCALLTYPE SetOutputConfig(const PLAYER_OUTPUTCONFIG* config) override;
    HRESULT STDMETHODCALLTYPE GetWebcastUrl(BSTR* url) override;

    // Engine side.
    // window: the main window, for the DirectSound cooperative level. Lists the devices and the
    // export and webcast formats, then applies the stored configuration (or the default).
    void Setup(HWND window);
    // Builds the stream's graph, adds it to the map and binds it to its device. The stages stay
    // the stream's: the caller uses them until ReleaseStream and releases none of them. On
    // failure nothing is left built and the out pointers are NULL.
    bool CreateStream(int streamId, CMixOutput** output, CEfxChain** chain, CFinalMix** finalMix);
    // Unbinds the stream and takes its graph apart (the stages handed out by CreateStream).
    void ReleaseStream(int streamId, CMixOutput* output, CEfxChain* chain);
    // The stream's input active and its output started (or stopped). FALSE when the stream is
    // not in the map; a stream without an output does nothing.
    BOOL StartStream(int streamId);
    BOOL StopStream(int streamId);
    // TRUE while the stream's output runs.
    BOOL IsStreamRunning(int streamId);

    // Takes the stream off its device and binds it to a new CD output, which pulls the stream's
    // final mix; hands out the output's IBurnCdr with one reference. On failure (no CD recording
    // library, no such stream) the stream is bound to its device again and the answer is E_FAIL.
    HRESULT CreateCdBurner(int streamId, IBurnCdr** burner);
    // Closes the stream's CD output and binds its device again; E_FAIL without the stream.
    HRESULT EndCdBurn(int streamId);
    // Export: binds the stream to a new file writer of the export type (1 WAV, 2 the Windows Media
    // writer) in place of its device. The writer is called in this order: Open, SetFormat,
    // AddTrackInfo for each of `tracks` (when given; positions become byte positions of the
    // 16-bit stream), SetProgressStatus, AttachInput (the stream's final mix), StartFile, which
    // starts its thread. E_FAIL for a type or format not in the export lists (a type whose writer
    // lists no formats among them); on any failure the stream goes back to its device.
    HRESULT BindExport(int streamId, int typeId, int formatId, LPCWSTR path, const CPlayerOutputExportInfo* tracks,
                       IProgressStatus* status);
    // Unbinds whatever output the stream has (a file writer, a CD writer; closing it waits for
    // its thread) and binds the stream to its device again. FALSE when the stream is not in the
    // map.
    BOOL ReturnToDevice(int streamId);

    // The catalog preview: one play item played as it is (its file's own format) on the preview
    // device. AddPreview keeps a reference on the item and binds it; FALSE without an item or
    // while a preview is already there.
    BOOL AddPreview(CPlayItem* item);
    BOOL StartPreview();
    BOOL StopPreview();
    // Moves the preview to a sample of its file; a running preview restarts there, its item kept
    // active meanwhile.
    BOOL SeekPreview(LONGLONG sample);
    // Unbinds the preview and lets go of its item.
    BOOL RemovePreview();

private:
    struct DeviceChoice {
        uint16_t index;
        uint16_t pairType;
        GUID guid;
    };

    static BOOL CALLBACK AddDirectSoundDevice(GUID* guid, const wchar_t* description, const wchar_t* module,
                                              void* context);
    PLAYERSTREAM_MAPITEM* FindStream(int streamId);
    // Unbinds the stream and takes it out of the map; its input with the map's reference.
    ComPtr<IPlayerInput> TakeStream(int streamId);
    BOOL SwitchStream(int streamId, bool run);
    void EnumerateDevices();
    void BuildExportLists();
    void BuildWebcastFormats();
    // Applies the stored value; FALSE when there is none to apply.
    bool LoadStoredConfig();
    void StoreConfig();
    // SetOutputConfig without the mix manager's notification; under the lock. A stream that was
    // playing on its device plays on on the new one from what was heard last.
    void ApplyConfig(const PLAYER_OUTPUTCONFIG& config);
    const WebcastFormat* ChosenWebcastFormat() const;
    int WebcastFormatIndex() const;
    int DeviceListIndex(const DeviceChoice& choice) const;

    bool HasExportFormat(int typeId, int formatId) const;
    void Bind(PLAYERSTREAM_MAPITEM& stream);
    void BindDevice(PLAYERSTREAM_MAPITEM& stream, const DeviceChoice& device);
    void BindWebcast(PLAYERSTREAM_MAPITEM& stream);
    void Unbind(PLAYERSTREAM_MAPITEM& stream);
    void SetWebcastUrl(const CString& url);
    void NotifyMixManager();

    CSingleThreadToken m_lock;
    HWND m_window = nullptr;
    CString m_webcastUrl;
    std::vector<PLAYERSTREAM_MAPITEM> m_streams;
    std::vector<DeviceEntry> m_devices;
    std::vector<WebcastFormat> m_webcastFormats;
    std::vector<ExportType> m_exportTypes;
    std::vector<ExportFormat> m_exportFormats;
    PLAYER_STOREDCONFIG m_config{};
};
