#include "engine/catalog/analysis/PfNoteDetector.h"

#include <gtest/gtest.h>

#include <vector>

#include "DrumPattern.h"
#include "MemoryPcmReader.h"
#include "classlib/com/ComPtr.h"
#include "engine/catalog/analysis/ProfileResults.h"

namespace {

using analysis_fixtures::CMemoryPcmReader;
using analysis_fixtures::MonoSine;

constexpr unsigned kRate = 44100;

// Feeds `samples` in 256-sample blocks, as the spectrum engine does, then finishes.
void Feed(CPfNoteDetector& detector, const std::vector<float>& samples)
{
    for (size_t i = 0; i + 256 <= samples.size(); i += 256)
        ASSERT_EQ(detector.AddBlock(samples.data() + i, 256), S_OK);
    ASSERT_EQ(detector.Finish(nullptr), S_OK);
}

ComPtr<IPcmReader> Reader(unsigned frames, unsigned rate = kRate)
{
    return ComPtr<IPcmReader>::attach(new CMemoryPcmReader(std::vector<int16_t>(2 * frames, 0), rate, 2));
}

TEST(NoteDetector, PeriodsFollowTheSourceRate)
{
    auto reader = Reader(1000);
    CPfPcmThumbnail bass;
    CPfNoteDetector detector;
    ASSERT_TRUE(detector.Create(reader.get(), &bass));
    EXPECT_EQ(detector.GetPeriods()[0], 1348);  // 0.030578051 x 44100
    EXPECT_EQ(detector.GetPeriods()[9], 801);   // A1: 0.018181818 x 44100 = 801.8
    EXPECT_EQ(detector.GetPeriods()[23], 357);
}

TEST(NoteDetector, A55HzSineIsNoteA1AndKeyOfOneFilledBin)
{
    const unsigned frames = 10 * kRate;
    auto reader = Reader(frames);
    CPfPcmThumbnail bass;
    CPfNoteDetector detector;
    ASSERT_TRUE(detector.Create(reader.get(), &bass));
    Feed(detector, MonoSine(55.0, frames, kRate, 20000.0));

    const CPfNoteMap& notes = detector.GetNoteMap();
    // One kept detection per half second or so, all of them A1.
    ASSERT_GE(notes.GetCount(), 10);
    EXPECT_LE(notes.GetCount(), 21);
    for (INT_PTR i = 0; i < notes.GetCount(); ++i) {
        EXPECT_EQ(notes.GetAt(i).note, 9) << i;
        EXPECT_GT(notes.GetAt(i).confidence, 0.9f) << i;
        if (i > 0) {
            EXPECT_GE(notes.GetAt(i - 1).confidence, notes.GetAt(i).confidence) << i;
        }
    }
    // One filled bin (A): the minor template's tonic weight is the largest entry of both.
    const PfKey key = DetectKey(notes);
    EXPECT_EQ(key.keyIndex, 9);
    EXPECT_EQ(key.mode, 1);
    // The bass thumbnail holds the filtered level, well above zero after the filter settles.
    ASSERT_EQ(bass.GetCount(), static_cast<LONG>(frames / 256));
    EXPECT_GT(bass.GetValue(bass.GetCount() / 2), 5000.0f);
}

TEST(NoteDetector, SilenceGivesNoNotesAndModeZero)
{
    const unsigned frames = 3 * kRate;
    auto reader = Reader(frames);
    CPfPcmThumbnail bass;
    CPfNoteDetector detector;
    ASSERT_TRUE(detector.Create(reader.get(), &bass));
    Feed(detector, std::vector<float>(frames, 0.0f));
    EXPECT_EQ(detector.GetNoteMap().GetCount(), 0);
    CProfileResults results;
    results.SetKey(5, 2);
    DetectKey(nullptr, detector.GetNoteMap(), results);
    WORD index = 99, mode = 99;
    results.GetKey(&index, &mode);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(bass.Maximum(), 0.0f);
}

TEST(NoteDetector, WithoutARateTheDetectorIsNotReady)
{
    auto reader = Reader(1000, 0);
    CPfPcmThumbnail bass;
    CPfNoteDetector detector;
    EXPECT_FALSE(detector.Create(reader.get(), &bass));
    const float block[256] = {};
    EXPECT_EQ(detector.AddBlock(block, 256), E_FAIL);
    EXPECT_EQ(detector.Finish(nullptr), E_FAIL);
    EXPECT_EQ(DetectKey(detector.GetNoteMap()).mode, 0);
}

TEST(NoteDetector, AnAbsurdRateFromADamagedFileFindsNothingQuickly)
{
    // Every period is longer than the buffer: no crossing can be compared.
    auto reader = Reader(1000, 0x7FFFFFFF);
    CPfPcmThumbnail bass;
    CPfNoteDetector detector;
    ASSERT_TRUE(detector.Create(reader.get(), &bass));
    Feed(detector, MonoSine(55.0, 4 * kRate, kRate, 20000.0));
    EXPECT_EQ(detector.GetNoteMap().GetCount(), 0);
}

TEST(NoteMap, DetectionsCloserThanHalfASecondKeepOnlyTheMoreConfident)
{
    struct Row {
        const char* name;
        LONGLONG distance;
        INT_PTR kept;
    } rows[] = {{"499,999 us", 499999, 1}, {"500,000 us (inclusive)", 500000, 1}, {"500,001 us", 500001, 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CPfNoteMap map;
        map.Insert({1000000, 3, 0.7f});
        map.Insert({1000000 + row.distance, 5, 0.9f});
        map.KeepSpaced(CPfNoteDetector::kMinimumSpacing);
        ASSERT_EQ(map.GetCount(), row.kept);
        EXPECT_EQ(map.GetAt(0).note, 5);
        EXPECT_FLOAT_EQ(map.GetSmallestConfidence(), row.kept == 1 ? 0.9f : 0.7f);
    }
}

TEST(NoteMap, EqualConfidencesKeepTheirOrder)
{
    CPfNoteMap map;
    map.Insert({0, 1, 0.5f});
    map.Insert({10, 2, 0.8f});
    map.Insert({20, 3, 0.5f});
    map.Insert({30, 4, 0.8f});
    ASSERT_EQ(map.GetCount(), 4);
    const WORD expected[] = {2, 4, 1, 3};
    for (INT_PTR i = 0; i < 4; ++i)
        EXPECT_EQ(map.GetAt(i).note, expected[i]) << i;
    EXPECT_FLOAT_EQ(map.GetSmallestConfidence(), 0.5f);
}

TEST(KeyDetection, TemplatesPickTonicAndMode)
{
    auto mapOf = [](std::vector<WORD> notes) {
        CPfNoteMap map;
        LONGLONG t = 0;
        for (WORD n : notes)
            map.Insert({t += 1000000, n, 0.9f});
        return map;
    };
    struct Row {
        const char* name;
        std::vector<WORD> notes;
        WORD key, mode;
    } rows[] = {
        // Only D: the minor tonic weight 0.352 beats every other entry.
        {"D alone is D minor", {2, 14, 2}, 2, 1},
        // Tonic, third, fourth and leading note: C major's 0.16 + 0.1 + 0.145 + 0.1 = 0.505 / 4
        // beats the best minor rotation (D minor: 0.473 / 4).
        {"C, E, F, B is C major", {0, 4, 5, 11}, 0, 2},
        // The same notes with a dominant tonic fall to the relative minor.
        {"C, F, A, E, G is A minor", {0, 5, 9, 4, 7}, 9, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PfKey key = DetectKey(mapOf(row.notes));
        EXPECT_EQ(key.keyIndex, row.key);
        EXPECT_EQ(key.mode, row.mode);
    }
}

}  // namespace
