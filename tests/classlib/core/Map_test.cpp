#include "classlib/core/Map.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

namespace {

using IntMap = CMap<UINT, UINT, int, int>;

std::map<UINT, int> Walk(const IntMap& map)
{
    std::map<UINT, int> out;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        UINT key = 0;
        int value = 0;
        map.GetNextAssoc(pos, key, value);
        EXPECT_TRUE(out.emplace(key, value).second) << "key visited twice: " << key;
    }
    return out;
}

// A random mix of insertions, overwrites and removals checked against std::map after every
// step, for several table sizes (1 puts every key in one chain).
TEST(CMapModel, AgreesWithStdMapUnderRandomEdits)
{
    for (UINT tableSize : {1u, 2u, 17u, 211u}) {
        SCOPED_TRACE(tableSize);
        IntMap map;
        map.InitHashTable(tableSize);
        EXPECT_EQ(map.GetHashTableSize(), tableSize);
        std::map<UINT, int> model;
        std::mt19937 random(tableSize);
        for (int step = 0; step < 3000; ++step) {
            const UINT key = random() % 300;
            const int value = static_cast<int>(random() % 1000) - 500;
            switch (random() % 4) {
            case 0:
                map.SetAt(key, value);
                model[key] = value;
                break;
            case 1:
                map[key] += value;
                model[key] += value;
                break;
            case 2:
                EXPECT_EQ(map.RemoveKey(key), model.erase(key) == 1 ? TRUE : FALSE);
                break;
            default: {
                int found = 12345;
                const auto it = model.find(key);
                EXPECT_EQ(map.Lookup(key, found), it != model.end() ? TRUE : FALSE);
                EXPECT_EQ(found, it != model.end() ? it->second : 12345) << "a failed Lookup leaves the value alone";
                break;
            }
            }
            ASSERT_EQ(map.GetCount(), static_cast<INT_PTR>(model.size())) << "step " << step;
        }
        EXPECT_EQ(Walk(map), model);
    }
}

TEST(CMapEdit, OperatorIndexAddsZeroAndSetAtOverwrites)
{
    IntMap map;
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_EQ(map.GetHashTableSize(), 17u);
    EXPECT_EQ(map[5], 0);
    EXPECT_EQ(map.GetCount(), 1);
    map.SetAt(5, 7);
    map.SetAt(5, 8);
    EXPECT_EQ(map.GetCount(), 1);
    int value = 0;
    EXPECT_TRUE(map.Lookup(5, value));
    EXPECT_EQ(value, 8);
    EXPECT_FALSE(map.RemoveKey(6));
    EXPECT_TRUE(map.RemoveKey(5));
    EXPECT_FALSE(map.RemoveKey(5));
    EXPECT_TRUE(map.IsEmpty());
}

TEST(CMapIterate, RemovingTheEntryJustReturnedIsSafe)
{
    IntMap map;
    map.InitHashTable(3);
    for (UINT key = 0; key < 50; ++key)
        map[key] = static_cast<int>(key) * 10;
    int visited = 0;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        UINT key = 0;
        int value = 0;
        map.GetNextAssoc(pos, key, value);
        EXPECT_EQ(value, static_cast<int>(key) * 10);
        if (key % 2 == 0) {
            EXPECT_TRUE(map.RemoveKey(key));
        }
        ++visited;
    }
    EXPECT_EQ(visited, 50);
    EXPECT_EQ(map.GetCount(), 25);
    for (const auto& [key, value] : Walk(map))
        EXPECT_EQ(key % 2, 1u) << key;
}

TEST(CMapIterate, NullPositionLeavesOutputsAlone)
{
    IntMap map;
    map[1] = 2;
    POSITION pos = nullptr;
    UINT key = 99;
    int value = 98;
    map.GetNextAssoc(pos, key, value);
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(key, 99u);
    EXPECT_EQ(value, 98);
}

TEST(CMapHashTable, ResizingKeepsEveryEntry)
{
    IntMap map;
    for (UINT key = 1000; key < 1100; ++key)
        map[key] = static_cast<int>(key);
    map.InitHashTable(7);
    EXPECT_EQ(map.GetCount(), 100);
    map.InitHashTable(0);
    EXPECT_EQ(map.GetHashTableSize(), 1u);
    const auto entries = Walk(map);
    ASSERT_EQ(entries.size(), 100u);
    for (const auto& [key, value] : entries)
        EXPECT_EQ(value, static_cast<int>(key));
    map.RemoveAll();
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_EQ(map.GetHashTableSize(), 1u);
}

TEST(CMapStringToPtrKeys, KeysAreTextCaseSensitiveAndNullIsEmpty)
{
    int a = 0;
    int b = 0;
    int c = 0;
    CMapStringToPtr map;
    wchar_t buffer[] = L"Caf\u00e9";
    map.SetAt(buffer, &a);
    map.SetAt(L"caf\u00e9", &b);
    map.SetAt(nullptr, &c);
    buffer[0] = L'X';  // the map keeps its own copy of the key
    EXPECT_EQ(map.GetCount(), 3);
    void* found = nullptr;
    EXPECT_TRUE(map.Lookup(L"Caf\u00e9", found));
    EXPECT_EQ(found, &a);
    EXPECT_TRUE(map.Lookup(CString(L"caf\u00e9"), found));
    EXPECT_EQ(found, &b);
    EXPECT_TRUE(map.Lookup(L"", found));
    EXPECT_EQ(found, &c);
    EXPECT_FALSE(map.Lookup(L"Xaf\u00e9", found));
    EXPECT_TRUE(map.RemoveKey(L""));

    std::map<std::wstring, void*> seen;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        CString key;
        void* value = nullptr;
        map.GetNextAssoc(pos, key, value);
        seen[key.str()] = value;
    }
    EXPECT_EQ(seen, (std::map<std::wstring, void*>{{L"Caf\u00e9", &a}, {L"caf\u00e9", &b}}));
}

TEST(CMapInstances, PtrToPtrAndWordToPtr)
{
    int a = 0;
    int b = 0;
    CMapPtrToPtr pointers;
    pointers[&a] = &b;
    pointers[&b] = nullptr;
    void* found = &a;
    EXPECT_TRUE(pointers.Lookup(&b, found));
    EXPECT_EQ(found, nullptr);
    EXPECT_TRUE(pointers.Lookup(&a, found));
    EXPECT_EQ(found, &b);
    EXPECT_FALSE(pointers.Lookup(nullptr, found));

    CMapWordToPtr words;
    words.InitHashTable(17);
    for (WORD id = 53000; id <= 53250; ++id)
        words[id] = reinterpret_cast<void*>(static_cast<UINT_PTR>(id));
    EXPECT_EQ(words.GetCount(), 251);
    EXPECT_TRUE(words.Lookup(53125, found));
    EXPECT_EQ(found, reinterpret_cast<void*>(UINT_PTR(53125)));
    EXPECT_FALSE(words.Lookup(52999, found));
}

}  // namespace
