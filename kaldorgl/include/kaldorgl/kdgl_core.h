// Core records of the image library: colour types, canvas, status codes, the whole-file
// reader and the HTML debug log.
#pragma once

#include <cstdint>

// Colour type codes: the pixel layout of a buffer. Rows are top first and unpadded.
constexpr uint32_t KDGL_TYPE_1BIT = 1;     // packed, 8 pixels a byte (BMP reader only)
constexpr uint32_t KDGL_TYPE_4BIT = 2;     // packed, 2 pixels a byte (BMP reader only)
constexpr uint32_t KDGL_TYPE_8BIT = 3;     // one palette index a pixel
constexpr uint32_t KDGL_TYPE_15BIT = 4;    // bytes 0RRRRRGG, GGGBBBBB
constexpr uint32_t KDGL_TYPE_16BIT = 261;  // two bytes a pixel; only the vertical flip takes it
constexpr uint32_t KDGL_TYPE_24BIT = 5;    // R, G, B
constexpr uint32_t KDGL_TYPE_32BIT = 513;  // R, G, B, A

// Status codes; KDGL_ERR_GetErrorStr gives their texts.
constexpr uint32_t KDGL_OK = 0;
constexpr uint32_t KDGL_ERR_FILE_NAME = 1;
constexpr uint32_t KDGL_ERR_FILE_OPEN = 2;
constexpr uint32_t KDGL_ERR_FILE_READ = 3;
constexpr uint32_t KDGL_ERR_FILE_WRITE = 4;
constexpr uint32_t KDGL_ERR_FILE_CREATE = 5;
constexpr uint32_t KDGL_ERR_FILE_CLOSE = 6;
constexpr uint32_t KDGL_ERR_FILE_SIZE = 7;
constexpr uint32_t KDGL_ERR_RESOLUTION = 257;
constexpr uint32_t KDGL_ERR_COLOR_DEPTH = 258;
constexpr uint32_t KDGL_ERR_STRUCTURE = 259;
constexpr uint32_t KDGL_ERR_COMPRESSION = 260;
constexpr uint32_t KDGL_ERR_UNSUPPORTED = 511;
constexpr uint32_t KDGL_ERR_ALLOC = 513;
constexpr uint32_t KDGL_ERR_MEMORY_USE = 514;
constexpr uint32_t KDGL_ERR_NULL_POINTER = 515;
constexpr uint32_t KDGL_ERR_DIB = 769;
constexpr uint32_t KDGL_ERR_PIXEL = 770;

// Longest status text plus its terminator; the size a KDGL_ERR_GetErrorStr buffer needs.
constexpr uint32_t KDGL_ERR_TEXT_SIZE = 47;

// Copies the text of `code` into `text`, which must hold KDGL_ERR_TEXT_SIZE characters.
void KDGL_ERR_GetErrorStr(uint32_t code, char* text);

// The decoding budget: every reader refuses a picture of more than maxPixels pixels before
// allocating for it, and no pixel buffer of more than maxBytes bytes is made; both give 257.
// Until set it is 2^28 pixels and 1 GiB, or KV_MAX_PIXELS pixels (and four bytes each) when
// the environment names a count. A 0 stands for that default. Process-wide.
void KDGL_SetPixelBudget(uint64_t maxPixels, uint64_t maxBytes);
void KDGL_GetPixelBudget(uint64_t* maxPixels, uint64_t* maxBytes);

// What a load put up with without failing: the decoding library's warnings (libjpeg's
// count), and whether the file ended before its picture was complete (the rest is filled
// in, as libjpeg does, and is not the picture's).
struct KDGL_WARNINGS {
    uint32_t count;
    uint8_t endedEarly;
};

struct Rgb {
    uint8_t r;
    uint8_t g;
    uint8_t b;
};

// One picture in memory. Pixel buffers that the library hands out are allocated with
// std::malloc; whoever holds them releases them with std::free.
struct KDGL_CANVAS {
    uint8_t* data;
    Rgb palette[256];
    uint32_t width;
    uint32_t height;
    uint32_t type;
};

// Reads a whole file into memory: OpenR, ReadAll, Close. `buffer` is std::malloc'ed and
// belongs to the caller after ReadAll.
class CKDGLFile {
public:
    int32_t handle = -1;  // POSIX file descriptor, -1 when closed
    int32_t size = 0;
    uint8_t* buffer = nullptr;

    uint32_t OpenR(const char* name);
    uint32_t ReadAll();
    uint32_t Close();
};

// Optional HTML log "KaldorGL_debug.htm" in the current directory, reopened for every write
// so that it is complete on disk after each call.
class CKDGL_DEBUG {
public:
    char path[260] = {};
    uint8_t initialised = 0;

    void Init();
    void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Writeln(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void WriteError(const char* format, ...) __attribute__((format(printf, 2, 3)));
};
