// Runs the analysis steps on one reader in the order the profile builder uses (thumbnails and
// notes, onsets and tempo estimate, bass-peak doubling and short-track tempo, half-beat grid,
// downbeat and measure starts, loud positions and fades, mix points), without the plot file and
// file identity. Shared by the analysis tests and the analysis benchmark.
#pragma once

#include <windows.h>

#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/PfNoteDetector.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "interfaces/IPcmReader.h"

namespace analysis_fixtures {

struct AnalysisRun {
    bool built = false;
    float estimate = 0.0f;  // the window estimate, before doubling and the grid
    BEATSCAN grid;          // half-beat grid with its first downbeat in the marks
    CProfileResults results;
    CPfNoteMap notes;
};

AnalysisRun Analyse(IPcmReader* reader, const volatile LONG* cancel = nullptr);

}  // namespace analysis_fixtures
