// kvi_decode_seeds DIR: small KVI files in every mode, depth and header record, as seeds.
#include <kvicodec/kvicoder.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const uint32_t w = 40, h = 34;  // B1 uses 5 levels above 32x32
    std::vector<uint8_t> px(size_t(w) * h * 4);
    for (uint32_t i = 0; i < w * h; ++i) {
        const uint32_t x = i % w, y = i / w;
        px[i * 4 + 0] = uint8_t(x * 6);
        px[i * 4 + 1] = uint8_t(y < 10 ? 200 : y * 7);
        px[i * 4 + 2] = uint8_t((x * y) % 17 == 0 ? 250 : 30);
        px[i * 4 + 3] = 255;
    }
    const uint32_t modes[] = {0, 1, 2, 3, 4, 5, 6, 256};
    int failures = 0;
    for (const uint32_t mode : modes)
        for (const uint8_t bits : {24, 32}) {
            CKVICODER c{};
            c.Reset();
            c.width = w;
            c.height = h;
            c.bitsPerPixel = bits;
            c.colorDesc = bits == 24 ? 1 : 6;
            c.quality = 60;
            c.AddCoder(mode);
            if (mode == 256 && bits == 32) {  // one file with every optional record
                c.hasText1 = c.hasText2 = c.hasCreator = c.hasStamp = c.hasPalette = 1;
                std::strcpy(c.text1, "title");
                std::strcpy(c.text2, "comment");
                std::strcpy(c.creator, "seed maker");
                c.paletteCount = 4;
            }
            const std::string path = std::string(argv[1]) + "/mode" + std::to_string(mode) + "_" + std::to_string(bits) + ".kvi";
            const bool ok = !c.CompressImage(px.data()) && !c.CreateFileA(path.c_str()) && !c.WriteHeader() &&
                            !c.WriteData() && !c.CloseFile();
            failures += ok ? 0 : 1;
            std::free(c.data);
            std::free(c.work);
        }
    return failures ? 1 : 0;
}
