// The vector vertex stage, included by one file per instruction set after it defines KV_LANES
// and KV_VERTEX_ENTRY: clip positions and lit diffuse colours of kLanes vertices at a time,
// for directional and point lights without highlights. The arithmetic is that of
// processVertices and light(), lane by lane and in the same order, so both give the same
// vertices.
#include "simd.h"
#include "transform.h"

namespace platform::d3d8::raster {
namespace {

struct Vec3s {
    F32 x, y, z;
};

KV_INLINE F32 dot(const Vec3s& a, const Vec3s& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The field at `offset` of kLanes vertices `stride` bytes apart.
KV_INLINE Vec3s readVec3s(const uint8_t* first, uint32_t stride, int32_t offset) {
    Vec3s v;
    for (int i = 0; i < kLanes; ++i) {
        const uint8_t* p = first + uint64_t(i) * stride + offset;
        float value[3];
        std::memcpy(value, p, sizeof value);
        v.x[i] = value[0], v.y[i] = value[1], v.z[i] = value[2];
    }
    return v;
}

// p * m for the rows of m, as transformPoint (point) or transformVector (direction) does it.
KV_INLINE Vec3s transform(const Matrix& m, const Vec3s& p, bool point) {
    Vec3s r;
    F32* out[3] = {&r.x, &r.y, &r.z};
    for (int c = 0; c < 3; ++c) {
        *out[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c];
        if (point) *out[c] = *out[c] + m.m[3][c];
    }
    return r;
}

// std::clamp(v, 0, 1), NaN kept.
KV_INLINE F32 saturate(F32 v) { return select(v < 0.0f, splat(0.0f), select(1.0f < v, splat(1.0f), v)); }

struct Sums {
    F32 r, g, b;
};

// Adds c * factor to the sums in the lanes of `mask`.
KV_INLINE void addWhere(I32 mask, Sums& sums, const float c[3], F32 factor) {
    sums.r = select(mask, sums.r + c[0] * factor, sums.r);
    sums.g = select(mask, sums.g + c[1] * factor, sums.g);
    sums.b = select(mask, sums.b + c[2] * factor, sums.b);
}

// Diffuse r, g, b, a of lit vertices (the material's colours, no highlights).
KV_INLINE void lightLanes(const Lighting& lighting, const Vec3s& position, Vec3s normal, F32 out[4]) {
    const Material& material = lighting.material;
    if (lighting.normalize) {
        const F32 length = sqrt(dot(normal, normal));
        const F32 inverse = 1.0f / length;
        const I32 positive = length > 0.0f;
        normal = Vec3s{select(positive, normal.x * inverse, splat(0.0f)), select(positive, normal.y * inverse, splat(0.0f)),
                       select(positive, normal.z * inverse, splat(0.0f))};
    }
    Sums ambient{splat(lighting.ambient.r), splat(lighting.ambient.g), splat(lighting.ambient.b)};
    Sums diffuse{splat(0.0f), splat(0.0f), splat(0.0f)};
    for (int i = 0; i < lighting.lightCount; ++i) {
        const Light& light = lighting.lights[i];
        Vec3s toLight{splat(light.toLight.x), splat(light.toLight.y), splat(light.toLight.z)};
        F32 factor = splat(1.0f);
        if (light.type == LightType::Point) {
            const Vec3s offset{light.position.x - position.x, light.position.y - position.y,
                               light.position.z - position.z};
            const F32 distance = sqrt(dot(offset, offset));
            const F32 inverse = 1.0f / distance;
            const I32 away = distance > 0.0f;
            toLight = Vec3s{select(away, offset.x * inverse, splat(0.0f)), select(away, offset.y * inverse, splat(0.0f)),
                            select(away, offset.z * inverse, splat(0.0f))};
            const F32 divisor = light.attenuation[0] + light.attenuation[1] * distance +
                                light.attenuation[2] * distance * distance;
            factor = select(divisor > 0.0f, 1.0f / divisor, splat(0.0f));
            factor = select(distance > light.range, splat(0.0f), factor);
        }
        const I32 reached = ~(factor <= 0.0f);
        const float lightAmbient[3] = {light.ambient.r, light.ambient.g, light.ambient.b};
        addWhere(reached, ambient, lightAmbient, factor);
        const F32 lambert = dot(normal, toLight);
        const float color[3] = {light.diffuse.r * material.diffuse.r, light.diffuse.g * material.diffuse.g,
                                light.diffuse.b * material.diffuse.b};
        addWhere(reached & ~(lambert <= 0.0f), diffuse, color, lambert * factor);
    }
    out[0] = saturate(material.ambient.r * ambient.r + diffuse.r + material.emissive.r);
    out[1] = saturate(material.ambient.g * ambient.g + diffuse.g + material.emissive.g);
    out[2] = saturate(material.ambient.b * ambient.b + diffuse.b + material.emissive.b);
    out[3] = saturate(splat(material.diffuse.a));
}

}  // namespace

uint32_t KV_VERTEX_ENTRY(const VertexProgram& program, const uint8_t* first, uint32_t stride, uint32_t count,
                         ClipVertex* out) {
    const Matrix& m = program.worldViewProjection;
    const VertexLayout& layout = program.layout;
    uint32_t done = 0;
    for (; done + kLanes <= count; done += kLanes) {
        const uint8_t* vertices = first + uint64_t(done) * stride;
        ClipVertex* group = out + done;
        const Vec3s p = readVec3s(vertices, stride, 0);
        for (int c = 0; c < 4; ++c) {
            const F32 value = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + m.m[3][c];
            for (int i = 0; i < kLanes; ++i) group[i].pos[c] = value[i];
        }
        if (!program.lit) continue;
        const Vec3s eye = transform(program.worldView, p, true);
        const Vec3s normal = layout.normal >= 0
                                 ? transform(program.normalMatrix, readVec3s(vertices, stride, layout.normal), false)
                                 : Vec3s{splat(0.0f), splat(0.0f), splat(0.0f)};
        F32 rgba[4];
        lightLanes(program.lighting, eye, normal, rgba);
        // Stored b, g, r, a as 0..255.
        for (int c = 0; c < 4; ++c) {
            const F32 value = rgba[c == 3 ? 3 : 2 - c] * 255.0f;
            for (int i = 0; i < kLanes; ++i) group[i].v[kDiffuse + c] = value[i];
        }
    }
    return done;
}

}  // namespace platform::d3d8::raster
