// The vector spans, included by one file per instruction set after it defines KV_LANES and
// KV_SPAN_ENTRY (the name of the function that hands out its spans). kLanes pixels at a time:
// the depth test, perspective-correct diffuse and texture coordinates, a point or bilinear
// texel, one stage of product / texel / diffuse per channel, and the writes. The arithmetic
// is that of the general span, lane by lane, so both give the same pixels.
#include "row_walker.h"
#include "simd.h"
#include "span.h"

namespace platform::d3d8::raster {
namespace {

// One varying along a row: value(x) = row + step * x.
struct Line {
    F32 row, step;
    KV_INLINE F32 at(F32 x) const { return row + step * x; }
};

KV_INLINE uint32_t colorChannel(float v) {
    return static_cast<uint32_t>(v > 0.0f ? (v < 255.0f ? v + 0.5f : 255.0f) : 0.0f);
}

// The triangle's constants, and its lines at the current row.
struct RowState {
    Line z, q, color[4], u, v;
    uint32_t flatDiffuse;  // the packed diffuse of a triangle with flat colours
    uint32_t takeProduct, takeTexel, takeDiffuse;
    uint32_t channels;  // bit k: diffuse channel k is read
};

KV_INLINE void startLine(Line& line, const Plane& plane, float y) { line.row = splat(plane.c + plane.dy * y); }

template <Fetch How, bool FlatColor>
KV_INLINE void startRow(RowState& r, const Triangle& t, int32_t y) {
    const float fy = float(y);
    startLine(r.z, t.z, fy);
    startLine(r.q, t.q, fy);
    if constexpr (How != Fetch::White) {
        startLine(r.u, t.v[kTex0], fy);
        startLine(r.v, t.v[kTex0 + 1], fy);
    }
    if constexpr (!FlatColor)
        for (int k = 0; k < 4; ++k)
            if (r.channels & (1u << k)) startLine(r.color[k], t.v[kDiffuse + k], fy);
}

template <Fetch How, bool FlatColor>
KV_INLINE RowState triangleState(const PixelProgram& p, const Triangle& t) {
    const VectorSpan& s = p.vector;
    RowState r;
    r.z.step = splat(t.z.dx);
    r.q.step = splat(t.q.dx);
    if constexpr (How != Fetch::White) {
        r.u.step = splat(t.v[kTex0].dx);
        r.v.step = splat(t.v[kTex0 + 1].dx);
    }
    r.takeProduct = s.takeProduct;
    r.takeTexel = s.takeTexel;
    r.takeDiffuse = s.takeDiffuse;
    r.flatDiffuse = 0;
    r.channels = 0;
    const uint32_t read = s.takeProduct | s.takeDiffuse;
    for (int k = 0; k < 4; ++k) {
        if (!(read & (0xFFu << (8 * k)))) continue;
        r.channels |= 1u << k;
        if constexpr (FlatColor)
            r.flatDiffuse |= colorChannel(t.v[kDiffuse + k].c) << (8 * k);
        else
            r.color[k].step = splat(t.v[kDiffuse + k].dx);
    }
    // A product with 255 is the texel itself.
    if (FlatColor && (r.flatDiffuse & r.takeProduct) == r.takeProduct) {
        r.takeTexel |= r.takeProduct;
        r.takeProduct = 0;
    }
    return r;
}

template <Fetch How>
KV_INLINE U32 fetch(const PixelProgram& p, F32 u, F32 v) {
    const VectorSpan& s = p.vector;
    if constexpr (How == Fetch::White) {
        return splat(0xFFFFFFFFu);
    } else if constexpr (How == Fetch::General) {
        U32 out;
        for (int i = 0; i < kLanes; ++i) out[i] = sampleFirstLevel(p.stages[0].sampler, u[i], v[i]);
        return out;
    } else if constexpr (How == Fetch::Point) {
        F32 limited;
        const I32 x = min(max(floorToInt(u * s.width, limited) & s.wrapU, splat(0)), splat(s.lastU));
        const I32 y = min(max(floorToInt(v * s.height, limited) & s.wrapV, splat(0)), splat(s.lastV));
        return gather(s.texels, y * s.pitch + x) | s.alphaOr;
    } else {
        F32 limitedX, limitedY;
        const I32 x0 = floorToInt(u * s.width - 0.5f, limitedX), y0 = floorToInt(v * s.height - 0.5f, limitedY);
        const I32 fx = truncate((limitedX - toFloat(x0)) * 256.0f) & 0xFF;
        const I32 fy = truncate((limitedY - toFloat(y0)) * 256.0f) & 0xFF;
        const I32 zero = splat(0);
        const I32 left = min(max(x0 & s.wrapU, zero), splat(s.lastU));
        const I32 right = min(max((x0 + 1) & s.wrapU, zero), splat(s.lastU));
        const I32 top = min(max(y0 & s.wrapV, zero), splat(s.lastV)) * s.pitch;
        const I32 bottom = min(max((y0 + 1) & s.wrapV, zero), splat(s.lastV)) * s.pitch;
        U32 t00, t01, t10, t11;
        const I32 adjacent = right == left + 1;  // false at a wrapped or clamped edge
#if KV_LANES == 8 && defined(__AVX2__)
        // Magnified, the lanes often read two texel rows within kLanes texels of each other;
        // the left texel runs one way along a row, so the lowest is at one end.
        const int32_t base = left[0] < left[kLanes - 1] ? left[0] : left[kLanes - 1];
        const I32 offset = left - base;
        if (base <= s.lastU - (kLanes - 1) &&
            all(adjacent & (offset >= 0) & (offset < kLanes - 1) & (top == top[0]) & (bottom == bottom[0]))) {
            windowPairs(s.texels + top[0] + base, offset, t00, t01);
            windowPairs(s.texels + bottom[0] + base, offset, t10, t11);
        } else
#endif
        if (all(adjacent)) {
            gatherPairs(s.texels, top + left, t00, t01);
            gatherPairs(s.texels, bottom + left, t10, t11);
        } else {
            t00 = gather(s.texels, top + left), t01 = gather(s.texels, top + right);
            t10 = gather(s.texels, bottom + left), t11 = gather(s.texels, bottom + right);
        }
        // The weights of the sampler (1/256, summing to 256), in both halves of each lane.
        const I32 w01 = (fx * (256 - fy)) >> 8, w10 = ((256 - fx) * fy) >> 8, w11 = (fx * fy) >> 8;
        const I32 w00 = 256 - w01 - w10 - w11;
        const U16 k00 = U16(w00 | (w00 << 16)), k01 = U16(w01 | (w01 << 16));
        const U16 k10 = U16(w10 | (w10 << 16)), k11 = U16(w11 | (w11 << 16));
        const U16 even = (evenBytes(t00) * k00 + evenBytes(t01) * k01 + evenBytes(t10) * k10 + evenBytes(t11) * k11) >> 8;
        const U16 odd = (oddBytes(t00) * k00 + oddBytes(t01) * k01 + oddBytes(t10) * k10 + oddBytes(t11) * k11) >> 8;
        return joinBytes(even, odd) | s.alphaOr;
    }
}

// Depth values of kLanes pixels as 32-bit lanes, and back.
template <int DepthBytes>
KV_INLINE I32 loadDepth(const void* from) {
    if constexpr (DepthBytes == 2)
        return __builtin_convertvector(load<Depth16>(from), I32);
    else
        return load<I32>(from);
}
template <int DepthBytes>
KV_INLINE void storeDepth(void* to, I32 depth) {
    if constexpr (DepthBytes == 2)
        store(to, __builtin_convertvector(depth, Depth16));
    else
        store(to, depth);
}

// kLanes pixels from x on, of which lanes begin .. end - 1 are in the span; `color` and
// `depth` point at pixel x.
template <int DepthBytes, Fetch How, bool FlatColor>
KV_INLINE void shadeGroup(const PixelProgram& p, const RowState& r, int32_t x, int32_t begin, int32_t end,
                          uint32_t* color, uint8_t* depth) {
    const I32 lane = laneIndex();
    I32 pass = (lane >= begin) & (lane < end);
    const F32 fx = toFloat(lane + x);
    I32 newDepth{}, oldDepth{};
    if constexpr (DepthBytes != 0) {
        const VectorSpan& s = p.vector;
        const F32 z = r.z.at(fx);
        const F32 clamped = select(z > 0.0f, select(z < 1.0f, z, splat(1.0f)), splat(0.0f));
        newDepth = truncate(clamped * (DepthBytes == 2 ? 65535.0f : 16777215.0f) + 0.5f);
        oldDepth = loadDepth<DepthBytes>(depth);
        const I32 less = newDepth < oldDepth, equal = newDepth == oldDepth;
        pass &= (less & s.depthLess) | (equal & s.depthEqual) | (~(less | equal) & s.depthGreater);
        if (!any(pass)) return;
    }
    const F32 w = 1.0f / r.q.at(fx);
    U32 diffuse;
    if constexpr (FlatColor) {
        diffuse = splat(r.flatDiffuse);
    } else {
        diffuse = splat(0u);
        for (int k = 0; k < 4; ++k)
            if (r.channels & (1u << k)) diffuse |= U32(toChannel(r.color[k].at(fx) * w)) << (8 * k);
    }
    U32 result = diffuse & r.takeDiffuse;
    if constexpr (How != Fetch::White) {
        const U32 texel = fetch<How>(p, r.u.at(fx) * w, r.v.at(fx) * w);
        result |= texel & r.takeTexel;
        if (r.takeProduct) result |= modulate(texel, diffuse) & r.takeProduct;
    } else {
        result |= r.takeTexel;
    }
    // Where every lane passes the old colour is not read at all.
    const bool whole = all(pass);
    store(color, whole ? result : select(pass, result, load<U32>(color)));
    if constexpr (DepthBytes != 0)
        if (p.depthWrite) storeDepth<DepthBytes>(depth, whole ? newDepth : select(pass, newDepth, oldDepth));
}

template <int DepthBytes, Fetch How, bool FlatColor>
KV_INLINE void shadeRow(const PixelProgram& p, const RowState& r, int32_t y, int32_t first, int32_t last) {
    uint32_t* color = reinterpret_cast<uint32_t*>(p.target.color.bits + int64_t(y) * p.target.color.pitch);
    uint8_t* depth = DepthBytes ? p.target.depth.bits + int64_t(y) * p.target.depth.pitch : nullptr;
    auto group = [&](int32_t x, int32_t begin, int32_t end, uint32_t* c, uint8_t* d) {
        shadeGroup<DepthBytes, How, FlatColor>(p, r, x, begin, end, c, d);
    };
    int32_t x = first;
    for (; x + kLanes <= last; x += kLanes) group(x, 0, kLanes, color + x, depth + int64_t(x) * DepthBytes);
    if (x == last) return;
    // The last pixels: a whole group that ends with them (or starts the row) and leaves its
    // other lanes as they are. Those pixels are in this row, which no other thread draws.
    const int32_t start = last > kLanes ? last - kLanes : 0;
    if (start + kLanes <= p.vector.rowEnd) {
        group(start, x - start, last - start, color + start, depth + int64_t(start) * DepthBytes);
        return;
    }
    // A target narrower than a group: through copies.
    const int32_t count = last - x;
    uint32_t colorCopy[kLanes] = {};
    uint8_t depthCopy[kLanes * 4] = {};
    std::memcpy(colorCopy, color + x, size_t(count) * 4);
    if (DepthBytes) std::memcpy(depthCopy, depth + int64_t(x) * DepthBytes, size_t(count) * DepthBytes);
    group(x, 0, count, colorCopy, depthCopy);
    std::memcpy(color + x, colorCopy, size_t(count) * 4);
    if (DepthBytes) std::memcpy(depth + int64_t(x) * DepthBytes, depthCopy, size_t(count) * DepthBytes);
}

template <int DepthBytes, Fetch How, bool FlatColor>
void shadeTriangle(const PixelProgram& p, const Triangle& t, int32_t first, int32_t end) {
    RowState r = triangleState<How, FlatColor>(p, t);
    forEachSpan(t, first, end, [&](int32_t y, int32_t left, int32_t right) {
        startRow<How, FlatColor>(r, t, y);
        shadeRow<DepthBytes, How, FlatColor>(p, r, y, left, right);
    });
}

template <int DepthBytes, Fetch How>
void fill(const PixelProgram& p, const Triangle& t, int32_t first, int32_t end) {
    if (t.flatColor)
        shadeTriangle<DepthBytes, How, true>(p, t, first, end);
    else
        shadeTriangle<DepthBytes, How, false>(p, t, first, end);
}

template <int DepthBytes>
TriangleFunction fillFor(Fetch how) {
    switch (how) {
    case Fetch::White: return fill<DepthBytes, Fetch::White>;
    case Fetch::General: return fill<DepthBytes, Fetch::General>;
    case Fetch::Point: return fill<DepthBytes, Fetch::Point>;
    case Fetch::Linear: break;
    }
    return fill<DepthBytes, Fetch::Linear>;
}

}  // namespace

TriangleFunction KV_SPAN_ENTRY(int depthBytes, Fetch how) {
    return depthBytes == 0 ? fillFor<0>(how) : (depthBytes == 2 ? fillFor<2>(how) : fillFor<4>(how));
}

}  // namespace platform::d3d8::raster
