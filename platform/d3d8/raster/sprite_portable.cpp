// The sprite loops in plain C++, one pixel a group: the reference the SIMD builds are
// compared with, and the loops on processors without them.
#include "sprite_spans.h"

namespace platform::d3d8::raster::sprite {
namespace {

struct Portable {
    struct G {
        uint32_t c[4];
    };
    static constexpr int N = 1;

    static G load(const uint32_t* p) { return {{*p & 0xFF, (*p >> 8) & 0xFF, (*p >> 16) & 0xFF, *p >> 24}}; }
    // Values never exceed 255 here; the limit mirrors the SIMD builds' saturating pack.
    static void store(uint32_t* p, G v) {
        uint32_t out = 0;
        for (int i = 0; i < 4; ++i) out |= (v.c[i] > 255 ? 255 : v.c[i]) << (8 * i);
        *p = out;
    }
    static G set1(uint16_t v) { return {{v, v, v, v}}; }
    static G splat(uint32_t color) { return load(&color); }
    template <class Op>
    static G each(G a, G b, Op op) {
        for (int i = 0; i < 4; ++i) a.c[i] = op(a.c[i], b.c[i]) & 0xFFFF;
        return a;
    }
    static G add(G a, G b) { return each(a, b, [](uint32_t x, uint32_t y) { return x + y; }); }
    static G sub(G a, G b) { return each(a, b, [](uint32_t x, uint32_t y) { return x - y; }); }
    static G mul(G a, G b) { return each(a, b, [](uint32_t x, uint32_t y) { return x * y; }); }
    static G bitOr(G a, G b) { return each(a, b, [](uint32_t x, uint32_t y) { return x | y; }); }
    template <int n>
    static G shr(G a) {
        for (uint32_t& c : a.c) c >>= n;
        return a;
    }
    static G alpha(G v) { return {{v.c[3], v.c[3], v.c[3], v.c[3]}}; }

    static G lerp(G a, G b, uint32_t f) { return shr<8>(add(add(mul(a, set1(uint16_t(256 - f))), mul(b, set1(uint16_t(f)))), set1(128))); }
    struct Wide {
        G a, b;
    };
    static Wide loadWide(const uint32_t* p) { return {load(p), load(p + 1)}; }
    static void storeWide(uint32_t* p, const Wide& w) {
        store(p, w.a);
        store(p + 1, w.b);
    }
    static Wide lerpWide(const uint32_t* blended, const int32_t* x, const uint16_t* weights) {
        return {lerp(load(blended + x[0]), load(blended + x[0] + 1), weights[4]),
                lerp(load(blended + x[1]), load(blended + x[1] + 1), weights[12])};
    }

    using P = G;
    static P pixel(uint32_t texel) { return load(&texel); }
    static G group(const P (&p)[N]) { return p[0]; }

    static G linearGroup(const Texels& t, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
        return linearByPixel<Portable>(t, u, v, du, dv);
    }

    static P sampleLinear(const Texels& t, uint32_t u, uint32_t v) {
        const int32_t ix = whole(u), iy = whole(v);
        const int32_t x0 = ix < 0 ? 0 : ix, x1 = ix + 1 > t.maxX ? t.maxX : ix + 1;
        const uint32_t* top = texelRow(t, iy < 0 ? 0 : iy);
        const uint32_t* bottom = texelRow(t, iy + 1 > t.maxY ? t.maxY : iy + 1);
        const uint32_t fy = fraction(v);
        return lerp(lerp(load(top + x0), load(bottom + x0), fy), lerp(load(top + x1), load(bottom + x1), fy), fraction(u));
    }
};

}  // namespace

const Kernels& portableKernels() {
    static const Kernels kernels = makeKernels<Portable>("portable");
    return kernels;
}

}  // namespace platform::d3d8::raster::sprite
