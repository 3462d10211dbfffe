// The one pass over a music file's audio that the track analysis makes: every block of 256
// frames is read as 16-bit stereo, handed to the note detector and reduced by the block spectrum
// engine to a level value and a low-band value.
//
// Threads: the analysis job's thread; `progress` is called on it.
#pragma once

#include <windows.h>

#include <functional>

#include "engine/catalog/analysis/PfPcmThumbnail.h"
#include "interfaces/IPcmReader.h"

class CPfNoteDetector;

// Fills `level` and `lowBand` (allocated here with the reader's geometry). Progress is reported
// as (b x 94) / block count percent at blocks 0, 2000, 4000, ... A block that cannot be read is
// analysed as silence. True when the pass ran to the end without cancel; false for a rate or
// block size of 0, a failed allocation or a cancel.
bool PfBuildThumbnails(IPcmReader* reader, WORD blockSize, CPfPcmThumbnail& level, CPfPcmThumbnail& lowBand,
                       CPfNoteDetector* noteDetector, const volatile LONG* cancel,
                       const std::function<void(int percent)>& progress);
