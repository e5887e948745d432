// Picture files (BMP, JPEG, KVI, PCX, TGA) in the engine's one in-memory form: 4 bytes a
// pixel in the order blue, green, red, alpha, rows top first and tightly packed.
#pragma once

#include <cstdint>

// Codes of the loaders beyond the general ones (3 cannot open, 5 read failure, 6 the file is
// shorter than its header promises, 0x101 no memory).
constexpr uint32_t TOVREN_ERR_TEXTURE_FORMAT = 0x50000001;  // unknown or unsupported picture
constexpr uint32_t TOVREN_ERR_TEXTURE_CREATE = 0x50000002;
constexpr uint32_t TOVREN_ERR_IMAGE_HEADER = 0x50000101;
constexpr uint32_t TOVREN_ERR_IMAGE_DECOMPRESSION = 0x50000102;

// A plain record: copies share the pixel buffer. The buffer comes from malloc and belongs
// to the record; LoadImageA frees the one it holds before loading, the single-format
// loaders replace the pointer without freeing.
class cTOVREN_Image {
public:
    uint8_t* pixels = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;

    // Chooses the loader by the name's last three letters in any case: bmp, kvi, jpg, pcx,
    // tga; anything else (jpeg too) is 0x50000001.
    uint32_t LoadImageA(const char* fileName);
    uint32_t LoadBMP(const char* fileName);
    uint32_t LoadKVI(const char* fileName);
    // 1 (not 3) when the file cannot be opened.
    uint32_t LoadJPEG(const char* fileName);
    uint32_t LoadPCX(const char* fileName);
    uint32_t LoadTGA(const char* fileName);
    // Turns the rows upside down; always 0.
    uint32_t VerticalFlip();
};
