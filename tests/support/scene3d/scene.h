// A 3D scene described once as Direct3D 8 device calls, so that the software device and an
// independent renderer (Mesa's GL) can both draw it: the GL side translates the same
// transforms, lights, material, textures and states into the fixed-function GL pipeline.
#pragma once

#include <platform/d3dx8.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvtest::scene3d {

// Every attribute a scene may use; the draw's FVF says which of them the device receives.
struct Vertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    D3DCOLOR diffuse = 0xFFFFFFFF;
    float u = 0, v = 0;    // texture coordinate set 0
    float u2 = 0, v2 = 0;  // set 1
};

// A8R8G8B8 texels (X8R8G8B8 when `opaque`), rows top first.
struct Texture {
    UINT width = 0, height = 0;
    std::vector<uint32_t> texels;
    bool opaque = false;
};

struct RenderState {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

struct StageState {
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
    DWORD stage = 0;
};

// One draw call and the device calls before it. Like device state, whatever a draw sets
// stays set for the following draws; unset optionals leave the current value alone.
struct Draw {
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    DWORD fvf = D3DFVF_XYZ;
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;  // none: the vertices in order
    bool fromMemory = false;        // the device takes vertices (and indices) from the caller
    std::optional<D3DXMATRIX> world, view, projection;
    std::optional<D3DMATERIAL8> material;
    std::optional<int> texture, texture1;  // stages 0 and 1: index into Scene::textures, -1 for none
    std::vector<RenderState> renderStates;
    std::vector<StageState> stageStates;
};

// Lights are set and enabled (indices 0..n-1) before the first draw.
struct Scene {
    UINT width = 256, height = 192;
    D3DCOLOR clear = 0xFF000000;
    std::vector<D3DLIGHT8> lights;
    std::vector<Texture> textures;
    std::vector<Draw> draws;
};

UINT primitiveCount(const Draw& draw);
// Vertices (or indices) that primitiveCount primitives of the draw's type use.
UINT elementCount(const Draw& draw);

// A rendered frame: X8R8G8B8 pixels, rows top first.
struct Image {
    UINT width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(UINT x, UINT y) const { return pixels[size_t(y) * width + x]; }
};

// Binary PPM (P6), for looking at frames with any image tool. False when it cannot be written.
bool writePpm(const std::string& path, const Image& image);

// ---- Builders ----------------------------------------------------------------------------
D3DXMATRIX identity();
D3DXMATRIX lookAt(D3DXVECTOR3 eye, D3DXVECTOR3 at, D3DXVECTOR3 up = {0, 1, 0});
D3DXMATRIX perspective(float fovY, float aspect, float zNear, float zFar);
D3DXMATRIX translation(float x, float y, float z);
D3DXMATRIX rotationYawPitch(float yaw, float pitch);
D3DCOLORVALUE color(float r, float g, float b, float a = 1.0f);
D3DMATERIAL8 material(D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient = {}, D3DCOLORVALUE specular = {},
                      float power = 0.0f, D3DCOLORVALUE emissive = {});
D3DLIGHT8 directionalLight(D3DXVECTOR3 direction, D3DCOLORVALUE diffuse, D3DCOLORVALUE specular = {},
                           D3DCOLORVALUE ambient = {});
D3DLIGHT8 pointLight(D3DXVECTOR3 position, D3DCOLORVALUE diffuse, float a0, float a1, float a2,
                     float range = 1000.0f, D3DCOLORVALUE specular = {}, D3DCOLORVALUE ambient = {});

// Clockwise (front-facing in Direct3D's default culling) triangle lists with unit normals.
std::vector<Vertex> sphere(float radius, UINT slices, UINT stacks, D3DCOLOR diffuse = 0xFFFFFFFF);
std::vector<Vertex> torus(float majorRadius, float minorRadius, UINT rings, UINT sides);
// A cube centred on the origin; faces take colours from `faceColors` in the order
// +x, -x, +y, -y, +z, -z. Inward-facing (for a room or a sky) reverses winding and normals.
std::vector<Vertex> cube(float halfSize, const D3DCOLOR faceColors[6], bool inward = false);
// A square in the y = 0 plane facing up, texture coordinates 0..repeat.
std::vector<Vertex> floorQuad(float halfSize, float repeat);

// A checkerboard of `cell`-texel squares in two colours, each texel shaded by position so
// that wrong texel addressing shows.
Texture checker(UINT size, UINT cell, uint32_t colorA, uint32_t colorB);

}  // namespace kvtest::scene3d
