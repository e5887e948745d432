// Decodes arbitrary bytes as a JPEG file through the codec's file path (the only way JPEG
// is read) and through the load dispatch, which turns the rows over.
#include "../fuzz_budget.h"

#include <kaldorgl/kaldorgl.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
