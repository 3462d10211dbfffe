#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RiffBytes.h"
#include "TempFile.h"
#include "engine/core/server/EngineFolders.h"
#include "engine/core/storage/ItemFile.h"
#include "engine/core/storage/MusicFileId.h"
#include "engine/core/storage/MusicFileIdObjStore.h"
#include "engine/core/storage/RiffFile.h"

namespace {

CMusicFileId MakeId(BYTE first, BYTE last = 0)
{
    BYTE bytes[16] = {};
    bytes[0] = first;
    bytes[15] = last;
    CMusicFileId id;
    id.SetBytes(bytes);
    return id;
}

// A stored object: a string of bytes with its length, as analysis results serialise themselves.
struct Payload {
    Bytes data;
    void Serialize(CArchive& archive)
    {
        if (archive.IsStoring()) {
            archive << static_cast<DWORD>(data.size());
            if (!data.empty())
                archive.Write(data.data(), static_cast<UINT>(data.size()));
            return;
        }
        DWORD size = 0;
        archive >> size;
        archive.RequireAvailable(size);
        data.resize(size);
        if (size)
            archive.ReadExactly(data.data(), size);
    }
};

TEST(MusicFileId, ValidityOrderAndHalves)
{
    CMusicFileId zero;
    EXPECT_FALSE(zero.IsValid());
    CMusicFileId id = MakeId(0, 1);
    EXPECT_TRUE(id.IsValid());
    LONGLONG low = -1, high = -1;
    id.GetId(&low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, static_cast<LONGLONG>(0x0100000000000000ULL));
    CMusicFileId copy;
    id.AssignTo(&copy);
    EXPECT_TRUE(copy.IsEqual(id));
    // Byte order, not the numeric order of the halves: 0x02 in byte 0 sorts after 0x01 there
    // whatever the later bytes hold.
    EXPECT_TRUE(CMusicFileId::SortsAfter(MakeId(2), MakeId(1, 0xFF)));
    EXPECT_FALSE(CMusicFileId::SortsAfter(MakeId(1, 0xFF), MakeId(2)));
    EXPECT_TRUE(MakeId(0x7F) < MakeId(0x80));
}

TEST(ObjStore, StoringTwiceKeepsOneItemAndTheSecondObject)
{
    TempFile path(L"store-twice");
    {
        CMusicFileIdObjStore store(path.c_str(), TRUE);
        Payload first{Text("first")}, second{Text("second")};
        store.StoreObject(&first, MakeId(5));
        store.StoreObject(&second, MakeId(5));
        EXPECT_EQ(store.GetCount(), 1);
    }
    CMusicFileIdObjStore store(path.c_str(), TRUE);
    Payload loaded;
    ASSERT_TRUE(store.LoadObject(MakeId(5), &loaded));
    EXPECT_EQ(loaded.data, Text("second"));
    EXPECT_TRUE(store.LoadObject<Payload>(MakeId(5), nullptr));
    EXPECT_FALSE(store.LoadObject<Payload>(MakeId(6), nullptr));
}

TEST(ObjStore, OneItemOnDiskAfterReplacing)
{
    TempFile path(L"store-disk");
    {
        CMusicFileIdObjStore store(path.c_str(), TRUE);
        Payload a{Text("aaaa")}, b{Text("bb")};
        store.StoreObject(&a, MakeId(1));
        store.StoreObject(&b, MakeId(1));
    }
    CItemFile raw(path.c_str(), 0);
    ASSERT_EQ(raw.GetItemCount(), 1);
    EXPECT_EQ(raw.GetIndexEntry(0).length, 16u + 16 + 4 + 2);
}

TEST(ObjStore, ZeroIdentityIsNeverStoredNorFound)
{
    TempFile path(L"store-zero");
    CMusicFileIdObjStore store(path.c_str(), TRUE);
    Payload p{Text("x")};
    store.StoreObject(&p, CMusicFileId());
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_FALSE(store.LoadObject(CMusicFileId(), &p));
    EXPECT_FALSE(store.RemoveObject(CMusicFileId()));
}

TEST(ObjStore, IdsEnumerateInByteOrder)
{
    TempFile path(L"store-order");
    CMusicFileIdObjStore store(path.c_str(), TRUE);
    Payload p{Text("p")};
    for (BYTE b : {0x30, 0x10, 0xF0, 0x20})
        store.StoreObject(&p, MakeId(b));
    std::vector<int> order;
    CMusicFileId id;
    for (int i = 0; store.GetIdAt(i, &id); ++i)
        order.push_back(id.GetBytes()[0]);
    EXPECT_EQ(order, (std::vector<int>{0x10, 0x20, 0x30, 0xF0}));
    EXPECT_TRUE(store.RemoveObject(MakeId(0x20)));
    EXPECT_FALSE(store.RemoveObject(MakeId(0x20)));
    EXPECT_EQ(store.GetCount(), 3);
}

TEST(ObjStore, RiffImagesRoundTripAndAnIdentityOnlyItemIsNotAnImage)
{
    TempFile path(L"store-riff");
    CMusicFileIdObjStore store(path.c_str(), TRUE);
    CRiffFile image;
    FOURCC form = mmioFOURCC('T', 'R', 'K', 'I');
    ASSERT_TRUE(image.CreateInMemory(&form));
    IArchive* archive = nullptr;
    ASSERT_TRUE(image.CreateChunk(mmioFOURCC('T', 'R', 'K', 'H'), &archive));
    archive->Write("mix!", 4);
    ASSERT_TRUE(image.Ascend());
    store.StoreRiffImage(MakeId(9), &image);

    CRiffFile back;
    ASSERT_TRUE(store.LoadRiffImage(MakeId(9), &back));
    DWORD size = 0;
    ASSERT_TRUE(back.OpenChunk(0, &archive, &size));
    char text[5] = {};
    UINT read = 0;
    archive->Read(text, 4, &read);
    EXPECT_STREQ(text, "mix!");

    struct Nothing {
        void Serialize(CArchive&) {}
    } nothing;
    store.StoreObject(&nothing, MakeId(10));
    CRiffFile none;
    EXPECT_TRUE(store.LoadObject<Nothing>(MakeId(10), nullptr));
    EXPECT_FALSE(store.LoadRiffImage(MakeId(10), &none));
    EXPECT_FALSE(store.LoadRiffImage(MakeId(11), &none));
}

TEST(ObjStore, FailedStoreKeepsThePreviousObject)
{
    TempFile path(L"store-fail");
    CMusicFileIdObjStore store(path.c_str(), TRUE);
    Payload good{Text("good")};
    store.StoreObject(&good, MakeId(3));
    // Too large for one record: refused, and the stored object survives.
    Payload huge{Bytes(70000, 1)};
    store.StoreObject(&huge, MakeId(3));
    // A writer that fails half-way: nothing of it remains.
    struct Throws {
        void Serialize(CArchive& archive)
        {
            archive << static_cast<DWORD>(7);
            throw CArchiveException(CArchiveException::genericException);
        }
    } throws;
    store.StoreObject(&throws, MakeId(3));
    Payload loaded;
    ASSERT_TRUE(store.LoadObject(MakeId(3), &loaded));
    EXPECT_EQ(loaded.data, Text("good"));
    EXPECT_EQ(store.GetCount(), 1);
}

TEST(ObjStore, DamagedItemIsSkippedAndRemovedAtClose)
{
    TempFile path(L"store-damaged");
    {
        CMusicFileIdObjStore store(path.c_str(), TRUE);
        Payload a{Text("alpha")}, b{Text("bravo")}, c{Text("charlie")};
        store.StoreObject(&a, MakeId(1));
        store.StoreObject(&b, MakeId(2));
        store.StoreObject(&c, MakeId(3));
    }
    Bytes disk = path.Read();
    const size_t second = 16 + 16 + 4 + 5;
    disk[second + 16 + 16 + 4 + 1] ^= 0x01;
    path.Write(disk);
    {
        CMusicFileIdObjStore store(path.c_str(), TRUE);
        EXPECT_EQ(store.GetCount(), 2);
        Payload loaded;
        EXPECT_FALSE(store.LoadObject(MakeId(2), &loaded));
        ASSERT_TRUE(store.LoadObject(MakeId(3), &loaded));
        EXPECT_EQ(loaded.data, Text("charlie"));
    }
    EXPECT_EQ(path.Read().size(), disk.size() - (16 + 16 + 4 + 5));
}

TEST(ObjStore, InterruptedReplacementLetsTheLaterItemWin)
{
    // Two live items with the same identity, as left by a store interrupted between writing
    // the new item and freeing the old one.
    TempFile path(L"store-dup");
    {
        CItemFile raw(path.c_str(), CItemFile::flagCreate);
        for (const char* text : {"older", "newer"}) {
            CArchive* archive = nullptr;
            int index = 0;
            ASSERT_TRUE(raw.BeginAppendItem(&archive, &index));
            CMusicFileId id = MakeId(4);
            id.Serialize(*archive);
            Payload p{Text(text)};
            p.Serialize(*archive);
            ASSERT_TRUE(raw.EndAppendItem());
        }
    }
    {
        CMusicFileIdObjStore store(path.c_str(), TRUE);
        EXPECT_EQ(store.GetCount(), 1);
        Payload loaded;
        ASSERT_TRUE(store.LoadObject(MakeId(4), &loaded));
        EXPECT_EQ(loaded.data, Text("newer"));
    }
    CItemFile raw(path.c_str(), 0);
    EXPECT_EQ(raw.GetItemCount(), 1);
}

TEST(ObjStore, ThreadsStoringAndLoadingAtOnceKeepEveryObject)
{
    TempFile path(L"store-threads");
    {
        CMusicFileIdObjStore store(path.c_str(), TRUE);
        struct Job {
            CMusicFileIdObjStore* store;
            BYTE first;
            int mismatches;
        } jobs[4] = {{&store, 0x10, 0}, {&store, 0x20, 0}, {&store, 0x30, 0}, {&store, 0x40, 0}};
        HANDLE threads[4];
        for (int t = 0; t < 4; ++t) {
            threads[t] = CreateThread(
                nullptr, 0,
                [](void* p) -> DWORD {
                    Job* job = static_cast<Job*>(p);
                    for (int round = 0; round < 100; ++round) {
                        const BYTE last = static_cast<BYTE>(round % 8);
                        Payload out{Bytes(static_cast<size_t>(10 + round), static_cast<BYTE>(job->first + last))};
                        job->store->StoreObject(&out, MakeId(job->first, last));
                        Payload in;
                        if (!job->store->LoadObject(MakeId(job->first, last), &in) || in.data != out.data)
                            ++job->mismatches;
                    }
                    return 0;
                },
                &jobs[t], 0, nullptr);
            ASSERT_NE(threads[t], nullptr);
        }
        WaitForMultipleObjects(4, threads, TRUE, INFINITE);
        for (int t = 0; t < 4; ++t) {
            CloseHandle(threads[t]);
            EXPECT_EQ(jobs[t].mismatches, 0) << "thread " << t;
        }
        EXPECT_EQ(store.GetCount(), 32);
    }
    CMusicFileIdObjStore reopened(path.c_str(), TRUE);
    EXPECT_EQ(reopened.GetCount(), 32);
    Payload last;
    ASSERT_TRUE(reopened.LoadObject(MakeId(0x30, 3), &last));
    EXPECT_EQ(last.data, Bytes(10 + 99, 0x33));  // round 99 stored it last
}

TEST(ObjStore, ANameAloneLivesInTheEngineDataFolder)
{
    ASSERT_TRUE(CreateEngineDataFolder());
    const std::wstring name = L"cf-store-test-" + std::to_wstring(GetCurrentProcessId()) + L".dat";
    const CString fullPath = GetEngineDataFolder() + name.c_str();
    {
        CMusicFileIdObjStore store(name.c_str(), FALSE);
        ASSERT_TRUE(store.IsOpen());
        Payload p{Text("here")};
        store.StoreObject(&p, MakeId(1));
    }
    EXPECT_NE(GetFileAttributesW(fullPath), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(DeleteFileW(fullPath));
}

}  // namespace
