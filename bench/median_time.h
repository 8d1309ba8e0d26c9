// The benchmarks' timer: the median of several runs, in milliseconds, so
// that one slow run (a cache miss, another process) does not decide.
#pragma once

#include <algorithm>
#include <chrono>
#include <type_traits>
#include <vector>

namespace tw::bench {

// Runs `work` `runs` times; `work` may take the run's number.
double medianMs(const auto& work, int runs) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        if constexpr (std::is_invocable_v<decltype(work), int>)
            work(i);
        else
            work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace tw::bench
