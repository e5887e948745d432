// Worker threads for rasterization. Each job is split into bands by the caller, so the
// pixels come out the same whatever the number of threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::d3d8::raster {

class Workers {
public:
    // KV_RASTER_THREADS threads (1 = everything on the caller), else one per core.
    static Workers& shared();
    explicit Workers(int count);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    int count() const { return count_; }
    // Runs job(i) for every i in 0 .. count() - 1, job(0) on the calling thread, and returns
    // when all are done. Calls from several threads take turns.
    void run(const std::function<void(int)>& job);

private:
    void loop(int index);

    int count_;
    std::vector<std::thread> threads_;
    std::mutex runMutex_;  // one run at a time
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int)>* job_ = nullptr;
    uint64_t generation_ = 0;
    int pending_ = 0;
    bool stopping_ = false;
};

}  // namespace platform::d3d8::raster
