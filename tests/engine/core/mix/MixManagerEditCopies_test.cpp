// Edit copies: handed out per track with ids of their own, compared with their track, committed
// in one rebuild and undo step, and ended.
#include <gtest/gtest.h>

#include <vector>

#include "classlib/com/ComPtr.h"
#include "tests/engine/core/mix/MixManagerFixture.h"
#include "tests/engine/core/mix/SampleMix.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;
using mixtest::Post;

LONG EditId(ITrackEditItem* copy)
{
    LONG id = -1;
    copy->GetEditCopyId(&id);
    return id;
}

using EditCopies = MixManagerTest;

TEST_F(EditCopies, TwoCopiesOfOneTrackAreEditedAndCommittedApart)
{
    Insert({NewTrack(120), NewTrack(126)}, 0);
    IMixManager& mix = Manager();
    ComPtr<ITrackEditItem> first;
    ComPtr<ITrackEditItem> second;
    ASSERT_EQ(mix.BeginTrackEdit(2, first.put()), S_OK);
    ASSERT_EQ(mix.BeginTrackEdit(2, second.put()), S_OK);
    EXPECT_EQ(mix.BeginTrackEdit(9, first.put()), E_FAIL);
    ASSERT_EQ(mix.BeginTrackEdit(2, first.put()), S_OK);
    const LONG firstId = EditId(first.get());
    const LONG secondId = EditId(second.get());
    EXPECT_NE(firstId, secondId);
    EXPECT_NE(first.get(), second.get());

    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 1), S_OK);
    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 0), S_FALSE) << "another track";
    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 5), S_FALSE) << "an index past the end";
    ASSERT_EQ(first->SetVolumeOffset(-600), S_OK);
    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 1), S_FALSE);
    EXPECT_EQ(mix.IsEditCopyUnchanged(secondId, 1), S_OK);

    const int snapshots = Manager().GetUndoStore()->GetUndoCount();
    TakePosts();
    EXPECT_EQ(mix.CommitTrackEdits(IdList({static_cast<DWORD>(firstId)}).get(), TRUE), S_FALSE);
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), snapshots + 1) << "one commit, one undo step";
    EXPECT_TRUE(Manager().IsModified());
    LONG level = 0;
    Manager().Tracks().GetAt(1)->GetVolumeOffset(&level);
    EXPECT_EQ(level, -600);
    LONG trackEditId = 0;
    Manager().Tracks().GetAt(1)->GetEditCopyId(&trackEditId);
    EXPECT_EQ(trackEditId, -1) << "the track stays a track of the mix, not a copy";
    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 1), S_FALSE) << "a committed copy is no longer compared";

    // The other copy is still open: its own edit commits over the first.
    ASSERT_EQ(second->SetVolumeOffset(-300), S_OK);
    EXPECT_EQ(mix.CommitTrackEdits(IdList({static_cast<DWORD>(secondId)}).get(), TRUE), S_FALSE);
    Manager().Tracks().GetAt(1)->GetVolumeOffset(&level);
    EXPECT_EQ(level, -300);

    EXPECT_EQ(mix.EndTrackEdit(first.get()), S_OK);
    EXPECT_EQ(mix.EndTrackEdit(first.get()), S_FALSE) << "ended once";
    EXPECT_EQ(mix.EndTrackEdit(second.get()), S_OK);
}

TEST_F(EditCopies, ACommitAfterItsTrackLeftTheMixChangesNothingButRebuilds)
{
    Insert({NewTrack(120), NewTrack(126)}, 0);
    IMixManager& mix = Manager();
    ComPtr<ITrackEditItem> copy;
    ASSERT_EQ(mix.BeginTrackEdit(1, copy.put()), S_OK);
    copy->SetVolumeOffset(-900);
    Insert({NewTrack(100)}, 0);
    Manager().ReplaceMix(nullptr, nullptr, nullptr, TRUE);
    Insert({NewTrack(100)}, 0);
    // The mix as a rebuild leaves it, so that only what the commit adds can differ.
    Manager().UpdateMix(FALSE);
    const std::vector<LONG> ids = Ids();
    CTrackInfoContainer before;
    before.AppendCopies(Manager().Tracks());
    const int snapshots = Manager().GetUndoStore()->GetUndoCount();
    TakePosts();

    EXPECT_EQ(mix.CommitTrackEdits(IdList({static_cast<DWORD>(EditId(copy.get()))}).get(), TRUE), S_FALSE);
    EXPECT_EQ(Ids(), ids);
    mixtest::ExpectSameTracks(before, Manager().Tracks());
    EXPECT_EQ(TakePosts(), (std::vector<Post>{{8, 0}, {9, 1}}));
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), snapshots + 1);
    EXPECT_EQ(mix.EndTrackEdit(copy.get()), S_OK);
}

}  // namespace
