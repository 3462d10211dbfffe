// The display-item manager over a real catalog: the list built from the catalog and the current
// category, flag masks, missing items hidden, sorting, text filtering, chaining, and which queue
// each notification reaches.
#include "engine/catalog/display/CatDisplayItemMgr.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/catalog/DisplayFixture.h"

namespace {

using catalog_test::DisplayFixture;
using catalog_test::IdList;
using Messages = std::vector<std::pair<int, int>>;

class CatDisplayItemMgrTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_ids = {m.AddWav(L"1.wav", L"Delta"), m.AddWav(L"2.wav", L"alpha"), m.AddWav(L"3.wav", L"Charlie"),
                 m.AddWav(L"4.wav", L"bravo"), m.AddWav(L"5.wav", L"Alpha")};
        for (DWORD id : m_ids)
            ASSERT_NE(id, CCatItem::kNotInCatalog);
        ASSERT_EQ(m.manager->Refresh(), S_OK);
        ComPtr<IUiUpdateQueue> queue;
        ASSERT_EQ(m.manager->QueryInterface(IID_IUiUpdateQueue, queue.put_void()), S_OK);
        m_queue = queue.get();
        DisplayFixture::Drain(m_queue);
    }
    BSTR Text(const wchar_t* text)
    {
        m_texts.push_back(SysAllocString(text));
        return m_texts.back();
    }
    void TearDown() override
    {
        for (BSTR text : m_texts)
            SysFreeString(text);
    }

    DisplayFixture m;
    std::vector<DWORD> m_ids;
    IUiUpdateQueue* m_queue = nullptr;
    std::vector<BSTR> m_texts;
};

TEST_F(CatDisplayItemMgrTest, FilterThenSortThenClearBringsBackTheOrderBeforeTheFilter)
{
    ASSERT_EQ(m.manager->Sort(CatAttribute::Title, TRUE), S_OK);
    const std::vector<DWORD> sorted = {m_ids[1], m_ids[4], m_ids[3], m_ids[2], m_ids[0]};
    EXPECT_EQ(m.Listed(), sorted);
    ASSERT_EQ(m.manager->SetFilterText(Text(L"ALPH")), S_OK);
    EXPECT_EQ(m.Listed(), (std::vector<DWORD>{m_ids[1], m_ids[4]}));
    ASSERT_EQ(m.manager->Sort(CatAttribute::Title, FALSE), S_OK);
    EXPECT_EQ(m.Listed(), (std::vector<DWORD>{m_ids[4], m_ids[1]})) << "the filtered rows are sorted";
    ASSERT_EQ(m.manager->SetFilterText(Text(L"")), S_OK);
    EXPECT_EQ(m.Listed(), sorted) << "the unfiltered rows in their order before the filter";
    // The queue keeps one entry per code and value until the view drains it.
    EXPECT_EQ(DisplayFixture::Drain(m_queue), (Messages{{3, 0}, {2, 0}}));
}

TEST_F(CatDisplayItemMgrTest, FlagMasksAndMissingItems)
{
    const struct {
        DWORD mask;
        size_t listed;
    } rows[] = {{15, 5}, {1, 5}, {2, 0}, {0, 0}, {CCatDisplayItemMgr::kAllKindsMask, 5}};
    for (const auto& row : rows) {
        EXPECT_EQ(m.manager->SetFlagFilter(row.mask), S_OK);
        EXPECT_EQ(m.Listed().size(), row.listed) << "mask " << row.mask;
    }
    CCatItem* item = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->GetItemById(m_ids[2], &item));
    item->SetPresent(FALSE);
    ASSERT_EQ(m.manager->Refresh(), S_OK);
    const std::vector<DWORD> listed = m.Listed();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), m_ids[2]), 0) << "a missing item is hidden";
    EXPECT_EQ(listed.size(), 4u);
    ComPtr<ICatDisplayItem> byId;
    EXPECT_EQ(m.manager->GetItemById(m_ids[2], byId.put()), S_OK) << "listed or not";
    item->SetPresent(TRUE);
    item->Release();
}

TEST_F(CatDisplayItemMgrTest, RowsOutsideTheListAndDeletedItemsFail)
{
    ComPtr<ICatDisplayItem> item;
    EXPECT_EQ(m.manager->GetItemAt(-1, item.put()), E_FAIL);
    EXPECT_EQ(m.manager->GetItemAt(5, item.put()), E_FAIL);
    EXPECT_EQ(m.manager->GetItemById(999, item.put()), E_FAIL);
    // The catalog refreshes the lists when it deletes; the row is gone.
    ASSERT_EQ(m.catalog.Catalog()->DeleteItems(IdList({m_ids[0]}).get(), FALSE), S_OK);
    EXPECT_EQ(m.Listed().size(), 4u);
    EXPECT_EQ(m.manager->GetItemById(m_ids[0], item.put()), E_FAIL);
}

TEST_F(CatDisplayItemMgrTest, CurrentCategoryListsItsMembersOnly)
{
    BSTR name = Text(L"Set");
    ASSERT_EQ(m.categories->AddCategory(name), S_OK);
    ASSERT_EQ(m.categories->AddItemsToCategory(IdList({m_ids[3], m_ids[0]}).get(), name), S_OK);
    ASSERT_EQ(m.categories->SetCurrentCategory(name), S_OK);
    EXPECT_EQ(m.Listed(), (std::vector<DWORD>{m_ids[0], m_ids[3]}));
    ASSERT_EQ(m.categories->SetCurrentCategory(Text(L"")), S_OK);
    EXPECT_EQ(m.Listed().size(), 5u);
}

TEST_F(CatDisplayItemMgrTest, OwnCodesGoToItsQueueAndItemUpdatesToTheEngine)
{
    ASSERT_EQ(m.manager->Refresh(), S_OK);
    ASSERT_EQ(m.manager->Sort(CatAttribute::Length, TRUE), S_OK);
    ASSERT_EQ(m.manager->SetFilterText(Text(L"x")), S_OK);
    EXPECT_EQ(DisplayFixture::Drain(m_queue), (Messages{{1, 0}, {3, 0}, {2, 0}}));
    const size_t before = m.catalog.engine.QueuePosts().size();
    ComPtr<ICatDisplayItem> item;
    ASSERT_EQ(m.manager->GetItemById(m_ids[1], item.put()), S_OK);
    ASSERT_EQ(item->SetAttribute(CatAttribute::Title, Text(L"Renamed")), S_OK);
    ASSERT_EQ(m.manager->UpdateItem(item.get()), S_OK);
    const auto posts = m.catalog.engine.QueuePosts();
    ASSERT_EQ(posts.size(), before + 1);
    EXPECT_EQ(posts.back(), (std::pair<int, int>{4, static_cast<int>(m_ids[1])}));
    EXPECT_TRUE(DisplayFixture::Drain(m_queue).empty()) << "code 4 is not the manager's own";
    // Saved: the title survives a restart (ids are given again in record order).
    item.reset();
    m.Restart();
    CCatItem* reloaded = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->FindItemByPath(m.music.File(L"2.wav").c_str(), &reloaded));
    CString title;
    reloaded->GetAttributeText(CatAttribute::Title, &title);
    reloaded->Release();
    EXPECT_STREQ(title, L"Renamed");
}

// An edit that cannot be stored (a record too large for the file) is reported to the view.
TEST_F(CatDisplayItemMgrTest, UpdateItemReportsARecordThatCouldNotBeWritten)
{
    ComPtr<ICatDisplayItem> item;
    ASSERT_EQ(m.manager->GetItemById(m_ids[2], item.put()), S_OK);
    BSTR album = SysAllocStringLen(nullptr, 40000);
    std::fill(album, album + 40000, L'x');
    ASSERT_EQ(item->SetAttribute(CatAttribute::Album, album), S_OK);
    SysFreeString(album);
    EXPECT_TRUE(FAILED(m.manager->UpdateItem(item.get())));
}

// Items that the file mapper adds for a loaded playlist show in the catalog's list at once.
TEST_F(CatDisplayItemMgrTest, ItemsTheFileMapperAddsAreListed)
{
    const std::wstring path = m.music.File(L"mapped.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, fixtures::Tone(330, 0.05, 44100, 1), 44100, 1));
    BSTR name = SysAllocString(path.c_str());
    DWORD id = CCatItem::kNotInCatalog;
    EXPECT_EQ(m.catalog.engine.fileMapper->MapFile(name, nullptr, &id), S_OK);
    SysFreeString(name);
    const std::vector<DWORD> listed = m.Listed();
    EXPECT_EQ(listed.size(), m_ids.size() + 1);
    EXPECT_NE(std::find(listed.begin(), listed.end(), id), listed.end());

    std::vector<CString> paths = {m.music.File(L"paths.wav").c_str()};
    ASSERT_TRUE(fixtures::WriteWav16(paths[0].GetString(), fixtures::Tone(550, 0.05, 44100, 1), 44100, 1));
    m.catalog.engine.fileMapper->ResolvePaths(paths, FALSE);
    EXPECT_EQ(m.Listed().size(), m_ids.size() + 2);
}

TEST_F(CatDisplayItemMgrTest, ChainedManagersAreRefreshedTogether)
{
    auto* second = new CCatDisplayItemMgr(m.catalog.Outer());
    auto* third = new CCatDisplayItemMgr(m.catalog.Outer());
    EXPECT_EQ(m.manager->AppendManager(nullptr), E_FAIL);
    ASSERT_EQ(m.manager->AppendManager(second), S_OK);
    ASSERT_EQ(m.manager->AppendManager(third), S_OK);
    ASSERT_EQ(third->SetFlagFilter(2), S_OK);
    m.AddWav(L"6.wav", L"Echo");
    ASSERT_EQ(m.manager->Refresh(), S_OK);
    EXPECT_EQ(m.Listed(second).size(), 6u);
    EXPECT_EQ(m.Listed(third).size(), 0u) << "each keeps its own mask";
    CUiUpdateQueue* queue = nullptr;
    ASSERT_EQ(second->GetUpdateQueue(&queue), S_OK);
    EXPECT_EQ(DisplayFixture::Drain(queue).back(), (std::pair<int, int>{1, 0}));
    EXPECT_EQ(second->NonDelegatingRelease(), 1u) << "the chain holds its member";
    EXPECT_EQ(third->NonDelegatingRelease(), 1u);
}

}  // namespace
