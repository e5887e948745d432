#include "lighting.h"

#include <algorithm>
#include <cmath>

namespace platform::d3d8::raster {

namespace {

float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 scale(const Vec3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }

Vec3 normalized(const Vec3& v) {
    const float length = std::sqrt(dot(v, v));
    return length > 0.0f ? scale(v, 1.0f / length) : Vec3{};
}

const Rgba& pick(ColorSource source, const Rgba& material, const VertexColors& vertex) {
    switch (source) {
    case ColorSource::Diffuse: return vertex.diffuse;
    case ColorSource::Specular: return vertex.specular;
    case ColorSource::Material: break;
    }
    return material;
}

void accumulate(Rgba& sum, const Rgba& light, const Rgba& material, float factor) {
    sum.r += light.r * material.r * factor;
    sum.g += light.g * material.g * factor;
    sum.b += light.b * material.b * factor;
}

float saturate(float value) { return std::clamp(value, 0.0f, 1.0f); }

// Distance attenuation (0 beyond the range) times the spot factor; `toLight` comes back
// as the unit vector from the vertex to the light.
float strength(const Light& light, const Vec3& position, Vec3& toLight) {
    if (light.type == LightType::Directional) {
        toLight = light.toLight;
        return 1.0f;
    }
    const Vec3 offset = sub(light.position, position);
    const float distance = std::sqrt(dot(offset, offset));
    if (distance > light.range) return 0.0f;
    toLight = distance > 0.0f ? scale(offset, 1.0f / distance) : Vec3{};
    const float divisor =
        light.attenuation[0] + light.attenuation[1] * distance + light.attenuation[2] * distance * distance;
    float factor = divisor > 0.0f ? 1.0f / divisor : 0.0f;
    if (light.type == LightType::Spot) {
        const float rho = dot(light.toLight, toLight);
        if (rho <= light.cosHalfPhi) return 0.0f;
        if (rho <= light.cosHalfTheta) {
            const float t = (rho - light.cosHalfPhi) / (light.cosHalfTheta - light.cosHalfPhi);
            factor *= light.falloff == 1.0f ? t : std::pow(t, light.falloff);
        }
    }
    return factor;
}

}  // namespace

VertexColors light(const Lighting& lighting, const Vec3& position, Vec3 normal, const VertexColors& vertex) {
    const Material& material = lighting.material;
    const Rgba& diffuseColor = pick(lighting.diffuseSource, material.diffuse, vertex);
    const Rgba& ambientColor = pick(lighting.ambientSource, material.ambient, vertex);
    const Rgba& specularColor = pick(lighting.specularSource, material.specular, vertex);
    const Rgba& emissiveColor = pick(lighting.emissiveSource, material.emissive, vertex);
    if (lighting.normalize) normal = normalized(normal);
    // Only the highlights look toward the eye.
    const Vec3 toEye = !lighting.specular    ? Vec3{}
                       : lighting.localViewer ? normalized(scale(position, -1.0f))
                                              : Vec3{0, 0, -1};

    Rgba ambient = lighting.ambient, diffuse, specular;
    for (int i = 0; i < lighting.lightCount; ++i) {
        const Light& light = lighting.lights[i];
        Vec3 toLight;
        const float factor = strength(light, position, toLight);
        if (factor <= 0.0f) continue;
        ambient.r += light.ambient.r * factor;
        ambient.g += light.ambient.g * factor;
        ambient.b += light.ambient.b * factor;
        const float lambert = dot(normal, toLight);
        if (lambert <= 0.0f) continue;
        accumulate(diffuse, light.diffuse, diffuseColor, lambert * factor);
        if (!lighting.specular) continue;
        const float highlight = dot(normal, normalized(add(toEye, toLight)));
        if (highlight > 0.0f) accumulate(specular, light.specular, specularColor, std::pow(highlight, material.power) * factor);
    }

    VertexColors out;
    out.diffuse.r = saturate(ambientColor.r * ambient.r + diffuse.r + emissiveColor.r);
    out.diffuse.g = saturate(ambientColor.g * ambient.g + diffuse.g + emissiveColor.g);
    out.diffuse.b = saturate(ambientColor.b * ambient.b + diffuse.b + emissiveColor.b);
    out.diffuse.a = saturate(diffuseColor.a);
    out.specular = Rgba{saturate(specular.r), saturate(specular.g), saturate(specular.b), 0.0f};
    return out;
}

}  // namespace platform::d3d8::raster
