// Runs the profile builder itself (CProfileBuilder::ProfileMusicFile) on a reader that a test or
// the benchmark made: samples in memory or an opened MP3 file. The reader stands for a catalog
// item without a file identity, so no plot file is written. Shared by the analysis tests and the
// analysis benchmark.
#pragma once

#include "engine/catalog/analysis/ProfileResults.h"
#include "interfaces/IPcmReader.h"

namespace analysis_fixtures {

struct ProfileRun {
    bool completed = false;  // the analysis ran to its end without cancel
    CProfileResults results;
};

// `cancelled`: the job is cancelled before it starts.
ProfileRun Profile(IPcmReader* reader, bool cancelled = false);

}  // namespace analysis_fixtures
