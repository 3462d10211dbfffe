// IMixTrackSource: the file behind a track of the mix, as its play item reads it. The catalog
// answers it in the engine (the track's catalog item); tests answer it over files of their own.
// Analysis results come through IMixProfileSource. Called under the global mix lock.
#pragma once

#include <windows.h>

class CTrackInfo;
struct IProfileSource;

struct IMixTrackSource {
    // The track's catalog item, with a reference for the caller; FALSE when it has none.
    virtual BOOL GetTrackItem(CTrackInfo& track, IProfileSource** item) = 0;
    // The flags word of the track's catalog item (bit 0: its audio can be played); FALSE when it
    // has none.
    virtual BOOL GetTrackItemFlags(CTrackInfo& track, int* flags) = 0;
    // The track joined the mix: the plot of its catalog item counts as recently used (and is
    // loaded again when the cache let it go), since the timeline is about to draw it. Nothing
    // when the item has no plot in the cache.
    virtual void TouchTrackPlot(CTrackInfo& track) = 0;

protected:
    ~IMixTrackSource() = default;
};
