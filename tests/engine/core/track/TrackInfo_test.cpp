// Tracks: their chunks and archive form against hand-made bytes, their interface, and the
// engine-side operations that reshape layers and markers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/StoredTimes.h"
#include "engine/core/track/TrackInfo.h"
#include "TrackModelBytes.h"
#include "V4Blobs.h"

namespace {

SYSTEMTIME SomeTime()
{
    SYSTEMTIME t{};
    t.wYear = 2024;
    t.wMonth = 2;
    t.wDay = 29;
    t.wHour = 23;
    t.wMinute = 59;
    t.wSecond = 58;
    t.wMilliseconds = 7;
    return t;
}

Bytes TimeBytes(const SYSTEMTIME& t)
{
    Bytes b;
    for (WORD w : {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds})
        Put16(b, w);
    return b;
}

// A primary track of 10 s at 44100 Hz, identity-placed at mix time `offset`.
CTrackInfo* MakeTrack(LONGLONG offset = 0)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(3);
    track->SetSampleInfo(44100, 441000);
    track->ResetToDefaults();
    CTrackLayer* layer = nullptr;
    track->Layers().GetLayer(0, &layer);
    layer->TimeMap().InsertPoint(offset, 0, 1.0);
    layer->TimeMap().InsertPoint(offset + 10000000, 10000000, 1.0);
    return track;
}

CMarker* AddMarker(CTrackInfo& track, DWORD type, LONGLONG position, LONG value)
{
    CMarker* marker = new CMarker(type, position);
    marker->SetMainValue(value);
    track.MainObjects().Append(marker);
    return marker;
}

// What the track's reader answers for a hand-made "TRKI" form, its version left to the reader.
BOOL ReadTrackForm(const Bytes& form, CTrackInfo& track)
{
    CRiffFile riff;
    EXPECT_TRUE(riff.OpenFromMemory(form.data(), static_cast<int>(form.size())));
    return track.ReadChunks(&riff, 0);
}

}  // namespace

TEST(TrackInfo, ChunksMatchTheHandMadeLayout)
{
    CTrackInfo* track = new CTrackInfo();
    CMusicFileId id;
    id.SetBytes(kFileId);
    track->SetMusicFileId(id);
    track->SetBpm(128.5f);
    track->SetVolumeOffset(-300);
    track->SetFlags(kTrackOverlay);
    track->SetMixingKind(kMixingBeat);
    track->SetFilePath(L"C:\\m\\a.mp3");
    track->SetTimestamp(SomeTime());
    track->MainObjects().Append(new CSegment(kSegmentPlain, 0, 5000, 0));

    Bytes path;
    PutWide(path, L"C:\\m\\a.mp3", true);
    const Bytes expected =
        Form("TRKI", {Chunk("TRKH", TrkhBody(128500, -300, kTrackOverlay, kMixingBeat)), Chunk("TRKF", path),
                      Chunk("DMCT", TimeBytes(SomeTime())), List("TKLY", {Chunk("TRKS", TrksPlain(0, 5000, 0))})});
    EXPECT_EQ(WriteForm("TRKI", [&](IRiffStream* s) { track->WriteChunks(s, FALSE); }), expected);

    CTrackInfo* back = new CTrackInfo();
    {
        CRiffFile riff;
        ASSERT_TRUE(riff.OpenFromMemory(expected.data(), static_cast<int>(expected.size())));
        EXPECT_TRUE(back->ReadChunks(&riff, 0));
    }
    EXPECT_EQ(back->GetFilePath(), L"C:\\m\\a.mp3");
    EXPECT_FLOAT_EQ(back->GetBpm(), 128.5f);
    EXPECT_EQ(back->GetFlags(), static_cast<DWORD>(kTrackOverlay));
    EXPECT_EQ(back->GetMixingKind(), static_cast<DWORD>(kMixingBeat));
    EXPECT_TRUE(back->GetMusicFileId() == id);
    const SYSTEMTIME written = SomeTime();
    EXPECT_EQ(std::memcmp(&back->GetTimestamp(), &written, sizeof(SYSTEMTIME)), 0);
    EXPECT_TRUE(back->Layers().IsEqual(track->Layers()));

    // An empty path writes no "TRKF" and a zero time no "DMCT"; a primary track written flat
    // repeats its first layer's objects directly.
    CTrackInfo* bare = new CTrackInfo();
    bare->SetFlags(kTrackPrimary);
    bare->MainObjects().Append(new CSegment(kSegmentPlain, 0, 5000, 0));
    const Bytes bareExpected =
        Form("TRKI", {Chunk("TRKH",
                            [] {
                                Bytes b = TrkhBody(0, 0, kTrackPrimary, 0);
                                std::fill(b.begin() + 8, b.begin() + 24, 0);
                                return b;
                            }()),
                      List("TKLY", {Chunk("TRKS", TrksPlain(0, 5000, 0))}), Chunk("TRKS", TrksPlain(0, 5000, 0))});
    EXPECT_EQ(WriteForm("TRKI", [&](IRiffStream* s) { bare->WriteChunks(s, TRUE); }), bareExpected);
    track->ReleaseFromOwner();
    back->ReleaseFromOwner();
    bare->ReleaseFromOwner();
}

TEST(TrackInfo, ChunkReaderTable)
{
    Bytes cutPath;
    PutWide(cutPath, L"ab", true);
    PutWide(cutPath, L"zz", false);
    Bytes shortHeader = TrkhBody(120000, 0, kTrackPrimary, 1);
    shortHeader.resize(30);
    Bytes longTime = TimeBytes(SomeTime());
    PutZeros(longTime, 4);
    struct Row {
        const char* name;
        Bytes form;
        BOOL result;
        int layers;
        const wchar_t* path;
        float bpm;
        bool timeRead;
    };
    const Row rows[] = {
        {"flat objects without layer lists", Form("TRKI", {Chunk("TRKS", TrksPlain(0, 1, 0)), Chunk("TRKF", cutPath)}),
         TRUE, 1, L"ab", 0.0f, false},
        {"two layer lists", Form("TRKI", {List("TKLY", {}), List("TKLY", {Chunk("TRKS", TrksPlain(0, 1, 0))})}), TRUE,
         2, L"", 0.0f, false},
        {"short header keeps the defaults", Form("TRKI", {Chunk("TRKH", shortHeader)}), TRUE, 1, L"", 0.0f, false},
        {"time chunk longer than 16 bytes is ignored", Form("TRKI", {Chunk("DMCT", longTime)}), TRUE, 1, L"", 0.0f,
         false},
        {"time chunk read", Form("TRKI", {Chunk("DMCT", TimeBytes(SomeTime()))}), TRUE, 1, L"", 0.0f, true},
        {"oldest archive form of another version loads nothing", Form("TRKI", {Chunk("TRKB", {1, 2, 3, 4})}), TRUE, 1,
         L"", 0.0f, false},
        {"truncated oldest archive form fails", Form("TRKI", {Chunk("TRKB", {4, 0, 0, 0})}), FALSE, 1, L"", 0.0f,
         false},
        {"oldest archive form read, nothing else", Form("TRKI", {Chunk("TRKF", cutPath), Chunk("TRKB", V4Blob({}))}),
         TRUE, 1, L"C:\\Music\\a.mp3", 120.0f, false},
        // Stored tempos beyond what a track can have are not taken: the tempo stays unknown.
        {"highest tempo taken", Form("TRKI", {Chunk("TRKH", TrkhBody(500000, 0, kTrackPrimary, 1))}), TRUE, 1, L"",
         500.0f, false},
        {"lowest tempo taken", Form("TRKI", {Chunk("TRKH", TrkhBody(20000, 0, kTrackPrimary, 1))}), TRUE, 1, L"", 20.0f,
         false},
        {"a damaged tempo of 20,000 BPM", Form("TRKI", {Chunk("TRKH", TrkhBody(20000000, 0, kTrackPrimary, 1))}), TRUE,
         1, L"", 0.0f, false},
        {"a tempo just too high", Form("TRKI", {Chunk("TRKH", TrkhBody(500001, 0, kTrackPrimary, 1))}), TRUE, 1, L"",
         0.0f, false},
        {"a negative tempo", Form("TRKI", {Chunk("TRKH", TrkhBody(-120000, 0, kTrackPrimary, 1))}), TRUE, 1, L"", 0.0f,
         false},
        {"oldest archive form with a damaged tempo", Form("TRKI", {Chunk("TRKB", V4Blob([] {
                                                                             V4_BLOB blob;
                                                                             blob.tempo = 20000.0f;
                                                                             return blob;
                                                                         }()))}),
         TRUE, 1, L"C:\\Music\\a.mp3", 0.0f, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackInfo* track = new CTrackInfo();
        EXPECT_EQ(ReadTrackForm(row.form, *track), row.result);
        EXPECT_EQ(track->Layers().GetCount(), row.layers);
        EXPECT_EQ(track->GetFilePath(), row.path);
        EXPECT_EQ(track->GetBpm(), row.bpm);
        EXPECT_EQ(track->GetTimestamp().wYear, row.timeRead ? 2024 : 0);
        track->ReleaseFromOwner();
    }
}

// Times past a day either side of the track's start are damaged: a chunk holding one is not read
// (its object is left out), an older track archive holding one is malformed.
TEST(TrackInfo, StoredTimesPastADayAreNotTaken)
{
    const long long day = kMaxStoredTrackTime;
    const long long daySamples = day / 1000000 * 44100;
    auto blob = [](const std::function<void(V4_BLOB&)>& change) {
        V4_BLOB b;
        change(b);
        return Form("TRKI", {Chunk("TRKB", V4Blob(b))});
    };
    // A beat segment's "TRKS" chunk: the parent's start given, its musical start in measures.
    auto beat = [](long long parentStart, long measures) {
        Bytes b;
        Put16(b, 32);
        Put16(b, 0);
        Put32(b, kSegmentBeat);
        Put64(b, 0);
        Put64(b, 10);
        Put64(b, 0);
        Put16(b, 64);
        PutZeros(b, 6);
        for (long long value : {parentStart, parentStart + 10, 10LL, 0LL, 10LL})
            Put64(b, value);
        Put32(b, static_cast<unsigned>(measures));
        PutFloat(b, 0.5f);
        Put32(b, static_cast<unsigned>(measures + 1));
        PutFloat(b, 0.0f);
        return Form("TRKI", {Chunk("TRKS", b)});
    };
    const long maxMeasures = static_cast<long>(kMaxStoredMeasures);
    struct Row {
        const char* name;
        Bytes form;
        BOOL result;
        int objects;
    };
    const Row rows[] = {
        {"beat segment within the bounds", beat(day - 10, maxMeasures - 1), TRUE, 1},
        {"beat segment's parent time past the bound", beat(day, 0), TRUE, 0},
        {"beat segment's musical time past the bound", beat(0, maxMeasures), TRUE, 0},
        {"marker and segment end at the bound",
         Form("TRKI", {Chunk("TRKS", TrksPlain(0, day, 0)), Chunk("TRKM", TrkmPlain(kMarkerStart, day))}), TRUE, 2},
        {"marker past the bound",
         Form("TRKI", {Chunk("TRKS", TrksPlain(0, day, 0)), Chunk("TRKM", TrkmPlain(1, day + 1))}), TRUE, 1},
        {"marker before the bound", Form("TRKI", {Chunk("TRKM", TrkmPlain(kMarkerStart, -day - 1))}), TRUE, 0},
        {"segment end past the bound",
         Form("TRKI", {Chunk("TRKS", TrksPlain(0, day + 1, 0)), Chunk("TRKM", TrkmPlain(kMarkerStart, 0))}), TRUE, 1},
        {"segment file position past the bound", Form("TRKI", {Chunk("TRKS", TrksPlain(0, 10, day + 1))}), TRUE, 0},
        {"older archive, marker at the bound", blob([&](V4_BLOB& b) {
             b.markers = {{0, daySamples, 1, 0, L""}};
         }),
         TRUE, 1},
        {"older archive, marker a sample past the bound", blob([&](V4_BLOB& b) {
             b.markers = {{0, daySamples + 1, 1, 0, L""}};
         }),
         FALSE, 0},
        {"older archive, segment far past the bound", blob([&](V4_BLOB& b) {
             b.segments = {{0, 79000000000000LL, 0}};
         }),
         FALSE, 0},
        {"older archive, overlay parent time past the bound", blob([&](V4_BLOB& b) {
             b.slaves = {{0, 10, 0, 0, 100, day + 1, day + 2}};
         }),
         FALSE, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackInfo* track = new CTrackInfo();
        EXPECT_EQ(ReadTrackForm(row.form, *track), row.result);
        if (row.result) {
            EXPECT_EQ(track->MainObjects().GetCount(), row.objects);
        }
        track->ReleaseFromOwner();
    }
}

TEST(TrackInfo, ArchiveFormMatchesTheHandMadeBytes)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetFilePath(L"x.wav");
    track->SetLinkId(4);
    track->SetTrackId(5);
    track->SetCatalogItemId(6);
    track->SetRuntimeWord(7);
    CMusicFileId id;
    id.SetId(0x1111, 0x2222);
    track->SetMusicFileId(id);
    track->SetSampleInfo(48000, 123456789012LL);
    track->SetVolumeOffset(-50);
    track->SetBpm(100.0f);
    track->SetMixingKind(2);
    track->SetFlags(kTrackPrimary);
    track->SetTimestamp(SomeTime());
    track->SetLeadSpan(10, 20);
    track->BeatPoints().SetFlagWord(1);
    track->BeatPoints().Positions().Add(44100);

    Bytes e;
    Put16(e, 5);
    Put16(e, 2);
    PutArchivedString(e, L"x.wav");
    for (DWORD w : {4u, 5u, 6u, 7u})
        Put32(e, w);
    Put64(e, 0x1111);
    Put64(e, 0x2222);
    Put32(e, 48000);
    Put64(e, 123456789012LL);
    Put32(e, static_cast<DWORD>(-50));
    PutFloat(e, 100.0f);
    Put32(e, 0);  // profile applied
    Put32(e, 2);
    Put32(e, kTrackPrimary);
    Put32(e, 1);  // the word set at construction
    Put32(e, 1);  // one layer: no objects, no time map points, cached times -1
    Put32(e, 0);
    Put32(e, 0);
    Put64(e, -1);
    Put64(e, -1);
    const Bytes time = TimeBytes(SomeTime());
    e.insert(e.end(), time.begin(), time.end());
    Put64(e, 10);
    Put64(e, 20);
    const Bytes stored = StoreArchive([&](CArchive& a) { track->Serialize(a); });
    ASSERT_GT(stored.size(), e.size());
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + static_cast<long>(e.size())), e);
    // The beat points follow in their own form.
    const Bytes beats = StoreArchive([&](CArchive& a) { track->BeatPoints().Serialize(a); });
    EXPECT_EQ(Bytes(stored.begin() + static_cast<long>(e.size()), stored.end()), beats);

    CTrackInfo* back = new CTrackInfo();
    LoadArchive(stored, [&](CArchive& a) { back->Serialize(a); });
    EXPECT_TRUE(back->IsEqual(*track));

    // Another version reads nothing further.
    Bytes other = stored;
    other[0] = 4;
    CTrackInfo* old = new CTrackInfo();
    LoadArchive(other, [&](CArchive& a) { old->Serialize(a); });
    EXPECT_EQ(old->GetFilePath(), L"");
    LONG trackId = 0;
    old->GetTrackId(&trackId);
    EXPECT_EQ(trackId, -1);

    for (size_t cut : {size_t{3}, size_t{40}, stored.size() - 1}) {
        SCOPED_TRACE(cut);
        CTrackInfo* damaged = new CTrackInfo();
        Bytes part(stored.begin(), stored.begin() + static_cast<long>(cut));
        EXPECT_THROW(LoadArchive(part, [&](CArchive& a) { damaged->Serialize(a); }), CArchiveException);
        damaged->ReleaseFromOwner();
    }
    track->ReleaseFromOwner();
    back->ReleaseFromOwner();
    old->ReleaseFromOwner();
}

TEST(TrackInfo, SmallQueriesTable)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetBpm(300.0f);
    EXPECT_EQ(track->GetBpm(), 250.0f);
    track->SetBpm(20.0f);
    EXPECT_EQ(track->GetBpm(), 40.0f);

    struct TypeRow {
        DWORD flags;
        DWORD type;
        HRESULT primary;
        HRESULT pause;
    };
    const TypeRow types[] = {{0x50000, 0x40000, S_OK, S_OK},
                             {0, 0x20000, S_FALSE, S_FALSE},
                             {0x10000, 0x10000, S_OK, S_FALSE},
                             {0x20000, 0x20000, S_FALSE, S_FALSE}};
    for (const TypeRow& row : types) {
        SCOPED_TRACE(row.flags);
        track->SetFlags(row.flags);
        DWORD type = 0;
        track->GetTrackType(&type);
        EXPECT_EQ(type, row.type);
        EXPECT_EQ(track->IsPrimaryTrack(), row.primary);
        EXPECT_EQ(track->IsPauseTrack(), row.pause);
    }
    track->SetFlags(kTrackPause);
    track->SetMixingKind(kMixingBeat);
    EXPECT_EQ(track->IsBeatMixed(), S_FALSE);
    track->SetFlags(kTrackPrimary);
    EXPECT_EQ(track->IsBeatMixed(), S_OK);

    LONGLONG from = -1;
    LONGLONG to = -1;
    EXPECT_EQ(track->GetLeadSpan(&from, &to), S_FALSE);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 0);
    track->SetLeadSpan(0, 5);
    EXPECT_EQ(track->GetLeadSpan(&from, &to), S_OK);

    struct TempoRow {
        float bpm;
        LONGLONG duration;
        LONGLONG span;
        WORD count;
    };
    // At 44100 Hz: a measure of 4 beats at 120 BPM is 2 s.
    const TempoRow tempos[] = {
        {120.0f, 2000000, 9000000, 5}, {120.0f, 2000000, 8900000, 4}, {128.0f, 1875000, 7500000, 4}};
    track->SetSampleInfo(44100, 44100 * 60);
    for (const TempoRow& row : tempos) {
        SCOPED_TRACE(row.span);
        track->SetBpm(row.bpm);
        LONGLONG duration = 0;
        track->GetMeasureDuration(&duration);
        EXPECT_EQ(duration, row.duration);
        WORD count = 0;
        track->GetMeasureCount(1000, 1000 + row.span, &count);
        EXPECT_EQ(count, row.count);
        float span = 0;
        track->GetMeasureSpan(0, row.span, &span);
        EXPECT_NEAR(span, row.span / static_cast<double>(row.duration), 1e-4);
    }
    EXPECT_EQ(track->GetTrackLength(), 60000000);
    track->SetSampleInfo(0, 100);
    EXPECT_EQ(track->GetTrackLength(), 0);

    LONGLONG t = 0;
    EXPECT_EQ(track->GetStartTime(&t), E_FAIL);  // no time map yet
    track->ReleaseFromOwner();
}

TEST(TrackInfo, InfoAndTempoMarkers)
{
    CTrackInfo* track = MakeTrack();
    track->SetBpm(120.0f);
    TRACKITEM_INFO info{};
    info.size = 36;
    track->GetInfo(&info);
    EXPECT_EQ(info.size, 36u);
    EXPECT_EQ(info.trackType, 0x10000u);
    EXPECT_EQ(info.relatedTrack, 3);
    EXPECT_EQ(info.playbackTempo, 120.0f);
    EXPECT_EQ(info.tempoUnadjusted, 1u);
    EXPECT_EQ(info.analysisApplied, 0u);

    AddMarker(*track, kMarkerTempoStart, 0, 124000);
    AddMarker(*track, kMarkerTempoEnd, 9000000, 126000);
    track->GetInfo(&info);
    EXPECT_EQ(info.playbackTempo, 125.0f);
    track->SetTempo(130.0f, FALSE);
    track->GetInfo(&info);
    EXPECT_EQ(info.playbackTempo, 130.0f);
    EXPECT_EQ(info.tempoUnadjusted, 0u);
    track->SetTempo(0.0f, TRUE);
    track->GetInfo(&info);
    EXPECT_EQ(info.tempoUnadjusted, 1u);
    EXPECT_EQ(info.playbackTempo, 130.0f);

    track->MakePauseTrack();
    track->GetInfo(&info);
    EXPECT_EQ(info.trackType, 0x40000u);
    EXPECT_EQ(info.analysisApplied, 1u);
    EXPECT_EQ(track->GetFilePath(), L"PAUSE TRACK");
    track->ReleaseFromOwner();
}

TEST(TrackInfo, AudibleStartAndEndTable)
{
    struct Row {
        const char* name;
        std::vector<std::pair<LONGLONG, LONG>> markers;  // track time, level
        HRESULT startHr;
        LONGLONG start;
        HRESULT endHr;
        LONGLONG end;
    };
    const LONGLONG offset = 1000000;
    const Row rows[] = {
        {"no volume markers", {}, S_OK, offset, S_OK, offset + 10000000},
        {"fade in and out",
         {{0, -10000}, {2000000, 0}, {8000000, 0}, {9500000, -10000}},
         S_OK,
         offset,
         S_OK,
         offset + 9500000},
        {"silent lead-in",
         {{0, -10000}, {1000000, -10000}, {3000000, -200}, {10000000, -10000}},
         S_OK,
         offset + 1000000,
         S_OK,
         offset + 10000000},
        {"never loud", {{0, -10000}, {5000000, -5000}}, E_FAIL, 0, E_FAIL, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackInfo* track = MakeTrack(offset);
        for (const auto& m : row.markers)
            AddMarker(*track, 0x8000, m.first, m.second);
        LONGLONG t = -1;
        EXPECT_EQ(track->GetAudibleStart(&t), row.startHr);
        if (row.startHr == S_OK) {
            EXPECT_EQ(t, row.start);
        }
        EXPECT_EQ(track->GetAudibleEnd(&t), row.endHr);
        if (row.endHr == S_OK) {
            EXPECT_EQ(t, row.end);
        }
        track->ReleaseFromOwner();
    }
}

TEST(TrackInfo, MarkersThroughTheInterface)
{
    CTrackInfo* track = MakeTrack(500);
    EXPECT_EQ(track->AddMarker(500 + 100, kMarkerLabel), S_OK);
    EXPECT_EQ(track->AddMarker(500 + 200, kMarkerLabel), S_OK);
    EXPECT_EQ(track->AddMarker(500 + 20000000, kMarkerLabel), E_FAIL);  // no layer there
    ITrackMarker* marker = nullptr;
    ASSERT_EQ(track->GetMarker(1, kMarkerLabel, &marker), S_OK);
    LONGLONG position = 0;
    marker->GetPosition(&position);
    EXPECT_EQ(position, 200);
    BSTR label = nullptr;
    ASSERT_EQ(marker->GetLabel(1, &label), S_OK);
    EXPECT_STREQ(label, L"2");
    SysFreeString(label);
    EXPECT_EQ(track->GetMarker(2, kMarkerLabel, &marker), E_FAIL);
    EXPECT_EQ(track->RefCount(), 2);  // the handed-out marker holds the track

    LONGLONG first = 0;
    LONGLONG last = 0;
    track->GetType2MarkerSpan(&first, nullptr);
    EXPECT_EQ(first, 10000000);
    track->GetType1MarkerSpan(nullptr, &last);
    EXPECT_EQ(last, 0);
    track->MainObjects().RemoveStartEndMarkers();
    track->GetType1MarkerSpan(&first, &last);
    EXPECT_EQ(first, 0);  // the earliest object start
    EXPECT_EQ(last, 0);

    LONG counter = 0;
    track->NumberObjects(&counter);
    IUnknown* object = nullptr;
    ASSERT_EQ(track->GetObjectById(0, &object), S_OK);  // the full segment
    ITrackRange* range = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_ITrackRange, reinterpret_cast<void**>(&range)), S_OK);
    range->Release();
    object->Release();
    EXPECT_EQ(track->GetObjectById(99, &object), E_FAIL);

    ITrackLayer* layer = nullptr;
    ASSERT_EQ(track->GetLayer(0, &layer), S_OK);
    EXPECT_EQ(track->GetLayer(1, &layer), E_FAIL);
    EXPECT_EQ(track->GetLayer(-1, &layer), E_FAIL);

    // The owner lets go while the caller still holds a marker and a layer: the marker no longer
    // holds the track, which goes away at once; the layer outlives it and holds the marker.
    track->ReleaseFromOwner();
    EXPECT_EQ(layer->Release(), 0u);
    EXPECT_EQ(marker->Release(), 0u);
}

TEST(TrackInfo, PrimaryOverlayAndLayerReshaping)
{
    CTrackInfo* track = MakeTrack();
    AddMarker(*track, 0x8000, 100, -600);
    AddMarker(*track, kMarkerObject, 200, 0);
    AddMarker(*track, kMarkerLabel, 300, 0);
    track->MainObjects().Append(new CSegment(kSegmentPlain, 20000000, 30000000, 0));
    AddMarker(*track, kMarkerLabel, 25000000, 0);
    EXPECT_TRUE(track->HasCustomSettings());

    // Overlay: start/end, volume, object and mix-point markers go; segments become beat
    // segments and every one after the first moves to a layer of its own with its markers.
    track->SetPrimary(FALSE);
    EXPECT_EQ(track->GetFlags(), static_cast<DWORD>(kTrackOverlay));
    EXPECT_EQ(track->GetLinkId(), -1);
    ASSERT_EQ(track->Layers().GetCount(), 2);
    CTrackLayer* second = nullptr;
    track->Layers().GetLayer(1, &second);
    ASSERT_EQ(second->Objects().GetCount(), 2);
    EXPECT_EQ(second->Objects().GetAt(0)->GetStart(), 20000000);
    EXPECT_EQ(second->Objects().GetAt(1)->GetStart(), 25000000);
    EXPECT_EQ(track->MainObjects().CountObjects(kTrackObjMarker, kAllMask), 1);  // the first label
    EXPECT_EQ(track->MainObjects().CountObjects(kTrackObjSegment, kSegmentBeat), 1);

    // Primary again: the layers merge, each following the one before it.
    second->TimeMap().InsertPoint(50000000, 0, 1.0);
    track->SetPrimary(TRUE);
    EXPECT_EQ(track->Layers().GetCount(), 1);
    EXPECT_EQ(track->GetLinkId(), 3);
    const CTrackObjContainer& merged = track->MainObjects();
    EXPECT_EQ(merged.CountObjects(kTrackObjSegment, kSegmentPlain), 2);
    EXPECT_EQ(merged.GetLatestEnd(), 10000000 + 1 + 10000000);

    track->KeepSegmentsOnly();
    EXPECT_EQ(track->MainObjects().CountObjects(kTrackObjMarker, kAllMask), 0);
    EXPECT_FALSE(track->HasCustomSettings());  // primary with no mix-point markers

    CTrackInfo* copy = new CTrackInfo();
    copy->SetTrackId(9);
    copy->SetFlags(0);
    track->CopySettingsTo(*copy);
    EXPECT_EQ(copy->GetLinkId(), 9);
    EXPECT_TRUE(copy->Layers().IsEqual(track->Layers()));
    CTrackInfo* full = new CTrackInfo();
    full->CopyFrom(*track);
    EXPECT_TRUE(full->IsEqual(*track));
    full->SetVolumeOffset(1);
    EXPECT_FALSE(full->IsEqual(*track));
    track->ReleaseFromOwner();
    copy->ReleaseFromOwner();
    full->ReleaseFromOwner();
}

TEST(TrackInfo, ApplyProfileOnceWithValidResults)
{
    CProfileResults results;
    results.SetSampleRate(44100);
    results.SetSampleCount(441000);
    results.SetTempo(126.0f);
    CMusicFileId id;
    id.SetBytes(kFileId);
    results.SetMusicFileId(id);
    results.SetLoudPositions(44100, 441000 - 44100);
    results.AddMixInPoint(88200);
    results.AddMixOutPoint(352800);
    const LONGLONG measures[] = {0, 88200, 176400};
    results.SetMeasureStarts(measures, 3);

    struct Row {
        const char* name;
        BOOL standard;
        LONGLONG start;
        LONGLONG end;
        DWORD mixing;
    };
    const Row rows[] = {{"standard: where the music is loud", TRUE, 1000000, 9000000, kMixingStandard},
                        {"beat: the suggested mix points", FALSE, 2000000, 8000000, kMixingBeat}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackInfo* track = MakeTrack();
        track->ApplyProfile(results, row.standard);
        EXPECT_TRUE(track->IsProfileApplied());
        EXPECT_EQ(track->GetBpm(), 126.0f);
        EXPECT_TRUE(track->GetMusicFileId() == id);
        EXPECT_EQ(track->GetMixingKind(), row.mixing);
        LONGLONG t = 0;
        EXPECT_TRUE(track->MainObjects().GetEarliestStartMarker(&t));
        EXPECT_EQ(t, row.start);
        EXPECT_TRUE(track->MainObjects().GetLatestEndMarker(&t));
        EXPECT_EQ(t, row.end);
        EXPECT_EQ(track->MainObjects().CountObjects(kTrackObjMarker, kMarkerObject), 3);
        // A second application changes nothing.
        track->MainObjects().RemoveObjects(kTrackObjMarker, kMarkerObject);
        track->ApplyProfile(results, row.standard);
        EXPECT_EQ(track->MainObjects().CountObjects(kTrackObjMarker, kMarkerObject), 0);
        track->ReleaseFromOwner();
    }

    // User-adjusted start markers and invalid results are left alone.
    CTrackInfo* adjusted = MakeTrack();
    adjusted->MainObjects().AddStartMarker(500);
    CProfileResults invalid;
    adjusted->ApplyProfile(invalid, TRUE);
    EXPECT_FALSE(adjusted->IsProfileApplied());
    adjusted->ApplyProfile(results, TRUE);
    LONGLONG t = 0;
    adjusted->MainObjects().GetLatestStartMarker(&t);
    EXPECT_EQ(t, 500);
    adjusted->ReleaseFromOwner();
}

TEST(TrackInfo, DamagedChunksAreReadSafely)
{
    CTrackInfo* track = MakeTrack();
    track->SetFilePath(L"C:\\a.mp3");
    track->SetTimestamp(SomeTime());
    AddMarker(*track, kMarkerLabel, 5, 0)->SetLabelText(L"label");
    CSegment* beat = new CSegment(kSegmentBeat, 10, 20, 30);
    track->MainObjects().Append(beat);
    const Bytes form = WriteForm("TRKI", [&](IRiffStream* s) { track->WriteChunks(s, TRUE); });
    track->ReleaseFromOwner();
    // Every byte in turn set to values that make sizes and lengths huge or zero: the reader
    // takes what the bounds allow and never reads past a chunk.
    for (size_t i = 0; i < form.size(); ++i)
        for (BYTE value : {BYTE{0xFF}, BYTE{0x00}, BYTE{0x41}}) {
            Bytes damaged = form;
            damaged[i] = value;
            CRiffFile riff;
            if (!riff.OpenFromMemory(damaged.data(), static_cast<int>(damaged.size())))
                continue;
            CTrackInfo* back = new CTrackInfo();
            back->ReadChunks(&riff, 0);
            EXPECT_GE(back->Layers().GetCount(), 1);
            back->ReleaseFromOwner();
        }
}

TEST(TrackInfo, MergeLayersChainsThreeLayersInMixOrder)
{
    // The first layer holds the default full segment [0, 10 s] from mix time 0. Each further
    // layer follows the one before it in mix order, one microsecond after its end, markers and
    // all; equal first mix times keep the layers' order.
    struct Row {
        const char* name;
        LONGLONG secondMix, thirdMix;
        LONGLONG secondStart, thirdStart;  // where the layers' segments end up
    };
    const Row rows[] = {
        {"third layer earlier in the mix", 50000000, 30000000, 13000002, 10000001},
        {"equal first mix times", 30000000, 30000000, 10000001, 13000002},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackInfo* track = MakeTrack();
        const LONGLONG mixTimes[2] = {row.secondMix, row.thirdMix};
        const LONGLONG starts[2] = {2000000, 1000000};
        const LONGLONG sources[2] = {111, 222};
        for (int l = 0; l < 2; ++l) {
            CTrackLayer* layer = nullptr;
            ASSERT_EQ(track->Layers().AddLayer(&layer), S_OK);
            layer->Objects().Append(new CSegment(kSegmentPlain, starts[l], starts[l] + 3000000, sources[l]));
            layer->Objects().Append(new CMarker(kMarkerLabel, starts[l] + 1000000));
            layer->TimeMap().InsertPoint(mixTimes[l], 0, 1.0);
        }
        track->MergeLayers();
        ASSERT_EQ(track->Layers().GetCount(), 1);
        const CTrackObjContainer& merged = track->MainObjects();
        ASSERT_EQ(merged.CountObjects(kTrackObjSegment, kSegmentPlain), 3);
        std::vector<std::pair<LONGLONG, LONGLONG>> segments;  // start, source
        std::vector<LONGLONG> labels;
        for (int i = 0; i < merged.GetCount(); ++i) {
            const CTrackObj* o = merged.GetAt(i);
            if (o->GetClass() == kTrackObjSegment)
                segments.emplace_back(o->GetStart(), static_cast<const CSegment*>(o)->GetSource());
            else if (o->Matches(kTrackObjMarker, kMarkerLabel))
                labels.push_back(o->GetStart());
        }
        std::sort(segments.begin(), segments.end());
        std::sort(labels.begin(), labels.end());
        std::vector<std::pair<LONGLONG, LONGLONG>> expected{{0, 0}, {row.secondStart, 111}, {row.thirdStart, 222}};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(segments, expected);
        EXPECT_EQ(labels, (std::vector<LONGLONG>{10000001 + 1000000, 13000002 + 1000000}));
        track->ReleaseFromOwner();
    }
}
