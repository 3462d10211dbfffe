#include "engine/core/server/UiUpdateQueue.h"
#include "engine/core/server/UiUpdateQueueGroup.h"
#include "tests/engine/core/server/FrameTestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Post {
    int code;
    int value;
    BOOL coalesceByCode;
};
struct Msg {
    int code;
    int value;
    bool operator==(const Msg&) const = default;
};

std::vector<Msg> Drain(IUiUpdateQueue* queue)
{
    std::vector<Msg> drained;
    int code = 0;
    int value = 0;
    while (queue->PopUpdate(&code, &value) == S_OK)
        drained.push_back({code, value});
    return drained;
}

std::string Describe(const std::vector<Msg>& messages)
{
    std::string text;
    for (const Msg& message : messages)
        text += "{" + std::to_string(message.code) + "," + std::to_string(message.value) + "} ";
    return text;
}

struct CoalesceCase {
    const char* name;
    std::vector<Post> posts;
    std::vector<Msg> expected;
};

const CoalesceCase kCoalesceCases[] = {
    {"same code and value three times", {{10, 0, FALSE}, {10, 0, FALSE}, {10, 0, FALSE}}, {{10, 0}}},
    {"same code, other values", {{4, 17, FALSE}, {4, 18, FALSE}}, {{4, 17}, {4, 18}}},
    {"by code drops other value", {{4, 17, FALSE}, {4, 18, TRUE}}, {{4, 17}}},
    {"by code keeps one code 22", {{22, 5, TRUE}, {22, 6, TRUE}, {22, 7, TRUE}}, {{22, 5}}},
    {"by code adds a new code", {{4, 17, FALSE}, {22, 17, TRUE}}, {{4, 17}, {22, 17}}},
    {"duplicate keeps first place", {{1, 0, FALSE}, {2, 0, FALSE}, {1, 0, FALSE}}, {{1, 0}, {2, 0}}},
    {"value alone does not match", {{4, 17, FALSE}, {5, 17, FALSE}}, {{4, 17}, {5, 17}}},
    {"negative values are kept apart", {{7, -1, FALSE}, {7, 0, FALSE}, {7, -1, FALSE}}, {{7, -1}, {7, 0}}},
};

TEST(UiUpdateQueue, PostingCollapsesDuplicatesAsTheTableSays)
{
    for (const CoalesceCase& row : kCoalesceCases) {
        CUiUpdateQueue queue(nullptr);
        for (const Post& post : row.posts)
            EXPECT_EQ(queue.PostUpdate(post.code, post.value, post.coalesceByCode), S_OK) << row.name;
        const std::vector<Msg> drained = Drain(&queue);
        EXPECT_EQ(drained, row.expected) << row.name << ": got " << Describe(drained);
    }
}

TEST(UiUpdateQueue, PopOnEmptyGivesSFalseAndLeavesTheOutValues)
{
    CUiUpdateQueue queue(nullptr);
    int code = 0x5A5A;
    int value = -77;
    EXPECT_EQ(queue.PopUpdate(&code, &value), S_FALSE);
    EXPECT_EQ(code, 0x5A5A);
    EXPECT_EQ(value, -77);
    queue.PostUpdate(3, 4, FALSE);
    EXPECT_EQ(queue.PopUpdate(&code, &value), S_OK);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(value, 4);
    EXPECT_EQ(queue.PopUpdate(&code, &value), S_FALSE);
    EXPECT_EQ(code, 3);
}

TEST(UiUpdateQueue, AnswersOnlyItsOwnInterfaceAndIUnknown)
{
    CUiUpdateQueue* queue = new CUiUpdateQueue(nullptr);
    void* object = reinterpret_cast<void*>(0xDEADBEEF);
    EXPECT_EQ(queue->NonDelegatingQueryInterface(IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(queue->NonDelegatingQueryInterface(IID_IUiUpdateQueue, &object), S_OK);
    EXPECT_EQ(object, static_cast<IUiUpdateQueue*>(queue));
    EXPECT_EQ(queue->RefCount(), 2);
    EXPECT_EQ(static_cast<IUiUpdateQueue*>(object)->Release(), 1u);
    EXPECT_EQ(queue->NonDelegatingRelease(), 0u);
}

TEST(UiUpdateQueue, AggregatedQueueCountsOnItsOuterObject)
{
    CountingUnknown outer;
    CUiUpdateQueue queue(&outer);
    void* object = nullptr;
    ASSERT_EQ(queue.NonDelegatingQueryInterface(IID_IUiUpdateQueue, &object), S_OK);
    EXPECT_EQ(outer.count, 2);
    EXPECT_EQ(queue.RefCount(), 1);
    static_cast<IUiUpdateQueue*>(object)->Release();
    EXPECT_EQ(outer.count, 1);
}

TEST(UiUpdateQueue, PostsFromSeveralThreadsAreAllKept)
{
    CUiUpdateQueue queue(nullptr);
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&queue, t] {
            for (int i = 0; i < kPerThread; ++i)
                queue.PostUpdate(t, i, FALSE);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(Drain(&queue).size(), static_cast<size_t>(kThreads * kPerThread));
}

TEST(UiUpdateQueueGroup, PopGivesEFailAndPostReachesEveryMember)
{
    CUiUpdateQueueGroup* group = new CUiUpdateQueueGroup(nullptr);
    CUiUpdateQueue* first = new CUiUpdateQueue(nullptr);
    CUiUpdateQueue* second = new CUiUpdateQueue(nullptr);
    ASSERT_TRUE(group->AddQueue(first));
    EXPECT_EQ(first->RefCount(), 2);

    int code = 9;
    int value = 9;
    EXPECT_EQ(group->PopUpdate(&code, &value), E_FAIL);
    EXPECT_EQ(group->PostUpdate(8, 0, FALSE), S_OK);
    // A member that joins later gets the posts made after it joined.
    ASSERT_TRUE(group->AddQueue(second));
    EXPECT_EQ(group->PostUpdate(4, 17, FALSE), S_OK);
    EXPECT_EQ(group->PostUpdate(22, 3, TRUE), S_OK);
    EXPECT_EQ(group->PostUpdate(22, 4, TRUE), S_OK);

    EXPECT_EQ(Drain(first), (std::vector<Msg>{{8, 0}, {4, 17}, {22, 3}}));
    EXPECT_EQ(Drain(second), (std::vector<Msg>{{4, 17}, {22, 3}}));

    // The group's end releases its members' references.
    EXPECT_EQ(group->NonDelegatingRelease(), 0u);
    EXPECT_EQ(first->RefCount(), 1);
    EXPECT_EQ(second->RefCount(), 1);
    first->NonDelegatingRelease();
    second->NonDelegatingRelease();
}

TEST(UiUpdateQueueGroup, AnswersOnlyItsOwnInterfaceAndIUnknown)
{
    CUiUpdateQueueGroup* group = new CUiUpdateQueueGroup(nullptr);
    void* object = reinterpret_cast<void*>(0xDEADBEEF);
    EXPECT_EQ(group->NonDelegatingQueryInterface(IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(group->NonDelegatingQueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 1u);
    EXPECT_EQ(group->NonDelegatingRelease(), 0u);
}

TEST(UiUpdateMsg, IsEightBytesCodeFirst)
{
    static_assert(sizeof(UIUPDATE_MSG) == 8);
    static_assert(offsetof(UIUPDATE_MSG, code) == 0);
    static_assert(offsetof(UIUPDATE_MSG, value) == 4);
    SUCCEED();
}

}  // namespace
