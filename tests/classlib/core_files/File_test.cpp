#include <gtest/gtest.h>

#include <vector>

#include "TempPath.h"
#include "classlib/core/File.h"
#include "classlib/core/MemFile.h"

namespace {

// The system's own answer: can a second opener get this access while the first holds the file?
bool SecondOpenSucceeds(const wchar_t* path, DWORD access)
{
    HANDLE h = CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

TEST(File, ShareModesAsTheFrameworkMapsThem)
{
    struct Case {
        const char* name;
        UINT flags;
        bool othersRead;
        bool othersWrite;
    } cases[] = {
        {"shareExclusive", CFile::modeRead | CFile::shareExclusive, false, false},
        {"shareCompat", CFile::modeRead | CFile::shareCompat, false, false},
        {"shareDenyWrite", CFile::modeRead | CFile::shareDenyWrite, true, false},
        {"shareDenyRead", CFile::modeRead | CFile::shareDenyRead, false, true},
        {"shareDenyNone", CFile::modeRead | CFile::shareDenyNone, true, true},
    };
    TempPath path(L"cf-share");
    {
        CFile create;
        ASSERT_TRUE(create.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        create.Write("abc", 3);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), c.flags));
        EXPECT_EQ(SecondOpenSucceeds(path.c_str(), GENERIC_READ), c.othersRead);
        EXPECT_EQ(SecondOpenSucceeds(path.c_str(), GENERIC_WRITE), c.othersWrite);
    }
}

TEST(File, CreateTruncatesUnlessNoTruncate)
{
    TempPath path(L"cf-trunc");
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite));
        file.Write("0123456789", 10);
    }
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite));
        EXPECT_EQ(file.GetLength(), 10u);
        EXPECT_EQ(file.Seek(-3, CFile::end), 7u);
        char tail[4] = {};
        EXPECT_EQ(file.Read(tail, 8), 3u);
        EXPECT_STREQ(tail, "789");
        file.SetLength(4);
        EXPECT_EQ(file.GetLength(), 4u);
    }
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite));
        EXPECT_EQ(file.GetLength(), 0u);
    }
}

TEST(File, FailuresCarryCauses)
{
    CFile missing;
    CFileException error;
    EXPECT_FALSE(missing.Open(L"C:\\no-such-folder-cf\\x.dat", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    EXPECT_FALSE(missing.Open(L"C:\\no-such-file-cf.dat", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);

    TempPath path(L"cf-busy");
    CFile holder;
    ASSERT_TRUE(holder.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
    CFile second;
    EXPECT_FALSE(second.Open(path.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);

    // An operation on a closed file throws instead of touching a stale handle.
    CFile closed;
    char byte;
    EXPECT_THROW(closed.Read(&byte, 1), CFileException);
}

TEST(MemFile, GrowsInWholeStepsAndReadsBack)
{
    CMemFile file;
    EXPECT_EQ(file.GetBufferSize(), 0u);
    std::vector<BYTE> data(1500);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 7);
    file.Write(data.data(), 1);
    EXPECT_EQ(file.GetBufferSize(), 1024u);
    file.Write(data.data() + 1, 1499);
    EXPECT_EQ(file.GetBufferSize(), 2048u);
    EXPECT_EQ(file.GetLength(), 1500u);
    file.SeekToBegin();
    std::vector<BYTE> back(2000);
    EXPECT_EQ(file.Read(back.data(), 2000), 1500u);
    back.resize(1500);
    EXPECT_EQ(back, data);

    // Writing past the end fills the gap with zeros.
    file.Seek(1600, CFile::begin);
    file.Write("x", 1);
    EXPECT_EQ(file.GetLength(), 1601u);
    EXPECT_EQ(file.GetData()[1550], 0);
    EXPECT_THROW(file.Seek(-1, CFile::begin), CFileException);
}

}  // namespace
