#include "sound_files.h"

#include <tovren/debug.h>
#include <tovren/sound.h>

#include <support/bytes.h>
#include <vorbis/vorbisfile.h>

#include <cstring>
#include <memory>

namespace tovren {

namespace {

struct BufferReleaser {
    void operator()(IDirectSoundBuffer* buffer) const { buffer->Release(); }
};
using BufferRef = std::unique_ptr<IDirectSoundBuffer, BufferReleaser>;

// A chunk starts with its four-letter name and the size of its body.
constexpr size_t kChunkSize = 4;

bool readAt(std::FILE* file, uint64_t offset, void* out, size_t bytes) {
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 && std::fread(out, 1, bytes, file) == bytes;
}

WAVEFORMATEX pcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    const auto block = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
}

// The 16 bytes every PCM 'fmt ' chunk starts with; the byte rate is derived, not read.
bool parsePcmFormat(const uint8_t* body, WAVEFORMATEX& format) {
    kvsupport::ByteCursor in(body, 16);
    const uint16_t tag = in.le16(), channels = in.le16();
    const uint32_t rate = in.le32();
    in.skip(4);  // byte rate
    const uint16_t block = in.le16(), bits = in.le16();
    if (tag != WAVE_FORMAT_PCM || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return false;
    if (block != channels * bits / 8) return false;
    format = pcmFormat(channels, rate, bits);
    return true;
}

}  // namespace

uint32_t readWavLayout(std::FILE* file, WavLayout& layout) {
    if (std::fseek(file, 0, SEEK_END) != 0) return TOVREN_ERR_FILE_READ;
    const long end = std::ftell(file);
    if (end < 0) return TOVREN_ERR_FILE_READ;
    const auto fileSize = static_cast<uint64_t>(end);
    uint8_t header[12];
    if (fileSize < 12 || !readAt(file, 0, header, 12) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0) {
        return TOVREN_ERR_SOUND_FORMAT;
    }
    bool haveFormat = false, haveData = false;
    // Each step moves at least 8 bytes on, so the walk ends at the end of the file.
    for (uint64_t at = 12; at + 8 <= fileSize && !(haveFormat && haveData);) {
        uint8_t chunk[16];
        if (!readAt(file, at, chunk, 8)) return TOVREN_ERR_FILE_READ;
        const uint64_t size = kvsupport::readLe32(chunk + kChunkSize), body = at + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFormat) {
            if (size < 16 || body + 16 > fileSize || !readAt(file, body, chunk, 16)) return TOVREN_ERR_SOUND_FORMAT;
            if (!parsePcmFormat(chunk, layout.format)) return TOVREN_ERR_SOUND_FORMAT;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
            layout.dataOffset = body;
            const uint64_t there = std::min(size, fileSize - body);
            layout.dataBytes = static_cast<uint32_t>(there);
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat || !haveData) return TOVREN_ERR_SOUND_FORMAT;
    layout.dataBytes -= layout.dataBytes % layout.format.nBlockAlign;
    return TOVREN_OK;
}

uint32_t createSoundBuffer(IDirectSound8* sound, const WAVEFORMATEX& format, uint32_t bytes,
                           IDirectSoundBuffer** buffer) {
    if (!sound) return TOVREN_ERR_SOUND_CREATE_BUFFER;
    WAVEFORMATEX copy = format;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = TOVREN_SOUND_BUFFER_FLAGS;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &copy;
    return FAILED(sound->CreateSoundBuffer(&desc, buffer, nullptr)) ? TOVREN_ERR_SOUND_CREATE_BUFFER : TOVREN_OK;
}

namespace {

constexpr int kLittleEndian = 0, kWordBytes = 2, kSigned = 1;

struct VorbisFile {
    OggVorbis_File file{};
    ~VorbisFile() { ov_clear(&file); }
};

// The decoded size in bytes, stopping once it is more than a buffer can hold. Errors and
// holes end the load instead of being counted or skipped.
uint32_t measureDecoded(OggVorbis_File& vf, uint64_t& total) {
    char scratch[4096];
    total = 0;
    int section = 0;
    for (;;) {
        const long got = ov_read(&vf, scratch, sizeof(scratch), kLittleEndian, kWordBytes, kSigned, &section);
        if (got == 0) return TOVREN_OK;
        if (got < 0) return TOVREN_ERR_FILE_READ;
        total += static_cast<uint64_t>(got);
        if (total > DSBSIZE_MAX) return TOVREN_ERR_SOUND_CREATE_BUFFER;
    }
}

uint32_t decodeInto(OggVorbis_File& vf, uint8_t* out, uint32_t bytes) {
    int section = 0;
    for (uint32_t filled = 0; filled < bytes;) {
        const long got = ov_read(&vf, reinterpret_cast<char*>(out + filled), static_cast<int>(bytes - filled),
                                 kLittleEndian, kWordBytes, kSigned, &section);
        if (got == 0) break;
        if (got < 0) return TOVREN_ERR_FILE_READ;
        filled += static_cast<uint32_t>(got);
    }
    return TOVREN_OK;
}

}  // namespace

uint32_t decodeOggInto(IDirectSound8* sound, std::FILE* file, IDirectSoundBuffer** out) {
    VorbisFile vorbis;
    if (ov_open(file, &vorbis.file, nullptr, 0) < 0) {
        std::fclose(file);  // a failed ov_open leaves the file to the caller
        return TOVREN_ERR_FILE_READ;
    }
    const vorbis_info* info = ov_info(&vorbis.file, -1);
    if (!info) return TOVREN_ERR_FILE_READ;
    // Only what a buffer can play is worth decoding.
    if ((info->channels != 1 && info->channels != 2) || info->rate < static_cast<long>(DSBFREQUENCY_MIN) ||
        info->rate > static_cast<long>(DSBFREQUENCY_MAX)) {
        return TOVREN_ERR_SOUND_CREATE_BUFFER;
    }
    const WAVEFORMATEX format = pcmFormat(static_cast<uint16_t>(info->channels), static_cast<uint32_t>(info->rate), 16);
    uint64_t total = 0;
    if (const uint32_t status = measureDecoded(vorbis.file, total); status != TOVREN_OK) return status;
    // A chained file may change its channel count; keep whole frames of the first.
    const auto bytes = static_cast<uint32_t>(total - total % format.nBlockAlign);
    if (ov_raw_seek(&vorbis.file, 0) != 0) return TOVREN_ERR_FILE_READ;

    IDirectSoundBuffer* created = nullptr;
    if (const uint32_t status = createSoundBuffer(sound, format, bytes, &created); status != TOVREN_OK) return status;
    BufferRef plain(created);
    IDirectSoundBuffer8* buffer8 = nullptr;
    if (FAILED(plain->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&buffer8)))) {
        return TOVREN_ERR_SOUND_QUERY;
    }
    BufferRef buffer(buffer8);
    void* part = nullptr;
    DWORD partBytes = 0;
    if (FAILED(buffer->Lock(0, bytes, &part, &partBytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER))) {
        return TOVREN_ERR_SOUND_LOCK;
    }
    const uint32_t decoded = decodeInto(vorbis.file, static_cast<uint8_t*>(part), partBytes);
    if (FAILED(buffer->Unlock(part, partBytes, nullptr, 0))) return TOVREN_ERR_SOUND_UNLOCK;
    if (decoded != TOVREN_OK) return decoded;
    *out = buffer.release();
    return TOVREN_OK;
}

}  // namespace tovren
