// Loads arbitrary bytes as a WAV file: every outcome is a listed status, and a loaded buffer
// holds exactly a run of the input's bytes.
#include "sound_fuzz.h"

#include <tovren/debug.h>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cTOVREN_Sound& sound = soundfuzz::device();
    const std::string path = soundfuzz::scratch(".wav");
    if (!soundfuzz::writeBytes(path, data, size)) return 0;
    IDirectSoundBuffer* buffer = nullptr;
    const uint32_t status = sound.LoadWAV(&buffer, path.c_str());
    ::unlink(path.c_str());
    if (status != TOVREN_OK) {
        const bool listed = status == TOVREN_ERR_SOUND_FORMAT || status == TOVREN_ERR_SOUND_CREATE_BUFFER ||
                            status == TOVREN_ERR_FILE_READ;
        if (!listed || buffer) std::abort();
        return 0;
    }
    const auto held = soundfuzz::contents(buffer);
    if (held.size() > size || std::search(data, data + size, held.begin(), held.end()) == data + size) std::abort();
    soundfuzz::mixBriefly(sound, buffer);
    buffer->Release();
    return 0;
}
