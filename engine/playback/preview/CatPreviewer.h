// CCatPreviewer: plays one catalog item outside the mix, so that the user can listen to it before
// using it. An audio item's file plays from its start on the preview device (the player's preview
// stream: the play item as it is, without mix output, effects or envelopes); a video item (flag
// value 2, a file the video montage library plays) plays in that library's preview player, made
// through IHostMedia of the engine's outer object. The engine main object creates it at the
// first request for ICatPreviewer, with itself as the outer.
//
// Threads: the main program calls ICatPreviewer on its UI thread; the engine's service thread
// calls Tick every 50 ms. Both take the previewer's own lock for their whole run. Below it the
// previewer takes only the player's lock (through the player's operations), a play manager's
// queries (no lock) and the UI-update queues; nothing that holds one of those calls back into
// the previewer. Device threads never call it: the tick polls the play item's audible sample.
#pragma once

#include <windows.h>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "engine/playback/graph/PlayItem.h"
#include "interfaces/ICatPreviewer.h"
#include "interfaces/IVideoPreviewPlayer.h"

class CPlayer;

class CCatPreviewer : public CUnknown, public ICatPreviewer {
public:
    // Posted with the item id (or -1) whenever the item or its play state changes.
    static constexpr int kPreviewChangedCode = 7;
    static constexpr DWORD kNoItem = 0xFFFFFFFF;
    static constexpr LONGLONG kSeekAheadSeconds = 30;

    // outer: the engine main object (not owned).
    explicit CCatPreviewer(IUnknown* outer);
    ~CCatPreviewer() override;

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    // ICatPreviewer
    HRESULT STDMETHODCALLTYPE SetItem(DWORD catalogItemId) override;
    HRESULT STDMETHODCALLTYPE Clear() override;
    HRESULT STDMETHODCALLTYPE GetItem(DWORD* catalogItemId) override;
    HRESULT STDMETHODCALLTYPE GetPosition(float* fraction) override;
    HRESULT STDMETHODCALLTYPE CanPreview() override;
    HRESULT STDMETHODCALLTYPE IsPlaying() override;
    HRESULT STDMETHODCALLTYPE Play() override;
    HRESULT STDMETHODCALLTYPE NotImplemented10(DWORD first, DWORD second) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE SeekAhead() override;
    HRESULT STDMETHODCALLTYPE Detach() override;

    // The service thread's pass: stops an audio preview that has played to its file's end, and
    // tells the user interface that a preview is playing (the queue merges the repeats).
    void Tick();

private:
    // The engine's player, with a reference the caller releases; NULL without one.
    CPlayer* AcquirePlayer();
    // Makes what Play and SeekAhead need: the video player of a video item (only while no play
    // stream runs), or the audio item's play item on the player's preview stream.
    void Prepare();
    void PrepareVideo();
    void PrepareAudio();
    // Stops the preview and takes it apart: the video player goes, the play item leaves the player.
    void RemovePreview();
    // Either play stream of the mix running on the player.
    bool AnyStreamRuns();
    bool IsVideo() const { return m_video != 0; }
    void Post(DWORD value);

    CSingleThreadToken m_lock;
    DWORD m_itemId = kNoItem;
    ComPtr<CCatItem> m_item;
    ComPtr<CPlayItem> m_playItem;
    LONG m_video = 0;
    // A video item whose preview player is still to be made.
    LONG m_videoPending = 0;
    ComPtr<IVideoPreviewPlayer> m_videoPlayer;
    // A preview has been prepared (the play item is on the player, or the video player exists).
    LONG m_active = 0;
};
