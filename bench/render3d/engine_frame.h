// The sample game's frame drawn through the engine's classes (graphics device, sky, model,
// camera, lights) instead of device calls, to show what the engine adds to the device.
#pragma once

#include <scene3d/scene.h>

#include <tovren/tovren.h>

#include <platform/window.h>

#include <string>

namespace kvbench {

class EngineFrame {
public:
    // Builds the engine objects from the scene: its sky draws become a cTOVREN_Sky (box and
    // textures), its lit draw a cTOVREN_Model loaded from an MVO file, its lights
    // cTOVREN_Lights (point lights without the scene's distance attenuation, which costs the
    // same). error() says what failed.
    explicit EngineFrame(const kvtest::scene3d::Scene& scene);
    ~EngineFrame();
    EngineFrame(const EngineFrame&) = delete;
    EngineFrame& operator=(const EngineFrame&) = delete;

    const std::string& error() const { return error_; }
    // Draws a frame with the camera of the scene's current view matrix, from DrawBegin to
    // the end of the scene (without presenting it, as the device's frames are timed).
    bool render();

private:
    bool buildSky();
    bool buildModel();

    const kvtest::scene3d::Scene& scene_;
    HWND window_ = nullptr;
    cTOVREN_GraphiX gfx_;
    cTOVREN_Sky sky_;
    cTOVREN_Model model_;
    cTOVREN_Camera camera_;
    cTOVREN_Light lights_[8];
    TOVREN_fCoord3 modelRotation_{};
    int modelDraw_ = -1;
    std::string error_;
};

}  // namespace kvbench
