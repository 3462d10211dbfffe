#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "classlib/core/String.h"
#include "engine/catalog/ids/IdArray.h"
#include "engine/catalog/ids/ItemIdList.h"

namespace {

std::vector<DWORD> Keys(const CIdArray<DWORD, DWORD>& ids)
{
    std::vector<DWORD> keys;
    DWORD key = 0;
    for (INT_PTR i = 0; ids.GetAt(i, nullptr, &key); ++i)
        keys.push_back(key);
    return keys;
}

TEST(IdArray, InsertKeepsKeysAscendingWithDuplicates)
{
    CIdArray<DWORD, DWORD> ids;
    for (DWORD k : {5u, 1u, 3u, 3u, 9u})
        ids.InsertSorted(k * 10, k);
    EXPECT_EQ(Keys(ids), (std::vector<DWORD>{1, 3, 3, 5, 9}));
    DWORD value = 0, key = 0;
    ASSERT_TRUE(ids.GetAt(3, &value, &key));
    EXPECT_EQ(value, 50u);
    EXPECT_FALSE(ids.GetAt(5, &value, &key));
}

TEST(IdArray, FindAndRemove)
{
    CIdArray<DWORD, DWORD> ids;
    INT_PTR index = -1;
    EXPECT_FALSE(ids.Find(1, &index));
    for (DWORD k : {1u, 3u, 5u})
        ids.InsertSorted(k, k);
    ASSERT_TRUE(ids.Find(1, &index));
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(ids.Find(5, &index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(ids.Find(4, &index));
    EXPECT_FALSE(ids.Find(0, &index));
    EXPECT_FALSE(ids.Find(6, &index));
    ids.Remove(3);
    EXPECT_EQ(Keys(ids), (std::vector<DWORD>{1, 5}));
    ids.Remove(4);
    EXPECT_EQ(ids.GetCount(), 2);
    ids.RemoveAll();
    EXPECT_EQ(ids.GetCount(), 0);
}

TEST(IdArray, RandomInsertionsMatchASortAndAreAllFound)
{
    std::mt19937 random(1234);
    CIdArray<DWORD, DWORD> ids;
    std::vector<DWORD> reference;
    for (int i = 0; i < 2000; ++i) {
        const DWORD k = random() % 500;
        ids.InsertSorted(k, k);
        reference.push_back(k);
    }
    std::sort(reference.begin(), reference.end());
    EXPECT_EQ(Keys(ids), reference);
    for (DWORD k : reference) {
        INT_PTR index = -1;
        ASSERT_TRUE(ids.Find(k, &index));
        DWORD key = 0;
        ids.GetAt(index, nullptr, &key);
        EXPECT_EQ(key, k);
    }
}

TEST(IdArray, StringKeysUseOrdinalOrder)
{
    CIdArray<int, CString> names;
    names.InsertSorted(1, L"techno");
    names.InsertSorted(2, L"ambient");
    names.InsertSorted(3, L"Zouk");
    CString key;
    names.GetAt(0, nullptr, &key);
    EXPECT_EQ(key, L"Zouk");
    INT_PTR index = -1;
    EXPECT_TRUE(names.Find(CString(L"techno"), &index));
    EXPECT_EQ(index, 2);
}

TEST(ItemIdList, GetAtAndReferenceCounting)
{
    CItemIdList* list = new CItemIdList;
    for (DWORD id : {7u, 8u, 9u})
        list->Add(id);
    DWORD id = 0;
    EXPECT_EQ(list->GetAt(2, &id), S_OK);
    EXPECT_EQ(id, 9u);
    id = 0xDEAD;
    EXPECT_EQ(list->GetAt(3, &id), S_FALSE);
    EXPECT_EQ(id, 0xDEADu);
    EXPECT_EQ(list->GetAt(-1, &id), S_FALSE);

    void* poisoned = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(list->QueryInterface(IID_IUnknown, &poisoned), E_NOINTERFACE);
    EXPECT_EQ(poisoned, nullptr);
    EXPECT_EQ(list->AddRef(), 2u);
    EXPECT_EQ(list->Release(), 1u);
    EXPECT_EQ(list->Release(), 0u);
}

}  // namespace
