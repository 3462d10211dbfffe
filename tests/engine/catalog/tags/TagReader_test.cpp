// Tags as a catalog item takes them from MP3 files: files tagged by the independent tools must
// give what ffprobe reads from them, and hand-made files cover the ID3v1 and trailer fallbacks.
#include "engine/catalog/tags/TagReader.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/items/CatItem.h"
#include "tests/engine/catalog/CatalogTestSupport.h"
#include "tests/engine/catalog/tags/TagBytes.h"

namespace {

using namespace tag_bytes;
using fixtures::RunUnixTool;
using fixtures::UnixPath;

std::wstring Utf8ToWide(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// ffprobe's reading of the file's tags, key (lower case) to text.
std::map<std::string, std::wstring> Ffprobe(const std::wstring& path, const fixtures::TempDir& dir)
{
    const std::wstring out = dir.File(L"ffprobe.txt");
    std::map<std::string, std::wstring> tags;
    if (RunUnixTool("ffprobe", {"-v", "quiet", "-show_entries", "format_tags", "-of", "default=noprint_wrappers=1",
                                "-o", UnixPath(out), UnixPath(path)}) != 0)
        return tags;
    const std::vector<uint8_t> bytes = fixtures::ReadFileBytes(out);
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(lines, line);) {
        const size_t equals = line.find('=');
        if (line.rfind("TAG:", 0) != 0 || equals == std::string::npos)
            continue;
        std::string key = line.substr(4, equals - 4);
        for (char& c : key)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        tags[key] = Utf8ToWide(line.substr(equals + 1));
    }
    return tags;
}

std::wstring Attribute(CCatItem* item, WORD attribute)
{
    CString text;
    item->GetAttributeText(attribute, &text);
    return std::wstring(text.GetString());
}

TEST(TagReader, FilesTaggedByTheToolsGiveWhatFfprobeReads)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "the independent tools are not available";
    fixtures::TempDir dir(L"tags");
    const std::wstring plain = dir.File(L"plain.mp3");
    ASSERT_TRUE(catalog_test::MakeMp3(plain));
    const std::string title = "Caf\xC3\xA9 T\xC3\xADtulo \xE6\x9D\xB1";
    const std::string latinTitle = "Caf\xC3\xA9 T\xC3\xADtulo";
    const std::string artist = "\xC3\x84rtist";
    const std::string album = "Alb\xC3\xBCm";
    const struct {
        const char* name;
        std::string tool;
        std::vector<std::string> arguments;
        // ffprobe keys compared with the item's attributes (year only where the tag has TYER).
        std::vector<std::pair<std::string, WORD>> keys;
    } rows[] = {
        // ffprobe takes ID3v1 bytes as UTF-8, so this row's text is ASCII.
        {"id3v2 version 1",
         "id3v2",
         {"-1", "-t", "Old Title", "-a", "Old Artist", "-A", "Old Album", "-y", "1999"},
         {{"title", CatAttribute::Title},
          {"artist", CatAttribute::Artist},
          {"album", CatAttribute::Album},
          {"date", CatAttribute::Year}}},
        {"id3v2 version 2.3",
         "id3v2",
         {"-2", "-t", latinTitle, "-a", artist, "-A", album, "-y", "1998"},
         {{"title", CatAttribute::Title},
          {"artist", CatAttribute::Artist},
          {"album", CatAttribute::Album},
          {"date", CatAttribute::Year}}},
        {"eyeD3 version 2.4",
         "eyeD3",
         {"-Q", "--to-v2.4", "-t", title, "-a", artist, "-A", album, "-G", "House"},
         {{"title", CatAttribute::Title},
          {"artist", CatAttribute::Artist},
          {"album", CatAttribute::Album},
          {"genre", CatAttribute::Genre}}},
        {"eyeD3 version 2.3 in UTF-16",
         "eyeD3",
         {"-Q", "--to-v2.3", "--encoding", "utf16", "-t", title, "-a", artist, "-A", album},
         {{"title", CatAttribute::Title}, {"artist", CatAttribute::Artist}, {"album", CatAttribute::Album}}},
    };
    for (const auto& row : rows) {
        const std::wstring path = dir.File(L"tagged.mp3");
        ASSERT_TRUE(CopyFileW(plain.c_str(), path.c_str(), FALSE)) << row.name;
        std::vector<std::string> arguments = row.arguments;
        arguments.push_back(UnixPath(path));
        ASSERT_EQ(RunUnixTool(row.tool, arguments), 0) << row.name;
        const auto expected = Ffprobe(path, dir);
        ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, path.c_str()));
        EXPECT_TRUE(ReadTagsFromFile(path.c_str(), item.get())) << row.name;
        for (const auto& [key, attribute] : row.keys) {
            ASSERT_TRUE(expected.count(key)) << row.name << ": ffprobe has no " << key;
            EXPECT_EQ(Attribute(item.get(), attribute), expected.at(key)) << row.name << ": " << key;
        }
    }
}

TEST(TagReader, FfmpegMetadataInBothVersionsAndWithId3v1)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "the independent tools are not available";
    fixtures::TempDir dir(L"tags");
    const std::wstring plain = dir.File(L"plain.mp3");
    ASSERT_TRUE(catalog_test::MakeMp3(plain));
    const struct {
        const char* name;
        std::vector<std::string> options;
    } rows[] = {
        {"version 3", {"-id3v2_version", "3"}},
        {"version 4", {"-id3v2_version", "4"}},
        {"version 3 and ID3v1", {"-id3v2_version", "3", "-write_id3v1", "1"}},
    };
    for (const auto& row : rows) {
        const std::wstring path = dir.File(L"ffmpeg.mp3");
        DeleteFileW(path.c_str());
        std::vector<std::string> arguments = {"-v",
                                              "quiet",
                                              "-i",
                                              UnixPath(plain),
                                              "-c",
                                              "copy",
                                              "-metadata",
                                              "title=Nacht \xC3\xBC"
                                              "ber",
                                              "-metadata",
                                              "artist=Gr\xC3\xBCn",
                                              "-metadata",
                                              "album=Platte",
                                              "-metadata",
                                              "genre=Techno"};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        arguments.push_back(UnixPath(path));
        ASSERT_EQ(RunUnixTool("ffmpeg", arguments), 0) << row.name;
        const auto expected = Ffprobe(path, dir);
        ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, path.c_str()));
        EXPECT_TRUE(ReadTagsFromFile(path.c_str(), item.get())) << row.name;
        EXPECT_EQ(Attribute(item.get(), CatAttribute::Title), expected.at("title")) << row.name;
        EXPECT_EQ(Attribute(item.get(), CatAttribute::Artist), expected.at("artist")) << row.name;
        EXPECT_EQ(Attribute(item.get(), CatAttribute::Album), expected.at("album")) << row.name;
        EXPECT_EQ(Attribute(item.get(), CatAttribute::Genre), expected.at("genre")) << row.name;
    }
}

Bytes Id3v1(const char* title, const char* artist, const char* album, const char* year)
{
    Bytes tag = {'T', 'A', 'G'};
    for (auto [text, size] : {std::pair{title, 30}, {artist, 30}, {album, 30}, {year, 4}}) {
        Bytes field(static_cast<size_t>(size), 0);
        for (size_t i = 0; text[i] && i < field.size(); ++i)
            field[i] = BYTE(text[i]);
        Append(tag, field);
    }
    tag.resize(128, 0);
    return tag;
}

// A trailer block: entries 7,936 bytes before the end, the signature 48 bytes before it.
Bytes Trailer(const std::vector<std::string>& entries, size_t fileSize)
{
    Bytes file = Filler(fileSize);
    size_t at = fileSize - 7936;
    for (const std::string& entry : entries) {
        file[at] = BYTE(entry.size());
        file[at + 1] = BYTE(entry.size() >> 8);
        std::copy(entry.begin(), entry.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 2));
        at += 2 + entry.size();
    }
    std::copy_n("Zered", 5, file.begin() + static_cast<std::ptrdiff_t>(fileSize - 48));
    return file;
}

TEST(TagReader, FallsBackToId3v1ThenToTheTrailerBlock)
{
    Bytes v1 = Filler(4000);
    Append(v1, Id3v1("Title  ", "Artist", "Album", "1987"));
    Bytes blankV1 = Filler(4000);
    Append(blankV1, Id3v1("                              ", "", "", ""));
    Bytes trailer = Trailer({"Trailer title", "Trailer album", "Trailer artist"}, 9000);
    Bytes shortTrailer = Trailer({}, 7936);
    shortTrailer.erase(shortTrailer.begin());
    Bytes longEntry = Trailer({"Kept", std::string(300, 'x'), "never"}, 9000);
    Bytes emptyV2 = Tag(3, 0, Frame("TALB", Latin("Only album")));
    Append(emptyV2, Filler(2000));
    Append(emptyV2, Id3v1("V1 title", "", "", ""));

    const struct {
        const char* name;
        Bytes file;
        BOOL result;
        std::wstring title;
        std::wstring album;
        std::wstring artist;
    } rows[] = {
        {"ID3v1 with trailing blanks", v1, TRUE, L"Title", L"Album", L"Artist"},
        {"ID3v1 title of blanks gives nothing", blankV1, FALSE, L"", L"", L""},
        {"trailer block", trailer, TRUE, L"Trailer title", L"Trailer album", L"Trailer artist"},
        {"trailer entry over 256 bytes ends the reading", longEntry, FALSE, L"Kept", L"", L""},
        {"ID3v2 without title or artist falls through to ID3v1", emptyV2, TRUE, L"V1 title", L"", L""},
        {"trailer that would start before the file", shortTrailer, FALSE, L"", L"", L""},
        {"file of 48 bytes", Filler(48), FALSE, L"", L"", L""},
    };
    fixtures::TempDir dir(L"tags");
    for (const auto& row : rows) {
        const std::wstring path = dir.File(L"fallback.mp3");
        ASSERT_TRUE(profiler_test::WriteBytes(path, row.file)) << row.name;
        ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, path.c_str()));
        EXPECT_EQ(ReadTagsFromFile(path.c_str(), item.get()), row.result) << row.name;
        EXPECT_EQ(Attribute(item.get(), CatAttribute::Title), row.title) << row.name;
        EXPECT_EQ(Attribute(item.get(), CatAttribute::Album), row.album) << row.name;
        EXPECT_EQ(Attribute(item.get(), CatAttribute::Artist), row.artist) << row.name;
    }
}

}  // namespace
