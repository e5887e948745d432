#include "game_scene.h"

#include <testsupport.h>

#include <cmath>
#include <numbers>

namespace kvbench {

using namespace kvtest::scene3d;

namespace {

constexpr UINT kWidth = 1920, kHeight = 1080;
constexpr float kSkyDistance = 100.0f;
constexpr float kSkyInset = 0.001f;
constexpr float kOrbitRadius = 9.0f;

// The sky's 24 vertices, four per plane in the order front, back, left, right, top, bottom,
// each plane drawn as a strip of two triangles.
std::vector<Vertex> skyPlane(int plane) {
    const float d = kSkyDistance, s = kSkyInset, t = 1 - s;
    static const float corners[6][4][3] = {
        {{-1, 1, 1}, {1, 1, 1}, {-1, -1, 1}, {1, -1, 1}},      {{1, 1, -1}, {-1, 1, -1}, {1, -1, -1}, {-1, -1, -1}},
        {{-1, 1, -1}, {-1, 1, 1}, {-1, -1, -1}, {-1, -1, 1}},  {{1, 1, 1}, {1, 1, -1}, {1, -1, 1}, {1, -1, -1}},
        {{-1, 1, -1}, {1, 1, -1}, {-1, 1, 1}, {1, 1, 1}},      {{-1, -1, 1}, {1, -1, 1}, {-1, -1, -1}, {1, -1, -1}},
    };
    const bool flipped = plane >= 4;  // top and bottom run their coordinates the other way
    const float uv[4][2] = {{s, s}, {t, s}, {s, t}, {t, t}};
    std::vector<Vertex> out;
    for (int k = 0; k < 4; ++k) {
        Vertex v;
        v.x = corners[plane][k][0] * d;
        v.y = corners[plane][k][1] * d;
        v.z = corners[plane][k][2] * d;
        v.u = flipped ? 1 - uv[k][0] : uv[k][0];
        v.v = flipped ? 1 - uv[k][1] : uv[k][1];
        out.push_back(v);
    }
    return out;
}

Texture skyTexture(uint32_t seed) {
    constexpr UINT size = 512;
    const kvtest::Bytes rgba = kvtest::makePhotoRgba(size, size, seed);
    Texture texture{size, size, std::vector<uint32_t>(size_t(size) * size), true};
    for (size_t i = 0; i < texture.texels.size(); ++i)
        texture.texels[i] = D3DCOLOR_ARGB(255, rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]);
    return texture;
}

D3DXMATRIX projection() {
    return perspective(float(std::numbers::pi) / 4, float(kWidth) / float(kHeight), 1.0f, 50000.0f);
}

}  // namespace

const char* partName(Part part) {
    return part == Part::Model ? "model" : part == Part::Sky ? "sky" : "frame";
}

Scene gameScene(Part part) {
    Scene scene;
    scene.width = kWidth;
    scene.height = kHeight;
    scene.clear = 0xFF000000;
    if (part != Part::Model) {
        for (int plane = 0; plane < 6; ++plane) {
            scene.textures.push_back(skyTexture(uint32_t(plane + 1)));
            Draw d;
            d.type = D3DPT_TRIANGLESTRIP;
            d.fvf = D3DFVF_XYZ | D3DFVF_TEX1;
            d.vertices = skyPlane(plane);
            d.texture = plane;
            if (plane == 0) {
                d.world = identity();
                d.projection = projection();
                d.renderStates = {{D3DRS_LIGHTING, FALSE}, {D3DRS_CULLMODE, D3DCULL_NONE}};
                d.stageStates = {{D3DTSS_MINFILTER, D3DTEXF_LINEAR}, {D3DTSS_MAGFILTER, D3DTEXF_LINEAR}};
            }
            scene.draws.push_back(d);
        }
    }
    if (part != Part::Sky) {
        scene.lights = {
            directionalLight({-0.4f, -0.8f, 0.5f}, color(0.8f, 0.75f, 0.7f)),
            pointLight({3.0f, 2.5f, -3.0f}, color(0.4f, 0.5f, 0.9f), 1.0f, 0.05f, 0.01f, 100.0f),
        };
        Draw model;
        model.fvf = D3DFVF_XYZ | D3DFVF_NORMAL;  // 24 bytes a vertex, three per triangle
        model.vertices = torus(2.2f, 0.9f, 100, 100);
        model.world = rotationYawPitch(0.0f, 0.6f);
        model.projection = projection();
        model.texture = -1;
        model.material = material(color(0.8f, 0.7f, 0.6f), color(0.3f, 0.3f, 0.3f));
        model.renderStates = {{D3DRS_LIGHTING, TRUE}, {D3DRS_AMBIENT, 0x00303030}, {D3DRS_CULLMODE, D3DCULL_CCW}};
        scene.draws.push_back(model);
    }
    aimCamera(scene, 0);
    return scene;
}

void aimCamera(Scene& scene, int frame) {
    const float angle = float(frame % 400) * 2.0f * float(std::numbers::pi) / 400.0f;
    const D3DXVECTOR3 eye(kOrbitRadius * std::sin(angle), 2.0f, -kOrbitRadius * std::cos(angle));
    const D3DXMATRIX view = lookAt(eye, {0, 0, 0});
    D3DXMATRIX turnOnly = view;  // the sky keeps only the camera's rotation
    turnOnly._41 = turnOnly._42 = turnOnly._43 = 0.0f;
    for (Draw& d : scene.draws)
        if (d.world) d.view = d.fvf & D3DFVF_NORMAL ? view : turnOnly;
}

uint64_t trianglesPerFrame(const Scene& scene) {
    uint64_t total = 0;
    for (const Draw& d : scene.draws) total += primitiveCount(d);
    return total;
}

}  // namespace kvbench
