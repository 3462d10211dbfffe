#include <gtest/gtest.h>

#include <random>

#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "engine/catalog/plots/PlotFile.h"
#include "tests/support/TempDir.h"

using namespace profiler_test;

TEST(PlotFile, LevelsBecomeBytesScaledBetweenMinimumAndMaximum)
{
    struct Case {
        const char* name;
        std::vector<float> levels;
        Bytes expected;
    } cases[] = {
        {"empty", {}, {}},
        {"flat", {3.0f, 3.0f, 3.0f}, {0, 0, 0}},
        {"quarters", {0.0f, 1.0f, 2.0f, 3.0f, 4.0f}, {0, 64, 128, 192, 255}},
        {"offset range", {10.0f, 10.5f, 11.0f}, {0, 128, 255}},
        {"just under the top", {0.0f, 255.0f, 255.5f}, {0, 255, 255}},
        {"truncated", {0.0f, 1.0f, 3.0f}, {0, 85, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CPlotFile::LevelsToPlotBytes(c.levels.data(), static_cast<int>(c.levels.size())), c.expected);
    }
}

TEST(PlotFile, WrittenFileIsACfp1FormWithPlotAndVbroChunks)
{
    fixtures::TempDir dir(L"plotfile");
    const std::wstring path = dir.File(L"12345.cfm");
    const CMusicFileId id = MakeId(1);
    const Bytes levels = {1, 2, 3};
    const Bytes table = {9, 8, 7, 6, 5};

    CPlotFile plot(path.c_str(), id);
    ASSERT_TRUE(plot.Write(levels.data(), 3, table.data(), 5));
    EXPECT_TRUE(plot.WasWritten());

    const Bytes expected = Form("CFP1", {Chunk("plot", PlotBody(levels, id)), Chunk("vbro", table)});
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(PlotFile, ReadTakesTheFirstPlotChunkWithTheExpectedIdentity)
{
    fixtures::TempDir dir(L"plotfile");
    const std::wstring path = dir.File(L"1.cfm");
    const CMusicFileId id = MakeId(2);
    const CMusicFileId other = MakeId(3);
    ASSERT_TRUE(
        WriteBytes(path, Form("CFP1", {Chunk("plot", Bytes(10, 0)),  // shorter than the trailer
                                       Chunk("plot", PlotBody({7, 7}, other)),
                                       Chunk("plot", PlotBody({1, 2, 3, 4}, id)), Chunk("plot", PlotBody({5}, id))})));
    CPlotFile plot(path.c_str(), id);
    ASSERT_TRUE(plot.Read());
    Bytes bytes;
    PLOT_TRAILER trailer{};
    ASSERT_TRUE(plot.GetPlotBytes(bytes, &trailer));
    EXPECT_EQ(bytes, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(trailer.blockSize, 256);
    EXPECT_TRUE(id.EqualsBytes(trailer.fileId));

    CMusicFileId first;
    CPlotFile identity(path.c_str(), CMusicFileId());
    ASSERT_TRUE(identity.ReadIdentity(&first));
    EXPECT_TRUE(first == other);
}

TEST(PlotFile, ReadRefusesOtherFormsAndOtherIdentities)
{
    fixtures::TempDir dir(L"plotfile");
    const CMusicFileId id = MakeId(4);
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"other form type", Form("CFMP", {Chunk("plot", PlotBody({1}, id))})},
        {"other identity", Form("CFP1", {Chunk("plot", PlotBody({1}, MakeId(5)))})},
        {"no plot chunk", Form("CFP1", {Chunk("vbro", {1, 2})})},
        {"plot chunk of 23 bytes", Form("CFP1", {Chunk("plot", Bytes(23, 1))})},
        {"not RIFF", Bytes(64, 0x41)},
        {"empty file", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = dir.File(L"2.cfm");
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        CPlotFile plot(path.c_str(), id);
        EXPECT_FALSE(plot.Read());
        EXPECT_FALSE(plot.WasRead());
        Bytes bytes;
        EXPECT_FALSE(plot.GetPlotBytes(bytes, nullptr));
    }
    CPlotFile missing(dir.File(L"missing.cfm").c_str(), id);
    EXPECT_FALSE(missing.Read());
}

TEST(PlotFile, VbroSizeIsTheLastChunksAndReadTakesTheFirstOfThatSize)
{
    fixtures::TempDir dir(L"plotfile");
    const std::wstring path = dir.File(L"3.cfm");
    const CMusicFileId id = MakeId(6);
    ASSERT_TRUE(WriteBytes(path, Form("CFP1", {Chunk("plot", PlotBody({1}, id)), Chunk("vbro", {1, 1, 1, 1}),
                                               Chunk("vbro", {2, 2}), Chunk("vbro", {3, 3, 3, 3})})));
    CPlotFile plot(path.c_str(), id);
    EXPECT_EQ(plot.GetVbroSize(), 4u);
    Bytes buffer(4, 0);
    ASSERT_TRUE(plot.ReadVbro(buffer.data(), 4));
    EXPECT_EQ(buffer, (Bytes{1, 1, 1, 1}));
    EXPECT_FALSE(plot.ReadVbro(buffer.data(), 3));

    const std::wstring bare = dir.File(L"4.cfm");
    ASSERT_TRUE(WriteBytes(bare, Form("CFP1", {Chunk("plot", PlotBody({1}, id))})));
    CPlotFile none(bare.c_str(), id);
    EXPECT_EQ(none.GetVbroSize(), 0u);
}

TEST(PlotFile, FailedWriteLeavesNoFile)
{
    fixtures::TempDir dir(L"plotfile");
    const std::wstring path = dir.File(L"no such folder\\5.cfm");
    const Bytes levels = {1};
    CPlotFile plot(path.c_str(), MakeId(7));
    EXPECT_FALSE(plot.Write(levels.data(), 1, nullptr, 0));
    EXPECT_FALSE(plot.WasWritten());
    EXPECT_FALSE(FileExists(path));
}

// Damaged plot files (fixed seed): reading never crashes, and whatever is accepted carries the
// expected identity in its trailer.
TEST(PlotFile, DamagedFilesNeverCrashTheReader)
{
    fixtures::TempDir dir(L"plotfile");
    const std::wstring path = dir.File(L"6.cfm");
    const CMusicFileId id = MakeId(8);
    Bytes levels(300);
    for (size_t i = 0; i < levels.size(); ++i)
        levels[i] = static_cast<BYTE>(i * 7);
    const Bytes good = Form("CFP1", {Chunk("plot", PlotBody(levels, id)), Chunk("vbro", Bytes(40, 3))});
    std::mt19937 random(20261210);
    int accepted = 0;
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        Bytes data = good;
        switch (random() % 3) {
        case 0:
            data.resize(random() % (data.size() + 1));
            break;
        case 1:
            for (int flips = 1 + random() % 6; flips > 0; --flips)
                data[random() % data.size()] ^= static_cast<BYTE>(1u << (random() % 8));
            break;
        default: {
            const DWORD values[] = {0, 1, 23, 24, 0x7FFFFFFF, 0xFFFFFFFF, static_cast<DWORD>(random())};
            const DWORD value = values[random() % 7];
            const size_t at = (random() % (data.size() / 4)) * 4;
            std::memcpy(&data[at], &value, 4);
            break;
        }
        }
        ASSERT_TRUE(WriteBytes(path, data));
        CPlotFile plot(path.c_str(), id);
        if (plot.Read()) {
            ++accepted;
            Bytes bytes;
            PLOT_TRAILER trailer{};
            ASSERT_TRUE(plot.GetPlotBytes(bytes, &trailer));
            EXPECT_TRUE(id.EqualsBytes(trailer.fileId));
            EXPECT_LE(bytes.size(), data.size());
        }
        const DWORD vbro = plot.GetVbroSize();
        EXPECT_LE(vbro, data.size());
        if (vbro) {
            Bytes buffer(vbro);
            plot.ReadVbro(buffer.data(), vbro);
        }
        CMusicFileId read;
        plot.ReadIdentity(&read);
    }
    EXPECT_GT(accepted, 0);
}
