// Fixed-function lights of the shared device and the global ambient colour.
#pragma once

#include <tovren/vector_math.h>

#include <platform/d3d8.h>

#include <cstdint>

struct TOVREN_RGB {
    float r, g, b;  // 0..1
};

// Light kinds.
constexpr uint32_t TOVREN_LIGHT_POINT = 1;
constexpr uint32_t TOVREN_LIGHT_SPOT = 2;
constexpr uint32_t TOVREN_LIGHT_DIRECTIONAL = 3;

struct TOVREN_LIGHT {
    uint32_t kind;  // TOVREN_LIGHT_*
    TOVREN_fCoord3 position;
    TOVREN_fCoord3 direction;
    TOVREN_RGB ambient;
    TOVREN_RGB diffuse;
    TOVREN_RGB specular;
    float range;
    float outerCone;  // radians
    float innerCone;  // radians
};

class cTOVREN_Light {
public:
    D3DLIGHT8 light{};
    TOVREN_LIGHT record{};
    int32_t index = 0;  // the device's light slot

    // Prepares the light without touching the device: 0xFFFFFFFF for a kind other than
    // point, spot or directional (the light then stays cleared).
    uint32_t Create(int32_t lightIndex, TOVREN_LIGHT source);
    // Components are taken in 0..1 (values outside are clamped); alpha 0.
    uint32_t SetAmbientLight(TOVREN_RGB color);
    // Sets the light in its slot and switches it on.
    uint32_t PrepareAndRestore();
    // Sets the light in its slot, leaving it on or off as it was.
    uint32_t Apply();
    bool Switch(bool on);
    void UseLighting(bool on);
};
