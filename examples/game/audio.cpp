#include "audio.h"

#include "status.h"

#include <algorithm>
#include <cmath>

namespace glider {

namespace {

// The files of the effects, in the order of Effect: WAV for the short clicks, Ogg Vorbis for
// the longer ones (the loader picks the decoder by the name's ending).
const char* const kEffectFiles[] = {"crystal.wav", "bump.wav", "boom.ogg", "beacon.ogg", "start.ogg"};

}  // namespace

Placement placeSound(TOVREN_fCoord3 listener, float heading, TOVREN_fCoord3 source, float reach) {
    const float dx = source.x - listener.x, dy = source.y - listener.y, dz = source.z - listener.z;
    const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    const float h = heading * 3.14159265f / 180.0f;
    // The listener's right hand points along (cos h, 0, -sin h).
    const float side = distance > 0.001f ? (dx * std::cos(h) - dz * std::sin(h)) / distance : 0.0f;
    const float loudness = std::clamp(1.0f - distance / reach, 0.0f, 1.0f);
    // SetVolPct works in decibels, so square the fall-off to make it sound gradual.
    return {static_cast<uint32_t>(std::lround(100 * std::sqrt(loudness))),
            static_cast<int32_t>(std::lround(std::clamp(side, -1.0f, 1.0f) * 6000))};
}

std::string Audio::open(HWND window) {
    if (const uint32_t status = sound_.Init(window)) {
        sound_.Uninit();
        return "no sound device: " + statusText(status);
    }
    for (int i = 0; i < static_cast<int>(Effect::Count); ++i) {
        if (const uint32_t status = sound_.Load(&effects_[i], kEffectFiles[i])) {
            close();
            return std::string("cannot load the sound ") + kEffectFiles[i] + ": " + statusText(status);
        }
    }
    return {};
}

void Audio::close() {
    if (!on()) return;
    sound_.StopMP3Stream();
    for (IDirectSoundBuffer*& buffer : effects_) {
        if (buffer) buffer->Release();
        buffer = nullptr;
    }
    sound_.Uninit();
}

void Audio::play(Effect effect, TOVREN_fCoord3 listener, float heading, TOVREN_fCoord3 source) {
    if (!on()) return;
    IDirectSoundBuffer* buffer = effects_[static_cast<int>(effect)];
    const Placement where = placeSound(listener, heading, source, effect == Effect::Beacon ? 90.0f : 250.0f);
    sound_.SetVolPct(buffer, where.volumePercent);
    sound_.SetPan(buffer, where.pan);
    sound_.Play(buffer, false);
}

void Audio::startMusic() {
    if (on()) sound_.PlayMP3Stream("music.mp3");
}

void Audio::keepMusicGoing() {
    if (on()) sound_.CheckMP3Stream(0);
}

}  // namespace glider
