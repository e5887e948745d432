// KVI files to and from R, G, B, A pixels, for the suite's programs: the codec objects'
// buffers and files released in one place whatever step stops, and which step that was.
// Not installed.
#pragma once

#include <kvicodec/kvicoder.h>
#include <kvicodec/kvidecoder.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kvi_io {

// A decoder whose file is closed and whose buffers are freed (each once, shared or not)
// when it goes.
struct DecoderOwner {
    CKVIDECODER decoder{};
    DecoderOwner() = default;
    DecoderOwner(const DecoderOwner&) = delete;
    DecoderOwner& operator=(const DecoderOwner&) = delete;
    ~DecoderOwner();
};

// The same for an encoder; a file still open is closed without a word.
struct CoderOwner {
    CKVICODER coder{};
    CoderOwner() = default;
    CoderOwner(const CoderOwner&) = delete;
    CoderOwner& operator=(const CoderOwner&) = delete;
    ~CoderOwner();
};

enum class Step : uint8_t {
    Done,
    // loading
    Open, Header, Data, Close, Decompress, Unpack,
    // saving
    AddCoder, Compress, Create, WriteHeader, WriteData, CloseWritten,
};

// The step that failed (Done when none did) and the library's status code.
struct Outcome {
    Step step = Step::Done;
    uint32_t status = KVI_OK;
    bool ok() const { return step == Step::Done; }
};

// Opens `path` and reads its header into `kvi.decoder`.
Outcome readKviHeader(const char* path, DecoderOwner& kvi);
// Reads and decodes the whole of `path`: kvi.decoder.image holds the pixels in the file's
// stored order and depth, the file is closed and the coded buffers (data, work) are freed.
Outcome decodeKviFile(const char* path, DecoderOwner& kvi);

struct RgbaPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;  // as stored
    std::vector<uint8_t> rgba;  // width * height * 4 bytes, top row first
};
// decodeKviFile, then every stored order and depth to R, G, B, A.
Outcome loadKviRgba(const char* path, RgbaPicture& out);

struct SaveSettings {
    uint32_t mode = KVI_MODE_B1;  // KVI_MODE_NONE: stored
    uint32_t quality = 100;
    uint8_t bitsPerPixel = 32;
    uint32_t colorDesc = KVI_COLOR_RGBA;
    const char* creator = nullptr;  // written when set
};
// Codes width * height R, G, B, A pixels and writes them to `path`. A close that fails
// (bytes that never reached the disk) fails the save.
Outcome saveKviRgba(const char* path, const uint8_t* rgba, uint32_t width, uint32_t height,
                    const SaveSettings& settings);

// The open dialogs' filters for every picture the programs read: name and patterns.
using Filters = std::vector<std::pair<std::string, std::string>>;
const Filters& pictureFilters();

}  // namespace kvi_io
