// Decodes arbitrary bytes as a JPEG file through the codec's file path (the only way JPEG
// is read) and through the load dispatch, which turns the rows over.
#include <kaldorgl/kaldorgl.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Frame headers declaring more than this many pixels are skipped: decoding a huge picture
// from a few bytes is correct but takes seconds, which would starve the search. The size
// limit itself is covered by the test suite.
constexpr uint64_t kMaxFuzzPixels = uint64_t(1) << 22;

bool declaresHugeFrame(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 9 <= size; ++i) {
        const uint8_t m = data[i + 1];
        if (data[i] != 0xFF || m < 0xC0 || m > 0xCF || m == 0xC4 || m == 0xC8 || m == 0xCC) continue;
        const uint64_t height = uint64_t(data[i + 5]) << 8 | data[i + 6];
        const uint64_t width = uint64_t(data[i + 7]) << 8 | data[i + 8];
        if (width * height > kMaxFuzzPixels) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (declaresHugeFrame(data, size)) return 0;
    static const std::string path = "/tmp/kdgl_jpeg_fuzz_" + std::to_string(getpid()) + ".jpg";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) return 0;
    CCodecJPEG codec;
    if (codec.LoadFromFile(path.c_str()) == KDGL_OK && (!codec.data || codec.type != KDGL_TYPE_24BIT)) std::abort();
    std::free(codec.data);
    CKaldorGL gl;
    if (gl.LoadImageFromFileAs32(path.c_str()) == KDGL_OK && !gl.canvas.data) std::abort();
    std::free(gl.canvas.data);
    std::remove(path.c_str());
    return 0;
}
