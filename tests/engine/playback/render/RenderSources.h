// Music files for the renders of the play-stream graph: catalog items over WAV and MP3 files, and
// click tracks whose beats lie on known frames. Shared by the render tests and the benchmark.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/catalog/analysis/ProfileSource.h"
#include "engine/playback/playmgr/NowPlayingItem.h"

namespace rendertest {

// A catalog item over one music file: a WAV file read by the engine's reader, an MP3 file by the
// MP3 library. Play items hold it past the test's own reference: the last Release deletes it.
// For the now-playing record its title is the file's name without folder and extension, its
// artist "Click", its album empty; it has no sub-items.
class FileSource : public IProfileSource, public INowPlayingItem {
public:
    explicit FileSource(std::wstring path) : m_path(std::move(path)) {}
    virtual ~FileSource() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override;
    DWORD STDMETHODCALLTYPE GetItemId() override { return 1; }
    HRESULT STDMETHODCALLTYPE OpenPcmReader(BOOL profiling, IPcmReader** reader) override;
    BOOL STDMETHODCALLTYPE ComputeMusicFileId(CMusicFileId*) override { return FALSE; }
    void STDMETHODCALLTYPE GetNowPlayingStrings(CString* title, CString* artist, CString* album) override;
    HRESULT STDMETHODCALLTYPE GetSubItemStrings(LONGLONG, CString*, CString*, CString*) override { return E_FAIL; }

private:
    volatile LONG m_refs = 1;
    std::wstring m_path;
};

// A click on every beat: a decaying sine burst of the track's own pitch, so that each track of a
// mix can be told apart. The click of beat n starts at frame n x beatFrames exactly.
struct ClickSound {
    double frequency;
    double amplitude;
};
inline constexpr int kClickFrames = 441;
std::vector<float> ClickTemplate(const ClickSound& sound, unsigned rate);
std::vector<int16_t> ClickTrack(const ClickSound& sound, double beatFrames, LONGLONG frames, unsigned rate);

}  // namespace rendertest
