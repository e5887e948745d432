#include "scene.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace kvtest::scene3d {

UINT primitiveCount(const Draw& draw) {
    const UINT n = static_cast<UINT>(draw.indices.empty() ? draw.vertices.size() : draw.indices.size());
    switch (draw.type) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return n / 2;
    case D3DPT_LINESTRIP: return n < 2 ? 0 : n - 1;
    case D3DPT_TRIANGLELIST: return n / 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return n < 3 ? 0 : n - 2;
    }
    return 0;
}

UINT elementCount(const Draw& draw) {
    const UINT count = primitiveCount(draw);
    switch (draw.type) {
    case D3DPT_POINTLIST: return count;
    case D3DPT_LINELIST: return count * 2;
    case D3DPT_LINESTRIP: return count ? count + 1 : 0;
    case D3DPT_TRIANGLELIST: return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return count ? count + 2 : 0;
    }
    return 0;
}

bool writePpm(const std::string& path, const Image& image) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) return false;
    std::fprintf(file.get(), "P6\n%u %u\n255\n", image.width, image.height);
    std::vector<uint8_t> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (uint32_t p : image.pixels) {
        rgb.push_back(static_cast<uint8_t>(p >> 16));
        rgb.push_back(static_cast<uint8_t>(p >> 8));
        rgb.push_back(static_cast<uint8_t>(p));
    }
    return std::fwrite(rgb.data(), 1, rgb.size(), file.get()) == rgb.size();
}

D3DXMATRIX identity() {
    D3DXMATRIX m;
    return *D3DXMatrixIdentity(&m);
}

D3DXMATRIX lookAt(D3DXVECTOR3 eye, D3DXVECTOR3 at, D3DXVECTOR3 up) {
    D3DXMATRIX m;
    return *D3DXMatrixLookAtLH(&m, &eye, &at, &up);
}

D3DXMATRIX perspective(float fovY, float aspect, float zNear, float zFar) {
    D3DXMATRIX m;
    return *D3DXMatrixPerspectiveFovLH(&m, fovY, aspect, zNear, zFar);
}

D3DXMATRIX translation(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, x, y, z);
}

D3DXMATRIX rotationYawPitch(float yaw, float pitch) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationYawPitchRoll(&m, yaw, pitch, 0.0f);
}

D3DCOLORVALUE color(float r, float g, float b, float a) { return {r, g, b, a}; }

D3DMATERIAL8 material(D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient, D3DCOLORVALUE specular, float power,
                      D3DCOLORVALUE emissive) {
    return {diffuse, ambient, specular, emissive, power};
}

namespace {

D3DLIGHT8 light(D3DLIGHTTYPE type, D3DCOLORVALUE diffuse, D3DCOLORVALUE specular, D3DCOLORVALUE ambient) {
    D3DLIGHT8 light{};
    light.Type = type;
    light.Diffuse = diffuse;
    light.Specular = specular;
    light.Ambient = ambient;
    return light;
}

}  // namespace

D3DLIGHT8 directionalLight(D3DXVECTOR3 direction, D3DCOLORVALUE diffuse, D3DCOLORVALUE specular,
                           D3DCOLORVALUE ambient) {
    D3DLIGHT8 l = light(D3DLIGHT_DIRECTIONAL, diffuse, specular, ambient);
    l.Direction = direction;
    return l;
}

D3DLIGHT8 pointLight(D3DXVECTOR3 position, D3DCOLORVALUE diffuse, float a0, float a1, float a2, float range,
                     D3DCOLORVALUE specular, D3DCOLORVALUE ambient) {
    D3DLIGHT8 l = light(D3DLIGHT_POINT, diffuse, specular, ambient);
    l.Position = position;
    l.Range = range;
    l.Attenuation0 = a0;
    l.Attenuation1 = a1;
    l.Attenuation2 = a2;
    return l;
}

namespace {

D3DXVECTOR3 position(const Vertex& v) { return {v.x, v.y, v.z}; }

// Appends the triangle wound clockwise as seen from the side `outward` points to, which is
// the side Direct3D's default culling keeps. Degenerate triangles (sphere poles) are dropped.
void addTriangle(std::vector<Vertex>& out, const Vertex& a, const Vertex& b, const Vertex& c,
                 const D3DXVECTOR3& outward) {
    D3DXVECTOR3 ab = position(b) - position(a), ac = position(c) - position(a), n;
    D3DXVec3Cross(&n, &ab, &ac);
    const float side = D3DXVec3Dot(&n, &outward);
    if (D3DXVec3LengthSq(&n) < 1e-12f) return;
    out.push_back(a);
    if (side > 0) {
        out.push_back(b);
        out.push_back(c);
    } else {
        out.push_back(c);
        out.push_back(b);
    }
}

// A grid of quads over a parametric surface, surface(i, j) giving the vertex at grid point
// (i, j) with its outward normal.
template <class Surface>
std::vector<Vertex> grid(UINT columns, UINT rows, Surface surface) {
    std::vector<Vertex> out;
    out.reserve(size_t(columns) * rows * 6);
    for (UINT j = 0; j < rows; ++j) {
        for (UINT i = 0; i < columns; ++i) {
            const Vertex a = surface(i, j), b = surface(i + 1, j), c = surface(i, j + 1), d = surface(i + 1, j + 1);
            const D3DXVECTOR3 outA(a.nx, a.ny, a.nz), outD(d.nx, d.ny, d.nz);
            addTriangle(out, a, b, c, outA + D3DXVECTOR3(b.nx, b.ny, b.nz) + D3DXVECTOR3(c.nx, c.ny, c.nz));
            addTriangle(out, b, d, c, outD + D3DXVECTOR3(b.nx, b.ny, b.nz) + D3DXVECTOR3(c.nx, c.ny, c.nz));
        }
    }
    return out;
}

}  // namespace

std::vector<Vertex> sphere(float radius, UINT slices, UINT stacks, D3DCOLOR diffuse) {
    return grid(slices, stacks, [&](UINT i, UINT j) {
        const float theta = float(std::numbers::pi) * float(j) / float(stacks);
        const float phi = 2.0f * float(std::numbers::pi) * float(i) / float(slices);
        Vertex v;
        v.nx = std::sin(theta) * std::cos(phi);
        v.ny = std::cos(theta);
        v.nz = std::sin(theta) * std::sin(phi);
        v.x = radius * v.nx;
        v.y = radius * v.ny;
        v.z = radius * v.nz;
        v.diffuse = diffuse;
        v.u = float(i) / float(slices);
        v.v = float(j) / float(stacks);
        return v;
    });
}

std::vector<Vertex> torus(float majorRadius, float minorRadius, UINT rings, UINT sides) {
    return grid(rings, sides, [&](UINT i, UINT j) {
        const float u = 2.0f * float(std::numbers::pi) * float(i % rings) / float(rings);
        const float w = 2.0f * float(std::numbers::pi) * float(j % sides) / float(sides);
        Vertex v;
        v.nx = std::cos(w) * std::cos(u);
        v.ny = std::sin(w);
        v.nz = std::cos(w) * std::sin(u);
        v.x = (majorRadius + minorRadius * std::cos(w)) * std::cos(u);
        v.y = minorRadius * v.ny;
        v.z = (majorRadius + minorRadius * std::cos(w)) * std::sin(u);
        return v;
    });
}

std::vector<Vertex> cube(float h, const D3DCOLOR faceColors[6], bool inward) {
    std::vector<Vertex> out;
    const float sign = inward ? -1.0f : 1.0f;
    for (int face = 0; face < 6; ++face) {
        const int axis = face / 2;
        const float s = face % 2 == 0 ? 1.0f : -1.0f;
        // The two axes spanning the face, and the face's corners in them.
        const int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
        Vertex corner[4];
        for (int k = 0; k < 4; ++k) {
            float p[3], n[3] = {0, 0, 0};
            p[axis] = s * h;
            p[a1] = (k & 1) ? h : -h;
            p[a2] = (k & 2) ? h : -h;
            n[axis] = s * sign;
            corner[k] = Vertex{p[0], p[1], p[2], n[0], n[1], n[2], faceColors[face], (k & 1) ? 1.0f : 0.0f,
                               (k & 2) ? 1.0f : 0.0f};
        }
        D3DXVECTOR3 outward(0, 0, 0);
        (axis == 0 ? outward.x : axis == 1 ? outward.y : outward.z) = s * sign;
        addTriangle(out, corner[0], corner[1], corner[2], outward);
        addTriangle(out, corner[1], corner[3], corner[2], outward);
    }
    return out;
}

std::vector<Vertex> floorQuad(float h, float repeat) {
    std::vector<Vertex> out;
    Vertex corner[4];
    for (int k = 0; k < 4; ++k) {
        const float x = (k & 1) ? h : -h, z = (k & 2) ? h : -h;
        corner[k] = Vertex{x, 0, z, 0, 1, 0, 0xFFFFFFFF, (k & 1) ? repeat : 0.0f, (k & 2) ? 0.0f : repeat};
    }
    addTriangle(out, corner[0], corner[1], corner[2], {0, 1, 0});
    addTriangle(out, corner[1], corner[3], corner[2], {0, 1, 0});
    return out;
}

Texture checker(UINT size, UINT cell, uint32_t colorA, uint32_t colorB) {
    Texture texture{size, size, std::vector<uint32_t>(size_t(size) * size), false};
    for (UINT y = 0; y < size; ++y) {
        for (UINT x = 0; x < size; ++x) {
            const uint32_t base = ((x / cell + y / cell) % 2) ? colorB : colorA;
            // Red falls off to the right and green downwards, by up to a quarter.
            const uint32_t r = (base >> 16 & 0xFF) * (4 * size - x) / (4 * size);
            const uint32_t g = (base >> 8 & 0xFF) * (4 * size - y) / (4 * size);
            texture.texels[size_t(y) * size + x] = (base & 0xFF0000FFu) | r << 16 | g << 8;
        }
    }
    return texture;
}

}  // namespace kvtest::scene3d
