// The play item over a real WAV file: reads before, across and past the file's ends, activation
// that can be forbidden, and the play list's order, lookups, locking and solo.
#include <gtest/gtest.h>

#include <algorithm>

#include "RenderSources.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/graph/PlayList.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"

using namespace rendertest;

namespace {

constexpr LONGLONG kFileBytes = 4000 * 4;

// An opened item over 4000 frames of 16-bit stereo whose bytes are all 0x11.
class ItemOverFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring path = folder.File(L"item.wav");
        ASSERT_TRUE(fixtures::WriteWav16(path, std::vector<int16_t>(8000, 0x1111), 44100, 2));
        auto* source = new FileSource(path);
        item = new CPlayItem(source, 0, 7);
        source->Release();
        ASSERT_EQ(item->OpenSource(), S_OK);
    }
    void TearDown() override
    {
        item->CloseSource();
        item->Release();
    }

    fixtures::TempDir folder{L"playitem"};
    CPlayItem* item = nullptr;
};

}  // namespace

TEST_F(ItemOverFile, ReadsOutsideTheFileGiveSilence)
{
    struct Row {
        const char* name;
        LONGLONG position;
        unsigned bytes;
        HRESULT result;
        unsigned leadingSilence;  // then file bytes, then silence to the end
        unsigned fileBytes;
    };
    const Row rows[] = {
        {"wholly before the start", -4000, 4000, S_OK, 4000, 0},
        {"across the start", -100, 400, S_OK, 100, 300},
        {"inside", 400, 400, S_OK, 0, 400},
        {"across the end", kFileBytes - 100, 400, S_OK, 0, 100},
        {"at the end", kFileBytes, 400, E_FAIL, 0, 0},
        {"past the end", kFileBytes + 4000, 400, E_FAIL, 0, 0},
    };
    for (const Row& r : rows) {
        std::vector<BYTE> buffer(r.bytes, 0x5A);
        item->Seek(r.position / 4);
        EXPECT_EQ(item->Read(buffer.data(), r.bytes), r.result) << r.name;
        for (unsigned i = 0; i < r.bytes; ++i) {
            const bool file = i >= r.leadingSilence && i < r.leadingSilence + r.fileBytes;
            ASSERT_EQ(buffer[i], file ? 0x11 : 0x00) << r.name << ", byte " << i;
        }
    }
}

TEST_F(ItemOverFile, ActivationCanBeForbidden)
{
    EXPECT_EQ(item->IsActive(), S_FALSE);
    item->EnableActivation(FALSE);
    item->SetActive(TRUE);
    EXPECT_EQ(item->IsActive(), S_FALSE);
    EXPECT_FALSE(item->TakeActivityChange());
    item->EnableActivation(TRUE);
    item->SetActive(TRUE);
    EXPECT_EQ(item->IsActive(), S_OK);
    EXPECT_TRUE(item->TakeActivityChange());
    EXPECT_FALSE(item->TakeActivityChange());
}

TEST(PlayList, OrderLookupsLockingAndSolo)
{
    std::vector<CPlayItem*> items;
    for (LONG id : {10, 20, 30})
        items.push_back(new CPlayItem(nullptr, 0, id));
    {
        CPlayList list;
        list.InsertAt(5, items[0]);
        list.InsertAt(0, items[1]);
        list.InsertAt(1, items[2]);
        EXPECT_EQ(list.FindIndexByTrack(20), 0);
        EXPECT_EQ(list.FindIndexByTrack(30), 1);
        EXPECT_EQ(list.FindByTrack(10), items[0]);
        EXPECT_EQ(list.FindByTrack(99), nullptr);
        EXPECT_EQ(list.GetNext(items[1]), items[2]);
        EXPECT_EQ(list.GetNext(items[0]), nullptr);
        EXPECT_EQ(list.GetNextPrimary(items[2]), items[0]);
        list.Swap(0, 7);
        EXPECT_EQ(list.FindIndexByTrack(20), 0) << "a swap out of range is ignored";
        list.Swap(0, 2);
        EXPECT_EQ(list.FindIndexByTrack(20), 2);

        // While the list is locked a render thread waits for each item's position lock.
        list.LockAll();
        list.Remove(items[2]);
        const auto waits = [](CPlayItem* item) {
            HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            struct Args {
                CPlayItem* item;
                HANDLE done;
            } args{item, done};
            HANDLE thread = CreateThread(
                nullptr, 0,
                [](void* p) -> DWORD {
                    auto* a = static_cast<Args*>(p);
                    a->item->Lock();
                    a->item->Unlock();
                    SetEvent(a->done);
                    return 0;
                },
                &args, 0, nullptr);
            const bool blocked = WaitForSingleObject(done, 100) == WAIT_TIMEOUT;
            return std::pair<HANDLE, bool>{thread, blocked};
        };
        auto [removedThread, removedBlocked] = waits(items[2]);
        EXPECT_FALSE(removedBlocked) << "an item taken out is unlocked";
        auto [keptThread, keptBlocked] = waits(items[1]);
        EXPECT_TRUE(keptBlocked) << "an item in the locked list is locked";
        list.UnlockAll();
        EXPECT_EQ(WaitForSingleObject(keptThread, 2000), WAIT_OBJECT_0) << "unlocking lets the thread on";
        WaitForSingleObject(removedThread, 2000);
        CloseHandle(removedThread);
        CloseHandle(keptThread);

        items[0]->SetActive(TRUE);
        items[1]->SetActive(TRUE);
        list.Solo(items[0]);
        EXPECT_EQ(items[0]->IsActive(), S_OK) << "the solo item plays";
        EXPECT_EQ(items[1]->IsActive(), S_FALSE) << "the others are muted";
        list.ClearSolo();
        EXPECT_EQ(items[1]->IsActive(), S_OK);
    }
    for (CPlayItem* item : items)
        item->Release();
}
