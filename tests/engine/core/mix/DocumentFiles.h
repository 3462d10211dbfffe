// Whole files for the mix document and undo tests: bytes in and out, the names in a folder, a
// document of two click files laid out by hand, a playlist of file names, and a stand-in for the video montage
// library's clip list that records what it is asked.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "interfaces/IVideoClipList.h"

namespace mixtest {

std::vector<BYTE> ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::vector<BYTE>& bytes);
bool FileExists(const std::wstring& path);
// The names of the files in a folder, sorted.
std::vector<std::wstring> FolderNames(const std::wstring& folder);

// Writes "click120.wav" and "click126.wav" (120 and 126 BPM, `seconds` long) into `folder` and
// the document `path` that holds them as two primary tracks laid out by hand, as a user's
// document does (intro and outro markers, standard mixing); false when a file was not written.
bool WriteTwoClickDocument(const std::wstring& folder, const std::wstring& path, double seconds);

// One entry of a playlist of file names: its information line's title and the path as written.
struct ListEntry {
    std::wstring title;
    std::wstring path;
};
// An extended M3U as players write them: "#EXTM3U", then an information line and the path of each
// entry, in the code page; CR LF between lines and none after the last.
std::vector<BYTE> ExtendedM3u(const std::vector<ListEntry>& entries, UINT codePage);

class CFakeVideoList : public IVideoClipList {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    HRESULT STDMETHODCALLTYPE OnTrackRead(IRiffStream* stream, int trackId) override;
    HRESULT STDMETHODCALLTYPE ReadVideoList(IRiffStream* stream) override;
    HRESULT STDMETHODCALLTYPE OnTrackWritten(int trackId, IRiffStream* stream) override;
    HRESULT STDMETHODCALLTYPE WriteVideoList(IRiffStream* stream) override;
    HRESULT STDMETHODCALLTYPE Serialize(IArchive* archive) override;

    // What the list holds: written to "VIDL" and snapshots, taken back when read.
    DWORD clips = 0;
    std::vector<int> tracksRead;
    std::vector<int> tracksWritten;
    bool failTrackWritten = false;
    bool failWriteList = false;

private:
    ULONG m_refs = 1;
};

}  // namespace mixtest
