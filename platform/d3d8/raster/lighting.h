// Fixed-function vertex lighting in view space: ambient, diffuse and specular from up to
// eight lights, each attenuated by distance and spot cone, plus the emissive colour.
#pragma once

#include "vertex.h"

namespace platform::d3d8::raster {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

enum class LightType { Point = 1, Spot = 2, Directional = 3 };

struct Light {
    LightType type = LightType::Directional;
    Rgba diffuse, specular, ambient;
    Vec3 position;  // view space
    Vec3 toLight;   // directional and spot: unit vector opposite the light's direction, view space
    float range = 0;
    float attenuation[3] = {1, 0, 0};
    float falloff = 0;
    float cosHalfTheta = 1, cosHalfPhi = 1;  // spot: inner and outer cone
};

struct Material {
    Rgba diffuse, ambient, specular, emissive;
    float power = 0;
};

// Where a material colour comes from.
enum class ColorSource { Material, Diffuse, Specular };

struct Lighting {
    int lightCount = 0;
    Light lights[8];
    Rgba ambient;  // the AMBIENT render state
    Material material;
    ColorSource diffuseSource = ColorSource::Material, ambientSource = ColorSource::Material;
    ColorSource specularSource = ColorSource::Material, emissiveSource = ColorSource::Material;
    bool specular = false;  // SPECULARENABLE
    bool localViewer = true;
    bool normalize = false;
};

// The vertex's own colours (white and black when it has none), 0..1.
struct VertexColors {
    Rgba diffuse, specular;
};

// Lit diffuse (with the material's diffuse alpha) and specular, each clamped to 0..1.
// `position` is in view space; `normal` is transformed but not normalised.
VertexColors light(const Lighting& lighting, const Vec3& position, Vec3 normal, const VertexColors& vertex);

}  // namespace platform::d3d8::raster
