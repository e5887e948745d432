// What the two sound-file fuzz targets share: one engine sound device with the output held,
// the input written to a scratch file, and a short mix of whatever loaded.
#pragma once

#include <tovren/sound.h>

#include <platform/audio.h>
#include <platform/window.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <vector>

namespace soundfuzz {

// Lives for the whole run, as a game's device does.
inline cTOVREN_Sound& device() {
    static HWND window = nullptr;
    static cTOVREN_Sound sound;
    if (!window) {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        platform::audio::holdOutput(true);
        window = platform::createOffscreenWindow(16, 16);
        if (sound.Init(window) != 0) std::abort();
    }
    return sound;
}

inline bool writeBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

using Loader = uint32_t (cTOVREN_Sound::*)(IDirectSoundBuffer**, const char*);

// Loads the input from a scratch file; null when it did not load. A status outside
// `listed`, or a buffer handed out with a failure, is a finding.
inline IDirectSoundBuffer* loadInput(const uint8_t* data, size_t size, const char* extension, Loader loader,
                                     std::initializer_list<uint32_t> listed) {
    const std::string path = "/tmp/sound_fuzz_" + std::to_string(getpid()) + extension;
    if (!writeBytes(path, data, size)) return nullptr;
    IDirectSoundBuffer* buffer = nullptr;
    const uint32_t status = (device().*loader)(&buffer, path.c_str());
    ::unlink(path.c_str());
    if (status == 0) return buffer;
    if (buffer || std::find(listed.begin(), listed.end(), status) == listed.end()) std::abort();
    return nullptr;
}

// The loaded buffer's bytes.
inline std::vector<uint8_t> contents(IDirectSoundBuffer* buffer) {
    void* part = nullptr;
    DWORD bytes = 0;
    if (buffer->Lock(0, 0, &part, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER) != DS_OK) std::abort();
    std::vector<uint8_t> out(static_cast<uint8_t*>(part), static_cast<uint8_t*>(part) + bytes);
    buffer->Unlock(part, bytes, nullptr, 0);
    return out;
}

// Plays the buffer at its own rate and a changed one through a few mixing blocks.
inline void mixBriefly(IDirectSoundBuffer* buffer) {
    cTOVREN_Sound& sound = device();
    std::vector<int16_t> out(2 * 1024);
    if (sound.Play(buffer, true) != 0) std::abort();
    platform::audio::renderMix(out.data(), 1024);
    buffer->SetFrequency(DSBFREQUENCY_MAX);
    platform::audio::renderMix(out.data(), 1024);
    sound.Stop(buffer);
}

}  // namespace soundfuzz
