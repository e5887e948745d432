// Decodes arbitrary bytes as a CEL file, through the codec and through the load dispatch
// with conversion to 32 bits.
#include <kaldorgl/kaldorgl.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    CCodecCEL codec;
    if (codec.LoadFromMemory(data, static_cast<uint32_t>(size)) == KDGL_OK && !codec.data) std::abort();
    std::free(codec.data);
    CKaldorGL gl;
    if (gl.LoadImageFromMemAs32(data, static_cast<uint32_t>(size), KDGL_FORMAT_CEL) == KDGL_OK &&
        (!gl.canvas.data || gl.canvas.type != KDGL_TYPE_32BIT))
        std::abort();
    std::free(gl.canvas.data);
    return 0;
}
