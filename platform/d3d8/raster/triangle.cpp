#include "blend.h"
#include "combine.h"
#include "pixel.h"

#include <cmath>

namespace platform::d3d8::raster {

namespace {

uint32_t toColor(const float* c) {
    auto channel = [](float v) { return static_cast<uint32_t>(v > 0.0f ? (v < 255.0f ? v + 0.5f : 255.0f) : 0.0f); };
    return channel(c[0]) | channel(c[1]) << 8 | channel(c[2]) << 16 | channel(c[3]) << 24;
}

uint32_t argument(uint32_t arg, uint32_t diffuse, uint32_t current, uint32_t texel, uint32_t specular,
                  uint32_t factor) {
    uint32_t value;
    switch (arg & 0xF) {
    case 0: value = diffuse; break;
    case 2: value = texel; break;
    case 3: value = factor; break;
    case 4: value = specular; break;
    default: value = current; break;
    }
    if (arg & 0x10) value = ~value;                       // COMPLEMENT
    if (arg & 0x20) value = (value >> 24) * 0x01010101u;  // ALPHAREPLICATE
    return value;
}

int32_t blendWeight(uint32_t op, uint32_t diffuse, uint32_t current, uint32_t texel, uint32_t factor) {
    switch (op) {
    case 12: return int32_t(diffuse >> 24);
    case 13: return int32_t(texel >> 24);
    case 14: return int32_t(factor >> 24);
    case 16: return int32_t(current >> 24);
    default: return 0;
    }
}

uint32_t runStage(const Stage& stage, uint32_t diffuse, uint32_t current, uint32_t texel, uint32_t specular,
                  uint32_t factor) {
    const Color c1 = unpack(argument(stage.colorArg1, diffuse, current, texel, specular, factor));
    const Color c2 = unpack(argument(stage.colorArg2, diffuse, current, texel, specular, factor));
    const uint32_t a1 = argument(stage.alphaArg1, diffuse, current, texel, specular, factor) >> 24;
    const uint32_t a2 = argument(stage.alphaArg2, diffuse, current, texel, specular, factor) >> 24;
    const int32_t colorWeight = blendWeight(stage.colorOp, diffuse, current, texel, factor);
    Color out;
    for (int i = 0; i < 3; ++i) out.c[i] = stageOp(stage.colorOp, c1.c[i], c2.c[i], colorWeight);
    // A disabled alpha operation under an enabled colour one passes the alpha through.
    out.c[3] = stage.alphaOp == 1 ? int32_t(current >> 24)
                                  : stageOp(stage.alphaOp, int32_t(a1), int32_t(a2),
                                            blendWeight(stage.alphaOp, diffuse, current, texel, factor));
    return pack(out);
}

uint32_t applyFog(uint32_t color, uint32_t fogColor, float factor) {
    const int32_t f = static_cast<int32_t>(factor * 255.0f + 0.5f);
    const Color c = unpack(color), fog = unpack(fogColor);
    Color out = c;
    for (int i = 0; i < 3; ++i) out.c[i] = mul255(c.c[i], f) + mul255(fog.c[i], 255 - f);
    return pack(out);
}

uint32_t addSpecular(uint32_t color, uint32_t specular) {
    Color c = unpack(color);
    const Color s = unpack(specular);
    for (int i = 0; i < 3; ++i) c.c[i] = std::min(255, c.c[i] + s.c[i]);
    return pack(c);
}

// log2 of the larger of the two screen-axis footprints, in texels of the first level used.
float levelOfDetail(const Triangle& t, const Sampler& s, int index, float u, float v, float w) {
    const TextureLevel& level = s.texture->levels[s.firstLevel];
    const Plane& pu = t.v[index];
    const Plane& pv = t.v[index + 1];
    const float dudx = w * (pu.dx - u * t.q.dx) * float(level.width), dudy = w * (pu.dy - u * t.q.dy) * float(level.width);
    const float dvdx = w * (pv.dx - v * t.q.dx) * float(level.height), dvdy = w * (pv.dy - v * t.q.dy) * float(level.height);
    const float rho2 = std::max(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy);
    return rho2 > 0.0f ? 0.5f * std::log2(rho2) : -100.0f;
}

// Depth test against the stored value; true when the pixel goes on.
bool depthPasses(const PixelProgram& p, int32_t x, int32_t y, uint32_t depth) {
    if (!p.depthTest) return true;
    const DepthView& view = p.target.depth;
    const uint32_t stored = view.wide ? view.row32(y)[x] : view.row16(y)[x];
    return compare(p.depthFunc, depth, stored);
}

void writeDepth(const PixelProgram& p, int32_t x, int32_t y, uint32_t depth) {
    const DepthView& view = p.target.depth;
    if (view.wide)
        view.row32(y)[x] = depth;
    else
        view.row16(y)[x] = static_cast<uint16_t>(depth);
}

// Stages, specular, fog, alpha test, then depth and colour writes. `lod` holds each stage's
// level of detail.
void finishPixel(const PixelProgram& p, int32_t x, int32_t y, const float* v, uint32_t depth, float eyeDepth,
                 const float* lod) {
    const uint32_t diffuse = toColor(v + kDiffuse);
    const float specularFloats[4] = {v[kSpecular], v[kSpecular + 1], v[kSpecular + 2], 0.0f};
    const uint32_t specular = toColor(specularFloats);
    uint32_t current = diffuse;
    for (int i = 0; i < p.stageCount; ++i) {
        const Stage& stage = p.stages[i];
        const float* uv = v + kTex0 + 2 * i;
        const uint32_t texel = stage.textured ? sample(stage.sampler, uv[0], uv[1], lod[i]) : 0xFFFFFFFFu;
        current = runStage(stage, diffuse, current, texel, specular, p.textureFactor);
    }
    if (p.addSpecular) current = addSpecular(current, specular);
    if (p.vertexFog)
        current = applyFog(current, p.fogColor, std::clamp(v[kFog], 0.0f, 1.0f));
    else if (p.tableFog.mode != FogMode::None)
        current = applyFog(current, p.fogColor, fogFactor(p.tableFog, eyeDepth));
    if (p.alphaTest && !compare(p.alphaFunc, current >> 24, p.alphaRef)) return;
    if (p.depthTest && p.depthWrite) writeDepth(p, x, y, depth);
    uint32_t& out = p.target.color.row(y)[x];
    if (p.blend) current = blendPixel(p.blendMode, current, out);
    out = (current & p.writeMask) | (out & ~p.writeMask);
}

// The general span: every state, one pixel at a time.
void generalSpan(const PixelProgram& p, const Triangle& t, int32_t y, int32_t first, int32_t last) {
    float lod[kStages] = {0.0f, 0.0f};
    bool needsLod[kStages] = {false, false};
    for (int i = 0; i < p.stageCount; ++i) needsLod[i] = p.stages[i].textured && p.stages[i].sampler.needsLod();
    const bool perspectiveColor = !p.flat;
    float v[kVaryings] = {};
    const float fy = float(y);
    const float zRow = t.z.c + t.z.dy * fy, qRow = t.q.c + t.q.dy * fy;
    float rows[kVaryings];
    for (int k = 0; k < p.varyingCount; ++k) rows[k] = t.v[k].c + t.v[k].dy * fy;
    for (int32_t x = first; x < last; ++x) {
        const float fx = float(x);
        const float z = zRow + t.z.dx * fx;
        const uint32_t depth = p.target.depth ? p.target.depth.quantize(z) : 0;
        if (!depthPasses(p, x, y, depth)) continue;
        const float w = 1.0f / (qRow + t.q.dx * fx);
        for (int k = 0; k < p.varyingCount; ++k) {
            const float value = rows[k] + t.v[k].dx * fx;
            v[k] = (perspectiveColor || k >= kFog) ? value * w : value;
        }
        for (int i = 0; i < p.stageCount; ++i)
            if (needsLod[i])
                lod[i] = levelOfDetail(t, p.stages[i].sampler, kTex0 + 2 * i, v[kTex0 + 2 * i], v[kTex0 + 2 * i + 1], w);
        finishPixel(p, x, y, v, depth, p.depthFog ? z : w, lod);
    }
}

#if defined(__SSE2__)

// a * b / 255 rounded, per 16-bit lane: the same arithmetic as mul255.
inline __m128i mul255Lanes(__m128i a, __m128i b) {
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

inline __m128i load4x16(const uint16_t* lanes) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes));
}

// How the fast span reads its texture: not at all (white), through the general sampler, or
// point or bilinear from one level whose axes wrap (power-of-two sizes) or clamp.
enum class Fetch { White, General, Point, Linear };

// Texel index along one axis: wrapped by mask, or clamped to 0 .. last.
inline int32_t axisIndex(int32_t i, int32_t mask, int32_t last) {
    if (mask >= 0) return i & mask;
    return i < 0 ? 0 : (i > last ? last : i);
}

// floor(value) for the texel coordinates of one level, kept inside int32.
inline int32_t floorToInt32(float value) {
    const float limited = value > -1.0e9f ? (value < 1.0e9f ? value : 1.0e9f) : -1.0e9f;
    const int32_t truncated = static_cast<int32_t>(limited);
    return truncated - (limited < float(truncated));
}

struct FastTexture {
    const uint32_t* bits;
    int32_t pitch, width, height;
    int32_t maskU, maskV;  // -1: clamp
    uint32_t alphaOr;
    uint32_t at(int32_t x, int32_t y) const {
        return bits[int64_t(axisIndex(y, maskV, height - 1)) * pitch + axisIndex(x, maskU, width - 1)] | alphaOr;
    }
};

// The same texel values as sampleLevel for the addressing FastTexture covers.
template <Fetch How>
[[gnu::always_inline]] inline __m128i fetchTexel(const FastTexture& texture, const Sampler& sampler, float u, float v) {
    if constexpr (How == Fetch::General) {
        return expand(sampleLevel(sampler, sampler.firstLevel, sampler.magnify, u, v)).v;
    } else if constexpr (How == Fetch::Point) {
        return expand(texture.at(floorToInt32(u * float(texture.width)), floorToInt32(v * float(texture.height)))).v;
    } else {
        const float x = u * float(texture.width) - 0.5f, y = v * float(texture.height) - 0.5f;
        const int32_t x0 = floorToInt32(x), y0 = floorToInt32(y);
        const uint32_t fx = static_cast<uint32_t>((x - float(x0)) * 256.0f) & 0xFF;
        const uint32_t fy = static_cast<uint32_t>((y - float(y0)) * 256.0f) & 0xFF;
        return bilinear(texture.at(x0, y0), texture.at(x0 + 1, y0), texture.at(x0, y0 + 1), texture.at(x0 + 1, y0 + 1),
                        Weights(fx, fy))
            .v;
    }
}

FastTexture fastTexture(const Sampler& sampler) {
    if (!sampler.texture) return FastTexture{};
    const TextureLevel& level = sampler.texture->levels[sampler.firstLevel];
    auto mask = [](Address mode, int32_t size) { return mode == Address::Wrap ? size - 1 : -1; };
    return FastTexture{level.bits, level.pitch, level.width, level.height, mask(sampler.addressU, level.width),
                       mask(sampler.addressV, level.height), sampler.texture->alphaOr};
}

// Whether FastTexture reads the level exactly as the general sampler does.
bool fastAddressing(const Sampler& sampler) {
    const TextureLevel& level = sampler.texture->levels[sampler.firstLevel];
    auto fits = [](Address mode, int32_t size) {
        return mode == Address::Clamp || (mode == Address::Wrap && (size & (size - 1)) == 0);
    };
    return fits(sampler.addressU, level.width) && fits(sampler.addressV, level.height) &&
           level.width < (1 << 20) && level.height < (1 << 20);
}

// One stage of MODULATE / SELECTARG over texture and diffuse, with the depth test and plain
// writes. The arithmetic matches generalSpan.
template <Fetch How, bool Wide>
void fastSpan(const PixelProgram& p, const Triangle& t, int32_t y, int32_t first, int32_t last) {
    const Sampler& sampler = p.stages[0].sampler;
    const FastTexture texture = fastTexture(sampler);
    const float fy = float(y);
    const float zRow = t.z.c + t.z.dy * fy, qRow = t.q.c + t.q.dy * fy;
    const __m128 colorRow = _mm_set_ps(t.v[3].c + t.v[3].dy * fy, t.v[2].c + t.v[2].dy * fy,
                                       t.v[1].c + t.v[1].dy * fy, t.v[0].c + t.v[0].dy * fy);
    const __m128 colorStep = _mm_set_ps(t.v[3].dx, t.v[2].dx, t.v[1].dx, t.v[0].dx);
    const float uRow = t.v[kTex0].c + t.v[kTex0].dy * fy, vRow = t.v[kTex0 + 1].c + t.v[kTex0 + 1].dy * fy;
    const __m128i takeProduct = load4x16(p.takeProduct), takeTexel = load4x16(p.takeTexel),
                  takeDiffuse = load4x16(p.takeDiffuse);
    const DepthView& depthView = p.target.depth;
    uint32_t* out = p.target.color.row(y);
    for (int32_t x = first; x < last; ++x) {
        const float fx = float(x);
        uint32_t depth = 0;
        if (p.depthTest) {
            depth = depthView.quantize(zRow + t.z.dx * fx);
            const uint32_t stored = Wide ? depthView.row32(y)[x] : depthView.row16(y)[x];
            if (!compare(p.depthFunc, depth, stored)) continue;
        }
        const float w = 1.0f / (qRow + t.q.dx * fx);
        __m128 c = _mm_add_ps(colorRow, _mm_mul_ps(colorStep, _mm_set1_ps(fx)));
        if (!p.flat) c = _mm_mul_ps(c, _mm_set1_ps(w));
        c = _mm_add_ps(_mm_min_ps(_mm_max_ps(c, _mm_setzero_ps()), _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f));
        const __m128i c32 = _mm_cvttps_epi32(c);
        const __m128i diffuse = _mm_packs_epi32(c32, c32);
        __m128i texel = _mm_set1_epi16(255);
        if constexpr (How != Fetch::White)
            texel = fetchTexel<How>(texture, sampler, (uRow + t.v[kTex0].dx * fx) * w, (vRow + t.v[kTex0 + 1].dx * fx) * w);
        const __m128i result = _mm_or_si128(_mm_or_si128(_mm_and_si128(mul255Lanes(texel, diffuse), takeProduct),
                                                         _mm_and_si128(texel, takeTexel)),
                                            _mm_and_si128(diffuse, takeDiffuse));
        if (p.depthTest && p.depthWrite) {
            if constexpr (Wide)
                depthView.row32(y)[x] = depth;
            else
                depthView.row16(y)[x] = static_cast<uint16_t>(depth);
        }
        out[x] = narrow({result});
    }
}

// Which of product, texel and diffuse a stage operation over (TEXTURE, DIFFUSE or CURRENT)
// gives; false when it is anything else.
bool plainOperation(uint32_t op, uint32_t arg1, uint32_t arg2, int& choice) {
    const bool texture1 = arg1 == 2, diffuse1 = arg1 == 0 || arg1 == 1;
    const bool texture2 = arg2 == 2, diffuse2 = arg2 == 0 || arg2 == 1;
    if (op == 4 && ((texture1 && diffuse2) || (diffuse1 && texture2))) return choice = 0, true;
    const bool first = op == 2, second = op == 3;
    if ((first && texture1) || (second && texture2)) return choice = 1, true;
    if ((first && diffuse1) || (second && diffuse2)) return choice = 2, true;
    return false;
}

#endif

}  // namespace

void prepare(PixelProgram& p) {
    p.span = generalSpan;
#if defined(__SSE2__)
    if (p.stageCount != 1 || p.addSpecular || p.vertexFog || p.tableFog.mode != FogMode::None || p.alphaTest ||
        p.blend || p.writeMask != 0xFFFFFFFF)
        return;
    const Stage& stage = p.stages[0];
    if (stage.textured && stage.sampler.needsLod()) return;
    int colorChoice, alphaChoice;
    if (!plainOperation(stage.colorOp, stage.colorArg1, stage.colorArg2, colorChoice)) return;
    if (!plainOperation(stage.alphaOp, stage.alphaArg1, stage.alphaArg2, alphaChoice)) return;
    for (int lane = 0; lane < 4; ++lane) {
        const int choice = lane == 3 ? alphaChoice : colorChoice;
        p.takeProduct[lane] = choice == 0 ? 0xFFFF : 0;
        p.takeTexel[lane] = choice == 1 ? 0xFFFF : 0;
        p.takeDiffuse[lane] = choice == 2 ? 0xFFFF : 0;
    }
    const bool wide = p.target.depth.wide;
    Fetch how = Fetch::White;
    if (stage.textured) {
        const bool linear = stage.sampler.magnify == Filter::Linear;
        how = !fastAddressing(stage.sampler) ? Fetch::General : (linear ? Fetch::Linear : Fetch::Point);
    }
    switch (how) {
    case Fetch::White: p.span = wide ? fastSpan<Fetch::White, true> : fastSpan<Fetch::White, false>; break;
    case Fetch::General: p.span = wide ? fastSpan<Fetch::General, true> : fastSpan<Fetch::General, false>; break;
    case Fetch::Point: p.span = wide ? fastSpan<Fetch::Point, true> : fastSpan<Fetch::Point, false>; break;
    case Fetch::Linear: p.span = wide ? fastSpan<Fetch::Linear, true> : fastSpan<Fetch::Linear, false>; break;
    }
#endif
}

void drawTriangle(const PixelProgram& p, const Triangle& t, int32_t band, int32_t bandCount) {
    for (int32_t y = t.top; y < t.bottom; ++y) {
        if ((y / kBandHeight) % bandCount != band) {
            y = (y / kBandHeight + 1) * kBandHeight - 1;  // on to the next band
            continue;
        }
        int32_t first, last;
        if (spanOf(t, y, first, last)) p.span(p, t, y, first, last);
    }
}

void shadePixel(const PixelProgram& p, int32_t x, int32_t y, const float* varyings, float z, float eyeDepth) {
    const uint32_t depth = p.target.depth ? p.target.depth.quantize(z) : 0;
    if (!depthPasses(p, x, y, depth)) return;
    const float lod[kStages] = {0.0f, 0.0f};
    finishPixel(p, x, y, varyings, depth, p.depthFog ? z : eyeDepth, lod);
}

}  // namespace platform::d3d8::raster
