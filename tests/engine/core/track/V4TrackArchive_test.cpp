// The loader of the older track format, over hand-made blobs of versions 3 and 4 whose tracks
// are worked out by hand; damaged blobs fail without a crash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackObjContainer.h"
#include "engine/core/track/V4TrackArchive.h"
#include "V4Blobs.h"

namespace {

// class, type, start, end, main value (markers) or source (segments), user-adjusted, label
using Obj = std::tuple<DWORD, DWORD, LONGLONG, LONGLONG, LONGLONG, BOOL, std::wstring>;

std::vector<Obj> Objects(const CTrackInfo& track)
{
    std::vector<Obj> out;
    const CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        CTrackObj* o = objects.GetAt(i);
        if (o->GetClass() == kTrackObjMarker) {
            auto* m = static_cast<CMarker*>(o);
            out.emplace_back(kTrackObjMarker, m->GetType(), m->GetStart(), m->GetEnd(), m->GetMainValue(),
                             m->IsUserAdjusted(), m->GetLabelText().GetString());
        } else {
            auto* s = static_cast<CSegment*>(o);
            out.emplace_back(kTrackObjSegment, s->GetType(), s->GetStart(), s->GetEnd(), s->GetSource(), FALSE, L"");
        }
    }
    return out;
}

BOOL Load(const Bytes& blob, CTrackInfo& track)
{
    BOOL result = FALSE;
    LoadArchive(blob, [&](CArchive& archive) { result = LoadV4TrackArchive(archive, track); });
    return result;
}

V4_BLOB FullBlob()
{
    V4_BLOB b;
    b.volumeOffset = -300;
    b.segments = {{0, 441000, 4410}};
    b.markers = {{1, 44100, 1, 0, L""}, {0, 396900, 2, 0, L""}};
    b.volume = {{0, 22050, 3, -500, L""}};
    b.tempos = {{1, 0, 11, 120500, L""}};
    b.unused = {{0, 1, 5, 0, L""}};
    b.treble = {{0, 88200, 17, -200, L""}};
    b.bass = {{0, 132300, 18, 300, L""}};
    b.labels = {{0, 176400, 19, 0, L"Drop"}};
    return b;
}

TEST(V4TrackArchive, Version4BlobBecomesOneLayerInMicroseconds)
{
    CTrackInfo track;
    ASSERT_TRUE(Load(V4Blob(FullBlob()), track));
    const std::vector<Obj> expected = {
        {kTrackObjSegment, 1, 0, 10000000, 100000, FALSE, L""},
        {kTrackObjMarker, 0x1, 1000000, 1000000, 0, TRUE, L""},
        {kTrackObjMarker, 0x2, 9000000, 9000000, 0, FALSE, L""},
        {kTrackObjMarker, 0x10, 500000, 500000, -500, FALSE, L""},
        {kTrackObjMarker, 0x100000, 0, 0, 120500, TRUE, L""},
        {kTrackObjMarker, 0x10000, 2000000, 2000000, -200, FALSE, L""},
        {kTrackObjMarker, 0x40000, 3000000, 3000000, 300, FALSE, L""},
        {kTrackObjMarker, 0x4000000, 4000000, 4000000, 0, FALSE, L"Drop"},
    };
    EXPECT_EQ(Objects(track), expected);
    EXPECT_EQ(track.Layers().GetCount(), 1);
    EXPECT_EQ(track.GetFilePath(), L"C:\\Music\\a.mp3");
    EXPECT_EQ(track.GetFlags(), static_cast<DWORD>(kTrackPrimary));
    EXPECT_EQ(track.GetMixingKind(), static_cast<DWORD>(kMixingStandard));
    EXPECT_EQ(track.GetBpm(), 120.0f);
    EXPECT_EQ(track.GetLinkId(), 7);
    EXPECT_EQ(track.GetTrackIdValue(), 8);
    EXPECT_EQ(track.GetSampleRate(), 44100u);
    LONG offset = 0;
    track.GetVolumeOffset(&offset);
    EXPECT_EQ(offset, -300);
    LONGLONG low = 0;
    LONGLONG high = 0;
    CMusicFileId fileId = track.GetMusicFileId();
    fileId.GetId(&low, &high);
    EXPECT_EQ(low, 0x1111);
    EXPECT_EQ(high, 0x2222);
}

TEST(V4TrackArchive, Version3BlobWithSlaveSegmentsIsAnOverlayWithoutLabels)
{
    V4_BLOB b = FullBlob();
    b.version = 3;
    b.markers = {{0, 0, 1, 0, L""}, {0, 44100, 1, 0, L""}};
    b.slaves = {{44100, 88200, 0, 1000, 5000, 7, 9}};
    CTrackInfo track;
    ASSERT_TRUE(Load(V4Blob(b), track));
    EXPECT_EQ(track.GetFlags(), static_cast<DWORD>(kTrackOverlay));
    EXPECT_EQ(track.GetMixingKind(), static_cast<DWORD>(kMixingStandard));
    const CTrackObjContainer& objects = track.MainObjects();
    EXPECT_EQ(objects.CountObjects(kTrackObjMarker, kMarkerLabel), 0);
    ASSERT_EQ(objects.CountObjects(kTrackObjSegment, kSegmentBeat), 1);
    CSegment* slave = nullptr;
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjSegment, kSegmentBeat))
            slave = static_cast<CSegment*>(objects.GetAt(i));
    ASSERT_NE(slave, nullptr);
    EXPECT_EQ(slave->GetStart(), 1000000);
    EXPECT_EQ(slave->GetEnd(), 2000000);
    const LONGLONG beats[5] = {7, 9, 4000, 1000, 5000};  // kinds 6 to 10; 8 = 10 - 9
    for (int kind = 6; kind <= 10; ++kind) {
        LONGLONG value = 0;
        EXPECT_EQ(slave->GetTime(kind, &value), S_OK);
        EXPECT_EQ(value, beats[kind - 6]) << "beat value " << kind;
    }
}

TEST(V4TrackArchive, RolesAndRatesOfTheTrack)
{
    struct Row {
        const char* name;
        V4_BLOB blob;
        DWORD flags;
        DWORD mixing;
        LONGLONG firstSegmentEnd;
        int objects;
    } rows[] = {
        {"two start markers: beat mixing",
         [] {
             V4_BLOB b;
             b.segments = {{0, 441000, 0}};
             b.markers = {{0, 0, 1, 0, L""}, {0, 44100, 1, 0, L""}};
             return b;
         }(),
         kTrackPrimary, kMixingBeat, 10000000, 3},
        {"pause track",
         [] {
             V4_BLOB b;
             b.path = L"PAUSE TRACK";
             b.segments = {{0, 44100, 0}};
             return b;
         }(),
         kTrackPause, kMixingStandard, 1000000, 1},
        {"stored rate 0 counts as 1",
         [] {
             V4_BLOB b;
             b.rate = 0;
             b.segments = {{0, 3, 0}};
             return b;
         }(),
         kTrackPrimary, kMixingStandard, 3000000, 1},
        {"version 5 loads nothing",
         [] {
             V4_BLOB b = FullBlob();
             b.version = 5;
             return b;
         }(),
         0, 0, -1, 0},
        {"truncating division",
         [] {
             V4_BLOB b;
             b.rate = 3;
             b.segments = {{0, 2, 0}};
             return b;
         }(),
         kTrackPrimary, kMixingStandard, 666666, 1},
    };
    for (const Row& row : rows) {
        CTrackInfo track;
        track.MainObjects().AddStartMarker(5);
        ASSERT_TRUE(Load(V4Blob(row.blob), track)) << row.name;
        EXPECT_EQ(track.GetFlags(), row.flags) << row.name;
        EXPECT_EQ(track.GetMixingKind(), row.mixing) << row.name;
        EXPECT_EQ(track.MainObjects().GetCount(), row.objects) << row.name;
        if (row.firstSegmentEnd >= 0) {
            ASSERT_GT(track.MainObjects().GetCount(), 0) << row.name;
            EXPECT_EQ(track.MainObjects().GetAt(0)->GetEnd(), row.firstSegmentEnd) << row.name;
        }
    }
}

TEST(V4TrackArchive, MalformedBlobsFail)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // A tempo marker's stored float that the test replaces by infinity.
    constexpr long long kSentinelTempo = 777777;
    const float infinity = std::numeric_limits<float>::infinity();
    struct Row {
        const char* name;
        V4_BLOB blob;
    } rows[] = {
        {"non-finite tempo",
         [&] {
             V4_BLOB b;
             b.tempo = nan;
             return b;
         }()},
        {"infinite tempo marker",
         [&] {
             V4_BLOB b;
             b.tempos = {{0, 0, 11, kSentinelTempo, L""}};
             return b;
         }()},
        {"position beyond 64 bits in microseconds",
         [] {
             V4_BLOB b;
             b.rate = 1;
             b.segments = {{0, 1LL << 60, 0}};
             return b;
         }()},
        {"unknown marker type",
         [] {
             V4_BLOB b;
             b.markers = {{0, 0, 20, 0, L""}};
             return b;
         }()},
    };
    for (Row& row : rows) {
        Bytes blob = V4Blob(row.blob);
        const float sentinel = kSentinelTempo / 1000.0f;
        for (size_t at = 0; at + 4 <= blob.size(); ++at)
            if (std::memcmp(&blob[at], &sentinel, 4) == 0)
                std::memcpy(&blob[at], &infinity, 4);
        CTrackInfo track;
        EXPECT_FALSE(Load(blob, track)) << row.name;
    }
}

TEST(V4TrackArchive, CountsBeyondTheBytesLeftFailAtOnce)
{
    Bytes blob = V4Blob(V4_BLOB{});
    // The segment count follows the two skipped records.
    const size_t countAt = 2 + 2 + 4 + 2 * 14 + 3 * 4 + 16 + 4 + 8 + 4 + 4 + 4 + 48;
    for (unsigned count : {0xFFFFFFFFu, 0x10000000u, 3u}) {
        Bytes damaged = blob;
        std::memcpy(&damaged[countAt], &count, 4);
        CTrackInfo track;
        EXPECT_FALSE(Load(damaged, track)) << count;
    }
}

TEST(V4TrackArchive, EveryTruncationAndBitFlipFailsOrLoadsWithoutCrash)
{
    const Bytes blob = V4Blob(FullBlob());
    for (size_t length = 0; length < blob.size(); ++length) {
        CTrackInfo track;
        EXPECT_FALSE(Load(Bytes(blob.begin(), blob.begin() + static_cast<long>(length)), track)) << length;
    }
    std::mt19937 random(1604);
    for (int i = 0; i < 3000; ++i) {
        CTrackInfo track;
        Load(Damaged(blob, random), track);
    }
}

}  // namespace
