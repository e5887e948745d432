#include "engine_frame.h"

#include <mvobject/mvobject.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <unistd.h>

namespace kvbench {

using kvtest::scene3d::Draw;
using kvtest::scene3d::Scene;

namespace {

constexpr float kDegrees = 180.0f / float(std::numbers::pi);

bool isSky(const Draw& draw) { return (draw.fvf & D3DFVF_TEX1) != 0; }

// The engine camera's angles and eye for a left-handed look-at view without roll.
void cameraOf(const D3DXMATRIX& view, cTOVREN_Camera& camera) {
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &view);
    camera.position = {inverse._41, inverse._42, inverse._43};
    camera.viewAngles = {std::asin(-view._23) * kDegrees, std::atan2(view._13, view._33) * kDegrees, 0.0f};
}

TOVREN_RGB rgb(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b}; }

}  // namespace

EngineFrame::EngineFrame(const Scene& scene) : scene_(scene) {
    window_ = platform::createOffscreenWindow(int32_t(scene.width), int32_t(scene.height));
    if (gfx_.Init(window_, uint16_t(scene.width), uint16_t(scene.height), 32, 60, false) != 0) {
        error_ = "the engine's graphics device cannot be made";
        return;
    }
    for (const Draw& draw : scene.draws) {
        if (!draw.projection) continue;
        // Back from the perspective matrix to the near, far and field of view that made it.
        const D3DXMATRIX& p = *draw.projection;
        const float nearPlane = -p._43 / p._33;
        gfx_.SetPerspective(nearPlane, nearPlane * p._33 / (p._33 - 1.0f), 2.0f * std::atan(1.0f / p._22));
        break;
    }
    const uint32_t clear = scene.clear;
    gfx_.SetClearColor(int(clear >> 16 & 0xFF), int(clear >> 8 & 0xFF), int(clear & 0xFF));
    for (size_t i = 0; i < scene.lights.size() && i < 8; ++i) {
        const D3DLIGHT8& l = scene.lights[i];
        TOVREN_LIGHT record{};
        record.kind = l.Type;
        record.position = {l.Position.x, l.Position.y, l.Position.z};
        record.direction = {l.Direction.x, l.Direction.y, l.Direction.z};
        record.ambient = rgb(l.Ambient);
        record.diffuse = rgb(l.Diffuse);
        record.specular = rgb(l.Specular);
        record.range = l.Range;
        lights_[i].Create(int32_t(i), record);
        lights_[i].PrepareAndRestore();
    }
    if (buildSky()) buildModel();
}

EngineFrame::~EngineFrame() {
    sky_.Release();
    model_.Delete();
    gfx_.Uninit();
    platform::destroyWindow(window_);
}

bool EngineFrame::buildSky() {
    cTOVREN_Texture* planes[] = {&sky_.front, &sky_.back, &sky_.left, &sky_.right, &sky_.top, &sky_.bottom};
    int plane = 0;
    for (const Draw& draw : scene_.draws) {
        if (!isSky(draw) || plane >= 6 || !draw.texture || *draw.texture < 0) continue;
        const auto& texture = scene_.textures[size_t(*draw.texture)];
        cTOVREN_Texture& target = *planes[plane];
        if (plane == 0 && sky_.Create(TOVREN_SKY_BOX, std::abs(draw.vertices[0].x), draw.vertices[0].u) != 0) {
            error_ = "the sky box cannot be made";
            return false;
        }
        if (target.Create(texture.width, texture.height) != 0 ||
            target.SetRaster(reinterpret_cast<const uint8_t*>(texture.texels.data()), texture.width, texture.height)) {
            error_ = "a sky texture cannot be made";
            return false;
        }
        ++plane;
    }
    return true;
}

// The lit draw's triangles, written as an MVO file with one vertex a corner and loaded.
bool EngineFrame::buildModel() {
    for (size_t i = 0; i < scene_.draws.size(); ++i) {
        if (!isSky(scene_.draws[i])) modelDraw_ = int(i);
    }
    if (modelDraw_ < 0) return true;
    const Draw& draw = scene_.draws[size_t(modelDraw_)];
    std::vector<float> positions, normals;
    std::vector<uint32_t> faces;
    for (const auto& v : draw.vertices) {
        positions.insert(positions.end(), {v.x, v.y, v.z});
        normals.insert(normals.end(), {v.nx, v.ny, v.nz});
        faces.push_back(uint32_t(faces.size()));
    }
    MVOBJECT object{};
    object.VertexCount = uint32_t(draw.vertices.size());
    object.FaceCount = object.VertexCount / 3;
    object.Vertices = positions.data();
    object.Normals = normals.data();
    object.Faces = faces.data();
    const std::string path = "/tmp/render3d_engine_" + std::to_string(getpid()) + ".mvo";
    cMVO writer;
    const bool saved = writer.SaveSingleObject(path.c_str(), object) == MVO_OK;
    const bool loaded = saved && model_.Load(path.c_str()) == 0;
    std::remove(path.c_str());
    if (!loaded) {
        error_ = "the model cannot be loaded from " + path;
        return false;
    }
    // The game scene turns its model about X only.
    const D3DXMATRIX world = draw.world ? *draw.world : kvtest::scene3d::identity();
    modelRotation_ = {std::atan2(world._23, world._22) * kDegrees, 0.0f, 0.0f};
    return true;
}

bool EngineFrame::render() {
    if (!error_.empty()) return false;
    const Draw* lit = modelDraw_ >= 0 ? &scene_.draws[size_t(modelDraw_)] : nullptr;
    for (const Draw& draw : scene_.draws) {
        if (draw.view) cameraOf(*draw.view, camera_);
    }
    gfx_.DrawBegin();
    if (sky_.front.texture) sky_.Draw(camera_.viewAngles);
    if (lit) {
        camera_.Apply();
        lights_[0].UseLighting(true);
        for (const auto& [state, value] : lit->renderStates) {
            if (state == D3DRS_AMBIENT) lights_[0].SetAmbientLight({(value >> 16 & 0xFF) / 255.0f + 0.001f,
                                                                   (value >> 8 & 0xFF) / 255.0f + 0.001f,
                                                                   (value & 0xFF) / 255.0f + 0.001f});
            if (state == D3DRS_CULLMODE) gfx_.SetRenderQuality(TOVREN_QUALITY_NOCULL, value == D3DCULL_NONE);
        }
        cTOVREN_GFXDEVICES devices{};
        gfx_.GetDevices(&devices);
        if (lit->material) devices.device->SetMaterial(&*lit->material);
        model_.Draw({0, 0, 0}, modelRotation_);
        gfx_.SetRenderQuality(TOVREN_QUALITY_NOCULL, true);
    }
    cTOVREN_GFXDEVICES devices{};
    gfx_.GetDevices(&devices);
    return devices.device->EndScene() == D3D_OK;
}

}  // namespace kvbench
