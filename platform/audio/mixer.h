// The process's one audio output: an SDL2 device at 48 kHz stereo 16-bit whose callback mixes
// every playing sound buffer and music stream. Game threads change voice state under the
// mixer's lock for a few instructions at a time; the mixing itself runs outside it on
// snapshots, and decoding happens on the music streams' own threads.
#pragma once

#include "mix_kernels.h"

#include <platform/audio.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::audio {


// A sound buffer's samples and playing state. The fields below `bytes` are guarded by the
// mixer's lock; `bytes` never changes size, and the game writes into it through Lock.
struct Voice {
    Voice(PcmLayout layout, uint32_t rate, uint32_t byteCount);

    const PcmLayout layout;
    const uint32_t rate;  // the format's rate, restored by DSBFREQUENCY_ORIGINAL
    const uint32_t frameCount;
    std::vector<uint8_t> bytes;

    uint64_t position = 0;  // frames, 32.32
    uint32_t frequency;
    int32_t volume = 0;  // hundredths of a decibel
    int32_t pan = 0;
    Gains gains{1.0f, 1.0f};
    bool playing = false;
    bool looping = false;
    uint32_t generation = 0;  // moves whenever the game sets the position

    uint64_t step() const { return (static_cast<uint64_t>(frequency) << 32) / kOutputRate; }
    void updateGains();
};

// Something the mixer pulls from that keeps its own state, such as a music stream.
class Stream {
public:
    virtual ~Stream() = default;
    // Adds `frames` frames to `mix` (stereo float); called by one renderer at a time. The
    // audio thread never waits; an offline render may wait for data being prepared.
    virtual void mixInto(float* mix, uint32_t frames, bool offline) = 0;
};

class Mixer {
public:
    // The running mixer, opening the audio output on first use; null when it cannot.
    static std::shared_ptr<Mixer> acquire();
    // Pauses or resumes the device of this and every later mixer.
    static void holdOutput(bool held);
    // Mixes into `out` as the device callback does, offline; silence when no mixer runs.
    static void renderCurrent(int16_t* out, uint32_t frames);

    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    std::mutex& stateLock() { return stateLock_; }
    // Both under stateLock: starts mixing a voice marked playing, or stops mixing it.
    void activate(const std::shared_ptr<Voice>& voice);
    void deactivate(const Voice* voice);

    void addStream(const std::shared_ptr<Stream>& stream);
    void removeStream(const Stream* stream);

    // Interleaved stereo frames of the next part of the mix. Offline rendering waits for
    // music decoders to be ahead, so that its result does not depend on timing.
    void render(int16_t* out, uint32_t frames, bool offline);

private:
    Mixer() = default;
    bool open();
    void renderBlock(int16_t* out, uint32_t frames, bool offline);
    static void callback(void* self, uint8_t* stream, int length);

    struct Run {
        std::shared_ptr<Voice> voice;
        uint64_t position;
        uint64_t step;
        Gains gains;
        bool looping;
        uint32_t generation;
        bool ended;
    };

    uint32_t device_ = 0;
    std::mutex stateLock_;  // voices' state and the two lists
    std::vector<std::shared_ptr<Voice>> active_;
    std::vector<std::shared_ptr<Stream>> streams_;

    std::mutex renderLock_;  // one renderer at a time; guards the scratch below
    std::vector<Run> runs_;
    std::vector<std::shared_ptr<Stream>> streamRuns_;
    std::vector<float> accumulator_;
};

}  // namespace platform::audio
