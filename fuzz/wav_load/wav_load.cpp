// Loads arbitrary bytes as a WAV file: every outcome is a listed status, and a loaded buffer
// holds exactly a run of the input's bytes.
#include "sound_fuzz.h"

#include <tovren/debug.h>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IDirectSoundBuffer* buffer =
        soundfuzz::loadInput(data, size, ".wav", &cTOVREN_Sound::LoadWAV,
                             {TOVREN_ERR_SOUND_FORMAT, TOVREN_ERR_SOUND_CREATE_BUFFER, TOVREN_ERR_FILE_READ});
    if (!buffer) return 0;
    const auto held = soundfuzz::contents(buffer);
    if (held.size() > size || std::search(data, data + size, held.begin(), held.end()) == data + size) std::abort();
    soundfuzz::mixBriefly(buffer);
    buffer->Release();
    return 0;
}
