#include "activity.h"

#include <unistd.h>

namespace kvconvert {

Activity::Activity(std::FILE* out, const std::string& what, const std::string& file,
                   std::chrono::milliseconds delay)
    : out_(out), text_("kvconvert: " + what + " " + file + "..."), delay_(delay) {
    if (out_) thread_ = std::thread([this] { report(); });
}

Activity::~Activity() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

std::FILE* Activity::terminal() { return isatty(STDERR_FILENO) ? stderr : nullptr; }

void Activity::report() {
    const auto start = std::chrono::steady_clock::now();
    bool written = false;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, delay_, [this] { return done_; })) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
        std::fprintf(out_, "\r%s %lld s", text_.c_str(), static_cast<long long>(seconds.count()));
        std::fflush(out_);
        written = true;
    }
    if (written) {
        std::fputs("\r\033[K", out_);  // the messages that follow start on a clean line
        std::fflush(out_);
    }
}

}  // namespace kvconvert
