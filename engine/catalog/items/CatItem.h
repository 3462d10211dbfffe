// CCatItem: one entry of the music catalog: a music (or other media) file with its text
// attributes, format, tempo, key, thumbnails and content identity. The catalog owns every item
// and stores each as one record of "catalog.dat"; the analysis queue reads it as an
// IProfileSource.
//
// The outer object is the engine main object: QueryInterface answers ICatDisplayItem and
// IUnknown itself and passes every other IID there (the analysis asks an item for the UI-update
// queue). The item is counted on its own; the last Release of an item marked for deletion moves
// its file to the Recycle Bin.
//
// Threads: the catalog's workers, the analysis queue and the user-interface thread use items at
// once; every accessor takes the item's own lock.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/core/String.h"
#include "engine/catalog/analysis/ProfileSource.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "engine/core/storage/MemBlob.h"
#include "engine/core/storage/MusicFileId.h"
#include "engine/core/time/SysTime.h"
#include "engine/playback/playmgr/NowPlayingItem.h"
#include "interfaces/ICatDisplayItem.h"

class CArchive;
class CCatalog;
class CProfileResults;
class CRiffFile;
class CTrackInfo;

// Attribute ids (bit values) of ICatDisplayItem, the display lists and the categories.
namespace CatAttribute {
inline constexpr WORD Title = 1;
inline constexpr WORD Album = 2;
inline constexpr WORD Artist = 4;
inline constexpr WORD Path = 8;
inline constexpr WORD Year = 16;
inline constexpr WORD Genre = 32;
inline constexpr WORD Key = 64;
inline constexpr WORD Categories = 128;
inline constexpr WORD Bpm = 256;
inline constexpr WORD AnalysedBpm = 512;
inline constexpr WORD Length = 1024;
inline constexpr WORD BeatCount = 8192;
}  // namespace CatAttribute

class CCatItem : public CUnknown, public ICatDisplayItem, public IProfileSource, public INowPlayingItem {
public:
    // The record layout version written to catalog.dat; version 4 records end before the date.
    static constexpr WORD kRecordVersion = 5;
    static constexpr DWORD kFlagAudio = 1;
    static constexpr DWORD kFlagHostMedia = 2;
    static constexpr DWORD kNotInCatalog = 0xFFFFFFFF;
    static constexpr float kMinBpm = 40.0f;
    static constexpr float kMaxBpm = 250.0f;

    // outer: the engine main object (not owned). path: the music file; empty for a record about
    // to be loaded.
    CCatItem(IUnknown* outer, const wchar_t* path);
    ~CCatItem() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return NonDelegatingAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return NonDelegatingRelease(); }

    // ICatDisplayItem
    HRESULT STDMETHODCALLTYPE GetAttribute(WORD attribute, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE SetAttribute(WORD attribute, BSTR text) override;
    HRESULT STDMETHODCALLTYPE GetId(DWORD* id) override;
    HRESULT STDMETHODCALLTYPE Unused6() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetBlob(int index, BYTE* buffer, DWORD* size) override;
    HRESULT STDMETHODCALLTYPE GetFlags(DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE GetFileId(IMusicFileId* target) override;
    HRESULT STDMETHODCALLTYPE GetKey(WORD* note, WORD* mode) override;
    HRESULT STDMETHODCALLTYPE SetKey(WORD note, WORD mode) override;

    // IProfileSource
    DWORD STDMETHODCALLTYPE GetItemId() override;
    // A reader of the file's type, opened (with the profiling flag as given); an MP3 reader
    // gets its frame-offset table back from the item's plot file.
    HRESULT STDMETHODCALLTYPE OpenPcmReader(BOOL profiling, IPcmReader** reader) override;
    BOOL STDMETHODCALLTYPE ComputeMusicFileId(CMusicFileId* id) override;

    // Text of an attribute; FALSE when it has none.
    BOOL GetAttributeText(WORD attribute, CString* text);
    BOOL SetAttributeText(WORD attribute, const wchar_t* text);

    // The catalog.dat record body.
    void Serialize(CArchive& archive);

    // Reads tags, format, identity and date from the file; FALSE (nothing changed) when the file
    // is missing or unreadable. Saves the item when it succeeds.
    BOOL RefreshFromFile();
    // TRUE when the file's identity changed (the item was refreshed from it).
    BOOL RefreshIfContentChanged();
    // Takes over a finished analysis: identity, format, and BPM and key where the user set none.
    void ApplyProfileResults(const CProfileResults& results);
    void FillTrackInfo(CTrackInfo* track);
    // Writes the record; updateMusicFile first tries to write the tags into the music file, which
    // is not supported (the result is then FALSE). FALSE also when the record could not be
    // written: the item then stays marked unsaved until a later write succeeds.
    BOOL Save(BOOL updateMusicFile);
    void ClearPendingFileUpdate(BOOL save);
    // Set while the item's last write to catalog.dat failed: its record is older than the item.
    BOOL HasUnsavedChanges();

    // 1 when the music file carries saved mix settings and `into` is NULL; 0 when they were
    // loaded into `into`; E_FAIL when there are none or they are ignored.
    HRESULT ReadEmbeddedMixData(CRiffFile* into);
    void IgnoreEmbeddedMixData();
    BOOL LacksEmbeddedMixData();

    // INowPlayingItem
    void STDMETHODCALLTYPE GetNowPlayingStrings(CString* title, CString* artist, CString* album) override;
    // The title, artist and album of the part of a mixed Windows Media file that plays at
    // `fileTime` (microseconds into the file); E_FAIL for other files, and where the file names no
    // part ending at or after that time.
    HRESULT STDMETHODCALLTYPE GetSubItemStrings(LONGLONG fileTime, CString* title, CString* artist,
                                                CString* album) override;

    BOOL MatchesFilter(const CString& lowerCaseFilter);
    LONGLONG GetSortNumber(WORD attribute);
    float GetAnalysedBpm();
    // TRUE when the item's date is unset or fileTime is not later than it.
    BOOL IsUpToDate(const CSysTime& fileTime);

    // Catalog bookkeeping. The store takes the item's lock before its own.
    CSingleThreadToken* GetLock() { return &m_lock; }
    void SetItemId(DWORD id);
    int GetRecordIndex();
    void SetRecordIndex(int index);
    // Set when the item leaves the catalog: its record is gone and it is never written again,
    // whoever still holds it.
    void SetDeleted();
    BOOL IsDeleted();
    CString GetPath();
    CMusicFileId GetMusicFileId();
    void SetMusicFileId(const CMusicFileId& id);
    DWORD GetSampleRate();
    ULONGLONG GetSampleCount();
    float GetBpm();
    DWORD GetFlagWord();
    BOOL IsPresent();
    void SetPresent(BOOL present);
    void SetDeleteFileOnRelease(BOOL on);
    int GetThumbnailCount();
    // Set while the item's MP3 reader asked for a frame-offset table that could not be restored.
    BOOL IsFrameTableMissing();

    // The 12 key names, naturals padded with a blank.
    static const wchar_t* KeyName(WORD note);

private:
    void FinalRelease() override;
    // The catalog through the outer object; NULL when it cannot be reached.
    CCatalog* ReachCatalog(ComPtr<IUnknown>& hold);
    void SetBpmClamped(float bpm);
    void ParseKey(const CString& text);
    void ReadTagsFromWma();
    // Reads the tags of an "mp3" or "wma" file; true when they gave a title or an artist.
    bool ReadTitleOrArtistFromTags(const CString& extension);
    BOOL RefreshFormat();
    BOOL RefreshFromHostMedia(bool* framesRequested);
    void RestoreFrameTable(IPcmReader* reader);
    void MoveFileToRecycleBin();
    // Writes the record through the catalog (when one is reachable) and keeps the unsaved mark
    // up to date; FALSE when the write failed. Under the item lock.
    BOOL WriteRecord();

    DWORD m_itemId = kNotInCatalog;
    int m_recordIndex = -1;
    CString m_title;
    CString m_path;
    CString m_album;
    CString m_artist;
    CString m_genre;
    CString m_year;
    CString m_categories;
    ULONGLONG m_sampleCount = 0;
    int m_sampleRate = 1;
    int m_beatCount = 0;
    DWORD m_extra = 0;
    CMusicFileId m_fileId;
    float m_bpm = 0.0f;
    CSingleThreadToken m_lock;
    int m_pendingFileUpdate = 0;
    int m_embeddedIgnored = 0;
    std::vector<std::unique_ptr<CMemBlob>> m_thumbnails;
    DWORD m_flags = 0;
    int m_present = 1;
    int m_deleteFileOnRelease = 0;
    CString m_searchText;
    CSysTime m_date;
    WORD m_keyNote = 0;
    WORD m_keyMode = 0;
    DWORD m_frameTableMissing = 0;
    bool m_deleted = false;
    bool m_unsaved = false;
};
