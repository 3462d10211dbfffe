// Analysed tracks for the benchmarks of the mix model: tempos cycling through 100 to 130 BPM,
// 96 measures each unless asked for more, 8-measure intros and outros as mix points, laid out as
// one full segment with the analysis applied; and the results they were made from, answered by
// file identity.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "classlib/core/File.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/core/mix/MixProfileSource.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

inline constexpr DWORD kRate = 44100;

class CResults : public IMixProfileSource {
public:
    std::vector<CProfileResults> list;
    BOOL GetProfileResults(const CMusicFileId& id, CProfileResults* results) override
    {
        for (const CProfileResults& r : list)
            if (r.GetMusicFileId() == id) {
                *results = r;
                return TRUE;
            }
        return FALSE;
    }
};

inline void AddTrack(CTrackInfoContainer& tracks, CResults& source, int index, int measures = 96)
{
    const float bpm = 100.0f + static_cast<float>((index * 7) % 31);
    const LONGLONG measure = static_cast<LONGLONG>(240.0 * kRate / bpm + 0.5);
    CProfileResults results;
    results.SetTempo(bpm);
    results.SetSampleRate(kRate);
    results.SetSampleCount(measure * measures);
    CMusicFileId id;
    id.SetId(index + 1, 0x5A5A);
    results.SetMusicFileId(id);
    for (int m = 0; m <= 8; ++m) {
        results.AddMixInPoint(measure * (4 + m));
        results.AddMixOutPoint(measure * (measures - 12 + m));
    }
    for (int s = 0; s <= 10; ++s)
        results.AddFadeStep(static_cast<LONGLONG>(kRate) * s);
    results.SetLoudPositions(measure * 4, measure * (measures - 4));
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(index + 1);
    track->SetSampleInfo(kRate, results.GetSampleCount());
    track->SetFlags(kTrackPrimary);
    track->MainObjects().AddFullSegment(track->GetTrackLength());
    track->ApplyProfile(results, index % 4 == 3);
    tracks.AppendReference(track);
    track->ReleaseFromOwner();
    source.list.push_back(results);
}

inline double BenchMilliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The median time of runs calls of work after one untimed call, QueryPerformanceCounter around
// each; restore (when given) runs after each call, outside the timing.
inline double BenchMedianMs(int runs, const std::function<void()>& work, const std::function<void()>& restore = {})
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int run = 0; run <= runs; ++run) {
        LARGE_INTEGER from{};
        LARGE_INTEGER to{};
        QueryPerformanceCounter(&from);
        work();
        QueryPerformanceCounter(&to);
        if (run > 0)
            times.push_back(BenchMilliseconds(from, to, frequency));
        if (restore)
            restore();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A folder of the benchmark's own under the temporary folder, ending in a backslash.
inline std::wstring BenchFolder(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

// The whole content of a file; empty when it cannot be read.
inline std::vector<BYTE> BenchFileBytes(const std::wstring& path)
{
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead))
        return {};
    std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
}
