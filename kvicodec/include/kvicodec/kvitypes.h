// Constants shared by the KVI encoder (<kvicodec/kvicoder.h>) and decoder
// (<kvicodec/kvidecoder.h>): status codes, coding mode identifiers and colour descriptions.
#pragma once

#include <cstdint>

// Status codes. Every operation of both libraries returns one; 0 is success.
inline constexpr uint32_t KVI_OK = 0;
inline constexpr uint32_t KVI_ERR_MODE = 0x10000001;        // mode not in the table, list full, or two modes given to CompressImage
inline constexpr uint32_t KVI_ERR_MODE_COUNT = 0x10000002;  // more than two modes in a coding record
inline constexpr uint32_t KVI_ERR_SIZE = 0x20000001;        // width or height 0, a picture over the budget, or one larger than its data
inline constexpr uint32_t KVI_ERR_DEPTH = 0x20000002;       // bitsPerPixel outside 8..32
inline constexpr uint32_t KVI_ERR_COLOR_DESC = 0x20000003;  // colorDesc above 7
inline constexpr uint32_t KVI_ERR_COLOR_INDEX = 0x20000004; // bad colour index, or variant not allowed for the depth
inline constexpr uint32_t KVI_ERR_OPEN = 0x30000001;        // the file cannot be opened or created
inline constexpr uint32_t KVI_ERR_NO_FILE = 0x30000002;     // read or write with no open file
inline constexpr uint32_t KVI_ERR_SIGNATURE = 0x30000003;   // the file does not start with "kvI"
inline constexpr uint32_t KVI_ERR_VERSION = 0x30000004;     // the version byte is not 16
inline constexpr uint32_t KVI_ERR_EMPTY = 0x30000005;       // no header record, or a data length of 0
inline constexpr uint32_t KVI_ERR_IO = 0x30000006;          // the file ends before its stored data length, or a write failed
inline constexpr uint32_t KVI_ERR_CODEC = 0x40000001;       // no pixels, a plane that cannot be coded, or no memory

// Longest status text plus its terminator: the size a KVIDECODER_GetErrorStr or
// KVICODER_GetErrorStr buffer needs.
inline constexpr uint32_t KVI_ERR_TEXT_SIZE = 41;

// Coding mode identifiers (AddCoder, coders[]). 0 is "no mode".
inline constexpr uint32_t KVI_MODE_NONE = 0;
inline constexpr uint32_t KVI_MODE_A1 = 1;   // run-length, runs up to 63, row by row
inline constexpr uint32_t KVI_MODE_A1E = 2;  // A1 over the whole picture as one row
inline constexpr uint32_t KVI_MODE_A2 = 3;   // run-length, runs up to 127
inline constexpr uint32_t KVI_MODE_A2E = 4;
inline constexpr uint32_t KVI_MODE_A3 = 5;   // run-length, runs up to 31
inline constexpr uint32_t KVI_MODE_A3E = 6;
inline constexpr uint32_t KVI_MODE_B1 = 256; // lossy wavelet planes, driven by quality

// Colour descriptions (colorDesc): letter k names the channel stored in byte k of a pixel.
inline constexpr uint32_t KVI_COLOR_RGBA = 0;
inline constexpr uint32_t KVI_COLOR_BGRA = 1;
inline constexpr uint32_t KVI_COLOR_ARGB = 2;
inline constexpr uint32_t KVI_COLOR_ABGR = 3;
inline constexpr uint32_t KVI_COLOR_RGBX = 4;
inline constexpr uint32_t KVI_COLOR_BGRX = 5;
inline constexpr uint32_t KVI_COLOR_XRGB = 6;
inline constexpr uint32_t KVI_COLOR_XBGR = 7;
