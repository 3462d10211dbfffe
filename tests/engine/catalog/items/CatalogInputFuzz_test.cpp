// Hostile input with a fixed seed: thousands of truncated and bit-flipped tags and catalog.dat
// records go through the tag readers, the identity and the record loader. Nothing may crash or
// hang; a record either loads or is refused.
#include <gtest/gtest.h>

#include <random>

#include "classlib/core/Archive.h"
#include "classlib/core/Exception.h"
#include "classlib/core/MemFile.h"
#include "engine/catalog/files/MusicFileIdentity.h"
#include "engine/catalog/items/CatStore.h"
#include "engine/catalog/tags/ID3Tag.h"
#include "engine/catalog/tags/TagReader.h"
#include "tests/engine/catalog/CatalogTestSupport.h"
#include "tests/engine/catalog/items/RecordBytes.h"
#include "tests/engine/catalog/tags/TagBytes.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Mutate(const Bytes& source, std::mt19937& random)
{
    Bytes out = source;
    switch (random() % 3) {
    case 0:
        out.resize(random() % (out.size() + 1));
        break;
    case 1:
        for (int flips = 1 + random() % 8; flips > 0 && !out.empty(); --flips)
            out[random() % out.size()] ^= static_cast<BYTE>(1u << (random() % 8));
        break;
    default:
        for (int writes = 1 + random() % 4; writes > 0 && !out.empty(); --writes)
            out[random() % out.size()] = static_cast<BYTE>(random() % 2 ? 0xFF : random());
        break;
    }
    return out;
}

Bytes TagSeed()
{
    using namespace tag_bytes;
    Bytes body = Frame("TIT2", {1, 0xFF, 0xFE, 'T', 0, 'i', 0, 0, 0});
    Append(body, Frame("TPE1", Latin("Artist")));
    Bytes priv(kEmbeddedMixOwner, kEmbeddedMixOwner + sizeof(kEmbeddedMixOwner));
    Append(priv, {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'C', 'F', 'D', 'M'});
    Append(body, Frame("PRIV", priv));
    Bytes extended = {0, 0, 0, 6, 0, 0, 0, 0, 0, 0};
    Append(extended, body);
    Bytes file = Tag(3, 0xC0, extended);
    Append(file, Filler(600));
    Bytes v1 = {'T', 'A', 'G'};
    v1.resize(128, ' ');
    Append(file, v1);
    return file;
}

TEST(CatalogInputFuzz, MutatedTagsAreReadSafely)
{
    std::mt19937 random(20240317);
    fixtures::TempDir dir(L"fuzz");
    const std::wstring path = dir.File(L"fuzz.mp3");
    const Bytes seed = TagSeed();
    for (int round = 0; round < 2000; ++round) {
        const Bytes file = Mutate(seed, random);
        ASSERT_TRUE(profiler_test::WriteBytes(path, file)) << round;
        CID3Tag tag;
        tag.Read(path.c_str());
        CString text;
        tag.GetText("TIT2", &text);
        DWORD size = 0;
        tag.GetPrivateData(kEmbeddedMixOwner, nullptr, &size);
        ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, path.c_str()));
        ReadTagsFromFile(path.c_str(), item.get());
        CMusicFileId id;
        ComputeMusicFileId(path.c_str(), &id);
    }
}

TEST(CatalogInputFuzz, MutatedRecordsLoadOrAreRefused)
{
    std::mt19937 random(7);
    const Bytes seed = record_bytes::Record({});
    int loaded = 0;
    for (int round = 0; round < 5000; ++round) {
        const Bytes record = Mutate(seed, random);
        CMemFile file;
        if (!record.empty())
            file.Write(record.data(), static_cast<UINT>(record.size()));
        file.Seek(0, CFile::begin);
        ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, nullptr));
        try {
            CArchive archive(&file, CArchive::load);
            item->Serialize(archive);
            ++loaded;
        } catch (const CException&) {
        }
    }
    EXPECT_GT(loaded, 0);

    // The same through catalog.dat on disk, damaged between runs.
    fixtures::TempDir dir(L"fuzz");
    const std::wstring path = dir.File(L"catalog.dat");
    {
        CCatStore store(path.c_str());
        for (int i = 0; i < 20; ++i) {
            ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(
                new CCatItem(nullptr, (L"C:\\music\\" + std::to_wstring(i) + L".wav").c_str()));
            ASSERT_TRUE(store.WriteItem(item.get()));
        }
    }
    const Bytes stored = fixtures::ReadFileBytes(path);
    for (int round = 0; round < 300; ++round) {
        ASSERT_TRUE(profiler_test::WriteBytes(path, Mutate(stored, random)));
        CCatStore store(path.c_str());
        for (CCatItem* item : store.ReadAllItems(nullptr))
            item->Release();
        for (int record = 0; record < store.GetRecordCount(); ++record) {
            ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, nullptr));
            store.ReadItem(record, item.get());
        }
    }
}

}  // namespace
