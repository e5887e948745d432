// Layout facts of the KVI format shared by the encoder and the decoder.
#pragma once

#include <support/bytes.h>

#include <cstdint>
#include <cstring>

namespace kvi {

inline constexpr uint8_t kVersion = 16;

enum Tag : uint8_t {
    TagEnd = 0x00,
    TagText1 = 0x01,
    TagText2 = 0x02,
    TagCreator = 0x03,
    TagStamp = 0x04,
    TagSize = 0x81,
    TagCoding = 0x82,
    TagPalette = 0x83,
    TagFormat = 0x84,
};

inline constexpr uint32_t kMaxPalette = 256;

// The four letters of each colour description: letter k names the channel in byte k.
inline constexpr char kColorLetters[8][5] = {"rgba", "bgra", "argb", "abgr", "rgbx", "bgrx", "xrgb", "xbgr"};

// The letters of the bytes a stored pixel of `bytes` bytes keeps: below four bytes a leading
// "a" or "x" is the one left out.
inline const char* storedLetters(uint32_t colorDesc, size_t bytes) {
    const char* letters = kColorLetters[colorDesc];
    return bytes < 4 && (letters[0] == 'a' || letters[0] == 'x') ? letters + 1 : letters;
}

// A run-length mode: bytes above threshold are run heads of (byte - threshold) copies.
struct RunMode {
    uint8_t threshold;
    uint8_t maxRun;
    bool wholeImage;  // the picture is one long row
};

inline bool runModeOf(uint32_t mode, RunMode& out) {
    switch (mode) {
        case 1: out = {0xC0, 63, false}; return true;
        case 2: out = {0xC0, 63, true}; return true;
        case 3: out = {0x80, 127, false}; return true;
        case 4: out = {0x80, 127, true}; return true;
        case 5: out = {0xE0, 31, false}; return true;
        case 6: out = {0xE0, 31, true}; return true;
        default: return false;
    }
}

inline bool isKnownMode(uint32_t mode) { return mode <= 6 || mode == 256; }

using kvsupport::readLe32;
using kvsupport::writeLe32;

// Header defaults; the encoder and decoder objects carry the same header fields.
template <class Object>
void resetHeader(Object& o) {
    o.signature[0] = 'k';
    o.signature[1] = 'v';
    o.signature[2] = 'I';
    o.signature[3] = kVersion;
    o.hasText1 = o.hasText2 = o.hasCreator = 0;
    std::memset(o.text1, 0, sizeof o.text1);
    std::memset(o.text2, 0, sizeof o.text2);
    std::memset(o.creator, 0, sizeof o.creator);
    o.hasStamp = 0;
    o.stampDay = 1;
    o.stampMonth = 1;
    o.stampYear = 2008;
    o.stampHour = 12;
    o.stampMinute = 0;
    o.stampSecond = 0;
    o.width = o.height = o.quality = 0;
    o.coders[0] = o.coders[1] = 0;
    o.hasPalette = 0;
    o.paletteCount = 16;
    std::memset(o.palette, 0, sizeof o.palette);
    o.bitsPerPixel = 0;
    o.variant = 0;
    o.colorDesc = 0;
}

}  // namespace kvi
