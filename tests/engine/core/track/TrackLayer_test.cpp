// Layers, the layer container with its "TKLY" chunk form, the layer map and the beat time list.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "engine/core/track/BeatTimeList.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackLayerContainer.h"
#include "engine/core/track/TrackLayerMap.h"
#include "TrackModelBytes.h"

namespace {

constexpr long long kMax = std::numeric_limits<long long>::max();

// Identity placement offset by `offset` over [0, length] of track time.
void Place(CTrackLayer* layer, long long offset, long long length)
{
    layer->TimeMap().InsertPoint(offset, 0, 1.0);
    layer->TimeMap().InsertPoint(offset + length, length, 1.0);
}

}  // namespace

TEST(TrackLayers, LayerChunksMatchTheHandMadeLayout)
{
    CTrackLayerContainer layers;
    CTrackLayer* first = nullptr;
    ASSERT_TRUE(layers.GetLayer(0, &first));
    first->Objects().Append(new CSegment(kSegmentPlain, 0, 5000, 100));
    CTrackLayer* second = nullptr;
    ASSERT_EQ(layers.AddLayer(&second), S_OK);
    second->Objects().Append(new CMarker(kMarkerEnd, 4000));

    const Bytes layered = Form("TRKI", {List("TKLY", {Chunk("TRKS", TrksPlain(0, 5000, 100))}),
                                        List("TKLY", {Chunk("TRKM", TrkmPlain(kMarkerEnd, 4000))})});
    EXPECT_EQ(WriteForm("TRKI", [&](IRiffStream* s) { layers.WriteChunks(s, FALSE, FALSE); }), layered);
    // Flat: the first layer's objects again, directly in the track's list.
    const Bytes flatFirst = Form("TRKI", {List("TKLY", {Chunk("TRKS", TrksPlain(0, 5000, 100))}),
                                          List("TKLY", {Chunk("TRKM", TrkmPlain(kMarkerEnd, 4000))}),
                                          Chunk("TRKS", TrksPlain(0, 5000, 100))});
    EXPECT_EQ(WriteForm("TRKI", [&](IRiffStream* s) { layers.WriteChunks(s, TRUE, TRUE); }), flatFirst);

    CTrackLayerContainer back;
    {
        CRiffFile riff;
        ASSERT_TRUE(riff.OpenFromMemory(flatFirst.data(), static_cast<int>(flatFirst.size())));
        back.ReadChunks(&riff, kTrackVersionLayers);
    }
    EXPECT_TRUE(back.IsEqual(layers));

    // The older flat form has no layer lists: everything lands in one layer.
    const Bytes old = Form("TRKI", {Chunk("TRKS", TrksPlain(0, 5000, 100)), Chunk("TRKM", TrkmPlain(1, 0))});
    CRiffFile riff;
    ASSERT_TRUE(riff.OpenFromMemory(old.data(), static_cast<int>(old.size())));
    back.ReadChunks(&riff, kTrackVersionFlat);
    EXPECT_EQ(back.GetCount(), 1);
    EXPECT_EQ(back.GetFirstObjects()->GetCount(), 2);
}

TEST(TrackLayers, ArchiveFormHoldsObjectsThenTheTimeMap)
{
    CTrackLayerContainer layers;
    CTrackLayer* first = nullptr;
    layers.GetLayer(0, &first);
    Place(first, 1000, 2000);
    first->Objects().Append(new CSegment(kSegmentPlain, 0, 2000, 0));
    CTrackLayer* second = nullptr;
    layers.AddLayer(&second);

    const Bytes stored = StoreArchive([&](CArchive& a) { layers.Serialize(a); });
    Bytes expectedSecond;  // an empty layer: no objects, no points, cached times -1
    Put32(expectedSecond, 0);
    Put32(expectedSecond, 0);
    Put64(expectedSecond, -1);
    Put64(expectedSecond, -1);
    ASSERT_GT(stored.size(), expectedSecond.size());
    EXPECT_EQ(stored[0], 2);
    EXPECT_EQ(Bytes(stored.end() - static_cast<long>(expectedSecond.size()), stored.end()), expectedSecond);

    CTrackLayerContainer back;
    back.AddLayer(nullptr);
    back.AddLayer(nullptr);
    LoadArchive(stored, [&](CArchive& a) { back.Serialize(a); });
    EXPECT_TRUE(back.IsEqual(layers));

    Bytes truncated(stored.begin(), stored.end() - 3);
    CTrackLayerContainer damaged;
    EXPECT_THROW(LoadArchive(truncated, [&](CArchive& a) { damaged.Serialize(a); }), CArchiveException);
}

TEST(TrackLayers, InterfaceHandsOutReferencesAndTimes)
{
    ITrackMarker* marker = nullptr;
    ITrackRange* range = nullptr;
    CTrackLayer* layer = nullptr;
    {
        CTrackLayerContainer layers;
        layers.GetLayer(0, &layer);
        Place(layer, 10000, 100000);
        layer->Objects().Append(new CSegment(kSegmentPlain, 0, 50000, 7000));
        layer->Objects().Append(new CMarker(0x8000, 300));

        ASSERT_EQ(layer->GetMarker(0, kMarkerVolumeMask, &marker), S_OK);
        ITrackMarker* none = reinterpret_cast<ITrackMarker*>(0x1);
        EXPECT_EQ(layer->GetMarker(1, kMarkerVolumeMask, &none), E_FAIL);
        EXPECT_EQ(layer->GetMarker(-1, kMarkerVolumeMask, &none), E_FAIL);
        ITrackLayer* viaMarker = nullptr;
        ASSERT_EQ(marker->QueryInterface(IID_ITrackLayer, reinterpret_cast<void**>(&viaMarker)), S_OK);
        EXPECT_EQ(viaMarker, static_cast<ITrackLayer*>(layer));
        viaMarker->Release();

        LONGLONG t = 0;
        EXPECT_EQ(layer->TrackToMixTime(500, &t), S_OK);
        EXPECT_EQ(t, 10500);
        EXPECT_EQ(layer->MixToTrackTime(5000, &t), S_OK);  // extrapolated before the first point
        EXPECT_EQ(t, -5000);
        EXPECT_EQ(layer->MapToFilePosition(10000 + 2500, &t), S_OK);
        EXPECT_EQ(t, 9500);
        EXPECT_EQ(layer->MapToFilePosition(10000 + 60000, &t), E_FAIL);  // no segment there
        EXPECT_EQ(layer->MapToFilePosition(5000, &t), E_FAIL);           // outside the map

        ASSERT_EQ(layer->GetRange(0, kSegmentTypeMask, &range), S_OK);
        // Container, and the delegate references of the two handed-out objects.
        EXPECT_EQ(layer->RefCount(), 3);
        layer->AddRef();
    }
    // The owner let go: the objects no longer hold the layer, so only the test's reference is left.
    EXPECT_EQ(layer->RefCount(), 1);
    EXPECT_EQ(layer->Release(), 0u);
    LONGLONG start = -1;
    EXPECT_EQ(range->GetStart(&start), S_OK);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(range->Release(), 0u);
    EXPECT_EQ(marker->Release(), 0u);
}

TEST(TrackLayers, SplitAndRemoveMixRangesThroughTheTimeMap)
{
    CTrackLayer* layer = new CTrackLayer();
    Place(layer, 1000, 10000);
    layer->Objects().Append(new CSegment(kSegmentPlain, 0, 10000, 0));
    EXPECT_EQ(layer->SplitSegmentsAtMixTime(1000 + 4000), S_OK);
    ASSERT_EQ(layer->Objects().GetCount(), 2);
    EXPECT_EQ(layer->Objects().GetAt(0)->GetEnd(), 4000);
    EXPECT_EQ(layer->Objects().GetAt(1)->GetStart(), 4001);
    EXPECT_EQ(layer->RemoveMixRange(1000 + 2000, 1000 + 2999), S_OK);
    EXPECT_EQ(layer->Objects().GetAt(0)->GetEnd(), 1999);
    EXPECT_EQ(layer->Objects().GetAt(1)->GetStart(), 2000);
    double rate = 0;
    EXPECT_EQ(layer->GetRateAt(5000, &rate), S_OK);
    EXPECT_EQ(rate, 1.0);
    EXPECT_EQ(layer->SetRatePoint(20000, kUnsetTime, 2.0), S_OK);  // mean rate 1.5 over 10000
    EXPECT_EQ(layer->TimeMap().GetPoint(2).mixTime, 11000 + 6666);
    layer->Release();
}

TEST(TrackLayers, ContainerCompactsAndCopiesMixRanges)
{
    CTrackLayerContainer layers;
    CTrackLayer* l0 = nullptr;
    CTrackLayer* l1 = nullptr;
    CTrackLayer* l2 = nullptr;
    layers.GetLayer(0, &l0);
    layers.AddLayer(&l1);
    layers.AddLayer(&l2);
    l0->Objects().Append(new CMarker(0x8000, 0));
    l2->Objects().Append(new CSegment(kSegmentPlain, 0, 100, 0));
    Place(l2, 500, 100);
    layers.Compact();
    ASSERT_EQ(layers.GetCount(), 1);
    EXPECT_EQ(layers.GetFirstObjects()->CountSegments(), 1);
    LONGLONG t = 0;
    EXPECT_EQ(layers.GetEarliestMixTime(&t), S_OK);
    EXPECT_EQ(t, 500);

    CTrackLayerContainer copy;
    layers.CopyMixRange(copy, 520, 530);
    ASSERT_EQ(copy.GetCount(), 1);
    EXPECT_EQ(copy.GetFirstObjects()->GetAt(0)->GetStart(), 20);
    EXPECT_EQ(copy.GetFirstObjects()->GetAt(0)->GetEnd(), 30);

    CTrackLayerContainer none;
    EXPECT_EQ(none.GetEarliestMixTime(&t), E_FAIL);
    none.AssignFrom(layers);
    EXPECT_TRUE(none.IsEqual(layers));
    layers.RemoveObjects(kAllMask, kAllMask);
    EXPECT_EQ(layers.GetCount(), 1);
    EXPECT_EQ(layers.GetFirstObjects()->GetCount(), 0);
}

TEST(TrackLayers, LayerMapGivesOverlapsToTheLowerLayer)
{
    CTrackLayerContainer layers;
    CTrackLayer* l0 = nullptr;
    CTrackLayer* l1 = nullptr;
    layers.GetLayer(0, &l0);
    layers.AddLayer(&l1);
    Place(l0, 0, 1000);
    Place(l1, 0, 2000);
    l0->Objects().Append(new CSegment(kSegmentPlain, 0, 1000, 0));
    l1->Objects().Append(new CSegment(kSegmentPlain, 500, 2000, 0));
    CTrackLayerMap map;
    map.Build(layers);
    struct Row {
        long long time;
        HRESULT hr;
        int layer;
    };
    const Row rows[] = {{0, S_OK, 0},    {999, S_OK, 0},     {1000, S_OK, 0}, {1001, S_OK, 1},
                        {2000, S_OK, 1}, {2001, E_FAIL, -1}, {-1, E_FAIL, -1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.time);
        int layer = -1;
        EXPECT_EQ(map.GetLayerAt(row.time, &layer), row.hr);
        EXPECT_EQ(layer, row.layer);
    }
    map.BuildDeletionRanges(1);
    LONGLONG from = 0;
    LONGLONG to = 0;
    ASSERT_EQ(map.GetDeletionRange(0, &from, &to), S_OK);
    EXPECT_EQ(from, kUnsetTime);
    EXPECT_EQ(to, 1000);
    ASSERT_EQ(map.GetDeletionRange(1, &from, &to), S_OK);
    EXPECT_EQ(from, 2001);
    EXPECT_EQ(to, kMax);
    EXPECT_EQ(map.GetDeletionRange(2, &from, &to), E_FAIL);
    map.BuildDeletionRanges(5);
    ASSERT_EQ(map.GetDeletionRange(0, &from, &to), S_OK);
    EXPECT_EQ(from, kUnsetTime);
    EXPECT_EQ(to, kMax);
    EXPECT_EQ(map.GetDeletionRange(1, &from, &to), E_FAIL);

    // An insertion inside an item splits it.
    CTrackLayerMap manual;
    manual.Insert(0, 100, 1);
    manual.Insert(40, 60, 0);
    ASSERT_EQ(manual.GetCount(), 3);
    CTrackLayerMapItem item{};
    ASSERT_TRUE(manual.GetItem(0, &item));
    EXPECT_EQ(item.to, 39);
    ASSERT_TRUE(manual.GetItem(2, &item));
    EXPECT_EQ(item.from, 61);
    EXPECT_FALSE(manual.GetItem(-1, &item));
    EXPECT_FALSE(manual.GetItem(3, &item));
}

TEST(BeatTimeList, NormalizeDropAndAlignTables)
{
    auto make = [](std::vector<long long> times, long long unit) {
        CBeatTimeList list;
        list.SetUnit(unit);
        for (long long t : times)
            list.Add(t);
        return list;
    };
    auto times = [](const CBeatTimeList& list) {
        std::vector<long long> out;
        for (int i = 0; i < list.GetCount(); ++i)
            out.push_back(list.GetAt(i));
        return out;
    };

    CBeatTimeList n = make({1000, 0, 100}, 1000);
    n.Normalize();
    EXPECT_EQ(times(n), (std::vector<long long>{0, 1000}));

    struct Row {
        const char* name;
        bool leading;
        long long units;
        std::vector<long long> after;
    };
    const Row rows[] = {
        {"leading on a boundary", true, 2, {2000, 4000}},
        {"leading inside an interval", true, 3, {3000, 4000}},
        {"trailing on a boundary", false, 2, {0, 1000, 2000}},
        {"trailing inside an interval", false, 1, {0, 1000, 2000, 3000}},
        {"nothing to drop", true, 0, {0, 1000, 2000, 4000}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CBeatTimeList list = make({0, 1000, 2000, 4000}, 1000);
        EXPECT_EQ(list.TotalUnits(), 4);
        if (row.leading)
            list.DropLeadingUnits(row.units);
        else
            list.DropTrailingUnits(row.units);
        EXPECT_EQ(times(list), row.after);
    }

    // After aligning, both lists hold a time at every unit boundary of either.
    CBeatTimeList a = make({0, 4000}, 1000);
    CBeatTimeList b = make({10000, 11000, 12000, 13000, 14000}, 1000);
    a.Align(b);
    EXPECT_EQ(times(a), (std::vector<long long>{0, 1000, 2000, 3000, 4000}));
    EXPECT_EQ(times(b), (std::vector<long long>{10000, 11000, 12000, 13000, 14000}));
    CBeatTimeList c = make({0, 1000, 3000}, 1000);
    CBeatTimeList d = make({0, 2000, 3000}, 1000);
    c.Align(d);
    EXPECT_EQ(times(c), (std::vector<long long>{0, 1000, 2000, 3000}));
    EXPECT_EQ(times(d), (std::vector<long long>{0, 1000, 2000, 3000}));
    LONGLONG mid = 0;
    EXPECT_FALSE(c.Interpolate(&mid, 1, 5, 5));
    EXPECT_EQ(c.GetAt(-1), 0);
    EXPECT_EQ(c.GetAt(c.GetCount()), 0);
    EXPECT_FALSE(c.GetInterval(-1, &mid, &mid));
    EXPECT_FALSE(c.GetInterval(3, &mid, &mid));
}
