// Clipboard figure, taken inside one Wine process on Xvfb (tools/bench): an id list of 50,000
// track ids copied to the clipboard (stored as one block, handed to the OLE clipboard) and pasted
// back into another list (read through the clipboard and checked against the count), on the
// program's UI-thread apartment, 20 rounds after one warm-up; target: at most 20 ms a round, judged
// on the median. No peer: no other program on this machine reads this format.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/ItemDataSource.h"
#include "app/ItemIdFormats.h"
#include "bench/common/Clock.h"

namespace {

constexpr int kIds = 50000;
constexpr int kRounds = 20;
constexpr double kTargetMs = 20.0;

}  // namespace

int main()
{
    if (FAILED(OleInitialize(nullptr))) {
        std::printf("clipboard: OLE could not be initialised\n");
        return 1;
    }
    CItemDataSource copied(kTrackIdsFormat);
    for (int i = 0; i < kIds; ++i)
        copied.Add(static_cast<DWORD>(i * 7 + 1));
    std::vector<double> rounds;
    for (int round = 0; round <= kRounds; ++round) {
        CItemDataSource pasted(kTrackIdsFormat);
        const double start = bench::NowSeconds();
        const bool ok = copied.CopyToClipboard() && pasted.PasteFromClipboard() && pasted.GetCount() == kIds;
        const double ms = (bench::NowSeconds() - start) * 1000.0;
        if (!ok) {
            std::printf("clipboard: round %d failed\n", round);
            OleUninitialize();
            return 1;
        }
        if (round > 0)
            rounds.push_back(ms);
    }
    OleSetClipboard(nullptr);
    OleUninitialize();
    std::sort(rounds.begin(), rounds.end());
    const double median = rounds[rounds.size() / 2];
    std::printf(
        "clipboard: copy and paste of %d ids: median %.2f ms, best %.2f ms, worst %.2f ms (target %.0f ms: %s)\n", kIds,
        median, rounds.front(), rounds.back(), kTargetMs, median <= kTargetMs ? "met" : "MISSED");
    return 0;
}
