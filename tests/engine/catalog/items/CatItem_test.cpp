// A catalog item's attributes as the views read and set them, its duration and thumbnails, and a
// WAV file taken in with its format, title and identity.
#include "engine/catalog/items/CatItem.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/catalog/files/MusicFileIdentity.h"
#include "tests/engine/catalog/CatalogTestSupport.h"
#include "tests/engine/catalog/items/RecordBytes.h"

namespace {

std::wstring Text(CCatItem* item, WORD attribute)
{
    CString text;
    if (!item->GetAttributeText(attribute, &text))
        return L"<none>";
    return text.GetString();
}

ComPtr<CCatItem> NewItem()
{
    return ComPtr<CCatItem>::attach(new CCatItem(nullptr, L"C:\\music\\item.wav"));
}

TEST(CatItem, TextsSetTheBpmAndKeyAsTheViewsTypeThem)
{
    const struct {
        const char* name;
        WORD attribute;
        const wchar_t* text;
        BOOL result;
        std::wstring bpm;
        std::wstring key;
    } rows[] = {
        {"BPM 300 is clamped to 250", CatAttribute::Bpm, L"300", TRUE, L"250.0", L"E M"},
        {"BPM 12 is raised to 40", CatAttribute::Bpm, L"12", TRUE, L"40.0", L"E M"},
        {"empty BPM text leaves it", CatAttribute::Bpm, L"", TRUE, L"", L"E M"},
        {"Bbm", CatAttribute::Key, L"Bbm", TRUE, L"", L"A#m"},
        {"f#M", CatAttribute::Key, L"f#M", TRUE, L"", L"F#M"},
        {"D- minor by its fourth spelling", CatAttribute::Key, L"D-m", TRUE, L"", L"C#m"},
        {"no m or M clears the key", CatAttribute::Key, L"A", TRUE, L"", L"<none>"},
        {"an unknown name leaves the key", CatAttribute::Key, L"Hm", TRUE, L"", L"E M"},
        {"path cannot be set", CatAttribute::Path, L"D:\\x.wav", FALSE, L"", L"E M"},
        {"length cannot be set", CatAttribute::Length, L"1:00", FALSE, L"", L"E M"},
    };
    for (const auto& row : rows) {
        ComPtr<CCatItem> item = NewItem();
        item->SetKey(4, 2);
        EXPECT_EQ(item->SetAttributeText(row.attribute, row.text), row.result) << row.name;
        EXPECT_EQ(Text(item.get(), CatAttribute::Bpm), row.bpm) << row.name;
        EXPECT_EQ(Text(item.get(), CatAttribute::Key), row.key) << row.name;
    }
}

// The now-playing record reads the texts the catalog shows; only mixed Windows Media files have
// parts of their own.
TEST(CatItem, TheNowPlayingRecordReadsTheItemsTexts)
{
    ComPtr<CCatItem> item = NewItem();
    item->SetAttributeText(CatAttribute::Title, L"Title");
    item->SetAttributeText(CatAttribute::Artist, L"Artist");
    ComPtr<INowPlayingItem> nowPlaying;
    ASSERT_EQ(item->QueryInterface(IID_INowPlayingItem, nowPlaying.put_void()), S_OK);
    CString title;
    CString artist;
    CString album = L"unchanged";
    nowPlaying->GetNowPlayingStrings(&title, &artist, &album);
    EXPECT_EQ(std::wstring(title.GetString()), L"Title");
    EXPECT_EQ(std::wstring(artist.GetString()), L"Artist");
    EXPECT_EQ(std::wstring(album.GetString()), L"");
    EXPECT_EQ(nowPlaying->GetSubItemStrings(0, &title, &artist, &album), E_FAIL);
}

TEST(CatItem, LengthDurationBeatCountAndThumbnailsFollowTheRecord)
{
    record_bytes::Fields fields;
    fields.rate = 0;
    ComPtr<CCatItem> silent = NewItem();
    {
        const auto bytes = record_bytes::Record(fields);
        CMemFile file;
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.Seek(0, CFile::begin);
        CArchive archive(&file, CArchive::load);
        silent->Serialize(archive);
    }
    LONGLONG duration = 0;
    EXPECT_EQ(silent->GetDuration(&duration), E_FAIL) << "rate 0";
    EXPECT_EQ(Text(silent.get(), CatAttribute::Length), L"");
    EXPECT_EQ(silent->SetAttributeText(CatAttribute::BeatCount, L"100"), FALSE) << "no duration";

    // Thumbnail of 5 bytes: the size alone, a buffer too small, a buffer that suffices.
    DWORD size = 0;
    ASSERT_EQ(silent->GetBlob(0, nullptr, &size), S_OK);
    EXPECT_EQ(size, 5u);
    BYTE small[4] = {};
    size = sizeof(small);
    EXPECT_EQ(silent->GetBlob(0, small, &size), E_FAIL);
    EXPECT_EQ(small[0], 0) << "nothing copied into a buffer that is too small";
    BYTE enough[8] = {};
    size = sizeof(enough);
    EXPECT_EQ(silent->GetBlob(0, enough, &size), S_OK);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(enough[4], 5);
    EXPECT_EQ(silent->GetBlob(1, nullptr, &size), E_FAIL);

    fields.rate = 44100;
    fields.samples = 44100 * 200 + 22050;
    ComPtr<CCatItem> item = NewItem();
    {
        const auto bytes = record_bytes::Record(fields);
        CMemFile file;
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.Seek(0, CFile::begin);
        CArchive archive(&file, CArchive::load);
        item->Serialize(archive);
    }
    ASSERT_EQ(item->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 200500000);
    EXPECT_EQ(Text(item.get(), CatAttribute::Length), L"3:20");
    EXPECT_EQ(item->SetAttributeText(CatAttribute::BeatCount, L"401"), TRUE);
    EXPECT_EQ(Text(item.get(), CatAttribute::Bpm), L"120.0");
    EXPECT_EQ(Text(item.get(), CatAttribute::BeatCount), L"401");
    EXPECT_EQ(item->GetSortNumber(CatAttribute::Bpm), 12000);
    EXPECT_EQ(item->GetSortNumber(CatAttribute::Length), 200);
    EXPECT_TRUE(item->MatchesFilter(L"caf\u00E9"));
    EXPECT_TRUE(item->MatchesFilter(L"artist album"));
    EXPECT_FALSE(item->MatchesFilter(L"polka"));
}

TEST(CatItem, AWavFileBecomesAnAudioItemWithItsFormatTitleAndIdentity)
{
    fixtures::TempDir dir(L"item");
    const std::wstring path = dir.File(L"Night Drive.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, fixtures::Tone(440, 1.5, 22050, 1), 22050, 1));
    ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, path.c_str()));
    ASSERT_TRUE(item->RefreshFromFile());
    EXPECT_EQ(Text(item.get(), CatAttribute::Title), L"Night Drive");
    EXPECT_EQ(item->GetSampleRate(), 22050u);
    EXPECT_EQ(item->GetSampleCount(), 33075u);
    EXPECT_EQ(item->GetFlagWord(), CCatItem::kFlagAudio);
    CMusicFileId expected;
    ASSERT_TRUE(ComputeMusicFileId(path.c_str(), &expected));
    EXPECT_TRUE(item->GetMusicFileId() == expected);

    ComPtr<CCatItem> missing = ComPtr<CCatItem>::attach(new CCatItem(nullptr, dir.File(L"gone.wav").c_str()));
    EXPECT_FALSE(missing->RefreshFromFile());
    EXPECT_EQ(Text(missing.get(), CatAttribute::Title), L"");

    // The item answers its display interface and nothing else without an engine.
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(item->QueryInterface(IID_IPcmReader, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ICatDisplayItem* display = nullptr;
    ASSERT_EQ(item->QueryInterface(IID_ICatDisplayItem, reinterpret_cast<void**>(&display)), S_OK);
    EXPECT_EQ(display->Release(), 1u);
}

// A refresh takes the title from the tags only when they name a title or an artist; otherwise,
// and for every file type without tags, the title is the file name, whatever the item held.
TEST(CatItem, ARefreshTitlesTheItemByItsFileUnlessTheTagsNameIt)
{
    fixtures::TempDir dir(L"titles");
    const std::wstring wav = dir.File(L"Night Drive.wav");
    ASSERT_TRUE(fixtures::WriteWav16(wav, fixtures::Tone(440, 0.3, 44100, 2), 44100, 2));
    const std::wstring mp3 = dir.File(L"Untagged Song.mp3");
    const bool haveMp3 = catalog_test::MakeMp3(mp3, 0.5);
    const struct {
        std::wstring path;
        const wchar_t* title;
    } rows[] = {{wav, L"Night Drive"}, {mp3, L"Untagged Song"}};
    for (const auto& row : rows) {
        if (row.path == mp3 && !haveMp3)
            continue;
        ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, row.path.c_str()));
        ASSERT_TRUE(item->SetAttributeText(CatAttribute::Title, L"Stale title from older tags"));
        ASSERT_TRUE(item->RefreshFromFile());
        EXPECT_EQ(Text(item.get(), CatAttribute::Title), row.title);
    }
}

}  // namespace

namespace {

// The video montage library's media services for one video file: a length and rate, and frames
// of a fixed size whose pixels are all `level`; records the times asked for.
class HostMediaDouble : public IHostMedia {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IHostMedia))
            return E_NOINTERFACE;
        *object = static_cast<IHostMedia*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnPlayStarting(LONGLONG, IPlayManager*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPlayStarted(LONGLONG, IPlayManager*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPlayStopped() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtensions(BSTR* list) override
    {
        *list = SysAllocString(L"mpg;");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMediaInfo(BSTR, LONGLONG* samples, int* rate) override
    {
        *samples = 441000;
        *rate = 44100;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetThumbnail(BSTR, LONGLONG time, BYTE* buffer, DWORD* size) override
    {
        if (!buffer) {
            *size = frameSize;
            return S_OK;
        }
        times.push_back(time);
        if (*size < frameSize)
            return E_FAIL;
        std::fill(buffer, buffer + frameSize, level);
        std::fill(buffer, buffer + 40, BYTE(0xEE));
        if (brightAt >= 0 && time == brightAt)
            std::fill(buffer + 40, buffer + frameSize, BYTE(200));
        *size = frameSize;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PrepareReader(BSTR, IPcmReader*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExportType(int, int*, BSTR*, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExportFormat(int, int*, BSTR*, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnReposition(LONGLONG, LONGLONG, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved17() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved18() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVideoPreview(BSTR, BSTR, IVideoPreviewPlayer**) override { return E_NOTIMPL; }

    DWORD frameSize = 40 + 64;
    BYTE level = 0;
    LONGLONG brightAt = -1;
    std::vector<LONGLONG> times;
};

TEST(CatItem, VideoFilesTakeTheirThumbnailFromTheHostWithinBounds)
{
    const struct {
        const char* name;
        DWORD frameSize;
        LONGLONG brightAt;
        size_t requests;
        int thumbnails;
        BYTE firstPixel;
    } rows[] = {
        {"only black frames: the one read at 31 s is kept", 104, -1, 32, 1, 0},
        {"the first bright frame is taken", 104, 3000000, 4, 1, 200},
        {"a bitmap of 40 bytes has no pixels", 40, -1, 0, 0, 0},
        {"a frame too large for a catalog record", 70000, -1, 0, 0, 0},
    };
    for (const auto& row : rows) {
        catalog_test::CatalogFixture fixture;
        HostMediaDouble host;
        host.frameSize = row.frameSize;
        host.brightAt = row.brightAt;
        fixture.engine.hostMedia = &host;
        fixtures::TempDir dir(L"video");
        const std::wstring path = dir.File(L"clip.mpg");
        std::vector<BYTE> content(9000);
        for (size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<BYTE>(i * 7 + 3);
        ASSERT_TRUE(profiler_test::WriteBytes(path, content));
        CCatItem* item = nullptr;
        fixture.Catalog()->AddItemFromFile(path.c_str(), &item, FALSE);
        ASSERT_NE(item, nullptr) << row.name;
        EXPECT_EQ(host.times.size(), row.requests) << row.name;
        if (row.requests == 32) {
            EXPECT_EQ(host.times.back(), 31000000) << row.name;
        }
        EXPECT_EQ(item->GetThumbnailCount(), row.thumbnails) << row.name;
        EXPECT_EQ(item->GetFlagWord(), CCatItem::kFlagHostMedia) << row.name;
        EXPECT_EQ(item->GetSampleRate(), 44100u) << row.name;
        if (row.thumbnails) {
            BYTE frame[104] = {};
            DWORD size = sizeof(frame);
            ASSERT_EQ(item->GetBlob(0, frame, &size), S_OK) << row.name;
            EXPECT_EQ(frame[40], row.firstPixel) << row.name;
        }
        item->Release();
        fixture.Close();
    }
}

// Every refresh of a video takes its frame anew: the item keeps one thumbnail, and a change made
// after any number of refreshes still fits its record and comes back after a restart.
TEST(CatItem, ARefreshedVideoReplacesItsThumbnail)
{
    catalog_test::CatalogFixture fixture;
    HostMediaDouble host;
    host.frameSize = 40 + 30000;
    host.brightAt = 0;
    fixture.engine.hostMedia = &host;
    fixtures::TempDir dir(L"video refresh");
    const std::wstring path = dir.File(L"clip.mpg");
    ASSERT_TRUE(profiler_test::WriteBytes(path, std::vector<BYTE>(9000, 0x5A)));
    CCatItem* item = nullptr;
    ASSERT_TRUE(fixture.Catalog()->AddItemFromFile(path.c_str(), &item, FALSE));
    for (int refresh = 0; refresh < 3; ++refresh) {
        ASSERT_TRUE(item->RefreshFromFile());
        EXPECT_EQ(item->GetThumbnailCount(), 1) << "refresh " << refresh;
    }
    item->SetAttributeText(CatAttribute::Title, L"Kept");
    EXPECT_TRUE(item->Save(FALSE));
    item->Release();
    fixture.Reopen();
    ASSERT_TRUE(fixture.Catalog()->FindItemByPath(path.c_str(), &item));
    EXPECT_EQ(Text(item, CatAttribute::Title), L"Kept");
    EXPECT_EQ(item->GetThumbnailCount(), 1);
    item->Release();
    fixture.Close();
}

}  // namespace
