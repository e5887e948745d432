// Texture stage arithmetic, fog, alpha test and framebuffer blending on 8-bit channels.
#pragma once

#include "pixel.h"

#include <algorithm>
#include <cstdint>

namespace platform::d3d8::raster {

// Channels b, g, r, a, each 0..255.
struct Color {
    int32_t c[4];
};

inline Color unpack(uint32_t p) {
    return {{int32_t(p & 0xFF), int32_t((p >> 8) & 0xFF), int32_t((p >> 16) & 0xFF), int32_t(p >> 24)}};
}
inline uint32_t pack(const Color& x) {
    return uint32_t(x.c[0]) | uint32_t(x.c[1]) << 8 | uint32_t(x.c[2]) << 16 | uint32_t(x.c[3]) << 24;
}

// a * b / 255 rounded to nearest, exact for 0..255.
inline int32_t mul255(int32_t a, int32_t b) {
    const int32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}
inline int32_t clamp255(int32_t v) { return std::clamp(v, 0, 255); }

// One channel of a stage operation; alpha-blend operations take their weight in `weight`.
inline int32_t stageOp(uint32_t op, int32_t a, int32_t b, int32_t weight) {
    switch (op) {
    case 2: return a;                                    // SELECTARG1
    case 3: return b;                                    // SELECTARG2
    case 4: return mul255(a, b);                         // MODULATE
    case 5: return std::min(255, 2 * mul255(a, b));      // MODULATE2X
    case 6: return std::min(255, 4 * mul255(a, b));      // MODULATE4X
    case 7: return std::min(255, a + b);                 // ADD
    case 8: return clamp255(a + b - 128);                // ADDSIGNED
    case 9: return clamp255(2 * (a + b - 128));          // ADDSIGNED2X
    case 10: return std::max(0, a - b);                  // SUBTRACT
    case 11: return std::min(255, a + b - mul255(a, b)); // ADDSMOOTH
    case 12: case 13: case 14: case 16:                  // BLEND...ALPHA
        return mul255(a, weight) + mul255(b, 255 - weight);
    default: return b;
    }
}

inline bool compare(Compare func, uint32_t value, uint32_t reference) {
    switch (func) {
    case Compare::Never: return false;
    case Compare::Less: return value < reference;
    case Compare::Equal: return value == reference;
    case Compare::LessEqual: return value <= reference;
    case Compare::Greater: return value > reference;
    case Compare::NotEqual: return value != reference;
    case Compare::GreaterEqual: return value >= reference;
    case Compare::Always: break;
    }
    return true;
}

// The blend factor for one channel (index 3 is alpha) of source s over destination d.
inline int32_t blendFactor(uint32_t factor, const Color& s, const Color& d, int channel) {
    switch (factor) {
    case 1: return 0;                         // ZERO
    case 2: return 255;                       // ONE
    case 3: return s.c[channel];              // SRCCOLOR
    case 4: return 255 - s.c[channel];        // INVSRCCOLOR
    case 5: return s.c[3];                    // SRCALPHA
    case 6: return 255 - s.c[3];              // INVSRCALPHA
    case 7: return d.c[3];                    // DESTALPHA
    case 8: return 255 - d.c[3];              // INVDESTALPHA
    case 9: return d.c[channel];              // DESTCOLOR
    case 10: return 255 - d.c[channel];       // INVDESTCOLOR
    case 11: return channel == 3 ? 255 : std::min(s.c[3], 255 - d.c[3]);  // SRCALPHASAT
    default: return 255;
    }
}

inline uint32_t blendPixel(const Blend& mode, uint32_t source, uint32_t dest) {
    const Color s = unpack(source), d = unpack(dest);
    uint32_t sourceFactor = mode.source, destFactor = mode.dest;
    if (sourceFactor == 12) sourceFactor = 5, destFactor = 6;  // BOTHSRCALPHA
    if (sourceFactor == 13) sourceFactor = 6, destFactor = 5;  // BOTHINVSRCALPHA
    Color out;
    for (int i = 0; i < 4; ++i) {
        const int32_t a = mul255(s.c[i], blendFactor(sourceFactor, s, d, i));
        const int32_t b = mul255(d.c[i], blendFactor(destFactor, s, d, i));
        switch (mode.op) {
        case 2: out.c[i] = std::max(0, a - b); break;       // SUBTRACT
        case 3: out.c[i] = std::max(0, b - a); break;       // REVSUBTRACT
        case 4: out.c[i] = std::min(s.c[i], d.c[i]); break; // MIN
        case 5: out.c[i] = std::max(s.c[i], d.c[i]); break; // MAX
        default: out.c[i] = std::min(255, a + b); break;    // ADD
        }
    }
    return pack(out);
}

}  // namespace platform::d3d8::raster
