// kvICoder: writes KVI pictures from 32-bit "rgba" pixels.
//
//   CKVICODER enc{};
//   enc.Reset();
//   enc.width = w; enc.height = h; enc.bitsPerPixel = 32; enc.colorDesc = KVI_COLOR_BGRA;
//   enc.AddCoder(KVI_MODE_B1); enc.quality = 90;
//   if (enc.CompressImage(rgba) || enc.CreateFileA(path) || enc.WriteHeader() || enc.WriteData())
//       ...fail...
//   enc.CloseFile(); free(enc.data); free(enc.work);
//
// data and work come from malloc and are never released by the encoder (copies of the object
// share them); a later CompressImage allocates new ones. work is null unless a coding mode
// ran, in which case it holds the packed picture the mode started from.
//
// One coding mode per file: AddCoder accepts two (the format has room for them), but
// CompressImage refuses a second one with KVI_ERR_MODE. The format does not record the size
// of the intermediate stream, so a two-mode file could not be decoded reliably; refusing is
// the only way to never write a file that silently decodes wrong.
//
// bitsPerPixel must be 8 to 32 (1 to 4 bytes a pixel); the stored depth is the whole bytes.
#pragma once

#include <cstdint>
#include <cstdio>

#include <kvicodec/kvitypes.h>

// Minimal writer of raw bytes.
class CKVIFILEW {
public:
    FILE* file;  // open file, null when none

    uint32_t CreateFileA(const char* path);
    // A failed write returns KVI_ERR_IO.
    uint32_t WriteFile(const void* buffer, uint32_t length);
    // The first length bytes (1 to 4) of value, little-endian.
    uint32_t WriteFile(uint32_t value, uint32_t length);
    uint32_t CloseFile();
};

class CKVICODER : public CKVIFILEW {
public:
    uint8_t* data;      // packed and coded picture
    uint8_t* work;      // packed picture before the coding mode, or null
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
    uint32_t quality;  // 0..100, B1 only
    uint32_t coders[2];
    uint8_t hasPalette;
    uint32_t paletteCount;  // at most 256
    uint32_t palette[256];
    uint8_t bitsPerPixel;
    uint8_t variant;
    uint32_t colorDesc;

    uint32_t Reset();
    uint32_t AddCoder(uint32_t mode);
    // Writes the four letters of a colour description (no NUL).
    uint32_t CheckColorDesc(char* out, uint32_t index);
    // Repacks the 4-byte pixels of work into data at the stored depth and order.
    uint32_t ChangeColorTheme(uint32_t from, uint32_t to);
    // pixels: width * height * 4 bytes, "rgba"; the caller's buffer is not changed.
    uint32_t CompressImage(const void* pixels);
    uint32_t WriteHeader();
    uint32_t WriteData();

protected:
    uint32_t Compress_ModeA1();
    uint32_t Compress_ModeA1E();
    uint32_t Compress_ModeA2();
    uint32_t Compress_ModeA2E();
    uint32_t Compress_ModeA3();
    uint32_t Compress_ModeA3E();
    uint32_t Compress_ModeB1();
};

extern "C" unsigned int KVICODER_GetVersion(void);

// Copies the text of the status `code` into `text`, which must hold KVI_ERR_TEXT_SIZE
// characters; unknown codes get "Unknown error code!". The same texts as the decoder's.
void KVICODER_GetErrorStr(uint32_t code, char* text);
