// BEATSCAN: the working record of beat and tempo detection. Positions are sample frames of the
// source file: onsets, peaks or, once gridPointsPerMeasure is 8, a half-beat grid; marks are the
// selected positions among them (the first downbeat, then every measure start).
//
// Threads: a value owned by one analysis job.
#pragma once

#include <windows.h>

#include <vector>

struct BEATSCAN {
    std::vector<LONGLONG> positions;
    std::vector<LONGLONG> marks;
    DWORD sampleRate = 0;
    LONGLONG sampleCount = 0;
    // 0, or 8 once the positions form a half-beat grid.
    DWORD gridPointsPerMeasure = 0;

    void ClearPositions() { positions.clear(); }
    // Both lists ascending.
    void Sort();
    // Positions ascending without repeats.
    void SortUnique();
    void AddPosition(LONGLONG position) { positions.push_back(position); }
    void AddMark(LONGLONG mark) { marks.push_back(mark); }
    void AppendPositions(const std::vector<LONGLONG>& more);
    // The index of the position closest to `position` (the first of equal candidates); -1 for an
    // empty list.
    INT_PTR NearestPositionIndex(LONGLONG position) const;
    // Frames per four-beat measure at `bpm`, as CPfPcmThumbnail::SamplesPerMeasure.
    LONGLONG SamplesPerMeasure(float bpm) const;
};

// Frames per four-beat measure: rate / (bpm / 4 / 60), truncated; 0 for a tempo that is not
// positive. Shared by the thumbnail and the beat record.
LONGLONG PfSamplesPerMeasure(DWORD sampleRate, float bpm);
