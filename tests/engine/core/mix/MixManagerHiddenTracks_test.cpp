// The track list while performed tracks are hidden: the playlist shows the list from the live
// play manager's current track on (from the primary track before it when that is an overlay), so
// visible positions count from there, and every position the playlist hands back is a visible
// one.
#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "tests/engine/core/mix/MixManagerFixture.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;

constexpr int kAllPerformed = -1;
constexpr LONG kNew = 0;  // a pasted track, whatever id it was given

class HiddenTracks : public MixManagerTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        MixManagerTest::SetUp();
        Insert({NewTrack(120), NewTrack(126), NewTrack(100), NewTrack(110), NewTrack(120)}, 0);
    }
    void TearDown() override
    {
        MixManagerTest::TearDown();
        OleUninitialize();
    }
    // The live play manager holds the position where the track at `index` is the first item
    // that has not ended (past every item for kAllPerformed).
    void MakeCurrent(int index)
    {
        CPlayManager* live = Manager().GetLivePlayManager();
        ASSERT_NE(live, nullptr);
        CPlayList& items = live->GetPlayList();
        CPlayItem* item = nullptr;
        LONGLONG held = 0;
        if (index == kAllPerformed) {
            for (int i = 0; items.GetAt(i, &item); ++i)
                held = std::max(held, item->GetMixEnd() + 1);
        } else if (index > 0) {
            ASSERT_TRUE(items.GetAt(index - 1, &item));
            held = item->GetMixEnd();
        }
        ASSERT_EQ(live->SetHeldPosition(held), S_OK);
        const LONG expected = index == kAllPerformed ? CPlayManager::kNoTrack : Ids()[static_cast<size_t>(index)];
        ASSERT_EQ(live->GetCurrentTrackId(), expected);
    }
    std::vector<LONG> IdsWithNewAsZero(const std::vector<LONG>& original)
    {
        std::vector<LONG> ids = Ids();
        for (LONG& id : ids)
            if (std::find(original.begin(), original.end(), id) == original.end())
                id = kNew;
        return ids;
    }
};

TEST_F(HiddenTracks, VisiblePositionsCountFromTheCurrentTrack)
{
    IMixManager& mix = Manager();
    struct Case {
        const char* name;
        bool overlayThird;  // the third track an overlay of the second
        bool shown;
        int current;  // index of the current track, or kAllPerformed
        int hidden;
        std::vector<LONG> afterMove;   // track 5 moved to visible position 0
        std::vector<LONG> afterPaste;  // a copy of track 1 pasted at visible position 1
    };
    const std::vector<Case> cases = {
        {"the third track plays", false, false, 2, 2, {1, 2, 5, 3, 4}, {1, 2, 3, kNew, 4, 5}},
        {"the first track plays", false, false, 0, 0, {5, 1, 2, 3, 4}, {1, kNew, 2, 3, 4, 5}},
        {"every track performed", false, false, kAllPerformed, 5, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5, kNew}},
        {"an overlay plays: from the primary track before it",
         true,
         false,
         2,
         1,
         {1, 5, 2, 3, 4},
         {1, 2, kNew, 3, 4, 5}},
        {"performed tracks shown", false, true, 2, 0, {5, 1, 2, 3, 4}, {1, kNew, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int undoStart = Manager().GetUndoStore()->GetUndoCount();
        if (c.overlayThird) {
            ASSERT_EQ(mix.MakeOverlayTracks(IdList({3}).get()), S_OK);
        }
        ASSERT_EQ(mix.SetShowPerformedTracks(c.shown ? TRUE : FALSE), S_OK);
        MakeCurrent(c.current);
        const std::vector<LONG> ids = Ids();
        const int count = static_cast<int>(ids.size());

        int visible = -1;
        EXPECT_EQ(mix.GetVisibleTrackCount(&visible), S_OK);
        EXPECT_EQ(visible, count - c.hidden);
        for (int i = 0; i < count - c.hidden; ++i) {
            ComPtr<ITrackEditItem> copy;
            ASSERT_EQ(mix.GetVisibleTrack(i, copy.put()), S_OK) << i;
            auto* track = static_cast<CTrackInfo*>(copy.get());
            EXPECT_EQ(track->GetTrackIdValue(), ids[static_cast<size_t>(i + c.hidden)]) << i;
            TRACKITEM_INFO info{};
            track->GetInfo(&info);
            // Only a shown list marks what has been played.
            EXPECT_EQ(info.performed, c.shown && i + c.hidden < c.current ? 1u : 0u) << i;
        }
        for (const int outside : {-1, count - c.hidden, -count}) {
            ComPtr<ITrackEditItem> copy;
            EXPECT_EQ(mix.GetVisibleTrack(outside, copy.put()), E_FAIL) << outside;
        }
        for (int i = 0; i < count; ++i) {
            ComPtr<ITrackEditItem> live;
            ASSERT_EQ(mix.GetTrackById(static_cast<DWORD>(ids[static_cast<size_t>(i)]), live.put()), S_OK);
            TRACKITEM_INFO info{};
            static_cast<CTrackInfo*>(live.get())->GetInfo(&info);
            EXPECT_EQ(info.performed, c.shown && i < c.current ? 1u : 0u) << i;
        }

        ASSERT_EQ(mix.MoveTracks(IdList({5}).get(), 0), S_OK);
        EXPECT_EQ(Ids(), c.afterMove);
        ASSERT_EQ(mix.Undo(), S_OK);
        ASSERT_EQ(Ids(), ids);

        MakeCurrent(c.current);
        ASSERT_EQ(mix.CopyTracks(IdList({1}).get()), S_OK);
        ASSERT_EQ(mix.PasteTracks(1), S_OK);
        EXPECT_EQ(IdsWithNewAsZero(ids), c.afterPaste);
        while (Manager().GetUndoStore()->GetUndoCount() > undoStart)
            ASSERT_EQ(mix.Undo(), S_OK);
        ASSERT_EQ(Ids(), (std::vector<LONG>{1, 2, 3, 4, 5}));
    }
}

}  // namespace
