// The master beat map's ranges and how they are stitched together from the primary tracks' grids.
// Runs under the global mix lock, as part of the master beat map's rebuild.
#pragma once

#include <windows.h>

#include <vector>

class CTimeMap;
class CTrackBeatMap;

struct MASBEATMAP_RANGE {
    LONGLONG from;    // mix time
    LONGLONG to;      // mix time
    double rateFrom;  // the track's playback rate at from
    double rateTo;    // and at to
    LONG first;       // first measure number
    LONG last;        // measure number at `to`
};
static_assert(sizeof(MASBEATMAP_RANGE) == 40, "MASBEATMAP_RANGE is 40 bytes");

// Measure length of a master range; 0 when the range holds no whole measure.
inline double MasterMeasureLength(const MASBEATMAP_RANGE& range)
{
    if (range.last == range.first)
        return 0.0;
    return static_cast<double>(range.to - range.from) / (range.last - range.first);
}

// A downbeat of a track's grid placed in the mix: its mix time and its measure number on the
// track's own grid.
struct GRID_DOWNBEAT {
    LONGLONG mixTime;
    LONG measure;
};

// Every boundary of the master map is a downbeat of the track that leads there, mapped through
// that track's time map: a range runs from one such downbeat to another. Neighbouring measures
// share one range only while the track plays them evenly and no time-map point lies between
// them, so a tempo ramp gets one range per measure and the rates at a range's ends describe the
// whole range.
class CMasterRangeBuilder {
public:
    // Adds the track's measures that lie in [clipFrom, clipTo] of mix time, numbered on from the
    // track before; a gap after the track before is closed first. A measure that the span cuts
    // counts whole when at least half of it is left, else as none. TRUE when a downbeat of the
    // track lies in the span, with `offset` = master measure number less the track's own measure
    // number there, the same for every downbeat of the track in the span.
    BOOL AddTrack(const CTrackBeatMap& map, const CTimeMap& timeMap, LONGLONG clipFrom, LONGLONG clipTo, LONG* offset);
    // The finished list, with a range in front that reaches back to mix time 0 or earlier, or one
    // default range when no track added any. The builder is empty again afterwards.
    std::vector<MASBEATMAP_RANGE> Finish();

private:
    struct Piece {
        LONGLONG from;
        LONGLONG to;
        LONG measures;
        bool whole;  // runs from one downbeat to the next
    };

    // The part [from, to] of the stretch between two neighbouring downbeats, counted to the
    // nearest whole measure.
    static Piece CutPiece(LONGLONG from, LONGLONG to, const GRID_DOWNBEAT& before, const GRID_DOWNBEAT& after);
    void AddPiece(const Piece& piece, const CTimeMap& timeMap);
    bool Extends(const Piece& piece, const CTimeMap& timeMap) const;
    // The last range takes no more measures.
    void EndRun() { m_runOpen = false; }
    // The boundary at the time, its measure count from the run's start, joins the run.
    void AddRunBoundary(LONGLONG mixTime, LONG measure);
    void CloseGapTo(LONGLONG time);

    std::vector<MASBEATMAP_RANGE> m_ranges;
    LONG m_measure = 0;
    // The last range while it can still take more measures of the same track: its start and last
    // boundary, and the measure lengths that keep every boundary in it within the grid tolerance
    // of an even spacing. Each boundary narrows that interval once, so a track of many measures
    // is added in time linear in their number.
    bool m_runOpen = false;
    LONGLONG m_runStart = 0;
    GRID_DOWNBEAT m_runLast{};
    double m_lengthLow = 0.0;
    double m_lengthHigh = 0.0;
};
