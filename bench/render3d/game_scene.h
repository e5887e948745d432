// The sample game's frame: a 20,000-triangle lit model and a textured sky box at 1920 x 1080,
// seen by a camera circling the model.
#pragma once

#include <scene3d/scene.h>

namespace kvbench {

enum class Part { Model, Sky, Frame };  // the model alone, the sky alone, both
const char* partName(Part part);

kvtest::scene3d::Scene gameScene(Part part);
// Moves the camera to where it is in frame `frame` (0.9 degrees further round each frame).
void aimCamera(kvtest::scene3d::Scene& scene, int frame);
// Triangles the scene submits per frame.
uint64_t trianglesPerFrame(const kvtest::scene3d::Scene& scene);

}  // namespace kvbench
