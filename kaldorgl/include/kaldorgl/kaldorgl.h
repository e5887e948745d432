// KaldorGL: reads BMP, CEL, JPEG, PCX and TGA pictures, writes BMP, PCX and TGA, converts
// colour depths and applies pixel effects. Umbrella header of the library.
#pragma once

#include <kaldorgl/kdgl_codecs.h>
#include <kaldorgl/kdgl_core.h>
#include <platform/gdi.h>

#include <cstdint>

// Format indices for LoadImageFromMem and GetSupportedExtention.
constexpr uint32_t KDGL_FORMAT_BMP = 0;
constexpr uint32_t KDGL_FORMAT_CEL = 1;
constexpr uint32_t KDGL_FORMAT_JPEG = 2;
constexpr uint32_t KDGL_FORMAT_PCX = 3;
constexpr uint32_t KDGL_FORMAT_TGA = 4;

// Capability bits reported by GetSupportedExtention.
constexpr uint32_t KDGL_CAN_READ_FILE = 1;
constexpr uint32_t KDGL_CAN_READ_MEMORY = 2;
constexpr uint32_t KDGL_CAN_WRITE = 4;

// Holds one picture (the canvas). Copying copies the canvas record, not the pixels; the
// object never frees pixels on its own (LoadImageFromMem releases the previous buffer).
// In-place effects return nothing; producing effects return a new std::malloc'ed buffer
// (or null on bad arguments) that the caller frees with std::free.
class CKaldorGL {
public:
    KDGL_CANVAS canvas = {};
    KDGL_WARNINGS warnings = {};  // of the last load, failed or not (JPEG only has any)

    // Loading by the name's last three letters (bmp, cel, jpg, pcx, tga; any case).
    // Does not release the canvas's previous pixels.
    uint32_t LoadImageFromFile(const char* name);
    uint32_t LoadImageFromFileAs24(const char* name);
    uint32_t LoadImageFromFileAs32(const char* name);
    // Loading a whole file image by format index; releases the previous pixels first.
    uint32_t LoadImageFromMem(const uint8_t* bytes, uint32_t size, uint32_t index);
    uint32_t LoadImageFromMemAs24(const uint8_t* bytes, uint32_t size, uint32_t index);
    uint32_t LoadImageFromMemAs32(const uint8_t* bytes, uint32_t size, uint32_t index);

    // Saving by the name's last three letters: bmp, pcx, tga.
    uint32_t SaveImageToFileBPP(const char* name, const uint8_t* data, uint32_t width,
                                uint32_t height, uint32_t type);
    uint32_t SaveImageToFileBPP(const char* name, uint32_t type);
    uint32_t SaveImageToFileBPP(const char* name, const KDGL_CANVAS* source, uint32_t type);
    // Validates the arguments only; writes nothing.
    uint32_t SaveImageToFile(const char* name, uint32_t width, uint32_t height);

    // Fills the row `index` of the format table; capabilities 0 past the last format.
    // `description` needs 32 characters, `mask` 8.
    void GetSupportedExtention(uint32_t index, char* description, char* mask,
                               uint32_t* capabilities);
    uint32_t GetVersion();

    // Flips: types 3, 4, 261, 5, 513 (vertical); 3, 5, 513 (horizontal).
    void FX_VerticalFlip(uint8_t* data, uint32_t width, uint32_t height, uint32_t type);
    void FX_VerticalFlip(KDGL_CANVAS* target);
    void FX_VerticalFlip();
    void FX_HorizontalFlip(uint8_t* data, uint32_t width, uint32_t height, uint32_t type);
    void FX_HorizontalFlip(KDGL_CANVAS* target);
    void FX_HorizontalFlip();

    // The remaining effects take types 5 and 513 only.
    void FX_BnW(uint8_t* data, uint32_t width, uint32_t height, uint32_t type);
    // Percentage: 100 keeps, 50 halves, 200 triples (capped at 255).
    void FX_Brightness(uint8_t* data, uint32_t level, uint32_t width, uint32_t height,
                       uint32_t type);
    // Rewrites each pixel's bytes from letters R, G, B, A, X (zero); others keep the byte.
    void FX_RepakBits(uint8_t* data, uint32_t width, uint32_t height, uint32_t type,
                      const char* format);
    void FX_RepakBits(KDGL_CANVAS target, const char* format);
    // Box blur over a level/2-pixel window; below level 2 nothing changes.
    void FX_Antialiasing(uint8_t* data, uint32_t level, uint32_t width, uint32_t height,
                         uint32_t type);
    // Random noise of +-level on R, G, B; level 0 copies.
    void FX_VideoHind(uint8_t* destination, const uint8_t* source, uint32_t level, uint32_t width,
                      uint32_t height, uint32_t type);
    void FX_VideoHind(uint8_t* data, uint32_t level, uint32_t width, uint32_t height,
                      uint32_t type);
    void FX_VideoHind(uint8_t* destination, uint32_t level);
    void FX_VideoHind(uint32_t level);

    uint8_t* FX_SqueezeX2(const uint8_t* data, uint32_t width, uint32_t height,
                          uint32_t* newWidth, uint32_t* newHeight, uint32_t type);
    uint8_t* FX_ExpandX2(const uint8_t* data, uint32_t width, uint32_t height,
                         uint32_t* newWidth, uint32_t* newHeight, uint32_t type);
    // Smooth: area average when shrinking, linear when enlarging; else nearest neighbour.
    uint8_t* FX_Resize(const uint8_t* data, uint32_t width, uint32_t height, uint32_t newWidth,
                       uint32_t newHeight, uint32_t type, bool smooth);
    uint8_t* FX_Mix50(const uint8_t* first, const uint8_t* second, uint32_t width,
                      uint32_t height, uint32_t type);
    // level is limited to 0..100 (0 gives the first picture, 100 the second).
    uint8_t* FX_MixLevel(const uint8_t* first, const uint8_t* second, uint32_t width,
                         uint32_t height, uint32_t type, int32_t level);

    // Masks and colour keys; the results are 32-bit R, G, B, A. The key holds R in its top
    // byte, then G, then B (low byte unused).
    uint8_t* SetMaskToImage24(const uint8_t* rgb, const uint8_t* mask, uint32_t width,
                              uint32_t height);
    uint8_t* SetMaskToImage32(const uint8_t* rgba, const uint8_t* mask, uint32_t width,
                              uint32_t height);
    uint8_t* SetAlphaToImage24KeyColor(const uint8_t* rgb, uint32_t width, uint32_t height,
                                       uint32_t key, uint8_t alpha);
    void SetAlphaToImage32KeyColor(uint8_t* rgba, uint32_t width, uint32_t height, uint32_t key,
                                   uint8_t alpha);

    // Single pixels of types 3 (get only), 4, 5 and 513; false outside the picture.
    bool CanvasGetPixel(const uint8_t* data, uint32_t x, uint32_t y, uint32_t width,
                        uint32_t height, uint8_t* r, uint8_t* g, uint8_t* b, uint8_t* a,
                        uint32_t type, const Rgb* palette);
    bool CanvasSetPixel(uint8_t* data, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                        uint8_t r, uint8_t g, uint8_t b, uint8_t a, uint32_t type);

    // Replaces the canvas pixels with the same picture in targetType and releases the old
    // buffer (the canvas type field is left to the caller). 513 or 770 on failure, 515
    // without canvas pixels.
    uint32_t FX_ChangeColorDepth(uint32_t width, uint32_t height, uint32_t sourceType,
                                 uint32_t targetType, const Rgb* palette);

    // A device bitmap of the picture (types 3, 5, 513), or null. With swapRedBlue the first
    // and third byte of every pixel of `data` are exchanged and stay exchanged. The device
    // context is accepted for shape only. The last handle is also kept in static storage.
    HBITMAP CreateBitmap(uint8_t* data, void* deviceContext, uint32_t width, uint32_t height,
                         uint32_t type, bool swapRedBlue);
};
