#include "classlib/core/Array.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using IntArray = CArray<int, int>;

std::vector<int> Contents(const IntArray& array)
{
    std::vector<int> out;
    for (INT_PTR i = 0; i < array.GetSize(); ++i)
        out.push_back(array.GetAt(i));
    return out;
}

void Fill(IntArray& array, std::initializer_list<int> values)
{
    array.RemoveAll();
    for (int v : values)
        array.Add(v);
}

TEST(CArrayEdit, TableOfOperationsFromOneTwoThree)
{
    struct Row {
        const char* name;
        std::function<void(IntArray&)> edit;
        std::vector<int> expected;
    };
    const Row rows[] = {
        {"Add returns the index", [](IntArray& a) { EXPECT_EQ(a.Add(4), 3); }, {1, 2, 3, 4}},
        {"SetAt in range", [](IntArray& a) { a.SetAt(1, 9); }, {1, 9, 3}},
        {"SetAt negative ignored", [](IntArray& a) { a.SetAt(-1, 9); }, {1, 2, 3}},
        {"SetAt at size ignored", [](IntArray& a) { a.SetAt(3, 9); }, {1, 2, 3}},
        {"ElementAt writes", [](IntArray& a) { a.ElementAt(2) = 7; }, {1, 2, 7}},
        {"operator[] writes", [](IntArray& a) { a[0] = 5; }, {5, 2, 3}},
        {"SetSize grows with zeros", [](IntArray& a) { a.SetSize(5); }, {1, 2, 3, 0, 0}},
        {"SetSize with growth hint",
         [](IntArray& a) {
             a.SetSize(4, 64);
             a.Add(8);
         },
         {1, 2, 3, 0, 8}},
        {"SetSize shrinks", [](IntArray& a) { a.SetSize(1); }, {1}},
        {"SetSize 0 empties", [](IntArray& a) { a.SetSize(0); }, {}},
        {"SetSize negative ignored", [](IntArray& a) { a.SetSize(-1); }, {1, 2, 3}},
        {"SetAtGrow inside", [](IntArray& a) { a.SetAtGrow(0, 9); }, {9, 2, 3}},
        {"SetAtGrow past end fills zeros", [](IntArray& a) { a.SetAtGrow(5, 9); }, {1, 2, 3, 0, 0, 9}},
        {"SetAtGrow negative ignored", [](IntArray& a) { a.SetAtGrow(-1, 9); }, {1, 2, 3}},
        {"InsertAt front", [](IntArray& a) { a.InsertAt(0, 0); }, {0, 1, 2, 3}},
        {"InsertAt middle, count 2", [](IntArray& a) { a.InsertAt(1, 8, 2); }, {1, 8, 8, 2, 3}},
        {"InsertAt at size appends", [](IntArray& a) { a.InsertAt(3, 4); }, {1, 2, 3, 4}},
        {"InsertAt past end grows", [](IntArray& a) { a.InsertAt(5, 4); }, {1, 2, 3, 0, 0, 4}},
        {"InsertAt negative ignored", [](IntArray& a) { a.InsertAt(-1, 4); }, {1, 2, 3}},
        {"InsertAt count 0 ignored", [](IntArray& a) { a.InsertAt(1, 4, 0); }, {1, 2, 3}},
        {"RemoveAt middle", [](IntArray& a) { a.RemoveAt(1); }, {1, 3}},
        {"RemoveAt count clipped", [](IntArray& a) { a.RemoveAt(1, 99); }, {1}},
        {"RemoveAt huge count", [](IntArray& a) { a.RemoveAt(2, INT_PTR(1) << 62); }, {1, 2}},
        {"RemoveAt negative ignored", [](IntArray& a) { a.RemoveAt(-1); }, {1, 2, 3}},
        {"RemoveAt at size ignored", [](IntArray& a) { a.RemoveAt(3); }, {1, 2, 3}},
        {"RemoveAll", [](IntArray& a) { a.RemoveAll(); }, {}},
        {"Append another",
         [](IntArray& a) {
             IntArray b;
             Fill(b, {7, 8});
             EXPECT_EQ(a.Append(b), 3);
         },
         {1, 2, 3, 7, 8}},
        {"Append itself", [](IntArray& a) { EXPECT_EQ(a.Append(a), 3); }, {1, 2, 3, 1, 2, 3}},
        {"Copy another",
         [](IntArray& a) {
             IntArray b;
             Fill(b, {7});
             a.Copy(b);
         },
         {7}},
        {"Copy itself", [](IntArray& a) { a.Copy(a); }, {1, 2, 3}},
        {"InsertAt array",
         [](IntArray& a) {
             IntArray b;
             Fill(b, {7, 8});
             a.InsertAt(1, &b);
         },
         {1, 7, 8, 2, 3}},
        {"InsertAt itself", [](IntArray& a) { a.InsertAt(1, &a); }, {1, 1, 2, 3, 2, 3}},
        {"InsertAt array past end",
         [](IntArray& a) {
             IntArray b;
             Fill(b, {7});
             a.InsertAt(4, &b);
         },
         {1, 2, 3, 0, 7}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        IntArray array;
        Fill(array, {1, 2, 3});
        row.edit(array);
        EXPECT_EQ(Contents(array), row.expected);
        EXPECT_EQ(array.GetCount(), static_cast<INT_PTR>(row.expected.size()));
        EXPECT_EQ(array.IsEmpty(), row.expected.empty());
    }
}

TEST(CArrayAccess, OutOfRangeReadsGiveDefaultAndWritesAreLost)
{
    CStringArray array;
    array.Add(L"one");
    array.Add(L"two");
    const CStringArray& constArray = array;
    for (INT_PTR index : {INT_PTR(-1), INT_PTR(2), INT_PTR(1000), INT_PTR(-1000000)}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(constArray.GetAt(index).IsEmpty());
        EXPECT_TRUE(constArray[index].IsEmpty());
        array.ElementAt(index) = L"written outside";
        EXPECT_TRUE(array.GetAt(index).IsEmpty());
        array[index] += L"more";
        EXPECT_TRUE(array[index].IsEmpty());
    }
    ASSERT_EQ(array.GetSize(), 2);
    EXPECT_TRUE(array[0] == L"one");
    EXPECT_TRUE(array[1] == L"two");
}

TEST(CArrayAccess, GetDataIsNullWhenEmptyAndContiguousOtherwise)
{
    CDWordArray array;
    EXPECT_EQ(array.GetData(), nullptr);
    array.SetSize(3);
    array[2] = 0xDEADBEEF;
    ASSERT_NE(array.GetData(), nullptr);
    EXPECT_EQ(array.GetData()[0], 0u);
    EXPECT_EQ(array.GetData()[2], 0xDEADBEEFu);
    array.GetData()[1] = 42;
    EXPECT_EQ(array.GetAt(1), 42u);
}

TEST(CArrayAliasing, ElementsOfTheArrayItselfSurviveGrowth)
{
    // Long strings live on the heap: a dangling reference would read freed memory.
    const CString first(L"a string long enough to need its own heap block, not a small buffer");
    CStringArray array;
    array.Add(first);
    for (int i = 0; i < 200; ++i)
        array.Add(array[0]);
    array.SetAtGrow(1000, array[0]);
    array.InsertAt(0, array[1000], 3);
    EXPECT_EQ(array.GetSize(), 1004);
    for (INT_PTR i : {INT_PTR(0), INT_PTR(2), INT_PTR(3), INT_PTR(203), INT_PTR(1003)}) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(array[i] == first);
    }
    EXPECT_TRUE(array[204].IsEmpty());
}

TEST(CArrayInstances, PtrDWordAndStringArrays)
{
    int a = 0;
    int b = 0;
    CPtrArray pointers;
    pointers.Add(&a);
    pointers.Add(nullptr);
    pointers.SetAtGrow(3, &b);
    EXPECT_EQ(pointers.GetSize(), 4);
    EXPECT_EQ(pointers[0], &a);
    EXPECT_EQ(pointers[2], nullptr);
    EXPECT_EQ(pointers[3], &b);
    EXPECT_EQ(pointers.GetAt(4), nullptr);

    CDWordArray ids;
    for (DWORD id = 0; id < 1000; ++id)
        ids.Add(id * 3);
    ids.RemoveAt(0, 500);
    EXPECT_EQ(ids.GetSize(), 500);
    EXPECT_EQ(ids[0], 1500u);
    EXPECT_EQ(ids[499], 2997u);

    CStringArray names;
    names.Add(L"Caf\u00e9");
    names.InsertAt(0, L"\u65e5\u672c");
    CStringArray copy;
    copy.Copy(names);
    names.RemoveAll();
    ASSERT_EQ(copy.GetSize(), 2);
    EXPECT_TRUE(copy[0] == L"\u65e5\u672c");
    EXPECT_TRUE(copy[1] == L"Caf\u00e9");
}

}  // namespace
