// The sound loaders' file formats: the RIFF/WAVE chunk reader and Ogg Vorbis decoding into
// DirectSound buffers.
#pragma once

#include <platform/dsound.h>

#include <cstdint>
#include <cstdio>

namespace tovren {

struct WavLayout {
    WAVEFORMATEX format;
    uint64_t dataOffset;
    uint32_t dataBytes;  // whole frames that the file really holds
};

// Walks the chunks of a RIFF/WAVE file for 'fmt ' and 'data', skipping any others. 0, or
// TOVREN_ERR_SOUND_FORMAT when the file is not 8- or 16-bit PCM with one or two channels.
uint32_t readWavLayout(std::FILE* file, WavLayout& layout);

// A buffer of the loaders' flags for 16-bit or 8-bit PCM; 0 or TOVREN_ERR_SOUND_CREATE_BUFFER.
uint32_t createSoundBuffer(IDirectSound8* sound, const WAVEFORMATEX& format, uint32_t bytes,
                           IDirectSoundBuffer** buffer);

// Fills a new buffer with the whole decoded stream of an Ogg Vorbis file; takes the file,
// which is closed in every case.
uint32_t decodeOggInto(IDirectSound8* sound, std::FILE* file, IDirectSoundBuffer** buffer);

}  // namespace tovren
