#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/ole/GlobalLock.h"
#include "classlib/ole/OleDataObject.h"
#include "classlib/ole/OleDataSource.h"
#include "tests/support/OleThreadTest.h"
#include "tests/support/XClip.h"

namespace {

constexpr char kFormatName[] = "Carrowfold Ole Test Bytes";

CLIPFORMAT TestFormat()
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kFormatName));
}

std::vector<BYTE> Pattern(size_t size)
{
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + 3);
    return bytes;
}

HGLOBAL BlockOf(const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    CGlobalLock lock(block);
    if (!bytes.empty())
        std::memcpy(lock.Data(), bytes.data(), bytes.size());
    return block;
}

std::vector<BYTE> BytesOf(HGLOBAL block)
{
    CGlobalLock lock(block);
    const BYTE* data = static_cast<const BYTE*>(lock.Data());
    return data ? std::vector<BYTE>(data, data + lock.Size()) : std::vector<BYTE>();
}

// Counts its deletion: the clipboard must delete a source it was handed, exactly once.
class CountedSource : public COleDataSource {
public:
    explicit CountedSource(int* deleted) : m_deleted(deleted) {}
    ~CountedSource() override { ++*m_deleted; }

private:
    int* m_deleted;
};

class DataTransferTest : public OleThreadTest {};

TEST_F(DataTransferTest, CachedBlocksComeBackFromTheClipboardAsMemoryAndAsFile)
{
    for (size_t size : {size_t{0}, size_t{1}, size_t{70000}}) {
        SCOPED_TRACE(size);
        const std::vector<BYTE> bytes = Pattern(size);
        auto* source = new COleDataSource;
        source->CacheGlobalData(TestFormat(), BlockOf(Pattern(size + 5)));
        source->CacheGlobalData(TestFormat(), BlockOf(bytes));  // replaces the first block
        ASSERT_EQ(S_OK, source->SetClipboard());

        COleDataObject data;
        ASSERT_TRUE(data.AttachClipboard());
        EXPECT_TRUE(data.IsDataAvailable(TestFormat()));
        EXPECT_FALSE(data.IsDataAvailable(CF_HDROP));
        EXPECT_EQ(nullptr, data.GetGlobalData(CF_HDROP));
        EXPECT_EQ(nullptr, data.GetFileData(CF_HDROP));

        UniqueGlobal block(data.GetGlobalData(TestFormat()));
        ASSERT_TRUE(block);
        EXPECT_EQ(bytes, BytesOf(block.get()));

        std::unique_ptr<CFile> file = data.GetFileData(TestFormat());
        ASSERT_TRUE(file);
        ASSERT_EQ(size, file->GetLength());
        std::vector<BYTE> read(size + 1);
        EXPECT_EQ(size, file->Read(read.data(), static_cast<UINT>(read.size())));
        read.resize(size);
        EXPECT_EQ(bytes, read);
    }
}

TEST_F(DataTransferTest, TheClipboardDeletesTheSourceItWasHandedWhenReplaced)
{
    int deleted = 0;
    auto* source = new CountedSource(&deleted);
    source->CacheGlobalData(TestFormat(), BlockOf(Pattern(4)));
    ASSERT_EQ(S_OK, source->SetClipboard());
    EXPECT_EQ(0, deleted);
    ASSERT_EQ(S_OK, OleSetClipboard(nullptr));
    EXPECT_EQ(1, deleted);
}

TEST_F(DataTransferTest, AnOutsideReaderGetsTheCachedBytes)
{
    if (!fixtures::HaveXClip())
        GTEST_SKIP() << "xclip is not installed";
    const std::vector<BYTE> bytes = Pattern(1000);
    auto* source = new COleDataSource;
    source->CacheGlobalData(TestFormat(), BlockOf(bytes));
    ASSERT_EQ(S_OK, source->SetClipboard());
    EXPECT_EQ(bytes, fixtures::XClipRead(kFormatName));
}

TEST_F(DataTransferTest, BytesAnOutsideWriterOffersArriveUnderTheRegisteredFormat)
{
    if (!fixtures::HaveXClip())
        GTEST_SKIP() << "xclip is not installed";
    const std::vector<BYTE> bytes = Pattern(300);
    ASSERT_TRUE(fixtures::XClipWrite(kFormatName, bytes));
    COleDataObject data;
    ASSERT_TRUE(data.AttachClipboard());
    ASSERT_TRUE(data.IsDataAvailable(TestFormat()));
    std::unique_ptr<CFile> file = data.GetFileData(TestFormat());
    ASSERT_TRUE(file);
    std::vector<BYTE> read(bytes.size());
    CArchive archive(file.get(), CArchive::load);
    archive.ReadExactly(read.data(), static_cast<UINT>(read.size()));
    EXPECT_EQ(bytes, read);
    EXPECT_EQ(0u, archive.GetAvailable());
}

}  // namespace
