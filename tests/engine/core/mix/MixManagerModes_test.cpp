// Track kinds and mixing modes through the mix manager: the enable tests, the mode switch with
// the tracks' analysis results, and primary tracks made overlays (and back) keeping their place.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/core/track/Marker.h"
#include "tests/engine/core/mix/MixManagerFixture.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;

class TrackModesTest : public MixManagerTest {
protected:
    void SetUp() override
    {
        MixManagerTest::SetUp();
        Manager().SetCatalogSources(&m_results, nullptr);
        // Ids 1 to 4: beat, standard, beat, standard.
        Insert({Track(120, kMixingBeat), Track(126, kMixingStandard), Track(100, kMixingBeat),
                Track(110, kMixingStandard)},
               0);
    }
    CTrackInfo* Track(float bpm, DWORD mixing)
    {
        const mixtest::SyntheticTrack spec{bpm, 24, 0, 2, 18, 2, mixing};
        const CProfileResults results = mixtest::MakeResults(spec, static_cast<int>(bpm));
        m_results.Add(results);
        return mixtest::MakeTrack(spec, results, -1);
    }
    CTrackInfo& At(LONG id)
    {
        CTrackInfo* track = nullptr;
        Manager().Tracks().FindById(id, &track);
        return *track;
    }
    LONGLONG Start(LONG id)
    {
        LONGLONG start = -1;
        At(id).GetStartTime(&start);
        return start;
    }
    int UndoCount() { return Manager().GetUndoStore()->GetUndoCount(); }

    mixtest::CResultsTable m_results;
};

TEST_F(TrackModesTest, EnableTestsAnswerForAnyListedTrack)
{
    ASSERT_EQ(Manager().MakeOverlayTracks(IdList({3}).get()), S_OK);
    ASSERT_FALSE(At(3).IsPrimary());
    struct Case {
        const char* name;
        HRESULT (IMixManager::*test)(IItemIdList*);
        std::vector<DWORD> ids;
        HRESULT expected;
    };
    const std::vector<Case> cases = {
        {"beat mixed", &IMixManager::IsBeatMixed, {2, 1}, S_OK},
        {"beat mixed: standard tracks only", &IMixManager::IsBeatMixed, {2, 4}, S_FALSE},
        {"standard mixed", &IMixManager::IsStandardMixed, {1, 2}, S_OK},
        {"standard mixed: the overlay mixes by standard mixing", &IMixManager::IsStandardMixed, {3}, S_OK},
        {"standard mixed: none listed", &IMixManager::IsStandardMixed, {}, S_FALSE},
        {"can set beat mixing on a primary", &IMixManager::CanSetBeatMixing, {3, 1}, S_OK},
        {"cannot set beat mixing on an overlay", &IMixManager::CanSetBeatMixing, {3}, S_FALSE},
        {"can set standard mixing as beat mixing", &IMixManager::CanSetStandardMixing, {3, 9}, S_FALSE},
        {"has a primary track", &IMixManager::HasPrimaryTrack, {4}, S_OK},
        {"has an overlay track", &IMixManager::HasOverlayTrack, {1, 3}, S_OK},
        {"has no overlay track", &IMixManager::HasOverlayTrack, {1, 2}, S_FALSE},
        {"properties of analysed tracks", &IMixManager::CanEditTrackProperties, {1, 2}, S_OK},
        {"properties: a track not in the mix", &IMixManager::CanEditTrackProperties, {1, 9}, S_FALSE},
        {"properties: an empty list", &IMixManager::CanEditTrackProperties, {}, S_FALSE},
        {"saved settings without a catalog", &IMixManager::HasSavedTrackSettings, {1}, S_FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ((Manager().*c.test)(IdList(c.ids).get()), c.expected);
    }
}

TEST_F(TrackModesTest, MixingModeSwitchChangesOnlyWhatItMustAndIsOneUndoStep)
{
    struct Case {
        const char* name;
        std::function<HRESULT(IMixManager&)> edit;
        std::vector<DWORD> modes;  // of tracks 1 to 4 afterwards
        bool rebuilt;
    };
    const std::vector<Case> cases = {
        {"a beat-mixed track to standard",
         [](IMixManager& m) { return m.SetStandardMixing(IdList({1}).get()); },
         {kMixingStandard, kMixingStandard, kMixingBeat, kMixingStandard},
         true},
        {"standard tracks to beat",
         [](IMixManager& m) {
             return m.SetBeatMixing(IdList({2, 4, 3}).get());
         },
         {kMixingBeat, kMixingBeat, kMixingBeat, kMixingBeat},
         true},
        {"beat mixing asked of beat-mixed tracks",
         [](IMixManager& m) { return m.SetBeatMixing(IdList({3}).get()); },
         {kMixingBeat, kMixingStandard, kMixingBeat, kMixingStandard},
         false},
        {"tracks not in the mix",
         [](IMixManager& m) {
             return m.SetStandardMixing(IdList({7, 8}).get());
         },
         {kMixingBeat, kMixingStandard, kMixingBeat, kMixingStandard},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ComPtr<ITrackEditItem>> before = CopyMix();
        const int undo = UndoCount();
        EXPECT_EQ(c.edit(Manager()), S_OK);
        std::vector<DWORD> modes;
        for (LONG id = 1; id <= 4; ++id)
            modes.push_back(At(id).GetMixingKind());
        EXPECT_EQ(modes, c.modes);
        EXPECT_EQ(UndoCount(), undo + (c.rebuilt ? 1 : 0));
        if (c.rebuilt) {
            ASSERT_EQ(Manager().Undo(), S_OK);
            ExpectMixEquals(before);
        }
    }
}

TEST_F(TrackModesTest, ASwitchThatOnlyRemovesTempoMarkersCanBeUndone)
{
    // A beat-mixed track whose analysis is not at hand, with a tempo marker the user set.
    const mixtest::SyntheticTrack spec{128, 24, 0, 2, 18, 2, kMixingBeat};
    CTrackInfo* track = mixtest::MakeTrack(spec, mixtest::MakeResults(spec, 128), -1);
    auto* tempo = new CMarker(kMarkerTempoStart, 4000000);
    tempo->SetMainValue(131000);
    tempo->SetUserAdjusted(TRUE);
    track->MainObjects().Append(tempo);
    Insert({track}, 4);
    // The rebuild lays default tempo markers of its own; the user's are those marked adjusted.
    const auto tempoMarkers = [&] {
        int count = 0;
        ForEachObject(At(5).Layers(), kTrackObjMarker, kMarkerMixPointMask, [&count](CTrackObj* object) {
            count += static_cast<CMarker*>(object)->IsUserAdjusted() ? 1 : 0;
        });
        return count;
    };
    ASSERT_GT(tempoMarkers(), 0);
    const std::vector<ComPtr<ITrackEditItem>> before = CopyMix();
    const int undo = UndoCount();

    ASSERT_EQ(Manager().SetStandardMixing(IdList({5}).get()), S_OK);
    EXPECT_EQ(tempoMarkers(), 0);
    EXPECT_EQ(UndoCount(), undo + 1) << "the removal is an edit";
    EXPECT_TRUE(Manager().IsModified());
    ASSERT_EQ(Manager().Undo(), S_OK);
    ExpectMixEquals(before);
}

TEST_F(TrackModesTest, OverlayWithoutAPrimaryBeforeItChangesNothing)
{
    const int undo = UndoCount();
    TakePosts();
    EXPECT_EQ(Manager().MakeOverlayTracks(IdList({1, 2}).get()), S_OK);
    EXPECT_TRUE(At(1).IsPrimary());
    EXPECT_TRUE(At(2).IsPrimary());
    EXPECT_EQ(UndoCount(), undo);
    EXPECT_TRUE(TakePosts().empty()) << "no rebuild";
}

TEST_F(TrackModesTest, PrimaryTracksBecomeOverlaysInTheirPlaceAndBack)
{
    // Both in standard mixing, so that the primary chain's own layout does not depend on them.
    ASSERT_EQ(Manager().SetStandardMixing(IdList({1, 2, 3, 4}).get()), S_OK);
    const LONGLONG start3 = Start(3);
    LONGLONG end3 = 0;
    At(3).GetEndTime(&end3);
    const std::vector<ComPtr<ITrackEditItem>> before = CopyMix();
    const int undo = UndoCount();

    ASSERT_EQ(Manager().MakeOverlayTracks(IdList({3}).get()), S_OK);
    EXPECT_FALSE(At(3).IsPrimary());
    EXPECT_EQ(At(3).GetLinkId(), 2) << "the parent is the primary track before it";
    EXPECT_EQ(At(3).GetMixingKind(), static_cast<DWORD>(kMixingStandard));
    EXPECT_NEAR(static_cast<double>(Start(3)), static_cast<double>(start3), 1.0);
    LONGLONG end = 0;
    At(3).GetEndTime(&end);
    EXPECT_NEAR(static_cast<double>(end), static_cast<double>(end3), 1.0);
    EXPECT_EQ(UndoCount(), undo + 1);

    ASSERT_EQ(Manager().MakePrimaryTracks(IdList({3, 1}).get()), S_OK);
    EXPECT_TRUE(At(3).IsPrimary());
    EXPECT_EQ(UndoCount(), undo + 2);
    ASSERT_EQ(Manager().Undo(), S_OK);
    ASSERT_EQ(Manager().Undo(), S_OK);
    ExpectMixEquals(before);
}

}  // namespace
