// Picture files through the engine's loaders: the first byte chooses the file name's
// ending (and so the loader), the rest is the file. Whatever loads must hold width x height
// pixels and flip in place.
#include <tovren/image.h>

#include <kvicodec/kvidecoder.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Larger pictures decode correctly from a few bytes (missing KVI samples are 0, and a JPEG
// header alone sets the size) but take seconds, which would starve the search; the size
// limits themselves are covered by the decoders' own fuzz targets and tests.
constexpr uint64_t kMaxFuzzPixels = uint64_t(1) << 16;

bool kviTooCostly(const std::string& path) {
    CKVIDECODER decoder{};
    decoder.Reset();
    const bool costly = decoder.OpenFile(path.c_str()) == 0 && decoder.ReadHeader() == 0 &&
                        uint64_t(decoder.width) * decoder.height > kMaxFuzzPixels;
    decoder.CloseFile();
    return costly;
}

bool jpegTooCostly(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 9 <= size; ++i) {
        const uint8_t marker = data[i + 1];
        if (data[i] != 0xFF || marker < 0xC0 || marker > 0xCF || marker == 0xC4 || marker == 0xC8 || marker == 0xCC)
            continue;
        const uint64_t height = uint64_t(data[i + 5]) << 8 | data[i + 6];
        if (height * (uint64_t(data[i + 7]) << 8 | data[i + 8]) > kMaxFuzzPixels) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kEndings[] = {"bmp", "kvi", "jpg", "pcx", "tga", "BMP"};
    const char* ending = kEndings[data[0] % 6];
    if (std::strcmp(ending, "jpg") == 0 && jpegTooCostly(data + 1, size - 1)) return 0;
    const std::string path = "/tmp/tovren_image_" + std::to_string(getpid()) + "." + ending;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    cTOVREN_Image image;
    if (!(std::strcmp(ending, "kvi") == 0 && kviTooCostly(path)) && image.LoadImageA(path.c_str()) == 0) {
        const uint64_t bytes = uint64_t{image.width} * image.height * 4;
        if (bytes > 0 && !image.pixels) std::abort();
        // Touch the first and last pixel: the buffer must be as large as the record says.
        volatile uint8_t sum = 0;
        if (bytes > 0) sum = sum + image.pixels[0] + image.pixels[bytes - 1];
        image.VerticalFlip();
    }
    std::free(image.pixels);
    ::unlink(path.c_str());
    return 0;
}
