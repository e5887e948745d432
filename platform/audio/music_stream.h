// A music stream: a decoder thread keeps a small ring of decoded frames a little ahead of
// the mixer, which resamples them into the output. The shared lock covers index updates
// and copies of one decoded piece, never the decoding.
#pragma once

#include "mixer.h"
#include "mp3_decoder.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::audio {

// The part the mixer pulls from; it outlives the player while a mix still uses it.
class MusicRing final : public Stream {
public:
    explicit MusicRing(uint32_t rate);

    void mixInto(float* mix, uint32_t frames, bool offline) override;

private:
    friend class MusicPlayer;

    static constexpr uint32_t kFrames = 16384;  // about a third of a second

    uint32_t freeFrames() const { return kFrames - filled_; }
    void store(const int16_t* frames, uint32_t count);  // under lock_
    void flush(uint64_t frame);                          // under lock_
    uint64_t step() const;                               // under lock_
    void waitForData(std::unique_lock<std::mutex>& lock, uint32_t frames);

    const uint32_t rate_;
    std::vector<int16_t> samples_;  // stereo frames; the mixer reads filled_ of them from read_

    std::mutex lock_;
    std::condition_variable wakeDecoder_;
    std::condition_variable completed_;
    std::condition_variable stored_;
    uint32_t read_ = 0;
    uint32_t filled_ = 0;
    uint64_t fraction_ = 0;  // 32.32 past read_
    uint64_t position_ = 0;  // frames played since the start of the file
    uint32_t epoch_ = 0;     // moves with every seek; a piece decoded before it is dropped
    double speed_ = 1.0;
    bool running_ = false;
    bool ended_ = false;     // the decoder has stored its last frame
    bool complete_ = false;  // and the mixer has played it
    bool seekPending_ = false;
    uint64_t seekTarget_ = 0;
    bool quit_ = false;
};

// Owns the decoder and its thread; made by the filter graph for one file.
class MusicPlayer {
public:
    // Takes an opened decoder and starts filling the ring at once.
    MusicPlayer(std::shared_ptr<Mixer> mixer, std::unique_ptr<Mp3Decoder> decoder);
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    void run();
    void stop();
    void setSpeed(double speed);
    // Moves the current position to `frame`, dropping what was decoded ahead.
    void seek(uint64_t frame);
    uint64_t position();  // frames
    uint32_t rate() const { return ring_->rate_; }
    // True once playing reached the end; false after `timeoutMs` (negative: no limit) or
    // when the stream is stopped. `running` tells which.
    bool waitForEnd(int32_t timeoutMs, bool& running);

private:
    void decodeLoop();

    std::shared_ptr<Mixer> mixer_;
    std::unique_ptr<Mp3Decoder> decoder_;
    std::shared_ptr<MusicRing> ring_;
    std::thread thread_;
};

}  // namespace platform::audio
