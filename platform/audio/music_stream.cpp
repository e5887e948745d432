#include "music_stream.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace platform::audio {

namespace {

constexpr uint32_t kPieceFrames = 1152;  // one MPEG layer III frame
constexpr PcmLayout kStereo16{2, 16};

}  // namespace

MusicRing::MusicRing(uint32_t rate) : rate_(rate), samples_(size_t{kFrames} * 2) {}

void MusicRing::store(const int16_t* frames, uint32_t count) {
    const uint32_t start = (read_ + filled_) % kFrames;
    const uint32_t first = std::min(count, kFrames - start);
    std::memcpy(&samples_[size_t{start} * 2], frames, size_t{first} * 4);
    std::memcpy(samples_.data(), frames + size_t{first} * 2, size_t{count - first} * 4);
    filled_ += count;
}

// The ring restarts where the decoder would write next, away from the frames a mix running
// now may still read.
void MusicRing::flush(uint64_t frame) {
    read_ = (read_ + filled_) % kFrames;
    filled_ = 0;
    fraction_ = 0;
    position_ = frame;
    ended_ = complete_ = false;
    ++epoch_;
}

uint64_t MusicRing::step() const {
    return static_cast<uint64_t>(static_cast<double>(rate_) * speed_ / kOutputRate * 4294967296.0);
}

// Until the ring holds what `frames` output frames need (or all the decoder will give).
void MusicRing::waitForData(std::unique_lock<std::mutex>& lock, uint32_t frames) {
    stored_.wait(lock, [&] {
        const uint64_t needed = ((fraction_ + frames * step()) >> 32) + 2;
        return !running_ || complete_ || ended_ || filled_ >= std::min<uint64_t>(needed, kFrames - kPieceFrames);
    });
}

// The decoder only writes to frames past read_ + filled_, so the mixer reads its part of
// the ring without holding the lock.
void MusicRing::mixInto(float* mix, uint32_t frames, bool offline) {
    uint64_t step;
    uint32_t read, available, epoch;
    uint64_t fraction;
    bool ended;
    {
        std::unique_lock lock(lock_);
        if (offline) waitForData(lock, frames);
        if (!running_ || complete_) return;
        step = this->step();
        read = read_, available = filled_, fraction = fraction_, epoch = epoch_, ended = ended_;
    }
    const uint32_t backed = framesBacked(fraction, step, available, frames);
    uint64_t position = (uint64_t{read} << 32) | fraction;
    mixResampled(reinterpret_cast<const uint8_t*>(samples_.data()), kFrames, kStereo16, true, position, step,
                 Gains{1.0f, 1.0f}, mix, backed);
    const uint64_t advanced = fraction + backed * step;
    const auto consumed = static_cast<uint32_t>(std::min<uint64_t>(advanced >> 32, available));

    std::lock_guard lock(lock_);
    if (epoch != epoch_) return;  // a seek flushed the ring while this block was mixed
    read_ = (read_ + consumed) % kFrames;
    filled_ -= consumed;
    fraction_ = consumed == (advanced >> 32) ? advanced & (kOneFrame - 1) : 0;
    position_ += consumed;
    if (ended && backed < frames) {
        complete_ = true;
        completed_.notify_all();
    }
    if (freeFrames() >= kPieceFrames) wakeDecoder_.notify_one();
}

MusicPlayer::MusicPlayer(std::shared_ptr<Mixer> mixer, std::unique_ptr<Mp3Decoder> decoder)
    : mixer_(std::move(mixer)), decoder_(std::move(decoder)), ring_(std::make_shared<MusicRing>(decoder_->rate())) {
    mixer_->addStream(ring_);
    thread_ = std::thread(&MusicPlayer::decodeLoop, this);
}

MusicPlayer::~MusicPlayer() {
    mixer_->removeStream(ring_.get());
    {
        std::lock_guard lock(ring_->lock_);
        ring_->quit_ = true;
        ring_->running_ = false;
    }
    ring_->wakeDecoder_.notify_all();
    ring_->stored_.notify_all();
    ring_->completed_.notify_all();
    thread_.join();
}

void MusicPlayer::decodeLoop() {
    std::vector<int16_t> piece(size_t{kPieceFrames} * 2);
    MusicRing& ring = *ring_;
    std::unique_lock lock(ring.lock_);
    for (;;) {
        ring.wakeDecoder_.wait(lock, [&] {
            return ring.quit_ || ring.seekPending_ || (!ring.ended_ && ring.freeFrames() >= kPieceFrames);
        });
        if (ring.quit_) return;
        const uint32_t epoch = ring.epoch_;
        bool end = false;
        uint32_t count = 0;
        if (ring.seekPending_) {
            ring.seekPending_ = false;
            const uint64_t target = ring.seekTarget_;
            lock.unlock();
            end = !decoder_->seek(target);
        } else {
            lock.unlock();
            count = decoder_->read(piece.data(), kPieceFrames, end);
        }
        lock.lock();
        if (epoch != ring.epoch_) continue;
        ring.store(piece.data(), count);
        if (end) ring.ended_ = true;
        ring.stored_.notify_all();
    }
}

void MusicPlayer::run() {
    std::lock_guard lock(ring_->lock_);
    ring_->running_ = true;
}

void MusicPlayer::stop() {
    {
        std::lock_guard lock(ring_->lock_);
        ring_->running_ = false;
    }
    ring_->completed_.notify_all();
    ring_->stored_.notify_all();
}

void MusicPlayer::setSpeed(double speed) {
    std::lock_guard lock(ring_->lock_);
    ring_->speed_ = speed;
}

void MusicPlayer::seek(uint64_t frame) {
    {
        std::lock_guard lock(ring_->lock_);
        ring_->flush(frame);
        ring_->seekPending_ = true;
        ring_->seekTarget_ = frame;
    }
    ring_->wakeDecoder_.notify_one();
}

uint64_t MusicPlayer::position() {
    std::lock_guard lock(ring_->lock_);
    return ring_->position_;
}

bool MusicPlayer::waitForEnd(int32_t timeoutMs, bool& running) {
    MusicRing& ring = *ring_;
    std::unique_lock lock(ring.lock_);
    const auto settled = [&] { return ring.complete_ || !ring.running_; };
    if (timeoutMs < 0) {
        ring.completed_.wait(lock, settled);
    } else {
        ring.completed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), settled);
    }
    running = ring.running_;
    return ring.running_ && ring.complete_;
}

}  // namespace platform::audio
