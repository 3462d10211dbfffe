// The catalog previewer inside an engine stand-in: a real catalog (its stores in a folder of the
// test's own), a real player whose preview stream plays on wave-out into the sound sink, the
// video montage library's media services as a recording double, and a thread of the test that
// ticks the previewer every 50 ms as the engine's service thread does.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/playback/output/Player.h"
#include "engine/playback/preview/CatPreviewer.h"
#include "interfaces/IPlayManager.h"
#include "tests/engine/catalog/CatalogTestSupport.h"
#include "tests/engine/playback/output/OutputTestSupport.h"

namespace previewtest {

inline constexpr unsigned kRate = 44100;
inline constexpr LONGLONG kSinkBytesPerSecond = kRate * 4;
// Files of this extension are the video montage library's (the previewer's video items).
inline constexpr const wchar_t* kVideoExtension = L"vid";
inline constexpr LONGLONG kVideoDuration = 10000000;

// The video montage library's preview player: records each call ("Seek 0", "Play", "Stop") and
// plays from Play to Stop, at the position it was last sent to.
class VideoPlayerDouble : public IVideoPreviewPlayer {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    virtual ~VideoPlayerDouble() = default;
    HRESULT STDMETHODCALLTYPE Seek(LONGLONG position) override;
    HRESULT STDMETHODCALLTYPE Play() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetPosition(LONGLONG* position) override;
    HRESULT STDMETHODCALLTYPE IsPlaying() override;
    std::vector<std::string> Take();

    volatile LONG refs = 1;
    LONGLONG position = 0;

private:
    CSingleThreadToken m_lock;
    std::vector<std::string> m_calls;
    bool m_playing = false;
};

// The video montage library's media services: it plays files ending in ".vid" (ten seconds long)
// and makes preview players for them, recording what it was asked.
class HostMediaDouble : public IHostMedia {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    virtual ~HostMediaDouble() = default;
    HRESULT STDMETHODCALLTYPE OnPlayStarting(LONGLONG, IPlayManager*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPlayStarted(LONGLONG, IPlayManager*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPlayStopped() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtensions(BSTR* list) override;
    HRESULT STDMETHODCALLTYPE GetMediaInfo(BSTR path, LONGLONG* samples, int* rate) override;
    HRESULT STDMETHODCALLTYPE GetThumbnail(BSTR, LONGLONG, BYTE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PrepareReader(BSTR, IPcmReader*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExportType(int, int*, BSTR*, BSTR*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE GetExportFormat(int, int*, BSTR*, int*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnReposition(LONGLONG, LONGLONG, LONGLONG*) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Reserved17() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved18() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVideoPreview(BSTR path, BSTR deviceName, IVideoPreviewPlayer** player) override;
    // "CreateVideoPreview <path> | <device name>", in order.
    std::vector<std::wstring> Take();

    VideoPlayerDouble player;

private:
    CSingleThreadToken m_lock;
    std::vector<std::wstring> m_calls;
};

// The engine main object as the previewer, the catalog and the player see it.
class PreviewEngine : public catalog_test::TestEngine {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    CPlayer* player = nullptr;
    // The play manager the engine hands out for IPlayManager, when a test has one.
    IPlayManager* playManager = nullptr;
    CCatPreviewer* previewer = nullptr;
};

class PreviewTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A catalog item for the file; its id.
    DWORD AddItem(const std::wstring& path);
    // The code-7 values posted since the last call.
    std::vector<int> TakePreviewPosts();
    // Waits until IsPlaying answers `playing`; false after `timeoutMs`.
    bool WaitPlaying(bool playing, DWORD timeoutMs = 20000);
    ICatPreviewer& Previewer() { return *m_previewer.get(); }

    static DWORD WINAPI TickerMain(void* self);

    profiler_test::TestApp m_app;
    fixtures::TempDir m_folder{L"preview"};
    fixtures::TempDir m_data{L"preview catalog"};
    HostMediaDouble m_host;
    PreviewEngine m_engine;
    HWND m_window = nullptr;
    InnerPtr<> m_player;
    InnerPtr<CCatalog> m_catalog;
    InnerPtr<CCatPreviewer> m_previewer;
    size_t m_postsSeen = 0;
    std::atomic<LONG> m_tickerRun{1};
    UniqueKernelHandle m_ticker;
};

}  // namespace previewtest
