// A line on a terminal that says which file a slow step is working on and for how long, so
// converting a picture of a gigabyte does not look like a hang.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace kvconvert {

class Activity {
public:
    // Once `delay` has passed, and then every `delay`, writes "\rkvconvert: WHAT FILE... N s"
    // to `out`; the destructor ends the step and clears the line if one was written. A null
    // `out` (standard error is no terminal) writes nothing and starts no thread.
    Activity(std::FILE* out, const std::string& what, const std::string& file,
             std::chrono::milliseconds delay = std::chrono::seconds(1));
    ~Activity();
    Activity(const Activity&) = delete;
    Activity& operator=(const Activity&) = delete;

    // Standard error when it is a terminal, else null.
    static std::FILE* terminal();

private:
    void report();

    std::FILE* out_;
    std::string text_;
    std::chrono::milliseconds delay_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace kvconvert
