// What every track goes through before it joins the mix or an edit copy is written back, so
// that the builder meets tracks of one form whichever way they arrived.
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/mix/MixManager.h"

void CMixManager::PrepareAsForCommit(CTrackInfo& track, CTrackInfo* committed)
{
    // An overlay lies on its parent's grid: only a primary track can be beat-matched.
    if ((track.GetFlags() & kTrackOverlay) && !track.IsPrimary())
        track.SetMixingKind(kMixingStandard);
    CMixBuilder::NormalizeTrackMarkers(committed, track);
}
