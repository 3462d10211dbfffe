// The importer over a real folder tree: MP3s made by lame, WAVs, a file of another kind, nesting
// and a Unix link back to the top; every supported file comes in once, into the category. A
// second start and an added file while a worker runs are refused.
#include "engine/catalog/import/CatImporter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/catalog/DisplayFixture.h"

namespace {

using catalog_test::DisplayFixture;
using catalog_test::IdList;
using profiler_test::WaitFor;

class CatImporterTest : public testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring top = m_tree.Path();
        CreateDirectoryW((top + L"\\sub").c_str(), nullptr);
        CreateDirectoryW((top + L"\\sub\\deeper").c_str(), nullptr);
        ASSERT_TRUE(catalog_test::MakeMp3(top + L"\\one.mp3", 0.3));
        ASSERT_TRUE(catalog_test::MakeMp3(top + L"\\sub\\deeper\\two.MP3", 0.3, 660));
        for (const wchar_t* name : {L"\\a.wav", L"\\sub\\b.wav", L"\\sub\\deeper\\c.wav"})
            ASSERT_TRUE(fixtures::WriteWav16(top + name, fixtures::Tone(330, 0.1, 44100, 2), 44100, 2));
        UniqueFile text(
            CreateFileW((top + L"\\notes.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_EQ(
            fixtures::RunUnixTool("ln", {"-s", fixtures::UnixPath(top), fixtures::UnixPath(top + L"\\sub\\loop")}), 0);
        m_expected = {top + L"\\one.mp3", top + L"\\sub\\deeper\\two.MP3", top + L"\\a.wav", top + L"\\sub\\b.wav",
                      top + L"\\sub\\deeper\\c.wav"};
    }
    BSTR Text(const std::wstring& text)
    {
        m_texts.push_back(SysAllocString(text.c_str()));
        return m_texts.back();
    }
    void TearDown() override
    {
        // The link goes first: the folder's clean-up must not walk round it.
        fixtures::RunUnixTool("rm", {fixtures::UnixPath(m_tree.File(L"sub\\loop"))});
        for (BSTR text : m_texts)
            SysFreeString(text);
    }
    std::vector<std::wstring> ItemPaths()
    {
        std::vector<std::wstring> paths;
        CCatalog* catalog = m.catalog.Catalog();
        for (int i = 0; i < catalog->GetItemCount(); ++i) {
            CCatItem* item = nullptr;
            if (catalog->GetItemByIndex(i, &item) && item)
                paths.push_back(std::wstring(item->GetPath()));
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    fixtures::TempDir m_tree{L"import tree"};
    DisplayFixture m;
    std::vector<std::wstring> m_expected;
    std::vector<BSTR> m_texts;
};

TEST_F(CatImporterTest, AFolderTreeComesInOnceIntoTheCategoryAndASecondStartIsRefused)
{
    ASSERT_EQ(m.categories->AddCategory(Text(L"Imported")), S_OK);
    ComPtr<IProgressStatus> status;
    ASSERT_EQ(m.catalog.Catalog()->StartImportDirectory(Text(m_tree.Path()), Text(L"Imported"), status.put()), S_OK);
    IProgressStatus* second = nullptr;
    EXPECT_EQ(m.catalog.Catalog()->StartImportFiles(nullptr, FALSE, &second), E_FAIL);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(m.catalog.Catalog()->AddImportFile(Text(m_expected[0])), E_FAIL) << "the list is the worker's";
    ASSERT_TRUE(WaitFor([&] { return status->GetCompletion() == S_OK; }));
    std::vector<std::wstring> expected = m_expected;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ItemPaths(), expected);
    std::vector<DWORD> ids;
    for (int i = 0; i < m.catalog.Catalog()->GetItemCount(); ++i)
        ids.push_back(static_cast<DWORD>(i));
    EXPECT_EQ(m.categories->AreItemsInCategory(IdList(ids).get(), Text(L"Imported")), S_OK);
    BSTR text = nullptr;
    ASSERT_EQ(status->GetText(&text), S_OK);
    EXPECT_EQ(std::wstring(text).rfind(L"Import: ", 0), 0u) << "the last text names the file imported";
    SysFreeString(text);
    int listed = 0;
    m.manager->GetCount(&listed);
    EXPECT_EQ(listed, 5) << "the display lists were refreshed";
}

TEST_F(CatImporterTest, HandedOverFilesAndExpandedFoldersComeInOnce)
{
    ASSERT_EQ(m.catalog.Catalog()->AddImportFile(Text(m_expected[0])), S_OK);
    ASSERT_EQ(m.catalog.Catalog()->AddImportFile(Text(m_tree.Path())), S_OK);
    ASSERT_EQ(m.catalog.Catalog()->AddImportFile(Text(m_tree.File(L"notes.txt"))), S_OK);
    ComPtr<IProgressStatus> status;
    ASSERT_EQ(m.catalog.Catalog()->StartImportFiles(nullptr, TRUE, status.put()), S_OK);
    ASSERT_TRUE(WaitFor([&] { return status->GetCompletion() == S_OK; }));
    std::vector<std::wstring> expected = m_expected;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ItemPaths(), expected)
        << "the file handed over and found again, and the link back to the top: all five, once each";
}

TEST_F(CatImporterTest, ACancelDuringTheScanStillCompletes)
{
    ComPtr<IProgressStatus> status;
    ASSERT_EQ(m.catalog.Catalog()->StartImportDirectory(Text(m_tree.Path()), nullptr, status.put()), S_OK);
    status->RequestCancel();
    ASSERT_TRUE(WaitFor([&] { return status->GetCompletion() == S_OK; }));
    EXPECT_LE(ItemPaths().size(), 1u) << "at most the first pending file";
    ComPtr<IProgressStatus> again;
    ASSERT_EQ(m.catalog.Catalog()->StartImportDirectory(Text(m_tree.Path()), nullptr, again.put()), S_OK);
    ASSERT_TRUE(WaitFor([&] { return again->GetCompletion() == S_OK; }));
    EXPECT_EQ(ItemPaths().size(), 5u) << "the next import runs whole";
}

// The scan names each file it finds before the import takes it: the import is held at the one
// file's item (already in the catalog) while the test reads the text the scan left.
TEST_F(CatImporterTest, TheScanNamesEachFileFoundBeforeTheImportNamesIt)
{
    fixtures::TempDir single(L"import single");
    const std::wstring path = single.File(L"only.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, fixtures::Tone(330, 0.1, 44100, 2), 44100, 2));
    CCatItem* item = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->AddItemFromFile(path.c_str(), &item, FALSE));
    const auto text = [](IProgressStatus* status) {
        BSTR value = nullptr;
        status->GetText(&value);
        std::wstring copy = value ? value : L"";
        SysFreeString(value);
        return copy;
    };
    ComPtr<IProgressStatus> status;
    {
        CSingleThreadLock hold(item->GetLock());
        ASSERT_EQ(m.catalog.Catalog()->StartImportDirectory(Text(single.Path()), nullptr, status.put()), S_OK);
        EXPECT_TRUE(WaitFor([&] { return text(status.get()) == L"Datei gefunden: " + path; }))
            << text(status.get()).size();
        EXPECT_EQ(status->GetCompletion(), S_FALSE);
    }
    item->Release();
    ASSERT_TRUE(WaitFor([&] { return status->GetCompletion() == S_OK; }));
    EXPECT_EQ(text(status.get()), L"Import: " + path);
}

}  // namespace
