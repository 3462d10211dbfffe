// The level plot of one catalog item: one byte (0..255) per block of the item's level envelope,
// read by the timeline to draw track levels. Handed out by the catalog with one reference; the
// plot may still be loading, and then every peak is 0.
//
// Threads: GetPeak may run on the user-interface thread while the plot cache's loader fills
// another plot; each plot guards its own bytes.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct ITrackPlot : public IUnknown {
    // The mean level over a span of file positions in microseconds. With wrap set (a looping
    // track) positions are taken modulo the track length and a span that crosses the end gives
    // 0 with *crossesWrap set. Without wrap, a reversed span, a negative end or a start past the
    // track end gives 0.
    virtual HRESULT STDMETHODCALLTYPE GetPeak(LONGLONG start, LONGLONG end, BOOL wrap, BYTE* peak,
                                              BOOL* crossesWrap) = 0;
    // The catalog item id the plot serves.
    virtual HRESULT STDMETHODCALLTYPE GetId(DWORD* id) = 0;
};
