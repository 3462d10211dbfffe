#include "classlib/core/List.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Walk(const CStringList& list)
{
    std::vector<std::wstring> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos).str());
    return out;
}

TEST(CStringListEdit, TableOfOperationsFromABC)
{
    struct Row {
        const char* name;
        std::function<void(CStringList&)> edit;
        std::vector<std::wstring> expected;
    };
    const Row rows[] = {
        {"AddHead", [](CStringList& l) { l.AddHead(L"z"); }, {L"z", L"a", L"b", L"c"}},
        {"AddTail", [](CStringList& l) { l.AddTail(L"z"); }, {L"a", L"b", L"c", L"z"}},
        {"RemoveAt head", [](CStringList& l) { l.RemoveAt(l.GetHeadPosition()); }, {L"b", L"c"}},
        {"RemoveAt middle", [](CStringList& l) { l.RemoveAt(l.Find(L"b")); }, {L"a", L"c"}},
        {"RemoveAt tail then AddTail",
         [](CStringList& l) {
             l.RemoveAt(l.Find(L"c"));
             l.AddTail(L"d");
         },
         {L"a", L"b", L"d"}},
        {"RemoveAt head then AddHead",
         [](CStringList& l) {
             l.RemoveAt(l.Find(L"a"));
             l.AddHead(L"0");
         },
         {L"0", L"b", L"c"}},
        {"RemoveAt NULL ignored", [](CStringList& l) { l.RemoveAt(nullptr); }, {L"a", L"b", L"c"}},
        {"RemoveAt every element",
         [](CStringList& l) {
             while (!l.IsEmpty())
                 l.RemoveAt(l.GetHeadPosition());
             l.AddTail(L"again");
         },
         {L"again"}},
        {"RemoveAll then reuse",
         [](CStringList& l) {
             l.RemoveAll();
             l.AddHead(L"x");
         },
         {L"x"}},
        {"SetAt through GetAt", [](CStringList& l) { l.GetAt(l.Find(L"b")) = L"B"; }, {L"a", L"B", L"c"}},
        {"remove while walking",
         [](CStringList& l) {
             for (POSITION pos = l.GetHeadPosition(); pos;) {
                 const POSITION current = pos;
                 if (l.GetNext(pos) != L"b")
                     l.RemoveAt(current);
             }
         },
         {L"b"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CStringList list;
        list.AddTail(L"a");
        list.AddTail(L"b");
        list.AddTail(L"c");
        row.edit(list);
        EXPECT_EQ(Walk(list), row.expected);
        EXPECT_EQ(list.GetCount(), static_cast<INT_PTR>(row.expected.size()));
    }
}

TEST(CStringListFind, FindsByValueFromAPosition)
{
    CStringList list;
    const POSITION first = list.AddTail(L"x");
    list.AddTail(L"Y");
    const POSITION second = list.AddTail(L"x");
    EXPECT_EQ(list.Find(L"x"), first);
    EXPECT_EQ(list.Find(L"x", first), second);
    EXPECT_EQ(list.Find(L"x", second), nullptr);
    EXPECT_EQ(list.Find(L"y"), nullptr) << "comparison is case-sensitive";
    EXPECT_EQ(list.Find(L"absent"), nullptr);
    EXPECT_EQ(CStringList().Find(L"x"), nullptr);
}

TEST(CStringListAccess, NullPositionGivesDefaultAndStaysNull)
{
    CStringList list;
    list.AddTail(L"only");
    POSITION pos = nullptr;
    EXPECT_TRUE(list.GetNext(pos).IsEmpty());
    EXPECT_EQ(pos, nullptr);
    list.GetAt(nullptr) = L"written outside";
    EXPECT_TRUE(list.GetAt(nullptr).IsEmpty());
    const CStringList& constList = list;
    EXPECT_TRUE(constList.GetAt(nullptr).IsEmpty());
    EXPECT_EQ(Walk(list), std::vector<std::wstring>{L"only"});
}

TEST(CPtrListEdit, PointersInOrderAndFoundByIdentity)
{
    int values[4] = {};
    CPtrList list;
    for (int& v : values)
        list.AddTail(&v);
    list.AddHead(nullptr);
    EXPECT_EQ(list.GetCount(), 5);
    POSITION afterSecond = list.Find(&values[1]);
    ASSERT_NE(afterSecond, nullptr);
    list.GetNext(afterSecond);
    EXPECT_EQ(list.Find(&values[2]), afterSecond);
    int other = 0;
    EXPECT_EQ(list.Find(&other), nullptr);
    list.RemoveAt(list.Find(nullptr));
    std::vector<void*> seen;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        seen.push_back(list.GetNext(pos));
    EXPECT_EQ(seen, (std::vector<void*>{&values[0], &values[1], &values[2], &values[3]}));
}

}  // namespace
