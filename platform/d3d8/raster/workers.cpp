#include "workers.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace platform::d3d8::raster {

namespace {

// How long a thread polls before it sleeps. The last task of a run and the next run of a
// draw usually come within this; a thread that sleeps instead gives its core away, and on a
// busy machine waking it again can take a whole scheduler turn.
constexpr auto kPoll = std::chrono::microseconds(100);

void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// True when ready() became true within kPoll.
template <class Ready>
bool pollFor(Ready ready) {
    const auto until = std::chrono::steady_clock::now() + kPoll;
    do {
        for (int i = 0; i < 32; ++i) {
            if (ready()) return true;
            relax();
        }
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

int threadCount() {
    if (const char* value = std::getenv("KV_RASTER_THREADS")) {
        const long wanted = std::strtol(value, nullptr, 10);
        if (wanted >= 1) return static_cast<int>(std::min<long>(wanted, 64));
    }
    return static_cast<int>(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1u, 64u));
}

}  // namespace

Workers& Workers::shared() {
    static Workers workers(threadCount());
    return workers;
}

Workers::Workers(int count) : count_(std::max(count, 1)) {
    for (int i = 1; i < count_; ++i) {
        try {
            threads_.emplace_back(&Workers::loop, this);
        } catch (const std::system_error&) {
            break;  // fewer threads; the calling thread still takes every task left
        }
    }
    count_ = static_cast<int>(threads_.size()) + 1;
}

Workers::~Workers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& thread : threads_) thread.join();
}

void Workers::run(uint32_t tasks, const std::function<void(uint32_t)>& job) {
    if (count_ == 1 || tasks <= 1) {
        for (uint32_t task = 0; task < tasks; ++task) job(task);
        return;
    }
    std::lock_guard<std::mutex> turn(runMutex_);
    uint32_t generation;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        generation = ++generation_;
        job_ = &job;
        tasks_ = tasks;
        finished_.store(0, std::memory_order_relaxed);
        next_.store(uint64_t(generation) << 32, std::memory_order_release);
    }
    wake_.notify_all();
    work(generation, tasks, &job);
    if (pollFor([&] { return finished_.load(std::memory_order_acquire) == tasks; })) return;
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return finished_.load(std::memory_order_acquire) == tasks; });
}

void Workers::work(uint32_t generation, uint32_t tasks, const std::function<void(uint32_t)>* job) {
    for (;;) {
        uint64_t next = next_.load(std::memory_order_acquire);
        do {
            if (uint32_t(next >> 32) != generation || uint32_t(next) >= tasks) return;
        } while (!next_.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel));
        (*job)(uint32_t(next));
        if (finished_.fetch_add(1, std::memory_order_acq_rel) + 1 == tasks) {
            std::lock_guard<std::mutex> lock(mutex_);  // the caller is waiting or has not looked yet
            done_.notify_one();
        }
    }
}

void Workers::loop() {
    uint32_t seen = 0;
    for (;;) {
        const std::function<void(uint32_t)>* job;
        uint32_t tasks;
        pollFor([&] { return uint32_t(next_.load(std::memory_order_acquire) >> 32) != seen; });
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            job = job_;
            tasks = tasks_;
        }
        // A run that has ended by now has no task left, so its job is never called.
        work(seen, tasks, job);
    }
}

}  // namespace platform::d3d8::raster
