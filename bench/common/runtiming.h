#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <vector>

// The median, fastest and slowest of `runs` timed calls of `work`: one run
// may meet a busy machine, the median rarely does.
struct RunTiming {
    double median_ms = 0;
    double min_ms = 0;
    double max_ms = 0;
};

inline RunTiming time_runs(int runs, const std::function<void()> &work)
{
    std::vector<double> samples;
    for (int i = 0; i < std::max(runs, 1); ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        samples.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.front(), samples.back()};
}
