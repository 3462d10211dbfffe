#include "tests/engine/core/mix/DocumentFiles.h"

#include <algorithm>

#include "classlib/core/File.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/playback/effects/MixGlobals.h"
#include "interfaces/IRiffStream.h"
#include "tests/engine/core/mix/MixFixture.h"
#include "tests/support/Signals.h"
#include "tests/support/WavWriter.h"

namespace mixtest {

namespace {
constexpr FOURCC kClipsChunkId = mmioFOURCC('V', 'C', 'L', 'P');
}

bool WriteTwoClickDocument(const std::wstring& folder, const std::wstring& path, double seconds)
{
    Mix document;
    for (const double bpm : {120.0, 126.0}) {
        const std::wstring file = folder + L"\\click" + std::to_wstring(static_cast<int>(bpm)) + L".wav";
        if (!fixtures::WriteWav16(file, fixtures::ClickTrack(bpm, seconds, 44100, 2), 44100, 2))
            return false;
        const auto length = static_cast<LONGLONG>(seconds * 1000000);
        CTrackInfo* track = AddManualTrack(document, static_cast<float>(bpm), length, {0, 4000000},
                                           {length - 8000000, length - 4000000}, kMixingStandard);
        track->SetFilePath(file.c_str());
    }
    CFVR_RECORD record{sizeof(CFVR_RECORD), 0, kMixVersionCurrent, 0x40000};
    return WriteMixFile(nullptr, &record, path.c_str(), document.tracks, CMixGlobals(), FALSE) != FALSE;
}

std::vector<BYTE> ExtendedM3u(const std::vector<ListEntry>& entries, UINT codePage)
{
    const auto encode = [codePage](const std::wstring& text) {
        char bytes[1024] = {};
        const int length = WideCharToMultiByte(codePage, 0, text.c_str(), -1, bytes, sizeof(bytes), nullptr, nullptr);
        return std::string(bytes, static_cast<size_t>(length > 0 ? length - 1 : 0));
    };
    std::string text = "#EXTM3U";
    for (const ListEntry& entry : entries)
        text += "\r\n#EXTINF:12," + encode(entry.title) + "\r\n" + encode(entry.path);
    return std::vector<BYTE>(text.begin(), text.end());
}

std::vector<BYTE> ReadFileBytes(const std::wstring& path)
{
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone))
        return {};
    std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
    if (!bytes.empty())
        bytes.resize(file.Read(bytes.data(), static_cast<UINT>(bytes.size())));
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::vector<BYTE>& bytes)
{
    CFile file;
    if (file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite) && !bytes.empty())
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FolderNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

HRESULT STDMETHODCALLTYPE CFakeVideoList::QueryInterface(REFIID iid, void** object)
{
    if (!IsEqualIID(iid, IID_IUnknown))
        return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFakeVideoList::OnTrackRead(IRiffStream*, int trackId)
{
    tracksRead.push_back(trackId);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFakeVideoList::ReadVideoList(IRiffStream* stream)
{
    FOURCC id = 0;
    for (int n = 0; stream->GetChildId(n, &id); ++n) {
        IArchive* archive = nullptr;
        DWORD size = 0;
        UINT got = 0;
        if (id == kClipsChunkId && stream->OpenChunk(n, &archive, &size) && size == sizeof(clips) &&
            archive->Read(&clips, sizeof(clips), &got) && got == sizeof(clips))
            return S_OK;
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CFakeVideoList::OnTrackWritten(int trackId, IRiffStream*)
{
    tracksWritten.push_back(trackId);
    return failTrackWritten ? E_FAIL : S_OK;
}

HRESULT STDMETHODCALLTYPE CFakeVideoList::WriteVideoList(IRiffStream* stream)
{
    IArchive* archive = nullptr;
    if (failWriteList || !stream->CreateChunk(kClipsChunkId, &archive) || !archive->Write(&clips, sizeof(clips)))
        return E_FAIL;
    stream->CloseChunk();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFakeVideoList::Serialize(IArchive* archive)
{
    if (archive->IsStoring())
        return archive->Write(&clips, sizeof(clips)) ? S_OK : E_FAIL;
    UINT got = 0;
    return archive->Read(&clips, sizeof(clips), &got) && got == sizeof(clips) ? S_OK : E_FAIL;
}

}  // namespace mixtest
