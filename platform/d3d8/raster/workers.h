// Worker threads for rasterization. A job is a number of tasks that any thread may take in
// any order; the caller keeps each task's result apart (its own rows, vertices or output
// list), so the pixels come out the same whatever the number of threads.
#pragma once

#include <atomic>
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
    // Runs job(task) for every task in 0 .. tasks - 1 and returns when all are done. The
    // calling thread takes tasks too, so a worker that is slow to wake (a busy machine)
    // delays nothing but the tasks it took. Calls from several threads take turns.
    void run(uint32_t tasks, const std::function<void(uint32_t)>& job);

private:
    void loop();
    // Takes tasks of `generation` until none is left.
    void work(uint32_t generation, uint32_t tasks, const std::function<void(uint32_t)>* job);

    int count_;
    std::vector<std::thread> threads_;
    std::mutex runMutex_;  // one run at a time
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    // The run being handed out, under mutex_.
    const std::function<void(uint32_t)>* job_ = nullptr;
    uint32_t tasks_ = 0;
    uint32_t generation_ = 0;
    bool stopping_ = false;
    // The run's generation in the high half and its next task in the low half, so that a
    // worker still holding an older run takes nothing from a newer one.
    std::atomic<uint64_t> next_{0};
    std::atomic<uint32_t> finished_{0};
};

}  // namespace platform::d3d8::raster
