// pkg-config: kaldorgl
// Built against the installed headers and library only: writes, reads back and converts.
#include <kaldorgl/kaldorgl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main() {
    CKaldorGL gl;
    const uint8_t pixels[] = {10, 20, 30, 40, 50, 60};
    if (gl.SaveImageToFileBPP("client.tga", pixels, 2, 1, KDGL_TYPE_24BIT) != KDGL_OK) return 1;
    if (gl.LoadImageFromFileAs32("client.tga") != KDGL_OK) return 2;
    const bool same = gl.canvas.width == 2 && std::memcmp(gl.canvas.data, "\x0a\x14\x1e\xff", 4) == 0;
    std::free(gl.canvas.data);
    std::remove("client.tga");
    char text[KDGL_ERR_TEXT_SIZE];
    KDGL_ERR_GetErrorStr(KDGL_ERR_STRUCTURE, text);
    return same && std::strcmp(text, "Incorrect file structure!") == 0 && gl.GetVersion() == 290 ? 0 : 3;
}
