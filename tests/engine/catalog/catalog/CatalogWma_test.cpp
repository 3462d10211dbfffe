// Windows Media files in the catalog, three ways:
// - CatalogWma: the Windows Media library beside the binary, over the platform's runtime, with
//   files made by ffmpeg (decoding checked against ffmpeg's own decode);
// - CatalogWithoutQuenby: a bin folder without the library (run from the "noquenby" copy);
// - CatalogWmaDouble: a stand-in library whose runtime is the recording double, so that the
//   attributes Wine 8 does not answer (tags, saved mixes, sub-items) reach the catalog (run from
//   the "wmdouble" copy).
// Each group skips where its library is not the one beside the binary.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/tags/ID3Tag.h"
#include "engine/core/server/LocalCoCreate.h"
#include "engine/playback/playmgr/NowPlaying.h"
#include "engine/playback/playmgr/NowPlayingItem.h"
#include "interfaces/IPcmReaderWma.h"
#include "tests/engine/catalog/catalog/CatalogTest.h"
#include "tests/engine/catalog/catalog/quenby-double/QuenbyDoubleExports.h"
#include "tests/support/TempDir.h"
#include "tests/support/TextFiles.h"
#include "tests/winmedia/WmaFixtures.h"

namespace {

using catalog_test::CatalogTest;

// Click tracks long enough that the analysis measures their tempo (shorter tracks take theirs from
// their length, as loops do).
constexpr double kClickSeconds = 40;

// The folder the binary runs from: the library search looks there first.
std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

bool BinFolderHasQuenby()
{
    return GetFileAttributesW((BinFolder() + L"\\Quenby.DLL").c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The stand-in library's exports, when the library found by name is the stand-in.
struct QuenbyDouble {
    QuenbyDouble()
    {
        const HMODULE module = BinFolderHasQuenby() ? LoadLibraryW(L"Quenby.DLL") : nullptr;
        if (!module)
            return;
        reset = Export<decltype(&QuenbyDoubleReset)>(module, "QuenbyDoubleReset");
        setString = Export<decltype(&QuenbyDoubleSetString)>(module, "QuenbyDoubleSetString");
        setQword = Export<decltype(&QuenbyDoubleSetQword)>(module, "QuenbyDoubleSetQword");
        setBinary = Export<decltype(&QuenbyDoubleSetBinary)>(module, "QuenbyDoubleSetBinary");
        setDecoded = Export<decltype(&QuenbyDoubleSetDecoded)>(module, "QuenbyDoubleSetDecoded");
        setSubItem = Export<decltype(&QuenbyDoubleSetSubItem)>(module, "QuenbyDoubleSetSubItem");
    }
    bool Present() const { return reset && setString && setQword && setBinary && setDecoded && setSubItem; }

    template <typename Fn>
    static Fn Export(HMODULE module, const char* name)
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    decltype(&QuenbyDoubleReset) reset = nullptr;
    decltype(&QuenbyDoubleSetString) setString = nullptr;
    decltype(&QuenbyDoubleSetQword) setQword = nullptr;
    decltype(&QuenbyDoubleSetBinary) setBinary = nullptr;
    decltype(&QuenbyDoubleSetDecoded) setDecoded = nullptr;
    decltype(&QuenbyDoubleSetSubItem) setSubItem = nullptr;
};

size_t Occurrences(const CString& text, const wchar_t* part)
{
    size_t count = 0;
    for (int at = text.Find(part); at >= 0; at = text.Find(part, at + 1))
        ++count;
    return count;
}

std::wstring Text(CCatItem* item, WORD attribute)
{
    CString text;
    if (!item->GetAttributeText(attribute, &text))
        return L"(none)";
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

// The title the platform's runtime answers for a file through the library, if any.
bool RuntimeAnswersTitle(const std::wstring& path, std::wstring& title)
{
    ComPtr<IPcmReaderWma> reader;
    if (FAILED(CLocalCoCreate::CreateInstance(PluginClsid::PcmReaderWma, &g_localCoCreate, IID_IPcmReaderWma,
                                              reader.put_void())))
        return false;
    ComPtr<IPcmReader> pcm;
    reader.query(IID_IPcmReader, pcm);
    if (!pcm || FAILED(fixtures::OpenPcmReader(pcm.get(), path)))
        return false;
    BSTR text = nullptr;
    const bool answered = SUCCEEDED(reader->GetMetaDataString(1, &text)) && text;
    if (answered)
        title = text;
    SysFreeString(text);
    pcm->ShutDown();
    return answered;
}

class CatalogWma : public CatalogTest {
protected:
    void SetUp() override
    {
        if (!BinFolderHasQuenby() || QuenbyDouble().Present())
            GTEST_SKIP() << "the Windows Media library is not beside this binary";
        if (!fixtures::HaveUnixTools())
            GTEST_SKIP() << "ffmpeg is not reachable from this process";
    }
};

TEST_F(CatalogWma, AFileMadeByFfmpegIsCatalogedDecodedAndAnalysedThroughTheLibrary)
{
    EXPECT_EQ(Occurrences(m_fixture.Catalog()->GetSupportedExtensions(), L"wma;"), 1u);
    EXPECT_TRUE(m_fixture.Catalog()->IsSupportedExtension(L"WMA"));

    constexpr unsigned kRate = 44100;
    const std::wstring wav = m_music.File(L"click source.wav");
    ASSERT_TRUE(fixtures::WriteWav16(wav, fixtures::ClickTrack(120, kClickSeconds, kRate, 2), kRate, 2));
    const std::wstring path = m_music.File(L"click.wma");
    ASSERT_EQ(
        fixtures::RunUnixTool("ffmpeg", {"-v", "error", "-y", "-i", fixtures::UnixPath(wav), "-c:a", "wmav2", "-b:a",
                                         "128k", "-metadata", "title=Night Drive", "-metadata", "artist=Ada",
                                         "-metadata", "album=Coastlines", fixtures::UnixPath(path)}),
        0);

    CCatItem* item = Add(path);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetFlagWord() & CCatItem::kFlagAudio, CCatItem::kFlagAudio);
    EXPECT_EQ(item->GetSampleRate(), kRate);
    const double probed = wmafixtures::DurationByFfprobe(m_music, path) * kRate;
    EXPECT_NEAR(static_cast<double>(item->GetSampleCount()), probed, 3.0);

    // Tags come from the file's attributes as far as the runtime answers them; Wine 8's answers
    // only "Duration", and then the title is the file's name.
    std::wstring answered;
    if (RuntimeAnswersTitle(path, answered)) {
        EXPECT_EQ(answered, L"Night Drive");
        EXPECT_EQ(Text(item, CatAttribute::Title), L"Night Drive");
        EXPECT_EQ(Text(item, CatAttribute::Artist), L"Ada");
        EXPECT_EQ(Text(item, CatAttribute::Album), L"Coastlines");
    } else {
        std::printf("[ measured ] the runtime answers no title: the item is named after its file\n");
        EXPECT_EQ(Text(item, CatAttribute::Title), L"click");
        EXPECT_EQ(Text(item, CatAttribute::Artist), L"");
    }
    EXPECT_EQ(item->ReadEmbeddedMixData(nullptr), E_FAIL) << "ffmpeg embeds no saved mix";
    EXPECT_TRUE(item->LacksEmbeddedMixData());
    CString title, artist, album;
    EXPECT_EQ(item->GetSubItemStrings(0, &title, &artist, &album), E_FAIL) << "not a mixed file";

    // The item's reader decodes what ffmpeg decodes: two seconds from the fourth on.
    ComPtr<IPcmReader> reader;
    ASSERT_EQ(item->OpenPcmReader(FALSE, reader.put()), S_OK);
    constexpr size_t kStart = 4 * kRate;
    constexpr size_t kFrames = 2 * kRate;
    std::vector<int16_t> stretch(kFrames * 2);
    ASSERT_EQ(reader->LoadPcm(reinterpret_cast<unsigned char*>(stretch.data()), kStart * 4,
                              static_cast<unsigned long>(stretch.size() * 2)),
              S_OK);
    reader->ShutDown();
    std::vector<int16_t> reference;
    ASSERT_TRUE(wmafixtures::DecodeWithFfmpeg(m_music, path, reference));
    ASSERT_GT(reference.size(), (kStart + kFrames) * 2);
    for (unsigned channel = 0; channel < 2; ++channel) {
        const std::vector<double> ours = wmafixtures::Channel(stretch, 2, channel);
        const std::vector<double> all = wmafixtures::Channel(reference, 2, channel);
        const std::vector<double> theirs(all.begin() + kStart, all.begin() + kStart + kFrames);
        int lag = 0;
        size_t overlap = 0;
        const double snr = wmafixtures::AlignedSnrDb(theirs, ours, 8192, lag, overlap);
        std::printf("[ measured ] channel %u: lag %d frames, SNR %.1f dB over %zu frames\n", channel, lag, snr,
                    overlap);
        EXPECT_GT(snr, 55.0);
        EXPECT_GT(overlap, kFrames * 9 / 10);
    }

    // Analysed through the job queue like any other item: the click track's tempo.
    ASSERT_TRUE(RunAnalysis()) << "the queue ran empty";
    CProfileResults results;
    ASSERT_TRUE(m_fixture.Catalog()->LoadProfile(item->GetMusicFileId(), &results));
    std::printf("[ measured ] tempo of the 120 BPM click track: %.3f\n", static_cast<double>(results.GetTempo()));
    EXPECT_NEAR(results.GetTempo(), 120.0f, 1.0f);
    EXPECT_FLOAT_EQ(item->GetBpm(), results.GetTempo());
    const auto engine = m_fixture.engine.EnginePosts();
    EXPECT_EQ(std::count(engine.begin(), engine.end(), std::pair<int, int>{1, 0}), 1);
    item->Release();
}

TEST_F(CatalogWma, FilesTheRuntimeCannotOpenAddNothing)
{
    const std::wstring junk = m_music.File(L"noise.wma");
    std::vector<BYTE> bytes(20000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>((i * 2654435761u) >> 13);
    ASSERT_TRUE(profiler_test::WriteBytes(junk, bytes));
    CCatItem* item = nullptr;
    EXPECT_FALSE(m_fixture.Catalog()->AddItemFromFile(junk.c_str(), &item, FALSE));
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(m_fixture.Catalog()->GetItemCount(), 0);
}

class CatalogWithoutQuenby : public CatalogTest {
protected:
    void SetUp() override
    {
        if (BinFolderHasQuenby())
            GTEST_SKIP() << "a Windows Media library is beside this binary (the copy in \"noquenby\" runs these)";
    }
};

TEST_F(CatalogWithoutQuenby, WindowsMediaFilesAreRefusedCleanly)
{
    EXPECT_FALSE(m_fixture.Catalog()->IsSupportedExtension(L"wma"));
    EXPECT_TRUE(m_fixture.Catalog()->IsSupportedExtension(L"WAV"));
    EXPECT_EQ(Occurrences(m_fixture.Catalog()->GetSupportedExtensions(), L"wma"), 0u);
    // A real Windows Media file where the tools can make one; bytes of no format otherwise.
    const std::wstring path = m_music.File(L"song.wma");
    const std::wstring wav = MakeWav(L"song source.wav", 440, 1.0);
    if (!fixtures::HaveUnixTools() ||
        fixtures::RunUnixTool("ffmpeg", {"-v", "error", "-y", "-i", fixtures::UnixPath(wav), "-c:a", "wmav2",
                                         fixtures::UnixPath(path)}) != 0) {
        ASSERT_TRUE(profiler_test::WriteBytes(path, std::vector<BYTE>(9000, 0x30)));
    }
    CCatItem* item = nullptr;
    EXPECT_FALSE(m_fixture.Catalog()->AddItemFromFile(path.c_str(), &item, FALSE));
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(m_fixture.Catalog()->GetItemCount(), 0);

    // An item of such a file (as a stored catalog may hold) has no reader, saved mix or sub-items.
    ComPtr<CCatItem> stored = ComPtr<CCatItem>::attach(new CCatItem(m_fixture.Outer(), path.c_str()));
    ComPtr<IPcmReader> reader;
    EXPECT_EQ(stored->OpenPcmReader(FALSE, reader.put()), E_FAIL);
    EXPECT_EQ(reader.get(), nullptr);
    EXPECT_EQ(stored->ReadEmbeddedMixData(nullptr), E_FAIL);
    CString title, artist, album;
    EXPECT_EQ(stored->GetSubItemStrings(0, &title, &artist, &album), E_FAIL);
}

// Two seconds of 16-bit stereo at 44100 Hz, in 100 ns units.
constexpr ULONGLONG kTwoSeconds = 20000000;

class CatalogWmaDouble : public CatalogTest {
protected:
    void SetUp() override
    {
        if (!runtime.Present())
            GTEST_SKIP() << "the stand-in Windows Media library is not beside this binary (the copy in "
                            "\"wmdouble\" runs these)";
        runtime.reset();
        runtime.setQword(0, L"Duration", kTwoSeconds);
    }
    // A file of its own bytes (so that each has an identity of its own); the double answers for
    // whatever file it opens.
    std::wstring MakeFile(const std::wstring& name)
    {
        const std::wstring path = m_music.File(name);
        std::vector<BYTE> bytes(12000);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<BYTE>(i * 31 + name.size() * 7 + name[0]);
        EXPECT_TRUE(profiler_test::WriteBytes(path, bytes));
        return path;
    }

    QuenbyDouble runtime;
};

TEST_F(CatalogWmaDouble, TagsComeFromTheFileAttributesAndTheTitleFallsBackToTheFileName)
{
    struct Attribute {
        WORD stream;
        const wchar_t* name;
        const wchar_t* text;
    };
    struct Case {
        const wchar_t* file;
        std::vector<Attribute> attributes;
        const wchar_t* title;
        const wchar_t* artist;
        const wchar_t* album;
        const wchar_t* year;
        const wchar_t* genre;
    };
    const Case cases[] = {
        {L"all five.wma",
         {{0, L"Title", L"Nächte in Kyōto"},
          {0, L"Author", L"Ada Ω"},
          {0, L"WM/AlbumTitle", L"日本"},
          {0, L"WM/Year", L"2004"},
          {0, L"WM/Genre", L"House"}},
         L"Nächte in Kyōto",
         L"Ada Ω",
         L"日本",
         L"2004",
         L"House"},
        {L"artist only.wma", {{0, L"Author", L"Cy"}}, L"", L"Cy", L"", L"", L""},
        {L"album only.wma", {{0, L"WM/AlbumTitle", L"Two"}}, L"album only", L"", L"Two", L"", L""},
        {L"at the audio stream.wma", {{2, L"Title", L"Late"}}, L"Late", L"", L"", L"", L""},
        {L"nothing.wma", {}, L"nothing", L"", L"", L"", L""},
        {L"UPPER CASE.WMA", {{0, L"Title", L"Loud"}}, L"Loud", L"", L"", L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
        runtime.reset();
        runtime.setQword(0, L"Duration", kTwoSeconds);
        for (const Attribute& a : c.attributes)
            runtime.setString(a.stream, a.name, a.text);
        CCatItem* item = Add(MakeFile(c.file));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(Text(item, CatAttribute::Title), c.title);
        EXPECT_EQ(Text(item, CatAttribute::Artist), c.artist);
        EXPECT_EQ(Text(item, CatAttribute::Album), c.album);
        EXPECT_EQ(Text(item, CatAttribute::Year), c.year);
        EXPECT_EQ(Text(item, CatAttribute::Genre), c.genre);
        EXPECT_EQ(item->GetSampleCount(), 88200u);
        EXPECT_EQ(item->GetFlagWord() & CCatItem::kFlagAudio, CCatItem::kFlagAudio);
        item->Release();
    }

    // The attributes taken stay with the items after a restart.
    m_fixture.Reopen();
    CCatItem* reloaded = nullptr;
    ASSERT_TRUE(m_fixture.Catalog()->GetItemById(0, &reloaded));
    EXPECT_EQ(Text(reloaded, CatAttribute::Title), L"Nächte in Kyōto");
    EXPECT_EQ(Text(reloaded, CatAttribute::Album), L"日本");
    reloaded->Release();
}

TEST_F(CatalogWmaDouble, ASavedMixInTheFileCountsUntilItIsCleared)
{
    ComPtr<CTrackInfo> embedded = catalog_test::CustomTrack(CMusicFileId());
    const std::vector<BYTE> image = catalog_test::MixImage(embedded.get());
    runtime.setBinary(0, kEmbeddedMixAttribute, image.data(), static_cast<DWORD>(image.size()));
    runtime.setBinary(0, L"Kx/Other", image.data(), static_cast<DWORD>(image.size()));
    CCatItem* item = Add(MakeFile(L"with mix.wma"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->ReadEmbeddedMixData(nullptr), 1);
    CRiffFile loaded;
    EXPECT_EQ(item->ReadEmbeddedMixData(&loaded), 0);

    ComPtr<CTrackInfo> track = ComPtr<CTrackInfo>::attach(new CTrackInfo());
    track->SetMusicFileId(item->GetMusicFileId());
    EXPECT_TRUE(m_fixture.Catalog()->HasDefaultMix(track.get()));
    EXPECT_TRUE(m_fixture.Catalog()->ApplyDefaultMix(track.get()));
    EXPECT_TRUE(track->HasCustomSettings()) << "the file's settings were copied";

    EXPECT_EQ(m_fixture.Catalog()->ClearDefaultTrackSettings(Ids({item->GetItemId()}).get()), S_OK);
    EXPECT_EQ(item->ReadEmbeddedMixData(nullptr), E_FAIL) << "ignored from now on";
    item->Release();
    m_fixture.Reopen();
    EXPECT_EQ(m_fixture.Catalog()->HasDefaultTrackSettings(Ids({0}).get()), S_FALSE) << "also after a restart";
}

TEST_F(CatalogWmaDouble, DamagedOrMisnamedSavedMixesAreNotTaken)
{
    const struct {
        const wchar_t* file;
        const wchar_t* attribute;
        std::vector<BYTE> bytes;
        HRESULT present;
    } cases[] = {
        {L"damaged.wma", kEmbeddedMixAttribute, std::vector<BYTE>(300, 0x5A), 1},
        {L"other name.wma", L"Kx/MixData", catalog_test::MixImage(catalog_test::CustomTrack(CMusicFileId()).get()),
         E_FAIL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
        runtime.reset();
        runtime.setQword(0, L"Duration", kTwoSeconds);
        runtime.setBinary(0, c.attribute, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        CCatItem* item = Add(MakeFile(c.file));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->ReadEmbeddedMixData(nullptr), c.present);
        CRiffFile loaded;
        EXPECT_EQ(item->ReadEmbeddedMixData(&loaded), E_FAIL);
        ComPtr<CTrackInfo> track = ComPtr<CTrackInfo>::attach(new CTrackInfo());
        track->SetMusicFileId(item->GetMusicFileId());
        EXPECT_FALSE(m_fixture.Catalog()->ApplyDefaultMix(track.get()));
        EXPECT_FALSE(track->HasCustomSettings());
        item->Release();
    }
}

TEST_F(CatalogWmaDouble, SubItemStringsNameThePartPlayingAtATime)
{
    const struct {
        ULONGLONG end;
        const wchar_t* title;
        const wchar_t* author;
        const wchar_t* album;
    } parts[] = {
        {180000000, L"First", L"Ada", L"One"},
        {400000000, L"Second", nullptr, L"Two"},
    };
    for (unsigned i = 0; i < std::size(parts); ++i)
        runtime.setSubItem(i, parts[i].end, parts[i].title, parts[i].author, parts[i].album);
    CCatItem* mixed = Add(MakeFile(L"mixed.wma"));
    ASSERT_NE(mixed, nullptr);
    const struct {
        LONGLONG time;
        HRESULT result;
        const wchar_t* title;
        const wchar_t* artist;
        const wchar_t* album;
    } cases[] = {
        {0, S_OK, L"First", L"Ada", L"One"},
        {180000001, S_OK, L"Second", L"", L"Two"},
        {400000001, E_FAIL, L"unchanged", L"unchanged", L"unchanged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        CString title = L"unchanged", artist = L"unchanged", album = L"unchanged";
        EXPECT_EQ(mixed->GetSubItemStrings(c.time, &title, &artist, &album), c.result);
        EXPECT_EQ(std::wstring(title.GetString()), c.title);
        EXPECT_EQ(std::wstring(artist.GetString()), c.artist);
        EXPECT_EQ(std::wstring(album.GetString()), c.album);
    }
    mixed->Release();

    CCatItem* wave = Add(MakeWav(L"plain.wav"));
    ASSERT_NE(wave, nullptr);
    CString title, artist, album;
    EXPECT_EQ(wave->GetSubItemStrings(0, &title, &artist, &album), E_FAIL) << "only Windows Media files have parts";
    wave->Release();
}

// A mixed file's parts reach the now-playing file and the play log through the catalog item: the
// part that plays at the file position fills the sub-item tags, and the log names it.
TEST_F(CatalogWmaDouble, TheNowPlayingFileAndLogNameThePartThatPlays)
{
    runtime.setSubItem(0, 180000000, L"First", L"Ada", L"One");
    runtime.setSubItem(1, 400000000, L"Second", nullptr, L"Two");
    CCatItem* mixed = Add(MakeFile(L"mixed.wma"));
    ASSERT_NE(mixed, nullptr);
    ComPtr<INowPlayingItem> item;
    ASSERT_EQ(mixed->QueryInterface(IID_INowPlayingItem, item.put_void()), S_OK);
    mixed->Release();

    fixtures::TempDir folder(L"nowplaying");
    const std::wstring templateFile = folder.File(L"template.txt");
    const std::wstring destination = folder.File(L"now.txt");
    fixtures::WriteFileText(templateFile, "<CARROWFOLD.CURRENT.TITLE></CARROWFOLD.CURRENT.TITLE>|"
                                          "<CARROWFOLD.CURRENT.SUB.TITLE></CARROWFOLD.CURRENT.SUB.TITLE>|"
                                          "<CARROWFOLD.CURRENT.SUB.ARTIST>-</CARROWFOLD.CURRENT.SUB.ARTIST>|"
                                          "<CARROWFOLD.CURRENT.SUB.ALBUM></CARROWFOLD.CURRENT.SUB.ALBUM>");
    CNowPlaying record;
    record.SetSettings(TRUE, templateFile.c_str(), destination.c_str(), TRUE, folder.Path().c_str());
    record.SetClock([](SYSTEMTIME* utc) {
        *utc = SYSTEMTIME{};
        utc->wYear = 2027;
        utc->wMonth = 8;
        utc->wDay = 9;
    });
    record.WriteNowPlaying(item.get(), 0, 180000001);
    EXPECT_EQ(fixtures::ReadFileText(destination),
              "<CARROWFOLD.CURRENT.TITLE>mixed</CARROWFOLD.CURRENT.TITLE>|"
              "<CARROWFOLD.CURRENT.SUB.TITLE>Second</CARROWFOLD.CURRENT.SUB.TITLE>|"
              "<CARROWFOLD.CURRENT.SUB.ARTIST>-</CARROWFOLD.CURRENT.SUB.ARTIST>|"
              "<CARROWFOLD.CURRENT.SUB.ALBUM>Two</CARROWFOLD.CURRENT.SUB.ALBUM>");
    EXPECT_EQ(fixtures::ReadFileText(folder.File(L"202708.log")), "Second\t\tTwo\t20270809\t000000\t000000\t\r\n");
}

TEST_F(CatalogWmaDouble, ItemsAreAnalysedFromWhatTheLibraryDecodes)
{
    const std::vector<int16_t> clicks = fixtures::ClickTrack(120, kClickSeconds, 44100, 2);
    runtime.setDecoded(clicks.data(), static_cast<DWORD>(clicks.size()));
    runtime.setQword(0, L"Duration", static_cast<ULONGLONG>(kClickSeconds * 10000000));
    CCatItem* item = Add(MakeFile(L"clicks.wma"));
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(RunAnalysis());
    CProfileResults results;
    ASSERT_TRUE(m_fixture.Catalog()->LoadProfile(item->GetMusicFileId(), &results));
    EXPECT_NEAR(results.GetTempo(), 120.0f, 1.0f);
    EXPECT_FLOAT_EQ(item->GetBpm(), results.GetTempo());
    item->Release();
}

}  // namespace
