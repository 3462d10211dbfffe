#include "engine/catalog/items/CatItem.h"

#include <shellapi.h>

#include <cmath>
#include <cwchar>

#include "classlib/com/UniqueHandle.h"
#include "classlib/core/Archive.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/files/MusicFileIdentity.h"
#include "engine/catalog/files/PathNames.h"
#include "engine/catalog/plots/PlotFileManager.h"
#include "engine/catalog/tags/ID3Tag.h"
#include "engine/catalog/tags/TagReader.h"
#include "engine/core/server/LocalCoCreate.h"
#include "engine/core/server/ThreadCom.h"
#include "engine/core/storage/ItemFile.h"
#include "engine/core/storage/RiffFile.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/playback/sources/Mp3ReaderBinding.h"
#include "engine/playback/sources/WaveReader.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IHostMedia.h"
#include "interfaces/IPcmReaderWma.h"

namespace {

constexpr wchar_t kBpmFormat[] = L"%.1f";
constexpr wchar_t kLengthFormat[] = L"%d:%.2d";
constexpr wchar_t kBeatCountFormat[] = L"%d";
constexpr wchar_t kMinorSuffix[] = L"m";
constexpr wchar_t kMajorSuffix[] = L"M";
constexpr WORD kModeMinor = 1;
constexpr WORD kModeMajor = 2;
constexpr WORD kNotes = 12;

constexpr const wchar_t* kKeyNames[kNotes] = {L"C ", L"C#", L"D ", L"D#", L"E ", L"F ",
                                              L"F#", L"G ", L"G#", L"A ", L"A#", L"B "};
// Every spelling a key text may use, in four rows of twelve notes.
constexpr const wchar_t* kKeySpellings[4 * kNotes] = {
    L"C",  L"C#", L"D",  L"D#", L"E",  L"F",  L"F#", L"G",  L"G#", L"A",  L"A#", L"B",  L"C",  L"Db", L"D",  L"Eb",
    L"E",  L"F",  L"Gb", L"G",  L"Ab", L"A",  L"Bb", L"B",  L"C",  L"C+", L"D",  L"D+", L"E",  L"F",  L"F+", L"G",
    L"G+", L"A",  L"A+", L"B",  L"C",  L"D-", L"D",  L"E-", L"E",  L"F",  L"G-", L"G",  L"A-", L"A",  L"B-", L"B"};

// Thumbnails from the host media library: at most this many frames are asked for, one second
// apart, and the first whose pixels (after the 40-byte bitmap header) are not nearly black is
// kept. A thumbnail must fit a catalog.dat record beside the item's other fields.
constexpr int kMaxThumbnailRequests = 32;
constexpr LONGLONG kThumbnailStepUs = 1000000;
constexpr DWORD kBitmapHeaderBytes = 40;
constexpr DWORD kDarkFrameMean = 17;
// The other fields of a record (texts, numbers) get 8 KiB of it.
constexpr DWORD kMaxThumbnailBytes = CItemFile::kMaxBodyLength - 0x2000;

// Shell file operation flags: allow undo, silent, no confirmation, no error dialog.
constexpr FILEOP_FLAGS kRecycleFlags = 0x454;
constexpr FILEOP_FLAGS kDeleteFlags = 0x414;

// The Windows Media library's reader, opened for decoding on a file (its attributes are readable
// then), and shut down when it goes. Not valid when the library is absent or the file does not
// open.
class OpenedWmaReader {
public:
    explicit OpenedWmaReader(const CString& path)
    {
        {
            CThreadCom com;
            if (FAILED(CLocalCoCreate::CreateInstance(PluginClsid::PcmReaderWma, &g_localCoCreate, IID_IPcmReaderWma,
                                                      m_attributes.put_void())) ||
                !m_attributes || FAILED(m_attributes.query(IID_IPcmReader, m_pcm)) || !m_pcm)
                return;
        }
        BSTR name = path.AllocSysString();
        m_open = SUCCEEDED(m_pcm->Open(name, FALSE));
        SysFreeString(name);
    }
    ~OpenedWmaReader()
    {
        if (m_pcm)
            m_pcm->ShutDown();
    }
    OpenedWmaReader(const OpenedWmaReader&) = delete;
    OpenedWmaReader& operator=(const OpenedWmaReader&) = delete;

    bool IsOpen() const { return m_open; }
    IPcmReaderWma* Attributes() const { return m_attributes.get(); }

private:
    ComPtr<IPcmReaderWma> m_attributes;
    ComPtr<IPcmReader> m_pcm;
    bool m_open = false;
};

bool IsDarkFrame(const BYTE* frame, DWORD size)
{
    if (size <= kBitmapHeaderBytes)
        return true;
    ULONGLONG sum = 0;
    for (DWORD i = kBitmapHeaderBytes; i < size; ++i)
        sum += frame[i];
    return sum / (size - kBitmapHeaderBytes) <= kDarkFrameMean;
}

}  // namespace

CCatItem::CCatItem(IUnknown* outer, const wchar_t* path) : CUnknown(outer), m_path(path ? path : L"") {}

CCatItem::~CCatItem() = default;

HRESULT CCatItem::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ICatDisplayItem))
        return GetInterface(static_cast<ICatDisplayItem*>(this), object);
    if (IsEqualIID(iid, IID_INowPlayingItem))
        return GetInterface(static_cast<INowPlayingItem*>(this), object);
    *object = nullptr;
    if (GetOuter() == GetInner())
        return E_NOINTERFACE;
    return GetOuter()->QueryInterface(iid, object);
}

void CCatItem::FinalRelease()
{
    if (m_deleteFileOnRelease)
        MoveFileToRecycleBin();
    CUnknown::FinalRelease();
}

void CCatItem::MoveFileToRecycleBin()
{
    // The shell wants a list of names ended by an empty one.
    std::wstring names(m_path.GetString(), static_cast<size_t>(m_path.GetLength()));
    names.append(2, L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = names.c_str();
    operation.fFlags = kRecycleFlags;
    if (SHFileOperationW(&operation) != 0) {
        operation.fFlags = kDeleteFlags;
        SHFileOperationW(&operation);
    }
}

CCatalog* CCatItem::ReachCatalog(ComPtr<IUnknown>& hold)
{
    if (GetOuter() == GetInner() || FAILED(GetOuter()->QueryInterface(EngineIid::CatalogInternal, hold.put_void())) ||
        !hold)
        return nullptr;
    return static_cast<CCatalog*>(reinterpret_cast<ICatalog*>(hold.get()));
}

const wchar_t* CCatItem::KeyName(WORD note)
{
    return note < kNotes ? kKeyNames[note] : L"";
}

BOOL CCatItem::GetAttributeText(WORD attribute, CString* text)
{
    CSingleThreadLock hold(&m_lock);
    switch (attribute) {
    case CatAttribute::Title:
        *text = m_title;
        return TRUE;
    case CatAttribute::Album:
        *text = m_album;
        return TRUE;
    case CatAttribute::Artist:
        *text = m_artist;
        return TRUE;
    case CatAttribute::Path:
        *text = m_path;
        return TRUE;
    case CatAttribute::Year:
        *text = m_year;
        return TRUE;
    case CatAttribute::Genre:
        *text = m_genre;
        return TRUE;
    case CatAttribute::Categories:
        *text = m_categories;
        return TRUE;
    case CatAttribute::Key:
        if (m_keyMode == 0 || m_keyNote >= kNotes)
            return FALSE;
        *text = KeyName(m_keyNote);
        *text += (m_keyMode & kModeMinor) ? kMinorSuffix : kMajorSuffix;
        return TRUE;
    case CatAttribute::Bpm:
        text->Empty();
        if (m_bpm != 0.0f)
            text->Format(kBpmFormat, static_cast<double>(m_bpm));
        return TRUE;
    case CatAttribute::AnalysedBpm: {
        text->Empty();
        const float analysed = GetAnalysedBpm();
        if (analysed != 0.0f)
            text->Format(kBpmFormat, static_cast<double>(analysed));
        return TRUE;
    }
    case CatAttribute::Length: {
        text->Empty();
        if (m_sampleRate == 0)
            return TRUE;
        const ULONGLONG seconds = m_sampleCount / static_cast<ULONGLONG>(static_cast<DWORD>(m_sampleRate));
        text->Format(kLengthFormat, static_cast<int>(seconds / 60), static_cast<int>(seconds % 60));
        return TRUE;
    }
    case CatAttribute::BeatCount:
        if (m_beatCount == 0)
            return FALSE;
        text->Format(kBeatCountFormat, m_beatCount);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CCatItem::SetAttributeText(WORD attribute, const wchar_t* text)
{
    const CString value(text ? text : L"");
    CSingleThreadLock hold(&m_lock);
    m_searchText.Empty();
    switch (attribute) {
    case CatAttribute::Title:
        m_title = value;
        return TRUE;
    case CatAttribute::Album:
        m_album = value;
        return TRUE;
    case CatAttribute::Artist:
        m_artist = value;
        return TRUE;
    case CatAttribute::Year:
        m_year = value;
        return TRUE;
    case CatAttribute::Genre:
        m_genre = value;
        return TRUE;
    case CatAttribute::Categories:
        m_categories = value;
        return TRUE;
    case CatAttribute::Key:
        ParseKey(value);
        return TRUE;
    case CatAttribute::Bpm:
        if (!value.IsEmpty())
            SetBpmClamped(static_cast<float>(_wtof(value)));
        return TRUE;
    case CatAttribute::BeatCount: {
        const double seconds =
            m_sampleRate == 0 ? 0.0 : static_cast<double>(m_sampleCount) / static_cast<double>(m_sampleRate);
        if (seconds <= 0.0)
            return FALSE;
        m_beatCount = _wtoi(value);
        SetBpmClamped(static_cast<float>(m_beatCount * 60.0 / seconds));
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void CCatItem::SetBpmClamped(float bpm)
{
    m_bpm = bpm < kMinBpm ? kMinBpm : (bpm > kMaxBpm ? kMaxBpm : bpm);
}

void CCatItem::ParseKey(const CString& text)
{
    WORD mode = 0;
    if (text.Find(kMinorSuffix) >= 0)
        mode = kModeMinor;
    else if (text.Find(kMajorSuffix) >= 0)
        mode = kModeMajor;
    else {
        m_keyNote = 0;
        m_keyMode = 0;
        return;
    }
    CString name;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (std::wcschr(L"ABCDEFGabcdefg#b+-", text[i]) && text[i] != 0)
            name += text[i];
    }
    for (WORD i = 0; i < 4 * kNotes; ++i) {
        if (name.CompareNoCase(kKeySpellings[i]) == 0) {
            m_keyNote = i % kNotes;
            m_keyMode = mode;
            return;
        }
    }
}

HRESULT CCatItem::GetAttribute(WORD attribute, BSTR* text)
{
    if (!text)
        return E_POINTER;
    *text = nullptr;
    CString value;
    if (!GetAttributeText(attribute, &value))
        return E_FAIL;
    *text = value.AllocSysString();
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT CCatItem::SetAttribute(WORD attribute, BSTR text)
{
    return SetAttributeText(attribute, text) ? S_OK : E_FAIL;
}

HRESULT CCatItem::GetId(DWORD* id)
{
    if (!id)
        return E_POINTER;
    *id = GetItemId();
    return S_OK;
}

HRESULT CCatItem::GetDuration(LONGLONG* duration)
{
    if (!duration)
        return E_POINTER;
    CSingleThreadLock hold(&m_lock);
    if (m_sampleRate == 0)
        return E_FAIL;
    const ULONGLONG rate = static_cast<DWORD>(m_sampleRate);
    // Whole seconds and the rest apart, so that long files do not overflow 64 bits.
    *duration = static_cast<LONGLONG>((m_sampleCount / rate) * 1000000 + (m_sampleCount % rate) * 1000000 / rate);
    return S_OK;
}

HRESULT CCatItem::GetBlob(int index, BYTE* buffer, DWORD* size)
{
    if (!size)
        return E_POINTER;
    CSingleThreadLock hold(&m_lock);
    if (index < 0 || static_cast<size_t>(index) >= m_thumbnails.size())
        return E_FAIL;
    return m_thumbnails[static_cast<size_t>(index)]->CopyOut(size, buffer);
}

HRESULT CCatItem::GetFlags(DWORD* flags)
{
    if (!flags)
        return E_POINTER;
    *flags = GetFlagWord();
    return S_OK;
}

HRESULT CCatItem::GetFileId(IMusicFileId* target)
{
    if (!target)
        return E_POINTER;
    GetMusicFileId().AssignTo(target);
    return S_OK;
}

HRESULT CCatItem::GetKey(WORD* note, WORD* mode)
{
    if (!note || !mode)
        return E_POINTER;
    CSingleThreadLock hold(&m_lock);
    *note = m_keyNote;
    *mode = m_keyMode;
    return m_keyMode != 0 ? S_OK : S_FALSE;
}

HRESULT CCatItem::SetKey(WORD note, WORD mode)
{
    CSingleThreadLock hold(&m_lock);
    if (note >= kNotes)
        return S_OK;
    m_keyNote = note;
    m_keyMode = mode;
    m_searchText.Empty();
    return S_OK;
}

DWORD CCatItem::GetItemId()
{
    CSingleThreadLock hold(&m_lock);
    return m_itemId;
}

void CCatItem::Serialize(CArchive& archive)
{
    CSingleThreadLock hold(&m_lock);
    if (archive.IsStoring()) {
        archive << kRecordVersion << static_cast<WORD>(1);
        m_fileId.Serialize(archive);
        archive << m_path << m_title << m_artist << m_album << m_genre << m_year << m_categories;
        archive << m_sampleRate << m_sampleCount << m_bpm << m_pendingFileUpdate << m_beatCount << m_embeddedIgnored;
        archive << static_cast<DWORD>(m_thumbnails.size());
        for (const auto& blob : m_thumbnails)
            blob->Serialize(archive);
        archive << m_flags;
        m_date.Serialize(archive);
        archive << m_keyNote << m_keyMode << m_extra;
        return;
    }
    WORD version = 0;
    WORD extension = 0;
    archive >> version >> extension;
    m_fileId.Serialize(archive);
    archive >> m_path >> m_title >> m_artist >> m_album >> m_genre >> m_year >> m_categories;
    archive >> m_sampleRate >> m_sampleCount >> m_bpm >> m_pendingFileUpdate >> m_beatCount >> m_embeddedIgnored;
    DWORD count = 0;
    archive >> count;
    // Each thumbnail takes at least its 4-byte size: a count beyond the record is damage.
    archive.RequireAvailable(ULONGLONG(count) * 4);
    m_thumbnails.clear();
    for (DWORD i = 0; i < count; ++i) {
        auto blob = std::make_unique<CMemBlob>();
        blob->Serialize(archive);
        m_thumbnails.push_back(std::move(blob));
    }
    archive >> m_flags;
    if (version > 4 && extension != 0) {
        m_date.Serialize(archive);
        archive >> m_keyNote >> m_keyMode >> m_extra;
    }
    m_searchText.Empty();
}

BOOL CCatItem::ComputeMusicFileId(CMusicFileId* id)
{
    if (!id)
        return FALSE;
    return ::ComputeMusicFileId(GetPath(), id);
}

HRESULT CCatItem::OpenPcmReader(BOOL profiling, IPcmReader** reader)
{
    if (!reader)
        return E_POINTER;
    *reader = nullptr;
    const CString path = GetPath();
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(catalogHold);
    if (catalog && !FileExists(path))
        return E_FAIL;
    const CString extension = GetExtension(path);
    ComPtr<IPcmReader> created;
    {
        CThreadCom com;
        if (extension == L"mp3") {
            CreateMp3PcmReader(created.put());
        } else if (extension == L"wav") {
            created.reset(new (std::nothrow) CWaveReader());
        } else if (extension == L"wma") {
            CLocalCoCreate::CreateInstance(PluginClsid::PcmReaderWma, &g_localCoCreate, IID_IPcmReader,
                                           created.put_void());
        } else {
            ComPtr<IHostMedia> host;
            if (GetOuter() != GetInner() && SUCCEEDED(GetOuter()->QueryInterface(IID_IHostMedia, host.put_void())) &&
                host &&
                SUCCEEDED(CLocalCoCreate::CreateInstance(PluginClsid::AudioRendererFilter, &g_localCoCreate,
                                                         IID_IPcmReader, created.put_void())) &&
                created) {
                BSTR name = path.AllocSysString();
                host->PrepareReader(name, created.get());
                SysFreeString(name);
            }
        }
    }
    if (!created)
        return E_FAIL;
    BSTR name = path.AllocSysString();
    const HRESULT opened = created->Open(name, profiling);
    SysFreeString(name);
    if (FAILED(opened) || created->IsValid() != S_OK) {
        created->ShutDown();
        return FAILED(opened) ? opened : E_FAIL;
    }
    if (created->FrameOffsetArrayReq() == S_OK)
        RestoreFrameTable(created.get());
    *reader = created.detach();
    return S_OK;
}

void CCatItem::RestoreFrameTable(IPcmReader* reader)
{
    {
        CSingleThreadLock hold(&m_lock);
        m_frameTableMissing = 1;
    }
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(catalogHold);
    CPlotFileManager* plots = catalog ? catalog->GetPlotFileManager() : nullptr;
    if (!plots)
        return;
    std::unique_ptr<CPlotFile> file = plots->OpenPlotFile(GetMusicFileId());
    if (!file)
        return;
    const DWORD size = file->GetVbroSize();
    std::vector<BYTE> table(size);
    if (size > 0 && file->ReadVbro(table.data(), size) && reader->SetFrameOffsetArray(table.data(), size) == S_OK) {
        CSingleThreadLock hold(&m_lock);
        m_frameTableMissing = 0;
    }
    plots->Register(std::move(file), TRUE);
}

void CCatItem::ReadTagsFromWma()
{
    OpenedWmaReader reader(m_path);
    if (!reader.IsOpen())
        return;
    for (WORD attribute :
         {CatAttribute::Title, CatAttribute::Artist, CatAttribute::Album, CatAttribute::Year, CatAttribute::Genre}) {
        BSTR text = nullptr;
        if (SUCCEEDED(reader.Attributes()->GetMetaDataString(attribute, &text)) && text)
            SetAttributeText(attribute, text);
        SysFreeString(text);
    }
}

bool CCatItem::ReadTitleOrArtistFromTags(const CString& extension)
{
    if (extension != L"mp3" && extension != L"wma")
        return false;
    // What the item holds may come from tags the file no longer has: the tags are read over
    // an empty title and artist, and what they leave empty keeps its old text.
    const CString oldTitle = m_title;
    const CString oldArtist = m_artist;
    m_title.Empty();
    m_artist.Empty();
    if (extension == L"mp3")
        ReadTagsFromFile(m_path, this);
    else
        ReadTagsFromWma();
    const bool named = !m_title.IsEmpty() || !m_artist.IsEmpty();
    if (m_title.IsEmpty())
        m_title = oldTitle;
    if (m_artist.IsEmpty())
        m_artist = oldArtist;
    return named;
}

BOOL CCatItem::RefreshFormat()
{
    ComPtr<IPcmReader> reader;
    if (FAILED(OpenPcmReader(FALSE, reader.put())))
        return FALSE;
    LONGLONG samples = 0;
    unsigned long rate = 0;
    reader->GetSampleCount(&samples);
    reader->GetSampleRate(&rate);
    {
        CSingleThreadLock hold(&m_lock);
        m_sampleCount = static_cast<ULONGLONG>(samples);
        m_sampleRate = static_cast<int>(rate);
        m_flags |= kFlagAudio;
    }
    reader->ShutDown();
    return TRUE;
}

BOOL CCatItem::RefreshFromHostMedia(bool* framesRequested)
{
    *framesRequested = false;
    ComPtr<IHostMedia> host;
    if (GetOuter() == GetInner() || FAILED(GetOuter()->QueryInterface(IID_IHostMedia, host.put_void())) || !host)
        return FALSE;
    BSTR name = m_path.AllocSysString();
    LONGLONG samples = 0;
    int rate = 0;
    BOOL result = FALSE;
    if (SUCCEEDED(host->GetMediaInfo(name, &samples, &rate))) {
        result = TRUE;
        if (m_sampleCount == 0 && samples > 0)
            m_sampleCount = static_cast<ULONGLONG>(samples);
        if (m_sampleRate == 1)
            m_sampleRate = rate;
        m_flags |= kFlagHostMedia;
        DWORD size = 0;
        // A size the library reports is bounded before anything is allocated: a bitmap without
        // pixels is never taken, and one that would not fit a catalog record is not kept.
        auto blob = std::make_unique<CMemBlob>();
        if (SUCCEEDED(host->GetThumbnail(name, 0, nullptr, &size)) && size > kBitmapHeaderBytes &&
            size <= kMaxThumbnailBytes && blob->Allocate(static_cast<int>(size))) {
            *framesRequested = true;
            bool read = false;
            bool taken = false;
            LONGLONG time = 0;
            for (int request = 0; request < kMaxThumbnailRequests && !taken; ++request) {
                DWORD got = size;
                if (FAILED(host->GetThumbnail(name, time, const_cast<BYTE*>(blob->GetData()), &got)) || got != size)
                    continue;
                read = true;
                time += kThumbnailStepUs;
                taken = !IsDarkFrame(blob->GetData(), size);
            }
            result = read ? TRUE : FALSE;
            // The frame replaces the item's thumbnail: one more on each refresh would soon
            // outgrow a catalog record, and no later change of the item could be stored.
            if (read) {
                m_thumbnails.clear();
                m_thumbnails.push_back(std::move(blob));
            }
        }
    }
    SysFreeString(name);
    return result;
}

BOOL CCatItem::RefreshFromFile()
{
    CSingleThreadLock hold(&m_lock);
    WIN32_FIND_DATAW found{};
    if (!UniqueFind(FindFirstFileW(m_path, &found)))
        return FALSE;
    SYSTEMTIME written{};
    FileTimeToSystemTime(&found.ftLastWriteTime, &written);
    m_date = CSysTime(written);
    m_searchText.Empty();
    const CString extension = GetExtension(m_path);
    if (!ReadTitleOrArtistFromTags(extension))
        m_title = StripExtension(GetFileName(m_path));
    BOOL succeeded = RefreshFormat();
    if (extension != L"mp3" && extension != L"wma" && extension != L"wav") {
        bool framesRequested = false;
        const BOOL hostResult = RefreshFromHostMedia(&framesRequested);
        succeeded = framesRequested ? hostResult : (succeeded || hostResult);
    }
    if (!succeeded || !::ComputeMusicFileId(m_path, &m_fileId))
        return FALSE;
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(catalogHold);
    CProfileResults results;
    if (catalog && catalog->LoadProfile(m_fileId, &results)) {
        if (m_bpm == 0.0f)
            m_bpm = results.GetTempo();
        if (m_keyNote == 0 && m_keyMode == 0)
            results.GetKey(&m_keyNote, &m_keyMode);
    }
    Save(FALSE);
    return TRUE;
}

BOOL CCatItem::RefreshIfContentChanged()
{
    CMusicFileId current;
    if (!::ComputeMusicFileId(GetPath(), &current) || current == GetMusicFileId())
        return FALSE;
    RefreshFromFile();
    return TRUE;
}

void CCatItem::ApplyProfileResults(const CProfileResults& results)
{
    if (!results.IsValid())
        return;
    {
        CSingleThreadLock hold(&m_lock);
        m_fileId = results.GetMusicFileId();
        if (m_bpm == 0.0f)
            m_bpm = results.GetTempo();
        m_sampleCount = static_cast<ULONGLONG>(results.GetSampleCount());
        m_sampleRate = static_cast<int>(results.GetSampleRate());
        if (m_keyNote == 0 && m_keyMode == 0)
            results.GetKey(&m_keyNote, &m_keyMode);
        m_searchText.Empty();
    }
    Save(TRUE);
}

void CCatItem::FillTrackInfo(CTrackInfo* track)
{
    CSingleThreadLock hold(&m_lock);
    track->SetFilePath(m_path);
    track->SetMusicFileId(m_fileId);
    track->SetSampleInfo(static_cast<DWORD>(m_sampleRate), static_cast<LONGLONG>(m_sampleCount));
    track->SetCatalogItemId(static_cast<LONG>(m_itemId));
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(catalogHold);
    CProfileResults results;
    if (catalog && catalog->LoadProfile(m_fileId, &results))
        track->ApplyProfile(results, catalog->GetDefaultMixTypeValue() & 1);
    if (m_bpm != 0.0f)
        track->SetBpm(m_bpm);
}

BOOL CCatItem::WriteRecord()
{
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(catalogHold);
    if (!catalog)
        return TRUE;
    m_unsaved = !catalog->GetStore().WriteItem(this);
    return m_unsaved ? FALSE : TRUE;
}

BOOL CCatItem::Save(BOOL updateMusicFile)
{
    CSingleThreadLock hold(&m_lock);
    // Writing attributes back into music files is not supported: the step always fails.
    const BOOL fileResult = updateMusicFile ? FALSE : TRUE;
    return WriteRecord() ? fileResult : FALSE;
}

void CCatItem::ClearPendingFileUpdate(BOOL save)
{
    CSingleThreadLock hold(&m_lock);
    m_pendingFileUpdate = 0;
    m_embeddedIgnored = 0;
    if (save)
        WriteRecord();
}

BOOL CCatItem::HasUnsavedChanges()
{
    CSingleThreadLock hold(&m_lock);
    return m_unsaved ? TRUE : FALSE;
}

HRESULT CCatItem::ReadEmbeddedMixData(CRiffFile* into)
{
    CSingleThreadLock hold(&m_lock);
    if (m_embeddedIgnored)
        return E_FAIL;
    const CString extension = GetExtension(m_path);
    std::vector<BYTE> data;
    if (extension == L"mp3") {
        CID3Tag tag;
        DWORD size = 0;
        if (tag.Read(m_path) != S_OK || FAILED(tag.GetPrivateData(kEmbeddedMixOwner, nullptr, &size)) || size == 0)
            return E_FAIL;
        data.resize(size);
        if (FAILED(tag.GetPrivateData(kEmbeddedMixOwner, data.data(), &size)))
            return E_FAIL;
    } else if (extension == L"wma") {
        OpenedWmaReader reader(m_path);
        BSTR attribute = SysAllocString(kEmbeddedMixAttribute);
        unsigned long size = 0;
        if (reader.IsOpen() && SUCCEEDED(reader.Attributes()->GetMetaDataBin(attribute, nullptr, &size)) && size > 0) {
            data.resize(size);
            if (FAILED(reader.Attributes()->GetMetaDataBin(attribute, data.data(), &size)) || size > data.size())
                data.clear();
            else
                data.resize(size);
        }
        SysFreeString(attribute);
        if (data.empty())
            return E_FAIL;
    } else {
        return E_FAIL;
    }
    if (!into)
        return 1;
    return into->OpenFromMemory(data.data(), static_cast<int>(data.size())) ? 0 : E_FAIL;
}

void CCatItem::GetNowPlayingStrings(CString* title, CString* artist, CString* album)
{
    CSingleThreadLock hold(&m_lock);
    *title = m_title;
    *artist = m_artist;
    *album = m_album;
}

HRESULT CCatItem::GetSubItemStrings(LONGLONG fileTime, CString* title, CString* artist, CString* album)
{
    if (!title || !artist || !album)
        return E_POINTER;
    const CString path = GetPath();
    if (GetExtension(path) != L"wma")
        return E_FAIL;
    OpenedWmaReader reader(path);
    if (!reader.IsOpen())
        return E_FAIL;
    BSTR texts[3] = {};
    const HRESULT result = reader.Attributes()->GetSubItemStrings(fileTime, &texts[0], &texts[1], &texts[2]);
    if (SUCCEEDED(result)) {
        // A string the file lacks comes back empty.
        *title = texts[0] ? texts[0] : L"";
        *artist = texts[1] ? texts[1] : L"";
        *album = texts[2] ? texts[2] : L"";
    }
    for (BSTR text : texts)
        SysFreeString(text);
    return result;
}

void CCatItem::IgnoreEmbeddedMixData()
{
    CSingleThreadLock hold(&m_lock);
    if (ReadEmbeddedMixData(nullptr) != 1)
        return;
    m_embeddedIgnored = 1;
    Save(FALSE);
}

BOOL CCatItem::LacksEmbeddedMixData()
{
    return FAILED(ReadEmbeddedMixData(nullptr));
}

BOOL CCatItem::MatchesFilter(const CString& lowerCaseFilter)
{
    if (lowerCaseFilter.IsEmpty())
        return TRUE;
    CSingleThreadLock hold(&m_lock);
    if (m_searchText.IsEmpty()) {
        m_searchText = m_artist + L" " + m_album + L" " + m_title + L" " + m_genre + L" " + m_year + L" " + m_path;
        m_searchText.MakeLower();
    }
    return m_searchText.Find(lowerCaseFilter) >= 0;
}

LONGLONG CCatItem::GetSortNumber(WORD attribute)
{
    CSingleThreadLock hold(&m_lock);
    if (attribute == CatAttribute::Bpm)
        return static_cast<LONGLONG>(m_bpm * 100.0f);
    if (attribute == CatAttribute::Length)
        return m_sampleRate == 0 ? 0 : static_cast<LONGLONG>(m_sampleCount / static_cast<DWORD>(m_sampleRate));
    return 0;
}

float CCatItem::GetAnalysedBpm()
{
    ComPtr<IUnknown> catalogHold;
    CCatalog* catalog = ReachCatalog(catalogHold);
    CProfileResults results;
    if (!catalog || !catalog->LoadProfile(GetMusicFileId(), &results))
        return 0.0f;
    return results.GetTempo();
}

BOOL CCatItem::IsUpToDate(const CSysTime& fileTime)
{
    CSingleThreadLock hold(&m_lock);
    return !m_date.IsSet() || !fileTime.IsLaterThan(m_date);
}

void CCatItem::SetItemId(DWORD id)
{
    CSingleThreadLock hold(&m_lock);
    m_itemId = id;
}

int CCatItem::GetRecordIndex()
{
    CSingleThreadLock hold(&m_lock);
    return m_recordIndex;
}

void CCatItem::SetRecordIndex(int index)
{
    CSingleThreadLock hold(&m_lock);
    m_recordIndex = index;
}

CString CCatItem::GetPath()
{
    CSingleThreadLock hold(&m_lock);
    return m_path;
}

CMusicFileId CCatItem::GetMusicFileId()
{
    CSingleThreadLock hold(&m_lock);
    return m_fileId;
}

void CCatItem::SetMusicFileId(const CMusicFileId& id)
{
    CSingleThreadLock hold(&m_lock);
    m_fileId = id;
}

DWORD CCatItem::GetSampleRate()
{
    CSingleThreadLock hold(&m_lock);
    return static_cast<DWORD>(m_sampleRate);
}

ULONGLONG CCatItem::GetSampleCount()
{
    CSingleThreadLock hold(&m_lock);
    return m_sampleCount;
}

float CCatItem::GetBpm()
{
    CSingleThreadLock hold(&m_lock);
    return m_bpm;
}

DWORD CCatItem::GetFlagWord()
{
    CSingleThreadLock hold(&m_lock);
    return m_flags;
}

BOOL CCatItem::IsPresent()
{
    CSingleThreadLock hold(&m_lock);
    return m_present;
}

void CCatItem::SetPresent(BOOL present)
{
    CSingleThreadLock hold(&m_lock);
    m_present = present ? 1 : 0;
}

void CCatItem::SetDeleteFileOnRelease(BOOL on)
{
    CSingleThreadLock hold(&m_lock);
    m_deleteFileOnRelease = on ? 1 : 0;
}

int CCatItem::GetThumbnailCount()
{
    CSingleThreadLock hold(&m_lock);
    return static_cast<int>(m_thumbnails.size());
}

void CCatItem::SetDeleted()
{
    CSingleThreadLock hold(&m_lock);
    m_deleted = true;
    m_unsaved = false;
}

BOOL CCatItem::IsDeleted()
{
    CSingleThreadLock hold(&m_lock);
    return m_deleted ? TRUE : FALSE;
}

BOOL CCatItem::IsFrameTableMissing()
{
    CSingleThreadLock hold(&m_lock);
    return m_frameTableMissing ? TRUE : FALSE;
}
