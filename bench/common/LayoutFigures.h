// What the toolkit layout benchmarks share: a clock, a message pump, a count of the messages the
// thread's windows are sent while a step runs, the machine's load, and the figures of a series.
// The machine is shared with other builds: a step timed once can include a wait for a processor,
// so the benchmarks time every step in several rounds and judge the target on the best round of
// each step (a step that is slow by itself is slow in every round), printing the raw series beside.
#pragma once

#include "bench/common/Clock.h"
#include "classlib/ui/FrameWnd.h"
#include "tests/support/SentMessageLog.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline double NowMs()
{
    return 1000.0 * NowSeconds();
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// A frame with a clock around its own layout: what it does on WM_SIZE (its bars' layouts and the
// moves of their windows), apart from what the window system does for the resize itself.
class CLayoutTimedFrame : public CFrameWnd {
public:
    void RecalcLayout(BOOL notify = TRUE) override
    {
        const double start = NowMs();
        ++m_depth;
        CFrameWnd::RecalcLayout(notify);
        if (--m_depth == 0)
            spent += NowMs() - start;
    }
    double spent = 0;

private:
    int m_depth = 0;
};

struct Counts {
    double messages;  // sent per step
    double moves;     // windows moved per step
};

// Runs step(0) ... step(steps - 1), each under a counter and followed by a pump: the means.
template <class Step>
Counts CountPerStep(int steps, Step step)
{
    int messages = 0, moves = 0;
    for (int i = 0; i < steps; ++i) {
        {
            // The log's hook costs time of its own: counted in a round that is not timed.
            SentMessageLog sent;
            step(i);
            messages += static_cast<int>(sent.Messages().size());
            moves += sent.Count(nullptr, WM_WINDOWPOSCHANGING);
        }
        Pump();
    }
    return {messages / static_cast<double>(steps), moves / static_cast<double>(steps)};
}

// The one-minute load average of the machine (Wine maps the Unix root to drive Z:), -1 unknown.
inline double MachineLoad()
{
    double load = -1;
    if (FILE* file = _wfopen(L"Z:\\proc\\loadavg", L"r")) {
        if (std::fscanf(file, "%lf", &load) != 1)
            load = -1;
        std::fclose(file);
    }
    return load;
}

struct Figures {
    double median;
    double p95;
    double worst;
};

inline Figures Summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values[values.size() * 95 / 100], values.back()};
}

// Step i's best time over the rounds: rounds[r][i].
inline std::vector<double> BestOfRounds(const std::vector<std::vector<double>>& rounds)
{
    std::vector<double> best = rounds.front();
    for (const auto& round : rounds) {
        for (size_t i = 0; i < best.size(); ++i)
            best[i] = std::min(best[i], round[i]);
    }
    return best;
}

inline std::vector<double> Joined(const std::vector<std::vector<double>>& rounds)
{
    std::vector<double> all;
    for (const auto& round : rounds)
        all.insert(all.end(), round.begin(), round.end());
    return all;
}

}  // namespace bench
