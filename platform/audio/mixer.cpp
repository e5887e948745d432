#include "mixer.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace platform::audio {

namespace {

constexpr uint32_t kMaxBlock = 1024;  // frames mixed per pass; bounds the scratch memory
constexpr uint16_t kDeviceFrames = 512;

std::mutex currentLock;
std::weak_ptr<Mixer> current;
bool outputHeld = false;

}  // namespace

Voice::Voice(PcmLayout pcm, uint32_t sampleRate, uint32_t byteCount)
    : layout(pcm),
      rate(sampleRate),
      frameCount(byteCount / pcm.frameBytes()),
      bytes(byteCount, pcm.bits == 8 ? uint8_t{0x80} : uint8_t{0}),
      frequency(sampleRate) {}

// Pan attenuates the far channel only: positive pan lowers the left, negative the right.
void Voice::updateGains() {
    const float level = gainOfMillibels(volume);
    gains.left = level * (pan > 0 ? gainOfMillibels(-pan) : 1.0f);
    gains.right = level * (pan < 0 ? gainOfMillibels(pan) : 1.0f);
}

std::shared_ptr<Mixer> Mixer::acquire() {
    std::lock_guard lock(currentLock);
    if (auto mixer = current.lock()) return mixer;
    std::shared_ptr<Mixer> mixer(new Mixer);
    if (!mixer->open()) return nullptr;
    current = mixer;
    return mixer;
}

void Mixer::holdOutput(bool held) {
    std::lock_guard lock(currentLock);
    outputHeld = held;
    if (auto mixer = current.lock()) SDL_PauseAudioDevice(mixer->device_, held ? 1 : 0);
}

void Mixer::renderCurrent(int16_t* out, uint32_t frames) {
    std::shared_ptr<Mixer> mixer;
    {
        std::lock_guard lock(currentLock);
        mixer = current.lock();
    }
    if (mixer) {
        mixer->render(out, frames, true);
    } else {
        std::fill_n(out, size_t{frames} * 2, int16_t{0});
    }
}

bool Mixer::open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kOutputRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = &Mixer::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware takes, so the mix is
    // always 48 kHz stereo 16-bit.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    runs_.reserve(64);
    streamRuns_.reserve(4);
    accumulator_.resize(size_t{kMaxBlock} * 2);
    SDL_PauseAudioDevice(device_, outputHeld ? 1 : 0);
    return true;
}

Mixer::~Mixer() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);  // waits for a running callback
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void Mixer::callback(void* self, uint8_t* stream, int length) {
    static_cast<Mixer*>(self)->render(reinterpret_cast<int16_t*>(stream), static_cast<uint32_t>(length) / 4, false);
}

void Mixer::activate(const std::shared_ptr<Voice>& voice) {
    const auto found = std::find(active_.begin(), active_.end(), voice);
    if (found == active_.end()) active_.push_back(voice);
}

void Mixer::deactivate(const Voice* voice) {
    std::erase_if(active_, [voice](const std::shared_ptr<Voice>& v) { return v.get() == voice; });
}

void Mixer::addStream(const std::shared_ptr<Stream>& stream) {
    std::lock_guard lock(stateLock_);
    streams_.push_back(stream);
}

void Mixer::removeStream(const Stream* stream) {
    std::lock_guard lock(stateLock_);
    std::erase_if(streams_, [stream](const std::shared_ptr<Stream>& s) { return s.get() == stream; });
}

void Mixer::render(int16_t* out, uint32_t frames, bool offline) {
    std::lock_guard lock(renderLock_);
    while (frames > 0) {
        const uint32_t block = std::min(frames, kMaxBlock);
        renderBlock(out, block, offline);
        out += size_t{block} * 2;
        frames -= block;
    }
}

void Mixer::renderBlock(int16_t* out, uint32_t frames, bool offline) {
    {
        std::lock_guard lock(stateLock_);
        for (const auto& voice : active_) {
            runs_.push_back({voice, voice->position, voice->step(), voice->gains, voice->looping, voice->generation,
                             false});
        }
        streamRuns_.assign(streams_.begin(), streams_.end());
    }
    float* mix = accumulator_.data();
    std::fill_n(mix, size_t{frames} * 2, 0.0f);
    for (Run& run : runs_) {
        const Voice& v = *run.voice;
        const uint32_t made =
            mixResampled(v.bytes.data(), v.frameCount, v.layout, run.looping, run.position, run.step, run.gains, mix, frames);
        run.ended = made < frames || (!run.looping && run.position >= (uint64_t{v.frameCount} << 32));
    }
    for (const auto& stream : streamRuns_) stream->mixInto(mix, frames, offline);
    {
        std::lock_guard lock(stateLock_);
        for (Run& run : runs_) {
            Voice& v = *run.voice;
            if (v.generation != run.generation || !v.playing) continue;  // the game moved it meanwhile
            if (run.ended) {
                v.playing = false;
                v.position = 0;
                deactivate(&v);
            } else {
                v.position = run.position;
            }
        }
    }
    runs_.clear();  // may free a voice whose buffer was released meanwhile
    streamRuns_.clear();
    clipToInt16(mix, out, frames * 2);
}

}  // namespace platform::audio

namespace platform::audio {

void holdOutput(bool held) { Mixer::holdOutput(held); }
void renderMix(int16_t* out, uint32_t frames) { Mixer::renderCurrent(out, frames); }

}  // namespace platform::audio
