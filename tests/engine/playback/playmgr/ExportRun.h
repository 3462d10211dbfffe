// The steps of an export through the live play manager that its tests share: start it, wait for
// it to end, read the file it wrote back, and compare that with an in-process pull of the mix.
#pragma once

#include <string>
#include <vector>

#include "LiveStream.h"
#include "classlib/com/ComPtr.h"
#include "interfaces/IProgressStatus.h"

namespace playmgrtest {

inline constexpr MixExportOptions kWav{1, 1, FALSE};
inline constexpr DWORD kExportTimeoutMs = 120000;

// Starts an export of the stream's mix to `target`.
HRESULT StartExport(CPlayManager& manager, const std::wstring& target, const MixExportOptions& options,
                    ComPtr<IProgressStatus>& progress);

// Waits for the task to report completion or an error, then for the tick to give the stream back
// to its device (state 0).
HRESULT WaitForExport(LiveStream& stream, IProgressStatus& progress);

// Until the writer's thread runs (the stream then counts as playing, as a rebuild sees it).
void WaitUntilWriting(CPlayManager& manager);

// Waits for the export to complete without an error and reads the WAV file it wrote back into
// `samples`; call it through ASSERT_NO_FATAL_FAILURE.
void FinishAndRead(LiveStream& stream, IProgressStatus& progress, const std::wstring& target,
                   std::vector<int16_t>& samples);

// The same mix laid out anew and pulled in-process as a file writer pulls it: `exported` holds
// exactly its samples.
void ExpectSameAsPull(const std::vector<rendertest::TrackFile>& files, int measures,
                      const std::vector<int16_t>& exported, const char* reading);

}  // namespace playmgrtest
