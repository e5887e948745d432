// Holds a loop to a frame rate instead of letting it run as fast as the processor goes.
#pragma once

#include <chrono>
#include <cstdint>

namespace spritedemo {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit FramePacer(uint32_t framesPerSecond)
        : period_(std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) /
                  (framesPerSecond ? framesPerSecond : 60)) {}

    // When the frame that has just been drawn at `now` should give way to the next. Frames
    // end one period apart; a loop more than a frame behind (a stall, a dragged window)
    // starts afresh rather than racing through the frames it missed.
    Clock::time_point nextFrame(Clock::time_point now) {
        next_ += period_;
        if (next_ < now - period_) next_ = now;
        return next_;
    }

    Clock::duration period() const { return period_; }

private:
    Clock::duration period_;
    Clock::time_point next_{};
};

}  // namespace spritedemo
