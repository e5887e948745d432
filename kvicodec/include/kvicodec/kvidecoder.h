// kvIDecoder: reads KVI pictures.
//
//   CKVIDECODER dec{};                  // zero-filled (or call Reset) before ReadHeader
//   if (dec.OpenFile(path) || dec.ReadHeader() || dec.ReadData()) ...fail...
//   dec.CloseFile();
//   if (dec.DecompressImage()) ...fail...
//   use dec.width, dec.height, dec.bitsPerPixel / 8 bytes a pixel, dec.image; free(dec.image)
//
// The pixels come out in the file's stored channel order (colorDesc); nothing is converted.
// Buffers (data, work, image) come from malloc and are never released by the decoder: image
// belongs to the caller once DecompressImage returns; data and work may be released with
// free() when the object is done with. Copies of the object share its buffers.
//
// Hostile files are safe and cheap: every length is checked against the bytes really there;
// a data length beyond the end of the file is refused (KVI_ERR_IO). Before anything is
// allocated, DecompressImage refuses a depth outside 8..32 bits (KVI_ERR_DEPTH), a picture
// over the pixel budget (KVI_ERR_SIZE; see KVIDECODER_SetPixelBudget) and a data section
// too short to produce the picture even at its mode's largest expansion (KVI_ERR_SIZE):
// stored pixels need the whole raw size, run-length rows the longest run per byte pair,
// B1 planes a length that some encoder output could have. Run-length data that ends early
// within that bound decodes the missing samples as 0; a B1 plane that cannot be decoded
// gives KVI_ERR_CODEC. Files listing two coding modes are refused with KVI_ERR_MODE: the
// format does not record the size between the two steps, so they cannot be undone
// reliably, and the encoder never writes them.
#pragma once

#include <cstdint>
#include <cstdio>

#include <kvicodec/kvitypes.h>

// Minimal reader of raw bytes.
class CKVIFILER {
public:
    FILE* file;  // open file, null when none

    uint32_t OpenFile(const char* path);
    // Reads up to length bytes; a short read is not reported (see the decoder for that).
    uint32_t ReadFile(void* buffer, uint32_t length);
    uint32_t CloseFile();
};

class CKVIDECODER : public CKVIFILER {
public:
    uint8_t* data;      // coded data section, after DecompressImage the pixels
    uint8_t* work;      // the coded data once DecompressImage has undone a mode
    uint32_t dataSize;  // bytes in data
    uint8_t signature[4];
    uint8_t hasText1;
    char text1[256];
    uint8_t hasText2;
    char text2[1024];
    uint8_t hasCreator;
    char creator[128];
    uint8_t hasStamp;
    uint8_t stampDay;
    uint8_t stampMonth;
    uint32_t stampYear;
    uint8_t stampHour;
    uint8_t stampMinute;
    uint8_t stampSecond;
    uint32_t width;
    uint32_t height;
    uint32_t quality;
    uint32_t coders[2];  // mode identifiers, 0 = empty
    uint8_t hasPalette;
    uint32_t paletteCount;  // never above 256 after ReadHeader
    uint32_t palette[256];
    uint8_t bitsPerPixel;
    uint8_t variant;
    uint32_t colorDesc;
    uint8_t* image;  // width * height * bitsPerPixel / 8 bytes

    uint32_t Reset();
    uint32_t ReadHeader();
    uint32_t ReadData();
    uint32_t DecompressImage();
    // Only validates the two indices; the pixels stay in the stored order.
    uint32_t ChangeColorTheme(uint32_t from, uint32_t to);

protected:
    uint32_t Decompress_ModeA1();
    uint32_t Decompress_ModeA1E();
    uint32_t Decompress_ModeA2();
    uint32_t Decompress_ModeA2E();
    uint32_t Decompress_ModeA3();
    uint32_t Decompress_ModeA3E();
    uint32_t Decompress_ModeB1();
};

extern "C" unsigned int KVIDECODER_GetVersion(void);

// Copies the text of the status `code` into `text`, which must hold KVI_ERR_TEXT_SIZE
// characters; unknown codes get "Unknown error code!".
void KVIDECODER_GetErrorStr(uint32_t code, char* text);

// The decoding budget: DecompressImage refuses pictures of more than maxPixels pixels or
// maxBytes bytes of pixels (KVI_ERR_SIZE) before allocating anything. Until set, it is
// 2^28 pixels and 1 GiB, or KV_MAX_PIXELS pixels (and four bytes each) when the
// environment names a count. A 0 stands for that default. Process-wide.
void KVIDECODER_SetPixelBudget(uint64_t maxPixels, uint64_t maxBytes);
void KVIDECODER_GetPixelBudget(uint64_t* maxPixels, uint64_t* maxBytes);

// Turns a decoded picture (image, in the file's stored order and depth) into width * height
// R, G, B, A pixels at `rgba`, which must hold width * height * 4 bytes. Colours the file
// does not store come out 0, a missing alpha 255. Returns 0, KVI_ERR_COLOR_DESC for a
// description above 7, KVI_ERR_DEPTH for a depth other than 8 to 32 bits, or KVI_ERR_CODEC
// when there is no image.
uint32_t KVIDECODER_UnpackRgba(const CKVIDECODER* decoder, uint8_t* rgba);
