// CProfileResults: the analysis of one music file, as the profile builder leaves it and as
// "profiles.dat" stores it under the file's identity. Tracks take their tempo, measure starts,
// mix points and fade timing from it.
//
// All positions are sample frames of the music file; times at the interface are microseconds.
// The fade steps are the positions at which a fade that drops 6 dB per step has fallen by
// 6 dB x step index (hundredths of dB: -600 per step).
//
// A value object: the owner serialises access (the analysis thread fills one, the catalog's
// service-thread tick copies it out and stores it).
#pragma once

#include <windows.h>

#include <vector>

#include "engine/catalog/analysis/BeatPoints.h"
#include "engine/core/storage/MusicFileId.h"

class CArchive;

class CProfileResults {
public:
    // Written as the first word. Every stored version is read; older forms end before the key
    // words, which exist from version 5 on.
    static constexpr WORD kVersion = 5;
    static constexpr WORD kFirstVersionWithKey = 5;
    // Hundredths of a decibel between two fade steps.
    static constexpr int kFadeStepLevel = 600;

    CProfileResults() = default;
    CProfileResults(const CProfileResults&) = default;
    CProfileResults& operator=(const CProfileResults&) = default;
    virtual ~CProfileResults() = default;

    // Sample rate and sample count non-zero and a valid file identity.
    BOOL IsValid() const;
    void CopyTo(CProfileResults& target) const { target = *this; }
    // Empties every list and zeroes every field.
    void Clear() { *this = CProfileResults(); }

    void ClearMixPoints();
    void AddMixInPoint(LONGLONG position) { m_mixInPoints.push_back(position); }
    void AddMixOutPoint(LONGLONG position) { m_mixOutPoints.push_back(position); }
    void AddFadeStep(LONGLONG position) { m_fadeSteps.push_back(position); }
    // Replaces the measure starts with the marks of a beat-analysis record.
    void SetMeasureStarts(const LONGLONG* marks, int count);

    void SetMusicFileId(const CMusicFileId& id) { m_fileId = id; }
    const CMusicFileId& GetMusicFileId() const { return m_fileId; }

    void SetKey(WORD keyIndex, WORD keyMode);
    void GetKey(WORD* keyIndex, WORD* keyMode) const;

    CBeatPoints& GetBeatPoints() { return m_beatPoints; }
    const CBeatPoints& GetBeatPoints() const { return m_beatPoints; }

    // FALSE past the end.
    BOOL GetMeasureStart(int index, LONGLONG* position) const;
    // Indexes run over the mix-in points, then the mix-out points; *isOut tells which.
    BOOL GetMixPoint(int index, LONGLONG* position, BOOL* isOut) const;
    int GetMixPointCount() const { return static_cast<int>(m_mixInPoints.size() + m_mixOutPoints.size()); }
    // 0: the first loud position as a mix-in point; 1: the last loud position as a mix-out point.
    BOOL GetDefaultMixPoint(int index, LONGLONG* position, BOOL* isOut) const;

    // The fade's level (hundredths of dB, 0 or below) at a time in microseconds from the file
    // start; FALSE for a negative time, without fade steps or past the last step.
    BOOL GetFadeLevelAt(LONGLONG microseconds, int* level) const;
    // The time in microseconds at which the fade reaches a level; FALSE without a rate or when
    // the level lies below the last step.
    BOOL GetFadeTimeForLevel(int level, LONGLONG* microseconds) const;

    const std::vector<LONGLONG>& GetMixInPoints() const { return m_mixInPoints; }
    const std::vector<LONGLONG>& GetMixOutPoints() const { return m_mixOutPoints; }
    const std::vector<LONGLONG>& GetFadeSteps() const { return m_fadeSteps; }
    const std::vector<LONGLONG>& GetMeasureStarts() const { return m_measureStarts; }

    LONGLONG GetFirstLoudPosition() const { return m_firstLoud; }
    LONGLONG GetLastLoudPosition() const { return m_lastLoud; }
    // Stores both; the last is raised to the first when it lies before it.
    void SetLoudPositions(LONGLONG first, LONGLONG last);

    float GetTempo() const { return m_tempo; }
    void SetTempo(float bpm) { m_tempo = bpm; }
    DWORD GetSampleRate() const { return m_sampleRate; }
    void SetSampleRate(DWORD rate) { m_sampleRate = rate; }
    float GetPeakLevel() const { return m_peakLevel; }
    void SetPeakLevel(float level) { m_peakLevel = level; }
    LONGLONG GetSampleCount() const { return m_sampleCount; }
    void SetSampleCount(LONGLONG count) { m_sampleCount = count; }

    // Version 5 form. Loading throws CArchiveException on short or damaged data; every list
    // count is checked against the bytes left before anything is allocated.
    void Serialize(CArchive& archive);

private:
    std::vector<LONGLONG> m_mixInPoints;
    std::vector<LONGLONG> m_mixOutPoints;
    std::vector<LONGLONG> m_fadeSteps;
    std::vector<LONGLONG> m_measureStarts;
    LONGLONG m_firstLoud = 0;
    LONGLONG m_lastLoud = 0;
    float m_tempo = 0.0f;
    DWORD m_sampleRate = 0;
    float m_peakLevel = 0.0f;
    // Stored and copied; the analysis leaves them 0.
    float m_reserved1 = 0.0f;
    float m_reserved2 = 0.0f;
    LONGLONG m_sampleCount = 0;
    CMusicFileId m_fileId;
    WORD m_keyIndex = 0;
    WORD m_keyMode = 0;
    CBeatPoints m_beatPoints;
};
