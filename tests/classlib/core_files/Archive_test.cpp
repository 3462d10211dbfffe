#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"

namespace {

using Bytes = std::vector<BYTE>;

template <typename Fn>
Bytes Store(Fn&& write)
{
    CMemFile file;
    CArchive archive(&file, CArchive::store);
    write(archive);
    archive.Close();
    return Bytes(file.GetData(), file.GetData() + file.GetLength());
}

// A loading archive over a copy of the bytes; the memory file lives as long as the holder.
struct Loader {
    explicit Loader(const Bytes& bytes)
    {
        if (!bytes.empty())
            file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        file.SeekToBegin();
    }
    CMemFile file;
    CArchive archive{&file, CArchive::load};
};

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Utf16(const std::wstring& text)
{
    Bytes b;
    for (wchar_t c : text) {
        b.push_back(static_cast<BYTE>(c & 0xFF));
        b.push_back(static_cast<BYTE>(c >> 8));
    }
    return b;
}

struct CountCase {
    const char* name;
    ULONGLONG count;
    Bytes wire;
};

TEST(ArchiveWire, CountsByteForByte)
{
    const CountCase cases[] = {
        {"zero", 0, {0x00, 0x00}},
        {"small", 0x1234, {0x34, 0x12}},
        {"largest word", 0xFFFE, {0xFE, 0xFF}},
        {"escape to 32 bits", 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {"32 bits", 0x12345678, {0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}},
        {"escape to 64 bits", 0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Store([&](CArchive& a) { a.WriteCount(c.count); }), c.wire);
        Loader loader(c.wire);
        EXPECT_EQ(loader.archive.ReadCount(), c.count);
    }
}

struct StringCase {
    const char* name;
    std::wstring text;
    Bytes prefix;
};

TEST(ArchiveWire, StringsByteForByte)
{
    const StringCase cases[] = {
        {"empty", L"", {0xFF, 0xFE, 0xFF, 0x00}},
        {"short", L"Ab\u00e9\u4e2d", {0xFF, 0xFE, 0xFF, 0x04}},
        {"254 characters", std::wstring(254, L'x'), {0xFF, 0xFE, 0xFF, 0xFE}},
        {"255 characters", std::wstring(255, L'y'), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
        {"65533 characters", std::wstring(65533, L'z'), {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
        {"65534 characters escape to 32 bits",
         std::wstring(65534, L'v'),
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {"65535 characters", std::wstring(65535, L'w'), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes expected = Concat({c.prefix, Utf16(c.text)});
        EXPECT_EQ(Store([&](CArchive& a) { a << CString(c.text.c_str(), static_cast<int>(c.text.size())); }), expected);
        Loader loader(expected);
        CString back(L"old");
        loader.archive >> back;
        EXPECT_EQ(back.str(), c.text);
        EXPECT_EQ(loader.archive.GetAvailable(), 0u);
    }
}

TEST(ArchiveWire, ReadsTheOlderEightBitStringForm)
{
    Loader loader(Bytes{0x03, 'a', 'b', 'c', 0x01, 'z'});
    CString first, second;
    loader.archive >> first >> second;
    EXPECT_EQ(first.str(), L"abc");
    EXPECT_EQ(second.str(), L"z");
}

TEST(ArchiveWire, NumbersAreRawLittleEndian)
{
    const Bytes wire = Store([](CArchive& a) {
        a << static_cast<BYTE>(0x12) << static_cast<WORD>(0x3456) << static_cast<DWORD>(0x789ABCDE)
          << static_cast<LONGLONG>(-2) << 1.0f;
    });
    const Bytes expected = {0x12, 0x56, 0x34, 0xDE, 0xBC, 0x9A, 0x78, 0xFE, 0xFF, 0xFF,
                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(wire, expected);
}

struct MalformedCase {
    const char* name;
    Bytes wire;
};

TEST(ArchiveWire, LengthsThatOverrunTheDataAreRejected)
{
    const MalformedCase cases[] = {
        {"unicode length beyond data", {0xFF, 0xFE, 0xFF, 0x05, 'a', 0}},
        {"32-bit length beyond data", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
        {"64-bit length beyond data",
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"ansi length beyond data", {0x09, 'a'}},
        {"word length 0xFFFE beyond data", {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00}},
        {"truncated prefix", {0xFF, 0xFE}},
        {"nothing at all", {}},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        Loader loader(c.wire);
        CString text;
        EXPECT_THROW(loader.archive >> text, CArchiveException);
    }
}

TEST(ArchiveWire, CountsThatOverrunTheDataAreRejected)
{
    Loader loader(Bytes{0x10, 0x00, 1, 2, 3, 4});
    EXPECT_THROW(loader.archive.ReadCount(4), CArchiveException);
    Loader fits(Bytes{0x02, 0x00, 1, 2, 3, 4});
    EXPECT_EQ(fits.archive.ReadCount(2), 2u);
    Loader truncated(Bytes{0xFF, 0xFF, 0x01});
    EXPECT_THROW(truncated.archive.ReadCount(), CArchiveException);
    Loader shortValue(Bytes{0x01, 0x02, 0x03});
    DWORD value = 0;
    EXPECT_THROW(shortValue.archive >> value, CArchiveException);
}

TEST(Archive, DirectionIsEnforcedAndBufferSpansRefills)
{
    Bytes big(10000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<BYTE>(i % 251);
    const Bytes wire = Store([&](CArchive& a) {
        for (BYTE b : big)
            a << b;
    });
    EXPECT_EQ(wire, big);
    Loader loader(wire);
    BYTE first[3];
    EXPECT_EQ(loader.archive.Read(first, 3), 3u);
    Bytes rest(20000);
    EXPECT_EQ(loader.archive.Read(rest.data(), 20000), 9997u);
    EXPECT_TRUE(std::equal(big.begin() + 3, big.end(), rest.begin()));
    EXPECT_THROW(loader.archive << static_cast<BYTE>(1), CArchiveException);

    CMemFile file;
    CArchive storing(&file, CArchive::store);
    BYTE b;
    EXPECT_THROW(storing >> b, CArchiveException);
}

TEST(Archive, FlushOfLoadingArchiveGivesUnreadBytesBack)
{
    Loader loader(Bytes{1, 2, 3, 4, 5, 6});
    BYTE b = 0;
    loader.archive >> b;
    EXPECT_EQ(loader.file.GetPosition(), 6u);
    loader.archive.Flush();
    EXPECT_EQ(loader.file.GetPosition(), 1u);
}

TEST(ArchiveWire, RandomBytesNeverCrashTheReaders)
{
    std::mt19937 random(31337);
    for (int i = 0; i < 5000; ++i) {
        Bytes wire(random() % 40);
        for (BYTE& b : wire)
            b = static_cast<BYTE>(random() % 4 == 0 ? 0xFF : random());
        Loader loader(wire);
        try {
            CString text;
            loader.archive >> text;
            EXPECT_LE(static_cast<size_t>(text.GetLength()), wire.size());
            loader.archive.ReadCount(2);
        } catch (const CArchiveException&) {
        }
    }
}

}  // namespace
