// Markers and segments: their chunk and archive forms against hand-made bytes, their interfaces,
// and the range cuts of long segments.
#include <gtest/gtest.h>

#include <limits>

#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackObjContainer.h"
#include "TrackModelBytes.h"

namespace {

Bytes TrkmBody(DWORD type, long long position, DWORD adjusted, LONG value, const std::wstring& label)
{
    Bytes b;
    Put16(b, 32);
    Put16(b, 0);
    Put32(b, type);
    Put64(b, position);
    Put32(b, adjusted);
    Put32(b, static_cast<DWORD>(value));
    Put16(b, label.empty() ? 0 : static_cast<unsigned>(label.size() + 1));
    PutZeros(b, 6);
    if (!label.empty())
        PutWide(b, label, true);
    return b;
}

Bytes TrksHeader(WORD flags, DWORD type, long long start, long long end, long long source)
{
    Bytes b;
    Put16(b, 32);
    Put16(b, flags);
    Put32(b, type);
    Put64(b, start);
    Put64(b, end);
    Put64(b, source);
    return b;
}

Bytes TrksBeatBlock(const long long (&values)[5], int startMeasures, float startFraction, int endMeasures,
                    float endFraction)
{
    Bytes b;
    Put16(b, 64);
    PutZeros(b, 6);
    for (long long v : values)
        Put64(b, v);
    Put32(b, static_cast<DWORD>(startMeasures));
    PutFloat(b, startFraction);
    Put32(b, static_cast<DWORD>(endMeasures));
    PutFloat(b, endFraction);
    return b;
}

// Reads every object of a memory form's top level through the container's chunk reader.
void ReadForm(const Bytes& form, CTrackObjContainer& into)
{
    CRiffFile riff;
    ASSERT_TRUE(riff.OpenFromMemory(form.data(), static_cast<int>(form.size())));
    into.ReadChunks(&riff);
}

}  // namespace

TEST(TrackObjects, MarkerChunkMatchesTheHandMadeLayout)
{
    // A position within the day a stored position may lie in, its five low bytes distinct.
    CMarker marker(kMarkerLabel, 0x0000000405060708LL);
    marker.SetValue(1, -250);
    marker.SetValue(6, 1);
    marker.SetTime(5, 777);
    marker.SetValue(5, 99);
    marker.SetLabel(1, L"Intro");
    marker.SetId(12);

    const Bytes expected =
        Form("TEST", {Chunk("TRKM", TrkmBody(kMarkerLabel, 0x0000000405060708LL, 1, -250, L"Intro"))});
    EXPECT_EQ(WriteForm("TEST", [&](IRiffStream* s) { marker.WriteChunk(s); }), expected);

    CTrackObjContainer back;
    ReadForm(expected, back);
    ASSERT_EQ(back.GetCount(), 1);
    CMarker* read = static_cast<CMarker*>(back.GetAt(0));
    EXPECT_EQ(read->GetType(), kMarkerLabel);
    EXPECT_EQ(read->GetStart(), 0x0000000405060708LL);
    EXPECT_EQ(read->GetMainValue(), -250);
    EXPECT_TRUE(read->IsUserAdjusted());
    EXPECT_EQ(read->GetLabelText(), L"Intro");
    // Neither the second time nor the second value is stored in the chunk.
    LONGLONG second = -1;
    LONG secondValue = -1;
    read->GetTime(5, &second);
    read->GetValue(5, &secondValue);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(secondValue, 0);
}

TEST(TrackObjects, MarkerChunkReaderCutsAndBoundsTheLabel)
{
    struct Row {
        const char* name;
        Bytes body;
        bool kept;
        const wchar_t* label;
    };
    Bytes cut = TrkmBody(0x8000, 5, 0, 0, L"");
    cut[24] = 4;  // four units stored: "ab", terminator, "c"
    PutWide(cut, L"ab", true);
    PutWide(cut, L"c", false);
    Bytes tooLong = TrkmBody(0x8000, 5, 0, 0, L"");
    tooLong[24] = 0xFF;  // announces 255 units, holds none
    Bytes shortHeader = TrkmBody(0x8000, 5, 0, 0, L"");
    shortHeader.resize(20);
    const Row rows[] = {
        {"empty label writes length 0", TrkmBody(0x8000, 5, 0, -10000, L""), true, L""},
        {"stored text cut at its first terminator", cut, true, L"ab"},
        {"label beyond the chunk is dropped", tooLong, false, nullptr},
        {"header shorter than 32 bytes is dropped", shortHeader, false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackObjContainer back;
        ReadForm(Form("TEST", {Chunk("TRKM", row.body)}), back);
        ASSERT_EQ(back.GetCount(), row.kept ? 1 : 0);
        if (row.kept) {
            EXPECT_EQ(static_cast<CMarker*>(back.GetAt(0))->GetLabelText(), row.label);
        }
    }
    CMarker empty(0x8000, 5);
    empty.SetValue(1, -10000);
    EXPECT_EQ(WriteForm("TEST", [&](IRiffStream* s) { empty.WriteChunk(s); }),
              Form("TEST", {Chunk("TRKM", TrkmBody(0x8000, 5, 0, -10000, L""))}));
}

TEST(TrackObjects, SegmentChunksMatchTheHandMadeLayout)
{
    CSegment plain(kSegmentPlain, -5, 1000000, 250);
    plain.SetFlags(0);
    EXPECT_EQ(WriteForm("TEST", [&](IRiffStream* s) { plain.WriteChunk(s); }),
              Form("TEST", {Chunk("TRKS", TrksHeader(0, 1, -5, 1000000, 250))}));

    CSegment beat(kSegmentBeat, 100, 2000, 300);
    beat.SetFlags(kSegmentReversed);  // moves the source by the length: 300 + 1900
    const long long values[5] = {11, -22, 33, 1LL << 40, -(1LL << 50)};
    for (int k = 6; k <= 10; ++k)
        beat.SetTime(k, values[k - 6]);
    CMusicTime start(3 * CMusicTime::kTicksPerMeasure + CMusicTime::kTicksPerMeasure / 4);
    CMusicTime end(7 * CMusicTime::kTicksPerMeasure + CMusicTime::kTicksPerMeasure / 2);
    beat.SetMusicTime(1, &start);
    beat.SetMusicTime(2, &end);
    Bytes body = TrksHeader(1, 2, 100, 2000, 2200);
    const Bytes block = TrksBeatBlock(values, 3, 0.25f, 7, 0.5f);
    body.insert(body.end(), block.begin(), block.end());
    const Bytes expected = Form("TEST", {Chunk("TRKS", body)});
    EXPECT_EQ(WriteForm("TEST", [&](IRiffStream* s) { beat.WriteChunk(s); }), expected);

    CTrackObjContainer back;
    ReadForm(expected, back);
    ASSERT_EQ(back.GetCount(), 1);
    // The third musical time is not stored; the id is not part of the chunk.
    EXPECT_TRUE(back.GetAt(0)->IsEqual(beat));
}

TEST(TrackObjects, SegmentChunkReaderTakesSizedRecords)
{
    const long long values[5] = {1, 2, 3, 4, 5};
    Bytes extra = TrksHeader(0, 1, 0, 10, 0);
    PutZeros(extra, 40);
    Bytes shortHeader = TrksHeader(0, 1, 7, 8, 9);
    shortHeader[0] = 16;  // a 16-byte header: start read, end and source stay zero
    shortHeader.resize(16);
    Bytes longHeader = TrksHeader(0, 2, 7, 8, 9);
    longHeader[0] = 40;  // 8 unknown bytes after the known fields are skipped
    PutZeros(longHeader, 8);
    const Bytes blk = TrksBeatBlock(values, 1, 0.5f, 2, 0.0f);
    longHeader.insert(longHeader.end(), blk.begin(), blk.end());

    struct Row {
        const char* name;
        Bytes body;
        long long start, end, source;
        bool hasBeat;
        long long beat6;
    };
    const Row rows[] = {
        {"type 1 ignores extra bytes", extra, 0, 10, 0, false, 0},
        {"type 2 with only the header keeps a zeroed beat record", TrksHeader(0, 2, 1, 2, 3), 1, 2, 3, true, 0},
        {"shorter header leaves the rest zero", shortHeader, 7, 0, 0, false, 0},
        {"longer header is skipped over", longHeader, 7, 8, 9, true, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackObjContainer back;
        ReadForm(Form("TEST", {Chunk("TRKS", row.body)}), back);
        ASSERT_EQ(back.GetCount(), 1);
        CSegment* s = static_cast<CSegment*>(back.GetAt(0));
        EXPECT_EQ(s->GetStart(), row.start);
        EXPECT_EQ(s->GetEnd(), row.end);
        EXPECT_EQ(s->GetSource(), row.source);
        ASSERT_EQ(s->GetBeatRecord() != nullptr, row.hasBeat);
        if (row.hasBeat) {
            EXPECT_EQ(s->GetBeatRecord()->beatValues[0], row.beat6);
        }
    }
}

TEST(TrackObjects, ArchiveFormsMatchTheHandMadeBytes)
{
    CMarker marker(0x100000, 123456789);
    marker.SetId(4);
    marker.SetTag(7);
    marker.SetValue(6, 1);
    marker.SetTime(5, -3);
    marker.SetValue(5, 55);
    marker.SetValue(1, 128000);
    marker.SetLabel(1, L"Hi");
    Bytes m;
    for (DWORD w : {1u, 0x100000u, 4u, 7u})
        Put32(m, w);
    Put64(m, 123456789);
    Put32(m, 1);
    Put64(m, -3);
    Put32(m, 55);
    Put32(m, 128000);
    PutArchivedString(m, L"Hi");
    EXPECT_EQ(StoreArchive([&](CArchive& a) { marker.Serialize(a); }), m);

    CSegment segment(kSegmentBeat, 10, 20, 30);
    segment.SetId(-1);
    segment.SetFlags(0);
    for (int k = 6; k <= 10; ++k)
        segment.SetTime(k, k * 100);
    CMusicTime t1(111), t2(222);
    segment.SetMusicTime(1, &t1);
    segment.SetMusicTime(2, &t2);
    Bytes s;
    for (DWORD w : {2u, 2u, 0xFFFFFFFFu, 0x40000000u})
        Put32(s, w);
    Put64(s, 10);
    Put64(s, 20);
    Put64(s, 30);
    Put32(s, 0);
    Put32(s, 1);
    for (int k = 6; k <= 10; ++k)
        Put64(s, k * 100);
    Put64(s, 111);
    Put64(s, 222);
    Put64(s, 0);
    EXPECT_EQ(StoreArchive([&](CArchive& a) { segment.Serialize(a); }), s);

    CMarker markerBack;
    LoadArchive(m, [&](CArchive& a) { markerBack.Serialize(a); });
    EXPECT_TRUE(markerBack.IsEqual(marker));
    CSegment segmentBack(kSegmentBeat);
    LoadArchive(s, [&](CArchive& a) { segmentBack.Serialize(a); });
    EXPECT_TRUE(segmentBack.IsEqual(segment));

    // A beat-record flag of 0 deletes an existing record.
    Bytes plain(s.begin(), s.begin() + 16 + 24 + 4);
    Put32(plain, 0);
    LoadArchive(plain, [&](CArchive& a) { segmentBack.Serialize(a); });
    EXPECT_EQ(segmentBack.GetBeatRecord(), nullptr);
}

TEST(TrackObjects, SegmentTimeKindsAndReversal)
{
    CSegment s(kSegmentPlain, 1000, 5000, 20000);
    struct Row {
        int kind;
        HRESULT hr;
        long long value;
    };
    const Row plainRows[] = {{1, S_OK, 20000}, {2, S_OK, 24000}, {3, E_FAIL, 0}, {6, E_FAIL, 0}, {10, E_FAIL, 0}};
    for (const Row& row : plainRows) {
        SCOPED_TRACE(row.kind);
        LONGLONG t = 0;
        EXPECT_EQ(s.GetTime(row.kind, &t), row.hr);
        if (row.hr == S_OK) {
            EXPECT_EQ(t, row.value);
        }
    }
    CMusicTime m;
    EXPECT_EQ(s.GetMusicTime(1, &m), E_FAIL);

    s.SetFlags(kSegmentReversed);
    EXPECT_EQ(s.GetSource(), 24000);
    LONGLONG fileEnd = 0;
    s.GetTime(2, &fileEnd);
    EXPECT_EQ(fileEnd, 20000);
    ASSERT_EQ(s.SetTime(2, 19000), S_OK);  // the file end moves one second further back
    EXPECT_EQ(s.GetEnd(), 6000);
    s.SetFlags(0);
    s.SetFlags(kSegmentReversed);
    s.SetFlags(0);
    EXPECT_EQ(s.GetSource(), 19000);

    s.SetType(kSegmentBeat);
    ASSERT_NE(s.GetBeatRecord(), nullptr);
    EXPECT_EQ(s.SetTime(9, 42), S_OK);
    LONGLONG nine = 0;
    EXPECT_EQ(s.GetTime(9, &nine), S_OK);
    EXPECT_EQ(nine, 42);
    s.SetType(kSegmentPlain);
    EXPECT_EQ(s.GetBeatRecord(), nullptr);
}

TEST(TrackObjects, InterfacesFollowComRules)
{
    CSegment* segment = new CSegment(kSegmentPlain, 0, 1, 0);
    ITrackRange* range = reinterpret_cast<ITrackRange*>(0xDEADBEEF);
    ASSERT_EQ(segment->QueryInterface(IID_ITrackRange, reinterpret_cast<void**>(&range)), S_OK);
    EXPECT_EQ(segment->RefCount(), 2);
    IUnknown* unknown = reinterpret_cast<IUnknown*>(0xDEADBEEF);
    EXPECT_EQ(range->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
    EXPECT_EQ(range->Release(), 1u);

    CMarker* marker = new CMarker(kMarkerLabel, 0);
    marker->SetLabel(1, L"Drop");
    BSTR label = nullptr;
    ASSERT_EQ(marker->GetLabel(1, &label), S_OK);
    EXPECT_EQ(SysStringLen(label), 4u);
    EXPECT_STREQ(label, L"Drop");
    // The caller's copy is its own: freeing it leaves the marker's label intact.
    SysFreeString(label);
    EXPECT_EQ(marker->GetLabelText(), L"Drop");
    EXPECT_EQ(marker->GetLabel(2, &label), E_FAIL);
    EXPECT_EQ(marker->SetValue(3, 1), E_FAIL);
    EXPECT_EQ(marker->IsModified(), S_FALSE);
    marker->SetValue(6, 1);
    EXPECT_EQ(marker->IsModified(), S_OK);

    // Without a delegate a marker answers nothing; with one it forwards.
    ITrackRange* none = reinterpret_cast<ITrackRange*>(0xDEADBEEF);
    EXPECT_EQ(marker->QueryInterface(IID_ITrackRange, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    marker->SetDelegate(segment);
    EXPECT_EQ(segment->RefCount(), 2);
    ASSERT_EQ(marker->QueryInterface(IID_ITrackRange, reinterpret_cast<void**>(&none)), S_OK);
    EXPECT_EQ(none, static_cast<ITrackRange*>(segment));
    none->Release();
    EXPECT_EQ(marker->Release(), 0u);
    EXPECT_EQ(segment->RefCount(), 1);
    segment->Release();
}

namespace {

// Cuts [from, to] out of the segment and checks the piece's span and source; null when the cut
// fails.
CSegment* CutAndCheck(const CSegment& segment, long long from, long long to, long long start, long long end,
                      long long source)
{
    CTrackObj* piece = nullptr;
    EXPECT_TRUE(segment.CloneRange(from, to, &piece));
    CSegment* cut = static_cast<CSegment*>(piece);
    if (cut) {
        EXPECT_EQ(cut->GetStart(), start);
        EXPECT_EQ(cut->GetEnd(), end);
        EXPECT_EQ(cut->GetSource(), source);
    }
    return cut;
}

}  // namespace

TEST(TrackObjects, CloneRangeOfLongSegmentsUsesExactProducts)
{
    // 70 minutes: beat value x cut length is far beyond 64 bits.
    const long long length = 4200000000LL;
    CSegment s(kSegmentBeat, 0, length, 1000);
    s.SetTime(6, 5000000000000LL);
    s.SetTime(7, 9000000000000LL);
    s.SetTime(8, 3000000000000LL);
    CMusicTime mStart(0), mEnd(1000 * CMusicTime::kTicksPerMeasure);
    s.SetMusicTime(1, &mStart);
    s.SetMusicTime(2, &mEnd);

    struct Row {
        const char* name;
        long long from, to;
        long long start, end, source, v6, v7, v8;
        long long mStartTicks, mEndTicks;
    };
    // Expected values from value x part / whole in exact integer arithmetic.
    const long long q = length / 4;
    const Row rows[] = {
        {"end cut", 0, 3 * q, 0, 3 * q, 1000, 5000000000000LL, 9000000000000LL - 1000000000000LL,
         3000000000000LL - 750000000000LL, 0, 750 * CMusicTime::kTicksPerMeasure},
        {"start cut", q, length, q, length, 1000 + q, 5000000000000LL + 750000000000LL, 9000000000000LL,
         3000000000000LL - 750000000000LL, 250 * CMusicTime::kTicksPerMeasure, 1000 * CMusicTime::kTicksPerMeasure},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CSegment* c = CutAndCheck(s, row.from, row.to, row.start, row.end, row.source);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->GetBeatRecord()->beatValues[0], row.v6);
        EXPECT_EQ(c->GetBeatRecord()->beatValues[1], row.v7);
        EXPECT_EQ(c->GetBeatRecord()->beatValues[2], row.v8);
        EXPECT_EQ(c->GetBeatRecord()->musicTimes[0].GetTicks(), row.mStartTicks);
        EXPECT_EQ(c->GetBeatRecord()->musicTimes[1].GetTicks(), row.mEndTicks);
        c->ReleaseObj();
    }
    CMarker marker(0x10, 5);
    CTrackObj* none = nullptr;
    EXPECT_FALSE(marker.CloneRange(0, 10, &none));
    EXPECT_EQ(none, nullptr);
}

TEST(TrackObjects, CloneRangeKeepsEveryTrackTimeOnItsFileTime)
{
    // A forward segment plays source + (t - start) at track time t, a reversed one
    // source - (t - start): a cut piece must play the same file time at every track time it keeps.
    // The segment covers file times 9000 to 13000; reversed, it starts at 13000.
    struct Row {
        const char* name;
        bool reversed;
        long long from, to;
        long long start, end, source;
    };
    const Row rows[] = {
        {"forward, start cut", false, 2000, 5000, 2000, 5000, 10000},
        {"forward, end cut", false, 1000, 3000, 1000, 3000, 9000},
        {"reversed, start cut", true, 2000, 5000, 2000, 5000, 12000},
        {"reversed, end cut", true, 1000, 3000, 1000, 3000, 13000},
        {"reversed, both cut", true, 2000, 4000, 2000, 4000, 12000},
        {"reversed, nothing cut", true, 0, 9999, 1000, 5000, 13000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CSegment s(kSegmentPlain, 1000, 5000, 9000);
        if (row.reversed)
            s.SetFlags(kSegmentReversed);
        CSegment* c = CutAndCheck(s, row.from, row.to, row.start, row.end, row.source);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->IsReversed(), row.reversed);
        const long long sign = row.reversed ? -1 : 1;
        for (long long t = row.start; t <= row.end; t += 500)
            EXPECT_EQ(c->GetSource() + sign * (t - c->GetStart()), s.GetSource() + sign * (t - s.GetStart())) << t;
        c->ReleaseObj();
    }
}
