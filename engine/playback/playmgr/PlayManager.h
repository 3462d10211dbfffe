// CPlayManager: the transport of one play stream (0 the live performance's, 1 the pending edit's).
// It keeps the stream's play list, decides which play items have mix inputs (those that overlap
// the minute after the ten-second bucket of the play position), starts, stops, seeks and loops the
// stream's mix output and has the player run its device, follows the play position on the service
// thread's tick and reports to the user interface through the UI-update queue.
//
// Play states: 0 stopped, 1 playing to the first pause track or the end of the list, 2 a range
// looping from its end to its start, 3 one track alone, 4 bound to a CD writer or file export,
// 5 performing (the live mix, steered while it plays; the held position follows the play
// position). While performing, the transport commands answer without acting.
//
// Threads: commands come from the user-interface thread, the tick from the service thread, and the
// mix manager's calls from either; all of them run under the global mix lock, taken here, so a
// command never races the tick that restarts a looping performance. The queries (positions, state
// tests) take no lock: the fields they read are atomic. Lock order: the global mix lock, then the
// play items' locks, then the mix output's; the UI-update queue's lock innermost.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/core/server/Unknown.h"
#include "engine/core/time/TimeMap.h"
#include "engine/playback/graph/PlayList.h"
#include "engine/playback/playmgr/NowPlaying.h"
#include "interfaces/IPlayManager.h"

class CEfxChain;
class CFinalMix;
class CMixOutput;
class CPlayItem;
class CPlayer;
class CProgressStatus;
struct IHostMedia;
struct IMixManagerInternal;

// The UI updates a play manager posts (value 0 unless stated).
namespace PlayManagerUi {
inline constexpr int PositionChanged = 10;  // the play or held position moved
inline constexpr int CursorSet = 11;        // the cursor was set with notification
inline constexpr int ItemActivity = 12;     // an item started or stopped sounding (value: its track id)
inline constexpr int CurrentTrack = 13;     // the track under the held position changed
inline constexpr int PlaybackStarted = 14;
}  // namespace PlayManagerUi

class CPlayManager : public IPlayManager, public CUnknown {
public:
    static constexpr LONGLONG kBucketLength = 10000000;
    static constexpr LONGLONG kActiveWindow = 60000000;
    static constexpr LONG kNoTrack = -1;
    static constexpr LONG kTrackNotYetKnown = -6;

    enum PlayState : LONG {
        kStopped = 0,
        kPlaying = 1,
        kLooping = 2,
        kSolo = 3,
        kRecording = 4,
        kPerforming = 5,
    };

    // outer: the engine main object, through which the player, the mix manager, the UI-update
    // queue and the video montage's media services are reached per use. Asks the player for the
    // stream's graph; without a player the stream has none and plays nothing.
    CPlayManager(IUnknown* outer, WORD streamId);

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    void FinalRelease() override;

    // IPlayManager
    HRESULT STDMETHODCALLTYPE PlayFromCursor() override;
    HRESULT STDMETHODCALLTYPE PlayFromStart() override;
    HRESULT STDMETHODCALLTYPE PlayFromPosition(LONGLONG position) override;
    HRESULT STDMETHODCALLTYPE PlayRange(LONGLONG start, LONGLONG end, BOOL loop) override;
    HRESULT STDMETHODCALLTYPE StartPerformance() override;
    HRESULT STDMETHODCALLTYPE StopPerformance() override;
    HRESULT STDMETHODCALLTYPE TogglePause() override;
    HRESULT STDMETHODCALLTYPE SkipToNextTrack() override;
    HRESULT STDMETHODCALLTYPE SkipToPreviousTrack() override;
    HRESULT STDMETHODCALLTYPE CanPlay() override;
    HRESULT STDMETHODCALLTYPE CanStartPerformance() override;
    HRESULT STDMETHODCALLTYPE CanPause() override;
    HRESULT STDMETHODCALLTYPE CanStopPerformance() override;
    HRESULT STDMETHODCALLTYPE CanSkipToNext() override;
    HRESULT STDMETHODCALLTYPE CanSkipToPrevious() override;
    HRESULT STDMETHODCALLTYPE GetCursorPosition(LONGLONG* position) override;
    HRESULT STDMETHODCALLTYPE SetCursorPosition(LONGLONG position, BOOL notify) override;
    HRESULT STDMETHODCALLTYPE GetPlayPosition(LONGLONG* position) override;
    HRESULT STDMETHODCALLTYPE GetHeldPosition(LONGLONG* position) override;
    HRESULT STDMETHODCALLTYPE SetHeldPosition(LONGLONG position) override;
    HRESULT STDMETHODCALLTYPE IsTrackActive(DWORD trackId) override;
    HRESULT STDMETHODCALLTYPE IsPlaying() override;
    HRESULT STDMETHODCALLTYPE IsPlayingNormally() override;
    HRESULT STDMETHODCALLTYPE IsPerforming() override;
    HRESULT STDMETHODCALLTYPE UpdateLoopRange(LONGLONG start, LONGLONG end) override;
    HRESULT STDMETHODCALLTYPE ExportMix(BSTR path, const MixExportOptions* options,
                                        IProgressStatus** progress) override;
    HRESULT STDMETHODCALLTYPE CreateCdBurner(IBurnCdr** burner) override;
    HRESULT STDMETHODCALLTYPE EndCdBurn() override;
    HRESULT STDMETHODCALLTYPE PlayTrack(DWORD trackId) override;
    HRESULT STDMETHODCALLTYPE PlayTrackFromStart(DWORD trackId) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE StopTrack(DWORD trackId) override;
    HRESULT STDMETHODCALLTYPE GetOutputLevels(float* left, float* right, float* leftHold, float* rightHold) override;
    HRESULT STDMETHODCALLTYPE GetNowPlayingSettings(BOOL* fileEnabled, BSTR* sourceFile, BSTR* destinationFile,
                                                    BOOL* logEnabled, BSTR* logDirectory) override;
    HRESULT STDMETHODCALLTYPE SetNowPlayingSettings(BOOL fileEnabled, LPCWSTR sourceFile, LPCWSTR destinationFile,
                                                    BOOL logEnabled, LPCWSTR logDirectory) override;

    // Engine side, for the mix manager; each takes the global mix lock.
    // The service thread's 50 ms step: returns the stream to its device once an export ended,
    // follows the play position, refreshes the active items when it enters another ten-second
    // bucket (an export's too), reports items that started or stopped sounding, and ends, loops
    // or parks playback at the end position. Entering a bucket it gives inputs at once only to
    // the items heard within the next ten seconds; each following tick makes one of the other
    // changes the minute ahead asks for, so that no tick waits for many inputs.
    void OnTick();
    // Gives mix inputs to the items that overlap the minute after the bucket's start (and to the
    // next primary item after the one under the window's end) and takes them from the others;
    // only items whose catalog item can be played get one. The commands refresh so, all at once.
    void UpdateActiveItems();
    // The track of the first item that ends after the held position; UI 13 when it changes.
    void UpdateCurrentTrack();
    // After a rebuild: a playing stream stops at the (new) first pause or list end; the current
    // track and the active items follow.
    void UpdateEndPosition();
    // A rebuild moved the track under the play position by `offset`: the mix output shifts
    // seamlessly after the block with `sequence`, and the play position follows.
    void Reposition(LONGLONG offset, LONGLONG sequence);
    // Holds the render threads while the mix is edited under the play position: every item's
    // position lock, then the mix output's lock. Unlock releases in the reverse order; both do
    // nothing when already in that state. The caller keeps the hold short (swaps of state made
    // before it): the device thread waits on the mix output's lock.
    void LockPlayback();
    void UnlockPlayback();
    // Takes the item's mix input away, when it has one.
    void DetachItem(CPlayItem* item);
    // Drops the mix inputs of every item of the catalog item (its file can no longer be read).
    void RemoveItemsOfTrack(DWORD catalogItemId);
    // Removes and releases every item (last first) and gives the stream back to the player.
    void Close();
    void SetLoopEnabled(BOOL loop);
    BOOL IsLoopEnabled() const { return m_loop.load() ? TRUE : FALSE; }

    // The play items of this stream; the mix manager fills and reorders it under the global mix
    // lock. Each listed item holds one reference, released by whoever removes it.
    CPlayList& GetPlayList() { return m_playList; }
    CMixOutput* GetMixOutput() const { return m_mixOutput; }
    CEfxChain* GetEfxChain() const { return m_efxChain; }
    WORD GetStreamId() const { return m_streamId; }
    LONG GetPlayState() const { return m_state.load(); }
    LONG GetCurrentTrackId() const { return m_currentTrackId.load(); }
    LONGLONG GetEndPosition() const { return m_endPosition.load(); }
    CNowPlaying& GetNowPlaying() { return m_nowPlaying; }

private:
    // Which of the changes the active items' window asks for ReconcileActiveItems makes.
    enum class Reconcile {
        kAll,
        // Only inputs for items heard from the given position on within one bucket's length.
        kHeardSoon,
        // One change: the addition nearest in time, else a removal.
        kOne,
    };
    // Makes the changes `scope` allows; true when the window asks for more.
    bool ReconcileActiveItems(Reconcile scope, LONGLONG position);
    // Starts the stream from `start` to `end` (an explicit end, or kUnsetTime for the first pause
    // track more than 100 ms on, else the end of the list); the caller has set state and solo.
    // A stream still playing is stopped first: what the device holds of the old place must not
    // play on, and the new place starts only once its first blocks are rendered.
    void PlayFrom(LONGLONG start, LONGLONG end);
    // The track's item alone (the others muted) from the cursor when it lies on the item, else
    // from the item's start, to the item's end.
    HRESULT PlaySolo(DWORD trackId, bool fromCursor);
    // The next or previous track's audible start from the play position (while playing) or the
    // cursor; from the start of the mix when there is none.
    HRESULT SkipTo(BOOL next);
    // Hands the track that plays at the position, with its catalog item, to the now-playing
    // record.
    void WriteNowPlaying(LONGLONG position);
    // The first pause track that starts more than 100 ms after `from`, else the list's end.
    LONGLONG OpenEndFrom(LONGLONG from);
    // Stops the device and tells the video montage (live stream); ends an export still running.
    void StopStream();
    // Stops the device and drops what it holds, without telling anyone: a command that moves the
    // stream starts it again at once.
    void StopDevice();
    // Playing, or started and waiting for its first blocks (the device starts only once the
    // input is ready): a stop or a pause then must reach the device too.
    bool IsStarted();
    // The end a rebuild leaves in place: a solo item's end (where that item now ends) or a
    // range's end; kUnsetTime when playback runs to the first pause or the list's end.
    LONGLONG ExplicitEnd();
    // A rebuild moved the mix under a running export: the file would no longer be the mix from
    // its start. The export fails with an error (no file) and the stream returns to its device.
    void FailExport();
    // A command that stops or moves the stream while it is exported ends the export: the writer
    // would go on pulling silence from a stopped stream, or another part of the mix after a seek,
    // and call the file complete. The task is cancelled (no file) and the stream goes back to its
    // device at once, so that the command's own start plays.
    void EndExport();
    // Unbinds the file or CD writer from this stream and binds the stream's device again.
    void ReturnStreamToDevice();
    void StartStream(LONGLONG start);
    bool IsRunning();
    bool IsPerformingNow() { return m_state.load() == kPerforming; }
    // While a CD output runs the stream (from CreateCdBurner to EndCdBurn) the transport is held:
    // a stop would feed the disc silence and a start another part of the mix.
    bool IsTransportHeld() { return IsPerformingNow() || m_cdBurner; }
    void SetState(PlayState state) { m_state.store(state); }
    void Post(int code, int value = 0);
    // Per use and released at once: the outer may come and go, and the player may be absent.
    CPlayer* AcquirePlayer();
    HRESULT AcquireMixManager(IMixManagerInternal** mixManager);
    // The video montage's media services, for the live stream only.
    HRESULT AcquireHostMedia(IHostMedia** hostMedia);

    const WORD m_streamId;
    CPlayList m_playList;
    CMixOutput* m_mixOutput = nullptr;
    CEfxChain* m_efxChain = nullptr;
    CFinalMix* m_finalMix = nullptr;
    CNowPlaying m_nowPlaying;
    std::atomic<LONG> m_loop{0};
    LONGLONG m_bucket = 0;
    // Changes of the active items that the tick still has to make, one per tick.
    bool m_activeItemsPending = false;
    std::atomic<LONG> m_currentTrackId{kTrackNotYetKnown};
    std::atomic<LONGLONG> m_heldPosition{0};
    std::atomic<LONGLONG> m_playPosition{0};
    std::atomic<LONGLONG> m_cursorPosition{0};
    std::atomic<LONGLONG> m_endPosition{0};
    std::atomic<LONG> m_state{kStopped};
    // The explicit end of the running range play (kUnsetTime for none) and the solo track; both
    // survive rebuilds.
    LONGLONG m_rangeEnd = kUnsetTime;
    LONG m_soloTrackId = kNoTrack;
    // Track ids whose items the mix manager could not prepare since the last full refresh: they
    // play as silence and never hold the ready horizon.
    std::vector<LONG> m_unpreparedTracks;
    // The running export's task, until the tick has seen it end.
    ComPtr<CProgressStatus> m_export;
    bool m_playbackLocked = false;
    bool m_cdBurner = false;
    bool m_closed = false;
};
