// Reading and writing pictures for kvconvert: every format the suite reads, into 32-bit
// R, G, B, A; out through the KaldorGL writers or the KVI encoder.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace kvconvert {

struct FreePixels {
    void operator()(uint8_t* pixels) const { std::free(pixels); }
};
// std::malloc'ed, as the libraries hand pixels out: a picture of a gigabyte is taken over,
// never copied.
using Pixels = std::unique_ptr<uint8_t, FreePixels>;

struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    Pixels rgba;  // width * height * 4 bytes, top row first
    std::string warning;  // what the reader put up with (a JPEG that ended early), or empty
};

struct KviOptions {
    uint32_t mode = 256;   // KVI mode identifier; 0 writes the pixels uncoded
    uint32_t quality = 100;
    uint32_t order = 0;    // colour description index
    uint32_t bits = 32;
};

// Outcome of a step: empty `error` on success, else the text for standard error.
struct Result {
    std::string error;
    bool ok() const { return error.empty(); }
};

bool hasExtension(const std::string& name, const char* ext);  // ext like ".kvi", any case

// Empty when OUTPUT's extension names a writer (.bmp, .pcx, .tga, .kvi), else why not.
Result checkWriter(const std::string& path);
// Each step reports running out of memory as a failure ("Memory allocation is failed!"),
// never as an exception.
Result loadPicture(const std::string& path, Picture& out);
Result savePicture(const std::string& path, const Picture& picture, const KviOptions& options);
// The lines that --info prints.
Result describe(const std::string& path, std::string& text);

}  // namespace kvconvert
