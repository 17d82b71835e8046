#pragma once
// What the benchmarks share: timing a call over enough repetitions to be measured.
#include <chrono>
#include <functional>

namespace bench {

// Seconds per call of f: a few calls to warm up, then batches of calls until about `seconds`
// have passed.
inline double SecondsPerCall(const std::function<void()>& f, double seconds, int batch, int warmUp)
{
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < warmUp; ++i) f();
    long calls = 0;
    const auto start = Clock::now();
    std::chrono::duration<double> spent{};
    do {
        for (int i = 0; i < batch; ++i) f();
        calls += batch;
        spent = Clock::now() - start;
    } while (spent.count() < seconds);
    return spent.count() / static_cast<double>(calls);
}

}  // namespace bench
