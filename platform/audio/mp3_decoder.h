// MPEG audio decoding with libmpg123: a file read piece by piece into stereo 16-bit frames
// at the stream's own rate. Only the bytes of the piece being decoded are held.
#pragma once

#include <platform/wintypes.h>

#include <cstdint>
#include <cstdio>
#include <string>

struct mpg123_handle_struct;

namespace platform::audio {

class Mp3Decoder {
public:
    Mp3Decoder() = default;
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // S_OK once the file opened and its first frame header was found; VFW_E_NOT_FOUND when it cannot
    // be opened, VFW_E_INVALID_FILE_FORMAT when it holds no MPEG audio.
    HRESULT open(const std::string& path);
    uint32_t rate() const { return rate_; }

    // Decodes up to `frames` frames into `out` (left, right interleaved). `end` becomes true
    // at the end of the stream, or when it cannot be decoded any further.
    uint32_t read(int16_t* out, uint32_t frames, bool& end);

    // Moves to `frame` (at the stream's rate); false when that is impossible.
    bool seek(uint64_t frame);

private:
    void close();

    mpg123_handle_struct* handle_ = nullptr;
    std::FILE* file_ = nullptr;  // read by the library through its descriptor
    uint32_t rate_ = 0;
};

}  // namespace platform::audio
