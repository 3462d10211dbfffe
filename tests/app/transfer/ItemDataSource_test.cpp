#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ItemDataSource.h"
#include "app/ItemIdFormats.h"
#include "tests/app/transfer/SingleInterfaceChecks.h"
#include "tests/support/OleThreadTest.h"
#include "tests/support/XClip.h"

namespace {

std::string Narrow(const wchar_t* text)
{
    return std::string(text, text + wcslen(text));
}

std::vector<DWORD> IdsOf(const CItemDataSource& list)
{
    std::vector<DWORD> ids;
    for (INT_PTR i = 0; i < list.GetCount(); ++i)
        ids.push_back(list.ElementAt(i));
    return ids;
}

void Fill(CItemDataSource& list, const std::vector<DWORD>& ids)
{
    list.RemoveAll();
    for (DWORD id : ids)
        list.Add(id);
}

std::vector<DWORD> Sequence(size_t count)
{
    std::vector<DWORD> ids(count);
    for (size_t i = 0; i < count; ++i)
        ids[i] = static_cast<DWORD>(0x9E3779B9u * (i + 1));
    return ids;
}

void PutLittleEndian(std::vector<BYTE>& bytes, ULONGLONG value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// The layout written out by hand: a 16-bit count, or FF FF and a 32-bit one from 65535 on.
std::vector<BYTE> ExpectedBlock(const std::vector<DWORD>& ids)
{
    std::vector<BYTE> bytes;
    if (ids.size() < 0xFFFF) {
        PutLittleEndian(bytes, ids.size(), 2);
    } else {
        PutLittleEndian(bytes, 0xFFFF, 2);
        PutLittleEndian(bytes, ids.size(), 4);
    }
    for (DWORD id : ids)
        PutLittleEndian(bytes, id, 4);
    return bytes;
}

class ItemDataSourceTest : public OleThreadTest {};

TEST_F(ItemDataSourceTest, AnswersAsAnIdListToTheEngine)
{
    int deleted = 0;
    auto* list = new DeletionCounted<CItemDataSource>(&deleted, kTrackIdsFormat);
    Fill(*list, {10, 20, 30});
    IItemIdList* engineSide = list;

    struct Case {
        int index;
        HRESULT result;
        DWORD id;
    };
    const Case cases[] = {{-1, E_FAIL, 0xCCCCCCCC}, {INT_MIN, E_FAIL, 0xCCCCCCCC}, {0, S_OK, 10}, {2, S_OK, 30},
                          {3, E_FAIL, 0xCCCCCCCC},  {INT_MAX, E_FAIL, 0xCCCCCCCC}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        DWORD id = 0xCCCCCCCC;
        EXPECT_EQ(c.result, engineSide->GetAt(c.index, &id));
        EXPECT_EQ(c.id, id);
    }

    ExpectNoInterfaceAndExactCount(engineSide, deleted);
}

TEST_F(ItemDataSourceTest, ContainsFindsAnyIdOfTheList)
{
    CItemDataSource list(kCatalogItemIdsFormat);
    EXPECT_FALSE(list.Contains(0));
    Fill(list, {5, 0, 9});
    EXPECT_TRUE(list.Contains(0));
    EXPECT_TRUE(list.Contains(9));
    EXPECT_FALSE(list.Contains(6));
}

TEST_F(ItemDataSourceTest, EveryFormatNameIsRegisteredUnderOneNumber)
{
    for (const wchar_t* name :
         {kCatalogItemIdsFormat, kTrackIdsFormat, kEditTrackIdsFormat, kTrackObjectIdsFormat, kVideoClipIdsFormat}) {
        SCOPED_TRACE(Narrow(name));
        CItemDataSource first(name);
        CItemDataSource second(name);
        EXPECT_GE(first.GetFormat(), 0xC000);
        EXPECT_EQ(first.GetFormat(), second.GetFormat());
        wchar_t registered[64] = {};
        GetClipboardFormatNameW(first.GetFormat(), registered, 64);
        EXPECT_STREQ(name, registered);
    }
}

TEST_F(ItemDataSourceTest, ListsCrossTheClipboardInTheirExactLayout)
{
    const bool outside = fixtures::HaveXClip();
    for (size_t count : {size_t{0}, size_t{1}, size_t{3}, size_t{65534}, size_t{65535}, size_t{70000}}) {
        SCOPED_TRACE(count);
        const std::vector<DWORD> ids = Sequence(count);
        CItemDataSource copied(kTrackIdsFormat);
        Fill(copied, ids);
        ASSERT_TRUE(copied.CopyToClipboard());
        EXPECT_TRUE(copied.IsOnClipboard());
        EXPECT_FALSE(CItemDataSource(kEditTrackIdsFormat).IsOnClipboard());

        if (outside) {
            EXPECT_EQ(ExpectedBlock(ids), fixtures::XClipRead(Narrow(kTrackIdsFormat)));
        }

        CItemDataSource pasted(kTrackIdsFormat);
        Fill(pasted, {1, 2});
        ASSERT_TRUE(pasted.PasteFromClipboard());
        EXPECT_EQ(ids, IdsOf(pasted));
    }
}

TEST_F(ItemDataSourceTest, AListOfAnotherFormatIsNotRead)
{
    CItemDataSource copied(kTrackObjectIdsFormat);
    Fill(copied, {4, 5});
    ASSERT_TRUE(copied.CopyToClipboard());
    CItemDataSource other(kVideoClipIdsFormat);
    Fill(other, {7});
    EXPECT_FALSE(other.PasteFromClipboard());
    EXPECT_EQ(std::vector<DWORD>{7}, IdsOf(other));
}

TEST_F(ItemDataSourceTest, ListsAnOutsideProgramWritesAreReadOrRefusedWhole)
{
    if (!fixtures::HaveXClip())
        GTEST_SKIP() << "xclip is not installed";
    struct Case {
        const char* name;
        std::vector<BYTE> block;
        bool read;
        std::vector<DWORD> ids;
        // Tried under all five formats; the others under one.
        bool everyFormat;
    };
    const Case cases[] = {
        {"two ids", {2, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, true, {1, 0xFFFFFFFF}, false},
        {"empty list", {0, 0}, true, {}, false},
        {"one byte", {3}, false, {}, true},
        {"count above the data", {5, 0, 1, 0, 0, 0, 2, 0, 0, 0}, false, {}, true},
        {"last id cut short", {2, 0, 1, 0, 0, 0, 2, 0, 0}, false, {}, false},
        {"escape with no count", {0xFF, 0xFF}, false, {}, false},
        {"FF FF then 0xFFFFFFFF", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, false, {}, true},
        {"64-bit count of 2^60",
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0x10, 1, 0, 0, 0},
         false,
         {},
         false},
        {"32-bit count above the data", {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 1, 0, 0, 0}, false, {}, false},
    };
    for (const wchar_t* format :
         {kCatalogItemIdsFormat, kTrackIdsFormat, kEditTrackIdsFormat, kTrackObjectIdsFormat, kVideoClipIdsFormat}) {
        for (const Case& c : cases) {
            if (!c.everyFormat && format != kTrackIdsFormat)
                continue;
            SCOPED_TRACE(Narrow(format) + ": " + c.name);
            ASSERT_TRUE(fixtures::XClipWrite(Narrow(format), c.block));
            CItemDataSource list(format);
            ASSERT_TRUE(list.IsOnClipboard());
            Fill(list, {42, 43});
            EXPECT_EQ(c.read, !!list.PasteFromClipboard());
            EXPECT_EQ(c.read ? c.ids : std::vector<DWORD>({42, 43}), IdsOf(list));
        }
    }
}

}  // namespace
