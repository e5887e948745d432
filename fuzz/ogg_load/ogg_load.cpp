// Loads arbitrary bytes as an Ogg Vorbis file: every outcome is a listed status, and a loaded
// buffer holds whole 16-bit frames. The mutator repairs each whole page's checksum after
// mutating, since libogg drops a page whose checksum fails and the decoder behind it would
// otherwise see only the seeds' packets.
#include "../wav_load/sound_fuzz.h"

#include <tovren/debug.h>

#include <cstring>

namespace {

// Ogg's CRC-32: polynomial 0x04C11DB7, not reflected, starting at 0, no final inversion.
uint32_t oggCrc(const uint8_t* data, size_t size) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit) r = r & 0x80000000u ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

// Every page that lies whole in the data gets the checksum of its present bytes.
void repairPageChecksums(uint8_t* data, size_t size) {
    constexpr size_t kHeader = 27, kCrcAt = 22, kSegmentsAt = 26;
    for (size_t at = 0; at + kHeader <= size;) {
        if (std::memcmp(data + at, "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const size_t segments = data[at + kSegmentsAt];
        size_t length = kHeader + segments;
        if (at + length > size) return;
        for (size_t s = 0; s < segments; ++s) length += data[at + kHeader + s];
        if (at + length > size) return;
        std::memset(data + at + kCrcAt, 0, 4);
        const uint32_t crc = oggCrc(data + at, length);
        for (int b = 0; b < 4; ++b) data[at + kCrcAt + b] = static_cast<uint8_t>(crc >> (8 * b));
        at += length;
    }
}

}  // namespace

// Only a fuzzing build links libFuzzer's mutator; the corpus replay never mutates.
extern "C" __attribute__((weak)) size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int /*seed*/) {
    if (!LLVMFuzzerMutate) return size;
    size = LLVMFuzzerMutate(data, size, maxSize);
    repairPageChecksums(data, size);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IDirectSoundBuffer* buffer = soundfuzz::loadInput(data, size, ".ogg", &cTOVREN_Sound::LoadOGG,
                                                      {TOVREN_ERR_FILE_READ, TOVREN_ERR_SOUND_CREATE_BUFFER});
    if (!buffer) return 0;
    if (soundfuzz::contents(buffer).size() % 2 != 0) std::abort();
    soundfuzz::mixBriefly(buffer);
    buffer->Release();
    return 0;
}
