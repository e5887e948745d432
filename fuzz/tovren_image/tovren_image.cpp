// Picture files through the engine's loaders: the first byte chooses the file name's
// ending (and so the loader), the rest is the file. Whatever loads must hold width x height
// pixels and flip in place.
#include "../fuzz_budget.h"

#include <tovren/image.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kEndings[] = {"bmp", "kvi", "jpg", "pcx", "tga", "BMP"};
    const char* ending = kEndings[data[0] % 6];
    const std::string path = "/tmp/tovren_image_" + std::to_string(getpid()) + "." + ending;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    cTOVREN_Image image;
    if (image.LoadImageA(path.c_str()) == 0) {
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
