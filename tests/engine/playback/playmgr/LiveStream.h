// A live play stream as the engine will run it, with the engine's other objects stood in for: the
// engine main object (the play manager's outer) routes the mix manager's internal interface to a
// double over tracks laid out by the mix builder, the UI-update queue to a log, the player to a
// real CPlayer on the sound sink, and the video montage's media services to a recording double.
// A ticker thread calls the play manager's tick every 50 ms under the global mix lock, as the
// service thread does.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/com/UniqueHandle.h"
#include "engine/core/mix/MixManagerInternal.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/playback/output/Player.h"
#include "engine/playback/output/PlayerOutputExportInfo.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/IHostMedia.h"
#include "interfaces/IUiUpdateQueue.h"
#include "tests/engine/playback/output/OutputTestSupport.h"
#include "tests/engine/playback/render/RenderFixture.h"

namespace playmgrtest {

// Three click tracks of distinct pitch at 120, 126 and 100 BPM, twelve measures each.
inline constexpr rendertest::ClickSound kLow{1000.0, 0.5};
inline constexpr rendertest::ClickSound kMid{1800.0, 0.45};
inline constexpr rendertest::ClickSound kHigh{3100.0, 0.4};
inline constexpr int kMeasures = 12;
inline const std::vector<rendertest::TrackFile> kThreeTracks = {
    {120, kLow, 44100, false}, {126, kMid, 44100, false}, {100, kHigh, 44100, false}};

// A test double's IUnknown: counted, never deleted (the fixture owns it).
#define PLAYMGRTEST_FIXED_UNKNOWN(Interface, interfaceId)                                                              \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override                                       \
    {                                                                                                                  \
        *object = nullptr;                                                                                             \
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, interfaceId))                                           \
            return E_NOINTERFACE;                                                                                      \
        *object = static_cast<Interface*>(this);                                                                       \
        AddRef();                                                                                                      \
        return S_OK;                                                                                                   \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE AddRef() override                                                                          \
    {                                                                                                                  \
        return static_cast<ULONG>(InterlockedIncrement(&refs));                                                        \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE Release() override                                                                         \
    {                                                                                                                  \
        return static_cast<ULONG>(InterlockedDecrement(&refs));                                                        \
    }                                                                                                                  \
    volatile LONG refs = 1;

// One UI update as the play manager posted it, with the play position read at that moment.
struct UiPost {
    int code;
    int value;
    LONGLONG playPosition;
};

// The UI-update queue: keeps every post in order (nothing collapsed), so a test sees each one.
class UiLog : public IUiUpdateQueue {
public:
    PLAYMGRTEST_FIXED_UNKNOWN(IUiUpdateQueue, IID_IUiUpdateQueue)
    virtual ~UiLog() = default;
    HRESULT STDMETHODCALLTYPE PopUpdate(int* code, int* value) override;
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL coalesceByCode) override;
    std::vector<UiPost> Take();
    void Clear() { Take(); }
    CPlayManager* manager = nullptr;

private:
    CSingleThreadToken m_lock;
    std::vector<UiPost> m_posts;
};

// The video montage's media services: logs the calls the live stream makes.
class HostMediaDouble : public IHostMedia {
public:
    PLAYMGRTEST_FIXED_UNKNOWN(IHostMedia, IID_IHostMedia)
    virtual ~HostMediaDouble() = default;
    HRESULT STDMETHODCALLTYPE OnPlayStarting(LONGLONG start, IPlayManager*) override;
    HRESULT STDMETHODCALLTYPE OnPlayStarted(LONGLONG start, IPlayManager*) override;
    HRESULT STDMETHODCALLTYPE OnPlayStopped() override;
    HRESULT STDMETHODCALLTYPE GetExtensions(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMediaInfo(BSTR, LONGLONG*, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetThumbnail(BSTR, LONGLONG, BYTE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PrepareReader(BSTR, IPcmReader*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExportType(int, int*, BSTR*, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExportFormat(int, int*, BSTR*, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnReposition(LONGLONG offset, LONGLONG, LONGLONG*) override;
    HRESULT STDMETHODCALLTYPE Reserved17() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved18() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVideoPreview(BSTR, BSTR, IVideoPreviewPlayer**) override { return E_NOTIMPL; }
    // "starting 0", "started 0", "reposition 185759", "stopped", in order.
    std::vector<std::string> Take();

private:
    CSingleThreadToken m_lock;
    std::vector<std::string> m_calls;
};

// The mix manager's side of the play manager, over tracks laid out by the mix builder: what the
// mix manager answers the play manager, as the seam's header describes it.
class MixDouble : public IMixManagerInternal {
public:
    explicit MixDouble(CTrackInfoContainer& tracks) : m_tracks(tracks) {}
    PLAYMGRTEST_FIXED_UNKNOWN(IMixManagerInternal, IID_IMixManagerInternal)
    virtual ~MixDouble() = default;
    HRESULT STDMETHODCALLTYPE UpdateMix(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnOutputConfigurationChanged(BOOL) override { return S_OK; }
    BOOL STDMETHODCALLTYPE PreparePlayItem(CPlayItem* item) override;
    BOOL STDMETHODCALLTYPE CancelPlayItemAnalysis(CPlayItem*) override;
    BOOL STDMETHODCALLTYPE FindTrackAtPosition(LONGLONG position, LONG* trackId, int* index) override;
    BOOL STDMETHODCALLTYPE FindNextTrackStart(LONGLONG position, LONGLONG* start) override;
    HRESULT STDMETHODCALLTYPE FindAdjacentTrackStart(LONGLONG position, BOOL next, LONGLONG* start) override;
    BOOL STDMETHODCALLTYPE AppendPauseAtMixEnd(LONGLONG position) override;
    HRESULT STDMETHODCALLTYPE GetTrackCatalogFlags(DWORD trackId, int* flags) override;
    HRESULT STDMETHODCALLTYPE BuildExportTrackList(int mode, CPlayerOutputExportInfo* info) override;

    std::atomic<int> prepared{0};
    std::atomic<int> cancelled{0};
    // Tracks whose items cannot be prepared (their files unreadable), and how often one was asked.
    std::vector<LONG> unpreparable;
    std::atomic<int> refused{0};
    // A pause track starting here (mix time), as a rebuild may add; none when negative.
    std::atomic<LONGLONG> pauseAt{-1};
    std::vector<LONGLONG> appendedPauses;
    // Export entries are named "Track <n>" (by list position) with this artist and the album
    // "Generated"; the mix end is the end of this manager's play list.
    CString artist = L"Click Generator";
    CPlayManager* manager = nullptr;

private:
    CTrackInfo* FindTrack(LONG trackId, int* index);
    CTrackInfoContainer& m_tracks;
};

// The engine main object as the play manager's and the player's outer.
class EngineDouble : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    virtual ~EngineDouble() = default;
    volatile LONG refs = 1;
    MixDouble* mix = nullptr;
    UiLog* ui = nullptr;
    HostMediaDouble* host = nullptr;
    CPlayer* player = nullptr;
};

// None: no player at all (the stream has no graph and plays nothing).
enum class Device { None, DirectSound, WaveOut };

// The live stream over a mix of generated tracks, playing into the sound sink.
class LiveStream {
public:
    // Lays the tracks out, creates the player on `device` and the live play manager, and fills its
    // play list from the tracks as the mix manager does.
    LiveStream(const std::wstring& folder, const std::vector<rendertest::TrackFile>& files, int measures,
               Device device);
    ~LiveStream();
    bool Ready() const { return m_ready; }
    std::string Failure() const { return m_failure; }

    CPlayManager& Manager() { return *m_manager; }
    rendertest::RenderedMix& Mix() { return m_mix; }
    MixDouble& MixManager() { return m_mixDouble; }
    UiLog& Ui() { return m_ui; }
    HostMediaDouble& Host() { return m_host; }
    // NULL with Device::None.
    CPlayer* Player() { return m_engine.player; }
    LONGLONG EndTime() const { return m_end; }

    // Runs `play` (a whole scenario, from its first command to its last wait) again, up to three
    // times, while the mix inputs fell behind or `gapped` (when given) finds a gap the sound system
    // left in the capture: the sink consumes four times faster than real time on a machine shared
    // with other builds, and a capture with blocks the renderer missed or with silence the sound
    // system filled in shows the load, not the play manager. False when every attempt was spoilt.
    bool PlayCleanly(const std::function<void()>& play, const std::function<bool()>& gapped = {});

    // Ticks until the manager reports state 0 or `timeoutMs` passes; false on time-out.
    bool WaitUntilStopped(DWORD timeoutMs);
    // Ticks until the play position reaches `position`; false on time-out.
    bool WaitForPosition(LONGLONG position, DWORD timeoutMs);

private:
    static DWORD WINAPI TickerMain(void* self);

    bool m_ready = false;
    std::string m_failure;
    rendertest::RenderedMix m_mix;
    MixDouble m_mixDouble;
    UiLog m_ui;
    HostMediaDouble m_host;
    EngineDouble m_engine;
    InnerPtr<> m_player;
    InnerPtr<> m_managerInner;
    CPlayManager* m_manager = nullptr;
    LONGLONG m_end = 0;
    HWND m_window = nullptr;
    std::atomic<LONG> m_tickerRun{1};
    UniqueKernelHandle m_ticker;
};

// Once a stream stops, wave-out resets its device and ALSA's file sink drops what it had taken but
// not yet written out: a capture can end up to the sink's buffer short of what was played.
inline constexpr LONGLONG kSinkDropFrames = 4410;

// Whether `capture` from frame `from` is `reference` from frame `referenceFrom` (over `frames`
// frames, to 1 LSB) with runs of silence inserted into it. When the sound system's own threads
// below the player fall behind the sink, it writes silence and then goes on with the stream where
// it was, shifting everything after: a gap of the load, not of the product. Any other difference
// (a sample that is not silence where the reference differs, silence that never gives way to the
// reference again) is not explained this way: false.
bool HasSinkGap(const std::vector<int16_t>& capture, LONGLONG from, const std::vector<int16_t>& reference,
                LONGLONG referenceFrom, LONGLONG frames);

// The wave-out capture (read by outputtest::ReadSink) back as its 16-bit samples.
std::vector<int16_t> WaveOutSamples(const std::vector<float>& sink);
// DirectSound's capture (Wine's mixer format, 48000 Hz) as 16-bit stereo at 44100 Hz, converted
// by sox; empty when sox is not reachable.
std::vector<int16_t> SinkFloat48ToPcm44(const std::wstring& folder, const std::vector<float>& sink);
// The frame of `audio` at which `reference` (both 44100 Hz 16-bit stereo) lines up best, searched
// over the whole of `audio`.
LONGLONG FindOrigin(const std::vector<int16_t>& audio, const std::vector<int16_t>& reference);

// Interleaved 16-bit stereo at 44100 Hz resampled to 48 kHz float by sox, as DirectSound's capture
// comes; empty when sox is not reachable.
std::vector<float> ResampleTo48k(const std::wstring& folder, const std::vector<int16_t>& render);
// The left channel of interleaved `audio` from `from` on, read `delay` frames later (a fraction
// of a frame by windowed-sinc interpolation), `frames` long.
std::vector<double> LeftChannel(const std::vector<float>& audio, LONGLONG from, double delay, LONGLONG frames);
// Signal-to-noise ratio of a DirectSound capture against a 48 kHz reference (left channel), aligned
// to a fraction of a frame around `approximate` (48 kHz frames), the whole reference compared.
double SnrAgainstRender(const std::vector<float>& capture, const std::vector<float>& render, LONGLONG approximate);

}  // namespace playmgrtest
