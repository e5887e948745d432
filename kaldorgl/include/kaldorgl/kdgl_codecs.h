// The format codecs. Every LoadFromMemory is told the byte count and never reads past it;
// LoadFromFile reads the whole file and passes its size. Pixel buffers in `data` are
// std::malloc'ed and belong to the caller after a successful load.
#pragma once

#include <kaldorgl/kdgl_core.h>

#include <cstdint>

// Uncompressed Windows bitmaps: reads 1, 4, 8, 24 and 32 bits, writes 24 and 32.
class CCodecBMP {
public:
    uint8_t* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t type = 0;
    Rgb palette[256] = {};

    uint32_t LoadFromMemory(const uint8_t* bytes, uint32_t size);
    uint32_t LoadFromFile(const char* name);
    uint32_t SaveToFile(const char* name, const uint8_t* pixels, uint32_t width, uint32_t height,
                        uint32_t sourceType, uint32_t targetType);
};

// The first 800 bytes of a cel file; the palette is widened to 8 bits after a load.
struct KDGL_CEL_HEADER {
    uint16_t magic;
    uint16_t width;
    uint16_t height;
    uint8_t reserved[26];
    uint8_t palette[768];
};
static_assert(sizeof(KDGL_CEL_HEADER) == 800);

// 256-colour cel pictures (magic 0x9119); read only. A new load releases the buffer of an
// earlier one that is still in `data`.
class CCodecCEL {
public:
    uint8_t* data = nullptr;
    KDGL_CEL_HEADER header = {};

    uint32_t LoadFromMemory(const uint8_t* bytes, uint32_t size);
    uint32_t LoadFromFile(const char* name);
};

struct KDGL_PCX_HEADER {
    uint8_t manufacturer;
    uint8_t version;
    uint8_t encoding;
    uint8_t bitsPerPixel;
    uint16_t xmin;
    uint16_t ymin;
    uint16_t xmax;
    uint16_t ymax;
    uint16_t hres;
    uint16_t vres;
    uint8_t palette16[48];
    uint8_t reserved;
    uint8_t planes;
    uint16_t bytesPerLine;
    uint16_t paletteInfo;
    uint8_t filler[58];
};
static_assert(sizeof(KDGL_PCX_HEADER) == 128);

// Run-length PCX, version 5. The colour type follows the plane count: 1 plane gives palette
// indices (3), 3 planes R, G, B (5), 4 planes R, G, B, A (513). One-bit multi-plane pictures
// are expanded through the 16-colour header palette.
class CCodecPCX {
public:
    KDGL_PCX_HEADER header = {};
    uint8_t* data = nullptr;
    Rgb palette[256] = {};

    uint32_t LoadFromMemory(const uint8_t* bytes, uint32_t size);
    uint32_t LoadFromFile(const char* name);
    // type 5 or 513; writes 3 or 4 planes of 8 bits.
    uint32_t SaveToFile(const char* name, const uint8_t* pixels, uint32_t width, uint32_t height,
                        uint32_t type);
};

// Targa: reads colour-mapped, grey, 15/16-, 24- and 32-bit pictures, uncompressed or
// run-length; writes uncompressed 15 (type 4), 24 (type 5) and 32 bits (type 513).
class CCodecTGA {
public:
    uint8_t* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t type = 0;
    Rgb palette[256] = {};

    uint32_t LoadFromMemory(const uint8_t* bytes, uint32_t size);
    uint32_t LoadFromFile(const char* name);
    uint32_t SaveToFile(const char* name, const uint8_t* pixels, uint32_t width, uint32_t height,
                        uint32_t sourceType, uint32_t targetType);
};

// JPEG through libjpeg, from files only. The result is R, G, B (type 5) with the rows bottom
// first; the load dispatch of CKaldorGL turns them top first. A file that ends early still
// loads (libjpeg completes the picture) with warnings.endedEarly set.
class CCodecJPEG {
public:
    uint8_t* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t type = 0;
    KDGL_WARNINGS warnings = {};  // of the last LoadFromFile, failed or not

    uint32_t LoadFromFile(const char* name);
    // Reading JPEG from memory is not offered: always 1.
    uint32_t LoadFromMemory(const uint8_t* bytes, uint32_t size);
};
