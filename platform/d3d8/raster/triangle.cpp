#include "blend.h"
#include "combine.h"
#include "row_walker.h"
#include "span.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

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
void generalRow(const PixelProgram& p, const Triangle& t, int32_t y, int32_t first, int32_t last) {
    float lod[kStages] = {0.0f, 0.0f};
    bool needsLod[kStages] = {false, false};
    for (int i = 0; i < p.stageCount; ++i) needsLod[i] = p.stages[i].textured && p.stages[i].sampler.needsLod();
    const bool perspectiveColor = !t.flatColor;
    float v[kVaryings] = {};
    const float fy = float(y);
    const float zRow = t.z.c + t.z.dy * fy, qRow = t.q.c + t.q.dy * fy;
    float rows[kVaryings] = {};
    for (int k = 0; k < kVaryings; ++k)
        if (p.varyings & (1u << k)) rows[k] = t.v[k].c + t.v[k].dy * fy;
    for (int32_t x = first; x < last; ++x) {
        const float fx = float(x);
        const float z = zRow + t.z.dx * fx;
        const uint32_t depth = p.target.depth ? p.target.depth.quantize(z) : 0;
        if (!depthPasses(p, x, y, depth)) continue;
        const float w = 1.0f / (qRow + t.q.dx * fx);
        for (int k = 0; k < kVaryings; ++k) {
            if (!(p.varyings & (1u << k))) continue;
            const float value = rows[k] + t.v[k].dx * fx;
            v[k] = (perspectiveColor || k >= kFog) ? value * w : value;
        }
        for (int i = 0; i < p.stageCount; ++i)
            if (needsLod[i])
                lod[i] = levelOfDetail(t, p.stages[i].sampler, kTex0 + 2 * i, v[kTex0 + 2 * i], v[kTex0 + 2 * i + 1], w);
        finishPixel(p, x, y, v, depth, p.depthFog ? z : w, lod);
    }
}

void generalFill(const PixelProgram& p, const Triangle& t, int32_t first, int32_t end) {
    forEachSpan(t, first, end, [&](int32_t y, int32_t left, int32_t right) { generalRow(p, t, y, left, right); });
}

// The varyings the stages, specular and fog read.
VaryingMask varyingsRead(const PixelProgram& p) {
    VaryingMask read = kDiffuseBits;
    bool specular = p.addSpecular;
    for (int i = 0; i < p.stageCount; ++i) {
        const Stage& stage = p.stages[i];
        for (uint32_t arg : {stage.colorArg1, stage.colorArg2, stage.alphaArg1, stage.alphaArg2})
            specular |= (arg & 0xF) == 4;
        if (stage.textured) read |= i == 0 ? kTex0Bits : kTex1Bits;
    }
    if (specular) read |= kSpecularBits;
    if (p.vertexFog) read |= kFogBit;
    return read;
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

// Whether the vector span reads the level exactly as the general sampler does: wrapped
// power-of-two or clamped axes, and texel offsets inside int32.
bool fastAddressing(const Sampler& sampler) {
    const TextureLevel& level = sampler.texture->levels[sampler.firstLevel];
    auto fits = [](Address mode, int32_t size) {
        return mode == Address::Clamp || (mode == Address::Wrap && (size & (size - 1)) == 0);
    };
    return fits(sampler.addressU, level.width) && fits(sampler.addressV, level.height) &&
           int64_t(level.pitch) * level.height < (int64_t(1) << 30);
}

}  // namespace

bool vectorAvx2() {
#if defined(KV_VECTOR_SPANS)
    static const bool avx2 = [] {
        const char* wanted = std::getenv("KV_RASTER_SIMD");
        if (wanted && std::strcmp(wanted, "sse2") == 0) return false;
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
#else
    return false;
#endif
}

TriangleFunction vectorSpan(int depthBytes, Fetch how) {
#if defined(KV_VECTOR_SPANS)
    return vectorAvx2() ? vectorSpanAvx2(depthBytes, how) : vectorSpanSse2(depthBytes, how);
#else
    (void)depthBytes, (void)how;
    return nullptr;
#endif
}

uint32_t sampleFirstLevel(const Sampler& sampler, float u, float v) {
    return sampleLevel(sampler, sampler.firstLevel, sampler.magnify, u, v);
}

void prepare(PixelProgram& p) {
    p.varyings = varyingsRead(p);
    p.fill = generalFill;
    VectorSpan& v = p.vector;
    if (p.stageCount != 1 || p.addSpecular || p.vertexFog || p.tableFog.mode != FogMode::None || p.alphaTest ||
        p.blend || p.writeMask != 0xFFFFFFFF)
        return;
    const Stage& stage = p.stages[0];
    if (stage.textured && stage.sampler.needsLod()) return;
    int colorChoice, alphaChoice;
    if (!plainOperation(stage.colorOp, stage.colorArg1, stage.colorArg2, colorChoice)) return;
    if (!plainOperation(stage.alphaOp, stage.alphaArg1, stage.alphaArg2, alphaChoice)) return;
    // Without a texture the texel is white, and its product with the diffuse is the diffuse.
    if (!stage.textured && colorChoice == 0) colorChoice = 2;
    if (!stage.textured && alphaChoice == 0) alphaChoice = 2;
    auto bytes = [&](int choice) {
        return (colorChoice == choice ? 0x00FFFFFFu : 0u) | (alphaChoice == choice ? 0xFF000000u : 0u);
    };
    v.takeProduct = bytes(0);
    v.takeTexel = bytes(1);
    v.takeDiffuse = bytes(2);
    const bool less = p.depthFunc == Compare::Less || p.depthFunc == Compare::LessEqual ||
                      p.depthFunc == Compare::NotEqual || p.depthFunc == Compare::Always;
    const bool equal = p.depthFunc == Compare::Equal || p.depthFunc == Compare::LessEqual ||
                       p.depthFunc == Compare::GreaterEqual || p.depthFunc == Compare::Always;
    const bool greater = p.depthFunc == Compare::Greater || p.depthFunc == Compare::GreaterEqual ||
                         p.depthFunc == Compare::NotEqual || p.depthFunc == Compare::Always;
    v.depthLess = less ? -1 : 0;
    v.depthEqual = equal ? -1 : 0;
    v.depthGreater = greater ? -1 : 0;
    Fetch how = Fetch::White;
    if (stage.textured) {
        const Sampler& sampler = stage.sampler;
        how = Fetch::General;
        if (fastAddressing(sampler)) {
            const TextureLevel& level = sampler.texture->levels[sampler.firstLevel];
            how = sampler.magnify == Filter::Linear ? Fetch::Linear : Fetch::Point;
            v.texels = level.bits;
            v.pitch = level.pitch;
            v.width = float(level.width);
            v.height = float(level.height);
            v.wrapU = sampler.addressU == Address::Wrap ? level.width - 1 : -1;
            v.wrapV = sampler.addressV == Address::Wrap ? level.height - 1 : -1;
            v.lastU = level.width - 1;
            v.lastV = level.height - 1;
        }
        v.alphaOr = sampler.texture->alphaOr;
    }
    const int depthBytes = p.depthTest ? (p.target.depth.wide ? 4 : 2) : 0;
    v.rowEnd = depthBytes ? std::min(p.target.color.width, p.target.depth.width) : p.target.color.width;
    if (const TriangleFunction fill = vectorSpan(depthBytes, how)) p.fill = fill;
}

void drawTriangle(const PixelProgram& p, const Triangle& t, int32_t first, int32_t end) { p.fill(p, t, first, end); }

void shadePixel(const PixelProgram& p, int32_t x, int32_t y, const float* varyings, float z, float eyeDepth) {
    const uint32_t depth = p.target.depth ? p.target.depth.quantize(z) : 0;
    if (!depthPasses(p, x, y, depth)) return;
    const float lod[kStages] = {0.0f, 0.0f};
    finishPixel(p, x, y, varyings, depth, p.depthFog ? z : eyeDepth, lod);
}

}  // namespace platform::d3d8::raster
