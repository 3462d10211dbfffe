// Observer lists: growth steps, removal by context, calls with the number called.
#include "toolkit/controls/customize/ObserverList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorder {
    std::vector<LPARAM> seen;
    static void Record(void* self, LPARAM argument) { static_cast<Recorder*>(self)->seen.push_back(argument); }
};

}  // namespace

TEST(UVObserverList, GrowsByAnEighthClampedOrByTheGivenStep)
{
    struct Case {
        int count, growth, capacity;
    } cases[] = {
        {1, 0, 4},    // 1 / 8 clamped up to 4
        {80, 0, 80},  // from nothing: the count itself is more than the step
        {20000, 0, 20000},
        {3, 10, 10},
    };
    for (const Case& c : cases) {
        CUVObserverList list;
        list.SetSize(c.count, c.growth);
        EXPECT_EQ(list.GetSize(), c.count) << c.count;
        EXPECT_EQ(list.GetCapacity(), c.capacity) << c.count << " step " << c.growth;
        for (int i = 0; i < c.count; ++i)
            ASSERT_EQ(list.GetAt(i).callback, nullptr);
    }
    CUVObserverList list;
    list.SetSize(80);
    list.SetSize(81);
    EXPECT_EQ(list.GetCapacity(), 90) << "80 + 81 / 8";
    list.SetSize(9000);
    list.SetSize(9001);
    EXPECT_EQ(list.GetCapacity(), 9000 + 1024) << "the step is clamped to 1024";
}

TEST(UVObserverList, RemovesEveryPairOfAContextAndCountsCalls)
{
    Recorder a, b;
    CUVObserverList list;
    list.Add(&Recorder::Record, &a);
    list.Add(&Recorder::Record, &b);
    list.Add(&Recorder::Record, &a);
    EXPECT_EQ(list.CallAllWithArg(7), 3);
    EXPECT_EQ(a.seen, (std::vector<LPARAM>{7, 7}));
    list.RemoveContext(&a);
    EXPECT_EQ(list.GetSize(), 1);
    EXPECT_EQ(list.CallAll(), 1);
    EXPECT_EQ(b.seen, (std::vector<LPARAM>{7, 0}));
    list.RemoveContext(&b);
    EXPECT_EQ(list.GetCapacity(), 0) << "storage freed when empty";
    EXPECT_EQ(list.CallAll(), 0);
}
