// The category manager over a real catalog and a real categorylist.dat: the stored records
// byte for byte, membership rebuilt from the item texts after a restart, numbers, transient
// categories, deletion, and the names that could not be found again.
#include "engine/catalog/categories/CategoryManager.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/com/UniqueHandle.h"
#include "tests/engine/catalog/DisplayFixture.h"
#include "tests/engine/catalog/items/RecordBytes.h"

namespace {

using catalog_test::DisplayFixture;
using catalog_test::IdList;
using record_bytes::Bytes;

// One stored category as the file holds it: 16-bit 5, 16-bit 0, name, number.
Bytes CategoryBody(const std::wstring& name, const std::wstring& number)
{
    Bytes body;
    record_bytes::Put<WORD>(body, 5);
    record_bytes::Put<WORD>(body, 0);
    record_bytes::PutString(body, name);
    record_bytes::PutString(body, number);
    return body;
}

DWORD Checksum(const Bytes& body)
{
    DWORD sum = 0;
    for (size_t i = 0; i < body.size(); i += 4) {
        DWORD word = 0;
        for (size_t k = 0; k < 4 && i + k < body.size(); ++k)
            word |= DWORD(body[i + k]) << (8 * k);
        sum ^= word;
    }
    return sum;
}

// A record file holding the bodies as live items.
Bytes RecordFile(const std::vector<Bytes>& bodies)
{
    Bytes file;
    for (const Bytes& body : bodies) {
        record_bytes::Put<DWORD>(file, DWORD(file.size()));
        record_bytes::Put<DWORD>(file, DWORD(16 + body.size()));
        record_bytes::Put<DWORD>(file, Checksum(body));
        record_bytes::Put<DWORD>(file, 1);
        file.insert(file.end(), body.begin(), body.end());
    }
    return file;
}

void WriteBytes(const std::wstring& path, const Bytes& bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file && WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
}

// The live bodies of a record file, read by walking its headers.
std::vector<Bytes> LiveBodies(const std::wstring& path)
{
    const Bytes file = fixtures::ReadFileBytes(path);
    std::vector<Bytes> bodies;
    for (size_t at = 0; at + 16 <= file.size();) {
        DWORD header[4];
        memcpy(header, &file[at], 16);
        if (header[0] != at || header[1] < 16 || at + header[1] > file.size())
            break;
        if (header[3] == 1)
            bodies.emplace_back(file.begin() + at + 16, file.begin() + at + header[1]);
        at += header[1];
    }
    return bodies;
}

class CategoryManagerTest : public testing::Test {
protected:
    BSTR Text(const std::wstring& text)
    {
        m_texts.push_back(SysAllocString(text.c_str()));
        return m_texts.back();
    }
    void TearDown() override
    {
        for (BSTR text : m_texts)
            SysFreeString(text);
    }
    std::vector<std::wstring> Names()
    {
        std::vector<std::wstring> names;
        BSTR name = nullptr;
        for (WORD i = 0; m.categories->GetCategoryName(i, &name) == S_OK; ++i) {
            names.push_back(name);
            SysFreeString(name);
        }
        return names;
    }
    CString ItemText(DWORD id)
    {
        CString text;
        CCatItem* item = nullptr;
        if (m.catalog.Catalog()->GetItemById(id, &item)) {
            item->GetAttributeText(CatAttribute::Categories, &text);
            item->Release();
        }
        return text;
    }
    void SetItemText(DWORD id, const wchar_t* text)
    {
        CCatItem* item = nullptr;
        ASSERT_TRUE(m.catalog.Catalog()->GetItemById(id, &item));
        item->SetAttributeText(CatAttribute::Categories, text);
        item->Save(FALSE);
        item->Release();
    }
    std::wstring ListFile() { return m.catalog.DataFile(kCategoryListFileName); }

    DisplayFixture m;
    std::vector<BSTR> m_texts;
};

TEST_F(CategoryManagerTest, StoredRecordsMatchAHandMadeFileAndOneIsReadBack)
{
    ASSERT_EQ(m.categories->AddCategory(Text(L"Rock")), S_OK);
    ASSERT_EQ(m.categories->AddCategory(Text(L"Caf\u00e9")), S_OK);
    ASSERT_EQ(m.categories->AddCategory(Text(L"Rock")), S_OK) << "an existing name";
    m.CloseManagers();
    EXPECT_EQ(LiveBodies(ListFile()),
              (std::vector<Bytes>{CategoryBody(L"Rock", L"0"), CategoryBody(L"Caf\u00e9", L"1")}));
    const Bytes file =
        RecordFile({CategoryBody(L"zeta", L"4"), CategoryBody(L"Alpha", L"2"), CategoryBody(L"beta", L"0")});
    WriteBytes(ListFile(), file);
    m.OpenManagers();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Alpha", L"beta", L"zeta"}));
    ASSERT_EQ(m.categories->AddCategory(Text(L"new")), S_OK);
    m.CloseManagers();
    EXPECT_EQ(LiveBodies(ListFile()).back(), CategoryBody(L"new", L"1")) << "the smallest free number";
}

// A stop between the two writes of a category's save leaves its old record beside the new one
// (a stopped compaction leaves a copy): it loads once, and the next close keeps one record.
TEST_F(CategoryManagerTest, ACategoryLeftInTwoRecordsLoadsOnce)
{
    m.CloseManagers();
    WriteBytes(ListFile(),
               RecordFile({CategoryBody(L"Soul", L"0"), CategoryBody(L"Funk", L"1"), CategoryBody(L"Soul", L"0")}));
    m.OpenManagers();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Funk", L"Soul"}));
    m.CloseManagers();
    EXPECT_EQ(LiveBodies(ListFile()), (std::vector<Bytes>{CategoryBody(L"Funk", L"1"), CategoryBody(L"Soul", L"0")}));
}

TEST_F(CategoryManagerTest, MembershipComesBackFromTheItemTextsAfterARestart)
{
    const DWORD first = m.AddWav(L"a.wav");
    const DWORD second = m.AddWav(L"b.wav");
    for (const wchar_t* name : {L"A", L"A1", L"B2"})
        ASSERT_EQ(m.categories->AddCategory(Text(name)), S_OK);
    ASSERT_EQ(m.categories->AddItemsToCategory(IdList({first}).get(), Text(L"A1")), S_OK);
    ASSERT_EQ(m.categories->AddItemsToCategory(IdList({first, second}).get(), Text(L"B2")), S_OK);
    EXPECT_STREQ(ItemText(first), L"A1,B2");
    const std::wstring firstPath = m.music.File(L"a.wav");
    m.Restart();
    CCatItem* item = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->FindItemByPath(firstPath.c_str(), &item));
    const DWORD id = item->GetItemId();
    item->Release();
    const struct {
        const wchar_t* name;
        HRESULT expected;
    } rows[] = {{L"A1", S_OK}, {L"B2", S_OK}, {L"A", S_FALSE}, {L"a1", S_FALSE}};
    for (const auto& row : rows)
        EXPECT_EQ(m.categories->AreItemsInCategory(IdList({id}).get(), Text(row.name)), row.expected) << row.name;
    EXPECT_EQ(m.categories->AreItemsInCategory(IdList({}).get(), Text(L"A1")), S_FALSE) << "an empty list";
}

TEST_F(CategoryManagerTest, NamesThatCouldNotBeFoundAgainAreRefused)
{
    const struct {
        const wchar_t* name;
        HRESULT expected;
    } rows[] = {{L"", E_FAIL}, {L"Rock,Pop", E_FAIL}, {L",", E_FAIL}, {L"Rock Pop", S_OK}, {L"rock pop", S_OK}};
    for (const auto& row : rows)
        EXPECT_EQ(m.categories->AddCategory(Text(row.name)), row.expected) << "name \"" << row.name << "\"";
    // Equal in the index's lower case: either may come first.
    std::vector<std::wstring> names = Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Rock Pop", L"rock pop"})) << "two categories";
}

TEST_F(CategoryManagerTest, NumbersAreReusedAndDeletingRewritesOnlyTheItemsHoldingTheName)
{
    const DWORD inside = m.AddWav(L"in.wav");
    const DWORD outside = m.AddWav(L"out.wav");
    ASSERT_EQ(m.categories->AddCategory(Text(L"X")), S_OK);
    ASSERT_EQ(m.categories->AddCategory(Text(L"Y")), S_OK);
    ASSERT_EQ(m.categories->AddItemsToCategory(IdList({inside}).get(), Text(L"X")), S_OK);
    SetItemText(outside, L"Y");
    CCatItem* other = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->GetItemById(outside, &other));
    const int recordBefore = other->GetRecordIndex();
    ASSERT_EQ(m.categories->SetCurrentCategory(Text(L"X")), S_OK);
    const size_t postsBefore = m.catalog.engine.QueuePosts().size();
    ASSERT_EQ(m.categories->DeleteCategory(Text(L"X")), S_OK);
    EXPECT_EQ(other->GetRecordIndex(), recordBefore) << "an item without the name is not saved again";
    other->Release();
    EXPECT_STREQ(ItemText(inside), L"");
    const auto posts = m.catalog.engine.QueuePosts();
    EXPECT_EQ(std::vector(posts.begin() + static_cast<std::ptrdiff_t>(postsBefore), posts.end()),
              (std::vector<std::pair<int, int>>{{5, 0}, {6, 0}}));
    BSTR current = nullptr;
    ASSERT_EQ(m.categories->GetCurrentCategory(&current), S_OK);
    EXPECT_EQ(SysStringLen(current), 0u) << "the whole catalog again";
    SysFreeString(current);
    ASSERT_EQ(m.categories->AddCategory(Text(L"Z")), S_OK);
    m.CloseManagers();
    EXPECT_EQ(LiveBodies(ListFile()), (std::vector<Bytes>{CategoryBody(L"Y", L"1"), CategoryBody(L"Z", L"0")}));
}

TEST_F(CategoryManagerTest, TransientCategoriesAreNeverStoredNorFilledByTheUser)
{
    const DWORD id = m.AddWav(L"t.wav");
    BSTR path = Text(m.music.File(L"t.wav"));
    BSTR folder = Text(L"House,Deep");
    EXPECT_EQ(m.categories->AddFileToCategory(path, folder), S_OK);
    EXPECT_EQ(m.categories->AddFileToCategory(path, folder), S_FALSE) << "already a member";
    EXPECT_EQ(m.categories->AddFileToCategory(Text(m.music.File(L"none.wav")), folder), S_FALSE);
    EXPECT_EQ(m.categories->AreItemsInCategory(IdList({id}).get(), folder), S_OK);
    EXPECT_STREQ(ItemText(id), L"") << "the item's text is not changed";
    const DWORD other = m.AddWav(L"u.wav");
    // The user cannot fill nor make a category of the folder's name: refused, not answered with
    // success for nothing.
    EXPECT_TRUE(FAILED(m.categories->AddItemsToCategory(IdList({other}).get(), folder)));
    BSTR plainFolder = Text(L"Deep House");
    EXPECT_EQ(m.categories->AddFileToCategory(path, plainFolder), S_OK);
    EXPECT_TRUE(FAILED(m.categories->AddCategory(plainFolder)));
    EXPECT_TRUE(FAILED(m.categories->AddItemsToCategory(IdList({other}).get(), plainFolder)));
    EXPECT_EQ(m.categories->AreItemsInCategory(IdList({other}).get(), folder), S_FALSE);
    EXPECT_STREQ(ItemText(other), L"");
    m.CloseManagers();
    EXPECT_TRUE(LiveBodies(ListFile()).empty());
}

TEST_F(CategoryManagerTest, ImportedCategoriesReplaceTheItemsMemberships)
{
    const DWORD id = m.AddWav(L"i.wav");
    ASSERT_EQ(m.categories->AddCategory(Text(L"Old")), S_OK);
    ASSERT_EQ(m.categories->AddItemsToCategory(IdList({id}).get(), Text(L"Old")), S_OK);
    CCatItem* item = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->GetItemById(id, &item));
    m.categories->SetItemCategories(item, L"New|Bad,Name|Caf\u00e9|New");
    item->Release();
    EXPECT_STREQ(ItemText(id), L"New,Caf\u00e9");
    EXPECT_EQ(m.categories->AreItemsInCategory(IdList({id}).get(), Text(L"Old")), S_FALSE);
    EXPECT_EQ(m.categories->AreItemsInCategory(IdList({id}).get(), Text(L"Caf\u00e9")), S_OK);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Caf\u00e9", L"New", L"Old"}));
}

}  // namespace
