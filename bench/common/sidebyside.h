// Our code and the libraries users would pick instead, timed alternately inside one
// benchmark, each by this thread's CPU clock: a busy machine then slows both alike, and the
// ratio holds where absolute times drift. Register with ->UseManualTime(): the benchmark's
// time is ours, the counters give every side's rate and "x <peer>", our speed over the
// peer's (above 1 we are faster).
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace kvbench {

// Large blocks stay in the heap once freed, as in a program that loads picture after picture.
// Otherwise the sides' allocations interleave so that whichever lands on top of the heap gives
// its pages back and faults them in again on every run, which times the allocator, not the code.
inline const bool kSteadyHeap = [] {
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    return true;
}();

inline double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Peer {
    std::string name;
    std::function<void()> run;
};

// `work` is what one run handles, in the unit the rate counters are named by ("MP", "MB").
inline void sideBySide(benchmark::State& state, double work, const std::string& unit, const std::function<void()>& ours,
                       const std::vector<Peer>& peers) {
    double oursTotal = 0;
    std::vector<double> peerTotals(peers.size(), 0.0);
    for (auto _ : state) {
        const double start = threadSeconds();
        ours();
        benchmark::ClobberMemory();
        const double elapsed = threadSeconds() - start;
        state.SetIterationTime(elapsed);
        oursTotal += elapsed;
        for (size_t i = 0; i < peers.size(); ++i) {
            const double peerStart = threadSeconds();
            peers[i].run();
            benchmark::ClobberMemory();
            peerTotals[i] += threadSeconds() - peerStart;
        }
    }
    if (oursTotal <= 0) return;
    const double runs = double(state.iterations());
    state.counters[unit + "/s"] = work * runs / oursTotal;
    for (size_t i = 0; i < peers.size(); ++i) {
        state.counters[peers[i].name + " " + unit + "/s"] = work * runs / peerTotals[i];
        state.counters["x " + peers[i].name] = peerTotals[i] / oursTotal;
    }
}

}  // namespace kvbench
