#include "workers.h"

#include <algorithm>
#include <cstdlib>

namespace platform::d3d8::raster {

namespace {

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
            threads_.emplace_back(&Workers::loop, this, i);
        } catch (const std::system_error&) {
            break;  // fewer threads; the bands still cover every row
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

void Workers::run(const std::function<void(int)>& job) {
    if (count_ == 1) {
        job(0);
        return;
    }
    std::lock_guard<std::mutex> turn(runMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = &job;
        pending_ = count_ - 1;
        ++generation_;
    }
    wake_.notify_all();
    job(0);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    job_ = nullptr;
}

void Workers::loop(int index) {
    uint64_t seen = 0;
    for (;;) {
        const std::function<void(int)>* job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            job = job_;
        }
        (*job)(index);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --pending_;
        }
        done_.notify_one();
    }
}

}  // namespace platform::d3d8::raster
