// Catalog text files from a generator, imported for real: quotes, CR LF and TAB, the 1024-byte
// line limit, a last line without CR LF, an empty first column, categories split at "|", and
// non-ASCII text in the system's 8-bit code page.
#include "engine/catalog/import/TextListReader.h"

#include <gtest/gtest.h>

#include "classlib/com/UniqueHandle.h"
#include "tests/engine/catalog/DisplayFixture.h"

namespace {

using catalog_test::DisplayFixture;
using catalog_test::IdList;
using profiler_test::WaitFor;

std::string Ansi(const std::wstring& text)
{
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), bytes.data(), length, nullptr, nullptr);
    return bytes;
}

class TextListTest : public testing::Test {
protected:
    std::wstring Wav(const std::wstring& name)
    {
        const std::wstring path = m.music.File(name);
        fixtures::WriteWav16(path, fixtures::Tone(440, 0.05, 44100, 1), 44100, 1);
        return path;
    }
    std::wstring WriteList(const std::string& bytes)
    {
        const std::wstring path = m.music.File(L"list" + std::to_wstring(++m_lists) + L".txt");
        UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
        return path;
    }
    void Import(const std::wstring& list)
    {
        BSTR path = SysAllocString(list.c_str());
        ComPtr<IProgressStatus> status;
        ASSERT_EQ(m.catalog.Catalog()->StartImportTextList(path, status.put()), S_OK);
        SysFreeString(path);
        ASSERT_TRUE(WaitFor([&] { return status->GetCompletion() == S_OK; }));
    }
    CString Attribute(const std::wstring& path, WORD attribute)
    {
        CCatItem* item = nullptr;
        CString text = L"<no item>";
        if (m.catalog.Catalog()->FindItemByPath(path.c_str(), &item)) {
            text.Empty();
            item->GetAttributeText(attribute, &text);
            item->Release();
        }
        return text;
    }
    bool Known(const std::wstring& path)
    {
        CCatItem* item = nullptr;
        if (!m.catalog.Catalog()->FindItemByPath(path.c_str(), &item))
            return false;
        item->Release();
        return true;
    }

    DisplayFixture m;
    int m_lists = 0;
};

TEST_F(TextListTest, ColumnsQuotesAndCategories)
{
    const std::wstring first = Wav(L"first.wav");
    const std::wstring second = Wav(L"caf\u00e9.wav");
    const std::string list = "\"" + Ansi(first) + "\"\tTitle\tArtist\tAlbum\t128.5\t2001\tHouse\t3:00\tAm\tA|B\r\n" +
                             Ansi(second) + "\t" + Ansi(L"Caf\u00e9 au lait") + "\t\t\t\t\t\t\t\tC,D|" +
                             Ansi(L"Caf\u00e9") + "\r\n";
    Import(WriteList(list));
    const struct {
        const std::wstring* path;
        WORD attribute;
        const wchar_t* expected;
    } rows[] = {
        {&first, CatAttribute::Title, L"Title"},
        {&first, CatAttribute::Artist, L"Artist"},
        {&first, CatAttribute::Album, L"Album"},
        {&first, CatAttribute::Year, L"2001"},
        {&first, CatAttribute::Genre, L"House"},
        {&first, CatAttribute::Categories, L"A,B"},
        {&second, CatAttribute::Title, L"Caf\u00e9 au lait"},
        {&second, CatAttribute::Artist, L""},
        {&second, CatAttribute::Categories, L"Caf\u00e9"},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(Attribute(*row.path, row.attribute), row.expected) << "attribute " << row.attribute;
    BSTR name = SysAllocString(L"A");
    EXPECT_EQ(m.categories->AreItemsInCategory(IdList({0}).get(), name), S_OK);
    SysFreeString(name);
    EXPECT_EQ(m.catalog.engine.QueuePosts().back(), (std::pair<int, int>{3, 0}));
}

TEST_F(TextListTest, TheLineLimitALastLineWithoutCrLfAndAnEmptyFirstColumnEndTheImport)
{
    std::vector<std::wstring> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(Wav(L"f" + std::to_wstring(i) + L".wav"));
    const struct {
        const char* name;
        std::string list;
        std::vector<std::pair<size_t, bool>> imported;
    } rows[] = {
        {"last line without CR LF", Ansi(files[0]) + "\r\n" + Ansi(files[1]), {{0, true}, {1, false}}},
        {"a line of 2000 characters",
         Ansi(files[2]) + "\tshort\r\n" + Ansi(files[3]) + "\t" + std::string(2000, 'x') + "\r\n" + Ansi(files[4]) +
             "\r\n",
         {{2, true}, {3, false}, {4, false}}},
        {"an empty first column", "\tno path\r\n" + Ansi(files[5]) + "\r\n", {{5, false}}},
    };
    for (const auto& row : rows) {
        Import(WriteList(row.list));
        for (const auto& [file, imported] : row.imported)
            EXPECT_EQ(Known(files[file]), imported) << row.name << ", file " << file;
    }
}

TEST(TextListReader, QuotesAroundThePath)
{
    const struct {
        const wchar_t* in;
        const wchar_t* out;
    } rows[] = {{L"\"C:\\a.wav\"", L"C:\\a.wav"},
                {L"\"", L"\""},
                {L"\"\"", L""},
                {L"C:\\b.wav", L"C:\\b.wav"},
                {L"\"C:\\c.wav", L"\"C:\\c.wav"}};
    for (const auto& row : rows)
        EXPECT_STREQ(TextListReader::StripQuotes(row.in), row.out) << row.in;
}

}  // namespace
